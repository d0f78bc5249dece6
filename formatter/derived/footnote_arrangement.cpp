#include "formatter/derived/footnote_arrangement.h"

#include <algorithm>

#include "formatter/common/bilingual_texts.h"
#include "formatter/common/file_services.h"
#include "formatter/common/font_numbers.h"
#include "formatter/common/notifications.h"
#include "formatter/common/run_messages.h"
#include "formatter/common/settings_record.h"
#include "platform/files.h"

namespace tavrel {
namespace {

constexpr char kCtrlZ = '\x1A';
constexpr std::uint8_t kTag = 0x1D;

bool EndsWithCrLf(const std::string& line) {
  return line.size() >= 2 && line[line.size() - 1] == '\n' && line[line.size() - 2] == '\r';
}

bool IsPrintControl(std::uint8_t b) {
  return (b >= 1 && b <= 9) || b == 11 || b == 12 || (b >= 14 && b <= 25);
}

bool IsLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

// The font of a letter and its variant mark at `at`; 0 without a letter there.
std::uint8_t FontAt(std::string_view line, std::size_t at) {
  if (at >= line.size() || !IsLetter(line[at])) return 0;
  const char mark = at + 1 < line.size() ? line[at + 1] : ' ';
  return FontCharToNumber(line[at], mark == '\'' || mark == '"' || mark == '&' ? mark : ' ');
}

// Formatted lines: bytes up to and including LF, or up to Ctrl-Z.
class TextReader {
 public:
  explicit TextReader(std::string_view bytes) : bytes_(bytes) {}
  bool AtEnd() const { return pos_ >= bytes_.size() || bytes_[pos_] == kCtrlZ; }
  std::string Next() {
    std::string line;
    while (pos_ < bytes_.size() && bytes_[pos_] != kCtrlZ) {
      line += bytes_[pos_++];
      if (line.back() == '\n') break;
    }
    return line;
  }

 private:
  std::string_view bytes_;
  std::size_t pos_ = 0;
};

class Arrangement {
 public:
  Arrangement(const DerivedJobInput& input, RunMessages& messages, std::string_view text,
              std::string_view notes)
      : in_(input), settings_(input.Settings), messages_(messages), text_(text), notes_(notes) {
    s_.Page = StartPageState(settings_);
    s_.TextFont = settings_.NormalFont;
    s_.NoteNumberWidth = static_cast<std::int32_t>(settings_.NoteLinkInNoteArea.Str().size());
    s_.NotePart.Font = settings_.NormalFont;
  }

  // False when a dot line ended the job.
  bool Run(DerivedJobResult& result) {
    std::int32_t page = 1;
    while (true) {
      if (messages_.Notifier()) messages_.Notifier()->Post(MN_FOOTNOTE_PAGE, page);
      s_.BreakRequested = false;
      // an empty page takes a line even when no line fits, so that every page makes progress
      while ((HeightInUse() + Slot(0) < s_.Page.TextHeight || PageEmpty()) && !InputEnded() &&
             !s_.BreakRequested)
        if (!ReadLine()) return false;
      EndPage();
      result.Pages = page++;
      if ((InputEnded() && s_.Text.empty() && s_.CarriedNotes.empty()) || messages_.UserStop) break;
    }
    result.Stopped = messages_.UserStop != 0;
    result.Entries = s_.NotesPlaced;
    return true;
  }

  const std::string& Output() const { return s_.Output; }

 private:
  std::int32_t Slot(int k) const { return s_.Page.LineHeights[static_cast<std::size_t>(k)]; }
  bool PageHasNotes() const {
    if (!s_.CarriedNotes.empty()) return true;
    return std::any_of(s_.Text.begin(), s_.Text.end(),
                       [](const ArrangedLine& l) { return !l.Notes.empty(); });
  }
  std::int32_t HeightInUse() const {
    return s_.TextUsed + s_.NotesUsed + (PageHasNotes() ? Slot(0) : 0);
  }
  // No line that takes room yet (dot lines take none).
  bool PageEmpty() const {
    return s_.CarriedNotes.empty() &&
           std::all_of(s_.Text.begin(), s_.Text.end(), [](const ArrangedLine& l) { return l.Dot; });
  }
  bool InputEnded() const { return s_.FormattedEnded && s_.Paragraph.empty(); }
  bool FileEnded() const { return InputEnded() && s_.Text.empty(); }

  // The next paragraph into the buffer, with its keep-together lines.
  void ReadParagraph() {
    std::vector<std::string> lines;
    while (!text_.AtEnd()) {
      lines.push_back(text_.Next());
      if (EndsWithCrLf(lines.back())) break;
    }
    if (text_.AtEnd()) s_.FormattedEnded = true;
    const std::size_t k = lines.size();
    const std::size_t keep = settings_.LinesKeptTogether;
    auto cp = [](std::size_t n) { return ".cP" + std::to_string(n) + "\r\n"; };
    if (k > 1 && k < 2 * keep) s_.Paragraph.push_back(cp(k));
    if (k > 1 && k >= 2 * keep && keep > 0) s_.Paragraph.push_back(cp(keep));
    for (std::size_t i = 0; i < k; ++i) {
      if (k > 1 && k >= 2 * keep && keep > 0 && i == k - keep) s_.Paragraph.push_back(cp(keep));
      s_.Paragraph.push_back(std::move(lines[i]));
    }
  }

  // One note from the notes file, into `into`.
  void ReadNote(std::vector<ArrangedLine>& into) {
    while (!notes_.AtEnd()) {
      bool ctrlZ = false;
      ArrangedLine l;
      l.Bytes = notes_.NextLine(ctrlZ);
      l.Dot = !l.Bytes.empty() && l.Bytes[0] == '.';
      const bool hard = ctrlZ || EndsWithCrLf(l.Bytes);
      if (!l.Dot) {
        l.Kind = hard ? 0 : 2;
        l.Height = s_.NoteLineHeights[static_cast<std::size_t>(l.Kind)];
        s_.NotesUsed += l.Height;
      }
      const bool ends = hard && (ctrlZ || notes_.AtEnd() || notes_.DigitAhead(s_.NoteNumberWidth));
      const bool dotAtEnd = l.Dot && l.Bytes.rfind(".:", 0) != 0;
      if (ends && dotAtEnd) continue;  // a dot line does not close a note
      into.push_back(std::move(l));
      if (ends) break;
    }
    ++s_.NotesPlaced;
  }

  bool ReadLine() {
    while (true) {
      if (s_.Paragraph.empty()) ReadParagraph();
      if (s_.Paragraph.empty()) return true;
      ArrangedLine line;
      line.Bytes = std::move(s_.Paragraph.front());
      s_.Paragraph.pop_front();
      const auto assign = static_cast<std::uint8_t>(settings_.NoteAssignChar & 0x7F);
      for (std::size_t i = 1; assign != 0 && i < line.Bytes.size(); ++i) {
        const auto b = static_cast<std::uint8_t>(line.Bytes[i]);
        if ((b & 0x7F) == assign && line.Bytes[i - 1] != '\x1B') ReadNote(line.Notes);
      }
      if (!line.Bytes.empty() && line.Bytes[0] == '.') {
        line.Dot = true;
        const bool ok = DotLine(line.Bytes);
        s_.Text.push_back(std::move(line));
        return ok;
      }
      if (line.Bytes == "\r\n" && s_.TextUsed == 0 && line.Notes.empty()) continue;
      const bool ctrlZEnd = line.Bytes.empty() || line.Bytes.back() != '\n';
      if (line.Bytes == "\r\n")
        line.Kind = 1;
      else if (!ctrlZEnd && !EndsWithCrLf(line.Bytes))
        line.Kind = 2;
      line.Height = Slot(line.Kind);
      s_.TextUsed += line.Height;
      s_.Text.push_back(std::move(line));
      return true;
    }
  }

  bool Number(const std::string& line, std::int32_t& n) {
    return ParseDotNumber(line, s_.Page.PageNumber, n, messages_);
  }

  void NotePartFromFu(const std::string& line) {
    struct Found {
      const char* Key;
      bool Seen = false;
      std::int32_t Value = 0;
      std::size_t At = 0;
    };
    Found keys[] = {{"CW"}, {"LH"}, {"SN"}, {"HH"}, {"EH"}, {"SH"}};
    const std::string upper = MakeUpperCase(line);
    std::size_t lastControl = std::string::npos;
    for (std::size_t i = 3; i < line.size() && line[i] != '\n'; ++i) {
      if (IsPrintControl(static_cast<std::uint8_t>(line[i]))) lastControl = i;
      for (Found& f : keys) {
        if (upper.compare(i, 2, f.Key) != 0) continue;
        f.Seen = true;
        f.At = i + 2;
        f.Value = 0;
        for (std::size_t k = i + 2; k < line.size() && line[k] >= '0' && line[k] <= '9'; ++k)
          f.Value = std::min(f.Value * 10 + (line[k] - '0'), 100000);
      }
    }
    NotePartSettings& p = s_.NotePart;
    p = NotePartSettings{};
    p.ColumnWidth = keys[0].Seen ? keys[0].Value : 0;
    const std::int32_t lh = keys[1].Seen ? keys[1].Value : s_.NormalLineHeight;
    p.LineHeights = {lh, lh, lh};
    for (int slot = 0; slot < 3; ++slot)
      if (keys[3 + slot].Seen) p.LineHeights[static_cast<std::size_t>(slot)] = keys[3 + slot].Value;
    s_.NoteLineHeights = p.LineHeights;
    if (lastControl != std::string::npos && lastControl > 3 &&
        IsPrintControl(static_cast<std::uint8_t>(line[lastControl - 1]))) {
      p.ControlPair = true;
      p.Opening = static_cast<std::uint8_t>(line[lastControl - 1]);
      p.Closing = static_cast<std::uint8_t>(line[lastControl]);
    }
    const std::uint8_t font = keys[2].Seen ? FontAt(line, keys[2].At) : 0;
    p.Font = font ? font : settings_.NormalFont;
    in_.Context.KeptNotePart = p;
  }

  // A dot line of the formatted text; false when its number was bad.
  bool DotLine(const std::string& line) {
    const std::string c = DotCommandOf(line);
    DerivedPageState& page = s_.Page;
    std::int32_t n = 0;
    const bool letter4 = line.size() > 3 && line[3] >= 'A' && line[3] <= 'Z';
    if (c == "BV") {
      std::int32_t digits = 0, value = 0;
      for (char ch : line)
        if (ch >= '0' && ch <= '9' && digits < 5) value = value * 10 + (ch - '0'), ++digits;
      if (digits == 0) value = settings_.DefaultMN;
      s_.NoteNumberWidth =
          value - 1 + static_cast<std::int32_t>(settings_.NoteLinkInNoteArea.Str().size());
    } else if (c == "CP") {
      if (!Number(line, n)) return false;
      if (n * Slot(0) + HeightInUse() >= page.TextHeight) s_.BreakRequested = true;
    } else if (c == "CW") {
      if (!Number(line, n)) return false;
      s_.TextColumnWidth = n;
    } else if (c == "EH" || c == "HH") {
      if (!Number(line, n)) return false;
      page.LineHeights[c == "HH" ? 0 : 1] = n;
    } else if (c == "SH") {
      if (letter4) return true;  // a font command
      if (!Number(line, n)) return false;
      page.LineHeights[2] = n;
    } else if (c == "FF") {
      s_.NotePart = in_.Context.KeptNotePart;
    } else if (c == "FU") {
      NotePartFromFu(line);
    } else if (c == "LH") {
      if (!Number(line, n)) return false;
      page.LineHeights = {n, n, n};
      s_.NormalLineHeight = n;
      if (page.PageNumber == 1 && s_.TextUsed == 0) s_.NotePart.LineHeights = {n, n, n};
    } else if (c == "MB" || c == "MT" || c == "PL") {
      if (!Number(line, n)) return false;
      (c == "PL" ? page.PL : c == "MT" ? page.MT : page.MB) = n;
      page.ComputeTextHeight();
    } else if (c == "PA") {
      s_.BreakRequested = true;
    } else if (c == "SF" || c == "SN") {
      const std::uint8_t font = FontAt(line, 3);
      s_.TextFont = font ? font : settings_.NormalFont;
    }
    return true;
  }

  void Write(const std::string& bytes) {
    for (char ch : bytes)
      if (ch != kCtrlZ) s_.Output += ch;
  }

  void WriteTextLine(const ArrangedLine& l) {
    if (DotCommandOf(l.Bytes) == "CP" && l.Bytes.rfind(".cP", 0) == 0) return;
    Write(l.Bytes);
  }

  // The line-height lines from one stream's heights to the other's.
  void HeightLines(const std::array<std::int32_t, 3>& to, const std::array<std::int32_t, 3>& from) {
    auto same = [](const std::array<std::int32_t, 3>& h) { return h[0] == h[1] && h[1] == h[2]; };
    if (same(to) && same(from)) {
      if (to[0] != from[0]) Write(".LH" + std::to_string(to[0]) + "\r\n");
      return;
    }
    const char* names[] = {".HH", ".EH", ".SH"};
    for (std::size_t k = 0; k < 3; ++k)
      if (to[k] != from[k]) Write(names[k] + std::to_string(to[k]) + "\r\n");
  }

  // Empty lines, so that the notes (and the separator line) stand at the foot of the page.
  void Fill() {
    while (s_.TextUsed + s_.NotesUsed + Slot(0) + Slot(1) < s_.Page.TextHeight) {
      Write("\r\n");
      s_.TextUsed += Slot(1);
    }
  }

  // The note part: separator, settings, the note lines enclosed by the control pair, and the
  // lines that bring the text's settings back.
  // `last`: nothing follows this page, so it ends without ".PA".
  void WriteNotePart(const std::vector<ArrangedLine>& notes, bool fill, bool separator, bool last) {
    if (fill) Fill();
    Write(separator ? "_____\r\n" : "\r\n");
    const NotePartSettings& p = s_.NotePart;
    if (p.ColumnWidth > 0) Write(".CW" + std::to_string(p.ColumnWidth) + "\r\n");
    const DerivedContext& ctx = in_.Context;
    HeightLines(ctx.NotesStreamHeights, ctx.TextStreamHeights);
    const bool otherFont = p.Font != s_.TextFont;
    if (otherFont) Write(".SN" + FontNumberToSpec(p.Font) + "\r\n");
    // The pair encloses the note text; its characters stand inside text lines, so that dot
    // lines stay dot lines.
    std::size_t first = notes.size(), final = notes.size();
    for (std::size_t i = 0; i < notes.size(); ++i) {
      const bool text = !notes[i].Dot || notes[i].Bytes.rfind(".:", 0) == 0;
      if (!text) continue;
      if (first == notes.size()) first = i;
      final = i;
    }
    for (std::size_t i = 0; i < notes.size(); ++i) {
      std::string bytes = notes[i].Bytes;
      if (p.ControlPair && i == first)
        bytes.insert(bytes.rfind(".:", 0) == 0 ? 2 : 0, 1, static_cast<char>(p.Opening));
      if (p.ControlPair && i == final) {
        std::size_t end = bytes.size();
        while (end > 0 &&
               (bytes[end - 1] == '\n' || bytes[end - 1] == '\r' || bytes[end - 1] == kCtrlZ ||
                static_cast<std::uint8_t>(bytes[end - 1]) == 0x8D))
          --end;
        bytes.insert(end, 1, static_cast<char>(p.Closing));
      }
      Write(bytes);
      if (!bytes.empty() && bytes.back() != '\n') Write("\r\n");
    }
    if (p.ColumnWidth > 0) Write(".CW" + std::to_string(s_.TextColumnWidth) + "\r\n");
    HeightLines(ctx.TextStreamHeights, ctx.NotesStreamHeights);
    if (!last) Write(".PA\r\n");
    if (otherFont) Write(".SN" + FontNumberToSpec(s_.TextFont) + "\r\n");
  }

  void ClearPage() {
    s_.Text.clear();
    s_.CarriedNotes.clear();
    s_.TextUsed = s_.NotesUsed = 0;
  }

  void WritePage() {
    std::vector<ArrangedLine> notes = std::move(s_.CarriedNotes);
    const std::size_t count = s_.Text.size() - (s_.BreakRequested && !s_.Text.empty() ? 1 : 0);
    for (std::size_t i = 0; i < count; ++i) WriteTextLine(s_.Text[i]);
    for (ArrangedLine& l : s_.Text)
      for (ArrangedLine& n : l.Notes) notes.push_back(std::move(n));
    s_.Text.clear();  // the text is out; FileEnded now speaks of what is left to read
    if (!notes.empty()) {
      WriteNotePart(notes, true, true, FileEnded());
    } else if (!FileEnded()) {
      Write(".PA\r\n");
    }
    ClearPage();
  }

  static std::int32_t HeightOf(const std::vector<ArrangedLine>& lines) {
    std::int32_t h = 0;
    for (const ArrangedLine& l : lines) h += l.Height;
    return h;
  }

  void PageOverflow() {
    // the PA or CP line that asked for the break has done its work
    if (s_.BreakRequested && s_.Text.size() > 1) s_.Text.pop_back();
    const std::size_t m = s_.Text.size();
    // Keep-together: the last CP line before the last line decides where the text ends.
    std::size_t writeCount = m - 1, resumeAt = m - 1;
    bool keptTogether = false;
    for (std::size_t i = m - 1; i-- > 0;) {
      if (DotCommandOf(s_.Text[i].Bytes) != "CP") continue;
      std::int32_t n = 0;
      const std::string& b = s_.Text[i].Bytes;
      std::size_t k = 3;
      if (k < b.size() && b[k] == ' ') ++k;
      while (k < b.size() && b[k] >= '0' && b[k] <= '9')
        n = std::min(n * 10 + (b[k++] - '0'), 1000);
      const std::size_t p = i + 1;
      if (static_cast<std::int64_t>(m) - 1 - static_cast<std::int64_t>(p) < n && i > 0) {
        writeCount = i;
        resumeAt = i + 1;
        keptTogether = true;
      }
      break;
    }
    // Never a page without progress: a line too tall for any page is written all the same.
    const bool textWritten =
        std::any_of(s_.Text.begin(), s_.Text.begin() + static_cast<std::ptrdiff_t>(writeCount),
                    [](const ArrangedLine& l) { return !l.Dot; });
    if (!textWritten && s_.CarriedNotes.empty()) {
      writeCount = resumeAt = std::min(m, resumeAt + 1);
      keptTogether = false;
    }

    std::vector<ArrangedLine> notes = std::move(s_.CarriedNotes);
    std::vector<ArrangedLine> written(
        std::make_move_iterator(s_.Text.begin()),
        std::make_move_iterator(s_.Text.begin() + static_cast<std::ptrdiff_t>(writeCount)));
    std::deque<ArrangedLine> waiting(
        std::make_move_iterator(s_.Text.begin() + static_cast<std::ptrdiff_t>(resumeAt)),
        std::make_move_iterator(s_.Text.end()));
    s_.Text.clear();
    bool anyNote = false;
    s_.TextUsed = 0;
    for (ArrangedLine& l : written) {
      s_.TextUsed += l.Height;
      anyNote |= !l.Notes.empty();
      for (ArrangedLine& n : l.Notes) notes.push_back(std::move(n));
      l.Notes.clear();
    }
    s_.NotesUsed = HeightOf(notes);
    const auto inUse = [&] { return s_.TextUsed + s_.NotesUsed + (notes.empty() ? 0 : Slot(0)); };
    const std::int32_t freeHeight = s_.Page.TextHeight - inUse() - Slot(0);
    const bool room =
        !keptTogether && !waiting.empty() && freeHeight > settings_.BlankLinesBeforeNotes * Slot(0);
    std::vector<ArrangedLine> noteWait;
    if (room) {
      ArrangedLine first = std::move(waiting.front());
      waiting.pop_front();
      s_.TextUsed += first.Height;
      anyNote |= !first.Notes.empty();
      written.push_back(std::move(first));
      std::vector<ArrangedLine>& its = written.back().Notes;
      std::size_t k = 0;
      while (k < its.size() &&
             inUse() + its[k].Height + (notes.empty() ? Slot(0) : 0) < s_.Page.TextHeight) {
        s_.NotesUsed += its[k].Height;
        notes.push_back(std::move(its[k++]));
      }
      noteWait.assign(std::make_move_iterator(its.begin() + static_cast<std::ptrdiff_t>(k)),
                      std::make_move_iterator(its.end()));
      its.clear();
    }
    for (const ArrangedLine& l : written) WriteTextLine(l);
    const bool last = waiting.empty() && noteWait.empty() && InputEnded();
    if (!notes.empty()) {
      WriteNotePart(notes, !room, anyNote, last);
    } else if (!last) {
      Write(".PA\r\n");
    }
    // What waits opens the next page.
    s_.CarriedNotes = std::move(noteWait);
    s_.NotesUsed = HeightOf(s_.CarriedNotes);
    s_.TextUsed = 0;
    for (ArrangedLine& l : waiting) {
      s_.TextUsed += l.Height;
      s_.NotesUsed += HeightOf(l.Notes);
      s_.Text.push_back(std::move(l));
    }
  }

  void EndPage() {
    if (HeightInUse() < s_.Page.TextHeight || s_.Text.empty())
      WritePage();
    else
      PageOverflow();
    ++s_.Page.PageNumber;
  }

  const DerivedJobInput& in_;
  const TSettingsRecord& settings_;
  RunMessages& messages_;
  TextReader text_;
  NotesReader notes_;
  ArrangementState s_;
};

}  // namespace

bool NotesReader::AtEnd() const { return pos_ >= bytes_.size() || bytes_[pos_] == kCtrlZ; }

std::string NotesReader::NextLine(bool& endedByCtrlZ) {
  std::string line;
  endedByCtrlZ = false;
  while (pos_ < bytes_.size()) {
    const char c = bytes_[pos_];
    if (c == kCtrlZ) {
      endedByCtrlZ = true;
      break;
    }
    if (static_cast<std::uint8_t>(c) == kTag && pos_ + 2 < bytes_.size()) {
      const std::string close = std::string(bytes_.substr(pos_ + 1, 2)) + static_cast<char>(kTag);
      const std::size_t end = bytes_.find(close, pos_ + 3);
      if (end != std::string_view::npos) {
        pos_ = end + 3;
        continue;
      }
    }
    line += c;
    ++pos_;
    if (c == '\n') break;
  }
  return line;
}

bool NotesReader::DigitAhead(int width) const {
  for (std::size_t k = pos_; k < bytes_.size() && k < pos_ + static_cast<std::size_t>(width); ++k) {
    const char c = bytes_[k];
    if (c == kCtrlZ || c == '\n') break;
    if (c >= '0' && c <= '9') return true;
  }
  return false;
}

DerivedJobResult FootnoteArrangementRun(const DerivedJobInput& input, RunMessages& messages) {
  DerivedJobResult result;
  result.Input = ChangeFileExtension(input.FileName, "fmt");
  result.Output = ChangeFileExtension(input.FileName, "taf");
  const std::string notesName = ChangeFileExtension(input.FileName, "fun");
  const platform::ReadTextResult text = platform::read_text_file(result.Input);
  if (!messages.CheckOutputOpened(9, result.Input, !text.ok(), static_cast<int>(text.error))) {
    result.Failed = true;
    return result;
  }
  const platform::ReadTextResult notes = platform::read_text_file(notesName);
  if (!messages.CheckOutputOpened(10, notesName, !notes.ok(), static_cast<int>(notes.error))) {
    result.Failed = true;
    return result;
  }
  Arrangement arrangement(input, messages, text.text, notes.text);
  if (!arrangement.Run(result)) result.Failed = true;
  const platform::FileError written =
      platform::replace_file_atomic(result.Output, arrangement.Output());
  if (!messages.CheckOutputOpened(11, result.Output, written != platform::FileError::none,
                                  static_cast<int>(written)))
    result.Failed = true;
  return result;
}

}  // namespace tavrel

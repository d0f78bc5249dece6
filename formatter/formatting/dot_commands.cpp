#include "formatter/formatting/dot_commands.h"

#include <algorithm>
#include <cmath>
#include <filesystem>

#include "formatter/common/bilingual_texts.h"
#include "formatter/common/file_services.h"
#include "formatter/common/font_numbers.h"
#include "formatter/common/formatted_file.h"
#include "formatter/common/messages.h"
#include "formatter/common/text_services.h"
#include "formatter/formatting/contents_template.h"
#include "formatter/formatting/format_run.h"
#include "formatter/formatting/formatting_run.h"
#include "formatter/formatting/graphics_files.h"
#include "formatter/formatting/line_ends.h"
#include "formatter/formatting/wordstar_reader.h"
#include "platform/files.h"
#include "platform/pictures.h"
#include "platform/text.h"

namespace tavrel {

namespace {

constexpr int kMaxIncludeDepth = 8;
constexpr int32_t kMaxDotNumber = 100000;

char Upper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

std::string UpperAscii(std::string s) {
  for (char& c : s) c = Upper(c);
  return s;
}

bool IsDigitChar(char c) { return c >= '0' && c <= '9'; }

int32_t ColumnUnit(const FormatRun& run) { return run.Run.ColumnUnit; }

// The dot line with one blank and one sign after the command removed: the number reader
// then sees the magnitude, and the sign mode says how it applies.
std::string WithoutSign(const std::string& line) {
  if (line.size() <= 3) return line;
  std::string rest = line.substr(3);
  size_t i = 0;
  if (i < rest.size() && rest[i] == ' ') ++i;
  if (i < rest.size() && (rest[i] == '+' || rest[i] == '-')) ++i;
  return line.substr(0, 3) + rest.substr(i);
}

// The number argument of the current command; false when it is missing and the run stops.
bool ReadNumber(FormatRun& run, const std::string& line, int32_t& value) {
  run.Dotline.Start(WithoutSign(line));
  run.Dotline.Position = 2;
  value = 0;
  if (!ReadDotNumber(run.Dotline, value, false, run.Settings, run.Messages)) {
    run.Run.Stop = true;
    return false;
  }
  // No layout value of a page comes near this; larger ones would only overflow the sums.
  value = std::clamp(value, -kMaxDotNumber, kMaxDotNumber);
  return true;
}

int32_t Apply(int sign_mode, int32_t old_value, int32_t n, int32_t absolute) {
  int32_t v = absolute;
  if (sign_mode == 0) v = old_value + n;
  if (sign_mode == 1) v = old_value - n;
  return std::clamp(v, -kMaxDotNumber, kMaxDotNumber);
}

// Margins in columns: a page is far narrower; the bound keeps indentation lines finite.
constexpr int32_t kMaxMarginColumns = 250;

uint8_t& LineHeight(FormatRun& run, int slot) {
  return run.Pages.Streams[kTextStream].LineHeights[slot];
}

void SetRightMarginColumns(FormatRun& run, int32_t columns) {
  LineStream& s = run.Streams[kTextStream];
  columns = std::clamp(columns, 0, 4 * kMaxMarginColumns);
  s.RightMargin = columns * ColumnUnit(run);
  const int32_t typed = columns - run.Dot.Gutter;
  s.ZoneWidth = ZoneColumns(typed) * ColumnUnit(run);
  run.Layout.LineWidth = s.RightMargin;
}

int32_t RightMarginColumns(const FormatRun& run) {
  const int cu = ColumnUnit(run);
  return cu > 0 ? run.Streams[kTextStream].RightMargin / cu : 0;
}

bool FontUsable(const FormatRun& run, uint8_t font) {
  if (font < 1 || font > kFontCount || !run.Printer) return false;
  if (run.Printer->Fonts[font - 1].FaceName.Empty()) return false;
  const uint8_t* w = FontWidths(*run.Printer, font);
  if (!w) return false;
  return std::any_of(w, w + 256, [](uint8_t x) { return x != 0; });
}

// A point size to scale by: only a defined font has one (an undefined font was reported when
// it was put into its slot), and a damaged printer file may hold any number.
bool UsableFontSize(const FormatRun& run, uint8_t font, double& size) {
  if (!FontUsable(run, font)) return false;
  size = run.Printer->Fonts[font - 1].Size;
  return std::isfinite(size) && size >= 1 && size <= 1000;
}

// 0 becomes 8; with LineHeightRefersToNormalFont the value follows the size of slot 0's font.
int NormaliseLineHeight(const FormatRun& run, int v) {
  if (v == 0) v = 8;
  double a = 0, b = 0;
  if (run.Settings.LineHeightRefersToNormalFont && UsableFontSize(run, run.Dot.FontSlots[0], a) &&
      UsableFontSize(run, run.Settings.NormalFont, b)) {
    const double scaled = std::nearbyint(std::clamp(v * a / b, -1000.0, 1000.0));
    v = static_cast<int>(scaled);
    if (v == 0) v = 8;
  }
  return std::clamp(v, 1, 255);
}

// ---- the command table ----

struct Cmd {
  FormatRun& run;
  const std::string& line;
  DotState& d;
};

using Handler = void (*)(Cmd&);

struct DotCommandRow {
  const char* words[3];
  Handler handler;
};

void CmdAW(Cmd& c) {
  if (!c.d.FormattingOffTotal) c.run.Streams[kTextStream].FormattingOn = ReadSwitchArgument(c.line);
}

void CmdBA(Cmd& c) {
  c.run.Streams[kTextStream].FormattingOn = false;
  if (UpperAscii(ReadTextArgument(c.line)) == "TOTAL" &&
      c.run.Writer.Streams[kTextStream].Column == 0 &&
      c.run.Pages.Streams[kTextStream].LinesOnPage <= 1 &&
      c.run.Pages.Streams[kTextStream].PageCount <= 1)
    c.d.FormattingOffTotal = true;
}

void CmdBE(Cmd& c) {
  if (!c.d.FormattingOffTotal) c.run.Streams[kTextStream].FormattingOn = true;
}

void CmdRightMargin(Cmd& c) {
  int32_t n = 0;
  if (!ReadNumber(c.run, c.line, n)) return;
  const int32_t old = RightMarginColumns(c.run);
  SetRightMarginColumns(c.run, Apply(c.d.SignMode, old, n, n + c.d.Gutter));
  if (c.run.Reader.MarginNotesOn) {
    c.d.PendingRightMargin = RightMarginColumns(c.run) + c.run.Reader.MarginWidth - 1;
    c.d.CopyLine = false;
  }
}

void CmdMarginNotes(Cmd& c) {
  ReaderState& r = c.run.Reader;
  const std::string arg = c.line.size() > 3 ? c.line.substr(3) : std::string();
  std::string a = arg;
  while (!a.empty() && a.front() == ' ') a.erase(a.begin());
  if (a.empty()) {
    r.MarginNotesOn = false;
    r.MarginWidth = 1;
  } else {
    r.MarginNotesOn = true;
    r.MarginOpen = static_cast<uint8_t>(a[0]);
    r.MarginClose = a.size() > 1 ? static_cast<uint8_t>(a[1]) : static_cast<uint8_t>(a[0]);
    size_t i = 2;
    int width = 0;
    bool digits = false;
    while (i < a.size() && IsDigitChar(a[i])) {
      width = std::min(width * 10 + (a[i] - '0'), 200);
      digits = true;
      ++i;
    }
    if (!digits) width = c.run.Settings.DefaultMN;
    r.MarginWidth = width < 1 ? 1 : width + 2;
    r.MarginNoteLead = i < a.size() ? static_cast<uint8_t>(a[i]) : 0;
    r.MarginNoteTrail = i + 1 < a.size() ? static_cast<uint8_t>(a[i + 1]) : 0;
  }
  // Lines are buffered while margin notes are on, so a note can go to its line's start.
  c.run.Writer.LineBuffer.Active = r.MarginNotesOn;
  c.run.Writer.LineBuffer.IndentColumn = r.MarginNotesOn ? r.MarginWidth - 1 : 0;
  c.run.Writer.LineBuffer.NoteLeadChar = r.MarginNotesOn ? r.MarginNoteLead : 0;
  c.run.Writer.LineBuffer.NoteTrailChar = r.MarginNotesOn ? r.MarginNoteTrail : 0;
  c.d.PendingRightMargin = RightMarginColumns(c.run) + r.MarginWidth - 1;
}

void CmdBW(Cmd& c) {
  int32_t n = 0;
  if (ReadNumber(c.run, c.line, n)) c.d.BitmapWidth = n;
}

void CmdCP(Cmd& c) {
  int32_t n = 0;
  if (!ReadNumber(c.run, c.line, n)) return;
  const StreamPages& p = c.run.Pages.Streams[kTextStream];
  if (p.PagePosition + (n - 1) * p.LineHeights[0] > c.run.Pages.PageLimit)
    c.d.NewPageRequest = true;
}

// ".CN", ".LG", ".P#": heading numbers given in the line.
void CmdHeadingNumbers(Cmd& c) {
  DotState& d = c.d;
  std::string arg = c.line.size() > 3 ? c.line.substr(3) : std::string();
  while (!arg.empty() && arg.back() == ' ') arg.pop_back();
  if (!arg.empty() && arg.back() == '.') arg.pop_back();
  if (arg.find_first_not_of(' ') == std::string::npos) {
    d.HeadingNumbers = c.run.Run.SavedHeadingNumbers;
    d.HeadingLevel = c.run.Run.SavedHeadingLevel;
  } else {
    int k = 0;
    size_t i = 0;
    while (i < arg.size() && k < 9) {
      while (i < arg.size() && (arg[i] == ' ' || arg[i] == '.')) ++i;
      if (i >= arg.size() || !IsDigitChar(arg[i])) break;
      int v = arg[i++] - '0';
      if (i < arg.size() && IsDigitChar(arg[i])) v = v * 10 + (arg[i++] - '0');
      d.HeadingNumbers[++k] = v;
      if (i < arg.size() && arg[i] == ',') break;
    }
    // Nine levels have numbers: a tenth is reported, not dropped quietly.
    if (k == 9) {
      while (i < arg.size() && (arg[i] == ' ' || arg[i] == '.')) ++i;
      if (i < arg.size() && IsDigitChar(arg[i]))
        ReportError(c.run, MessageId::kTooManyHeadingNumbers);
    }
    if (k > 0) {
      for (int j = k + 1; j <= 9; ++j) d.HeadingNumbers[j] = 0;
      d.HeadingLevel = k;
    }
  }
  const std::string cmd = UpperAscii(c.line.substr(1, 2));
  d.NumbersJustSet = cmd == "CN" || cmd == "P#";
}

void CmdTabStep(Cmd& c) {
  int32_t n = 0;
  if (!ReadNumber(c.run, c.line, n)) return;
  if (n <= 0) {
    // A column mark 0 wide would drop every typed indentation of a proportional font.
    const std::string cmd = UpperAscii(c.line.substr(1, 2));
    ReportError(c.run, MessageId::kDotCommandValueNotPositive, {cmd});
    c.d.CopyLine = false;
    return;
  }
  if (n < 10) n *= 10;
  c.d.IndentScale = n;
  c.run.Layout.TabStep = n;
  SetColumnWidth(c.d.ColumnWidth, n, c.d.Widths);
}

// The argument of the ".FI" line that the reader has just finished, as its bytes stand in a
// WordStar document: the reader clears bit 7 of every plain byte (WordStar's soft-format bit),
// which a dot line never carries, so a name with letters above 127 is only whole here. Empty
// when the line cannot be found in the input as the decoded one.
std::string IncludeNameAsWritten(const FormatRun& run, const std::string& decoded) {
  const ReaderState& r = run.Reader;
  if (r.InputMode != 0 || run.Dot.MacroExpanding || r.InputPos == 0 || r.InputPos > r.Input.size())
    return {};
  const InputSource& in = r.Input;
  std::size_t end = r.InputPos - 1;  // the CR (or bare LF) that ended the line
  if (!in.Kept(end)) return {};
  if ((in.Peek(end) & 0x7F) != kCarriageReturn && (in.Peek(end) & 0x7F) != kLineFeed) return {};
  std::size_t start = end;
  while (start > 0 && in.Kept(start - 1) && (in.Peek(start - 1) & 0x7F) != kLineFeed) --start;
  if (start > 0 && !in.Kept(start - 1)) return {};  // longer than any dot line
  std::string line;
  for (std::size_t i = start; i < end; ++i) {
    const uint8_t b = static_cast<uint8_t>(in.Peek(i));
    if ((b & 0x7F) == kEscape && i + 2 < end) {  // an extended character: ESC, character, FS
      line += static_cast<char>(in.Peek(i + 1));
      i += 2;
    } else if (b < 0x20) {
      return {};  // blocks and controls: not a line the decoded name can be matched against
    } else {
      line += static_cast<char>(b);
    }
  }
  std::string name = ReadTextArgument(line);
  while (!name.empty() && name.back() == ' ') name.pop_back();
  // The same name once bit 7 is cleared and the controls that clearing made are left out.
  const auto plain = [](const std::string& text) {
    std::string out;
    for (char ch : text)
      if ((ch & 0x7F) >= 0x20) out += static_cast<char>(ch & 0x7F);
    return out;
  };
  return plain(name) == plain(decoded) ? name : std::string();
}

void CmdFI(Cmd& c) {
  std::string name = ReadTextArgument(c.line);
  while (!name.empty() && name.back() == ' ') name.pop_back();
  IncludeFile(c.run, name, IncludeNameAsWritten(c.run, name), true);
  c.d.CopyLine = false;  // the included file's dot lines used the flag meanwhile
}

void CmdPE(Cmd& c) {
  const bool copy = c.d.CopyLine;
  IncludeFile(c.run, "*.FUN");
  c.d.CopyLine = copy;
}

void CmdNotes(Cmd& c, int form) {
  FormatRun& run = c.run;
  run.Dotline.Start(c.line);
  run.Dotline.Position = 3;
  NotesControlInput in;
  in.TextLineWidth = run.Streams[kTextStream].RightMargin;
  in.HyphenationZone = run.Streams[kTextStream].ZoneWidth;
  in.CurrentSlotFont = c.d.FontSlots[c.d.CurrentSlot];
  in.NormalFont = run.Settings.NormalFont;
  in.NotesFileName = run.Run.NotesName;
  NotesControl(form, run.Dotline, run.Writer, run.Notes, run.Pages, in, run.Messages);
  LineStream& n = run.Streams[kNotesStream];
  n.RightMargin = run.Notes.LineWidth;
  n.ZoneWidth = std::max(0, run.Notes.LineWidth - run.Notes.ZoneStart);
  if (run.Messages.AbortRequested.load()) run.Run.Stop = true;
}
void CmdFU(Cmd& c) { CmdNotes(c, 1); }
void CmdFF(Cmd& c) { CmdNotes(c, 0); }

void CmdFG(Cmd& c) { c.d.GraphicsLines = ReadSwitchArgument(c.line); }

void CmdFN(Cmd& c) {
  int32_t n = 0;
  if (ReadNumber(c.run, c.line, n)) c.run.Notes.FootnoteNumber = n;
}

void CmdGF(Cmd& c) { c.run.Headings.HeadingsTemplateName = ReadTextArgument(c.line); }

void CmdGS(Cmd& c) {
  int32_t n = 0;
  if (ReadNumber(c.run, c.line, n)) c.d.GraphicsSize = n;
}

// The page engine draws the character as the picture; the line has to be counted with the
// picture's width now, or lines holding it would run past the margin when printed.
void CmdGraphicsChar(Cmd& c) {
  const GraphicsCharDefinition def = ParseGraphicsCharLine(c.line, c.d.Command);
  if (!def.Valid) return;
  const int32_t dpi =
      c.run.Printer->PrinterDpi > 0 ? c.run.Printer->PrinterDpi : c.run.Run.ColumnUnit * 10;
  GraphicsLoadError why;
  switch (DefineGraphicsChar(c.d.GraphicsChars, def, c.run.Files, dpi, c.d.GraphicsSize, &why)) {
    case GraphicsCharOutcome::kTableFull:
      ReportError(c.run, MessageId::kTooManyGraphicsCharacters,
                  {std::string(1, static_cast<char>(def.Char))});
      break;
    case GraphicsCharOutcome::kNotLoaded:
      ReportError(c.run, MessageId::kGraphicsFileUnusable, {def.FileName, why.Text});
      break;
    default:
      break;
  }
}

void CmdGU(Cmd& c) {
  int32_t n = 0;
  if (!ReadNumber(c.run, c.line, n)) return;
  const int32_t cols = RightMarginColumns(c.run) + (n - c.d.Gutter);
  c.d.Gutter = n;
  SetRightMarginColumns(c.run, cols);
}

void CmdHN(Cmd& c) {
  int32_t n = 0;
  if (!ReadNumber(c.run, c.line, n)) return;
  c.d.MinimumUnhyphenated = n;
  c.run.Layout.MinUnhyphenated = static_cast<uint8_t>(std::clamp(n, 0, 255));
}

void CmdHT(Cmd& c) {
  c.d.SavedCondition = c.d.ConditionalOutput;
  c.d.ConditionalOutput = false;
  c.d.CopyLine = false;
}

void CmdHY(Cmd& c) {
  DotState& d = c.d;
  const std::string arg = UpperAscii(ReadTextArgument(c.line));
  if (arg == "OFF" || arg == "NO") {
    d.SavedHyphenationMode = d.HyphenationMode;
    d.HyphenationMode = 3;
  } else if (arg == "ON") {
    d.HyphenationMode = d.SavedHyphenationMode;
  } else if (arg == "GERMAN") {
    d.HyphenationMode = 0;
  } else if (arg == "MANUAL" || arg == "HAND") {
    d.SavedHyphenationMode = d.HyphenationMode;
    d.HyphenationMode = 2;
  } else if (arg == "TEX") {
    d.HyphenationMode = 4;
  } else if (arg.find(".TEX") != std::string::npos) {
    d.HyphenationMode = 4;
    d.TexPatternRequest = ReadTextArgument(c.line);
  } else {
    d.ConditionalOutput = d.SavedCondition;
  }
  c.run.Layout.HyphenationMode = static_cast<uint8_t>(d.HyphenationMode);
}

void CmdIC(Cmd& c) {
  FormatRun& run = c.run;
  if (c.line.size() <= 3) return;
  run.Dotline.Start(c.line);
  run.Dotline.Position = 3;
  if (OpenIndexVolume(run.Dotline, run.IndexVolumes, run.Run.IndexName, run.Run.IndexScan,
                      run.Messages)) {
    const int v = run.IndexVolumes.Count - 1;
    if (v >= 0 && v < 4) {
      c.d.IndexRecording[v] = false;
      c.d.IndexCapital[v] = false;
      c.d.IndexEntries[v] = 0;
    }
  }
  if (run.Messages.AbortRequested.load()) run.Run.Stop = true;
}

// One index entry line to each selected volume.
void WriteIndexEntry(Cmd& c, bool turned) {
  FormatRun& run = c.run;
  IndexVolumes& iv = run.IndexVolumes;
  if (!iv.Open || iv.Count == 0) return;
  std::string e = c.line.size() > 3 ? c.line.substr(3) : std::string();
  bool capital = false;
  while (!e.empty() && e.front() == ' ') e.erase(e.begin());
  if (!e.empty() && e.front() == '+') {
    capital = true;
    e.erase(e.begin());
  }
  while (!e.empty() && e.front() == ' ') e.erase(e.begin());
  std::array<bool, 4> selected{};
  size_t i = 0;
  while (i < e.size()) {
    const size_t pos = iv.Chars.find(e[i]);
    if (pos == std::string::npos || pos >= 4) break;
    selected[pos] = true;
    ++i;
  }
  e = e.substr(i);
  if (std::none_of(selected.begin(), selected.end(), [](bool b) { return b; })) selected[0] = true;
  if (turned) {
    const size_t blank = e.rfind(' ');
    if (blank != std::string::npos) e = e.substr(blank + 1) + " " + e.substr(0, blank);
  }
  // The index builder reads "<entry>*<flag><page>": the entry comes first.
  std::string out;
  for (char ch : e) {
    const uint8_t u = static_cast<uint8_t>(ch);
    if (u >= 128) {
      out += static_cast<char>(kEscape);
      out += ch;
      out += static_cast<char>(kEscapeEnd);
    } else {
      out += ch;
    }
  }
  out += '*';
  out += capital ? 'N' : 'n';
  out += std::to_string(run.Pages.Streams[kTextStream].PageCount);
  out += "\r\n";
  for (int v = 0; v < iv.Count && v < kMaxIndexVolumes; ++v) {
    if (!selected[v] || !iv.Files[v].IsOpen()) continue;
    iv.Files[v].Write(out);
    ++c.d.IndexEntries[v];
  }
}
void CmdIN(Cmd& c) { WriteIndexEntry(c, false); }
void CmdIT(Cmd& c) { WriteIndexEntry(c, true); }

void LineHeightCommand(Cmd& c, int first, int last) {
  int32_t n = 0;
  if (!ReadNumber(c.run, c.line, n)) return;
  const int v = NormaliseLineHeight(c.run, n);
  for (int slot = first; slot <= last; ++slot) c.d.TypedHeights[slot] = n;
  for (int slot = first; slot <= last; ++slot) LineHeight(c.run, slot) = static_cast<uint8_t>(v);
  if (first == 0 && v != n) {
    // The normalised height replaces the typed line.
    c.d.CopyLine = false;
    for (int slot = first; slot <= last; ++slot) c.d.PendingHeights[slot] = v;
  }
}
void CmdLH(Cmd& c) { LineHeightCommand(c, 0, 2); }
void CmdHH(Cmd& c) { LineHeightCommand(c, 0, 0); }
void CmdEH(Cmd& c) { LineHeightCommand(c, 1, 1); }
void CmdSH(Cmd& c) {
  if (c.line.size() >= 4 && Upper(c.line[3]) >= 'A' && Upper(c.line[3]) <= 'Z') return;
  LineHeightCommand(c, 2, 2);
}

void CmdLM(Cmd& c) {
  int32_t n = 0;
  if (!ReadNumber(c.run, c.line, n)) return;
  DotState& d = c.d;
  d.LeftMargin = std::clamp(Apply(d.SignMode, d.LeftMargin, n, n - 1), 0, kMaxMarginColumns);
  if (d.ParagraphMargin == 0) d.ParagraphMargin = d.LeftMargin;
}

void CmdPM(Cmd& c) {
  int32_t n = 0;
  if (!ReadNumber(c.run, c.line, n)) return;
  c.d.ParagraphMargin =
      std::clamp(Apply(c.d.SignMode, c.d.ParagraphMargin, n, n - 1), 0, kMaxMarginColumns);
}

void PageGeometry(Cmd& c, int32_t LayoutValues::*field) {
  int32_t n = 0;
  if (!ReadNumber(c.run, c.line, n)) return;
  c.run.Layout.*field = n;
  ComputePageLimit(c.run.Layout);
  c.run.Pages.PageLimit = c.run.Layout.PageLimit;
}
void CmdMB(Cmd& c) { PageGeometry(c, &LayoutValues::BottomMargin); }
void CmdMT(Cmd& c) { PageGeometry(c, &LayoutValues::TopMargin); }
void CmdPL(Cmd& c) { PageGeometry(c, &LayoutValues::PageLength); }

void CmdMD(Cmd& c) {
  int32_t n = 0;
  if (ReadNumber(c.run, c.line, n)) c.d.MdValue = n;
}

void CmdPA(Cmd& c) {
  if (c.d.HeadingInProgress) {
    c.d.CopyLine = false;
    return;
  }
  if (c.run.Pages.Streams[kTextStream].PagePosition > 0) c.d.NewPageRequest = true;
}

void CmdPN(Cmd& c) {
  int32_t n = 0;
  if (!ReadNumber(c.run, c.line, n)) return;
  if (!c.run.Dotline.NumberOmitted) c.run.Pages.Streams[kTextStream].PageCount = n;
}

void CmdSaveRestoreFonts(Cmd& c) {
  if (UpperAscii(c.line).find("FONT") == std::string::npos) return;
  if (Upper(c.line[1]) == 'S') {
    c.d.SavedFontSlots = c.d.FontSlots;
  } else {
    for (int slot = 0; slot < 4; ++slot) SetFontSlot(c.run, slot, c.d.SavedFontSlots[slot]);
    SelectFontSlot(c.run);
  }
}

uint8_t FontArgument(Cmd& c) {
  c.run.Dotline.Start(c.line);
  c.run.Dotline.Position = 3;
  return ReadFontArgument(c.run.Dotline, c.run.Settings, c.d.FontSlots[0]);
}

void CmdAF(Cmd& c) { c.d.AlternateFont = FontArgument(c); }
void CmdSB(Cmd& c) { SetFontSlot(c.run, 1, FontArgument(c)); }
void CmdSY(Cmd& c) { SetFontSlot(c.run, 2, FontArgument(c)); }
void CmdSX(Cmd& c) { SetFontSlot(c.run, 3, FontArgument(c)); }
void CmdSF(Cmd& c) {
  const uint8_t f = FontArgument(c);
  c.d.NormalFont = f;
  SetFontSlot(c.run, 0, f);
  const std::string cmd = UpperAscii(c.line.substr(1, 2));
  if (cmd != "SF") return;
  const std::string fontName = FontNumberToSpec(f);
  // Fonts.ini generated the italic and bold variants of this font.
  if (!fontName.empty() && f >= 1 && f <= kFontCount && c.run.AutoVariants &&
      (*c.run.AutoVariants)[f - 1]) {
    SetFontSlot(c.run, 2, FontCharToNumber(fontName[0], '\''));
    SetFontSlot(c.run, 1, FontCharToNumber(fontName[0], '"'));
    SetFontSlot(c.run, 3, FontCharToNumber(fontName[0], '&'));
  }
  if (c.run.Settings.LineHeightRefersToNormalFont) {
    for (int slot = 0; slot < 3; ++slot) {
      const int v = NormaliseLineHeight(c.run, c.d.TypedHeights[slot]);
      LineHeight(c.run, slot) = static_cast<uint8_t>(v);
      c.d.PendingHeights[slot] = v;
    }
  }
}

// ".LI" with a corner and a partition character draws boxes from those characters; ".LI"
// alone ends it.
void CmdLI(Cmd& c) {
  c.run.Dotline.Start(c.line);
  c.run.Dotline.Position = 3;
  SwitchFrameMode(c.run.Dotline, c.run.Writer.Frame);
}

void CmdEPSwitch(Cmd& c) {
  c.d.ParagraphNumbering = ReadSwitchArgument(c.line);
  c.run.Writer.ParagraphCounting = c.d.ParagraphNumbering ? 1 : 0;
}

void CmdWI(Cmd& c) { c.run.Reader.InputMode = 2; }
void CmdIB(Cmd& c) { c.run.Reader.InputMode = 1; }
void CmdSC(Cmd& c) { ReadCharArgument(c.line, c.run.Reader.ColumnChar); }
void CmdPC(Cmd& c) { ReadCharArgument(c.line, c.run.Reader.ControlPrefix); }

void CmdBM(Cmd& c) {
  FormatRun& run = c.run;
  WordList words;
  SplitLineIntoWords(ReadTextArgument(c.line), words, 0);
  uint8_t alignment = 0;
  if (AlignmentFromWord(words[0], alignment)) return;
  const std::string typed = words[1];
  if (typed.empty()) return;
  std::shared_ptr<const platform::Bitmap> picture;
  GraphicsLoadError why;
  const bool loaded = LoadGraphicsFile(picture, typed, run.Files, &why);
  if (!loaded && why.Kind != GraphicsLoadFailure::kUnreadable) {
    ReportError(run, MessageId::kGraphicsFileNotFoundNoLines, {typed});
    return;
  }
  if (!c.d.GraphicsLines) return;
  const double width_inches = RightMarginColumns(run) * 0.1 * c.d.BitmapWidth / 100.0;
  if (!loaded || picture->width <= 0 || width_inches <= 0) {
    ReportError(run, MessageId::kGraphicsFileNotInterpreted, {typed});
    return;
  }
  const double height_inches = picture->height * width_inches / picture->width;
  StreamPages& page = run.Pages.Streams[kTextStream];
  const int slot1 = page.LineHeights[1] > 0 ? page.LineHeights[1] : 8;
  const double lines = height_inches * 48.0 / slot1;
  if (!(lines < 1000)) {  // a picture taller than a long page is no picture for a page
    ReportError(run, MessageId::kGraphicsFileNotInterpreted, {typed});
    return;
  }
  const int k = static_cast<int>(std::nearbyint(lines)) + 1;
  // The page engine puts the picture's top 1.3 lines of slot 0 above the position of this
  // line, and the picture reaches down from there. The room goes around the line accordingly:
  // enough of it above for those 1.3 lines, the rest below for the picture, so that the
  // picture covers neither the text before it nor the text after it.
  const int slot0 = page.LineHeights[0] > 0 ? page.LineHeights[0] : 8;
  const double lift = 1.3 * slot0 / slot1;
  const int above = static_cast<int>(std::ceil(lift));
  const int below = std::max({0, k - above, static_cast<int>(std::ceil(lines - lift))});
  const int room = above + below;
  if (page.PagePosition + (room - 1) * page.LineHeights[0] > run.Pages.PageLimit)
    StartNewPage(run.Pages, kTextStream, run.Messages);
  auto write_line = [&run](const std::string& text) {
    for (char ch : text) EmitChar(run, static_cast<uint8_t>(ch));
    EmitChar(run, kCarriageReturn);
    EmitChar(run, kLineFeed);
  };
  write_line(".CP" + std::to_string(room + 1));
  for (int i = 0; i <= room && !run.Run.Stop; ++i) {
    if (i == above) write_line(c.line);
    if (i == room) break;
    write_line("");
    AdvanceLineBy(run, 0);
  }
  c.d.CopyLine = false;  // written above, inside its room
}

const DotCommandRow kDotCommands[] = {
    {{"AW"}, CmdAW},
    {{"BA", "BD"}, CmdBA},
    {{"BE"}, CmdBE},
    {{"BM"}, CmdBM},
    {{"BS", "RF", "RM"}, CmdRightMargin},
    {{"BV", "MN"}, CmdMarginNotes},
    {{"BW"}, CmdBW},
    {{"CP"}, CmdCP},
    {{"CN", "LG", "P#"}, CmdHeadingNumbers},
    {{"DE", "TS"}, CmdTabStep},
    {{"EP"}, CmdEPSwitch},
    {{"FI"}, CmdFI},
    {{"PE"}, CmdPE},
    {{"FU"}, CmdFU},
    {{"FF"}, CmdFF},
    {{"FG"}, CmdFG},
    {{"FN"}, CmdFN},
    {{"GF", "HF"}, CmdGF},
    {{"GR", "BT"}, CmdGraphicsChar},
    {{"GS"}, CmdGS},
    {{"GU"}, CmdGU},
    {{"HN"}, CmdHN},
    {{"HT"}, CmdHT},
    {{"HY"}, CmdHY},
    {{"IC", "IZ", "ST"}, CmdIC},
    {{"IN", "IX", "SW"}, CmdIN},
    {{"IT", "IV", "SV"}, CmdIT},
    {{"LI"}, CmdLI},
    {{"LH"}, CmdLH},
    {{"HH"}, CmdHH},
    {{"EH"}, CmdEH},
    {{"SH"}, CmdSH},
    {{"LM"}, CmdLM},
    {{"PM"}, CmdPM},
    {{"MB"}, CmdMB},
    {{"MT"}, CmdMT},
    {{"PL"}, CmdPL},
    {{"MD"}, CmdMD},
    {{"PA"}, CmdPA},
    {{"PN"}, CmdPN},
    {{"S:", "R:"}, CmdSaveRestoreFonts},
    {{"AF", "SA"}, CmdAF},
    {{"SB"}, CmdSB},
    {{"SY"}, CmdSY},
    {{"SX"}, CmdSX},
    {{"SF", "SN"}, CmdSF},
    {{"WI"}, CmdWI},
    {{"IB"}, CmdIB},
    {{"SC"}, CmdSC},
    {{"PC"}, CmdPC},
};

const DotCommandRow* FindCommand(const std::string& word) {
  for (const DotCommandRow& row : kDotCommands)
    for (const char* w : row.words)
      if (w && word == w) return &row;
  return nullptr;
}

// Heading numbers in a level's style.
std::string LetterNumber(int n, char first) {
  if (n < 1 || n > 26) return " ";
  return std::string(1, static_cast<char>(first + n - 1));
}

std::string NumberInStyle(const FormatRun& run, int level) {
  const DotState& d = run.Dot;
  const auto& numbering = run.Headings.LevelNumbering[level];
  const int n = d.HeadingNumbers[level];
  std::string out;
  switch (numbering.NumberingStyle) {
    case 0:
      for (int l = 1; l <= level; ++l) {
        if (l > 1) out += '.';
        out += std::to_string(d.HeadingNumbers[l]);
      }
      break;
    case 1:
      out = std::to_string(n);
      break;
    case 2:
      out = FeedRomanNumber(n);
      break;
    case 3:
      out = LetterNumber(n, 'A');
      break;
    case 4:
      out = LetterNumber(n, 'a');
      break;
    case 5:
      out = LetterNumber(level > 1 ? d.HeadingNumbers[level - 1] : 0, 'a') + LetterNumber(n, 'a');
      break;
    case 6: {
      static const char kGreek[6] = {'\xE0', '\xE1', 'y', '\xEB', '\xEE', 'z'};
      out = (n >= 1 && n <= 6) ? std::string(1, kGreek[n - 1]) : std::string(" ");
      break;
    }
    default:
      out = std::to_string(n);
      break;
  }
  const bool paren = numbering.NumberSeparatorFlag == 1;
  if (numbering.NumberingStyle == 0) {
    if (!paren) out += '.';
  } else {
    out += paren ? ')' : '.';
  }
  return out;
}

void FeedTemplateText(FormatRun& run, const std::string& text) {
  for (char ch : text) {
    if (run.Run.Stop) return;
    if (ch == '\n') continue;
    FeedCharacter(run, static_cast<uint8_t>(ch));
  }
}

}  // namespace

// ---- dot lines ----

void AppendDotChar(FormatRun& run, uint8_t c) {
  ReaderState& r = run.Reader;
  if (r.DotLine.size() < static_cast<size_t>(kDotLineRoom)) {
    r.DotLine.push_back(static_cast<char>(c));
  } else if (r.DotLine.size() == static_cast<size_t>(kDotLineRoom)) {
    r.DotLine.push_back('\0');  // marks the line as reported; removed before handling
    ReportError(run, MessageId::kDotLineTooLong);
  }
}

void HandleDotLine(FormatRun& run) {
  ReaderState& r = run.Reader;
  DotState& d = run.Dot;
  r.CollectingDot = false;
  r.LineStartFlag = true;  // a macro body fed from here starts at a line start
  std::string line = r.DotLine;
  r.DotLine.clear();
  if (line.size() > static_cast<size_t>(kDotLineRoom)) line.resize(kDotLineRoom);

  d.NewPageRequest = false;
  const bool cond_at_start = d.ConditionalOutput;
  StreamPages& page = run.Pages.Streams[run.CurrentStream];
  const int back = page.LineHeights[0];
  if (cond_at_start) page.PagePosition -= back;  // a dot line takes no room
  d.PendingHeights = {0, 0, 0};
  d.PendingRightMargin = 0;

  auto at = [&line](size_t i) -> char { return i <= line.size() && i >= 1 ? line[i - 1] : '\r'; };
  char sign = at(4);
  if (sign == ' ') sign = at(5);
  d.SignMode = sign == '+' ? 0 : (sign == '-' ? 1 : 2);
  d.FirstUpper = static_cast<uint8_t>(at(2)) <= 'Z';

  const bool heading = IsDigitChar(at(2)) || ((at(2) == '+' || at(2) == '-') && IsDigitChar(at(3)));
  if (heading) {
    if (cond_at_start) {
      page.PagePosition += back;
      FormatHeading(run, line, false);
      if (!d.MacroExpanding && !d.TemplateOutput) {
        const uint8_t next = NextSourceChar(run);
        if (next != kLineFeed && !r.EofRead) PushBack(run, next);
        StartLine(run);
      }
    }
    return;
  }

  // While output is off only ".IF", ".EL" and ".EN" count: no macro is defined or called.
  if (d.ConditionalOutput && ExpandDotMacro(run, line)) {
    d.CopyLine = false;
  } else {
    InterpretDotCommand(run, line);
  }

  if (!run.Run.IndexScan) {
    if (d.CopyLine) {
      for (char ch : line) EmitChar(run, static_cast<uint8_t>(ch));
      EmitChar(run, kCarriageReturn);
      EmitChar(run, kLineFeed);
    }
    const auto& ph = d.PendingHeights;
    auto write_line = [&run](const std::string& text) {
      for (char ch : text) EmitChar(run, static_cast<uint8_t>(ch));
      EmitChar(run, kCarriageReturn);
      EmitChar(run, kLineFeed);
    };
    if (ph[0] > 0 && ph[0] == ph[1] && ph[1] == ph[2]) {
      write_line(".LH" + std::to_string(ph[0]));
    } else {
      if (ph[0] > 0) write_line(".HH" + std::to_string(ph[0]));
      if (ph[1] > 0) write_line(".EH" + std::to_string(ph[1]));
      if (ph[2] > 0) write_line(".SH" + std::to_string(ph[2]));
    }
    if (d.PendingRightMargin > 0) {
      const std::string word = UpperAscii(line.substr(1, std::min<size_t>(2, line.size() - 1)));
      write_line(std::string(d.FirstUpper || word == "BV" ? ".RM" : ".RF") +
                 std::to_string(d.PendingRightMargin));
    }
  }

  StreamPages& page_now = run.Pages.Streams[run.CurrentStream];
  if (cond_at_start) {
    if (d.NewPageRequest)
      StartNewPage(run.Pages, run.CurrentStream, run.Messages);
    else
      page_now.PagePosition += back;
  }

  if (d.ConditionalOutput && !d.MacroExpanding && !d.TemplateOutput && !run.Run.Stop) {
    const uint8_t next = NextSourceChar(run);
    if (next != kLineFeed && !r.EofRead) PushBack(run, next);
    LineStream& s = run.Cur();
    ResetLineCounters(run);
    s.Line.Position = 0;
    if (run.CurrentStream == kTextStream) {
      StartLine(run);
      if (!d.TemplateOutput) WriteLineIndent(run, 0);
    }
  }
  r.LineStartFlag = true;
}

void InterpretDotCommand(FormatRun& run, const std::string& line) {
  DotState& d = run.Dot;
  d.CopyLine = d.ConditionalOutput;
  const std::string word = line.size() >= 3
                               ? UpperAscii(line.substr(1, 2))
                               : UpperAscii(line.substr(std::min<size_t>(1, line.size())));
  if (word == "IF") {
    d.ConditionalOutput = EvaluateCondition(run, ReadTextArgument(line));
    d.CopyLine = false;
    return;
  }
  if (word == "EL") {
    d.ConditionalOutput = !d.ConditionalOutput;
    d.CopyLine = false;
    return;
  }
  if (word == "EN") {
    d.ConditionalOutput = true;
    d.CopyLine = false;
    return;
  }
  if (!d.ConditionalOutput) {
    // ".HY" with an argument it does not know ends the suppression that ".HT" began.
    if (word == "HY") {
      const std::string arg = UpperAscii(ReadTextArgument(line));
      static const char* kKnown[] = {"OFF", "NO", "ON", "GERMAN", "MANUAL", "HAND", "TEX"};
      const bool known = std::any_of(std::begin(kKnown), std::end(kKnown),
                                     [&arg](const char* k) { return arg == k; }) ||
                         arg.find(".TEX") != std::string::npos;
      if (!known) d.ConditionalOutput = d.SavedCondition;
    }
    return;
  }
  const DotCommandRow* row = FindCommand(word);
  if (!row) return;  // a pass-through command for the page engine
  run.Dotline.Start(line);
  Cmd c{run, line, d};
  row->handler(c);
}

// ---- conditions ----

std::vector<std::string> SplitConditionWords(const std::string& text) {
  WordList words;
  SplitLineIntoWords(text, words, 0);
  std::vector<std::string> out;
  for (const std::string& w : words) {
    if (w.empty()) continue;
    out.push_back(UpperAscii(w.substr(0, kConditionWordLength)));
    if (out.size() >= static_cast<size_t>(kMaxConditionWords)) break;
  }
  return out;
}

bool IsConditionWord(const FormatRun& run, const std::string& word) {
  const std::string w = UpperAscii(word);
  return std::find(run.Run.ConditionWords.begin(), run.Run.ConditionWords.end(), w) !=
         run.Run.ConditionWords.end();
}

bool EvaluateCondition(FormatRun& run, const std::string& text) {
  WordList words;
  SplitLineIntoWords(text, words, 0);
  std::vector<std::string> w;
  for (const std::string& x : words)
    if (!x.empty()) w.push_back(x);
  auto syntax_error = [&]() {
    ReportInfo(run, MessageId::kIfConditionSyntax, {text});
    return false;
  };
  if (w.empty()) return syntax_error();
  if (w.size() == 1) return IsConditionWord(run, w[0]);
  if (w[0] == "not") return !IsConditionWord(run, w[1]);
  if (w.size() >= 3) {
    const std::string& op = w[1];
    if (op == "and" || op == "und" || op == "undzugleich" || op == "&" || op == "&&")
      return IsConditionWord(run, w[0]) && IsConditionWord(run, w[2]);
    if (op == "or" || op == "oder" || op == "|" || op == "||")
      return IsConditionWord(run, w[0]) || IsConditionWord(run, w[2]);
  }
  return syntax_error();
}

// ---- macros ----

bool ExpandDotMacro(FormatRun& run, std::string line) {
  DotState& d = run.Dot;
  if (!line.empty() && line.back() == ' ') line.pop_back();
  const size_t def = line.find(":=");
  if (def != std::string::npos) {
    std::string name = line.substr(1, def - 1);
    std::string body = line.substr(def + 2);
    while (!name.empty() && name.back() == ' ') name.pop_back();
    while (!body.empty() && body.front() == ' ') body.erase(body.begin());
    if (name.size() > 30) {
      ReportError(run, MessageId::kMacroNameTooLong);
      name.resize(30);
    }
    if (body.size() > 199) {
      ReportError(run, MessageId::kMacroTooLong, {UpperAscii(name)});
      body.resize(199);
    }
    d.Macros.push_back(TDotMacro{UpperAscii(name), body, false});
    return false;
  }
  const std::string name = UpperAscii(line.substr(std::min<size_t>(1, line.size())));
  TDotMacro* found = nullptr;
  for (TDotMacro& m : d.Macros)
    if (m.Name == name) found = &m;
  if (!found) return false;
  if (found->Active) {
    ReportError(run, MessageId::kMacroCalledRecursively, {found->Name});
    return false;
  }
  // The list may grow while the body runs (a definition inside it): work on copies.
  const std::string body = found->Body;
  const std::string macro_name = found->Name;
  found->Active = true;
  const bool was_expanding = d.MacroExpanding;
  d.MacroExpanding = true;
  std::string text;
  for (size_t i = 0; i < body.size(); ++i) {
    const char ch = body[i];
    if (ch == ' ' && i + 1 < body.size() && body[i + 1] == '.') continue;
    if (ch == '.' && i > 0) text += '\r';
    text += ch;
  }
  text += '\r';
  for (char ch : text) {
    if (run.Run.Stop) break;
    FeedCharacter(run, static_cast<uint8_t>(ch));
  }
  for (TDotMacro& m : d.Macros)
    if (m.Name == macro_name) m.Active = false;
  d.MacroExpanding = was_expanding;
  return true;
}

// ---- includes ----

namespace {

// Where a name of the document is found: as the reader gave it, then in the Windows character
// set of file names (the document's own is code page 850 or 437), then as its bytes were
// written (Windows or UTF-8, which the file layer reads itself, or code page 850).
bool LocateIncludeFile(FormatRun& run, const std::string& name, const std::string& as_written,
                       std::string& located) {
  const platform::CodePage document =
      run.Settings.CodePage == 1 ? platform::CodePage::cp850 : platform::CodePage::cp437;
  std::vector<std::string> candidates = {
      name, platform::convert_text(name, document, platform::CodePage::cp1252)};
  if (!as_written.empty()) {
    candidates.push_back(as_written);
    if (!platform::is_valid_utf8(as_written))
      candidates.push_back(
          platform::convert_text(as_written, document, platform::CodePage::cp1252));
  }
  for (std::size_t i = 0; i < candidates.size(); ++i) {
    if (std::find(candidates.begin(), candidates.begin() + static_cast<std::ptrdiff_t>(i),
                  candidates[i]) != candidates.begin() + static_cast<std::ptrdiff_t>(i))
      continue;
    located = candidates[i];
    if (!FileExistsByOpen(located) && !LocateFile(located, run.Files)) continue;
    if (FileExistsByOpen(located)) return true;
  }
  return false;
}

}  // namespace

void IncludeFile(FormatRun& run, const std::string& typed, const std::string& as_written,
                 bool report_missing) {
  if (run.Run.IndexScan) return;
  std::string name = typed;
  while (!name.empty() && name.back() == ' ') name.pop_back();
  if (name.size() > 2 && name[0] == '*' && name[1] == '.')
    name = ChangeFileExtension(run.Run.InputName, name.substr(2));
  if (name.empty()) return;
  std::string located;
  if (!LocateIncludeFile(run, name, as_written, located)) {
    if (report_missing) ReportError(run, MessageId::kFileNotFound, {name});
    return;
  }
  if (run.Reader.IncludeDepth >= kMaxIncludeDepth) {
    ReportError(run, MessageId::kTooManyNestedIncludeFiles, {name});
    return;
  }
  std::error_code ec;
  if (!std::filesystem::is_regular_file(platform::resolve_path(located), ec)) return;  // no devices
  const std::string upper = UpperAscii(name);
  if (upper.find(".FUN") != std::string::npos) FinishNotesStream(run);

  InputSource source;
  platform::FileError open_error = platform::FileError::none;
  if (!source.OpenFile(located, open_error)) {
    ReportError(run, MessageId::kErrorOpeningIncludeFile, {located});
    return;
  }

  // Keep the reader of the including file and restore it afterwards.
  ReaderState saved = std::move(run.Reader);
  const bool saved_heading_pending = run.Dot.HeadingPending;
  run.Reader = ReaderState{};
  run.Reader.InputTable = saved.InputTable;
  run.Reader.ColumnChar = saved.ColumnChar;
  run.Reader.ControlPrefix = saved.ControlPrefix;
  run.Reader.MarginNotesOn = saved.MarginNotesOn;
  run.Reader.MarginOpen = saved.MarginOpen;
  run.Reader.MarginClose = saved.MarginClose;
  run.Reader.MarginWidth = saved.MarginWidth;
  run.Reader.IncludeDepth = saved.IncludeDepth + 1;
  run.Reader.Input = std::move(source);
  StartInput(run);

  if (upper.find(".WS") != std::string::npos || upper.find(".TXT") != std::string::npos ||
      upper.find(".SKT") != std::string::npos) {
    run.Reader.InputMode = upper.find(".WS") != std::string::npos ? 0 : 2;
    FormatLineLoop(run, false);
  } else {
    run.Reader.InputMode = 0;
    ReaderState& r = run.Reader;
    while (!run.Run.Stop) {
      // Only a Ctrl-Z at the very end closes a file of another kind: one inside it is
      // dropped and what follows it is kept.
      while (AtInputEnd(run) && r.InputPos < r.Input.size()) ++r.InputPos;
      if (AtInputEnd(run)) break;
      const uint8_t c = ReadInputChar(run);
      if (run.Reader.EofRead) break;
      if (c != kEndOfFileMark) EmitChar(run, c);
    }
  }

  // A read that failed part-way lost the rest of the file: say so rather than go on quietly.
  if (run.Reader.Input.Failed()) ReportError(run, MessageId::kErrorOpeningIncludeFile, {located});
  const int depth_margin_width = run.Reader.MarginWidth;
  const bool margin_on = run.Reader.MarginNotesOn;
  run.Reader = std::move(saved);
  run.Reader.MarginWidth = depth_margin_width;
  run.Reader.MarginNotesOn = margin_on;
  run.Dot.HeadingPending = saved_heading_pending;
}

// ---- headings ----

std::string FeedRomanNumber(int n) {
  std::string out;
  if (n < 0) n = 0;
  out.append(static_cast<size_t>(n / 10), 'X');
  const int u = n % 10;
  if (u >= 1 && u <= 3)
    out.append(static_cast<size_t>(u), 'I');
  else if (u == 4)
    out += "IV";
  else if (u >= 5 && u <= 8)
    out += "V" + std::string(static_cast<size_t>(u - 5), 'I');
  else if (u == 9)
    out += "IX";
  return out;
}

void FeedHeadingTemplatePart(FormatRun& run, int part) {
  FeedTemplateText(run, TemplatePartText(run.Headings, run.Dot.HeadingLevel, part));
}

void FormatHeading(FormatRun& run, const std::string& line, bool from_style) {
  DotState& d = run.Dot;
  int level = d.HeadingLevel;
  if (from_style) {
    level = run.Reader.StyleLevel;
  } else {
    const char c2 = line.size() > 1 ? line[1] : '0';
    if (c2 == '+' || c2 == '-') {
      const int delta = line.size() > 2 ? line[2] - '0' : 0;
      level = c2 == '+' ? level + delta : level - delta;
    } else if (c2 != '0') {
      level = c2 - '0';
    }
  }
  level = std::clamp(level, 1, 9);
  d.HeadingLevel = level;
  if (!d.NumbersJustSet) {
    ++d.HeadingNumbers[level];
    for (int l = level + 1; l <= 9; ++l) d.HeadingNumbers[l] = 0;
  }
  d.NumbersJustSet = false;

  if (run.Headings.HeadingsTemplateReload) {
    if (!LoadHeadingsTemplate(run.Headings, run.Settings.Language, run.Files, run.Messages)) {
      if (run.Messages.AbortRequested.load()) run.Run.Stop = true;
    }
    run.Headings.HeadingsTemplateReload = 0;
  }
  if (run.Run.Stop) return;

  const bool was_in_heading = d.HeadingInProgress;
  d.HeadingInProgress = true;
  d.TemplateOutput = true;
  FeedTemplateText(run, TemplatePartText(run.Headings, level, 0));
  FeedTemplateText(run, NumberInStyle(run, level));
  FeedTemplateText(run, TemplatePartText(run.Headings, level, 1));
  d.TemplateOutput = false;
  d.HeadingInProgress = was_in_heading;
  d.HeadingPending = true;
}

// ---- fonts ----

void LoadFontWidthsFor(FormatRun& run, uint8_t font) {
  DotState& d = run.Dot;
  if (!run.Printer || font < 1 || font > kFontCount) {
    d.Widths.fill(0);
    d.ColumnWidth = 0;
    return;
  }
  LoadFontWidths(d.ColumnWidth, d.IndentScale, font, d.Widths, *run.Printer,
                 run.Settings.NormalFont);
}

void SetFontSlot(FormatRun& run, int slot, uint8_t font) {
  DotState& d = run.Dot;
  if (slot < 0 || slot > 3) return;
  d.FontSlots[slot] = font;
  if (font >= 1 && font <= kMaxFontNumber) d.font_used[font] = true;
  if (slot == d.CurrentSlot) {
    if (!FontUsable(run, font)) {
      const std::string fontName = FontNumberToSpec(font);
      ReportInfo(run, MessageId::kFontNotDefined, {fontName});
    }
    LoadFontWidthsFor(run, font);
  }
}

void SelectFontSlot(FormatRun& run) {
  DotState& d = run.Dot;
  const uint8_t font = d.FontSlots[d.CurrentSlot];
  if (!FontUsable(run, font)) {
    static const char* kNames[4] = {"Normal", "Bold", "Italic", "BoldItalic"};
    const std::string fontName = FontNumberToSpec(font);
    const std::string name = kNames[d.CurrentSlot & 3];
    ReportInfo(run, MessageId::kNamedFontNotDefined, {name, fontName});
  }
  if (run.CurrentStream == kTextStream) LoadFontWidthsFor(run, font);
}

void ToggleSlotStyle(FormatRun& run, uint8_t control) {
  DotState& d = run.Dot;
  d.CurrentSlot = ToggleFontStyle(control, static_cast<uint8_t>(d.CurrentSlot));
  SelectFontSlot(run);
}

void ApplyFontControl(FormatRun& run) {
  DotState& d = run.Dot;
  uint8_t& c = run.Reader.Current;
  switch (c) {
    case kBoldToggle:
    case kItalicToggle:
      ToggleSlotStyle(run, c);
      break;
    case kAlternateFont:
      if (d.CurrentSlot == 0 && !d.AlternateActive) {
        d.AlternateActive = true;
        d.AlternateSaved = d.FontSlots[0];
        d.FontSlots[0] = d.AlternateFont;
        if (d.AlternateFont >= 1 && d.AlternateFont <= kMaxFontNumber)
          d.font_used[d.AlternateFont] = true;
        SelectFontSlot(run);
      }
      break;
    case kCarriageReturn:
      if (d.AlternateActive && d.CurrentSlot == 0) {
        d.AlternateActive = false;
        d.FontSlots[0] = d.AlternateSaved;
        SelectFontSlot(run);
      }
      break;
    case 0xC4:
    case 0xCD: {
      const uint8_t font = d.FontSlots[d.CurrentSlot];
      bool bold_big = false;
      if (run.Printer && font >= 1 && font <= kFontCount) {
        const TFontEntry& e = run.Printer->Fonts[font - 1];
        bold_big = UpperAscii(e.FaceName.Str()).find("BOLD") != std::string::npos && e.Size > 10;
      }
      if (bold_big)
        c = 0xCD;
      else if (run.Run.ContentsMode)
        c = 0xC4;
      break;
    }
    default:
      break;
  }
}

// ---- index marks in running text ----

void ClearIndexRecording(FormatRun& run) {
  run.Dot.IndexRecording = {false, false, false, false};
  run.Dot.IndexPhrase = false;
}

namespace {

void EndIndexMark(FormatRun& run, bool turned) {
  DotState& d = run.Dot;
  IndexVolumes& iv = run.IndexVolumes;
  const WriterStream& ws = run.Writer.Streams[run.CurrentStream];
  for (int v = 0; v < iv.Count && v < kMaxIndexVolumes; ++v) {
    if (!d.IndexRecording[v]) continue;
    const bool capital = d.IndexCapital[v] || ws.Bold || ws.Underline;
    std::string mark = "*";
    mark += turned ? (capital ? 'T' : 't') : (capital ? 'N' : 'n');
    mark += std::to_string(run.Pages.Streams[kTextStream].PageCount);
    mark += "\r\n";
    if (iv.Files[v].IsOpen()) iv.Files[v].Write(mark);
    d.IndexCapital[v] = false;
    ++d.IndexEntries[v];
    d.IndexRecording[v] = false;
  }
  d.IndexPhrase = false;
}

}  // namespace

IndexMarkResult ApplyIndexMarks(FormatRun& run) {
  IndexVolumes& iv = run.IndexVolumes;
  if (!iv.Open || iv.Count == 0) return IndexMarkResult::kNormal;
  const IndexMarkResult marker =
      run.Run.IndexScan ? IndexMarkResult::kDrop : IndexMarkResult::kNoWidth;
  DotState& d = run.Dot;
  const uint8_t c = run.Reader.Current;
  const bool recording =
      std::any_of(d.IndexRecording.begin(), d.IndexRecording.end(), [](bool b) { return b; });
  const int chars_now = run.Cur().Line.Characters;
  if (recording && (c == ';' || c == ':')) {
    if (c == ':' && chars_now == d.IndexMarkStart && !d.IndexPhrase) {
      d.IndexPhrase = true;
      return marker;
    }
    if (d.IndexPhrase) {
      EndIndexMark(run, c == ';');
      return marker;
    }
  }
  const size_t pos = c ? iv.Chars.find(static_cast<char>(c)) : std::string::npos;
  if (pos != std::string::npos && pos < static_cast<size_t>(iv.Count) && pos < 4) {
    if (d.IndexRecording[pos]) {
      d.IndexCapital[pos] = true;
    } else {
      d.IndexRecording[pos] = true;
    }
    d.IndexMarkStart = chars_now;
    return marker;
  }
  if (recording) {
    if (!d.IndexPhrase && run.Writer.Classes.BreakTable[c]) {
      EndIndexMark(run, false);
    } else if (c > 31 || c == kNoBreakBlank) {
      for (int v = 0; v < iv.Count && v < kMaxIndexVolumes; ++v) {
        if (!d.IndexRecording[v] || !iv.Files[v].IsOpen()) continue;
        const uint8_t o = run.Writer.Classes.OutputTable[c];
        if (c >= 128) {
          iv.Files[v].Put(kEscape);
          iv.Files[v].Put(o);
          iv.Files[v].Put(kEscapeEnd);
        } else {
          iv.Files[v].Put(o);
        }
      }
    }
  }
  return IndexMarkResult::kNormal;
}

// ---- argument readers ----

bool ReadSwitchArgument(const std::string& line) {
  const std::string a = UpperAscii(ReadTextArgument(line));
  return a == "ON" || a == "AN" || a == "EIN" || a == "1";
}

std::string ReadTextArgument(const std::string& line) {
  if (line.size() <= 3) return std::string();
  std::string rest = line.substr(3);
  const size_t first = rest.find_first_not_of(' ');
  return first == std::string::npos ? std::string() : rest.substr(first);
}

void ReadCharArgument(const std::string& line, uint8_t& c) {
  const std::string a = ReadTextArgument(line);
  if (a.empty()) return;
  uint8_t result = static_cast<uint8_t>(a[0]);
  if (std::all_of(a.begin(), a.end(), [](char ch) { return ch >= '0' && ch <= '9'; }) &&
      a.size() <= 3) {
    const int v = std::stoi(a);
    if (v < 256) result = static_cast<uint8_t>(v);
  }
  if (result != 0) c = result;
}

}  // namespace tavrel

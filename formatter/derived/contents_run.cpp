#include "formatter/derived/contents_run.h"

#include <array>

#include "formatter/common/bilingual_texts.h"
#include "formatter/common/file_services.h"
#include "formatter/common/font_numbers.h"
#include "formatter/common/messages.h"
#include "formatter/common/notifications.h"
#include "formatter/common/run_messages.h"
#include "formatter/common/settings_record.h"
#include "platform/files.h"

namespace tavrel {
namespace {

constexpr std::uint8_t kHardSpace = 0xA0;
constexpr std::uint8_t kColumnMarkEnd = 0x1C;
constexpr std::uint8_t kSoftEnd = 0x8D;

// Control bytes that do not reach the contents.
constexpr std::array<bool, 256> MakeDropTable() {
  std::array<bool, 256> t{};
  for (int b : {1, 2, 3, 4, 5, 6, 7, 8, 9, 11, 12, 14, 16, 17, 18, 19, 20, 22, 23, 24, 25, 26, 30})
    t[static_cast<std::size_t>(b)] = true;
  return t;
}
constexpr std::array<bool, 256> kDropTable = MakeDropTable();

bool Dropped(char c) { return kDropTable[static_cast<std::uint8_t>(c)]; }

bool MeansOn(const std::string& a) { return a == "AN" || a == "EIN" || a == "ON" || a == "1"; }
bool MeansOff(const std::string& a) { return a == "AUS" || a == "OFF" || a == "0"; }

struct ContentsRunContext {
  const TSettingsRecord& Settings;
  DerivedContext& Context;
  RunMessages& Messages;
  ContentsState& S;
  bool German() const { return Settings.Language == kLanguageGerman; }
};

void Line(std::string& out, std::string_view text) {
  out.append(text);
  out += "\r\n";
}

void NewPage(ContentsRunContext& c, std::int32_t usedAfter) {
  DerivedPageState& p = c.S.Page;
  ++p.PageNumber;
  ++p.PageCounter;
  p.UsedHeight = usedAfter;
  if (c.Messages.Notifier()) c.Messages.Notifier()->Post(MN_HEADINGS_SCAN_PAGE, p.PageNumber);
}

void Advance(ContentsRunContext& c, int slot) {
  DerivedPageState& p = c.S.Page;
  if (p.UsedHeight >= p.TextHeight)
    NewPage(c, p.LineHeights[0]);
  else
    p.UsedHeight += p.LineHeights[static_cast<std::size_t>(slot)];
}

void WriteHeader(ContentsRunContext& c) {
  std::string& out = c.S.Output;
  // a font line left empty by CI before any font command is not written
  if (!c.S.NormalFontLine.empty()) Line(out, c.S.NormalFontLine);
  if (c.Settings.ContentsBoldHeadings && !c.S.BoldFontLine.empty()) Line(out, c.S.BoldFontLine);
  Line(out, c.German() ? ".EP AUS" : ".EP OFF");
  Line(out, ".RF" + std::to_string(c.S.ContentsRightMargin - 3));
  Line(out, c.German() ? ".FL" : ".BL OFF");
  Line(out, "");
  Line(out, "");
}

void WriteTrailer(ContentsRunContext& c) {
  std::string& out = c.S.Output;
  Line(out, ".RM" + std::to_string(c.S.ContentsRightMargin));
  Line(out, ".BL");
  Line(out, c.German() ? ".EP EIN" : ".EP ON");
}

void WriteContentsEntry(ContentsRunContext& c, const std::string& line, bool fromCt) {
  ContentsState& s = c.S;
  if (s.FirstEntry) WriteHeader(c);
  s.FirstEntry = false;
  const NumberingStyle style = AnalyseHeadingLine(line).Style;
  if (!fromCt && !s.HaveReferenceStyle) {
    s.ReferenceStyle = style;
    s.HaveReferenceStyle = true;
  }
  std::string& out = s.Output;
  if (s.HaveReferenceStyle && style == s.ReferenceStyle) Line(out, "");

  OutlineEntry entry;
  bool inNumber = true, afterHardSpace = false;
  std::int32_t column = 0;
  for (std::size_t i = 0; i < line.size(); ++i) {
    auto b = static_cast<std::uint8_t>(line[i]);
    if (b == kHardSpace) {
      afterHardSpace = true;
      continue;
    }
    if (inNumber && afterHardSpace) {
      inNumber = false;
      for (std::int32_t k = column; k <= s.TitleColumn; ++k) {
        out += static_cast<char>(kHardSpace);
        ++column;
      }
    }
    if (kDropTable[b] && !(i + 1 < line.size() && line[i + 1] == static_cast<char>(kColumnMarkEnd)))
      continue;
    if (b == '_') b = ' ';
    if (b == 205) b = 196;
    out += static_cast<char>(b);
    ++column;
    const bool blankAfterSoftHyphen = b == ' ' && i > 0 && line[i - 1] == '\x1F';
    if (b >= 0x20 && b != kSoftEnd && !blankAfterSoftHyphen) {
      std::string& text = inNumber ? entry.Number : entry.Title;
      text += b == 196 ? '-' : static_cast<char>(b);
    }
    if (b == kColumnMarkEnd) column -= 2;
    if (b == '\n') column = 0;
  }
  // Without a hard space the whole line is the title: it has no number of its own.
  if (entry.Title.empty()) entry.Title = std::move(entry.Number), entry.Number.clear();
  // A heading that stands on a full page falls on the next one.
  entry.Page = s.Page.PageNumber + (s.Page.UsedHeight >= s.Page.TextHeight ? 1 : 0);
  if (!c.Settings.ContentsPageNumbers) {
    out += '\0';
    out += std::to_string(entry.Page);
  }
  out += "\r\n";
  s.Outline.push_back(std::move(entry));
}

// Dot lines while the pages are counted; false when the job must end.
bool ContentsDotLine(ContentsRunContext& c, const std::string& line) {
  ContentsState& s = c.S;
  DerivedPageState& p = s.Page;
  const std::string command = DotCommandOf(line);
  auto number = [&](std::int32_t& n) { return ParseDotNumber(line, p.PageNumber, n, c.Messages); };
  std::int32_t n = 0;
  const bool letterAfter = line.size() > 3 && line[3] >= 'A' && line[3] <= 'Z';
  if (command == "LH" || command == "HH" || command == "EH") {
    if (!number(n)) return false;
    if (command == "LH") p.LineHeights = {n, n, n};
    if (command == "HH") p.LineHeights[0] = n;
    if (command == "EH") p.LineHeights[1] = n;
  } else if (command == "SH") {
    if (letterAfter) {
      s.LastFontLine = line;  // SH with a font letter is a font command
      return true;
    }
    if (!number(n)) return false;
    p.LineHeights[2] = n;
  } else if (command == "PA") {
    if (p.UsedHeight > 0) NewPage(c, 0);
  } else if (command == "PL" || command == "MT" || command == "MB") {
    if (!number(n)) return false;
    (command == "PL" ? p.PL : command == "MT" ? p.MT : p.MB) = n;
    p.ComputeTextHeight();
  } else if (command == "PN") {
    const std::size_t at = line.size() > 4 && line[3] == ' ' ? 4 : 3;
    if (line.size() > at && (line[at] == 'F' || line[at] == 'f')) {
      p.PageNumber = c.Context.LastContentsPageCount + 1;
    } else {
      if (!number(n)) return false;
      p.PageNumber = n;
    }
  } else if (command == "CP") {
    if (!number(n)) return false;
    if (p.UsedHeight + (n - 1) * p.LineHeights[0] >= p.TextHeight) NewPage(c, 0);
  } else if (command == "CI") {
    if (!number(n)) return false;
    s.TitleColumn = n;
    s.ContentsRightMargin = s.CurrentRightMargin;
    s.NormalFontLine = s.LastFontLine;
    s.BoldFontLine = s.LastBoldFontLine;
  } else if (command == "SF" || command == "SN") {
    s.LastFontLine = line;
  } else if (command == "SB") {
    s.LastBoldFontLine = line;
  } else if (command == "BS" || command == "RM") {
    if (!number(n)) return false;
    s.CurrentRightMargin = n;
  }
  return true;
}

// GL, CT, OC and EP: the switches of collecting, and the entries CT names itself.
void ContentsSwitches(ContentsRunContext& c, const std::string& line) {
  ContentsState& s = c.S;
  const std::string command = DotCommandOf(line);
  std::string rest = line.substr(3);
  if (!rest.empty() && rest[0] == ' ') rest.erase(0, 1);
  const std::string argument = MakeUpperCase(rest);
  const bool on = MeansOn(argument), off = MeansOff(argument);
  const bool marker = command == "GL" || command == "CT";
  if (marker && line.size() == 3) {
    s.NextLineIsContents = true;
  } else if ((marker || command == "OC") && (on || off)) {
    s.CollectEveryLine = on;
  } else if (command == "EP") {
    s.Collecting = on;
  } else if (command == "CT" && s.Collecting) {
    WriteContentsEntry(c, rest, true);
  }
}

void CountPageLineFeeds(ContentsRunContext& c, const std::string& line) {
  for (std::size_t i = 0; i < line.size(); ++i) {
    if (line[i] != '\n' || (i > 0 && line[i - 1] == '\x1B')) continue;
    const bool soft = i > 0 && static_cast<std::uint8_t>(line[i - 1]) == kSoftEnd;
    Advance(c, soft ? 2 : 0);
  }
}

}  // namespace

HeadingAnalysis AnalyseHeadingLine(std::string_view line) {
  HeadingAnalysis a;
  std::size_t i = (line.size() >= 2 && line[0] == '.' && line[1] == ':') ? 2 : 0;
  while (i < line.size() && (line[i] == ' ' || Dropped(line[i]))) ++i;
  const std::size_t start = i;
  const std::size_t limit = std::min<std::size_t>(line.size(), 49);
  while (i < limit && line[i] != ' ' && line[i] != '.') ++i;
  const std::size_t length = i - start;
  const char term = i < line.size() ? line[i] : '\0';
  a.Style.Terminator = term == ' ' ? 1 : term == '.' ? 2 : 0;
  a.Style.BlankAfter = term == ' ' || (i + 1 < line.size() && line[i + 1] == ' ');
  const char f = start < line.size() ? line[start] : '\0';
  int kind = 0;
  if (f >= '0' && f <= '9')
    kind = 4;
  else if (f == 'I' || f == 'V' || f == 'X')
    kind = 3;
  else if (f >= 'A' && f <= 'Z')
    kind = 2;
  else if (f >= 'a' && f <= 'z')
    kind = 1;
  if (start >= 24) kind = 0;
  a.Style.Kind = kind;
  static constexpr int kLimit[] = {-1, -1, 0, 6, 1};
  a.Heading = kind != 0 && a.Style.Terminator == 2 && length >= 1 &&
              static_cast<int>(length) - 1 <= kLimit[kind];
  return a;
}

std::size_t NumberingLevel(const std::string& number) {
  // "10." stands beside "9.", not under it: the level is the count of the number's parts
  std::size_t level = 0;
  bool inPart = false;
  for (char c : number) {
    if (c == '.') {
      inPart = false;
    } else if (!inPart) {
      inPart = true;
      ++level;
    }
  }
  return level;
}

void CountOutlineChildren(std::vector<OutlineEntry>& entries) {
  std::vector<std::size_t> levels;
  levels.reserve(entries.size());
  for (const OutlineEntry& e : entries) levels.push_back(NumberingLevel(e.Number));
  for (std::size_t i = 0; i < entries.size(); ++i) {
    OutlineEntry& e = entries[i];
    e.Count = 0;
    if (e.Number.empty() || i + 1 >= entries.size()) continue;
    const std::size_t own = levels[i], child = levels[i + 1];
    if (child <= own) continue;
    for (std::size_t k = i + 1; k < entries.size() && levels[k] > own; ++k)
      if (levels[k] == child) ++e.Count;
  }
}

std::string OutlineFileText(const std::vector<OutlineEntry>& entries) {
  const ByteTable& table = PdfTextTable();
  // PostScript strings end at an unbalanced ")" and take "\" as an escape.
  auto pdfText = [&table](const std::string& cp850) {
    std::string out;
    for (char ch : cp850) {
      const char c = static_cast<char>(table[static_cast<std::uint8_t>(ch)]);
      if (c == '(' || c == ')' || c == '\\') out += '\\';
      out += c;
    }
    return out;
  };
  std::string out;
  for (const OutlineEntry& e : entries) {
    out += "[";
    if (e.Count > 0) out += "/Count " + std::to_string(e.Count) + " ";
    out += "/Page " + std::to_string(e.Page) + " /View [/XYZ null null null] /Title (";
    if (!e.Number.empty()) out += pdfText(e.Number) + " ";
    out += pdfText(e.Title) + ") /OUT pdfmark\r\n";
  }
  return out;
}

DerivedJobResult ContentsRun(const DerivedJobInput& input, RunMessages& messages) {
  DerivedJobResult result;
  const TSettingsRecord& settings = input.Settings;
  FileContext files;
  result.Input = ChooseFileExtension(input.FileName, "taf,fmt", files);
  result.Output = ChangeFileExtension(result.Input, "toc");
  const platform::ReadTextResult source = platform::read_text_file(result.Input);
  if (!messages.CheckOutputOpened(7, result.Input, !source.ok(), static_cast<int>(source.error))) {
    result.Failed = true;
    return result;
  }
  ContentsState s;
  s.Page = StartPageState(settings);
  s.NormalFontLine = ".SF" + FontNumberToSpec(settings.NormalFont);
  s.BoldFontLine = s.NormalFontLine;
  ContentsRunContext c{settings, input.Context, messages, s};

  FormattedLineReader reader(source.text);
  while (!reader.AtEnd()) {
    const std::string line = reader.Next();
    bool heading = false, fromCt = false;
    if (s.NextLineIsContents) {
      heading = fromCt = true;
      s.NextLineIsContents = false;
    } else if (!settings.ContentsCtOnly) {
      heading = AnalyseHeadingLine(line).Heading;
    }
    const bool dotLine = line.size() >= 3 && line[0] == '.';
    if (dotLine) {
      ContentsSwitches(c, line);
    } else if (s.Collecting && ((s.CollectEveryLine && !line.empty()) || heading)) {
      WriteContentsEntry(c, line, fromCt);
    }
    CountPageLineFeeds(c, line);
    if (dotLine) {
      if (!ContentsDotLine(c, line)) {
        result.Failed = true;
        break;
      }
    } else {
      Advance(c, 0);
    }
    if (messages.UserStop != 0) {
      result.Stopped = true;
      break;
    }
  }
  result.Pages = s.Page.PageNumber;
  result.Entries = static_cast<std::int32_t>(s.Outline.size());
  const bool complete = !result.Stopped && !result.Failed;
  if (complete) {
    input.Context.LastContentsPageCount = s.Page.PageNumber;
    WriteTrailer(c);
  }
  const platform::FileError written = platform::replace_file_atomic(result.Output, s.Output);
  if (!messages.CheckOutputOpened(8, result.Output, written != platform::FileError::none,
                                  static_cast<int>(written))) {
    result.Failed = true;
    return result;
  }
  if (complete && settings.PsWithContents) {
    CountOutlineChildren(s.Outline);
    result.Outline = ChangeFileExtension(result.Output, "ps_cnt");
    const platform::FileError e =
        platform::replace_file_atomic(result.Outline, OutlineFileText(s.Outline));
    if (!messages.CheckOutputOpened(8, result.Outline, e != platform::FileError::none,
                                    static_cast<int>(e))) {
      result.Failed = true;
      result.Outline.clear();
    }
  }
  return result;
}

}  // namespace tavrel

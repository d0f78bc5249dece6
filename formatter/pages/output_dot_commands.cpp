#include "formatter/pages/output_dot_commands.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <string>

#include "formatter/common/bilingual_texts.h"
#include "formatter/common/font_numbers.h"
#include "formatter/common/formatted_file.h"
#include "formatter/common/messages.h"
#include "formatter/common/text_services.h"
#include "formatter/pages/line_drawing.h"
#include "formatter/pages/output_pictures.h"
#include "formatter/pages/page_engine.h"
#include "formatter/pages/preview_window.h"

namespace tavrel {

namespace {

enum class Mode { Both, PrinterOnly, PreviewOnly };

// What a command row gets: the run, the whole line, the argument (from the fourth
// character, leading blanks skipped) and, for numeric rows, the value.
struct DotLine {
  std::string_view Line;
  std::string Command;  // upper-cased
  std::string Argument;
  std::int32_t Value = 0;
};

using RowAction = void (*)(PageRun&, const DotLine&);

struct CommandRow {
  const char* Command;
  Mode Where;
  RowAction Apply;
};

char At(std::string_view s, std::size_t i) { return i < s.size() ? s[i] : '\0'; }
char UpperAt(std::string_view s, std::size_t i) {
  return static_cast<char>(std::toupper(static_cast<unsigned char>(At(s, i))));
}

std::int32_t Dots(const PageRun& run, std::int32_t columns) {
  return static_cast<std::int32_t>(std::nearbyint(columns * run.Device.ColumnUnit));
}

std::int32_t TabPercent(std::int32_t value) { return value < 10 ? value * 10 : value; }

// The widths of the current font depend on the tab width (column width of box characters).
void Remeasure(PageRun& run) { SelectFontNumber(run, run.State.CurrentFont); }

// Letter and variant: the first two characters of the argument (".SFC" and ".SF C" alike).
std::uint8_t FontFromArgument(const DotLine& d) {
  return FontCharToNumber(At(d.Argument, 0), At(d.Argument, 1));
}

void SetSlotFont(PageRun& run, std::size_t slot, std::uint8_t font) {
  TDruckVar& st = run.State;
  if (font == 0) return;  // not a font letter
  st.FontSlots[slot] = font;
  if (st.CurrentSlot == slot && st.SpecialMode == 0) SelectFont(run);
}

void RequestNewPage(PageRun& run) {
  if (run.State.PageStarted) run.State.NewPageRequested = true;
}

// ---- numeric table ----------------------------------------------------------------------

const CommandRow kNumericRows[] = {
    {"BS", Mode::Both,
     [](PageRun& r, const DotLine& d) {
       r.State.JustifyMargin = r.State.CentreMargin = Dots(r, d.Value);
     }},
    {"RM", Mode::Both,
     [](PageRun& r, const DotLine& d) {
       r.State.JustifyMargin = r.State.CentreMargin = Dots(r, d.Value);
     }},
    {"RF", Mode::Both,
     [](PageRun& r, const DotLine& d) { r.State.JustifyMargin = Dots(r, d.Value); }},
    {"LS", Mode::Both, [](PageRun& r, const DotLine& d) { r.State.LineWidthSingle = d.Value; }},
    {"LB", Mode::Both, [](PageRun& r, const DotLine& d) { r.State.LineWidthDouble = d.Value; }},
    {"LW", Mode::Both, [](PageRun& r, const DotLine& d) { r.State.LineWidthDouble = d.Value; }},
    {"BW", Mode::Both, [](PageRun& r, const DotLine& d) { r.State.PictureWidthPercent = d.Value; }},
    {"CP", Mode::Both,
     [](PageRun& r, const DotLine& d) {
       const double needed = r.State.V + (static_cast<double>(d.Value) - 1) * r.State.LineHeight[0];
       if (needed >= UsableTextHeight(r.State)) RequestNewPage(r);
     }},
    {"DE", Mode::Both,
     [](PageRun& r, const DotLine& d) {
       r.State.TabWidth = TabPercent(d.Value);
       Remeasure(r);
     }},
    {"TS", Mode::Both,
     [](PageRun& r, const DotLine& d) {
       r.State.TabWidth = TabPercent(d.Value);
       Remeasure(r);
     }},
    {"FM", Mode::Both, [](PageRun& r, const DotLine& d) { r.State.FM = d.Value; }},
    {"FH", Mode::Both, [](PageRun& r, const DotLine& d) { r.State.FooterLineHeight = d.Value; }},
    {"GS", Mode::Both, [](PageRun& r, const DotLine& d) { r.State.GraphicsDpi = d.Value; }},
    {"MH", Mode::Both, [](PageRun& r, const DotLine& d) { r.State.HeaderLineHeight = d.Value; }},
    {"HM", Mode::Both, [](PageRun& r, const DotLine& d) { r.State.HM = d.Value; }},
    {"LH", Mode::Both,
     [](PageRun& r, const DotLine& d) {
       r.State.LineHeight = {d.Value, d.Value, d.Value};
     }},
    {"HH", Mode::Both, [](PageRun& r, const DotLine& d) { r.State.LineHeight[0] = d.Value; }},
    {"EH", Mode::Both, [](PageRun& r, const DotLine& d) { r.State.LineHeight[1] = d.Value; }},
    {"SH", Mode::Both, [](PageRun& r, const DotLine& d) { r.State.LineHeight[2] = d.Value; }},
    {"MB", Mode::Both, [](PageRun& r, const DotLine& d) { r.State.MB = d.Value; }},
    {"MD", Mode::Both, [](PageRun&, const DotLine&) {}},
    {"MT", Mode::Both, [](PageRun& r, const DotLine& d) { r.State.MT = d.Value; }},
    {"PC", Mode::Both,
     [](PageRun& r, const DotLine& d) {
       r.State.PageNumberColumn = d.Value;
       RebuildDefaultFooter(r.State);
     }},
    {"PL", Mode::Both, [](PageRun& r, const DotLine& d) { r.State.PL = d.Value; }},
    {"PN", Mode::Both, [](PageRun& r, const DotLine& d) { r.State.PageNumber = d.Value; }},
    {"PO", Mode::Both,
     [](PageRun& r, const DotLine& d) {
       const char c = UpperAt(d.Line, 3);
       if (c != 'R' && c != 'O') r.State.POEven = d.Value;
       if (c != 'L' && c != 'E') r.State.POOdd = d.Value;
     }},
    {"OC", Mode::Both, [](PageRun& r, const DotLine& d) { r.State.Centring = d.Value == 1; }},
    {"UJ", Mode::Both,
     [](PageRun& r, const DotLine& d) {
       if (d.Value == 1) r.State.Justify = true;
       if (d.Value == 0) r.State.Justify = false;
     }},
    {"SR", Mode::Both, [](PageRun& r, const DotLine& d) { r.State.SuperShift = d.Value; }},
};

// ---- command table (no number) ----------------------------------------------------------

void PdfValue(PageRun& r, const DotLine& d) {
  if (d.Argument.empty()) {
    r.PdfCapture = d.Command;  // the next text line becomes the value
    return;
  }
  if (d.Command == "AU") r.Ctx->PdfAuthor = d.Argument;
  if (d.Command == "TI") r.Ctx->PdfTitle = d.Argument;
  if (d.Command == "KY") r.Ctx->PdfKeywords = d.Argument;
  if (d.Command == "SU") r.Ctx->PdfSubject = d.Argument;
}

void GraphicsChar(PageRun& r, const DotLine& d) {
  if (d.Line.size() < 4) return;
  std::string name(d.Line.size() > 5 ? d.Line.substr(5) : std::string_view{});
  name.erase(0, std::min(name.find_first_not_of(' '), name.size()));
  if (d.Command == "GR" && name.size() >= 2 &&
      std::toupper(static_cast<unsigned char>(name[0])) == 'C' && name[1] == ':')
    name.erase(0, 2);
  DefineGraphicsChar(r, static_cast<std::uint8_t>(d.Line[3]), name);
}

void BmPicture(PageRun& r, const DotLine& d) {
  WordList words;
  SplitLineIntoWords(d.Argument, words, 0);
  std::uint8_t alignment = 0;
  bool aligned = false;
  std::string file;
  for (const std::string& w : words) {
    if (w.empty()) continue;
    if (!AlignmentFromWord(w, alignment))
      aligned = true;
    else if (file.empty())
      file = w;
  }
  if (aligned && !file.empty() && r.State.PageDrawn)
    DrawBmPicture(r, file, static_cast<BmAlignment>(alignment));
}

void JustifyWord(PageRun& r, const DotLine& d) {
  const std::string a = MakeUpperCase(d.Argument);
  const bool off = a.rfind("OFF", 0) == 0 || a.rfind("AUS", 0) == 0 || a.rfind("0", 0) == 0;
  r.State.Justify = r.State.SavedJustify = !off;
}

void Landscape(PageRun& r, const DotLine& d) {
  if (d.Command == "PR" && MakeUpperCase(d.Argument) != "OR=L") return;
  PreviewWindow* win = r.Ctx->Preview;
  if (!win || win->Landscape()) return;
  win->SetLandscape(true);
  r.Landscape = true;
  ComputeRunScale(r);
}

void SaveState(PageRun& r, const DotLine& d) {
  const std::string u = MakeUpperCase(d.Line);
  if (u.find("FONT") != std::string::npos) r.State.SavedFontSlots = r.State.FontSlots;
  if (u.find("LINE") != std::string::npos) r.State.SavedLineHeight = r.State.LineHeight;
}

void RestoreState(PageRun& r, const DotLine& d) {
  const std::string u = MakeUpperCase(d.Line);
  if (u.find("FONT") != std::string::npos) {
    r.State.FontSlots = r.State.SavedFontSlots;
    if (r.State.SpecialMode == 0) SelectFont(r);
  }
  if (u.find("LINE") != std::string::npos) r.State.LineHeight = r.State.SavedLineHeight;
}

void NormalFont(PageRun& r, const DotLine& d) {
  const std::uint8_t font = FontFromArgument(d);
  if (font == 0) return;
  TDruckVar& st = r.State;
  st.NormalFont = font;
  SetSlotFont(r, 0, font);
  const auto* auto_variant = r.Ctx->Fonts.AutoVariant;
  if (d.Command == "SF" && auto_variant && (*auto_variant)[font - 1]) {
    const char letter = At(d.Argument, 0);
    SetSlotFont(r, 1, FontCharToNumber(letter, '"'));
    SetSlotFont(r, 2, FontCharToNumber(letter, '\''));
    SetSlotFont(r, 3, FontCharToNumber(letter, '&'));
  }
}

void ListMode(PageRun& r, const DotLine& d) {
  TDruckVar& st = r.State;
  if (!d.Argument.empty()) {
    st.SavedJustify = st.Justify;
    st.Justify = false;
    st.ListMode = true;
  } else {
    st.Justify = st.SavedJustify;
    st.ListMode = false;
  }
}

void AddMarker(PageRun& r, const DotLine& d) {
  if (d.Argument.empty()) return;
  const char c = d.Argument[0];
  if (r.State.MarkerSet.find(c) == std::string::npos) r.State.MarkerSet += c;
}

const CommandRow kCommandRows[] = {
    {"AU", Mode::PrinterOnly, PdfValue},
    {"TI", Mode::PrinterOnly, PdfValue},
    {"KY", Mode::PrinterOnly, PdfValue},
    {"SU", Mode::PrinterOnly, PdfValue},
    {"GR", Mode::Both, GraphicsChar},
    {"BT", Mode::Both, GraphicsChar},
    {"DT", Mode::Both, [](PageRun& r, const DotLine& d) { DefineFigure(r.State, d.Argument); }},
    {"BM", Mode::Both, BmPicture},
    {"BL", Mode::Both, JustifyWord},
    {"OJ", Mode::Both, JustifyWord},
    {"UJ", Mode::Both, JustifyWord},
    {"FL", Mode::Both,
     [](PageRun& r, const DotLine&) { r.State.Justify = r.State.SavedJustify = false; }},
    {"IC", Mode::Both, AddMarker},
    {"ST", Mode::Both, AddMarker},
    {"LA", Mode::PreviewOnly, Landscape},
    {"PR", Mode::PreviewOnly, Landscape},
    {"LI", Mode::Both, ListMode},
    {"S:", Mode::Both, SaveState},
    {"R:", Mode::Both, RestoreState},
    {"SA", Mode::Both,
     [](PageRun& r, const DotLine& d) {
       if (auto f = FontFromArgument(d)) r.State.AlternateFont = f;
     }},
    {"AF", Mode::Both,
     [](PageRun& r, const DotLine& d) {
       if (auto f = FontFromArgument(d)) r.State.AlternateFont = f;
     }},
    {"SB", Mode::Both,
     [](PageRun& r, const DotLine& d) { SetSlotFont(r, 1, FontFromArgument(d)); }},
    {"SY", Mode::Both,
     [](PageRun& r, const DotLine& d) { SetSlotFont(r, 2, FontFromArgument(d)); }},
    {"SX", Mode::Both,
     [](PageRun& r, const DotLine& d) { SetSlotFont(r, 3, FontFromArgument(d)); }},
    {"SN", Mode::Both, NormalFont},
    {"SF", Mode::Both, NormalFont},
    {"SH", Mode::Both,
     [](PageRun& r, const DotLine& d) {
       if (auto f = FontFromArgument(d)) r.State.SpecialFont = f;
     }},
    {"SS", Mode::Both,
     [](PageRun& r, const DotLine& d) {
       if (auto f = FontFromArgument(d)) r.State.SpecialFont = f;
     }},
};

// ---- no-number table --------------------------------------------------------------------

void DefaultTabs(PageRun& r, const DotLine&) {
  r.State.TabWidth = TabPercent(r.Ctx->Settings->DefaultTS);
  Remeasure(r);
}

const CommandRow kNoNumberRows[] = {
    {"DE", Mode::Both, DefaultTabs},
    {"TS", Mode::Both, DefaultTabs},
    {"LR", Mode::Both, [](PageRun& r, const DotLine&) { r.State.TwoSided = !r.State.TwoSided; }},
    {"OC", Mode::Both,
     [](PageRun& r, const DotLine& d) {
       std::string w = MakeUpperCase(std::string_view(d.Argument).substr(0, 3));
       while (!w.empty() && w.back() == ' ') w.pop_back();
       r.State.Centring = w == "ON" || w == "AN";
     }},
    {"OP", Mode::Both,
     [](PageRun& r, const DotLine&) {
       for (auto& set : r.State.Footers) set[0].Text.clear();
     }},
    {"PA", Mode::Both, [](PageRun& r, const DotLine&) { RequestNewPage(r); }},
    {"PN", Mode::Both, [](PageRun& r, const DotLine&) { RebuildDefaultFooter(r.State); }},
    {"PG", Mode::Both, [](PageRun& r, const DotLine&) { RebuildDefaultFooter(r.State); }},
};

template <std::size_t N>
const CommandRow* FindRow(const CommandRow (&rows)[N], const std::string& command) {
  for (const CommandRow& row : rows)
    if (command == row.Command) return &row;
  return nullptr;
}

bool ModeAllows(const PageRun& run, Mode where) {
  return where == Mode::Both || (where == Mode::PreviewOnly) == run.PreviewMode;
}

void Apply(PageRun& run, const CommandRow* row, const DotLine& d) {
  if (row && ModeAllows(run, row->Where)) row->Apply(run, d);
}

// Reads the number after the command word; false with no number.
bool FindNumber(std::string_view line, std::string& digits, bool& negative) {
  std::size_t i = 3;
  const char c = UpperAt(line, i);
  if (c == ' ' || c == '+' || c == 'E' || c == 'L' || c == 'O' || c == 'R') ++i;
  negative = false;
  if (At(line, i) == '-') {
    negative = true;
    ++i;
  }
  const char first = At(line, i);
  if (!(std::isdigit(static_cast<unsigned char>(first)) || first == '-' || first == '.'))
    return false;
  digits.clear();
  while (i < line.size() && digits.size() < 6 && IsMeasureChar(line[i])) digits += line[i++];
  return true;
}

}  // namespace

bool ApplyHeaderFooterLine(PageRun& run, std::string_view lineIn) {
  if (lineIn.size() < 3) return false;
  const char kind = UpperAt(lineIn, 1);
  if (kind != 'H' && kind != 'F') return false;
  const char which = UpperAt(lineIn, 2);
  int index = -1;
  if (which >= '1' && which <= '5')
    index = which - '1';
  else if (which == 'E')
    index = 4;
  else if (which == 'O')
    index = 0;
  else if (which >= '6' && which <= '9')
    return true;  // accepted, no such line
  else
    return false;

  std::string line(lineIn);
  const char pages = UpperAt(line, 3);
  const bool even = !(pages == 'R' || pages == 'O');
  const bool odd = !(pages == 'L' || pages == 'E');
  if (line.size() > 3 && line[3] != ' ' && pages != 'L' && pages != 'R')
    line.insert(line.begin() + 3, ' ');
  std::size_t start = 4;
  if (At(line, 4) == ' ') start = 5;
  std::string text = start < line.size() ? line.substr(start) : std::string();

  TDruckVar& st = run.State;
  std::uint8_t font = 0;
  const std::string head = MakeUpperCase(std::string_view(text).substr(0, 2));
  if (head == "SN" || head == "SF") {
    std::size_t after = 2;
    char letter = At(text, 2);
    if (std::isalpha(static_cast<unsigned char>(letter))) {
      ++after;
      char variant = At(text, 3);
      if (variant == '\'' || variant == '"' || variant == '&')
        ++after;
      else
        variant = ' ';
      font = FontCharToNumber(letter, variant);
    } else {
      font = run.Ctx->Settings->NormalFont;
    }
    text.erase(0, after);
  }
  auto& sets = kind == 'H' ? st.Headers : st.Footers;
  const auto i = static_cast<std::size_t>(index);
  if (even) sets[0][i] = HeaderFooterLine{text, font};
  if (odd) sets[1][i] = HeaderFooterLine{text, font};
  return true;
}

void ApplyOutputDotCommand(PageRun& run, std::string_view line) {
  if (line.size() >= 2 && line[0] == kDotLineMark && line[1] == kCommentMark) return;  // comment
  if (line.size() < 3) return;
  DotLine d;
  d.Line = line;
  d.Command = MakeUpperCase(line.substr(1, 2));
  std::string_view arg = line.substr(3);
  arg.remove_prefix(std::min(arg.find_first_not_of(' '), arg.size()));
  d.Argument = std::string(arg);

  std::string digits;
  bool negative = false;
  if (FindNumber(line, digits, negative)) {
    const CommandRow* row = FindRow(kNumericRows, d.Command);
    std::int32_t value = 0;
    const bool ok = ParseMeasure(digits, value, d.Command);
    // GS 0 (or below) would divide the picture sizes by zero: a wrong number too.
    const bool bad = !ok || (d.Command == "GS" && (negative || value <= 0));
    if (bad && row) {
      // Shown in German whatever the language.
      ReportOutputFatal(run, MessageSource(kLanguageGerman, MessageId::kWrongNumberInDotCommand,
                                           {d.Command + (negative ? "-" : "") + digits}));
      return;
    }
    d.Value = negative ? -value : value;
    if (ok) Apply(run, row, d);
    ApplyHeaderFooterLine(run, line);
    return;
  }
  ApplyHeaderFooterLine(run, line);
  Apply(run, FindRow(kCommandRows, d.Command), d);
  if (run.Stopped) return;
  Apply(run, FindRow(kNoNumberRows, d.Command), d);
}

}  // namespace tavrel

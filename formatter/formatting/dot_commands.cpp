#include "formatter/formatting/dot_commands.h"

#include <algorithm>
#include <cmath>
#include <filesystem>

#include "formatter/common/bilingual_texts.h"
#include "formatter/common/messages.h"
#include "formatter/formatting/contents_template.h"
#include "formatter/common/file_services.h"
#include "formatter/common/font_numbers.h"
#include "formatter/common/formatted_file.h"
#include "formatter/formatting/format_run.h"
#include "formatter/formatting/formatting_run.h"
#include "formatter/formatting/graphics_files.h"
#include "formatter/formatting/line_ends.h"
#include "formatter/common/text_services.h"
#include "formatter/formatting/wordstar_reader.h"
#include "platform/files.h"
#include "platform/pictures.h"

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

int32_t ColumnUnit(const FormatRun& run) { return run.run.column_unit; }

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
  run.dotline.Start(WithoutSign(line));
  run.dotline.Position = 2;
  value = 0;
  if (!ReadDotNumber(run.dotline, value, false, run.settings, run.messages)) {
    run.run.stop = true;
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
  return run.pages.Streams[kTextStream].LineHeights[slot];
}

void SetRightMarginColumns(FormatRun& run, int32_t columns) {
  LineStream& s = run.streams[kTextStream];
  columns = std::clamp(columns, 0, 4 * kMaxMarginColumns);
  s.right_margin = columns * ColumnUnit(run);
  const int32_t typed = columns - run.dot.gutter;
  s.zone_width = ZoneColumns(typed) * ColumnUnit(run);
  run.layout.LineWidth = s.right_margin;
}

int32_t RightMarginColumns(const FormatRun& run) {
  const int cu = ColumnUnit(run);
  return cu > 0 ? run.streams[kTextStream].right_margin / cu : 0;
}

bool FontUsable(const FormatRun& run, uint8_t font) {
  if (font < 1 || font > kFontCount || !run.printer) return false;
  if (run.printer->Fonts[font - 1].FaceName.Empty()) return false;
  const uint8_t* w = FontWidths(*run.printer, font);
  if (!w) return false;
  return std::any_of(w, w + 256, [](uint8_t x) { return x != 0; });
}

// A point size to scale by: only a defined font has one (an undefined font was reported when
// it was put into its slot), and a damaged printer file may hold any number.
bool UsableFontSize(const FormatRun& run, uint8_t font, double& size) {
  if (!FontUsable(run, font)) return false;
  size = run.printer->Fonts[font - 1].Size;
  return std::isfinite(size) && size >= 1 && size <= 1000;
}

// 0 becomes 8; with LineHeightRefersToNormalFont the value follows the size of slot 0's font.
int NormaliseLineHeight(const FormatRun& run, int v) {
  if (v == 0) v = 8;
  double a = 0, b = 0;
  if (run.settings.LineHeightRefersToNormalFont && UsableFontSize(run, run.dot.font_slots[0], a) &&
      UsableFontSize(run, run.settings.NormalFont, b)) {
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
  if (!c.d.formatting_off_total)
    c.run.streams[kTextStream].formatting_on = ReadSwitchArgument(c.line);
}

void CmdBA(Cmd& c) {
  c.run.streams[kTextStream].formatting_on = false;
  if (UpperAscii(ReadTextArgument(c.line)) == "TOTAL" && c.run.writer.Streams[kTextStream].Column == 0 &&
      c.run.pages.Streams[kTextStream].LinesOnPage <= 1 && c.run.pages.Streams[kTextStream].PageCount <= 1)
    c.d.formatting_off_total = true;
}

void CmdBE(Cmd& c) {
  if (!c.d.formatting_off_total) c.run.streams[kTextStream].formatting_on = true;
}

void CmdRightMargin(Cmd& c) {
  int32_t n = 0;
  if (!ReadNumber(c.run, c.line, n)) return;
  const int32_t old = RightMarginColumns(c.run);
  SetRightMarginColumns(c.run, Apply(c.d.sign_mode, old, n, n + c.d.gutter));
  if (c.run.reader.margin_notes_on) {
    c.d.pending_right_margin = RightMarginColumns(c.run) + c.run.reader.margin_width - 1;
    c.d.copy_line = false;
  }
}

void CmdMarginNotes(Cmd& c) {
  ReaderState& r = c.run.reader;
  const std::string arg = c.line.size() > 3 ? c.line.substr(3) : std::string();
  std::string a = arg;
  while (!a.empty() && a.front() == ' ') a.erase(a.begin());
  if (a.empty()) {
    r.margin_notes_on = false;
    r.margin_width = 1;
  } else {
    r.margin_notes_on = true;
    r.margin_open = static_cast<uint8_t>(a[0]);
    r.margin_close = a.size() > 1 ? static_cast<uint8_t>(a[1]) : static_cast<uint8_t>(a[0]);
    size_t i = 2;
    int width = 0;
    bool digits = false;
    while (i < a.size() && IsDigitChar(a[i])) {
      width = std::min(width * 10 + (a[i] - '0'), 200);
      digits = true;
      ++i;
    }
    if (!digits) width = c.run.settings.DefaultMN;
    r.margin_width = width < 1 ? 1 : width + 2;
    r.margin_note_lead = i < a.size() ? static_cast<uint8_t>(a[i]) : 0;
    r.margin_note_trail = i + 1 < a.size() ? static_cast<uint8_t>(a[i + 1]) : 0;
  }
  // Lines are buffered while margin notes are on, so a note can go to its line's start.
  c.run.writer.LineBuffer.Active = r.margin_notes_on;
  c.run.writer.LineBuffer.IndentColumn = r.margin_notes_on ? r.margin_width - 1 : 0;
  c.run.writer.LineBuffer.NoteLeadChar = r.margin_notes_on ? r.margin_note_lead : 0;
  c.run.writer.LineBuffer.NoteTrailChar = r.margin_notes_on ? r.margin_note_trail : 0;
  c.d.pending_right_margin = RightMarginColumns(c.run) + r.margin_width - 1;
}

void CmdBW(Cmd& c) {
  int32_t n = 0;
  if (ReadNumber(c.run, c.line, n)) c.d.bitmap_width = n;
}

void CmdCP(Cmd& c) {
  int32_t n = 0;
  if (!ReadNumber(c.run, c.line, n)) return;
  const StreamPages& p = c.run.pages.Streams[kTextStream];
  if (p.PagePosition + (n - 1) * p.LineHeights[0] > c.run.pages.PageLimit) c.d.new_page_request = true;
}

// ".CN", ".LG", ".P#": heading numbers given in the line.
void CmdHeadingNumbers(Cmd& c) {
  DotState& d = c.d;
  std::string arg = c.line.size() > 3 ? c.line.substr(3) : std::string();
  while (!arg.empty() && arg.back() == ' ') arg.pop_back();
  if (!arg.empty() && arg.back() == '.') arg.pop_back();
  if (arg.find_first_not_of(' ') == std::string::npos) {
    d.heading_numbers = c.run.run.saved_heading_numbers;
    d.heading_level = c.run.run.saved_heading_level;
  } else {
    int k = 0;
    size_t i = 0;
    while (i < arg.size() && k < 9) {
      while (i < arg.size() && (arg[i] == ' ' || arg[i] == '.')) ++i;
      if (i >= arg.size() || !IsDigitChar(arg[i])) break;
      int v = arg[i++] - '0';
      if (i < arg.size() && IsDigitChar(arg[i])) v = v * 10 + (arg[i++] - '0');
      d.heading_numbers[++k] = v;
      if (i < arg.size() && arg[i] == ',') break;
    }
    // Nine levels have numbers: a tenth is reported, not dropped quietly.
    if (k == 9) {
      while (i < arg.size() && (arg[i] == ' ' || arg[i] == '.')) ++i;
      if (i < arg.size() && IsDigitChar(arg[i]))
        ReportError(c.run, MessageId::kTooManyHeadingNumbers);
    }
    if (k > 0) {
      for (int j = k + 1; j <= 9; ++j) d.heading_numbers[j] = 0;
      d.heading_level = k;
    }
  }
  const std::string cmd = UpperAscii(c.line.substr(1, 2));
  d.numbers_just_set = cmd == "CN" || cmd == "P#";
}

void CmdTabStep(Cmd& c) {
  int32_t n = 0;
  if (!ReadNumber(c.run, c.line, n)) return;
  if (n <= 0) {
    // A column mark 0 wide would drop every typed indentation of a proportional font.
    const std::string cmd = UpperAscii(c.line.substr(1, 2));
    ReportError(c.run, MessageId::kDotCommandValueNotPositive, {cmd});
    c.d.copy_line = false;
    return;
  }
  if (n < 10) n *= 10;
  c.d.indent_scale = n;
  c.run.layout.TabStep = n;
  SetColumnWidth(c.d.column_width, n, c.d.widths);
}

void CmdFI(Cmd& c) {
  IncludeFile(c.run, ReadTextArgument(c.line));
  c.d.copy_line = false;  // the included file's dot lines used the flag meanwhile
}

void CmdPE(Cmd& c) {
  const bool copy = c.d.copy_line;
  IncludeFile(c.run, "*.FUN");
  c.d.copy_line = copy;
}

void CmdNotes(Cmd& c, int form) {
  FormatRun& run = c.run;
  run.dotline.Start(c.line);
  run.dotline.Position = 3;
  NotesControlInput in;
  in.TextLineWidth = run.streams[kTextStream].right_margin;
  in.HyphenationZone = run.streams[kTextStream].zone_width;
  in.CurrentSlotFont = c.d.font_slots[c.d.current_slot];
  in.NormalFont = run.settings.NormalFont;
  in.NotesFileName = run.run.notes_name;
  NotesControl(form, run.dotline, run.writer, run.notes, run.pages, in, run.messages);
  LineStream& n = run.streams[kNotesStream];
  n.right_margin = run.notes.LineWidth;
  n.zone_width = std::max(0, run.notes.LineWidth - run.notes.ZoneStart);
  if (run.messages.AbortRequested.load()) run.run.stop = true;
}
void CmdFU(Cmd& c) { CmdNotes(c, 1); }
void CmdFF(Cmd& c) { CmdNotes(c, 0); }

void CmdFG(Cmd& c) { c.d.graphics_lines = ReadSwitchArgument(c.line); }

void CmdFN(Cmd& c) {
  int32_t n = 0;
  if (ReadNumber(c.run, c.line, n)) c.run.notes.FootnoteNumber = n;
}

void CmdGF(Cmd& c) { c.run.headings.HeadingsTemplateName = ReadTextArgument(c.line); }

void CmdGS(Cmd& c) {
  int32_t n = 0;
  if (ReadNumber(c.run, c.line, n)) c.d.graphics_size = n;
}

// The page engine draws the character as the picture; the line has to be counted with the
// picture's width now, or lines holding it would run past the margin when printed.
void CmdGraphicsChar(Cmd& c) {
  const GraphicsCharDefinition def = ParseGraphicsCharLine(c.line, c.d.command);
  if (!def.Valid) return;
  const int32_t dpi = c.run.printer->PrinterDpi > 0 ? c.run.printer->PrinterDpi : c.run.run.column_unit * 10;
  GraphicsLoadError why;
  switch (DefineGraphicsChar(c.d.graphics_chars, def, c.run.files, dpi, c.d.graphics_size, &why)) {
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
  const int32_t cols = RightMarginColumns(c.run) + (n - c.d.gutter);
  c.d.gutter = n;
  SetRightMarginColumns(c.run, cols);
}

void CmdHN(Cmd& c) {
  int32_t n = 0;
  if (!ReadNumber(c.run, c.line, n)) return;
  c.d.minimum_unhyphenated = n;
  c.run.layout.MinUnhyphenated = static_cast<uint8_t>(std::clamp(n, 0, 255));
}

void CmdHT(Cmd& c) {
  c.d.saved_condition = c.d.conditional_output;
  c.d.conditional_output = false;
  c.d.copy_line = false;
}

void CmdHY(Cmd& c) {
  DotState& d = c.d;
  const std::string arg = UpperAscii(ReadTextArgument(c.line));
  if (arg == "OFF" || arg == "NO") {
    d.saved_hyphenation_mode = d.hyphenation_mode;
    d.hyphenation_mode = 3;
  } else if (arg == "ON") {
    d.hyphenation_mode = d.saved_hyphenation_mode;
  } else if (arg == "GERMAN") {
    d.hyphenation_mode = 0;
  } else if (arg == "MANUAL" || arg == "HAND") {
    d.saved_hyphenation_mode = d.hyphenation_mode;
    d.hyphenation_mode = 2;
  } else if (arg == "TEX") {
    d.hyphenation_mode = 4;
  } else if (arg.find(".TEX") != std::string::npos) {
    d.hyphenation_mode = 4;
    d.tex_pattern_request = ReadTextArgument(c.line);
  } else {
    d.conditional_output = d.saved_condition;
  }
  c.run.layout.HyphenationMode = static_cast<uint8_t>(d.hyphenation_mode);
}

void CmdIC(Cmd& c) {
  FormatRun& run = c.run;
  if (c.line.size() <= 3) return;
  run.dotline.Start(c.line);
  run.dotline.Position = 3;
  if (OpenIndexVolume(run.dotline, run.index_volumes, run.run.index_name, run.run.index_scan,
                      run.messages)) {
    const int v = run.index_volumes.Count - 1;
    if (v >= 0 && v < 4) {
      c.d.index_recording[v] = false;
      c.d.index_capital[v] = false;
      c.d.index_entries[v] = 0;
    }
  }
  if (run.messages.AbortRequested.load()) run.run.stop = true;
}

// One index entry line to each selected volume.
void WriteIndexEntry(Cmd& c, bool turned) {
  FormatRun& run = c.run;
  IndexVolumes& iv = run.index_volumes;
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
  out += std::to_string(run.pages.Streams[kTextStream].PageCount);
  out += "\r\n";
  for (int v = 0; v < iv.Count && v < kMaxIndexVolumes; ++v) {
    if (!selected[v] || !iv.Files[v].IsOpen()) continue;
    iv.Files[v].Write(out);
    ++c.d.index_entries[v];
  }
}
void CmdIN(Cmd& c) { WriteIndexEntry(c, false); }
void CmdIT(Cmd& c) { WriteIndexEntry(c, true); }

void LineHeightCommand(Cmd& c, int first, int last) {
  int32_t n = 0;
  if (!ReadNumber(c.run, c.line, n)) return;
  const int v = NormaliseLineHeight(c.run, n);
  for (int slot = first; slot <= last; ++slot) c.d.typed_heights[slot] = n;
  for (int slot = first; slot <= last; ++slot) LineHeight(c.run, slot) = static_cast<uint8_t>(v);
  if (first == 0 && v != n) {
    // The normalised height replaces the typed line.
    c.d.copy_line = false;
    for (int slot = first; slot <= last; ++slot) c.d.pending_heights[slot] = v;
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
  d.left_margin = std::clamp(Apply(d.sign_mode, d.left_margin, n, n - 1), 0, kMaxMarginColumns);
  if (d.paragraph_margin == 0) d.paragraph_margin = d.left_margin;
}

void CmdPM(Cmd& c) {
  int32_t n = 0;
  if (!ReadNumber(c.run, c.line, n)) return;
  c.d.paragraph_margin = std::clamp(Apply(c.d.sign_mode, c.d.paragraph_margin, n, n - 1), 0, kMaxMarginColumns);
}

void PageGeometry(Cmd& c, int32_t LayoutValues::*field) {
  int32_t n = 0;
  if (!ReadNumber(c.run, c.line, n)) return;
  c.run.layout.*field = n;
  ComputePageLimit(c.run.layout);
  c.run.pages.PageLimit = c.run.layout.PageLimit;
}
void CmdMB(Cmd& c) { PageGeometry(c, &LayoutValues::BottomMargin); }
void CmdMT(Cmd& c) { PageGeometry(c, &LayoutValues::TopMargin); }
void CmdPL(Cmd& c) { PageGeometry(c, &LayoutValues::PageLength); }

void CmdMD(Cmd& c) {
  int32_t n = 0;
  if (ReadNumber(c.run, c.line, n)) c.d.md_value = n;
}

void CmdPA(Cmd& c) {
  if (c.d.heading_in_progress) {
    c.d.copy_line = false;
    return;
  }
  if (c.run.pages.Streams[kTextStream].PagePosition > 0) c.d.new_page_request = true;
}

void CmdPN(Cmd& c) {
  int32_t n = 0;
  if (!ReadNumber(c.run, c.line, n)) return;
  if (!c.run.dotline.NumberOmitted) c.run.pages.Streams[kTextStream].PageCount = n;
}

void CmdSaveRestoreFonts(Cmd& c) {
  if (UpperAscii(c.line).find("FONT") == std::string::npos) return;
  if (Upper(c.line[1]) == 'S') {
    c.d.saved_font_slots = c.d.font_slots;
  } else {
    for (int slot = 0; slot < 4; ++slot) SetFontSlot(c.run, slot, c.d.saved_font_slots[slot]);
    SelectFontSlot(c.run);
  }
}

uint8_t FontArgument(Cmd& c) {
  c.run.dotline.Start(c.line);
  c.run.dotline.Position = 3;
  return ReadFontArgument(c.run.dotline, c.run.settings, c.d.font_slots[0]);
}

void CmdAF(Cmd& c) { c.d.alternate_font = FontArgument(c); }
void CmdSB(Cmd& c) { SetFontSlot(c.run, 1, FontArgument(c)); }
void CmdSY(Cmd& c) { SetFontSlot(c.run, 2, FontArgument(c)); }
void CmdSX(Cmd& c) { SetFontSlot(c.run, 3, FontArgument(c)); }
void CmdSF(Cmd& c) {
  const uint8_t f = FontArgument(c);
  c.d.normal_font = f;
  SetFontSlot(c.run, 0, f);
  const std::string cmd = UpperAscii(c.line.substr(1, 2));
  if (cmd != "SF") return;
  const std::string fontName = FontNumberToSpec(f);
  // Fonts.ini generated the italic and bold variants of this font.
  if (!fontName.empty() && f >= 1 && f <= kFontCount && c.run.auto_variants && (*c.run.auto_variants)[f - 1]) {
    SetFontSlot(c.run, 2, FontCharToNumber(fontName[0], '\''));
    SetFontSlot(c.run, 1, FontCharToNumber(fontName[0], '"'));
    SetFontSlot(c.run, 3, FontCharToNumber(fontName[0], '&'));
  }
  if (c.run.settings.LineHeightRefersToNormalFont) {
    for (int slot = 0; slot < 3; ++slot) {
      const int v = NormaliseLineHeight(c.run, c.d.typed_heights[slot]);
      LineHeight(c.run, slot) = static_cast<uint8_t>(v);
      c.d.pending_heights[slot] = v;
    }
  }
}

// ".LI" with a corner and a partition character draws boxes from those characters; ".LI"
// alone ends it.
void CmdLI(Cmd& c) {
  c.run.dotline.Start(c.line);
  c.run.dotline.Position = 3;
  SwitchFrameMode(c.run.dotline, c.run.writer.Frame);
}

void CmdEPSwitch(Cmd& c) {
  c.d.paragraph_numbering = ReadSwitchArgument(c.line);
  c.run.writer.ParagraphCounting = c.d.paragraph_numbering ? 1 : 0;
}

void CmdWI(Cmd& c) { c.run.reader.input_mode = 2; }
void CmdIB(Cmd& c) { c.run.reader.input_mode = 1; }
void CmdSC(Cmd& c) { ReadCharArgument(c.line, c.run.reader.column_char); }
void CmdPC(Cmd& c) { ReadCharArgument(c.line, c.run.reader.control_prefix); }

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
  const bool loaded = LoadGraphicsFile(picture, typed, run.files, &why);
  if (!loaded && why.Kind != GraphicsLoadFailure::kUnreadable) {
    ReportError(run, MessageId::kGraphicsFileNotFoundNoLines, {typed});
    return;
  }
  if (!c.d.graphics_lines) return;
  const double width_inches = RightMarginColumns(run) * 0.1 * c.d.bitmap_width / 100.0;
  if (!loaded || picture->width <= 0 || width_inches <= 0) {
    ReportError(run, MessageId::kGraphicsFileNotInterpreted, {typed});
    return;
  }
  const double height_inches = picture->height * width_inches / picture->width;
  StreamPages& page = run.pages.Streams[kTextStream];
  const int slot1 = page.LineHeights[1] > 0 ? page.LineHeights[1] : 8;
  const double lines = height_inches * 48.0 / slot1;
  if (!(lines < 1000)) {  // a picture taller than a long page is no picture for a page
    ReportError(run, MessageId::kGraphicsFileNotInterpreted, {typed});
    return;
  }
  const int k = static_cast<int>(std::nearbyint(lines)) + 1;
  if (page.PagePosition + (k - 1) * page.LineHeights[0] > run.pages.PageLimit)
    StartNewPage(run.pages, kTextStream, run.messages);
  const std::string cp = ".CP" + std::to_string(k + 1);
  for (char ch : cp) EmitChar(run, static_cast<uint8_t>(ch));
  EmitChar(run, kCarriageReturn);
  EmitChar(run, kLineFeed);
  for (int i = 0; i < k && !run.run.stop; ++i) {
    EmitChar(run, kCarriageReturn);
    EmitChar(run, kLineFeed);
    AdvanceLineBy(run, 0);
  }
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
  const DotState& d = run.dot;
  const auto& numbering = run.headings.LevelNumbering[level];
  const int n = d.heading_numbers[level];
  std::string out;
  switch (numbering.NumberingStyle) {
    case 0:
      for (int l = 1; l <= level; ++l) {
        if (l > 1) out += '.';
        out += std::to_string(d.heading_numbers[l]);
      }
      break;
    case 1: out = std::to_string(n); break;
    case 2: out = FeedRomanNumber(n); break;
    case 3: out = LetterNumber(n, 'A'); break;
    case 4: out = LetterNumber(n, 'a'); break;
    case 5: out = LetterNumber(level > 1 ? d.heading_numbers[level - 1] : 0, 'a') + LetterNumber(n, 'a'); break;
    case 6: {
      static const char kGreek[6] = {'\xE0', '\xE1', 'y', '\xEB', '\xEE', 'z'};
      out = (n >= 1 && n <= 6) ? std::string(1, kGreek[n - 1]) : std::string(" ");
      break;
    }
    default: out = std::to_string(n); break;
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
    if (run.run.stop) return;
    if (ch == '\n') continue;
    FeedCharacter(run, static_cast<uint8_t>(ch));
  }
}

}  // namespace

// ---- dot lines ----

void AppendDotChar(FormatRun& run, uint8_t c) {
  ReaderState& r = run.reader;
  if (r.dot_line.size() < static_cast<size_t>(kDotLineRoom)) {
    r.dot_line.push_back(static_cast<char>(c));
  } else if (r.dot_line.size() == static_cast<size_t>(kDotLineRoom)) {
    r.dot_line.push_back('\0');  // marks the line as reported; removed before handling
    ReportError(run, MessageId::kDotLineTooLong);
  }
}

void HandleDotLine(FormatRun& run) {
  ReaderState& r = run.reader;
  DotState& d = run.dot;
  r.collecting_dot = false;
  r.line_start_flag = true;  // a macro body fed from here starts at a line start
  std::string line = r.dot_line;
  r.dot_line.clear();
  if (line.size() > static_cast<size_t>(kDotLineRoom)) line.resize(kDotLineRoom);

  d.new_page_request = false;
  const bool cond_at_start = d.conditional_output;
  StreamPages& page = run.pages.Streams[run.current_stream];
  const int back = page.LineHeights[0];
  if (cond_at_start) page.PagePosition -= back;  // a dot line takes no room
  d.pending_heights = {0, 0, 0};
  d.pending_right_margin = 0;

  auto at = [&line](size_t i) -> char { return i <= line.size() && i >= 1 ? line[i - 1] : '\r'; };
  char sign = at(4);
  if (sign == ' ') sign = at(5);
  d.sign_mode = sign == '+' ? 0 : (sign == '-' ? 1 : 2);
  d.first_upper = static_cast<uint8_t>(at(2)) <= 'Z';

  const bool heading = IsDigitChar(at(2)) || ((at(2) == '+' || at(2) == '-') && IsDigitChar(at(3)));
  if (heading) {
    if (cond_at_start) {
      page.PagePosition += back;
      FormatHeading(run, line, false);
      if (!d.macro_expanding && !d.template_output) {
        const uint8_t next = NextSourceChar(run);
        if (next != kLineFeed && !r.eof_read) PushBack(run, next);
        StartLine(run);
      }
    }
    return;
  }

  // While output is off only ".IF", ".EL" and ".EN" count: no macro is defined or called.
  if (d.conditional_output && ExpandDotMacro(run, line)) {
    d.copy_line = false;
  } else {
    InterpretDotCommand(run, line);
  }

  if (!run.run.index_scan) {
    if (d.copy_line) {
      for (char ch : line) EmitChar(run, static_cast<uint8_t>(ch));
      EmitChar(run, kCarriageReturn);
      EmitChar(run, kLineFeed);
    }
    const auto& ph = d.pending_heights;
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
    if (d.pending_right_margin > 0) {
      const std::string word = UpperAscii(line.substr(1, std::min<size_t>(2, line.size() - 1)));
      write_line(std::string(d.first_upper || word == "BV" ? ".RM" : ".RF") +
                 std::to_string(d.pending_right_margin));
    }
  }

  StreamPages& page_now = run.pages.Streams[run.current_stream];
  if (cond_at_start) {
    if (d.new_page_request) StartNewPage(run.pages, run.current_stream, run.messages);
    else page_now.PagePosition += back;
  }

  if (d.conditional_output && !d.macro_expanding && !d.template_output && !run.run.stop) {
    const uint8_t next = NextSourceChar(run);
    if (next != kLineFeed && !r.eof_read) PushBack(run, next);
    LineStream& s = run.cur();
    ResetLineCounters(run);
    s.line.Position = 0;
    if (run.current_stream == kTextStream) {
      StartLine(run);
      if (!d.template_output) WriteLineIndent(run, 0);
    }
  }
  r.line_start_flag = true;
}

void InterpretDotCommand(FormatRun& run, const std::string& line) {
  DotState& d = run.dot;
  d.copy_line = d.conditional_output;
  const std::string word =
      line.size() >= 3 ? UpperAscii(line.substr(1, 2)) : UpperAscii(line.substr(std::min<size_t>(1, line.size())));
  if (word == "IF") {
    d.conditional_output = EvaluateCondition(run, ReadTextArgument(line));
    d.copy_line = false;
    return;
  }
  if (word == "EL") {
    d.conditional_output = !d.conditional_output;
    d.copy_line = false;
    return;
  }
  if (word == "EN") {
    d.conditional_output = true;
    d.copy_line = false;
    return;
  }
  if (!d.conditional_output) {
    // ".HY" with an argument it does not know ends the suppression that ".HT" began.
    if (word == "HY") {
      const std::string arg = UpperAscii(ReadTextArgument(line));
      static const char* kKnown[] = {"OFF", "NO", "ON", "GERMAN", "MANUAL", "HAND", "TEX"};
      const bool known = std::any_of(std::begin(kKnown), std::end(kKnown), [&arg](const char* k) { return arg == k; }) ||
                         arg.find(".TEX") != std::string::npos;
      if (!known) d.conditional_output = d.saved_condition;
    }
    return;
  }
  const DotCommandRow* row = FindCommand(word);
  if (!row) return;  // a pass-through command for the page engine
  run.dotline.Start(line);
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
  return std::find(run.run.condition_words.begin(), run.run.condition_words.end(), w) !=
         run.run.condition_words.end();
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
  DotState& d = run.dot;
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
    d.macros.push_back(TDotMacro{UpperAscii(name), body, false});
    return false;
  }
  const std::string name = UpperAscii(line.substr(std::min<size_t>(1, line.size())));
  TDotMacro* found = nullptr;
  for (TDotMacro& m : d.macros)
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
  const bool was_expanding = d.macro_expanding;
  d.macro_expanding = true;
  std::string text;
  for (size_t i = 0; i < body.size(); ++i) {
    const char ch = body[i];
    if (ch == ' ' && i + 1 < body.size() && body[i + 1] == '.') continue;
    if (ch == '.' && i > 0) text += '\r';
    text += ch;
  }
  text += '\r';
  for (char ch : text) {
    if (run.run.stop) break;
    FeedCharacter(run, static_cast<uint8_t>(ch));
  }
  for (TDotMacro& m : d.macros)
    if (m.Name == macro_name) m.Active = false;
  d.macro_expanding = was_expanding;
  return true;
}

// ---- includes ----

void IncludeFile(FormatRun& run, const std::string& typed) {
  if (run.run.index_scan) return;
  std::string name = typed;
  while (!name.empty() && name.back() == ' ') name.pop_back();
  if (name.size() > 2 && name[0] == '*' && name[1] == '.')
    name = ChangeFileExtension(run.run.input_name, name.substr(2));
  if (name.empty()) return;
  std::string located = name;
  if (!FileExistsByOpen(located) && !LocateFile(located, run.files)) return;
  if (!FileExistsByOpen(located)) return;
  if (run.reader.include_depth >= kMaxIncludeDepth) {
    ReportError(run, MessageId::kTooManyNestedIncludeFiles, {name});
    return;
  }
  std::error_code ec;
  if (!std::filesystem::is_regular_file(platform::resolve_path(located), ec)) return;  // no devices
  const std::string upper = UpperAscii(name);
  if (upper.find(".FUN") != std::string::npos) FinishNotesStream(run);

  const platform::ReadResult read = platform::read_file(located);
  if (!read.ok()) {
    ReportError(run, MessageId::kErrorOpeningIncludeFile, {located});
    return;
  }
  std::string data(read.bytes.begin(), read.bytes.end());

  // Keep the reader of the including file and restore it afterwards.
  ReaderState saved = std::move(run.reader);
  const bool saved_heading_pending = run.dot.heading_pending;
  run.reader = ReaderState{};
  run.reader.input_table = saved.input_table;
  run.reader.column_char = saved.column_char;
  run.reader.control_prefix = saved.control_prefix;
  run.reader.margin_notes_on = saved.margin_notes_on;
  run.reader.margin_open = saved.margin_open;
  run.reader.margin_close = saved.margin_close;
  run.reader.margin_width = saved.margin_width;
  run.reader.include_depth = saved.include_depth + 1;
  SetInput(run, std::move(data));

  if (upper.find(".WS") != std::string::npos || upper.find(".TXT") != std::string::npos ||
      upper.find(".SKT") != std::string::npos) {
    run.reader.input_mode = upper.find(".WS") != std::string::npos ? 0 : 2;
    FormatLineLoop(run, false);
  } else {
    run.reader.input_mode = 0;
    while (!AtInputEnd(run) && !run.run.stop) {
      const uint8_t c = ReadInputChar(run);
      if (run.reader.eof_read) break;
      if (c != kEndOfFileMark) EmitChar(run, c);
    }
  }

  const int depth_margin_width = run.reader.margin_width;
  const bool margin_on = run.reader.margin_notes_on;
  run.reader = std::move(saved);
  run.reader.margin_width = depth_margin_width;
  run.reader.margin_notes_on = margin_on;
  run.dot.heading_pending = saved_heading_pending;
}

// ---- headings ----

std::string FeedRomanNumber(int n) {
  std::string out;
  if (n < 0) n = 0;
  out.append(static_cast<size_t>(n / 10), 'X');
  const int u = n % 10;
  if (u >= 1 && u <= 3) out.append(static_cast<size_t>(u), 'I');
  else if (u == 4) out += "IV";
  else if (u >= 5 && u <= 8) out += "V" + std::string(static_cast<size_t>(u - 5), 'I');
  else if (u == 9) out += "IX";
  return out;
}

void FeedHeadingTemplatePart(FormatRun& run, int part) {
  FeedTemplateText(run, TemplatePartText(run.headings, run.dot.heading_level, part));
}

void FormatHeading(FormatRun& run, const std::string& line, bool from_style) {
  DotState& d = run.dot;
  int level = d.heading_level;
  if (from_style) {
    level = run.reader.style_level;
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
  d.heading_level = level;
  if (!d.numbers_just_set) {
    ++d.heading_numbers[level];
    for (int l = level + 1; l <= 9; ++l) d.heading_numbers[l] = 0;
  }
  d.numbers_just_set = false;

  if (run.headings.HeadingsTemplateReload) {
    if (!LoadHeadingsTemplate(run.headings, run.settings.Language, run.files, run.messages)) {
      if (run.messages.AbortRequested.load()) run.run.stop = true;
    }
    run.headings.HeadingsTemplateReload = 0;
  }
  if (run.run.stop) return;

  const bool was_in_heading = d.heading_in_progress;
  d.heading_in_progress = true;
  d.template_output = true;
  FeedTemplateText(run, TemplatePartText(run.headings, level, 0));
  FeedTemplateText(run, NumberInStyle(run, level));
  FeedTemplateText(run, TemplatePartText(run.headings, level, 1));
  d.template_output = false;
  d.heading_in_progress = was_in_heading;
  d.heading_pending = true;
}

// ---- fonts ----

void LoadFontWidthsFor(FormatRun& run, uint8_t font) {
  DotState& d = run.dot;
  if (!run.printer || font < 1 || font > kFontCount) {
    d.widths.fill(0);
    d.column_width = 0;
    return;
  }
  LoadFontWidths(d.column_width, d.indent_scale, font, d.widths, *run.printer, run.settings.NormalFont);
}

void SetFontSlot(FormatRun& run, int slot, uint8_t font) {
  DotState& d = run.dot;
  if (slot < 0 || slot > 3) return;
  d.font_slots[slot] = font;
  if (font >= 1 && font <= kMaxFontNumber) d.font_used[font] = true;
  if (slot == d.current_slot) {
    if (!FontUsable(run, font)) {
      const std::string fontName = FontNumberToSpec(font);
      ReportInfo(run, MessageId::kFontNotDefined, {fontName});
    }
    LoadFontWidthsFor(run, font);
  }
}

void SelectFontSlot(FormatRun& run) {
  DotState& d = run.dot;
  const uint8_t font = d.font_slots[d.current_slot];
  if (!FontUsable(run, font)) {
    static const char* kNames[4] = {"Normal", "Bold", "Italic", "BoldItalic"};
    const std::string fontName = FontNumberToSpec(font);
    const std::string name = kNames[d.current_slot & 3];
    ReportInfo(run, MessageId::kNamedFontNotDefined, {name, fontName});
  }
  if (run.current_stream == kTextStream) LoadFontWidthsFor(run, font);
}

void ToggleSlotStyle(FormatRun& run, uint8_t control) {
  DotState& d = run.dot;
  d.current_slot = ToggleFontStyle(control, static_cast<uint8_t>(d.current_slot));
  SelectFontSlot(run);
}

void ApplyFontControl(FormatRun& run) {
  DotState& d = run.dot;
  uint8_t& c = run.reader.current;
  switch (c) {
    case kBoldToggle:
    case kItalicToggle:
      ToggleSlotStyle(run, c);
      break;
    case kAlternateFont:
      if (d.current_slot == 0 && !d.alternate_active) {
        d.alternate_active = true;
        d.alternate_saved = d.font_slots[0];
        d.font_slots[0] = d.alternate_font;
        if (d.alternate_font >= 1 && d.alternate_font <= kMaxFontNumber) d.font_used[d.alternate_font] = true;
        SelectFontSlot(run);
      }
      break;
    case kCarriageReturn:
      if (d.alternate_active && d.current_slot == 0) {
        d.alternate_active = false;
        d.font_slots[0] = d.alternate_saved;
        SelectFontSlot(run);
      }
      break;
    case 0xC4:
    case 0xCD: {
      const uint8_t font = d.font_slots[d.current_slot];
      bool bold_big = false;
      if (run.printer && font >= 1 && font <= kFontCount) {
        const TFontEntry& e = run.printer->Fonts[font - 1];
        bold_big = UpperAscii(e.FaceName.Str()).find("BOLD") != std::string::npos && e.Size > 10;
      }
      if (bold_big) c = 0xCD;
      else if (run.run.contents_mode) c = 0xC4;
      break;
    }
    default:
      break;
  }
}

// ---- index marks in running text ----

void ClearIndexRecording(FormatRun& run) {
  run.dot.index_recording = {false, false, false, false};
  run.dot.index_phrase = false;
}

namespace {

void EndIndexMark(FormatRun& run, bool turned) {
  DotState& d = run.dot;
  IndexVolumes& iv = run.index_volumes;
  const WriterStream& ws = run.writer.Streams[run.current_stream];
  for (int v = 0; v < iv.Count && v < kMaxIndexVolumes; ++v) {
    if (!d.index_recording[v]) continue;
    const bool capital = d.index_capital[v] || ws.Bold || ws.Underline;
    std::string mark = "*";
    mark += turned ? (capital ? 'T' : 't') : (capital ? 'N' : 'n');
    mark += std::to_string(run.pages.Streams[kTextStream].PageCount);
    mark += "\r\n";
    if (iv.Files[v].IsOpen()) iv.Files[v].Write(mark);
    d.index_capital[v] = false;
    ++d.index_entries[v];
    d.index_recording[v] = false;
  }
  d.index_phrase = false;
}

}  // namespace

IndexMarkResult ApplyIndexMarks(FormatRun& run) {
  IndexVolumes& iv = run.index_volumes;
  if (!iv.Open || iv.Count == 0) return IndexMarkResult::kNormal;
  const IndexMarkResult marker = run.run.index_scan ? IndexMarkResult::kDrop : IndexMarkResult::kNoWidth;
  DotState& d = run.dot;
  const uint8_t c = run.reader.current;
  const bool recording = std::any_of(d.index_recording.begin(), d.index_recording.end(), [](bool b) { return b; });
  const int chars_now = run.cur().line.Characters;
  if (recording && (c == ';' || c == ':')) {
    if (c == ':' && chars_now == d.index_mark_start && !d.index_phrase) {
      d.index_phrase = true;
      return marker;
    }
    if (d.index_phrase) {
      EndIndexMark(run, c == ';');
      return marker;
    }
  }
  const size_t pos = c ? iv.Chars.find(static_cast<char>(c)) : std::string::npos;
  if (pos != std::string::npos && pos < static_cast<size_t>(iv.Count) && pos < 4) {
    if (d.index_recording[pos]) {
      d.index_capital[pos] = true;
    } else {
      d.index_recording[pos] = true;
    }
    d.index_mark_start = chars_now;
    return marker;
  }
  if (recording) {
    if (!d.index_phrase && run.writer.Classes.BreakTable[c]) {
      EndIndexMark(run, false);
    } else if (c > 31 || c == kNoBreakBlank) {
      for (int v = 0; v < iv.Count && v < kMaxIndexVolumes; ++v) {
        if (!d.index_recording[v] || !iv.Files[v].IsOpen()) continue;
        const uint8_t o = run.writer.Classes.OutputTable[c];
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
  if (std::all_of(a.begin(), a.end(), [](char ch) { return ch >= '0' && ch <= '9'; }) && a.size() <= 3) {
    const int v = std::stoi(a);
    if (v < 256) result = static_cast<uint8_t>(v);
  }
  if (result != 0) c = result;
}

}  // namespace tavrel

#include "formatter/pages/line_drawing.h"

#include <algorithm>
#include <cmath>

#include "formatter/common/formatted_file.h"
#include "formatter/pages/output_pictures.h"
#include "formatter/pages/preview_window.h"
#include "platform/fonts.h"

namespace tavrel {

namespace {

// What the character map makes of the alignment marks: a value no other byte maps to, as the
// byte kSectionSignDel is drawn as another glyph.
constexpr std::uint8_t kAlignMark = kSectionSignDel;
constexpr int kMaxUnderlineBlanks = 21;

std::uint8_t U(char c) { return static_cast<std::uint8_t>(c); }

bool IsPrintControl(std::uint8_t c) {
  switch (c) {
    case kBoldToggle:
    case kDoubleToggle:
    case kPrintControlE:
    case kPrintControlQ:
    case kPrintControlR:
    case kUnderlineToggle:
    case kSuperscriptToggle:
    case kSubscriptToggle:
    case kPrintControlW:
    case kItalicToggle:
      return true;
    default:
      return false;
  }
}

const CharWidths& WidthsOf(PageRun& run, std::uint8_t font) {
  TDruckVar& st = run.State;
  if (font == st.CurrentFont) return st.Widths;
  if (run.WidthCacheTabWidth != st.TabWidth) {
    run.WidthCached.fill(false);
    run.WidthCacheTabWidth = st.TabWidth;
  }
  if (font > kFontCount) font = st.NormalFont;
  if (!run.WidthCached[font]) {
    std::int32_t columnWidth = 0;
    LoadFontWidths(columnWidth, st.TabWidth, font, run.WidthCache[font],
                   *run.Ctx->Fonts.PrinterData, st.NormalFont);
    run.WidthCached[font] = true;
  }
  return run.WidthCache[font];
}

std::int32_t CharAdvance(const PageRun& run, const CharWidths& widths, std::uint8_t c) {
  const TDruckVar& st = run.State;
  if (c == kColumnMark) return st.ColumnWidth;
  if (!run.Printable[c]) return 0;
  if (st.GraphicsFlag[c]) {
    for (const GraphicsCharEntry& e : st.Graphics)
      if (e.Char == c) return e.Width;
    return 0;
  }
  return widths[run.CharMap[c]];
}

bool OnlyBlanksFrom(const std::string& line, std::size_t from) {
  for (std::size_t i = from; i < line.size(); ++i)
    if (line[i] != ' ') return false;
  return true;
}

// Draws the characters of one line; positions are printer dots from the page's left edge.
class LineDrawer {
 public:
  LineDrawer(PageRun& run, bool paint) : run_(run), st_(run.State), paint_(paint && run.Canvas) {}

  std::int32_t pos = 0;
  bool eachChar = false;   // every character at its own position
  bool justify = false;    // blanks take the shares below
  std::int32_t share = 0;  // advance of every blank
  std::int32_t extra = 0;  // the first `extra` blanks advance one dot more
  bool lineEnded = false;  // a picture ended the line

  // Draws line[from, to); false when the line ended early.
  void Draw(const std::string& line, std::size_t from, std::size_t to) {
    for (std::size_t i = from; i < to && !lineEnded && !run_.Stopped; ++i) Char(line, i);
  }

  void Flush() {
    if (runBytes_.empty()) return;
    Text(runStart_, runBytes_);
    runBytes_.clear();
  }

 private:
  void Text(std::int32_t at, std::string_view bytes) {
    if (!paint_) return;
    if (run_.GreekSize > 0) {
      Greek(at, bytes);
      return;
    }
    ApplyCurrentFont(run_);
    run_.Canvas->text_out(DeviceX(run_, at), DeviceY(run_), bytes);
  }

  // Text too small to read: a grey line as high as the font, as long as the text.
  void Greek(std::int32_t at, std::string_view bytes) {
    std::int32_t width = 0;
    for (char c : bytes) width += st_.Widths[U(c)];
    platform::Canvas& canvas = *run_.Canvas;
    const platform::Pen saved = canvas.pen();
    canvas.set_pen(platform::Pen{{128, 128, 128}, run_.GreekSize, platform::PenStyle::solid});
    const int y = DeviceY(run_) + run_.GreekSize;
    canvas.move_to(DeviceX(run_, at), y);
    canvas.line_to(DeviceX(run_, at + width), y);
    canvas.set_pen(saved);
  }

  void Special(std::uint8_t mode) {
    if (st_.SpecialMode == mode) {
      if (mode == 1) st_.V += st_.SuperShift;
      if (mode == 2) st_.V -= st_.SuperShift;
      st_.SpecialMode = 0;
      SelectFont(run_);
    } else if (st_.SpecialMode == 0) {
      st_.SpecialMode = mode;
      if (mode == 3 || st_.SpecialFont != st_.NormalFont) SelectFontNumber(run_, st_.SpecialFont);
      if (mode == 1) st_.V -= st_.SuperShift;
      if (mode == 2) st_.V += st_.SuperShift;
    }
  }

  void Char(const std::string& line, std::size_t i) {
    const std::uint8_t c = U(line[i]);
    if (IsPrintControl(c)) {
      Flush();
      switch (c) {
        case kBoldToggle:
        case kItalicToggle:
          st_.CurrentSlot ^= (c == kBoldToggle ? 1 : 2);
          if (st_.SpecialMode == 0) SelectFont(run_);
          break;
        case kUnderlineToggle:
          st_.Underline = !st_.Underline;
          run_.CurrentFont.underline = st_.Underline;
          run_.FontDirty = true;
          break;
        case kSuperscriptToggle:
          Special(1);
          break;
        case kSubscriptToggle:
          Special(2);
          break;
        case kDoubleToggle:
          Special(3);
          break;
        default:
          break;
      }
      return;
    }
    if (run_.CharMap[c] == kAlignMark && c != kAlignMark) {
      Flush();
      const std::int32_t rest = MeasureLineWidth(run_, std::string_view(line).substr(i + 1), false);
      const std::int32_t space =
          std::max<std::int32_t>(0, st_.CentreMargin - (pos - LineStart(run_)) - rest);
      pos += c == kCentreMark ? space / 2 : space;
      return;
    }
    if (!run_.Printable[c]) return;
    if (c == ' ') {
      Flush();
      const std::int32_t own = st_.Widths[' '];
      std::int32_t advance = own;
      if (justify) {
        advance = share;
        if (extra > 0) {
          ++advance;
          --extra;
        }
      }
      if (st_.Underline && own > 0) {
        // Blanks one after another, so the underline runs through the whole gap.
        std::int32_t p = pos;
        for (int k = 0; k < kMaxUnderlineBlanks && p < pos + advance; ++k, p += own) Text(p, " ");
      }
      pos += advance;
      return;
    }
    if (c == kColumnMark) {
      Flush();
      if (st_.Underline) Text(pos, " ");
      pos += st_.ColumnWidth;
      return;
    }
    if (st_.GraphicsFlag[c]) {
      Flush();
      pos += DrawGraphicsChar(run_, c, pos, paint_);
      if (OnlyBlanksFrom(line, i + 1)) lineEnded = true;
      return;
    }
    if (st_.Figures[c].Kind != 0 || IsBoxDrawingChar(run_, c)) {
      Flush();
      if (paint_) DrawBoxOrFigureChar(run_, c, pos);
      pos += st_.Widths[c];
      return;
    }
    const std::uint8_t m = run_.CharMap[c];
    if (eachChar) {
      if (paint_ && Visible(pos)) Text(pos, std::string(1, static_cast<char>(m)));
      pos += st_.Widths[m];
      return;
    }
    if (runBytes_.empty()) runStart_ = pos;
    runBytes_ += static_cast<char>(m);
    pos += st_.Widths[m];
  }

  bool Visible(std::int32_t at) const {
    if (!run_.PreviewMode) return true;
    const platform::Rect r = run_.Ctx->Preview->RepaintRect();
    const int x = DeviceX(run_, at);
    return x >= r.left - 1000 && x <= r.right;
  }

  PageRun& run_;
  TDruckVar& st_;
  bool paint_;
  std::string runBytes_;
  std::int32_t runStart_ = 0;
};

std::string RemoveMarkers(TDruckVar& st, const std::string& line) {
  std::string out;
  for (std::size_t i = 0; i < line.size(); ++i) {
    const char c = line[i];
    if (st.MarkerSet.find(c) != std::string::npos) {
      if (i + 1 < line.size() && line[i + 1] == ':') {
        ++i;
        st.PendingMarker = true;
      }
      continue;
    }
    if (st.PendingMarker && (c == ':' || c == ';')) {
      st.PendingMarker = false;
      continue;
    }
    out += c;
  }
  return out;
}

bool IsBoxRange(std::uint8_t c) { return c >= kFirstBoxChar && c <= kLastBoxChar; }

// Blanks next to box drawings or to other blanks keep their columns.
void KeepBoxColumns(std::string& line) {
  if (std::none_of(line.begin(), line.end(), [](char c) { return IsBoxRange(U(c)); })) return;
  const std::string original = line;
  auto keeps = [&](std::size_t j) { return original[j] == ' ' || IsBoxRange(U(original[j])); };
  for (std::size_t i = 0; i < original.size(); ++i) {
    if (original[i] != ' ') continue;
    if ((i > 0 && keeps(i - 1)) || (i + 1 < original.size() && keeps(i + 1)))
      line[i] = static_cast<char>(kColumnMark);
  }
}

// The end of the first run of one-column bytes that has a byte after it; leading blanks
// of the text become such a run first. -1 when there is none.
long FindColumnRunEnd(const PageRun& run, std::string& text) {
  const std::size_t first = text.find(static_cast<char>(kColumnMark));
  if (first != std::string::npos) {
    std::size_t e = first;
    while (e + 1 < text.size() && U(text[e + 1]) == kColumnMark) ++e;
    return e + 1 < text.size() ? static_cast<long>(e) : -1;
  }
  std::size_t i = 0;
  bool blanks = false;
  while (i < text.size() && (text[i] == ' ' || !run.Printable[U(text[i])])) {
    if (text[i] == ' ') {
      text[i] = static_cast<char>(kColumnMark);
      blanks = true;
    }
    ++i;
  }
  return blanks && i < text.size() ? static_cast<long>(i - 1) : -1;
}

std::int32_t CountPrintable(const PageRun& run, std::string_view text) {
  std::int32_t n = 0;
  for (char c : text)
    if (run.Printable[U(c)]) ++n;
  return n;
}

}  // namespace

void BuildLineTables(PageRun& run) {
  for (int c = 0; c < 256; ++c) {
    const auto i = static_cast<std::size_t>(c);
    // The control codes 6, 7 and 26 are drawn as their glyphs.
    const bool drawn = c == 6 || c == 7 || c == kNoBreakBlank || c == 26 || c == kColumnMark ||
                       c == kSoftHyphen || c >= ' ';
    run.Printable[i] = drawn ? 1 : 0;
    run.CharMap[i] = static_cast<std::uint8_t>(c);
  }
  run.CharMap[kRightAlignMark] = run.CharMap[kCentreMark] = kAlignMark;
  run.CharMap[kRightAlignMarkU] = kAlignMark;
  run.CharMap[kSectionSignDel] = kSectionSign437;
  run.CharMap[kSoftHyphen] = '-';
  run.CharMap[kNoBreakBlank] = run.CharMap[kColumnMark] = run.CharMap[255] = ' ';
}

void SelectFontNumber(PageRun& run, std::uint8_t fontNumber) {
  TDruckVar& st = run.State;
  if (fontNumber < 1 || fontNumber > kFontCount) fontNumber = st.NormalFont;
  LoadFontWidths(st.ColumnWidth, st.TabWidth, fontNumber, st.Widths, *run.Ctx->Fonts.PrinterData,
                 st.NormalFont);
  st.CurrentFont = fontNumber;

  const TPrinterDataRecord* table = run.FontTable ? run.FontTable : run.Ctx->Fonts.PrinterFonts;
  const TFontEntry* entry = &table->Fonts[fontNumber - 1];
  if (entry->FaceName.Empty() && st.NormalFont >= 1 && st.NormalFont <= kFontCount)
    entry = &table->Fonts[st.NormalFont - 1];
  platform::CanvasFont f;
  double size = 10;
  if (!entry->FaceName.Empty()) {
    const platform::FaceStyle fs = platform::split_face_style(entry->FaceName.Str());
    f.face = fs.name;
    f.bold = fs.bold;
    f.italic = fs.italic;
    size = std::max(1.0, entry->Size);
    f.colour = platform::Rgb::from_int(entry->Colour);
  }
  if (run.PreviewMode && run.Canvas && run.Canvas->dpi() > 0)
    size = std::max(
        1.0, std::nearbyint(run.Device.PrinterDpi * run.Device.Scale / run.Canvas->dpi() * size));
  f.size = size;
  run.GreekSize = 0;
  if (run.PreviewMode && run.Ctx->Preview && run.Ctx->Preview->MatrixRows() >= 2 && size < 3)
    run.GreekSize = static_cast<int>(size);
  f.code_page =
      run.Ctx->Settings->CodePage == 1 ? platform::CodePage::cp850 : platform::CodePage::cp437;
  f.underline = st.Underline;
  run.CurrentFont = f;
  run.FontDirty = true;
}

void SelectFont(PageRun& run) {
  TDruckVar& st = run.State;
  if (st.AlternateLine) {
    SelectFontNumber(run, st.AlternateFont);
    return;
  }
  SelectFontNumber(run, st.FontSlots[st.CurrentSlot & 3]);
}

void ApplyCurrentFont(PageRun& run) {
  if (!run.Canvas) return;
  if (run.FontDirty || !(run.Canvas->font() == run.CurrentFont)) {
    run.Canvas->set_font(run.CurrentFont);
    // As the font routine does: the pen takes the font's colour, the brush is transparent.
    platform::Pen pen = run.Canvas->pen();
    pen.colour = run.CurrentFont.colour;
    run.Canvas->set_pen(pen);
    run.Canvas->set_brush(platform::Brush{run.Canvas->brush().colour, platform::BrushStyle::clear});
    run.FontDirty = false;
  }
}

bool OddPage(const TDruckVar& state) { return state.PageNumber % 2 != 0; }

std::int32_t LineStart(const PageRun& run) {
  const TDruckVar& st = run.State;
  return static_cast<std::int32_t>(
      std::nearbyint((OddPage(st) ? st.POOdd : st.POEven) * run.Device.ColumnUnit));
}

int DeviceUnits(double value) {
  // Absurd dot-command values must not overflow a coordinate.
  return static_cast<int>(std::clamp(std::nearbyint(value), -1e9, 1e9));
}

int DeviceX(const PageRun& run, std::int32_t position) {
  return DeviceUnits(position * run.Device.Scale + run.OriginX);
}

int DeviceY(const PageRun& run) {
  return DeviceUnits(run.OriginY + (run.State.MT * 8.0 + run.State.V) * run.Device.LineUnit);
}

std::int32_t MeasureLineWidth(PageRun& run, std::string_view bytes, bool withoutBlanks) {
  const TDruckVar& st = run.State;
  std::uint8_t slot = st.CurrentSlot;
  std::uint8_t special = st.SpecialMode;
  std::uint8_t font = st.CurrentFont;
  std::int32_t width = 0;
  for (char ch : bytes) {
    const std::uint8_t c = U(ch);
    switch (c) {
      case kBoldToggle:
      case kItalicToggle:
        slot ^= (c == kBoldToggle ? 1 : 2);
        if (special == 0) font = st.AlternateLine ? st.AlternateFont : st.FontSlots[slot & 3];
        continue;
      case kSuperscriptToggle:
      case kSubscriptToggle:
      case kDoubleToggle: {
        const std::uint8_t mode = c == kSuperscriptToggle ? 1 : c == kSubscriptToggle ? 2 : 3;
        if (special == mode) {
          special = 0;
          font = st.AlternateLine ? st.AlternateFont : st.FontSlots[slot & 3];
        } else if (special == 0) {
          special = mode;
          if (mode == 3 || st.SpecialFont != st.NormalFont) font = st.SpecialFont;
        }
        continue;
      }
      default:
        break;
    }
    if (withoutBlanks && c == ' ') continue;
    width += CharAdvance(run, WidthsOf(run, font), c);
  }
  return width;
}

void DrawTextLine(PageRun& run, std::string line, bool softReturn) {
  TDruckVar& st = run.State;
  bool paint = st.PageDrawn && run.Canvas != nullptr;
  if (paint && run.PreviewMode) {
    const platform::Rect r = run.Ctx->Preview->RepaintRect();
    const int top = DeviceY(run);
    const int bottom =
        top + static_cast<int>(std::ceil(st.LineHeight[0] * run.Device.LineUnit)) + 1;
    if (bottom < r.top || top > r.bottom) paint = false;
  }
  if (!st.MarkerSet.empty()) line = RemoveMarkers(st, line);

  std::size_t lead = 0;
  while (lead < line.size() && U(line[lead]) == kColumnMark) ++lead;
  if (lead < line.size() && line[lead] == kAlternateFont) {
    st.AlternateLine = true;
    SelectFont(run);
  }

  LineDrawer d(run, paint);
  d.pos = LineStart(run);
  const std::int32_t start = d.pos;
  const bool marks = std::any_of(line.begin(), line.end(), [&](char c) {
    return run.CharMap[U(c)] == kAlignMark && U(c) != kAlignMark;
  });
  if (st.ListMode) KeepBoxColumns(line);

  if (marks) {
    d.eachChar = true;
    d.Draw(line, 0, line.size());
  } else if (st.Centring) {
    const std::int32_t width = MeasureLineWidth(run, line, false);
    d.pos += std::max<std::int32_t>(0, (st.CentreMargin - width) / 2);
    d.eachChar = run.PreviewMode && run.PlaceEachChar;
    d.Draw(line, 0, line.size());
  } else {
    d.eachChar = run.PreviewMode && run.PlaceEachChar;
    // A paragraph's last line is justified only when it is longer than the margin; a font
    // whose "x" has no width gives no such rule (it would divide by zero).
    bool justified = st.Justify && softReturn;
    if (st.Justify && !softReturn && st.Widths['x'] > 0) {
      const std::int32_t threshold = (st.JustifyMargin / st.Widths['x']) / 5 * 3;
      justified = static_cast<std::int32_t>(line.size()) > threshold &&
                  MeasureLineWidth(run, line, false) > st.JustifyMargin;
    }
    std::string rest = line;
    std::int32_t column = 0;
    for (;;) {
      const long p = FindColumnRunEnd(run, rest);
      if (p < 0) break;
      const std::size_t n = static_cast<std::size_t>(p) + 1;
      d.Draw(rest, 0, n);
      d.Flush();
      if (run.Stopped || d.lineEnded) break;
      column += CountPrintable(run, std::string_view(rest).substr(0, n));
      d.pos = start + column * st.ColumnWidth;
      rest.erase(0, n);
    }
    if (!run.Stopped && !d.lineEnded) {
      const auto blanks = static_cast<std::int32_t>(std::count(rest.begin(), rest.end(), ' '));
      if (justified && blanks > 0) {
        const std::int32_t space =
            start + st.JustifyMargin - d.pos - MeasureLineWidth(run, rest, true);
        d.justify = true;
        d.share = space / blanks;
        d.extra = space > 0 ? space % blanks : 0;
      }
      d.Draw(rest, 0, rest.size());
    }
  }
  d.Flush();
  if (st.AlternateLine) {
    st.AlternateLine = false;
    SelectFont(run);
  }
}

}  // namespace tavrel

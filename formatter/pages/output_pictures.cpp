#include "formatter/pages/output_pictures.h"

#include <algorithm>
#include <cctype>
#include <cmath>

#include "formatter/common/bilingual_texts.h"
#include "formatter/common/file_services.h"
#include "formatter/common/formatted_file.h"
#include "formatter/common/messages.h"
#include "formatter/common/picture_files.h"
#include "formatter/common/text_services.h"
#include "formatter/pages/line_drawing.h"
#include "formatter/pages/page_engine.h"
#include "platform/pictures.h"

namespace tavrel {

namespace {

enum Arm : std::uint8_t { kL = 1, kR = 2, kU = 4, kD = 8 };

struct Stroke {
  std::uint8_t Arms;
  std::uint8_t Style;  // 0 single, 1 double horizontal, 2 double vertical, 3 double, 4 block
};

// Characters 179..223 of the DOS code pages: their arms and line style.
constexpr Stroke kStrokes[kLastBoxChar - kFirstBoxChar + 1] = {
    {kU | kD, 0},
    {kL | kU | kD, 0},
    {kL | kU | kD, 1},
    {kL | kU | kD, 2},  // 179-182
    {kL | kD, 2},
    {kL | kD, 1},
    {kL | kU | kD, 3},
    {kU | kD, 2},  // 183-186
    {kL | kD, 3},
    {kL | kU, 3},
    {kL | kU, 2},
    {kL | kU, 1},  // 187-190
    {kL | kD, 0},
    {kR | kU, 0},
    {kL | kR | kU, 0},
    {kL | kR | kD, 0},  // 191-194
    {kR | kU | kD, 0},
    {kL | kR, 0},
    {kL | kR | kU | kD, 0},
    {kR | kU | kD, 1},  // 195-198
    {kR | kU | kD, 2},
    {kR | kU, 3},
    {kR | kD, 3},
    {kL | kR | kU, 3},  // 199-202
    {kL | kR | kD, 3},
    {kR | kU | kD, 3},
    {kL | kR, 1},
    {kL | kR | kU | kD, 3},  // 203-206
    {kL | kR | kU, 1},
    {kL | kR | kU, 2},
    {kL | kR | kD, 1},
    {kL | kR | kD, 2},  // 207-210
    {kR | kU, 2},
    {kR | kU, 1},
    {kR | kD, 1},
    {kR | kD, 2},  // 211-214
    {kL | kR | kU | kD, 2},
    {kL | kR | kU | kD, 1},
    {kL | kU, 0},
    {kR | kD, 0},  // 215-218
    {0, 4},
    {kL | kR | kD, 4},
    {kL | kU | kD, 4},
    {kR | kU | kD, 4},  // 219-222
    {kL | kR | kU, 4},  // 223
};

// In code page 850 these places hold letters, not box drawings.
bool LetterIn850(std::uint8_t c) {
  switch (c) {
    case 181:
    case 182:
    case 183:
    case 184:
    case 189:
    case 190:
    case 198:
    case 199:
    case 221:
    case 222:
      return true;
    default:
      return c >= 207 && c <= 216;
  }
}

int PenWidth(const PageRun& run, std::int32_t dots) {
  int w = DeviceUnits(dots * run.Device.GraphicsFactor);
  w = std::min(w, 1 << 20);
  if (w % 2 == 0) ++w;
  return std::max(w, 1);
}

void Line(platform::Canvas& c, int x1, int y1, int x2, int y2) {
  c.move_to(x1, y1);
  c.line_to(x2, y2);
}

}  // namespace

void ResetOutputPictures(TDruckVar& state) {
  state.Graphics = {};
  state.GraphicsFlag.fill(false);
  state.Figures.fill(FigureDef{});
  state.Figures[254] = FigureDef{3, 35};
  state.PictureWidthPercent = 100;
  state.GraphicsDpi = 300;
}

std::shared_ptr<const platform::Bitmap> LoadGraphicsFile(PageRun& run, std::string name) {
  FileContext files = run.Ctx->Files;
  if (!files.Settings) files.Settings = run.Ctx->Settings;
  return LoadPictureFile(std::move(name), files, &run.Pictures);
}

bool DefineGraphicsChar(PageRun& run, std::uint8_t character, std::string fileName) {
  TDruckVar& st = run.State;
  if (fileName.empty()) {
    st.GraphicsFlag[character] = false;
    for (GraphicsCharEntry& e : st.Graphics)
      if (e.Char == character) e = GraphicsCharEntry{};
    return true;
  }
  auto free = std::find_if(st.Graphics.begin(), st.Graphics.end(),
                           [](const GraphicsCharEntry& e) { return e.Char == 0; });
  if (free == st.Graphics.end()) {
    // The table is full: stop clearly rather than draw the character as a plain glyph.
    // Shown in German whatever the language, as stored.
    ReportOutputFatal(run, MessageSource(kLanguageGerman, MessageId::kTooManyGraphicsCharacters,
                                         {std::string(1, static_cast<char>(character))}));
    return false;
  }
  free->Char = character;
  free->FileName = fileName.substr(0, kGraphicsNameRoom);
  free->Width = free->Height = 0;
  if (auto picture = LoadGraphicsFile(run, free->FileName)) {
    const double factor = static_cast<double>(run.Device.PrinterDpi) / std::max(1, st.GraphicsDpi);
    free->Width = static_cast<std::int32_t>(std::nearbyint(picture->width * factor));
    free->Height = static_cast<std::int32_t>(std::nearbyint(picture->height * factor));
  }
  st.GraphicsFlag[character] = true;
  return true;
}

void DefineFigure(TDruckVar& state, std::string_view argument) {
  if (argument.empty()) return;
  const std::uint8_t c = static_cast<std::uint8_t>(argument[0]);
  WordList words;
  SplitLineIntoWords(argument.substr(1), words, 0);
  if (std::all_of(words.begin(), words.end(), [](const std::string& w) { return w.empty(); })) {
    state.Figures[c] = FigureDef{};
    return;
  }
  FigureDef def{1, 35};
  for (const std::string& w : words) {
    if (w.empty() || !std::all_of(w.begin(), w.end(), [](char ch) {
          return std::isdigit(static_cast<unsigned char>(ch));
        }))
      continue;
    const int n = w.size() > 3 ? 1000 : std::stoi(w);
    if (n >= 10 && n <= 100) def.Size = static_cast<std::uint8_t>(n);
    if (n >= 0 && n <= 9) def.Kind = static_cast<std::uint8_t>(n);
  }
  state.Figures[c] = def;
}

bool IsBoxDrawingChar(const PageRun& run, std::uint8_t c) {
  if (c < kFirstBoxChar || c > kLastBoxChar) return false;
  return !(run.Ctx->Settings->CodePage == 1 && LetterIn850(c));
}

void DrawBoxOrFigureChar(PageRun& run, std::uint8_t c, std::int32_t position) {
  if (!run.Canvas) return;
  platform::Canvas& canvas = *run.Canvas;
  TDruckVar& st = run.State;
  ApplyCurrentFont(run);
  const platform::Pen savedPen = canvas.pen();
  const platform::Point savedPos = canvas.pen_position();

  const int left = DeviceX(run, position);
  const int top = DeviceY(run);
  const int w = DeviceUnits(st.ColumnWidth * run.Device.Scale) + 2;
  const int h = DeviceUnits(st.LineHeight[0] * run.Device.LineUnit) + 2;
  const int cx = left + w / 2;
  const int cy = top + canvas.text_height("A") / 2;
  const int lower = cy + h / 2;
  const int upper = lower - h;
  const int right = left + w;

  const FigureDef fig = st.Figures[c];
  if (fig.Kind != 0) {
    const int s = static_cast<int>(std::nearbyint(fig.Size * 0.01 * canvas.text_height("A")));
    const int fy = cy + h / 15;
    const platform::Rect square{cx - s / 2, fy - s / 2, cx + s / 2, fy + s / 2};
    platform::Pen pen = savedPen;
    pen.width = std::max(1, s / 8);
    const platform::Brush savedBrush = canvas.brush();
    const bool filled = fig.Kind % 2 == 1;
    if (filled) {
      pen.width = 0;
      canvas.set_brush(platform::Brush{{0, 0, 0}, platform::BrushStyle::solid});
    }
    canvas.set_pen(pen);
    if (fig.Kind == 3 || fig.Kind == 4)
      canvas.rectangle(square);
    else if (fig.Kind == 5 || fig.Kind == 6)
      canvas.round_rect(square, (s / 3) * 2, (s / 3) * 2);
    else
      canvas.ellipse(square);
    if (filled) canvas.set_brush(platform::Brush{{255, 255, 255}, savedBrush.style});
  } else {
    const Stroke stroke = kStrokes[c - kFirstBoxChar];
    platform::Pen pen = savedPen;
    if (stroke.Style == 4) {
      // Each missing arm leaves one half of the cell filled.
      auto fill = [&](int x1, int x2, int yBottom, int yTop) {
        pen.width = x2 - x1;
        if (pen.width <= 0) return;
        canvas.set_pen(pen);
        Line(canvas, (x1 + x2) / 2, yBottom, (x1 + x2) / 2, yTop);
      };
      if (!(stroke.Arms & kL)) fill(cx, right, lower, upper);
      if (!(stroke.Arms & kR)) fill(left, cx, lower, upper);
      if (!(stroke.Arms & kU)) fill(left, right, lower, cy);
      if (!(stroke.Arms & kD)) fill(left, right, cy, upper);
    } else {
      const bool doubleH = stroke.Style == 1 || stroke.Style == 3;
      const bool doubleV = stroke.Style == 2 || stroke.Style == 3;
      const int penH = PenWidth(run, doubleH ? st.LineWidthDouble : st.LineWidthSingle);
      const int penV = PenWidth(run, doubleV ? st.LineWidthDouble : st.LineWidthSingle);
      auto arm = [&](int width, int x1, int y1, int x2, int y2) {
        pen.width = width;
        canvas.set_pen(pen);
        Line(canvas, x1, y1, x2, y2);
      };
      if (stroke.Arms & kL) arm(penH, cx + penV / 2, cy, left, cy);
      if (stroke.Arms & kR) arm(penH, cx - penV / 2, cy, right, cy);
      if (stroke.Arms & kU) arm(penV, cx, cy + penH / 2, cx, upper);
      if (stroke.Arms & kD) arm(penV, cx, cy - penH / 2, cx, lower);
    }
  }
  canvas.set_pen(savedPen);
  canvas.move_to(right, savedPos.y);
}

std::int32_t DrawGraphicsChar(PageRun& run, std::uint8_t character, std::int32_t position,
                              bool paint) {
  const TDruckVar& st = run.State;
  const auto entry = std::find_if(st.Graphics.begin(), st.Graphics.end(),
                                  [&](const GraphicsCharEntry& e) { return e.Char == character; });
  if (entry == st.Graphics.end()) {
    // Shown in German whatever the language.
    ReportOutputFatal(run, MessageSource(kLanguageGerman, MessageId::kGraphicsCharacterNotFound,
                                         {std::string(1, static_cast<char>(character))}));
    return 0;
  }
  if (paint && run.Canvas && entry->Width > 0 && entry->Height > 0) {
    if (auto picture = LoadGraphicsFile(run, entry->FileName)) {
      const int x = DeviceX(run, position);
      const int y = DeviceY(run);
      const int w = DeviceUnits(entry->Width * run.Device.Scale);
      const int h = DeviceUnits(entry->Height * run.Device.Scale);
      run.Canvas->stretch_draw({x, y, x + w, y + h}, *picture);
    }
  }
  return entry->Width;
}

void DrawBmPicture(PageRun& run, const std::string& fileName, BmAlignment alignment) {
  if (!run.Canvas) return;
  const auto picture = LoadGraphicsFile(run, fileName);
  // A picture without width has no aspect ratio: nothing to draw.
  if (!picture || picture->width <= 0 || picture->height <= 0) return;
  const TDruckVar& st = run.State;
  const double lineWidth = st.JustifyMargin * run.Device.Scale;
  const int width = DeviceUnits(lineWidth * st.PictureWidthPercent / 100.0);
  if (width <= 0) return;
  const int height = DeviceUnits(width * static_cast<double>(picture->height) / picture->width);
  const int room = DeviceUnits(lineWidth) - width;
  int offset = 0;
  if (alignment == BmAlignment::Centred) offset = room / 2;
  if (alignment == BmAlignment::Right) offset = room;
  const int x = DeviceX(run, LineStart(run)) + offset;
  const int y = DeviceY(run) - DeviceUnits(st.LineHeight[0] * 1.3 * run.Device.LineUnit);
  run.Canvas->stretch_draw({x, y, x + width, y + height}, *picture);
}

}  // namespace tavrel

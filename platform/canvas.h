// A drawing surface with the operations of a GDI device context as Delphi's TCanvas offers
// them: a font (face, size, bold, italic, underline, colour), text out in code-page bytes,
// text width and height, pen and brush, move/line, rectangle, rounded rectangle and ellipse,
// fill, stretch-draw of a picture and a clip rectangle.
//
// Coordinates are whole device units (pixels, printer dots); x grows to the right, y down.
// Windows' edge rules hold: a rectangle, rounded rectangle or ellipse given as
// (left, top, right, bottom) covers the columns left..right-1 and the rows top..bottom-1,
// and a line drawn with line_to leaves out its end point.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/fonts.h"
#include "platform/pictures.h"

namespace platform {

struct Rgb {
  std::uint8_t r = 0, g = 0, b = 0;

  // The colour as the suite stores it: red x 65536 + green x 256 + blue.
  static constexpr Rgb from_int(std::int32_t v) {
    return Rgb{static_cast<std::uint8_t>((v >> 16) & 0xFF),
               static_cast<std::uint8_t>((v >> 8) & 0xFF), static_cast<std::uint8_t>(v & 0xFF)};
  }
  constexpr std::int32_t to_int() const { return (r << 16) | (g << 8) | b; }
  auto operator<=>(const Rgb&) const = default;
};

struct Point {
  int x = 0, y = 0;
  auto operator<=>(const Point&) const = default;
};

struct Rect {
  int left = 0, top = 0, right = 0, bottom = 0;

  int width() const { return right - left; }
  int height() const { return bottom - top; }
  bool empty() const { return right <= left || bottom <= top; }
  // The same rectangle with left <= right and top <= bottom.
  Rect normalized() const;
  auto operator<=>(const Rect&) const = default;
};

enum class PenStyle { solid, clear };
enum class BrushStyle { solid, clear };

// Width 0 is GDI's cosmetic pen: one device unit wide.
struct Pen {
  Rgb colour{};
  int width = 1;
  PenStyle style = PenStyle::solid;
  auto operator<=>(const Pen&) const = default;
};

struct Brush {
  Rgb colour{255, 255, 255};
  BrushStyle style = BrushStyle::solid;
  auto operator<=>(const Brush&) const = default;
};

struct CanvasFont : FontSpec {
  bool underline = false;
  Rgb colour{};
  auto operator<=>(const CanvasFont&) const = default;
};

class Canvas {
 public:
  virtual ~Canvas() = default;

  // Dots per inch of the device (the same both ways); the "pixels per inch" of its font.
  virtual int dpi() const = 0;
  // Size of the drawable page in device units.
  virtual int width() const = 0;
  virtual int height() const = 0;

  virtual void set_font(const CanvasFont& font) = 0;
  virtual const CanvasFont& font() const = 0;
  // The measured metrics of the current font at this device's resolution.
  virtual const FontMetrics& font_metrics() = 0;
  // Sum of the advances of the bytes in the current font.
  int text_width(std::string_view bytes);
  // The character cell height of the current font (GDI's text height does not depend on
  // the text).
  int text_height(std::string_view bytes = {});

  // Draws the bytes with the top of their character cell at y, starting at x, each byte
  // advanced by its measured width. With a solid brush the cell is filled first, as
  // TCanvas.TextOut does. The pen position becomes (x + text width, y).
  virtual void text_out(int x, int y, std::string_view bytes) = 0;

  virtual void set_pen(const Pen& pen) = 0;
  virtual const Pen& pen() const = 0;
  virtual void set_brush(const Brush& brush) = 0;
  virtual const Brush& brush() const = 0;

  virtual void move_to(int x, int y) = 0;
  // Draws from the pen position to (x, y), leaving out (x, y); moves the pen there.
  virtual void line_to(int x, int y) = 0;
  virtual Point pen_position() const = 0;

  // Outlined with the pen, filled with the brush.
  virtual void rectangle(const Rect& r) = 0;
  virtual void round_rect(const Rect& r, int ellipse_width, int ellipse_height) = 0;
  virtual void ellipse(const Rect& r) = 0;
  // Fills with the brush only (no outline).
  virtual void fill_rect(const Rect& r) = 0;
  // Draws the picture scaled into the rectangle.
  virtual void stretch_draw(const Rect& r, const Bitmap& picture) = 0;

  // Drawing is limited to the rectangle until reset_clip.
  virtual void set_clip(const Rect& r) = 0;
  virtual void reset_clip() = 0;
  // The clip rectangle, or the whole page when none is set.
  virtual Rect clip_rect() const = 0;
};

// Keeps the state every canvas shares (font, pen, brush, pen position, clip), so that the
// implementations only draw.
class CanvasBase : public Canvas {
 public:
  CanvasBase(int dpi, int width, int height);

  int dpi() const override { return dpi_; }
  int width() const override { return width_; }
  int height() const override { return height_; }

  void set_font(const CanvasFont& font) override { font_ = font; }
  const CanvasFont& font() const override { return font_; }
  void set_pen(const Pen& pen) override { pen_ = pen; }
  const Pen& pen() const override { return pen_; }
  void set_brush(const Brush& brush) override { brush_ = brush; }
  const Brush& brush() const override { return brush_; }
  void move_to(int x, int y) override { position_ = {x, y}; }
  Point pen_position() const override { return position_; }
  void set_clip(const Rect& r) override;
  void reset_clip() override;
  Rect clip_rect() const override;

 protected:
  void set_page_size(int width, int height);

  int dpi_;
  int width_;
  int height_;
  CanvasFont font_;
  Pen pen_;
  Brush brush_;
  Point position_;
  bool clipped_ = false;
  Rect clip_;
};

}  // namespace platform

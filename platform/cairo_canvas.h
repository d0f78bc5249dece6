// The canvas that really draws pixels, on a cairo image surface (preview, PNG pages). Text is
// placed glyph by glyph at the whole-dot advances that FontMeasurer reports, so what is
// measured is drawn.
#pragma once

#include <array>
#include <map>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "platform/canvas.h"

typedef struct _cairo cairo_t;
typedef struct _cairo_surface cairo_surface_t;
typedef struct _cairo_font_face cairo_font_face_t;

namespace platform {

class CairoCanvas : public CanvasBase {
 public:
  ~CairoCanvas() override;
  CairoCanvas(const CairoCanvas&) = delete;
  CairoCanvas& operator=(const CairoCanvas&) = delete;

  const FontMetrics& font_metrics() override;
  void text_out(int x, int y, std::string_view bytes) override;
  void line_to(int x, int y) override;
  void rectangle(const Rect& r) override;
  void round_rect(const Rect& r, int ellipse_width, int ellipse_height) override;
  void ellipse(const Rect& r) override;
  void fill_rect(const Rect& r) override;
  void stretch_draw(const Rect& r, const Bitmap& picture) override;
  void set_clip(const Rect& r) override;
  void reset_clip() override;

  // The measurer this canvas draws with (its widths are the drawn widths).
  FontMeasurer& measurer() { return measurer_; }

 protected:
  CairoCanvas(int dpi, int width, int height);
  // Takes a fresh surface (a new page or a new size); the drawing state is kept.
  void attach(cairo_surface_t* surface);
  void detach();
  cairo_t* cr() const { return cr_; }
  // Draws the text that text_out has collected; every other drawing and the end of a page
  // come after it.
  void flush_text() const;

 private:
  cairo_font_face_t* font_face(const FontMetrics& fm, bool synth_bold, bool synth_italic);
  // The metrics and cairo face of the current font, looked up again only when the font
  // changes: text comes a word at a time, and the lookups cost more than the drawing.
  struct FontInUse {
    FontSpec font;
    int dpi = 0;
    const FontMetrics* metrics = nullptr;
    cairo_font_face_t* face = nullptr;
    std::array<std::string, 256> utf8;  // each byte's character in the font's code page
  };
  const FontInUse& font_in_use();
  void set_source(const Rgb& c);
  void apply_clip();

  FontMeasurer measurer_;
  cairo_t* cr_ = nullptr;
  std::map<std::tuple<std::string, int, bool, bool>, cairo_font_face_t*> faces_;
  FontInUse in_use_;

  // Consecutive text outs in one font and colour become one glyph run: cairo's cost is per
  // call, not per glyph.
  struct PendingText;
  std::unique_ptr<PendingText> pending_;
};

// A white page of width x height pixels at dpi.
class ImageCanvas final : public CairoCanvas {
 public:
  ImageCanvas(int dpi, int width, int height);
  ~ImageCanvas() override;

  // Starts again with a white page, possibly of another size.
  void clear(int width, int height);
  void clear() { clear(width(), height()); }
  // Writes the page as a PNG file; false with the reason in *error when it fails.
  bool write_png(const std::string& path, std::string* error = nullptr) const;
  // The page's pixels (opaque).
  Bitmap snapshot() const;
  // The surface's own pixels, 32 bits each (0xffRRGGBB in native order, the top byte unused),
  // for a view that shows them without copying; valid until the next clear().
  struct Pixels {
    const unsigned char* data = nullptr;
    int width = 0, height = 0, stride = 0;
  };
  Pixels pixels() const;

 private:
  cairo_surface_t* image_ = nullptr;
};

}  // namespace platform

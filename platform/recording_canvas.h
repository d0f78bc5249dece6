// A canvas that draws nothing and writes every operation as one readable line, for tests
// and golden draw logs. State changes (font, pen, brush, clip) are logged when they change
// what is drawn next; drawing operations are always logged.
//
// Text is measured either with the real fonts (FontMeasurer, as the cairo canvases draw) or
// with fixed synthetic metrics that do not depend on the fonts installed, so golden logs stay
// the same on every machine.
#pragma once

#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "platform/canvas.h"

namespace platform {

enum class RecordingMetrics {
  real,       // FreeType metrics of the resolved fonts
  synthetic,  // every drawn byte advances pixel size / 2, cell = pixel size x 6/5
};

class RecordingCanvas final : public CanvasBase {
 public:
  RecordingCanvas(int dpi, int width, int height,
                  RecordingMetrics metrics = RecordingMetrics::synthetic);

  const std::vector<std::string>& lines() const { return lines_; }
  // All lines, each ended by "\n".
  std::string text() const;
  // Empties the log; the next operations log the state they use again, so that what
  // follows reads on its own.
  void clear_log();
  // Adds a line of the caller's own (page breaks and the like).
  void note(const std::string& line) { lines_.push_back(line); }

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

  // Starts a new page of the given size (logged).
  void new_page(int width, int height);

 private:
  void log_pen();
  void log_brush();

  RecordingMetrics mode_;
  std::unique_ptr<FontMeasurer> measurer_;
  std::deque<FontMetrics> synthetic_;  // one per distinct font; references stay valid
  std::vector<CanvasFont> synthetic_keys_;
  std::vector<std::string> lines_;
  // What the log last said, so unchanged state is not repeated.
  bool font_logged_ = false, pen_logged_ = false, brush_logged_ = false;
  CanvasFont logged_font_;
  Pen logged_pen_;
  Brush logged_brush_;
};

// A byte text as the log shows it: printable ASCII as it is, backslash and double quote
// escaped, every other byte as \xHH; in double quotes.
std::string quote_bytes(std::string_view bytes);

}  // namespace platform

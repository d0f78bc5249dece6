// A PostScript file of pages (our stand-in for a PostScript printer driver), written directly
// rather than through cairo: printing long documents spent most of its time in cairo's page
// replay and its small buffered writes.
//
// Each size of a font is embedded as a Type 1 font holding the outlines of the glyphs the
// document draws in it (read with FreeType, so TrueType and CFF faces alike, with synthetic
// bold and oblique). Its character widths are the whole-dot advances that FontMeasurer reports,
// so a word is one "show" and lands where it was measured. Glyphs are named after their Unicode
// characters, so text can be extracted again.
#pragma once

#include <array>
#include <cstdio>
#include <initializer_list>
#include <map>
#include <string>
#include <string_view>
#include <tuple>
#include <vector>

#include "platform/canvas.h"

namespace platform {

class PostScriptCanvas final : public CanvasBase {
 public:
  // A file of pages, width x height dots each at dpi. The file is complete after finish();
  // PDF marks can then be appended to it.
  PostScriptCanvas(const std::string& path, int dpi, int width, int height,
                   const std::string& title = {});
  ~PostScriptCanvas() override;
  PostScriptCanvas(const PostScriptCanvas&) = delete;
  PostScriptCanvas& operator=(const PostScriptCanvas&) = delete;

  // False when the file could not be created; error() says why.
  bool ok() const { return error_.empty(); }
  const std::string& error() const { return error_; }

  // Ends the current page; the next one has the given size (landscape pages are wider than
  // high) and starts with the drawing state kept.
  void new_page(int width, int height);
  void new_page() { new_page(width(), height()); }
  int page_count() const { return pages_; }
  // Ends the last page and writes the file (replacing an older one only when all went well).
  // False (with error()) on a write failure.
  bool finish();

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

 private:
  // One font file with its synthetic styles.
  struct BaseFont {
    std::string file;
    int index = 0;
    bool synth_bold = false, synth_italic = false;
  };
  // One size and code page of a base font, as the page text selects it.
  struct SizedFont {
    int base = 0;
    int pixel_size = 0;
    CodePage code_page = CodePage::cp1252;
    std::array<int, 256> advance{};
    std::array<std::string, 256> names;  // each byte's glyph name (".notdef" when not drawn)
    std::array<std::uint32_t, 256> glyph{};
    std::array<bool, 256> used{};
  };
  struct FontInUse {
    FontSpec font;
    const FontMetrics* metrics = nullptr;
    int sized = -1;  // index into sized_, -1 when the font has no face to draw with
  };
  const FontInUse& font_in_use();
  int sized_font(const FontMetrics& fm, bool synth_bold, bool synth_italic);

  // Page body output: buffered, spilled to the body file in large writes.
  void put(std::string_view s) { out_.append(s); }
  void put_int(long v);
  void put_num(double v);
  void put_nums(std::initializer_list<double> values);  // each followed by a blank
  void put_string(std::string_view bytes);
  void spill();
  void set_colour(const Rgb& c);
  void set_line_width(int w);
  void begin_page();
  void end_page();
  void apply_clip();
  void path_box(double x, double y, double w, double h);
  void path_round_rect(double x, double y, double w, double h, double rx, double ry);
  void outline_rounded(const Rect& r, double rx, double ry);

  // The sections written at finish, before the pages.
  bool write_file(std::FILE* f);
  std::string prolog() const;
  std::string font_resources(std::string* error);

  std::string path_;
  std::string title_;
  std::string error_;
  std::FILE* body_ = nullptr;
  std::string out_;
  int pages_ = 1;
  bool finished_ = false;
  int max_width_ = 0, max_height_ = 0;

  FontMeasurer measurer_;
  FontInUse in_use_;
  std::vector<BaseFont> bases_;
  std::vector<SizedFont> sized_;
  std::map<std::tuple<std::string, int, bool, bool>, int> base_index_;
  std::map<std::tuple<int, int, CodePage>, int> sized_index_;

  // What the page's graphics state holds now; unknown after a grestore.
  bool colour_known_ = false;
  Rgb colour_;
  int line_width_ = -1;
  int font_selected_ = -1;
  // The baseline the page's last text was drawn on (kept by the file, not the graphics state).
  static constexpr int kNoBaseline = -2147483647;
  int baseline_ = kNoBaseline;
  bool clip_open_ = false;
};

}  // namespace platform

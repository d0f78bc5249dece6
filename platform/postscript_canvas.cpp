#include "platform/postscript_canvas.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstring>
#include <set>

#include <ft2build.h>
#include <unistd.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H

#include "platform/files.h"

namespace platform {

namespace {

// The page body is handed to the file in pieces of this size.
constexpr std::size_t kSpillSize = 1 << 16;
// Outline shear of a synthetic oblique face (FreeType's own slant, about 12 degrees).
constexpr FT_Fixed kObliqueShear = 0x0366A;
// The Bezier handle length of a quarter ellipse, relative to its radius.
constexpr double kQuarterArc = 0.5522847498;

std::string printable_ascii(const std::string& s) {
  std::string r;
  for (char c : s) r += (c >= 0x20 && c < 0x7F) ? c : '?';
  return r;
}

void append_int(std::string& out, long v) {
  char buf[24];
  auto [end, ec] = std::to_chars(buf, buf + sizeof buf, v);
  out.append(buf, end);
}

// A number with at most `decimals` decimals and no trailing zeros.
void append_num(std::string& out, double v, int decimals = 3) {
  if (v == std::floor(v) && std::fabs(v) < 1e15) {
    append_int(out, static_cast<long>(v));
    return;
  }
  char buf[40];
  auto [end, ec] = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, decimals);
  while (end > buf && end[-1] == '0') --end;
  if (end > buf && end[-1] == '.') --end;
  if (end - buf == 2 && buf[0] == '-' && buf[1] == '0') {
    out += '0';
    return;
  }
  out.append(buf, end);
}

// The glyph name of a character: Unicode's, so that extracted text comes back as written.
std::string glyph_name(char32_t u) {
  char buf[16];
  std::snprintf(buf, sizeof buf, u <= 0xFFFF ? "uni%04X" : "u%X", static_cast<unsigned>(u));
  return buf;
}

// ASCII85 of the bytes with its end mark, in lines a DSC reader accepts.
void append_ascii85(std::string& out, const std::vector<unsigned char>& data) {
  int column = 0;
  auto emit = [&](char c) {
    out += c;
    if (++column == 75) {
      out += '\n';
      column = 0;
    }
  };
  for (std::size_t i = 0; i < data.size(); i += 4) {
    const std::size_t n = std::min<std::size_t>(4, data.size() - i);
    std::uint32_t v = 0;
    for (std::size_t k = 0; k < 4; ++k) v = (v << 8) | (k < n ? data[i + k] : 0);
    if (n == 4 && v == 0) {
      emit('z');
      continue;
    }
    char group[5];
    for (int k = 4; k >= 0; --k) {
      group[k] = static_cast<char>('!' + v % 85);
      v /= 85;
    }
    for (std::size_t k = 0; k < n + 1; ++k) emit(group[k]);
  }
  out += "~>\n";
}

// A glyph outline as a Type 1 charstring (unhinted) in font units: fonts of that type are
// drawn by every PostScript interpreter with its own font rules (centre-of-dot filling), as
// the screen draws them.
class CharstringWriter {
 public:
  void number(long v) {
    if (v >= -107 && v <= 107) {
      code_.push_back(static_cast<unsigned char>(v + 139));
    } else if (v >= 108 && v <= 1131) {
      v -= 108;
      code_.push_back(static_cast<unsigned char>(247 + (v >> 8)));
      code_.push_back(static_cast<unsigned char>(v & 0xFF));
    } else if (v <= -108 && v >= -1131) {
      v = -v - 108;
      code_.push_back(static_cast<unsigned char>(251 + (v >> 8)));
      code_.push_back(static_cast<unsigned char>(v & 0xFF));
    } else {
      const auto u = static_cast<std::uint32_t>(static_cast<std::int32_t>(v));
      code_.push_back(255);
      for (int shift : {24, 16, 8, 0}) code_.push_back(static_cast<unsigned char>(u >> shift));
    }
  }
  void command(unsigned char op) { code_.push_back(op); }

  // The side bearing and width operator with the width num / den (fractions of a font unit
  // carry the exact measured advance).
  void width(long num, long den) {
    number(0);
    number(num);
    if (den != 1) {
      number(den);
      command(12);
      command(12);  // div
    }
    command(13);  // hsbw
  }
  void append(const std::vector<unsigned char>& code) {
    code_.insert(code_.end(), code.begin(), code.end());
  }
  void move(long x, long y) {
    if (open_) command(9);  // closepath
    open_ = true;
    number(x - x_);
    number(y - y_);
    command(21);  // rmoveto
    x_ = x;
    y_ = y;
  }
  void line(long x, long y) {
    number(x - x_);
    number(y - y_);
    command(5);  // rlineto
    x_ = x;
    y_ = y;
  }
  void curve(long x1, long y1, long x2, long y2, long x3, long y3) {
    for (long v : {x1 - x_, y1 - y_, x2 - x1, y2 - y1, x3 - x2, y3 - y2}) number(v);
    command(8);  // rrcurveto
    x_ = x3;
    y_ = y3;
  }
  long x() const { return x_; }
  long y() const { return y_; }

  // The outline drawn so far, its last contour closed.
  std::vector<unsigned char> outline() {
    if (open_) command(9);
    open_ = false;
    return code_;
  }

  // The charstring ended, encrypted with four leading bytes as Type 1 requires, in hex.
  std::string finish() {
    command(14);  // endchar
    std::vector<unsigned char> plain(4, 0);
    plain.insert(plain.end(), code_.begin(), code_.end());
    std::string hex = "<";
    std::uint16_t r = 4330;
    static constexpr char kDigits[] = "0123456789ABCDEF";
    for (std::size_t k = 0; k < plain.size(); ++k) {
      const auto c = static_cast<unsigned char>(plain[k] ^ (r >> 8));
      r = static_cast<std::uint16_t>((c + r) * 52845u + 22719u);
      hex += kDigits[c >> 4];
      hex += kDigits[c & 15];
      if (k % 38 == 37) hex += '\n';
    }
    hex += '>';
    return hex;
  }

 private:
  std::vector<unsigned char> code_;
  long x_ = 0, y_ = 0;
  bool open_ = false;
};

int outline_move(const FT_Vector* to, void* user) {
  static_cast<CharstringWriter*>(user)->move(to->x, to->y);
  return 0;
}

int outline_line(const FT_Vector* to, void* user) {
  static_cast<CharstringWriter*>(user)->line(to->x, to->y);
  return 0;
}

int outline_cubic(const FT_Vector* c1, const FT_Vector* c2, const FT_Vector* to, void* user) {
  static_cast<CharstringWriter*>(user)->curve(c1->x, c1->y, c2->x, c2->y, to->x, to->y);
  return 0;
}

// A quadratic (TrueType) curve as the cubic that traces it.
int outline_conic(const FT_Vector* control, const FT_Vector* to, void* user) {
  auto* w = static_cast<CharstringWriter*>(user);
  const double x0 = w->x(), y0 = w->y();
  auto at = [](double from, double towards) {
    return std::lround(from + 2.0 / 3.0 * (towards - from));
  };
  w->curve(at(x0, control->x), at(y0, control->y), at(to->x, control->x), at(to->y, control->y),
           to->x, to->y);
  return 0;
}

// The procedures the pages use. MF makes a font of one size from its encoding, box, units per
// em, size in dots and charstrings, and keeps it scaled to that size for the y-down page.
constexpr const char* kProlog = R"(/q { gsave } bind def
/Q { grestore } bind def
/m { moveto } bind def
/l { lineto } bind def
/c { curveto } bind def
/h { closepath } bind def
/f { fill } bind def
/S { stroke } bind def
/w { setlinewidth } bind def
/g { setgray } bind def
/rg { setrgbcolor } bind def
/T { dup /BY exch def moveto show } bind def
/X { BY moveto show } bind def
/SP { 2 copy /setpagedevice where {
    pop currentpagedevice /PageSize known {
      currentpagedevice /PageSize get aload pop
      3 -1 roll sub abs 5 gt 3 1 roll sub abs 5 gt or
    } { pop pop true } ifelse
    { 2 array astore << /PageSize 3 -1 roll >> setpagedevice } { pop pop } ifelse
  } { pop pop pop pop } ifelse } bind def
/PV 5 dict dup begin /BlueValues [] def /MinFeature {16 16} def /password 5839 def
  /lenIV 4 def end def
/MF { 10 dict begin
    /CharStrings exch def /Px exch def /U exch def /FontBBox exch def /Encoding exch def
    /FontType 1 def /PaintType 0 def /FontMatrix [1 U div 0 0 1 U div 0 0] def /Private PV def
  currentdict end dup /FontName 3 index put 1 index exch definefont
  dup /Px get [ 1 index 0 0 4 index neg 0 0 ] exch pop makefont def } bind def
)";

}  // namespace

PostScriptCanvas::PostScriptCanvas(const std::string& path, int dpi, int width, int height,
                                   const std::string& title)
    : CanvasBase(dpi, width, height), path_(path), title_(title) {
  // The file is written whole at the end; its folder must take it now, as a driver would
  // refuse the job at once.
  std::string dir = extract_file_dir(path);
  if (dir.empty()) dir = ".";
  if (directory_exists(path))
    error_ = "PostScript file " + path + " cannot be created: it is a folder";
  else if (::access(dir.c_str(), W_OK) != 0)
    error_ = "PostScript file " + path + " cannot be created: " + std::strerror(errno);
  else if (!(body_ = std::tmpfile()))
    error_ = "PostScript file " + path + " cannot be created: no temporary file (" +
             std::strerror(errno) + ")";
  if (!ok()) return;
  out_.reserve(kSpillSize + 4096);
  begin_page();
}

PostScriptCanvas::~PostScriptCanvas() {
  finish();
  if (body_) std::fclose(body_);
}

void PostScriptCanvas::put_int(long v) { append_int(out_, v); }

void PostScriptCanvas::put_num(double v) { append_num(out_, v); }

void PostScriptCanvas::put_nums(std::initializer_list<double> values) {
  for (double v : values) {
    append_num(out_, v);
    out_ += ' ';
  }
}

// A PostScript string of the bytes: 7-bit clean, with lines kept short inside long strings.
void PostScriptCanvas::put_string(std::string_view bytes) {
  out_ += '(';
  int column = 0;
  for (unsigned char c : bytes) {
    if (c == '(' || c == ')' || c == '\\') {
      out_ += '\\';
      out_ += static_cast<char>(c);
      column += 2;
    } else if (c >= 0x20 && c < 0x7F) {
      out_ += static_cast<char>(c);
      ++column;
    } else {
      const char octal[4] = {'\\', static_cast<char>('0' + (c >> 6)),
                             static_cast<char>('0' + ((c >> 3) & 7)),
                             static_cast<char>('0' + (c & 7))};
      out_.append(octal, 4);
      column += 4;
    }
    if (column >= 200) {
      out_ += "\\\n";
      column = 0;
    }
  }
  out_ += ')';
}

void PostScriptCanvas::spill() {
  if (out_.empty() || !body_) return;
  if (std::fwrite(out_.data(), 1, out_.size(), body_) != out_.size() && ok())
    error_ = "PostScript file " + path_ + " cannot be written: " + std::strerror(errno);
  out_.clear();
}

void PostScriptCanvas::set_colour(const Rgb& c) {
  if (colour_known_ && colour_ == c) return;
  colour_known_ = true;
  colour_ = c;
  if (c.r == c.g && c.g == c.b) {
    put_num(c.r / 255.0);
    put(" g\n");
    return;
  }
  for (std::uint8_t v : {c.r, c.g, c.b}) {
    put_num(v / 255.0);
    put(" ");
  }
  put("rg\n");
}

void PostScriptCanvas::set_line_width(int w) {
  w = std::max(1, w);
  if (line_width_ == w) return;
  line_width_ = w;
  put_int(w);
  put(" w\n");
}

void PostScriptCanvas::begin_page() {
  max_width_ = std::max(max_width_, width_);
  max_height_ = std::max(max_height_, height_);
  const double pt = 72.0 / dpi_;
  // Whole points, as PostScript printers and converters take page sizes.
  const double w = std::ceil(width_ * pt), h = std::ceil(height_ * pt);
  put("%%Page: ");
  put_int(pages_);
  put(" ");
  put_int(pages_);
  put("\n%%PageBoundingBox: 0 0 ");
  put_num(w);
  put(" ");
  put_num(h);
  put("\n%%BeginPageSetup\n");
  put_num(w);
  put(" ");
  put_num(h);
  put(" SP\n%%EndPageSetup\nq [");
  // Dots, y down, from the top left corner.
  append_num(out_, pt, 6);
  put(" 0 0 ");
  append_num(out_, -pt, 6);
  put(" 0 ");
  put_num(h);
  put("] concat\n");
  colour_known_ = false;
  line_width_ = -1;
  font_selected_ = -1;
  baseline_ = kNoBaseline;
  clip_open_ = false;
  apply_clip();
}

void PostScriptCanvas::end_page() {
  if (clip_open_) put("Q\n");
  clip_open_ = false;
  put("Q showpage\n");
}

void PostScriptCanvas::new_page(int width, int height) {
  if (!ok() || finished_) return;
  end_page();
  ++pages_;
  set_page_size(width, height);
  begin_page();
  if (out_.size() >= kSpillSize) spill();
}

const FontMetrics& PostScriptCanvas::font_metrics() { return *font_in_use().metrics; }

const PostScriptCanvas::FontInUse& PostScriptCanvas::font_in_use() {
  const FontSpec& wanted = font_;
  if (in_use_.metrics && in_use_.font == wanted) return in_use_;
  // The measurer keeps its metrics for its lifetime, so the pointer stays valid.
  const FontMetrics& fm = measurer_.measure(wanted, dpi_);
  in_use_.font = wanted;
  in_use_.metrics = &fm;
  in_use_.sized = -1;
  if (!fm.font.file.empty()) {
    const SyntheticStyle synthetic = synthetic_style(wanted, fm.font);
    in_use_.sized = sized_font(fm, synthetic.bold, synthetic.italic);
  }
  return in_use_;
}

int PostScriptCanvas::sized_font(const FontMetrics& fm, bool synth_bold, bool synth_italic) {
  const auto base_key = std::make_tuple(fm.font.file, fm.font.index, synth_bold, synth_italic);
  auto b = base_index_.find(base_key);
  if (b == base_index_.end()) {
    BaseFont base;
    base.file = fm.font.file;
    base.index = fm.font.index;
    base.synth_bold = synth_bold;
    base.synth_italic = synth_italic;
    bases_.push_back(std::move(base));
    b = base_index_.emplace(base_key, static_cast<int>(bases_.size()) - 1).first;
  }
  const CodePage cp = in_use_.font.code_page;
  const auto sized_key = std::make_tuple(b->second, fm.pixel_size, cp);
  auto s = sized_index_.find(sized_key);
  if (s != sized_index_.end()) return s->second;
  SizedFont sized;
  sized.base = b->second;
  sized.pixel_size = fm.pixel_size;
  sized.code_page = cp;
  sized.advance = fm.advance;
  sized.glyph = fm.glyph;
  for (int c = 0; c < 256; ++c)
    sized.names[c] = fm.drawn[c] ? glyph_name(to_unicode(cp, static_cast<std::uint8_t>(c)))
                                 : std::string(".notdef");
  sized_.push_back(std::move(sized));
  return sized_index_.emplace(sized_key, static_cast<int>(sized_.size()) - 1).first->second;
}

void PostScriptCanvas::text_out(int x, int y, std::string_view bytes) {
  const FontInUse& use = font_in_use();
  const FontMetrics& fm = *use.metrics;
  int w = 0;
  for (unsigned char c : bytes) w += fm.advance[c];
  position_ = {x + w, y};
  if (!ok() || finished_ || bytes.empty()) return;

  if (brush_.style == BrushStyle::solid) {
    set_colour(brush_.colour);
    path_box(x, y, w, fm.height);
    put("f\n");
  }
  if (use.sized >= 0) {
    SizedFont& sf = sized_[static_cast<std::size_t>(use.sized)];
    for (unsigned char c : bytes) sf.used[c] = true;
    if (font_selected_ != use.sized) {
      font_selected_ = use.sized;
      put("F");
      put_int(use.sized);
      put(" setfont\n");
    }
    set_colour(font_.colour);
    put_string(bytes);
    put(" ");
    put_int(x);
    // Words of a line share their baseline: it is given once.
    const int baseline = y + fm.ascent;
    if (baseline != baseline_) {
      baseline_ = baseline;
      put(" ");
      put_int(baseline);
      put(" T\n");
    } else {
      put(" X\n");
    }
  }
  if (font_.underline) {
    set_colour(font_.colour);
    const int top = y + fm.ascent + fm.underline_position - fm.underline_thickness / 2;
    path_box(x, top, w, fm.underline_thickness);
    put("f\n");
  }
  if (out_.size() >= kSpillSize) spill();
}

void PostScriptCanvas::path_box(double x, double y, double w, double h) {
  put_nums({x, y});
  put("m ");
  put_nums({x + w, y});
  put("l ");
  put_nums({x + w, y + h});
  put("l ");
  put_nums({x, y + h});
  put("l h ");
}

// A rectangle with quarter-ellipse corners (cubic curves); with radii of half the sides an
// ellipse, with no radius a box.
void PostScriptCanvas::path_round_rect(double x, double y, double w, double h, double rx,
                                       double ry) {
  rx = std::clamp(rx, 0.0, w / 2);
  ry = std::clamp(ry, 0.0, h / 2);
  if (rx <= 0 || ry <= 0) {
    path_box(x, y, w, h);
    return;
  }
  const double kx = rx * kQuarterArc, ky = ry * kQuarterArc;
  auto pt = [&](double px, double py) { put_nums({px, py}); };
  const double r = x + w, b = y + h;
  pt(r, y + ry);
  put("m ");
  pt(r, b - ry);
  put("l ");
  pt(r, b - ry + ky);
  pt(r - rx + kx, b);
  pt(r - rx, b);
  put("c ");
  pt(x + rx, b);
  put("l ");
  pt(x + rx - kx, b);
  pt(x, b - ry + ky);
  pt(x, b - ry);
  put("c ");
  pt(x, y + ry);
  put("l ");
  pt(x, y + ry - ky);
  pt(x + rx - kx, y);
  pt(x + rx, y);
  put("c ");
  pt(r - rx, y);
  put("l ");
  pt(r - rx + kx, y);
  pt(r, y + ry - ky);
  pt(r, y + ry);
  put("c h ");
}

void PostScriptCanvas::line_to(int x, int y) {
  const Point from = position_;
  position_ = {x, y};
  if (!ok() || finished_ || pen_.style == PenStyle::clear || from == position_) return;
  set_colour(pen_.colour);
  set_line_width(pen_.width);
  double x0, y0, x1, y1;
  if (from.y == y) {
    // Horizontal: the dots from the start up to, not including, the end.
    x0 = x > from.x ? from.x : x + 1;
    x1 = x > from.x ? x : from.x + 1;
    y0 = y1 = y + 0.5;
  } else if (from.x == x) {
    y0 = y > from.y ? from.y : y + 1;
    y1 = y > from.y ? y : from.y + 1;
    x0 = x1 = x + 0.5;
  } else {
    x0 = from.x + 0.5;
    y0 = from.y + 0.5;
    x1 = x + 0.5;
    y1 = y + 0.5;
  }
  put_nums({x0, y0});
  put("m ");
  put_nums({x1, y1});
  put("l S\n");
}

void PostScriptCanvas::rectangle(const Rect& rect) {
  const Rect r = rect.normalized();
  if (!ok() || finished_ || r.empty()) return;
  if (pen_.style == PenStyle::clear) {
    // With a clear pen GDI fills one dot less to the right and at the bottom.
    if (brush_.style == BrushStyle::solid) {
      set_colour(brush_.colour);
      path_box(r.left, r.top, r.width() - 1, r.height() - 1);
      put("f\n");
    }
    return;
  }
  if (r.width() < 2 || r.height() < 2) {
    set_colour(pen_.colour);
    path_box(r.left, r.top, r.width(), r.height());
    put("f\n");
    return;
  }
  // Corners at dot centres, so a one-dot pen covers exactly the rectangle's edge dots.
  const double x = r.left + 0.5, y = r.top + 0.5, w = r.width() - 1, h = r.height() - 1;
  if (brush_.style == BrushStyle::solid) {
    set_colour(brush_.colour);
    path_box(x, y, w, h);
    put("f\n");
  }
  set_colour(pen_.colour);
  set_line_width(pen_.width);
  path_box(x, y, w, h);
  put("S\n");
}

void PostScriptCanvas::round_rect(const Rect& rect, int ellipse_width, int ellipse_height) {
  outline_rounded(rect, std::abs(ellipse_width) / 2.0, std::abs(ellipse_height) / 2.0);
}

void PostScriptCanvas::ellipse(const Rect& rect) {
  const Rect r = rect.normalized();
  outline_rounded(rect, r.width() / 2.0, r.height() / 2.0);
}

// Filled with the brush, outlined with the pen; with a clear pen GDI fills one dot less to the
// right and at the bottom, with a pen the outline runs through the edge dots' centres.
void PostScriptCanvas::outline_rounded(const Rect& rect, double rx, double ry) {
  const Rect r = rect.normalized();
  if (!ok() || finished_ || r.empty()) return;
  const bool clear_pen = pen_.style == PenStyle::clear;
  const double x = clear_pen ? r.left : r.left + 0.5, y = clear_pen ? r.top : r.top + 0.5;
  const double w = r.width() - 1, h = r.height() - 1;
  if (brush_.style == BrushStyle::solid) {
    set_colour(brush_.colour);
    path_round_rect(x, y, w, h, rx, ry);
    put("f\n");
  }
  if (!clear_pen) {
    set_colour(pen_.colour);
    set_line_width(pen_.width);
    path_round_rect(x, y, w, h, rx, ry);
    put("S\n");
  }
}

void PostScriptCanvas::fill_rect(const Rect& rect) {
  if (!ok() || finished_ || rect.empty() || brush_.style == BrushStyle::clear) return;
  set_colour(brush_.colour);
  path_box(rect.left, rect.top, rect.width(), rect.height());
  put("f\n");
}

void PostScriptCanvas::stretch_draw(const Rect& rect, const Bitmap& picture) {
  const Rect r = rect.normalized();
  if (!ok() || finished_ || r.empty() || picture.empty() ||
      picture.pixels.size() <
          static_cast<std::size_t>(picture.width) * static_cast<std::size_t>(picture.height))
    return;
  // PostScript has no partial transparency: translucent pixels are blended over the white
  // paper, as a printer would show them.
  std::vector<unsigned char> rgb;
  rgb.reserve(static_cast<std::size_t>(picture.width) * picture.height * 3);
  for (int y = 0; y < picture.height; ++y)
    for (int x = 0; x < picture.width; ++x) {
      const std::uint32_t p = picture.pixel(x, y);
      const std::uint32_t a = p >> 24;
      for (int shift : {16, 8, 0})
        rgb.push_back(
            static_cast<unsigned char>((((p >> shift) & 0xFF) * a + 255 * (255 - a)) / 255));
    }
  spill();
  put("q ");
  put_nums({static_cast<double>(r.left), static_cast<double>(r.top)});
  put("translate ");
  put_nums({static_cast<double>(r.width()), static_cast<double>(r.height())});
  put("scale /DeviceRGB setcolorspace\n<< /ImageType 1 /Width ");
  put_int(picture.width);
  put(" /Height ");
  put_int(picture.height);
  put(" /BitsPerComponent 8 /Decode [0 1 0 1 0 1] /Interpolate true /ImageMatrix [");
  put_nums({static_cast<double>(picture.width), 0, 0, static_cast<double>(picture.height), 0, 0});
  put("] /DataSource currentfile /ASCII85Decode filter >> image\n");
  append_ascii85(out_, rgb);
  put("Q\n");
  spill();
}

void PostScriptCanvas::apply_clip() {
  if (!ok() || finished_) return;
  if (clip_open_) {
    put("Q\n");
    colour_known_ = false;
    line_width_ = -1;
    font_selected_ = -1;
    clip_open_ = false;
  }
  if (clipped_) {
    put("q ");
    put_nums({static_cast<double>(clip_.left), static_cast<double>(clip_.top),
              static_cast<double>(clip_.width()), static_cast<double>(clip_.height())});
    put("rectclip\n");
    clip_open_ = true;
  }
}

void PostScriptCanvas::set_clip(const Rect& r) {
  CanvasBase::set_clip(r);
  apply_clip();
}

void PostScriptCanvas::reset_clip() {
  CanvasBase::reset_clip();
  apply_clip();
}

std::string PostScriptCanvas::prolog() const {
  std::string s = "%!PS-Adobe-3.0\n%%Creator: Corvina\n";
  // Comment lines stay within the 255 characters that spoolers read.
  if (!title_.empty()) s += "%%Title: " + printable_ascii(title_.substr(0, 200)) + "\n";
  s += "%%Pages: ";
  append_int(s, pages_);
  s += "\n%%DocumentData: Clean7Bit\n%%LanguageLevel: 2\n%%BoundingBox: 0 0 ";
  append_int(s, static_cast<long>(std::ceil(max_width_ * 72.0 / dpi_)));
  s += ' ';
  append_int(s, static_cast<long>(std::ceil(max_height_ * 72.0 / dpi_)));
  for (std::size_t k = 0; k < sized_.size(); ++k) {
    s += k == 0 ? "\n%%DocumentSuppliedResources: font F" : "\n%%+ font F";
    append_int(s, static_cast<long>(k));
  }
  s += "\n%%EndComments\n%%BeginProlog\n";
  s += kProlog;
  s += "%%EndProlog\n";
  return s;
}

namespace {

// A glyph's outline in font units as charstring operators, with the synthetic styles applied.
std::vector<unsigned char> glyph_outline(FT_Face face, std::uint32_t index, bool synth_bold,
                                         bool synth_italic) {
  CharstringWriter w;
  if (!face ||
      FT_Load_Glyph(face, index, FT_LOAD_NO_SCALE | FT_LOAD_NO_HINTING | FT_LOAD_NO_BITMAP) != 0 ||
      face->glyph->format != FT_GLYPH_FORMAT_OUTLINE)
    return {};
  FT_Outline& outline = face->glyph->outline;
  if (synth_bold) {
    const FT_Pos strength = face->units_per_EM / 24;
    FT_Outline_EmboldenXY(&outline, strength, strength);
  }
  if (synth_italic) {
    FT_Matrix shear{0x10000, kObliqueShear, 0, 0x10000};
    FT_Outline_Transform(&outline, &shear);
  }
  FT_Outline_Funcs funcs{outline_move, outline_line, outline_conic, outline_cubic, 0, 0};
  FT_Outline_Decompose(&outline, &funcs, &w);
  return w.outline();
}

}  // namespace

// Each base font's encodings, then one Type 1 font for each size with the glyphs drawn in it.
std::string PostScriptCanvas::font_resources(std::string* error) {
  std::string s;
  // An encoding for each base font and code page: the bytes it has no glyph for show nothing.
  std::map<std::pair<int, CodePage>, std::string> encodings;
  for (const SizedFont& sf : sized_) {
    std::string& name = encodings[{sf.base, sf.code_page}];
    if (!name.empty()) continue;
    name = "E" + std::to_string(sf.base) + "_" + std::to_string(static_cast<int>(sf.code_page));
    s += '/' + name + " [";
    for (int c = 0; c < 256; ++c) {
      s += (c % 8 == 0) ? "\n/" : " /";
      s += sf.names[c];
    }
    s += "] def\n";
  }

  FT_Library library = nullptr;
  if (FT_Init_FreeType(&library) != 0) {
    *error = "FreeType cannot be started";
    return s;
  }
  for (std::size_t i = 0; i < bases_.size(); ++i) {
    const BaseFont& base = bases_[i];
    FT_Face face = nullptr;
    if (FT_New_Face(library, base.file.c_str(), base.index, &face) != 0) face = nullptr;
    const long units = face && face->units_per_EM ? face->units_per_EM : 1000;
    std::array<long, 4> box{0, 0, units, units};
    if (face) {
      const FT_BBox& bb = face->bbox;
      const long bold = base.synth_bold ? units / 24 : 0;
      const long slant_top =
          base.synth_italic ? (std::max<long>(bb.yMax, 0) * kObliqueShear >> 16) : 0;
      const long slant_bottom =
          base.synth_italic ? (std::min<long>(bb.yMin, 0) * kObliqueShear >> 16) : 0;
      box = {bb.xMin - bold + slant_bottom, bb.yMin - bold, bb.xMax + bold + slant_top,
             bb.yMax + bold};
    }
    std::map<std::string, std::vector<unsigned char>> outlines;
    for (std::size_t k = 0; k < sized_.size(); ++k) {
      const SizedFont& sf = sized_[k];
      if (static_cast<std::size_t>(sf.base) != i) continue;
      // The glyphs drawn in this size, each with its measured advance; bytes without a glyph
      // all advance by the same .notdef width.
      std::map<std::string_view, int> drawn;
      int notdef = 0;
      for (int c = 0; c < 256; ++c) {
        if (sf.names[c] == ".notdef")
          notdef = sf.advance[c];
        else if (sf.used[c])
          drawn.emplace(sf.names[c], c);
      }
      s += "%%BeginResource: font F";
      append_int(s, static_cast<long>(k));
      s += "\n/F";
      append_int(s, static_cast<long>(k));
      s += ' ' + encodings[{sf.base, sf.code_page}] + " [";
      for (int e = 0; e < 4; ++e) {
        append_int(s, box[e]);
        s += e < 3 ? " " : "] ";
      }
      append_int(s, units);
      s += ' ';
      append_int(s, sf.pixel_size);
      s += ' ';
      append_int(s, static_cast<long>(drawn.size()) + 1);
      s += " dict dup begin\n/.notdef ";
      CharstringWriter empty;
      empty.width(notdef * units, sf.pixel_size);
      s += empty.finish();
      s += " def\n";
      for (const auto& [name, c] : drawn) {
        auto o = outlines.find(std::string(name));
        if (o == outlines.end())
          o = outlines
                  .emplace(std::string(name),
                           glyph_outline(face, sf.glyph[c], base.synth_bold, base.synth_italic))
                  .first;
        CharstringWriter glyph;
        glyph.width(sf.advance[c] * units, sf.pixel_size);
        glyph.append(o->second);
        s += '/';
        s += name;
        s += ' ';
        s += glyph.finish();
        s += " def\n";
      }
      s += "end MF\n%%EndResource\n";
    }
    if (face) FT_Done_Face(face);
  }
  FT_Done_FreeType(library);
  return s;
}

bool PostScriptCanvas::write_file(std::FILE* f) {
  std::string font_error;
  std::string head = prolog();
  head += "%%BeginSetup\n";
  head += font_resources(&font_error);
  head += "%%EndSetup\n";
  if (!font_error.empty()) {
    error_ = "PostScript file " + path_ + " cannot be written: " + font_error;
    return false;
  }
  if (std::fwrite(head.data(), 1, head.size(), f) != head.size()) return false;
  if (std::fflush(body_) != 0 || std::fseek(body_, 0, SEEK_SET) != 0) return false;
  std::vector<char> buf(1 << 16);
  std::size_t n;
  while ((n = std::fread(buf.data(), 1, buf.size(), body_)) > 0)
    if (std::fwrite(buf.data(), 1, n, f) != n) return false;
  if (std::ferror(body_)) return false;
  static constexpr std::string_view kTrailer = "%%Trailer\n%%EOF\n";
  return std::fwrite(kTrailer.data(), 1, kTrailer.size(), f) == kTrailer.size();
}

bool PostScriptCanvas::finish() {
  if (finished_) return ok();
  if (!ok()) {
    finished_ = true;
    return false;
  }
  end_page();
  spill();
  finished_ = true;
  if (!ok()) return false;
  // The printout is made again from the formatted file on the next run: no flush to disk.
  const FileError e = replace_file_atomic(
      path_, [this](std::FILE* f) { return write_file(f); }, no_drives(),
      ReplaceOptions{.flush = false});
  if (e != FileError::none && ok())
    error_ = "PostScript file " + path_ + " cannot be written: " + file_error_text(e);
  return ok();
}

}  // namespace platform

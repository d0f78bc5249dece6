// Fonts as Windows' GDI offers them to a program: a face name with style words resolves to
// a font file (fontconfig, so "Times New Roman" finds its metric-compatible Liberation face),
// and FreeType measures it at a device resolution in whole device dots, the way GDI reports
// character widths. The canvases draw with the same files and the same whole-dot advances,
// so a width measured here is the width that is drawn.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/text.h"

namespace platform {

// A face name split from its style words.
struct FaceStyle {
  std::string name;
  bool bold = false;
  bool italic = false;
};

// "Arial Bold Italic" -> {"Arial", bold, italic}: each of the words "ITALIC" and "BOLD"
// (found case-insensitively as a word of its own) is removed once and becomes the style.
FaceStyle split_face_style(std::string_view face_text);

// What fontconfig found for a request.
struct ResolvedFont {
  std::string file;    // font file path; empty when nothing at all was found
  int index = 0;       // face index inside the file
  std::string family;  // family of the file found ("Liberation Serif")
  std::string style;   // its style ("Bold Italic")
  bool bold = false;   // the face found is bold / italic itself
  bool italic = false;
  // True when the face found is neither the family asked for nor one that fontconfig
  // lists as its substitute (metric alias); it is then the generic fallback.
  bool fallback = false;
  std::string note;  // for a fallback: a sentence saying which face stands in
};

// fontconfig's answer for a family with bold/italic. "Times-Bold"-like PostScript names are
// also understood. Thread-safe.
ResolvedFont resolve_font(std::string_view family, bool bold, bool italic);

// The font families a printer offers here (what Windows lists as the printer's fonts): every
// scalable family fontconfig knows, plus the Windows and PostScript core names ("Arial",
// "Times New Roman", "Helvetica", ...) that resolve to a metric-compatible face. Sorted,
// without duplicates.
std::vector<std::string> list_font_families();

// One font as a canvas uses it. The size is in points; the character set says how bytes
// map to characters (Windows' ANSI set is code page 1252, the OEM set 850 or 437).
struct FontSpec {
  std::string face = "Arial";  // may carry style words ("Arial Bold")
  double size = 10.0;
  bool bold = false;
  bool italic = false;
  CodePage code_page = CodePage::cp1252;

  auto operator<=>(const FontSpec&) const = default;
};

// The styles a font asks for (by its flags or the style words of its face) that the face
// found lacks: the canvases make them from the face's outlines, embolden and slant, and a
// synthetic bold is one dot wider per character.
struct SyntheticStyle {
  bool bold = false;
  bool italic = false;
};
SyntheticStyle synthetic_style(const FontSpec& font_spec, const ResolvedFont& found);

// The pixel size GDI gives a font of `points` at `dpi`: points x dpi / 72, rounded, at
// least 1.
int font_pixel_size(double points, int dpi);

// Metrics of one font at one resolution, all in whole device dots.
struct FontMetrics {
  ResolvedFont font;
  int pixel_size = 0;  // the em size in dots
  int ascent = 0;      // baseline below the top of the character cell
  int descent = 0;
  int height = 0;              // ascent + descent: the cell height GDI reports as the text height
  int underline_position = 0;  // below the baseline
  int underline_thickness = 1;
  std::array<int, 256> advance{};          // advance width of each code-page byte
  std::array<std::uint32_t, 256> glyph{};  // glyph index of each byte (0: the font lacks it)
  std::array<bool, 256> drawn{};           // the byte has a glyph to draw (not a control code)
};

// Opens font files with FreeType and measures them; keeps what it measured. One measurer
// belongs to one thread (FreeType faces are not shared between threads).
class FontMeasurer {
 public:
  FontMeasurer();
  ~FontMeasurer();
  FontMeasurer(const FontMeasurer&) = delete;
  FontMeasurer& operator=(const FontMeasurer&) = delete;

  // The metrics of a font at a device resolution (dots per inch > 0). Never fails: a face
  // that cannot be loaded at all gives zero widths and the note in font.note.
  const FontMetrics& measure(const FontSpec& font_spec, int dpi);

  // The width of a byte text in dots: the sum of the advances.
  int text_width(const FontSpec& font_spec, int dpi, std::string_view bytes);

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace platform

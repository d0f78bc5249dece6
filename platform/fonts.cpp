#include "platform/fonts.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <mutex>
#include <tuple>
#include <utility>
#include <vector>

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_TRUETYPE_TABLES_H

namespace platform {

namespace {

std::string upper_ascii(std::string_view s) {
  std::string r(s);
  for (char& c : r)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return r;
}

bool equal_ignore_case(std::string_view a, std::string_view b) {
  return a.size() == b.size() && upper_ascii(a) == upper_ascii(b);
}

std::string trim(std::string s) {
  const auto first = s.find_first_not_of(' ');
  if (first == std::string::npos) return {};
  const auto last = s.find_last_not_of(' ');
  return s.substr(first, last - first + 1);
}

void ensure_fontconfig() {
  static std::once_flag once;
  std::call_once(once, [] { FcInit(); });
}

struct Match {
  ResolvedFont font;
  bool found_as_named = false;
};

Match match_family(const std::string& family, bool bold, bool italic) {
  Match result;
  FcPattern* pat = FcPatternCreate();
  FcPatternAddString(pat, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
  FcPatternAddInteger(pat, FC_WEIGHT, bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
  FcPatternAddInteger(pat, FC_SLANT, italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
  FcPatternAddBool(pat, FC_OUTLINE, FcTrue);
  FcConfigSubstitute(nullptr, pat, FcMatchPattern);
  FcDefaultSubstitute(pat);
  FcResult res = FcResultNoMatch;
  FcPattern* m = FcFontMatch(nullptr, pat, &res);
  if (m) {
    FcChar8* s = nullptr;
    if (FcPatternGetString(m, FC_FILE, 0, &s) == FcResultMatch)
      result.font.file = reinterpret_cast<char*>(s);
    int index = 0;
    if (FcPatternGetInteger(m, FC_INDEX, 0, &index) == FcResultMatch) result.font.index = index;
    if (FcPatternGetString(m, FC_FAMILY, 0, &s) == FcResultMatch)
      result.font.family = reinterpret_cast<char*>(s);
    if (FcPatternGetString(m, FC_STYLE, 0, &s) == FcResultMatch)
      result.font.style = reinterpret_cast<char*>(s);
    int weight = FC_WEIGHT_REGULAR, slant = FC_SLANT_ROMAN;
    FcPatternGetInteger(m, FC_WEIGHT, 0, &weight);
    FcPatternGetInteger(m, FC_SLANT, 0, &slant);
    result.font.bold = weight >= FC_WEIGHT_DEMIBOLD;
    result.font.italic = slant != FC_SLANT_ROMAN;
    // The face counts as the named one when it is the family itself or one that
    // fontconfig's rules put in with a strong binding (a metric alias such as
    // Liberation Serif for Times New Roman); weakly bound names are mere fallbacks.
    if (equal_ignore_case(result.font.family, family)) {
      result.found_as_named = true;
    } else {
      FcValue v;
      FcValueBinding binding;
      for (int i = 0; FcPatternGetWithBinding(pat, FC_FAMILY, i, &v, &binding) == FcResultMatch;
           ++i) {
        if (v.type != FcTypeString || binding == FcValueBindingWeak) continue;
        if (equal_ignore_case(reinterpret_cast<const char*>(v.u.s), result.font.family)) {
          result.found_as_named = true;
          break;
        }
      }
    }
    FcPatternDestroy(m);
  }
  FcPatternDestroy(pat);
  return result;
}

}  // namespace

FaceStyle split_face_style(std::string_view face_text) {
  FaceStyle fs;
  std::vector<std::string> words;
  std::string word;
  for (char c : face_text) {
    if (c == ' ') {
      if (!word.empty()) words.push_back(std::move(word));
      word.clear();
    } else {
      word += c;
    }
  }
  if (!word.empty()) words.push_back(std::move(word));
  for (auto it = words.begin(); it != words.end();) {
    const std::string up = upper_ascii(*it);
    if (up == "ITALIC" && !fs.italic) {
      fs.italic = true;
      it = words.erase(it);
    } else if (up == "BOLD" && !fs.bold) {
      fs.bold = true;
      it = words.erase(it);
    } else {
      ++it;
    }
  }
  for (const auto& w : words) {
    if (!fs.name.empty()) fs.name += ' ';
    fs.name += w;
  }
  return fs;
}

ResolvedFont resolve_font(std::string_view family_in, bool bold, bool italic) {
  ensure_fontconfig();
  std::string family = trim(std::string(family_in));
  Match m = match_family(family, bold, italic);
  if (!m.found_as_named) {
    // PostScript names carry their style after a hyphen: "Times-BoldItalic".
    const auto dash = family.rfind('-');
    if (dash != std::string::npos && dash > 0) {
      const std::string suffix = upper_ascii(family.substr(dash + 1));
      const bool b = bold || suffix.find("BOLD") != std::string::npos;
      const bool i = italic || suffix.find("ITALIC") != std::string::npos ||
                     suffix.find("OBLIQUE") != std::string::npos;
      Match second = match_family(family.substr(0, dash), b, i);
      if (second.found_as_named) m = second;
    }
  }
  if (!m.found_as_named) {
    m.font.fallback = true;
    if (m.font.file.empty())
      m.font.note = "font \"" + family + "\" not found and no fallback font installed";
    else
      m.font.note = "font \"" + family + "\" not found, using \"" + m.font.family +
                    (m.font.style.empty() ? "" : " " + m.font.style) + "\" instead";
  }
  return m.font;
}

std::vector<std::string> list_font_families() {
  ensure_fontconfig();
  std::vector<std::string> families;
  FcPattern* pat = FcPatternCreate();
  FcPatternAddBool(pat, FC_OUTLINE, FcTrue);
  FcObjectSet* os = FcObjectSetBuild(FC_FAMILY, nullptr);
  FcFontSet* set = FcFontList(nullptr, pat, os);
  if (set) {
    for (int i = 0; i < set->nfont; ++i) {
      FcChar8* s = nullptr;
      // The first family name of a font is its main (usually English) name.
      if (FcPatternGetString(set->fonts[i], FC_FAMILY, 0, &s) == FcResultMatch)
        families.emplace_back(reinterpret_cast<char*>(s));
    }
    FcFontSetDestroy(set);
  }
  FcObjectSetDestroy(os);
  FcPatternDestroy(pat);
  static constexpr const char* kCoreNames[] = {"Arial",
                                               "Courier New",
                                               "Times New Roman",
                                               "Helvetica",
                                               "Courier",
                                               "Times",
                                               "Symbol",
                                               "Palatino",
                                               "Bookman",
                                               "Avant Garde",
                                               "New Century Schoolbook",
                                               "Zapf Chancery"};
  for (const char* name : kCoreNames)
    if (!resolve_font(name, false, false).fallback) families.emplace_back(name);
  std::sort(families.begin(), families.end());
  families.erase(std::unique(families.begin(), families.end()), families.end());
  return families;
}

int font_pixel_size(double points, int dpi) {
  if (!(points >= 1.0)) points = 1.0;  // also catches NaN
  if (dpi < 1) dpi = 1;
  const double px = std::nearbyint(points * dpi / 72.0);
  if (px > 100000.0) return 100000;
  return px < 1.0 ? 1 : static_cast<int>(px);
}

struct FontMeasurer::Impl {
  FT_Library library = nullptr;
  std::map<std::pair<std::string, int>, FT_Face> faces;
  std::map<std::tuple<std::string, bool, bool>, ResolvedFont> resolved;
  std::map<std::pair<FontSpec, int>, FontMetrics> metrics;

  ~Impl() {
    for (auto& [key, face] : faces)
      if (face) FT_Done_Face(face);
    if (library) FT_Done_FreeType(library);
  }

  FT_Face face_for(const ResolvedFont& rf) {
    auto key = std::make_pair(rf.file, rf.index);
    auto it = faces.find(key);
    if (it != faces.end()) return it->second;
    FT_Face face = nullptr;
    if (library && !rf.file.empty() && FT_New_Face(library, rf.file.c_str(), rf.index, &face) != 0)
      face = nullptr;
    faces.emplace(key, face);
    return face;
  }

  const ResolvedFont& resolve(const std::string& name, bool bold, bool italic) {
    auto key = std::make_tuple(name, bold, italic);
    auto it = resolved.find(key);
    if (it == resolved.end()) it = resolved.emplace(key, resolve_font(name, bold, italic)).first;
    return it->second;
  }
};

FontMeasurer::FontMeasurer() : impl_(std::make_unique<Impl>()) {
  if (FT_Init_FreeType(&impl_->library) != 0) impl_->library = nullptr;
}

FontMeasurer::~FontMeasurer() = default;

SyntheticStyle synthetic_style(const FontSpec& font_spec, const ResolvedFont& found) {
  const FaceStyle fs = split_face_style(font_spec.face);
  return {(font_spec.bold || fs.bold) && !found.bold,
          (font_spec.italic || fs.italic) && !found.italic};
}

const FontMetrics& FontMeasurer::measure(const FontSpec& font_spec, int dpi) {
  if (dpi < 1) dpi = 1;
  auto key = std::make_pair(font_spec, dpi);
  auto it = impl_->metrics.find(key);
  if (it != impl_->metrics.end()) return it->second;

  FontMetrics fm;
  const FaceStyle fs = split_face_style(font_spec.face);
  const bool bold = font_spec.bold || fs.bold;
  const bool italic = font_spec.italic || fs.italic;
  fm.font = impl_->resolve(fs.name, bold, italic);
  fm.pixel_size = font_pixel_size(font_spec.size, dpi);
  FT_Face face = impl_->face_for(fm.font);
  if (!face) {
    if (fm.font.note.empty()) fm.font.note = "font file \"" + fm.font.file + "\" cannot be loaded";
    fm.font.fallback = true;
    return impl_->metrics.emplace(key, fm).first->second;
  }
  FT_Set_Pixel_Sizes(face, 0, static_cast<FT_UInt>(fm.pixel_size));
  const double scale =
      static_cast<double>(fm.pixel_size) / (face->units_per_EM ? face->units_per_EM : 1000);

  const TT_OS2* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
  double ascent = face->ascender, descent = -face->descender;
  if (os2 && os2->version != 0xFFFFu && (os2->usWinAscent + os2->usWinDescent) > 0) {
    // GDI's cell comes from the Windows ascent and descent.
    ascent = os2->usWinAscent;
    descent = os2->usWinDescent;
  }
  fm.ascent = static_cast<int>(std::lround(ascent * scale));
  fm.descent = static_cast<int>(std::lround(descent * scale));
  fm.height = fm.ascent + fm.descent;
  fm.underline_position = static_cast<int>(std::lround(-face->underline_position * scale));
  fm.underline_thickness =
      std::max(1, static_cast<int>(std::lround(face->underline_thickness * scale)));

  // Synthetic bold is one dot wider per character, as GDI makes it.
  const int emboldened = synthetic_style(font_spec, fm.font).bold ? 1 : 0;
  int notdef = 0;
  if (FT_Load_Glyph(face, 0, FT_LOAD_NO_HINTING | FT_LOAD_NO_BITMAP) == 0)
    notdef = static_cast<int>(std::lround(face->glyph->advance.x / 64.0));
  for (int c = 0; c < 256; ++c) {
    const char32_t u = to_unicode(font_spec.code_page, static_cast<std::uint8_t>(c));
    const bool control = u < 0x20 || (u >= 0x7F && u < 0xA0);
    FT_UInt gi = control ? 0 : FT_Get_Char_Index(face, u);
    int adv = notdef;
    if (gi != 0 && FT_Load_Glyph(face, gi, FT_LOAD_NO_HINTING | FT_LOAD_NO_BITMAP) == 0)
      adv = static_cast<int>(std::lround(face->glyph->advance.x / 64.0));
    fm.advance[static_cast<std::size_t>(c)] = adv + emboldened;
    fm.glyph[static_cast<std::size_t>(c)] = gi;
    fm.drawn[static_cast<std::size_t>(c)] = gi != 0;
  }
  return impl_->metrics.emplace(key, fm).first->second;
}

int FontMeasurer::text_width(const FontSpec& font_spec, int dpi, std::string_view bytes) {
  const FontMetrics& fm = measure(font_spec, dpi);
  int w = 0;
  for (unsigned char c : bytes) w += fm.advance[c];
  return w;
}

}  // namespace platform

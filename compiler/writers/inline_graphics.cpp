#include "compiler/writers/inline_graphics.h"

#include <vector>

#include "compiler/foundation/file_names.h"
#include "compiler/passes/compiler_run.h"
#include "compiler/writers/markup.h"
#include "platform/files.h"

namespace skeldon {

namespace {

constexpr std::uint16_t kUnmeasured = 300;

// Little-endian word at an offset; false when the file ends before it.
bool WordAt(const std::vector<std::uint8_t>& b, std::size_t offset, std::uint16_t& value) {
  if (offset + 2 > b.size()) return false;
  value = static_cast<std::uint16_t>(b[offset] | (b[offset + 1] << 8));
  return true;
}

bool MeasureBitmap(const std::vector<std::uint8_t>& b, std::uint16_t& w, std::uint16_t& h) {
  std::uint16_t kind = 0;
  if (!WordAt(b, 0, kind)) return false;
  if (kind == 0) return WordAt(b, 2, w) && WordAt(b, 4, h);
  if (kind != 0x4D42) return false;
  if (!WordAt(b, 18, w) || !WordAt(b, 22, h)) return false;
  if (h < 2 || h > 8000) h = w;
  return true;
}

bool MeasureGif(const std::vector<std::uint8_t>& b, std::uint16_t& w, std::uint16_t& h) {
  if (b.size() < 11) return false;
  // The packed byte's top bit says whether a global colour table follows the screen header.
  const bool table = (b[10] & 0x80) != 0;
  std::size_t p = 13 + (table ? 3 * (std::size_t{1} << ((b[10] & 7) + 1)) : 0);
  if (p + 3 > b.size()) return false;
  if (b[p] == 0x21 && b[p + 1] == 0xF9 && b[p + 2] == 0x04)
    p += 3 + 5 + 3;
  else
    p += 3;
  p += 2;
  return WordAt(b, p, w) && WordAt(b, p + 2, h);
}

// Pixels to twips; a size beyond the 16-bit field is held at its largest value.
std::uint16_t Twips(std::uint16_t pixels) {
  const std::uint32_t t = static_cast<std::uint32_t>(pixels) * 10;
  return static_cast<std::uint16_t>(t > 65535 ? 65535 : t);
}

}  // namespace

std::string RtfEscaped(std::string_view text) {
  std::string out;
  for (char c : text) {
    if (c == '\\' || c == '{' || c == '}') out.push_back('\\');
    out.push_back(c);
  }
  return out;
}

std::string HtmlAttributeText(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '"':
        out += "&quot;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      default:
        out.push_back(c);
    }
  }
  return out;
}

bool IpfPictureNameUsable(CompilerRun& run, std::string_view name) {
  if (name.find('\'') == std::string_view::npos) return true;
  run.Reporter.ReportSourceError({MessageId::PictureNameWithApostrophe, std::string(name)}, 0);
  return false;
}

std::string GetWorkDirPrefix() { return std::string(); }

bool MeasurePicture(const std::vector<std::uint8_t>& bytes, bool bitmap, std::uint16_t& width,
                    std::uint16_t& height) {
  return bitmap ? MeasureBitmap(bytes, width, height) : MeasureGif(bytes, width, height);
}

void GetPictureSize(std::string_view name, std::uint16_t& width, std::uint16_t& height) {
  std::string upper(name);
  for (char& c : upper)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
  const bool bitmap = upper.find(".BMP") != std::string::npos;
  const bool gif = !bitmap && upper.find(".GIF") != std::string::npos;
  width = kUnmeasured;
  height = kUnmeasured;
  if (!bitmap && !gif) return;
  const platform::ReadResult file = platform::read_file(name);
  if (!file.ok()) return;
  std::uint16_t w = 0, h = 0;
  if (!MeasurePicture(file.bytes, bitmap, w, h)) return;
  width = Twips(w);
  height = Twips(h);
}

void WriteInlineGraphic(CompilerRun& run, std::string_view name) {
  const TTargetFlags& t = run.Ini.TargetFlags;
  std::string& out = run.Passes.OutputFile;
  if (t.Html) {
    out += "<img align=bottom src=\"" + HtmlAttributeText(NormalizeFileName(run, name)) + "\">";
  } else if (t.Ipf) {
    if (IpfPictureNameUsable(run, name)) out += ":artwork runin name='" + std::string(name) + "'.";
  } else if (t.RtfFamily && !t.RtfText) {
    out += " \\{bmc " + RtfEscaped(name) + "\\}";
  } else if (t.RtfText) {
    std::uint16_t w = 0, h = 0;
    GetPictureSize(name, w, h);
    out += "{\\*\\flyinpara\\pard\\plain\\absw" + std::to_string(w) + "\\absh" + std::to_string(h) +
           "{\\*\\flymaincnt0}{{\\field{\\*\\fldinst{\\\\import " + RtfEscaped(name) +
           "}}}}\\pard}";
  }
}

void WriteGraphicChar(CompilerRun& run, std::uint8_t ch) {
  const TPassServices& ps = run.Passes;
  const std::uint8_t index = ps.GraphicCharIndex[ch];
  if (index == 0 || index > ps.GraphicFileNames.size()) return;
  const bool rtf = run.Ini.TargetFlags.RtfFamily;
  if (!rtf) WriteReflowLineEnd(run, run.Passes.OutputFile);
  WriteInlineGraphic(run, ps.GraphicFileNames[index - 1]);
  if (!rtf) WriteReflowLineEnd(run, run.Passes.OutputFile);
  run.CharConversion.Context.AfterFontChange = true;
}

}  // namespace skeldon

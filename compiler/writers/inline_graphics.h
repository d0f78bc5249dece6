// Pictures inside running text: the reference to a picture in the target's syntax, the size
// of bitmap and GIF files for RTF text, and the picture of a graphics character.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace skeldon {

struct CompilerRun;

// The text with the RTF special characters (backslash and braces) escaped, for picture names
// and context strings that stand in RTF markup.
std::string RtfEscaped(std::string_view text);
// The text as it may stand between the double quotes of an HTML attribute.
std::string HtmlAttributeText(std::string_view text);
// True when the picture name can stand in IPF's name='...' (IPF has no way to quote an
// apostrophe there); otherwise the picture is reported and the caller leaves it out.
bool IpfPictureNameUsable(CompilerRun& run, std::string_view name);
std::string GetWorkDirPrefix();
// Width and height in pixels of a bitmap (bitmap set) or GIF file's bytes; false when the
// bytes end before the size.
bool MeasurePicture(const std::vector<std::uint8_t>& bytes, bool bitmap, std::uint16_t& width,
                    std::uint16_t& height);
// Width and height in twips (pixels x 10); 300 x 300 when the file cannot be measured.
void GetPictureSize(std::string_view name, std::uint16_t& width, std::uint16_t& height);
void WriteInlineGraphic(CompilerRun& run, std::string_view name);
void WriteGraphicChar(CompilerRun& run, std::uint8_t ch);

}  // namespace skeldon

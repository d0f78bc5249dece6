// Writers shared by every contents form: a heading as a link in the run's target, the IPF
// window attributes of a frame group, the NOFRAMES block and the BODY attributes of a page,
// and the nested contents list of the HTML contents page and the HTML Help contents (HHC).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace skeldon {

struct CompilerRun;
struct THeadingNode;

void WriteContentsLink(CompilerRun& run, const THeadingNode& node, bool windowPosition,
                       std::uint16_t group);
std::uint8_t GetGroupLevel(const CompilerRun& run, std::uint8_t level);
std::string WriteIpfWindowPosition(const CompilerRun& run, bool headingForm,
                                   std::uint8_t windowLevel, const THeadingNode& node);
void WriteNoFramesBlock(CompilerRun& run, std::string& f, std::string_view fileName,
                        const THeadingNode* node, std::uint8_t pageKind);
void WriteBodyAttributes(CompilerRun& run, std::string& f, bool quoteEscaping,
                         const THeadingNode* node, std::uint8_t pageKind);
void WriteHtmlContents(CompilerRun& run);

}  // namespace skeldon

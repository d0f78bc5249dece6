// Services shared by the link, contents and page writers: the opening of a link to an external
// target, WinHelp topic IDs and window suffixes, the index character at the start of a run,
// the expansion of the ini text templates, the copy of a heading's title and the list of used
// external links.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace skeldon {

struct CompilerRun;
struct THeadingNode;
struct TTemplateText;

void WriteExternalLink(CompilerRun& run, std::string_view url);
void MakeFileUrl(std::string& url);
void StripFileScheme(std::string& url);
std::string GetTopicId(const std::string* contextId, std::uint16_t number);
std::string GetWindowSuffix(const CompilerRun& run, bool groupFlag);
void ResetIndexChar(CompilerRun& run);
std::string FindButtonText(const CompilerRun& run, std::uint8_t code);
void ExpandTemplate(CompilerRun& run, std::string& f, const TTemplateText& templ,
                    const THeadingNode* node, std::uint8_t pageKind, bool titleLimit,
                    bool dropQuotes, std::string_view fileName);
void CopyHeadingTitle(CompilerRun& run, std::string& f, std::int32_t position, bool titleLimit,
                      bool raw, bool dropQuotes);
void WriteExternalLinkList(CompilerRun& run);

}  // namespace skeldon

// Source text output: every character of running text, headings, index entries and link
// texts reaches its file here. Internal toggle characters become the target's markup; every
// other character goes on to the character conversion.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace skeldon {

struct CompilerRun;

struct TSourceTextState {
  bool HtmlCodeOn = false;  // .HC ON
  bool InHtmlCode = false;  // between '<' and '>' while HtmlCodeOn
  bool ToggleChanged = false;
};

void WriteSourceChar(CompilerRun& run, std::uint8_t c, std::string& f);
void WriteSourceText(CompilerRun& run, std::string_view text, std::string& f);
void WriteTargetText(CompilerRun& run, std::string_view text, std::string& f);
std::string RemoveIndexFilterChars(const CompilerRun& run, std::string_view text);

}  // namespace skeldon

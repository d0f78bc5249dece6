// The JavaScript contents tree: the frameset page whose script draws the heading tree as a
// collapsible tree, with one data line per heading.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace skeldon {

struct CompilerRun;
struct THeadingNode;

// The name under which the HTML output start creates a fixed page of the tree frameset
// (prefix + "INDXI", prefix + "EMPTY") and under which the frameset links to it, so both
// always agree.
std::string ContentsTreeFramePageName(CompilerRun& run, std::string_view base);

void WriteJavaScriptTree(CompilerRun& run);

}  // namespace skeldon

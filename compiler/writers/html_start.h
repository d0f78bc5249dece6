// The start of every HTML and HTML Help run: the pages that hold no source text (home
// frameset, collective footnote page, contents pages, index page) and the placeholder page
// that the output pass finds open.
#pragma once

namespace skeldon {

struct CompilerRun;

void StartHtmlOutput(CompilerRun& run);

}  // namespace skeldon

// The heading pass: the first read of the source. It builds the heading tree, numbers headings
// and output files as the later passes will, collects the page names of HTML files, binds
// navigation buttons to headings and checks the heading structure.
#pragma once

namespace skeldon {

struct CompilerRun;

// Stops the run (code 31) without a heading or when the first heading is not ".1".
void IndexHeadings(CompilerRun& run);

}  // namespace skeldon

// The end of a heading in the output pass: the closing markup of the heading for the target,
// the index marker and the formatted copy of the heading text, and the link back to the main
// chapter.
#pragma once

#include <string>

namespace skeldon {

struct CompilerRun;

// cutLast: the collected text still holds the line end that ended it.
void WriteHeadingLine(CompilerRun& run, bool cutLast);
void WriteHeadingText(CompilerRun& run, bool cutLast);
// "surname, first name" becomes "first name surname"; only the first comma counts.
void SwapAtComma(std::string& text);
void WriteMainChapterLink(CompilerRun& run);

}  // namespace skeldon

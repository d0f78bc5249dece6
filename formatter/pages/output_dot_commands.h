#pragma once
// The dot lines that matter at output time: the page engine hands every dot line that is
// not text to ApplyOutputDotCommand, which changes the page state (margins, fonts, line
// heights, justification, headers and footers, pictures, PDF document values).

#include <string_view>

#include "formatter/pages/page_state.h"

namespace tavrel {

void ApplyOutputDotCommand(PageRun& run, std::string_view line);
// Stores a header or footer line (".H1".. ".H5", ".HE", ".HO", ".F1".., ".FO"); false when
// the line is none.
bool ApplyHeaderFooterLine(PageRun& run, std::string_view line);

}  // namespace tavrel

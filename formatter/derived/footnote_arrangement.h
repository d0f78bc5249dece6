// Job Z: the formatted text and its notes (".fun") arranged page by page into ".taf", each page
// with its own notes at its foot below a separator line.
#pragma once

#include "formatter/derived/derived_documents.h"

namespace tavrel {

DerivedJobResult FootnoteArrangementRun(const DerivedJobInput& input, RunMessages& messages);

}  // namespace tavrel

#include "formatter/derived/footnote_arrangement.h"

namespace tavrel {

DerivedJobResult FootnoteArrangementRun(const DerivedJobInput& input, RunMessages& messages) {
  (void)input;
  (void)messages;
  return {};
}

}  // namespace tavrel

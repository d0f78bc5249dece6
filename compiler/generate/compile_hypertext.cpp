#include "compiler/generate/compile_hypertext.h"

#include "compiler/core/compiler_run.h"
#include "compiler/core/source_buffer.h"

// The passes of the compile run are not built yet. The sources are loaded, so missing files and
// mistyped switches are reported; then the run says plainly that it stops here and ends with
// exit code 2, never as success.
void CompileHypertext(CompilerRun& run) {
    LoadSourceFiles(run);
    WriteBilingualMessage(run,
                          "Die \x9A" "bersetzung in Hypertext (CompileHypertext) ist noch nicht "
                          "eingebaut.",
                          "The hypertext compile run (CompileHypertext) is not built yet.", true);
    run.reporter.Terminate(2);
}

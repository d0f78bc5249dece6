#include "compiler/reverse/reverse_placeholders.h"

#include <string>

#include "compiler/passes/compiler_run.h"

namespace skeldon {

namespace {

// These functions are not built yet: each says so plainly and stops with exit code 2, never
// as success.
[[noreturn]] void NotBuiltYet(CompilerRun& run, MessageId what) {
  WriteMessage(run, {MessageId::NotBuiltYet, MessageText(run.Language, what)}, true);
  run.Reporter.Terminate(ExitCode::RunFailed);
}

}  // namespace

void ConvertIpfToSource(CompilerRun& run) { NotBuiltYet(run, MessageId::IpfConversion); }

void RunRtfReverseConversion(CompilerRun& run) { NotBuiltYet(run, MessageId::RtfConversion); }

}  // namespace skeldon

// The choice of the one output format of a run: a target word of the command line or the
// project file overrides the ini file's "target".
#pragma once

namespace skeldon {

struct CompilerRun;

// Sets the run's target flags from the first requested target word (html, htmlhelp, ipf,
// winhelp3, winhelp4, rtftext/rtftextcc); nothing happens without a target word.
void ApplyTargetOverride(CompilerRun& run);

}  // namespace skeldon

// The compile run on arbitrary sources twice, with and without the output pass's shorter road
// for plain words, blanks, punctuation and dot lines: both must write the same files and
// messages. The first byte picks the target and the options, as in compile_run_fuzz.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "tests/support/compiler_test_support.h"

using namespace skeldon;

namespace {

TRunResult CompileBy(const std::uint8_t options, const std::string& source, bool shortcut) {
  static const char* const kTargets[] = {"html",     "htmlhelp", "ipf",
                                         "winhelp3", "winhelp4", "rtftext"};
  TestRun m(WholeRun(kTargets[(options & 7) % 6]));
  m->Switches.SoftLineEnds = (options & 0x10) != 0;
  m->Switches.NoFramesSwitch = (options & 0x20) != 0;
  m->Ini.NewFileLevel = (options & 0x40) != 0 ? 2 : 0;
  m->Compile.PlainTextShortcut = shortcut;
  return CompileText(m, source);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1 || size > 16 * 1024) return 0;
  const std::string source(reinterpret_cast<const char*>(data + 1), size - 1);
  const TRunResult general = CompileBy(data[0], source, false);
  const TRunResult shortcut = CompileBy(data[0], source, true);
  if (general.ExitCode != shortcut.ExitCode || general.Console != shortcut.Console ||
      general.Files != shortcut.Files)
    std::abort();
  return 0;
}

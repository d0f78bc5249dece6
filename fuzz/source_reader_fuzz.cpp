// Arbitrary sources through the source reader, the heading pass (test fake), the link pass
// and the automatic link writer. The first byte picks the target and the source format.
#include <cstddef>
#include <cstdint>
#include <string>

#include "tests/support/compiler_test_support.h"
#include "tests/support/pass_fakes.h"

using namespace skeldon;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1 || size > 64 * 1024) return 0;
  static const char* const kTargets[] = {"html",     "htmlhelp", "ipf",
                                         "winhelp3", "winhelp4", "rtftext"};
  const std::uint8_t options = data[0];
  TestRun t(kTargets[(options & 7) % 6]);
  CompilerRun& run = *t;
  run.Switches.WordStarInput = (options & 0x08) != 0;
  run.Switches.SoftLineEnds = (options & 0x10) != 0;
  run.Reader.SoftSpaceChar = run.Switches.WordStarInput ? 0x1C : ' ';
  run.LinkPass.CaseFreeIndex = (options & 0x20) != 0;
  run.Ini.LinksPerParagraph = (options & 0x40) != 0;
  run.IndexStore.WordEndings = {"en", "s", "n"};
  run.Ini.PanelIdFileName = "*.PAN";
  SetConditions(run, {"alpha"});
  t.Load(std::string(reinterpret_cast<const char*>(data + 1), size - 1));
  try {
    // The stand-ins let arbitrary bytes reach the link pass and the link writer: the real
    // heading pass stops every source that does not start with a heading, and the real output
    // pass needs the whole run (compile_run_fuzz drives that).
    RunPrepassesWithFakeHeadings(run);
    FakeOutputPass(run);
  } catch (const TerminateRun&) {
    // Fatal source errors end the run; that is an answer, not a fault.
  }
  return 0;
}

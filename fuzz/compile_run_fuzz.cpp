// The whole compile run on arbitrary sources, every file written into memory. The first byte
// picks the target and the source format.
#include <cstddef>
#include <cstdint>
#include <string>

#include "tests/support/compiler_test_support.h"

using namespace skeldon;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1 || size > 64 * 1024) return 0;
  static const char* const kTargets[] = {"html",     "htmlhelp", "ipf",
                                         "winhelp3", "winhelp4", "rtftext"};
  const std::uint8_t options = data[0];
  TestRun m(WholeRun(kTargets[(options & 7) % 6]));
  m->Switches.WordStarInput = (options & 0x08) != 0;
  m->Switches.SoftLineEnds = (options & 0x10) != 0;
  m->Switches.NoFramesSwitch = (options & 0x20) != 0;
  m->Ini.NewFileLevel = (options & 0x40) != 0 ? 2 : 0;
  m->Ini.ContentsInternal = true;
  m->Ini.ContentsCntFile = true;
  if (options & 0x80) {
    m->Ini.SubchapterLinkText = "See:";
    m->Ini.NextChapterLinkText = "Next:";
    m->Ini.MainChapterLinkText = "Up:";
  }
  // The picture sizes read files; the fuzzer's pictures are never found.
  CompileText(m, std::string(reinterpret_cast<const char*>(data + 1), size - 1));
  return 0;
}

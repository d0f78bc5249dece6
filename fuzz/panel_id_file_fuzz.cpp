// The panel ID file reader (the C or Pascal constants an ".ID" link names) on arbitrary bytes:
// every line is taken or skipped without reading outside the text, and each constant found is
// a name of one line of the file, without blanks.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "compiler/passes/compiler_run.h"
#include "compiler/passes/index_store.h"
#include "fuzz/fuzz_support.h"

using namespace skeldon;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  fuzz_support::QuietCompilerRun quiet;
  auto& run = quiet.Run;
  try {
    ReadPanelIdText(*run, "fuzz.pan", text);
  } catch (const TerminateRun&) {
    __builtin_trap();  // a faulty line is reported, never a stop
  }
  for (const TPanelIdDefine& d : run->IndexStore.PanelIdDefines) {
    // A name ends at the first blank or tab after it and never spans a line end.
    if (d.Name.find_first_of(" \t\r\n") != std::string::npos) __builtin_trap();
    if (text.find(d.Name) == std::string_view::npos) __builtin_trap();
  }
  return 0;
}

// The table scanner and writer on arbitrary table lines: every target, plain and WordStar
// input, dot lines of the table options mixed in. Every cell must address bytes inside the
// source, the writer must finish, and the only stop is the run's exit code 2.
#include <cstddef>
#include <cstdint>
#include <string>

#include "compiler/passes/table_scanner.h"
#include "tests/support/compiler_test_support.h"
#include "tests/support/table_scanner_driver.h"

using namespace skeldon;

namespace {

void CheckCells(const CompilerRun& run) {
  const auto size = static_cast<std::int64_t>(run.Source.Data.size());
  for (const TTableCell& c : run.Tables.Cells) {
    if (c.TextStart < 0 || c.TextStart >= size || c.TextEnd < c.TextStart - 1 || c.TextEnd >= size)
      __builtin_trap();
    if (c.FirstColumn < 1 || c.FirstColumn > kTableLineMax || c.LastColumn > kTableLineMax)
      __builtin_trap();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1 || size > 65536) return 0;
  static const char* const kTargets[] = {"html",     "htmlhelp", "ipf",
                                         "winhelp3", "winhelp4", "rtftext"};
  TestRun t(kTargets[data[0] % 6]);
  CompilerRun& run = *t;
  EmitRaw(run);
  if (data[0] & 0x80) {
    run.Switches.WordStarInput = true;
    run.Reader.SoftSpaceChar = 28;
  }
  std::string body(reinterpret_cast<const char*>(data + 1), size - 1);
  t.Load(".TA fuzz\r\n" + body + "\r\n.TA\r\n");
  try {
    RunTableLoop(
        run,
        [](CompilerRun& r) {
          CheckCells(r);
          const std::string& l = r.Reader.DotLine;
          if (l.rfind("TW", 0) == 0) r.Tables.TableJoinWithBlank = true;
          if (l.rfind("TE", 0) == 0) r.Tables.TableNoContinuationSpan = true;
          if (l.rfind("TP", 0) == 0 && l.size() > 3) r.Tables.TableAlignment = l[3] % 4;
          if (l.rfind("TC", 0) == 0 && l.size() > 3)
            r.Tables.TableContinuationChar = static_cast<std::uint8_t>(l[3]);
        },
        true);
  } catch (const TerminateRun& stop) {
    if (stop.ExitCode != 2) __builtin_trap();
  }
  CheckCells(run);
  return 0;
}

// The output pass's character loop as far as tables need it: dot lines are collected and
// ".TA" dispatched, the CR after a dot line is handed on, and while a table is open every
// character goes to the scanner; other characters go through the output filter.
#pragma once

#include <string>

#include "compiler/foundation/source_buffer.h"
#include "compiler/passes/compiler_run.h"
#include "compiler/passes/output_filter.h"
#include "compiler/passes/source_reader.h"
#include "compiler/passes/table_scanner.h"

namespace skeldon {

// onDot: called for other dot lines (DotLine holds the letters); returns nothing.
template <typename OnDot>
inline void RunTableLoop(CompilerRun& run, OnDot&& onDot, bool writeText) {
  TSourceBuffer& sb = run.Source;
  RewindSource(run);
  PrimeReaderWindow(run);
  while (!SourceEof(run)) {
    ReadSourceChar(run);
    if (sb.NextChar == '.' && sb.CurChar == 0x0D) {
      std::string line;
      while (!SourceEof(run)) {
        ReadSourceChar(run);
        if (sb.NextChar == 0x0D) break;
        line.push_back(static_cast<char>(sb.NextChar));
      }
      for (std::size_t i = 0; i < 2 && i < line.size(); ++i)
        if (line[i] >= 'a' && line[i] <= 'z') line[i] = static_cast<char>(line[i] - 32);
      run.Reader.DotLine = line;
      if (line.rfind("TA", 0) == 0)
        HandleTaCommand(run);
      else
        onDot(run);
      // The CR that ended the dot line is handed on like any other character.
    }
    if (run.Tables.TableOpen)
      ScanTableCell(run);
    else if (writeText)
      FilterOutputChar(run, sb.NextChar);
  }
}

inline void ScanTablesOnly(CompilerRun& run) {
  // Keep the cells after the closing ".TA" by scanning without it.
  std::string& data = run.Source.Data;
  std::size_t close = data.rfind(".TA\n");
  if (close == std::string::npos) close = data.rfind(".TA\r\n");
  if (close != std::string::npos) data.erase(close);
  RunTableLoop(
      run, [](CompilerRun&) {}, false);
}

}  // namespace skeldon

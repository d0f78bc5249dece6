// Writes the table collected by the table scanner in the run's target format: table columns
// from the occupancy counts, continued and ditto cells, column and row spans, cell alignment,
// and the cell texts read again from the source through the ordinary character path.
#pragma once

namespace skeldon {

struct CompilerRun;

// Called at the closing ".TA" while the table is still open; leaves the reader as it found it.
void WriteTable(CompilerRun& run);

}  // namespace skeldon

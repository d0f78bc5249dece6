// The project summary page written beside the output directory at the end of every HTML and
// HTML Help run: links to the entry pages, the technical facts of the run, the graphics check,
// the numbering reservations and the external links to test.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace skeldon {

struct CompilerRun;

// A time of day as the run keeps it.
struct TTimeOfDay {
  std::uint16_t Hour = 0, Minute = 0, Second = 0, Hundredths = 0;
};

struct TClockReading {
  std::uint16_t Year = 0, Month = 0, Day = 0;
  TTimeOfDay Time;
};

// One graphics file of the run, as the graphics refresh records it.
struct TGraphicFileInfo {
  bool Found = false;
  std::int32_t Size = -1;  // bytes of the copy in the output directory, -1 when not found
  bool Printed = false;
  std::string Name;  // without directory
};

struct TSummaryPageState {
  TTimeOfDay RunStartTime;                     // taken before the sources are read
  std::vector<TGraphicFileInfo> GraphicFiles;  // in order of first reference
  std::uint16_t UsedGraphicFileCount = 0;
  bool BitmapDirectoryUsed = false;  // a ".BD" line occurred (link pass)
  // The date and time of day now; unset, the system clock. Tests fix it.
  std::function<TClockReading()> Clock;
};

TClockReading ReadClock(const CompilerRun& run);
// Writes the whole page into the output file and closes it.
void WriteProjectSummary(CompilerRun& run);
void WriteGraphicsCheck(CompilerRun& run);

}  // namespace skeldon

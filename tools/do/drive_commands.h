// The commands of `do` that list no files: disk space, the program search along PATH, the
// pauses, the drive test for batch files, SET and SOUND.
#pragma once

#include <cstddef>

#include "tools/do/do_run.h"

namespace do_tool {

// FREE, DISKFREE, DISKSIZE, DISKINFO: "?:" reports every drive with a sum line, anything else
// the drive its start path names.
void ShowDriveReport(DoRun& run);
void ShowDriveSpace(DoRun& run, bool single);
void ShowDriveTotals(DoRun& run);
void FindOnPath(DoRun& run);
void WaitSeconds(DoRun& run, std::size_t wordIndex);
void WaitForDrive(DoRun& run);
void TestDriveReady(DoRun& run);
void WriteSetFile(DoRun& run);
void RunSoundCommand(DoRun& run);

}  // namespace do_tool

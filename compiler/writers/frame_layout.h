// The frame layout of ".WA"/".FA": two frames side by side or one above the other, or three
// frames, as rectangles in per cent of the window for the HTML frameset and the IPF windows.
#pragma once

namespace skeldon {

struct CompilerRun;

// Reads the command's words from the run's WordList; fills the window table of the pass
// services (windows 1 to 4), the number of frames, and sets the frame-group pending flag.
// A command with a wrong word is reported and dropped.
void HandleFrameCommand(CompilerRun& run);

}  // namespace skeldon

// Chooses Qt's platform before the application object is made: without a display (neither
// DISPLAY nor WAYLAND_DISPLAY) the windows live on the offscreen platform, so a windowed
// program still runs its command-line jobs in scripts and over ssh.
#pragma once

namespace platform::gui {

// True when the program runs without a screen (QT_QPA_PLATFORM is then "offscreen", unless
// the caller had chosen a platform already).
bool prepare_display();

}  // namespace platform::gui

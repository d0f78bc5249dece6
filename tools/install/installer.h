// The installer's entry: the command line, the removal of an installation, and the two
// questions before the install dialog opens.
#pragma once

#include <functional>
#include <string>

#include "tools/install/install_run.h"

namespace install_tool {

// commandLine: the words after the program name, joined by blanks. runDialog shows the install
// dialog and returns when it is closed. Returns the exit code: 0 after the dialog, after a
// completed removal or a No; 1 when the removal did not succeed.
int RunInstaller(const std::string& commandLine, InstallRun& run,
                 const std::function<void()>& runDialog);

// The removal path ("/deinstal_e DIR", "/deinstal_g DIR").
int RemoveInstallation(const std::string& commandLine, InstallRun& run);

}  // namespace install_tool

// do: one file chore per call (see the README's usage text).
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/drives.h"
#include "platform/system.h"
#include "tools/do/command_line.h"

int main(int argc, char** argv) {
  platform::RealSystem system;
  do_tool::DoContext context;
  std::vector<char> cwd(4096);
  while (!::getcwd(cwd.data(), cwd.size())) {
    if (cwd.size() > (1u << 20)) return do_tool::kExitFailed;
    cwd.resize(cwd.size() * 2);
  }
  context.CurrentDirectory = cwd.data();
  if (const char* path = std::getenv("PATH")) context.PathVariable = path;
  context.Drives = platform::system_drives();
  context.DiskSpace = [](const platform::Drive& d) { return platform::disk_space(d.root); };
  context.DriveReady = [](const platform::Drive& d) { return platform::drive_ready(d); };
  context.System = &system;
  std::vector<std::string> words(argv, argv + argc);
  int code = do_tool::RunDoCommand(words, context);
  std::fflush(stdout);
  return code;
}

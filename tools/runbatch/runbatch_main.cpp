// runbatch FILE.cmd: runs a batch file that Skeldon wrote (an ftp upload batch, the help
// compiler's batch) with the suite's batch runner, without a shell.
#include <cstdio>
#include <string>
#include <vector>

#include "platform/batch_runner.h"
#include "platform/console.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fputs(
        "usage: runbatch FILE.cmd\n"
        "Runs a batch file written by Skeldon (for example site_ftpUpload.cmd). Programs named\n"
        "in it are found through $XDG_CONFIG_HOME/corvina/tools.conf (\"FTP = tnftp\"), then\n"
        "PATH.\n",
        stderr);
    return 2;
  }
  std::vector<std::string> toolErrors;
  const platform::ToolMap tools = platform::ToolMap::from_config(&toolErrors);
  for (const std::string& e : toolErrors) std::fprintf(stderr, "runbatch: skipped %s\n", e.c_str());
  platform::BatchConsole console;
  console.write = [](std::string_view text) {
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fflush(stdout);
  };
  // Ctrl-C at a pause stops the batch; without a terminal the pause goes on at once.
  console.pause = [] { return platform::wait_for_key(0) != 3; };
  const platform::BatchResult result = platform::run_batch(argv[1], tools, console);
  if (!result.error.empty()) std::fprintf(stderr, "runbatch: %s\n", result.error.c_str());
  if (result.stopped) std::fputs("runbatch: stopped at a pause\n", stderr);
  return result.exit_code;
}

// The tavrel program started as a script starts it: no display at all. It formats and prints
// through its window on the offscreen platform, ends by itself and says how it went.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "tests/support/test_support.h"

namespace {

namespace fs = std::filesystem;

struct Outcome {
  int Status = -1;
  std::string Output;  // standard output and error
};

// Runs the program in folder with no display variables and no terminal on standard input.
Outcome RunTavrel(const fs::path& folder, const fs::path& programDir,
                  const std::vector<std::string>& args) {
  std::string command = "cd '" + folder.string() +
                        "' && env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "
                        "TAVREL_PROGRAM_DIR='" +
                        programDir.string() + "' '" + TAVREL_PROGRAM + "'";
  for (const std::string& a : args) command += " '" + a + "'";
  command += " </dev/null 2>&1";
  Outcome out;
  FILE* pipe = ::popen(command.c_str(), "r");
  if (!pipe) return out;
  char buffer[4096];
  for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
    out.Output.append(buffer, n);
  const int status = ::pclose(pipe);
  out.Status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return out;
}

TEST(TavrelProgram, WithoutADisplayItFormatsPrintsAndEndsWithItsExitCode) {
  corvina_test::TempDir dir("tavrel-program");
  const fs::path program = dir.Path() / "program";
  fs::create_directories(program);
  for (const auto& entry : fs::directory_iterator(fs::path(CORVINA_SOURCE_DIR) / "data"))
    if (entry.is_regular_file()) fs::copy_file(entry.path(), program / entry.path().filename());
  corvina_test::WriteFile(dir.Path() / "English.txt", "");
  fs::copy_file(fs::path(CORVINA_SOURCE_DIR) / "examples/held.ws", dir.Path() / "held.ws");

  struct Case {
    const char* title;
    std::vector<std::string> args;
    int status;
    const char* said;
  };
  const Case cases[] = {
      {"format", {"held.ws", "/F"}, 0, "formatted file "},
      {"print", {"held.ws", "/P"}, 0, "PostScript file "},
      {"missing document", {"missing.ws", "/F"}, 2, "The file missing.ws does not exist."},
      {"no job", {"held.ws"}, 2, "Usage: tavrel DOCUMENT /F"},
  };
  for (const Case& c : cases) {
    const Outcome out = RunTavrel(dir.Path(), program, c.args);
    EXPECT_EQ(out.Status, c.status) << c.title << "\n" << out.Output;
    EXPECT_NE(out.Output.find(c.said), std::string::npos) << c.title << "\n" << out.Output;
  }
  EXPECT_TRUE(fs::exists(dir.Path() / "held.fmt"));
  EXPECT_TRUE(fs::exists(dir.Path() / "held.ps"));
}

}  // namespace

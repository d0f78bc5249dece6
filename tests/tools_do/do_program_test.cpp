// The `do` program as a batch file runs it: exit codes and drives from CORVINA_DRIVES.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/test_support.h"

extern char** environ;

namespace {

struct Started {
  pid_t Pid = -1;
};

// Starts `do` with the words and CORVINA_DRIVES set; its output goes to the file.
Started Start(const std::vector<std::string>& words, const std::string& drives,
              const std::string& outFile) {
  std::vector<std::string> env;
  for (char** e = environ; *e; ++e)
    if (std::string(*e).rfind("CORVINA_DRIVES=", 0) != 0) env.emplace_back(*e);
  env.push_back("CORVINA_DRIVES=" + drives);
  std::vector<char*> envp, argv{const_cast<char*>(DO_PROGRAM)};
  for (std::string& e : env) envp.push_back(e.data());
  envp.push_back(nullptr);
  std::vector<std::string> copy = words;
  for (std::string& w : copy) argv.push_back(w.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, outFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                   0644);
  Started s;
  EXPECT_EQ(::posix_spawn(&s.Pid, DO_PROGRAM, &actions, nullptr, argv.data(), envp.data()), 0);
  posix_spawn_file_actions_destroy(&actions);
  return s;
}

int Wait(const Started& s) {
  int status = 0;
  ::waitpid(s.Pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(DoProgramTest, IsDriveReadyGivesTheExitCode) {
  corvina_test::TempDir dir{"do-program"};
  const std::string drives = "C=" + dir.Path().string() + ";D=" + (dir / "missing");
  struct Case {
    const char* Letter;
    int Code;
  } cases[] = {{"c:", 0}, {"C:", 0}, {"d:", 1}, {"q:", 1}};
  for (const Case& c : cases)
    EXPECT_EQ(Wait(Start({"ISDRIVEREADY", c.Letter}, drives, dir / "out")), c.Code) << c.Letter;
  EXPECT_EQ(corvina_test::ReadFile(dir / "out"), "");
}

TEST(DoProgramTest, WaitForDriveReturnsWhenTheDriveAppears) {
  corvina_test::TempDir dir{"do-program"};
  const std::string drives = "D=" + (dir / "media");
  Started s = Start({"waitfordrive", "d:"}, drives, dir / "out");
  // The drive appears only once the program has said that it waits: a slow start (a loaded
  // machine, a sanitizer) must not find it there already.
  for (int i = 0; i < 600 && corvina_test::ReadFile(dir / "out").empty(); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  std::filesystem::create_directory(dir / "media");
  EXPECT_EQ(Wait(s), 0);
  EXPECT_EQ(corvina_test::ReadFile(dir / "out"), "Waiting for drive D: \n");
}

TEST(DoProgramTest, ListsTheCurrentFolderOfTheProcess) {
  corvina_test::TempDir dir{"do-program", /*enter=*/true};
  corvina_test::WriteFile(dir / "one.txt", "1");
  EXPECT_EQ(Wait(Start({"list", "*.TXT"}, "", dir / "out")), 0);
  EXPECT_EQ(corvina_test::ReadFile(dir / "out"), dir.Path().string() + "/one.txt\n");
}

}  // namespace

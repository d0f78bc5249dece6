// The batch runner: every kind of line the suite writes does what the command interpreter
// would, every other line stops the batch, and nothing ever reaches a shell.
#include "platform/batch_runner.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <string>
#include <vector>

#include "tests/support/test_support.h"

namespace {

using corvina_test::ReadFile;
using corvina_test::TempDir;
using corvina_test::WriteFile;

struct Console {
  std::string text;
  int pauses = 0;
  bool breakAtPause = false;
  platform::BatchConsole hooks() {
    return {[this](std::string_view t) { text += t; },
            [this] {
              ++pauses;
              return !breakAtPause;
            }};
  }
};

// A stand-in program that writes its arguments, one a line, to a log and exits with a code.
std::string StandIn(const TempDir& dir, const std::string& name, int code) {
  const std::string path = dir / name;
  WriteFile(path, "#!/bin/sh\nfor a in \"$@\"; do printf '%s\\n' \"$a\" >> \"" + (dir / "log") +
                      "\"; done\nexit " + std::to_string(code) + "\n");
  std::filesystem::permissions(path, std::filesystem::perms::owner_all);
  return path;
}

platform::BatchResult RunBatch(const TempDir& dir, const std::string& batch, Console& console,
                               const platform::ToolMap& tools = {}) {
  WriteFile(dir / "t.cmd", batch);
  return platform::run_batch(dir / "t.cmd", tools, console.hooks());
}

TEST(BatchRunnerTest, EchoWritesAndAppendsWithTheInterpretersEscapes) {
  TempDir dir("batch-echo");
  Console console;
  const std::string batch =
      "@echo off\r\nrem anything & | < > here is ignored\r\nmode 80,200\r\ncls\r\nC:\r\n"
      "cd " +
      dir.Path().string() +
      "\r\n"
      "echo open host 21>s.tmp\r\n"
      "echo p^&w^|x^<y^>z^^ 100%%>>s.tmp\r\n"
      "echo ^\"quoted^\" $(rm -rf x);`id`>>s.tmp\r\n"
      "echo \"a & b > c\">>s.tmp\r\n"
      "echo to the screen\r\n"
      "exit\r\n"
      "echo never>>s.tmp\r\n";
  const platform::BatchResult r = RunBatch(dir, batch, console);
  EXPECT_TRUE(r.ok()) << r.error;
  EXPECT_EQ(ReadFile(dir / "s.tmp"),
            "open host 21\r\np&w|x<y>z^ 100%\r\n\"quoted\" $(rm -rf x);`id`\r\n"
            "\"a & b > c\"\r\n");
  EXPECT_EQ(console.text, "to the screen\n");
  struct stat st {};
  ASSERT_EQ(::stat((dir / "s.tmp").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u) << "scripts hold a password";
}

TEST(BatchRunnerTest, AScriptLeftFromBeforeIsNarrowedAndALinkIsNotFollowed) {
  TempDir dir("batch-echo-old");
  corvina_test::WriteFile(dir / "old.tmp", "x");
  std::filesystem::permissions(dir / "old.tmp", std::filesystem::perms::all);
  corvina_test::WriteFile(dir / "elsewhere", "keep");
  std::filesystem::create_symlink(dir / "elsewhere", dir / "link.tmp");
  Console console;
  platform::BatchResult r =
      RunBatch(dir, "cd " + dir.Path().string() + "\r\necho secret>old.tmp\r\n", console);
  EXPECT_TRUE(r.ok()) << r.error;
  EXPECT_EQ(std::filesystem::status(dir / "old.tmp").permissions() & std::filesystem::perms::all,
            std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
  r = RunBatch(dir, "cd " + dir.Path().string() + "\r\necho secret>link.tmp\r\n", console);
  EXPECT_FALSE(r.ok());
  EXPECT_EQ(ReadFile(dir / "elsewhere"), "keep");
}

TEST(BatchRunnerTest, RefusesLinesItDoesNotKnowOrThatWouldRunSomethingElse) {
  struct Case {
    const char* line;
    const char* reason;
  } cases[] = {
      {"dir", "not a line this runner knows"},
      {"call other.bat", "not a line this runner knows"},
      {"echo a & del x", "\"&\" outside quotes"},
      {"echo a | more", "\"|\" outside quotes"},
      {"echo a < b", "\"<\" outside quotes"},
      {"echo %PATH%", "a single \"%\""},
      {"echo a>", "one file name must follow"},
      {"del a & b", "\"&\" outside quotes"},
      {"copy a", "copy wants a source and a destination"},
      {"START notepad.exe", "START /W and a program wanted"},
      {"exit 3", "exit takes nothing"},
      {"del *.htm", "del takes no wildcards"},
      {"ftp -i", "ftp wants -s:"},
      {"cd \"no such folder\"", "no folder no such folder"},
      {"echo \"open", "a quote is not closed"},
  };
  for (const Case& c : cases) {
    TempDir dir("batch-refuse");
    Console console;
    const platform::BatchResult r =
        RunBatch(dir,
                 std::string("@echo off\r\necho before>") + (dir / "mark") + "\r\n" + c.line +
                     "\r\necho after>" + (dir / "mark") + "\r\n",
                 console);
    EXPECT_FALSE(r.ok()) << c.line;
    EXPECT_EQ(r.line, 3u) << c.line;
    EXPECT_NE(r.error.find(c.reason), std::string::npos) << c.line << ": " << r.error;
    EXPECT_NE(r.error.find(c.line), std::string::npos) << r.error;
    EXPECT_EQ(ReadFile(dir / "mark"), "before\r\n") << "nothing after a refused line runs";
  }
}

TEST(BatchRunnerTest, CopyKeepsTheTimeAndDelAndMdWorkRelativeToCd) {
  TempDir dir("batch-files");
  WriteFile(dir / "site/a b.htm", "page");
  const auto old = std::filesystem::file_time_type::clock::now() - std::chrono::hours(50);
  std::filesystem::last_write_time(dir / "site/a b.htm", old);
  WriteFile(dir / "site_uploaded/gone.htm", "x");
  Console console;
  const std::string batch = "cd \"" + dir.Path().string() +
                            "\"\r\nmd site_uploaded\r\nmd new\r\n"
                            "copy \"site\\a b.htm\" \"site_uploaded\\a b.htm\"\r\n"
                            "del site_uploaded\\gone.htm\r\ndel site_uploaded\\never.htm\r\n";
  const platform::BatchResult r = RunBatch(dir, batch, console);
  EXPECT_TRUE(r.ok()) << r.error;
  EXPECT_EQ(ReadFile(dir / "site_uploaded/a b.htm"), "page");
  EXPECT_EQ(std::filesystem::last_write_time(dir / "site_uploaded/a b.htm"), old);
  EXPECT_FALSE(std::filesystem::exists(dir / "site_uploaded/gone.htm"));
  EXPECT_TRUE(std::filesystem::is_directory(dir / "new"));
  EXPECT_NE(console.text.find("already exists"), std::string::npos);
  EXPECT_NE(console.text.find("Could Not Find"), std::string::npos);
}

TEST(BatchRunnerTest, AFailedCopyLeavesTheOldFileAndFailsTheBatch) {
  TempDir dir("batch-copyfail");
  WriteFile(dir / "keep.htm", "old");
  Console console;
  const platform::BatchResult r = RunBatch(
      dir,
      "cd " + dir.Path().string() + "\r\ncopy missing.htm keep.htm\r\ncopy keep.htm keep.htm\r\n",
      console);
  EXPECT_TRUE(r.error.empty()) << r.error;
  EXPECT_NE(r.exit_code, 0);
  EXPECT_EQ(ReadFile(dir / "keep.htm"), "old");
  EXPECT_NE(console.text.find("same file"), std::string::npos) << console.text;
}

TEST(BatchRunnerTest, StartRunsTheMappedToolWithEachArgumentWhole) {
  TempDir dir("batch-start");
  platform::ToolMap tools =
      platform::ToolMap::parse("# comment\nhcw.exe = " + StandIn(dir, "ok.sh", 0) +
                               " --first\nBAD.EXE=" + StandIn(dir, "bad.sh", 3) + "\n");
  Console console;
  platform::BatchResult r =
      RunBatch(dir, "START /W C:\\Tools\\HCW.EXE /c \"my help;$(id).hpj\" a&b\r\n", console, tools);
  EXPECT_FALSE(r.ok()) << "an unquoted & is refused, not split";
  r = RunBatch(dir, "START /W C:\\Tools\\HCW.EXE /c \"my help;$(id).hpj\" \"a&b\"\r\nEXIT\r\n",
               console, tools);
  EXPECT_TRUE(r.ok()) << r.error;
  EXPECT_EQ(ReadFile(dir / "log"), "--first\n/c\nmy help;$(id).hpj\na&b\n");

  r = RunBatch(dir, "START /W bad.exe x\r\nSTART /W hcw.exe y\r\nEXIT\r\n", console, tools);
  EXPECT_TRUE(r.error.empty()) << r.error;
  EXPECT_EQ(r.exit_code, 3) << "a failing program fails the batch even when others follow";

  r = RunBatch(dir, "START /W NOSUCH.EXE x\r\nEXIT\r\n", console, tools);
  EXPECT_NE(r.exit_code, 0);
  EXPECT_NE(console.text.find("program not found: NOSUCH.EXE"), std::string::npos);
}

TEST(BatchRunnerTest, PauseWaitsAndABreakEndsTheBatch) {
  TempDir dir("batch-pause");
  Console console;
  const std::string batch =
      "cd " + dir.Path().string() + "\r\necho one>f\r\npause\r\necho two>>f\r\npause\r\n";
  platform::BatchResult r = RunBatch(dir, batch, console);
  EXPECT_TRUE(r.ok());
  EXPECT_EQ(console.pauses, 2);
  EXPECT_EQ(ReadFile(dir / "f"), "one\r\ntwo\r\n");

  Console breaking;
  breaking.breakAtPause = true;
  r = RunBatch(dir, batch, breaking);
  EXPECT_TRUE(r.stopped);
  EXPECT_FALSE(r.ok());
  EXPECT_EQ(ReadFile(dir / "f"), "one\r\n");
}

TEST(BatchRunnerTest, PathsAreQuotedAndTextEscapedSoTheRunnerReadsThemBack) {
  // Whatever a name or text holds, writing it and running the line gives it back unchanged.
  const std::vector<std::string> texts = {"plain",       "a b",        "p&w|x<y>z",
                                          "100% ^caret", "say \"hi\"", "(a),b;c=d"};
  for (const std::string& text : texts) {
    TempDir dir("batch-roundtrip");
    Console console;
    const std::string name = platform::quote_batch_path(dir / ("f " + text.substr(0, 3)));
    ASSERT_FALSE(name.empty());
    const platform::BatchResult r =
        RunBatch(dir, "echo " + platform::escape_batch_text(text) + ">" + name + "\r\n", console);
    EXPECT_TRUE(r.ok()) << text << ": " << r.error;
    EXPECT_EQ(ReadFile(dir / ("f " + text.substr(0, 3))), text + "\r\n");
  }
  EXPECT_EQ(platform::quote_batch_path("a\"b"), "");
  EXPECT_EQ(platform::quote_batch_path("C:\\web\\site"), "C:\\web\\site");
  EXPECT_EQ(platform::quote_batch_path("C:\\my web\\50%"), "\"C:\\my web\\50%%\"");
}

}  // namespace

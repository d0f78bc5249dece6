// `do` run in the test process over a temporary tree with fixed file times, fake drives and
// disk sizes, a recording system for sounds and pauses, and the output captured.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "platform/drives.h"
#include "platform/system.h"
#include "tests/support/test_support.h"
#include "tools/do/command_line.h"
#include "tools/do/file_walk.h"
#include "tools/do/text_search.h"

namespace {

namespace fs = std::filesystem;
using corvina_test::ReadFile;
using corvina_test::TempDir;
using corvina_test::WriteFile;
using do_tool::DoCommand;

constexpr std::uint64_t kGB = 1073741824ull;

// Sets a file's last-write and access times to local times of our choosing.
void SetTimes(const std::string& path, const platform::LocalDateTime& write,
              const platform::LocalDateTime& access) {
  struct timespec times[2] = {{*platform::time_t_from_local(access), 0},
                              {*platform::time_t_from_local(write), 0}};
  ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, AT_SYMLINK_NOFOLLOW), 0) << path;
}

struct Result {
  std::string Out;
  int Code = 0;
};

class DoTest : public ::testing::Test {
 protected:
  const platform::LocalDateTime kWrite{2004, 5, 31, 10, 20, 30, 0};
  const platform::LocalDateTime kAccess{2003, 1, 2, 3, 4, 6, 0};

  void SetUp() override {
    Put("README", "readme\n");
    Put("a.txt", "hello world\r\nsecond line\r\nlast hello");
    Put("A.TXT.BAK", "hello bak\r\n");
    Put("notes.log", "alpha\nbeta hello\ngamma\n");
    Put("sub/b.txt", std::string("abc\x1a"
                                 "def",
                                 7));
    fs::create_directories(dir_.Path() / "sub/deep");
    Put("x.sys/c.txt", "hello in an excluded folder\r\n");
    for (const auto& e : fs::recursive_directory_iterator(dir_.Path()))
      SetTimes(e.path().string(), kWrite, kAccess);
    context_.CurrentDirectory = dir_.Path().string();
    context_.PathVariable = (dir_.Path() / "bin").string() + ":" + (dir_.Path() / "nope").string();
    context_.System = &system_;
    context_.DiskSpace = [this](const platform::Drive& d) -> std::optional<platform::DiskSpace> {
      auto it = space_.find(d.letter);
      if (it == space_.end()) return std::nullopt;
      return it->second;
    };
    context_.DriveReady = [this](const platform::Drive& d) { return ready_.count(d.letter) > 0; };
  }

  void Put(const std::string& name, const std::string& bytes) {
    WriteFile(dir_.Path() / name, bytes);
  }
  std::string Path(const std::string& name) const { return (dir_.Path() / name).string(); }

  // Runs `do` with the words; the temporary folder shows as "T" in the output.
  Result Run(std::vector<std::string> words, const std::string& input = "") {
    words.insert(words.begin(), "do");
    char* buffer = nullptr;
    std::size_t size = 0;
    std::FILE* out = ::open_memstream(&buffer, &size);
    std::FILE* in = ::fmemopen(const_cast<char*>(input.data()), input.size() + 1, "r");
    context_.Out = out;
    context_.In = in;
    Result r;
    r.Code = do_tool::RunDoCommand(words, context_);
    std::fclose(out);
    std::fclose(in);
    r.Out.assign(buffer, size);
    std::free(buffer);
    const std::string root = dir_.Path().string();
    for (std::size_t at; (at = r.Out.find(root)) != std::string::npos;)
      r.Out.replace(at, root.size(), "T");
    return r;
  }

  TempDir dir_{"do-test"};
  platform::RecordingSystem system_;
  do_tool::DoContext context_;
  std::map<char, platform::DiskSpace> space_;
  std::set<char> ready_;
};

TEST(DoTextTest, FormatByteSizeCutsToThreeDigits) {
  struct Case {
    long double Value;
    const char* Text;
  } cases[] = {
      {0, "0 bytes"},
      {1023, "1023 bytes"},
      {1024, "1.00 kB"},
      {1536, "1.50 kB"},
      {1048575, "1023 kB"},
      {12.3L * kGB, "12.3 GB"},
      {1263, "1.23 kB"},
      {123.456L * 1048576, "123 MB"},
      {1099511627776.0L, "1.00 TB"},
      {5.0L * kGB, "5.00 GB"},
      {2048.0L * 1099511627776.0L, "2048 TB"},
      {20480.0L * 1099511627776.0L, "20480.000 TB"},
  };
  for (const Case& c : cases) EXPECT_EQ(do_tool::FormatByteSize(c.Value), c.Text) << c.Text;
}

TEST(DoTextTest, WildcardsMatchGreedilyWithoutBacktracking) {
  struct Case {
    const char* Pattern;
    const char* Name;
    bool Match;
  } cases[] = {
      {"*.*", "README", false},
      {"*.*", "A.TXT", true},
      {"*.TXT", "A.TXT.BAK", false},
      {"*.TXT", "A.B.TXT", false},
      {"A*B", "AB", true},
      {"?", "", false},
      {"?", "A", true},
      {"A?C", "ABC", true},
      {"*", "", true},
      {"README", "README", true},
      {"README", "READMEX", false},
      {"*X", "AXBX", false},
  };
  for (const Case& c : cases)
    EXPECT_EQ(do_tool::MatchWildcard(c.Pattern, c.Name), c.Match) << c.Pattern << " " << c.Name;
}

TEST(DoTextTest, CaseRenamesMapCharactersNotBytes) {
  struct Case {
    DoCommand Mode;
    const char* Name;
    const char* Renamed;
  } cases[] = {
      {DoCommand::kCapital, "readme.TXT", "Readme.txt"},
      {DoCommand::kCapital, "\xC3\x84RGER.TXT", "\xC3\x84rger.txt"},    // ÄRGER.TXT -> Ärger.txt
      {DoCommand::kUpperCase, "\xC3\xA4rger.txt", "\xC3\xA4RGER.TXT"},  // ä stays
      {DoCommand::kLowerCase, "\xC3\x96L.TXT", "\xC3\xB6l.txt"},        // ÖL.TXT -> öl.txt
      {DoCommand::kLowerCase, "\xC3\x97Y.TXT", "\xC3\x97y.txt"},        // × stays
      {DoCommand::kLowerCase, "\xC4\x80X", "\xC4\x80x"},                // Ā is not Latin-1
      {DoCommand::kLowerCase,
       "\xC4"
       "B.TXT",
       "\xC4"
       "b.txt"},  // not UTF-8: ASCII only
  };
  for (const Case& c : cases) EXPECT_EQ(do_tool::CaseRenamed(c.Mode, c.Name), c.Renamed) << c.Name;
}

TEST_F(DoTest, ListingsOfTheTree) {
  struct Case {
    std::vector<std::string> Words;
    std::string Out;
  } cases[] = {
      {{"list"}, "T/A.TXT.BAK\nT/README\nT/a.txt\nT/notes.log\nT/sub/b.txt\nT/x.sys/c.txt\n"},
      {{"LIST", "*.*"}, "T/A.TXT.BAK\nT/a.txt\nT/notes.log\nT/sub/b.txt\nT/x.sys/c.txt\n"},
      {{"list", "*.txt"}, "T/a.txt\nT/sub/b.txt\nT/x.sys/c.txt\n"},
      {{"list", "*.txt", "."}, "T/a.txt\n"},
      {{"list", Path("sub"), "*.TXT"}, "T/sub/b.txt\n"},
      {{"list", Path("sub\\")}, "T/sub/b.txt\n"},
      {{"list", Path("sub"), "*.none"}, ""},
      // A path with a "." names the files itself.
      {{"list", Path("sub/b.txt")}, "T/sub/b.txt\n"},
      {{"list", Path("sub/none.txt")}, "no files found.\n"},
      {{"listsize", Path("sub")},
       "T/sub/. (0 bytes)\nT/sub/.. (0 bytes)\nT/sub/b.txt (7 bytes)\nT/sub/deep (0 bytes)\n"
       "T/sub/deep/. (0 bytes)\nT/sub/deep/.. (0 bytes)\n"},
      {{"listsizedate", Path("a.txt")}, "T/a.txt (36 bytes; 5-31-2004)\n"},
      {{"tree"}, "  " + dir_.Path().filename().string() + "\n    sub\n      deep\n    x.sys\n"},
      {{"listdir", Path("sub")}, "T/sub\nT/sub/deep\n"},
      {{"size", Path("sub")}, "Size of T/sub/*.* is 7 bytes"},
      // No backtracking: "*.BAK" stops at the first "." of A.TXT.BAK.
      {{"rename", "*.TXT", "*.BAK"}, "T/a.txt\nT/sub/b.txt\nT/x.sys/c.txt\n"},
      {{"ren", "*.TXT", "?.BAK"},
       "The number of * and ? characters has to be the same in OLDNAME and NEWNAME\n"
       "T/a.txt\nT/sub/b.txt\nT/x.sys/c.txt\n"},
      {{"rename", "*.TXT"}, "Usage: DO RENAME OLDNAME NEWNAME\n"},
  };
  for (const Case& c : cases) {
    Result r = Run(c.Words);
    EXPECT_EQ(r.Out, c.Out) << c.Words[0];
    EXPECT_EQ(r.Code, 0) << c.Words[0];
  }
  // RENAME only lists.
  EXPECT_TRUE(fs::exists(Path("a.txt")));
}

TEST_F(DoTest, SearchWithOperatorsOverEveryKindOfLineEnd) {
  const std::string head = std::string(64, '=') + "\n";
  const std::string rule = std::string(64, '-') + "\n";
  struct Case {
    std::vector<std::string> Words;
    std::string Out;
  } cases[] = {
      // CR LF lines by number, the last line without a line end by its own number; an
      // LF-only file is one line, shown as its last line; excluded folders are skipped.
      {{"search", "HELLO"},
       head + "T/A.TXT.BAK\n" + rule + "(1) hello bak\n" + head + "T/a.txt\n" + rule +
           "(1) hello world\n(3) last hello\n" + head + "T/notes.log\n" + rule + "(1) gamma\n"},
      {{"search", "hello", "and", "last"}, head + "T/a.txt\n" + rule + "(3) last hello\n"},
      {{"search", "hello", "ANDNOT", "last"},
       head + "T/A.TXT.BAK\n" + rule + "(1) hello bak\n" + head + "T/a.txt\n" + rule +
           "(1) hello world\n" + head + "T/notes.log\n" + rule + "(1) gamma\n"},
      {{"search", "world", "OR", "second"},
       head + "T/a.txt\n" + rule + "(1) hello world\n(2) second line\n"},
      {{"search", "*.txt", "hello", "X", "last"}, head + "T/a.txt\n" + rule + "(3) last hello\n"},
      {{"searchlist", "hello"}, "T/A.TXT.BAK\nT/a.txt\nT/notes.log\n"},
      {{"search", "a", "b"},
       "DO SEARCH String1 AND String2  search strings. (operators: AND OR ANDNOT)\n"
       "DO SEARCHLIST writes only the filename, not the occurences of the string\n"},
  };
  for (const Case& c : cases) EXPECT_EQ(Run(c.Words).Out, c.Out) << c.Words[1];
}

TEST_F(DoTest, TypeStopsAfterTheEndOfFileMark) {
  Result r = Run({"type", "*.TXT", "."});
  EXPECT_EQ(r.Out, "\n" + std::string(64, '=') + "\nT/a.txt\n" + std::string(64, '-') + "\n" +
                       "hello world\r\nsecond line\r\nlast hello");
  r = Run({"type", Path("sub")});
  EXPECT_EQ(r.Out,
            "\n" + std::string(64, '=') + "\nT/sub/b.txt\n" + std::string(64, '-') + "\nabc\x1a");
}

TEST_F(DoTest, TimeAndDateChangeTheWriteTimeOnly) {
  struct Case {
    std::string Word;
    platform::LocalDateTime Expected;
  } cases[] = {
      {"TIME:09.30", {2004, 5, 31, 9, 30, 30, 0}},
      {"date:12-31-04", {2004, 12, 31, 10, 20, 30, 0}},
      {"DATE:01-02-79", {2079, 1, 2, 10, 20, 30, 0}},
      {"DATE:01.02.80", {1980, 2, 1, 10, 20, 30, 0}},
  };
  for (const Case& c : cases) {
    SetTimes(Path("a.txt"), kWrite, kAccess);
    Result r = Run({c.Word, Path("a.txt")});
    EXPECT_EQ(r.Out, "T/a.txt (changed)\n") << c.Word;
    struct stat st;
    ASSERT_EQ(::stat(Path("a.txt").c_str(), &st), 0);
    EXPECT_EQ(platform::local_from_time_t(st.st_mtime), c.Expected) << c.Word;
    EXPECT_EQ(platform::local_from_time_t(st.st_atime), kAccess) << c.Word;
    // The same word again finds nothing to change.
    EXPECT_EQ(Run({c.Word, Path("a.txt")}).Out, "T/a.txt (OK)\n") << c.Word;
  }
  // A change that fails is said so, and the run ends with the failure code.
  std::filesystem::create_symlink(Path("gone.txt"), Path("sub/ghost.txt"));
  Result failed = Run({"TIME:12.00", Path("sub/ghost.txt")});
  EXPECT_EQ(failed.Out, "T/sub/ghost.txt (not changed: No such file or directory)\n");
  EXPECT_EQ(failed.Code, 2);
  fs::remove(Path("sub/ghost.txt"));
  // Folders are shown, never changed.
  EXPECT_EQ(Run({"TIME:12.00", Path("sub"), "."}).Out,
            "T/sub/. (not changed: a directory)\nT/sub/.. (not changed: a directory)\n"
            "T/sub/b.txt (changed)\nT/sub/deep (not changed: a directory)\n");
}

TEST_F(DoTest, MalformedTimesAndDatesChangeNothing) {
  const std::string time = "Usage: DO TIME:HH.MM\n";
  const std::string date = "Usage: DO DATE:MM-DD-YY or DO DATE:DD.MM.YY\n";
  struct Case {
    const char* Word;
    std::string Out;
  } cases[] = {
      {"TIME:9.30", time},     {"TIME:24.00", time},    {"TIME:09.60", time},
      {"TIME:0x.30", time},    {"TIME:09:30", time},    {"TIME:", time},
      {"DATE:13-01-04", date}, {"DATE:02-30-04", date}, {"DATE:00.01.04", date},
      {"DATE:1a-01-04", date}, {"DATE:01-01.04", date}, {"DATE:1-1-2004", date},
  };
  for (const Case& c : cases) {
    Result r = Run({c.Word});
    EXPECT_EQ(r.Out, c.Out) << c.Word;
    EXPECT_EQ(r.Code, 0) << c.Word;
  }
  struct stat st;
  ASSERT_EQ(::stat(Path("a.txt").c_str(), &st), 0);
  EXPECT_EQ(platform::local_from_time_t(st.st_mtime), kWrite);
}

TEST_F(DoTest, CaseRenamesNeverReplaceAnotherFile) {
  TempDir names{"do-names"};
  context_.CurrentDirectory = names.Path().string();
  WriteFile(names.Path() / "readme.TXT", "one");
  WriteFile(names.Path() / "\xC3\x84RGER.TXT", "two");
  WriteFile(names.Path() / "NOTE", "upper");
  WriteFile(names.Path() / "note", "lower");
  Result r = Run({"capital"});
  EXPECT_EQ(r.Code, 2);
  EXPECT_NE(r.Out.find("NOTE --> Note\n"), std::string::npos) << r.Out;
  EXPECT_NE(r.Out.find("\xC3\x84RGER.TXT --> \xC3\x84rger.txt\n"), std::string::npos);
  EXPECT_NE(r.Out.find("readme.TXT --> Readme.txt\n"), std::string::npos);
  EXPECT_NE(r.Out.find("note --> Note\n"), std::string::npos);
  EXPECT_NE(r.Out.find("DO ERROR: Could not rename "), std::string::npos) << r.Out;
  EXPECT_EQ(ReadFile(names.Path() / "Readme.txt"), "one");
  EXPECT_EQ(ReadFile(names.Path() / "\xC3\x84rger.txt"), "two");
  // One of NOTE and note became Note; the other kept its name and its text.
  EXPECT_EQ(ReadFile(names.Path() / "Note").size() + ReadFile(names.Path() / "NOTE").size() +
                ReadFile(names.Path() / "note").size(),
            std::string("upperlower").size());
  r = Run({"uppercase", "*.TXT"});
  EXPECT_EQ(r.Out, "Readme.txt --> README.TXT\n\xC3\x84rger.txt --> \xC3\x84RGER.TXT\n");
  EXPECT_EQ(Run({"uppercase", "*.TXT"}).Out, "README.TXT (OK)\n\xC3\x84RGER.TXT (OK)\n");
}

TEST_F(DoTest, WhichFindsProgramsAlongPath) {
  Put("bin/tool", "#!/bin/sh\n");
  ::chmod(Path("bin/tool").c_str(), 0755);
  Put("bin/plain", "not a program");
  Put("bin/OLD.BAT", "@echo off\r\n");
  SetTimes(Path("bin/tool"), kWrite, kAccess);
  SetTimes(Path("bin/OLD.BAT"), kWrite, kAccess);
  struct Case {
    std::vector<std::string> Words;
    std::string Out;
  } cases[] = {
      {{"which", "tool"}, "T/bin/tool (10 bytes; 5-31-2004)\n"},
      {{"whichfirst", "tool"}, "T/bin/tool"},
      {{"which", "old"}, "T/bin/OLD.BAT (11 bytes; 5-31-2004)\n"},
      {{"which", "plain"}, "no file found in PATH\n"},
      {{"which", "tool.exe"},
       "Do not enter the extension! *.EXE, *.COM, *.CMD and *.BAT will be searched\n"},
  };
  for (const Case& c : cases) EXPECT_EQ(Run(c.Words).Out, c.Out) << c.Words[1];
}

TEST_F(DoTest, DiskSpaceOfOneDriveAndOfAll) {
  context_.Drives = {
      {'C', "/", false}, {'D', "/media/d", true}, {'E', "/media/e", true}, {'F', "/media/f", true}};
  space_['C'] = {static_cast<std::uint64_t>(12.3L * kGB), static_cast<std::uint64_t>(29.3L * kGB)};
  space_['D'] = {1024, 4096};
  space_['E'] = {0, 1024};   // full: no line in the all-drives form
  ready_ = {'C', 'D', 'E'};  // F is not ready
  struct Case {
    std::vector<std::string> Words;
    std::string Out;
    int Code;
  } cases[] = {
      {{"diskfree", "C:"}, "Free disk space 12.3 GB", 0},
      {{"DISKSIZE", "c:"}, "Total disk space 29.3 GB", 0},
      {{"diskinfo", "d:"}, "1.00 kB free (25%) of total 4.00 kB disk space", 0},
      {{"free", "/media/d/x"}, "Free disk space 1.00 kB", 0},
      {{"diskfree", "F:"}, "Drive F: is not available.", 2},
      {{"diskinfo", "?:"},
       "Drive C: 12.3 GB free (42%) of total 29.3 GB disk space\n"
       "Drive D: 1.00 kB free (25%) of total 4.00 kB disk space\n" +
           std::string(55, '=') + "\nSum :    12.3 GB free (42%) of total 29.3 GB disk space",
       0},
      {{"disksize", "?:"},
       "Drive C: Total disk space 29.3 GB\nDrive D: Total disk space 4.00 kB\n" +
           std::string(33, '=') + "\nSum :    " + std::string(17, ' ') + "29.3 GB",
       0},
  };
  for (const Case& c : cases) {
    Result r = Run(c.Words);
    EXPECT_EQ(r.Out, c.Out) << c.Words[0] << " " << c.Words[1];
    EXPECT_EQ(r.Code, c.Code) << c.Words[0] << " " << c.Words[1];
  }
  context_.Drives.clear();
  EXPECT_EQ(Run({"diskfree", "?:"}).Out, "\nSum :    " + std::string(16, ' ') + "0 bytes");
  space_['D'] = {1024, 0};  // a size of 0 has no share
  context_.Drives = {{'D', "/media/d", true}};
  EXPECT_EQ(Run({"diskinfo", "d:"}).Out, "1.00 kB free (0%) of total 0 bytes disk space");
}

TEST_F(DoTest, DriveTestsAndWaits) {
  context_.Drives = {{'C', "/", false}, {'D', "/media/d", true}};
  ready_ = {'C'};
  EXPECT_EQ(Run({"isdriveready", "c:"}).Code, 0);
  EXPECT_EQ(Run({"ISDRIVEREADY", "D:"}).Code, 1);
  EXPECT_EQ(Run({"isdriveready", "q:"}).Code, 1);
  EXPECT_EQ(Run({"isdriveready", "d:"}).Out, "");

  // The drive becomes ready after the third pause.
  int checks = 0;
  context_.DriveReady = [&](const platform::Drive& d) { return d.letter == 'D' && ++checks > 3; };
  system_.clear();
  EXPECT_EQ(Run({"waitfordrive", "d:"}).Out, "Waiting for drive D: ..\n");
  EXPECT_EQ(system_.calls().size(), 3u);
  EXPECT_EQ(Run({"waitfordrive", "q:"}).Code, 2);

  struct Case {
    std::string Word;
    std::string Out;
    int Code;
    unsigned Slept;
  } waits[] = {
      {"0.5", "", 0, 500},
      {"2", "", 0, 2000},
      {"x", "x is not a number\n", 2, 0},
      {"-1", "-1 is out of range (0 to 2147483 seconds)\n", 2, 0},
      {"1e10", "1e10 is out of range (0 to 2147483 seconds)\n", 2, 0},
      {"nan", "nan is not a number\n", 2, 0},
  };
  for (const Case& c : waits) {
    system_.clear();
    Result r = Run({"wait", c.Word});
    EXPECT_EQ(r.Out, c.Out) << c.Word;
    EXPECT_EQ(r.Code, c.Code) << c.Word;
    unsigned slept = 0;
    for (const auto& call : system_.calls()) slept += call.first;
    EXPECT_EQ(slept, c.Slept) << c.Word;
  }
}

TEST_F(DoTest, SoundPlaysFourNotes) {
  using Call = platform::RecordingSystem::Call;
  using Kind = platform::RecordingSystem::CallKind;
  auto notes = [](std::vector<unsigned> hz, unsigned ms) {
    std::vector<Call> calls;
    for (unsigned h : hz) calls.push_back({Kind::beep, h, ms});
    return calls;
  };
  struct Case {
    std::vector<std::string> Words;
    std::vector<Call> Calls;
  } cases[] = {
      {{"sound"}, notes({523, 659, 784, 1047}, 10)},
      {{"sound", "20"}, notes({1047, 784, 659, 523}, 200)},
      {{"sound", "x"}, notes({523, 659, 784, 1047}, 10)},
      {{"sound", "300"}, notes({523, 659, 784, 1047}, 10)},
  };
  for (const Case& c : cases) {
    system_.clear();
    Run(c.Words);
    EXPECT_EQ(system_.calls(), c.Calls) << c.Words.size();
  }
}

TEST_F(DoTest, SetWritesAQuotedBatchLine) {
  Result r = Run({"set", "GREETING"}, "hello & world 100% |x|\r\nsecond line\n");
  EXPECT_EQ(r.Code, 0);
  EXPECT_EQ(ReadFile(Path("temp.cmd")), "@set \"GREETING=hello & world 100%% |x|\"\r\n");
  r = Run({"set"}, "x\n");
  EXPECT_EQ(r.Out, "Usage: DO SET NAME\n");
  r = Run({"set", "LONG"}, std::string(256, 'v') + "\n");
  EXPECT_EQ(r.Code, 2);
  EXPECT_EQ(ReadFile(Path("temp.cmd")), "@set \"GREETING=hello & world 100%% |x|\"\r\n");
}

TEST_F(DoTest, BadCommandLinesGetTheHelpOrAClearRefusal) {
  Result help = Run({});
  EXPECT_EQ(help.Code, 0);
  EXPECT_EQ(std::count(help.Out.begin(), help.Out.end(), '\n'), 22);
  EXPECT_EQ(help.Out.substr(0, 33), "DO 1.03 for Windows 95-XP 5/2004\n");
  EXPECT_EQ(Run({"frobnicate"}).Out, help.Out);

  std::vector<std::string> many{"list"};
  for (int i = 0; i < 21; ++i) many.push_back("*." + std::to_string(i));
  Result r = Run(many);
  EXPECT_EQ(r.Code, 2);
  EXPECT_EQ(r.Out.substr(0, 9), "DO ERROR:");
  r = Run({"list", "*" + std::string(25, 'A')});
  EXPECT_EQ(r.Code, 2);
  EXPECT_EQ(r.Out.substr(0, 9), "DO ERROR:");

  r = Run({"list", Path("missing")});
  EXPECT_EQ(r.Code, 2);
  EXPECT_EQ(r.Out.rfind("DO ERROR: Could not read directory T/missing/", 0), 0u) << r.Out;
  r = Run({"list", Path("README")});  // a file where a folder was meant
  EXPECT_EQ(r.Code, 2);
  r = Run({"list", "Q:\\DIR"});
  EXPECT_EQ(r.Out, "DO ERROR: Drive Q: is not mapped (see CORVINA_DRIVES)\n");
}

TEST_F(DoTest, TheWalkNeverEntersLinksAndKeepsBigSizes) {
  fs::create_directory_symlink("..", dir_.Path() / "sub/loop");
  Result r = Run({"listsize", Path("sub"), "*.*"});
  EXPECT_EQ(r.Code, 0);
  // The link is listed as a folder but not entered.
  EXPECT_EQ(Run({"list", Path("sub")}).Out, "T/sub/b.txt\n");
  EXPECT_NE(Run({"listsize", Path("sub")}).Out.find("T/sub/loop (0 bytes)\n"), std::string::npos);

  // A sparse file of 5 GB: sizes above 4 GB neither wrap nor go negative.
  {
    int fd = ::open(Path("big/huge.bin").c_str(), O_CREAT | O_WRONLY, 0644);
    if (fd < 0) {
      fs::create_directories(dir_.Path() / "big");
      fd = ::open(Path("big/huge.bin").c_str(), O_CREAT | O_WRONLY, 0644);
    }
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::ftruncate(fd, static_cast<off_t>(5 * kGB)), 0);
    ::close(fd);
  }
  EXPECT_EQ(Run({"listsize", Path("big/huge.bin")}).Out, "T/big/huge.bin (5.00 GB)\n");
  EXPECT_EQ(Run({"size", Path("big")}).Out, "Size of T/big/*.* is 5.00 GB");
}

TEST_F(DoTest, NamesThatAreNotUtf8StayAsTheDiskHasThem) {
  Put("odd/\xE4.txt", "hello\r\n");
  EXPECT_EQ(Run({"list", Path("odd")}).Out, "T/odd/\xE4.txt\n");
  EXPECT_EQ(Run({"searchlist", "hello"}).Out.find("T/odd/\xE4.txt\n") != std::string::npos, true);
}

TEST_F(DoTest, UnreadableFoldersAreReportedAndTheWalkGoesOn) {
  fs::create_directories(dir_.Path() / "closed");
  Put("zz/last.txt", "x");
  ::chmod(Path("closed").c_str(), 0);
  // Root reads every folder: the walk then runs in a child process as the user "nobody".
  Result r;
  if (::geteuid() != 0) {
    r = Run({"list"});
  } else {
    int pipeEnds[2];
    ASSERT_EQ(::pipe(pipeEnds), 0);
    pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      ::close(pipeEnds[0]);
      if (::setgid(65534) != 0 || ::setuid(65534) != 0) ::_exit(99);
      Result inner = Run({"list"});
      if (::write(pipeEnds[1], inner.Out.data(), inner.Out.size()) < 0) ::_exit(98);
      ::_exit(inner.Code);
    }
    ::close(pipeEnds[1]);
    char buffer[4096];
    for (ssize_t got; (got = ::read(pipeEnds[0], buffer, sizeof buffer)) > 0;)
      r.Out.append(buffer, got);
    ::close(pipeEnds[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    r.Code = WEXITSTATUS(status);
  }
  ::chmod(Path("closed").c_str(), 0755);
  EXPECT_EQ(r.Code, 2) << r.Out;
  EXPECT_NE(r.Out.find("DO ERROR: Could not read directory T/closed/: Permission denied\n"),
            std::string::npos)
      << r.Out;
  EXPECT_NE(r.Out.find("T/zz/last.txt\n"), std::string::npos) << r.Out;
}

}  // namespace

namespace {

// The fast search agrees with the plain definition (the text's bytes equal the data's after
// "a".."z" are upper-cased) on every random case.
TEST(DoTextTest, CaseBlindSearchAgreesWithThePlainDefinition) {
  std::mt19937 random(5);
  const std::string alphabet = "aAbBzZ.\r\n\xC3\x84\x1A";
  auto pick = [&](std::size_t length) {
    std::string s;
    for (std::size_t i = 0; i < length; ++i) s += alphabet[random() % alphabet.size()];
    return s;
  };
  for (int round = 0; round < 20000; ++round) {
    std::string data = pick(random() % 40);
    std::string text = do_tool::UpperCaseText(pick(random() % 5));
    bool expected = false;
    for (std::size_t p = 0; !text.empty() && p + text.size() <= data.size() && !expected; ++p)
      expected = do_tool::UpperCaseText(data.substr(p, text.size())) == text;
    EXPECT_EQ(do_tool::CaseBlindFinder(text).FoundIn(data), expected)
        << "data '" << data << "' text '" << text << "'";
    if (::testing::Test::HasFailure()) break;
  }
}

}  // namespace

#include <gtest/gtest.h>

#include <unistd.h>

#include <random>
#include <string>
#include <vector>

#include "compiler/foundation/foundation_run.h"
#include "compiler/foundation/source_buffer.h"
#include "tests/support/compiler_test_run.h"

using namespace skeldon;

namespace {

class SourceBufferTest : public ::testing::Test {
 protected:
  FoundationTestRun run{ConstructedRun(RunFolder::kPrivate)};
  // Loads the given file contents (written to the test folder) and returns the buffer.
  std::string Load(const std::vector<std::string>& contents) {
    for (std::size_t i = 0; i < contents.size(); ++i)
      run->Switches.SourceFiles.push_back(
          run.WriteFile("src" + std::to_string(i) + ".txt", contents[i]));
    LoadSourceFiles(*run);
    return run->Source.Data;
  }
};

TEST_F(SourceBufferTest, FilesAreJoinedWithSeparators) {
  struct Case {
    std::vector<std::string> files;
    std::string joined;
  };
  const Case cases[] = {
      // The closing CR LF is the separator's first line end: never CR CR LF.
      {{"x\r\n", "y"}, std::string("x\r\n\r\ny")},
      // Without a final line end the last character stays; the separator follows it whole.
      {{"ab", "y"}, std::string("ab\r\n\r\ny")},
      {{"x\r", "y"}, std::string("x\r\n\r\ny")},
      // A bare LF counts as CR LF.
      {{"x\n", "y\nz"}, std::string("x\r\n\r\ny\r\nz")},
      // An empty file in the middle still gets its whole separator, nothing before it changes.
      {{"ab\r\n", "", "c"}, std::string("ab\r\n\r\n\r\n\r\nc")},
      {{"", "c"}, std::string("\r\n\r\nc")},
      {{"only one\r\n"}, std::string("only one\r\n")},
      {{std::string("\0\xff\x1a", 3)}, std::string("\0\xff\x1a", 3)},
  };
  for (const Case& c : cases) {
    run.Renew();
    EXPECT_EQ(Load(c.files), c.joined);
    EXPECT_TRUE(run->Source.Loaded);
    EXPECT_EQ(SourceSize(*run), c.joined.size());
  }
}

// Pieces made of CR LF lines join into CR LF lines: every CR is followed by LF, and the
// pieces are separated by exactly one empty line.
TEST_F(SourceBufferTest, PartsOfCrLfLinesJoinIntoCrLfLines) {
  const std::vector<std::string> lines = {"", "a", ".1", "word word", "\xe4\xf6"};
  for (unsigned seed = 0; seed < 200; ++seed) {
    std::vector<std::string> parts(2 + seed % 3);
    std::string expected;
    unsigned r = seed * 2654435761u + 1;
    for (std::size_t p = 0; p < parts.size(); ++p) {
      const unsigned count = 1 + (r >> 7) % 4;
      for (unsigned l = 0; l < count; ++l, r = r * 1103515245u + 12345u)
        parts[p] += lines[(r >> 16) % lines.size()] + "\r\n";
      expected += parts[p] + (p + 1 < parts.size() ? "\r\n" : "");
    }
    run.Renew();
    const std::string joined = Load(parts);
    EXPECT_EQ(joined, expected) << "seed " << seed;
    for (std::size_t i = joined.find('\r'); i != std::string::npos; i = joined.find('\r', i + 1))
      ASSERT_EQ(joined[i + 1], '\n') << "seed " << seed << " at " << i;
  }
}

TEST_F(SourceBufferTest, ReloadReplacesTheEarlierBuffer) {
  Load({"first"});
  run->Switches.SourceFiles = {run.WriteFile("b.txt", "second")};
  LoadSourceFiles(*run);
  EXPECT_EQ(run->Source.Data, "second");
}

TEST_F(SourceBufferTest, MissingFilesMistypedSwitchesAndFoldersStopTheRun) {
  std::filesystem::create_directory(run.Path("folder"));
  struct Case {
    std::string name;
    std::string message;
  };
  const Case cases[] = {
      {run.Path("nothere.txt"),
       "Source file \"" + run.Path("nothere.txt") + "\" not found or open.\n"},
      {"/xyz", "Parameter \"/xyz\" does not exist.\n"},
      {run.Path("folder"), "Source file \"" + run.Path("folder") + "\" not found or open.\n"},
  };
  for (const Case& c : cases) {
    run.console->Text.clear();
    run->Switches.SourceFiles = {run.WriteFile("ok.txt", "text"), c.name};
    EXPECT_EQ(ExitCodeOf([&] { LoadSourceFiles(*run); }), 2) << c.name;
    EXPECT_TRUE(run.ConsoleHas(c.message)) << run.console->Text;
  }
}

TEST_F(SourceBufferTest, GermanMissingFileMessageInCodePage850) {
  run->Language = 1;
  run->Switches.SourceFiles = {"/xyz", run.Path("a.txt")};
  EXPECT_EQ(ExitCodeOf([&] { LoadSourceFiles(*run); }), 2);
  EXPECT_TRUE(run.ConsoleHas("Parameter \"/xyz\" nicht bekannt.\n"));
  run.console->Text.clear();
  run->Switches.SourceFiles = {run.Path("a.txt")};
  EXPECT_EQ(ExitCodeOf([&] { LoadSourceFiles(*run); }), 2);
  EXPECT_TRUE(
      run.ConsoleHas("nicht gefunden oder schon ge\x94"
                     "ffnet.\n"));
}

TEST_F(SourceBufferTest, UnreadableFileStopsTheRun) {
  if (geteuid() == 0) GTEST_SKIP() << "root reads every file";
  const std::string path = run.WriteFile("locked.txt", "x");
  std::filesystem::permissions(path, std::filesystem::perms::none);
  run->Switches.SourceFiles = {path};
  EXPECT_EQ(ExitCodeOf([&] { LoadSourceFiles(*run); }), 2);
  EXPECT_TRUE(run.ConsoleHas("not found or open."));
}

TEST_F(SourceBufferTest, EmptySourceIsASourceError) {
  EXPECT_EQ(ExitCodeOf([&] { Load({"", ""}); }), -1) << "two empty files still hold a separator";
  run.Renew();
  EXPECT_EQ(ExitCodeOf([&] { Load({""}); }), 2);
  EXPECT_TRUE(run.ConsoleHas("Par 0: source file is empty!\n"));
}

TEST_F(SourceBufferTest, ReadPositionNeverLeavesTheBlock) {
  Load({"ab"});
  RewindSource(*run);
  EXPECT_EQ(run->Lines.CurrentSourceLine, 1);
  EXPECT_EQ(run->Lines.LastMessageLine, -100);
  std::uint8_t c = 0;
  ReadBufferChar(*run, c);
  EXPECT_EQ(c, 'a');
  EXPECT_EQ(PeekBufferChar(*run), 'b');
  EXPECT_FALSE(SourceEof(*run));
  ReadBufferChar(*run, c);
  EXPECT_EQ(c, 'b');
  EXPECT_TRUE(SourceEof(*run));
  ReadBufferChar(*run, c);
  EXPECT_EQ(c, 0);
  EXPECT_EQ(CurrentBufferChar(*run), 0);
  EXPECT_EQ(ByteAtPointer(*run, 1000000), 0);
  EXPECT_EQ(ByteAtPointer(*run, 0), 'a');
}

TEST_F(SourceBufferTest, SaveAndRestoreCoverWindowLineAndPosition) {
  Load({"line one\r\nline two\r\n"});
  RewindSource(*run);
  SetSourcePos(*run, 4);
  run->Source.PrevChar = 'a';
  run->Source.CurChar = 'b';
  run->Source.NextChar = 'c';
  run->Source.LineEndCount = 2;
  run->Lines.CurrentSourceLine = 7;
  TSourceState saved;
  SaveSourceState(*run, saved);
  std::uint8_t c;
  for (int i = 0; i < 8; ++i) ReadBufferChar(*run, c);
  run->Source.PrevChar = run->Source.CurChar = run->Source.NextChar = 'z';
  run->Source.LineEndCount = 0;
  run->Lines.CurrentSourceLine = 9;
  RestoreSourceState(*run, saved);
  EXPECT_EQ(run->Source.Position, 4u);
  EXPECT_EQ(run->Source.PrevChar, 'a');
  EXPECT_EQ(run->Source.CurChar, 'b');
  EXPECT_EQ(run->Source.NextChar, 'c');
  EXPECT_EQ(run->Source.LineEndCount, 2);
  EXPECT_EQ(run->Lines.CurrentSourceLine, 7);
}

TEST_F(SourceBufferTest, FileExistsWithSizeIgnoresSwitchesAfterTheName) {
  const std::string path = run.WriteFile("tool.exe", "12345");
  EXPECT_TRUE(FileExistsWithSize(*run, path + " /c /e"));
  EXPECT_EQ(run->Source.LastFileSize, 5u);
  EXPECT_FALSE(run->Source.FileOpenReadOnly);
  EXPECT_FALSE(FileExistsWithSize(*run, run.Path("other.exe")));
  EXPECT_FALSE(FileExistsWithSize(*run, run.Folder().string()));
  EXPECT_EQ(run->Source.LastFileSize, 5u);
}

}  // namespace

// The line copies stand for the block itself: for any block and any positions, asked in any
// order and again, the answer is the block's bytes through the line end and two more, or the
// block's rest where no line end comes soon; a new or changed block is never answered from
// copies of the old one.
TEST_F(SourceBufferTest, LineCopiesAnswerAsTheBlockWould) {
  std::mt19937 random(7);
  const auto expected = [](const std::string& data, std::size_t position) -> std::string {
    if (position >= data.size()) return {};
    const std::size_t cr = data.find('\r', position);
    if (cr == std::string::npos || cr - position >= 256) return data.substr(position);
    return data.substr(position, cr - position + 3);
  };
  const auto randomBlock = [&](std::size_t size) {
    // Short and long lines, bare line feeds, CR at the very end.
    static const char pieces[] = "ab \r\n\r.x";
    std::string data;
    while (data.size() < size) {
      if (random() % 40 == 0)
        data.append(300 + random() % 200, 'w');
      else
        data.push_back(pieces[random() % (sizeof pieces - 1)]);
    }
    return data;
  };
  for (int round = 0; round < 20; ++round) {
    run->Source.Data = randomBlock(1 + random() % 5000);
    if (round % 5 == 4) ForgetLineCopies(run->Source);
    const std::string& data = run->Source.Data;
    // Enough positions that the table of copies grows several times.
    for (int ask = 0; ask < 3000; ++ask) {
      const std::size_t position = random() % (data.size() + 2);
      ASSERT_EQ(std::string(SourceLineFrom(*run, position)), expected(data, position))
          << "round " << round << " position " << position;
    }
    // A change in place that the passes announce.
    run->Source.Data[random() % data.size()] = '\r';
    ForgetLineCopies(run->Source);
    for (std::size_t position = 0; position < data.size(); position += 7)
      ASSERT_EQ(std::string(SourceLineFrom(*run, position)), expected(data, position));
  }
}

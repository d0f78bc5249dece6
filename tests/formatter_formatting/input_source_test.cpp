// The document read in chunks: every byte as in the file, across chunk edges, and a file that
// is the output of its own run read whole before it is overwritten.
#include "formatter/formatting/input_source.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <random>

#include "tests/support/format_run_fixture.h"

namespace tavrel::testing {
namespace {

class InputSourceTest : public RunFixture {
 protected:
  // Bytes 0..n-1 of a fixed pseudo-random stream, so a byte read from the wrong place shows.
  static std::string Bytes(std::size_t n) {
    std::mt19937 rng(static_cast<unsigned>(n));
    std::string s(n, '\0');
    for (char& c : s) c = static_cast<char>(rng());
    return s;
  }
};

// A rule over all lengths that matter: reading forwards gives the file exactly, and beyond
// its end there is nothing.
TEST_F(InputSourceTest, ReadsEveryByteOfFilesAroundChunkEdges) {
  constexpr std::size_t c = InputSource::kChunk;
  for (const std::size_t n : {std::size_t{0}, std::size_t{1}, c - 1, c, c + 1, 3 * c + 17}) {
    SCOPED_TRACE(n);
    const std::string bytes = Bytes(n);
    WriteFileBytes(dir_ / "f.ws", bytes);
    InputSource in;
    platform::FileError error{};
    ASSERT_TRUE(in.OpenFile((dir_ / "f.ws").string(), error));
    EXPECT_EQ(in.size(), n);
    std::string read;
    for (std::size_t pos = 0; in.Peek(pos) >= 0; ++pos)
      read.push_back(static_cast<char>(in.Peek(pos)));
    EXPECT_EQ(read, bytes);
    EXPECT_EQ(in.Peek(n), -1);
    EXPECT_FALSE(in.Failed());
  }
}

TEST_F(InputSourceTest, KeepsTheLookBackAndDropsWhatLiesFurtherBack) {
  const std::size_t n = 4 * InputSource::kChunk + InputSource::kLookBack;
  const std::string bytes = Bytes(n);
  WriteFileBytes(dir_ / "f.ws", bytes);
  InputSource in;
  platform::FileError error{};
  ASSERT_TRUE(in.OpenFile((dir_ / "f.ws").string(), error));
  const std::size_t pos = n - 1;
  for (std::size_t p = 0; p <= pos; ++p)
    ASSERT_EQ(in.Peek(p), static_cast<unsigned char>(bytes[p]));
  const std::size_t back = pos - InputSource::kLookBack;
  EXPECT_TRUE(in.Kept(back));
  EXPECT_EQ(in.Peek(back), static_cast<unsigned char>(bytes[back]));
  EXPECT_FALSE(in.Kept(0));  // the window holds a part of the file, not all of it
}

TEST_F(InputSourceTest, AFileCutShortWhileReadEndsWhereItWasCut) {
  const std::size_t n = 3 * InputSource::kChunk;
  const std::string bytes = Bytes(n);
  WriteFileBytes(dir_ / "f.ws", bytes);
  InputSource in;
  platform::FileError error{};
  ASSERT_TRUE(in.OpenFile((dir_ / "f.ws").string(), error));
  ASSERT_EQ(in.Peek(0), static_cast<unsigned char>(bytes[0]));
  std::filesystem::resize_file(dir_ / "f.ws", InputSource::kChunk + 5);
  std::size_t pos = 0;
  while (in.Peek(pos) >= 0) ++pos;
  EXPECT_EQ(pos, InputSource::kChunk + 5);
  EXPECT_EQ(in.size(), pos);
}

TEST_F(InputSourceTest, ErrorsOfOpening) {
  InputSource in;
  platform::FileError error{};
  EXPECT_FALSE(in.OpenFile((dir_ / "missing.ws").string(), error));
  EXPECT_EQ(error, platform::FileError::missing);
  EXPECT_FALSE(in.OpenFile(dir_.string(), error));
  EXPECT_EQ(error, platform::FileError::is_directory);
}

TEST_F(InputSourceTest, MemoryInputIsReadInPlace) {
  const std::string bytes =
      "ab\x1A"
      "c";
  InputSource in;
  in.OpenView(bytes);
  EXPECT_EQ(in.size(), 4u);
  EXPECT_EQ(in.Peek(3), 'c');
  EXPECT_EQ(in.Peek(4), -1);
}

// A document longer than several chunks formats as the same text read in one piece: the
// reader's view over chunk edges (dot lines and .FI names cut by an edge included).
TEST_F(InputSourceTest, ALongDocumentFormatsAsTheSameDocumentFromMemory) {
  std::string doc;
  for (int i = 0; doc.size() < 3 * InputSource::kChunk; ++i) {
    doc += "Line " + std::to_string(i) + " of a long document with \x1B\x94\x1C words.\r\n";
    if (i % 97 == 0) doc += ".FI part.txt\r\n";
  }
  WriteFileBytes(dir_ / "part.txt", "included text\r\n");
  const std::string from_file = Format("long.ws", doc);
  run_ = MakeRun();
  run_->Run.InputFromMemory = true;
  run_->Run.OutputInMemory = true;
  run_->Run.InputBytes = doc;
  FormatFile(*run_, (dir_ / "long.ws").string());
  EXPECT_EQ(run_->Writer.Streams[kTextStream].File.Memory(), from_file);
  EXPECT_NE(from_file.find("included text"), std::string::npos);
}

// An output of the run is another name of the document (a link to it, or the document a link
// to it): formatting must neither replace the document nor delete it, so the run refuses.
TEST_F(InputSourceTest, AnOutputThatIsTheDocumentUnderAnotherNameIsRefused) {
  std::string doc;
  while (doc.size() < 2 * InputSource::kChunk) doc += "Some words to keep in the document.\r\n";
  namespace fs = std::filesystem;
  using Link = void (*)(const fs::path& document, const fs::path& output);
  const Link symlink = [](const fs::path& d, const fs::path& o) {
    fs::create_symlink(d.filename(), o);
  };
  struct Case {
    const char* what;
    const char* output;
    Link link;
    std::string commands = "";  // what makes the run write that output
  } cases[] = {
      {"formatted file a symbolic link to the document", "b.fmt", symlink},
      {"formatted file a hard link to the document", "b.fmt",
       [](const fs::path& d, const fs::path& o) { fs::create_hard_link(d, o); }},
      {"document a symbolic link to the formatted file", "b.fmt",
       [](const fs::path& d, const fs::path& o) {
         fs::rename(d, o);
         fs::create_symlink(o.filename(), d);
       }},
      {"notes file a link to the document", "b.fun", symlink, ".FU[]\r\nText[a note].\r\n"},
      {"index volume a link to the document", "b.IX1", symlink, ".IC #\r\n#Word\r\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    for (const char* name : {"b.ws", "b.fmt", "b.fun", "b.IX1"}) fs::remove(dir_ / name);
    WriteFileBytes(dir_ / "b.ws", c.commands + doc);
    c.link(dir_ / "b.ws", dir_ / c.output);
    list_.Clear();
    run_ = MakeRun();
    FormatFile(*run_, (dir_ / "b.ws").string());
    EXPECT_TRUE(run_->Run.Stop);
    EXPECT_EQ(ReadFileBytes(dir_ / "b.ws"), c.commands + doc);
    EXPECT_FALSE(fs::exists(dir_ / "b.$$$"));
    const std::string output = (dir_ / c.output).string();
    const auto lines = MessageLines();
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines[0], "ERROR: " + output + " is a link to the document " +
                            (dir_ / "b.ws").string() +
                            " (the same file): the document is not overwritten. Please delete "
                            "or rename " +
                            output + ".");
  }
}

}  // namespace
}  // namespace tavrel::testing

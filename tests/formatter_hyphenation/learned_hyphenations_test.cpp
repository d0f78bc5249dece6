#include "formatter/hyphenation/learned_hyphenations.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "formatter/hyphenation/hyphenation.h"
#include "tests/support/formatter_unit_support.h"

namespace tavrel {
namespace {

namespace fs = std::filesystem;
using unit_test::Held;

std::vector<std::uint8_t> HeldOf(std::string_view text) {
  std::vector<std::uint8_t> b(text.size() + 1, 0);
  for (std::size_t i = 0; i < text.size(); ++i) b[i + 1] = static_cast<std::uint8_t>(text[i]);
  return b;
}

LearnedContext Ctx(std::string_view seven) {
  LearnedContext c{};
  for (int i = 0; i < kLearnedContextSize; ++i) c[i] = static_cast<std::uint8_t>(seven[i]);
  return c;
}

std::string Bytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

class LearnedFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ =
        fs::temp_directory_path() /
        ("learned_" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }
  fs::path dir_;
};

TEST(LearnedContext, SevenLetterMappedCharactersBlankAfterTheFirstBlank) {
  struct Case {
    const char* text;
    int p, shift;
    const char* context;
  } cases[] = {
      {"Rechnernetz", 4, 0, "chnerne"},   // positions 3..9, capital R not in range
      {"Rechnernetz", 4, -2, "rechner"},  // positions 1..7, "R" lower-cased
      {"abc", 2, 0, "abc    "},           // beyond the word: blanks
      {"ab cdefg", 2, 0, "ab     "},      // the blank ends the context
      {"x\x8E"
       "rger",
       2, 0, "x\x84rger "},         // "Ä" maps to "ä"
      {"a-b/c", 2, 0, "a-b-c  "},   // hyphen-likes map to "-"
      {"ab12cd", 2, 0, "ab     "},  // digits are blanks
  };
  for (const Case& c : cases) {
    const auto held = HeldOf(c.text);
    EXPECT_EQ(MakeLearnedContext(held.data(), static_cast<int>(held.size()) - 1, c.p, c.shift),
              Ctx(c.context))
        << c.text << " p=" << c.p << " shift=" << c.shift;
  }
}

TEST_F(LearnedFiles, SavedAsSevenByteRecordsAndReadBackPerLanguage) {
  LearnedHyphenationList german("DEUT");
  HyphenationMessage error;
  ASSERT_TRUE(german.LoadFile(german.FileName(dir_.string()), &error));  // no file: empty list
  german.Add(Ctx("zucker "));
  german.Add(Ctx("abendes"));
  german.Add(Ctx("1zweite"));  // a non-letter start goes to the shared bucket
  ASSERT_TRUE(german.SaveFile(german.FileName(dir_.string()), &error));
  // Bucket "a" to "z", then the shared bucket; no length byte, no separator.
  EXPECT_EQ(Bytes(dir_ / "DEUTLERN.DTA"), "abendeszucker 1zweite");

  LearnedHyphenationList english("ENGL");
  ASSERT_TRUE(english.LoadFile(english.FileName(dir_.string()), &error));
  EXPECT_FALSE(english.Contains(Ctx("zucker "))) << "each language has its own file";
  english.Add(Ctx("hyphena"));
  ASSERT_TRUE(english.SaveFile(english.FileName(dir_.string()), &error));
  EXPECT_EQ(Bytes(dir_ / "ENGLLERN.DTA"), "hyphena");

  LearnedHyphenationList again("DEUT");
  ASSERT_TRUE(again.LoadFile(again.FileName(dir_.string()), &error));
  EXPECT_TRUE(again.Contains(Ctx("zucker ")));
  EXPECT_TRUE(again.Contains(Ctx("1zweite")));
  EXPECT_FALSE(again.Contains(Ctx("hyphena")));
  EXPECT_FALSE(again.HasAdditions()) << "records read from the file are not additions";
  // A later run appends its additions after the records already there.
  again.Add(Ctx("bahnhof"));
  ASSERT_TRUE(again.SaveFile(again.FileName(dir_.string()), &error));
  EXPECT_EQ(Bytes(dir_ / "DEUTLERN.DTA"), "abendeszucker 1zweitebahnhof");
  // Nothing new: the file is left alone.
  ASSERT_TRUE(again.SaveFile(again.FileName(dir_.string()), &error));
  EXPECT_EQ(Bytes(dir_ / "DEUTLERN.DTA").size(), 28u);
  for (const auto& entry : fs::directory_iterator(dir_))
    EXPECT_EQ(entry.path().extension(), ".DTA") << "no temporary file stays behind";
}

TEST_F(LearnedFiles, FileEndingInsideARecordIsAReadError) {
  std::ofstream(dir_ / "DEUTLERN.DTA", std::ios::binary) << "abendeszuck";
  LearnedHyphenationList list("DEUT");
  HyphenationMessage error;
  EXPECT_FALSE(list.LoadFile(list.FileName(dir_.string()), &error));
  EXPECT_EQ(error.English, "Error while reading file " + list.FileName(dir_.string()));
  EXPECT_EQ(error.German, "Fehler beim Lesen der Datei " + list.FileName(dir_.string()));
  EXPECT_TRUE(list.Contains(Ctx("abendes"))) << "the whole records before the damage are kept";
  EXPECT_EQ(list.Size(), 1u);
  // Saved, the cut record is dropped: appended behind it, every new record would be read
  // shifted by the four stray bytes.
  list.Add(Ctx("bahnhof"));
  ASSERT_TRUE(list.SaveFile(list.FileName(dir_.string()), &error));
  EXPECT_EQ(Bytes(dir_ / "DEUTLERN.DTA"), "abendesbahnhof");
  LearnedHyphenationList again("DEUT");
  EXPECT_TRUE(again.LoadFile(again.FileName(dir_.string()), &error));
  EXPECT_TRUE(again.Contains(Ctx("bahnhof")));
}

TEST_F(LearnedFiles, FolderInPlaceOfTheFileIsAnEmptyListAndCannotBeWritten) {
  fs::create_directories(dir_ / "DEUTLERN.DTA");
  LearnedHyphenationList list("DEUT");
  HyphenationMessage error;
  EXPECT_TRUE(list.LoadFile(list.FileName(dir_.string()), &error));
  EXPECT_EQ(list.Size(), 0u);
  list.Add(Ctx("bahnhof"));
  EXPECT_FALSE(list.SaveFile(list.FileName(dir_.string()), &error));
  EXPECT_TRUE(fs::is_directory(dir_ / "DEUTLERN.DTA"));
  SyllableExceptions ex;
  EXPECT_FALSE(ex.LoadFile(dir_.string()));
}

TEST_F(LearnedFiles, WriteFailureIsReportedAndCreatesNothing) {
  LearnedHyphenationList list("ENGL");
  list.StartEmpty();
  list.Add(Ctx("hyphena"));
  HyphenationMessage error;
  const std::string name = (dir_ / "missing" / "ENGLLERN.DTA").string();
  EXPECT_FALSE(list.SaveFile(name, &error));
  EXPECT_EQ(error.English, "Error while appending file " + name);
  EXPECT_EQ(error.German, "Fehler beim Erg\x84nzen der Datei " + name);
  EXPECT_FALSE(fs::exists(dir_ / "missing"));
}

TEST_F(LearnedFiles, RunLevelLoadAndSaveFollowTheLearnFlag) {
  std::ofstream(dir_ / "DEUTLERN.DTA", std::ios::binary) << "abendes";
  std::ofstream(dir_ / "GRIELERN.DTA", std::ios::binary) << "psyche ";
  HyphenationState state;
  HyphenationMessage error;

  // Learning 2, German rules with ancient Greek: both files are read.
  state.Params.Learn = 2;
  ASSERT_TRUE(LoadLearnedListsForRun(state, kHyphenGerman, true, dir_.string(), &error));
  EXPECT_TRUE(state.German.Contains(Ctx("abendes")));
  EXPECT_TRUE(state.Greek.Contains(Ctx("psyche ")));
  EXPECT_FALSE(state.Manual.Loaded());
  state.German.Add(Ctx("bahnhof"));
  state.Manual.Add(Ctx("ignored"));  // not loaded: dropped
  // A stopped run writes nothing.
  ASSERT_TRUE(SaveAllLearnedHyphenations(state, dir_.string(), true, &error));
  EXPECT_EQ(Bytes(dir_ / "DEUTLERN.DTA"), "abendes");
  ASSERT_TRUE(SaveAllLearnedHyphenations(state, dir_.string(), false, &error));
  EXPECT_EQ(Bytes(dir_ / "DEUTLERN.DTA"), "abendesbahnhof");
  EXPECT_FALSE(fs::exists(dir_ / "ENGLLERN.DTA"));

  // Learning 1: remembered during the run, files neither read nor written.
  state.Params.Learn = 1;
  ASSERT_TRUE(LoadLearnedListsForRun(state, kHyphenManual, false, dir_.string(), &error));
  EXPECT_TRUE(state.Manual.Loaded());
  EXPECT_FALSE(state.German.Loaded());
  state.Manual.Add(Ctx("hyphena"));
  EXPECT_TRUE(state.Manual.Contains(Ctx("hyphena")));
  ASSERT_TRUE(SaveAllLearnedHyphenations(state, dir_.string(), false, &error));
  EXPECT_FALSE(fs::exists(dir_ / "ENGLLERN.DTA"));

  // Learning 0: nothing is loaded at all.
  state.Params.Learn = 0;
  ASSERT_TRUE(LoadLearnedListsForRun(state, kHyphenGerman, false, dir_.string(), &error));
  EXPECT_FALSE(state.German.Loaded());
  EXPECT_FALSE(state.German.Contains(Ctx("abendes")));

  // Mode 5 at run start loads no list.
  state.Params.Learn = 2;
  ASSERT_TRUE(LoadLearnedListsForRun(state, kHyphenTexThenGerman, false, dir_.string(), &error));
  EXPECT_FALSE(state.German.Loaded());
}

TEST(SyllableExceptionFile, EntriesGoToTheirListsLetterMapped) {
  SyllableExceptions ex;
  // CR LF and bare LF lines alike; "Ä" is 0x8E in code page 850.
  ex.LoadBytes(
      "Hand\r\n\x8E"
      "pfel\nckt\r\n\r\nurlaub\nWeg\nx\n");
  ASSERT_EQ(ex.Lists[0], (std::vector<std::string>{"\x84pfe", "urla"}));
  ASSERT_EQ(ex.Lists[1], (std::vector<std::string>{"hand", "weg"}));
  ASSERT_EQ(ex.Lists[2], (std::vector<std::string>{"ckt", "", "x"}));
  // Four-character entries meet four letters, three-character entries three; others never.
  EXPECT_TRUE(ex.Matches(1, "hand"));
  EXPECT_FALSE(ex.Matches(1, "hanf"));
  EXPECT_TRUE(ex.Matches(1, "wege"));
  EXPECT_TRUE(ex.Matches(2, "ckte"));
  EXPECT_FALSE(ex.Matches(2, "xyzw")) << "a one-character entry never matches";
  EXPECT_FALSE(ex.Matches(2, "")) << "nor does the empty entry";
}

TEST(SyllableExceptionFile, MissingFileGivesEmptyLists) {
  SyllableExceptions ex;
  ex.LoadBytes("hand\n");
  EXPECT_FALSE(ex.LoadFile("/nonexistent/SILBAUSN.WS"));
  for (const auto& l : ex.Lists) EXPECT_TRUE(l.empty());
}

TEST(SyllableExceptionFile, SuiteFileLoads) {
  SyllableExceptions ex;
  ASSERT_TRUE(ex.LoadFile(std::string(CORVINA_SOURCE_DIR) + "/data/SILBAUSN.WS"));
  std::size_t total = 0;
  for (int i = 0; i < 3; ++i) {
    EXPECT_FALSE(ex.Lists[i].empty()) << "list " << i + 1;
    total += ex.Lists[i].size();
  }
  EXPECT_GT(total, 10u);
}

// Manual mode: the answers are saved as 7-byte records of the letter-mapped characters at
// p - 1 .. p + 5 (blanks past the word), bucket a..z in the order learned, and a later run
// reads them back and does not ask again.
TEST_F(LearnedFiles, ManualAnswersOnDiskByteForByte) {
  HyphenationState state;
  state.Params.Mode = kHyphenManual;
  state.Params.MinLetters = 3;
  state.Params.Learn = 2;
  state.Params.CapitalsUnsplit = false;
  HyphenationMessage error;
  ASSERT_TRUE(LoadLearnedListsForRun(state, kHyphenManual, false, dir_.string(), &error));
  std::vector<std::string> asked;
  state.ask = [&](const std::string& text) {
    asked.push_back(text);
    return HyphenationAnswer::kYes;
  };
  struct Word {
    const char* text;
    int p;
  } words[] = {
      {"B\x84renh\x94hle", 5},  // context positions 4..10: e n h ö h l e
      {"Holzofen", 4},          // 3..9: l z o f e n, then a blank past the word
      {"Abendessen", 7},        // 6..12: e s s e n and two blanks
      {"B\x8ERENH\x99HLE", 5},  // capitals map to the same context: found, not asked
  };
  for (const Word& w : words) {
    state.Word = HyphenationWordState{};
    const Held h(w.text);
    EXPECT_TRUE(MayBreakAt(state, h.data(), h.len, w.p).MayBreak) << w.text;
  }
  EXPECT_EQ(asked.size(), 3u);
  ASSERT_TRUE(SaveAllLearnedHyphenations(state, dir_.string(), false, &error));
  const std::string expected = std::string("enh\x94hle") + "essen  " + "lzofen ";
  EXPECT_EQ(Bytes(dir_ / "ENGLLERN.DTA"), expected);

  HyphenationState later;
  later.Params = state.Params;
  ASSERT_TRUE(LoadLearnedListsForRun(later, kHyphenManual, false, dir_.string(), &error));
  int asked_later = 0;
  later.ask = [&](const std::string&) {
    ++asked_later;
    return HyphenationAnswer::kNo;
  };
  for (const Word& w : words) {
    later.Word = HyphenationWordState{};
    const Held h(w.text);
    EXPECT_TRUE(MayBreakAt(later, h.data(), h.len, w.p).MayBreak) << w.text;
  }
  EXPECT_EQ(asked_later, 0);
}

}  // namespace
}  // namespace tavrel

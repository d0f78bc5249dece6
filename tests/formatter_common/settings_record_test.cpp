#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "formatter/common/message_boxes.h"
#include "formatter/common/settings_record.h"
#include "tests/support/formatter_unit_support.h"

namespace tavrel {
namespace {

using unit_test::ReadAll;
using unit_test::TempDir;
using unit_test::WriteAll;

// A suite folder "<tmp>/suite" with the program folder "<tmp>/suite/prog" and a separate
// current directory, so marker files, Tavrel.dta and dunname.tmp each sit where they belong.
struct SettingsFixture : ::testing::Test {
  TempDir tmp;
  std::string suite = tmp / "suite";
  RecordingMessageBoxes boxes;
  SettingsEnvironment env;
  SettingsStore store;

  void SetUp() override {
    std::filesystem::create_directories(suite + "/prog");
    std::filesystem::create_directories(tmp / "cwd");
    env.ProgramDirectory = suite + "/prog";
    env.CurrentDirectory = tmp / "cwd";
    env.IsNtFamily = true;
    env.Boxes = &boxes;
  }
  std::string DtaPath() const { return env.ProgramDirectory + "/Tavrel.dta"; }
  void Marker(const char* name) { WriteAll(suite + "/" + name, "x"); }
};

std::uint32_t Int32At(const std::string& b, std::size_t off) {
  std::uint32_t v = 0;
  std::memcpy(&v, b.data() + off, 4);
  return v;
}

std::string ShortStringAt(const std::string& b, std::size_t off) {
  return b.substr(off + 1, static_cast<unsigned char>(b[off]));
}

// Offsets and defaults as the settings file lays them out (English first start).
TEST_F(SettingsFixture, DefaultRecordBytesFollowTheFileLayout) {
  Marker("English.txt");
  std::uint8_t first = 0;
  EXPECT_FALSE(LoadSettings(store, env, first));
  EXPECT_EQ(first, 1);
  ASSERT_TRUE(SaveSettings(store, env));
  const std::string b = ReadAll(DtaPath());
  ASSERT_EQ(b.size(), 4212u);

  struct ByteField {
    std::size_t offset;
    int value;
    const char* name;
  };
  const ByteField bytes[] = {
      {464, 0, "Language"},
      {465, 0, "PrintUnformattedFiles"},
      {466, 1, "PreviewPlacesEachChar"},
      {568, 0, "HardToSoftSpaces"},
      {572, 3, "NormalFont"},
      {573, 112, "AlternateFont"},
      {575, 60, "DefaultTS"},
      {576, 0, "PageTemplateIndex"},
      {907, 3, "PaperFeedTop"},
      {908, 6, "DefaultLW"},
      {909, 3, "DefaultLS"},
      {910, 0, "SettingsIntoHeader"},
      {911, 0, "HintUnit"},
      {912, 2, "LearnHyphenations"},
      {913, 3, "HyphenationMode"},
      {914, 1, "MinimalRating"},
      {915, 3, "DefaultHN"},
      {916, 0, "AskIfDoubtful"},
      {917, 1, "CapitalAreasUnsplit"},
      {918, 0, "TexPatternFile length"},
      {1119, 0, "AncientGreek"},
      {1124, 3, "DefaultMN"},
      {1125, 5, "BlankLinesBeforeNotes"},
      {1126, 174, "NoteReturnChar"},
      {1127, 17, "NoteAssignChar"},
      {1180, 2, "LinesKeptTogether"},
      {1181, 0, "ContentsBoldHeadings"},
      {1182, 0, "ContentsPageNumbers"},
      {1183, 1, "IndexSortUmlautAsAe"},
      {1184, 0, "WeightedPages"},
      {1212, 1, "AutoCorrectExtension"},
      {1213, 1, "OpenEditorAfterMake"},
      {1214, 1, "CodePage"},
      {1215, 0, "DosProgram"},
      {1216, 1, "LineHeightRefersToNormalFont"},
      {1217, 0, "FirstPreviewDone"},
      {1218, 1, "AutoSaveEditor"},
      {1419, 10, "DefaultLH"},
      {1428, 1, "AutoPsName"},
      {1429, 1, "PsWithContents"},
      {1430, 1, "RunPdfProgram"},
      {1831, 0, "PdfPrinterName length"},
      {1931, 0, "PsFileLocation"},
      {1932, 1, "DoubleClickSwitchesFiles"},
      {1933, 0, "LastOpenDirectory length"},
      {2140, 1, "ContentsCtOnly"},
      {201, 0, "SearchDirectories length"},
      {467, 0, "FormattingPrinterName length"},
  };
  for (const ByteField& f : bytes)
    EXPECT_EQ(static_cast<unsigned char>(b[f.offset]), f.value) << f.name << " at " << f.offset;

  struct IntField {
    std::size_t offset;
    std::uint32_t value;
    const char* name;
  };
  const IntField ints[] = {
      {460, 2, "PrintThreadPriority"}, {1120, 0, "TexDownloadLanguage"},
      {1188, 0, "MainWindowLeft"},     {1204, 0, "PreviewWidth"},
      {1420, 0, "MainWindowWidth"},    {2136, 300, "MetafileDpi"},
      {2144, 991, "VersionStamp"},
  };
  for (const IntField& f : ints)
    EXPECT_EQ(Int32At(b, f.offset), f.value) << f.name << " at " << f.offset;
  EXPECT_EQ(b[570], 0);
  EXPECT_EQ(b[571], 0);  // DefaultGU

  EXPECT_EQ(ShortStringAt(b, 1128), "^T1^T");
  EXPECT_EQ(ShortStringAt(b, 1154), std::string("\xB0\xB0"
                                                "1)\xB0"));
  EXPECT_EQ(ShortStringAt(b, 1631), "* #");
  EXPECT_EQ(ShortStringAt(b, 1431), suite + "/util/gs.cmd");
  EXPECT_EQ(ShortStringAt(b, 0), suite + "/Dunmoor/Dunmoor.exe");
  EXPECT_EQ(ShortStringAt(b, 1219), suite + "/Skeldon/Skeldon.exe");

  for (int i = 0; i < 10; ++i) {
    const std::size_t at = 577 + 33 * i;
    EXPECT_EQ(ShortStringAt(b, at),
              i == 0 ? std::string("Wordstar default") : "Template " + std::to_string(i + 1));
    const std::vector<int> values(b.begin() + at + 26, b.begin() + at + 33);
    EXPECT_EQ(values, (std::vector<int>{66, 3, 8, 8, 60, 2, 2})) << "template " << i;
  }

  struct Range {
    std::size_t first, last;
  };
  for (const Range r : {Range{457, 459}, Range{569, 569}, Range{574, 574}, Range{1185, 1187},
                        Range{1424, 1427}, Range{2134, 2135}, Range{2141, 2143}, Range{2148, 4211}})
    for (std::size_t i = r.first; i <= r.last; ++i) ASSERT_EQ(b[i], 0) << "reserved byte " << i;
}

TEST_F(SettingsFixture, FirstStartLanguageFromMarkerOrQuestion) {
  struct Case {
    const char* marker;  // nullptr: none
    int answer;
    int language, hyphenationMode, hintUnit;
    bool asked;
  };
  const Case cases[] = {
      {"Deutsch.txt", kAnswerNo, 1, 0, 1, false},
      {"English.txt", kAnswerYes, 0, 3, 0, false},
      {nullptr, kAnswerYes, 1, 0, 1, true},
      {nullptr, kAnswerNo, 0, 3, 0, true},
  };
  for (const Case& c : cases) {
    std::filesystem::remove(suite + "/Deutsch.txt");
    std::filesystem::remove(suite + "/English.txt");
    if (c.marker) Marker(c.marker);
    RecordingMessageBoxes local;
    local.ScriptAnswer(c.answer);
    env.Boxes = &local;
    SettingsStore s;
    std::uint8_t first = 0;
    LoadSettings(s, env, first);
    SCOPED_TRACE(c.marker ? c.marker : "question");
    EXPECT_EQ(first, 1);
    EXPECT_EQ(s.FirstStartLanguageChosen, 1);
    EXPECT_EQ(s.Settings.Language, c.language);
    EXPECT_EQ(s.Settings.HyphenationMode, c.hyphenationMode);
    EXPECT_EQ(s.Settings.HintUnit, c.hintUnit);
    EXPECT_EQ(local.UnusedAnswers(), c.asked ? 0u : 1u);
  }
}

TEST_F(SettingsFixture, ShortOrEmptyFileGivesEnglishDefaultsAndIsRewrittenWhole) {
  Marker("Deutsch.txt");  // not consulted: a file exists
  for (std::size_t size : {std::size_t{4000}, std::size_t{0}, std::size_t{4211}}) {
    WriteAll(DtaPath(), std::string(size, '\x01'));
    RecordingMessageBoxes local;
    env.Boxes = &local;
    SettingsStore s;
    std::uint8_t first = 7;
    EXPECT_FALSE(LoadSettings(s, env, first));
    EXPECT_EQ(first, 0);
    EXPECT_EQ(s.Settings.Language, 0);
    EXPECT_EQ(s.Settings.HyphenationMode, 3);
    EXPECT_EQ(s.Settings.VersionStamp, 991);
    const auto shown = local.Boxes();
    ASSERT_GE(shown.size(), 1u);
    EXPECT_EQ(shown[0].Text, "Error reading Tavrel.dta, file recreated with default values");
    EXPECT_EQ(shown[0].Kind, kBoxError);
    ASSERT_TRUE(SaveSettings(s, env));
    EXPECT_EQ(ReadAll(DtaPath()).size(), 4212u) << size;
  }
}

std::string RandomRecord(unsigned seed) {
  std::mt19937 rng(seed);
  std::string b(4212, '\0');
  for (char& c : b) c = static_cast<char>(rng());
  b[0] = 5;     // an editor path, so that none is filled in
  b[1219] = 5;  // a compiler path
  b[1419] = 9;  // DefaultLH not 0
  b[2136] = 1;  // MetafileDpi not 0
  return b;
}

TEST_F(SettingsFixture, LoadSaveRoundTripKeepsEveryByte) {
  const std::string original = RandomRecord(42) + "trailing bytes of a longer file";
  WriteAll(DtaPath(), original);
  std::uint8_t first = 0;
  ASSERT_TRUE(LoadSettings(store, env, first));
  EXPECT_EQ(first, 0);
  // Nothing changed: nothing is written.
  std::filesystem::remove(DtaPath());
  ASSERT_TRUE(SaveSettings(store, env));
  EXPECT_FALSE(std::filesystem::exists(DtaPath()));

  store.Settings.ContentsCtOnly ^= 1;
  ASSERT_TRUE(SaveSettings(store, env));
  std::string expected = original.substr(0, 4212);
  expected[2140] = static_cast<char>(expected[2140] ^ 1);
  EXPECT_EQ(ReadAll(DtaPath()), expected);
}

TEST_F(SettingsFixture, LoadFixesZeroLineHeightAndMetafileResolution) {
  std::string b = RandomRecord(7);
  b[1419] = 0;
  std::memset(b.data() + 2136, 0, 4);
  WriteAll(DtaPath(), b);
  std::uint8_t first = 0;
  ASSERT_TRUE(LoadSettings(store, env, first));
  EXPECT_EQ(store.Settings.DefaultLH, 8);
  EXPECT_EQ(store.Settings.MetafileDpi, 300);
  // The fix-ups differ from the saved copy, so the next save writes them.
  EXPECT_FALSE(SettingsUnchanged(store.Settings, store.SavedSettings));
}

TEST(SettingsUnchangedTest, OnlyTheFirst2141BytesCount) {
  struct Case {
    std::size_t offset;
    bool unchanged;
  };
  for (const Case c : {Case{0, false}, Case{2140, false}, Case{1500, false}, Case{2141, true},
                       Case{2144, true}, Case{4211, true}}) {
    TSettingsRecord a{};
    TSettingsRecord b{};
    SettingsBytes bytes = SettingsToBytes(b);
    bytes[c.offset] ^= 0xFF;
    b = SettingsFromBytes(bytes);
    EXPECT_EQ(SettingsUnchanged(a, b), c.unchanged) << "offset " << c.offset;
  }
}

TEST_F(SettingsFixture, SaveReplacesTheFileThroughARename) {
  Marker("English.txt");
  std::uint8_t first = 0;
  LoadSettings(store, env, first);
  ASSERT_TRUE(SaveSettings(store, env));
  const std::string before = ReadAll(DtaPath());
  // A second name for the old file: an in-place rewrite would change what it shows.
  std::filesystem::create_hard_link(DtaPath(), tmp / "old-link");
  store.SavedSettings = store.Settings;
  store.Settings.DefaultTS = 77;
  ASSERT_TRUE(SaveSettings(store, env));
  EXPECT_EQ(ReadAll(tmp / "old-link"), before);
  EXPECT_EQ(static_cast<unsigned char>(ReadAll(DtaPath())[575]), 77);
  std::size_t files = 0;
  for (const auto& e : std::filesystem::directory_iterator(env.ProgramDirectory)) {
    (void)e;
    ++files;
  }
  EXPECT_EQ(files, 1u) << "a temporary file was left behind";
}

TEST_F(SettingsFixture, SaveFailureShowsTheBoxAndReportsIt) {
  Marker("English.txt");
  std::uint8_t first = 0;
  LoadSettings(store, env, first);
  env.ProgramDirectory = tmp / "no-such-folder";
  EXPECT_FALSE(SaveSettings(store, env));
  const auto shown = boxes.Boxes();
  ASSERT_FALSE(shown.empty());
  EXPECT_EQ(shown.back().Text, "Error: Could not write file Tavrel.dta.");
}

TEST_F(SettingsFixture, DunnameOverridesTheEditorAndIsErasedEvenWhenEmpty) {
  WriteAll(DtaPath(), RandomRecord(3));
  WriteAll(tmp / "cwd/dunname.tmp", "/opt/editor/dunmoor\r\nsecond line\r\n");
  std::uint8_t first = 0;
  ASSERT_TRUE(LoadSettings(store, env, first));
  EXPECT_EQ(store.Settings.EditorFileName.Str(), "/opt/editor/dunmoor");
  EXPECT_FALSE(std::filesystem::exists(tmp / "cwd/dunname.tmp"));

  WriteAll(tmp / "cwd/dunname.tmp", "");
  SettingsStore again;
  ASSERT_TRUE(LoadSettings(again, env, first));
  EXPECT_EQ(again.Settings.EditorFileName.Str(), std::string(RandomRecord(3).substr(1, 5)));
  EXPECT_FALSE(std::filesystem::exists(tmp / "cwd/dunname.tmp"));
}

TEST_F(SettingsFixture, MissingEditorIsReportedAndLoadingGoesOn) {
  Marker("English.txt");
  std::uint8_t first = 0;
  LoadSettings(store, env, first);
  const auto shown = boxes.Boxes();
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(
      shown[0].Text,
      "Dunmoor.exe not found. Please enter the name on the \"Program\" page of the settings notebook.");
  // With the editor in place no box appears.
  WriteAll(suite + "/Dunmoor/Dunmoor.exe", "x");
  RecordingMessageBoxes quiet;
  env.Boxes = &quiet;
  SettingsStore s;
  LoadSettings(s, env, first);
  EXPECT_TRUE(quiet.Boxes().empty());
}

TEST(SettingsRecordTest, SettingsGoToTheUserFolderWhenTheProgramFolderIsNotWritable) {
  TempDir tmp;
  EXPECT_EQ(ChooseSettingsDirectory(tmp.Path().string()), tmp.Path().string());
  const char* old = std::getenv("XDG_CONFIG_HOME");
  const std::string saved = old ? old : "";
  ::setenv("XDG_CONFIG_HOME", (tmp / "config").c_str(), 1);
  const std::string chosen = ChooseSettingsDirectory(tmp / "no-such-program-folder");
  if (old)
    ::setenv("XDG_CONFIG_HOME", saved.c_str(), 1);
  else
    ::unsetenv("XDG_CONFIG_HOME");
  EXPECT_EQ(chosen, tmp / "config/corvina");
  EXPECT_TRUE(std::filesystem::is_directory(chosen));

  SettingsEnvironment env;
  env.ProgramDirectory = "/p";
  EXPECT_EQ(SettingsFilePath(env), "/p/Tavrel.dta");
  env.SettingsDirectory = "/u";
  EXPECT_EQ(SettingsFilePath(env), "/u/Tavrel.dta");
}

TEST(SettingsRecordTest, TutorialDirectoryAndPdfProgramFollowTheSuiteDirectory) {
  SettingsStore s;
  s.SuiteDirectory = "C:\\Corvina";
  s.Settings.Language = 1;
  EXPECT_EQ(GetTutorialDirectory(s), "C:\\Corvina\\Tutorial_Deutsch\\");
  s.Settings.Language = 0;
  EXPECT_EQ(GetTutorialDirectory(s), "C:\\Corvina\\Tutorial_English\\");

  TSettingsRecord r{};
  DefaultSettings(r, "C:\\Corvina\\Tavrel", false);
  EXPECT_EQ(r.PdfProgram.Str(), "C:\\Corvina\\util\\gs.bat");
  DefaultSettings(r, "Tavrel", true);
  EXPECT_EQ(r.PdfProgram.Str(), "Tavrel");
}

TEST(SettingsRecordTest, DamagedTemplateIndexFallsBackToTheFirstTemplate) {
  TSettingsRecord r{};
  DefaultSettings(r, "/x/y", true);
  r.PageTemplates[0].RM = 61;
  r.PageTemplateIndex = 200;
  EXPECT_EQ(CurrentPageTemplate(r).RM, 61);
  ShortString<5> s;
  s.Length = 250;  // damaged length byte
  EXPECT_EQ(s.Str().size(), 5u);
}

}  // namespace
}  // namespace tavrel

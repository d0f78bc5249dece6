// Hyphenation inside whole formatting runs: the same German and English paragraphs formatted
// with each hyphenation mode, compared byte for byte with the golden files in
// tests/golden/formatter_engine/hyphenation; the rules plugged into the word breaker, and a break
// that they move back in the word.
#include <gtest/gtest.h>

#include <filesystem>

#include "formatter/hyphenation/hyphenation.h"
#include "tests/support/format_run_fixture.h"

namespace tavrel::testing {
namespace {

namespace fs = std::filesystem;

// Code page 850: \x81 u-umlaut, \x84 a-umlaut, \x94 o-umlaut, \xE1 sharp s.
// ".IB": the documents are plain text in the IBM character set, so the umlauts stay.
const char kGerman[] =
    ".IB\r\n"
    ".RM 36\r\n"
    "Die Silbentrennung entscheidet f\x81r jedes Wort, das \x81"
    "ber den rechten Rand "
    "hinausragt, wo die Zeile umbrochen werden darf. Zusammengesetzte W\x94rter wie "
    "Kaffeetasse, Staatsanwaltschaft oder Stra\xE1"
    "enbahnhaltestelle werden an ihren "
    "Wortfugen getrennt, und die Regeln ber\x81"
    "cksichtigen Vorsilben ebenso wie "
    "Nachsilben. Ein Zuckerb\x84"
    "cker backt Lebkuchen f\x81r die Weihnachtszeit.\r\n";

const char kEnglish[] =
    ".IB\r\n"
    ".RM 36\r\n"
    "Justified text without good hyphenation looks ragged: the formatter decides every "
    "break inside an overflowing word, with patterns that were computed from a dictionary "
    "of hyphenated words and compared against the minimal rating chosen in the settings "
    "notebook. Typesetting considerations determine the representation of paragraphs.\r\n";

class HyphenationRunTest : public RunFixture {
 protected:
  std::string FormatWithMode(const std::string& name, const std::string& doc, int mode,
                             const char* pattern_file) {
    settings_.HyphenationMode = static_cast<std::uint8_t>(mode);
    settings_.DefaultHN = 2;
    settings_.LearnHyphenations = 1;
    if (pattern_file) {
      fs::copy_file(fs::path(CORVINA_SOURCE_DIR) / "data" / "hyphenation" / pattern_file,
                    dir_ / pattern_file, fs::copy_options::overwrite_existing);
      settings_.TexPatternFile.Assign(pattern_file);
    }
    WriteFileBytes(dir_ / name, doc);
    run_ = MakeRun();
    run_->Files.CurrentDocument = (dir_ / name).string();
    run_->Hyphenator = std::make_unique<RuleHyphenator>();
    FormatFile(*run_, (dir_ / name).string());
    return ReadFileBytes(dir_ / (fs::path(name).stem().string() + ".fmt"));
  }

  // The formatted lines that end in a hyphen (0x1F before the soft line end).
  static std::vector<std::string> HyphenatedLineEnds(const std::string& fmt) {
    std::vector<std::string> out;
    std::size_t start = 0;
    while (start < fmt.size()) {
      std::size_t end = fmt.find('\n', start);
      if (end == std::string::npos) end = fmt.size();
      const std::string line = fmt.substr(start, end - start);
      const std::size_t hyphen = line.find('\x1F');
      if (hyphen != std::string::npos) {
        const std::size_t word = line.rfind(' ', hyphen);
        out.push_back(line.substr(word == std::string::npos ? 0 : word + 1,
                                  hyphen - (word == std::string::npos ? 0 : word + 1)));
      }
      start = end + 1;
    }
    return out;
  }
};

struct ModeCase {
  const char* golden;
  bool german;
  int mode;
  const char* pattern_file;
};

const ModeCase kModes[] = {
    {"de_mode0.fmt", true, kHyphenGerman, nullptr},
    {"de_mode3.fmt", true, kHyphenNone, nullptr},
    {"de_mode4.fmt", true, kHyphenTex, "dehyph.tex"},
    {"de_mode5.fmt", true, kHyphenTexThenGerman, "dehyph.tex"},
    {"en_mode0.fmt", false, kHyphenGerman, nullptr},
    {"en_mode3.fmt", false, kHyphenNone, nullptr},
    {"en_mode4.fmt", false, kHyphenTex, "ushyph.tex"},
    {"en_mode5.fmt", false, kHyphenTexThenGerman, "ushyph.tex"},
};

TEST_F(HyphenationRunTest, EachModeMatchesGolden) {
  for (const ModeCase& c : kModes) {
    const std::string fmt = FormatWithMode(c.german ? "de.ws" : "en.ws",
                                           c.german ? kGerman : kEnglish, c.mode, c.pattern_file);
    if (std::getenv("TAVREL_PRINT_GOLDEN")) std::cerr << c.golden << "\n" << Readable(fmt) << "\n";
    ExpectGolden(std::string("hyphenation/") + c.golden, fmt);
    EXPECT_TRUE(MessageLines().empty())
        << c.golden << ": " << (MessageLines().empty() ? "" : MessageLines()[0]);
    if (c.mode == kHyphenNone) {
      EXPECT_EQ(fmt.find('\x1F'), std::string::npos) << c.golden;
    }
  }
}

// Manual mode: every proposal is put to the user; the scripted answers say Yes to every second
// one. A Yes is learned, so the same context is not asked again.
class ManualModeTest : public HyphenationRunTest, public ::testing::WithParamInterface<bool> {};

TEST_P(ManualModeTest, FollowsTheAnswers) {
  const bool german = GetParam();
  for (int i = 0; i < 40; ++i) boxes_.ScriptAnswer(i % 2 == 0 ? kAnswerNo : kAnswerYes);
  const std::string fmt = FormatWithMode(german ? "de.ws" : "en.ws", german ? kGerman : kEnglish,
                                         kHyphenManual, nullptr);
  if (std::getenv("TAVREL_PRINT_GOLDEN")) std::cerr << Readable(fmt) << "\n";
  ExpectGolden(german ? "hyphenation/de_mode2.fmt" : "hyphenation/en_mode2.fmt", fmt);
  const auto boxes = boxes_.Boxes();
  ASSERT_FALSE(boxes.empty());
  for (const auto& box : boxes) {
    EXPECT_TRUE(box.Question);
    EXPECT_EQ(box.Buttons, BoxButtons::YesNoCancel);
    EXPECT_EQ(box.Text.rfind("Trennungsvorschlag \"...", 0), 0u) << box.Text;
  }
  // Every break in the file was answered Yes.
  std::size_t yes = 0;
  for (const auto& box : boxes) yes += box.Answer == kAnswerYes;
  EXPECT_EQ(HyphenatedLineEnds(fmt).size(), yes);
}

INSTANTIATE_TEST_SUITE_P(Languages, ManualModeTest, ::testing::Values(true, false),
                         [](const ::testing::TestParamInfo<bool>& info) {
                           return std::string(info.param ? "German" : "English");
                         });

TEST_F(HyphenationRunTest, CancelStopsTheRun) {
  boxes_.ScriptAnswer(kAnswerCancel);
  FormatWithMode("de.ws", kGerman, kHyphenManual, nullptr);
  EXPECT_EQ(boxes_.Boxes().size(), 1u) << "nothing is asked after Cancel";
  EXPECT_EQ(notifier_.WithCode(MN_STOP_FORMATTING).size(), 1u);
  bool stopped = false;
  for (const std::string& line : MessageLines())
    stopped = stopped || line.find("Formatting stopped by user") != std::string::npos;
  EXPECT_TRUE(stopped);
}

TEST_F(HyphenationRunTest, MissingPatternFileIsReported) {
  settings_.TexPatternFile.Assign("nothere.tex");
  FormatWithMode("en.ws", kEnglish, kHyphenTex, nullptr);
  ASSERT_FALSE(MessageLines().empty());
  EXPECT_NE(MessageLines()[0].find("Hyphenation file nothere.tex not found"), std::string::npos)
      << MessageLines()[0];
}

// A pattern file with CR LF line ends keeps the CR in every pattern, so nothing matches; the run
// says so once instead of hyphenating silently nowhere.
TEST_F(HyphenationRunTest, CrLfPatternFileIsReportedOnce) {
  WriteFileBytes(dir_ / "crlf.tex", "hy3ph\r\nhe2n\r\nhena4\r\nhen5at\r\n");
  settings_.TexPatternFile.Assign("crlf.tex");
  const std::string fmt = FormatWithMode("en.ws", kEnglish, kHyphenTex, nullptr);
  EXPECT_EQ(fmt.find('\x1F'), std::string::npos);
  ASSERT_EQ(MessageLines().size(), 1u);
  EXPECT_NE(MessageLines()[0].find("Hyphenation file crlf.tex has CR LF line ends"),
            std::string::npos)
      << MessageLines()[0];
}

// The hyphenation modes plug in through the word breaker's call-out.
TEST_F(HyphenationRunTest, GermanRulesHyphenateThroughTheWordBreakersCallOut) {
  settings_.HyphenationMode = 0;
  const std::string out = FormatWith(
      std::make_unique<RuleHyphenator>(),
      ".RM 40\r\nDie Kommission hat gestern Landeshauptstadtverwaltung beschlossen.\r\n");
  EXPECT_NE(out.find("\x1F\x8D\n"), std::string::npos) << Readable(out);
  std::string letters;
  for (char c : out)
    if (isalpha(static_cast<unsigned char>(c))) letters += c;
  EXPECT_EQ(letters, "RMDieKommissionhatgesternLandeshauptstadtverwaltungbeschlossen");
}

class GreekBreakRunTest : public RunFixture {};

// "ps" stays together under the ancient Greek rules. Searching "Kapseln" from the right, Kap|seln
// is refused and remembered as the Greek position; at Ka|pseln the user is asked. Yes breaks
// there; No moves the break back to the Greek position, and the line ends "Kap-".
TEST_F(GreekBreakRunTest, BreaksWhereTheAnswerPutsIt) {
  struct Case {
    int answer;
    const char* body;
  } cases[] = {
      {kAnswerYes, "Eine Kette aus Ka\x1F\x8D\npseln und noch mehr \x8D\nText dazu\r\n"},
      {kAnswerNo, "Eine Kette aus Kap\x1F\x8D\nseln und noch mehr \x8D\nText dazu\r\n"},
  };
  for (const Case& c : cases) {
    settings_.HyphenationMode = kHyphenGerman;
    settings_.AncientGreek = 1;
    settings_.AskIfDoubtful = 1;
    settings_.LearnHyphenations = 1;
    settings_.DefaultHN = 1;
    settings_.CapitalAreasUnsplit = 0;
    const std::size_t asked_before = boxes_.Boxes().size();
    boxes_.ScriptAnswer(c.answer);
    WriteFileBytes(dir_ / "de.ws",
                   ".IB\r\n.RM 20\r\nEine Kette aus Kapseln und noch mehr Text dazu\r\n");
    run_ = MakeRun();
    run_->Hyphenator = std::make_unique<RuleHyphenator>();
    FormatFile(*run_, (dir_ / "de.ws").string());
    const std::string fmt = Body(ReadFileBytes(dir_ / "de.fmt"));
    EXPECT_EQ(fmt, std::string(".IB\r\n.RM 20\r\n") + c.body) << Readable(fmt);
    ASSERT_EQ(boxes_.Boxes().size(), asked_before + 1);
    EXPECT_EQ(boxes_.Boxes().back().Text, "Trennungsvorschlag \"...Kette aus Ka-pseln und...\"");
  }
}

}  // namespace
}  // namespace tavrel::testing

namespace tavrel::testing {
namespace {

class ClusterBreakRunTest : public RunFixture {};

// "st" before a vowel is never split: whatever column the word reaches at the margin, the
// word breaker ends the line only at the breaks the rules allow (Fen-ster-bank is refused
// at its doubtful first break, so only Fenster-bank remains).
TEST_F(ClusterBreakRunTest, StBeforeAVowelStaysTogetherAtEveryMargin) {
  struct Case {
    const char* word;
    std::vector<std::string> allowed;  // the part before the hyphen
  };
  const Case cases[] = {
      {"Fensterbank", {"Fenster"}},
      {"Schwesterbank", {"Schwester"}},
      {"Schwester", {"Schwe"}},
      {"Fenster", {"Fen"}},
  };
  settings_.HyphenationMode = kHyphenGerman;
  settings_.DefaultHN = 1;
  for (const Case& c : cases) {
    int hyphenated = 0;
    for (int pad = 0; pad < 18; ++pad) {
      const std::string doc =
          ".RM 20\r\n" + std::string(static_cast<std::size_t>(pad), 'x') + " " + c.word + " y.\r\n";
      const std::string out = FormatWith(std::make_unique<RuleHyphenator>(), doc);
      const std::size_t hyphen = out.find('\x1F');
      if (hyphen == std::string::npos) continue;
      ++hyphenated;
      const std::size_t start = out.rfind(' ', hyphen) + 1;
      const std::string before = out.substr(start, hyphen - start);
      EXPECT_NE(std::find(c.allowed.begin(), c.allowed.end(), before), c.allowed.end())
          << c.word << " pad " << pad << ": " << Readable(out);
    }
    EXPECT_GT(hyphenated, 0) << c.word << " was never hyphenated";
  }
}

}  // namespace
}  // namespace tavrel::testing

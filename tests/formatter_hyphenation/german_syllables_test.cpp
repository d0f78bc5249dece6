#include "formatter/hyphenation/german_syllables.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "formatter/hyphenation/hyphenation.h"
#include "tests/support/formatter_unit_support.h"

namespace tavrel {
namespace {

using unit_test::Held;

// UTF-8 (as the table files are written) to code page 850.
std::string Cp850(std::string_view utf8) {
  std::string out;
  for (std::size_t i = 0; i < utf8.size(); ++i) {
    const auto c = static_cast<unsigned char>(utf8[i]);
    if (c == 0xC3 && i + 1 < utf8.size()) {
      switch (static_cast<unsigned char>(utf8[++i])) {
        case 0xA4:
          out += '\x84';
          break;
        case 0xB6:
          out += '\x94';
          break;
        case 0xBC:
          out += '\x81';
          break;
        case 0x9F:
          out += '\xE1';
          break;
        case 0x84:
          out += '\x8E';
          break;
        case 0x96:
          out += '\x99';
          break;
        case 0x9C:
          out += '\x9A';
          break;
        default:
          out += '?';
          break;
      }
    } else {
      out += static_cast<char>(c);
    }
  }
  return out;
}

std::string DataPath(const std::string& relative) {
  return std::string(CORVINA_SOURCE_DIR) + "/" + relative;
}

HyphenationState German(int n) {
  HyphenationState state;
  state.Params.Mode = kHyphenGerman;
  state.Params.MinLetters = n;
  state.Params.Learn = 0;
  state.Params.AskIfDoubtful = false;
  return state;
}

// Every position of the word judged as the word breaker would, one word at a time; "-" marks an
// allowed break and "=" a break where "ck" becomes "k-k".
std::string Hyphenate(HyphenationState& state, const std::string& word) {
  const Held h(word);
  std::string out;
  for (int p = 1; p <= h.len; ++p) {
    out += word[static_cast<std::size_t>(p - 1)];
    if (p == h.len) break;
    state.Word = HyphenationWordState{};
    const BreakVerdict v = MayBreakAt(state, h.data(), h.len, p);
    if (v.MayBreak) out += v.Ck ? '=' : '-';
  }
  return out;
}

// A few hundred German words chosen for the rule tables (clusters, word-part fragments, word
// starts, prefix syllables, vowel pairs, "ck", the exception file); the expected breaks come
// from a separate implementation of the rules (german_rules_oracle.py beside the table).
TEST(GermanRulesTable, WordsBreakWhereTheRulesSay) {
  HyphenationState state = German(1);
  ASSERT_TRUE(state.Exceptions.LoadFile(DataPath("data/SILBAUSN.WS")));
  std::ifstream in(DataPath("tests/data/formatter_engine/german_rules_expected.txt"));
  ASSERT_TRUE(in) << "expected table missing";
  int lines = 0, failures = 0;
  for (std::string line; std::getline(in, line);) {
    std::istringstream fields(line);
    std::string word, expected;
    int n = 0;
    fields >> word >> n >> expected;
    ++lines;
    state.Params.MinLetters = n;
    const std::string got = Hyphenate(state, Cp850(word));
    if (got != Cp850(expected) && ++failures <= 40)
      ADD_FAILURE() << word << " n=" << n << ": expected " << expected << ", got (code page 850) "
                    << got;
  }
  EXPECT_GT(lines, 500);
  EXPECT_EQ(failures, 0);
}

struct RuleCase {
  const char* word;  // code page 850
  int n;
  int p;
  bool allowed;
  const char* rule;
};

// Single positions worked out by hand, one per rule path.
const RuleCase kRuleCases[] = {
    {"Tasche", 1, 2, true, "sch before a vowel: the break falls before the cluster, Ta-sche"},
    {"Tasche", 1, 3, false, "never Tas-che: the break would fall inside sch"},
    {"Tasche", 1, 4, false, "nor Tasc-he: ch stays together"},
    {"Leben", 1, 2, true, "one consonant before a vowel goes to the next syllable: Le-ben"},
    {"Mutter", 2, 3, true, "two consonants split: Mut-ter"},
    {"Zebra", 1, 2, true, "the pair br before a vowel stays together: Ze-bra"},
    {"Zebra", 1, 3, false, "and is not split: Zeb-ra"},
    {"Fenster", 1, 3, true, "Fen-ster: the triple str before a vowel"},
    {"Fenster", 1, 4, false, "not Fens-ter"},
    {"Christ", 1, 2, false, "Ch-rist is refused: chr stays together"},
    {"beeilen", 1, 2, true, "two vowels where the second pair is a diphthong: be-eilen"},
    {"Bauer", 1, 3, true, "after a diphthong before a vowel: Bau-er"},
    {"Zucker", 2, 3, true, "ck is split as k-k"},
    {"Rathaus", 1, 3, true, "haus starts a word part: Rat-haus"},
    {"Lesehilfe", 2, 4, true, "hilf starts a word part: Lese-hilfe"},
};

TEST(GermanRulesPositions, EachRulePath) {
  for (const RuleCase& c : kRuleCases) {
    HyphenationState state = German(c.n);
    const Held h(c.word);
    EXPECT_EQ(MayBreakAt(state, h.data(), h.len, c.p).MayBreak, c.allowed)
        << c.word << " p=" << c.p << ": " << c.rule;
  }
}

// "Lacktafel" with the ancient Greek rules: "kt" before a vowel allows Lac|ktafel once the user
// agrees; the exception entry "ckt" (list 3) then forbids the break again.
TEST(GermanRulesExceptions, ListThreeForbidsAndLengthsMustMatch) {
  const Held h("Lacktafel");
  struct Case {
    const char* exceptions;
    bool allowed;
  } cases[] = {
      {"", true},       {"ckt\n", false}, {"ckta\n", false},  // four letters against W1..W4
      {"cktx\n", true}, {"ck\n", true},  // entries of other lengths never match
  };
  for (const Case& c : cases) {
    HyphenationState state = German(1);
    state.Params.AncientGreek = true;
    state.Params.AskIfDoubtful = true;
    state.Exceptions.LoadBytes(c.exceptions);
    int asked = 0;
    state.ask = [&asked](const std::string&) {
      ++asked;
      return HyphenationAnswer::kYes;
    };
    const BreakVerdict v = MayBreakAt(state, h.data(), h.len, 3);
    EXPECT_EQ(v.MayBreak, c.allowed) << "exceptions '" << c.exceptions << "'";
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(v.Ck, c.allowed) << "c|k: printed as k-k";
  }
  // Without questions the Greek cluster is declined.
  HyphenationState quiet = German(1);
  quiet.Params.AncientGreek = true;
  EXPECT_FALSE(MayBreakAt(quiet, h.data(), h.len, 3).MayBreak);
}

// "Wochenende" at Wochen|ende: "ende" after a capital is a word start, and both the break and
// the one shifted before the "n" stand after an open syllable: the position is doubtful.
TEST(GermanRulesDoubtful, DeclinedAndRememberedWithoutQuestions) {
  const Held h("Wochenende");
  HyphenationState state = German(2);
  const BreakVerdict v = MayBreakAt(state, h.data(), h.len, 6);
  EXPECT_FALSE(v.MayBreak);
  EXPECT_EQ(state.Word.RememberedPosition, 5) << "the shifted position Woche|nende";
  EXPECT_EQ(v.Position, 6);
}

TEST(GermanRulesDoubtful, AskedWhenTheSettingSaysSo) {
  const Held h("Wochenende");
  for (HyphenationAnswer answer : {HyphenationAnswer::kYes, HyphenationAnswer::kNo}) {
    HyphenationState state = German(2);
    state.Params.AskIfDoubtful = true;
    state.Params.Learn = 1;
    state.German.StartEmpty();
    std::vector<std::string> asked;
    state.ask = [&](const std::string& text) {
      asked.push_back(text);
      return answer;
    };
    const BreakVerdict v = MayBreakAt(state, h.data(), h.len, 6);
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0], "Trennungsvorschlag \"...Wochen-ende...\"");
    EXPECT_FALSE(state.Word.FirstDecisionPending);
    if (answer == HyphenationAnswer::kYes) {
      EXPECT_TRUE(v.MayBreak);
      EXPECT_EQ(v.Position, 6);
      // Learned at the shifted position: the context from position 4 ("henende").
      EXPECT_TRUE(state.German.Contains(MakeLearnedContext(h.data(), h.len, 6, -1)));
    } else {
      EXPECT_FALSE(v.MayBreak);
      EXPECT_EQ(v.Position, 5) << "the word breaker goes on from the shifted position";
      EXPECT_TRUE(state.German.Contains(MakeLearnedContext(h.data(), h.len, 6, 0)));
    }
  }
}

// Ancient Greek: "ps" stays together. Searching "Kapsel" from the right, Kap|sel is refused and
// remembered as the Greek position; at Ka|psel the user is asked. Yes breaks Ka-psel and is
// learned; No goes back to the Greek position and breaks Kap-sel after all.
TEST(GermanRulesGreek, GreekPositionThenQuestion) {
  const Held h("Kapsel");
  for (HyphenationAnswer answer : {HyphenationAnswer::kYes, HyphenationAnswer::kNo}) {
    HyphenationState state = German(1);
    state.Params.AncientGreek = true;
    state.Params.AskIfDoubtful = true;
    state.Params.Learn = 1;
    state.Greek.StartEmpty();
    std::vector<std::string> asked;
    state.ask = [&](const std::string& text) {
      asked.push_back(text);
      return answer;
    };
    const BreakVerdict at3 = MayBreakAt(state, h.data(), h.len, 3);
    EXPECT_FALSE(at3.MayBreak);
    EXPECT_TRUE(state.Word.GreekDecided);
    EXPECT_EQ(state.Word.GreekPosition, 3);
    EXPECT_TRUE(asked.empty());
    const BreakVerdict at2 = MayBreakAt(state, h.data(), h.len, 2);
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0], "Trennungsvorschlag \"...Ka-psel...\"");
    EXPECT_TRUE(at2.MayBreak);
    EXPECT_EQ(at2.Position, answer == HyphenationAnswer::kYes ? 2 : 3);

    if (answer == HyphenationAnswer::kYes) {
      // The same word later in the run: the learned context answers, nobody is asked.
      state.Word = HyphenationWordState{};
      EXPECT_FALSE(MayBreakAt(state, h.data(), h.len, 3).MayBreak);
      EXPECT_TRUE(MayBreakAt(state, h.data(), h.len, 2).MayBreak);
      EXPECT_EQ(asked.size(), 1u);
    }
  }
}

TEST(GermanRulesGreek, WithoutQuestionsGreekClustersAreDeclined) {
  const Held h("Kapsel");
  HyphenationState plain = German(1);
  EXPECT_TRUE(MayBreakAt(plain, h.data(), h.len, 3).MayBreak) << "Kap-sel by the German rules";
  HyphenationState greek = German(1);
  greek.Params.AncientGreek = true;
  EXPECT_FALSE(MayBreakAt(greek, h.data(), h.len, 3).MayBreak);
  greek.Word = HyphenationWordState{};
  EXPECT_FALSE(MayBreakAt(greek, h.data(), h.len, 2).MayBreak);
}

struct GermanCase {
  const char* word;  // code page 850
  int n;
  int p;
  bool allowed;
  const char* path;
};

// Each verdict traced through the rule stages by hand (allow stage, forbid stage, word starts,
// prefix syllables), with no syllable exceptions and no questions.
const GermanCase kGerman[] = {
    {"Makrele", 1, 2, true, "kr before a vowel: Ma-krele; no fragment row for r+ele"},
    {"Makrele", 1, 3, false, "forbid stage: k|r inside the pair kr; no fragment row"},
    {"Bistro", 1, 2, false,
     "str allows, then ist is a word start at -1; both prefix checks undecided: doubtful, "
     "declined"},
    {"Tischler", 1, 2, false, "schl allows, then fragment l+er at shift 3 forbids Ti-schler"},
    {"Tischler", 1, 5, true, "sch|l forbidden by schl, fragment l+er at shift 0 allows Tisch-ler"},
    {"Feier", 1, 3, true, "vowel pair after the diphthong ei: Fei-er"},
    {"Feier", 1, 2, false, "ie is no diphthong: Fe-ier refused"},
    {"Br\x81"
     "cke",
     2, 4, true,
     "one consonant before a vowel: Br\x81"
     "c|ke (printed k-k)"},
    {"Br\x81"
     "cke",
     2, 3, false, "ck is no pair: nothing allows Br\x81-cke"},
    {"Vorort", 1, 3, true, "word start ort; shift -1; prefix vor allows Vor-ort"},
    {"Vorort", 1, 2, false, "word start ort at +1; prefix vor at the shift refuses Vo-rort"},
    {"Haust\x81r", 1, 4, true, "s|t inside st forbidden, fragment t+\x81r allows Haus-t\x81r"},
    {"Haust\x81r", 1, 3, false, "st before a vowel, fragment t+\x81r at shift 1 forbids"},
    {"Hauseingang", 1, 4, true, "word start ein; shift -1; prefix aus allows Haus-eingang"},
    {"Hauseingang", 1, 3, false, "word start ein at +1; prefix aus at the shift refuses"},
    {"Karpfen", 1, 4, true, "one consonant before a vowel: Karp-fen"},
    {"Karpfen", 1, 3, false, "pf is no pair or triple: Kar-pfen refused"},
    {"Gespr\x84"
     "ch",
     1, 2, true,
     "triple spr before a vowel: Ge-spr\x84"
     "ch"},
    {"Gespr\x84"
     "ch",
     1, 3, false, "forbid stage: s|pr inside the triple spr"},
};

TEST(GermanRulesPositions, HandTracedPositions) {
  for (const GermanCase& c : kGerman) {
    HyphenationState state;
    state.Params.Mode = kHyphenGerman;
    state.Params.MinLetters = c.n;
    state.Params.Learn = 0;
    const Held h(c.word);
    EXPECT_EQ(MayBreakAt(state, h.data(), h.len, c.p).MayBreak, c.allowed)
        << c.word << " p=" << c.p << ": " << c.path;
  }
}

TEST(GermanRulesDoubtful, BistroIsRememberedAndAskedWhenWanted) {
  const Held h("Bistro");
  HyphenationState quiet;
  quiet.Params.MinLetters = 1;
  quiet.Params.Learn = 0;
  EXPECT_FALSE(MayBreakAt(quiet, h.data(), h.len, 2).MayBreak);
  EXPECT_EQ(quiet.Word.RememberedPosition, 1) << "the shifted position p + e, e = -1";

  HyphenationState asking = quiet;
  asking.Word = HyphenationWordState{};
  asking.Params.AskIfDoubtful = true;
  int asked = 0;
  asking.ask = [&](const std::string& text) {
    ++asked;
    EXPECT_EQ(text, "Trennungsvorschlag \"...Bi-stro...\"");
    return HyphenationAnswer::kYes;
  };
  const BreakVerdict v = MayBreakAt(asking, h.data(), h.len, 2);
  EXPECT_EQ(asked, 1);
  EXPECT_TRUE(v.MayBreak);
  EXPECT_EQ(v.Position, 2) << "no letter before the shifted position: the break stays";
}

TEST(GermanRulesExceptions, CkFlagAndListThreeException) {
  const Held h(
      "Br\x81"
      "cke");
  HyphenationState state;
  state.Params.MinLetters = 2;
  state.Params.Learn = 0;
  const BreakVerdict v = MayBreakAt(state, h.data(), h.len, 4);
  EXPECT_TRUE(v.MayBreak);
  EXPECT_TRUE(v.Ck) << "c|k: the c is printed as k";

  // "cke" starts with c: list 3, compared with W1W2W3 = "cke".
  HyphenationState barred = state;
  barred.Word = HyphenationWordState{};
  barred.Exceptions.LoadBytes("cke\r\n");
  const BreakVerdict b = MayBreakAt(barred, h.data(), h.len, 4);
  EXPECT_FALSE(b.MayBreak);
  EXPECT_FALSE(b.Ck);
}

}  // namespace
}  // namespace tavrel

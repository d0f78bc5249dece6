// Hyphenation cases worked out by hand from the rules, independently of the rule tables' own
// expected lists: pattern sums (also at the word's edges), German rule paths, the learned
// records on disk, eligibility, and that nothing outside the word is read.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <limits>
#include <sstream>
#include <string>
#include <vector>

#include "formatter/hyphenation/hyphenation.h"
#include "formatter/hyphenation/learned_hyphenations.h"
#include "formatter/hyphenation/tex_patterns.h"
#include "tests/support/formatter_unit_support.h"

namespace tavrel {
namespace {

namespace fs = std::filesystem;
using unit_test::Held;

// ".ab1c" and "c5d." reach past the word's first and last letters; "abc3" and "1ab" carry a
// weight at the line edge and so are never looked up.
constexpr std::string_view kEdgePatterns =
    ".ab1c\n"
    "b2c\n"
    "abc3\n"
    "1ab\n"
    "c5d.\n"
    "bc4d\n"
    "e1f\n"
    "de3f\n";

struct SumCase {
  const char* word;
  int p;
  int rating;
  int minimal;
  bool breaks;
  const char* why;
};

const SumCase kSums[] = {
    {"abcd", 2, -1, 1, false, ".ab1c (+1, the dot is the blank before the word) + b2c (-2)"},
    {"abcd", 3, 1, 1, true, "c5d. (+5, the dot is the blank after the word) + bc4d (-4)"},
    {"abcde", 3, -4, 1, false, "c5d. needs the word to end after d: bc4d alone"},
    {"xabcd", 3, -2, 1, false, ".ab1c needs the word to start with ab: b2c alone"},
    {"abcd", 1, 0, 1, false, "1ab and abc3 stand at the line edge: never looked up"},
    {"defx", 2, 4, 4, true, "e1f + de3f = 4, enough for a minimal rating of 4"},
    {"defx", 2, 4, 5, false, "4 is not enough for 5"},
    {"Abcd", 2, -2, 1, false, "the capital A does not match the a of .ab1c"},
};

TEST(ReviewTexSums, HandWorkedSumsAgainstTheMinimalRating) {
  TexPatternTable table;
  TexPatternBuckets buckets;
  table.LoadBytes("edge.tex", kEdgePatterns);
  buckets.LoadBytes(kEdgePatterns);
  for (const SumCase& c : kSums) {
    const Held h(c.word);
    EXPECT_EQ(table.Rating(h.data(), h.len, c.p), c.rating) << c.word << " p=" << c.p << ": " << c.why;
    EXPECT_EQ(buckets.Rating(h.data(), h.len, c.p), c.rating) << c.word << " p=" << c.p;

    HyphenationState state;
    state.params.mode = kHyphenTex;
    state.params.min_letters = 1;
    state.params.minimal_rating = c.minimal;
    state.tex = std::make_shared<TexPatternTable>();
    state.tex->LoadBytes("edge.tex", kEdgePatterns);
    EXPECT_EQ(MayBreakAt(state, h.data(), h.len, c.p).may_break, c.breaks)
        << c.word << " p=" << c.p << " minimal " << c.minimal << ": " << c.why;
  }
}

// The word buffer holds stale bytes before position 1 and after the word's length (the buffer
// is reused from word to word); a rating window must see blanks there, not the stale bytes.
TEST(ReviewOutsideTheWord, StaleBytesAroundTheWordReadAsBlanks) {
  std::vector<std::uint8_t> buffer = {'a', 'a', 'b', 'c', 'd', 'e', 'e', 'e'};  // word: abcd
  const int len = 4;
  TexPatternTable table;
  TexPatternBuckets buckets;
  table.LoadBytes("edge.tex", kEdgePatterns);
  buckets.LoadBytes(kEdgePatterns);
  EXPECT_EQ(table.Rating(buffer.data(), len, 2), -1);
  EXPECT_EQ(table.Rating(buffer.data(), len, 3), 1);
  EXPECT_EQ(buckets.Rating(buffer.data(), len, 2), -1);
  EXPECT_EQ(buckets.Rating(buffer.data(), len, 3), 1);

  // German rules and eligibility: "Vorort" followed by stale letters decides as the clean word.
  const Held clean("Vorort");
  std::vector<std::uint8_t> stale = {'x', 'V', 'o', 'r', 'o', 'r', 't', 'e', 'n', 'd', 'e'};
  for (int n : {1, 2, 40}) {
    for (int p = 1; p < clean.len; ++p) {
      HyphenationState a;
      a.params.min_letters = n;
      a.params.learn = 0;
      HyphenationState b = a;
      EXPECT_EQ(MayBreakAt(a, clean.data(), clean.len, p).may_break,
                MayBreakAt(b, stale.data(), clean.len, p).may_break)
          << "n=" << n << " p=" << p;
    }
  }
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
    {"Br\x81" "cke", 2, 4, true, "one consonant before a vowel: Br\x81" "c|ke (printed k-k)"},
    {"Br\x81" "cke", 2, 3, false, "ck is no pair: nothing allows Br\x81-cke"},
    {"Vorort", 1, 3, true, "word start ort; shift -1; prefix vor allows Vor-ort"},
    {"Vorort", 1, 2, false, "word start ort at +1; prefix vor at the shift refuses Vo-rort"},
    {"Haust\x81r", 1, 4, true, "s|t inside st forbidden, fragment t+\x81r allows Haus-t\x81r"},
    {"Haust\x81r", 1, 3, false, "st before a vowel, fragment t+\x81r at shift 1 forbids"},
    {"Hauseingang", 1, 4, true, "word start ein; shift -1; prefix aus allows Haus-eingang"},
    {"Hauseingang", 1, 3, false, "word start ein at +1; prefix aus at the shift refuses"},
    {"Karpfen", 1, 4, true, "one consonant before a vowel: Karp-fen"},
    {"Karpfen", 1, 3, false, "pf is no pair or triple: Kar-pfen refused"},
    {"Gespr\x84" "ch", 1, 2, true, "triple spr before a vowel: Ge-spr\x84" "ch"},
    {"Gespr\x84" "ch", 1, 3, false, "forbid stage: s|pr inside the triple spr"},
};

TEST(ReviewGermanRules, HandTracedPositions) {
  for (const GermanCase& c : kGerman) {
    HyphenationState state;
    state.params.mode = kHyphenGerman;
    state.params.min_letters = c.n;
    state.params.learn = 0;
    const Held h(c.word);
    EXPECT_EQ(MayBreakAt(state, h.data(), h.len, c.p).may_break, c.allowed)
        << c.word << " p=" << c.p << ": " << c.path;
  }
}

TEST(ReviewGermanRules, DoubtfulBistroIsRememberedAndAskedWhenWanted) {
  const Held h("Bistro");
  HyphenationState quiet;
  quiet.params.min_letters = 1;
  quiet.params.learn = 0;
  EXPECT_FALSE(MayBreakAt(quiet, h.data(), h.len, 2).may_break);
  EXPECT_EQ(quiet.word.remembered_position, 1) << "the shifted position p + e, e = -1";

  HyphenationState asking = quiet;
  asking.word = HyphenationWordState{};
  asking.params.ask_if_doubtful = true;
  int asked = 0;
  asking.ask = [&](const std::string& text) {
    ++asked;
    EXPECT_EQ(text, "Trennungsvorschlag \"...Bi-stro...\"");
    return HyphenationAnswer::kYes;
  };
  const BreakVerdict v = MayBreakAt(asking, h.data(), h.len, 2);
  EXPECT_EQ(asked, 1);
  EXPECT_TRUE(v.may_break);
  EXPECT_EQ(v.position, 2) << "no letter before the shifted position: the break stays";
}

TEST(ReviewGermanRules, CkFlagAndListThreeException) {
  const Held h("Br\x81" "cke");
  HyphenationState state;
  state.params.min_letters = 2;
  state.params.learn = 0;
  const BreakVerdict v = MayBreakAt(state, h.data(), h.len, 4);
  EXPECT_TRUE(v.may_break);
  EXPECT_TRUE(v.ck) << "c|k: the c is printed as k";

  // "cke" starts with c: list 3, compared with W1W2W3 = "cke".
  HyphenationState barred = state;
  barred.word = HyphenationWordState{};
  barred.exceptions.LoadBytes("cke\r\n");
  const BreakVerdict b = MayBreakAt(barred, h.data(), h.len, 4);
  EXPECT_FALSE(b.may_break);
  EXPECT_FALSE(b.ck);
}

std::string FileBytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

// Manual mode: the answers are saved as 7-byte records of the letter-mapped characters at
// p - 1 .. p + 5 (blanks past the word), bucket a..z in the order learned, and a later run
// reads them back and does not ask again.
TEST(ReviewLearnedRecords, ManualAnswersOnDiskByteForByte) {
  const fs::path dir = fs::temp_directory_path() / "review_hyph_learned";
  fs::remove_all(dir);
  fs::create_directories(dir);

  HyphenationState state;
  state.params.mode = kHyphenManual;
  state.params.min_letters = 3;
  state.params.learn = 2;
  state.params.capitals_unsplit = false;
  HyphenationMessage error;
  ASSERT_TRUE(LoadLearnedListsForRun(state, kHyphenManual, false, dir.string(), &error));
  std::vector<std::string> asked;
  state.ask = [&](const std::string& text) {
    asked.push_back(text);
    return HyphenationAnswer::kYes;
  };
  struct Word {
    const char* text;
    int p;
  } words[] = {
      {"B\x84renh\x94hle", 5},   // context positions 4..10: e n h ö h l e
      {"Holzofen", 4},           // 3..9: l z o f e n, then a blank past the word
      {"Abendessen", 7},         // 6..12: e s s e n and two blanks
      {"B\x8ERENH\x99HLE", 5},   // capitals map to the same context: found, not asked
  };
  for (const Word& w : words) {
    state.word = HyphenationWordState{};
    const Held h(w.text);
    EXPECT_TRUE(MayBreakAt(state, h.data(), h.len, w.p).may_break) << w.text;
  }
  EXPECT_EQ(asked.size(), 3u);
  ASSERT_TRUE(SaveAllLearnedHyphenations(state, dir.string(), false, &error));
  const std::string expected = std::string("enh\x94hle") + "essen  " + "lzofen ";
  EXPECT_EQ(FileBytes(dir / "ENGLLERN.DTA"), expected);

  HyphenationState later;
  later.params = state.params;
  ASSERT_TRUE(LoadLearnedListsForRun(later, kHyphenManual, false, dir.string(), &error));
  int asked_later = 0;
  later.ask = [&](const std::string&) {
    ++asked_later;
    return HyphenationAnswer::kNo;
  };
  for (const Word& w : words) {
    later.word = HyphenationWordState{};
    const Held h(w.text);
    EXPECT_TRUE(MayBreakAt(later, h.data(), h.len, w.p).may_break) << w.text;
  }
  EXPECT_EQ(asked_later, 0);
  fs::remove_all(dir);
}

// With n = 3 a word of six letters has no position with three letters on both sides; inside
// "UNESCO" the capitals refuse every break; after the hyphen the break is explicit.
TEST(ReviewEligibility, WholeWordsThroughEveryPosition) {
  auto breaks = [](const char* text, int mode, int n) {
    HyphenationState state;
    state.params.mode = mode;
    state.params.min_letters = n;
    state.params.learn = 0;
    state.tex = std::make_shared<TexPatternTable>();
    state.tex->LoadBytes("all.tex", "a1b\nc1h\ne1r\nn1e\ns1c\nc1o\ni1c\nh1t\n");
    const Held h(text);
    std::string out;
    for (int p = 1; p < h.len; ++p) {
      state.word = HyphenationWordState{};
      const BreakVerdict v = MayBreakAt(state, h.data(), h.len, p);
      if (v.may_break) out += std::to_string(p) + "h ";
      if (v.explicit_break) out += std::to_string(p) + "x ";
    }
    return out;
  };
  EXPECT_EQ(breaks("Tasche", kHyphenGerman, 3), "");
  EXPECT_EQ(breaks("Tasche", kHyphenTex, 3), "");
  // The patterns rate n|e, s|c and c|o of "unesco"; in capitals nothing there is hyphenated.
  // The hyphen itself is an explicit break, and its neighbours lack a letter on one side.
  EXPECT_EQ(breaks("UNESCO-Bericht", kHyphenTex, 1), "7x 9h 11h 12h 13h ");
  EXPECT_EQ(breaks("unesco-bericht", kHyphenTex, 1), "2h 4h 5h 7x 9h 11h 12h 13h ");
  // Slashes: und/oder breaks after the slash, km/h does not.
  EXPECT_EQ(breaks("und/oder", kHyphenNone, 1), "4x ");
  EXPECT_EQ(breaks("km/h", kHyphenNone, 1), "");
}

// ".HN" takes any 32-bit number: a huge one reaches far outside every word buffer and so finds
// no letters there, without the window arithmetic overflowing.
TEST(ReviewEligibility, HugeMinimumLettersRefusesEveryPosition) {
  const Held h("Rechnernetzwerk");
  for (int n : {std::numeric_limits<int>::max(), std::numeric_limits<int>::max() - 3, 1000}) {
    HyphenationParams params;
    params.min_letters = n;
    for (int p = 1; p < h.len; ++p)
      EXPECT_FALSE(IsBreakPositionEligible(params, h.data(), h.len, p)) << "n=" << n << " p=" << p;
    HyphenationState state;
    state.params.min_letters = n;
    state.params.mode = kHyphenGerman;
    for (int p = h.len - 1; p >= 1; --p)
      EXPECT_FALSE(MayBreakAt(state, h.data(), h.len, p).may_break) << "n=" << n << " p=" << p;
  }
}

}  // namespace
}  // namespace tavrel

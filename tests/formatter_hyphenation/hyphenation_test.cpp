#include "formatter/hyphenation/hyphenation.h"

#include <gtest/gtest.h>

#include <deque>
#include <limits>
#include <string>
#include <vector>

#include "formatter/hyphenation/tex_patterns.h"
#include "tests/support/formatter_unit_support.h"

namespace tavrel {
namespace {

using unit_test::Held;

struct EligibilityCase {
  const char* word;
  int p, n;
  bool capitals_unsplit;
  bool eligible;
  const char* why;
};

const EligibilityCase kEligibility[] = {
    {"Rechner", 3, 3, true, false, "only two letters before the break"},
    {"Rechner", 4, 3, true, true, "four letters before, three after"},
    {"Rechner", 5, 3, true, false, "only two letters after the break"},
    {"Rechner", 2, 1, true, true, "the capital at position 1 is not tested"},
    {"Rechner", 6, 1, true, true, "one letter each side is enough with n = 1"},
    {"UNESCO-Bericht", 2, 1, true, false, "capitals at p, p + 1, p + 2"},
    {"UNESCO-Bericht", 2, 1, false, true, "capitals may be split when the setting is off"},
    {"UNESCO-Bericht", 6, 1, false, false, "a hyphen is no letter"},
    {"UNESCO-Bericht", 8, 1, true, false, "the hyphen before the capital B"},
    {"UNESCO-Bericht", 9, 1, true, true, "Be-richt"},
    {"abc1def", 3, 1, true, false, "a digit is no letter"},
    {"abc1def", 2, 1, true, true, "the digit lies outside p - 1 .. p + 1"},
    {"xab\x02"
     "cdx",
     4, 2, true, true, "a print control inside a word counts as a letter"},
    {"B\x84renh\x94hle", 3, 2, true, true, "code-page 850 umlauts are letters"},
    {"ab\x8E"
     "de",
     2, 1, true, false, "the capital umlaut is a capital"},
    {"a b", 1, 0, true, true, "n = 0 tests position p alone"},
    {"a b", 2, 0, true, false, "a blank at p"},
    {"Rechnernetzwerk", 7, 200, true, false, "a huge n reaches outside the word: no letters there"},
    {"Rechner", 0, 1, true, false, "a position before the word"},
    {"Rechner", -5, 1, true, false, "far before the word"},
    {"Rechner", 300, 1, true, false, "far after the word"},
};

TEST(HyphenationEligibility, LettersEachSideAndCapitals) {
  for (const EligibilityCase& c : kEligibility) {
    HyphenationParams params;
    params.MinLetters = c.n;
    params.CapitalsUnsplit = c.capitals_unsplit;
    const Held h(c.word);
    EXPECT_EQ(IsBreakPositionEligible(params, h.data(), h.len, c.p), c.eligible)
        << c.word << " p=" << c.p << " n=" << c.n << ": " << c.why;
  }
}

struct ExplicitCase {
  const char* text;
  int p;
  bool explicit_break;
  const char* why;
};

const ExplicitCase kExplicit[] = {
    {"Rechner-Netz", 8, true, "after the hyphen of a compound"},
    {"x-5", 2, false, "a minus sign in front of a number"},
    {"km/h", 3, false, "only one letter follows the slash"},
    {"und/oder", 4, true, "three letters follow the slash"},
    {"ab3/4cd", 4, false, "a digit before the slash"},
    {"ab/4cd", 3, false, "a digit after the slash"},
    {"a--b", 2, false, "the next character is a hyphen too"},
    {"a--b", 3, true, "after the last hyphen of a run"},
    {"x -a", 3, false, "nothing before the hyphen"},
    {"a=b", 2, true, "\"=\" counts as a hyphen"},
    {"a_b", 2, true, "\"_\" counts as a hyphen"},
    {"a&b", 2, true, "\"&\" counts as a hyphen"},
    {"a//b", 2, false, "the same character follows"},
    {"abc", 1, false, "no hyphen at all"},
};

TEST(HyphenationExplicitBreaks, HyphensAndSlashesOfTheText) {
  for (int mode : {kHyphenGerman, kHyphenNone, kHyphenTex}) {
    HyphenationState state;
    state.Params.Mode = mode;
    state.Params.MinLetters = 1;
    for (const ExplicitCase& c : kExplicit) {
      const Held h(c.text);
      state.Word = HyphenationWordState{};
      const BreakVerdict v = MayBreakAt(state, h.data(), h.len, c.p);
      EXPECT_EQ(v.ExplicitBreak, c.explicit_break) << c.text << " p=" << c.p << ": " << c.why;
      if (v.ExplicitBreak) {
        EXPECT_FALSE(v.MayBreak) << "no second hyphen: " << c.text;
      }
    }
  }
}

HyphenationState GermanState(int n) {
  HyphenationState state;
  state.Params.Mode = kHyphenGerman;
  state.Params.MinLetters = n;
  return state;
}

TEST(HyphenationModes, CkBecomesKkOnlyWithTheGermanRules) {
  const Held zucker("Zucker");
  HyphenationState german = GermanState(2);
  const BreakVerdict g = MayBreakAt(german, zucker.data(), zucker.len, 3);
  EXPECT_TRUE(g.MayBreak);
  EXPECT_TRUE(g.Ck);

  HyphenationState tex = GermanState(2);
  tex.Params.Mode = kHyphenTex;
  tex.Tex = std::make_shared<TexPatternTable>();
  tex.Tex->LoadBytes("ck.tex", "c1k\n");
  const BreakVerdict t = MayBreakAt(tex, zucker.data(), zucker.len, 3);
  EXPECT_TRUE(t.MayBreak);
  EXPECT_FALSE(t.Ck);
}

TEST(HyphenationModes, TexThenGermanFallsBackOnlyOnZero) {
  const Held tasche("Tasche");
  HyphenationState state = GermanState(1);
  state.Params.Mode = kHyphenTexThenGerman;
  state.Tex = std::make_shared<TexPatternTable>();
  EXPECT_TRUE(MayBreakAt(state, tasche.data(), tasche.len, 2).MayBreak)
      << "no pattern: the German rules give Ta-sche";
  state.Tex->LoadBytes("neg.tex", "a2s\n");
  state.Word = HyphenationWordState{};
  EXPECT_FALSE(MayBreakAt(state, tasche.data(), tasche.len, 2).MayBreak)
      << "a negative rating decides by itself";
  state.Tex->LoadBytes("pos.tex", "s1c\n");
  state.Word = HyphenationWordState{};
  EXPECT_TRUE(MayBreakAt(state, tasche.data(), tasche.len, 3).MayBreak)
      << "a positive rating decides by itself (Tas-che)";
  state.Params.Mode = kHyphenGerman;
  state.Word = HyphenationWordState{};
  EXPECT_FALSE(MayBreakAt(state, tasche.data(), tasche.len, 3).MayBreak)
      << "the German rules keep sch together";
}

TEST(HyphenationModes, NoneLimitsAndBlanksRefuse) {
  const Held tasche("Tasche gut");
  HyphenationState state = GermanState(1);
  ASSERT_TRUE(MayBreakAt(state, tasche.data(), tasche.len, 2).MayBreak);

  state.Params.Mode = kHyphenNone;
  state.Word = HyphenationWordState{};
  EXPECT_FALSE(MayBreakAt(state, tasche.data(), tasche.len, 2).MayBreak);
  EXPECT_FALSE(state.Word.FirstDecisionPending);

  state.Params.Mode = kHyphenGerman;
  state.Word = HyphenationWordState{};
  state.Word.RightLimit = 2;
  EXPECT_FALSE(MayBreakAt(state, tasche.data(), tasche.len, 2).MayBreak) << "at the right limit";
  state.Word = HyphenationWordState{};
  state.Word.RememberedPosition = 2;
  EXPECT_FALSE(MayBreakAt(state, tasche.data(), tasche.len, 2).MayBreak) << "remembered";
  state.Word = HyphenationWordState{};
  EXPECT_FALSE(MayBreakAt(state, tasche.data(), tasche.len, 6).MayBreak) << "a blank follows";
  for (int mode : {1, 6, 255}) {
    state.Params.Mode = mode;
    state.Word = HyphenationWordState{};
    EXPECT_TRUE(MayBreakAt(state, tasche.data(), tasche.len, 2).MayBreak)
        << "mode " << mode << " means the German rules";
  }
}

// A scripted question box that records what it was asked.
struct ScriptedQuestion {
  std::deque<HyphenationAnswer> answers;
  std::vector<std::string> asked;
  void Attach(HyphenationState& state) {
    state.ask = [this](const std::string& text) {
      asked.push_back(text);
      if (answers.empty()) return HyphenationAnswer::kNo;
      const HyphenationAnswer a = answers.front();
      answers.pop_front();
      return a;
    };
  }
};

HyphenationState ManualState(int learn) {
  HyphenationState state;
  state.Params.Mode = kHyphenManual;
  state.Params.MinLetters = 3;
  state.Params.Learn = learn;
  if (learn != 0) state.Manual.StartEmpty();
  return state;
}

TEST(HyphenationManual, AsksWithTheProposalAndLearnsYes) {
  const Held h("Rechnernetz");
  HyphenationState state = ManualState(1);
  ScriptedQuestion q;
  q.Attach(state);
  q.answers = {HyphenationAnswer::kYes};
  EXPECT_TRUE(MayBreakAt(state, h.data(), h.len, 5).MayBreak);
  ASSERT_EQ(q.asked.size(), 1u);
  EXPECT_EQ(q.asked[0], "Trennungsvorschlag \"...Rechn-ernetz...\"");
  EXPECT_FALSE(state.Word.FirstDecisionPending);
  // The same seven-character context is not asked again during the run.
  state.Word = HyphenationWordState{};
  EXPECT_TRUE(MayBreakAt(state, h.data(), h.len, 5).MayBreak);
  EXPECT_EQ(q.asked.size(), 1u);
  const Held other("Rechnernetze");  // same context "hnernet" around the break
  state.Word = HyphenationWordState{};
  EXPECT_TRUE(MayBreakAt(state, other.data(), other.len, 5).MayBreak);
  EXPECT_EQ(q.asked.size(), 1u);
}

TEST(HyphenationManual, NoIsNotLearnedAndLearningOffAsksEveryTime) {
  const Held h("Rechnernetz");
  for (int learn : {0, 1}) {
    HyphenationState state = ManualState(learn);
    ScriptedQuestion q;
    q.Attach(state);
    q.answers = {HyphenationAnswer::kNo,
                 learn == 0 ? HyphenationAnswer::kYes : HyphenationAnswer::kNo,
                 HyphenationAnswer::kYes};
    EXPECT_FALSE(MayBreakAt(state, h.data(), h.len, 5).MayBreak);
    state.Word = HyphenationWordState{};
    MayBreakAt(state, h.data(), h.len, 5);
    EXPECT_EQ(q.asked.size(), 2u) << "learn " << learn;
    state.Word = HyphenationWordState{};
    MayBreakAt(state, h.data(), h.len, 5);
    EXPECT_EQ(q.asked.size(), 3u) << "learn " << learn << ": a Yes with learning 0 is not kept";
  }
}

TEST(HyphenationManual, OnlyWithThreeLettersAfterTheBreak) {
  const Held h("Tasche");
  HyphenationState state = ManualState(1);
  state.Params.MinLetters = 1;
  ScriptedQuestion q;
  q.Attach(state);
  q.answers = {HyphenationAnswer::kYes, HyphenationAnswer::kYes};
  EXPECT_FALSE(MayBreakAt(state, h.data(), h.len, 4).MayBreak) << "Tasc-he: two letters after";
  EXPECT_TRUE(q.asked.empty());
  EXPECT_TRUE(MayBreakAt(state, h.data(), h.len, 3).MayBreak) << "Tas-che: asked";
  EXPECT_EQ(q.asked.size(), 1u);
}

TEST(HyphenationManual, CancelStopsAndCountsAsNo) {
  const Held h("Rechnernetz");
  HyphenationState state = ManualState(1);
  ScriptedQuestion q;
  q.Attach(state);
  q.answers = {HyphenationAnswer::kCancel};
  const BreakVerdict v = MayBreakAt(state, h.data(), h.len, 5);
  EXPECT_FALSE(v.MayBreak);
  EXPECT_TRUE(v.Cancelled);
  EXPECT_TRUE(state.Cancelled);
  EXPECT_FALSE(state.Manual.HasAdditions());
}

TEST(HyphenationManual, ProposalTextKeepsCodePage850Bytes) {
  const Held h("B\x84ren");
  EXPECT_EQ(HyphenationProposalText(h.data(), h.len, 2), "Trennungsvorschlag \"...B\x84-ren...\"");
  EXPECT_EQ(HyphenationProposalText(h.data(), h.len, 99), "Trennungsvorschlag \"...B\x84ren-...\"");
}

TEST(HyphenationTables, LetterMapAndSets) {
  const HyphenationTables& t = GetHyphenationTables();
  EXPECT_EQ(t.Letter['A'], 'a');
  EXPECT_EQ(t.Letter[0x8E], 0x84);  // Ä -> ä
  EXPECT_EQ(t.Letter[0x99], 0x94);  // Ö -> ö
  EXPECT_EQ(t.Letter[0x9A], 0x81);  // Ü -> ü
  EXPECT_EQ(t.Letter[0xE1], 0xE1);  // ß
  for (std::uint8_t c : {'&', '-', '/', '=', '_'}) EXPECT_EQ(t.Letter[c], '-') << c;
  EXPECT_EQ(t.Letter[0x07], 0);
  EXPECT_EQ(t.Letter['7'], ' ');
  EXPECT_EQ(t.Letter[0x82], ' ');  // é is no letter of the German rules
  EXPECT_TRUE(t.Vowel['y']);
  EXPECT_TRUE(t.Vowel[0x81]);
  EXPECT_TRUE(t.Consonant[0xE1]);
  EXPECT_FALSE(t.Consonant['y']);
  EXPECT_TRUE(t.Capital[0x9A]);
  EXPECT_FALSE(t.Capital[0x81]);
}

// With n = 3 a word of six letters has no position with three letters on both sides; inside
// "UNESCO" the capitals refuse every break; after the hyphen the break is explicit.
TEST(HyphenationEligibility, WholeWordsThroughEveryPosition) {
  auto breaks = [](const char* text, int mode, int n) {
    HyphenationState state;
    state.Params.Mode = mode;
    state.Params.MinLetters = n;
    state.Params.Learn = 0;
    state.Tex = std::make_shared<TexPatternTable>();
    state.Tex->LoadBytes("all.tex", "a1b\nc1h\ne1r\nn1e\ns1c\nc1o\ni1c\nh1t\n");
    const Held h(text);
    std::string out;
    for (int p = 1; p < h.len; ++p) {
      state.Word = HyphenationWordState{};
      const BreakVerdict v = MayBreakAt(state, h.data(), h.len, p);
      if (v.MayBreak) out += std::to_string(p) + "h ";
      if (v.ExplicitBreak) out += std::to_string(p) + "x ";
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
TEST(HyphenationEligibility, HugeMinimumLettersRefusesEveryPosition) {
  const Held h("Rechnernetzwerk");
  for (int n : {std::numeric_limits<int>::max(), std::numeric_limits<int>::max() - 3, 1000}) {
    HyphenationParams params;
    params.MinLetters = n;
    for (int p = 1; p < h.len; ++p)
      EXPECT_FALSE(IsBreakPositionEligible(params, h.data(), h.len, p)) << "n=" << n << " p=" << p;
    HyphenationState state;
    state.Params.MinLetters = n;
    state.Params.Mode = kHyphenGerman;
    for (int p = h.len - 1; p >= 1; --p)
      EXPECT_FALSE(MayBreakAt(state, h.data(), h.len, p).MayBreak) << "n=" << n << " p=" << p;
  }
}

}  // namespace
}  // namespace tavrel

#include "formatter/hyphenation/tex_patterns.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "formatter/hyphenation/hyphenation.h"
#include "tests/support/formatter_unit_support.h"

namespace tavrel {
namespace {

using unit_test::Held;

std::string DataFile(const std::string& name) {
  return std::string(CORVINA_SOURCE_DIR) + "/data/hyphenation/" + name;
}

// Every line kind the reader meets: comments, TeX commands, braces, an indented exception word,
// weights first and last on a line, a zero weight, digits in a row, an over-long letter string.
constexpr std::string_view kPatterns =
    "% a comment wx9y\n"
    "\\patterns{\n"
    "{\n"
    " x7y\n"
    ".ab1c\n"
    "ab2c\n"
    "x1y\n"
    "wx3y\n"
    "e4f\n"
    "g5h\n"
    "h0i\n"
    "2mn\n"
    "mn2\n"
    "a12z\n"
    "k12l\n"
    "bcdefghijklmnopqrst1u\n"    // 20 letters: kept
    "zyxwvutsrqponmlkjihg1fe\n"  // 22 letters: skipped
    "}\n";

struct RatingCase {
  const char* word;
  int p;
  int rating;
  const char* why;
};

// Ratings worked out by hand from the pattern lines above.
const RatingCase kRatingCases[] = {
    {"abcd", 2, -1, ".ab1c gives +1, ab2c gives -2: summed"},
    {"xabc", 3, -2, "only ab2c: the dot needs the blank before the word"},
    {"wxyz", 2, 4, "x1y and wx3y: 1 + 3, a sum and not the maximum"},
    {"axyz", 2, 1, "x1y alone"},
    {"efgh", 1, -4, "an even digit counts negative"},
    {"efgh", 3, 5, "an odd digit counts positive"},
    {"hi", 1, 0, "a zero weight"},
    {"qmn", 1, 0, "a weight first on its line is never looked up"},
    {"mnq", 2, 0, "a weight last on its line is never looked up"},
    {"Abcd", 2, 0, "a capital matches no lower-case pattern letter"},
    {"az", 1, -1, "a12z: both digits stand before the z, each with a digit beside it"},
    {"kl", 1, 0, "k12l: a digit beside a weight falls into the shared class, k and l do not"},
    {"bcdefghijklmnopqrstu", 19, 1, "a letter string of 20 characters is kept"},
    {"zyxwvutsrqponmlkjihgfe", 20, 0, "a letter string of 22 characters is skipped"},
    {"xyz", 1, 1, "the indented line is an exception word and rates nothing"},
    {"wxyz", 0, 0, "a position before the word"},
    {"wxyz", 9, 0, "a position after the word"},
};

TEST(TexPatternRating, SumsOfWeightsAsTheFileDefinesThem) {
  TexPatternTable table;
  TexPatternBuckets reference;
  const TexLoadReport report = table.LoadBytes("test.tex", kPatterns);
  reference.LoadBytes(kPatterns);
  EXPECT_EQ(report.LongLines, 1u);
  for (const RatingCase& c : kRatingCases) {
    const Held h(c.word);
    EXPECT_EQ(table.Rating(h.data(), h.len, c.p), c.rating)
        << c.word << " p=" << c.p << ": " << c.why;
    EXPECT_EQ(reference.Rating(h.data(), h.len, c.p), c.rating) << c.word << " p=" << c.p;
  }
}

TEST(TexPatternRating, CrLfFileRatesNothing) {
  std::string crlf;
  for (char ch : kPatterns) {
    if (ch == '\n') crlf += '\r';
    crlf += ch;
  }
  TexPatternTable table;
  const TexLoadReport report = table.LoadBytes("crlf.tex", crlf);
  EXPECT_GT(report.CrLines, 5u);
  for (const RatingCase& c : kRatingCases) {
    const Held h(c.word);
    EXPECT_EQ(table.Rating(h.data(), h.len, c.p), 0) << c.word;
  }
}

TEST(TexPatternRating, MinimalRatingDecidesModeFour) {
  HyphenationState state;
  state.Params.Mode = kHyphenTex;
  state.Params.MinLetters = 1;
  state.Tex = std::make_shared<TexPatternTable>();
  state.Tex->LoadBytes("test.tex", kPatterns);
  const Held wxyz("wxyz");  // rating 4 between x and y
  for (int minimal : {1, 4}) {
    state.Params.MinimalRating = minimal;
    EXPECT_TRUE(MayBreakAt(state, wxyz.data(), wxyz.len, 2).MayBreak) << minimal;
  }
  state.Params.MinimalRating = 5;
  EXPECT_FALSE(MayBreakAt(state, wxyz.data(), wxyz.len, 2).MayBreak);
  const Held efgh("efgh");  // -4 between e and f
  state.Params.MinimalRating = 1;
  EXPECT_FALSE(MayBreakAt(state, efgh.data(), efgh.len, 1).MayBreak);
}

TEST(TexPatternTableLoad, SameNameIsReadOnceAndFreeForgetsIt) {
  const unit_test::TempDir tmp;
  const std::filesystem::path& dir = tmp.Path();
  const std::string path = (dir / "p.tex").string();
  std::ofstream(path, std::ios::binary) << "x1y\n";
  TexPatternTable table;
  EXPECT_EQ(table.LoadFile(path).Outcome, TexLoadReport::Status::kLoaded);
  std::ofstream(path, std::ios::binary | std::ios::trunc) << "x3y\n";
  EXPECT_EQ(table.LoadFile(path).Outcome, TexLoadReport::Status::kUnchanged);
  const Held h("axyz");
  EXPECT_EQ(table.Rating(h.data(), h.len, 2), 1) << "the table was not read again";
  table.Free();
  EXPECT_EQ(table.LoadFile(path).Outcome, TexLoadReport::Status::kLoaded);
  EXPECT_EQ(table.Rating(h.data(), h.len, 2), 3);

  EXPECT_EQ(table.LoadFile((dir / "missing.tex").string()).Outcome,
            TexLoadReport::Status::kOpenFailed);
  EXPECT_EQ(table.LoadFile(dir.string()).Outcome, TexLoadReport::Status::kOpenFailed) << "a folder";
  EXPECT_TRUE(table.Empty());
  EXPECT_EQ(table.Rating(h.data(), h.len, 2), 0);
}

TEST(TexPatternTableLoad, BadInputIsTakenWithoutHarm) {
  TexPatternTable table;
  EXPECT_EQ(table.LoadBytes("empty", "").Weights, 0u);
  std::string binary;
  std::mt19937 rng(7);
  for (int i = 0; i < 200000; ++i) binary += static_cast<char>(rng() & 0xFF);
  table.LoadBytes("binary", binary);
  TexPatternBuckets reference;
  reference.LoadBytes(binary);
  const Held h("Rechnernetzwerk mit 12 Knoten");
  for (int p = -3; p <= h.len + 3; ++p)
    EXPECT_EQ(table.Rating(h.data(), h.len, p), reference.Rating(h.data(), h.len, p)) << p;
  // A word far longer than any word buffer: every mode judges every position without harm,
  // and the trie still rates as the bucket lists do.
  std::string long_word;
  for (int i = 0; i < 1000; ++i) long_word += "Silbentrennung"[i % 14];
  const Held lw(long_word);
  table.LoadFile(DataFile("dehyph.tex"));
  reference.LoadBytes(unit_test::ReadAll(DataFile("dehyph.tex")));
  HyphenationState state;
  state.Tex = std::make_shared<TexPatternTable>();
  state.Tex->LoadFile(DataFile("dehyph.tex"));
  for (int mode : {kHyphenGerman, kHyphenManual, kHyphenNone, kHyphenTex, kHyphenTexThenGerman}) {
    state.Params.Mode = mode;
    state.Word = HyphenationWordState{};
    int breaks = 0;
    for (int p = lw.len; p >= -2; --p) breaks += MayBreakAt(state, lw.data(), lw.len, p).MayBreak;
    if (mode == kHyphenTex) {
      EXPECT_GT(breaks, 0);
    }
  }
  for (int p : {0, 1, 300, 999, 1000, 1001})
    EXPECT_EQ(table.Rating(lw.data(), lw.len, p), reference.Rating(lw.data(), lw.len, p)) << p;

  EXPECT_EQ(table.LoadBytes("huge", std::string(kTexMaxFileBytes + 1, 'a')).Outcome,
            TexLoadReport::Status::kTooLarge);
  EXPECT_TRUE(table.Empty());
}

// The trie and the bucket lists agree on random pattern files and random words, including
// patterns with blanks, digits in a row and letters that the pattern map turns into blanks.
TEST(TexPatternTableLoad, TrieAgreesWithBucketLists) {
  std::mt19937 rng(12345);
  const std::string alphabet =
      "abcxyz.1234 -\x84\x81"
      "A";
  for (int round = 0; round < 40; ++round) {
    std::string file;
    for (int line = 0; line < 60; ++line) {
      const int n = 1 + static_cast<int>(rng() % 8);
      for (int i = 0; i < n; ++i) file += alphabet[rng() % alphabet.size()];
      file += '\n';
    }
    TexPatternTable table;
    TexPatternBuckets reference;
    table.LoadBytes("r", file);
    reference.LoadBytes(file);
    for (int w = 0; w < 30; ++w) {
      std::string word;
      const int n = static_cast<int>(rng() % 12);
      for (int i = 0; i < n; ++i) word += "abcxyz .-A\x84"[rng() % 11];
      const Held h(word);
      std::vector<std::int32_t> all(static_cast<std::size_t>(h.len) + 1);
      table.RateAll(h.data(), h.len, all.data());
      for (int p = -2; p <= h.len + 2; ++p) {
        const std::int32_t expected = reference.Rating(h.data(), h.len, p);
        ASSERT_EQ(table.Rating(h.data(), h.len, p), expected)
            << "file:\n"
            << file << "word '" << word << "' p=" << p;
        if (p >= 0 && p <= h.len) {
          ASSERT_EQ(all[static_cast<std::size_t>(p)], expected);
        }
      }
    }
  }
}

// The shipped English and German files: words glued from pieces of their own pattern letters
// walk deep into the trie, across umlaut letter codes, blanks and capitals; every position must
// rate as the bucket lists rate it.
TEST(TexPatternTableLoad, ShippedFilesRateAsTheBucketListsDo) {
  for (const char* name : {"ushyph.tex", "dehyph.tex"}) {
    const std::string bytes = unit_test::ReadAll(DataFile(name));
    TexPatternTable table;
    TexPatternBuckets reference;
    ASSERT_EQ(table.LoadBytes(name, bytes).Outcome, TexLoadReport::Status::kLoaded) << name;
    reference.LoadBytes(bytes);
    std::vector<std::string> pieces;
    std::size_t start = 0;
    while (start < bytes.size()) {
      std::size_t end = bytes.find('\n', start);
      if (end == std::string::npos) end = bytes.size();
      const std::string line = bytes.substr(start, end - start);
      start = end + 1;
      if (line.empty() || line[0] == '%' || line[0] == '\\' || line[0] == '{' || line[0] == '}')
        continue;
      std::string letters;
      for (char c : line)
        if (c < '0' || c > '9') letters += c == '.' ? ' ' : c;
      pieces.push_back(letters);
    }
    ASSERT_GT(pieces.size(), 1000u) << name;
    std::mt19937 rng(2026);
    for (int w = 0; w < 4000; ++w) {
      std::string word;
      const int n = 1 + static_cast<int>(rng() % 3);
      for (int i = 0; i < n; ++i) {
        word += pieces[rng() % pieces.size()];
        if (rng() % 8 == 0) word += "A-\x8E 'b"[rng() % 7];
      }
      const Held h(word);
      std::vector<std::int32_t> all(static_cast<std::size_t>(h.len) + 1);
      table.RateAll(h.data(), h.len, all.data());
      for (int p = 0; p <= h.len; ++p)
        ASSERT_EQ(all[static_cast<std::size_t>(p)], reference.Rating(h.data(), h.len, p))
            << name << " word '" << word << "' p=" << p;
    }
  }
}

// The converted pattern files: every one loads; US English and German hyphenate a paragraph.
TEST(ConvertedPatternFiles, AllElevenLanguagesAndGermanLoad) {
  for (const char* name :
       {"ushyph.tex", "ukhyph.tex", "cahyph.tex", "eshyph.tex", "pthyph.tex", "fhyph.tex",
        "ithyph.tex", "dkhyph.tex", "nehyph1.tex", "pohyph.tex", "lahyph.tex", "dehyph.tex"}) {
    TexPatternTable table;
    const TexLoadReport report = table.LoadFile(DataFile(name));
    EXPECT_EQ(report.Outcome, TexLoadReport::Status::kLoaded) << name;
    EXPECT_GT(report.Patterns, 250u) << name;
    // Weights first or last on their line are never looked up, which leaves few in some files.
    EXPECT_GT(report.Weights, 50u) << name;
    EXPECT_EQ(report.CrLines, 0u) << name;
    EXPECT_EQ(report.LongLines, 0u) << name;
  }
}

std::string Hyphenate(HyphenationState& state, std::string_view word) {
  const Held h(word);
  std::string out;
  for (int p = 1; p <= h.len; ++p) {
    out += static_cast<char>(h.bytes[static_cast<std::size_t>(p)]);
    state.Word = HyphenationWordState{};
    if (p < h.len && MayBreakAt(state, h.data(), h.len, p).MayBreak) out += '-';
  }
  return out;
}

std::string HyphenateParagraph(const std::string& pattern_file, std::string_view text) {
  HyphenationState state;
  state.Params.Mode = kHyphenTex;
  state.Params.MinLetters = 2;
  state.Params.MinimalRating = 1;
  state.Tex = std::make_shared<TexPatternTable>();
  EXPECT_EQ(state.Tex->LoadFile(DataFile(pattern_file)).Outcome, TexLoadReport::Status::kLoaded);
  std::string out;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find(' ', start);
    if (end == std::string_view::npos) end = text.size();
    if (!out.empty()) out += ' ';
    out += Hyphenate(state, text.substr(start, end - start));
    start = end + 1;
  }
  return out;
}

// Expected breaks: the pattern sums worked out independently of this code (a separate
// script summing the matching lines of the same files), with ".HN 2" and minimal rating 1.
TEST(ConvertedPatternFiles, EnglishParagraphHyphenates) {
  EXPECT_EQ(
      HyphenateParagraph(
          "ushyph.tex",
          "Justified text without good hyphenation looks ragged the formatter decides every "
          "break inside an overflowing word with patterns that were computed from a "
          "dictionary of hyphenated words and compared against the minimal rating chosen "
          "in the settings notebook"),
      "Jus-ti-fied text without good hyphen-ation looks ragged the for-mat-ter decides every "
      "break inside an over-flow-ing word with pat-terns that were com-put-ed from a "
      "dic-tion-ary of hyphen-at-ed words and com-pared again-st the min-imal rat-ing cho-sen "
      "in the set-t-ings note-book");
}

TEST(ConvertedPatternFiles, GermanParagraphHyphenates) {
  // Code page 850: \x81 u-umlaut, \x94 o-umlaut, \xE1 sharp s.
  EXPECT_EQ(HyphenateParagraph(
                "dehyph.tex",
                "Die Silbentrennung entscheidet f\x81r jedes Wort das \x81"
                "ber den rechten Rand "
                "hinausragt wo die Zeile umbrochen werden darf Zusammengesetzte W\x94rter wie "
                "Donaudampfschifffahrtsgesellschaft oder Stra\xE1"
                "enbahnhaltestelle werden an "
                "ihren Wortfugen getrennt"),
            "Die Silbentren-nung ent-scheidet f\x81r jedes Wort das \x81"
            "ber den rech-ten Rand "
            "hin-aus-ragt wo die Zeile umbro-chen wer-den darf Zusam-menge-setzte W\x94rter wie "
            "Don-au-dampfschif-f-fahrts-ge-sel-lschaft oder Stra\xE1"
            "en-bahn-halte-stel-le wer-den "
            "an ihren Wort-fugen getren-nt");
}

TEST(ConvertedPatternFiles, UmlautsMatchTheirPatternLetters) {
  // "ä" (0x84) and "ü" (0x81) stay letters for the patterns, so German patterns with them
  // rate; turned into blanks they would act as word edges inside the word.
  EXPECT_EQ(TexPatternMap(0x84), 0x84);
  EXPECT_EQ(TexPatternMap(0x81), 0x81);
  EXPECT_EQ(TexPatternMap('{'), ' ');
  EXPECT_EQ(TexPatternMap('7'), ' ');
  EXPECT_EQ(TexPatternMap('K'), 'K');
  TexPatternTable table;
  table.LoadBytes("u",
                  "\x81"
                  "1b\n");
  const Held h(
      "x\x81"
      "bx");
  EXPECT_EQ(table.Rating(h.data(), h.len, 2), 1);
}

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

TEST(TexPatternRating, HandWorkedSumsAgainstTheMinimalRating) {
  TexPatternTable table;
  TexPatternBuckets buckets;
  table.LoadBytes("edge.tex", kEdgePatterns);
  buckets.LoadBytes(kEdgePatterns);
  for (const SumCase& c : kSums) {
    const Held h(c.word);
    EXPECT_EQ(table.Rating(h.data(), h.len, c.p), c.rating)
        << c.word << " p=" << c.p << ": " << c.why;
    EXPECT_EQ(buckets.Rating(h.data(), h.len, c.p), c.rating) << c.word << " p=" << c.p;

    HyphenationState state;
    state.Params.Mode = kHyphenTex;
    state.Params.MinLetters = 1;
    state.Params.MinimalRating = c.minimal;
    state.Tex = std::make_shared<TexPatternTable>();
    state.Tex->LoadBytes("edge.tex", kEdgePatterns);
    EXPECT_EQ(MayBreakAt(state, h.data(), h.len, c.p).MayBreak, c.breaks)
        << c.word << " p=" << c.p << " minimal " << c.minimal << ": " << c.why;
  }
}

// The word buffer holds stale bytes before position 1 and after the word's length (the buffer
// is reused from word to word); a rating window must see blanks there, not the stale bytes.
TEST(WordWindow, StaleBytesAroundTheWordReadAsBlanks) {
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
      a.Params.MinLetters = n;
      a.Params.Learn = 0;
      HyphenationState b = a;
      EXPECT_EQ(MayBreakAt(a, clean.data(), clean.len, p).MayBreak,
                MayBreakAt(b, stale.data(), clean.len, p).MayBreak)
          << "n=" << n << " p=" << p;
    }
  }
}

// The word breaker reuses one buffer: a word of the same length that differs in any single
// byte, at any place around the eight-byte blocks the cache compares, must be rated afresh. The
// patterns weigh every pair of neighbours, so any changed byte changes some rating.
TEST(TexRatingCache, AnyChangedByteOfTheReusedBufferIsRatedAfresh) {
  constexpr std::string_view kPairs = "a1a\nb2b\na3b\nb4a\n.1a\n.2b\n";
  TexPatternTable table;
  TexPatternBuckets reference;
  table.LoadBytes("pairs", kPairs);
  reference.LoadBytes(kPairs);
  TexRatingCache cache;
  std::vector<std::uint8_t> buffer(42, 'a');
  for (int len : {1, 5, 7, 8, 9, 15, 16, 17, 24, 40}) {
    for (int changed = 1; changed <= len; ++changed) {
      for (const std::uint8_t letter : {'b', 'a'}) {
        buffer[changed] = letter;
        std::vector<std::int32_t> cached, fresh;
        for (int p = 0; p <= len; ++p) {
          cached.push_back(cache.Rating(table, buffer.data(), len, p));
          fresh.push_back(reference.Rating(buffer.data(), len, p));
        }
        ASSERT_EQ(cached, fresh) << "len " << len << " byte " << changed << " now " << letter;
      }
    }
  }
}

// Words of the benchmark's lists in code page 850 (their UTF-8 umlauts and accents turned into
// the pattern files' bytes), as they stand, capitalised and upper-cased.
std::vector<std::string> BenchWords() {
  static const std::pair<std::string_view, char> kCp850[] = {
      {"\xC3\xA4", '\x84'}, {"\xC3\xB6", '\x94'}, {"\xC3\xBC", '\x81'}, {"\xC3\x9F", '\xE1'},
      {"\xC3\x84", '\x8E'}, {"\xC3\x96", '\x99'}, {"\xC3\x9C", '\x9A'}, {"\xC3\xA9", '\x82'},
      {"\xC3\xA8", '\x8A'}, {"\xC3\xA0", '\x85'}, {"\xC3\xA7", '\x87'}, {"\xC3\xAA", '\x88'}};
  std::vector<std::string> words;
  for (const char* list : {"english_words.txt", "german_words.txt"}) {
    std::istringstream in(
        unit_test::ReadAll(std::string(CORVINA_SOURCE_DIR) + "/bench/data/" + list));
    for (std::string line; std::getline(in, line);) {
      std::string w;
      for (std::size_t i = 0; i < line.size(); ++i) {
        char c = line[i];
        for (const auto& [utf8, cp850] : kCp850)
          if (line.compare(i, utf8.size(), utf8) == 0) {
            c = cp850;
            i += utf8.size() - 1;
          }
        w += c;
      }
      if (w.empty()) continue;
      words.push_back(w);
      std::string upper = w;
      for (char& c : upper)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
      words.push_back(upper.substr(0, 1) + w.substr(1));
      words.push_back(upper);
    }
  }
  return words;
}

// Checks every position of the word, and a few outside it, against the bucket lists.
void ExpectRatesAsBuckets(const TexPatternTable& table, const TexPatternBuckets& reference,
                          const std::string& word, const std::string& context) {
  const Held h(word);
  std::vector<std::int32_t> all(static_cast<std::size_t>(h.len) + 1);
  table.RateAll(h.data(), h.len, all.data());
  for (int p = -3; p <= h.len + 3; ++p) {
    const std::int32_t expected = reference.Rating(h.data(), h.len, p);
    ASSERT_EQ(table.Rating(h.data(), h.len, p), expected)
        << context << " word '" << word << "' p=" << p;
    if (p >= 0 && p <= h.len) {
      ASSERT_EQ(all[static_cast<std::size_t>(p)], expected)
          << context << " word '" << word << "' p=" << p;
    }
  }
}

// Loads the file into both tables and rates 60 random words, up to max_length - 1 long, of the
// given characters.
void ExpectRandomWordsRateAsBuckets(const std::string& file, const std::string& characters,
                                    unsigned max_length, std::mt19937& rng,
                                    const std::string& kind) {
  TexPatternTable table;
  TexPatternBuckets reference;
  table.LoadBytes(kind, file);
  reference.LoadBytes(file);
  for (int w = 0; w < 60; ++w) {
    std::string word;
    const int n = static_cast<int>(rng() % max_length);
    for (int i = 0; i < n; ++i) word += characters[rng() % characters.size()];
    ExpectRatesAsBuckets(table, reference, word, kind + " file:\n" + file);
    if (::testing::Test::HasFatalFailure()) return;
  }
}

// The one-pass matcher against the plain bucket lists, over every shipped pattern file: each
// word of the benchmark's lists (and its capitalised forms), then random strings of the pattern
// letters mixed with blanks, hyphens, digits, capitals and code-page letters, up to 60 long.
TEST(TexPatternTableLoad, OnePassMatcherRatesAsBucketListsOverWordsAndRandomStrings) {
  const std::vector<std::string> words = BenchWords();
  ASSERT_GT(words.size(), 1500u);
  std::mt19937 rng(20261211);
  std::vector<std::string> tested;
  for (const auto& entry : std::filesystem::directory_iterator(DataFile(""))) {
    if (entry.path().extension() != ".tex") continue;
    const std::string name = entry.path().filename().string();
    tested.push_back(name);
    const std::string bytes = unit_test::ReadAll(entry.path());
    TexPatternTable table;
    TexPatternBuckets reference;
    ASSERT_EQ(table.LoadBytes(name, bytes).Outcome, TexLoadReport::Status::kLoaded) << name;
    reference.LoadBytes(bytes);
    std::string letters = " -.'1A\x8E\x99\x9A";
    for (char c : bytes)
      if ((c < '0' || c > '9') && c != '\n' && c != '\r' && letters.find(c) == std::string::npos)
        letters += c;
    for (const std::string& w : words) ExpectRatesAsBuckets(table, reference, w, name);
    for (int k = 0; k < 1500; ++k) {
      std::string w;
      const int n = static_cast<int>(rng() % 61);
      for (int i = 0; i < n; ++i) w += letters[rng() % letters.size()];
      ExpectRatesAsBuckets(table, reference, w, name);
    }
  }
  // A data folder without the shipped files would compare nothing.
  EXPECT_NE(std::find(tested.begin(), tested.end(), "dehyph.tex"), tested.end());
  EXPECT_NE(std::find(tested.begin(), tested.end(), "ushyph.tex"), tested.end());
}

// Dense random files over a small alphabet: letter strings that are suffixes of one another in
// long chains, many weights at the edges of their strings (tested against the word at rating
// time) and strings of blanks only, which is where a one-pass matcher can lose a match. The last
// shape has more than 64 letters, so that a node's child bits take more than one word.
TEST(TexPatternTableLoad, OnePassMatcherRatesAsBucketListsOnDenseRandomFiles) {
  struct Shape {
    const char* alphabet;
    int lines;
    int max_length;
    const char* words = "abc .-A\x84";
  };
  const char* const wide =
      "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ"
      "\x80\x81\x82\x83\x84\x85\x86\x87\x88\x89\x8A\x8B\x8C\x8D\x8E\x8F.13";
  const Shape kShapes[] = {
      {"ab.123", 300, 6},       {"ab.", 200, 20}, {"abc.9 ", 400, 10},
      {"a.b\x84-A28", 250, 14}, {"..1", 40, 22},  {wide, 4000, 5, wide},
  };
  std::mt19937 rng(4711);
  for (const Shape& shape : kShapes) {
    const std::string alphabet = shape.alphabet;
    for (int round = 0; round < 8; ++round) {
      std::string file;
      for (int line = 0; line < shape.lines; ++line) {
        const int n = 1 + static_cast<int>(rng() % static_cast<unsigned>(shape.max_length));
        for (int i = 0; i < n; ++i) file += alphabet[rng() % alphabet.size()];
        file += '\n';
      }
      ExpectRandomWordsRateAsBuckets(file, shape.words, 30, rng, "dense");
      if (HasFatalFailure()) return;
    }
  }
}

// Files sorted, but in a letter order of their own (as code-page letters stand between plain
// ones), read in that order; some with lines moved so that a node's children come after a later
// node's (no breadth-first making order) or a letter comes both before and after another (no
// order at all, read again in byte order). Every fourth file is sorted in byte order, and half
// end in unsorted lines, as shipped files do: a byte-sorted file goes on in byte order there.
TEST(TexPatternTableLoad, FilesSortedInTheirOwnLetterOrderRateAsTheBucketListsDo) {
  std::mt19937 rng(1996);
  for (int round = 0; round < 80; ++round) {
    std::string order = ".abcxyz\x81\x84";  // byte order
    if (round % 4 != 3) std::shuffle(order.begin(), order.end(), rng);
    auto random_letters = [&] {
      std::string l;
      const int n = 1 + static_cast<int>(rng() % 6);
      for (int i = 0; i < n; ++i) l += order[rng() % order.size()];
      return l;
    };
    std::vector<std::string> letters(120);
    for (std::string& l : letters) l = random_letters();
    std::sort(letters.begin(), letters.end(), [&](const std::string& a, const std::string& b) {
      return std::lexicographical_compare(
          a.begin(), a.end(), b.begin(), b.end(),
          [&](char x, char y) { return order.find(x) < order.find(y); });
    });
    for (int moved = 0; moved < round % 3; ++moved)  // a third of the rounds stay sorted
      std::swap(letters[rng() % letters.size()], letters[rng() % letters.size()]);
    if (round % 2 == 1)
      for (int tail = 0; tail < 12; ++tail) letters.push_back(random_letters());
    std::string file;
    for (const std::string& l : letters) {
      for (char c : l) {
        if (rng() % 3 == 0) file += static_cast<char>('1' + rng() % 9);
        file += c;
      }
      if (rng() % 2 == 0) file += static_cast<char>('1' + rng() % 9);
      file += '\n';
    }
    ExpectRandomWordsRateAsBuckets(file, "abcxyz .-A\x84\x81", 14, rng, "sorted");
    if (HasFatalFailure()) return;
  }
}

// The line reader takes eight bytes at a time where eight can be read; it must split every line
// as a byte-by-byte reading does: lines across block edges, digits on them, the last lines of a
// file (with and without a final line end, where no block may be read past it), CR LF endings,
// over-long lines, and bytes that look like a digit, a dot or a line end in their low seven bits.
TEST(TexPatternLines, BlockReadingSplitsAsByteByByte) {
  struct Split {
    std::size_t at, size;
    std::string letters;
    std::vector<std::uint32_t> digit_at;
    bool operator==(const Split&) const = default;
  };
  auto by_bytes = [](std::string_view file, TexLoadReport& report) {
    std::vector<Split> lines;
    for (std::size_t at = 0; at < file.size();) {
      std::size_t lf = file.find('\n', at);
      if (lf == std::string_view::npos) lf = file.size();
      const std::string_view line = file.substr(at, lf - at);
      const std::size_t line_at = at;
      at = lf + 1;
      ++report.Lines;
      if (line.empty() || std::string_view("%\\{} ").find(line[0]) != std::string_view::npos)
        continue;
      report.CrLines += line.back() == '\r';
      Split split{line_at, line.size(), {}, {}};
      for (std::size_t i = 0; i < line.size(); ++i) {
        if (line[i] >= '0' && line[i] <= '9')
          split.digit_at.push_back(static_cast<std::uint32_t>(i));
        else
          split.letters += line[i] == '.' ? ' ' : line[i];
      }
      if (split.letters.size() > static_cast<std::size_t>(kTexMaxLetters)) {
        ++report.LongLines;
        continue;
      }
      ++report.Patterns;
      lines.push_back(split);
    }
    return lines;
  };
  const std::string alphabet = std::string("ab.19\r\n\n\n%\xB0\xB9\xAE\x8A\x84 ") + '\0';
  std::mt19937 rng(850);
  for (int round = 0; round < 400; ++round) {
    std::string file;
    const int lines = static_cast<int>(rng() % 12);
    for (int line = 0; line < lines; ++line) {
      const int n = static_cast<int>(rng() % (round % 2 == 0 ? 12 : 40));
      for (int i = 0; i < n; ++i) {
        const char c = alphabet[rng() % alphabet.size()];
        if (c != '\n') file += c;
      }
      if (line + 1 < lines || rng() % 2 == 0) file += '\n';
    }
    TexLoadReport expected_report, report;
    const std::vector<Split> expected = by_bytes(file, expected_report);
    std::vector<Split> got;
    ParseTexPatternLines(file, report, [&](const TexPatternLine& line) {
      got.push_back(Split{static_cast<std::size_t>(line.Text - file.data()), line.Size,
                          std::string(reinterpret_cast<const char*>(line.Letters),
                                      static_cast<std::size_t>(line.Count)),
                          std::vector<std::uint32_t>(line.DigitAt, line.DigitAt + line.Digits)});
    });
    ASSERT_TRUE(got == expected) << "round " << round;
    EXPECT_EQ(report.Lines, expected_report.Lines) << "round " << round;
    EXPECT_EQ(report.Patterns, expected_report.Patterns) << "round " << round;
    EXPECT_EQ(report.LongLines, expected_report.LongLines) << "round " << round;
    EXPECT_EQ(report.CrLines, expected_report.CrLines) << "round " << round;
  }
}

}  // namespace
}  // namespace tavrel

// TeX pattern hyphenation: a pattern file (one pattern per line, code page 850) is read into a
// table of weighted letter strings; the rating of a break position is the sum of the weights of
// every pattern that matches there (odd digit d gives +d, even digit -d).
//
// Two forms of the table are kept here. TexPatternBuckets is the table as the file format defines
// it: 28 x 28 bucket lists indexed by the classes of the two characters around each weight, walked
// node by node. TexPatternTable is what the formatter uses: the same patterns in a trie, rating a
// whole word buffer in one pass. Both give the same rating for every position; the bucket form is
// the reference the trie is tested and fuzzed against.
#pragma once

#include <algorithm>
#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

namespace tavrel {

inline constexpr int kTexMaxLetters = 20;                   // longer letter strings are skipped
inline constexpr std::size_t kTexLetterBuffer = 24;         // the letters as handed on: 3 x 8 bytes
inline constexpr std::size_t kTexMaxFileBytes = 32u << 20;  // larger files are refused
inline constexpr int kTexBucketClasses = 28;
inline constexpr int kTexEdgeClass = 0;     // a weight first or last on its line
inline constexpr int kTexSharedClass = 27;  // "a", "z", blank and every non-letter

// Bucket class of a character: "b".."y" one class each, everything else the shared class.
constexpr int TexCharClass(std::uint8_t c) {
  return (c >= 'b' && c <= 'y') ? 2 + (c - 'b') : kTexSharedClass;
}

// A word-buffer character as the patterns see it: punctuation, digits and blanks become blank;
// letters, capitals and code-page letters stay as they are.
std::uint8_t TexPatternMap(std::uint8_t c);

// Reads a raw byte of the word buffer held[1..len]; outside the word it is a blank.
inline std::uint8_t HeldChar(const std::uint8_t* held, int len, int i) {
  return (i >= 1 && i <= len) ? held[i] : std::uint8_t(' ');
}

// One weight of one pattern line.
struct TexPatternWeight {
  std::uint8_t Position = 0;  // the weight stands before letter number `position` (1-based)
  std::int32_t Weight = 0;    // odd digit +d, even digit -d
  std::uint8_t ClassBefore = 0;
  std::uint8_t ClassAfter = 0;
};

// What a load found, for the caller's messages.
struct TexLoadReport {
  enum class Status { kLoaded, kUnchanged, kOpenFailed, kTooLarge };
  Status Outcome = Status::kLoaded;
  std::size_t Lines = 0;      // lines read
  std::size_t Patterns = 0;   // lines that gave a letter string
  std::size_t Weights = 0;    // weights taken into the table
  std::size_t LongLines = 0;  // skipped: letter string longer than kTexMaxLetters
  std::size_t CrLines = 0;    // lines ending in CR (a CR LF file rates nothing)
};

// A pattern line's character as a letter ("." stands for a blank) and whether it is a digit,
// looked up rather than compared: the line loop runs once per character of the file.
struct TexLineCharKind {
  std::uint8_t Letter;
  std::uint8_t Digit;
  std::uint8_t SkipsLine;  // first on a line: a comment, a TeX command, a brace or a blank
};
inline constexpr std::array<TexLineCharKind, 256> kTexLineChar = [] {
  std::array<TexLineCharKind, 256> t{};
  for (int c = 0; c < 256; ++c)
    t[static_cast<std::size_t>(c)] = {
        static_cast<std::uint8_t>(c == '.' ? ' ' : c),
        static_cast<std::uint8_t>(c >= '0' && c <= '9'),
        static_cast<std::uint8_t>(c == '%' || c == '\\' || c == '{' || c == '}' || c == ' ')};
  return t;
}();

// One pattern line as split by ParseTexPatternLines: its letters and where its digits stand.
struct TexPatternLine {
  const std::uint8_t* Letters = nullptr;  // at least kTexLetterBuffer bytes may be read
  int Count = 0;                          // letters
  const char* Text = nullptr;             // the line, without its LF
  std::size_t Size = 0;
  const std::uint32_t* DigitAt = nullptr;  // line index of each digit; [Digits] may be read
  std::size_t Digits = 0;

  // Whether weight j stands first or last on its line, where no lookup reaches it.
  bool AtEdge(std::size_t j) const { return DigitAt[j] == 0 || DigitAt[j] + 1 == Size; }
  // Weight j. The digit at line index i, with j digits before it, stands before letter
  // i - j + 1.
  TexPatternWeight Weight(std::size_t j) const {
    const std::size_t i = DigitAt[j];
    const int d = Text[i] - '0';
    auto cls = [](char c) {
      return static_cast<std::uint8_t>(TexCharClass(static_cast<std::uint8_t>(c)));
    };
    TexPatternWeight w;
    w.Position = static_cast<std::uint8_t>(i - j + 1);
    w.Weight = (d % 2 == 1) ? d : -d;
    w.ClassBefore = i == 0 ? kTexEdgeClass : cls(Text[i - 1]);
    w.ClassAfter = i + 1 == Size ? kTexEdgeClass : cls(Text[i + 1]);
    return w;
  }
};

// Eight bytes of a pattern file at a time: the high bit of each byte that is a line end, a digit.
// Exact for every byte value, so that code-page letters are never taken for either.
namespace tex_bytes {
inline constexpr std::uint64_t kOnes = 0x0101010101010101u;
inline constexpr std::uint64_t kLow7 = 0x7F7F7F7F7F7F7F7Fu;
inline constexpr bool kLittleEndian = std::endian::native == std::endian::little;
inline std::uint64_t Load(const void* p) {
  std::uint64_t x;
  std::memcpy(&x, p, 8);
  return x;
}
inline void Store(void* p, std::uint64_t x) { std::memcpy(p, &x, 8); }
inline std::uint64_t ZeroBytes(std::uint64_t x) { return ~(((x & kLow7) + kLow7) | x | kLow7); }
inline std::uint64_t DigitBytes(std::uint64_t x) {
  const std::uint64_t t = x & kLow7;  // sums below cannot carry into the next byte
  return (t + kOnes * (0x80 - '0')) & ~(t + kOnes * (0x80 - '9' - 1)) & ~x & ~kLow7;
}
// Splits line[0..size) as the byte loop of ParseTexPatternLines does, a block of eight bytes at
// a time: a line has two or three digits, so the letters between them are moved in whole
// blocks. Reads up to 7 bytes past the line and writes up to 8 past its letters. Returns the
// number of digits.
inline std::size_t SplitLine(const char* line, std::size_t size, std::uint8_t* letters,
                             std::uint32_t* digit_at) {
  std::size_t digits = 0;
  std::size_t out = 0;
  for (std::size_t k = 0; k < size; k += 8) {
    std::uint64_t x = Load(line + k);
    const std::size_t in_block = std::min<std::size_t>(8, size - k);
    std::uint64_t digit_bytes = DigitBytes(x);
    if (in_block < 8) digit_bytes &= (std::uint64_t{1} << (8 * in_block)) - 1;
    x ^= (ZeroBytes(x ^ (kOnes * '.')) >> 7) * ('.' ^ ' ');  // "." stands for a blank
    std::size_t from = 0;  // the first byte of the block not yet taken
    for (; digit_bytes != 0; digit_bytes &= digit_bytes - 1) {
      const auto p = static_cast<std::size_t>(std::countr_zero(digit_bytes)) / 8;
      Store(letters + out, x >> (8 * from));
      out += p - from;
      from = p + 1;
      digit_at[digits++] = static_cast<std::uint32_t>(k + p);
    }
    if (from < 8) Store(letters + out, x >> (8 * from));
    out += in_block - from;
  }
  return digits;
}
}  // namespace tex_bytes

// Splits a pattern file into its lines (up to, not including, LF; a CR stays) and calls
// on_pattern(line) for each line that is not skipped. An on_pattern that returns bool ends the
// reading early by returning false; the report then counts only the lines read so far.
template <typename OnPattern>
void ParseTexPatternLines(std::string_view bytes, TexLoadReport& report, OnPattern&& on_pattern);

// The reference table: bucket lists as the file format defines them.
class TexPatternBuckets {
 public:
  TexLoadReport LoadBytes(std::string_view bytes);
  void Clear();
  std::int32_t Rating(const std::uint8_t* held, int len, int p) const;
  std::size_t NodeCount() const { return nodes_.size(); }

 private:
  struct Node {
    std::uint8_t position;
    std::int32_t weight;
    std::uint8_t letter_count;
    std::array<std::uint8_t, kTexMaxLetters> letters;
  };
  std::vector<Node> nodes_;
  // bucket (before, after) -> node indices in file order
  std::array<std::vector<std::uint32_t>, kTexBucketClasses * kTexBucketClasses> buckets_{};
};

// The formatter's table: a trie over the letter strings with failure links, so that a word is
// rated in one pass over its characters instead of one trie walk per start position.
class TexPatternTable {
 public:
  TexPatternTable();

  // Loads an already resolved file. The same name as the loaded one does nothing; otherwise the
  // old table is dropped and the name remembered even when the file cannot be opened.
  TexLoadReport LoadFile(const std::string& resolved_name);
  // Loads from memory under the given name (tests, fuzzing).
  TexLoadReport LoadBytes(const std::string& name, std::string_view bytes);
  // Drops every pattern and forgets the loaded name.
  void Free();

  const std::string& LoadedName() const { return loaded_name_; }
  bool Empty() const { return trie_.size() <= 1 && root_loose_.empty(); }
  // Changes whenever the table changes, so that cached ratings can tell they are stale.
  std::uint64_t Generation() const { return generation_; }

  // Rating of every position 0..len of held[1..len] into out[0..len].
  void RateAll(const std::uint8_t* held, int len, std::int32_t* out) const;
  // Rating of one position; positions outside 0..len are rated too.
  std::int32_t Rating(const std::uint8_t* held, int len, int p) const;

 private:
  // The children of a node lie side by side in letter order from first_child; which letters
  // have a child is a bit set over the letter codes, so a step is a popcount, not a search.
  struct TrieNode {
    std::uint64_t child_bits = 0;  // codes 0..63; higher codes in child_bits_
    std::uint32_t first_child = 0;
    // The tight weights of every letter string that ends here, this node's and its suffixes',
    // summed per position: first index into found_ (low 26 bits) and count (next 5); the top
    // bit marks that this node or a suffix has loose weights. Sixteen bytes a node keep the
    // walk in cache.
    std::uint32_t found = 0;
  };
  static constexpr std::uint32_t kWeightIndexBits = 26;
  static constexpr std::uint32_t kHasLoose = 0x80000000u;
  struct LooseRef {
    std::uint32_t node, first, count;
  };
  // A tight weight is one whose two surrounding letters lie inside its letter string: the bucket
  // test is implied by the letters. Summed over the strings ending at a node, by distance from
  // the last letter.
  struct FoundWeight {
    std::int32_t weight;
    std::uint8_t back;  // p = end - back, end being the text index of the last letter
  };
  // Any other weight keeps its bucket classes, tested against the word at rating time.
  struct LooseWeight {
    std::int8_t offset;
    std::int32_t weight;
    std::uint8_t class_before, class_after;
  };

  void Build(std::string_view bytes, TexLoadReport& report);
  // One try: letter codes in the file's order (false when it has none) or in byte order.
  bool BuildIn(std::string_view bytes, TexLoadReport& report, bool file_order);
  // Construction: the trie as read, then numbered breadth first and linked to its suffixes.
  struct BuildNode;
  struct PendingWeight;
  struct BuildTrie;
  template <bool kCountInstruction>
  void Place(BuildTrie& trie);
  void PlaceCounted(BuildTrie& trie);
  // kCountInstruction: the rank of a child bit is counted by the processor's popcount
  // instruction, on processors that have one; the plain form counts in a few shifts.
  template <bool kCountInstruction>
  std::uint32_t Child(std::uint32_t node, std::uint8_t code) const;
  template <bool kCountInstruction>
  static std::uint32_t ChildIn(const TrieNode* trie, const std::uint64_t* more_bits,
                               std::size_t more_words, std::uint32_t node, std::uint8_t code);
  template <bool kCountInstruction>
  void RateWith(const std::uint8_t* held, int len, int first_p, int last_p,
                std::int32_t* out) const;
  void RatePlain(const std::uint8_t* held, int len, int first_p, int last_p,
                 std::int32_t* out) const;
  void RateCounted(const std::uint8_t* held, int len, int first_p, int last_p,
                   std::int32_t* out) const;
  void RateRange(const std::uint8_t* held, int len, int first_p, int last_p,
                 std::int32_t* out) const;

  std::string loaded_name_;
  std::uint64_t generation_ = 0;
  std::vector<TrieNode> trie_;
  std::array<std::uint8_t, 256> code_{};       // byte -> letter code, 0: in no letter string
  int code_words_ = 1;                         // 64-bit words of child bits per node
  std::vector<std::uint64_t> child_bits_;      // words 1.. of each node, when there are 64+ codes
  std::array<std::uint8_t, 256> word_code_{};  // raw word byte -> code of its pattern form
  std::unique_ptr<FoundWeight[]> found_;
  std::vector<LooseWeight> loose_;
  std::vector<LooseRef> loose_refs_;     // by node
  std::vector<LooseWeight> root_loose_;  // weights of empty letter strings
  // By node: the longest proper suffix of its letters that is also a node (0: the root); its
  // letters from the root.
  std::vector<std::uint32_t> fail_;
  std::vector<std::uint8_t> depth_;
  std::array<std::uint32_t, 256> root_next_{};  // letter code -> child of the root
  int max_lead_blanks_ = 0;                     // most leading blanks of a letter string
  int max_trail_blanks_ = 0;                    // most trailing blanks of a letter string
  int max_all_blanks_ = 0;                      // longest letter string of blanks only
};

// Ratings of the current word buffer, computed once per word and reused while the word breaker
// walks its positions. Lives in the per-run state; the table may be shared across runs.
class TexRatingCache {
 public:
  // Inline: the word breaker asks once per position, and all but the first ask hit.
  std::int32_t Rating(const TexPatternTable& table, const std::uint8_t* held, int len, int p) {
    if (len < 0 || len > 255 || p < 0 || p > len) return table.Rating(held, len, p);
    if (!(valid_ && table_ == &table && generation_ == table.Generation() && len_ == len &&
          SameWord(held, len)))
      Refill(table, held, len);
    return ratings_[static_cast<std::size_t>(p)];
  }

 private:
  // Eight bytes at a time and inline: a library call per position cost more than the compare.
  bool SameWord(const std::uint8_t* held, int len) const {
    const std::uint8_t* a = word_.data() + 1;
    const std::uint8_t* b = held + 1;
    auto same8 = [&](int i) {
      std::uint64_t x, y;
      std::memcpy(&x, a + i, 8);
      std::memcpy(&y, b + i, 8);
      return x == y;
    };
    if (len < 8) {
      for (int i = 0; i < len; ++i)
        if (a[i] != b[i]) return false;
      return true;
    }
    for (int i = 0; i + 8 < len; i += 8)
      if (!same8(i)) return false;
    return same8(len - 8);  // the last eight, overlapping the loop's last block
  }
  void Refill(const TexPatternTable& table, const std::uint8_t* held, int len);

  bool valid_ = false;
  const TexPatternTable* table_ = nullptr;
  std::uint64_t generation_ = 0;
  int len_ = 0;
  std::array<std::uint8_t, 256> word_{};
  std::array<std::int32_t, 257> ratings_{};
};

// ---- template definition ----

template <typename OnPattern>
void ParseTexPatternLines(std::string_view bytes, TexLoadReport& report, OnPattern&& on_pattern) {
  // The letters of a line as long as the line, so that the loop below need not stop at a line
  // that is too long: rare, and told after the loop. Read eight bytes at a time, so at least
  // kTexLetterBuffer.
  std::vector<std::uint8_t> Letters(kTexLetterBuffer);
  std::vector<std::uint32_t> DigitAt;  // line index of each digit
  const char* const end = bytes.data() + bytes.size();
  const char* at = bytes.data();
  while (at < end) {
    // Most lines are shorter than eight bytes: their end is found in the first block, without a
    // library call.
    const char* lf;
    std::uint64_t ends = 0;
    if (tex_bytes::kLittleEndian && end - at >= 8)
      ends = tex_bytes::ZeroBytes(tex_bytes::Load(at) ^ (tex_bytes::kOnes * '\n'));
    if (ends != 0) {
      lf = at + std::countr_zero(ends) / 8;
    } else {
      lf = static_cast<const char*>(std::memchr(at, '\n', static_cast<std::size_t>(end - at)));
    }
    const char* const line = at;
    const std::size_t size = static_cast<std::size_t>((lf ? lf : end) - at);
    at = lf ? lf + 1 : end;
    ++report.Lines;
    if (size == 0) continue;
    if (kTexLineChar[static_cast<std::uint8_t>(line[0])].SkipsLine) continue;
    if (line[size - 1] == '\r') ++report.CrLines;

    // The letters first, noting where the digits stand: every character is written as a letter
    // and as a digit place and only the count of its kind advances, because which kind comes
    // next is not predictable and a branch on it costs more than the writes.
    if (DigitAt.size() <= size) {
      DigitAt.resize(size + 1);
      Letters.resize(std::max(size + 8, kTexLetterBuffer));
    }
    // In locals: a byte store may alias anything, and would make the vectors be read anew.
    std::uint8_t* const letters = Letters.data();
    std::uint32_t* const digit_at = DigitAt.data();
    std::size_t digits = 0;
    if (tex_bytes::kLittleEndian && static_cast<std::size_t>(end - line) >= size + 8) {
      digits = tex_bytes::SplitLine(line, size, letters, digit_at);
    } else {  // the file's last bytes: no block may be read past them
      for (std::size_t i = 0; i < size; ++i) {
        const auto ch = static_cast<std::uint8_t>(line[i]);
        letters[i - digits] = kTexLineChar[ch].Letter;
        digit_at[digits] = static_cast<std::uint32_t>(i);
        digits += kTexLineChar[ch].Digit;
      }
    }
    if (size - digits > static_cast<std::size_t>(kTexMaxLetters)) {
      ++report.LongLines;
      continue;
    }
    ++report.Patterns;
    const TexPatternLine split{letters, static_cast<int>(size - digits), line, size, digit_at,
                               digits};
    if constexpr (std::is_same_v<decltype(on_pattern(split)), bool>) {
      if (!on_pattern(split)) return;
    } else {
      on_pattern(split);
    }
  }
}

}  // namespace tavrel

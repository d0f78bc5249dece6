#include "formatter/hyphenation/tex_patterns.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <memory>
#include <optional>

#include "platform/files.h"

namespace tavrel {

namespace {

// Code-page 850 letters from 128 up (ü, é, â, ä, à, å, ç, ê, ë among them) stay letters, so
// that they meet the same letters in a converted pattern file.
constexpr std::uint8_t PatternForm(std::uint8_t c) {
  if ((c >= 32 && c <= 64) || (c >= 91 && c <= 96) || (c >= 123 && c <= 127)) return ' ';
  return c;
}

constexpr std::array<std::uint8_t, 256> kPatternForm = [] {
  std::array<std::uint8_t, 256> t{};
  for (int c = 0; c < 256; ++c) t[c] = PatternForm(static_cast<std::uint8_t>(c));
  return t;
}();

// The baseline x86-64 target has no popcount instruction, so std::popcount would be a library
// call on every trie step: the plain form counts inline, and the rating loop is compiled a
// second time for processors that have the instruction.
template <bool kCountInstruction>
[[gnu::always_inline]] inline int CountBits(std::uint64_t x) {
  if constexpr (kCountInstruction) {
    return __builtin_popcountll(x);
  } else {
    x = x - ((x >> 1) & 0x5555555555555555u);
    x = (x & 0x3333333333333333u) + ((x >> 2) & 0x3333333333333333u);
    x = (x + (x >> 4)) & 0x0F0F0F0F0F0F0F0Fu;
    return static_cast<int>((x * 0x0101010101010101u) >> 56);
  }
}

#if defined(__x86_64__) || defined(__i386__)
#define TAVREL_COUNT_INSTRUCTION __attribute__((target("popcnt")))
bool HasCountInstruction() {
  static const bool has = __builtin_cpu_supports("popcnt");
  return has;
}
#else
#define TAVREL_COUNT_INSTRUCTION
bool HasCountInstruction() { return true; }  // elsewhere the compiler picks the best count
#endif

// A digit's weight: odd +d, even -d, looked up, as odd and even digits alternate unpredictably.
constexpr std::array<std::int8_t, 10> kDigitWeight = {0, 1, -2, 3, -4, 5, -6, 7, -8, 9};

// How many leading bytes two letter buffers share (up to kTexLetterBuffer), eight at a time:
// neighbouring lines part at an unpredictable place, and a byte loop guessed it wrong each line.
int SharedPrefix(const std::uint8_t* a, const std::uint8_t* b) {
  for (std::size_t k = 0; k < kTexLetterBuffer; k += 8) {
    std::uint64_t x, y;
    std::memcpy(&x, a + k, 8);
    std::memcpy(&y, b + k, 8);
    if (x != y) {
      const std::uint64_t diff = x ^ y;
      const int bit = std::endian::native == std::endian::little ? std::countr_zero(diff)
                                                                 : std::countl_zero(diff);
      return static_cast<int>(k) + bit / 8;
    }
  }
  return static_cast<int>(kTexLetterBuffer);
}

}  // namespace

std::uint8_t TexPatternMap(std::uint8_t c) { return kPatternForm[c]; }

// ---------------------------------------------------------------- reference bucket table

TexLoadReport TexPatternBuckets::LoadBytes(std::string_view bytes) {
  Clear();
  TexLoadReport report;
  ParseTexPatternLines(bytes, report, [&](const TexPatternLine& line) {
    const std::uint8_t* const letters = line.Letters;
    const int count = line.Count;
    for (std::size_t j = 0; j < line.Digits; ++j) {
      const TexPatternWeight w = line.Weight(j);
      Node n{};
      n.position = w.Position;
      n.weight = w.Weight;
      n.letter_count = static_cast<std::uint8_t>(count);
      std::copy_n(letters, count, n.letters.begin());
      buckets_[w.ClassBefore * kTexBucketClasses + w.ClassAfter].push_back(
          static_cast<std::uint32_t>(nodes_.size()));
      nodes_.push_back(n);
      ++report.Weights;
    }
  });
  return report;
}

void TexPatternBuckets::Clear() {
  nodes_.clear();
  for (auto& b : buckets_) b.clear();
}

std::int32_t TexPatternBuckets::Rating(const std::uint8_t* held, int len, int p) const {
  const int c1 = TexCharClass(TexPatternMap(HeldChar(held, len, p)));
  const int c2 = TexCharClass(TexPatternMap(HeldChar(held, len, p + 1)));
  std::int32_t sum = 0;
  for (std::uint32_t index : buckets_[c1 * kTexBucketClasses + c2]) {
    const Node& n = nodes_[index];
    bool match = true;
    for (int j = 1; j <= n.letter_count && match; ++j)
      match = TexPatternMap(HeldChar(held, len, p + 1 + j - n.position)) == n.letters[j - 1];
    if (match) sum += n.weight;
  }
  return sum;
}

// ---------------------------------------------------------------- trie table

TexPatternTable::TexPatternTable() { Free(); }

void TexPatternTable::Free() {
  loaded_name_.clear();
  trie_.assign(1, TrieNode{});
  code_.fill(0);
  word_code_.fill(0);
  code_words_ = 1;
  child_bits_.clear();
  fail_.assign(1, 0);
  found_.reset();
  loose_.clear();
  loose_refs_.clear();
  root_loose_.clear();
  depth_.assign(1, 0);
  root_next_.fill(0);
  max_lead_blanks_ = 0;
  max_trail_blanks_ = 0;
  max_all_blanks_ = 0;
  ++generation_;
}

TexLoadReport TexPatternTable::LoadFile(const std::string& resolved_name) {
  TexLoadReport report;
  if (!loaded_name_.empty() && resolved_name == loaded_name_) {
    report.Outcome = TexLoadReport::Status::kUnchanged;
    return report;
  }
  Free();
  loaded_name_ = resolved_name;
  // The size first, so that a huge file is refused before it is read.
  const std::optional<std::uint64_t> size = platform::file_size(resolved_name);
  if (size && *size > kTexMaxFileBytes) {
    report.Outcome = TexLoadReport::Status::kTooLarge;
    return report;
  }
  const platform::ReadResult file = platform::read_file(resolved_name);
  if (file.error == platform::FileError::missing ||
      file.error == platform::FileError::is_directory ||
      file.error == platform::FileError::unreadable) {
    report.Outcome = TexLoadReport::Status::kOpenFailed;
    return report;
  }
  if (file.bytes.size() > kTexMaxFileBytes) {  // grew while it was read
    report.Outcome = TexLoadReport::Status::kTooLarge;
    return report;
  }
  // A read error part-way leaves the table empty: nothing half-read is rated.
  Build(std::string_view(reinterpret_cast<const char*>(file.bytes.data()), file.bytes.size()),
        report);
  return report;
}

TexLoadReport TexPatternTable::LoadBytes(const std::string& name, std::string_view bytes) {
  Free();
  loaded_name_ = name;
  TexLoadReport report;
  if (bytes.size() > kTexMaxFileBytes) {
    report.Outcome = TexLoadReport::Status::kTooLarge;
    return report;
  }
  Build(bytes, report);
  return report;
}

// Construction-time trie: first child / next sibling links, flattened at the end.
struct TexPatternTable::BuildNode {
  std::uint32_t first_child;
  std::uint32_t next_sibling;
  std::uint32_t last_child;  // pattern files come mostly sorted: most letters append here
  std::uint32_t weights;     // the node's last pending weight + 1 (0: none)
  std::uint32_t parent;
  std::uint8_t byte;
  std::uint8_t depth;  // letters from the root
};

// The weights of one node form a list through `next` (index + 1, 0: end), newest first. Eight
// bytes: a weight is one digit, and whether it is loose follows from its offset and the depth.
struct TexPatternTable::PendingWeight {
  std::uint32_t next;
  std::int8_t offset;
  std::int8_t weight;
  std::uint8_t class_before, class_after;  // loose weights only
};

namespace {

// Storage that is written before it is read: not cleared first, and grown by copying.
template <typename T>
struct TexRawBuffer {
  std::unique_ptr<T[]> data;
  std::size_t capacity = 0;
  std::size_t size = 0;
  void Reserve(std::size_t need) {
    if (need <= capacity) return;
    const std::size_t grown = std::max(need, capacity * 2);
    auto fresh = std::make_unique_for_overwrite<T[]>(grown);
    if (size != 0) std::memcpy(fresh.get(), data.get(), size * sizeof(T));
    data = std::move(fresh);
    capacity = grown;
  }
};

}  // namespace

struct TexPatternTable::BuildTrie {
  TexRawBuffer<BuildNode> nodes;  // the root first
  TexRawBuffer<PendingWeight> pending;
  std::array<std::uint32_t, kTexMaxLetters + 1> per_depth{};  // nodes by number of letters
  // Whether the nodes of each depth were made in breadth-first order: then numbering is one pass
  // along memory instead of a walk.
  bool made_in_order = true;
};

void TexPatternTable::Build(std::string_view bytes, TexLoadReport& report) {
  // Pattern files are sorted, though not always in byte order (code-page letters stand between
  // the plain ones). Letter codes in the file's own order, read from how neighbouring lines
  // differ, let the trie be built by appending; a file in no consistent order is read again
  // with codes in byte order.
  const TexLoadReport start = report;
  if (BuildIn(bytes, report, true)) return;
  report = start;
  BuildIn(bytes, report, false);
}

bool TexPatternTable::BuildIn(std::string_view bytes, TexLoadReport& report, bool file_order) {
  BuildTrie trie;
  TexRawBuffer<BuildNode>& nodes = trie.nodes;
  TexRawBuffer<PendingWeight>& pending = trie.pending;
  // Grown ahead of need a line at a time, so that adding a node or a weight is a plain store.
  // From half the file size, as files seldom make a node or a weight for every third byte:
  // growing copies, and the pages of a fresh allocation cost as they are first touched, while
  // the part never used is never touched.
  nodes.Reserve(bytes.size() / 2 + kTexMaxLetters + 1);
  pending.Reserve(bytes.size() / 2 + 1);
  nodes.data[0] = BuildNode{0, 0, 0, 0, 0, 0, 0};
  // In file order: which letters must come before which, and after, a bit each, closed over
  // the order's chains so that a cycle shows at the line that makes it (the file is then read
  // again at once) rather than when codes are given at the end.
  using LetterSet = std::array<std::uint64_t, 4>;
  std::array<LetterSet, 256> before{};
  std::array<LetterSet, 256> after{};
  auto has = [](const LetterSet& set, std::uint8_t b) {
    return ((set[b >> 6] >> (b & 63)) & 1) != 0;
  };
  // Takes prior < letter; false when the order already says otherwise.
  auto order = [&](std::uint8_t prior, std::uint8_t letter) {
    if (has(before[letter], prior)) return true;  // known: most lines of a sorted file
    if (prior == letter || has(before[prior], letter)) return false;
    LetterSet earlier = before[prior];
    earlier[prior >> 6] |= std::uint64_t{1} << (prior & 63);
    LetterSet later = after[letter];
    later[letter >> 6] |= std::uint64_t{1} << (letter & 63);
    for (std::size_t w = 0; w < 4; ++w) {
      for (std::uint64_t bits = later[w]; bits != 0; bits &= bits - 1) {
        LetterSet& set = before[w * 64 + static_cast<std::size_t>(std::countr_zero(bits))];
        for (std::size_t k = 0; k < 4; ++k) set[k] |= earlier[k];
      }
      for (std::uint64_t bits = earlier[w]; bits != 0; bits &= bits - 1) {
        LetterSet& set = after[w * 64 + static_cast<std::size_t>(std::countr_zero(bits))];
        for (std::size_t k = 0; k < 4; ++k) set[k] |= later[k];
      }
    }
    return true;
  };
  // Per depth, the parent of the node made last there.
  std::array<std::uint32_t, kTexMaxLetters + 1> last_parent{};
  std::uint32_t node_count = 1;
  std::uint32_t pending_count = 0;
  std::array<bool, 256> in_letters{};
  // Neighbouring lines mostly share a prefix: the path of the last inserted line is reused up to
  // where the letters part, so only the rest is looked up.
  std::array<std::uint8_t, kTexLetterBuffer> last_letters{};
  std::array<std::uint32_t, kTexMaxLetters + 1> last_path{};
  int last_count = 0;

  // In file order: two letters seen each before the other. A file sorted in byte order up to
  // there (pattern files often end in a few unsorted lines) goes on in byte order instead.
  bool no_order = false;
  bool byte_sorted = true;
  // Returns false, ending the reading, once the file shows it has no order of its own: it is
  // read again in byte order, and reading on would only cost.
  ParseTexPatternLines(bytes, report, [&](const TexPatternLine& line) {
    const std::uint8_t* const letters = line.Letters;
    const int count = line.Count;
    if (node_count + kTexMaxLetters > nodes.capacity ||
        pending_count + line.Digits > pending.capacity) {  // seldom: room for half the file's bytes
      nodes.size = node_count;
      nodes.Reserve(node_count + kTexMaxLetters);
      pending.size = pending_count;
      pending.Reserve(pending_count + line.Digits);
    }
    BuildNode* const n = nodes.data.get();  // in locals: byte stores may alias anything
    PendingWeight* const added = pending.data.get();
    // Only weights that a lookup can reach: a lookup never forms the line-edge class, and a
    // weight inside the letters needs the letters around it to fall into its bucket.
    std::uint32_t node = 0;
    bool inserted = false;
    const std::uint32_t* const digit_at = line.DigitAt;
    const std::size_t digits = line.Digits;
    // The tests below are combined without branches: which way each goes is not predictable.
    std::size_t before = ~std::size_t{0} - 1;  // the previous digit's place, none beside the first
    for (std::size_t j = 0; j < digits; before = digit_at[j], ++j) {
      const std::size_t at = digit_at[j];
      const std::size_t after = digit_at[j + 1];  // past the last digit: any value, not used
      // At an edge no lookup reaches it.
      if ((at == 0) | (at + 1 == line.Size)) continue;
      const int q = static_cast<int>(at - j) + 1;
      // A digit between two letters falls into their bucket; only one beside another digit needs
      // its classes. Edges left out, a digit with no letter on one side has a digit there, so
      // loose weights are among these.
      TexPatternWeight w{};
      if ((before + 1 == at) | ((j + 1 < digits) & (after == at + 1))) {
        w = line.Weight(j);
        const bool tight = (q >= 2) & (q <= count);
        if (tight && (TexCharClass(letters[q - 2]) != w.ClassBefore ||
                      TexCharClass(letters[q - 1]) != w.ClassAfter))
          continue;
      } else {
        w.Weight = kDigitWeight[static_cast<std::uint8_t>(line.Text[at] - '0')];
      }
      if (!inserted) {
        const int shared =
            std::min({SharedPrefix(last_letters.data(), letters), count, last_count});
        node = last_path[static_cast<std::size_t>(shared)];
        for (int i = shared; i < count; ++i) {
          const std::uint8_t letter = letters[i];
          const std::uint32_t last = n[node].last_child;
          if (last != 0 && n[last].byte == letter) {
            node = last;
            last_path[static_cast<std::size_t>(i) + 1] = node;
            continue;
          }
          in_letters[letter] = true;
          if (last != 0 && file_order) {
            const std::uint8_t prior = n[last].byte;
            if (order(prior, letter)) {
              byte_sorted &= prior < letter;
            } else if (byte_sorted) {
              file_order = false;  // every sibling so far lies in byte order: go on in it
            } else {
              no_order = true;
              return false;
            }
          }
          if (last == 0 || file_order || n[last].byte < letter) {
            const std::uint32_t fresh = node_count++;
            n[fresh] = BuildNode{0, 0, 0, 0, node, letter, static_cast<std::uint8_t>(i + 1)};
            ++trie.per_depth[static_cast<std::size_t>(i) + 1];
            // Parents made in order make their children in order if each comes after the last.
            trie.made_in_order &= node >= last_parent[static_cast<std::size_t>(i) + 1];
            last_parent[static_cast<std::size_t>(i) + 1] = node;
            if (last == 0) {
              n[node].first_child = fresh;
            } else {
              n[last].next_sibling = fresh;
            }
            n[node].last_child = fresh;
            node = fresh;
            last_path[static_cast<std::size_t>(i) + 1] = node;
            continue;
          }
          std::uint32_t child = n[node].first_child;
          std::uint32_t prev = 0;
          while (child != 0 && n[child].byte < letter) {
            prev = child;
            child = n[child].next_sibling;
          }
          if (child == 0 || n[child].byte != letter) {
            const std::uint32_t fresh = node_count++;
            n[fresh] = BuildNode{0, child, 0, 0, node, letter, static_cast<std::uint8_t>(i + 1)};
            ++trie.per_depth[static_cast<std::size_t>(i) + 1];
            trie.made_in_order = false;
            if (prev == 0)
              n[node].first_child = fresh;
            else
              n[prev].next_sibling = fresh;
            child = fresh;
          }
          node = child;
          last_path[static_cast<std::size_t>(i) + 1] = node;
        }
        std::memcpy(last_letters.data(), letters, kTexLetterBuffer);
        last_count = count;
        inserted = true;
        if (count == 0 || letters[0] == ' ' || letters[count - 1] == ' ') {  // rare
          int lead = 0;
          while (lead < count && letters[lead] == ' ') ++lead;
          int trail = 0;
          while (trail < count && letters[count - 1 - trail] == ' ') ++trail;
          max_lead_blanks_ = std::max(max_lead_blanks_, lead);
          max_trail_blanks_ = std::max(max_trail_blanks_, trail);
          if (lead == count) max_all_blanks_ = std::max(max_all_blanks_, count);
        }
      }
      added[pending_count++] =
          PendingWeight{n[node].weights, static_cast<std::int8_t>(q - 2),
                        static_cast<std::int8_t>(w.Weight), w.ClassBefore, w.ClassAfter};
      n[node].weights = pending_count;
    }
    return true;
  });
  if (no_order) return false;
  report.Weights += pending_count;  // each weight taken is one pending
  nodes.size = node_count;
  pending.size = pending_count;

  // Letter codes in sibling order, so that the rank of a code among a node's child bits is the
  // child's place among its siblings: byte order, or the file's order, the lowest byte first
  // among letters that nothing orders. A letter seen both before and after another (a letter
  // appended twice to one node among them) leaves no order.
  int codes = 0;
  if (!file_order) {
    for (int b = 0; b < 256; ++b)
      code_[static_cast<std::size_t>(b)] =
          in_letters[static_cast<std::size_t>(b)] ? static_cast<std::uint8_t>(++codes) : 0;
  } else {
    code_.fill(0);
    std::array<std::uint64_t, 4> placed{};
    std::array<std::uint8_t, 256> used;  // the letters, in byte order
    int letters = 0;
    for (int b = 0; b < 256; ++b)
      if (in_letters[static_cast<std::size_t>(b)])
        used[static_cast<std::size_t>(letters++)] = static_cast<std::uint8_t>(b);
    while (codes < letters) {
      int next = -1;
      for (int k = 0; k < letters && next < 0; ++k) {
        const std::uint8_t b = used[static_cast<std::size_t>(k)];
        if (code_[b] != 0) continue;
        bool free = true;
        for (std::size_t w = 0; w < 4; ++w) free = free && (before[b][w] & ~placed[w]) == 0;
        if (free) next = b;
      }
      if (next < 0) return false;
      code_[static_cast<std::size_t>(next)] = static_cast<std::uint8_t>(++codes);
      placed[static_cast<std::size_t>(next) >> 6] |= std::uint64_t{1} << (next & 63);
    }
  }
  code_words_ = codes / 64 + 1;
  for (int b = 0; b < 256; ++b) word_code_[b] = code_[TexPatternMap(static_cast<std::uint8_t>(b))];

  if (HasCountInstruction())
    PlaceCounted(trie);
  else
    Place<false>(trie);
  ++generation_;
  return true;
}

template <bool kCountInstruction>
[[gnu::always_inline]] inline std::uint32_t TexPatternTable::ChildIn(const TrieNode* trie,
                                                                     const std::uint64_t* more_bits,
                                                                     std::size_t more_words,
                                                                     std::uint32_t node,
                                                                     std::uint8_t code) {
  const TrieNode& t = trie[node];
  if (code < 64) {
    if (((t.child_bits >> code) & 1) == 0) return 0;
    const std::uint64_t below = (std::uint64_t{1} << code) - 1;
    return t.first_child +
           static_cast<std::uint32_t>(CountBits<kCountInstruction>(t.child_bits & below));
  }
  const std::uint64_t* more = more_bits + node * more_words;
  const int word = (code >> 6) - 1;
  if (((more[word] >> (code & 63)) & 1) == 0) return 0;
  int rank = CountBits<kCountInstruction>(t.child_bits) +
             CountBits<kCountInstruction>(more[word] & ((std::uint64_t{1} << (code & 63)) - 1));
  for (int k = 0; k < word; ++k) rank += CountBits<kCountInstruction>(more[k]);
  return t.first_child + static_cast<std::uint32_t>(rank);
}

template <bool kCountInstruction>
[[gnu::always_inline]] inline std::uint32_t TexPatternTable::Child(std::uint32_t node,
                                                                   std::uint8_t code) const {
  return ChildIn<kCountInstruction>(trie_.data(), child_bits_.data(),
                                    static_cast<std::size_t>(code_words_ - 1), node, code);
}

template <bool kCountInstruction>
[[gnu::always_inline]] inline void TexPatternTable::Place(BuildTrie& trie) {
  // Breadth first, so that the children of a node are contiguous and sorted, the shallow nodes
  // that every word passes lie together, and each node's suffix, being shallower, has its weights
  // summed when the nodes are linked in number order.
  const BuildNode* const bn = trie.nodes.data.get();
  const PendingWeight* const pw = trie.pending.data.get();
  const auto count = static_cast<std::uint32_t>(trie.nodes.size);
  const std::size_t words = static_cast<std::size_t>(code_words_ - 1);
  const std::uint32_t index_mask = (1u << kWeightIndexBits) - 1;
  trie_.assign(count, TrieNode{});
  child_bits_.assign(count * words, 0);
  fail_.assign(count, 0);
  depth_.assign(count, 0);
  root_next_.fill(0);
  found_.reset();
  loose_.clear();
  loose_refs_.clear();
  root_loose_.clear();
  for (std::uint32_t k = bn[0].weights; k != 0; k = pw[k - 1].next) {
    const PendingWeight& w = pw[k - 1];  // an empty letter string has loose weights only
    root_loose_.push_back(LooseWeight{w.offset, w.weight, w.class_before, w.class_after});
  }

  // Numbering: breadth-first order is, depth by depth, the letter order of the nodes' letters,
  // which is the order in which a depth-first walk over sorted children meets them. One such
  // walk numbers every node from the count of nodes per depth, without a queue; as read, the
  // nodes lie mostly in that walk's order, so it runs along memory.
  struct Placed {
    std::uint32_t parent;
    std::uint32_t weights;
    std::uint8_t code;
  };
  const auto placed = std::make_unique_for_overwrite<Placed[]>(count);  // all written before read
  // In locals: the byte stores below may alias anything, and would make every vector be read anew.
  Placed* const pl = placed.get();
  TrieNode* const t = trie_.data();
  std::uint64_t* const more = child_bits_.data();
  std::uint32_t* const fail = fail_.data();
  std::uint8_t* const depth = depth_.data();
  std::uint32_t found_bound = 0;  // a node with weights adds one entry per letter at most
  std::array<std::uint32_t, kTexMaxLetters + 2> next_at{};  // next free number by depth
  next_at[1] = 1;
  for (std::size_t d = 1; d <= static_cast<std::size_t>(kTexMaxLetters); ++d)
    next_at[d + 1] = next_at[d] + trie.per_depth[d];
  struct Frame {
    std::uint32_t node, index;  // the next child to walk into: as read, as numbered
  };
  // Numbers the children of node b (numbered i, at depth d).
  auto number_children = [&](std::uint32_t b, std::uint32_t i, int d) {
    const std::uint32_t first = next_at[static_cast<std::size_t>(d) + 1];
    std::uint32_t j = first;
    t[i].first_child = first;
    for (std::uint32_t c = bn[b].first_child; c != 0; c = bn[c].next_sibling, ++j) {
      const std::uint8_t code = code_[bn[c].byte];
      std::uint64_t& bits = code < 64 ? t[i].child_bits : more[i * words + (code >> 6) - 1];
      bits |= std::uint64_t{1} << (code & 63);
      pl[j] = Placed{i, bn[c].weights, code};
      found_bound += static_cast<std::uint32_t>(bn[c].weights != 0) * static_cast<std::uint32_t>(d);
      depth[j] = static_cast<std::uint8_t>(d + 1);
    }
    next_at[static_cast<std::size_t>(d) + 1] = j;
    return Frame{bn[b].first_child, first};
  };
  std::array<Frame, kTexMaxLetters + 1> path;
  int top = 0;
  if (trie.made_in_order) {
    // Each depth's nodes were made in breadth-first order: a node's number is the next free one
    // of its depth, and its parent, made before it, is numbered already. The number is kept in
    // the node's last_child, which only the insertion needed, rather than in an array of its own.
    BuildNode* const numbered = trie.nodes.data.get();
    numbered[0].last_child = 0;
    for (std::uint32_t b = 1; b < count; ++b) {
      const BuildNode& node = bn[b];
      const std::uint32_t j = next_at[node.depth]++;
      numbered[b].last_child = j;
      const std::uint32_t i = bn[node.parent].last_child;
      std::uint32_t& first = t[i].first_child;  // children come in number order
      first = first == 0 ? j : first;
      const std::uint8_t code = code_[node.byte];
      std::uint64_t& bits = code < 64 ? t[i].child_bits : more[i * words + (code >> 6) - 1];
      bits |= std::uint64_t{1} << (code & 63);
      pl[j] = Placed{i, node.weights, code};
      found_bound += static_cast<std::uint32_t>(node.weights != 0) *
                     static_cast<std::uint32_t>(node.depth - 1);
      depth[j] = node.depth;
    }
  } else {
    path[static_cast<std::size_t>(top++)] = number_children(0, 0, 0);
  }
  while (top > 0) {
    Frame& f = path[static_cast<std::size_t>(top - 1)];
    if (f.node == 0) {
      --top;
      continue;
    }
    const std::uint32_t b = f.node;
    const std::uint32_t i = f.index;
    f.node = bn[b].next_sibling;
    ++f.index;
    if (bn[b].first_child != 0) {
      path[static_cast<std::size_t>(top)] = number_children(b, i, top);
      ++top;
    }
  }

  // The root's children by letter, for steps from the root; numbered first, from 1. Set here
  // rather than as they are numbered, which would test every node for being one.
  for (std::uint32_t j = 1; j <= trie.per_depth[1]; ++j) root_next_[pl[j].code] = j;

  // Failure links and summed weights in number order: parents and suffixes come first.
  found_ = std::make_unique_for_overwrite<FoundWeight[]>(found_bound);
  FoundWeight* const found = found_.get();
  std::uint32_t found_end = 0;
  // By distance from the last letter, 1..d-1; all zero between nodes.
  std::array<std::int32_t, kTexMaxLetters + 1> sums{};
  auto child_of = [&](std::uint32_t node, std::uint8_t code) {
    return ChildIn<kCountInstruction>(t, more, words, node, code);
  };
  for (std::uint32_t child = 1; child < count; ++child) {
    const std::uint32_t parent = pl[child].parent;
    const std::uint8_t code = pl[child].code;
    std::uint32_t suffix = 0;
    if (parent != 0) {
      for (std::uint32_t f = fail[parent];; f = fail[f]) {
        suffix = f == 0 ? root_next_[code] : child_of(f, code);
        if (suffix != 0 || f == 0) break;
      }
    }
    fail[child] = suffix;
    const int d = depth[child];
    const std::uint32_t inherited = t[suffix].found;
    const std::uint32_t s_first = inherited & index_mask;
    const std::uint32_t s_end = s_first + ((inherited >> kWeightIndexBits) & 31u);
    const std::uint32_t own = pl[child].weights;
    if (own == 0) {
      t[child].found = inherited;  // the suffix's list serves
      continue;
    }
    // Most nodes with weights have one, inside their letters. It is added to the entry of its
    // distance as the suffix's list is copied, or after the copy where the list has none: a list
    // holds each distance once at most, and the rating does not depend on its order.
    const PendingWeight& only = pw[own - 1];
    if (only.next == 0 && static_cast<unsigned>(only.offset) < static_cast<unsigned>(d - 1)) {
      const int back = d - 1 - only.offset;
      std::int32_t add = only.weight;  // zero once it has found its entry
      const std::uint32_t start = found_end;
      for (std::uint32_t si = s_first; si < s_end; ++si) {
        FoundWeight entry = found[si];
        const bool here = entry.back == back;
        entry.weight += here ? add : 0;
        add = here ? 0 : add;
        found[found_end] = entry;
        found_end += entry.weight != 0;
      }
      found[found_end] = FoundWeight{add, static_cast<std::uint8_t>(back)};
      found_end += add != 0;
      t[child].found = start | ((found_end - start) << kWeightIndexBits) | (inherited & kHasLoose);
      continue;
    }
    // Otherwise the node's own weights are summed with its suffix's list by distance from the
    // last letter, 1..d-1, in a small array.
    std::uint32_t touched = 0;  // the distances summed into, a bit each
    const auto first_loose = static_cast<std::uint32_t>(loose_.size());
    std::uint32_t own_loose = 0;
    for (std::uint32_t k = pl[child].weights; k != 0; k = pw[k - 1].next) {
      const PendingWeight& w = pw[k - 1];
      if (w.offset < 0 || w.offset > d - 2) {  // outside the letters: loose
        loose_.push_back(LooseWeight{w.offset, w.weight, w.class_before, w.class_after});
        ++own_loose;
        continue;
      }
      const int back = d - 1 - w.offset;
      sums[static_cast<std::size_t>(back)] += w.weight;
      touched |= 1u << back;
    }
    std::uint32_t loose_bit = inherited & kHasLoose;
    if (own_loose != 0) {
      loose_bit = kHasLoose;
      loose_refs_.push_back(LooseRef{child, first_loose, own_loose});
    }
    if (touched == 0) {
      t[child].found = (inherited & ~kHasLoose) | loose_bit;  // the suffix's list serves
      continue;
    }
    // One entry per distance at most, so the lists together hold no more entries than the file
    // has bytes; the distances summed into are written in order and only the nonzero kept.
    for (std::uint32_t si = s_first; si < s_end; ++si) {
      sums[found[si].back] += found[si].weight;
      touched |= 1u << found[si].back;
    }
    const std::uint32_t start = found_end;
    for (; touched != 0; touched &= touched - 1) {
      const int back = std::countr_zero(touched);
      const std::int32_t sum = sums[static_cast<std::size_t>(back)];
      sums[static_cast<std::size_t>(back)] = 0;  // left clear for the next node
      found[found_end] = FoundWeight{sum, static_cast<std::uint8_t>(back)};
      found_end += sum != 0;
    }
    t[child].found = start | ((found_end - start) << kWeightIndexBits) | loose_bit;
  }
}

TAVREL_COUNT_INSTRUCTION void TexPatternTable::PlaceCounted(BuildTrie& trie) { Place<true>(trie); }

template <bool kCountInstruction>
[[gnu::always_inline]] inline void TexPatternTable::RateWith(const std::uint8_t* held, int len,
                                                             int first_p, int last_p,
                                                             std::int32_t* out) const {
  // A match that starts at s rates p = s + offset, offset -1..kTexMaxLetters - 1; a start before
  // the word needs that many leading blanks in its letters; an end after it as many trailing,
  // unless the letters are all blanks, which match anywhere past the word.
  const int s_lo = first_p >= 0 ? std::max(first_p - (kTexMaxLetters - 1), 1 - max_lead_blanks_)
                                : first_p - (kTexMaxLetters - 1);
  const int e_hi = std::min(last_p + kTexMaxLetters, std::max(std::max(len, 0) + max_trail_blanks_,
                                                              last_p + max_all_blanks_));
  // Sums go to acc by text index: every p a tight weight of a match within s_lo..e_hi can name.
  const int t_lo = std::min(s_lo, first_p);
  const int t_hi = std::max(e_hi, last_p);
  const int t_size = t_hi - t_lo + 1;
  std::int32_t acc_buf[320];
  std::vector<std::int32_t> big_acc;
  std::int32_t* acc = acc_buf;
  if (t_size > 320) {
    big_acc.resize(static_cast<std::size_t>(t_size));
    acc = big_acc.data();
  }
  std::fill(acc, acc + t_size, 0);
  const std::uint8_t blank = code_[' '];
  auto cls = [&](int i) { return TexCharClass(TexPatternMap(HeldChar(held, len, i))); };

  std::uint32_t node = 0;
  for (int e = s_lo; e <= e_hi; ++e) {
    const std::uint8_t code = (e >= 1 && e <= len) ? word_code_[held[e]] : blank;
    for (;;) {
      if (node == 0) {
        node = root_next_[code];
        break;
      }
      const std::uint32_t next = Child<kCountInstruction>(node, code);
      if (next != 0) {
        node = next;
        break;
      }
      node = fail_[node];
    }
    const std::uint32_t found = trie_[node].found;
    const std::uint32_t first = found & ((1u << kWeightIndexBits) - 1);
    const std::uint32_t count = (found >> kWeightIndexBits) & 31u;
    std::int32_t* at_end = acc + (e - t_lo);
    for (std::uint32_t k = first; k < first + count; ++k)
      at_end[-static_cast<int>(found_[k].back)] += found_[k].weight;
    if (found & kHasLoose) {
      // Rare: walk the suffixes for the ones with loose weights of their own.
      for (std::uint32_t n = node; n != 0; n = fail_[n]) {
        const auto ref =
            std::lower_bound(loose_refs_.begin(), loose_refs_.end(), n,
                             [](const LooseRef& r, std::uint32_t x) { return r.node < x; });
        if (ref == loose_refs_.end() || ref->node != n) continue;
        const int s = e + 1 - depth_[n];
        for (std::uint32_t k = ref->first; k < ref->first + ref->count; ++k) {
          const LooseWeight& w = loose_[k];
          const int p = s + w.offset;
          if (p < first_p || p > last_p) continue;
          if (cls(p) == w.class_before && cls(p + 1) == w.class_after) acc[p - t_lo] += w.weight;
        }
      }
    }
  }
  for (int p = first_p; p <= last_p; ++p) out[p - first_p] = acc[p - t_lo];
  for (const LooseWeight& w : root_loose_) {
    for (int p = first_p; p <= last_p; ++p)
      if (cls(p) == w.class_before && cls(p + 1) == w.class_after) out[p - first_p] += w.weight;
  }
}

void TexPatternTable::RatePlain(const std::uint8_t* held, int len, int first_p, int last_p,
                                std::int32_t* out) const {
  RateWith<false>(held, len, first_p, last_p, out);
}

TAVREL_COUNT_INSTRUCTION void TexPatternTable::RateCounted(const std::uint8_t* held, int len,
                                                           int first_p, int last_p,
                                                           std::int32_t* out) const {
  RateWith<true>(held, len, first_p, last_p, out);
}

void TexPatternTable::RateRange(const std::uint8_t* held, int len, int first_p, int last_p,
                                std::int32_t* out) const {
  if (HasCountInstruction())
    RateCounted(held, len, first_p, last_p, out);
  else
    RatePlain(held, len, first_p, last_p, out);
}

void TexPatternTable::RateAll(const std::uint8_t* held, int len, std::int32_t* out) const {
  RateRange(held, len, 0, std::max(len, 0), out);
}

std::int32_t TexPatternTable::Rating(const std::uint8_t* held, int len, int p) const {
  std::int32_t r = 0;
  RateRange(held, len, p, p, &r);
  return r;
}

// ---------------------------------------------------------------- cache

void TexRatingCache::Refill(const TexPatternTable& table, const std::uint8_t* held, int len) {
  table.RateAll(held, len, ratings_.data());
  valid_ = true;
  table_ = &table;
  generation_ = table.Generation();
  len_ = len;
  std::memcpy(word_.data() + 1, held + 1, static_cast<std::size_t>(len));
}

}  // namespace tavrel

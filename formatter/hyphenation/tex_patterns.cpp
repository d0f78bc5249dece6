#include "formatter/hyphenation/tex_patterns.h"

#include <algorithm>
#include <cstring>
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

}  // namespace

std::uint8_t TexPatternMap(std::uint8_t c) { return kPatternForm[c]; }

// ---------------------------------------------------------------- reference bucket table

TexLoadReport TexPatternBuckets::LoadBytes(std::string_view bytes) {
  Clear();
  TexLoadReport report;
  ParseTexPatternLines(
      bytes, report,
      [&](const std::uint8_t* letters, int count, const std::vector<TexPatternWeight>& weights) {
        for (const TexPatternWeight& w : weights) {
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
  found_.clear();
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
  std::uint32_t first_child = 0;
  std::uint32_t next_sibling = 0;
  std::uint32_t last_child = 0;  // pattern files come mostly sorted: most letters append here
  std::uint32_t weights = 0;     // the node's last pending weight + 1 (0: none)
  std::uint8_t byte = 0;
};

// The weights of one node form a list through `next` (index + 1, 0: end), newest first.
struct TexPatternTable::PendingWeight {
  std::uint32_t next;
  std::int8_t offset;
  std::int32_t weight;
  bool loose;
  std::uint8_t class_before, class_after;
};

void TexPatternTable::Build(std::string_view bytes, TexLoadReport& report) {
  std::vector<BuildNode> nodes(1);
  nodes.reserve(bytes.size() / 2 + 16);
  std::vector<PendingWeight> pending;
  pending.reserve(bytes.size() / 2 + 16);
  // Neighbouring lines mostly share a prefix: the path of the last inserted line is reused up to
  // where the letters part, so only the rest is looked up.
  std::array<std::uint8_t, kTexMaxLetters> last_letters{};
  std::array<std::uint32_t, kTexMaxLetters + 1> last_path{};
  int last_count = 0;

  ParseTexPatternLines(
      bytes, report,
      [&](const std::uint8_t* letters, int count, const std::vector<TexPatternWeight>& weights) {
        // Only weights that a lookup can reach: a lookup never forms the line-edge class, and a
        // weight inside the letters needs the letters around it to fall into its bucket.
        std::uint32_t node = 0;
        bool inserted = false;
        int lead = 0;
        while (lead < count && letters[lead] == ' ') ++lead;
        int trail = 0;
        while (trail < count && letters[count - 1 - trail] == ' ') ++trail;
        for (const TexPatternWeight& w : weights) {
          if (w.ClassBefore == kTexEdgeClass || w.ClassAfter == kTexEdgeClass) continue;
          const int q = w.Position;
          const bool tight = q >= 2 && q <= count;
          if (tight && (TexCharClass(letters[q - 2]) != w.ClassBefore ||
                        TexCharClass(letters[q - 1]) != w.ClassAfter))
            continue;
          if (!inserted) {
            int shared = 0;
            while (shared < count && shared < last_count && last_letters[shared] == letters[shared])
              ++shared;
            node = last_path[shared];
            for (int i = shared; i < count; ++i) {
              last_letters[i] = letters[i];
              const std::uint32_t last = nodes[node].last_child;
              if (last != 0 && nodes[last].byte == letters[i]) {
                node = last;
                last_path[i + 1] = node;
                continue;
              }
              if (last == 0 || nodes[last].byte < letters[i]) {
                const auto fresh = static_cast<std::uint32_t>(nodes.size());
                nodes.push_back(BuildNode{0, 0, 0, 0, letters[i]});
                if (last == 0)
                  nodes[node].first_child = fresh;
                else
                  nodes[last].next_sibling = fresh;
                nodes[node].last_child = fresh;
                node = fresh;
                last_path[i + 1] = node;
                continue;
              }
              std::uint32_t child = nodes[node].first_child;
              std::uint32_t prev = 0;
              while (child != 0 && nodes[child].byte < letters[i]) {
                prev = child;
                child = nodes[child].next_sibling;
              }
              if (child == 0 || nodes[child].byte != letters[i]) {
                const auto fresh = static_cast<std::uint32_t>(nodes.size());
                nodes.push_back(BuildNode{0, child, 0, 0, letters[i]});
                if (prev == 0)
                  nodes[node].first_child = fresh;
                else
                  nodes[prev].next_sibling = fresh;
                child = fresh;
              }
              node = child;
              last_path[i + 1] = node;
            }
            last_count = count;
            inserted = true;
            max_lead_blanks_ = std::max(max_lead_blanks_, lead);
            max_trail_blanks_ = std::max(max_trail_blanks_, trail);
            if (lead == count) max_all_blanks_ = std::max(max_all_blanks_, count);
          }
          pending.push_back(PendingWeight{nodes[node].weights, static_cast<std::int8_t>(q - 2),
                                          w.Weight, !tight, w.ClassBefore, w.ClassAfter});
          nodes[node].weights = static_cast<std::uint32_t>(pending.size());
          ++report.Weights;
        }
      });

  // Letter codes in byte order, so that the rank of a code among a node's child bits is the
  // child's place among its sorted siblings.
  code_.fill(0);
  for (std::size_t k = 1; k < nodes.size(); ++k) code_[nodes[k].byte] = 1;
  int codes = 0;
  for (auto& c : code_)
    if (c) c = static_cast<std::uint8_t>(++codes);
  code_words_ = codes / 64 + 1;
  for (int b = 0; b < 256; ++b) word_code_[b] = code_[TexPatternMap(static_cast<std::uint8_t>(b))];

  if (HasCountInstruction())
    PlaceCounted(nodes, pending);
  else
    Place<false>(nodes, pending);
  ++generation_;
}

template <bool kCountInstruction>
[[gnu::always_inline]] inline std::uint32_t TexPatternTable::Child(std::uint32_t node,
                                                                   std::uint8_t code) const {
  const TrieNode& t = trie_[node];
  if (code < 64) {
    if (((t.child_bits >> code) & 1) == 0) return 0;
    const std::uint64_t below = (std::uint64_t{1} << code) - 1;
    return t.first_child +
           static_cast<std::uint32_t>(CountBits<kCountInstruction>(t.child_bits & below));
  }
  const std::uint64_t* more = child_bits_.data() + node * static_cast<std::size_t>(code_words_ - 1);
  const int word = (code >> 6) - 1;
  if (((more[word] >> (code & 63)) & 1) == 0) return 0;
  int rank = CountBits<kCountInstruction>(t.child_bits) +
             CountBits<kCountInstruction>(more[word] & ((std::uint64_t{1} << (code & 63)) - 1));
  for (int k = 0; k < word; ++k) rank += CountBits<kCountInstruction>(more[k]);
  return t.first_child + static_cast<std::uint32_t>(rank);
}

template <bool kCountInstruction>
[[gnu::always_inline]] inline void TexPatternTable::Place(
    const std::vector<BuildNode>& nodes, const std::vector<PendingWeight>& pending) {
  // Breadth first, so that the children of a node are contiguous and sorted, the shallow nodes
  // that every word passes lie together, and each node's suffix, being shallower, is complete
  // (children placed, weights summed) when the node is placed and linked to it.
  const auto count = static_cast<std::uint32_t>(nodes.size());
  const std::size_t words = static_cast<std::size_t>(code_words_ - 1);
  const std::uint32_t index_mask = (1u << kWeightIndexBits) - 1;
  std::vector<std::uint32_t> order;
  order.reserve(count);
  order.push_back(0);
  trie_.assign(count, TrieNode{});
  child_bits_.assign(count * words, 0);
  fail_.assign(count, 0);
  depth_.assign(count, 0);
  root_next_.fill(0);
  found_.clear();
  loose_.clear();
  loose_refs_.clear();
  root_loose_.clear();
  std::vector<TightWeight> tight;  // one node's own tight weights, latest offset first
  for (std::uint32_t k = nodes[0].weights; k != 0; k = pending[k - 1].next) {
    const PendingWeight& w = pending[k - 1];  // an empty letter string has loose weights only
    root_loose_.push_back(LooseWeight{w.offset, w.weight, w.class_before, w.class_after});
  }
  for (std::uint32_t parent = 0; parent < order.size(); ++parent) {
    // The nodes as read and the suffixes lie anywhere: ask for them a little ahead.
    if (parent + 16 < order.size()) {
      __builtin_prefetch(&nodes[order[parent + 16]]);
      __builtin_prefetch(&trie_[fail_[parent + 16]]);
    }
    const BuildNode& old = nodes[order[parent]];
    const auto first = static_cast<std::uint32_t>(order.size());
    trie_[parent].first_child = first;
    for (std::uint32_t c = old.first_child; c != 0; c = nodes[c].next_sibling) {
      const int code = code_[nodes[c].byte];
      std::uint64_t& bits =
          code < 64 ? trie_[parent].child_bits : child_bits_[parent * words + (code >> 6) - 1];
      bits |= std::uint64_t{1} << (code & 63);
      if (parent == 0) root_next_[code] = static_cast<std::uint32_t>(order.size());
      order.push_back(c);
    }
    std::uint32_t child = first;
    for (std::uint32_t c = old.first_child; c != 0; c = nodes[c].next_sibling, ++child) {
      const std::uint8_t code = code_[nodes[c].byte];
      std::uint32_t suffix = 0;
      if (parent != 0) {
        for (std::uint32_t f = fail_[parent];; f = fail_[f]) {
          suffix = f == 0 ? root_next_[code] : Child<kCountInstruction>(f, code);
          if (suffix != 0 || f == 0) break;
        }
      }
      fail_[child] = suffix;
      const int d = depth_[parent] + 1;
      depth_[child] = static_cast<std::uint8_t>(d);

      // The node's own weights; equal tight offsets summed.
      tight.clear();
      const auto first_loose = static_cast<std::uint32_t>(loose_.size());
      for (std::uint32_t k = nodes[c].weights; k != 0; k = pending[k - 1].next) {
        const PendingWeight& w = pending[k - 1];
        if (w.loose) {
          loose_.push_back(LooseWeight{w.offset, w.weight, w.class_before, w.class_after});
          continue;
        }
        auto same = std::find_if(tight.begin(), tight.end(),
                                 [&](const TightWeight& tw) { return tw.offset == w.offset; });
        if (same != tight.end())
          same->weight += w.weight;
        else
          tight.push_back(TightWeight{w.offset, w.weight});
      }
      // The list gives the latest offset first unless the same letters stand on several lines.
      const auto later = [](const TightWeight& x, const TightWeight& y) {
        return x.offset > y.offset;
      };
      if (!std::is_sorted(tight.begin(), tight.end(), later))
        std::sort(tight.begin(), tight.end(), later);
      std::uint32_t loose_bit = trie_[suffix].found & kHasLoose;
      if (loose_.size() > first_loose) {
        loose_bit = kHasLoose;
        loose_refs_.push_back(
            LooseRef{child, first_loose, static_cast<std::uint32_t>(loose_.size() - first_loose)});
      }

      // Summed with the suffix's list, both by distance from the last letter upwards; one entry
      // per distance 1..d-1, so the lists together hold no more entries than the file has bytes.
      const std::uint32_t inherited = trie_[suffix].found;
      if (tight.empty()) {
        trie_[child].found = (inherited & ~kHasLoose) | loose_bit;  // the suffix's list serves
        continue;
      }
      const auto start = static_cast<std::uint32_t>(found_.size());
      std::uint32_t si = inherited & index_mask;
      const std::uint32_t s_end = si + ((inherited >> kWeightIndexBits) & 31u);
      auto own = tight.begin();
      while (si < s_end || own != tight.end()) {
        const int s_back = si < s_end ? found_[si].back : kTexMaxLetters + 1;
        const int o_back = own != tight.end() ? d - 1 - own->offset : kTexMaxLetters + 1;
        std::int32_t sum = 0;
        const int back = std::min(s_back, o_back);
        if (s_back == back) sum += found_[si++].weight;
        if (o_back == back) sum += (own++)->weight;
        if (sum != 0) found_.push_back(FoundWeight{sum, static_cast<std::uint8_t>(back)});
      }
      const auto merged = static_cast<std::uint32_t>(found_.size() - start);
      trie_[child].found = start | (merged << kWeightIndexBits) | loose_bit;
    }
  }
}

TAVREL_COUNT_INSTRUCTION void TexPatternTable::PlaceCounted(
    const std::vector<BuildNode>& nodes, const std::vector<PendingWeight>& pending) {
  Place<true>(nodes, pending);
}

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

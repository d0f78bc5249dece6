#include "compiler/passes/index_store.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "compiler/foundation/console_reporter.h"
#include "compiler/foundation/file_names.h"
#include "compiler/foundation/source_buffer.h"
#include "compiler/foundation/toggles.h"
#include "compiler/passes/compiler_run.h"
#include "compiler/passes/link_pass.h"
#include "compiler/passes/pass_services.h"
#include "platform/files.h"

namespace skeldon {

namespace {

constexpr std::size_t kEndingRemainderMax = 199;

std::string GroupKey(std::uint8_t bucket, std::string_view key) {
  std::string k;
  k.reserve(key.size() + 1);
  k.push_back(static_cast<char>(bucket));
  k.append(key);
  return k;
}

std::uint64_t Load8(const char* p) {
  std::uint64_t v;
  std::memcpy(&v, p, 8);
  return v;
}

std::uint32_t Load4(const char* p) {
  std::uint32_t v;
  std::memcpy(&v, p, 4);
  return v;
}

std::uint64_t Mix(std::uint64_t a, std::uint64_t b) {
  const unsigned __int128 r = static_cast<unsigned __int128>(a) * b;
  return static_cast<std::uint64_t>(r) ^ static_cast<std::uint64_t>(r >> 64);
}

std::uint64_t GroupHash(std::uint8_t bucket, std::string_view key) {
  // Every word of the running text is hashed: words are short, so they are read as one or two
  // overlapping loads instead of byte by byte. The length goes in, so that loads that overlap
  // or leave bytes out cannot make two keys alike that differ in length.
  constexpr std::uint64_t kOdd1 = 0x9e3779b97f4a7c15ull, kOdd2 = 0xbf58476d1ce4e5b9ull;
  const char* p = key.data();
  const std::size_t n = key.size();
  std::uint64_t a = 0, b = 0;
  if (n >= 8) {
    std::size_t i = 0;
    std::uint64_t h = 0;
    for (; i + 16 < n; i += 8) h = Mix(h ^ Load8(p + i), kOdd1);
    a = Load8(p + i) ^ h;
    b = Load8(p + n - 8);
  } else if (n >= 4) {
    a = Load4(p);
    b = Load4(p + n - 4);
  } else if (n > 0) {
    a = (std::uint64_t{static_cast<std::uint8_t>(p[0])} << 16) |
        (std::uint64_t{static_cast<std::uint8_t>(p[n / 2])} << 8) |
        static_cast<std::uint8_t>(p[n - 1]);
  }
  const std::uint64_t seed = (std::uint64_t{bucket} << 56) ^ n;
  return Mix(Mix(a ^ kOdd1, b ^ kOdd2 ^ seed), kOdd1);
}

void PlaceGroupSlot(std::vector<TKeyGroupSlot>& slots, const TKeyGroupSlot& slot) {
  const std::size_t mask = slots.size() - 1;
  std::size_t i = slot.Hash & mask;
  while (slots[i].Group) i = (i + 1) & mask;
  slots[i] = slot;
}

TIndexKeyGroup* FindGroupByHash(const TIndexStore& st, std::uint64_t h, std::uint8_t bucket,
                                std::string_view key) {
  const std::size_t mask = st.GroupSlots.size() - 1;
  for (std::size_t i = h & mask; st.GroupSlots[i].Group; i = (i + 1) & mask) {
    const TKeyGroupSlot& s = st.GroupSlots[i];
    if (s.Hash != h) continue;
    const std::string& k = s.Group->Key;
    if (k.size() == key.size() + 1 && static_cast<std::uint8_t>(k[0]) == bucket &&
        std::string_view(k).substr(1) == key)
      return s.Group;
  }
  return nullptr;
}

TIndexKeyGroup& GroupFor(TIndexStore& st, std::uint8_t bucket, std::string_view key) {
  const std::uint64_t h = GroupHash(bucket, key);
  if (!st.GroupSlots.empty())
    if (TIndexKeyGroup* found = FindGroupByHash(st, h, bucket, key)) return *found;
  if (2 * (st.GroupSlotsUsed + 1) > st.GroupSlots.size()) {
    std::vector<TKeyGroupSlot> grown(std::max<std::size_t>(1024, 2 * st.GroupSlots.size()));
    for (const TKeyGroupSlot& s : st.GroupSlots)
      if (s.Group) PlaceGroupSlot(grown, s);
    st.GroupSlots = std::move(grown);
  }
  TIndexKeyGroup& g = st.Groups.Add();
  g.Key = GroupKey(bucket, key);
  PlaceGroupSlot(st.GroupSlots, {h, &g});
  st.GroupFilter[h >> 54] |= std::uint64_t{1} << ((h >> 48) & 63);
  if (key.size() < 2) {
    std::fill_n(st.SecondByteFilter.begin() + bucket * 4, 4, ~std::uint64_t{0});
  } else {
    const std::size_t bit = std::size_t{bucket} * 256 + static_cast<std::uint8_t>(key[1]);
    st.SecondByteFilter[bit / 64] |= std::uint64_t{1} << (bit % 64);
  }
  ++st.GroupSlotsUsed;
  return g;
}

// False when no group has a key of this hash.
bool FilterMayHold(const TIndexStore& st, std::uint64_t h) {
  return (st.GroupFilter[h >> 54] & (std::uint64_t{1} << ((h >> 48) & 63))) != 0;
}

TIndexKeyGroup* FindGroup(const TIndexStore& st, std::uint8_t bucket, std::string_view key) {
  if (st.GroupSlots.empty()) return nullptr;
  const std::uint64_t h = GroupHash(bucket, key);
  if (!FilterMayHold(st, h)) return nullptr;
  return FindGroupByHash(st, h, bucket, key);
}

// The length of the word without a final vowel that follows a consonant: keys are compared
// without it.
std::size_t LengthWithoutFinalVowel(const CompilerRun& run, std::string_view w) {
  const auto& vowels = run.MainUnit.VowelTable;
  const std::size_t n = w.size();
  return n > 1 && vowels[static_cast<std::uint8_t>(w[n - 1])] &&
                 !vowels[static_cast<std::uint8_t>(w[n - 2])]
             ? n - 1
             : n;
}

void DropFinalVowel(const CompilerRun& run, std::string& w) {
  w.resize(LengthWithoutFinalVowel(run, w));
}

TOrderedEntries& WithLinkCount(TIndexKeyGroup& g, std::uint8_t count) {
  auto& counts = g.ByLinkCount;
  auto at =
      std::find_if(counts.begin(), counts.end(), [&](const auto& c) { return c.first >= count; });
  if (at == counts.end() || at->first != count) at = counts.insert(at, {count, TOrderedEntries{}});
  return at->second;
}

void AddToGroups(TIndexStore& st, TIndexEntry* e) {
  ++st.Generation;
  TIndexKeyGroup& g = GroupFor(st, e->Bucket, e->Key);
  g.All.Insert(e->Order, e);
  WithLinkCount(g, e->LinkCount).Insert(e->Order, e);
  if (e->IndexOnly) return;
  g.Linkable.Insert(e->Order, e);
  if (e->LinkCount == 0) {
    g.OneWord.Insert(e->Order, e);
    return;
  }
  auto& same = g.Phrases[e->PhraseKey];
  if (!same.empty()) {
    TIndexEntry* head = same.front().Entry;
    if (head->Order < e->Order) {
      same.Insert(e->Order, e);
      return;
    }
    g.PhraseHeads.Erase(head->Order);
  }
  same.Insert(e->Order, e);
  g.PhraseHeads.Insert(e->Order, e);
}

void RemoveFromGroups(TIndexStore& st, TIndexEntry* e) {
  ++st.Generation;
  TIndexKeyGroup* found = FindGroup(st, e->Bucket, e->Key);
  if (!found) return;
  TIndexKeyGroup& g = *found;
  g.All.Erase(e->Order);
  g.Linkable.Erase(e->Order);
  g.OneWord.Erase(e->Order);
  auto phrase = g.Phrases.find(e->PhraseKey);
  if (phrase != g.Phrases.end() && phrase->second.Erase(e->Order)) {
    if (g.PhraseHeads.Erase(e->Order) && !phrase->second.empty()) {
      TIndexEntry* next = phrase->second.front().Entry;
      g.PhraseHeads.Insert(next->Order, next);
    }
    if (phrase->second.empty()) g.Phrases.erase(phrase);
  }
  auto& counts = g.ByLinkCount;
  auto c = std::find_if(counts.begin(), counts.end(),
                        [&](const auto& k) { return k.first == e->LinkCount; });
  if (c != counts.end()) {
    c->second.Erase(e->Order);
    if (c->second.empty()) counts.erase(c);
  }
}

// Renumbers a bucket with even gaps when a promotion finds no room between two orders.
void RenumberBucket(TIndexStore& st, std::uint8_t bucket) {
  std::vector<TIndexEntry*> list;
  for (TIndexEntry* e = st.IndexBuckets[bucket]; e; e = e->NextInBucket) list.push_back(e);
  for (TIndexEntry* e : list) RemoveFromGroups(st, e);
  std::uint64_t order = kBucketOrderStep;
  for (TIndexEntry* e : list) {
    e->Order = order;
    order += kBucketOrderStep;
  }
  for (TIndexEntry* e : list) AddToGroups(st, e);
}

// The candidate normalised stored words that a normalised probe matches: the probe itself
// and the probe less each word ending it ends with.
template <typename F>
void ForEachStoredKeyMatching(const TIndexStore& st, std::string_view probeKey, F&& f) {
  f(probeKey);
  if (probeKey.empty()) return;  // no ending fits
  for (const std::uint16_t k :
       st.WordEndings.EndingIn(static_cast<std::uint8_t>(probeKey.back()))) {
    const std::string& ending = st.WordEndings[k];
    if (ending.size() > kEndingRemainderMax) continue;
    // Endings are a few letters: compared by hand, as this runs for every word of the text.
    if (probeKey.size() < ending.size()) continue;
    const std::size_t stem = probeKey.size() - ending.size();
    bool same = true;
    for (std::size_t i = 0; same && i < ending.size(); ++i) same = probeKey[stem + i] == ending[i];
    if (same) f(probeKey.substr(0, stem));
  }
}

}  // namespace

std::vector<TOrderedEntries::TItem>::const_iterator TOrderedEntries::Find(
    std::uint64_t order) const {
  return std::lower_bound(Items.begin(), Items.end(), order,
                          [](const TItem& item, std::uint64_t o) { return item.Order < o; });
}

void TOrderedEntries::Insert(std::uint64_t order, TIndexEntry* entry) {
  if (Items.empty() || Items.back().Order < order) {
    Items.push_back({order, entry});
    if (Items.size() == 1) NoteFirst();
    return;
  }
  const auto at = Find(order);
  if (at != Items.end() && at->Order == order) return;  // taken: kept as it is
  Items.insert(at, {order, entry});
  NoteFirst();
}

bool TOrderedEntries::Erase(std::uint64_t order) {
  const auto at = Find(order);
  if (at == Items.end() || at->Order != order) return false;
  Items.erase(at);
  NoteFirst();
  return true;
}

TIndexEntry* TOrderedEntries::AtOrAfter(std::uint64_t order) const {
  if (!First.Entry || order <= First.Order) return First.Entry;
  const auto at = Find(order);
  return at == Items.end() ? nullptr : at->Entry;
}

TWordEndings::TWordEndings(std::vector<std::string> endings) : List(std::move(endings)) {
  for (std::size_t k = 0; k < List.size(); ++k) {
    if (List[k].empty()) {
      List.resize(k);  // an empty ending ends the list
      break;
    }
    ByLast[static_cast<std::uint8_t>(List[k].back())].push_back(static_cast<std::uint16_t>(k));
  }
}

void NormaliseIndexWord(const CompilerRun& run, std::string& word) {
  if (!word.empty())
    word[0] = static_cast<char>(run.FileNames.LowerCaseTable[static_cast<std::uint8_t>(word[0])]);
  DropFinalVowel(run, word);
}

bool IndexWordsMatch(const CompilerRun& run, std::string_view stored, std::string_view probe) {
  std::string s(stored), p(probe);
  DropFinalVowel(run, s);
  NormaliseIndexWord(run, p);
  if (s.size() == p.size()) return s == p;
  if (s.size() > p.size()) return false;
  if (p.compare(0, s.size(), s) != 0) return false;
  std::string_view rest = std::string_view(p).substr(s.size());
  if (rest.size() > kEndingRemainderMax) rest = rest.substr(0, kEndingRemainderMax);
  for (const std::string& ending : run.IndexStore.WordEndings) {
    if (rest == ending) return true;
  }
  return false;
}

void ClearIndexStore(CompilerRun& run) {
  TIndexStore& st = run.IndexStore;
  st.IndexBuckets.fill(nullptr);
  st.IndexBucketTails.fill(nullptr);
  st.CurrentBucket = 0;
  st.EntryNumberCounter = 0;
  st.LastInternalEntry = nullptr;
  st.LastInserted = nullptr;
  st.HeadingFirstEntry.clear();
  ++st.TopicStamp;
  st.GroupSlots.clear();
  st.Groups.Clear();  // nothing points at them once the slots are gone
  st.GroupSlotsUsed = 0;
  st.GroupFilter.fill(0);
  st.SecondByteFilter.fill(0);
  ++st.Generation;
  // Entries stay allocated: other state of the run may still point at them.
}

TIndexEntry* FirstEntryOfHeading(const CompilerRun& run, std::uint32_t headingNumber) {
  const auto& table = run.IndexStore.HeadingFirstEntry;
  return headingNumber < table.size() ? table[headingNumber] : nullptr;
}

namespace {

// The probe of a word looked up in the index, made as the keys are: folded when the index takes no
// account of case, its first letter made small, a final vowel dropped. Written to `out`, which
// holds word.size() bytes; returns its length.
std::size_t WriteIndexProbe(const CompilerRun& run, std::string_view word, char* out) {
  const auto& lower = run.FileNames.LowerCaseTable;
  const auto at = [out](std::size_t i) { return static_cast<std::uint8_t>(out[i]); };
  const std::size_t n = word.size();
  if (n == 0) return 0;
  std::memcpy(out, word.data(), n);
  if (run.LinkPass.CaseFreeIndex)
    for (std::size_t i = 0; i < n; ++i) out[i] = static_cast<char>(lower[at(i)]);
  out[0] = static_cast<char>(lower[at(0)]);
  return LengthWithoutFinalVowel(run, std::string_view(out, n));
}

// The probe of the word in `probe`; returns the word's bucket.
std::uint8_t IndexProbe(CompilerRun& run, std::string_view word, std::string& probe) {
  probe.resize(word.size());
  probe.resize(WriteIndexProbe(run, word, probe.data()));
  return IndexBucketOf(word);
}

}  // namespace

TIndexEntry* FindIndexEntryByWalk(CompilerRun& run, std::string_view word, const TIndexEntry* start,
                                  bool takeIndexOnly) {
  TIndexStore& st = run.IndexStore;
  const TIndexEntry* e = start ? start : st.IndexBuckets[IndexBucketOf(word)];
  std::string probe = run.LinkPass.CaseFreeIndex ? LowerCaseText(run.FileNames.LowerCaseTable, word)
                                                 : std::string(word);
  for (; e; e = e->NextInBucket)
    if (IndexWordsMatch(run, e->Word, probe) && (!e->IndexOnly || takeIndexOnly))
      return const_cast<TIndexEntry*>(e);
  return nullptr;
}

TIndexEntry* FindIndexEntry(CompilerRun& run, std::string_view word, const TIndexEntry* start,
                            bool takeIndexOnly) {
  TIndexStore& st = run.IndexStore;
  const std::uint8_t bucket = start ? start->Bucket : IndexBucketOf(word);
  const std::uint64_t from = start ? start->Order : 0;
  std::string& probe = st.ProbeScratch;
  IndexProbe(run, word, probe);
  TIndexEntry* best = nullptr;
  ForEachStoredKeyMatching(st, probe, [&](std::string_view storedKey) {
    const TIndexKeyGroup* g = FindGroup(st, bucket, storedKey);
    if (!g) return;
    TIndexEntry* found = (takeIndexOnly ? g->All : g->Linkable).AtOrAfter(from);
    if (found && (!best || found->Order < best->Order)) best = found;
  });
  return best;
}

namespace {

// Whether a key the word matches may name a group, as far as the word's second byte tells.
// Most words of running text name no index entry: this answers them from one small table,
// without a probe, a hash, or a look at the memo or the groups, whose tables are too large to
// stay in the processor's cache.
bool SecondByteMayMatch(const CompilerRun& run, std::string_view word) {
  const TIndexStore& st = run.IndexStore;
  const std::uint8_t bucket = IndexBucketOf(word);
  // The probe's second byte is the word's, folded as WriteIndexProbe folds it. A probe of one
  // byte or none could only match a short key, whose bucket has every bit set: byte 0 asks.
  std::uint8_t second = word.size() < 2 ? 0 : static_cast<std::uint8_t>(word[1]);
  if (run.LinkPass.CaseFreeIndex) second = run.FileNames.LowerCaseTable[second];
  const std::size_t bit = std::size_t{bucket} * 256 + second;
  // No group at all leaves every bit clear.
  return (st.SecondByteFilter[bit / 64] & (std::uint64_t{1} << (bit % 64))) != 0;
}

// Whether a key the word matches may name a group, by the filter of the groups' hashes. The
// probe of a short word is made in a buffer on the stack.
bool LinkGroupsMayMatch(CompilerRun& run, std::string_view word) {
  TIndexStore& st = run.IndexStore;
  const std::uint8_t bucket = IndexBucketOf(word);
  char buffer[64];
  std::string_view probe;
  if (word.size() > sizeof buffer) {
    IndexProbe(run, word, st.ProbeScratch);
    probe = st.ProbeScratch;
  } else {
    probe = std::string_view(buffer, WriteIndexProbe(run, word, buffer));
  }
  bool may = false;
  ForEachStoredKeyMatching(st, probe, [&](std::string_view storedKey) {
    may = may || FilterMayHold(st, GroupHash(bucket, storedKey));
  });
  return may;
}

// The entries a word of running text may link to: the first one-word entry, and the first
// entries of the phrases, in bucket order.
void SearchLinkGroups(CompilerRun& run, std::string_view word, TIndexEntry*& oneWord,
                      std::vector<TIndexEntry*>& heads) {
  TIndexStore& st = run.IndexStore;
  std::string probe;
  const std::uint8_t bucket = IndexProbe(run, word, probe);
  oneWord = nullptr;
  heads.clear();
  ForEachStoredKeyMatching(st, probe, [&](std::string_view storedKey) {
    const TIndexKeyGroup* found = FindGroup(st, bucket, storedKey);
    if (!found) return;
    const TIndexKeyGroup& g = *found;
    if (!g.OneWord.empty() && (!oneWord || g.OneWord.front().Order < oneWord->Order))
      oneWord = g.OneWord.front().Entry;
    for (const TOrderedEntries::TItem& head : g.PhraseHeads) heads.push_back(head.Entry);
  });
  std::sort(heads.begin(), heads.end(),
            [](const TIndexEntry* a, const TIndexEntry* b) { return a->Order < b->Order; });
}

// Forgets every answer: the slots of the old epoch count as empty from now on.
void StartLinkMemoEpoch(TLinkLookupMemo& memo) {
  memo.Answers.clear();
  if (++memo.Epoch == 0) {
    // After 2^32 epochs a stale slot could look current: clear them all once.
    std::fill(memo.Slots.begin(), memo.Slots.end(), TLinkLookupMemo::TSlot{});
    memo.Epoch = 1;
  }
}

// The memo's answer for the word, searched for now when the memo does not have it yet.
const TLinkLookupMemo::TAnswer& RememberedLinkSearch(CompilerRun& run, std::string_view word) {
  TIndexStore& st = run.IndexStore;
  TLinkLookupMemo& memo = st.LinkMemo;
  if (memo.StoreGeneration != st.Generation) {
    memo.StoreGeneration = st.Generation;
    StartLinkMemoEpoch(memo);
  }
  constexpr std::size_t kMaxSlots = std::size_t{1} << 17;
  if (2 * (memo.Answers.size() + 1) > memo.Slots.size()) {
    if (memo.Slots.size() >= kMaxSlots) {
      // Full of distinct words: begin again rather than grow without end.
      StartLinkMemoEpoch(memo);
    } else {
      std::vector<TLinkLookupMemo::TSlot> grown(std::max<std::size_t>(4096, 2 * memo.Slots.size()));
      const std::size_t mask = grown.size() - 1;
      for (const TLinkLookupMemo::TSlot& s : memo.Slots) {
        if (s.Epoch != memo.Epoch) continue;
        std::size_t i = s.Hash & mask;
        while (grown[i].Epoch == memo.Epoch) i = (i + 1) & mask;
        grown[i] = s;
      }
      memo.Slots = std::move(grown);
    }
  }
  const bool caseFree = run.LinkPass.CaseFreeIndex;
  const std::uint64_t h = GroupHash(caseFree ? 1 : 0, word);
  const std::size_t mask = memo.Slots.size() - 1;
  std::size_t i = h & mask;
  for (;; i = (i + 1) & mask) {
    const TLinkLookupMemo::TSlot& s = memo.Slots[i];
    if (s.Epoch != memo.Epoch) break;
    if (s.Hash != h) continue;
    const TLinkLookupMemo::TAnswer& a = memo.Answers[s.Answer];
    if (a.CaseFree == caseFree && a.Word == word) return a;
  }
  TLinkLookupMemo::TAnswer& a = memo.Answers.emplace_back();
  SearchLinkGroups(run, word, a.OneWord, a.Heads);
  a.CaseFree = caseFree;
  a.Word.assign(word);
  memo.Slots[i] = {h, memo.Epoch, static_cast<std::uint32_t>(memo.Answers.size() - 1)};
  return a;
}

}  // namespace

namespace {

// The link lookup of a word that the second byte let through; out of line, so that the words
// turned away need no stack frame for the probe and the memo.
[[gnu::noinline]] TIndexEntry* SearchLinkEntry(CompilerRun& run, std::string_view word,
                                               TEntryTest continues) {
  if (!LinkGroupsMayMatch(run, word)) return nullptr;
  const TLinkLookupMemo::TAnswer& found = RememberedLinkSearch(run, word);
  TIndexEntry* const oneWord = found.OneWord;
  if (found.Heads.empty()) return oneWord;
  // Among the phrases that stand before the first one-word entry, only the first entry of
  // each can be the answer. A copy: `continues` may read on and look up other words.
  const std::vector<TIndexEntry*> heads = found.Heads;
  std::vector<const std::string*> tried;
  for (TIndexEntry* head : heads) {
    if (oneWord && head->Order > oneWord->Order) break;
    bool seen = false;
    for (const std::string* t : tried) seen = seen || *t == head->PhraseKey;
    if (seen) continue;  // the same words under a matching key with another ending
    tried.push_back(&head->PhraseKey);
    if (continues(*head)) return head;
  }
  return oneWord;
}

}  // namespace

TIndexEntry* FindLinkEntry(CompilerRun& run, std::string_view word, TEntryTest continues) {
  if (!SecondByteMayMatch(run, word)) return nullptr;
  return SearchLinkEntry(run, word, continues);
}

bool HasLaterIndexEntry(CompilerRun& run, const TIndexEntry& entry, std::string_view word) {
  if (!entry.NextInBucket) return false;
  return FindIndexEntry(run, word, entry.NextInBucket, true) != nullptr;
}

void MoveIndexEntryBefore(CompilerRun& run, TIndexEntry& n, TIndexEntry& p) {
  TIndexStore& st = run.IndexStore;
  if (&n == &p || n.Bucket != p.Bucket) return;
  const std::uint8_t b = n.Bucket;
  // Unlink n.
  if (n.PrevInBucket)
    n.PrevInBucket->NextInBucket = n.NextInBucket;
  else
    st.IndexBuckets[b] = n.NextInBucket;
  if (n.NextInBucket)
    n.NextInBucket->PrevInBucket = n.PrevInBucket;
  else
    st.IndexBucketTails[b] = n.PrevInBucket;
  // Link it in front of p.
  n.PrevInBucket = p.PrevInBucket;
  n.NextInBucket = &p;
  if (p.PrevInBucket)
    p.PrevInBucket->NextInBucket = &n;
  else
    st.IndexBuckets[b] = &n;
  p.PrevInBucket = &n;
  RemoveFromGroups(st, &n);
  const std::uint64_t low = n.PrevInBucket ? n.PrevInBucket->Order : 0;
  if (p.Order - low < 2) {
    // No room between the two orders: renumbering gives every entry its place (n is out of
    // the table already and its old order is unique, so removing it again does no harm).
    RenumberBucket(st, b);
    return;
  }
  n.Order = low + (p.Order - low) / 2;
  AddToGroups(st, &n);
}

void NoteWordLinkAdded(CompilerRun& run, TIndexEntry& entry, TIndexWordLink* link) {
  TIndexStore& st = run.IndexStore;
  RemoveFromGroups(st, &entry);
  if (entry.LastWordLink)
    entry.LastWordLink->Next = link;
  else
    entry.WordLinks = link;
  entry.LastWordLink = link;
  if (entry.LinkCount < 255) ++entry.LinkCount;
  entry.PhraseKey += link->Word;
  entry.PhraseKey.push_back('\0');
  AddToGroups(st, &entry);
}

TIndexEntry* FirstShorterEntry(const CompilerRun& run, std::uint8_t bucket, std::string_view key,
                               std::uint8_t linkCount) {
  const TIndexKeyGroup* g = FindGroup(run.IndexStore, bucket, key);
  if (!g) return nullptr;
  TIndexEntry* first = nullptr;
  for (const auto& [count, entries] : g->ByLinkCount) {
    if (count >= linkCount) break;
    if (!entries.empty() && (!first || entries.front().Order < first->Order))
      first = entries.front().Entry;
  }
  return first;
}

void InsertIndexEntry(CompilerRun& run, std::string_view word, bool indexOnly, bool inverted,
                      bool unlisted) {
  TIndexStore& st = run.IndexStore;
  const TLinkPassState& lp = run.LinkPass;
  const TTargetFlags& target = run.Ini.TargetFlags;
  const auto& lower = run.FileNames.LowerCaseTable;
  if (word.size() > 255) word = word.substr(0, 255);

  st.CurrentBucket = IndexBucketOf(word);
  TIndexEntry* found = FindIndexEntry(run, word, nullptr, indexOnly);

  TIndexEntry* e = &st.Entries.Add();
  e->Bucket = st.CurrentBucket;
  TIndexEntry* tail = st.IndexBucketTails[e->Bucket];
  if (!tail) {
    st.IndexBuckets[e->Bucket] = e;
    e->Order = kBucketOrderStep;
  } else {
    tail->NextInBucket = e;
    e->PrevInBucket = tail;
    e->Order = tail->Order + kBucketOrderStep;
  }
  st.IndexBucketTails[e->Bucket] = e;
  st.LastInserted = e;

  if (found) {
    e->EntryNumber = found->EntryNumber;
  } else {
    if (st.EntryNumberCounter == 65535) {
      run.Reporter.ReportSourceError(MessageId::TooManyIndexEntries, 0);
      run.Reporter.Terminate(ExitCode::RunFailed);
    }
    e->EntryNumber = ++st.EntryNumberCounter;
  }
  e->IsUrl = lp.UrlBlock ? 1 : 0;

  if (lp.ExternalBlock) {
    e->LinkTarget = lp.ExternalTarget;
    const bool program = e->LinkTarget && IsProgramFileName(run, *e->LinkTarget);
    if (target.Ipf && !lp.UrlBlock && !program) {
      if (lp.ExternalPanelNumber == 0) {
        run.Reporter.ReportSourceError(MessageId::ExternalLinkWithoutId, 0);
        e->HeadingNumber = 1;
      } else {
        e->HeadingNumber = lp.ExternalPanelNumber;
      }
    }
    e->OpensFrameGroup = 0;
    if (target.RtfFamily && !lp.UrlBlock && !program) {
      st.ContextIdCopies.push_back(std::make_unique<std::string>(lp.ExternalContextId));
      e->ContextId = st.ContextIdCopies.back().get();
      if (lp.ExternalContextId.empty())
        run.Reporter.ReportSourceError(MessageId::ExternalLinkWithoutId, 0);
    }
    e->HeadingNode = nullptr;
  } else {
    st.IndexPageWanted = run.Ini.CreateIndex;
    e->LinkTarget = nullptr;
    e->HeadingNumber = run.Numbering.HeadingCounter;
    if (st.HeadingFirstEntry.size() <= e->HeadingNumber)
      st.HeadingFirstEntry.resize(static_cast<std::size_t>(e->HeadingNumber) + 1, nullptr);
    if (!st.HeadingFirstEntry[e->HeadingNumber]) st.HeadingFirstEntry[e->HeadingNumber] = e;
    if (st.LastInternalEntry) st.LastInternalEntry->NextInserted = e;
    st.LastInternalEntry = e;
    e->OpensFrameGroup = lp.HeadingOpensFrameGroup ? 1 : 0;
    if (e->OpensFrameGroup) st.FrameGroupsUsed = true;
    e->FileNumber = static_cast<std::int16_t>(run.Numbering.FileCounter);
    // Before the first heading no node stands at the current level.
    const std::uint8_t level = lp.CurrentLevel >= 1 && lp.CurrentLevel <= 6 ? lp.CurrentLevel : 1;
    e->HeadingNode = lp.LevelCursors[level];
    e->ContextId = e->HeadingNode ? e->HeadingNode->OwnString : nullptr;
  }
  e->IpfIdWritten = 0;
  e->IndexOnly = indexOnly ? 1 : 0;
  e->Unlisted = (unlisted || !lp.LocalLinks) ? 1 : 0;
  e->Word.assign(word);
  if (lp.CaseFreeIndex) e->Word = LowerCaseText(lower, e->Word);
  if (e->Word.empty()) run.Reporter.ReportSourceError(MessageId::EmptyIndexWord, 0);
  e->Inverted = inverted ? 1 : 0;
  e->OriginalFirstChar = e->Word.empty() ? 0 : static_cast<std::uint8_t>(e->Word[0]);
  e->GroupFileNumber = lp.FrameGroupActive ? lp.FrameFileNumber : -99;
  if (!e->Word.empty())
    e->Word[0] = static_cast<char>(lower[static_cast<std::uint8_t>(e->Word[0])]);
  e->Key = e->Word;
  DropFinalVowel(run, e->Key);
  AddToGroups(st, e);
}

void ReadPanelIdHeader(CompilerRun& run, std::string_view fileName) {
  run.IndexStore.PanelIdDefines.clear();
  const std::string name(fileName);
  SetFileOpenReadOnly(run, true);
  platform::ReadResult file = platform::read_file(name);
  SetFileOpenReadOnly(run, false);
  if (!file.ok()) {
    run.Reporter.ReportSourceError({MessageId::FileNotFound, name}, 0);
    run.Reporter.Terminate(CompletedOrFailed(run, ExitCode::InputFailed));
  }
  ReadPanelIdText(
      run, name,
      std::string_view(reinterpret_cast<const char*>(file.bytes.data()), file.bytes.size()));
}

void ReadPanelIdText(CompilerRun& run, std::string_view fileName, std::string_view text) {
  TIndexStore& st = run.IndexStore;
  st.PanelIdDefines.clear();
  const std::string name(fileName);
  std::size_t pos = 0;
  while (pos < text.size()) {
    std::size_t end = text.find_first_of("\r\n", pos);
    if (end == std::string::npos) end = text.size();
    std::string line(text.substr(pos, end - pos));
    pos = end;
    if (pos < text.size() && text[pos] == '\r') ++pos;
    if (pos < text.size() && text[pos] == '\n') ++pos;

    const bool define = line.rfind("#define", 0) == 0;
    if (!define && line.find('=') == std::string::npos) continue;
    while (!line.empty() && (line.back() == ' ' || line.back() == ';')) line.pop_back();
    std::size_t d = line.size();
    while (d > 0 && line[d - 1] >= '0' && line[d - 1] <= '9') --d;
    std::uint32_t number = 0;
    for (std::size_t i = d; i < line.size(); ++i)
      number = (number * 10 + static_cast<std::uint32_t>(line[i] - '0')) & 0xFFFF;
    std::string defName;
    if (define) {
      const std::size_t start = 8;
      const std::size_t stop =
          start < line.size() ? line.find_first_of(" \t", start) : std::string::npos;
      if (stop == std::string::npos) {
        run.Reporter.ReportSourceError({MessageId::ErrorReading, name}, 0);
        continue;
      }
      defName = line.substr(start, stop - start);
    } else {
      const std::size_t start = line.find_first_not_of(" \t");
      const std::size_t stop = line.find_first_of(" \t=", start);
      defName = line.substr(start, stop - start);
    }
    st.PanelIdDefines.push_back({static_cast<std::uint16_t>(number), defName});
  }
}

const TPanelIdDefine* FindPanelIdDefine(const CompilerRun& run, std::string_view name) {
  for (const TPanelIdDefine& d : run.IndexStore.PanelIdDefines)
    if (d.Name == name) return &d;
  return nullptr;
}

bool WasLinkedInTopic(const CompilerRun& run, const TIndexEntry& entry) {
  if (run.Ini.LinkEveryOccurrence) return false;
  return entry.LinkedStamp == run.IndexStore.TopicStamp;
}

void AddLinkedInTopic(CompilerRun& run, TIndexEntry& entry) {
  entry.LinkedStamp = run.IndexStore.TopicStamp;
}

void ClearLinkedInTopic(CompilerRun& run) { ++run.IndexStore.TopicStamp; }

}  // namespace skeldon

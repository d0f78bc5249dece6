// The index entry store: every index word of a compile run in 256 buckets, with the topic or
// external target each names, the panel-ID defines of an external OS/2 help file and the list
// of entries already linked in the current topic.
//
// Lookups keep the results and the bucket order of a walk along the bucket list, but go
// through a table of normalised words, so that a lookup costs a few hash probes instead of a
// walk over every entry of the bucket.
#pragma once

#include <array>
#include <cstdint>
#include <initializer_list>
#include <memory>
#include <string>
#include <string_view>
#include <type_traits>
#include <unordered_map>
#include <utility>
#include <vector>

namespace skeldon {

struct CompilerRun;
struct THeadingNode;

struct TIndexWordLink {
  TIndexWordLink* Next = nullptr;
  std::uint8_t OriginalFirstChar = 0;
  std::string Word;
};

struct TIndexEntry {
  std::uint16_t EntryNumber = 0;
  std::uint16_t HeadingNumber = 0;
  std::uint8_t OpensFrameGroup = 0;
  std::int32_t GroupFileNumber = -99;
  std::int16_t FileNumber = 0;
  TIndexWordLink* WordLinks = nullptr;
  std::uint8_t IpfIdWritten = 0;
  std::uint8_t IndexOnly = 0;
  std::uint8_t Unlisted = 0;
  TIndexEntry* NextInserted = nullptr;
  TIndexEntry* NextInBucket = nullptr;
  const std::string* ContextId = nullptr;
  const std::string* LinkTarget = nullptr;  // nullptr: internal entry
  std::uint8_t IsUrl = 0;
  std::uint8_t OriginalFirstChar = 0;
  std::uint8_t Inverted = 0;
  THeadingNode* HeadingNode = nullptr;
  std::string Word;

  // Bookkeeping of the store (not part of the entry's meaning).
  std::uint8_t Bucket = 0;
  TIndexEntry* PrevInBucket = nullptr;
  std::uint64_t Order = 0;     // ascending along the bucket list
  std::string Key;             // the word as the comparison sees it (final vowel dropped)
  std::uint8_t LinkCount = 0;  // continuation words
  TIndexWordLink* LastWordLink = nullptr;
  std::string PhraseKey;          // the continuation words, each ended by a 0 byte
  std::uint32_t LinkedStamp = 0;  // the store's TopicStamp when last linked to
};

struct TPanelIdDefine {
  std::uint16_t Number = 0;
  std::string Name;
};

// Entries by bucket order in one sorted array: entries arrive mostly in rising order, so an
// insertion is an append, and a search stays in one block of memory instead of tree nodes.
// The first entry is kept beside the array as well: most lookups ask for it, and then read
// only the group, not the array, which is seldom in the processor's cache.
class TOrderedEntries {
 public:
  struct TItem {
    std::uint64_t Order = 0;
    TIndexEntry* Entry = nullptr;
  };
  void Insert(std::uint64_t order, TIndexEntry* entry);
  bool Erase(std::uint64_t order);  // false when no entry has that order
  // The first entry at or after the order (nullptr when none).
  TIndexEntry* AtOrAfter(std::uint64_t order) const;
  bool empty() const { return First.Entry == nullptr; }
  TItem front() const { return First; }
  auto begin() const { return Items.begin(); }
  auto end() const { return Items.end(); }

 private:
  // The first item at or after the order.
  std::vector<TItem>::const_iterator Find(std::uint64_t order) const;
  void NoteFirst() { First = Items.empty() ? TItem{} : Items.front(); }
  TItem First;
  std::vector<TItem> Items;
};

// Entries of one bucket that share a normalised word, by bucket order.
struct TIndexKeyGroup {
  std::string Key;  // bucket byte + normalised word
  TOrderedEntries All;
  TOrderedEntries Linkable;  // IndexOnly off
  // By count of continuation words, the counts rising.
  std::vector<std::pair<std::uint8_t, TOrderedEntries>> ByLinkCount;
  // For automatic links (IndexOnly off): one-word entries, the entries of each phrase, and the
  // first entry of every phrase, so that a phrase indexed in many topics is tried once.
  TOrderedEntries OneWord;
  std::unordered_map<std::string, TOrderedEntries> Phrases;
  TOrderedEntries PhraseHeads;
};

// Objects that never move once made, taken in blocks instead of one allocation each: the
// store makes one per index entry and word, and keeps them to the end of the run.
template <class T>
class TStablePool {
 public:
  T& Add() {
    if (Size == Blocks.size() * kBlock) Blocks.push_back(std::make_unique<T[]>(kBlock));
    T& made = (*this)[Size];
    if (Size < Made)
      made = T{};  // handed out before the pool was cleared
    else
      Made = Size + 1;
    ++Size;
    return made;
  }
  // Only where nothing points at the objects any more: they are handed out again.
  void Clear() { Size = 0; }
  std::size_t size() const { return Size; }
  T& operator[](std::size_t i) const { return Blocks[i / kBlock][i % kBlock]; }

 private:
  static constexpr std::size_t kBlock = 128;
  std::vector<std::unique_ptr<T[]>> Blocks;
  std::size_t Size = 0;
  std::size_t Made = 0;  // handed out since the pool was made
};

// A slot of the open-addressing table over Groups: a word of running text that names no
// index entry then costs one probe of a compact array instead of a walk through hash nodes.
struct TKeyGroupSlot {
  std::uint64_t Hash = 0;
  TIndexKeyGroup* Group = nullptr;  // in Groups, whose objects never move
};

// What the search of the groups found for a word of running text, kept per word until the
// groups change: the words of a text recur, and the link writer looks up every one of them.
// The table that finds a word is small (16 bytes a slot) and apart from the answers, so that
// the lookup of a word of running text stays in the processor's cache.
struct TLinkLookupMemo {
  struct TSlot {
    std::uint64_t Hash = 0;
    std::uint32_t Epoch = 0;   // the slot is empty unless this is the memo's epoch
    std::uint32_t Answer = 0;  // index into Answers
  };
  struct TAnswer {
    bool CaseFree = false;
    std::string Word;
    TIndexEntry* OneWord = nullptr;   // the first one-word entry
    std::vector<TIndexEntry*> Heads;  // first entries of the phrases, in bucket order
  };
  std::vector<TSlot> Slots;      // a power of two, at most half used
  std::vector<TAnswer> Answers;  // of this epoch, in the order the words were first met
  std::uint32_t Epoch = 1;
  std::uint64_t StoreGeneration = 0;  // of the groups the answers of this epoch were found in
};

// The "ending of words" in their order, up to the first empty one (which ends the list), with
// the endings grouped by their last character: a word of running text is compared only with
// the endings it can end in, as every word of the text is looked up.
class TWordEndings {
 public:
  TWordEndings() = default;
  TWordEndings(std::vector<std::string> endings);  // NOLINT: assigned from a list of endings
  TWordEndings(std::initializer_list<std::string> endings)
      : TWordEndings(std::vector<std::string>(endings)) {}

  auto begin() const { return List.begin(); }
  auto end() const { return List.end(); }
  const std::string& operator[](std::size_t i) const { return List[i]; }
  // Positions in the list of the endings that end in `last`, in list order.
  const std::vector<std::uint16_t>& EndingIn(std::uint8_t last) const { return ByLast[last]; }

 private:
  std::vector<std::string> List;
  std::array<std::vector<std::uint16_t>, 256> ByLast{};
};

struct TIndexStore {
  std::array<TIndexEntry*, 256> IndexBuckets{};
  std::array<TIndexEntry*, 256> IndexBucketTails{};
  std::uint8_t CurrentBucket = 0;
  std::uint16_t EntryNumberCounter = 0;
  TIndexEntry* LastInternalEntry = nullptr;
  TIndexEntry* LastInserted = nullptr;
  bool IndexPageWanted = false;
  bool FrameGroupsUsed = false;
  // "ending of words", split as the run preparation splits it (at most 30 of 70 characters).
  TWordEndings WordEndings;
  // First entry filed under each heading number; grows with the numbers actually used, so a
  // .HD far beyond the heading count is still in range.
  std::vector<TIndexEntry*> HeadingFirstEntry;
  std::vector<TPanelIdDefine> PanelIdDefines;
  // Linked to in the current topic (or paragraph): the entries whose LinkedStamp equals this.
  // A new topic takes the next stamp, so forgetting every entry at once costs nothing.
  std::uint32_t TopicStamp = 1;

  TStablePool<TIndexEntry> Entries;
  TStablePool<TIndexWordLink> WordLinkStore;
  std::vector<std::unique_ptr<std::string>> ContextIdCopies;
  // Found through GroupSlots by bucket byte + Key.
  TStablePool<TIndexKeyGroup> Groups;
  std::vector<TKeyGroupSlot> GroupSlots;  // a power of two, at most half used
  std::size_t GroupSlotsUsed = 0;
  // One bit per hash value's top 16 bits: most words of a text name no entry, and this small
  // table answers them without touching the slots.
  std::array<std::uint64_t, 1024> GroupFilter{};
  // One bit per bucket and second byte of the keys filed in it. Every key a word can match
  // is the word's probe or a front part of it, so the word's second byte alone turns away
  // most words before any probe is made. A key shorter than two bytes sets every bit of its
  // bucket.
  std::array<std::uint64_t, 1024> SecondByteFilter{};
  std::string ProbeScratch;
  // Counts every change of the groups: what was found in them before is out of date.
  std::uint64_t Generation = 1;
  TLinkLookupMemo LinkMemo;
};

inline constexpr std::uint64_t kBucketOrderStep = std::uint64_t{1} << 24;

// Empties the store as the link pass does at its start.
void ClearIndexStore(CompilerRun& run);

void InsertIndexEntry(CompilerRun& run, std::string_view word, bool indexOnly, bool inverted,
                      bool unlisted);
TIndexEntry* FindIndexEntry(CompilerRun& run, std::string_view word, const TIndexEntry* start,
                            bool takeIndexOnly);
// A test of a candidate entry, borrowed for one call: a pointer to the caller's callable and
// one to the code that calls it. Lighter than std::function on a road taken for every word.
class TEntryTest {
 public:
  template <class F>
  requires(!std::is_same_v<std::remove_cvref_t<F>, TEntryTest>)
      TEntryTest(F&& test)  // NOLINT: taken implicitly from a lambda at the call
      : object_(const_cast<void*>(static_cast<const void*>(std::addressof(test)))),
        call_([](void* object, const TIndexEntry& e) -> bool {
          return (*static_cast<std::remove_reference_t<F>*>(object))(e);
        }) {}
  bool operator()(const TIndexEntry& e) const { return call_(object_, e); }

 private:
  void* object_;
  bool (*call_)(void*, const TIndexEntry&);
};

// The entry a word of running text links to, as the link writer's walk finds it: the first
// entry of the bucket (index-only ones passed over) that has one word, or whose further words
// `continues` accepts. `continues` is asked at most once per distinct phrase.
TIndexEntry* FindLinkEntry(CompilerRun& run, std::string_view word, TEntryTest continues);
bool HasLaterIndexEntry(CompilerRun& run, const TIndexEntry& entry, std::string_view word);
bool IndexWordsMatch(const CompilerRun& run, std::string_view stored, std::string_view probe);

// Moves entry n in front of entry p in their bucket (the promotion of a longer phrase). The
// entries keep their contents, so the per-heading chains stay intact.
void MoveIndexEntryBefore(CompilerRun& run, TIndexEntry& n, TIndexEntry& p);

// The first entry at or after the given order in the bucket of the word that matches; the
// reference walk along NextInBucket, kept for tests and for odd callers.
TIndexEntry* FindIndexEntryByWalk(CompilerRun& run, std::string_view word, const TIndexEntry* start,
                                  bool takeIndexOnly);

// Called by AppendIndexWordLink: keeps the lookup table's count of continuation words.
void NoteWordLinkAdded(CompilerRun& run, TIndexEntry& entry, TIndexWordLink* link);

// The first entry of the bucket filed under the normalised word with fewer continuation words
// than `linkCount` (nullptr when none).
TIndexEntry* FirstShorterEntry(const CompilerRun& run, std::uint8_t bucket, std::string_view key,
                               std::uint8_t linkCount);

// The normalised form of a word as IndexWordsMatch compares it (first character folded,
// final vowel after a consonant dropped).
void NormaliseIndexWord(const CompilerRun& run, std::string& word);

void ReadPanelIdHeader(CompilerRun& run, std::string_view fileName);
// The "#define NAME NUMBER" and "NAME = NUMBER;" lines of a panel ID file's text (name for the
// messages): every other line is skipped, a "#define" without a name is reported.
void ReadPanelIdText(CompilerRun& run, std::string_view fileName, std::string_view text);
const TPanelIdDefine* FindPanelIdDefine(const CompilerRun& run, std::string_view name);

bool WasLinkedInTopic(const CompilerRun& run, const TIndexEntry& entry);
void AddLinkedInTopic(CompilerRun& run, TIndexEntry& entry);
void ClearLinkedInTopic(CompilerRun& run);

// HeadingFirstEntry of a heading number (nullptr when none).
TIndexEntry* FirstEntryOfHeading(const CompilerRun& run, std::uint32_t headingNumber);

}  // namespace skeldon

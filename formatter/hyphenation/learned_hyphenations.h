// Learned hyphenations and syllable exceptions. A learned list remembers the contexts (seven
// letter-mapped characters around a break) that the user confirmed, so the same question is not
// asked twice; with learning level 2 it is kept in "<tag>LERN.DTA" next to the document as
// fixed 7-byte records. "SILBAUSN.WS" is the user's list of word starts and no-break places that
// the German rules consult.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "formatter/common/messages.h"

namespace tavrel {

inline constexpr int kLearnedContextSize = 7;
inline constexpr int kLearnedBuckets = 27;  // "a".."z" and one for every other first character

using LearnedContext = std::array<std::uint8_t, kLearnedContextSize>;

// The context for a break after position p + shift of held[1..len]: letter-mapped characters
// p + shift - 1 .. p + shift + 5; from the first blank on, every character is a blank.
LearnedContext MakeLearnedContext(const std::uint8_t* held, int len, int p, int shift);

// A read or write error of a learned file, reported once the run's language is at hand.
using HyphenationMessage = MessageTexts;

class LearnedHyphenationList {
 public:
  explicit LearnedHyphenationList(std::string tag) : tag_(std::move(tag)) {}

  const std::string& Tag() const { return tag_; }
  // "<directory>/<tag>LERN.DTA".
  std::string FileName(const std::string& directory) const;

  // A list that was not loaded at run start finds nothing, takes nothing and saves nothing.
  bool Loaded() const { return loaded_; }
  // Empties the list and marks it not loaded.
  void Reset();
  // Empties the list and marks it loaded (learning without a file).
  void StartEmpty();
  // StartEmpty, then reads the records of the file when there is one. A missing file is
  // normal; a file that ends inside a record is a read error: the complete records stay loaded
  // and false is returned with the message in `error`.
  bool LoadFile(const std::string& file_name, HyphenationMessage* error);

  bool Contains(const LearnedContext& context) const;
  void Add(const LearnedContext& context);

  bool HasAdditions() const;
  std::size_t Size() const;
  // This run's additions in save order: bucket "a" to "z", then the shared bucket.
  std::vector<LearnedContext> Additions() const;
  // Writes the file anew (through a temporary file renamed into place) with the records it
  // holds now followed by this run's additions. Nothing is written without additions.
  bool SaveFile(const std::string& file_name, HyphenationMessage* error);

 private:
  static int BucketOf(std::uint8_t first);

  std::string tag_;
  bool loaded_ = false;
  std::array<std::vector<LearnedContext>, kLearnedBuckets> buckets_{};
  std::array<std::size_t, kLearnedBuckets> first_added_{};
};

// The three lists of "SILBAUSN.WS": entries of at most four letter-mapped characters.
struct SyllableExceptions {
  // [0] entries that start with a vowel, [1] with h, l, p, r, t or w, [2] all others.
  std::array<std::vector<std::string>, 3> Lists;

  void Clear();
  void LoadBytes(std::string_view bytes);
  // Clears and reads the file; a missing file leaves the lists empty and returns false.
  bool LoadFile(const std::string& file_name);
  // True when an entry of list `index` (0..2) equals the four characters text4 (entries of four
  // characters) or its first three (entries of three); other lengths never match.
  bool Matches(int index, std::string_view text4) const;
};

}  // namespace tavrel

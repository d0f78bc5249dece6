// Arbitrary bytes as a learned-hyphenation file ("<tag>LERN.DTA", 7-byte records) and as the
// syllable exception list: every whole record is loaded and found again, a cut file is
// reported, and the file saved with one more context loads back whole with exactly that one more.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "formatter/hyphenation/learned_hyphenations.h"
#include "fuzz/fuzz_support.h"

using namespace tavrel;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const std::string folder = fuzz_support::MakeTempFolder("tavrel-learned-fuzz");
  const std::string path = folder + "/FUZZLERN.DTA";
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  fuzz_support::WriteBytes(path, bytes);

  LearnedHyphenationList list("FUZZ");
  HyphenationMessage error;
  const bool whole = list.LoadFile(path, &error);
  if (whole != (size % kLearnedContextSize == 0)) std::abort();
  for (std::size_t r = 0; r + kLearnedContextSize <= size; r += kLearnedContextSize) {
    LearnedContext c;
    for (int i = 0; i < kLearnedContextSize; ++i) c[i] = data[r + i];
    if (!list.Contains(c)) std::abort();
  }

  // A context made from the input's first bytes, learned and saved.
  LearnedContext added{};
  for (int i = 0; i < kLearnedContextSize && i < static_cast<int>(size); ++i)
    added[i] = data[size - 1 - i];
  const bool known = list.Contains(added);
  const std::size_t before = list.Size();
  if (!known) list.Add(added);
  if (list.Size() != before + (known ? 0 : 1)) std::abort();
  // Saved into the file it came from, as a run does; it loads back whole, with every
  // complete record of before and the one learned now.
  if (list.HasAdditions()) {
    if (!list.SaveFile(path, &error)) std::abort();
    LearnedHyphenationList back("FUZZ");
    if (!back.LoadFile(path, &error)) std::abort();
    if (back.Size() != list.Size() || !back.Contains(added)) std::abort();
  }

  SyllableExceptions exceptions;
  exceptions.LoadBytes(std::string_view(bytes));
  for (int index = 0; index < 3; ++index)
    (void)exceptions.Matches(index, std::string_view(bytes).substr(0, 4));
  return 0;
}

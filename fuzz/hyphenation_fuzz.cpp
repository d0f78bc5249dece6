// Arbitrary pattern files and words: the pattern table, the exception list and every
// hyphenation mode must take them without crashing or reading outside a buffer, and the trie
// must rate exactly as the bucket lists do.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "formatter/hyphenation/hyphenation.h"

using namespace tavrel;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  const std::uint8_t flags = data[0];
  std::string_view rest(reinterpret_cast<const char*>(data + 1), size - 1);
  // Pattern file, then after a NUL byte the words, one per line.
  const std::size_t split = rest.find('\0');
  const std::string_view patterns =
      rest.substr(0, split == std::string_view::npos ? rest.size() : split);
  const std::string_view words =
      split == std::string_view::npos ? std::string_view() : rest.substr(split + 1);

  TexPatternBuckets reference;
  reference.LoadBytes(patterns);
  HyphenationState state;
  state.Tex = std::make_shared<TexPatternTable>();
  state.Tex->LoadBytes("fuzz.tex", patterns);
  state.Exceptions.LoadBytes(patterns);
  state.Params.MinLetters = flags & 3;
  state.Params.AskIfDoubtful = (flags & 4) != 0;
  state.Params.AncientGreek = (flags & 8) != 0;
  state.Params.CapitalsUnsplit = (flags & 16) != 0;
  state.Params.Learn = (flags >> 5) % 3;
  state.German.StartEmpty();
  state.Greek.StartEmpty();
  state.Manual.StartEmpty();
  int turn = 0;
  state.ask = [&turn](const std::string&) {
    return (++turn % 3 == 0) ? HyphenationAnswer::kYes : HyphenationAnswer::kNo;
  };

  std::size_t start = 0;
  int word_count = 0;
  while (start < words.size() && word_count++ < 64) {
    std::size_t end = words.find('\n', start);
    if (end == std::string_view::npos) end = words.size();
    const std::string_view word = words.substr(start, std::min<std::size_t>(end - start, 255));
    start = end + 1;
    std::uint8_t held[256] = {};
    const int len = static_cast<int>(word.size());
    for (int i = 0; i < len; ++i)
      held[i + 1] = static_cast<std::uint8_t>(word[static_cast<std::size_t>(i)]);

    std::int32_t all[257];
    state.Tex->RateAll(held, len, all);
    for (int p = -2; p <= len + 2; ++p) {
      const std::int32_t expected = reference.Rating(held, len, p);
      if (state.Tex->Rating(held, len, p) != expected) std::abort();
      if (p >= 0 && p <= len && all[p] != expected) std::abort();
    }
    for (int mode : {kHyphenGerman, kHyphenManual, kHyphenTex, kHyphenTexThenGerman}) {
      state.Params.Mode = mode;
      state.Word = HyphenationWordState{};
      for (int p = len; p >= 0; --p) {
        const BreakVerdict v = MayBreakAt(state, held, len, p);
        if (v.Position < -8 || v.Position > 300) std::abort();
      }
    }
  }
  return 0;
}

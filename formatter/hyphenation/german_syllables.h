// The built-in German syllable rules: consonant clusters that stay together, fragments that
// start a word part (a compound splits at its seam), known word starts and prefixes, vowel
// pairs, the user's syllable exceptions and, on request, ancient Greek clusters. A doubtful
// position is declined, or put to the user when the settings ask for it.
#pragma once

#include <cstdint>

namespace tavrel {

struct HyphenationState;

// Decides position p of held[1..len]. May move p (the word breaker goes on from the new
// position), remember a declined position, ask the user and learn the answer.
bool GermanHyphenationRules(HyphenationState& state, const std::uint8_t* held, int len, int& p);

}  // namespace tavrel

#include "compiler/foundation/byte_scan.h"

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define SKELDON_NIBBLE_FILTER 1
#endif

namespace skeldon {

namespace {

std::size_t FindByLoop(const TStopBytes& stops, const unsigned char* text, std::size_t from,
                       std::size_t size) {
  while (from < size && !stops.IsStop[text[from]]) ++from;
  return from;
}

#ifdef SKELDON_NIBBLE_FILTER
constexpr std::size_t kNoStop = ~std::size_t{0};

// The first byte the filter let through (bit k: text[from + k]) that the exact table confirms.
inline std::size_t ConfirmCandidate(const TStopBytes& stops, const unsigned char* text,
                                    std::size_t from, unsigned candidates) {
  for (; candidates != 0; candidates &= candidates - 1) {
    const std::size_t at = from + static_cast<std::size_t>(__builtin_ctz(candidates));
    if (stops.IsStop[text[at]]) return at;
  }
  return kNoStop;
}

// Both nibbles of each byte look up a bit set; a byte whose two sets meet may be a stop byte
// and is checked in the exact table.
[[gnu::target("ssse3")]] std::size_t FindByNibbles(const TStopBytes& stops,
                                                   const unsigned char* text, std::size_t from,
                                                   std::size_t size) {
  const __m128i low = _mm_loadu_si128(reinterpret_cast<const __m128i*>(stops.LowNibbleBits.data()));
  const __m128i high =
      _mm_loadu_si128(reinterpret_cast<const __m128i*>(stops.HighNibbleBits.data()));
  const __m128i nibble = _mm_set1_epi8(0x0F);
  const __m128i zero = _mm_setzero_si128();
  for (; from + 16 <= size; from += 16) {
    const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text + from));
    const __m128i lowBits = _mm_shuffle_epi8(low, _mm_and_si128(bytes, nibble));
    const __m128i highBits =
        _mm_shuffle_epi8(high, _mm_and_si128(_mm_srli_epi16(bytes, 4), nibble));
    const __m128i none = _mm_cmpeq_epi8(_mm_and_si128(lowBits, highBits), zero);
    const unsigned candidates = static_cast<unsigned>(_mm_movemask_epi8(none)) ^ 0xFFFFu;
    const std::size_t at = ConfirmCandidate(stops, text, from, candidates);
    if (at != kNoStop) return at;
  }
  return FindByLoop(stops, text, from, size);
}

// The same filter on 32 bytes at a time; the rest of the text goes to the sixteen-byte one.
[[gnu::target("avx2")]] std::size_t FindByWideNibbles(const TStopBytes& stops,
                                                      const unsigned char* text, std::size_t from,
                                                      std::size_t size) {
  const __m256i low = _mm256_broadcastsi128_si256(
      _mm_loadu_si128(reinterpret_cast<const __m128i*>(stops.LowNibbleBits.data())));
  const __m256i high = _mm256_broadcastsi128_si256(
      _mm_loadu_si128(reinterpret_cast<const __m128i*>(stops.HighNibbleBits.data())));
  const __m256i nibble = _mm256_set1_epi8(0x0F);
  const __m256i zero = _mm256_setzero_si256();
  for (; from + 32 <= size; from += 32) {
    const __m256i bytes = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(text + from));
    const __m256i lowBits = _mm256_shuffle_epi8(low, _mm256_and_si256(bytes, nibble));
    const __m256i highBits =
        _mm256_shuffle_epi8(high, _mm256_and_si256(_mm256_srli_epi16(bytes, 4), nibble));
    const __m256i none = _mm256_cmpeq_epi8(_mm256_and_si256(lowBits, highBits), zero);
    const unsigned candidates = ~static_cast<unsigned>(_mm256_movemask_epi8(none));
    const std::size_t at = ConfirmCandidate(stops, text, from, candidates);
    if (at != kNoStop) return at;
  }
  return FindByNibbles(stops, text, from, size);
}
#endif

}  // namespace

TStopBytes MakeStopBytes(std::string_view bytes) {
  TStopBytes stops;
  const auto bitOf = [](unsigned high) { return static_cast<std::uint8_t>(1u << (high & 7)); };
  for (unsigned h = 0; h < 16; ++h) stops.HighNibbleBits[h] = bitOf(h);
  for (char c : bytes) {
    const auto byte = static_cast<std::uint8_t>(c);
    stops.IsStop[byte] = true;
    stops.LowNibbleBits[byte & 0x0F] |= bitOf(byte >> 4);
  }
#ifdef SKELDON_NIBBLE_FILTER
  if (__builtin_cpu_supports("avx2"))
    stops.Step = TStopBytes::TStep::ThirtyTwo;
  else if (__builtin_cpu_supports("ssse3"))
    stops.Step = TStopBytes::TStep::Sixteen;
#endif
  return stops;
}

std::size_t FindStopByte(const TStopBytes& stops, std::string_view text, std::size_t from) {
  if (from >= text.size()) return text.size();
  const auto* const bytes = reinterpret_cast<const unsigned char*>(text.data());
#ifdef SKELDON_NIBBLE_FILTER
  if (stops.Step == TStopBytes::TStep::ThirtyTwo)
    return FindByWideNibbles(stops, bytes, from, text.size());
  if (stops.Step == TStopBytes::TStep::Sixteen)
    return FindByNibbles(stops, bytes, from, text.size());
#endif
  return FindByLoop(stops, bytes, from, text.size());
}

}  // namespace skeldon

// Finding the next of a few stop bytes in a long buffer. The walks over the whole joined
// source stop at a handful of byte values (line ends, toggle characters) and pass over all the
// others; sixteen or 32 bytes are passed over at a time where the processor allows it.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace skeldon {

struct TStopBytes {
  std::array<bool, 256> IsStop{};
  // A coarse filter that may let other bytes through but never misses a stop byte: bit
  // (high nibble & 7) of LowNibbleBits[low nibble] is set for each stop byte, and
  // HighNibbleBits[h] holds bit (h & 7).
  std::array<std::uint8_t, 16> LowNibbleBits{};
  std::array<std::uint8_t, 16> HighNibbleBits{};
  // How many bytes the filter looks at in one step: the most this processor allows.
  enum class TStep : std::uint8_t { One, Sixteen, ThirtyTwo };
  TStep Step = TStep::One;
};

// The set of the given bytes (in any order, repeats allowed).
TStopBytes MakeStopBytes(std::string_view bytes);

// The index of the first stop byte at or after `from`; text.size() when there is none.
std::size_t FindStopByte(const TStopBytes& stops, std::string_view text, std::size_t from);

}  // namespace skeldon

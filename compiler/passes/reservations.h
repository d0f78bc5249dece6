// Running numbers of headings and output files, the .HD/.NR reservations applied to them, and
// the list of reservations that the project summary page prints.
#pragma once

#include <cstdint>
#include <vector>

namespace skeldon {

struct CompilerRun;

struct TNumberReservation {
  std::uint16_t NaturalNumber = 0;  // the number the counter reached without the reservation
  std::uint16_t UsedNumber = 0;     // the counter after the reservation
  std::uint16_t ReservedValue = 0;  // the .NR or .HD value
  std::int32_t SourceLine = 0;
  std::uint8_t Kind = 0;  // 1 = .NR (file), 0 = .HD (heading)
};

struct TReservationState {
  std::uint16_t HeadingCounter = 0;  // last counted heading of the pass
  std::int32_t FileCounter = -1;     // last counted output file of the pass
  std::uint16_t NaturalNumber = 0;   // what the last counting step gave before a reservation
  std::vector<TNumberReservation> ReservationList;  // in recording order (output pass only)
};

// Largest heading and file numbers the tables carry (16-bit heading numbers, signed 16-bit
// file numbers in the heading nodes and index entries).
inline constexpr std::uint32_t kMaxHeadingNumber = 65535;
inline constexpr std::int32_t kMaxFileNumber = 32767;

void NumberNextHeading(CompilerRun& run);
void NumberNextFile(CompilerRun& run);
// Appends a record with the natural number and the source line; the caller fills the rest.
TNumberReservation& AppendNumberReservation(CompilerRun& run);

}  // namespace skeldon

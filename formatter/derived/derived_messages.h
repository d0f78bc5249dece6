// Texts of the derived-document jobs (index, contents, arrangement of notes), in both program
// languages: German in code page 850 as the catalogue keeps it, shown through its display table.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>

namespace tavrel {

enum class DerivedText : std::uint8_t {
  kCompilingVolumes,
  kCannotOpenFile,
  kReadingIndexFile,
  kVolume,
  kReadingIndexFileEnd,
  kIndexEntryEmpty,
  kIndexEntryNotAccepted,
  kIndexFileCorrupted,
  kIndexFileName,
  kErrorWritingFile,
  kIndexTitle,
  kNumberRequired,
  kNumberOutOfRange,
  kCount  // not a text: the number of rows
};

// The text in `language` (1 German, else English) with %1, %2 ... replaced by `args`.
std::string DerivedMessage(std::uint8_t language, DerivedText id,
                           std::initializer_list<std::string_view> args = {});

}  // namespace tavrel

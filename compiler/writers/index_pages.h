// The alphabetical index of a run: the body of the HTML index page, or the HTML Help index
// file (HHK), sorted once into the groups A to Z and one group for everything else.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace skeldon {

struct CompilerRun;
struct TIndexEntry;

struct TIndexPageNode {
  TIndexEntry* Entry = nullptr;
  std::string SortKey;
};

inline constexpr int kIndexGroupCount = 27;  // "A" .. "Z", then the other group ("[")

struct TIndexPageState {
  std::array<std::uint8_t, 256> IndexSortTable{};
  std::array<std::vector<TIndexPageNode>, kIndexGroupCount> IndexGroups;  // ascending keys
  std::array<bool, kIndexGroupCount> GroupHasEntries{};
  bool IndexSorted = false;
  std::int32_t ListedInternalCount = 0;
  bool ExtendedIndex = false;
};

void BuildIndexSortTable(CompilerRun& run);
void SortIndexEntries(CompilerRun& run);
std::string IndexHeadWord(const TIndexEntry& entry, bool restoreCase);
std::string IndexRestWords(const TIndexEntry& entry, bool restoreCase);
void WriteIndexLink(CompilerRun& run, const TIndexEntry& entry);
void WriteSitemapIndexEntry(CompilerRun& run, const TIndexEntry& entry, std::string_view name,
                            bool indent);
void WriteIndexPage(CompilerRun& run);

}  // namespace skeldon

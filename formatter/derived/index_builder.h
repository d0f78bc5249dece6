// Job S after the index scan: merges the index volume files ("*.IX1" .. "*.IX4") of a document
// into one sorted index document per index number ("INDEX_<n>.WS"), with joined page numbers.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <unordered_map>
#include <vector>

namespace tavrel {

struct TSettingsRecord;
class RunMessages;

inline constexpr int kIndexNumbers = 4;
// A page of volume v is kept as v x kVolumePageSpan + page; 64 bits hold every volume.
inline constexpr std::int64_t kVolumePageSpan = 2147483647;

struct IndexPage {
  std::int64_t Page = 0;
  bool Weighted = false;
};

// One entry of a letter group. Text lacks the first letter, which the writer restores from the
// group letter and the flags.
struct IndexEntry {
  bool Umlaut = false;
  bool LowerCase = false;
  bool AddedE = false;         // the umlaut was spelt out: Text starts with the added "e"
  std::uint8_t FirstByte = 0;  // a plain umlaut byte written back as it stood (0: ESC form)
  std::string Key;
  std::string Text;
  std::vector<IndexPage> Pages;  // in reading order; sorted when written
};

// Order within a letter group: capitals (and capital umlauts) before small letters, then by the
// sort key, then plain letters before umlauts.
struct IndexOrder {
  int CaseRank = 0;
  std::string Key;
  bool Umlaut = false;
  bool operator<(const IndexOrder& o) const {
    if (CaseRank != o.CaseRank) return CaseRank < o.CaseRank;
    if (Key != o.Key) return Key < o.Key;
    return Umlaut < o.Umlaut;
  }
};

// The entries of one letter group: looked up by hash while reading, sorted once for writing.
struct LetterGroup {
  std::vector<IndexEntry> Entries;
  std::vector<IndexOrder> Orders;  // of Entries, index for index
  std::unordered_map<std::string, std::size_t> Lookup;
};

// The entries of one index number, by group letter.
struct IndexBuilderState {
  std::map<std::uint8_t, LetterGroup> Groups;
  std::int64_t EntryCount = 0;
  int DocumentsWritten = 0;
  bool SortUmlautAsAe = false;
};

struct IndexJobInput {
  const TSettingsRecord& Settings;
  std::string Directory;  // where the volume files are and the index documents go
  // The index window's lines.
  std::function<void(const std::string&)> Progress;
};

struct IndexJobResult {
  std::vector<std::string> Documents;  // the index documents written, by index number
  std::int64_t Entries = 0;            // entries taken over all index numbers
  bool Aborted = false;
};

// The job: for index numbers 1 to 4, the volume files found are read and their document
// written. Boxes, the job abort and the main window's codes go through `messages`.
IndexJobResult BuildIndex(const IndexJobInput& input, RunMessages& messages);

// The sort key of an entry's text (ESC umlauts and plain umlauts give their base letter, "E"
// after it when spelt out; "ß" gives "SS"; other bytes outside digits and letters are dropped).
std::string IndexSortKey(const std::string& text, bool sortUmlautAsAe);

// The volume number in a volume file's name: the digits among the two characters before ".".
int VolumeOfFileName(const std::string& name);

// Roman numerals as the index writes volume prefixes (tens as repeated "X": 40 is "XXXX").
std::string VolumeNumeral(int volume);

// Reads the entries of one volume file into state; false when the file cannot be opened (the
// job is then aborted). `volume` is added to every page.
bool ReadIndexVolume(const std::string& fileName, int volume, IndexBuilderState& state,
                     const IndexJobInput& input, RunMessages& messages);

// The text of the index document of `indexNumber`.
std::string IndexDocumentText(const IndexBuilderState& state, int indexNumber,
                              const TSettingsRecord& settings);

}  // namespace tavrel

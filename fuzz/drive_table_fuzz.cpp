// Arbitrary text as the drive table variable (CORVINA_DRIVES) and as the mount table: every
// drive made from it has a letter A..Z and an absolute root without a trailing "/" (the root
// folder aside), no letter twice, and the lookups stay inside the lists.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "platform/drives.h"
#include "platform/files.h"

namespace {

void CheckDrives(const std::vector<platform::Drive>& drives, bool rooted, std::string_view path) {
  bool seen[26] = {};
  for (const platform::Drive& d : drives) {
    if (d.letter < 'A' || d.letter > 'Z') std::abort();
    if (seen[d.letter - 'A']) std::abort();
    seen[d.letter - 'A'] = true;
    if (rooted && (d.root.empty() || d.root[0] != '/')) std::abort();
    if (d.root.size() > 1 && d.root.back() == '/') std::abort();
    if (platform::find_drive(drives, d.letter) != &d) std::abort();
  }
  if (const platform::Drive* d = platform::drive_of_path(drives, path))
    if (d < drives.data() || d >= drives.data() + drives.size()) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  // The text before a NUL byte is the table, the rest a path to place on a drive.
  const std::size_t split = text.find('\0');
  const std::string_view table = text.substr(0, split);
  const std::string_view path = split == std::string_view::npos ? "/" : text.substr(split + 1);

  const platform::DriveTable parsed = platform::parse_drive_table(table);
  for (char letter = 'A'; letter <= 'Z'; ++letter) (void)parsed.root(letter);
  CheckDrives(platform::drives_from_mapping(table), false, path);
  CheckDrives(platform::drives_from_mount_table(table), true, path);
  return 0;
}

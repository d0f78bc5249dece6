// Drive letters on Linux. There are no drives, so the suite makes them: "C:" is the root
// folder and further letters are the mounted file systems that hold files, or exactly the
// letters a user sets in CORVINA_DRIVES ("C=/;D=/media/usb").
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

struct Drive {
  char letter = 'C';  // 'A'..'Z'
  std::string root;   // a folder, without a trailing "/" unless it is "/"
  // A drive taken from the mount table is ready only while its root is still a mount point
  // (an empty media mount point is not ready); a drive the user mapped is ready when its
  // root opens as a folder.
  bool must_be_mount_point = false;
};

// Drives from the text of /proc/self/mounts: C: is "/", D: onward the other mounts in the
// order of their mount points, leaving out pseudo file systems and the system's own folders
// (/proc, /sys, /dev, /run). At most up to Z:.
std::vector<Drive> drives_from_mount_table(std::string_view mounts_text);
// Drives from CORVINA_DRIVES-style text ("C=/;D=/mnt/d"), in letter order.
std::vector<Drive> drives_from_mapping(std::string_view mapping_text);
// The drives of this machine: CORVINA_DRIVES when it is set and not empty, else the mounts.
std::vector<Drive> system_drives();

// The drive of a letter (either case), nullptr when no drive has it.
const Drive* find_drive(const std::vector<Drive>& drives, char letter);
// The drive whose root is the longest folder prefix of an absolute path, nullptr when none.
const Drive* drive_of_path(const std::vector<Drive>& drives, std::string_view absolute_path);

// Whether the drive can be used now (see Drive::must_be_mount_point).
bool drive_ready(const Drive& drive);

struct DiskSpace {
  std::uint64_t free_bytes = 0;   // free for the user
  std::uint64_t total_bytes = 0;  // size of the file system
};
// statvfs of the folder; empty when it cannot be asked.
std::optional<DiskSpace> disk_space(const std::string& folder);

}  // namespace platform

#include "platform/drives.h"

#include <sys/stat.h>
#include <sys/statvfs.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>

#include "platform/files.h"

namespace platform {

namespace {

// File systems that hold no user files.
constexpr std::array<std::string_view, 24> kPseudoTypes = {
    "proc",       "sysfs",  "devtmpfs",  "devpts",    "cgroup",          "cgroup2",
    "pstore",     "bpf",    "debugfs",   "tracefs",   "securityfs",      "configfs",
    "fusectl",    "mqueue", "hugetlbfs", "autofs",    "binfmt_misc",     "efivarfs",
    "rpc_pipefs", "nsfs",   "ramfs",     "selinuxfs", "fuse.gvfsd-fuse", "fuse.portal"};

constexpr std::array<std::string_view, 4> kSystemFolders = {"/proc", "/sys", "/dev", "/run"};

bool under(std::string_view path, std::string_view folder) {
  return path == folder || (path.size() > folder.size() &&
                            path.substr(0, folder.size()) == folder && path[folder.size()] == '/');
}

// The mount table writes blanks, tabs, newlines and backslashes as octal escapes ("\040").
std::string unescape_mount_field(std::string_view field) {
  auto octal = [](char c) { return c >= '0' && c <= '7'; };
  std::string out;
  for (std::size_t i = 0; i < field.size(); ++i) {
    if (field[i] == '\\' && i + 3 < field.size() && octal(field[i + 1]) && octal(field[i + 2]) &&
        octal(field[i + 3])) {
      out += static_cast<char>((field[i + 1] - '0') * 64 + (field[i + 2] - '0') * 8 +
                               (field[i + 3] - '0'));
      i += 3;
    } else {
      out += field[i];
    }
  }
  return out;
}

std::string strip_trailing_slash(std::string root) {
  while (root.size() > 1 && root.back() == '/') root.pop_back();
  return root;
}

}  // namespace

std::vector<Drive> drives_from_mount_table(std::string_view mounts_text) {
  std::vector<std::string> points;
  std::istringstream lines{std::string(mounts_text)};
  std::string line;
  while (std::getline(lines, line)) {
    std::istringstream fields(line);
    std::string device, point, type;
    if (!(fields >> device >> point >> type)) continue;
    point = strip_trailing_slash(unescape_mount_field(point));
    if (point.empty() || point[0] != '/' || point == "/") continue;
    if (std::find(kPseudoTypes.begin(), kPseudoTypes.end(), type) != kPseudoTypes.end()) continue;
    if (std::any_of(kSystemFolders.begin(), kSystemFolders.end(),
                    [&](std::string_view f) { return under(point, f); }))
      continue;
    if (std::find(points.begin(), points.end(), point) == points.end()) points.push_back(point);
  }
  // Mount order changes from boot to boot; the order of the names does not.
  std::sort(points.begin(), points.end());
  std::vector<Drive> drives{Drive{'C', "/", false}};
  char letter = 'D';
  for (const std::string& point : points) {
    if (letter > 'Z') break;
    drives.push_back(Drive{letter++, point, true});
  }
  return drives;
}

std::vector<Drive> drives_from_mapping(std::string_view mapping_text) {
  DriveTable table = parse_drive_table(mapping_text);
  std::vector<Drive> drives;
  for (char letter = 'A'; letter <= 'Z'; ++letter) {
    if (const std::string* root = table.root(letter))
      drives.push_back(Drive{letter, strip_trailing_slash(*root), false});
  }
  return drives;
}

std::vector<Drive> system_drives() {
  const char* mapping = std::getenv("CORVINA_DRIVES");
  if (mapping && *mapping) return drives_from_mapping(mapping);
  std::ifstream mounts("/proc/self/mounts");
  std::string text((std::istreambuf_iterator<char>(mounts)), std::istreambuf_iterator<char>());
  return drives_from_mount_table(text);
}

const Drive* find_drive(const std::vector<Drive>& drives, char letter) {
  if (letter >= 'a' && letter <= 'z') letter = static_cast<char>(letter - 32);
  for (const Drive& d : drives)
    if (d.letter == letter) return &d;
  return nullptr;
}

const Drive* drive_of_path(const std::vector<Drive>& drives, std::string_view absolute_path) {
  const Drive* best = nullptr;
  for (const Drive& d : drives) {
    bool contains = d.root == "/" ? !absolute_path.empty() && absolute_path[0] == '/'
                                  : under(absolute_path, d.root);
    if (contains && (!best || d.root.size() > best->root.size())) best = &d;
  }
  return best;
}

bool drive_ready(const Drive& drive) {
  struct stat root;
  if (::stat(drive.root.c_str(), &root) != 0 || !S_ISDIR(root.st_mode)) return false;
  if (!drive.must_be_mount_point || drive.root == "/") return true;
  // A mount point lies on another device than its parent folder.
  struct stat parent;
  std::size_t cut = drive.root.find_last_of('/');
  std::string up = cut == 0 ? std::string(1, '/') : drive.root.substr(0, cut);
  return ::stat(up.c_str(), &parent) == 0 && parent.st_dev != root.st_dev;
}

std::optional<DiskSpace> disk_space(const std::string& folder) {
  struct statvfs vfs;
  if (::statvfs(folder.c_str(), &vfs) != 0) return std::nullopt;
  return DiskSpace{static_cast<std::uint64_t>(vfs.f_bavail) * vfs.f_frsize,
                   static_cast<std::uint64_t>(vfs.f_blocks) * vfs.f_frsize};
}

}  // namespace platform

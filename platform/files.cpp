#include "platform/files.h"

#include <dirent.h>
#include <fcntl.h>
#include <limits.h>
#include <pthread.h>
#include <sys/inotify.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/vfs.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <unordered_map>

#include "platform/text.h"

namespace platform {

namespace {

// Names that are not UTF-8 are the suite's own Windows-1252 bytes.
std::string to_disk_encoding(std::string_view name) {
  if (is_valid_utf8(name)) return std::string(name);
  return code_page_to_utf8(name, CodePage::cp1252);
}

bool has_drive_prefix(std::string_view s) {
  return s.size() >= 2 && s[1] == ':' &&
         ((s[0] >= 'A' && s[0] <= 'Z') || (s[0] >= 'a' && s[0] <= 'z'));
}

// Last separator, or the colon of a leading drive prefix; npos when neither.
std::size_t last_separator(std::string_view path) {
  std::size_t pos = path.find_last_of("/\\");
  if (pos != std::string_view::npos) return pos;
  if (has_drive_prefix(path)) return 1;
  return std::string_view::npos;
}

std::string join_disk(const std::string& base, std::string_view c) {
  if (base.empty()) return std::string(c);
  if (base.back() == '/') return base + std::string(c);
  return base + "/" + std::string(c);
}

// The number of this process. getpid is a system call each time, and the number only changes
// in a child of fork, which clears it.
std::atomic<pid_t> g_process_id{0};

void forget_process_id() { g_process_id.store(0, std::memory_order_relaxed); }

pid_t process_id() {
  static const bool cleared_in_child = ::pthread_atfork(nullptr, nullptr, forget_process_id) == 0;
  pid_t id = g_process_id.load(std::memory_order_relaxed);
  if (id == 0 || !cleared_in_child) {
    id = ::getpid();
    g_process_id.store(id, std::memory_order_relaxed);
  }
  return id;
}

bool lstat_ok(const std::string& p) {
  struct stat st;
  return ::lstat(p.c_str(), &st) == 0;
}

// ---- The folder cache ------------------------------------------------------------------
//
// A name missing in its exact case is looked up in a listing of its folder. Listings are kept,
// so that a run creating hundreds of files in one folder lists it once, under one rule:
//
//   A listing is used only while the kernel reports to this process every change of the
//   folder's entries (an inotify watch set before the folder was read) and the folder's path
//   still leads to the folder that was listed (the same device and inode). Each change, made
//   by this process or by another program, arrives as an event naming the entry, and every
//   event that has arrived is applied before a listing is used; an event that cannot be
//   applied (the folder itself removed, the queue of events overflowed) drops the listing.
//
// Modification times play no part: they advance in coarse ticks, so two changes within one
// tick look like one. Where no watch can be set (no inotify, a network file system whose other
// clients the kernel does not hear) nothing is kept and each lookup reads the folder. At most
// max_cached_folders listings are kept, the least recently used going first, and none of more
// than kMaxListedNames names.
constexpr std::size_t kMaxListedNames = 100000;
constexpr std::uint32_t kWatchedChanges =
    IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO | IN_DELETE_SELF | IN_ONLYDIR;

// File systems whose folders other machines change unseen by the kernel here.
bool changes_unheard(std::uint32_t type) {
  switch (type) {
    case 0x6969:      // NFS
    case 0x517B:      // SMB
    case 0xFF534D42:  // CIFS
    case 0xFE534D42:  // SMB2
    case 0x65735546:  // FUSE (and virtiofs)
    case 0x01021997:  // 9P
    case 0x73757245:  // Coda
    case 0x5346414F:  // AFS
    case 0x00C36400:  // Ceph
      return true;
    default:
      return false;
  }
}

struct FolderListing {
  dev_t device = 0;
  ino_t inode = 0;
  int watch = -1;
  std::uint64_t last_used = 0;
  std::size_t count = 0;  // names listed
  // Case key -> the spellings on disk in byte order; the first is the one a lookup gives.
  std::unordered_map<std::u32string, std::vector<std::string>> names;
};

void add_listed_name(FolderListing& f, std::string_view name) {
  std::vector<std::string>& spellings = f.names[utf8_case_key(name)];
  auto at = std::lower_bound(spellings.begin(), spellings.end(), name);
  if (at != spellings.end() && *at == name) return;
  spellings.insert(at, std::string(name));
  ++f.count;
}

void remove_listed_name(FolderListing& f, std::string_view name) {
  auto it = f.names.find(utf8_case_key(name));
  if (it == f.names.end()) return;
  std::vector<std::string>& spellings = it->second;
  auto at = std::lower_bound(spellings.begin(), spellings.end(), name);
  if (at == spellings.end() || *at != name) return;
  spellings.erase(at);
  --f.count;
  if (spellings.empty()) f.names.erase(it);
}

// The entry of an open folder whose name equals key case-insensitively, read without keeping
// a listing; the first in byte order when several do.
std::string search_folder(DIR* d, const std::u32string& key) {
  std::string found;
  while (dirent* e = ::readdir(d)) {
    std::string_view name = e->d_name;
    if ((found.empty() || name < found) && utf8_case_key(name) == key) found = name;
  }
  return found;
}

class FolderCache {
 public:
  // The entry of the folder at path (whose stat is st) whose name equals c case-insensitively;
  // the first in byte order when several do. Empty when none.
  std::string find(const std::string& path, const struct stat& st, std::string_view c) {
    const std::u32string key = utf8_case_key(c);
    std::lock_guard<std::mutex> guard(lock_);
    take_events();
    FolderListing* f = listing_of(st);
    if (!f) {
      DIR* d = ::opendir(path.c_str());
      if (!d) return {};
      f = list(path, st, d);
      std::string found;
      if (!f) found = search_folder(d, key);
      ::closedir(d);
      if (!f) return found;
    }
    f->last_used = ++clock_;
    auto it = f->names.find(key);
    return it == f->names.end() ? std::string() : it->second.front();
  }

  std::size_t size() {
    std::lock_guard<std::mutex> guard(lock_);
    take_events();
    return listings_.size();
  }

 private:
  // The watch instance of this process, opened on first use; -1 when there is none.
  int events() {
    if (owner_ != process_id()) {
      // A child of fork shares the parent's instance: reading it would take the parent's
      // events, removing watches would end them. The child starts one of its own.
      if (events_ >= 0) ::close(events_);
      listings_.clear();
      owner_ = process_id();
      events_ = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    }
    return events_;
  }

  FolderListing* listing_of(const struct stat& st) {
    for (FolderListing& f : listings_)
      if (f.device == st.st_dev && f.inode == st.st_ino) return &f;
    return nullptr;
  }

  void drop(FolderListing& f) {
    ::inotify_rm_watch(events_, f.watch);
    if (&f != &listings_.back()) f = std::move(listings_.back());
    listings_.pop_back();
  }

  void drop_all() {
    while (!listings_.empty()) drop(listings_.back());
  }

  // Applies the events that have arrived.
  void take_events() {
    const int fd = events();
    if (fd < 0) return;
    alignas(inotify_event) char buffer[16384];
    for (;;) {
      const ssize_t n = ::read(fd, buffer, sizeof buffer);
      if (n < 0 && errno == EINTR) continue;
      if (n < 0 && errno != EAGAIN) drop_all();  // events may be lost: trust none
      if (n <= 0) return;
      for (ssize_t at = 0; at < n;) {
        const auto* e = reinterpret_cast<const inotify_event*>(buffer + at);
        apply(*e);
        at += static_cast<ssize_t>(sizeof(inotify_event) + e->len);
      }
    }
  }

  void apply(const inotify_event& e) {
    if (e.mask & IN_Q_OVERFLOW) {
      drop_all();
      return;
    }
    auto f = std::find_if(listings_.begin(), listings_.end(),
                          [&](const FolderListing& l) { return l.watch == e.wd; });
    if (f == listings_.end()) return;  // a folder dropped before the event was read
    if (e.mask & (IN_DELETE_SELF | IN_IGNORED | IN_UNMOUNT)) {
      drop(*f);
    } else if (e.len == 0) {
      return;
    } else if (e.mask & (IN_CREATE | IN_MOVED_TO)) {
      add_listed_name(*f, e.name);
      if (f->count > kMaxListedNames) drop(*f);
    } else if (e.mask & (IN_DELETE | IN_MOVED_FROM)) {
      remove_listed_name(*f, e.name);
    }
  }

  // Watches and reads the open folder d (path with stat st) into a new listing; nullptr, with
  // d left to be read once more, when it is not to be kept.
  FolderListing* list(const std::string& path, const struct stat& st, DIR* d) {
    const int fd = events();
    if (fd < 0) return nullptr;
    struct statfs where;
    struct stat opened;
    if (::fstatfs(::dirfd(d), &where) != 0) return nullptr;
    if (changes_unheard(static_cast<std::uint32_t>(where.f_type))) return nullptr;
    const int watch = ::inotify_add_watch(fd, path.c_str(), kWatchedChanges);
    if (watch < 0) return nullptr;
    // The watch must be on the folder that is read, and in place before the reading.
    if (::fstat(::dirfd(d), &opened) != 0 || opened.st_dev != st.st_dev ||
        opened.st_ino != st.st_ino) {
      ::inotify_rm_watch(fd, watch);
      return nullptr;
    }
    FolderListing f;
    f.device = st.st_dev;
    f.inode = st.st_ino;
    f.watch = watch;
    while (dirent* e = ::readdir(d)) {
      add_listed_name(f, e->d_name);
      if (f.count > kMaxListedNames) {
        ::inotify_rm_watch(fd, watch);
        ::rewinddir(d);
        return nullptr;
      }
    }
    if (listings_.size() >= max_cached_folders) {
      drop(*std::min_element(listings_.begin(), listings_.end(),
                             [](const FolderListing& a, const FolderListing& b) {
                               return a.last_used < b.last_used;
                             }));
    }
    listings_.push_back(std::move(f));
    return &listings_.back();
  }

  std::mutex lock_;
  pid_t owner_ = 0;
  int events_ = -1;
  std::uint64_t clock_ = 0;
  std::vector<FolderListing> listings_;
};

FolderCache& folder_cache() {
  static FolderCache cache;
  return cache;
}

std::string find_ignore_case(const std::string& dir, std::string_view c) {
  const std::string path = dir.empty() ? "." : dir;
  struct stat st;
  if (::stat(path.c_str(), &st) != 0) return {};
  return folder_cache().find(path, st, c);
}

// The directory part resolved, the last component kept as written: for names that are
// about to be created or renamed to.
std::string resolve_parent(std::string_view name, const DriveTable& drives) {
  std::string p = native_path(name, drives);
  std::size_t slash = p.find_last_of('/');
  if (slash == std::string::npos) return p;
  std::string dir = slash == 0 ? "/" : resolve_path(p.substr(0, slash));
  return join_disk(dir, std::string_view(p).substr(slash + 1));
}

FileError error_from_errno(int e, bool writing) {
  switch (e) {
    case ENOENT:
    case ENOTDIR:
      return FileError::missing;
    case EISDIR:
      return FileError::is_directory;
    case EACCES:
    case EPERM:
    case EROFS:
      return writing ? FileError::unwritable : FileError::unreadable;
    default:
      return writing ? FileError::unwritable : FileError::io_error;
  }
}

// "*" and "?" over code points; the star backtracks only to its latest position, so the
// time is at most pattern length x name length.
bool match_plain(const std::u32string& p, std::size_t pn, const std::u32string& n) {
  std::size_t i = 0, j = 0, star = std::string::npos, mark = 0;
  while (j < n.size()) {
    if (i < pn && p[i] == '*') {
      // Checked first: a '*' in the pattern is always a wildcard, even against a '*'.
      star = i++;
      mark = j;
    } else if (i < pn && (p[i] == '?' || p[i] == n[j])) {
      ++i;
      ++j;
    } else if (star != std::string::npos) {
      i = star + 1;
      j = ++mark;
    } else {
      return false;
    }
  }
  while (i < pn && p[i] == '*') ++i;
  return i == pn;
}

DirEntry make_entry(const std::string& dir, std::string_view disk_name, const struct stat& st) {
  DirEntry e;
  e.disk_name = std::string(disk_name);
  e.name = is_valid_utf8(disk_name) ? utf8_to_code_page(disk_name, CodePage::cp1252, '?')
                                    : std::string(disk_name);
  e.path = join_disk(dir, disk_name);
  bool is_dir = S_ISDIR(st.st_mode);
  e.attributes = is_dir ? attr_directory : attr_archive;
  if (!(st.st_mode & S_IWUSR)) e.attributes |= attr_read_only;
  if (disk_name.size() > 1 && disk_name[0] == '.' && disk_name != "..") e.attributes |= attr_hidden;
  e.size = is_dir ? 0 : static_cast<std::uint64_t>(st.st_size);
  e.time = local_from_time_t(st.st_mtim.tv_sec, static_cast<int>(st.st_mtim.tv_nsec / 1000000));
  e.dos_time = pack_dos_date_time(e.time);
  return e;
}

}  // namespace

// ---- Drives ---------------------------------------------------------------------------

bool DriveTable::map(char letter, std::string root) {
  if (letter >= 'a' && letter <= 'z') letter = static_cast<char>(letter - 32);
  if (letter < 'A' || letter > 'Z') return false;
  roots_[letter - 'A'] = std::move(root);
  return true;
}

const std::string* DriveTable::root(char letter) const {
  if (letter >= 'a' && letter <= 'z') letter = static_cast<char>(letter - 32);
  if (letter < 'A' || letter > 'Z') return nullptr;
  const std::string& r = roots_[letter - 'A'];
  return r.empty() ? nullptr : &r;
}

const DriveTable& no_drives() {
  static const DriveTable empty;
  return empty;
}

DriveTable parse_drive_table(std::string_view drives_text) {
  DriveTable table;
  auto trim = [](std::string_view v) {
    while (!v.empty() && (v.front() == ' ' || v.front() == '\t')) v.remove_prefix(1);
    while (!v.empty() && (v.back() == ' ' || v.back() == '\t')) v.remove_suffix(1);
    return v;
  };
  while (!drives_text.empty()) {
    std::size_t semi = drives_text.find(';');
    std::string_view item = trim(drives_text.substr(0, semi));
    drives_text =
        semi == std::string_view::npos ? std::string_view() : drives_text.substr(semi + 1);
    std::size_t eq = item.find('=');
    if (eq == std::string_view::npos) continue;
    std::string_view letter = trim(item.substr(0, eq));
    std::string_view root = trim(item.substr(eq + 1));
    if (letter.size() == 1 && !root.empty()) table.map(letter[0], std::string(root));
  }
  return table;
}

DriveTable drives_from_environment() {
  const char* v = std::getenv("CORVINA_DRIVES");
  return parse_drive_table(v ? v : "");
}

// ---- Names ----------------------------------------------------------------------------

std::string native_path(std::string_view name, const DriveTable& drives) {
  std::string s = to_disk_encoding(name);
  if (has_drive_prefix(s)) {
    std::string rest = s.substr(2);
    if (const std::string* root = drives.root(s[0])) {
      if (rest.empty())
        s = *root;
      else if (is_path_separator(rest[0]) && !root->empty() && is_path_separator(root->back()))
        s = *root + rest.substr(1);
      else if (is_path_separator(rest[0]) || (!root->empty() && is_path_separator(root->back())))
        s = *root + rest;
      else
        s = *root + "/" + rest;
    } else {
      s = rest.empty() ? "." : rest;
    }
  }
  std::replace(s.begin(), s.end(), '\\', '/');
  return s;
}

std::string resolve_path(std::string_view name, const DriveTable& drives) {
  std::string p = native_path(name, drives);
  if (p.empty() || lstat_ok(p)) return p;

  std::string base = p[0] == '/' ? "/" : "";
  std::size_t pos = 0;
  while (pos < p.size()) {
    std::size_t end = p.find('/', pos);
    if (end == std::string::npos) end = p.size();
    std::string_view c = std::string_view(p).substr(pos, end - pos);
    pos = end + 1;
    if (c.empty()) continue;
    std::string exact = join_disk(base, c);
    if (c == "." || c == ".." || lstat_ok(exact)) {
      base = std::move(exact);
      continue;
    }
    std::string match = find_ignore_case(base, c);
    if (match.empty()) {
      // The rest does not exist in any case: keep it as written.
      base = std::move(exact);
      if (pos < p.size()) base += p.substr(pos - 1);
      return base;
    }
    base = join_disk(base, match);
  }
  if (p.back() == '/' && (base.empty() || base.back() != '/')) base += '/';
  return base;
}

std::size_t cached_folder_count() { return folder_cache().size(); }

std::string extract_file_name(std::string_view path) {
  std::size_t pos = last_separator(path);
  return std::string(pos == std::string_view::npos ? path : path.substr(pos + 1));
}

std::string extract_file_path(std::string_view path) {
  std::size_t pos = last_separator(path);
  return pos == std::string_view::npos ? std::string() : std::string(path.substr(0, pos + 1));
}

std::string extract_file_dir(std::string_view path) {
  std::string dir = extract_file_path(path);
  if (dir.empty() || !is_path_separator(dir.back())) return dir;
  std::string_view without(dir.data(), dir.size() - 1);
  // A root keeps its separator: "/" and "C:\".
  if (without.empty() || (without.size() == 2 && has_drive_prefix(without))) return dir;
  return std::string(without);
}

std::string extract_file_ext(std::string_view path) {
  std::size_t sep = last_separator(path);
  std::size_t dot = path.find_last_of('.');
  if (dot == std::string_view::npos || (sep != std::string_view::npos && dot < sep)) return {};
  return std::string(path.substr(dot));
}

std::string change_file_ext(std::string_view path, std::string_view ext) {
  std::string old = extract_file_ext(path);
  std::string out(path.substr(0, path.size() - old.size()));
  if (!ext.empty()) {
    if (ext[0] != '.') out += '.';
    out += ext;
  }
  return out;
}

std::string join_path(std::string_view a, std::string_view b) {
  if (a.empty()) return std::string(b);
  while (!b.empty() && is_path_separator(b[0])) b.remove_prefix(1);
  if (is_path_separator(a.back())) return std::string(a) + std::string(b);
  bool backslash = a.find('\\') != std::string_view::npos && a.find('/') == std::string_view::npos;
  return std::string(a) + (backslash ? '\\' : '/') + std::string(b);
}

bool same_file_name(std::string_view a, std::string_view b) {
  std::string x = to_disk_encoding(a), y = to_disk_encoding(b);
  std::replace(x.begin(), x.end(), '\\', '/');
  std::replace(y.begin(), y.end(), '\\', '/');
  return utf8_equal_ignore_case(x, y);
}

const char* file_error_text(FileError error) {
  switch (error) {
    case FileError::none:
      return "no error";
    case FileError::missing:
      return "file not found";
    case FileError::is_directory:
      return "is a directory";
    case FileError::unreadable:
      return "file cannot be read";
    case FileError::unwritable:
      return "file cannot be written";
    case FileError::io_error:
      return "read or write error";
  }
  return "unknown error";
}

// ---- Files ----------------------------------------------------------------------------

bool file_exists(std::string_view name, const DriveTable& drives) {
  std::string p = resolve_path(name, drives);
  struct stat st;
  if (::stat(p.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
  int fd = ::open(p.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return false;
  ::close(fd);
  return true;
}

bool directory_exists(std::string_view name, const DriveTable& drives) {
  std::string p = resolve_path(name, drives);
  struct stat st;
  return ::stat(p.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::optional<std::uint64_t> file_size(std::string_view name, const DriveTable& drives) {
  std::string p = resolve_path(name, drives);
  struct stat st;
  if (::stat(p.c_str(), &st) != 0 || S_ISDIR(st.st_mode)) return std::nullopt;
  return static_cast<std::uint64_t>(st.st_size);
}

namespace {

// Large buffers filled at once fault page by page, and each fault is costly in a virtual
// machine; where the system allows, such a buffer takes huge pages instead.
void advise_huge_pages(void* data, std::size_t size) {
  constexpr std::uintptr_t kHuge = std::uintptr_t{2} << 20;
  if (size < 2 * kHuge) return;
  const auto from = (reinterpret_cast<std::uintptr_t>(data) + kHuge - 1) & ~(kHuge - 1);
  const auto to = (reinterpret_cast<std::uintptr_t>(data) + size) & ~(kHuge - 1);
  if (to > from) ::madvise(reinterpret_cast<void*>(from), to - from, MADV_HUGEPAGE);
}

// Reads a whole file into `out` (a byte vector or a string), straight into its storage.
template <typename Buffer>
FileError read_whole_file(const std::string& path, Buffer& out) {
  out.clear();
  struct stat st;
  if (::stat(path.c_str(), &st) != 0) return error_from_errno(errno, false);
  if (S_ISDIR(st.st_mode)) return FileError::is_directory;
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return error_from_errno(errno, false);
  // Read to the end rather than trusting the size: the file may change meanwhile.
  std::size_t used = 0;
  const std::size_t expected =
      S_ISREG(st.st_mode) ? static_cast<std::size_t>(st.st_size) + 1 : 65536;
  out.reserve(expected);
  advise_huge_pages(out.data(), expected);
  out.resize(expected);
  FileError error = FileError::none;
  for (;;) {
    if (used == out.size()) out.resize(out.size() * 2);
    const ssize_t n = ::read(fd, out.data() + used, out.size() - used);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      error = errno == EISDIR ? FileError::is_directory : FileError::io_error;
      used = 0;
      break;
    }
    if (n == 0) break;
    used += static_cast<std::size_t>(n);
  }
  ::close(fd);
  out.resize(used);
  return error;
}

}  // namespace

ReadResult read_file(std::string_view name, const DriveTable& drives) {
  ReadResult r;
  r.path = resolve_path(name, drives);
  r.error = read_whole_file(r.path, r.bytes);
  return r;
}

ReadTextResult read_text_file(std::string_view name, const DriveTable& drives) {
  ReadTextResult r;
  r.path = resolve_path(name, drives);
  r.error = read_whole_file(r.path, r.text);
  return r;
}

FilePtr open_file(std::string_view name, const char* mode, FileError* error,
                  const DriveTable& drives) {
  bool writing = std::strpbrk(mode, "wa+") != nullptr;
  std::string p = resolve_path(name, drives);
  FilePtr f(std::fopen(p.c_str(), mode));
  FileError e = FileError::none;
  if (!f) {
    e = error_from_errno(errno, writing);
  } else {
    struct stat st;
    // fopen of a folder for reading succeeds on Linux; Windows refuses it.
    if (::fstat(fileno(f.get()), &st) == 0 && S_ISDIR(st.st_mode)) {
      f.reset();
      e = FileError::is_directory;
    }
  }
  if (error) *error = e;
  return f;
}

FileError write_file(std::string_view name, std::string_view bytes, const DriveTable& drives) {
  FileError e;
  FilePtr f = open_file(name, "wb", &e, drives);
  if (!f) return e;
  if (!bytes.empty() && std::fwrite(bytes.data(), 1, bytes.size(), f.get()) != bytes.size())
    return FileError::io_error;
  if (std::fclose(f.release()) != 0) return FileError::io_error;
  return FileError::none;
}

FileError write_derived_file(std::string_view name, std::string_view bytes,
                             const DriveTable& drives) {
  const std::string p = resolve_path(name, drives);
  // Non-blocking so that a pipe under the name cannot hang the run; only plain files are written.
  const int fd = ::open(p.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC | O_NONBLOCK, 0644);
  if (fd < 0) return error_from_errno(errno, true);
  struct stat st;
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    return FileError::io_error;
  }
  bool ok = true;
  for (std::size_t done = 0; ok && done < bytes.size();) {
    const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    ok = n > 0;
    if (ok) done += static_cast<std::size_t>(n);
  }
  ok = ok && ::ftruncate(fd, static_cast<off_t>(bytes.size())) == 0;
  ok = ::close(fd) == 0 && ok;
  if (ok) return FileError::none;
  ::unlink(p.c_str());
  return FileError::io_error;
}

namespace {

// Creates a file beside the one at dir/base under a name no other writer uses: this process's
// number and a count, tried again while another file holds it. Returns the descriptor and sets
// tmp, or -1 with errno set.
int create_temporary(const std::string& dir, const std::string& base, mode_t mode,
                     std::string& tmp) {
  static std::atomic<unsigned> count{0};
  const std::string stem = join_disk(dir, "." + base + ".tmp" + std::to_string(process_id()) + "_");
  for (int attempt = 0; attempt < 100; ++attempt) {
    tmp = stem + std::to_string(count.fetch_add(1, std::memory_order_relaxed));
    const int fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  return -1;
}

}  // namespace

FileError replace_file_atomic(std::string_view name, std::string_view bytes,
                              const DriveTable& drives, ReplaceOptions options) {
  return replace_file_atomic(
      name,
      [bytes](std::FILE* f) {
        return bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
      },
      drives, options);
}

FileError replace_file_atomic(std::string_view name, const std::function<bool(std::FILE*)>& writer,
                              const DriveTable& drives, ReplaceOptions options) {
  std::string p = resolve_path(name, drives);
  struct stat st;
  bool exists = ::lstat(p.c_str(), &st) == 0;
  if (exists && S_ISLNK(st.st_mode)) {
    // Replace the file the link points to, not the link.
    char real[PATH_MAX];
    if (::realpath(p.c_str(), real)) p = real;
    exists = ::stat(p.c_str(), &st) == 0;
  }
  if (exists && S_ISDIR(st.st_mode)) return FileError::is_directory;

  std::size_t slash = p.find_last_of('/');
  std::string dir = slash == std::string::npos ? "." : (slash == 0 ? "/" : p.substr(0, slash));
  std::string base = slash == std::string::npos ? p : p.substr(slash + 1);
  std::string tmp;
  // A new file is made with 0644 for the system to take the umask off; a replaced one gets
  // its old bits, which the umask must not touch.
  int fd = create_temporary(dir, base, exists || options.private_file ? 0600 : 0644, tmp);
  if (fd < 0) return error_from_errno(errno, true);
  if (exists && !options.private_file) ::fchmod(fd, st.st_mode & 07777);

  std::FILE* f = ::fdopen(fd, "wb");
  if (!f) {
    ::close(fd);
    ::unlink(tmp.c_str());
    return FileError::unwritable;
  }
  bool ok = writer(f);
  ok = ok && std::fflush(f) == 0 && !std::ferror(f);
  ok = ok && (!options.flush || ::fsync(fileno(f)) == 0);
  ok = (std::fclose(f) == 0) && ok;
  if (!ok) {
    ::unlink(tmp.c_str());
    return FileError::io_error;
  }
  if (::rename(tmp.c_str(), p.c_str()) != 0) {
    // The temporary file was made, so the folder takes files: the replacement failed
    // part-way, unless the name has become a folder meanwhile.
    const FileError e = errno == EISDIR ? FileError::is_directory : FileError::io_error;
    ::unlink(tmp.c_str());
    return e;
  }
  if (!options.flush) return FileError::none;
  // Make the rename itself durable.
  int dfd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dfd >= 0) {
    ::fsync(dfd);
    ::close(dfd);
  }
  return FileError::none;
}

CopyResult copy_file_keeping_time(std::string_view from, std::string_view to,
                                  ReplaceOptions options) {
  const auto fail = [](CopyResult::Kind kind, std::string text) {
    return CopyResult{kind, std::move(text)};
  };
  const std::string source = resolve_path(from);
  struct stat ss {};
  if (::stat(source.c_str(), &ss) != 0)
    return fail(CopyResult::unreadable,
                "cannot read " + std::string(from) + ": " + std::strerror(errno));
  if (!S_ISREG(ss.st_mode))
    return fail(CopyResult::unreadable, std::string(from) + " is not a file");
  struct stat ds {};
  if (::stat(resolve_path(to).c_str(), &ds) == 0 && ds.st_dev == ss.st_dev &&
      ds.st_ino == ss.st_ino)
    return fail(CopyResult::same_file,
                std::string(from) + " and " + std::string(to) + " are the same file");
  const ReadResult bytes = read_file(source);
  if (!bytes.ok())
    return fail(CopyResult::unreadable,
                "cannot read " + std::string(from) + ": " + file_error_text(bytes.error));
  const FileError written = replace_file_atomic(
      to, std::string_view(reinterpret_cast<const char*>(bytes.bytes.data()), bytes.bytes.size()),
      no_drives(), options);
  if (written != FileError::none)
    return fail(CopyResult::unwritable,
                "cannot write " + std::string(to) + ": " + file_error_text(written));
  const struct timespec times[2] = {ss.st_atim, ss.st_mtim};
  if (::utimensat(AT_FDCWD, resolve_path(to).c_str(), times, 0) != 0)
    return fail(CopyResult::unwritable,
                "cannot set the time of " + std::string(to) + ": " + std::strerror(errno));
  return {};
}

bool rename_file(std::string_view from, std::string_view to, const DriveTable& drives) {
  std::string f = resolve_path(from, drives);
  if (!lstat_ok(f)) return false;
  // The new name keeps its spelling, so a rename that only changes case works.
  std::string t = resolve_parent(to, drives);
  return ::rename(f.c_str(), t.c_str()) == 0;
}

bool erase_file(std::string_view name, const DriveTable& drives) {
  std::string p = resolve_path(name, drives);
  struct stat st;
  if (::lstat(p.c_str(), &st) != 0 || S_ISDIR(st.st_mode)) return false;
  return ::unlink(p.c_str()) == 0;
}

bool create_directory(std::string_view name, const DriveTable& drives) {
  std::string p = resolve_path(name, drives);
  return ::mkdir(p.c_str(), 0777) == 0;
}

bool remove_directory(std::string_view name, const DriveTable& drives) {
  std::string p = resolve_path(name, drives);
  return ::rmdir(p.c_str()) == 0;
}

std::optional<std::uint64_t> disk_free(std::string_view path, const DriveTable& drives) {
  std::string p = resolve_path(path, drives);
  struct statvfs vfs;
  if (::statvfs(p.empty() ? "." : p.c_str(), &vfs) != 0) return std::nullopt;
  return static_cast<std::uint64_t>(vfs.f_bavail) * vfs.f_frsize;
}

// ---- Dates ----------------------------------------------------------------------------

DosDateTime pack_dos_date_time(const LocalDateTime& t) {
  if (t.year < 1980) return DosDateTime{0x21, 0};
  if (t.year > 2107) return pack_dos_date_time(LocalDateTime{2107, 12, 31, 23, 59, 58, 0});
  auto field = [](int v, int lo, int hi) { return static_cast<unsigned>(std::clamp(v, lo, hi)); };
  unsigned date = ((static_cast<unsigned>(t.year) - 1980) << 9) | (field(t.month, 1, 12) << 5) |
                  field(t.day, 1, 31);
  unsigned time =
      (field(t.hour, 0, 23) << 11) | (field(t.minute, 0, 59) << 5) | (field(t.second, 0, 59) / 2);
  return DosDateTime{static_cast<std::uint16_t>(date), static_cast<std::uint16_t>(time)};
}

LocalDateTime unpack_dos_date_time(DosDateTime d) {
  LocalDateTime t;
  t.year = 1980 + (d.date >> 9);
  t.month = (d.date >> 5) & 0x0F;
  t.day = d.date & 0x1F;
  t.hour = d.time >> 11;
  t.minute = (d.time >> 5) & 0x3F;
  t.second = (d.time & 0x1F) * 2;
  t.millisecond = 0;
  return t;
}

std::optional<LocalDateTime> get_file_time(std::string_view name, const DriveTable& drives) {
  std::string p = resolve_path(name, drives);
  struct stat st;
  if (::stat(p.c_str(), &st) != 0) return std::nullopt;
  return local_from_time_t(st.st_mtim.tv_sec, static_cast<int>(st.st_mtim.tv_nsec / 1000000));
}

bool set_file_time(std::string_view name, const LocalDateTime& t, const DriveTable& drives) {
  auto secs = time_t_from_local(t);
  if (!secs) return false;
  std::string p = resolve_path(name, drives);
  timespec times[2];
  times[0].tv_sec = *secs;
  times[0].tv_nsec = static_cast<long>(t.millisecond) * 1000000L;
  times[1] = times[0];
  return ::utimensat(AT_FDCWD, p.c_str(), times, 0) == 0;
}

// ---- Find first / next ----------------------------------------------------------------

bool match_dos_wildcard(std::string_view pattern, std::string_view name) {
  const std::u32string p = utf8_case_key(pattern);
  const std::u32string n = utf8_case_key(name);
  bool name_has_dot = std::find(n.begin(), n.end(), char32_t('.')) != n.end();
  std::size_t pn = p.size();
  if (pn >= 2 && p[pn - 2] == '.' && p[pn - 1] == '*') {
    // "x.*" also takes a name without an extension.
    if (match_plain(p, pn, n)) return true;
    return !name_has_dot && match_plain(p, pn - 2, n);
  }
  if (pn >= 1 && p[pn - 1] == '.' && !(pn == 1 || (pn == 2 && p[0] == '.'))) {
    // "x." means: no extension.
    return !name_has_dot && match_plain(p, pn - 1, n);
  }
  return match_plain(p, pn, n);
}

std::vector<DirEntry> find_files(std::string_view pattern, std::uint32_t attribute_mask,
                                 const DriveTable& drives) {
  std::vector<DirEntry> out;
  std::string p = native_path(pattern, drives);
  std::size_t slash = p.find_last_of('/');
  std::string mask = slash == std::string::npos ? p : p.substr(slash + 1);
  if (mask.empty()) return out;
  std::string dir;
  if (slash != std::string::npos) dir = slash == 0 ? "/" : resolve_path(p.substr(0, slash));
  DIR* d = ::opendir(dir.empty() ? "." : dir.c_str());
  if (!d) return out;
  const std::uint32_t filtered = attr_hidden | attr_system | attr_directory;
  while (dirent* e = ::readdir(d)) {
    std::string_view n = e->d_name;
    if (!match_dos_wildcard(mask, n)) continue;
    std::string full = join_disk(dir, n);
    struct stat st;
    if (::stat(full.c_str(), &st) != 0 && ::lstat(full.c_str(), &st) != 0) continue;
    DirEntry entry = make_entry(dir, n, st);
    if (entry.attributes & filtered & ~attribute_mask) continue;
    out.push_back(std::move(entry));
  }
  ::closedir(d);
  std::sort(out.begin(), out.end(),
            [](const DirEntry& a, const DirEntry& b) { return a.disk_name < b.disk_name; });
  return out;
}

bool FileFinder::first(std::string_view pattern, std::uint32_t attribute_mask,
                       const DriveTable& drives) {
  entries_ = find_files(pattern, attribute_mask, drives);
  index_ = 0;
  return !entries_.empty();
}

bool FileFinder::next() {
  if (index_ < entries_.size()) ++index_;
  return index_ < entries_.size();
}

// ---- Well-known folders ----------------------------------------------------------------

std::string temp_directory() {
  for (const char* var : {"TMPDIR", "TEMP", "TMP"}) {
    const char* v = std::getenv(var);
    if (v && *v) {
      std::string s = v;
      while (s.size() > 1 && s.back() == '/') s.pop_back();
      return s;
    }
  }
  return "/tmp";
}

std::string program_directory() {
  char buf[PATH_MAX];
  ssize_t n = ::readlink("/proc/self/exe", buf, sizeof buf - 1);
  if (n <= 0) return ".";
  std::string exe(buf, static_cast<std::size_t>(n));
  std::size_t slash = exe.find_last_of('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : exe.substr(0, slash);
}

std::string current_directory() {
  std::vector<char> buf(PATH_MAX);
  for (;;) {
    if (::getcwd(buf.data(), buf.size())) return buf.data();
    if (errno != ERANGE) return ".";
    buf.resize(buf.size() * 2);
  }
}

}  // namespace platform

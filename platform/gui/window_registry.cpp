#include "platform/gui/window_registry.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>

namespace platform::gui {

namespace {

// Marks our datagrams, so that a stray packet of another shape is never taken as a message.
constexpr std::uint32_t kMagic = 0x4d575643;  // "CVWM"
constexpr std::size_t kDatagramSize = 16;
// Stored titles are cut here; the walk reads fewer still.
constexpr std::size_t kStoredTitleMax = 4096;

// The kernel's start time of a process: with the pid it tells a living owner from a new
// process that got the pid of a dead one.
std::string process_start_time(pid_t pid) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
  std::string line;
  if (!std::getline(in, line)) return {};
  const auto close = line.rfind(')');
  if (close == std::string::npos) return {};
  std::istringstream fields(line.substr(close + 1));
  std::string field;
  // Fields after the command name start at 3 (state); the start time is field 22.
  for (int index = 3; index <= 22 && (fields >> field); ++index) {
    if (index == 22) return field;
  }
  return {};
}

// An exclusive lock on the registry for a read-modify-write of its entries.
class RegistryLock {
 public:
  explicit RegistryLock(const std::string& directory)
      : fd_(::open((directory + "/lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW,
                   0600)) {
    if (fd_ >= 0) ::flock(fd_, LOCK_EX);
  }
  ~RegistryLock() {
    if (fd_ >= 0) ::close(fd_);
  }
  RegistryLock(const RegistryLock&) = delete;
  RegistryLock& operator=(const RegistryLock&) = delete;

 private:
  int fd_;
};

bool fill_address(sockaddr_un& address, const std::string& path) {
  std::memset(&address, 0, sizeof address);
  address.sun_family = AF_UNIX;
  if (path.size() >= sizeof address.sun_path) return false;
  std::memcpy(address.sun_path, path.data(), path.size());
  return true;
}

}  // namespace

struct WindowRegistry::Entry {
  long pid = 0;
  std::string start_time;
  WindowHandle parent = 0;
  std::int64_t activated = 0;
  std::string title;
};

WindowRegistry::WindowRegistry(std::string directory) : directory_(std::move(directory)) {
  if (::mkdir(directory_.c_str(), 0700) != 0 && errno != EEXIST) {
    error_ = "cannot create " + directory_ + ": " + std::strerror(errno);
    return;
  }
  struct stat info {};
  if (::lstat(directory_.c_str(), &info) != 0) {
    error_ = "cannot read " + directory_ + ": " + std::strerror(errno);
  } else if (!S_ISDIR(info.st_mode)) {
    error_ = directory_ + " is not a directory";
  } else if (info.st_uid != ::getuid()) {
    error_ = directory_ + " belongs to another user";
  } else if ((info.st_mode & 077) != 0) {
    error_ = directory_ + " is open to other users";
  } else {
    sockaddr_un probe{};
    if (!fill_address(probe, socket_path(2147483647))) error_ = directory_ + " is too long a path";
  }
}

std::string WindowRegistry::default_directory() {
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  if (runtime && *runtime) return std::string(runtime) + "/corvina-windows";
  return "/tmp/corvina-windows-" + std::to_string(::getuid());
}

std::string WindowRegistry::entry_path(WindowHandle window) const {
  return directory_ + "/" + std::to_string(window) + ".entry";
}

std::string WindowRegistry::socket_path(WindowHandle window) const {
  return directory_ + "/" + std::to_string(window) + ".sock";
}

std::optional<WindowRegistry::Entry> WindowRegistry::read_entry(WindowHandle window) const {
  if (!ok() || window <= 0) return std::nullopt;
  const int fd = ::open(entry_path(window).c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
  if (fd < 0) return std::nullopt;
  std::string text;
  char buffer[4096];
  ssize_t got;
  while ((got = ::read(fd, buffer, sizeof buffer)) > 0 && text.size() < 2 * kStoredTitleMax)
    text.append(buffer, static_cast<std::size_t>(got));
  ::close(fd);
  Entry entry;
  std::istringstream in(text);
  std::string key;
  if (!(in >> key >> entry.pid) || key != "pid") return std::nullopt;
  if (!(in >> key >> entry.start_time) || key != "start") return std::nullopt;
  if (!(in >> key >> entry.parent) || key != "parent") return std::nullopt;
  if (!(in >> key >> entry.activated) || key != "activated") return std::nullopt;
  if (!(in >> key) || key != "title") return std::nullopt;
  in.get();  // the blank after the key
  std::getline(in, entry.title, '\0');
  return entry;
}

bool WindowRegistry::write_entry(WindowHandle window, const Entry& entry) const {
  const std::string path = entry_path(window);
  const std::string temporary = path + ".new";
  std::ostringstream out;
  out << "pid " << entry.pid << "\nstart " << entry.start_time << "\nparent " << entry.parent
      << "\nactivated " << entry.activated << "\ntitle " << entry.title.substr(0, kStoredTitleMax);
  const std::string text = out.str();
  const int fd =
      ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0600);
  if (fd < 0) return false;
  const bool written = ::write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
  ::close(fd);
  // Readers see the old entry or the new one, never half of one.
  if (!written || ::rename(temporary.c_str(), path.c_str()) != 0) {
    ::unlink(temporary.c_str());
    return false;
  }
  return true;
}

void WindowRegistry::remove_window(WindowHandle window) const {
  ::unlink(entry_path(window).c_str());
  ::unlink(socket_path(window).c_str());
}

bool WindowRegistry::entry_alive(const Entry& entry) const {
  if (entry.pid <= 0) return false;
  if (::kill(static_cast<pid_t>(entry.pid), 0) != 0 && errno == ESRCH) return false;
  return process_start_time(static_cast<pid_t>(entry.pid)) == entry.start_time;
}

std::int64_t WindowRegistry::next_stamp() const {
  // Called under the registry lock.
  const std::string path = directory_ + "/sequence";
  std::int64_t stamp = 0;
  {
    std::ifstream in(path);
    in >> stamp;
  }
  ++stamp;
  // Stamps double as handles: keep them positive 32-bit values.
  if (stamp > 2147483647 || stamp < 1) stamp = 1;
  const std::string temporary = path + ".new";
  {
    std::ofstream out(temporary, std::ios::trunc);
    out << stamp;
  }
  std::rename(temporary.c_str(), path.c_str());
  return stamp;
}

std::vector<WindowHandle> WindowRegistry::z_order() const {
  std::vector<std::pair<std::int64_t, WindowHandle>> found;
  if (!ok()) return {};
  std::vector<WindowHandle> handles;
  if (DIR* dir = ::opendir(directory_.c_str())) {
    while (dirent* item = ::readdir(dir)) {
      const std::string name = item->d_name;
      const auto dot = name.find(".entry");
      if (dot == std::string::npos || dot + 6 != name.size() || dot == 0) continue;
      char* end = nullptr;
      const long value = std::strtol(name.c_str(), &end, 10);
      if (end != name.c_str() + dot || value <= 0 || value > 2147483647) continue;
      handles.push_back(static_cast<WindowHandle>(value));
    }
    ::closedir(dir);
  }
  for (const WindowHandle window : handles) {
    const auto entry = read_entry(window);
    if (!entry) continue;
    if (!entry_alive(*entry)) {
      remove_window(window);
      continue;
    }
    if (entry->parent == 0) found.emplace_back(entry->activated, window);
  }
  std::sort(found.begin(), found.end(), [](const auto& a, const auto& b) { return a > b; });
  std::vector<WindowHandle> order;
  for (const auto& [stamp, window] : found) order.push_back(window);
  return order;
}

std::string WindowRegistry::window_title(WindowHandle window) const {
  const auto entry = read_entry(window);
  if (!entry) return {};
  return entry->title.substr(0, kTitleBufferLength);
}

WindowHandle WindowRegistry::first_child(WindowHandle window) const {
  if (window <= 0) return 0;
  // Handles grow with each registration, so the smallest child handle is the first child
  // (a wrap of the 31-bit counter aside).
  WindowHandle first = 0;
  if (DIR* dir = ::opendir(directory_.c_str())) {
    while (dirent* item = ::readdir(dir)) {
      char* end = nullptr;
      const long value = std::strtol(item->d_name, &end, 10);
      if (value <= 0 || value > 2147483647 || std::strcmp(end, ".entry") != 0) continue;
      const auto entry = read_entry(static_cast<WindowHandle>(value));
      if (!entry || entry->parent != window || !entry_alive(*entry)) continue;
      if (first == 0 || value < first) first = static_cast<WindowHandle>(value);
    }
    ::closedir(dir);
  }
  return first;
}

bool WindowRegistry::bring_to_front(WindowHandle window) const {
  if (!ok()) return false;
  RegistryLock lock(directory_);
  auto entry = read_entry(window);
  if (!entry) return false;
  entry->activated = next_stamp();
  return write_entry(window, *entry);
}

bool WindowRegistry::post(WindowHandle window, std::uint32_t message, std::int32_t wParam,
                          std::int32_t lParam) const {
  if (!ok() || window <= 0) return false;
  const std::string path = socket_path(window);
  struct stat info {};
  // Only a socket of our own user in our own directory receives messages.
  if (::lstat(path.c_str(), &info) != 0 || !S_ISSOCK(info.st_mode) || info.st_uid != ::getuid())
    return false;
  sockaddr_un address{};
  if (!fill_address(address, path)) return false;
  const int fd = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return false;
  bool sent = false;
  if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) {
    // A full queue blocks the sender for a while, as a slow receiver would, but not forever.
    timeval limit{1, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &limit, sizeof limit);
    unsigned char datagram[kDatagramSize];
    const std::uint32_t words[4] = {kMagic, message, static_cast<std::uint32_t>(wParam),
                                    static_cast<std::uint32_t>(lParam)};
    std::memcpy(datagram, words, sizeof datagram);
    sent = ::send(fd, datagram, sizeof datagram, MSG_NOSIGNAL) ==
           static_cast<ssize_t>(sizeof datagram);
  } else if (errno == ECONNREFUSED || errno == ENOENT) {
    // Nobody reads the socket any more: the window died without cleaning up.
    remove_window(window);
  }
  ::close(fd);
  return sent;
}

std::unique_ptr<RegisteredWindow> WindowRegistry::register_window(const std::string& title,
                                                                  WindowHandle parent) const {
  if (!ok()) return nullptr;
  RegistryLock lock(directory_);
  Entry entry;
  entry.pid = ::getpid();
  entry.start_time = process_start_time(::getpid());
  entry.parent = parent;
  entry.title = title;
  WindowHandle handle = 0;
  // A stamp whose socket name is still taken (a wrapped counter) is skipped.
  for (int tries = 0; tries < 1000 && handle == 0; ++tries) {
    const std::int64_t stamp = next_stamp();
    struct stat info {};
    if (::lstat(entry_path(static_cast<WindowHandle>(stamp)).c_str(), &info) != 0 &&
        ::lstat(socket_path(static_cast<WindowHandle>(stamp)).c_str(), &info) != 0)
      handle = static_cast<WindowHandle>(stamp);
  }
  if (handle == 0) return nullptr;
  entry.activated = handle;
  const int fd = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
  if (fd < 0) return nullptr;
  sockaddr_un address{};
  if (!fill_address(address, socket_path(handle)) ||
      ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
    ::close(fd);
    return nullptr;
  }
  if (!write_entry(handle, entry)) {
    ::unlink(socket_path(handle).c_str());
    ::close(fd);
    return nullptr;
  }
  return std::unique_ptr<RegisteredWindow>(new RegisteredWindow(*this, handle, fd));
}

RegisteredWindow::RegisteredWindow(const WindowRegistry& registry, WindowHandle handle, int fd)
    : registry_(registry), handle_(handle), fd_(fd) {}

RegisteredWindow::~RegisteredWindow() {
  registry_.remove_window(handle_);
  ::close(fd_);
}

void RegisteredWindow::set_title(const std::string& title) {
  RegistryLock lock(registry_.directory_);
  auto entry = registry_.read_entry(handle_);
  if (!entry) return;
  entry->title = title;
  registry_.write_entry(handle_, *entry);
}

void RegisteredWindow::activate() { registry_.bring_to_front(handle_); }

std::optional<ForeignMessage> RegisteredWindow::receive() {
  unsigned char datagram[64];
  for (;;) {
    const ssize_t got = ::recv(fd_, datagram, sizeof datagram, MSG_DONTWAIT);
    if (got < 0) {
      if (errno == EINTR) continue;
      return std::nullopt;
    }
    if (got != static_cast<ssize_t>(kDatagramSize)) continue;
    std::uint32_t words[4];
    std::memcpy(words, datagram, sizeof words);
    if (words[0] != kMagic) continue;
    return ForeignMessage{words[1], static_cast<std::int32_t>(words[2]),
                          static_cast<std::int32_t>(words[3])};
  }
}

}  // namespace platform::gui

// Top-level windows of other processes. Each taking-part window has an entry in a per-user
// directory (title, parent, activation stamp, owning process) and a Unix-domain datagram
// socket that receives (message, wParam, lParam). The Z order is the order of last activation;
// entries of processes that died are removed by the walk. A message is three numbers: the
// receiver decides what they mean, nothing in a datagram is ever run.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace platform::gui {

// 0 names no window.
using WindowHandle = std::int32_t;

struct ForeignMessage {
  std::uint32_t message = 0;
  std::int32_t wParam = 0;
  std::int32_t lParam = 0;
};

inline constexpr std::uint32_t kWmClose = 0x0010;
// A title is read into a buffer of this many characters, as the desktop walk reads it.
inline constexpr std::size_t kTitleBufferLength = 199;

class RegisteredWindow;

class WindowRegistry {
 public:
  // Creates the directory with mode 0700 when missing. A directory that is not ours or that
  // others may enter leaves the registry unusable (ok() false, error() says why): messages
  // must never go through a place another user controls.
  explicit WindowRegistry(std::string directory);

  // $XDG_RUNTIME_DIR/corvina-windows, or /tmp/corvina-windows-<uid> without that variable.
  static std::string default_directory();

  bool ok() const { return error_.empty(); }
  const std::string& error() const { return error_; }
  const std::string& directory() const { return directory_; }

  // Top-level windows, the last activated first. Entries of dead processes are removed.
  std::vector<WindowHandle> z_order() const;
  // At most kTitleBufferLength characters; empty for an unknown window.
  std::string window_title(WindowHandle window) const;
  // The child registered first under window; 0 when it has none.
  WindowHandle first_child(WindowHandle window) const;
  // Raises window to the top of the Z order; false when it is not registered.
  bool bring_to_front(WindowHandle window) const;
  // One datagram to the window's socket. False when the window is gone (its entry is then
  // removed), when its socket is not a socket of ours, or when its queue stays full for a
  // second (the receiver does not read).
  bool post(WindowHandle window, std::uint32_t message, std::int32_t wParam,
            std::int32_t lParam) const;

  // A window of this process; parent 0 makes it top-level. Null when the registry is unusable
  // or the socket cannot be made. A new top-level window is the topmost.
  std::unique_ptr<RegisteredWindow> register_window(const std::string& title,
                                                    WindowHandle parent = 0) const;

 private:
  friend class RegisteredWindow;
  struct Entry;
  std::optional<Entry> read_entry(WindowHandle window) const;
  bool write_entry(WindowHandle window, const Entry& entry) const;
  void remove_window(WindowHandle window) const;
  bool entry_alive(const Entry& entry) const;
  std::int64_t next_stamp() const;
  std::string entry_path(WindowHandle window) const;
  std::string socket_path(WindowHandle window) const;

  std::string directory_;
  std::string error_;
};

// A window of this process in the registry; its entry and socket go with it.
class RegisteredWindow {
 public:
  ~RegisteredWindow();
  RegisteredWindow(const RegisteredWindow&) = delete;
  RegisteredWindow& operator=(const RegisteredWindow&) = delete;

  WindowHandle handle() const { return handle_; }
  // The socket to watch for reading (poll, a socket notifier).
  int fd() const { return fd_; }
  void set_title(const std::string& title);
  // Makes the window the topmost one.
  void activate();
  // The next well-formed message waiting, without blocking; datagrams of another shape are
  // dropped.
  std::optional<ForeignMessage> receive();

 private:
  friend class WindowRegistry;
  RegisteredWindow(const WindowRegistry& registry, WindowHandle handle, int fd);
  WindowRegistry registry_;
  WindowHandle handle_;
  int fd_;
};

}  // namespace platform::gui

#include "platform/console.h"

#include <termios.h>
#include <unistd.h>

#include <strings.h>
#include <cerrno>
#include <cstdio>
#include <cstdlib>

namespace platform {

namespace {

const char* env(const char* name) {
  const char* v = std::getenv(name);
  return v ? v : "";
}

bool contains_ignore_case(std::string_view text, std::string_view part) {
  if (part.size() > text.size()) return false;
  for (std::size_t i = 0; i + part.size() <= text.size(); ++i) {
    if (strncasecmp(text.data() + i, part.data(), part.size()) == 0) return true;
  }
  return false;
}

void write_all(std::FILE* f, std::string_view bytes) {
  if (!bytes.empty()) std::fwrite(bytes.data(), 1, bytes.size(), f);
}

}  // namespace

ConsoleMode console_mode_from_environment() {
  std::string_view v = env("CORVINA_CONSOLE");
  if (v.size() == 3 && strncasecmp(v.data(), "raw", 3) == 0) return ConsoleMode::raw;
  if (v.size() == 4 && strncasecmp(v.data(), "utf8", 4) == 0) return ConsoleMode::utf8;
  if (v.size() == 5 && strncasecmp(v.data(), "utf-8", 5) == 0) return ConsoleMode::utf8;
  return ConsoleMode::automatic;
}

bool locale_is_utf8(std::string_view value) {
  return contains_ignore_case(value, "UTF-8") || contains_ignore_case(value, "utf8");
}

bool should_convert_to_utf8(ConsoleMode mode, const char* lc_all, const char* lc_ctype,
                            const char* lang, bool stdout_is_terminal) {
  if (mode == ConsoleMode::utf8) return true;
  if (mode == ConsoleMode::raw) return false;
  for (const char* v : {lc_all, lc_ctype, lang}) {
    if (v && *v) return locale_is_utf8(v);
  }
  return stdout_is_terminal;
}

int wait_for_key(int fd) {
  if (!isatty(fd)) return -1;
  termios saved{};
  if (tcgetattr(fd, &saved) != 0) return -1;
  termios raw = saved;
  raw.c_lflag &= ~static_cast<tcflag_t>(ICANON | ECHO);
  raw.c_cc[VMIN] = 1;
  raw.c_cc[VTIME] = 0;
  if (tcsetattr(fd, TCSANOW, &raw) != 0) return -1;
  unsigned char key = 0;
  ssize_t n;
  do {
    n = ::read(fd, &key, 1);
  } while (n < 0 && errno == EINTR);
  tcsetattr(fd, TCSANOW, &saved);
  return n == 1 ? key : -1;
}

Console::Console(CodePage code_page) : Console(code_page, console_mode_from_environment()) {}

Console::Console(CodePage code_page, ConsoleMode mode)
    : code_page_(code_page),
      convert_(should_convert_to_utf8(mode, env("LC_ALL"), env("LC_CTYPE"), env("LANG"),
                                      isatty(STDOUT_FILENO) != 0)) {}

Console::Console(CodePage code_page, bool convert, ConsoleSink sink)
    : code_page_(code_page), convert_(convert), sink_(std::move(sink)) {}

void Console::emit(ConsoleStream stream, std::string_view bytes) {
  if (sink_) {
    sink_(stream, bytes);
    return;
  }
  if (stream == ConsoleStream::err) {
    // Keep the order of the two streams when both go to one terminal.
    std::fflush(stdout);
    write_all(stderr, bytes);
  } else {
    write_all(stdout, bytes);
  }
}

void Console::write(std::string_view bytes, ConsoleStream stream) {
  if (!convert_) {
    emit(stream, bytes);
    return;
  }
  const auto& table = code_page_table(code_page_);
  buffer_.clear();
  for (std::size_t pos = 0; pos < bytes.size();) {
    const unsigned char ch = static_cast<unsigned char>(bytes[pos]);
    // Names from the disk or the command line are UTF-8 already and arrive inside code-page
    // texts: a whole UTF-8 character passes as it is, any other byte is a code-page byte.
    if (ch >= 0x80) {
      const Utf8Char d = decode_utf8(bytes, pos);
      if (d.valid) {
        buffer_.append(bytes.substr(pos, d.length));
        pos += d.length;
        continue;
      }
    }
    append_utf8(buffer_, table[ch]);
    ++pos;
  }
  emit(stream, buffer_);
}

void Console::write_line(std::string_view bytes, ConsoleStream stream) {
  write(bytes, stream);
  emit(stream, "\n");
}

void Console::carriage_return(ConsoleStream stream) {
  emit(stream, "\r");
  flush();
}

void Console::write_utf8(std::string_view utf8, ConsoleStream stream) { emit(stream, utf8); }

void Console::flush() {
  if (sink_) return;
  std::fflush(stdout);
  std::fflush(stderr);
}

int Console::wait_key() {
  flush();
  if (key_reader_) return key_reader_();
  return wait_for_key(STDIN_FILENO);
}

}  // namespace platform

// The console: code-page bytes out to stdout / stderr (converted to UTF-8 when the terminal
// expects it), the progress line redrawn with "\r", and the one-key wait.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "platform/text.h"

namespace platform {

enum class ConsoleStream { out, err };

// Where the (already converted) bytes go. Tests install one that captures them.
using ConsoleSink = std::function<void(ConsoleStream, std::string_view)>;

enum class ConsoleMode {
  automatic,  // UTF-8 when the locale says so, or when no locale is set and stdout is a terminal
  utf8,       // always convert to UTF-8
  raw,        // always write the code-page bytes unchanged
};

// Reads the explicit setting CORVINA_CONSOLE ("raw" or "utf8", any case); automatic otherwise.
ConsoleMode console_mode_from_environment();

// True when a locale value names UTF-8 ("en_US.UTF-8", "de_DE.utf8", "C.UTF-8").
bool locale_is_utf8(std::string_view value);

// The automatic decision, testable: the first non-empty of LC_ALL, LC_CTYPE, LANG decides
// (UTF-8 or not); with none set, a terminal counts as UTF-8 and anything else as raw.
bool should_convert_to_utf8(ConsoleMode mode, const char* lc_all, const char* lc_ctype,
                            const char* lang, bool stdout_is_terminal);

// Reads one key from the terminal on fd. Returns at once with -1 when fd is not a terminal
// (input redirected, CI), so a "press a key" never hangs a batch run. Otherwise switches the
// terminal to raw mode for one byte and restores it; returns the byte, or -1 at end of input.
int wait_for_key(int fd = 0);

// One Console per thread of output: it keeps a conversion buffer and is not locked.
class Console {
 public:
  // The real console: stdout / stderr, mode from the environment.
  explicit Console(CodePage code_page = CodePage::cp850);
  Console(CodePage code_page, ConsoleMode mode);
  // A console writing to a sink; `convert` chooses UTF-8 conversion directly.
  Console(CodePage code_page, bool convert, ConsoleSink sink);

  CodePage code_page() const { return code_page_; }
  void set_code_page(CodePage cp) { code_page_ = cp; }
  bool converts() const { return convert_; }

  // Code-page bytes, converted when converting; a valid UTF-8 character among them (a file
  // name) is kept as it is. Control bytes (CR, LF, BEL, TAB, BS) pass through as they are.
  void write(std::string_view bytes, ConsoleStream stream = ConsoleStream::out);
  // bytes then the line end ("\n").
  void write_line(std::string_view bytes = {}, ConsoleStream stream = ConsoleStream::out);
  // "\r" and flush, so the next write redraws the progress line from its start.
  void carriage_return(ConsoleStream stream = ConsoleStream::out);
  // Text already in UTF-8 (from the disk or the command line): never converted.
  void write_utf8(std::string_view utf8, ConsoleStream stream = ConsoleStream::out);
  void flush();

  // The one-key wait on standard input; see wait_for_key. A replaced key reader (tests)
  // is called instead.
  int wait_key();
  void set_key_reader(std::function<int()> reader) { key_reader_ = std::move(reader); }

 private:
  void emit(ConsoleStream stream, std::string_view bytes);

  CodePage code_page_;
  bool convert_;
  ConsoleSink sink_;  // empty: the real stdout / stderr
  std::function<int()> key_reader_;
  std::string buffer_;
};

}  // namespace platform

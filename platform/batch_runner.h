// Runs the small batch files the suite writes (the help-compiler batch, the ftp upload batch)
// in place of the Windows command interpreter. It understands exactly the lines the suite
// writes and refuses every other, so no line ever reaches a shell; programs are started with an
// argument list.
#pragma once

#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// Which program stands in for a Windows program named in a batch line: "HHC.EXE = chmcmd".
// Names are compared without letter case and without their folder.
class ToolMap {
 public:
  // Lines "NAME = command line"; blank lines and lines starting with "#" or ";" are skipped.
  // Lines without "=" are returned as errors (line number and text).
  static ToolMap parse(std::string_view text, std::vector<std::string>* errors = nullptr);
  // $XDG_CONFIG_HOME/corvina/tools.conf (~/.config when the variable is unset); empty map when
  // the file is missing.
  static ToolMap from_config(std::vector<std::string>* errors = nullptr);

  void set(std::string_view name, std::string_view command);
  // The command line for a program name, nullptr when the map has none.
  const std::string* find(std::string_view name) const;

 private:
  std::map<std::string, std::string> entries_;  // upper-case bare name -> command line
};

// What the batch does with the person in front of it.
struct BatchConsole {
  std::function<void(std::string_view)> write;  // text for the console (lines end with "\n")
  // "pause": false when the person breaks off (Ctrl-C), which ends the batch.
  std::function<bool()> pause;
};

struct BatchResult {
  int exit_code = 0;     // 0: every line ran and every program and copy succeeded
  std::string error;     // a line the runner refuses or a program it cannot find
  std::size_t line = 0;  // the line of the error (1 for the first)
  bool stopped = false;  // the person broke off at a pause
  bool ok() const { return error.empty() && exit_code == 0 && !stopped; }
};

// Runs the batch file `path`; relative names in it count from the process's current
// directory until a "cd" line changes the batch's own directory (the process's stays).
BatchResult run_batch(std::string_view path, const ToolMap& tools, const BatchConsole& console);

// Escapes text for an echo line: "^" before & | < > ^ and ", "%" doubled.
std::string escape_batch_text(std::string_view text);
// A file name for a batch line: doubled "%", in double quotes when it holds a blank or a
// character the interpreter would act on. Empty for a name that cannot be written safely (a
// double quote or a control character).
std::string quote_batch_path(std::string_view name);

}  // namespace platform

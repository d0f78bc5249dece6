// Starting other programs, in place of the shell's "open" verb and CreateProcess: always
// posix_spawn with an argument vector, never through a shell, so that no blank, quote or
// semicolon in a name or parameter is ever interpreted.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace platform {

struct SpawnResult {
  int pid = 0;        // the started process (0 when not started)
  std::string error;  // empty on success
  bool ok() const { return error.empty(); }
};

// Splits a parameter text as a Windows command line would: blanks separate, double quotes
// group (and are dropped); "" inside quotes is one double quote.
std::vector<std::string> split_command_line(std::string_view parameters);

// Starts program with the given arguments (argv[0] is the program name) and does not wait.
// A name without a separator is searched on PATH; a name with "\" or a drive prefix is
// mapped through the file API first. The child is reaped in the background unless
// keep_handle is set; then the caller waits with wait_program.
SpawnResult start_program(const std::string& program, const std::vector<std::string>& arguments,
                          bool keep_handle = false);

// Where a started program runs and what its standard streams are; empty fields keep the
// caller's.
struct SpawnOptions {
  std::string working_directory;
  std::string stdin_file;   // read as standard input
  std::string output_file;  // standard output and error, created with mode 0600
};
SpawnResult start_program(const std::string& program, const std::vector<std::string>& arguments,
                          const SpawnOptions& options, bool keep_handle);

// The full path of an executable file named `name` in a folder of PATH (or name itself when it
// holds a "/" and is executable); empty when there is none.
std::string find_on_path(std::string_view name);

// Waits for a process started with keep_handle; its exit status, or -1 when it did not exit
// normally or cannot be waited for.
int wait_program(int pid);

}  // namespace platform

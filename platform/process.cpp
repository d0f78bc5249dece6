#include "platform/process.h"

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <system_error>
#include <thread>

#include "platform/files.h"

extern char** environ;

namespace platform {

std::vector<std::string> split_command_line(std::string_view parameters) {
  std::vector<std::string> words;
  std::string word;
  bool in_word = false, quoted = false;
  for (std::size_t i = 0; i < parameters.size(); ++i) {
    const char c = parameters[i];
    if (c == '"') {
      if (quoted && i + 1 < parameters.size() && parameters[i + 1] == '"') {
        word += '"';
        ++i;
      } else {
        quoted = !quoted;
      }
      in_word = true;
    } else if ((c == ' ' || c == '\t') && !quoted) {
      if (in_word) words.push_back(std::move(word));
      word.clear();
      in_word = false;
    } else {
      word += c;
      in_word = true;
    }
  }
  if (in_word) words.push_back(std::move(word));
  return words;
}

SpawnResult start_program(const std::string& program, const std::vector<std::string>& arguments,
                          bool keep_handle) {
  SpawnResult result;
  if (program.empty()) {
    result.error = "no program named";
    return result;
  }
  const bool has_path = program.find_first_of("/\\") != std::string::npos ||
                        (program.size() >= 2 && program[1] == ':');
  const std::string path = has_path ? resolve_path(program) : program;

  std::vector<std::string> args;
  args.reserve(arguments.size() + 1);
  args.push_back(program);
  args.insert(args.end(), arguments.begin(), arguments.end());
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);

  pid_t pid = 0;
  // glibc reports a failed exec (missing or not executable program) as the return value.
  const int rc = has_path
                     ? posix_spawn(&pid, path.c_str(), nullptr, nullptr, argv.data(), environ)
                     : posix_spawnp(&pid, path.c_str(), nullptr, nullptr, argv.data(), environ);
  if (rc != 0) {
    result.error = program + ": " + std::strerror(rc);
    return result;
  }
  result.pid = pid;
  // Nothing waits for a program started this way; a reaper keeps it from staying a zombie.
  if (!keep_handle) {
    try {
      std::thread([pid] { waitpid(pid, nullptr, 0); }).detach();
    } catch (const std::system_error&) {
      // No thread to spare: the program still runs; only its exit status stays unread.
    }
  }
  return result;
}

int wait_program(int pid) {
  if (pid <= 0) return -1;
  int status = 0;
  pid_t r;
  do {
    r = waitpid(pid, &status, 0);
  } while (r < 0 && errno == EINTR);
  if (r != pid || !WIFEXITED(status)) return -1;
  return WEXITSTATUS(status);
}

}  // namespace platform

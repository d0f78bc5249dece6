#include "platform/process.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
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
  return start_program(program, arguments, SpawnOptions{}, keep_handle);
}

std::string find_on_path(std::string_view name) {
  const auto executable = [](const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) &&
           ::access(path.c_str(), X_OK) == 0;
  };
  if (name.empty()) return {};
  if (name.find('/') != std::string_view::npos) {
    const std::string path(name);
    return executable(path) ? path : std::string();
  }
  const char* variable = std::getenv("PATH");
  const std::string_view folders = variable ? variable : "/usr/local/bin:/usr/bin:/bin";
  std::size_t start = 0;
  while (start <= folders.size()) {
    std::size_t end = folders.find(':', start);
    if (end == std::string_view::npos) end = folders.size();
    // An empty entry means the current directory, as the shells take it.
    const std::string folder(end > start ? folders.substr(start, end - start) : ".");
    const std::string path = folder + "/" + std::string(name);
    if (executable(path)) return path;
    start = end + 1;
  }
  return {};
}

SpawnResult start_program(const std::string& program, const std::vector<std::string>& arguments,
                          const SpawnOptions& options, bool keep_handle) {
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

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  const std::string in =
      options.stdin_file.empty() ? std::string() : resolve_path(options.stdin_file);
  const std::string out =
      options.output_file.empty() ? std::string() : resolve_path(options.output_file);
  const std::string dir =
      options.working_directory.empty() ? std::string() : resolve_path(options.working_directory);
  if (!dir.empty()) posix_spawn_file_actions_addchdir_np(&actions, dir.c_str());
  if (!in.empty()) posix_spawn_file_actions_addopen(&actions, 0, in.c_str(), O_RDONLY, 0);
  if (!out.empty()) {
    posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
  }
  // A relative program with a working directory is found from the caller's directory.
  const std::string spawned = has_path && !dir.empty() && !path.empty() && path[0] != '/'
                                  ? current_directory() + "/" + path
                                  : path;
  pid_t pid = 0;
  // glibc reports a failed exec (missing or not executable program) as the return value.
  const int rc = has_path
                     ? posix_spawn(&pid, spawned.c_str(), &actions, nullptr, argv.data(), environ)
                     : posix_spawnp(&pid, path.c_str(), &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
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

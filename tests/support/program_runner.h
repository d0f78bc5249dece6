// Runs another program from a test: in a folder, with no input, its output to a file.
#pragma once

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace corvina_test {

// The exit code, or -1 when the program could not be started or did not end by itself. An
// empty folder keeps the current one, an empty log throws the output away, an empty home keeps
// HOME.
inline int RunProgramIn(const std::string& folder, const std::vector<std::string>& argv,
                        const std::string& log = "", const std::string& home = "") {
  const pid_t pid = ::fork();
  if (pid < 0) return -1;
  if (pid == 0) {
    const int in = ::open("/dev/null", O_RDONLY);
    const int out = log.empty() ? ::open("/dev/null", O_WRONLY)
                                : ::open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (in < 0 || out < 0 || (!folder.empty() && ::chdir(folder.c_str()) != 0)) ::_exit(127);
    ::dup2(in, 0);
    ::dup2(out, 1);
    ::dup2(out, 2);
    if (!home.empty()) ::setenv("HOME", home.c_str(), 1);
    std::vector<char*> args;
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    ::execvp(args[0], args.data());
    ::_exit(127);
  }
  int status = 0;
  if (::waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) return -1;
  return WEXITSTATUS(status);
}

}  // namespace corvina_test

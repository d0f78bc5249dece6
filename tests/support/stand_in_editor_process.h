// Starts the scripted stand-in editor as a real second process, waits until its windows are
// registered, and reads back what it received.
#pragma once

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace corvina_test {

class StandInEditor {
 public:
  // arguments: pairs after the directory, e.g. {"--title", "REPORT.WS - DUNMOOR"}.
  StandInEditor(const std::string& registryDir, const std::string& workDir,
                std::vector<std::string> arguments) {
    static int serial = 0;
    const std::string stem = workDir + "/editor" + std::to_string(++serial);
    ready_ = stem + ".ready";
    log_ = stem + ".log";
    std::vector<std::string> argv = {STAND_IN_EDITOR, "--dir", registryDir, "--ready",
                                     ready_,          "--log", log_};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    std::vector<char*> raw;
    for (auto& a : argv) raw.push_back(a.data());
    raw.push_back(nullptr);
    if (::posix_spawn(&pid_, STAND_IN_EDITOR, nullptr, nullptr, raw.data(), environ) != 0) pid_ = 0;
    // Registration is quick; the loop only guards a machine under load.
    for (int i = 0; i < 1000 && pid_ > 0; ++i) {
      std::ifstream in(ready_);
      if (in >> top_ >> child_) break;
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
  }
  ~StandInEditor() {
    if (pid_ > 0) {
      ::kill(pid_, SIGKILL);
      ::waitpid(pid_, nullptr, 0);
    }
  }
  int top() const { return top_; }
  int child() const { return child_; }
  pid_t pid() const { return pid_; }
  // Waits for the editor to end by itself (WM_QUIT, a close, its life time).
  int wait() {
    int status = -1;
    if (pid_ > 0) ::waitpid(pid_, &status, 0);
    pid_ = 0;
    return status;
  }
  // Asks the editor to quit (WM_QUIT to its top window), waits for it and returns what it
  // received apart from that request.
  template <class Registry>
  std::vector<std::string> finish(Registry& registry) {
    registry.post(top_, 0x12, 0, 0);
    wait();
    std::vector<std::string> lines;
    for (const auto& line : received())
      if (line != "top 18 0 0") lines.push_back(line);
    return lines;
  }
  void kill_now() {
    ::kill(pid_, SIGKILL);
    wait();
  }
  // The log lines: "<ms> <top|child> <message> <wParam> <lParam>", "<ms> saved", "<ms> closed".
  std::vector<std::string> log() const {
    std::ifstream in(log_);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
  }
  // The log without the times.
  std::vector<std::string> received() const {
    std::vector<std::string> lines;
    for (const auto& line : log()) lines.push_back(line.substr(line.find(' ') + 1));
    return lines;
  }

 private:
  pid_t pid_ = 0;
  int top_ = 0;
  int child_ = 0;
  std::string ready_;
  std::string log_;
};

}  // namespace corvina_test

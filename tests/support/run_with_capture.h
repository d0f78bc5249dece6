// A compiler run whose console is captured and whose end sound is recorded, plus the small
// helpers the core tests share (console capture, data paths, exit codes, a scratch folder).
#pragma once

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <string>
#include <string_view>

#include "compiler/passes/compiler_run.h"
#include "compiler/foundation/console_reporter.h"
#include "platform/console.h"
#include "platform/system.h"
#include "tests/support/test_support.h"

namespace skeldon {

namespace core_test {

struct CapturedRun {
  std::unique_ptr<CompilerRun> run = std::make_unique<CompilerRun>();
  TCapturingConsole* console = nullptr;
  platform::RecordingSystem sound;

  CapturedRun() {
    auto capture = std::make_unique<TCapturingConsole>();
    console = capture.get();
    run->reporter.SetConsole(std::move(capture));
    InitMainUnit(*run);
    ResetSwitches(run->switches);
    run->mainUnit.Sound = &sound;
  }
  CompilerRun& operator*() { return *run; }
  CompilerRun* operator->() { return run.get(); }
  const std::string& Text() const { return console->Text; }
};

// Sends the run's console output through a platform console into `out`, converted from code
// page 850 as a UTF-8 terminal (utf8) or a code-page terminal would show it.
inline void CaptureConsoleInto(CompilerRun& run, std::string& out, bool utf8 = true) {
  run.reporter.SetConsole(MakePlatformConsole(platform::Console(
      platform::CodePage::cp850, utf8, [&out](platform::ConsoleStream, std::string_view bytes) { out.append(bytes); })));
}

inline std::string DataPath(const std::string& relative) {
  return std::string(CORVINA_SOURCE_DIR) + "/tests/data/compiler_core/" + relative;
}

inline std::string ReadBytes(const std::string& path) { return corvina_test::ReadFile(path); }

// The exit code of the stop the call makes, or -1 when it returns normally.
template <typename Fn>
int ExitCodeOf(Fn&& fn) {
  try {
    fn();
  } catch (const TerminateRun& stop) {
    return stop.ExitCode;
  }
  return -1;
}

// A fresh folder that is the current directory while the object lives.
class ScratchDir {
 public:
  ScratchDir() : old_(std::filesystem::current_path()) {
    std::random_device rd;
    path_ = std::filesystem::temp_directory_path() /
            ("corvina_core_" + std::to_string(::getpid()) + "_" + std::to_string(rd()));
    std::filesystem::create_directories(path_);
    std::filesystem::current_path(path_);
  }
  ~ScratchDir() {
    std::error_code ec;
    std::filesystem::current_path(old_, ec);
    std::filesystem::remove_all(path_, ec);
  }
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;
  const std::filesystem::path& Path() const { return path_; }
  void Write(const std::string& name, const std::string& bytes) const { corvina_test::WriteFile(path_ / name, bytes); }

 private:
  std::filesystem::path old_;
  std::filesystem::path path_;
};

}  // namespace core_test

}  // namespace skeldon

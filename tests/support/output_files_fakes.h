// Fakes for the writer tests: finished files are kept in memory instead of going to disk, and
// running-text characters are written raw so that the markup of a writer stands out.
#pragma once

#include <map>
#include <memory>
#include <string>

#include "compiler/passes/compiler_run.h"
#include "tests/support/gen_support.h"

namespace skeldon {

namespace gen2w_test {

struct StoredFiles {
  std::map<std::string, std::string> Files;
  std::vector<std::string> Order;
};

// Keeps every stored file; the returned object lives as long as the run's hook.
inline std::shared_ptr<StoredFiles> CaptureStoredFiles(CompilerRun& run) {
  auto files = std::make_shared<StoredFiles>();
  run.passes.StoreFile = [files](CompilerRun&, const std::string& name, const std::string& text) {
    files->Files[name] = text;
    files->Order.push_back(name);
  };
  // Every file can be created; nothing touches the disk.
  run.outputFiles.CanCreate = [](CompilerRun&, const std::string&) { return true; };
  run.outputFiles.MakeDirectory = [](CompilerRun&, const std::string&) {};
  return files;
}

inline void EmitRaw(CompilerRun& run) {
  run.outputFilter.EmitSourceChar = [](CompilerRun& r, std::uint8_t c) {
    if (c != 0) r.passes.OutputFile.push_back(static_cast<char>(c));
  };
}

// Runs f and returns the exit code of the stop it causes, -1 when it does not stop.
template <typename F>
int ExitCodeOf(F&& f) {
  try {
    f();
  } catch (const TerminateRun& stop) {
    return stop.ExitCode;
  }
  return -1;
}

}  // namespace gen2w_test

}  // namespace skeldon

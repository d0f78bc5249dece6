// Scaffolding the fuzz targets share: a private folder for files, record-sized inputs, and a
// compiler run that keeps its console output and end sound to itself.
#pragma once

#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <string_view>

#include "compiler/passes/compiler_run.h"
#include "platform/system.h"
#include "platform/text.h"

using namespace skeldon;

namespace fuzz_support {

// A fresh folder below /tmp for this process; the prefix names the target.
inline std::string MakeTempFolder(const std::string& prefix) {
  std::string pattern = "/tmp/" + prefix + "-XXXXXX";
  if (!::mkdtemp(pattern.data())) std::abort();
  return pattern;
}

// The input as file bytes. An odd first byte repeats the rest up to a whole record (and as
// many bytes more as the first byte's upper bits say), so that damaged whole records are tried
// as well as short files.
inline std::string RecordSizedBytes(const std::uint8_t* data, std::size_t size,
                                    std::size_t recordSize) {
  std::string bytes(reinterpret_cast<const char*>(data), size);
  if (size > 1 && (data[0] & 1)) {
    const std::string pattern = bytes.substr(1);
    bytes.clear();
    while (bytes.size() < recordSize + (data[0] >> 1)) bytes += pattern;
  }
  return bytes;
}

inline void WriteBytes(const std::string& path, const std::string& bytes) {
  if (std::FILE* f = std::fopen(path.c_str(), "wb")) {
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
  }
}

// True when the text holds a log-file switch, which would create files on disk. Quotes are
// dropped when words are split, so they cannot hide such a switch.
inline bool NamesLogFile(std::string_view text) {
  std::string lower = platform::to_lower(platform::CodePage::cp850, text);
  std::erase(lower, '"');
  return lower.find("messages:") != std::string::npos || lower.find("errors:") != std::string::npos;
}

// A compiler Run whose console output is captured and whose end sound is only recorded, so
// that no input makes it print or wait.
struct QuietCompilerRun {
  QuietCompilerRun() {
    Run->Reporter.SetConsole(std::make_unique<TCapturingConsole>());
    Run->MainUnit.Sound = &sound;
  }
  platform::RecordingSystem sound;  // before the Run: it outlives the Run that points at it
  std::unique_ptr<CompilerRun> Run = std::make_unique<CompilerRun>();
};

}  // namespace fuzz_support

// Loading the sources of a run from disk on arbitrary bytes, split into one to four files:
// the buffer holds every byte of every file in order (line ends aside), each bare LF has
// become CR LF, and an empty set of files stops the run with its message.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "compiler/foundation/source_buffer.h"
#include "compiler/passes/compiler_run.h"
#include "fuzz/fuzz_support.h"

using namespace skeldon;

namespace {

std::string WithoutLineEnds(const std::string& text) {
  std::string out;
  for (char c : text)
    if (c != '\r' && c != '\n') out.push_back(c);
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const std::string folder = fuzz_support::MakeTempFolder("source_files_fuzz");
  if (size == 0) return 0;
  // The first byte chooses the number of files and where the rest is cut.
  const std::size_t count = 1 + data[0] % 4;
  const std::string rest(reinterpret_cast<const char*>(data) + 1, size - 1);
  std::vector<std::string> texts;
  std::size_t from = 0;
  for (std::size_t i = 0; i < count; ++i) {
    const std::size_t to = i + 1 == count ? rest.size() : rest.size() * (i + 1) / count;
    texts.push_back(rest.substr(from, to - from));
    from = to;
  }
  fuzz_support::QuietCompilerRun quiet;
  auto& run = quiet.Run;
  std::string joined;
  for (std::size_t i = 0; i < texts.size(); ++i) {
    const std::string path = folder + "/part" + std::to_string(i) + ".txt";
    fuzz_support::WriteBytes(path, texts[i]);
    run->Switches.SourceFiles.push_back(path);
    joined += WithoutLineEnds(texts[i]);
  }
  try {
    LoadSourceFiles(*run);
  } catch (const TerminateRun&) {
    // Only a run without a single byte of source stops here.
    for (const std::string& t : texts)
      if (!t.empty()) __builtin_trap();
    return 0;
  }
  const std::string& buffer = run->Source.Data;
  if (WithoutLineEnds(buffer) != joined) __builtin_trap();
  for (std::size_t i = buffer.find('\n'); i != std::string::npos; i = buffer.find('\n', i + 1))
    if (i == 0 || buffer[i - 1] != '\r') __builtin_trap();
  return 0;
}

// Golden-file comparison for the generation tests. With CORVINA_UPDATE_GOLDEN set, a missing
// or differing golden file is written (to be checked by hand before it is kept).
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

namespace gen_test {

inline std::string SourceDir() {
  const char* env = std::getenv("CORVINA_SOURCE_DIR");
  return env ? env : CORVINA_SOURCE_DIR;
}

inline std::string ReadFileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

inline std::string DataFile(const std::string& name) {
  return SourceDir() + "/tests/data/compiler_generate/" + name;
}

// First differing line, shown with its neighbours.
inline std::string FirstDifference(const std::string& want, const std::string& got) {
  std::size_t i = 0;
  while (i < want.size() && i < got.size() && want[i] == got[i]) ++i;
  const std::size_t from = i > 120 ? i - 120 : 0;
  return "at byte " + std::to_string(i) + "\n--- golden:\n" + want.substr(from, 240) +
         "\n--- got:\n" + got.substr(from, 240);
}

inline void ExpectGolden(const std::string& name, const std::string& got) {
  const std::string path = SourceDir() + "/tests/golden/compiler_generate/" + name;
  const std::string want = ReadFileBytes(path);
  if (want != got && std::getenv("CORVINA_UPDATE_GOLDEN")) {
    std::ofstream(path, std::ios::binary) << got;
    return;
  }
  EXPECT_TRUE(want == got) << name << " differs " << FirstDifference(want, got);
}

}  // namespace gen_test

// Helpers for the engine's unit tests: a fresh temporary directory per test and whole-file
// reads and writes.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace tavrel::unit_test {

class TempDir {
 public:
  TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "tavrel-unit-XXXXXX").string();
    if (!::mkdtemp(pattern.data())) ADD_FAILURE() << "cannot create a temporary directory";
    path_ = pattern;
  }
  ~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::filesystem::path& Path() const { return path_; }
  std::string operator/(const std::string& name) const { return (path_ / name).string(); }

 private:
  std::filesystem::path path_;
};

inline std::string ReadAll(const std::filesystem::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

inline void WriteAll(const std::filesystem::path& p, const std::string& bytes) {
  std::filesystem::create_directories(p.parent_path());
  std::ofstream out(p, std::ios::binary);
  out << bytes;
}

// Bytes shown with controls and high bytes as <XX>, for failure messages.
inline std::string Shown(const std::string& bytes) {
  static const char* kHex = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : bytes) {
    if (c < 32 || c >= 127) {
      out += '<';
      out += kHex[c >> 4];
      out += kHex[c & 15];
      out += '>';
    } else {
      out += static_cast<char>(c);
    }
  }
  return out;
}

}  // namespace tavrel::unit_test

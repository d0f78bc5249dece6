// Helpers for the engine's unit tests: a fresh temporary directory per test, whole-file
// reads and writes, and a held word as the hyphenation routines see it.
#pragma once

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "tests/support/test_support.h"

namespace tavrel::unit_test {

// The shared temporary directory and whole-file helpers, under the names these tests use.
using corvina_test::TempDir;
inline std::string ReadAll(const std::filesystem::path& p) { return corvina_test::ReadFile(p); }
inline void WriteAll(const std::filesystem::path& p, const std::string& bytes) {
  corvina_test::WriteFile(p, bytes);
}

// A word buffer as the word breaker holds it: positions 1..len, index 0 unused.
struct Held {
  explicit Held(std::string_view text) : len(static_cast<int>(text.size())) {
    bytes.reserve(text.size() + 1);
    bytes.push_back(0);
    bytes.insert(bytes.end(), text.begin(), text.end());
  }
  const std::uint8_t* data() const { return bytes.data(); }
  std::vector<std::uint8_t> bytes;
  int len;
};

// A value stored in a record's bytes at the offset, in the machine's byte order.
template <typename T>
T At(const std::string& bytes, std::size_t offset) {
  T v{};
  std::memcpy(&v, bytes.data() + offset, sizeof v);
  return v;
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

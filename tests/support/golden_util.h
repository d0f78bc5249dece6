// Golden-file comparison for the generation tests. With CORVINA_UPDATE_GOLDEN set, a missing
// or differing golden file is written (to be checked by hand before it is kept).
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace skeldon {

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

// One line with its control and high bytes made visible, so CR LF and code-page bytes show.
inline std::string VisibleLine(const std::string& text, std::size_t from, std::size_t to) {
  static const char* hex = "0123456789ABCDEF";
  std::string out;
  for (std::size_t i = from; i < to && i < text.size(); ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (c == '\r') out += "\\r";
    else if (c == '\n') out += "\\n";
    else if (c == '\t') out += "\\t";
    else if (c < 0x20 || c >= 0x7F) out += std::string("\\x") + hex[c >> 4] + hex[c & 15];
    else out.push_back(static_cast<char>(c));
  }
  return out;
}

inline std::vector<std::string> SplitLines(const std::string& text) {
  std::vector<std::string> lines;
  for (std::size_t from = 0; from < text.size();) {
    const std::size_t end = text.find('\n', from);
    const std::size_t to = end == std::string::npos ? text.size() : end + 1;
    lines.push_back(text.substr(from, to - from));
    from = to;
  }
  return lines;
}

// The first differing line, numbered, with the line before it, as the golden file and the
// output have it. In a dump the "=== file (n bytes)" headers name the file; a header that
// differs only because the file's size changed is reported with the first line that differs
// after it.
inline std::string FirstDifference(const std::string& want, const std::string& got) {
  const std::vector<std::string> a = SplitLines(want), b = SplitLines(got);
  const auto isHeader = [](const std::string& l) { return l.rfind("=== ", 0) == 0; };
  std::string out = "\n", section;
  for (std::size_t k = 0; k < a.size() || k < b.size(); ++k) {
    const std::string* x = k < a.size() ? &a[k] : nullptr;
    const std::string* y = k < b.size() ? &b[k] : nullptr;
    if (x && isHeader(*x)) section = " in \"" + VisibleLine(*x, 0, x->find('\r')) + "\"";
    if (x && y && *x == *y) continue;
    if (x && y && isHeader(*x) && isHeader(*y) && x->substr(0, x->find(" (")) == y->substr(0, y->find(" ("))) {
      out += "header line " + std::to_string(k + 1) + ": golden " + VisibleLine(*x, 0, x->size()) + ", got " +
             VisibleLine(*y, 0, y->size()) + "\n";
      continue;
    }
    out += "line " + std::to_string(k + 1) + section + "\n";
    if (k > 0 && k - 1 < a.size()) out += "  (before)  " + VisibleLine(a[k - 1], 0, a[k - 1].size()) + "\n";
    out += "  golden:   " + (x ? VisibleLine(*x, 0, x->size()) : std::string("<end of file>")) + "\n";
    out += "  got:      " + (y ? VisibleLine(*y, 0, y->size()) : std::string("<end of file>")) + "\n";
    break;
  }
  return out + "  (sizes: golden " + std::to_string(want.size()) + ", got " + std::to_string(got.size()) + " bytes)";
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

}  // namespace skeldon

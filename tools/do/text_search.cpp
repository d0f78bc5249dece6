#include "tools/do/text_search.h"

namespace do_tool {

namespace {

unsigned char Upper(unsigned char c) { return c >= 'a' && c <= 'z' ? c - 32 : c; }

}  // namespace

CaseBlindFinder::CaseBlindFinder(std::string text) : text_(std::move(text)) {
  shift_.fill(text_.size());
  for (std::size_t i = 0; i + 1 < text_.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(text_[i]);
    std::size_t distance = text_.size() - 1 - i;
    shift_[c] = distance;
    if (c >= 'A' && c <= 'Z') shift_[c + 32] = distance;
  }
}

bool CaseBlindFinder::FoundIn(std::string_view data) const {
  const std::size_t m = text_.size();
  if (m == 0 || data.size() < m) return false;
  const auto* bytes = reinterpret_cast<const unsigned char*>(data.data());
  const auto* text = reinterpret_cast<const unsigned char*>(text_.data());
  const unsigned char last = text[m - 1];
  for (std::size_t pos = 0; pos + m <= data.size();) {
    unsigned char c = bytes[pos + m - 1];
    if (Upper(c) == last) {
      std::size_t k = 0;
      while (k + 1 < m && Upper(bytes[pos + k]) == text[k]) ++k;
      if (k + 1 == m) return true;
    }
    pos += shift_[c];
  }
  return false;
}

}  // namespace do_tool

// qpdf's JSON listing of a PDF's outline read back as lines, one per item in reading order.
#pragma once

#include <cctype>
#include <string>
#include <utility>
#include <vector>

namespace tavrel::pdf_test {

// A minimal JSON reader for qpdf's outline listing: just what it needs.
struct Json {
  enum Kind { kNull, kBool, kNumber, kString, kArray, kObject } kind = kNull;
  std::string text;  // string, or the number's digits, or "true"/"false"
  std::vector<Json> items;
  std::vector<std::pair<std::string, Json>> fields;
  const Json* Field(const std::string& name) const {
    for (const auto& [key, value] : fields)
      if (key == name) return &value;
    return nullptr;
  }
};

class JsonReader {
 public:
  explicit JsonReader(const std::string& s) : s_(s) {}
  Json Value() {
    Skip();
    Json j;
    if (Peek() == '{') {
      j.kind = Json::kObject;
      ++i_;
      for (Skip(); Peek() != '}'; Skip()) {
        std::string key = Value().text;
        Skip();
        ++i_;  // ':'
        j.fields.emplace_back(std::move(key), Value());
        Skip();
        if (Peek() == ',') ++i_;
      }
      ++i_;
    } else if (Peek() == '[') {
      j.kind = Json::kArray;
      ++i_;
      for (Skip(); Peek() != ']'; Skip()) {
        j.items.push_back(Value());
        Skip();
        if (Peek() == ',') ++i_;
      }
      ++i_;
    } else if (Peek() == '"') {
      j.kind = Json::kString;
      for (++i_; i_ < s_.size() && s_[i_] != '"'; ++i_) {
        if (s_[i_] == '\\') ++i_;
        j.text += s_[i_];
      }
      ++i_;
    } else {
      while (i_ < s_.size() &&
             (std::isalnum(static_cast<unsigned char>(s_[i_])) || s_[i_] == '-' || s_[i_] == '.'))
        j.text += s_[i_++];
      j.kind = j.text == "null"                          ? Json::kNull
               : (j.text == "true" || j.text == "false") ? Json::kBool
                                                         : Json::kNumber;
    }
    return j;
  }

 private:
  char Peek() const { return i_ < s_.size() ? s_[i_] : '\0'; }
  void Skip() {
    while (i_ < s_.size() && std::isspace(static_cast<unsigned char>(s_[i_]))) ++i_;
  }
  const std::string& s_;
  std::size_t i_ = 0;
};

// One line per outline item in reading order: indentation by level, the title, the target
// page and, for items with children, their number and whether the item opens.
inline void ListOutline(const Json& items, int depth, std::string& out) {
  for (const Json& item : items.items) {
    const Json* kids = item.Field("kids");
    out += std::string(2 * depth, ' ') + item.Field("title")->text + " -> " +
           item.Field("destpageposfrom1")->text;
    if (kids && !kids->items.empty())
      out += " [" + std::to_string(kids->items.size()) +
             (item.Field("open")->text == "true" ? " open]" : " closed]");
    out += "\n";
    if (kids) ListOutline(*kids, depth + 1, out);
  }
}

// The outline of qpdf's "--json=2 --json-key=outlines" output as ListOutline writes it.
inline std::string OutlineListing(const std::string& json) {
  const Json root = JsonReader(json).Value();
  std::string out;
  if (const Json* outlines = root.Field("outlines")) ListOutline(*outlines, 0, out);
  return out;
}

// The outline of tests/data/formatter_derived/chapters.ws: the titles in order with their
// targets as its page length puts the headings, /Count giving the children of open items.
inline constexpr const char* kChaptersOutline =
    "1. Introduction -> 1 [2 open]\n"
    "  1.1. Why (and how) -> 1\n"
    "  1.2. A path C:\\dir -> 1 [1 open]\n"
    "    1.2.1 Deep level -> 1\n"
    "2. Results -> 2 [1 open]\n"
    "  2.1. Tables -> 2\n"
    "Closing words -> 3\n"
    "3. Summary -> 3\n";

}  // namespace tavrel::pdf_test

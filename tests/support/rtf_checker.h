// A strict reader of RTF syntax for the tests: it does not render anything, it only checks
// what every RTF reader relies on (balanced groups, well-formed control words and symbols,
// the header tables) and collects the font and colour numbers the body refers to, so a test
// can tell that each of them is defined.
#pragma once

#include <cctype>
#include <cstddef>
#include <map>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace skeldon {

namespace rtf_check {

struct RtfReport {
  std::vector<std::string> Problems;       // each names its byte offset
  std::set<std::string> Destinations;      // first control word of every group ("fonttbl", ...)
  std::set<int> DefinedFonts;              // \fN inside the font table
  std::map<int, std::size_t> UsedFonts;    // \fN elsewhere -> offset of its first use
  int ColourEntries = 0;                   // entries of the colour table (';' terminated)
  std::map<int, std::size_t> UsedColours;  // \cfN -> offset of its first use
  std::map<std::string, int> WordCounts;   // how often each control word occurs
  int MaxDepth = 0;
  bool ClosedAtEnd = false;  // the outermost group was closed
};

// Control words that break RTF's lower-case rule but that the compiler writes on purpose as
// topic markers for the reverse conversion; readers skip them as unknown words.
inline bool IsAcceptedMixedCaseWord(std::string_view word) { return word == "ThisIsTopic"; }

inline RtfReport CheckRtf(std::string_view s) {
  RtfReport r;
  auto problem = [&](std::size_t at, const std::string& what) {
    if (r.Problems.size() < 50) r.Problems.push_back("offset " + std::to_string(at) + ": " + what);
  };
  if (s.substr(0, 6) != "{\\rtf1") problem(0, "the document does not begin with {\\rtf1");

  // One entry per open group: its destination word (empty until the first control word).
  struct Group {
    std::string destination;
    bool sawWord = false;
  };
  std::vector<Group> stack;
  auto inside = [&](std::string_view destination) {
    for (const Group& g : stack)
      if (g.destination == destination) return true;
    return false;
  };

  std::size_t i = 0;
  while (i < s.size()) {
    const unsigned char c = static_cast<unsigned char>(s[i]);
    if (stack.empty() && r.ClosedAtEnd) {
      // After the document only line ends and the DOS end-of-file mark may follow.
      if (c != '\r' && c != '\n' && c != 0x1A) {
        problem(i, "text after the closing brace of the document");
        break;
      }
      ++i;
      continue;
    }
    if (c == '{') {
      stack.push_back({});
      if (static_cast<int>(stack.size()) > r.MaxDepth) r.MaxDepth = static_cast<int>(stack.size());
      ++i;
      continue;
    }
    if (c == '}') {
      if (stack.empty()) {
        problem(i, "closing brace without an open group");
        ++i;
        continue;
      }
      stack.pop_back();
      if (stack.empty()) r.ClosedAtEnd = true;
      ++i;
      continue;
    }
    if (stack.empty()) {
      if (c != '\r' && c != '\n') problem(i, "text before the document group");
      ++i;
      continue;
    }
    if (c != '\\') {
      if (c == ';' && inside("colortbl")) ++r.ColourEntries;
      if (c != '\r' && c != '\n' && c != ' ') stack.back().sawWord = true;  // text: no destination
      ++i;
      continue;
    }
    // A backslash: control word or control symbol.
    const std::size_t at = i;
    ++i;
    if (i >= s.size()) {
      problem(at, "backslash at the end of the document");
      break;
    }
    const unsigned char n = static_cast<unsigned char>(s[i]);
    if (std::isalpha(n)) {
      std::size_t j = i;
      while (j < s.size() && std::isalpha(static_cast<unsigned char>(s[j]))) ++j;
      const std::string word(s.substr(i, j - i));
      if (word.size() > 32) problem(at, "control word longer than 32 letters: \\" + word);
      bool lower = true;
      for (char ch : word)
        if (!std::islower(static_cast<unsigned char>(ch))) lower = false;
      if (!lower && !IsAcceptedMixedCaseWord(word))
        problem(at, "control word with capitals: \\" + word);
      bool hasNumber = false;
      long number = 0;
      bool negative = false;
      if (j < s.size() && s[j] == '-') {
        negative = true;
        ++j;
        if (j >= s.size() || !std::isdigit(static_cast<unsigned char>(s[j])))
          problem(at, "minus sign without digits after \\" + word);
      }
      std::size_t digits = 0;
      while (j < s.size() && std::isdigit(static_cast<unsigned char>(s[j]))) {
        if (digits < 10) number = number * 10 + (s[j] - '0');
        ++digits;
        ++j;
      }
      if (digits > 0) hasNumber = true;
      if (digits > 10) problem(at, "parameter of \\" + word + " has more than 10 digits");
      if (negative) number = -number;
      if (j < s.size() && s[j] == ' ') ++j;  // the delimiting blank belongs to the word
      ++r.WordCounts[word];
      Group& g = stack.back();
      if (!g.sawWord) {
        g.sawWord = true;
        g.destination = word;
        r.Destinations.insert(word);
      }
      if (hasNumber && word == "f") {
        if (inside("fonttbl"))
          r.DefinedFonts.insert(static_cast<int>(number));
        else
          r.UsedFonts.emplace(static_cast<int>(number), at);
      }
      if (hasNumber && word == "cf") r.UsedColours.emplace(static_cast<int>(number), at);
      i = j;
      continue;
    }
    // Control symbols.
    switch (n) {
      case '\\':
      case '{':
      case '}':
      case '~':
      case '-':
      case '_':
      case ':':
      case '|':
      case '\r':
      case '\n':
        ++i;
        break;
      case '*':
        ++i;
        if (i >= s.size() || s[i] != '\\') problem(at, "\\* not followed by a control word");
        break;
      case '\'': {
        const bool ok = i + 2 < s.size() && std::isxdigit(static_cast<unsigned char>(s[i + 1])) &&
                        std::isxdigit(static_cast<unsigned char>(s[i + 2]));
        if (!ok) problem(at, "\\' not followed by two hexadecimal digits");
        i += ok ? 3 : 1;
        break;
      }
      case ';':
        // The colour table ends its black entry with "\;" so that the colour numbers of the
        // font markup match the table's entries; readers skip the unknown symbol.
        if (!inside("colortbl")) problem(at, "control symbol \\; outside the colour table");
        ++i;
        break;
      default:
        problem(at, std::string("unknown control symbol \\") + static_cast<char>(n));
        ++i;
        break;
    }
    // "\*" leaves the destination to the control word after it.
    if (n != '*') stack.back().sawWord = true;
  }
  if (!stack.empty())
    problem(s.size(),
            std::to_string(stack.size()) + " group(s) still open at the end of the document");
  return r;
}

}  // namespace rtf_check

}  // namespace skeldon

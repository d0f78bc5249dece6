// The text a reader sees in the compiler's outputs, for tests that follow words from the
// source to every target: HTML pages, RTF and IPF files are reduced to their lines of words.
// What starts a new line for a reader (a break, a paragraph, a line end inside preformatted
// text or an IPF lines block) becomes one "\n"; any other run of white space one blank. The
// readers are small and strict about what they drop, so a word that is lost or joined to its
// neighbour shows up as such.
#pragma once

#include <cctype>
#include <cstdint>
#include <cstdlib>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace skeldon::output_text {

// Adds a character, folding white space into one blank.
inline void Put(std::string& out, char c) {
  const bool blank = c == ' ' || c == '\r' || c == '\n' || c == '\t';
  if (blank) {
    if (!out.empty() && out.back() != ' ' && out.back() != '\n') out.push_back(' ');
  } else {
    out.push_back(c);
  }
}

// Ends the line: blanks before the break go, several breaks are one.
inline void Break(std::string& out) {
  while (!out.empty() && out.back() == ' ') out.pop_back();
  if (!out.empty() && out.back() != '\n') out.push_back('\n');
}

inline std::string Trimmed(std::string s) {
  while (!s.empty() && (s.back() == ' ' || s.back() == '\n')) s.pop_back();
  std::size_t a = 0;
  while (a < s.size() && (s[a] == ' ' || s[a] == '\n')) ++a;
  return s.substr(a);
}

// The words alone: line breaks become blanks.
inline std::string Flat(std::string s) {
  for (char& c : s)
    if (c == '\n') c = ' ';
  return s;
}

inline std::string LowerAscii(std::string_view s) {
  std::string r(s);
  for (char& c : r) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return r;
}

// HTML: the text between the tags, entities decoded; "<br>", "<p>", cells, rows and the
// other block elements break lines as a browser would, and so does a line end inside PRE.
inline std::string HtmlText(std::string_view html) {
  std::string out;
  bool pre = false;
  std::size_t i = 0;
  while (i < html.size()) {
    const char c = html[i];
    if (c == '<') {
      if (html.substr(i, 4) == "<!--") {
        const std::size_t e = html.find("-->", i);
        i = e == std::string_view::npos ? html.size() : e + 3;
        continue;
      }
      const std::size_t e = html.find('>', i);
      const std::string tag =
          LowerAscii(html.substr(i + 1, (e == std::string_view::npos ? html.size() : e) - i - 1));
      if (tag.rfind("script", 0) == 0) {
        const std::size_t end = LowerAscii(html).find("</script>", i);
        i = end == std::string::npos ? html.size() : end + 9;
        continue;
      }
      // Block and line-breaking elements end a word; inline ones (a, b, font, ...) do not.
      static const char* const kBreaking[] = {
          "br",     "p",       "td",       "/td", "tr",     "/tr",     "li",   "ul",
          "/ul",    "ol",      "/ol",      "dl",  "/dl",    "dd",      "dt",   "h1",
          "/h1",    "h2",      "/h2",      "h3",  "/h3",    "pre",     "/pre", "table",
          "/table", "caption", "/caption", "hr",  "center", "/center", "div",  "/div"};
      std::string name = tag.substr(0, tag.find_first_of(" \r\n\t"));
      for (const char* b : kBreaking)
        if (name == b) Break(out);
      if (name == "pre") pre = true;
      if (name == "/pre") pre = false;
      i = e == std::string_view::npos ? html.size() : e + 1;
      continue;
    }
    if (c == '&') {
      const std::size_t e = html.find(';', i);
      if (e != std::string_view::npos && e - i <= 8) {
        const std::string_view name = html.substr(i + 1, e - i - 1);
        char decoded = 0;
        if (name == "amp") decoded = '&';
        if (name == "lt") decoded = '<';
        if (name == "gt") decoded = '>';
        if (name == "quot") decoded = '"';
        if (name == "nbsp" || name == "#32") decoded = ' ';
        if (decoded != 0) {
          Put(out, decoded);
          i = e + 1;
          continue;
        }
      }
    }
    if (c == '\n' && pre)
      Break(out);
    else
      Put(out, c);
    ++i;
  }
  return Trimmed(out);
}

// The body of an HTML page: from "<BODY" to "</BODY>", or the whole text.
inline std::string_view HtmlBody(std::string_view page) {
  const std::string lower = LowerAscii(page);
  const std::size_t a = lower.find("<body");
  const std::size_t b = lower.rfind("</body>");
  if (a == std::string::npos || b == std::string::npos || b < a) return page;
  return page.substr(a, b - a);
}

// RTF: the text of the document; destinations (font, colour and style tables, "\*" groups,
// footnotes) are skipped, "\par", "\line" and "\row" break lines, "\tab" and "\cell" separate
// words, "\'hh" gives its byte and "\~" a blank.
inline std::string RtfText(std::string_view rtf) {
  std::string out;
  // Depth at which a skipped destination began; 0 while nothing is skipped.
  int depth = 0, skipFrom = 0;
  bool groupStart = false;
  std::size_t i = 0;
  auto hex = [](char h) {
    return h >= '0' && h <= '9' ? h - '0'
                                : (std::tolower(static_cast<unsigned char>(h)) - 'a' + 10);
  };
  while (i < rtf.size()) {
    const char c = rtf[i];
    if (c == '{') {
      ++depth;
      groupStart = true;
      ++i;
      continue;
    }
    if (c == '}') {
      if (skipFrom != 0 && depth == skipFrom) skipFrom = 0;
      --depth;
      groupStart = false;
      ++i;
      continue;
    }
    const bool skipping = skipFrom != 0;
    if (c == '\\') {
      const char n = i + 1 < rtf.size() ? rtf[i + 1] : 0;
      if (std::isalpha(static_cast<unsigned char>(n))) {
        std::size_t e = i + 1;
        while (e < rtf.size() && std::isalpha(static_cast<unsigned char>(rtf[e]))) ++e;
        const std::string word(rtf.substr(i + 1, e - i - 1));
        if (e < rtf.size() && (rtf[e] == '-' || std::isdigit(static_cast<unsigned char>(rtf[e])))) {
          ++e;
          while (e < rtf.size() && std::isdigit(static_cast<unsigned char>(rtf[e]))) ++e;
        }
        if (e < rtf.size() && rtf[e] == ' ') ++e;
        static const char* const kDestinations[] = {"fonttbl",   "colortbl",         "stylesheet",
                                                    "info",      "footnote",         "pict",
                                                    "listtable", "listoverridetable"};
        if (groupStart && !skipping)
          for (const char* d : kDestinations)
            if (word == d) skipFrom = depth;
        if (!skipping && skipFrom == 0) {
          if (word == "par" || word == "line" || word == "row") Break(out);
          if (word == "tab" || word == "cell") Put(out, ' ');
        }
        groupStart = false;
        i = e;
        continue;
      }
      if (n == '*') {
        if (groupStart && !skipping) skipFrom = depth;
        i += 2;
        continue;
      }
      if (n == '\'' && i + 3 < rtf.size()) {
        if (!skipping) Put(out, static_cast<char>(hex(rtf[i + 2]) * 16 + hex(rtf[i + 3])));
        i += 4;
        continue;
      }
      if (!skipping) {
        if (n == '~') Put(out, ' ');
        if (n == '\\' || n == '{' || n == '}') Put(out, n);
      }
      i += 2;
      continue;
    }
    groupStart = false;
    // Line ends in RTF are no text at all.
    if (!skipping && c != '\r' && c != '\n') Put(out, c);
    ++i;
  }
  return Trimmed(out);
}

// IPF: the text between the tags (":name attributes." at any place), with the symbols "&per.",
// "&colon.", "&amp." and "&dot." decoded; paragraphs, items, rows and ".br" break lines, and so
// does a line end inside a lines block; cells and other line ends separate words.
inline std::string IpfText(std::string_view ipf) {
  std::string out;
  bool lines = false;
  std::size_t i = 0;
  while (i < ipf.size()) {
    const char c = ipf[i];
    if (c == ':' && i + 1 < ipf.size() && std::isalpha(static_cast<unsigned char>(ipf[i + 1]))) {
      const std::size_t e = ipf.find('.', i);
      std::string name(ipf.substr(i + 1, (e == std::string_view::npos ? ipf.size() : e) - i - 1));
      name = LowerAscii(name.substr(0, name.find_first_of(" \r\n")));
      // Block tags break lines, cells separate words; highlights and fonts do neither.
      if (name == "p" || name == "row" || name == "li" || name == "lm" || name == "lines" ||
          name == "elines" || name == "table" || name == "etable" || name == "ul" ||
          name == "eul" || name == "ol" || name == "eol" || name == "h1" || name == "h2" ||
          name == "h3" || name == "h4" || name == "h5" || name == "h6" || name == "xmp" ||
          name == "exmp")
        Break(out);
      if (name == "c") Put(out, ' ');
      if (name == "lines" || name == "xmp") lines = true;
      if (name == "elines" || name == "exmp") lines = false;
      i = e == std::string_view::npos ? ipf.size() : e + 1;
      continue;
    }
    if (c == '&') {
      const std::size_t e = ipf.find('.', i);
      if (e != std::string_view::npos && e - i <= 7) {
        const std::string_view name = ipf.substr(i + 1, e - i - 1);
        char decoded = 0;
        if (name == "per") decoded = '.';
        if (name == "colon") decoded = ':';
        if (name == "amp") decoded = '&';
        if (name == "dot") decoded = static_cast<char>(0xFA);
        if (decoded != 0) {
          Put(out, decoded);
          i = e + 1;
          continue;
        }
      }
    }
    if (c == '.' && (i == 0 || ipf[i - 1] == '\n')) {
      // A line that starts with a full stop is an IPF control line (".br"), not text.
      const std::size_t e = ipf.find('\n', i);
      Break(out);
      i = e == std::string_view::npos ? ipf.size() : e + 1;
      continue;
    }
    if (c == '\n' && lines)
      Break(out);
    else
      Put(out, c);
    ++i;
  }
  return Trimmed(out);
}

// The cells of the HTML tables in `html` with the column (from 1) each starts in, laid out as a
// browser does: row and column spans occupy the places below and beside them.
inline std::vector<std::pair<std::string, int>> HtmlTableCells(const std::string& html) {
  std::vector<std::pair<std::string, int>> cells;
  std::set<std::pair<int, int>> taken;
  int row = 0;
  for (std::size_t tr = html.find("<TR>"); tr != std::string::npos;
       tr = html.find("<TR>", tr + 1), ++row) {
    const std::string line = html.substr(tr, html.find("</TR>", tr) - tr);
    int col = 0;
    for (std::size_t td = line.find("<TD"); td != std::string::npos;
         td = line.find("<TD", td + 1)) {
      const std::size_t open = line.find('>', td);
      const std::string attributes = line.substr(td, open - td);
      auto number = [&](const std::string& name) {
        const std::size_t a = attributes.find(name + "=");
        return a == std::string::npos ? 1 : std::atoi(attributes.c_str() + a + name.size() + 1);
      };
      while (taken.count({row, col})) ++col;
      const int colspan = number("colspan"), rowspan = number("rowspan");
      for (int r = 0; r < rowspan; ++r)
        for (int c = 0; c < colspan; ++c) taken.insert({row + r, col + c});
      cells.emplace_back(line.substr(open + 1, line.find("</TD>", open) - open - 1), col + 1);
      col += colspan;
    }
  }
  return cells;
}

}  // namespace skeldon::output_text

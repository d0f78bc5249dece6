// A property of whole compile runs over random sources: every word of the source text reaches
// the HTML pages, the RTF text and the IPF file, in order and as a word of its own; every word
// of a table lands in the column its cell starts at; and every local link of the HTML pages
// names a page of the output folder (and an anchor that page has). The sources mix lists of
// both kinds, tables with continued and spanned cells, line blocks and PRE fonts, in hard and
// soft source format.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "compiler/foundation/ini_values.h"
#include "tests/support/compiler_test_support.h"
#include "tests/support/output_text.h"

using namespace skeldon;

namespace {

std::vector<std::string> Words(const std::string& text) {
  std::vector<std::string> words;
  std::istringstream in(output_text::Flat(text));
  for (std::string w; in >> w;) words.push_back(w);
  return words;
}

// A random source and what a reader must find of it.
struct TSample {
  std::string Source;
  std::vector<std::string> Words;           // every word of the text, in order
  std::map<std::string, int> TableColumns;  // word of a table cell -> its column
};

class SourceMaker {
 public:
  explicit SourceMaker(unsigned seed) : random_(seed) {}

  TSample Make() {
    Line(".1");
    Line(Text(2));
    Line("");
    const int parts = 4 + Pick(4);
    for (int p = 0; p < parts; ++p) {
      switch (Pick(5)) {
        case 0:
          Paragraph();
          break;
        case 1:
          List();
          break;
        case 2:
          Table();
          break;
        case 3:
          LineBlock();
          break;
        default:
          PreFont();
          break;
      }
      Line("");
    }
    Line(Text(1));
    return sample_;
  }

 private:
  int Pick(int n) { return static_cast<int>(random_() % static_cast<unsigned>(n)); }

  // A word of letters only, new each time, so its place in the output is unambiguous.
  std::string NewWord() {
    std::string w = "w";
    for (int n = ++count_; n > 0; n /= 26) w.push_back(static_cast<char>('a' + n % 26));
    return w;
  }
  std::string Word() {
    const std::string w = NewWord();
    sample_.Words.push_back(w);
    return w;
  }
  std::string Text(int words) {
    std::string t;
    for (int i = 0; i < words; ++i) t += (i ? " " : "") + Word();
    return t;
  }
  void Line(const std::string& l) { sample_.Source += l + "\n"; }

  void Paragraph() {
    for (int i = 0, n = 1 + Pick(3); i < n; ++i)
      Line(std::string(Pick(2) ? "" : "   ") + Text(1 + Pick(5)));
  }

  void List() {
    Line(Pick(2) ? ".OL" : ".UL");
    for (int i = 0, n = 1 + Pick(4); i < n; ++i) {
      const bool inner = i > 0 && Pick(3) == 0;
      Line(std::string(inner ? "  * " : "- ") + Text(1 + Pick(3)));
      if (Pick(3) == 0) Line(std::string(inner ? "    " : "  ") + Text(1 + Pick(2)));
    }
    Line(".UL");
  }

  // Three columns at positions 1, 13 and 25; a heading line across the first two columns, a
  // continued cell and a line that holds only its continuation. A continued cell is read
  // whole before the cells beside it, so table words are checked by column, not by order.
  void Table() {
    Line(".TA NO");
    auto cell = [&](std::string& line, int column, const std::string& text) {
      line.resize(static_cast<std::size_t>(12 * (column - 1)), ' ');
      line += text;
    };
    auto tableWord = [&](int column) {
      const std::string w = NewWord();
      sample_.TableColumns[w] = column;
      return w;
    };
    if (Pick(2)) {
      std::string head = tableWord(1);
      while (head.size() < 16) head += " " + tableWord(1);  // runs past position 13
      Line(head);
    }
    for (int r = 0, n = 2 + Pick(3); r < n; ++r) {
      std::string line;
      int continued = 0;
      for (int column = 1; column <= 3; ++column) {
        const std::string w = tableWord(column);
        const bool cont = continued == 0 && Pick(3) == 0;
        if (cont) continued = column;
        cell(line, column, cont ? w + " +" : w);
      }
      Line(line);
      if (continued != 0) {
        std::string next;
        cell(next, continued, tableWord(continued));
        Line(next);
      }
    }
    Line(".TA");
  }

  void LineBlock() {
    Line(Pick(2) ? ".BA" : ".FM OFF");
    for (int i = 0, n = 1 + Pick(3); i < n; ++i) Line(Text(1 + Pick(3)));
    Line(".BE");
  }

  void PreFont() {
    Line(".SN C");
    for (int i = 0, n = 1 + Pick(3); i < n; ++i) Line(Text(1 + Pick(3)));
    Line(".SN");
  }

  std::mt19937 random_;
  int count_ = 0;
  TSample sample_;
};

// The words of each table cell by column: HTML as a browser lays the grid out (row and
// column spans taking their places), IPF and RTF by the cells before it in its row.
void HtmlTableColumns(const std::string& html, std::map<std::string, int>& columns) {
  for (const auto& [text, col] : output_text::HtmlTableCells(html))
    for (const std::string& w : Words(output_text::HtmlText(text))) columns[w] = col;
}

// Cells of rows that start with `row` and are separated by `cell`, up to `rowEnd`.
void SeparatedColumns(const std::string& text, const std::string& row, const std::string& cell,
                      const std::string& rowEnd, bool ipf, std::map<std::string, int>& columns) {
  for (std::size_t r = text.find(row); r != std::string::npos; r = text.find(row, r + 1)) {
    std::size_t end = std::min(text.find(rowEnd, r + row.size()), text.find(row, r + row.size()));
    const std::string line = text.substr(r + row.size(), end - r - row.size());
    int col = ipf ? 0 : 1;
    for (std::size_t a = 0;;) {
      const std::size_t b = line.find(cell, a);
      const std::string piece = line.substr(a, b == std::string::npos ? b : b - a);
      const std::string words = ipf ? output_text::IpfText(piece) : output_text::RtfText(piece);
      for (const std::string& w : Words(words)) columns[w] = col;
      if (b == std::string::npos) break;
      a = b + cell.size();
      ++col;
    }
  }
}

bool IsSubsequence(const std::vector<std::string>& wanted, const std::vector<std::string>& seen,
                   std::string& missing) {
  std::size_t at = 0;
  for (const std::string& w : wanted) {
    while (at < seen.size() && seen[at] != w) ++at;
    if (at == seen.size()) {
      missing = w;
      return false;
    }
    ++at;
  }
  return true;
}

std::string Upper(std::string s) {
  for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

// Every href of the run's HTML pages that is no URL names a page of the output folder and, with
// "#", an anchor of that page.
void CheckLocalLinks(const TRunResult& r, const std::string& context) {
  std::map<std::string, const std::string*> pages;  // upper-case name in the folder -> text
  for (const auto& [name, text] : r.Files) {
    const std::size_t slash = name.find('\\');
    if (slash != std::string::npos && Upper(name).ends_with(".HTML"))
      pages[Upper(name.substr(slash + 1))] = &text;
  }
  ASSERT_FALSE(pages.empty()) << context;
  for (const auto& [page, text] : pages) {
    for (std::size_t h = text->find("href=\""); h != std::string::npos;
         h = text->find("href=\"", h + 1)) {
      const std::size_t a = h + 6;
      const std::string link = text->substr(a, text->find('"', a) - a);
      if (link.find(':') != std::string::npos) continue;  // a URL or a script
      const std::size_t hash = link.find('#');
      const std::string file = Upper(link.substr(0, hash));
      EXPECT_EQ(file.find(".."), std::string::npos) << context << page << ": " << link;
      EXPECT_NE(file.front(), '/') << context << page << ": " << link;
      const auto target = file.empty() ? pages.find(page) : pages.find(file);
      ASSERT_NE(target, pages.end()) << context << page << ": " << link;
      if (hash != std::string::npos) {
        const std::string anchor = "name=\"" + link.substr(hash + 1) + "\"";
        EXPECT_NE(target->second->find(anchor), std::string::npos)
            << context << page << ": " << link;
      }
    }
  }
}

TEST(SourceWordsProperty, EveryWordReachesEveryTargetInOrderAndInItsColumn) {
  for (unsigned seed = 1; seed <= 40; ++seed) {
    const TSample sample = SourceMaker(seed).Make();
    for (const bool soft : {false, true}) {
      for (const char* target : {"html", "ipf", "rtftext"}) {
        const std::string context = "seed " + std::to_string(seed) + (soft ? " soft " : " hard ") +
                                    target + "\n" + sample.Source + "\n";
        TestRun m(WholeRun(target));
        m->Switches.SoftLineEnds = soft;
        m->Ini.ContentsInternal = false;
        m->Ini.CreateContents = false;
        m->Ini.FontSpecs[FontLetterIndex('C')] = "Courier_New,Courier 10 PRE fmodern:Courier_New";
        const TRunResult r = CompileText(m, Crlf(sample.Source));
        ASSERT_EQ(r.ExitCode, -1) << context << r.Console;
        std::string text;
        std::map<std::string, int> columns;
        if (std::string(target) == "html") {
          const std::string& page = FileOf(r, "DOC\\N000.HTML");
          text = output_text::HtmlText(output_text::HtmlBody(page));
          HtmlTableColumns(page, columns);
          CheckLocalLinks(r, context);
        } else if (std::string(target) == "ipf") {
          const std::string& ipf = FileOf(r, "DOC.IPF");
          text = output_text::IpfText(ipf);
          SeparatedColumns(ipf, ":row.", ":c.", ":etable.", true, columns);
        } else {
          const std::string& rtf = FileOf(r, "DOC.RTF");
          text = output_text::RtfText(rtf);
          SeparatedColumns(rtf, "\\intbl", "\\cell", "\\row", false, columns);
        }
        std::string missing;
        EXPECT_TRUE(IsSubsequence(sample.Words, Words(text), missing))
            << context << "missing or out of order: " << missing << "\n"
            << text;
        for (const auto& [word, column] : sample.TableColumns) {
          const auto it = columns.find(word);
          ASSERT_NE(it, columns.end()) << context << "table word " << word;
          EXPECT_EQ(it->second, column) << context << "table word " << word;
        }
      }
    }
  }
}

}  // namespace

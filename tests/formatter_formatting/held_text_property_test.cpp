// Word breaking must never rearrange, lose or double text: over many random paragraphs, in a
// proportional and a fixed font at several margins, stored as plain lines and the way WordStar
// stores a justified paragraph, the formatted text keeps every non-blank character in order
// and no line runs past its margin.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "formatter/common/formatted_file.h"
#include "tests/support/format_run_fixture.h"

namespace tavrel::testing {
namespace {

// Widths in dots at 120 dpi, roughly those of a 12-point serif face: narrow punctuation and
// "i", wide "m" and "W"; every other letter in between. Column marks are a column wide.
std::array<uint8_t, 256> ProportionalWidths() {
  std::array<uint8_t, 256> w{};
  w.fill(9);
  for (char c : std::string("iljtf.,;:()'!|- ")) w[static_cast<uint8_t>(c)] = 4;
  for (char c : std::string("rsz")) w[static_cast<uint8_t>(c)] = 7;
  for (char c : std::string("mwMW")) w[static_cast<uint8_t>(c)] = 16;
  for (char c = 'A'; c <= 'Z'; ++c)
    if (c != 'M' && c != 'W' && c != 'I') w[static_cast<uint8_t>(c)] = 12;
  w['I'] = 5;
  w[kColumnMark] = 12;
  return w;
}

// One paragraph as words: the characters of each word, and whether it is bold.
struct Word {
  std::string text;
  bool bold = false;
};

std::vector<Word> RandomParagraph(std::mt19937& rng) {
  auto pick = [&rng](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
  // One paragraph in four is of narrow letters only, so that the zone holds more characters
  // than the word buffer has room for.
  const std::string lower = pick(0, 3) == 0 ? "iltjf" : "abcdefghijklmnopqrstuvwxyzeeeaaiioonnttss";
  const std::string upper = "ABCDEFGHIJKLMNOPQRSTUVWXYZ";
  std::vector<Word> words(pick(8, 90));
  for (Word& w : words) {
    const int len = pick(1, 11);
    std::string t;
    if (pick(0, 9) == 0) t += '(';
    for (int i = 0; i < len; ++i) {
      const bool cap = (i == 0 && pick(0, 4) == 0) || pick(0, 30) == 0;
      t += cap ? upper[pick(0, 25)] : lower[pick(0, int(lower.size()) - 1)];
      // A hyphen inside a word, never at its ends.
      if (i > 0 && i + 1 < len && pick(0, 25) == 0) t += '-';
    }
    if (t[0] == '(' && pick(0, 1) == 0) t += ')';
    switch (pick(0, 11)) {
      case 0:
        t += ',';
        break;
      case 1:
        t += '.';
        break;
      default:
        break;
    }
    w.text = t;
    w.bold = pick(0, 12) == 0;
  }
  return words;
}

// The words joined by one blank (sometimes two), bold words inside their toggles.
std::string PlainLine(const std::vector<Word>& words, std::mt19937& rng) {
  std::string out;
  for (size_t i = 0; i < words.size(); ++i) {
    if (i > 0) out += (rng() % 9 == 0) ? "  " : " ";
    if (words[i].bold) out += '\x02';
    out += words[i].text;
    if (words[i].bold) out += '\x02';
  }
  return out;
}

// A paragraph as WordStar stores it justified at width columns: each line's words separated by
// a blank and soft spaces that fill the line, the last character of every word with bit 7 set,
// soft returns at the inner line ends and a hard return at the last.
std::string WordStarJustified(const std::vector<Word>& words, int width) {
  std::vector<std::vector<std::string>> lines(1);
  int used = 0;
  for (const Word& w : words) {
    std::string t = w.text;
    t.back() = static_cast<char>(static_cast<uint8_t>(t.back()) | 0x80);
    if (w.bold) t = "\x02" + t + "\x02";
    const int len = static_cast<int>(w.text.size());
    if (!lines.back().empty() && used + 1 + len > width) {
      lines.emplace_back();
      used = 0;
    }
    used += (lines.back().empty() ? 0 : 1) + len;
    lines.back().push_back(t);
  }
  std::string out;
  for (size_t l = 0; l < lines.size(); ++l) {
    const auto& line = lines[l];
    const bool last = l + 1 == lines.size();
    int letters = 0;
    for (const std::string& t : line)
      for (char c : t) letters += c != '\x02';
    int fill = last || line.size() < 2 ? 0 : width - letters - int(line.size() - 1);
    for (size_t i = 0; i < line.size(); ++i) {
      if (i > 0) {
        out += ' ';
        // Soft spaces spread from the left, as the editor justifies.
        const int gaps = int(line.size() - i);
        const int here = fill / gaps + (fill % gaps ? 1 : 0);
        out.append(static_cast<size_t>(here), '\xA0');
        fill -= here;
      }
      out += line[i];
    }
    // The editor leaves the blank at a soft return as it was typed, or none.
    if (!last && l % 3 == 1) out += ' ';
    out += last ? "\r\n" : "\x8D\n";
  }
  return out;
}

// The characters that carry the text: no blanks, column marks, line ends or print toggles.
std::string Inked(const std::string& bytes) {
  std::string out;
  for (char ch : bytes) {
    const auto c = static_cast<uint8_t>(ch);
    if (c == ' ' || c == kColumnMarkByte || c == kSoftLineEndByte || c == '\r' || c == '\n' ||
        c == kBoldToggle || c == kSoftHyphen)
      continue;
    out += static_cast<char>(c & 0x7F);
  }
  return out;
}

class HeldTextPropertyTest : public RunFixture {
 protected:
  void UseFont(bool proportional) {
    widths_.fill(12);
    if (proportional) widths_ = ProportionalWidths();
    std::vector<FixedWidthFont> fonts;
    for (char prefix : {'\0', '"', '\'', '&'}) {
      for (char letter : {'C', 'H'}) {
        FixedWidthFont f;
        f.FontNumber = FontCharToNumberForTest(letter, prefix);
        f.FaceName = letter == 'C' ? "Courier New" : "Times New Roman";
        f.Size = 12;
        f.Width = 12;
        for (int c = 0; c < 256; ++c) f.Overrides[c] = widths_[c];
        fonts.push_back(f);
      }
    }
    printer_ = BuildFixedWidthPrinterData(120, "Test printer", fonts.data(), fonts.size());
  }

  // Lines of the formatted text (the header line dropped) wider than the margin; blanks at a
  // line's end take no room on the page.
  std::vector<std::string> LinesPastMargin(const std::string& body, int margin_columns) {
    std::vector<std::string> bad;
    size_t start = 0;
    while (start < body.size()) {
      size_t eol = body.find('\n', start);
      if (eol == std::string::npos) eol = body.size();
      std::string line = body.substr(start, eol - start);
      start = eol + 1;
      while (!line.empty() && (line.back() == '\r' || line.back() == '\x8D' || line.back() == ' ' ||
                               line.back() == '\x02'))
        line.pop_back();
      int dots = 0;
      for (char ch : line) {
        const auto c = static_cast<uint8_t>(ch);
        if (c == kBoldToggle) continue;
        dots += c == kColumnMarkByte ? widths_[kColumnMark] : widths_[c];
      }
      if (dots > margin_columns * 12) bad.push_back(unit_test::Shown(line));
    }
    return bad;
  }

  std::array<uint8_t, 256> widths_{};
};

TEST_F(HeldTextPropertyTest, FormattedTextKeepsEveryCharacterInOrderWithinTheMargin) {
  std::mt19937 rng(20261210);
  for (bool proportional : {true, false}) {
    UseFont(proportional);
    for (int margin : {20, 30, 45, 60, 65, 78}) {
      for (int round = 0; round < 40; ++round) {
        std::string document = ".RM " + std::to_string(margin) + "\r\n";
        std::string expected;
        for (int paragraph = 0; paragraph < 4; ++paragraph) {
          const std::vector<Word> words = RandomParagraph(rng);
          const std::string line = PlainLine(words, rng);
          expected += Inked(line);
          const bool wordstar = (round + paragraph) % 2 == 1;
          document += wordstar ? WordStarJustified(words, 40 + int(rng() % 30)) : line + "\r\n";
          document += "\r\n";
        }
        const std::string body = Body(Format("p.ws", document));
        ASSERT_TRUE(run_ != nullptr);
        const std::string got = Inked(body);
        const std::string context = std::string(proportional ? "proportional" : "fixed") +
                                    " font, right margin " + std::to_string(margin) + ", round " +
                                    std::to_string(round) + "\n--- document\n" +
                                    Readable(document) + "\n--- formatted\n" + Readable(body);
        ASSERT_EQ(got.substr(Inked(".RM " + std::to_string(margin)).size()), expected) << context;
        const std::vector<std::string> wide = LinesPastMargin(body, margin);
        ASSERT_TRUE(wide.empty()) << wide.front() << "\n" << context;
      }
    }
  }
}

}  // namespace
}  // namespace tavrel::testing

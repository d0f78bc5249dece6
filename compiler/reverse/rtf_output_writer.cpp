// The one writer every character of an RTF conversion passes: one character held back so that a
// later call can still cancel it, topic text buffered until its title is seen, line ends and tab
// marks expanded, literal toggle characters doubled.
#include <algorithm>
#include <string>
#include <vector>

#include "compiler/reverse/rtf_conversion_state.h"

namespace skeldon {

namespace {

constexpr char kTabMark = 1;
constexpr char kCr = 13;
constexpr char kCellMark = 1;

std::vector<std::string> SplitLines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (std::size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2)
    lines.push_back(text.substr(start, end - start));
  lines.push_back(text.substr(start));
  return lines;
}

// The rows of one table, each cell padded to its column's width and three blanks, so that the
// compiler finds the same columns again.
void AlignRows(std::vector<std::string>& lines, std::size_t first, std::size_t end) {
  std::vector<std::vector<std::string>> rows;
  std::vector<std::size_t> widths;
  for (std::size_t k = first; k < end; ++k) {
    std::vector<std::string> cells;
    std::size_t start = 0;
    for (std::size_t mark; (mark = lines[k].find(kCellMark, start)) != std::string::npos;
         start = mark + 1)
      cells.push_back(lines[k].substr(start, mark - start));
    cells.push_back(lines[k].substr(start));
    for (std::size_t c = 0; c < cells.size(); ++c) {
      if (widths.size() <= c) widths.push_back(0);
      widths[c] = std::max(widths[c], cells[c].size());
    }
    rows.push_back(std::move(cells));
  }
  for (std::size_t k = first; k < end; ++k) {
    const std::vector<std::string>& cells = rows[k - first];
    std::string line;
    for (std::size_t c = 0; c < cells.size(); ++c) {
      line += cells[c];
      if (c + 1 < cells.size()) line.append(widths[c] - cells[c].size() + 3, ' ');
    }
    while (!line.empty() && line.back() == ' ') line.pop_back();
    lines[k] = std::move(line);
  }
}

void WriteToCurrentOutput(TRtfConversionState& s, char ch) {
  std::string& out = s.OutputFiles[s.CurrentOutput];
  std::int32_t& count = s.OutputCharCounts[s.CurrentOutput];
  s.SomethingWritten = true;
  if (ch == kCr) {
    out += "\r\n";
    count += 2;
    s.AtLineStart = true;
  } else if (ch == kTabMark && s.InTable && s.CurrentOutput == 0) {
    // A cell boundary of the source: AlignTableColumns makes the cells stand in columns.
    out += kCellMark;
    count += 3;
  } else if (ch == kTabMark) {
    const char* blanks = s.InTable ? "   " : (s.AtLineStart ? "    " : "\r\n    ");
    const std::string_view text(blanks);
    out += text;
    count += static_cast<std::int32_t>(text.size());
  } else {
    s.AtLineStart = false;
    out += ch;
    ++count;
    if (s.IsInternalToggleChar[static_cast<std::uint8_t>(ch)] && !s.NoToggleDoubling) {
      out += ch;
      ++count;
    }
  }
}

}  // namespace

void WriteOutputChar(TRtfConversionState& s, char ch) {
  // A tab or cell at the end of a line leaves nothing.
  if (ch == kCr && s.PendingChar == kTabMark) s.PendingChar = 0;
  if (s.PendingChar != 0) {
    if (s.BufferMode) {
      ++s.TextBufferCount;
      if (static_cast<std::size_t>(s.TextBufferCount) > kTextBufferSize) {
        ReportMessage(s, "Fehler: Das ist kein korrektes RTF-Hilfe-Format",
                      "Error: This is not a correct RTF help format", true);
        ReportMessage(s, "Versuchen Sie es bitte auch einmal mit dem Parameter /istext",
                      "Try the /istext parameter please", true);
        StopConversion(s, 31);
      }
      s.TextBuffer[static_cast<std::size_t>(s.TextBufferCount)] = s.PendingChar;
    } else {
      WriteToCurrentOutput(s, s.PendingChar);
    }
  }
  s.PendingChar = ch;
  s.NoToggleDoubling = s.RecomputingState;
}

void AlignTableColumns(std::string& output) {
  if (output.find(kCellMark) == std::string::npos) return;
  std::vector<std::string> lines = SplitLines(output);
  std::size_t tableStart = 0;
  bool inTable = false;
  for (std::size_t k = 0; k < lines.size(); ++k) {
    if (!inTable && lines[k] == ".TA Table") {
      inTable = true;
      tableStart = k + 1;
    } else if (inTable && lines[k] == ".TA") {
      AlignRows(lines, tableStart, k);
      inTable = false;
    }
  }
  if (inTable) AlignRows(lines, tableStart, lines.size());
  output.clear();
  for (std::size_t k = 0; k < lines.size(); ++k) {
    // A cell mark outside a table (none is written there) would still not stay in the text.
    for (char& c : lines[k])
      if (c == kCellMark) c = ' ';
    output += lines[k];
    if (k + 1 < lines.size()) output += "\r\n";
  }
}

void WriteOutputString(TRtfConversionState& s, std::string_view text) {
  for (char c : text) WriteOutputChar(s, c);
}

void WriteOutputText(TRtfConversionState& s, std::string_view text, int output) {
  s.OutputFiles[static_cast<std::size_t>(output)] += text;
}

void DropPendingChar(TRtfConversionState& s) { s.PendingChar = 0; }

void WriteToggleChar(TRtfConversionState& s, char ch) {
  // Switched on and off again at once: neither is written.
  if (s.PendingChar == ch)
    s.PendingChar = 0;
  else
    WriteOutputChar(s, ch);
}

void FlushTextBuffer(TRtfConversionState& s) {
  if (s.Pass == 1 && s.TextBufferCount > 0) {
    // The title is a paragraph of its own: what stood before it (the ".ID" line of its context
    // string, say) starts after an empty line, or the compiler reads it as part of the heading.
    WriteOutputChar(s, kCr);
    if (s.TextBuffer[1] != kCr) WriteOutputChar(s, kCr);
  }
  if (s.Pass == 1)
    for (std::int32_t k = 1; k <= s.TextBufferCount; ++k)
      WriteOutputChar(s, s.TextBuffer[static_cast<std::size_t>(k)]);
  s.TextBufferCount = 0;
}

std::uint8_t HexDigitValue(char ch) {
  const auto code = static_cast<std::uint8_t>(ch);
  return code >= 'A' ? static_cast<std::uint8_t>(code - 55) : static_cast<std::uint8_t>(code - 48);
}

char DecodeHexEscape(TRtfConversionState& s, bool raw) {
  const unsigned d1 = s.Keyword.size() > 1 ? HexDigitValue(s.Keyword[1]) : 0;
  const unsigned d2 = s.Keyword.size() > 2 ? HexDigitValue(s.Keyword[2]) : 0;
  const unsigned v = 16 * d1 + d2;
  char result = '?';
  if (v <= 255)
    result = static_cast<char>(s.Settings.IsoSourceCodePage || raw ? v : s.AnsiToOem[v]);
  s.InKeyword = false;
  s.Keyword.clear();
  return result;
}

std::string ConvertAnsiToOemText(const TRtfConversionState& s, std::string_view text, bool force) {
  std::string out(text);
  if (!s.Settings.IsoSourceCodePage || force)
    for (char& c : out) c = static_cast<char>(s.AnsiToOem[static_cast<std::uint8_t>(c)]);
  return out;
}

std::string StripDirectory(std::string_view name) {
  const std::size_t slash = name.find_last_of("\\/");
  if (slash == std::string_view::npos) return std::string(name);
  return std::string(name.substr(slash + 1, 199));
}

void StopConversion(TRtfConversionState&, int code) { throw RtfConversionStop{code}; }

}  // namespace skeldon

// The one writer every character of an RTF conversion passes: one character held back so that a
// later call can still cancel it, topic text buffered until its title is seen, line ends and tab
// marks expanded, literal toggle characters doubled.
#include <string>

#include "compiler/reverse/rtf_conversion_state.h"

namespace skeldon {

namespace {

constexpr char kTabMark = 1;
constexpr char kCr = 13;

void WriteToCurrentOutput(TRtfConversionState& s, char ch) {
  std::string& out = s.OutputFiles[s.CurrentOutput];
  std::int32_t& count = s.OutputCharCounts[s.CurrentOutput];
  s.SomethingWritten = true;
  if (ch == kCr) {
    out += "\r\n";
    count += 2;
    s.AtLineStart = true;
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

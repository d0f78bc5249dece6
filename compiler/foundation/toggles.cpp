#include "compiler/foundation/toggles.h"

#include <cstring>
#include <string>

#include "compiler/foundation/byte_scan.h"
#include "compiler/foundation/foundation_run.h"

namespace skeldon {

const std::array<TToggleDef, kToggleCount> kToggleDefs = {{
    {MessageId::ToggleAlternate, "", ""},
    {MessageId::ToggleItalic, "I", "i"},
    {MessageId::ToggleBold, "B", "b"},
    {MessageId::ToggleUnderline, "U", "ul"},
    {MessageId::ToggleRed, "", ""},
    {MessageId::ToggleCyan, "", ""},
    {MessageId::ToggleBlue, "", ""},
    {MessageId::ToggleStrike, "STRIKE", ""},
    {MessageId::ToggleBig, "BIG", ""},
    {MessageId::ToggleSmall, "SMALL", ""},
    {MessageId::ToggleSubscript, "SUB", "sub"},
    {MessageId::ToggleSuperscript, "SUP", "super"},
}};

namespace {

bool Holds(std::string_view text, std::uint8_t c) {
  return text.find(static_cast<char>(c)) != std::string_view::npos;
}

}  // namespace

bool ChooseInternalToggleChars(ToggleTables& tables, std::string& buffer,
                               const ToggleChoiceInput& input) {
  // Only codes from 128 up are candidates: 32 bytes at a time, ASCII text is passed over.
  std::array<bool, 256> used{};
  const std::size_t size = buffer.size();
  const auto markBytes = [&](std::size_t from, std::size_t to) {
    for (std::size_t k = from; k < to; ++k) used[static_cast<std::uint8_t>(buffer[k])] = true;
  };
  std::size_t start = 0;
  for (; start + 32 <= size; start += 32) {
    std::uint64_t block[4];
    std::memcpy(block, buffer.data() + start, sizeof block);
    if (((block[0] | block[1] | block[2] | block[3]) & 0x8080808080808080ull) != 0)
      markBytes(start, start + 32);
  }
  markBytes(start, size);

  std::string internal(input.ToggleChars);
  if (internal.size() < kToggleCount) internal.resize(kToggleCount, '\0');
  int taken = 0;
  for (int c = 255; c >= 128 && taken < kToggleCount; --c) {
    const auto b = static_cast<std::uint8_t>(c);
    if (used[b] || Holds(input.ToggleChars, b) || Holds(input.ListChars, b) ||
        Holds(input.PrintedListChars, b) || b == input.IndexChar)
      continue;
    internal[taken++] = static_cast<char>(b);
  }
  if (taken < kToggleCount) return false;
  tables.InternalToggleChars = internal;
  for (std::size_t k = 0; k < input.ToggleChars.size(); ++k)
    tables.ToggleCharMap[static_cast<std::uint8_t>(input.ToggleChars[k])] =
        static_cast<std::uint8_t>(internal[k]);

  // Rewrite the running text in place. The start of the buffer counts as a line start, every
  // byte up to the last one is looked at, and a bare LF ends a dot-command line like CR does.
  const std::size_t n = buffer.size();
  // Most bytes are neither a line end nor a toggle character: they are passed over at once.
  std::string stopBytes = "\n\r";
  for (int c = 0; c < 256; ++c)
    if (tables.ToggleCharMap[static_cast<std::size_t>(c)] != c) stopBytes += static_cast<char>(c);
  const TStopBytes stops = MakeStopBytes(stopBytes);
  char* const text = buffer.data();
  const auto at = [text](std::size_t i) { return static_cast<std::uint8_t>(text[i]); };
  bool dotLine = n > 0 && text[0] == '.';
  for (std::size_t i = 0; i < n; ++i) {
    i = FindStopByte(stops, buffer, i);
    if (i == n) break;
    // The LF of a CR LF pair is taken with its CR: the LF decides the dot-line mark.
    if (at(i) == '\r' && i + 1 < n && at(i + 1) == '\n') ++i;
    const std::uint8_t b = at(i);
    if (b == '\n') {
      dotLine = i + 1 < n && text[i + 1] == '.';
      continue;
    }
    if (b == '\r') {
      dotLine = false;
      continue;
    }
    if (dotLine || tables.ToggleCharMap[b] == b) continue;
    if (i + 1 < n && at(i + 1) == b) {
      // A doubled toggle character stands for the character itself once.
      text[i + 1] = '\0';
      ++i;
    } else {
      text[i] = static_cast<char>(tables.ToggleCharMap[b]);
    }
  }
  return true;
}

void ChooseInternalToggleChars(FoundationRun& run) {
  ToggleChoiceInput input;
  input.ToggleChars = run.Ini.ToggleChars;
  input.ListChars = run.Ini.ListChars;
  input.PrintedListChars = run.Ini.PrintedListChars;
  input.IndexChar = run.Ini.IndexChar;
  if (!ChooseInternalToggleChars(run.Toggles, run.Source.Data, input)) {
    WriteMessage(run, MessageId::NoFreeInternalChars, true);
    run.Reporter.Terminate(CompletedOrFailed(run, ExitCode::SourceNotCompilable));
  }
  for (auto& group : run.IniValues.ButtonTable)
    for (TButtonEntry& entry : group) entry.Text = MapToggleChars(run.Toggles, entry.Text);
}

void BuildToggleCharTable(ToggleTables& tables) {
  tables.IsInternalToggleChar.fill(false);
  for (char c : tables.InternalToggleChars)
    tables.IsInternalToggleChar[static_cast<std::uint8_t>(c)] = true;
  const ToggleTables plain;  // letters and digits, no toggle yet
  for (int c = 0; c < 256; ++c)
    tables.IsPlainOutputChar[c] = plain.IsPlainOutputChar[c] && !tables.IsInternalToggleChar[c];
}

std::string MapToggleChars(const ToggleTables& tables, std::string_view text) {
  std::string out(text);
  for (char& c : out) c = static_cast<char>(tables.ToggleCharMap[static_cast<std::uint8_t>(c)]);
  return out;
}

std::string UpperCaseAscii(std::string_view text) {
  std::string out(text);
  for (char& c : out)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return out;
}

}  // namespace skeldon

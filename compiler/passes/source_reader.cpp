#include "compiler/passes/source_reader.h"

#include <cstring>

#include "compiler/foundation/command_line.h"
#include "compiler/foundation/console_reporter.h"
#include "compiler/foundation/file_names.h"
#include "compiler/foundation/source_buffer.h"
#include "compiler/passes/compiler_run.h"
#include "compiler/passes/pass_services.h"
#include "compiler/writers/markup.h"

namespace skeldon {

namespace {

constexpr std::uint8_t kCr = 0x0D;
constexpr std::uint8_t kLf = 0x0A;
constexpr std::uint8_t kEsc = 0x1B;
constexpr std::uint8_t kEmbedded = 0x1D;
constexpr std::uint8_t kSoftCr = 0x8D;
constexpr std::uint8_t kSoftSpace = 0xA0;

// ".!?:;", the byte 0xE3 and CR: a line ending in one of these ends a sentence.
bool IsSentenceEndChar(std::uint8_t c) {
  return c == '.' || c == '!' || c == '?' || c == ':' || c == ';' || c == 0xE3 || c == kCr;
}

// The buffer's own read, done here: it runs for every byte of every pass.
inline std::uint8_t ReadByte(CompilerRun& run) {
  TSourceBuffer& sb = run.Source;
  const std::size_t at = sb.Position++;
  return at < sb.Data.size() ? static_cast<std::uint8_t>(sb.Data[at]) : 0;
}

inline bool AtSourceEnd(const CompilerRun& run) {
  return run.Source.Position >= run.Source.Data.size();
}

void RaiseLineEndCount(TSourceBuffer& sb) {
  // A byte counter that wrapped to 0 would make a run of empty lines look like none.
  if (sb.LineEndCount < 255) ++sb.LineEndCount;
}

// Drops the line feed of a CR LF pair; any other byte stays to be read.
void DropLineFeed(CompilerRun& run) {
  TSourceBuffer& sb = run.Source;
  if (sb.Position < sb.Data.size() && static_cast<std::uint8_t>(sb.Data[sb.Position]) == kLf)
    ++sb.Position;
}

// Skips one embedded 0x1D sequence (NextChar holds its opening byte). False when the buffer
// ended inside it or right after it.
bool SkipEmbeddedSequence(CompilerRun& run) {
  TSourceBuffer& sb = run.Source;
  std::uint8_t first = 0, second = 0, older = 0, old = 0;
  int count = 0;
  for (;;) {
    if (SourceEof(run)) return false;
    const std::uint8_t b = ReadByte(run);
    ++count;
    if (count == 1) first = b;
    if (count == 2) second = b;
    if (count >= 3 && b == kEmbedded && older == first && old == second) break;
    older = old;
    old = b;
  }
  if (first == 0x12) {
    sb.NextChar = 0x01;
    return true;
  }
  if (SourceEof(run)) return false;
  sb.NextChar = ReadByte(run);
  return true;
}

// ESC pair: the byte after ESC is taken with its high bit, one further byte is dropped.
void TakeEscapedByte(CompilerRun& run) {
  TSourceBuffer& sb = run.Source;
  if (SourceEof(run)) {
    sb.NextChar = 0;
    return;
  }
  sb.NextChar = ReadByte(run);
  if (!SourceEof(run)) SetSourcePos(run, sb.Position + 1);
}

// WordStar filter of one character; false when the buffer ended in an embedded sequence.
bool FilterWordStarChar(CompilerRun& run) {
  TSourceBuffer& sb = run.Source;
  while (sb.NextChar == kEmbedded) {
    if (!SkipEmbeddedSequence(run)) {
      sb.NextChar = 0;
      return false;
    }
    if (sb.NextChar == 0x01) break;
  }
  const std::uint8_t c = StripHighBit(sb.NextChar);
  if (c == kEsc) {
    TakeEscapedByte(run);
  } else if (sb.NextChar == kCr) {
    RaiseLineEndCount(sb);
    DropLineFeed(run);
  } else if (sb.NextChar == kSoftCr) {
    // A soft line end and the soft spaces after it vanish; the line goes on.
    if (!SourceEof(run)) {
      const std::uint8_t after = PeekBufferChar(run);
      if (after == kLf || after == (kLf | 0x80)) SetSourcePos(run, sb.Position + 1);
    }
    std::uint8_t b = kSoftSpace;
    while (b == kSoftSpace) {
      if (SourceEof(run)) {
        sb.NextChar = ' ';
        return true;
      }
      b = ReadByte(run);
    }
    if (StripHighBit(b) == kEsc) {
      TakeEscapedByte(run);
    } else {
      sb.NextChar = StripHighBit(b);
      if (sb.NextChar == kCr) DropLineFeed(run);
    }
  } else if (sb.NextChar == kSoftSpace) {
    sb.NextChar = run.Reader.SoftSpacesAsBlanks ? ' ' : run.Reader.SoftSpaceChar;
  } else if (sb.NextChar == 0x0F) {
    sb.NextChar = ' ';
  } else if (sb.NextChar == kLf) {
    // A bare line feed ends a line like CR LF.
    sb.NextChar = kCr;
    RaiseLineEndCount(sb);
  } else {
    sb.NextChar = c;
  }
  return true;
}

void FilterPlainChar(CompilerRun& run) {
  TSourceBuffer& sb = run.Source;
  if (sb.NextChar == kLf)
    sb.NextChar = kCr;  // a bare line feed counts as CR LF
  else if (sb.NextChar == kCr)
    DropLineFeed(run);
  else
    return;
  RaiseLineEndCount(sb);
  if (run.Switches.SoftLineEnds && !SourceLineEndsKept(run)) {
    if (!IsSentenceEndChar(sb.CurChar)) --sb.LineEndCount;
    if (sb.CurChar == kCr) {
      if (sb.LineEndCount < 2)
        sb.LineEndCount = 2;
      else
        RaiseLineEndCount(sb);
    }
  }
}

// The console side of reading, out of line: the read itself runs for every byte.
[[gnu::noinline]] void ReportLineCount(CompilerRun& run, std::int32_t line) {
  run.Reporter.WriteText(std::to_string(line) + " ", false);
}

[[gnu::noinline]] void EchoReadChar(CompilerRun& run) {
  const TSwitches& sw = run.Switches;
  const TSourceBuffer& sb = run.Source;
  if (!(sw.DebugMainOnly && run.Reader.PrePassRunning) &&
      run.Lines.CurrentSourceLine >= sw.DebugStartLine) {
    if (sb.NextChar == kCr)
      run.Reporter.WriteLine("", false);
    else
      run.Reporter.WriteText(std::string(1, static_cast<char>(sb.NextChar)), false);
  }
}

}  // namespace

void PrimeReaderWindow(CompilerRun& run) {
  run.Source.NextChar = kCr;
  run.Source.CurChar = 0;
  run.Source.PrevChar = 0;
}

namespace {

// What follows the move of the window when a line end, WordStar input or the debug echo is
// involved: the filters, the dot-line mark and the line count.
[[gnu::noinline]] void FinishSourceChar(CompilerRun& run) {
  TSourceBuffer& sb = run.Source;
  const bool lineStart = sb.CurChar == kCr;
  if (run.Switches.WordStarInput) {
    if (!FilterWordStarChar(run)) {
      if (lineStart) run.Reader.DotLineMark = false;
      return;
    }
  } else {
    FilterPlainChar(run);
  }
  if (lineStart) run.Reader.DotLineMark = sb.NextChar == '.';
  if (sb.NextChar == kCr) {
    int32_t& line = run.Lines.CurrentSourceLine;
    ++line;
    if (run.Switches.CountLines && line % 10 == 0) ReportLineCount(run, line);
  }
  if (run.Switches.DebugEcho) EchoReadChar(run);
}

}  // namespace

void ReadSourceChar(CompilerRun& run) {
  TSourceBuffer& sb = run.Source;
  if (AtSourceEnd(run)) return;
  sb.PrevChar = sb.CurChar;
  sb.CurChar = sb.NextChar;
  const auto next = static_cast<std::uint8_t>(sb.Data[sb.Position++]);
  sb.NextChar = next;
  // Most bytes of plain input are no line end and follow none: only the window moves.
  if (next == kCr || next == kLf || sb.CurChar == kCr || run.Switches.WordStarInput ||
      run.Switches.DebugEcho)
    FinishSourceChar(run);
}

std::size_t SkipWithinLine(CompilerRun& run, int stop) {
  TSourceBuffer& sb = run.Source;
  if (run.Switches.WordStarInput || run.Switches.DebugEcho) return 0;
  if (sb.PrevChar == kCr || sb.CurChar == kCr || sb.NextChar == kCr) return 0;
  // Bytes other than CR and LF pass ReadSourceChar unchanged and touch neither the line
  // count nor the dot-line mark: only the window moves.
  const std::string& data = sb.Data;
  const std::size_t start = sb.Position, size = data.size();
  if (start >= size) return 0;
  // Lines are long beside the cost of starting a scan: the first of the three bytes in one.
  TSourceReaderState& reader = run.Reader;
  if (reader.LineStopsFor != stop) {
    std::string bytes = {static_cast<char>(kCr), static_cast<char>(kLf)};
    if (stop >= 0) bytes.push_back(static_cast<char>(stop));
    reader.LineStops = MakeStopBytes(bytes);
    reader.LineStopsFor = stop;
  }
  const std::size_t length = FindStopByte(reader.LineStops, data, start) - start;
  if (length > 0) AdvanceReaderWindow(sb, start + length);
  return length;
}

void AdvanceReaderWindow(TSourceBuffer& sb, std::size_t end) {
  const std::size_t k = end - sb.Position;
  if (k == 0) return;
  const auto at = [&](std::size_t i) { return static_cast<std::uint8_t>(sb.Data[i]); };
  if (k >= 3) {
    sb.PrevChar = at(end - 3);
    sb.CurChar = at(end - 2);
  } else if (k == 2) {
    sb.PrevChar = sb.NextChar;
    sb.CurChar = at(end - 2);
  } else {
    sb.PrevChar = sb.CurChar;
    sb.CurChar = sb.NextChar;
  }
  sb.NextChar = at(end - 1);
  sb.Position = end;
}

void ReadDotCommandLine(CompilerRun& run) {
  std::string& line = run.Reader.DotLine;
  line.clear();
  while (!SourceEof(run) && run.Source.NextChar != kCr) {
    ReadSourceChar(run);
    const std::uint8_t c = run.Source.NextChar;
    if (line.empty() && c == ' ') continue;
    line.push_back(static_cast<char>(c));
    if (line.size() >= kDotLineMax) {
      run.Reporter.ReportSourceError(MessageId::DotCommandTooLong, 0);
      run.Reporter.Terminate(CompletedOrFailed(run, ExitCode::SourceStructureWrong));
    }
  }
  if (!line.empty() && static_cast<std::uint8_t>(line.back()) == kCr) line.pop_back();
  // The line end is counted now; messages about this line subtract it again.
  if (run.Source.NextChar == kCr) run.Lines.ErrorLineOffset = 1;
}

bool IsConditionDefined(const CompilerRun& run, std::string_view name) {
  // Only names actually given count: an empty word is never a defined condition.
  if (name.empty() || name.size() > kConditionNameMax) return false;
  const TSwitches& sw = run.Switches;
  for (int i = 0; i < sw.ConditionCount && i < kMaxConditions; ++i)
    if (sw.ConditionNames[i] == name) return true;
  return false;
}

bool EvaluateCondition(CompilerRun& run, std::string_view condition) {
  const std::vector<std::string> words = SplitWords(condition);
  auto word = [&](std::size_t i) -> std::string_view {
    return i < words.size() ? std::string_view(words[i]) : std::string_view();
  };
  auto syntaxError = [&] {
    run.Reporter.ReportSourceError(MessageId::WrongIfSyntax, 0);
    return false;
  };
  const std::string_view w1 = word(0), w2 = word(1), w3 = word(2);
  if (w1.empty()) return syntaxError();
  if (w2.empty()) return IsConditionDefined(run, w1);
  if (w1 == "not") return !IsConditionDefined(run, w2);
  const bool isAnd = w2 == "and" || w2 == "und" || w2 == "undzugleich" || w2 == "&" || w2 == "&&";
  const bool isOr = w2 == "or" || w2 == "oder" || w2 == "|" || w2 == "||";
  if (!isAnd && !isOr) return syntaxError();
  // An operator needs its second operand.
  if (w3.empty()) return syntaxError();
  if (isAnd) return IsConditionDefined(run, w1) && IsConditionDefined(run, w3);
  return IsConditionDefined(run, w1) || IsConditionDefined(run, w3);
}

namespace {

// The condition or number text: after the two command letters, leading blanks skipped, the
// same for every pass whether the line was read here or collected whole by the caller.
std::string ArgumentText(std::string_view line, bool readRest) {
  std::string_view text = line;
  if (!readRest) text = text.size() > 2 ? text.substr(2) : std::string_view();
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  if (text.size() > kConditionTextMax) text = text.substr(0, kConditionTextMax);
  return std::string(text);
}

std::string CommandArgument(CompilerRun& run, bool readRest) {
  if (readRest) ReadDotCommandLine(run);
  return ArgumentText(run.Reader.DotLine, readRest);
}

void ReadPendingNumber(CompilerRun& run, bool readRest, std::uint16_t& pending,
                       MessageId numberMissing, std::string_view command) {
  if (!run.Ini.TargetFlags.Html) return;
  const std::string text = CommandArgument(run, readRest);
  std::size_t i = 0, end = text.size();
  while (end > 0 && text[end - 1] == ' ') --end;
  std::uint32_t value = 0;
  bool digits = false, tooLarge = false;
  for (; i < end; ++i) {
    const char c = text[i];
    if (c < '0' || c > '9') break;
    digits = true;
    value = value * 10 + static_cast<std::uint32_t>(c - '0');
    if (value > 65535) tooLarge = true;
    if (value > 1000000) value = 1000000;
  }
  if (!digits || i != end) {
    run.Reporter.ReportSourceError(numberMissing, 0);
    pending = 0;
  } else if (tooLarge) {
    run.Reporter.ReportSourceError({MessageId::NumberTooLarge, command}, 0);
    pending = 0;
  } else {
    pending = static_cast<std::uint16_t>(value);
  }
}

}  // namespace

bool HandleConditionCommand(CompilerRun& run, std::string_view command, bool readRest) {
  TSourceReaderState& rd = run.Reader;
  const std::string_view cmd = command.substr(0, 2);
  if (cmd == "IF") {
    if (rd.IfOpen) run.Reporter.ReportSourceError(MessageId::IfNotClosed, 0);
    if (readRest) ReadDotCommandLine(run);
    rd.DotLine = LowerCaseText(run.FileNames.LowerCaseTable, rd.DotLine);
    rd.ConditionOn = EvaluateCondition(run, ArgumentText(rd.DotLine, readRest));
    rd.IfOpen = true;
    return true;
  }
  if (cmd == "EN") {
    rd.ConditionOn = true;
    if (!rd.IfOpen) run.Reporter.ReportSourceError(MessageId::EndWithoutIf, 0);
    rd.IfOpen = false;
    return true;
  }
  if (cmd == "EL") {
    rd.ConditionOn = !rd.ConditionOn;
    return true;
  }
  if (cmd == "NR") {
    ReadPendingNumber(run, readRest, rd.PendingFileNumber, MessageId::NumberMissingAfterNr, "NR");
    return true;
  }
  if (cmd == "HD") {
    ReadPendingNumber(run, readRest, rd.PendingHeadingNumber, MessageId::NumberMissingAfterHd,
                      "HD");
    return true;
  }
  return false;
}

}  // namespace skeldon

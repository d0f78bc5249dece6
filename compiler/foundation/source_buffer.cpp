#include "compiler/foundation/source_buffer.h"

#include <cstdint>
#include <limits>
#include <string>
#include <string_view>
#include <vector>

#include "compiler/foundation/foundation_run.h"
#include "platform/files.h"

namespace skeldon {

namespace {

// A bare LF counts as CR LF, so the reader's line count (at each CR) and the dot-line rules
// hold for LF-only files too. A file of CR LF lines is returned as it is.
std::string NormalizeLineEnds(std::string bytes) {
  const auto bareAt = [&](std::size_t i) { return i == 0 || bytes[i - 1] != '\r'; };
  std::size_t bare = 0;
  for (std::size_t i = bytes.find('\n'); i != std::string::npos; i = bytes.find('\n', i + 1))
    if (bareAt(i)) ++bare;
  if (bare == 0) return bytes;
  std::string text;
  text.reserve(bytes.size() + bare);
  std::size_t from = 0;
  for (std::size_t i = bytes.find('\n'); i != std::string::npos; i = bytes.find('\n', i + 1)) {
    if (!bareAt(i)) continue;
    text.append(bytes, from, i - from);
    text += '\r';
    from = i;
  }
  text.append(bytes, from, std::string::npos);
  return text;
}

// A file name that begins with "/" and holds no further separator was meant as a switch.
bool LooksLikeSwitch(std::string_view name) {
  return !name.empty() && name.front() == '/' &&
         name.find_first_of("/\\", 1) == std::string_view::npos;
}

void ReportUnreadableSource(FoundationRun& run, const std::string& name) {
  if (LooksLikeSwitch(name))
    WriteMessage(run, {MessageId::UnknownParameter, name}, true);
  else
    WriteMessage(run, {MessageId::SourceFileNotFound, name}, true);
  run.Reporter.Terminate(CompletedOrFailed(run, ExitCode::InputFailed));
}

}  // namespace

namespace {

bool EndsWithLineEnd(const std::string& text) {
  return !text.empty() && (text.back() == '\n' || text.back() == '\r');
}

}  // namespace

std::string JoinSourceTexts(const std::string* const* texts, std::size_t count) {
  std::size_t total = 0;
  for (std::size_t i = 0; i < count; ++i) {
    total += texts[i]->size();
    if (i + 1 < count) total += EndsWithLineEnd(*texts[i]) ? 3 : 4;
  }
  std::string block;
  block.reserve(total);
  for (std::size_t i = 0; i < count; ++i) {
    block += *texts[i];
    if (i + 1 == count) break;
    // The file's closing line end becomes the CR of the separator (the whole of a CR LF, so
    // no CR is doubled). A file without one keeps its last character (and an empty file
    // touches nothing before it): the separator is written whole after it.
    if (texts[i]->ends_with("\r\n"))
      block.pop_back();
    else if (EndsWithLineEnd(*texts[i]))
      block.back() = '\r';
    else
      block += '\r';
    block += "\n\r\n";
  }
  return block;
}

void LoadSourceFiles(FoundationRun& run) {
  if (run.Source.Loaded) FreeSourceBuffer(run);
  const std::vector<std::string>& names = run.Switches.SourceFiles;
  std::vector<std::string> texts;
  texts.reserve(names.size());
  for (const std::string& name : names) {
    platform::ReadTextResult file = platform::read_text_file(name);
    if (!file.ok()) ReportUnreadableSource(run, name);
    texts.push_back(NormalizeLineEnds(std::move(file.text)));
  }
  std::vector<const std::string*> pointers;
  std::uint64_t total = 0;
  for (std::size_t i = 0; i < texts.size(); ++i) {
    pointers.push_back(&texts[i]);
    total += texts[i].size() + (i + 1 < texts.size() ? 4 : 0);
  }
  if (total == 0) {
    run.Reporter.ReportSourceError(MessageId::SourceFileEmpty, 0);
    run.Reporter.Terminate(CompletedOrFailed(run, ExitCode::InputFailed));
  }
  // Positions and the size are 32-bit in the rest of the compiler.
  if (total > static_cast<std::uint64_t>(std::numeric_limits<std::int32_t>::max())) {
    WriteMessage(run, MessageId::SourceTooLarge, true);
    run.Reporter.Terminate(CompletedOrFailed(run, ExitCode::InputFailed));
  }
  // A single file needs no separators: its text becomes the buffer without a copy.
  run.Source.Data = texts.size() == 1 ? std::move(texts.front())
                                      : JoinSourceTexts(pointers.data(), pointers.size());
  run.Source.Position = 0;
  run.Source.Loaded = true;
  ForgetLineCopies(run.Source);
}

void FreeSourceBuffer(FoundationRun& run) {
  run.Source.Data.clear();
  run.Source.Data.shrink_to_fit();
  run.Source.Position = 0;
  run.Source.Loaded = false;
  ForgetLineCopies(run.Source);
}

void ForgetLineCopies(TSourceBuffer& buffer) { buffer.LineCopies = TLineCopies{}; }

namespace {

// The slot that holds the key, or the free slot where it belongs.
std::size_t LineCopySlot(const std::vector<TLineCopies::TSlot>& slots, std::size_t key) {
  const std::size_t mask = slots.size() - 1;
  std::size_t at = (key * 0x9E3779B97F4A7C15ull >> 32) & mask;
  while (slots[at].Key != 0 && slots[at].Key != key) at = (at + 1) & mask;
  return at;
}

}  // namespace

std::string_view SourceLineFrom(FoundationRun& run, std::size_t position) {
  // Longer lines are rare and read from the block as they stand.
  constexpr std::size_t kCopyMax = 256;
  constexpr std::size_t kAfterLineEnd = 2;
  const std::string& data = run.Source.Data;
  if (position >= data.size()) return {};
  TLineCopies& copies = run.Source.LineCopies;
  if (copies.From != data.data() || copies.FromSize != data.size()) {
    ForgetLineCopies(run.Source);
    copies.From = data.data();
    copies.FromSize = data.size();
  }
  if (copies.Slots.empty()) copies.Slots.resize(1024);
  const std::size_t key = position + 1;
  std::size_t at = LineCopySlot(copies.Slots, key);
  if (copies.Slots[at].Key == key) {
    const TLineCopies::TSlot& slot = copies.Slots[at];
    return std::string_view(copies.Bytes).substr(slot.Offset, slot.Length);
  }

  const std::string_view rest = std::string_view(data).substr(position);
  const std::size_t lineEnd = rest.substr(0, kCopyMax).find('\r');
  if (lineEnd == std::string_view::npos ||
      copies.Bytes.size() + kCopyMax > std::numeric_limits<std::uint32_t>::max())
    return rest;
  const std::string_view line = rest.substr(0, lineEnd + 1 + kAfterLineEnd);
  if (2 * (copies.Used + 1) > copies.Slots.size()) {
    // At most half full, so that a search ends soon.
    std::vector<TLineCopies::TSlot> wider(copies.Slots.size() * 2);
    for (const TLineCopies::TSlot& s : copies.Slots)
      if (s.Key != 0) wider[LineCopySlot(wider, s.Key)] = s;
    copies.Slots.swap(wider);
    at = LineCopySlot(copies.Slots, key);
  }
  copies.Slots[at] = {key, static_cast<std::uint32_t>(copies.Bytes.size()),
                      static_cast<std::uint32_t>(line.size())};
  ++copies.Used;
  copies.Bytes.append(line);
  return line;
}

void SetSourcePos(FoundationRun& run, std::size_t position) { run.Source.Position = position; }

void RewindSource(FoundationRun& run) {
  run.Source.Position = 0;
  run.Lines.CurrentSourceLine = 1;
  run.Lines.LastMessageLine = -100;
}

std::uint8_t ByteAtPointer(const FoundationRun& run, std::size_t position) {
  const std::string& data = run.Source.Data;
  return position < data.size() ? static_cast<std::uint8_t>(data[position]) : 0;
}

std::uint8_t CurrentBufferChar(const FoundationRun& run) {
  return ByteAtPointer(run, run.Source.Position);
}

std::uint8_t PeekBufferChar(const FoundationRun& run) {
  return ByteAtPointer(run, run.Source.Position);
}

void ReadBufferChar(FoundationRun& run, std::uint8_t& c) {
  c = ByteAtPointer(run, run.Source.Position);
  ++run.Source.Position;
}

std::size_t SourceSize(const FoundationRun& run) { return run.Source.Data.size(); }

void SaveSourceState(const FoundationRun& run, TSourceState& state) {
  const TSourceBuffer& src = run.Source;
  state.NextChar = src.NextChar;
  state.CurChar = src.CurChar;
  state.PrevChar = src.PrevChar;
  state.LineEndCount = src.LineEndCount;
  state.LineNumber = run.Lines.CurrentSourceLine;
  state.Position = src.Position;
}

void RestoreSourceState(FoundationRun& run, const TSourceState& state) {
  TSourceBuffer& src = run.Source;
  src.NextChar = state.NextChar;
  src.CurChar = state.CurChar;
  src.PrevChar = state.PrevChar;
  src.LineEndCount = state.LineEndCount;
  run.Lines.CurrentSourceLine = state.LineNumber;
  SetSourcePos(run, state.Position);
}

void SetFileOpenReadOnly(FoundationRun& run, bool flag) { run.Source.FileOpenReadOnly = flag; }

bool FileExistsWithSize(FoundationRun& run, std::string_view name) {
  // A command line with switches can be tested by its program name.
  const std::size_t cut = name.find(" /");
  if (cut != std::string_view::npos) name = name.substr(0, cut);
  run.Source.FileOpenReadOnly = true;
  bool exists = false;
  if (platform::file_exists(name)) {
    if (const auto size = platform::file_size(name)) {
      run.Source.LastFileSize = *size > std::numeric_limits<std::uint32_t>::max()
                                    ? std::numeric_limits<std::uint32_t>::max()
                                    : static_cast<std::uint32_t>(*size);
      exists = true;
    }
  }
  run.Source.FileOpenReadOnly = false;
  return exists;
}

}  // namespace skeldon

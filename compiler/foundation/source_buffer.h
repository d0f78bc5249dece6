// The source buffer: every source file joined into one block that the passes of the compile
// run walk through a read position, with save and restore of the reader state for look-ahead.
// Also the file-opening helpers used all over the compiler.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace skeldon {

struct FoundationRun;

// A saved reader state.
struct TSourceState {
  std::uint8_t NextChar = 0;
  std::uint8_t CurChar = 0;
  std::uint8_t PrevChar = 0;
  std::uint8_t LineEndCount = 0;
  std::int32_t LineNumber = 0;
  std::size_t Position = 0;
};

// Copies of source lines that are read again and again (heading titles, for every link to a
// heading): kept side by side, they stay in the cache, where the lines in a large source do not.
struct TLineCopies {
  struct TSlot {
    std::size_t Key = 0;  // position + 1; 0 = free
    std::uint32_t Offset = 0;
    std::uint32_t Length = 0;
  };
  std::vector<TSlot> Slots;  // open addressing, a power of two long
  std::size_t Used = 0;
  std::string Bytes;
  // The block the copies were taken from: another one makes them void.
  const char* From = nullptr;
  std::size_t FromSize = 0;
};

struct TSourceBuffer {
  std::string Data;          // the joined sources (bytes)
  std::size_t Position = 0;  // read position, an index into Data
  bool Loaded = false;
  // The source reader's three-character window and line-end counter, kept here so that
  // save and restore cover them.
  std::uint8_t NextChar = 0;
  std::uint8_t CurChar = 0;
  std::uint8_t PrevChar = 0;
  std::uint8_t LineEndCount = 0;
  // File helpers.
  bool FileOpenReadOnly = false;
  std::uint32_t LastFileSize = 0;
  TLineCopies LineCopies;
};

// Loads the source-file list into the buffer (an earlier buffer is freed first).
void LoadSourceFiles(FoundationRun& run);
void FreeSourceBuffer(FoundationRun& run);

// Joins file contents as the loader does: after each file that has a successor, its closing
// line end (CR LF, CR or LF) becomes CR and LF CR LF follows; a file without a closing line end
// (or an empty one) keeps every byte and gets CR LF CR LF after it.
std::string JoinSourceTexts(const std::string* const* texts, std::size_t count);

// The bytes from position through the first line end (CR) after it and the two bytes after that
// (fewer at the end of the block), from a copy kept for the run; where no line end comes within
// a few hundred bytes, the rest of the block itself. Valid until the next call.
std::string_view SourceLineFrom(FoundationRun& run, std::size_t position);
// Forgets the copies: the passes call it once the block's bytes are final.
void ForgetLineCopies(TSourceBuffer& buffer);

void SetSourcePos(FoundationRun& run, std::size_t position);
// Position := start, CurrentSourceLine := 1, LastMessageLine := -100.
void RewindSource(FoundationRun& run);
// The byte at the read position; 0 past the end (never reads outside the block).
std::uint8_t CurrentBufferChar(const FoundationRun& run);
std::uint8_t PeekBufferChar(const FoundationRun& run);
void ReadBufferChar(FoundationRun& run, std::uint8_t& c);
std::uint8_t ByteAtPointer(const FoundationRun& run, std::size_t position);
// SourceEof(run), asked for every byte of every pass, is inline in foundation_run.h.
std::size_t SourceSize(const FoundationRun& run);

void SaveSourceState(const FoundationRun& run, TSourceState& state);
void RestoreSourceState(FoundationRun& run, const TSourceState& state);

void SetFileOpenReadOnly(FoundationRun& run, bool flag);
// The name is cut at its first " /"; true when the file opens for reading (LastFileSize set).
bool FileExistsWithSize(FoundationRun& run, std::string_view name);

}  // namespace skeldon

#pragma once
// The bytes of a document being formatted, read in chunks as the reader moves on, so a run holds
// a window of the file rather than all of it. Positions are absolute offsets in the file.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/files.h"

namespace tavrel {

class InputSource {
 public:
  static constexpr std::size_t kChunk = 64 * 1024;
  // Bytes before the read position still kept, so the reader can look back over a dot line.
  static constexpr std::size_t kLookBack = 64 * 1024;

  // A regular file, read from its start; false (with error) when it cannot be opened.
  bool OpenFile(const std::string& name, platform::FileError& error);
  // Bytes the caller keeps alive for as long as they are read.
  void OpenView(std::string_view bytes);
  // Bytes held by the source itself.
  void OpenBytes(std::string bytes);
  // Reads the rest of an open file at once: for when the file is about to be overwritten.
  void ReadAll();

  // The file's size when it was opened; smaller once a read found it shorter.
  std::size_t size() const { return size_; }
  // The byte at pos, or -1 beyond the end. Reads ahead as needed: pos must not fall back
  // before the kept window (see Kept).
  int Peek(std::size_t pos) const;
  // pos (before the read position) can still be looked at.
  bool Kept(std::size_t pos) const { return pos >= base_ && pos < size_; }
  // A read failed part-way: the bytes after size() were lost, not absent.
  bool Failed() const { return failed_; }

 private:
  bool Load(std::size_t pos) const;

  // A cache of the file filled on demand, hence mutable behind the const readers.
  mutable platform::FilePtr file_;
  mutable std::vector<std::uint8_t> window_;  // bytes from base_ on
  mutable std::size_t base_ = 0;
  mutable std::size_t size_ = 0;
  mutable bool failed_ = false;
  bool keep_all_ = false;  // ReadAll: the window holds the whole file
  std::string owned_;
  std::string_view view_;  // memory input, used in place of the window
  bool memory_ = false;
};

}  // namespace tavrel

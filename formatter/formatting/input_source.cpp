#include "formatter/formatting/input_source.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdio>

namespace tavrel {

bool InputSource::OpenFile(const std::string& name, platform::FileError& error) {
  *this = InputSource{};
  file_ = platform::open_file(name, "rb", &error);
  if (!file_) return false;
  struct stat st {};
  if (::fstat(fileno(file_.get()), &st) != 0) {
    file_.reset();
    error = platform::FileError::io_error;
    return false;
  }
  size_ = static_cast<std::size_t>(st.st_size);
  return true;
}

void InputSource::OpenView(std::string_view bytes) {
  *this = InputSource{};
  view_ = bytes;
  size_ = bytes.size();
  memory_ = true;
}

void InputSource::OpenBytes(std::string bytes) {
  *this = InputSource{};
  owned_ = std::move(bytes);
  view_ = owned_;
  size_ = owned_.size();
  memory_ = true;
}

void InputSource::ReadAll() {
  if (memory_ || !file_) return;
  keep_all_ = true;
  while (file_ && base_ + window_.size() < size_) Load(base_ + window_.size());
  file_.reset();
}

bool InputSource::Load(std::size_t pos) const {
  if (pos >= size_) return false;
  if (pos < base_ + window_.size()) return pos >= base_;
  if (!file_) return false;
  // Drop what lies too far behind the position; the file is read strictly forwards.
  const std::size_t keep_from = pos > kLookBack ? std::max(base_, pos - kLookBack) : base_;
  if (!keep_all_ && keep_from > base_) {
    window_.erase(window_.begin(), window_.begin() + static_cast<std::ptrdiff_t>(std::min(
                                                         keep_from - base_, window_.size())));
    base_ = keep_from;
  }
  while (pos >= base_ + window_.size()) {
    const std::size_t have = window_.size();
    const std::size_t want = std::min(kChunk, size_ - (base_ + have));
    window_.resize(have + want);
    const std::size_t got = std::fread(window_.data() + have, 1, want, file_.get());
    window_.resize(have + got);
    if (got < want) {
      // The file was cut short while being read, or the read failed: it ends here.
      failed_ = std::ferror(file_.get()) != 0;
      size_ = base_ + window_.size();
      file_.reset();
      return pos < size_;
    }
  }
  return true;
}

int InputSource::Peek(std::size_t pos) const {
  if (memory_) return pos < view_.size() ? static_cast<unsigned char>(view_[pos]) : -1;
  if (!Load(pos)) return -1;
  return window_[pos - base_];
}

}  // namespace tavrel

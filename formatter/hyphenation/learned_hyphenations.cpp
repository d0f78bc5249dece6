#include "formatter/hyphenation/learned_hyphenations.h"

#include "formatter/hyphenation/hyphenation.h"
#include "platform/files.h"

namespace tavrel {

namespace {

// The whole file, or why it could not be read.
platform::FileError ReadWholeFile(const std::string& name, std::string& bytes) {
  const platform::ReadResult file = platform::read_file(name);
  bytes.assign(file.bytes.begin(), file.bytes.end());
  return file.error;
}

}  // namespace

LearnedContext MakeLearnedContext(const std::uint8_t* held, int len, int p, int shift) {
  const auto& t = GetHyphenationTables();
  LearnedContext ctx{};
  bool blank = false;
  for (int i = 0; i < kLearnedContextSize; ++i) {
    const std::uint8_t c = blank ? ' ' : t.Letter[HeldChar(held, len, p + shift - 1 + i)];
    if (c == ' ') blank = true;
    ctx[i] = c;
  }
  return ctx;
}

std::string LearnedHyphenationList::FileName(const std::string& directory) const {
  std::string name = tag_ + "LERN.DTA";
  if (directory.empty()) return name;
  const char last = directory.back();
  return (last == '/' || last == '\\') ? directory + name : directory + "/" + name;
}

int LearnedHyphenationList::BucketOf(std::uint8_t first) {
  return (first >= 'a' && first <= 'z') ? first - 'a' : kLearnedBuckets - 1;
}

void LearnedHyphenationList::Reset() {
  for (auto& b : buckets_) b.clear();
  first_added_.fill(0);
  loaded_ = false;
}

void LearnedHyphenationList::StartEmpty() {
  Reset();
  loaded_ = true;
}

bool LearnedHyphenationList::LoadFile(const std::string& file_name, HyphenationMessage* error) {
  StartEmpty();
  std::string bytes;
  const platform::FileError read = ReadWholeFile(file_name, bytes);
  // A file that cannot be opened (none yet, a folder, no permission) gives an empty list.
  if (read == platform::FileError::missing || read == platform::FileError::is_directory ||
      read == platform::FileError::unreadable)
    return true;
  const std::size_t whole = bytes.size() / kLearnedContextSize;
  for (std::size_t r = 0; r < whole; ++r) {
    LearnedContext ctx;
    for (int i = 0; i < kLearnedContextSize; ++i)
      ctx[i] = static_cast<std::uint8_t>(bytes[r * kLearnedContextSize + i]);
    buckets_[BucketOf(ctx[0])].push_back(ctx);
  }
  for (int b = 0; b < kLearnedBuckets; ++b) first_added_[b] = buckets_[b].size();
  if (read != platform::FileError::none || bytes.size() % kLearnedContextSize != 0) {
    // A file that ends inside a record was cut or is not a learned-hyphenation file.
    if (error) *error = ComposeMessage(MessageId::kErrorReadingLearnedFile, {file_name});
    return false;
  }
  return true;
}

bool LearnedHyphenationList::Contains(const LearnedContext& context) const {
  if (!loaded_) return false;
  for (const LearnedContext& c : buckets_[BucketOf(context[0])])
    if (c == context) return true;
  return false;
}

void LearnedHyphenationList::Add(const LearnedContext& context) {
  if (!loaded_) return;
  buckets_[BucketOf(context[0])].push_back(context);
}

bool LearnedHyphenationList::HasAdditions() const {
  for (int b = 0; b < kLearnedBuckets; ++b)
    if (buckets_[b].size() > first_added_[b]) return true;
  return false;
}

std::size_t LearnedHyphenationList::Size() const {
  std::size_t n = 0;
  for (const auto& b : buckets_) n += b.size();
  return n;
}

std::vector<LearnedContext> LearnedHyphenationList::Additions() const {
  std::vector<LearnedContext> out;
  for (int b = 0; b < kLearnedBuckets; ++b)
    out.insert(out.end(), buckets_[b].begin() + static_cast<std::ptrdiff_t>(first_added_[b]),
               buckets_[b].end());
  return out;
}

bool LearnedHyphenationList::SaveFile(const std::string& file_name, HyphenationMessage* error) {
  if (!loaded_ || !HasAdditions()) return true;
  auto fail = [&] {
    if (error) *error = ComposeMessage(MessageId::kErrorAppendingLearnedFile, {file_name});
    return false;
  };
  // The records on disk now (another run may have added some), then this run's additions;
  // the file is replaced only once the whole new content is written.
  std::string bytes;
  const platform::FileError read = ReadWholeFile(file_name, bytes);
  if (read != platform::FileError::none && read != platform::FileError::missing) return fail();
  // A record cut off at the end is dropped: the new ones would be read shifted behind it.
  bytes.resize(bytes.size() - bytes.size() % kLearnedContextSize);
  for (const LearnedContext& ctx : Additions()) bytes.append(ctx.begin(), ctx.end());

  if (platform::replace_file_atomic(file_name, bytes) != platform::FileError::none) return fail();
  for (int b = 0; b < kLearnedBuckets; ++b) first_added_[b] = buckets_[b].size();
  return true;
}

// ---------------------------------------------------------------- syllable exceptions

void SyllableExceptions::Clear() {
  for (auto& l : Lists) l.clear();
}

void SyllableExceptions::LoadBytes(std::string_view bytes) {
  Clear();
  const auto& t = GetHyphenationTables();
  std::size_t start = 0;
  while (start < bytes.size()) {
    std::size_t end = bytes.find('\n', start);
    const std::size_t next = (end == std::string_view::npos) ? bytes.size() : end + 1;
    if (end == std::string_view::npos) end = bytes.size();
    std::size_t stop = end;
    if (stop > start && bytes[stop - 1] == '\r') --stop;  // CR LF or a bare LF
    std::string entry;
    for (std::size_t i = start; i < stop && entry.size() < 4; ++i)
      entry += static_cast<char>(t.Letter[static_cast<std::uint8_t>(bytes[i])]);
    int list = 2;
    if (!entry.empty()) {
      const auto first = static_cast<std::uint8_t>(entry[0]);
      if (t.Vowel[first])
        list = 0;
      else if (first == 'h' || first == 'l' || first == 'p' || first == 'r' || first == 't' ||
               first == 'w')
        list = 1;
    }
    Lists[list].push_back(std::move(entry));
    start = next;
  }
}

bool SyllableExceptions::LoadFile(const std::string& file_name) {
  Clear();
  std::string bytes;
  if (ReadWholeFile(file_name, bytes) != platform::FileError::none) return false;
  LoadBytes(bytes);
  return true;
}

bool SyllableExceptions::Matches(int index, std::string_view text4) const {
  if (index < 0 || index > 2) return false;
  for (const std::string& e : Lists[index]) {
    if (e.size() == 4 && text4.size() >= 4 && e == text4.substr(0, 4)) return true;
    if (e.size() == 3 && text4.size() >= 3 && e == text4.substr(0, 3)) return true;
  }
  return false;
}

}  // namespace tavrel

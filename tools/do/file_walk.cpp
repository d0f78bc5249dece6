// The walk works on names exactly as the disk has them (a name that is not UTF-8 is shown and
// opened as it is), so it calls POSIX directly rather than the suite's Windows-style file API,
// which converts names.
#include "tools/do/file_walk.h"

#include <dirent.h>
#include <fcntl.h>
#include <stdio.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <vector>

#include "platform/files.h"
#include "platform/text.h"
#include "tools/do/command_line.h"

namespace do_tool {

namespace {

constexpr std::array<std::string_view, 24> kExcludedExtensions = {
    ".EXE", ".DLL", ".DRV", ".OBJ", ".MET", ".COM", ".SYS", ".PDF", ".PSF", ".HLP", ".INF", ".OS2",
    ".DMP", ".LIB", ".ICO", ".INF", ".RES", ".GIF", ".JPG", ".BMP", ".PCX", ".TIF", ".SPU", ".SRF"};

constexpr std::size_t kMaxLineText = 254;

struct Entry {
  std::string Name;
  unsigned char Type = DT_UNKNOWN;
};

// The entry's size and last-write time, following a link to what it names.
struct EntryFacts {
  bool Known = false;
  std::uint64_t Size = 0;
  std::time_t WriteTime = 0;
};

std::string DiskPath(const DoRun& run, const std::string& shown) {
  if (!shown.empty() && shown[0] == '/') return shown;
  const std::string& cwd = run.Context.CurrentDirectory;
  if (shown.empty()) return cwd;
  return cwd == "/" ? "/" + shown : cwd + "/" + shown;
}

void Fail(DoRun& run, const std::string& message) {
  run.WriteLine("DO ERROR: " + message);
  run.ExitCode = kExitFailed;
}

EntryFacts FactsOf(const std::string& diskPath) {
  struct stat st;
  if (::stat(diskPath.c_str(), &st) != 0 && ::lstat(diskPath.c_str(), &st) != 0) return {};
  EntryFacts f;
  f.Known = true;
  f.Size = S_ISDIR(st.st_mode) ? 0 : static_cast<std::uint64_t>(st.st_size);
  f.WriteTime = st.st_mtime;
  return f;
}

// The local time of a stamp in the 2-second steps that the packed file time has.
platform::LocalDateTime PackedLocalTime(std::time_t t) {
  platform::LocalDateTime local = platform::local_from_time_t(t);
  local.second -= local.second % 2;
  local.millisecond = 0;
  return local;
}

void WriteSizeDateLine(const DoRun& run, const std::string& fullName, const EntryFacts& facts) {
  platform::LocalDateTime t = PackedLocalTime(facts.WriteTime);
  run.WriteLine(fullName + " (" + FormatByteSize(static_cast<long double>(facts.Size)) + "; " +
                std::to_string(t.month) + "-" + std::to_string(t.day) + "-" +
                std::to_string(t.year) + ")");
}

void CompareProgram(DoRun& run, const Entry& entry, const std::string& fullName,
                    const std::string& diskPath) {
  std::string upper = UpperCaseText(entry.Name);
  bool hit = false;
  for (const char* ext : {".EXE", ".COM", ".CMD", ".BAT"})
    hit = hit || upper == run.ProgramName + ext;
  if (!hit && entry.Name == run.ProgramWord) {
    // Programs on Linux have no extension: an executable file of exactly the name counts.
    struct stat st;
    hit = ::stat(diskPath.c_str(), &st) == 0 && S_ISREG(st.st_mode) &&
          ::access(diskPath.c_str(), X_OK) == 0;
  }
  if (!hit) return;
  if (run.CommandWord == "WHICHFIRST") {
    if (!run.ProgramFound) run.Write(fullName);
  } else {
    WriteSizeDateLine(run, fullName, FactsOf(diskPath));
  }
  run.ProgramFound = true;
}

// Renames without replacing: on Linux "README" -> "readme" would otherwise overwrite a
// different file "readme".
bool RenameNoReplace(const std::string& from, const std::string& to, std::string& reason) {
  if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return true;
  int error = errno;
  struct stat a, b;
  bool sameFile = ::lstat(from.c_str(), &a) == 0 && ::lstat(to.c_str(), &b) == 0 &&
                  a.st_dev == b.st_dev && a.st_ino == b.st_ino;
  // A file system that ignores case finds the new spelling as the same file; one that does
  // not support the flag gets the check by hand.
  if ((error == EEXIST && sameFile) ||
      (error == EINVAL && ::lstat(to.c_str(), &b) != 0 && errno == ENOENT)) {
    if (::rename(from.c_str(), to.c_str()) == 0) return true;
    error = errno;
  }
  reason = error == EEXIST ? "a file of that name exists" : std::strerror(error);
  return false;
}

void RenameCase(DoRun& run, const Entry& entry, const std::string& dirSlash) {
  run.Write(entry.Name);
  std::string renamed = CaseRenamed(run.Mode, entry.Name);
  if (renamed == entry.Name) {
    run.WriteLine(" (OK)");
    return;
  }
  run.WriteLine(" --> " + renamed);
  std::string reason;
  if (!RenameNoReplace(DiskPath(run, dirSlash + entry.Name), DiskPath(run, dirSlash + renamed),
                       reason))
    Fail(run, "Could not rename " + dirSlash + entry.Name + ": " + reason);
}

void ChangeTime(DoRun& run, const std::string& fullName, const std::string& diskPath, bool isDir) {
  run.Write(fullName);
  // Folder times are the file system's own record of changes inside them (and ".." lies
  // outside the walk): they are shown but never set.
  if (isDir) return run.WriteLine(" (not changed: a directory)");
  EntryFacts facts = FactsOf(diskPath);
  platform::LocalDateTime t = PackedLocalTime(facts.WriteTime);
  if (run.Mode == DoCommand::kTime) {
    if (t.hour == run.NewHour && t.minute == run.NewMinute) return run.WriteLine(" (OK)");
    t.hour = run.NewHour;
    t.minute = run.NewMinute;
  } else {
    if (t.day == run.NewDay && t.month == run.NewMonth && t.year == run.NewYear)
      return run.WriteLine(" (OK)");
    t.day = run.NewDay;
    t.month = run.NewMonth;
    t.year = run.NewYear;
  }
  std::optional<std::time_t> stamp = platform::time_t_from_local(t);
  // Only the last-write time changes; the access time stays.
  struct timespec times[2] = {{0, UTIME_OMIT}, {stamp ? *stamp : 0, 0}};
  if (!facts.Known || !stamp) {
    run.WriteLine(" (not changed: no such time)");
    run.ExitCode = kExitFailed;
  } else if (::utimensat(AT_FDCWD, diskPath.c_str(), times, 0) != 0) {
    run.WriteLine(std::string(" (not changed: ") + std::strerror(errno) + ")");
    run.ExitCode = kExitFailed;
  } else {
    run.WriteLine(" (changed)");
  }
}

void DoEntryAction(DoRun& run, const Entry& entry, bool isDir, const std::string& dirSlash) {
  std::string fullName = dirSlash + entry.Name;
  std::string diskPath = DiskPath(run, fullName);
  switch (run.Mode) {
    case DoCommand::kSearch:
    case DoCommand::kSearchList:
      if (!isDir) SearchFileText(run, fullName);
      break;
    case DoCommand::kList:
    case DoCommand::kRename:
      if (!isDir) run.WriteLine(fullName);
      break;
    case DoCommand::kSize:
      run.SizeTotal += static_cast<long double>(FactsOf(diskPath).Size);
      break;
    case DoCommand::kListDir:
    case DoCommand::kTree:
      break;
    case DoCommand::kListSize:
      run.WriteLine(fullName + " (" +
                    FormatByteSize(static_cast<long double>(FactsOf(diskPath).Size)) + ")");
      break;
    case DoCommand::kListSizeDate:
      WriteSizeDateLine(run, fullName, FactsOf(diskPath));
      break;
    case DoCommand::kWhich:
      CompareProgram(run, entry, fullName, diskPath);
      break;
    case DoCommand::kLowerCase:
    case DoCommand::kUpperCase:
    case DoCommand::kCapital:
      if (!isDir) RenameCase(run, entry, dirSlash);
      break;
    case DoCommand::kTime:
    case DoCommand::kDate:
      ChangeTime(run, fullName, diskPath, isDir);
      break;
    case DoCommand::kType:
      if (!isDir) TypeFile(run, fullName);
      break;
  }
}

// The folder's own name for TREE: the text between the last two separators before the mask.
std::string TreeName(const std::string& path) {
  std::size_t last = path.size() < 2 ? std::string::npos : path.find_last_of('/', path.size() - 2);
  if (last == std::string::npos) return path;
  std::size_t previous = last == 0 ? std::string::npos : path.find_last_of('/', last - 1);
  std::string name = previous == std::string::npos ? path.substr(0, last)
                                                   : path.substr(previous + 1, last - previous - 1);
  return name.empty() ? "/" : name;
}

// The whole content of a file: small files are read into the run's buffer (cheaper than a
// mapping), big ones mapped, so files of any size are searched without filling the memory.
class FileContents {
 public:
  // False with the reason when the file cannot be opened or read; true with an empty view
  // for an empty file or a folder.
  bool Load(const std::string& path, std::string& buffer, std::string& reason) {
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
      reason = std::strerror(errno);
      return false;
    }
    bool ok = true;
    struct stat st;
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size > 0) {
      std::size_t size = static_cast<std::size_t>(st.st_size);
      if (size <= kReadLimit) {
        buffer.resize(size);
        std::size_t got = 0;
        while (got < size) {
          ssize_t n = ::read(fd, buffer.data() + got, size - got);
          if (n < 0 && errno == EINTR) continue;
          if (n <= 0) break;
          got += static_cast<std::size_t>(n);
        }
        if (got < size && errno != 0 && got == 0) {
          reason = std::strerror(errno);
          ok = false;
        }
        data_ = buffer.data();
        size_ = got;
      } else {
        void* view = ::mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0);
        if (view == MAP_FAILED) {
          reason = std::strerror(errno);
          ok = false;
        } else {
          mapped_ = view;
          data_ = static_cast<const char*>(view);
          size_ = size;
          ::madvise(view, size, MADV_SEQUENTIAL);
        }
      }
    }
    ::close(fd);
    return ok;
  }
  FileContents() = default;
  FileContents(const FileContents&) = delete;
  FileContents& operator=(const FileContents&) = delete;
  ~FileContents() {
    if (mapped_) ::munmap(mapped_, size_);
  }
  std::string_view View() const { return {data_, size_}; }

 private:
  static constexpr std::size_t kReadLimit = 4u << 20;
  void* mapped_ = nullptr;
  const char* data_ = nullptr;
  std::size_t size_ = 0;
};

}  // namespace

void WalkStartPath(DoRun& run) {
  std::string& path = run.StartPath;
  bool drive = path.size() >= 2 && path[1] == ':' &&
               ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z'));
  if (drive) {
    const platform::Drive* d = platform::find_drive(run.Context.Drives, path[0]);
    if (!d)
      return Fail(run, std::string("Drive ") + UpperCaseText(path.substr(0, 1)) +
                           ": is not mapped (see CORVINA_DRIVES)");
    std::string rest = path.substr(2);
    if (rest.empty() || rest[0] != '/') rest = "/" + rest;
    path = (d->root == "/" ? "" : d->root) + rest;
  }
  ProcessMatchingFiles(run, path);
}

void ProcessMatchingFiles(DoRun& run, const std::string& path) {
  ++run.Depth;
  std::size_t slash = path.find_last_of('/');
  std::string dirSlash = slash == std::string::npos ? "" : path.substr(0, slash + 1);
  std::string mask = slash == std::string::npos ? path : path.substr(slash + 1);
  if (run.Mode == DoCommand::kListDir) {
    std::string dir = path.size() > 4 ? path.substr(0, path.size() - 4) : "";
    run.WriteLine(dir.empty() ? "/" : dir);
  } else if (run.Mode == DoCommand::kTree) {
    run.WriteLine(std::string(2 * static_cast<std::size_t>(run.Depth & 0xFF), ' ') +
                  TreeName(path));
  }

  std::vector<Entry> entries;
  std::string folder = DiskPath(run, dirSlash);
  DIR* dir = ::opendir(folder.c_str());
  if (!dir) {
    // PATH often names folders that do not exist; the program search passes them by.
    if (run.Mode != DoCommand::kWhich)
      Fail(run, "Could not read directory " + (dirSlash.empty() ? folder : dirSlash) + ": " +
                    std::strerror(errno));
    --run.Depth;
    return;
  }
  while (dirent* d = ::readdir(dir)) {
    if (platform::match_dos_wildcard(mask, d->d_name)) entries.push_back({d->d_name, d->d_type});
  }
  ::closedir(dir);
  // The disk's order changes with its history; the walk's output should not.
  std::sort(entries.begin(), entries.end(),
            [](const Entry& a, const Entry& b) { return a.Name < b.Name; });
  if (entries.empty() && run.Mode != DoCommand::kWhich) run.WriteLine("no files found.");

  for (const Entry& entry : entries) {
    std::string diskPath = DiskPath(run, dirSlash + entry.Name);
    bool realDir = entry.Type == DT_DIR;
    bool isDir = realDir;
    if (entry.Type == DT_UNKNOWN || entry.Type == DT_LNK) {
      struct stat st;
      if (entry.Type == DT_UNKNOWN && ::lstat(diskPath.c_str(), &st) == 0)
        realDir = S_ISDIR(st.st_mode);
      // A link to a folder is shown as a folder but never entered: links may form loops.
      isDir = ::stat(diskPath.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
    }
    bool matched = run.Mode == DoCommand::kWhich || run.Wildcards.empty();
    if (!matched) {
      std::string upper = UpperCaseText(entry.Name);
      for (const std::string& w : run.Wildcards)
        if ((matched = MatchWildcard(w, upper))) break;
    }
    if (matched) DoEntryAction(run, entry, isDir, dirSlash);
    if (realDir && entry.Name[0] != '.' && run.Mode != DoCommand::kWhich && !run.NoSubdirs)
      ProcessMatchingFiles(run, dirSlash + entry.Name + "/" + mask);
  }
  --run.Depth;
}

bool MatchWildcard(std::string_view pattern, std::string_view name) {
  std::size_t i = 0, j = 0;
  while (i < pattern.size() || j < name.size()) {
    if (i < pattern.size() && pattern[i] == '*') {
      if (i + 1 == pattern.size()) return true;
      ++i;
      while (j + 1 < name.size() && name[j] != pattern[i]) ++j;
      continue;
    }
    if (i >= pattern.size() || j >= name.size()) return false;
    if (pattern[i] != name[j] && pattern[i] != '?') return false;
    ++i;
    ++j;
  }
  return true;
}

bool IsExcludedFile(std::string_view name) {
  std::string upper = UpperCaseText(name);
  return std::any_of(kExcludedExtensions.begin(), kExcludedExtensions.end(),
                     [&](std::string_view ext) { return upper.find(ext) != std::string::npos; });
}

std::string CaseRenamed(DoCommand mode, std::string_view name) {
  bool utf8 = platform::is_valid_utf8(name);
  std::string out(name);
  for (std::size_t i = 0; i < out.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(out[i]);
    bool upper = mode == DoCommand::kUpperCase || (mode == DoCommand::kCapital && i == 0);
    if (upper) {
      if (c >= 'a' && c <= 'z') out[i] = static_cast<char>(c - 32);
    } else if (c >= 'A' && c <= 'Z') {
      out[i] = static_cast<char>(c + 32);
    } else if (utf8 && c == 0xC3 && i + 1 < out.size()) {
      // U+00C0..U+00DE are C3 80..C3 9E; their small letters are 0x20 above. U+00D7 is "×".
      unsigned char next = static_cast<unsigned char>(out[i + 1]);
      if (next >= 0x80 && next <= 0x9E && next != 0x97) out[i + 1] = static_cast<char>(next + 0x20);
      ++i;
    }
    // Later bytes of a character never start one: skip them whole.
    if (utf8 && c >= 0xC0 && c != 0xC3) {
      while (i + 1 < out.size() && (static_cast<unsigned char>(out[i + 1]) & 0xC0) == 0x80) ++i;
    }
  }
  return out;
}

void SearchFileText(DoRun& run, const std::string& name) {
  if (IsExcludedFile(name)) return;
  if (!run.Finder1) run.Finder1.emplace(run.SearchText1);
  if (run.HasSecondText && !run.Finder2) run.Finder2.emplace(run.SearchText2);
  FileContents file;
  std::string reason;
  if (!file.Load(DiskPath(run, name), run.ReadBuffer, reason))
    return Fail(run, "Could not read file " + name + ": " + reason);
  std::string_view data = file.View();
  if (data.empty()) return;
  // Every kind of hit needs the first text in the file, or one of the two for OR: most files
  // are passed by after one quick look.
  bool orSearch = run.HasSecondText && run.SearchOperator == kOperatorOr;
  if (!run.Finder1->FoundIn(data) && !(orSearch && run.Finder2->FoundIn(data))) return;

  std::uint32_t lineNumber = 1;
  bool firstHit = true;
  std::size_t lineStart = 0;
  while (true) {
    std::size_t cr = data.find('\r', lineStart);
    std::size_t end = cr == std::string_view::npos ? data.size() : cr;
    std::string_view line = data.substr(lineStart, end - lineStart);
    bool hit1 = run.Finder1->FoundIn(line);
    bool hit2 = run.HasSecondText && run.Finder2->FoundIn(line);
    bool lineHit = !run.HasSecondText                      ? hit1
                   : run.SearchOperator == kOperatorOr     ? hit1 || hit2
                   : run.SearchOperator == kOperatorAndNot ? hit1 && !hit2
                                                           : hit1 && hit2;
    if (lineHit) {
      if (firstHit) {
        if (run.Mode == DoCommand::kSearch) run.WriteLine(std::string(64, '='));
        run.WriteLine(name);
        if (run.Mode == DoCommand::kSearch) run.WriteLine(std::string(64, '-'));
        firstHit = false;
        // SEARCHLIST names a file once and shows no lines: the rest need not be read.
        if (run.Mode == DoCommand::kSearchList) return;
      }
      // The line that ends here: back to the last line end before it (at the end of the file
      // a final line end is not a line of its own), then forward at most 254 bytes.
      std::size_t stop = end;
      if (cr == std::string_view::npos)
        while (stop > lineStart && (data[stop - 1] == '\n' || data[stop - 1] == '\r')) --stop;
      std::size_t from = stop;
      while (from > 0 && data[from - 1] != '\r' && data[from - 1] != '\n') --from;
      std::size_t to = from;
      while (to < data.size() && to - from < kMaxLineText && data[to] != '\r' && data[to] != '\n')
        ++to;
      run.WriteLine("(" + std::to_string(lineNumber) + ") " +
                    std::string(data.substr(from, to - from)));
    }
    if (cr == std::string_view::npos) break;
    ++lineNumber;
    lineStart = end + 1;
  }
}

void TypeFile(DoRun& run, const std::string& name) {
  run.WriteLine("");
  run.WriteLine(std::string(64, '='));
  run.WriteLine(name);
  run.WriteLine(std::string(64, '-'));
  int fd = ::open(DiskPath(run, name).c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    run.WriteLine("DO ERROR: Could not open file");
    run.ExitCode = kExitFailed;
    return;
  }
  char buffer[65536];
  while (true) {
    ssize_t got = ::read(fd, buffer, sizeof buffer);
    if (got <= 0) {
      if (got < 0) Fail(run, "Could not read file " + name + ": " + std::strerror(errno));
      break;
    }
    // The end-of-file mark of old text files ends the copy; it is still written.
    const void* eof = std::memchr(buffer, 0x1A, static_cast<std::size_t>(got));
    std::size_t count = eof ? static_cast<std::size_t>(static_cast<const char*>(eof) - buffer) + 1
                            : static_cast<std::size_t>(got);
    run.Write(std::string_view(buffer, count));
    if (eof) break;
  }
  ::close(fd);
}

}  // namespace do_tool

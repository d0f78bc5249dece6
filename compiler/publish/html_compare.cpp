#include "compiler/publish/html_compare.h"

#include <fcntl.h>
#include <unistd.h>

#include <cctype>
#include <string>
#include <vector>

#include "compiler/passes/compiler_run.h"
#include "compiler/publish/upload_batch.h"
#include "platform/files.h"

namespace skeldon {

namespace {

// The names a directory search of "dir\*.*" takes: entries with one of the attributes
// read-only, hidden, system or archive (every regular file has archive here).
std::vector<std::string> EntryNames(std::string_view dir) {
  constexpr std::uint32_t kMask = platform::attr_read_only | platform::attr_hidden |
                                  platform::attr_system | platform::attr_archive;
  std::vector<std::string> names;
  for (const platform::DirEntry& e : platform::find_files(std::string(dir) + "\\*.*", kMask))
    if ((e.attributes & kMask) != 0 && (e.attributes & platform::attr_directory) == 0)
      names.push_back(e.name);
  return names;
}

struct CompareLists {
  bool DeleteListed = false;
  bool UpdateListed = false;
};

void Say(CompilerRun& run, const Message& message, bool alsoToErrorFile = false) {
  WriteMessage(run, message, alsoToErrorFile);
}

}  // namespace

bool PagesDiffer(std::string_view oldPage, std::string_view newPage) {
  const std::size_t n = oldPage.size();
  if (newPage.size() != n) return true;
  bool different = false;
  std::size_t p = 0;
  while (p < n && !different) {
    if (oldPage[p] != newPage[p]) different = true;
    if (different && p > 20) {
      int k = -1;
      if (oldPage[p - 10] == '=')
        k = 0;
      else if (oldPage[p - 12] == '=')
        k = 2;
      else if (oldPage[p - 13] == '=')
        k = 3;
      if (k >= 0 && std::toupper(static_cast<unsigned char>(oldPage[p - 17 - k])) == 'C' &&
          oldPage[p - 8 - k] == 'S' && oldPage[p - 1 - k] == ' ') {
        different = false;
        p += 3 - k;
      }
    }
    ++p;
  }
  return different;
}

bool TestDirectoryWritable(std::string_view directory) {
  std::string dir(directory);
  if (dir.empty()) dir = ".";
  const std::string disk = platform::resolve_path(dir);
  std::string probe = disk + (disk.back() == '/' ? "" : "/") + ".skeldon-write-test-XXXXXX";
  // mkstemp makes a fresh name: no file of the user is ever replaced or deleted.
  const int fd = ::mkstemp(probe.data());
  if (fd < 0) return false;
  ::close(fd);
  ::unlink(probe.c_str());
  return true;
}

void CompareHtmlDirectories(CompilerRun& run, std::string_view oldDir, std::string_view newDir,
                            bool upload) {
  TUploadBatch batch;
  if (upload) BeginUploadBatch(run, batch, newDir);
  const bool oldDirWritable = TestDirectoryWritable(oldDir);
  if (upload) WriteServerScriptLines(run, batch, oldDirWritable);
  const std::string oldBase = std::string(oldDir) + "\\";
  const std::string newBase = std::string(newDir) + "\\";
  CompareLists lists;
  if (oldDirWritable) {
    Say(run, {MessageId::CompareOldDirectory, std::string(oldDir)});
    Say(run, {MessageId::CompareNewDirectory, std::string(newDir)});
    Say(run, MessageId::FilesToDeleteHead);
    const std::vector<std::string> names = EntryNames(oldDir);
    if (names.empty()) {
      Say(run, {MessageId::NoFilesFoundInDirectory, std::string(oldDir)}, true);
      lists.DeleteListed = true;
    } else {
      for (const std::string& name : names) {
        if (platform::file_size(newBase + name)) continue;
        if (upload && !WriteDeleteFileLines(run, batch, name)) continue;
        run.Reporter.WriteLine(name, false);
        lists.DeleteListed = true;
      }
      if (!lists.DeleteListed) Say(run, MessageId::NoneListed);
    }
  }
  Say(run, MessageId::NewOrUpdatedFilesHead);
  const std::vector<std::string> names = EntryNames(newDir);
  if (names.empty()) {
    Say(run, {MessageId::NoFilesFoundInDirectory, std::string(newDir)}, true);
    lists.UpdateListed = true;
  } else {
    for (const std::string& name : names) {
      const std::optional<std::uint64_t> oldSize = platform::file_size(oldBase + name);
      bool listed = !oldSize;
      if (!listed) {
        const platform::ReadResult newPage = platform::read_file(newBase + name);
        if (!newPage.ok()) {
          // A page that cannot be read now is compared again next time: it is neither put on
          // the server nor recorded in the mirror, and the user learns why.
          Say(run, {MessageId::PageUnreadable, newBase + name}, true);
          continue;
        }
        if (newPage.bytes.size() != *oldSize) {
          listed = true;
        } else {
          const platform::ReadResult oldPage = platform::read_file(oldBase + name);
          // An unreadable mirror copy says nothing about the server: the page goes up again.
          listed = !oldPage.ok() ||
                   PagesDiffer(std::string_view(reinterpret_cast<const char*>(oldPage.bytes.data()),
                                                oldPage.bytes.size()),
                               std::string_view(reinterpret_cast<const char*>(newPage.bytes.data()),
                                                newPage.bytes.size()));
        }
      }
      if (!listed) continue;
      if (upload && !WriteUploadFileLines(run, batch, name)) continue;
      run.Reporter.WriteLine(name, false);
      lists.UpdateListed = true;
    }
    if (!lists.UpdateListed) Say(run, MessageId::NoneListed);
  }
  if (upload) {
    FinishUploadBatch(run, batch, oldDirWritable);
    if (!lists.DeleteListed && !lists.UpdateListed) Say(run, MessageId::UploadWithoutEffect, true);
  }
}

}  // namespace skeldon

// The file API the suite expects from Windows, on POSIX.
//
// Names. Every function that takes a file name accepts "\" and "/" as separators and an
// optional drive prefix "X:" (see DriveTable). When the name does not exist exactly as
// written, each path component is looked up case-insensitively in its directory (an exact
// match wins; among several case-insensitive matches the first in byte order wins). A name
// given as valid UTF-8 is used as it is; any other byte string is taken as Windows-1252 (the
// "ANSI" character set of the suite's file names) and converted to UTF-8 for the disk.
// Names returned from the disk (find) come back in Windows-1252, characters that 1252 lacks
// as '?', as Windows' "A" functions give them; DirEntry::disk_name keeps the exact name.
#pragma once

#include <array>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/system.h"

namespace platform {

// ---- Drives ---------------------------------------------------------------------------

// Maps drive letters to directories. An unmapped drive prefix is dropped: "C:\dir\a.txt"
// becomes "/dir/a.txt" (absolute) and "C:a.txt" becomes "a.txt" (relative to the current
// directory). A mapped drive replaces "X:" by its root: with C -> "/home/u/c",
// "C:\dir\a.txt" becomes "/home/u/c/dir/a.txt" and "C:a.txt" "/home/u/c/a.txt".
class DriveTable {
 public:
  // letter: 'A'..'Z' or 'a'..'z'; root: a directory ("" removes the mapping).
  // Returns false for a letter outside A..Z.
  bool map(char letter, std::string root);
  // The root of a drive, nullptr when it is not mapped.
  const std::string* root(char letter) const;

 private:
  std::array<std::string, 26> roots_;
};

// The empty table used when a caller gives none.
const DriveTable& no_drives();

// A table from a list such as "C=/home/u/c;D=/mnt/d" (entries split by ';', letter '='
// directory; blanks around them ignored). Entries that are not of that form are skipped.
DriveTable parse_drive_table(std::string_view drives_text);
// parse_drive_table of the environment variable CORVINA_DRIVES (empty table when unset).
DriveTable drives_from_environment();

// ---- Names ----------------------------------------------------------------------------

inline bool is_path_separator(char c) { return c == '/' || c == '\\'; }

// The name with "\" turned into "/", the drive prefix applied and the encoding rule above;
// no disk access.
std::string native_path(std::string_view name, const DriveTable& drives = no_drives());

// native_path plus the case-insensitive lookup. Components that do not exist at all keep
// the spelling given, so the result also serves to create a new file in an existing folder
// whose name was written in another case.
std::string resolve_path(std::string_view name, const DriveTable& drives = no_drives());
// resolve_path keeps the listings of at most this many folders (see files.cpp); the count of
// those kept now, for tests.
inline constexpr std::size_t max_cached_folders = 64;
std::size_t cached_folder_count();

// Name helpers in the style of the Windows run-time. They accept either separator and keep
// the one the text uses; a drive prefix "C:" counts as a directory part.
std::string extract_file_name(std::string_view path);  // "C:\a\b.txt" -> "b.txt"
std::string extract_file_dir(std::string_view path);   // "C:\a\b.txt" -> "C:\a" ("/x" -> "/")
std::string extract_file_path(std::string_view path);  // "C:\a\b.txt" -> "C:\a\"
std::string extract_file_ext(std::string_view path);   // "a\b.txt" -> ".txt", "a.b\c" -> ""
// ext with or without its leading dot; "" removes the extension.
std::string change_file_ext(std::string_view path, std::string_view ext);
// a + separator + b; the separator is "/" unless a already uses "\"; no double separator.
std::string join_path(std::string_view a, std::string_view b);
// Equality of file names as Windows sees them: case-insensitive, "\" == "/".
bool same_file_name(std::string_view a, std::string_view b);

// ---- Errors ---------------------------------------------------------------------------

enum class FileError {
  none,
  missing,       // no such file (or a folder on the way is missing)
  is_directory,  // the name is a folder, not a file
  unreadable,    // exists but cannot be opened for reading (permission)
  unwritable,    // cannot be created or written
  io_error,      // a read or write failed part-way
};
// Short English text of the error ("file not found", ...), for logs and messages.
const char* file_error_text(FileError error);

// ---- Files ----------------------------------------------------------------------------

// Exists-by-open: true when name is a file that can be opened for reading; folders are not
// files.
bool file_exists(std::string_view name, const DriveTable& drives = no_drives());
bool directory_exists(std::string_view name, const DriveTable& drives = no_drives());

std::optional<std::uint64_t> file_size(std::string_view name,
                                       const DriveTable& drives = no_drives());

struct ReadResult {
  FileError error = FileError::none;
  std::vector<std::uint8_t> bytes;  // the whole file when error == none
  std::string path;                 // the resolved path that was tried
  bool ok() const { return error == FileError::none; }
};
ReadResult read_file(std::string_view name, const DriveTable& drives = no_drives());
// The same as text, for callers that keep the contents as a string.
struct ReadTextResult {
  FileError error = FileError::none;
  std::string text;
  std::string path;
  bool ok() const { return error == FileError::none; }
};
ReadTextResult read_text_file(std::string_view name, const DriveTable& drives = no_drives());

struct FileCloser {
  void operator()(std::FILE* f) const {
    if (f) std::fclose(f);
  }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

// fopen with the name rules above (mode as for fopen; "b" is implied). nullptr on failure;
// error (when given) tells why.
FilePtr open_file(std::string_view name, const char* mode, FileError* error = nullptr,
                  const DriveTable& drives = no_drives());

// Plain write: creates or truncates, then writes. For files the user keeps use
// replace_file_atomic instead.
FileError write_file(std::string_view name, std::string_view bytes,
                     const DriveTable& drives = no_drives());

struct ReplaceOptions {
  // Flush the new contents and then the folder to disk (fsync), so that the file survives a
  // crash of the system. Files that a run derives from others, and makes again on the next
  // run, go without: a flush per file would dominate a run that writes hundreds of them.
  bool flush = true;
  // Mode 0600 whatever the file had before: for files that hold a password.
  bool private_file = false;
};

// Atomic replace: the bytes go to a temporary file of a name no other writer uses in the same
// folder, which is flushed to disk (unless options say otherwise) and renamed over the name.
// When anything fails the temporary file is removed and an existing file of that name is left
// untouched. A new file gets mode 0644 (less the umask); a replaced file keeps its permission
// bits. Errors: missing or unwritable when the temporary file cannot be made (no such folder,
// the folder refuses it), is_directory when the name is a folder, io_error when writing or
// renaming fails after that.
FileError replace_file_atomic(std::string_view name, std::string_view bytes,
                              const DriveTable& drives = no_drives(), ReplaceOptions options = {});
// The same, with the content written by a callback into the temporary file; the callback
// returns false to abandon the replacement (the old file stays).
FileError replace_file_atomic(std::string_view name, const std::function<bool(std::FILE*)>& writer,
                              const DriveTable& drives = no_drives(), ReplaceOptions options = {});

// Writes a file that a run derives from others and makes again on the next run (pages of a
// compile run): into the file in place, then cut to the new length. Replacing through a
// temporary file, or truncating to nothing first, makes ext4 push every such file to disk at
// once, which costs a hundred times the write. When writing fails the file is removed, so no
// page cut short is left behind; the caller reports the error. Errors as write_file's.
FileError write_derived_file(std::string_view name, std::string_view bytes,
                             const DriveTable& drives = no_drives());

// rename: false when from is missing or the rename fails. Replaces an existing file `to`
// (POSIX rename); callers wanting Windows' "fails when target exists" check file_exists.
bool rename_file(std::string_view from, std::string_view to,
                 const DriveTable& drives = no_drives());
// DeleteFile: false when missing, a folder, or the removal fails.
bool erase_file(std::string_view name, const DriveTable& drives = no_drives());
bool create_directory(std::string_view name, const DriveTable& drives = no_drives());
bool remove_directory(std::string_view name, const DriveTable& drives = no_drives());

// Copies a file keeping its modification time: the bytes go to a temporary file beside the
// destination, which then replaces it, so a failed read never destroys the old copy. Copying
// a file onto itself is refused. The options are those of replace_file_atomic: a copy that a
// run makes again when it is missing or out of date need not be flushed to disk.
struct CopyResult {
  enum Kind { copied, unreadable, same_file, unwritable } kind = copied;
  std::string reason;  // for the user, empty when copied
  bool ok() const { return kind == copied; }
};
CopyResult copy_file_keeping_time(std::string_view from, std::string_view to,
                                  ReplaceOptions options = {});

// Free bytes for a user on the file system holding path (statvfs).
std::optional<std::uint64_t> disk_free(std::string_view path,
                                       const DriveTable& drives = no_drives());

// ---- Dates ----------------------------------------------------------------------------

// The DOS packed form of a local date and time, as FileAge / find entries give it:
// date = (year - 1980) * 512 + month * 32 + day; time = hour * 2048 + minute * 32 + second / 2.
struct DosDateTime {
  std::uint16_t date = 0x21;  // 1980-01-01
  std::uint16_t time = 0;
  // Delphi's FileAge form: date in the high word.
  std::uint32_t combined() const { return (std::uint32_t(date) << 16) | time; }
  static DosDateTime from_combined(std::uint32_t v) {
    return {std::uint16_t(v >> 16), std::uint16_t(v & 0xFFFF)};
  }
  bool operator==(const DosDateTime&) const = default;
};
// Years before 1980 give 1980-01-01 00:00:00, years after 2107 give 2107-12-31 23:59:58
// (the ends of the range); seconds are rounded down to even.
DosDateTime pack_dos_date_time(const LocalDateTime& t);
// No range check on the fields (a packed value from a file may hold month 0 or 15).
LocalDateTime unpack_dos_date_time(DosDateTime d);

// Last-write time of a file or folder in local time.
std::optional<LocalDateTime> get_file_time(std::string_view name,
                                           const DriveTable& drives = no_drives());
// Sets the last-write (and access) time; false when the name is missing or the fields are
// not a valid date.
bool set_file_time(std::string_view name, const LocalDateTime& t,
                   const DriveTable& drives = no_drives());

// ---- Find first / next ----------------------------------------------------------------

// Attribute bits of Windows.
enum : std::uint32_t {
  attr_read_only = 0x01,  // the user may not write it
  attr_hidden = 0x02,     // the name starts with "." (but "." and ".." themselves are not hidden)
  attr_system = 0x04,     // never set here
  attr_directory = 0x10,
  attr_archive = 0x20,  // set on every regular file
  attr_any = 0x3F,
};

struct DirEntry {
  std::string name;       // Windows-1252, '?' for characters 1252 lacks
  std::string disk_name;  // the name on disk (UTF-8)
  std::string path;       // folder on disk + "/" + disk_name, for opening it
  std::uint32_t attributes = 0;
  std::uint64_t size = 0;  // 0 for folders
  LocalDateTime time;      // last write, local
  DosDateTime dos_time;    // the same, packed
};

// DOS wildcard match, case-insensitive: "*" any run, "?" one character; "*.*" matches every
// name (with or without a dot); a pattern ending in ".*" also matches the name without a
// dot ("abc.*" matches "abc"); a pattern ending in "." matches names without a dot only
// ("*." matches "README", not "a.txt").
bool match_dos_wildcard(std::string_view pattern, std::string_view name);

// The entries of one folder matching "folder\mask" (the folder part is resolved as above;
// no folder part means the current directory). As Delphi's FindFirst: files are always
// returned, and entries with the hidden, system or directory bit only when the mask holds
// that bit. "." and ".." are returned like Windows does, when the mask includes
// attr_directory and the pattern matches them (so a recursive walk must skip them).
// Entries come sorted by name (byte order) so that runs are repeatable; empty when the
// folder is missing.
std::vector<DirEntry> find_files(std::string_view pattern, std::uint32_t attribute_mask,
                                 const DriveTable& drives = no_drives());

// FindFirst / FindNext / FindClose in one object.
class FileFinder {
 public:
  // Starts a search; false when nothing matches.
  bool first(std::string_view pattern, std::uint32_t attribute_mask,
             const DriveTable& drives = no_drives());
  // Moves to the next entry; false at the end.
  bool next();
  const DirEntry& entry() const { return entries_.at(index_); }

 private:
  std::vector<DirEntry> entries_;
  std::size_t index_ = 0;
};

// ---- Well-known folders ----------------------------------------------------------------

// The first non-empty of TMPDIR, TEMP, TMP; else "/tmp". No trailing separator.
std::string temp_directory();
// The folder of the running program (/proc/self/exe), no trailing separator; "." when it
// cannot be found.
std::string program_directory();
std::string current_directory();

}  // namespace platform

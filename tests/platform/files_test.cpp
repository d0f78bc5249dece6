#include "platform/files.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "tests/support/test_support.h"

namespace fs = std::filesystem;

namespace {

using corvina_test::ReadFile;
using corvina_test::WriteFile;

std::string as_string(const std::vector<std::uint8_t>& v) {
  return std::string(v.begin(), v.end());
}

class FilesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string tmpl = (fs::temp_directory_path() / "platform_files_XXXXXX").string();
    ASSERT_NE(::mkdtemp(tmpl.data()), nullptr);
    root_ = tmpl;
  }
  void TearDown() override {
    std::error_code ec;
    fs::permissions(root_, fs::perms::owner_all, fs::perm_options::add, ec);
    fs::remove_all(root_, ec);
  }
  std::string at(const std::string& rel) const { return root_.string() + "/" + rel; }
  // The same path written with Windows separators.
  std::string win(const std::string& rel) const {
    std::string s = at(rel);
    for (char& c : s)
      if (c == '/') c = '\\';
    return s;
  }
  fs::path root_;
};

TEST_F(FilesTest, CaseInsensitiveOpenThroughNestedFolders) {
  WriteFile(root_ / "Docs" / "Sub Dir" / "Report.TXT", "content");
  for (const std::string& name : {at("docs/SUB DIR/report.txt"), win("DOCS\\sub dir\\REPORT.txt"),
                                  at("Docs/Sub Dir/Report.TXT")}) {
    EXPECT_TRUE(platform::file_exists(name)) << name;
    auto r = platform::read_file(name);
    ASSERT_TRUE(r.ok()) << name << ": " << platform::file_error_text(r.error);
    EXPECT_EQ(as_string(r.bytes), "content");
    EXPECT_EQ(r.path, at("Docs/Sub Dir/Report.TXT"));
    EXPECT_EQ(platform::file_size(name), 7u);
  }
  // A new file in a folder written in another case lands in the existing folder.
  EXPECT_EQ(platform::write_file(win("DOCS\\new.txt"), "n"), platform::FileError::none);
  EXPECT_EQ(ReadFile(root_ / "Docs" / "new.txt"), "n");
  EXPECT_FALSE(fs::exists(root_ / "DOCS"));
}

TEST_F(FilesTest, ExactNameWinsOverCaseVariants) {
  WriteFile(root_ / "a.txt", "lower");
  WriteFile(root_ / "A.txt", "upper");
  EXPECT_EQ(as_string(platform::read_file(at("a.txt")).bytes), "lower");
  EXPECT_EQ(as_string(platform::read_file(at("A.txt")).bytes), "upper");
  // No exact match: the first in byte order ("A.txt" < "a.txt").
  EXPECT_EQ(as_string(platform::read_file(at("a.TXT")).bytes), "upper");
}

// Lookups of names missing in their exact case use a cached listing of the folder; files that
// appear later, by our own hand or another's, must still be found in any case.
TEST_F(FilesTest, FolderListingFollowsNewFiles) {
  fs::create_directory(root_ / "out");
  EXPECT_EQ(platform::resolve_path(at("out/page1.htm")), at("out/page1.htm"));
  // Made by another program, without telling the lookup.
  WriteFile(root_ / "out" / "PAGE1.HTM", "a");
  EXPECT_EQ(platform::resolve_path(at("out/page1.htm")), at("out/PAGE1.HTM"));
  // A removed file is no longer offered.
  fs::remove(root_ / "out" / "PAGE1.HTM");
  EXPECT_EQ(platform::resolve_path(at("out/page1.htm")), at("out/page1.htm"));
  // Made by us: found at once.
  ASSERT_EQ(platform::write_file(at("out/Page2.htm"), "b"), platform::FileError::none);
  EXPECT_EQ(platform::resolve_path(at("out/PAGE2.HTM")), at("out/Page2.htm"));
  EXPECT_EQ(platform::resolve_path(at("out/page1.HTM")), at("out/page1.HTM"));
  // A folder replaced by another of the same name is listed afresh.
  fs::remove_all(root_ / "out");
  fs::create_directory(root_ / "out");
  WriteFile(root_ / "out" / "PAGE3.HTM", "c");
  EXPECT_EQ(platform::resolve_path(at("out/page3.htm")), at("out/PAGE3.HTM"));
  EXPECT_EQ(platform::resolve_path(at("out/page2.htm")), at("out/page2.htm"));
}

// Every change of a folder whose listing is cached, made by the platform's functions or by
// another program, is seen by the next lookup, however soon it follows the one before.
TEST_F(FilesTest, FolderListingFollowsEveryChange) {
  struct Case {
    const char* name;
    std::function<void(const std::string& dir)> change;        // dir holds "Old.txt"
    std::vector<std::pair<const char*, const char*>> lookups;  // name in dir -> resolved
  };
  const std::vector<Case> cases = {
      {"erased by us",
       [](const std::string& d) { platform::erase_file(d + "/OLD.txt"); },
       {{"old.TXT", "old.TXT"}}},
      {"removed by another program",
       [](const std::string& d) { fs::remove(d + "/Old.txt"); },
       {{"old.TXT", "old.TXT"}}},
      {"renamed by us",
       [](const std::string& d) { platform::rename_file(d + "/old.txt", d + "/New.txt"); },
       {{"NEW.TXT", "New.txt"}, {"old.TXT", "old.TXT"}}},
      {"renamed by another program",
       [](const std::string& d) { fs::rename(d + "/Old.txt", d + "/New.txt"); },
       {{"NEW.TXT", "New.txt"}, {"old.TXT", "old.TXT"}}},
      {"made by us without a flush",
       [](const std::string& d) {
         platform::replace_file_atomic(d + "/Made.txt", std::string_view("m"),
                                       platform::no_drives(), {.flush = false});
       },
       {{"MADE.TXT", "Made.txt"}, {"old.TXT", "Old.txt"}}},
      {"made by another program",
       [](const std::string& d) { WriteFile(d + "/Made.txt", "m"); },
       {{"made.txt", "Made.txt"}}},
      // Of two spellings the first in byte order is offered, the other once it is gone.
      {"second spelling made and removed",
       [](const std::string& d) {
         WriteFile(d + "/OLD.txt", "o");
         ASSERT_EQ(platform::resolve_path(d + "/old.TXT"), d + "/OLD.txt");
         fs::remove(d + "/OLD.txt");
       },
       {{"old.TXT", "Old.txt"}}},
      {"folder replaced by another program",
       [](const std::string& d) {
         fs::remove_all(d);
         WriteFile(d + "/Fresh.txt", "f");
       },
       {{"FRESH.TXT", "Fresh.txt"}, {"old.TXT", "old.TXT"}}},
  };
  int n = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string dir = at("case" + std::to_string(n++));
    WriteFile(dir + "/Old.txt", "o");
    ASSERT_EQ(platform::resolve_path(dir + "/OLD.TXT"), dir + "/Old.txt");  // listed now
    c.change(dir);
    for (const auto& [name, resolved] : c.lookups)
      EXPECT_EQ(platform::resolve_path(dir + "/" + name), dir + "/" + resolved) << name;
  }
}

// The cache of listings stays within its bound, and folders that left it are read afresh.
TEST_F(FilesTest, FolderCacheIsBounded) {
  const std::size_t folders = platform::max_cached_folders + 20;
  auto folder = [&](std::size_t i) { return at("f" + std::to_string(i)); };
  for (std::size_t i = 0; i < folders; ++i) {
    WriteFile(folder(i) + "/Name.txt", "n");
    ASSERT_EQ(platform::resolve_path(folder(i) + "/NAME.TXT"), folder(i) + "/Name.txt");
    if (i == 0 && platform::cached_folder_count() == 0)
      GTEST_SKIP() << "no folder can be watched here";
    EXPECT_LE(platform::cached_folder_count(), platform::max_cached_folders);
  }
  EXPECT_EQ(platform::cached_folder_count(), platform::max_cached_folders);
  for (std::size_t i = 0; i < folders; ++i) {
    WriteFile(folder(i) + "/Second.txt", "s");
    fs::remove(folder(i) + "/Name.txt");
    EXPECT_EQ(platform::resolve_path(folder(i) + "/SECOND.txt"), folder(i) + "/Second.txt");
    EXPECT_EQ(platform::resolve_path(folder(i) + "/NAME.TXT"), folder(i) + "/NAME.TXT");
  }
  EXPECT_EQ(platform::cached_folder_count(), platform::max_cached_folders);
}

// Lookups from two threads while a third fills and empties the same folder: the files that
// stay are found every time.
TEST_F(FilesTest, FolderCacheServesSeveralThreadsAtOnce) {
  constexpr int kStaying = 20, kRounds = 300;
  auto staying = [&](int i, const char* stem, const char* ext) {
    return at(stem + std::to_string(i % kStaying) + ext);
  };
  for (int i = 0; i < kStaying; ++i) WriteFile(staying(i, "Stay", ".txt"), "s");
  std::atomic<int> misses{0};
  std::thread changer([&] {
    for (int i = 0; i < kRounds; ++i) {
      const std::string name = at("Passing" + std::to_string(i) + ".txt");
      platform::replace_file_atomic(name, std::string_view("p"), platform::no_drives(),
                                    {.flush = false});
      platform::erase_file(name);
    }
  });
  auto reader = [&] {
    for (int i = 0; i < kRounds; ++i)
      if (platform::resolve_path(staying(i, "STAY", ".TXT")) != staying(i, "Stay", ".txt"))
        ++misses;
  };
  std::thread first(reader), second(reader);
  changer.join();
  first.join();
  second.join();
  EXPECT_EQ(misses.load(), 0);
}

// A child of fork looks names up on its own: the changes the parent has still to learn of stay
// for the parent.
TEST_F(FilesTest, FolderCacheOfAForkedChildIsItsOwn) {
  WriteFile(root_ / "Old.txt", "o");
  ASSERT_EQ(platform::resolve_path(at("OLD.TXT")), at("Old.txt"));
  WriteFile(root_ / "New.txt", "n");  // by another program, not yet looked for
  const pid_t pid = ::fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) ::_exit(platform::resolve_path(at("NEW.TXT")) == at("New.txt") ? 0 : 1);
  int status = 0;
  ASSERT_EQ(::waitpid(pid, &status, 0), pid);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  EXPECT_EQ(platform::resolve_path(at("new.TXT")), at("New.txt"));
}

TEST_F(FilesTest, Windows1252NamesMeetUtf8OnDisk) {
  WriteFile(root_ /
                "Gr\xC3\xBC\xC3\x9F"
                "e.txt",
            "hi");
  // The suite passes file names in Windows-1252; the upper-case U umlaut differs in case.
  EXPECT_TRUE(
      platform::file_exists(at("GR\xDC\xDF"
                               "E.TXT")));
  auto entries = platform::find_files(at("*.txt"), platform::attr_any);
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_EQ(entries[0].name,
            "Gr\xFC\xDF"
            "e.txt");
  EXPECT_EQ(entries[0].disk_name,
            "Gr\xC3\xBC\xC3\x9F"
            "e.txt");
}

TEST_F(FilesTest, ReadErrorsAreTold) {
  fs::create_directories(root_ / "folder");
  auto missing = platform::read_file(at("nothing.txt"));
  EXPECT_EQ(missing.error, platform::FileError::missing);
  EXPECT_TRUE(missing.bytes.empty());
  EXPECT_EQ(platform::read_file(at("no/such/folder/x.txt")).error, platform::FileError::missing);
  EXPECT_EQ(platform::read_file(at("FOLDER")).error, platform::FileError::is_directory);
  EXPECT_FALSE(platform::file_exists(at("folder")));
  EXPECT_TRUE(platform::directory_exists(at("Folder")));
  EXPECT_FALSE(platform::file_size(at("folder")).has_value());
  platform::FileError e = platform::FileError::none;
  EXPECT_EQ(platform::open_file(at("folder"), "rb", &e), nullptr);
  EXPECT_EQ(e, platform::FileError::is_directory);
  EXPECT_EQ(platform::open_file(at("nothing.txt"), "rb", &e), nullptr);
  EXPECT_EQ(e, platform::FileError::missing);
}

TEST_F(FilesTest, UnreadableFile) {
  WriteFile(root_ / "secret.txt", "x");
  fs::permissions(root_ / "secret.txt", fs::perms::none);
  fs::permissions(root_, fs::perms::owner_all | fs::perms::group_exec | fs::perms::others_exec);
  auto check = [&] {
    return platform::read_file(at("secret.txt")).error == platform::FileError::unreadable &&
           !platform::file_exists(at("secret.txt"));
  };
  if (::geteuid() != 0) {
    EXPECT_TRUE(check());
    return;
  }
  // Root reads every file, so the check runs in a child that drops to an ordinary user.
  pid_t pid = ::fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    if (::setgid(65534) != 0 || ::setuid(65534) != 0) ::_exit(2);
    ::_exit(check() ? 0 : 1);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(pid, &status, 0), pid);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
}

TEST_F(FilesTest, EmptyFileReadsAsEmpty) {
  WriteFile(root_ / "empty", "");
  auto r = platform::read_file(at("empty"));
  EXPECT_TRUE(r.ok());
  EXPECT_TRUE(r.bytes.empty());
}

TEST_F(FilesTest, FileTimeRoundTrips) {
  WriteFile(root_ / "dated.txt", "x");
  const platform::LocalDateTime times[] = {
      {1999, 12, 31, 23, 59, 58, 0},
      {2024, 2, 29, 12, 34, 56, 0},
      {2024, 7, 15, 8, 5, 3, 250},
      {2099, 1, 1, 0, 0, 0, 0},
  };
  for (const auto& t : times) {
    ASSERT_TRUE(platform::set_file_time(win("DATED.TXT"), t));
    auto got = platform::get_file_time(at("dated.txt"));
    ASSERT_TRUE(got.has_value());
    EXPECT_EQ(*got, t) << t.year;
    auto entries = platform::find_files(at("dated.txt"), platform::attr_any);
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].dos_time, platform::pack_dos_date_time(t));
  }
  EXPECT_FALSE(platform::set_file_time(at("dated.txt"), {2023, 2, 29, 0, 0, 0, 0}));
  EXPECT_FALSE(platform::set_file_time(at("missing.txt"), {2020, 1, 1, 0, 0, 0, 0}));
  EXPECT_FALSE(platform::get_file_time(at("missing.txt")).has_value());
}

TEST(DosDateTime, PackAndUnpack) {
  struct Case {
    platform::LocalDateTime t;
    std::uint16_t date, time;
  } cases[] = {
      {{2024, 7, 15, 12, 34, 56, 0}, 0x58EF, 0x645C},
      {{2024, 7, 15, 12, 34, 57, 999}, 0x58EF, 0x645C},  // two-second steps, rounded down
      {{1980, 1, 1, 0, 0, 0, 0}, 0x0021, 0x0000},
      {{1999, 12, 31, 23, 59, 59, 0}, 0x279F, 0xBF7D},
      {{1970, 6, 1, 10, 0, 0, 0}, 0x0021, 0x0000},  // before the range
      {{2200, 6, 1, 10, 0, 0, 0}, 0xFF9F, 0xBF7D},  // after it: 2107-12-31 23:59:58
  };
  for (const auto& c : cases) {
    auto d = platform::pack_dos_date_time(c.t);
    EXPECT_EQ(d.date, c.date) << c.t.year;
    EXPECT_EQ(d.time, c.time) << c.t.year;
  }
  auto t = platform::unpack_dos_date_time({0x58EF, 0x645C});
  EXPECT_EQ(t, (platform::LocalDateTime{2024, 7, 15, 12, 34, 56, 0}));
  EXPECT_EQ((platform::DosDateTime{0x58EF, 0x645C}).combined(), 0x58EF645Cu);
  EXPECT_EQ(platform::DosDateTime::from_combined(0x58EF645Cu),
            (platform::DosDateTime{0x58EF, 0x645C}));
}

TEST(Wildcard, DosMatchingTable) {
  struct Case {
    const char* pattern;
    const char* name;
    bool match;
  } cases[] = {
      {"*.*", "readme", true},
      {"*.*", "a.txt", true},
      {"*", "a.b.c", true},
      {"*.txt", "A.TXT", true},
      {"*.txt", "a.txt.bak", false},
      {"*.tx?", "a.txt", true},
      {"*.tx?", "a.tx", false},
      {"?.txt", "ab.txt", false},
      {"a?c", "abc", true},
      {"abc.*", "abc", true},
      {"abc.*", "abc.d", true},
      {"abc.*", "abcd", false},
      {"*.", "README", true},
      {"*.", "a.txt", false},
      {"*a*b*", "xxaxxbxx", true},
      {"*a*b", "ab_ba", false},
      {"", "a", false},
      {"*", "", true},
      {"REP*.DOC", "report.doc", true},
      {"\xC3\xA4*", "\xC3\x84rger", true},  // UTF-8 letters fold too
      {"*", "*x", true},
      {"a*", "a*b", true},
      {"*b", "*a", false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(platform::match_dos_wildcard(c.pattern, c.name), c.match)
        << c.pattern << " ~ " << c.name;
  }
  // Many stars against a long name still finishes quickly (no exponential backtracking).
  EXPECT_FALSE(platform::match_dos_wildcard("*a*a*a*a*a*a*a*a*b", std::string(2000, 'a')));
}

TEST_F(FilesTest, FindFirstNextWithAttributes) {
  WriteFile(root_ / "b.txt", "12345");
  WriteFile(root_ / "a.doc", "1");
  WriteFile(root_ / ".hidden", "h");
  fs::create_directories(root_ / "Sub");
  WriteFile(root_ / "ro.txt", "r");
  fs::permissions(root_ / "ro.txt",
                  fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                  fs::perm_options::remove);

  auto names = [](const std::vector<platform::DirEntry>& v) {
    std::string s;
    for (const auto& e : v) s += e.name + ";";
    return s;
  };
  EXPECT_EQ(names(platform::find_files(win("*.*"), 0)), "a.doc;b.txt;ro.txt;");
  EXPECT_EQ(names(platform::find_files(win("*.*"), platform::attr_directory)),
            ".;..;Sub;a.doc;b.txt;ro.txt;");
  EXPECT_EQ(names(platform::find_files(at("*"), platform::attr_any)),
            ".;..;.hidden;Sub;a.doc;b.txt;ro.txt;");
  EXPECT_EQ(names(platform::find_files(at("*.TXT"), platform::attr_any)), "b.txt;ro.txt;");
  EXPECT_TRUE(platform::find_files(at("nomatch*"), platform::attr_any).empty());
  EXPECT_TRUE(platform::find_files(at("missing/*.*"), platform::attr_any).empty());

  platform::FileFinder finder;
  ASSERT_TRUE(finder.first(at("*"), platform::attr_any));
  int seen = 0;
  do {
    const auto& e = finder.entry();
    ++seen;
    if (e.name == "b.txt") {
      EXPECT_EQ(e.attributes, platform::attr_archive);
      EXPECT_EQ(e.size, 5u);
      EXPECT_EQ(e.path, at("b.txt"));
    } else if (e.name == "Sub") {
      EXPECT_EQ(e.attributes, platform::attr_directory);
    } else if (e.name == ".hidden") {
      EXPECT_EQ(e.attributes, platform::attr_archive | platform::attr_hidden);
    } else if (e.name == "ro.txt") {
      EXPECT_EQ(e.attributes, platform::attr_archive | platform::attr_read_only);
    } else if (e.name == "..") {
      EXPECT_EQ(e.attributes, platform::attr_directory);
    }
  } while (finder.next());
  EXPECT_EQ(seen, 7);
  EXPECT_FALSE(finder.next());
}

// With and without the flush to disk: the same replacement in every other respect.
TEST_F(FilesTest, AtomicReplaceKeepsOldFileWhenWritingFails) {
  const mode_t umask = ::umask(022);
  ::umask(umask);
  for (const bool flush : {true, false}) {
    SCOPED_TRACE(flush ? "flushed" : "not flushed");
    const platform::ReplaceOptions options{.flush = flush};
    const fs::path dir = root_ / (flush ? "flushed" : "unflushed");
    const std::string in = dir.string() + "/";
    auto replace = [&](const std::string& name, std::string_view bytes) {
      return platform::replace_file_atomic(name, bytes, platform::no_drives(), options);
    };
    auto entries = [&] {
      return std::distance(fs::directory_iterator(dir), fs::directory_iterator());
    };
    WriteFile(dir / "keep.dat", "old");
    const auto owner_rw = fs::perms::owner_read | fs::perms::owner_write;
    fs::permissions(dir / "keep.dat", owner_rw);
    auto failing = [](std::FILE* f) {
      std::fputs("partial", f);
      return false;
    };
    EXPECT_NE(
        platform::replace_file_atomic(in + "keep.dat", failing, platform::no_drives(), options),
        platform::FileError::none);
    EXPECT_EQ(ReadFile(dir / "keep.dat"), "old");
    EXPECT_EQ(entries(), 1) << "temp file left";

    // A link made to the old file keeps it: the new one took the name by a rename.
    fs::create_hard_link(dir / "keep.dat", dir / "old.lnk");
    std::string windows = in + "KEEP.DAT";
    std::replace(windows.begin(), windows.end(), '/', '\\');
    EXPECT_EQ(replace(windows, "new\r\n\x1A"), platform::FileError::none);
    EXPECT_EQ(ReadFile(dir / "keep.dat"), "new\r\n\x1A");
    EXPECT_EQ(ReadFile(dir / "old.lnk"), "old");
    EXPECT_EQ(fs::status(dir / "keep.dat").permissions(), owner_rw);
    fs::remove(dir / "old.lnk");
    EXPECT_EQ(entries(), 1);

    EXPECT_EQ(replace(in + "fresh.dat", "f"), platform::FileError::none);
    EXPECT_EQ(ReadFile(dir / "fresh.dat"), "f");
    EXPECT_EQ(static_cast<mode_t>(fs::status(dir / "fresh.dat").permissions()), 0644 & ~umask);
    fs::create_directories(dir / "adir");
    EXPECT_EQ(replace(in + "adir", "x"), platform::FileError::is_directory);
    EXPECT_EQ(replace(in + "nodir/x.dat", "x"), platform::FileError::missing);
    EXPECT_EQ(entries(), 3);
  }
}

// A derived file is written in place: a shorter text leaves nothing of the longer one, the name
// is found whatever its case, and a write that fails part-way removes the file instead of
// leaving it cut short.
TEST_F(FilesTest, DerivedFileWrittenInPlaceOrRemoved) {
  const fs::path dir = root_ / "derived";
  fs::create_directories(dir);
  const std::string in = dir.string() + "/";
  WriteFile(dir / "page.html", "an older and much longer page");
  EXPECT_EQ(platform::write_derived_file(in + "PAGE.HTML", "short"), platform::FileError::none);
  EXPECT_EQ(ReadFile(dir / "page.html"), "short");
  EXPECT_EQ(platform::write_derived_file(in + "empty.html", ""), platform::FileError::none);
  EXPECT_EQ(ReadFile(dir / "empty.html"), "");
  EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 2)
      << "temp file left";

  fs::create_directories(dir / "adir");
  EXPECT_EQ(platform::write_derived_file(in + "adir", "x"), platform::FileError::is_directory);
  EXPECT_EQ(platform::write_derived_file(in + "nodir/x.html", "x"), platform::FileError::missing);
  ASSERT_EQ(::mkfifo((dir / "pipe").c_str(), 0600), 0);
  ::close(::open((dir / "pipe").c_str(), O_RDONLY | O_NONBLOCK));  // no reader stays
  EXPECT_NE(platform::write_derived_file(in + "pipe", "x"), platform::FileError::none);
  EXPECT_TRUE(fs::exists(dir / "pipe")) << "only a file it wrote is removed";

  // A file size limit makes the write stop part-way, as a full disk would.
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    ::signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{10, 10};
    ::setrlimit(RLIMIT_FSIZE, &limit);
    const bool failed = platform::write_derived_file(in + "page.html", std::string(100, 'y')) ==
                        platform::FileError::io_error;
    ::_exit(failed ? 0 : 1);
  }
  int status = 0;
  ::waitpid(child, &status, 0);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "the write did not fail";
  EXPECT_FALSE(fs::exists(dir / "page.html")) << "a page cut short was left";
}

// Writers replacing one file at the same time each use a temporary file of their own: every
// replacement succeeds and the file ends whole, as one of them wrote it.
TEST_F(FilesTest, AtomicReplaceBySeveralWritersAtOnce) {
  constexpr int kRounds = 100;
  const std::string texts[2] = {std::string(5000, 'a'), std::string(7000, 'b')};
  std::atomic<int> failures{0};
  auto writer = [&](int w) {
    for (int i = 0; i < kRounds; ++i) {
      if (platform::replace_file_atomic(at("shared.dat"), std::string_view(texts[w]),
                                        platform::no_drives(),
                                        {.flush = false}) != platform::FileError::none)
        ++failures;
    }
  };
  std::thread first(writer, 0), second(writer, 1);
  first.join();
  second.join();
  EXPECT_EQ(failures.load(), 0);
  const std::string result = ReadFile(root_ / "shared.dat");
  EXPECT_TRUE(result == texts[0] || result == texts[1]) << result.size();
  EXPECT_EQ(std::distance(fs::directory_iterator(root_), fs::directory_iterator()), 1)
      << "temp file left";
}

TEST_F(FilesTest, RenameEraseAndFolders) {
  WriteFile(root_ / "lower.txt", "l");
  // A rename that only changes case.
  EXPECT_TRUE(platform::rename_file(at("lower.txt"), at("LOWER.TXT")));
  auto entries = platform::find_files(at("*.*"), 0);
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_EQ(entries[0].name, "LOWER.TXT");
  EXPECT_FALSE(platform::rename_file(at("gone.txt"), at("x.txt")));

  EXPECT_TRUE(platform::create_directory(win("NewDir")));
  EXPECT_FALSE(platform::create_directory(at("newdir")));  // exists in another case
  EXPECT_FALSE(platform::erase_file(at("NewDir")));
  EXPECT_TRUE(platform::remove_directory(at("NEWDIR")));

  EXPECT_TRUE(platform::erase_file(at("lower.txt")));
  EXPECT_FALSE(platform::file_exists(at("LOWER.TXT")));
  EXPECT_FALSE(platform::erase_file(at("lower.txt")));
  EXPECT_TRUE(platform::disk_free(root_.string()).has_value());
}

TEST(DriveTable, DrivePrefixes) {
  platform::DriveTable drives;
  EXPECT_EQ(platform::native_path("C:\\dir\\a.txt"), "/dir/a.txt");
  EXPECT_EQ(platform::native_path("C:a.txt"), "a.txt");
  EXPECT_EQ(platform::native_path("sub\\a.txt"), "sub/a.txt");
  ASSERT_TRUE(drives.map('c', "/home/u/c"));
  EXPECT_FALSE(drives.map('1', "/x"));
  EXPECT_EQ(platform::native_path("C:\\dir\\a.txt", drives), "/home/u/c/dir/a.txt");
  EXPECT_EQ(platform::native_path("c:a.txt", drives), "/home/u/c/a.txt");
  EXPECT_EQ(platform::native_path("C:", drives), "/home/u/c");
  ASSERT_TRUE(drives.map('D', "/mnt/d/"));
  EXPECT_EQ(platform::native_path("D:\\x", drives), "/mnt/d/x");
  EXPECT_EQ(platform::native_path("E:\\x", drives), "/x");
  ASSERT_TRUE(drives.map('C', ""));
  EXPECT_EQ(drives.root('C'), nullptr);

  platform::DriveTable parsed =
      platform::parse_drive_table(" c = /home/u/c ;D=/mnt/d;bad;EE=/x;F=");
  ASSERT_NE(parsed.root('C'), nullptr);
  EXPECT_EQ(*parsed.root('C'), "/home/u/c");
  ASSERT_NE(parsed.root('d'), nullptr);
  EXPECT_EQ(*parsed.root('d'), "/mnt/d");
  EXPECT_EQ(parsed.root('E'), nullptr);
  EXPECT_EQ(parsed.root('F'), nullptr);
}

TEST(FileNames, HelpersAcceptBothSeparators) {
  struct Case {
    const char* path;
    const char* name;
    const char* dir;
    const char* path_part;
    const char* ext;
  } cases[] = {
      {"C:\\a\\b.txt", "b.txt", "C:\\a", "C:\\a\\", ".txt"},
      {"/x/y/z.tar.gz", "z.tar.gz", "/x/y", "/x/y/", ".gz"},
      {"C:\\b.txt", "b.txt", "C:\\", "C:\\", ".txt"},
      {"/b", "b", "/", "/", ""},
      {"C:b.ws", "b.ws", "C:", "C:", ".ws"},
      {"a.b\\c", "c", "a.b", "a.b\\", ""},
      {"plain", "plain", "", "", ""},
      {"dir/", "", "dir", "dir/", ""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(platform::extract_file_name(c.path), c.name) << c.path;
    EXPECT_EQ(platform::extract_file_dir(c.path), c.dir) << c.path;
    EXPECT_EQ(platform::extract_file_path(c.path), c.path_part) << c.path;
    EXPECT_EQ(platform::extract_file_ext(c.path), c.ext) << c.path;
  }
  EXPECT_EQ(platform::change_file_ext("C:\\d\\doc.ws", ".fmt"), "C:\\d\\doc.fmt");
  EXPECT_EQ(platform::change_file_ext("a.b\\doc", "fmt"), "a.b\\doc.fmt");
  EXPECT_EQ(platform::change_file_ext("doc.ws", ""), "doc");
  EXPECT_EQ(platform::join_path("C:\\d", "x.txt"), "C:\\d\\x.txt");
  EXPECT_EQ(platform::join_path("/d/", "/x.txt"), "/d/x.txt");
  EXPECT_EQ(platform::join_path("", "x.txt"), "x.txt");
  EXPECT_TRUE(platform::same_file_name("C:\\Dir\\\xC4rger.TXT", "c:/dir/\xE4rger.txt"));
  EXPECT_FALSE(platform::same_file_name("a.txt", "a.txt2"));
}

TEST(WellKnownFolders, TempDirectoryFromEnvironment) {
  struct Saved {
    const char* name;
    std::optional<std::string> value;
  } saved[] = {{"TMPDIR", {}}, {"TEMP", {}}, {"TMP", {}}};
  for (auto& s : saved)
    if (const char* v = std::getenv(s.name)) s.value = v;

  ::unsetenv("TMPDIR");
  ::unsetenv("TEMP");
  ::unsetenv("TMP");
  EXPECT_EQ(platform::temp_directory(), "/tmp");
  ::setenv("TMP", "/from/tmp/", 1);
  EXPECT_EQ(platform::temp_directory(), "/from/tmp");
  ::setenv("TEMP", "/from/temp", 1);
  EXPECT_EQ(platform::temp_directory(), "/from/temp");
  ::setenv("TMPDIR", "", 1);  // empty counts as unset
  EXPECT_EQ(platform::temp_directory(), "/from/temp");
  ::setenv("TMPDIR", "/from/tmpdir", 1);
  EXPECT_EQ(platform::temp_directory(), "/from/tmpdir");

  for (auto& s : saved) {
    if (s.value)
      ::setenv(s.name, s.value->c_str(), 1);
    else
      ::unsetenv(s.name);
  }
}

TEST(WellKnownFolders, ProgramDirectoryHoldsThisProgram) {
  std::string dir = platform::program_directory();
  ASSERT_FALSE(dir.empty());
  EXPECT_EQ(dir[0], '/');
  EXPECT_NE(dir.back(), '/');
  EXPECT_TRUE(platform::file_exists(dir + "/test_platform"));
}

}  // namespace

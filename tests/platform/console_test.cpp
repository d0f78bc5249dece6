#include "platform/console.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <optional>
#include <string>

namespace {

using platform::CodePage;
using platform::ConsoleMode;
using platform::ConsoleStream;

struct Capture {
  std::string out, err;
  platform::ConsoleSink sink() {
    return [this](ConsoleStream s, std::string_view b) {
      (s == ConsoleStream::out ? out : err).append(b);
    };
  }
};

TEST(Console, ConvertsCodePageBytesToUtf8) {
  Capture cap;
  platform::Console con(CodePage::cp850, true, cap.sink());
  con.write("\x84rger \xE1 \xC4\xC4");  // a umlaut, sharp s, box lines
  con.write_line(" ok");
  con.write("FEHLER: \x94", ConsoleStream::err);
  EXPECT_EQ(cap.out, "\xC3\xA4rger \xC3\x9F \xE2\x94\x80\xE2\x94\x80 ok\n");
  EXPECT_EQ(cap.err, "FEHLER: \xC3\xB6");

  cap.out.clear();
  con.set_code_page(CodePage::cp1252);
  con.write("\xE4\x80");
  EXPECT_EQ(cap.out, "\xC3\xA4\xE2\x82\xAC");
}

// A status line is a code-page text around a file name that is UTF-8 already: the name must
// come out as it was, the code-page bytes around it converted.
TEST(Console, Utf8NamesInsideCodePageTextAreKept) {
  struct Case {
    CodePage code_page;
    std::string bytes;
    std::string shown;
  } cases[] = {
      {CodePage::cp1252, "Formatting /home/\xD0\x94\xD0\xBE\xD0\xBA/a.ws: 3",
       "Formatting /home/\xD0\x94\xD0\xBE\xD0\xBA/a.ws: 3"},
      {CodePage::cp1252, "Fu\xDF \xD0\x94 \xE4", "Fu\xC3\x9F \xD0\x94 \xC3\xA4"},
      {CodePage::cp850, "\x84 /\xE2\x82\xAC/\xF0\x9F\x93\x81 \xC4",
       "\xC3\xA4 /\xE2\x82\xAC/\xF0\x9F\x93\x81 \xE2\x94\x80"},
      // Bytes that only begin a UTF-8 character, overlong forms and surrogates are code page.
      {CodePage::cp1252, "\xD0 \xC0\x80 \xED\xA0\x80",
       "\xC3\x90 \xC3\x80\xE2\x82\xAC "
       "\xC3\xAD\xC2\xA0\xE2\x82\xAC"},
      {CodePage::cp1252, "end \xE2\x82", "end \xC3\xA2\xE2\x80\x9A"},
  };
  for (const Case& c : cases) {
    Capture cap;
    platform::Console con(c.code_page, true, cap.sink());
    con.write(c.bytes);
    EXPECT_EQ(cap.out, c.shown) << c.bytes;
  }
}

TEST(Console, RawModeKeepsBytesAndProgressLineUsesCarriageReturn) {
  Capture cap;
  platform::Console con(CodePage::cp850, false, cap.sink());
  con.write("12 \x84");
  con.carriage_return();
  con.write("13 \x84");
  con.write_line();
  con.write_utf8("\xC3\xA4");
  EXPECT_EQ(cap.out, "12 \x84\r13 \x84\n\xC3\xA4");
  EXPECT_TRUE(cap.err.empty());

  // Control bytes pass unchanged when converting too.
  Capture conv;
  platform::Console con2(CodePage::cp850, true, conv.sink());
  con2.write("a\tb\a\b\r\n");
  EXPECT_EQ(conv.out, "a\tb\a\b\r\n");
}

TEST(Console, Utf8Decision) {
  struct Case {
    ConsoleMode mode;
    const char* lc_all;
    const char* lc_ctype;
    const char* lang;
    bool terminal;
    bool convert;
  } cases[] = {
      {ConsoleMode::automatic, nullptr, nullptr, "de_DE.UTF-8", false, true},
      {ConsoleMode::automatic, "", "", "en_US.utf8", true, true},
      {ConsoleMode::automatic, "C", nullptr, "de_DE.UTF-8", true, false},  // LC_ALL first
      {ConsoleMode::automatic, nullptr, "C.UTF-8", "C", false, true},
      {ConsoleMode::automatic, nullptr, nullptr, nullptr, true, true},    // unset, terminal
      {ConsoleMode::automatic, nullptr, nullptr, nullptr, false, false},  // unset, pipe
      {ConsoleMode::automatic, nullptr, nullptr, "de_DE.ISO-8859-1", true, false},
      {ConsoleMode::raw, nullptr, nullptr, "de_DE.UTF-8", true, false},
      {ConsoleMode::utf8, nullptr, nullptr, "C", false, true},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(platform::should_convert_to_utf8(c.mode, c.lc_all, c.lc_ctype, c.lang, c.terminal),
              c.convert)
        << (c.lang ? c.lang : "-") << " terminal " << c.terminal;
  }
}

TEST(Console, ExplicitSettingFromEnvironment) {
  std::optional<std::string> saved;
  if (const char* v = std::getenv("CORVINA_CONSOLE")) saved = v;
  ::setenv("CORVINA_CONSOLE", "RAW", 1);
  EXPECT_EQ(platform::console_mode_from_environment(), ConsoleMode::raw);
  ::setenv("CORVINA_CONSOLE", "utf8", 1);
  EXPECT_EQ(platform::console_mode_from_environment(), ConsoleMode::utf8);
  ::setenv("CORVINA_CONSOLE", "bogus", 1);
  EXPECT_EQ(platform::console_mode_from_environment(), ConsoleMode::automatic);
  if (saved)
    ::setenv("CORVINA_CONSOLE", saved->c_str(), 1);
  else
    ::unsetenv("CORVINA_CONSOLE");
}

TEST(Console, KeyWaitReturnsAtOnceWhenInputIsNotATerminal) {
  int fds[2];
  ASSERT_EQ(::pipe(fds), 0);
  ASSERT_EQ(::write(fds[1], "x", 1), 1);
  EXPECT_EQ(platform::wait_for_key(fds[0]), -1);
  // The pending byte was not consumed.
  char c = 0;
  EXPECT_EQ(::read(fds[0], &c, 1), 1);
  EXPECT_EQ(c, 'x');
  ::close(fds[0]);
  ::close(fds[1]);

  int null_fd = ::open("/dev/null", O_RDONLY);
  ASSERT_GE(null_fd, 0);
  EXPECT_EQ(platform::wait_for_key(null_fd), -1);
  ::close(null_fd);
}

TEST(Console, KeyReaderCanBeReplaced) {
  Capture cap;
  platform::Console con(CodePage::cp850, true, cap.sink());
  int calls = 0;
  con.set_key_reader([&] {
    ++calls;
    return 'k';
  });
  EXPECT_EQ(con.wait_key(), 'k');
  EXPECT_EQ(calls, 1);
}

}  // namespace

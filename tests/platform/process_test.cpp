// Program start without a shell: arguments reach the program exactly as given.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/process.h"

namespace {

TEST(ProcessTest, StartsAProgramAndReportsItsExitStatus) {
  platform::SpawnResult r = platform::start_program("/bin/true", {}, true);
  ASSERT_TRUE(r.ok()) << r.error;
  EXPECT_GT(r.pid, 0);
  EXPECT_EQ(platform::wait_program(r.pid), 0);

  r = platform::start_program("false", {}, true);  // searched on PATH
  ASSERT_TRUE(r.ok()) << r.error;
  EXPECT_EQ(platform::wait_program(r.pid), 1);
}

TEST(ProcessTest, MissingProgramIsAnErrorThatNamesIt) {
  for (const char* name :
       {"/bin/no-such-program-here", "no-such-program-on-path", "C:\\no\\such.exe"}) {
    const platform::SpawnResult r = platform::start_program(name, {"x"}, true);
    EXPECT_FALSE(r.ok()) << name;
    EXPECT_EQ(r.pid, 0) << name;
    EXPECT_NE(r.error.find(name), std::string::npos) << r.error;
  }
  EXPECT_FALSE(platform::start_program("", {}).ok());
  EXPECT_EQ(platform::wait_program(0), -1);
}

// test(1) compares its words: it exits 0 only when each argument arrived as one word, blanks,
// quotes, semicolons and "$" untouched, which a shell would have split or expanded.
TEST(ProcessTest, ArgumentsAreNeverInterpretedByAShell) {
  const std::vector<std::vector<std::string>> cases = {
      {"a b", "=", "a b"},     {"x;false", "=", "x;false"},
      {"$HOME", "=", "$HOME"}, {"\"q\"", "=", "\"q\""},
      {"*", "=", "*"},
  };
  for (const auto& args : cases) {
    const platform::SpawnResult r = platform::start_program("test", args, true);
    ASSERT_TRUE(r.ok()) << r.error;
    EXPECT_EQ(platform::wait_program(r.pid), 0) << args[0];
  }
  const platform::SpawnResult differ = platform::start_program("test", {"a b", "=", "a"}, true);
  ASSERT_TRUE(differ.ok());
  EXPECT_EQ(platform::wait_program(differ.pid), 1);
}

TEST(ProcessTest, SplitsParametersAsACommandLine) {
  struct Case {
    const char* text;
    std::vector<std::string> words;
  } cases[] = {
      {"", {}},
      {"  a  b ", {"a", "b"}},
      {"\"C:\\Program Files\\x.exe\" /F", {"C:\\Program Files\\x.exe", "/F"}},
      {"a\"b c\"d", {"ab cd"}},
      {"\"\"", {""}},
      {"\"say \"\"hi\"\"\"", {"say \"hi\""}},
      {"\"unclosed quote", {"unclosed quote"}},
      {"tab\tsep", {"tab", "sep"}},
  };
  for (const Case& c : cases) EXPECT_EQ(platform::split_command_line(c.text), c.words) << c.text;
}

}  // namespace

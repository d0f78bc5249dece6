// The compiled help: a page for every topic number the program shows, titled as the panel
// table names it, and the topic opened by the desktop's opener or printed without a desktop.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <thread>

#include "formatter/common/file_services.h"
#include "formatter/common/help_lookup.h"
#include "formatter/common/help_viewer.h"
#include "formatter/common/message_boxes.h"
#include "tests/support/formatter_unit_support.h"

namespace tavrel {
namespace {

namespace fs = std::filesystem;
using unit_test::ReadAll;
using unit_test::TempDir;
using unit_test::WriteAll;

// Sets an environment variable for one test and puts the old value back.
class ScopedVariable {
 public:
  ScopedVariable(const char* name, std::optional<std::string> value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    if (value)
      ::setenv(name, value->c_str(), 1);
    else
      ::unsetenv(name);
  }
  ~ScopedVariable() {
    if (old_)
      ::setenv(name_, old_->c_str(), 1);
    else
      ::unsetenv(name_);
  }

 private:
  const char* name_;
  std::optional<std::string> old_;
};

// Topic numbers written as literals where the program shows help, found in the sources so
// that a topic added there without a page fails here.
std::set<int> TopicNumbersInSources() {
  const std::regex call(R"((?:ShowHelpTopic|ShowHelp)\((\d+)\))");
  // The settings notebook gives each page's "?" button its topic as AddPage's last argument.
  const std::regex page(R"(AddPage\([^;]*?,\s*(\d+)\))");
  std::set<int> numbers;
  for (const auto& entry :
       fs::recursive_directory_iterator(fs::path(CORVINA_SOURCE_DIR) / "formatter")) {
    if (entry.path().extension() != ".cpp") continue;
    const std::string text = ReadAll(entry.path());
    for (const std::regex* r : {&call, &page})
      for (std::sregex_iterator m(text.begin(), text.end(), *r), end; m != end; ++m)
        numbers.insert(std::stoi((*m)[1]));
  }
  return numbers;
}

// Topics the dialogs give from tables rather than literals: the dot-command dialog ("?" 20,
// its categories' topics) and the graphics-file dialog (23).
const std::set<int> kTableTopics = {20, 23, 31, 36, 40, 41, 43, 47, 49, 50,
                                    51, 52, 53, 57, 58, 59, 61, 70, 75, 85};

std::string PageTitle(const std::string& page) {
  const std::string html = ReadAll(page);
  const std::size_t open = html.find("<title>");
  const std::size_t close = html.find("</title>");
  if (open == std::string::npos || close == std::string::npos) return "(no title)";
  std::string title = html.substr(open + 7, close - open - 7);
  const std::size_t colon = title.find(": ");  // "<document title>: <heading>"
  if (colon != std::string::npos) title.erase(0, colon + 2);
  while (!title.empty() && title.back() == ' ') title.pop_back();
  return title;
}

HelpFiles BuiltHelp(std::uint8_t language, MessageBoxes* boxes) {
  HelpFiles help;
  help.ProgramDirectory = TAVREL_BUILD_DIR;
  help.Language = language;
  help.Boxes = boxes;
  return help;
}

TEST(HelpPagesTest, SourcesShowTheTopicsOfTheMenusAndWindows) {
  // Guards the search itself: a pattern that no longer matches would make the next test empty.
  const std::set<int> found = TopicNumbersInSources();
  for (int n : {3, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 21, 24})
    EXPECT_TRUE(found.count(n)) << "topic " << n << " not found in the sources";
}

TEST(HelpPagesTest, EveryTopicHasAPageInBothLanguagesTitledAsThePanelTable) {
  RecordingMessageBoxes boxes;
  HelpFiles english = BuiltHelp(0, &boxes);
  HelpFiles german = BuiltHelp(1, &boxes);
  std::set<int> topics = TopicNumbersInSources();
  topics.insert(kTableTopics.begin(), kTableTopics.end());
  // The dot-command help list names its topics through the panel table: each needs a page too.
  LookUpPanelNumber(english, std::string());
  for (const HelpFiles::Panel& p : english.Panels) topics.insert(p.Number);
  // Context 0 (the editor's help code) is the contents page, checked as topic 11.
  topics.erase(0);
  EXPECT_EQ(HelpTopicPage(english, 0), HelpTopicPage(english, 11));
  for (int n : topics) {
    std::string name;
    for (const HelpFiles::Panel& p : english.Panels)
      if (p.Number == n) name = p.Name;
    EXPECT_FALSE(name.empty()) << "topic " << n << " has no entry in tavdoc-e.pan";
    const std::string page = HelpTopicPage(english, n);
    ASSERT_TRUE(fs::exists(page)) << page;
    // The panel table keeps 30 characters of a name.
    EXPECT_EQ(PageTitle(page).substr(0, 30), name) << page;
    EXPECT_EQ(LookUpPanelNumber(english, name), n) << name;
    const std::string germanPage = HelpTopicPage(german, n);
    ASSERT_TRUE(fs::exists(germanPage)) << germanPage;
    EXPECT_NE(PageTitle(germanPage), "(no title)") << germanPage;
  }
  EXPECT_TRUE(boxes.Boxes().empty());
}

TEST(HelpPagesTest, GermanPagesAreGermanAndKeepTheirUmlauts) {
  HelpFiles german = BuiltHelp(1, nullptr);
  struct Case {
    int number;
    const char* title;
  } cases[] = {{3, "Einf&uuml;hrung"},
               {10, "Hauptfenster"},
               {24, "Info- und Fehlermeldungen"},
               {15, "Silbentrennung"},
               {70, "Fu&szlig;noten, Endnoten, Randnoten"}};
  for (const Case& c : cases) EXPECT_EQ(PageTitle(HelpTopicPage(german, c.number)), c.title);
}

TEST(HelpPagesTest, PagePathFollowsTheLanguageAndTopicZeroIsTheContents) {
  HelpFiles help;
  help.ProgramDirectory = "/opt/corvina dir";
  EXPECT_EQ(HelpTopicPage(help, 24), "/opt/corvina dir/help/tavhelp-e/topic24.html");
  EXPECT_EQ(HelpTopicPage(help, 0), "/opt/corvina dir/help/tavhelp-e/topic11.html");
  help.Language = 1;
  EXPECT_EQ(HelpTopicPage(help, 3), "/opt/corvina dir/help/tavhelp-g/topic3.html");
}

// A program folder with one page and a PATH holding a stand-in "xdg-open" that writes its
// arguments, one a line, to a file.
class HelpOpenerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directories(program_.Path() / "help" / "tavhelp-e");
    WriteAll(page_, "<html><title>Help: Fonts</title></html>");
    WriteAll(program_ / "tavdoc-e.pan", "  Fonts = 31;\r\n  Print = 14;\r\n");
    const std::string opener = bin_ / "xdg-open";
    WriteAll(opener, "#!/bin/sh\nprintf '%s\\n' \"$@\" > \"" + record_ + ".part\"\nmv \"" +
                         record_ + ".part\" \"" + record_ + "\"\n");
    ::chmod(opener.c_str(), 0755);
    help_.ProgramDirectory = program_.Path().string();
  }

  // The stand-in runs in its own process: wait for its record (or give up after a while).
  std::string Recorded() {
    for (int i = 0; i < 500 && !fs::exists(record_); ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    return fs::exists(record_) ? ReadAll(record_) : "(xdg-open not started)";
  }

  TempDir program_{"corvina help dir"};
  TempDir bin_;
  const std::string page_ = program_ / "help/tavhelp-e/topic31.html";
  const std::string record_ = bin_ / "arguments";
  HelpFiles help_;
  ScopedVariable path_{"PATH", bin_.Path().string() + ":/usr/bin:/bin"};
};

TEST_F(HelpOpenerTest, WithADisplayTheOpenerGetsThePageAsOneArgument) {
  for (const char* variable : {"DISPLAY", "WAYLAND_DISPLAY"}) {
    fs::remove(record_);
    ScopedVariable x11("DISPLAY", std::nullopt);
    ScopedVariable wayland("WAYLAND_DISPLAY", std::nullopt);
    ScopedVariable display(variable, ":7");
    std::ostringstream out;
    EXPECT_EQ(ShowHelpTopic(help_, 31, out), "") << variable;
    EXPECT_EQ(out.str(), "") << variable;
    // The blanks of the program folder stay inside the one argument.
    EXPECT_EQ(Recorded(), page_ + "\n") << variable;
  }
}

TEST_F(HelpOpenerTest, FallsBackToTheTopicLine) {
  struct Case {
    const char* what;
    std::optional<std::string> display;
    int number;
    bool openerThere;
    const char* line;
  } cases[] = {
      {"no display", std::nullopt, 31, true, "Help topic 31: Fonts"},
      {"empty display", "", 31, true, "Help topic 31: Fonts"},
      {"no page for the topic", ":7", 14, true, "Help topic 14: Print"},
      {"no opener on PATH", ":7", 31, false, "Help topic 31: Fonts"},
  };
  for (const Case& c : cases) {
    fs::remove(record_);
    ScopedVariable x11("DISPLAY", c.display);
    ScopedVariable wayland("WAYLAND_DISPLAY", std::nullopt);
    std::optional<ScopedVariable> path;
    if (!c.openerThere) path.emplace("PATH", program_.Path().string());
    std::ostringstream out;
    EXPECT_EQ(ShowHelpTopic(help_, c.number, out), c.line) << c.what;
    EXPECT_EQ(out.str(), std::string(c.line) + "\n") << c.what;
  }
  EXPECT_FALSE(fs::exists(record_));  // the stand-in never ran
}

}  // namespace
}  // namespace tavrel

// The index page, beside its golden pages in the writers' golden tests: the extended index
// and the entries of frame groups.
#include <gtest/gtest.h>

#include <string>

#include "compiler/writers/index_pages.h"
#include "tests/support/compiler_test_support.h"

using namespace skeldon;

namespace {

// The letter bar and the letter headings appear from the setting's value on; contents.src
// lists 11 internal entries (the URL entry does not count).
TEST(IndexPage, ExtendedIndexFromTheThresholdOn) {
  struct Case {
    std::int32_t setting;
    bool extended;
  } cases[] = {{0, true}, {10, true}, {11, true}, {12, false}};
  for (const Case& c : cases) {
    TestRun t("html");
    t->Ini.ExtendedIndexEntries = c.setting;
    t.Load(corvina_test::ReadFile(DataFile("contents.src")));
    RunPrepasses(*t);
    t->Passes.OutputFile.clear();
    WriteIndexPage(*t);
    const std::string& out = t->Passes.OutputFile;
    EXPECT_EQ(out.rfind("<font size=5><a href=\"#ix-A\">A</a> ", 0) == 0, c.extended) << c.setting;
    EXPECT_EQ(out.find("<a name=\"ix-Z\">Z</a>") != std::string::npos, c.extended) << c.setting;
    EXPECT_NE(out.find(c.extended ? ">ebra</a>" : ">Zebra</a>"), std::string::npos) << c.setting;
  }
}

// An entry filed under a heading that opened a frame group links to the group's page
// without an anchor, in the HTML index and in the HTML Help index.
TEST(IndexPage, FrameGroupHeadingHasNoAnchor) {
  for (const char* target : {"html", "htmlhelp"}) {
    TestRun t(target);
    t->Ini.ExtendedIndexEntries = 100;
    t.Load(".1\r\nFirst\r\n.WA\r\n.1\r\nGroup\r\n.IN grouped\r\n.2\r\nInside\r\n.IN inner\r\n");
    RunPrepasses(*t);
    t->Passes.OutputFile.clear();
    WriteIndexPage(*t);
    const std::string& out = t->Passes.OutputFile;
    if (std::string(target) == "html") {
      EXPECT_NE(out.find("<a href=\"N001.HTML\">grouped</a>"), std::string::npos) << out;
      EXPECT_NE(out.find("<a href=\"N002.HTML#hd3\">inner</a>"), std::string::npos) << out;
    } else {
      EXPECT_NE(out.find("<param name=\"Local\" value=\"N001.HTML\">"), std::string::npos) << out;
      EXPECT_NE(out.find("<param name=\"Local\" value=\"N002.HTML#hd3\">"), std::string::npos)
          << out;
    }
  }
}

// Every link to an anchor of the index itself must find that anchor in the same file: the
// HTML Help index holds no letter headings, so it gets no letter bar either.
TEST(IndexPage, LetterBarLinksResolveInTheirOwnFile) {
  for (const char* target : {"html", "htmlhelp"}) {
    TestRun t(target);
    t->Ini.ExtendedIndexEntries = 0;
    t.Load(corvina_test::ReadFile(DataFile("contents.src")));
    RunPrepasses(*t);
    t->Passes.OutputFile.clear();
    WriteIndexPage(*t);
    const std::string& out = t->Passes.OutputFile;
    std::size_t links = 0;
    for (std::size_t at = out.find("href=\"#"); at != std::string::npos;
         at = out.find("href=\"#", at + 1)) {
      const std::size_t start = at + 7;
      const std::string anchor = out.substr(start, out.find('"', start) - start);
      EXPECT_NE(out.find("name=\"" + anchor + "\""), std::string::npos)
          << target << ": #" << anchor;
      ++links;
    }
    // The HTML page keeps its letter bar; the links above were really checked there.
    if (std::string(target) == "html") {
      EXPECT_NE(links, 0u);
    }
  }
}

}  // namespace

// Job I: the contents document and the PDF outline.
#include <gtest/gtest.h>

#include <algorithm>

#include "formatter/derived/contents_run.h"
#include "platform/printers.h"
#include "tests/formatter_derived/derived_fixture.h"

namespace tavrel::testing {
namespace {

using namespace std::string_literals;

class ContentsRunTest : public DerivedFixture {
 protected:
  void SetUp() override {
    DerivedFixture::SetUp();
    std::filesystem::copy_file(std::filesystem::path(CORVINA_SOURCE_DIR) / "data" / "Headings.ws",
                               dir_ / "Headings.ws");
    settings_.ContentsCtOnly = 0;
  }

  DerivedJobResult RunJob(const std::string& document) {
    DerivedJobInput input{settings_, (dir_ / document).string(), context_};
    return MakeDerivedDocument('I', input, Messages());
  }

  // Job I over a formatted text given as it stands.
  DerivedJobResult RunOn(const std::string& fmt) {
    WriteFileBytes(dir_ / "t.fmt", fmt);
    return RunJob("t.ws");
  }

  std::string Toc() { return ReadFileBytes(dir_ / "t.toc"); }

  DerivedContext context_;
};

// Contents lines with "|" standing for the byte 0 before the page number.
std::string N(std::string text) {
  std::replace(text.begin(), text.end(), '|', '\0');
  return text;
}

const std::string kHeader = ".SFC\r\n.EP OFF\r\n.RF57\r\n.BL OFF\r\n\r\n\r\n";
const std::string kTrailer = ".RM60\r\n.BL\r\n.EP ON\r\n";

// A document with headings on three levels, formatted and then its contents derived.
TEST_F(ContentsRunTest, ChaptersGiveTheReviewedContentsAndOutline) {
  settings_.PsWithContents = 1;
  FormatDocument(CopyData("chapters.ws"));
  const DerivedJobResult r = RunJob("chapters.ws");
  ASSERT_FALSE(r.Failed);
  EXPECT_EQ(r.Input, (dir_ / "chapters.fmt").string());
  EXPECT_EQ(r.Entries, 8);
  EXPECT_EQ(r.Pages, 3);
  ExpectDerivedGolden("chapters.toc", ReadFileBytes(dir_ / "chapters.toc"));
  ExpectDerivedGolden("chapters.ps_cnt", ReadFileBytes(dir_ / "chapters.ps_cnt"));
  EXPECT_EQ(notifier_.WithCode(MN_HEADINGS_SCAN_PAGE),
            (std::vector<RecordingNotifier::Entry>{{false, MN_HEADINGS_SCAN_PAGE, 2},
                                                   {false, MN_HEADINGS_SCAN_PAGE, 3}}));
  EXPECT_EQ(context_.LastContentsPageCount, 3);

  // The contents document formats like any document.
  run_ = MakeRun();
  run_->Run.ContentsMode = true;
  FormatFile(*run_, (dir_ / "chapters.ws").string());
  EXPECT_EQ(run_->Messages.ErrorCount, 0);
  const std::string formatted = ReadFileBytes(dir_ / "chapters.toc");
  EXPECT_NE(formatted.find("Why (and how)"), std::string::npos) << Readable(formatted);
  EXPECT_NE(formatted.find("Summary"), std::string::npos);
}

TEST_F(ContentsRunTest, MarkedLinesAndSwitches) {
  struct Case {
    const char* what;
    std::string fmt;
    std::string toc;  // empty: the header and trailer around `entries`
    std::string entries;
  };
  const Case cases[] = {
      {"CT alone marks the next line", ".CT\r\nIntroduction\r\nText.\r\n", "",
       N("Introduction|1\r\n")},
      {"CT with an argument is the entry", ".CT Preface\r\nText.\r\n", "", N("Preface|1\r\n")},
      {"EP OFF suppresses the entries", ".EP OFF\r\n.CT Preface\r\n1.\xA0One\r\n", kTrailer, ""},
      {"EP ON takes them up again", ".EP OFF\r\n.CT Preface\r\n.EP ON\r\n.CT Index\r\n", "",
       N("Index|1\r\n")},
      {"OC ON takes every non-empty line until OC OFF",
       ".OC ON\r\nfirst line\r\n\r\nsecond line\r\n.OC OFF\r\nthird line\r\n", "",
       N("\r\nfirst line|1\r\n\r\nsecond line|1\r\n")},
      {"OC without argument does nothing", ".OC\r\nfirst line\r\n", kTrailer, ""},
      {"GL alone marks the next line", ".GL\r\nAppendix\r\n", "", N("Appendix|1\r\n")},
      {"a run without entries writes only the trailer", "Just text.\r\nMore.\r\n", kTrailer, ""},
      {"a heading takes the title column", "2.\xA0Methods\r\n", "",
       N("\r\n2.\xA0\xA0\xA0\xA0\xA0\xA0Methods|1\r\n")},
      {"underscore as blank, double line as single, controls dropped",
       "1.\xA0"
       "A_B\xCD\x02!\r\n",
       "",
       N("\r\n1.\xA0\xA0\xA0\xA0\xA0\xA0"
         "A B\xC4!|1\r\n")},
      {"lines that are no headings", "123. Not\r\nb. Not\r\n2 Not\r\nAB. Not\r\n", kTrailer, ""},
  };
  for (const Case& c : cases) {
    const DerivedJobResult r = RunOn(c.fmt);
    EXPECT_FALSE(r.Failed) << c.what;
    const std::string expected = c.toc.empty() ? kHeader + c.entries + kTrailer : c.toc;
    EXPECT_EQ(Toc(), expected) << c.what << "\n" << Readable(Toc());
  }
}

TEST_F(ContentsRunTest, SettingsShapeTheDocument) {
  settings_.ContentsCtOnly = 1;
  RunOn("1.\xA0One\r\n.CT Two\r\n");
  EXPECT_EQ(Toc(), kHeader + N("Two|1\r\n") + kTrailer);

  settings_.ContentsCtOnly = 0;
  settings_.ContentsPageNumbers = 1;
  settings_.ContentsBoldHeadings = 1;
  settings_.Language = 1;
  RunOn(".CT Zwei\r\n");
  EXPECT_EQ(
      Toc(),
      ".SFC\r\n.SFC\r\n.EP AUS\r\n.RF57\r\n.FL\r\n\r\n\r\nZwei\r\n.RM60\r\n.BL\r\n.EP EIN\r\n");
}

// CI takes the font lines, the right margin and the title column seen so far.
TEST_F(ContentsRunTest, ContentsIndentTakesTheDocumentsValues) {
  RunOn(".SFH\r\n.SBH\"\r\n.RM 50\r\n.CI 3\r\n1.\xA0One\r\n");
  EXPECT_EQ(Toc(), N(".SFH\r\n.EP OFF\r\n.RF47\r\n.BL OFF\r\n\r\n\r\n\r\n1.\xA0\xA0One|1\r\n") +
                       ".RM50\r\n.BL\r\n.EP ON\r\n");
}

TEST_F(ContentsRunTest, PagesAreCountedAsTheyFall) {
  // 16 lines of 8/48 inch on a page of the default template (66 - 3 - 8 lines): after 55 lines
  // the next starts page 2
  settings_.PageTemplateIndex = 0;
  std::string fmt;
  for (int i = 0; i < 55; ++i) fmt += "line\r\n";
  fmt +=
      "2.\xA0Second\r\n.PA\r\n3.\xA0Third\r\n.PN 10\r\n4.\xA0"
      "Fourth\r\n.LH 16\r\n.PN F\r\n5.\xA0"
      "Fifth\r\n";
  context_.LastContentsPageCount = 41;
  RunOn(fmt);
  const std::string toc = Toc();
  for (const std::string& entry :
       {N("Second|2\r\n"), N("Third|3\r\n"), N("Fourth|10\r\n"), N("Fifth|42\r\n")})
    EXPECT_NE(toc.find(entry), std::string::npos) << entry << "\n" << Readable(toc);
}

TEST_F(ContentsRunTest, HeadingAnalysis) {
  struct Case {
    const char* line;
    bool heading;
    NumberingStyle style;
  };
  const Case cases[] = {
      {"2. Title", true, {4, 2, true}},
      {"12.3 Title", true, {4, 2, false}},
      {"IV. Title", true, {3, 2, true}},
      {"B. Title", true, {2, 2, true}},
      {"123. Title", false, {4, 2, true}},
      {"b. Title", false, {1, 2, true}},
      {"2 Title", false, {4, 1, true}},
      {"\x02"
       "1.\xA0Title",
       true,
       {4, 2, false}},
      {".:3. Title", true, {4, 2, true}},
      {"XVIIIIII. Title", false, {3, 2, true}},
      {"VIIIIII. Title", true, {3, 2, true}},
      {"", false, {0, 0, false}},
      {"                        1. Late", false, {0, 2, true}},
  };
  for (const Case& c : cases) {
    const HeadingAnalysis a = AnalyseHeadingLine(c.line);
    EXPECT_EQ(a.Heading, c.heading) << c.line;
    EXPECT_EQ(a.Style, c.style) << c.line;
  }
}

TEST_F(ContentsRunTest, OutlineCountsDirectChildren) {
  struct Case {
    std::vector<std::string> numbers;
    std::vector<int> counts;
  };
  const Case cases[] = {
      {{"1.", "1.1", "1.2", "2."}, {2, 0, 0, 0}},
      {{"1.", "1.1", "1.1.1", "1.1.2", "1.2", "2.", "2.1"}, {2, 2, 0, 0, 0, 1, 0}},
      {{"", "1.", "1.1"}, {0, 1, 0}},
      {{"1.", "", "1.1"}, {0, 0, 0}},
      {{"9.", "10.", "10.1"}, {0, 1, 0}},
      {{"9", "10", "10.1.", "10.2.", "11."}, {0, 2, 0, 0, 0}},
  };
  for (const Case& c : cases) {
    std::vector<OutlineEntry> entries;
    for (const std::string& n : c.numbers) entries.push_back({"t", n, 1, 0});
    CountOutlineChildren(entries);
    std::vector<int> counts;
    for (const OutlineEntry& e : entries) counts.push_back(e.Count);
    EXPECT_EQ(counts, c.counts) << c.numbers.size();
  }
}

TEST_F(ContentsRunTest, OutlineTitlesAreEscapedAndConverted) {
  const std::vector<OutlineEntry> entries = {{"(a) \\ b)", "1.", 3, 2},
                                             {"\x84rger \x9A"
                                              "ber",
                                              "", 4, 0}};
  EXPECT_EQ(OutlineFileText(entries),
            "[/Count 2 /Page 3 /View [/XYZ null null null] /Title (1. \\(a\\) \\\\ b\\)) /OUT "
            "pdfmark\r\n"
            "[/Page 4 /View [/XYZ null null null] /Title (\xE4rger \xDC"
            "ber) /OUT pdfmark\r\n");
}

TEST_F(ContentsRunTest, BadInputEndsCleanly) {
  // missing formatted file
  DerivedJobResult r = RunJob("none.ws");
  EXPECT_TRUE(r.Failed);
  ASSERT_FALSE(MessageLines().empty());
  EXPECT_NE(MessageLines().back().find("interrupted"), std::string::npos);

  // a dot command without its number
  settings_.PsWithContents = 1;
  r = RunOn("1.\xA0One\r\n.LH\r\n2.\xA0Two\r\n");
  EXPECT_TRUE(r.Failed);
  EXPECT_FALSE(std::filesystem::exists(dir_ / "t.ps_cnt"));
  const std::vector<std::string> lines = MessageLines();
  EXPECT_NE(std::find(lines.begin(), lines.end(), "ERROR: Error page 1Number required after .LH"),
            lines.end());
  r = RunOn(".PL 1.2.3\r\n");
  EXPECT_TRUE(r.Failed);
}

TEST_F(ContentsRunTest, LongHeadingsAndManyHeadingsAreKept) {
  settings_.PsWithContents = 1;
  const std::string title(400, 'w');
  std::string fmt = "1.\xA0" + title + "\r\n";
  for (int i = 0; i < 10000; ++i)
    fmt +=
        "9.\xA0"
        "H" +
        std::to_string(i) + "\r\n";
  const DerivedJobResult r = RunOn(fmt);
  ASSERT_FALSE(r.Failed);
  EXPECT_EQ(r.Entries, 10001);
  const std::string toc = Toc();
  EXPECT_NE(toc.find(title + '\0'), std::string::npos);
  const std::string outline = ReadFileBytes(dir_ / "t.ps_cnt");
  EXPECT_NE(outline.find("(1. " + title + ")"), std::string::npos);
  EXPECT_NE(outline.find("(9. H9999) /OUT pdfmark\r\n"), std::string::npos);
}

TEST_F(ContentsRunTest, UserStopLeavesNoTrailerAndNoOutline) {
  settings_.PsWithContents = 1;
  Messages();
  messages_->UserStop = 1;
  WriteFileBytes(dir_ / "t.fmt", ".CT One\r\n.CT Two\r\n");
  DerivedJobInput input{settings_, (dir_ / "t.ws").string(), context_};
  const DerivedJobResult r = MakeDerivedDocument('I', input, *messages_);
  EXPECT_TRUE(r.Stopped);
  EXPECT_EQ(Toc(), kHeader + N("One|1\r\n"));
  EXPECT_FALSE(std::filesystem::exists(dir_ / "t.ps_cnt"));
}

// The outline file appended to a three-page PostScript file, as the print thread appends it:
// Ghostscript makes a PDF whose outline qpdf reads back with the levels and target pages.
TEST_F(ContentsRunTest, GhostscriptBuildsThePdfOutline) {
  if (platform::run_program({"gs", "--version"}) != 0 ||
      platform::run_program({"qpdf", "--version"}) != 0)
    GTEST_SKIP() << "Ghostscript or qpdf is not installed";
  settings_.PsWithContents = 1;
  FormatDocument(CopyData("chapters.ws"));
  ASSERT_FALSE(RunJob("chapters.ws").Failed);
  std::string ps = "%!PS-Adobe-3.0\n";
  for (int page = 1; page <= 3; ++page)
    ps += "/Helvetica findfont 12 scalefont setfont 72 720 moveto (Page " + std::to_string(page) +
          ") show showpage\n";
  ps += ReadFileBytes(dir_ / "chapters.ps_cnt");
  WriteFileBytes(dir_ / "book.ps", ps);
  const std::string pdf = (dir_ / "book.pdf").string(), json = (dir_ / "outline.json").string();
  ASSERT_EQ(platform::run_program({"gs", "-q", "-dNOPAUSE", "-dBATCH", "-dSAFER",
                                   "-sDEVICE=pdfwrite", "-o", pdf, (dir_ / "book.ps").string()}),
            0);
  std::string json_text;
  ASSERT_EQ(platform::run_program({"qpdf", "--json=2", "--json-key=outlines", pdf}, &json_text), 0);
  WriteFileBytes(json, json_text);
  // level, target page and title of every outline item, parents before their children
  const std::string walk =
      "import json,sys\n"
      "def walk(items, level):\n"
      "  for i in items:\n"
      "    print(level, i['destpageposfrom1'], i['title'])\n"
      "    walk(i['kids'], level + 1)\n"
      "walk(json.load(open(sys.argv[1]))['outlines'], 0)\n";
  std::string listing;
  ASSERT_EQ(platform::run_program({"python3", "-c", walk, json}, &listing), 0);
  EXPECT_EQ(listing,
            "0 1 1. Introduction\n"
            "1 1 1.1. Why (and how)\n"
            "1 1 1.2. A path C:\\dir\n"
            "2 1 1.2.1 Deep level\n"
            "0 2 2. Results\n"
            "1 2 2.1. Tables\n"
            "0 3 Closing words\n"
            "0 3 3. Summary\n");
}

// The arranged text (".taf") holds the pages as printed, so the contents come from it when it
// exists.
TEST_F(ContentsRunTest, ArrangedTextIsPreferred) {
  WriteFileBytes(dir_ / "t.fmt",
                 "1.\xA0"
                 "From fmt\r\n");
  WriteFileBytes(dir_ / "t.taf",
                 "line\r\n.PA\r\n1.\xA0"
                 "From taf\r\n");
  const DerivedJobResult r = RunJob("t.ws");
  EXPECT_EQ(r.Input, (dir_ / "t.taf").string());
  EXPECT_EQ(Toc(), kHeader +
                       N("\r\n1.\xA0\xA0\xA0\xA0\xA0\xA0"
                         "From taf|2\r\n") +
                       kTrailer);
}

}  // namespace
}  // namespace tavrel::testing

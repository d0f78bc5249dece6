// Output file names, URL tests, lower-case tables and the small text helpers.
#include <gtest/gtest.h>

#include "compiler/foundation/file_names.h"
#include "compiler/foundation/foundation_run.h"
#include "tests/support/compiler_test_run.h"

using namespace skeldon;

namespace {

struct ExtensionCase {
  const char* Name;
  const char* Extension;
  const char* Expected;
};

TEST(FileNames, SetFileExtension) {
  const ExtensionCase cases[] = {
      {"MANUAL", "HHC", "MANUAL.HHC"},
      {"A.TXT", "HHK", "A.HHK"},
      {"NAME.", "X", "NAME.X"},
      {"a.b.c", "X", "a.b.X"},
      {"", "INI", ".INI"},
      // Only the file-name part's dot counts: a dot in a directory name is left alone.
      {"C:\\DOC.V2\\MANUAL", "HHC", "C:\\DOC.V2\\MANUAL.HHC"},
      {"C:\\DOC.V2\\MANUAL.TXT", "HHC", "C:\\DOC.V2\\MANUAL.HHC"},
      {"/home/u/doc.v2/manual", "INI", "/home/u/doc.v2/manual.INI"},
      {"dir.d/", "X", "dir.d/.X"},
  };
  for (const ExtensionCase& c : cases) {
    EXPECT_EQ(SetFileExtension(c.Name, c.Extension), c.Expected) << c.Name;
  }
  // A long name is never cut: the cut name would be another file.
  EXPECT_EQ(SetFileExtension(std::string(300, 'a'), "INI"), std::string(300, 'a') + ".INI");
}

TEST(FileNames, FileNamePart) {
  EXPECT_EQ(FileNamePart("C:\\A\\B.TXT"), "B.TXT");
  EXPECT_EQ(FileNamePart("B.TXT"), "B.TXT");
  EXPECT_EQ(FileNamePart("/home/a/b.txt"), "b.txt");
  EXPECT_EQ(FileNamePart("C:B.TXT"), "C:B.TXT");
  EXPECT_EQ(FileNamePart("dir\\"), "");
  EXPECT_EQ(FileNamePart(std::string(300, 'x')), std::string(199, 'x'));
}

TEST(FileNames, UrlTestsCompareSmallLettersAtTheStart) {
  struct UrlCase {
    const char* Text;
    bool Network;
    bool Special;
  };
  const UrlCase cases[] = {
      {"http://a", true, false},  {"https://a", true, false},  {"ftp://a", true, false},
      {"gopher:x", true, false},  {"wais:x", true, false},     {"news:x", true, false},
      {"file:///a", false, true}, {"mailto:a@b", false, true}, {"javascript:f()", false, true},
      {"HTTP://a", false, false}, {"Mailto:a", false, false},  {" http://a", false, false},
      {"http", false, false},     {"", false, false},          {"index.html", false, false},
  };
  for (const UrlCase& c : cases) {
    EXPECT_EQ(IsNetworkUrl(c.Text), c.Network) << c.Text;
    EXPECT_EQ(IsSpecialUrl(c.Text), c.Special) << c.Text;
  }
}

TEST(FileNames, LowerCaseTables) {
  // Code page 850: ASCII and 26 accented capitals; 80, D1, DE and E8 stay.
  TByteMap expected{};
  for (int c = 0; c < 256; ++c) expected[c] = static_cast<std::uint8_t>(c);
  for (int c = 'A'; c <= 'Z'; ++c) expected[c] = static_cast<std::uint8_t>(c + 32);
  const int pairs[][2] = {{0x8E, 0x84}, {0x8F, 0x86}, {0x90, 0x82}, {0x92, 0x91}, {0x99, 0x94},
                          {0x9A, 0x81}, {0x9D, 0x9B}, {0xA5, 0xA4}, {0xB5, 0xA0}, {0xB6, 0x83},
                          {0xB7, 0x85}, {0xC7, 0xC6}, {0xD2, 0x88}, {0xD3, 0x89}, {0xD4, 0x8A},
                          {0xD6, 0xA1}, {0xD7, 0x8C}, {0xD8, 0x8B}, {0xE0, 0xA2}, {0xE2, 0x93},
                          {0xE3, 0x95}, {0xE5, 0xE4}, {0xE9, 0xA3}, {0xEA, 0x96}, {0xEB, 0x97},
                          {0xED, 0xEC}};
  for (const auto& p : pairs) expected[p[0]] = static_cast<std::uint8_t>(p[1]);
  TByteMap ibm{};
  BuildIbmLowerCaseTable(ibm);
  EXPECT_EQ(ibm, expected);
  for (int same : {0x80, 0xD1, 0xDE, 0xE8}) EXPECT_EQ(ibm[same], same);

  TByteMap iso{};
  BuildIsoLowerCaseTable(iso);
  for (int c = 0; c < 256; ++c) {
    const bool capital = (c >= 'A' && c <= 'Z') || (c >= 0xC0 && c <= 0xDE);
    EXPECT_EQ(iso[c], capital ? c + 32 : c) << c;
  }
  EXPECT_EQ(iso[0xD7], 0xF7);  // the multiplication sign becomes the division sign
  EXPECT_EQ(iso[0xDF], 0xDF);
}

TEST(FileNames, CharacterHelpers) {
  EXPECT_EQ(StripHighBit(0xC1), 0x41);
  EXPECT_TRUE(IsDigitChar('0'));
  EXPECT_TRUE(IsDigitChar('9'));
  EXPECT_FALSE(IsDigitChar('A'));
  EXPECT_EQ(DigitValue('7'), 7);
  EXPECT_EQ(DigitValue('A'), 17);  // unchecked
  std::string out;
  WriteOutputChar(out, 'a');
  WriteOutputChar(out, 0x1A);
  WriteOutputChar(out, 0);
  EXPECT_EQ(out, std::string("a\0", 2));
  EXPECT_EQ(CutText("abcdef", 3), "abc");
  EXPECT_EQ(CutText("ab", 3), "ab");
}

TEST(FileNames, WriteCodePageText) {
  FoundationTestRun r(ProgramStartRun());
  std::string out;
  WriteCodePageText(*r, out, "\"\x84\x9A\"", true);
  EXPECT_EQ(out, "'\xE4\xDC'");
  out.clear();
  WriteCodePageText(*r, out, "\"\x84\"", false);
  EXPECT_EQ(out, "\"\xE4\"");
  r->Ini.SourceIsIso = true;
  out.clear();
  WriteCodePageText(*r, out, "\"\xE4\"", true);
  EXPECT_EQ(out, "\"\xE4\"");
}

struct NormalizeCase {
  const char* Name;
  bool CapitalFirst;
  bool CapitalOther;
  bool Fat;
  const char* Expected;
};

TEST(FileNames, NormalizeFileName) {
  const NormalizeCase cases[] = {
      {"x", true, true, false, "x"},
      {"http://Host/A.HTML", false, false, false, "http://Host/A.HTML"},
      {"mailto:Some.One", true, true, true, "mailto:Some.One"},
      {"MAILTO:Some.One", false, false, false, "mailto:some.one"},
      {"\x9A"
       "bersicht.HTML",
       false, false, false,
       "\x81"
       "bersicht.html"},
      {"\x81"
       "bersicht.html",
       false, false, true,
       "\x81"
       "BERSICHT.HTML"},
      {"index.HTML", true, false, false, "Index.html"},
      {"INDEX.html", false, true, false, "iNDEX.HTML"},
      // A capital first letter changes only ASCII letters; small letters use the table.
      {"\x8E"
       "rger.html",
       true, false, false,
       "\x8E"
       "rger.html"},
      {"\x8E"
       "RGER.HTML",
       false, false, false,
       "\x84"
       "rger.html"},
  };
  for (const NormalizeCase& c : cases) {
    FoundationTestRun r(ProgramStartRun());
    r->Ini.CapitalFirstLetter = c.CapitalFirst;
    r->Ini.CapitalOtherLetters = c.CapitalOther;
    r->Switches.FatFileNames = c.Fat;
    EXPECT_EQ(NormalizeFileName(*r, c.Name), c.Expected) << c.Name;
    EXPECT_EQ(r.Text(), "");
  }
}

TEST(FileNames, DosNameWarningOnEveryCallKeepsTheLongName) {
  struct WarnCase {
    const char* Extension;
    bool Dos;
    bool Fat;
    const char* Name;
    bool Warn;
  };
  const WarnCase cases[] = {
      {".HTM", true, false, "ABCDEFGHI.HTM", true},    // 13 characters
      {".HTM", true, false, "ABCDEFGH.HTM", false},    // 12 characters
      {".htm", false, true, "ABCDEFGHI.HTM", true},    // /fat alone
      {".HTM", false, false, "ABCDEFGHI.HTM", false},  // long names allowed
      {".HTML", true, true, "ABCDEFGHIJKLMNOP.HTML", false},
  };
  for (const WarnCase& c : cases) {
    FoundationTestRun r(ProgramStartRun());
    r->RunSuccess = true;
    r->FileNames.PageExtension = c.Extension;
    r->Ini.DosFileNames = c.Dos;
    r->Switches.FatFileNames = c.Fat;
    r->Ini.CapitalFirstLetter = r->Ini.CapitalOtherLetters = true;
    for (int call = 0; call < 2; ++call) EXPECT_EQ(NormalizeFileName(*r, c.Name), c.Name);
    const std::string warning = std::string("filename ") + c.Name + " exceeds 8.3 convention\n";
    std::size_t count = 0;
    for (std::size_t p = 0; (p = r.Text().find(warning, p)) != std::string::npos; ++p) ++count;
    EXPECT_EQ(count, c.Warn ? 2u : 0u) << c.Name << r.Text();
    EXPECT_EQ(r->RunSuccess, !c.Warn);
  }
  FoundationTestRun german(ProgramStartRun());
  german->Language = 1;
  german->FileNames.PageExtension = ".HTM";
  german->Ini.DosFileNames = true;
  NormalizeFileName(*german, "abcdefghi.htm");
  EXPECT_NE(german.Text().find("Dateiname abcdefghi.htm f\x81r DOS zu lang\n"), std::string::npos)
      << german.Text();
}

struct TopicCase {
  std::int16_t Number;
  bool Frame;
  std::uint8_t Kind;
  const char* Expected;
  const char* IdName;
};

TEST(FileNames, MakeTopicFileName) {
  // The whole name passes through the casing rule, the "F"/"T"/"N" suffix included, so with
  // small other letters it is written small; every link asks for the name here and agrees.
  const TopicCase cases[] = {
      {7, false, 0, "N007.html", ""},        {12, false, 0, "N012.html", ""},
      {123, false, 0, "N123.html", ""},      {1234, false, 0, "N1234.html", ""},
      {7, true, 0, "N007f.html", ""},        {7, false, 1, "N007t.html", ""},
      {7, false, 2, "N007n.html", ""},       {0, false, 0, "N000.html", ""},
      {20, false, 0, "Intro.html", "Intro"}, {20, true, 0, "N020f.html", ""},
      {20, false, 1, "N020t.html", ""},      {21, false, 0, "N021.html", ""},
  };
  FoundationTestRun r(ProgramStartRun());
  r->FileNames.PageExtension = ".html";
  r->Ini.CapitalFirstLetter = true;
  r->FileNames.IdMarkList = {{19, "Other"}, {20, "Intro"}, {20, "Second"}};
  // Asked again, a name made before gives the same name and the same .ID name left behind.
  for (int round = 0; round < 2; ++round)
    for (const TopicCase& c : cases) {
      r->FileNames.LastPageIdName = "stale";
      EXPECT_EQ(MakeTopicFileName(*r, c.Number, c.Frame, c.Kind), c.Expected) << c.Number;
      EXPECT_EQ(r->FileNames.LastPageIdName, c.IdName) << c.Number << " round " << round;
    }
  // A page extension cut short when the first page could not be made applies to later names.
  r->FileNames.PageExtension = ".htm";
  EXPECT_EQ(MakeTopicFileName(*r, 12, false, 0), "N012.htm");
  r->FileNames.PageExtension = ".html";
  // The prefix stands in front of both forms; the base is cut to 100 characters.
  r->Switches.PageNamePrefix = "man";
  EXPECT_EQ(MakeTopicFileName(*r, 5, false, 0), "Mann005.html");
  EXPECT_EQ(MakeTopicFileName(*r, 20, false, 0), "Manintro.html");
  r->Switches.PageNamePrefix.clear();
  r->Ini.CapitalOtherLetters = true;
  EXPECT_EQ(MakeTopicFileName(*r, 7, true, 0), "N007F.HTML");
  r->Ini.CapitalOtherLetters = false;
  r->FileNames.IdMarkList = {{3, std::string(120, 'a')}};
  EXPECT_EQ(MakeTopicFileName(*r, 3, false, 0), "A" + std::string(99, 'a') + ".html");
}

// A page name too long for DOS names is reported each time a link asks for it, not only the
// first time.
TEST(FileNames, TopicNameTooLongForDosIsReportedAtEachUse) {
  FoundationTestRun r(ProgramStartRun());
  r->FileNames.PageExtension = ".htm";
  r->Ini.DosFileNames = true;
  r->Switches.PageNamePrefix = "longprefix";
  EXPECT_EQ(MakeTopicFileName(*r, 7, false, 0), "longprefixn007.htm");
  const std::string once = r.console->Text;
  ASSERT_NE(once, "");
  EXPECT_EQ(MakeTopicFileName(*r, 7, false, 0), "longprefixn007.htm");
  EXPECT_EQ(r.console->Text, once + once);
}

TEST(FileNames, FixedPageNames) {
  FoundationTestRun r(ProgramStartRun());
  r->FileNames.PageExtension = ".htm";
  r->Switches.SourceFileName = "C:\\docs\\manual.txt";
  EXPECT_EQ(ContentsFileName(*r), "INDEX.htm");
  EXPECT_EQ(ContentsTreeFileName(*r), "INDEX.htm");
  EXPECT_EQ(IndexFileName(*r), "IDX_W.htm");
  r->Ini.ContentsTreeOn = true;
  EXPECT_EQ(ContentsFileName(*r), "INDEX.htm");
  EXPECT_EQ(ContentsTreeFileName(*r), "INDXA.htm");
  r->Ini.TargetFlags.Html = r->Ini.TargetFlags.HtmlHelp = true;
  EXPECT_EQ(ContentsFileName(*r), "C:\\docs\\manual.HHC");
  EXPECT_EQ(ContentsTreeFileName(*r), "C:\\docs\\manual.HHC");
  EXPECT_EQ(IndexFileName(*r), "C:\\docs\\manual.HHK");
}

TEST(FileNames, ChoosePageExtension) {
  struct Case {
    int ExtensionLength;
    bool CapitalOther;
    bool Fat;
    const char* Expected;
  };
  const Case cases[] = {{5, false, false, ".html"},
                        {4, false, false, ".htm"},
                        {5, true, false, ".HTML"},
                        {4, true, false, ".HTM"},
                        {5, false, true, ".HTM"}};
  for (const Case& c : cases) {
    FoundationTestRun r(ProgramStartRun());
    r->Ini.ExtensionLength = c.ExtensionLength;
    r->Ini.CapitalOtherLetters = c.CapitalOther;
    r->Switches.FatFileNames = c.Fat;
    EXPECT_EQ(ChoosePageExtension(*r), c.Expected);
  }
}

}  // namespace

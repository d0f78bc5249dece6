// Character conversion over all 256 codes for each target and source code page, checked
// against expected tables written from the conversion rules (tests/data/compiler_core/charconv,
// made by make_expected.py from the rules and Python's codecs, never by this code).
#include <gtest/gtest.h>

#include <sstream>

#include "compiler/foundation/char_conversion.h"
#include "compiler/foundation/foundation_run.h"
#include "tests/support/compiler_test_run.h"

using namespace skeldon;

namespace {

struct Expected {
  bool Error = false;
  std::string Bytes;
};

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

// One entry per code from an expected-table file.
std::vector<Expected> LoadTable(const std::string& name) {
  std::vector<Expected> table(256);
  std::istringstream in(corvina_test::ReadFile(TestDataPath("compiler_core/charconv/" + name)));
  std::string line;
  int lines = 0;
  while (std::getline(in, line)) {
    const std::size_t tab = line.find('\t');
    if (tab != 2) {
      ADD_FAILURE() << name << ": bad line " << line;
      continue;
    }
    const int code = HexValue(line[0]) * 16 + HexValue(line[1]);
    const std::string shown = line.substr(3);
    Expected& e = table.at(static_cast<std::size_t>(code));
    if (shown == "!error") {
      e.Error = true;
    } else {
      for (std::size_t i = 0; i < shown.size(); ++i) {
        if (shown[i] == '\\' && i + 1 < shown.size() && shown[i + 1] == '\\') {
          e.Bytes += '\\';
          ++i;
        } else if (shown[i] == '\\' && i + 3 < shown.size() && shown[i + 1] == 'x') {
          e.Bytes += static_cast<char>(HexValue(shown[i + 2]) * 16 + HexValue(shown[i + 3]));
          i += 3;
        } else {
          e.Bytes += shown[i];
        }
      }
    }
    ++lines;
  }
  EXPECT_EQ(lines, 256) << name;
  return table;
}

TCodePageTables Tables() {
  TCodePageTables tables;
  BuildCodePageTables(tables);
  return tables;
}

struct TableCase {
  const char* File;
  TConversionTarget Target;
  bool Iso;
};

// Test output names the table instead of dumping the case's bytes.
void PrintTo(const TableCase& c, std::ostream* os) { *os << c.File; }

class ConversionTable : public ::testing::TestWithParam<TableCase> {};

TEST_P(ConversionTable, EveryCodeMatchesTheExpectedTable) {
  const TableCase& c = GetParam();
  const std::vector<Expected> expected = LoadTable(c.File);
  const TCodePageTables tables = Tables();
  const TTextContext plain;
  for (int code = 0; code < 256; ++code) {
    std::string out;
    const int refused =
        AppendTargetChar(out, static_cast<std::uint8_t>(code), c.Target, c.Iso, plain, tables);
    const Expected& e = expected[static_cast<std::size_t>(code)];
    if (e.Error) {
      EXPECT_EQ(refused, code) << c.File << " code " << code;
      EXPECT_EQ(out, "") << c.File << " code " << code;
    } else {
      EXPECT_EQ(refused, -1) << c.File << " code " << code;
      EXPECT_EQ(out, e.Bytes) << c.File << " code " << code;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(
    Targets, ConversionTable,
    ::testing::Values(TableCase{"html_cp850.txt", TConversionTarget::Html, false},
                      TableCase{"html_iso.txt", TConversionTarget::Html, true},
                      TableCase{"rtf_cp850.txt", TConversionTarget::Rtf, false},
                      TableCase{"rtf_iso.txt", TConversionTarget::Rtf, true},
                      TableCase{"ipf_cp850.txt", TConversionTarget::Ipf, false},
                      TableCase{"ipf_iso.txt", TConversionTarget::Ipf, true}),
    [](const ::testing::TestParamInfo<TableCase>& info) {
      std::string name = info.param.File;
      return name.substr(0, name.find('.'));
    });

TEST(CodePageTables, MatchTheExpectedTables) {
  const TCodePageTables tables = Tables();
  const std::vector<Expected> oemToAnsi = LoadTable("oem_to_ansi.txt");
  const std::vector<Expected> ansiToOem = LoadTable("ansi_to_oem.txt");
  for (int code = 0; code < 256; ++code) {
    EXPECT_EQ(std::string(1, static_cast<char>(tables.OemToAnsi[code])), oemToAnsi[code].Bytes)
        << code;
    EXPECT_EQ(std::string(1, static_cast<char>(tables.AnsiToOem[code])), ansiToOem[code].Bytes)
        << code;
  }
  EXPECT_EQ(tables.AnsiToOem[0xA2], 0);
  EXPECT_EQ(tables.AnsiToOem[0xA7], 0x15);
  EXPECT_EQ(tables.AnsiToOem[0xB0], 0xF8);
  EXPECT_EQ(tables.AnsiToOem[0xAC], 0xAA);
}

TEST(CodePageTables, EntityLettersSurviveTheRoundTrip) {
  const TCodePageTables tables = Tables();
  for (int code = 0x80; code < 256; ++code) {
    const char* entity = HtmlEntityOf(static_cast<std::uint8_t>(code), false);
    if (entity == nullptr || std::string(entity) == "&#167;") continue;
    EXPECT_EQ(tables.AnsiToOem[tables.OemToAnsi[code]], code) << entity;
  }
}

TEST(TargetChar, IpfBlankAfterFontChangeIsDropped) {
  const TCodePageTables tables = Tables();
  TTextContext context;
  context.AfterFontChange = true;
  std::string out;
  AppendTargetChar(out, ' ', TConversionTarget::Ipf, false, context, tables);
  EXPECT_EQ(out, "");
  context.InLineDrawingBlock = true;
  AppendTargetChar(out, ' ', TConversionTarget::Ipf, false, context, tables);
  EXPECT_EQ(out, " ");
  // Other targets keep the blank.
  out.clear();
  context.InLineDrawingBlock = false;
  AppendTargetChar(out, ' ', TConversionTarget::Rtf, false, context, tables);
  AppendTargetChar(out, ' ', TConversionTarget::Html, false, context, tables);
  EXPECT_EQ(out, "  ");
}

TEST(TargetChar, HtmlPopupAndScriptString) {
  const TCodePageTables tables = Tables();
  TTextContext popup;
  popup.InTextPopup = true;
  TTextContext script;
  script.InScriptString = true;
  for (bool iso : {false, true}) {
    std::string out;
    AppendTargetChar(out, ' ', TConversionTarget::Html, iso, popup, tables);
    AppendTargetChar(out, '"', TConversionTarget::Html, iso, popup, tables);
    AppendTargetChar(out, ' ', TConversionTarget::Html, iso, script, tables);
    AppendTargetChar(out, '"', TConversionTarget::Html, iso, script, tables);
    EXPECT_EQ(out, "&#32;\\\" \\\"");
  }
}

TEST(TargetChar, WriteTargetCharClearsAfterFontChangeForTheNextCharacterOnly) {
  FoundationTestRun r(ProgramStartRun());
  r->Ini.TargetFlags.Ipf = true;
  std::string out;
  r->CharConversion.Context.AfterFontChange = true;
  WriteTargetChar(*r, out, ' ');
  WriteTargetChar(*r, out, ' ');
  EXPECT_EQ(out, " ");
  r->CharConversion.Context.AfterFontChange = true;
  WriteTargetChar(*r, out, 'x');
  EXPECT_FALSE(r->CharConversion.Context.AfterFontChange);
  WriteTargetChar(*r, out, '.');
  EXPECT_EQ(out, " x&per.");
}

TEST(TargetChar, RtfControlCharacterIsASourceError) {
  FoundationTestRun r(ProgramStartRun());
  r->Ini.TargetFlags.RtfFamily = r->Ini.TargetFlags.WinHelp4 = true;
  r->RunSuccess = true;
  r->Lines.CurrentSourceLine = 12;
  std::string out;
  WriteTargetChar(*r, out, 0x07);
  EXPECT_EQ(out, "");
  EXPECT_EQ(r.Text(), "Par 12: Character ASCII decimal 7 not allowed with Winhelp\n");
  EXPECT_FALSE(r->RunSuccess);
  WriteTargetChar(*r, out, 0x84);
  WriteTargetChar(*r, out, '{');
  EXPECT_EQ(out, "\\'e4\\'7b");
  FoundationTestRun german(ProgramStartRun());
  german->Language = 1;
  german->Ini.TargetFlags.RtfFamily = german->Ini.TargetFlags.RtfText = true;
  german->Ini.SourceIsIso = true;
  german->Lines.CurrentSourceLine = 3;
  WriteTargetChar(*german, out, 0x15);
  EXPECT_EQ(german.Text(), "Abs 3: Sonderzeichen ASCII dezimal 21 bei Winhelp nicht erlaubt\n");
}

TEST(TargetChar, TargetFlagsChooseTheConversion) {
  FoundationTestRun r(ProgramStartRun());
  EXPECT_EQ(ConversionTargetOf(*r), TConversionTarget::Html);
  r->Ini.TargetFlags.Html = r->Ini.TargetFlags.HtmlHelp = true;
  EXPECT_EQ(ConversionTargetOf(*r), TConversionTarget::Html);
  r->Ini.TargetFlags = TTargetFlags{};
  r->Ini.TargetFlags.RtfFamily = r->Ini.TargetFlags.WinHelp3 = true;
  EXPECT_EQ(ConversionTargetOf(*r), TConversionTarget::Rtf);
  r->Ini.TargetFlags = TTargetFlags{};
  r->Ini.TargetFlags.Ipf = true;
  EXPECT_EQ(ConversionTargetOf(*r), TConversionTarget::Ipf);
}

}  // namespace

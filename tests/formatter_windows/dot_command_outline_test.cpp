// The rules of the dot-command dialog that need no window: the outline's tags and brackets,
// presets and scale conversion, the go-to search, the split of the editor's command, the font
// name of a parameter and the composed command line.
#include "formatter/windows/dot_command_outline.h"

#include <gtest/gtest.h>

#include <set>

#include "formatter/common/text_services.h"

namespace tavrel {
namespace {

std::optional<DotCommandEntry> EntryOf(const std::string& command) {
  for (const DotCommandEntry& entry : DotCommandOutline())
    if (BracketCommand(entry.English) == command) return entry;
  return std::nullopt;
}

TEST(DotCommandOutline, EveryCommandHasBracketsAndCategoriesHaveNone) {
  std::set<int> codes;
  int previousLevel = 0;
  for (const DotCommandEntry& entry : DotCommandOutline()) {
    const bool category = entry.Code >= kFirstCategoryCode;
    // A command's brackets hold its dot command; a category may hold brackets ("(Index)"),
    // but never one the go-to search would take for a command.
    for (const char* text : {entry.English, entry.German}) {
      const auto command = BracketCommand(text);
      EXPECT_EQ(command && command->rfind('.', 0) == 0, !category) << text;
    }
    // A level deeper than the one before may only open one step.
    EXPECT_LE(entry.Level, previousLevel + 1) << entry.English;
    EXPECT_EQ(TagCode(DotCommandTag(entry)), entry.Code);
    EXPECT_EQ(TagClass(DotCommandTag(entry)), entry.Class);
    previousLevel = entry.Level;
    codes.insert(entry.Code);
  }
  // Commands 1..82 and categories 84..107 all appear.
  for (int code = 1; code <= 107; ++code) {
    if (code != 83) EXPECT_TRUE(codes.count(code)) << code;
  }
}

TEST(DotCommandOutline, GermanTextsInsertTheGermanForms) {
  struct Case {
    int code;
    const char* english;
    const char* german;
  };
  const Case cases[] = {{5, ".BD", ".BA"},
                        {10, ".OC ON", ".OC EIN"},
                        {12, ".BL ON", ".BL"},
                        {13, ".BL OFF", ".FL"},
                        {51, ".BM CENTER", ".BM ZENTRIERT"},
                        {77, ".IC", ".ST"},
                        {78, ".IN", ".SW"},
                        {79, ".IT", ".SV"},
                        {3, ".LM", ".LM"},
                        {74, ".FU[]", ".FU[]"}};
  for (const Case& c : cases) {
    bool found = false;
    for (const DotCommandEntry& entry : DotCommandOutline()) {
      if (entry.Code != c.code || found) continue;
      found = true;
      EXPECT_EQ(BracketCommand(entry.English), c.english);
      EXPECT_EQ(BracketCommand(entry.German), c.german);
    }
    EXPECT_TRUE(found) << c.code;
  }
}

TEST(DotCommandOutline, HelpTopicsOfCategories) {
  const std::pair<int, int> cases[] = {{85, 40},  {86, 41},   {87, 43},   {88, 47},  {89, 49},
                                       {90, 50},  {91, 51},   {92, 52},   {93, 52},  {95, 31},
                                       {96, 36},  {97, 53},   {98, 57},   {99, 58},  {101, 58},
                                       {102, 59}, {103, 61},  {104, 61},  {105, 70}, {106, 75},
                                       {107, 85}, {84, 9999}, {94, 9999}, {100, 58}, {3, 9999}};
  for (const auto& [code, topic] : cases) EXPECT_EQ(DotCommandHelpTopic(code), topic) << code;
}

TEST(DotCommandScale, PresetsInEveryScale) {
  TSettingsRecord settings{};
  settings.DefaultTS = 5;
  settings.PageTemplateIndex = 1;
  settings.PageTemplates[1].PL = 66;
  settings.PageTemplates[1].MT = 3;
  struct Case {
    const char* command;
    int scale;
    const char* preset;
  };
  const Case cases[] = {
      {".PL", kScaleColumns, "66"},
      {".PL", kScaleInches, "11.00\""},
      {".PL", kScaleCentimetres, "27.9"},
      {".MT", kScaleInches, "0.50\""},
      {".LH", kScaleColumns, "8"},
      {".LH", kScaleInches, "0.17\""},
      {".LH", kScaleCentimetres, "0.4"},
      {".LM", kScaleInches, ""},
      {".CP", kScaleInches, "6"},
      {".GS", kScaleCentimetres, "300"},
      {".DT", kScaleInches, "35"},
      {".IF", kScaleInches, "FINAL"},
      {".CN", kScaleInches, ""},
      {".TB", kScaleColumns, ""},
      {".FI", kScaleColumns, ""},
      {".BW", kScaleColumns, "100"},
      // No unit of length: the value as it is, whatever the scale.
      {".TS", kScaleInches, "5"},
      {".TS", kScaleCentimetres, "5"},
  };
  for (const Case& c : cases) {
    const auto entry = EntryOf(c.command);
    ASSERT_TRUE(entry) << c.command;
    EXPECT_EQ(DotCommandPreset(entry->Code, c.scale, settings, GetMeasureUnitsPerInch(c.command)),
              c.preset)
        << c.command << " scale " << c.scale;
  }
}

TEST(DotCommandScale, CommandsWithoutUnitsAreNeverScaled) {
  // These commands have no units per inch: a conversion would divide by zero.
  TSettingsRecord settings{};
  settings.DefaultTS = 5;
  for (const char* command : {".TS", ".PN", ".CI", ".LS", ".LW", ".FH"}) {
    ASSERT_EQ(GetMeasureUnitsPerInch(command), 0) << command;
    for (int from = 0; from < 3; ++from)
      for (int to = 0; to < 3; ++to) EXPECT_EQ(ConvertDotScale("12", from, to, 0), "12") << command;
  }
  // .POL and .POR take the units of .PO.
  EXPECT_EQ(ConvertDotScale("10", kScaleColumns, kScaleInches, GetMeasureUnitsPerInch(".POL")),
            "1.00\"");
  // No preset of any measure command shows a division by zero.
  for (const DotCommandEntry& entry : DotCommandOutline()) {
    const auto command = BracketCommand(entry.English);
    if (!command) continue;
    for (int scale = 0; scale < 3; ++scale) {
      const std::string preset =
          DotCommandPreset(entry.Code, scale, settings, GetMeasureUnitsPerInch(*command));
      EXPECT_EQ(preset.find("inf"), std::string::npos) << *command;
      EXPECT_EQ(preset.find("nan"), std::string::npos) << *command;
    }
  }
}

TEST(DotCommandScale, ConversionBetweenScales) {
  struct Case {
    const char* parameter;
    int from, to, units;
    const char* result;
  };
  const Case cases[] = {
      {"66", kScaleColumns, kScaleInches, 6, "11.00\""},
      {"11.00\"", kScaleInches, kScaleColumns, 6, "66"},
      {"11.00\"", kScaleInches, kScaleCentimetres, 6, "27.9"},
      {"27.9", kScaleCentimetres, kScaleInches, 6, "10.98\""},
      {"2.54", kScaleCentimetres, kScaleColumns, 10, "10"},
      {"2,54", kScaleCentimetres, kScaleColumns, 10, "10"},
      {"8", kScaleColumns, kScaleCentimetres, 48, "0.4"},
      {"", kScaleColumns, kScaleInches, 6, ""},
      {"abc", kScaleColumns, kScaleInches, 6, "abc"},
      {"12", kScaleInches, kScaleInches, 6, "12"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(ConvertDotScale(c.parameter, c.from, c.to, c.units), c.result) << c.parameter;
}

TEST(DotCommandScale, InchesAndBackGiveTheSameWholeNumber) {
  for (const int units : {6, 10, 48})
    for (int value = 0; value <= 2000; ++value) {
      const std::string inches =
          ConvertDotScale(std::to_string(value), kScaleColumns, kScaleInches, units);
      ASSERT_EQ(ConvertDotScale(inches, kScaleInches, kScaleColumns, units), std::to_string(value))
          << units << " " << inches;
    }
}

TEST(DotCommandSearch, FirstItemWhoseCommandBeginsWithTheTypedLetters) {
  std::vector<std::string> texts;
  for (const DotCommandEntry& entry : DotCommandOutline()) texts.push_back(entry.English);
  const auto codeOf = [&](const std::string& typed) -> int {
    const auto i = FindDotCommandItem(texts, typed);
    return i ? DotCommandOutline()[*i].Code : -1;
  };
  struct Case {
    const char* typed;
    int code;
  };
  const Case cases[] = {
      {"HE", 27}, {"he", 27},  {".HE", 27}, {"HER", 29},       {"HEL", 31},  {"HEX", 27},
      {"PO", 22}, {"POR", 24}, {"BMX", 50}, {"BM CENTER", 51}, {"1", 64},    {".", -1},
      {"B", 6},   {"ZZZ", -1}, {"Q", -1},   {"", -1},          {"FI *", 75}, {"ELSE", 81},
  };
  for (const Case& c : cases) EXPECT_EQ(codeOf(c.typed), c.code) << c.typed;
}

TEST(DotCommandEditor, SplitsAfterThreeLettersOnlyForSidedHeadersAndFooters) {
  struct Case {
    const char* received;
    const char* command;
    const char* parameter;
  };
  const Case cases[] = {
      {"HER Chapter", "HER", "CHAPTER"},
      {"hel x", "HEL", "X"},
      {"FOL", "FOL", ""},
      {"H1L 3", "H1L", "3"},
      {"F9R", "F9R", ""},
      {"H1 3", "H1", "3"},
      {"H1X", "H1", "X"},
      {"HE SFC Title", "HE", "SFC TITLE"},
      {"LM  12", "LM", " 12"},
      {"LR", "LR", ""},
      {"HA R", "HA", "R"},
      {"L", "L", ""},
      {"", "", ""},
      {".HER x", "HER", "X"},
      {".", "", ""},
  };
  for (const Case& c : cases) {
    const EditorDotCommand got = SplitEditorCommand(c.received);
    EXPECT_EQ(got.Command, c.command) << c.received;
    EXPECT_EQ(got.Parameter, c.parameter) << c.received;
  }
}

TEST(DotCommandEditor, FontNameOfTheParameter) {
  struct Case {
    int code;
    const char* parameter;
    const char* fontName;
  };
  const Case cases[] = {
      {27, "SFC", "C"}, {27, "SFC' x", "C'"}, {74, "SND&", "D&"}, {29, "SFc", ""}, {27, "XYC", ""},
      {27, "SF", ""},   {42, "C'", "C'"},     {45, "B", "B"},     {3, "SFC", ""},
  };
  for (const Case& c : cases)
    EXPECT_EQ(FontNameOfParameter(c.code, c.parameter), c.fontName) << c.code << " " << c.parameter;
}

TEST(DotCommandCompose, FontsCharactersAndShapes) {
  struct Case {
    int code;
    const char* command;
    DotCommandChoice choice;
    const char* text;
  };
  const Case cases[] = {
      {27, ".HE", {"C = Times 12", {}, 0}, ".HE SFC "},
      {31, ".HEL", {"C' = Arial 10", {}, 0}, ".HEL SFC' "},
      {27, ".HE", {"", {}, 0}, ".HE"},
      {42, ".SF", {"C' = Arial 10", {}, 0}, ".SFC'"},
      {44, ".SN", {"C = Times 12", {}, 0}, ".SNC "},
      {59, ".DT", {"", '*', 3}, ".DT*3"},
      {59, ".DT", {"", {}, 2}, ".DT2"},
      {55, ".BT", {"", '~', 4}, ".BT~"},
      {77, ".IC", {"", {}, 0}, ".IC"},
      {3, ".LM", {"C = Times 12", '*', 1}, ".LM"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(ComposeDotCommand(c.code, c.command, c.choice), c.text) << c.command;
}

}  // namespace
}  // namespace tavrel

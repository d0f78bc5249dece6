// The message catalogue: its rows, the lookup and the rule that shows a language's text.
#include <gtest/gtest.h>

#include <cstddef>
#include <set>
#include <stdexcept>
#include <string>
#include <string_view>

#include "formatter/common/bilingual_texts.h"
#include "formatter/common/messages.h"
#include "formatter/common/settings_record.h"

namespace tavrel {
namespace {

// The offset of the first UTF-8 multibyte sequence (a lead byte and a continuation byte), or
// npos. Code page 850 text of the catalogue never has one.
std::size_t FindUtf8Sequence(std::string_view text) {
  for (std::size_t i = 0; i + 1 < text.size(); ++i) {
    const auto lead = static_cast<unsigned char>(text[i]);
    const auto next = static_cast<unsigned char>(text[i + 1]);
    if (lead >= 0xC2 && lead <= 0xF4 && next >= 0x80 && next <= 0xBF) return i;
  }
  return std::string_view::npos;
}

std::multiset<std::string> Placeholders(std::string_view text) {
  std::multiset<std::string> out;
  for (std::size_t i = 0; i + 1 < text.size(); ++i)
    if (text[i] == '%' && text[i + 1] >= '1' && text[i + 1] <= '9')
      out.insert(std::string(text.substr(i, 2)));
  return out;
}

TEST(MessageCatalogueTest, EveryRowHasBothTextsInCodePage850) {
  ASSERT_EQ(MessageTable().size(), static_cast<std::size_t>(MessageId::kCount));
  for (std::size_t i = 0; i < MessageTable().size(); ++i) {
    const MessageRow& row = MessageTable()[i];
    SCOPED_TRACE("row " + std::to_string(i) + ": " + std::string(row.English));
    EXPECT_EQ(static_cast<std::size_t>(row.Id), i);
    EXPECT_FALSE(row.German.empty());
    EXPECT_FALSE(row.English.empty());
    EXPECT_EQ(FindUtf8Sequence(row.German), std::string_view::npos);
    EXPECT_EQ(FindUtf8Sequence(row.English), std::string_view::npos);
    EXPECT_EQ(Placeholders(row.German), Placeholders(row.English));
    EXPECT_EQ(&MessageRowOf(row.Id), &row);
  }
}

TEST(MessageCatalogueTest, LookupOutsideTheEnumerationThrows) {
  EXPECT_THROW(MessageRowOf(MessageId::kCount), std::out_of_range);
  EXPECT_THROW(MessageRowOf(static_cast<MessageId>(0xFFFF)), std::out_of_range);
  // A text asks for more variable parts than it was given.
  EXPECT_THROW(MessageText(0, MessageId::kRenamingFile, {"a"}), std::out_of_range);
}

TEST(MessageCatalogueTest, GermanIsShownInWindows1252AndEnglishStaysByteForByte) {
  // "%1 hat die falsche Gr\x94\xE1e. Bitte l\x94schen." with a name holding a code page 850 byte.
  const std::string name = "Gr\x81n";
  TSettingsRecord german{};
  german.Language = 1;
  struct Case {
    const char* what;
    std::string actual;
    std::string expected;
  };
  const Case cases[] = {
      {"German, part as given", MessageText(1, MessageId::kPrinterDataFileWrongSize, {name}),
       "Gr\x81n hat die falsche Gr\xF6\xDF"
       "e. Bitte l\xF6schen."},
      {"German from the settings",
       MessageText(german, MessageId::kPrinterDataFileWrongSize, {name}),
       "Gr\x81n hat die falsche Gr\xF6\xDF"
       "e. Bitte l\xF6schen."},
      {"German, part shown with the text",
       ShowMessage(1, ComposeMessage(MessageId::kPrinterDataFileWrongSize, {name})),
       "Gr\xFCn hat die falsche Gr\xF6\xDF"
       "e. Bitte l\xF6schen."},
      {"German as stored", MessageSource(1, MessageId::kPrinterDataFileWrongSize, {name}),
       "Gr\x81n hat die falsche Gr\x94\xE1"
       "e. Bitte l\x94schen."},
      {"English", MessageText(0, MessageId::kPrinterDataFileWrongSize, {name}),
       "Gr\x81n has got wrong size. Please delete."},
      {"any other language is English",
       ShowMessage(2, ComposeMessage(MessageId::kPrinterDataFileWrongSize, {name})),
       "Gr\x81n has got wrong size. Please delete."},
      {"parts in their own order", MessageText(1, MessageId::kRenamingFile, {"a", "b"}),
       "Die Datei a wird in b umbenannt"},
      {"a percent sign in a part is not a placeholder",
       MessageText(0, MessageId::kRenamingFile, {"%2", "b"}), "Renaming %2 to b"},
  };
  for (const Case& c : cases) EXPECT_EQ(c.actual, c.expected) << c.what;
}

TEST(MessageCatalogueTest, RightJustifyMessageIsCodePage850LikeTheOthers) {
  const MessageRow& row = MessageRowOf(MessageId::kTwoRightJustifyControls);
  EXPECT_NE(row.German.find("Rechtsb\x81ndig-Steuerzeichen"), std::string_view::npos);
  const std::string shown = MessageText(1, MessageId::kTwoRightJustifyControls);
  EXPECT_EQ(shown, ToDisplayText(row.German));
  EXPECT_NE(shown.find("Rechtsb\xFCndig-Steuerzeichen"), std::string::npos) << shown;
  EXPECT_EQ(FindUtf8Sequence(shown), std::string::npos) << shown;
}

}  // namespace
}  // namespace tavrel

#include <gtest/gtest.h>

#include <algorithm>
#include <stdexcept>
#include <string>
#include <string_view>

#include "compiler/foundation/messages.h"
#include "platform/text.h"

using namespace skeldon;

namespace {

// The terminal console passes well-formed UTF-8 through as it is and converts everything else
// from code page 850, so a catalogue text must never hold such a sequence.
bool HoldsUtf8MultiByte(std::string_view text) {
  for (std::size_t i = 0; i < text.size();) {
    const platform::Utf8Char ch = platform::decode_utf8(text, i);
    if (ch.valid && ch.length >= 2) return true;
    i += ch.length;
  }
  return false;
}

// The highest slot (%1 = 1) a text uses, or -1 for a "%" that starts no slot.
int HighestSlot(std::string_view text) {
  int highest = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '%') continue;
    const char next = i + 1 < text.size() ? text[i + 1] : '\0';
    if (next < '1' || next > '9') return -1;
    highest = std::max(highest, next - '0');
    ++i;
  }
  return highest;
}

TEST(MessageTable, EveryRowIsCompleteAndInItsPlace) {
  ASSERT_EQ(MessageTable().size(), kMessageCount);
  for (std::size_t i = 0; i < MessageTable().size(); ++i) {
    const MessageTexts& row = MessageTable()[i];
    SCOPED_TRACE("row " + std::to_string(i) + ": " + std::string(row.English));
    EXPECT_EQ(static_cast<std::size_t>(row.Id), i);
    EXPECT_FALSE(row.German.empty());
    EXPECT_FALSE(row.English.empty());
    EXPECT_FALSE(HoldsUtf8MultiByte(row.German));
    EXPECT_FALSE(HoldsUtf8MultiByte(row.English));
    const int german = HighestSlot(row.German);
    const int english = HighestSlot(row.English);
    EXPECT_GE(german, 0);
    EXPECT_GE(english, 0);
    EXPECT_LE(std::max(german, english), static_cast<int>(Message::kMaxParts));
  }
}

TEST(MessageTable, LookupIsBoundsChecked) {
  EXPECT_EQ(MessageRow(MessageId::PressAnyKey).English, "press any key");
  EXPECT_THROW(MessageRow(MessageId::Count), std::out_of_range);
  EXPECT_THROW(MessageRow(static_cast<MessageId>(kMessageCount + 7)), std::out_of_range);
}

TEST(MessageText, PicksTheLanguageAndFillsTheParts) {
  struct Case {
    int language;
    const char* expected;
  };
  const Case cases[] = {
      {0, "heading level has jumped from 2 to 4"},
      {1, "Sprung in der Gliederungshierarchie von 2 auf 4"},
      {2, ""},
      {-1, ""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(MessageText(c.language, {MessageId::HeadingLevelJumped, "2", "4"}), c.expected)
        << c.language;
  }
  // Parts go in as they are, even when they look like a slot themselves.
  EXPECT_EQ(MessageText(0, {MessageId::ProjectFileNotFound, "%2 100%"}),
            "SKJ file %2 100% not found.");
  // Two parts side by side, and a text that leaves a part out.
  EXPECT_EQ(MessageText(0, {MessageId::ReservationTooLow, "NR", "12"}),
            "Warning: .NR12 value too low");
  EXPECT_EQ(MessageText(1, {MessageId::IniFileUnreadable, "a.ini", "denied"}),
            "Ini-Datei a.ini kann nicht gelesen werden.");
  EXPECT_EQ(MessageText(0, {MessageId::IniFileUnreadable, "a.ini", "denied"}),
            "ini file a.ini cannot be read (denied).");
  // A part the site did not give is a fault, not an empty text.
  EXPECT_THROW(MessageText(0, MessageId::ProjectFileNotFound), std::out_of_range);
}

TEST(MessageText, HelpFileWordsFallBackToEnglish) {
  EXPECT_EQ(GermanOrEnglishText(1, MessageId::HistoryButton), "Bisher");
  EXPECT_EQ(GermanOrEnglishText(0, MessageId::HistoryButton), "History");
  EXPECT_EQ(GermanOrEnglishText(2, MessageId::HistoryButton), "History");
}

}  // namespace

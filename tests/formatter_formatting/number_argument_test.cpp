#include <gtest/gtest.h>

#include <string>

#include "formatter/common/message_boxes.h"
#include "formatter/common/notifications.h"
#include "formatter/common/run_messages.h"
#include "formatter/common/settings_record.h"
#include "formatter/formatting/formatted_writer.h"
#include "formatter/formatting/number_argument.h"

namespace tavrel {
namespace {

struct DotFixture : ::testing::Test {
  TSettingsRecord settings{};
  RecordingMessageList list;
  RecordingMessageBoxes boxes;
  RecordingNotifier notifier;
  RunMessages messages{settings, list, boxes, notifier};
  DotLineReader dot;

  void SetUp() override { DefaultSettings(settings, "/x/y", true); }
  // WordStar sources are read from the command's first letter on, plain text from its second.
  void Start(const std::string& line, bool plain = false) {
    dot.Start(line);
    dot.Position = plain ? 3 : 2;
  }
};

TEST_F(DotFixture, NumbersInUnitsInchesAndCentimetres) {
  struct Case {
    const char* line;
    bool plain;
    int value;
  };
  const Case cases[] = {
      {".RM 60", false, 60}, {".RM60", false, 60},   {".RM 60", true, 60},    {".LM 5x", false, 5},
      {".LM 2,5", false, 2}, {".PL 6\"", false, 36}, {".PL 11.5", false, 27}, {".RM +5", false, 5},
  };
  for (const Case& c : cases) {
    Start(c.line, c.plain);
    std::int32_t v = -1;
    EXPECT_TRUE(ReadDotNumber(dot, v, c.plain, settings, messages)) << c.line;
    EXPECT_EQ(v, c.value) << c.line;
  }
  EXPECT_TRUE(list.Lines().empty());
}

TEST_F(DotFixture, MissingNumbersTakeDefaultsOrStopTheRun) {
  settings.DefaultTS = 55;
  settings.DefaultGU = 4;
  settings.DefaultHN = 2;
  struct Case {
    const char* line;
    int value;
  };
  for (const Case c : {Case{".LM", 0}, Case{".PM", 0}, Case{".PS", 1}, Case{".TS", 55},
                       Case{".DE", 55}, Case{".GU", 4}, Case{".HN", 2}}) {
    Start(c.line);
    std::int32_t v = -1;
    EXPECT_TRUE(ReadDotNumber(dot, v, false, settings, messages)) << c.line;
    EXPECT_EQ(v, c.value) << c.line;
  }
  Start(".PN");
  std::int32_t v = -1;
  EXPECT_TRUE(ReadDotNumber(dot, v, false, settings, messages));
  EXPECT_EQ(dot.NumberOmitted, 1);
  EXPECT_TRUE(list.Lines().empty());

  Start(".RM");
  EXPECT_FALSE(ReadDotNumber(dot, v, false, settings, messages));
  ASSERT_EQ(list.Lines().size(), 2u);
  EXPECT_EQ(list.Lines()[0].Text, "ERROR: Number missing behind dot command .RM !");
  EXPECT_EQ(messages.AbortRequested, 1);
}

TEST_F(DotFixture, FontArguments) {
  struct Case {
    const char* line;
    int font;
  };
  const Case cases[] = {
      {".SB", 107},                 // bold variant of the slot-0 font C
      {".SY", 55},                  // italic
      {".SX", 159},                 // bold italic
      {".SF b", 28},                // a small letter as typed
      {".SFH\"", 112},              // letter and prefix
      {".AF", 112},                 // the alternate font
      {".SA", 112},    {".SF", 3},  // the normal font
      {".SN", 3},
  };
  for (const Case& c : cases) {
    dot.Start(c.line);
    dot.Position = 3;
    EXPECT_EQ(ReadFontArgument(dot, settings, 3), c.font) << c.line;
  }
}

TEST_F(DotFixture, FrameModeSwitch) {
  FrameState frame;
  dot.Start(".FR|-\x01");
  dot.Position = 3;
  SwitchFrameMode(dot, frame);
  EXPECT_TRUE(frame.On);
  EXPECT_EQ(frame.VerticalChar, '|');
  EXPECT_EQ(frame.HorizontalChar, '-');
  EXPECT_EQ(frame.DoubleMarker, 1);
  dot.Start(".FR");
  dot.Position = 3;
  SwitchFrameMode(dot, frame);
  EXPECT_FALSE(frame.On);
}

TEST(DotLineReaderTest, ReadingBeyondTheLineGivesCarriageReturns) {
  DotLineReader dot;
  dot.Start(".ab");
  EXPECT_EQ(dot.Command, "AB");
  dot.Position = 3;
  EXPECT_EQ(dot.CurrentChar(), 'b');
  for (int i = 0; i < 300; ++i) EXPECT_EQ(dot.NextDotChar(), 13);
  dot.Start(std::string(400, 'x'));
  EXPECT_EQ(dot.Line.size(), kDotLineCapacity);
}

}  // namespace
}  // namespace tavrel

#include <gtest/gtest.h>

#include <string>

#include "formatter/common/message_boxes.h"
#include "formatter/common/notifications.h"
#include "formatter/common/run_messages.h"
#include "formatter/common/settings_record.h"

namespace tavrel {
namespace {

struct RunMessagesFixture : ::testing::Test {
  TSettingsRecord settings{};
  RecordingMessageList list;
  RecordingMessageBoxes boxes;
  RecordingNotifier notifier;
  RunMessages messages{settings, list, boxes, notifier};

  std::vector<std::string> Texts() const {
    std::vector<std::string> out;
    for (const auto& l : list.Lines()) out.push_back(l.Text);
    return out;
  }
};

TEST_F(RunMessagesFixture, LinesCarryKindAndParagraphInTheLanguage) {
  struct Case {
    int language;
    int paragraph;
    bool error;
    std::string line;
  };
  const Case cases[] = {
      {0, 0, true, "ERROR: text"},
      {1, 12, true, "ERROR Abs 12: text"},
      {0, 12, true, "ERROR Par 12: text"},
      {0, 3, false, "INFO Par 3: text"},
  };
  for (const Case& c : cases) {
    settings.Language = static_cast<std::uint8_t>(c.language);
    messages.ParagraphNumber = c.paragraph;
    messages.ClearMessageList();
    if (c.error)
      messages.ReportFormatError("text");
    else
      messages.ReportFormatInfo("text");
    ASSERT_EQ(list.Lines().size(), 1u);
    EXPECT_EQ(list.Lines()[0].Text, c.line);
    EXPECT_EQ(list.Lines()[0].Paragraph, c.paragraph);
  }
  EXPECT_EQ(messages.ErrorCount, 3);
}

TEST_F(RunMessagesFixture, MessageListIsShownOnceAndPrefixIsUsedOnce) {
  messages.ClearMessageList();
  messages.AddMessagePrefix("In file x: ");
  messages.ReportFormatError("one");
  messages.ReportFormatInfo("two");
  EXPECT_EQ(Texts(), (std::vector<std::string>{"ERROR: In file x: one", "INFO: two"}));
  const auto shows = notifier.WithCode(MN_SHOW_MESSAGES);
  ASSERT_EQ(shows.size(), 1u);
  EXPECT_FALSE(shows[0].Sent);  // posted
  messages.ClearMessageList();
  messages.ReportFormatInfo("three");
  EXPECT_EQ(notifier.WithCode(MN_SHOW_MESSAGES).size(), 2u);
}

TEST_F(RunMessagesFixture, TheFiftyFirstErrorStopsTheRunOnce) {
  messages.ClearMessageList();
  for (int i = 0; i < 50; ++i) messages.ReportFormatError("e");
  EXPECT_TRUE(boxes.Boxes().empty());
  EXPECT_EQ(messages.AbortRequested, 0);
  messages.ReportFormatError("e51");
  ASSERT_EQ(boxes.Boxes().size(), 1u);
  EXPECT_EQ(boxes.Boxes()[0].Text, "More than 50 error messages! Formatting interrupted.");
  EXPECT_EQ(messages.AbortRequested, 1);
  const auto texts = Texts();
  ASSERT_EQ(texts.size(), 52u);
  EXPECT_EQ(texts[50], "ERROR: e51");
  EXPECT_EQ(texts[51], "INFO: Format job interrupted!");
  // Errors while the run winds down are listed without a further box.
  messages.ReportFormatError("e52");
  EXPECT_EQ(boxes.Boxes().size(), 1u);
}

TEST_F(RunMessagesFixture, InterruptionAnnouncesTheBackupAndRunsTheEndStep) {
  int endSteps = 0;
  messages.OnInterrupted = [&] { ++endSteps; };
  messages.BackupKept = 1;
  messages.InterruptFormatJob();
  ASSERT_EQ(boxes.Boxes().size(), 1u);
  EXPECT_EQ(boxes.Boxes()[0].Text,
            "Die alte Datei ist noch vorhanden und hat die Erweiterung .$$$");
  EXPECT_EQ(boxes.Boxes()[0].Kind, kBoxInformation);
  EXPECT_EQ(endSteps, 1);
  EXPECT_EQ(messages.AbortRequested, 1);
}

TEST_F(RunMessagesFixture, FailedOpenIsReportedWithItsCode) {
  EXPECT_TRUE(messages.CheckOutputOpened(2, "/x/a.fun", false, 0));
  EXPECT_TRUE(list.Lines().empty());
  settings.Language = 1;
  EXPECT_FALSE(messages.CheckOutputOpened(2, "/x/a.fun", true, 3));
  const auto texts = Texts();
  ASSERT_EQ(texts.size(), 2u);
  EXPECT_EQ(texts[0],
            "ERROR: Fehler beim \xD6"
            "ffnen der Datei (3) /x/a.fun .");
  EXPECT_EQ(texts[1], "INFO: Formatierung wurde abgebrochen!");
}

TEST_F(RunMessagesFixture, StopRequestIsSent) {
  messages.RequestStopFormatting();
  const auto e = notifier.Entries();
  ASSERT_EQ(e.size(), 1u);
  EXPECT_EQ(e[0], (RecordingNotifier::Entry{true, MN_STOP_FORMATTING, 0}));
}

TEST_F(RunMessagesFixture, NewPagesReportTheirNumberOnTheTextStreamOnly) {
  LayoutValues layout;
  layout.PageLength = 66;
  layout.TopMargin = 3;
  layout.BottomMargin = 8;
  ComputePageLimit(layout);
  EXPECT_EQ(layout.PageLimit, 440);
  PageState pages;
  ResetPageState(pages, layout);
  StartNewPage(pages, kTextStream, messages);
  StartNewPage(pages, kNotesStream, messages);
  messages.IndexScanRun = 1;
  StartNewPage(pages, kTextStream, messages);
  const auto e = notifier.Entries();
  ASSERT_EQ(e.size(), 2u);
  EXPECT_EQ(e[0], (RecordingNotifier::Entry{true, MN_FORMAT_PAGE, 2}));
  EXPECT_EQ(e[1], (RecordingNotifier::Entry{true, MN_INDEX_SCAN_PAGE, 3}));
  EXPECT_EQ(pages.Streams[kNotesStream].PageCount, 2);
}

TEST_F(RunMessagesFixture, LineAdvanceFillsThePageAndSeesTheStop) {
  LayoutValues layout;
  layout.PageLength = 4;  // page limit 32: four lines of 8
  ComputePageLimit(layout);
  PageState pages;
  ResetPageState(pages, layout);
  pages.Streams[kTextStream].LineHeights[1] = 12;
  EXPECT_FALSE(AdvanceLine(pages, kTextStream, 0, messages));  // 16
  EXPECT_FALSE(AdvanceLine(pages, kTextStream, 1, messages));  // 28
  EXPECT_FALSE(AdvanceLine(pages, kTextStream, 0, messages));  // 36
  EXPECT_EQ(pages.Streams[kTextStream].LinesOnPage, 4);
  EXPECT_FALSE(AdvanceLine(pages, kTextStream, 0, messages));  // full: new page
  EXPECT_EQ(pages.Streams[kTextStream].PageCount, 2);
  EXPECT_EQ(pages.Streams[kTextStream].PagePosition, 8);
  EXPECT_EQ(pages.Streams[kTextStream].LinesOnPage, 1);
  messages.UserStop = 1;
  EXPECT_TRUE(AdvanceLine(pages, kTextStream, 0, messages));
  EXPECT_EQ(messages.RunStop, 1);
}

TEST(LayoutTest, FileLayoutFromTheCurrentTemplate) {
  TSettingsRecord s{};
  DefaultSettings(s, "/x/y", true);
  s.DefaultGU = 2;
  s.DefaultTS = 6;
  s.PageTemplateIndex = 1;
  s.PageTemplates[1].RM = 20;
  LayoutValues layout;
  LoadLayoutFromSettings(s, 12, 12, layout);
  EXPECT_EQ(layout.LineWidth, 22 * 12);
  EXPECT_EQ(layout.HyphenationZone, 15 * 12);
  EXPECT_EQ(layout.TabStep, 60);
  EXPECT_EQ(layout.PageLimit, 440);
  EXPECT_EQ(layout.HyphenationMode, 3);
  s.PageTemplates[1].RM = 60;
  LoadLayoutFromSettings(s, 12, 10, layout);
  EXPECT_EQ(layout.HyphenationZone, 300);
  EXPECT_EQ(NoteMarkWidth(s), 5);
  s.NoteLinkInNoteArea.Assign("^T1^T");
  EXPECT_EQ(NoteMarkWidth(s), 1);
}

}  // namespace
}  // namespace tavrel

// The main window's codes as a run without windows handles them: the requests that need an
// answer are acted on, a fatal output error is kept and shown, progress only on a terminal.
#include <gtest/gtest.h>

#include <string>

#include "formatter/app/console_notifier.h"
#include "formatter/common/message_boxes.h"
#include "formatter/common/settings_record.h"
#include "formatter/fonts/printer_data.h"
#include "formatter/formatting/format_run.h"
#include "formatter/pages/page_state.h"

namespace tavrel {
namespace {

class ConsoleNotifierTest : public ::testing::Test {
 protected:
  platform::Console console_{
      platform::CodePage::cp1252, true,
      [this](platform::ConsoleStream, std::string_view text) { output_ += text; }};
  std::string output_;
  ConsoleJobView view_;
};

TEST_F(ConsoleNotifierTest, StopRequestStopsTheRunInWork) {
  TSettingsRecord settings{};
  auto printer = MakeEmptyPrinterData();
  RecordingMessageList list;
  RecordingMessageBoxes boxes;
  ConsoleNotifier notifier(console_, view_, false);
  FormatRun run(settings, *printer, RunOutlets{list, boxes, notifier});
  view_.Run = &run;
  run.Messages.RequestStopFormatting();  // sends code 100, as a cancelled question does
  EXPECT_EQ(run.Messages.UserStop.load(), 1);
  EXPECT_TRUE(run.Messages.PollStop());
}

TEST_F(ConsoleNotifierTest, FontDefinitionRequestWritesTheFile) {
  int writes = 0;
  view_.WriteFontDefinition = [&] { ++writes; };
  ConsoleNotifier notifier(console_, view_, false);
  notifier.Send(MN_WRITE_FONT_DEFINITION, 0);
  EXPECT_EQ(writes, 1);
}

TEST_F(ConsoleNotifierTest, FatalOutputErrorIsShownAndKept) {
  PageEngineContext ctx;
  ctx.ThreadErrorText = "Error 3: File a.fmt not found";
  view_.Page = &ctx;
  ConsoleNotifier notifier(console_, view_, false);
  notifier.Send(MN_PRINT_DONE, 0);  // a normal end
  EXPECT_FALSE(notifier.OutputFailed());
  EXPECT_EQ(output_, "");
  notifier.Send(MN_PRINT_DONE, 2);
  EXPECT_TRUE(notifier.OutputFailed());
  EXPECT_EQ(output_, "Tavrel: Error: Error 3: File a.fmt not found\n");
}

TEST_F(ConsoleNotifierTest, PageProgressOnlyOnATerminalAndOneLineRedrawn) {
  view_.PrintFileName = "/docs/a.fmt";
  view_.PrintToPostScriptFile = true;
  ConsoleNotifier quiet(console_, view_, false);
  quiet.Post(MN_PRINT_PAGE_DONE, 1);
  quiet.Post(MN_PREVIEW_RESIZED, 0);  // no row: nothing at all
  EXPECT_EQ(output_, "");
  EXPECT_EQ(quiet.PagesDone(), 1);

  ConsoleNotifier shown(console_, view_, true);
  shown.Post(MN_PRINT_PAGE_DONE, 1);
  shown.Post(MN_PRINT_PAGE_DONE, 2);
  shown.EndProgressLine();
  shown.EndProgressLine();  // the second call has no line to end
  EXPECT_EQ(output_, "\rPage 1 a.fmt --> a.ps\x1B[K\rPage 2 a.fmt --> a.ps\x1B[K\n");
}

}  // namespace
}  // namespace tavrel

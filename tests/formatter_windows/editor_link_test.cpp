// The editor link: title tests, the actions on a found window and the waits, against the
// stand-in editor running as a second process; the codes from the editor through a receiver.
#include "formatter/windows/editor_link.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <string>
#include <thread>

#include "formatter/common/settings_record.h"
#include "platform/gui/foreign_window_port.h"
#include "platform/gui/window_messages.h"
#include "tests/formatter_windows/editor_link_fixture.h"
#include "tests/support/stand_in_editor_process.h"
#include "tests/support/test_support.h"

namespace tavrel {
namespace {

using platform::gui::WindowRegistry;

struct TitleCase {
  const char* title;
  const char* file;
  std::uint8_t mode;
  bool matches;
};

TEST(EditorTitle, MatchesByNameAndEditorMark) {
  const TitleCase cases[] = {
      {"REPORT.WS - DUNMOOR", "C:\\Docs\\report.ws", kEditorClose, true},
      {"report.ws - dunmoor", "/home/u/REPORT.WS", kEditorShowAndJump, true},
      {"report.ws (Par 12)", "C:\\Docs\\report.ws", kEditorShowAndJump, true},
      {"report.ws (Abs 3)", "report.ws", kEditorClose, true},
      // The paragraph mark is tested in its own case only.
      {"report.ws (par 12)", "C:\\Docs\\report.ws", kEditorShowAndJump, false},
      {"report.ws Par 12", "report.ws", kEditorClose, false},
      {"report.ws (Parts 12)", "report.ws", kEditorClose, false},
      {"report.ws ( Abs 1)", "report.ws", kEditorClose, true},
      {"REPORT.WS", "report.ws", kEditorClose, false},
      {"other.ws - DUNMOOR", "report.ws", kEditorClose, false},
      {"REPORT.WS - DUNMOOR", "", kEditorClose, false},
      // A save request only goes to a window that shows unsaved changes.
      {"REPORT.WS - DUNMOOR", "report.ws", kEditorSave, false},
      {"*REPORT.WS - DUNMOOR", "report.ws", kEditorSave, true},
      {"report.ws* (Par 2)", "report.ws", kEditorSave, true},
  };
  for (const auto& c : cases)
    EXPECT_EQ(EditorTitleMatches(c.title, c.file, c.mode), c.matches)
        << c.title << " / " << c.file << " mode " << int(c.mode);
}

struct FontCase {
  std::int32_t lParam;
  std::optional<std::string> caption;
  std::uint8_t font;
  bool alternate;
};

constexpr std::int32_t Pack(char a, char b, char letter, char prefix) {
  return static_cast<std::int32_t>(
      static_cast<std::uint8_t>(a) | (static_cast<std::uint8_t>(b) << 8) |
      (static_cast<std::uint8_t>(letter) << 16) |
      (static_cast<std::uint32_t>(static_cast<std::uint8_t>(prefix)) << 24));
}

TEST(EditorFontSample, DecodesKindAndFontAndRefusesUnknownFonts) {
  const FontCase cases[] = {
      {Pack('.', 'b', 'C', 0), "Select Bold Font C", 3, false},
      {Pack('.', 'N', 'a', '\''), "Select Normal Font a'", 79, false},
      {Pack('a', 'B', 0, 0), "Select default Alternate Font", 0, true},
      {Pack('.', 'y', 0, 0), "Select default Italic Font", 0, false},
      {Pack('.', 'F', 'Z', '&'), "Select  Font Z&", 182, false},
      // An unknown kind letter keeps the previous caption.
      {Pack('.', 'Q', 'B', 0), "Select previous Font B", 2, false},
      // Letters that name no font: nothing is shown, no font table is touched.
      {Pack('.', 'B', '1', 0), std::nullopt, 0, false},
      {Pack('.', 'B', '\xff', '&'), std::nullopt, 0, false},
      {0, std::nullopt, 0, false},
  };
  for (const auto& c : cases) {
    const auto got = DecodeFontSample(c.lParam, "previous");
    ASSERT_EQ(got.has_value(), c.caption.has_value()) << std::hex << c.lParam;
    if (!got) continue;
    EXPECT_EQ(got->Caption, *c.caption);
    EXPECT_EQ(got->FontNumber, c.font) << *c.caption;
    EXPECT_EQ(got->Alternate, c.alternate) << *c.caption;
  }
}

// Tavrel's side (EditorLinkSide) with the actions the codes start recorded.
class EditorLinkProcess : public EditorLinkSide, public ::testing::Test {
 protected:
  EditorLinkProcess() {
    settings.AutoSaveEditor = 1;
    settings.AutoCorrectExtension = 1;
    settings.DoubleClickSwitchesFiles = 1;
    receiver.Actions.OpenDocument = [this](const std::string& name) { opened.push_back(name); };
    receiver.Actions.OpenInEditor = [this](const std::string& name, std::int32_t paragraph) {
      opened.push_back(name + " @" + std::to_string(paragraph));
    };
    receiver.Actions.Beep = [this] { opened.push_back("beep"); };
    receiver.Actions.Warn = [this](const std::string& text) { warnings.push_back(text); };
    receiver.Actions.ErrorBox = [this](const std::string& text) { warnings.push_back(text); };
  }

  std::vector<std::string> opened;
  std::vector<std::string> warnings;
  // The job thread waits for the save while this thread handles the editor's answer.
  bool sync_in_job_thread() {
    auto job = std::async(std::launch::async,
                          [&] { return SyncEditorFile(link(), "ws", receiver.Files); });
    serve_until(
        [&] { return job.wait_for(std::chrono::milliseconds(0)) == std::future_status::ready; });
    return job.get();
  }
};

TEST_F(EditorLinkProcess, ModifiedDocumentIsSavedBeforeItIsRead) {
  auto editor = start({"--title", "*REPORT.WS - DUNMOOR", "--child", "1", "--save-after", "150"});
  ASSERT_GT(editor->child(), 0);
  EXPECT_TRUE(sync_in_job_thread());
  EXPECT_EQ(finish(*editor), (std::vector<std::string>{"child 7777 2 0", "saved"}));
}

TEST_F(EditorLinkProcess, UnmodifiedDocumentGetsNoSaveRequest) {
  auto saved = start({"--title", "REPORT.WS - DUNMOOR", "--child", "1", "--save-after", "0"});
  ASSERT_GT(saved->child(), 0);
  EXPECT_FALSE(SyncEditorFile(link(), "ws", receiver.Files));
  EXPECT_TRUE(finish(*saved).empty());
  // Without automatic saving even a modified document is read as it is on disk.
  settings.AutoSaveEditor = 0;
  auto modified = start({"--title", "*REPORT.WS - DUNMOOR", "--save-after", "0"});
  ASSERT_GT(modified->top(), 0);
  EXPECT_FALSE(SyncEditorFile(link(), "ws", receiver.Files));
  EXPECT_TRUE(finish(*modified).empty());
}

TEST_F(EditorLinkProcess, SilentEditorDelaysTheJobOnlyUpToTheLimit) {
  auto editor = start({"--title", "*report.ws (Par 4)", "--save-after", "-1"});
  ASSERT_GT(editor->top(), 0);
  EXPECT_FALSE(sync_in_job_thread());
  EXPECT_EQ(finish(*editor), (std::vector<std::string>{"top 7777 2 0"}));
}

TEST_F(EditorLinkProcess, FormattedFileIsReleasedBeforeItIsOverwritten) {
  corvina_test::WriteFile(work.Path() / "report.fmt", "old");
  auto editor = start({"--title", "REPORT.FMT - DUNMOOR", "--child", "1", "--close-after", "100"});
  ASSERT_GT(editor->child(), 0);
  state.EditorFileReleased = 0;
  ASSERT_TRUE(FindEditorWindow(link(), ChooseFileExtension(document, "taf,fmt", receiver.Files),
                               kEditorClose));
  ASSERT_TRUE(serve_until([&] { return state.EditorFileReleased.load() != 0; }));
  editor->wait();
  EXPECT_EQ(editor->received(), (std::vector<std::string>{"child 16 0 0", "closed"}));
}

struct JumpCase {
  std::int32_t paragraph, page, pendingCode, pendingValue;
  std::vector<std::string> received;
};

TEST_F(EditorLinkProcess, ShowAndJumpPostsWhatTheCallerAsked) {
  auto editor = start({"--title", "report.ws (Par 12)", "--child", "1"});
  ASSERT_GT(editor->child(), 0);
  const JumpCase cases[] = {
      {12, 0, 0, 0, {"child 7777 1 12"}},
      {0, 3, 0, 0, {"child 7777 6 3"}},
      {0, 0, 0, 0, {}},
      // A pending command replaces the mode's own message.
      {12, 3, 30, 5, {"child 7777 30 5"}},
  };
  std::vector<std::string> expected;
  for (const auto& c : cases) {
    port.activate();
    state.JumpParagraph = c.paragraph;
    state.JumpPage = c.page;
    state.PendingEditorCode = c.pendingCode;
    state.PendingEditorValue = c.pendingValue;
    EXPECT_TRUE(FindEditorWindow(link(), document, kEditorShowAndJump));
    if (c.pendingCode == 0) {
      EXPECT_EQ(registry.z_order().front(), editor->top()) << c.paragraph << "/" << c.page;
    } else {
      EXPECT_EQ(registry.z_order().front(), port.handle());
    }
    expected.insert(expected.end(), c.received.begin(), c.received.end());
  }
  state.PendingEditorCode = 0;
  EXPECT_EQ(finish(*editor), expected);
}

TEST_F(EditorLinkProcess, OwnWindowAndOtherFilesAreNotEditors) {
  port.set_title("report.ws - DUNMOOR");
  auto editor = start({"--title", "other.ws - DUNMOOR"});
  ASSERT_GT(editor->top(), 0);
  port.activate();
  EXPECT_FALSE(FindEditorWindow(link(), document, kEditorClose));
  EXPECT_TRUE(finish(*editor).empty());
}

TEST_F(EditorLinkProcess, StreamsArriveCutAt255AndInOrder) {
  auto editor = start({"--title", "report.ws - DUNMOOR"});
  ASSERT_GT(editor->top(), 0);
  std::string text;
  for (int i = 0; i < 300; ++i) text += static_cast<char>('a' + i % 26);
  EXPECT_TRUE(SendEditorString(link(), text, EL_TEXT3_CHAR, EL_TEXT3_END, receiver.Files, false));
  std::vector<std::string> expected;
  for (std::size_t i = 0; i < 255; ++i)
    expected.push_back("top 7777 104 " + std::to_string(static_cast<int>(text[i])));
  expected.push_back("top 7777 105 0");
  EXPECT_EQ(finish(*editor), expected);
  EXPECT_EQ(state.PendingEditorCode.load(), 0);
}

// The expected log lines of a string sent one character per message.
std::vector<std::string> CharLines(const std::string& target, int code, const std::string& text) {
  std::vector<std::string> lines;
  for (const char c : text)
    lines.push_back(target + " 7777 " + std::to_string(code) + " " +
                    std::to_string(static_cast<unsigned char>(c)));
  return lines;
}

// The dialogs send on the GUI thread while a job thread asks another editor window to close:
// neither may take the other's message.
TEST_F(EditorLinkProcess, AStreamAndAnotherThreadsRequestsKeepTheirOwnMessages) {
  auto source = start({"--title", "REPORT.WS - DUNMOOR"});
  auto formatted = start({"--title", "REPORT.FMT - DUNMOOR", "--close-after", "-1"});
  ASSERT_GT(formatted->top(), 0);
  std::atomic<bool> streaming{true};
  auto job = std::async(std::launch::async, [&] {
    int closes = 0;
    while (streaming.load()) {
      closes += FindEditorWindow(link(), "report.fmt", kEditorClose);
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return closes;
  });
  std::string text;
  for (int i = 0; i < 200; ++i) text.push_back(static_cast<char>('A' + i % 26));
  EXPECT_TRUE(SendEditorString(link(), text, EL_TEXT_CHAR, -1, receiver.Files, false));
  streaming = false;
  const int closes = job.get();
  ASSERT_GT(closes, 0);
  std::vector<std::string> stream;
  for (const unsigned char c : text) stream.push_back("top 7777 100 " + std::to_string(c));
  EXPECT_EQ(finish(*source), stream);
  EXPECT_EQ(finish(*formatted), std::vector<std::string>(closes, "top 16 0 0"));
}

TEST_F(EditorLinkProcess, InsertionStreamsGoToTheChosenWindow) {
  corvina_test::WriteFile(work.Path() / "report.fmt", "formatted");
  auto source = start({"--title", "report.ws - DUNMOOR"});
  auto formatted = start({"--title", "report.fmt - DUNMOOR", "--child", "1"});
  ASSERT_GT(source->top(), 0);
  ASSERT_GT(formatted->child(), 0);
  int reports = 0;
  const EditorInsertion toSource{false, [&] { ++reports; }};
  const EditorInsertion toFormatted{true, [&] { ++reports; }};
  EXPECT_TRUE(InsertTextIntoEditor(link(), ".PL", "66", 1, receiver.Files, toSource));
  SendHeaderTextToEditor(link(), ".1", "Title", receiver.Files, toFormatted);
  SendMarkedTextToEditor(link(), "text", receiver.Files, toFormatted);
  EXPECT_TRUE(InsertTextIntoEditor(link(), ".PA", "", 0, receiver.Files, toFormatted));

  std::vector<std::string> expectedSource = {"top 7777 101 1"};
  for (const auto& line : CharLines("top", 100, ".PL 66")) expectedSource.push_back(line);
  std::vector<std::string> expectedFormatted = CharLines("child", 102, ".1");
  expectedFormatted.push_back("child 7777 103 0");
  for (const auto& line : CharLines("child", 100, " Title")) expectedFormatted.push_back(line);
  for (const auto& line : CharLines("child", 104, "text")) expectedFormatted.push_back(line);
  expectedFormatted.push_back("child 7777 105 0");
  expectedFormatted.push_back("child 7777 101 0");
  for (const auto& line : CharLines("child", 100, ".PA")) expectedFormatted.push_back(line);
  EXPECT_EQ(finish(*source), expectedSource);
  EXPECT_EQ(finish(*formatted), expectedFormatted);
  EXPECT_EQ(reports, 0);
}

TEST_F(EditorLinkProcess, InsertionWithoutEditorIsReportedAndDropped) {
  int reports = 0;
  const EditorInsertion where{false, [&] { ++reports; }};
  EXPECT_FALSE(InsertTextIntoEditor(link(), ".PL", "66", 0, receiver.Files, where));
  EXPECT_EQ(reports, 1);
  SendHeaderTextToEditor(link(), ".2", "x", receiver.Files, where);
  EXPECT_EQ(reports, 2);
  // An editor started now sees nothing of what was dropped before.
  auto late = start({"--title", "report.ws - DUNMOOR"});
  ASSERT_GT(late->top(), 0);
  EXPECT_TRUE(finish(*late).empty());
}

TEST_F(EditorLinkProcess, EditorCommandsReachTheMainWindow) {
  // "r.ws" by code 3, opened by code 4; hello answered to the window in lParam; jumps.
  auto editor = start(
      {"--title", "x - DUNMOOR", "--send", "3:114,3:46,3:119,3:115,4:0,9:7,11:50,12:65,1:0,0:0"});
  ASSERT_GT(editor->top(), 0);
  ASSERT_TRUE(serve_until([&] { return state.EditorFileReleased.load() != 0; }));
  EXPECT_EQ(opened, (std::vector<std::string>{"r.ws"}));
  EXPECT_EQ(state.PreviewStartPage.load(), 7);
  EXPECT_EQ(state.PicturePercent.load(), 50);
  EXPECT_EQ(state.PictureTextWidth.load(), 65);
  EXPECT_EQ(state.EditorSaved.load(), 1);
  HandleEditorLinkMessage(receiver, EL_HELLO, editor->top());
  EXPECT_EQ(finish(*editor), (std::vector<std::string>{"top 7777 10 0"}));
}

TEST_F(EditorLinkProcess, JumpsOnlyIntoTheCurrentDocument) {
  corvina_test::WriteFile(work.Path() / "report.fmt", "formatted");
  const auto send_name = [&](const std::string& name) {
    for (const char c : name) HandleEditorLinkMessage(receiver, EL_DOC_NAME_CHAR, c);
  };
  send_name("C:\\X\\REPORT.WS");
  HandleEditorLinkMessage(receiver, EL_JUMP_TO_SOURCE, 12);
  send_name("report.fmt");
  HandleEditorLinkMessage(receiver, EL_JUMP_TO_FORMATTED, 3);
  send_name("reporter.ws");
  HandleEditorLinkMessage(receiver, EL_JUMP_TO_SOURCE, 1);
  settings.DoubleClickSwitchesFiles = 0;
  send_name("report.ws");
  HandleEditorLinkMessage(receiver, EL_JUMP_TO_SOURCE, 1);
  EXPECT_EQ(opened,
            (std::vector<std::string>{
                document + " @12", (work.Path() / "report.fmt").string() + " @3", "beep", "beep"}));
  EXPECT_TRUE(receiver.Buffers.DocumentNameBuffer.empty());
}

TEST_F(EditorLinkProcess, OverlongNamesAreCutWithOneWarning) {
  for (int i = 0; i < 100000; ++i) HandleEditorLinkMessage(receiver, EL_COMMAND_CHAR, 'x');
  std::string shown;
  receiver.Actions.ShowDotCommands = [&](std::uint8_t, const std::string& c) { shown = c; };
  HandleEditorLinkMessage(receiver, EL_SHOW_DOT_COMMANDS, 1);
  EXPECT_EQ(shown, std::string(255, 'x'));
  EXPECT_EQ(warnings,
            (std::vector<std::string>{
                "Text from the editor is longer than 255 characters: the rest is dropped."}));
  HandleEditorLinkMessage(receiver, EL_COMMAND_CLEAR, 0);
  HandleEditorLinkMessage(receiver, EL_COMMAND_CHAR, '.');
  HandleEditorLinkMessage(receiver, EL_SHOW_DOT_COMMANDS, 1);
  EXPECT_EQ(shown, ".");
}

TEST_F(EditorLinkProcess, NamedFilesDropOneBlankAndReportMissingOnes) {
  std::vector<std::string> located;
  receiver.Actions.LocateFile = [&](std::string& name) {
    located.push_back(name);
    return name == "pic.bmp";
  };
  std::vector<std::string> graphics;
  receiver.Actions.ShowGraphics = [&](bool named, std::uint8_t selector, const std::string& n) {
    graphics.push_back(std::to_string(named) + std::to_string(selector) + ":" + n);
  };
  const auto fill = [&](std::int32_t clear, std::int32_t add, const std::string& text) {
    HandleEditorLinkMessage(receiver, clear, 0);
    for (const char c : text) HandleEditorLinkMessage(receiver, add, c);
  };
  fill(EL_FILE_NAME_CLEAR, EL_FILE_NAME_CHAR, " pic.bmp");
  HandleEditorLinkMessage(receiver, EL_OPEN_FILE_IN_EDITOR, 0);
  fill(EL_FILE_NAME_CLEAR, EL_FILE_NAME_CHAR, "  gone.txt");
  HandleEditorLinkMessage(receiver, EL_OPEN_FILE_IN_EDITOR, 0);
  fill(EL_FILE_NAME_CLEAR, EL_FILE_NAME_CHAR, "");
  HandleEditorLinkMessage(receiver, EL_OPEN_FILE_IN_EDITOR, 0);
  fill(EL_GRAPHIC_NAME_CLEAR, EL_GRAPHIC_NAME_CHAR, " a.gif");
  HandleEditorLinkMessage(receiver, EL_LOAD_GRAPHIC_FILE, 0x102);
  fill(EL_GRAPHIC_NAME_CLEAR, EL_GRAPHIC_NAME_CHAR, " ");
  HandleEditorLinkMessage(receiver, EL_LOAD_GRAPHIC_FILE, 1);
  receiver.Actions.TemplateRightMargin = [] { return 65; };
  HandleEditorLinkMessage(receiver, EL_LOAD_CLIPBOARD_GRAPHIC, 0);
  // Codes without a meaning change nothing.
  for (const std::int32_t code : {6, 14, 33, 63, 198, 200, -1})
    HandleEditorLinkMessage(receiver, code, 1);
  EXPECT_EQ(located, (std::vector<std::string>{"pic.bmp", " gone.txt"}));
  EXPECT_EQ(opened, (std::vector<std::string>{"pic.bmp @0"}));
  EXPECT_EQ(warnings, (std::vector<std::string>{"File  gone.txt not found."}));
  EXPECT_EQ(graphics, (std::vector<std::string>{"12:a.gif", "00:"}));
  EXPECT_EQ(state.PictureTextWidth.load(), 65);
}

}  // namespace
}  // namespace tavrel

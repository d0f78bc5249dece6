// The main window and the text editor as two processes: the stand-in editor is started for
// real, registers its windows beside Tavrel's main window, answers by its script and logs
// what it receives. The jobs run in their threads as they do for the user.
#include "formatter/app/editor_connection.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QAction>
#include <QApplication>
#include <algorithm>
#include <chrono>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "formatter/app/main_window.h"
#include "formatter/app/preview_control.h"
#include "formatter/windows/dot_command_dialog.h"
#include "formatter/windows/font_sample_window.h"
#include "formatter/windows/preview_window.h"
#include "platform/gui/message_boxes.h"
#include "platform/gui/window_messages.h"
#include "platform/gui/window_registry.h"
#include "platform/printers.h"
#include "tests/formatter_app/tavrel_run_fixture.h"
#include "tests/support/stand_in_editor_process.h"
#include "tests/support/test_support.h"

namespace tavrel {
namespace {

namespace gui = platform::gui;
using corvina_test::ReadFile;
using corvina_test::StandInEditor;
using corvina_test::WriteFile;

bool WaitFor(const std::function<bool()>& done, int ms = 60000) {
  return gui::wait_serving_messages(done, std::chrono::milliseconds(ms));
}

bool Has(const std::vector<std::string>& lines, const std::string& line) {
  return std::find(lines.begin(), lines.end(), line) != lines.end();
}

int Count(const std::vector<std::string>& lines, const std::string& line) {
  return static_cast<int>(std::count(lines.begin(), lines.end(), line));
}

// The editor's commands that spell a text one character per message with code.
std::string Spell(std::int32_t code, const std::string& text) {
  std::string out;
  for (const unsigned char c : text) out += std::to_string(code) + ":" + std::to_string(c) + ",";
  return out;
}

std::string Text(const std::string& words, int lines = 3) {
  std::string text;
  for (int i = 0; i < lines; ++i) text += words + " in line " + std::to_string(i) + ".\r\n";
  return text;
}

class EditorLinkWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    InstallTavrel(dir_.Path(), program_, docs_);
    gui::set_box_responder([this](const gui::BoxRequest& r) {
      boxes_.push_back(r.text);
      return r.choice == gui::BoxChoice::ok ? gui::kBoxOk : gui::kBoxNo;
    });
    document_ = docs_ / "report.ws";
    WriteFile(document_, Text("Old words"));
  }
  void TearDown() override {
    editors_.clear();
    window_.reset();
    gui::set_box_responder({});
  }

  MainWindow& Open() {
    TavrelEnvironment env;
    env.ProgramDirectory = program_.string();
    env.CurrentDirectory = docs_.string();
    env.Printers = &printers_;
    env.FontFamilies = {"Arial", "Courier New", "Helvetica", "Times New Roman"};
    window_ = std::make_unique<MainWindow>(std::vector<std::string>{document_.string()}, env);
    window_->show();
    QApplication::processEvents();
    // The first start's questions and notes are not what these tests look at.
    window_->Jobs().WriteFontDefinitionIfMissing();
    boxes_.clear();
    return *window_;
  }

  // A stand-in editor that answers to the main window.
  StandInEditor& Editor(std::vector<std::string> script) {
    script.insert(script.end(), {"--reply-to", std::to_string(window_->Editor().Window())});
    editors_.push_back(std::make_unique<StandInEditor>(gui::WindowRegistry::default_directory(),
                                                       dir_.Path().string(), script));
    EXPECT_GT(editors_.back()->top(), 0);
    return *editors_.back();
  }

  bool Received(const StandInEditor& editor, const std::string& line) {
    return WaitFor([&] { return Has(editor.received(), line); }, 20000);
  }

  // Older than its source: no question about changes made to it by hand.
  void AgeFormattedFile() {
    fs::last_write_time(docs_ / "report.fmt",
                        fs::last_write_time(document_) - std::chrono::hours(1));
  }

  bool FormatAndWait() {
    if (!window_->Jobs().StartFormatJob('F', "")) return false;
    return WaitFor([this] { return window_->Jobs().FormatJobBusy.load() == 0; });
  }

  std::string Boxes() const {
    std::string all;
    for (const std::string& t : boxes_) all += t + "\n";
    return all;
  }

  // An editor program named name that writes its arguments, one a line, to argumentsLog_
  // (renamed into place when whole); it becomes the configured editor.
  fs::path UseLoggingEditor(const std::string& name) {
    const fs::path program = dir_.Path() / name;
    const std::string log = argumentsLog_.string();
    WriteFile(program, "#!/bin/sh\nfor a in \"$@\"; do printf '%s\\n' \"$a\"; done > '" + log +
                           ".part' && mv '" + log + ".part' '" + log + "'\n");
    ::chmod(program.c_str(), 0755);
    window_->Jobs().Settings().EditorFileName.Assign(program.string());
    return program;
  }

  bool BoxSaid(const std::string& part) const {
    return std::any_of(boxes_.begin(), boxes_.end(),
                       [&](const std::string& t) { return t.find(part) != std::string::npos; });
  }

  corvina_test::TempDir dir_{"tavrel-editor"};
  fs::path program_, docs_, document_;
  platform::PrinterList printers_ = platform::PrinterList::virtual_only();
  std::vector<std::string> boxes_;
  std::unique_ptr<MainWindow> window_;
  std::vector<std::unique_ptr<StandInEditor>> editors_;
  fs::path argumentsLog_ = dir_.Path() / "arguments.txt";
};

TEST_F(EditorLinkWindow, TheMainWindowTakesPartUnderItsCaption) {
  MainWindow& w = Open();
  ASSERT_TRUE(w.Editor().ok());
  const gui::WindowRegistry registry(gui::WindowRegistry::default_directory());
  EXPECT_EQ(registry.window_title(w.Editor().Window()), "Tavrel - report.ws");
  // Its own caption never makes it an editor, even when it holds the name and the mark.
  w.setWindowTitle("report.ws - DUNMOOR");
  EXPECT_EQ(registry.window_title(w.Editor().Window()), "report.ws - DUNMOOR");
  w.Jobs().EditorJumpParagraph = 3;
  w.Jobs().OpenInEditor(document_.string());
  w.Jobs().EditorJumpParagraph = 0;
  EXPECT_TRUE(BoxSaid("not found")) << Boxes();
}

TEST_F(EditorLinkWindow, AModifiedDocumentIsSavedByTheEditorBeforeItIsFormatted) {
  Open();
  WriteFile(docs_ / "buffer.txt", Text("Saved words"));
  StandInEditor& editor =
      Editor({"--title", "*REPORT.WS - DUNMOOR", "--save-after", "300", "--save-from",
              (docs_ / "buffer.txt").string(), "--save-to", document_.string()});
  ASSERT_TRUE(FormatAndWait()) << Boxes();
  const std::string formatted = ReadFile(docs_ / "report.fmt");
  EXPECT_NE(formatted.find("Saved words"), std::string::npos) << formatted;
  EXPECT_EQ(formatted.find("Old words"), std::string::npos);
  EXPECT_TRUE(Has(editor.received(), "saved"));
  // Saved: the title shows no change any more, and the next format asks nothing.
  AgeFormattedFile();
  ASSERT_TRUE(FormatAndWait()) << Boxes();
  EXPECT_EQ(Count(editor.received(), "top 7777 2 0"), 1);
}

TEST_F(EditorLinkWindow, AnUnchangedDocumentGetsNoSaveRequest) {
  MainWindow& w = Open();
  struct Case {
    const char* title;
    bool child;
  };
  for (const Case c : {Case{"REPORT.WS - DUNMOOR", false}, Case{"report.ws (Par 7)", true}}) {
    StandInEditor& editor =
        Editor({"--title", c.title, "--child", c.child ? "1" : "0", "--save-after", "0"});
    ASSERT_TRUE(FormatAndWait()) << Boxes();
    // A later command shows that the editor was listening all along.
    w.Jobs().EditorJumpParagraph = 2;
    w.Jobs().OpenInEditor(document_.string());
    w.Jobs().EditorJumpParagraph = 0;
    const std::string jump = std::string(c.child ? "child" : "top") + " 7777 1 2";
    ASSERT_TRUE(Received(editor, jump)) << c.title;
    EXPECT_EQ(editor.received(), std::vector<std::string>{jump}) << c.title;
    editor.kill_now();
  }
}

TEST_F(EditorLinkWindow, FormattingOverAnOpenFormattedFileWaitsForTheEditorToLetGo) {
  MainWindow& w = Open();
  WriteFile(docs_ / "report.fmt", "old");
  AgeFormattedFile();
  StandInEditor& editor =
      Editor({"--title", "report.fmt (Abs 1)", "--child", "1", "--close-after", "300"});
  ASSERT_TRUE(FormatAndWait()) << Boxes();
  EXPECT_EQ(editor.received(), (std::vector<std::string>{"child 16 0 0", "closed"}));
  // It waited, and code 0 ended the wait before its limit.
  EXPECT_GT(w.Jobs().LastReleaseWaitSteps.load(), 0);
  EXPECT_LT(w.Jobs().LastReleaseWaitSteps.load(), 101);
  EXPECT_NE(ReadFile(docs_ / "report.fmt").find("Old words"), std::string::npos);
}

TEST_F(EditorLinkWindow, AnEditorThatNeverAnswersDelaysTheJobOnlyByTheWaits) {
  MainWindow& w = Open();
  StandInEditor& source = Editor({"--title", "*REPORT.WS - DUNMOOR"});
  StandInEditor& formatted = Editor({"--title", "REPORT.FMT - DUNMOOR"});
  ASSERT_TRUE(FormatAndWait()) << Boxes();
  EXPECT_EQ(w.Jobs().LastReleaseWaitSteps.load(), 101);
  EXPECT_EQ(formatted.received(), std::vector<std::string>{"top 16 0 0"});
  EXPECT_EQ(source.received(), std::vector<std::string>{"top 7777 2 0"});
  EXPECT_NE(ReadFile(docs_ / "report.fmt").find("Old words"), std::string::npos);
}

TEST_F(EditorLinkWindow, EditOnTheFormattedFileJumpsToThePreviewPage) {
  std::string pages;
  for (int page = 1; page <= 4; ++page)
    pages += Text("Page " + std::to_string(page)) + (page < 4 ? ".PA\r\n" : "");
  WriteFile(document_, pages);
  MainWindow& w = Open();
  // The preview shows page 4 before any editor is there to be asked to save the file.
  ASSERT_TRUE(FormatAndWait()) << Boxes();
  w.Jobs().PreviewStartPage = 4;
  ASSERT_TRUE(w.Jobs().StartPreview());
  PreviewSession& preview = *w.Jobs().Preview();
  ASSERT_TRUE(WaitFor([&] { return preview.WaitsForWork() && preview.LastPage() == 4; }));
  boxes_.clear();  // the first format's printer question
  const gui::WindowRegistry registry(gui::WindowRegistry::default_directory());
  StandInEditor& editor = Editor({"--title", "REPORT.FMT - DUNMOOR"});
  StandInEditor& source = Editor({"--title", "REPORT.WS - DUNMOOR"});
  w.Buttons[2]->click();
  ASSERT_TRUE(Received(editor, "top 7777 6 4"));
  // The preview's page was for the formatted file: "edit" on the source does not jump there.
  w.Buttons[0]->click();
  EXPECT_EQ(registry.z_order().front(), source.top());
  // A marker posted after the click arrives after anything the click posted.
  ASSERT_TRUE(registry.post(source.top(), WM_EDITOR_LINK, 99, 0));
  ASSERT_TRUE(Received(source, "top 7777 99 0"));
  EXPECT_EQ(source.received(), std::vector<std::string>{"top 7777 99 0"});
  // Without a preview the window only comes to the front.
  preview.Form().close();
  ASSERT_TRUE(WaitFor([&] { return !preview.ThreadExists(); }));
  w.Buttons[2]->click();
  EXPECT_EQ(registry.z_order().front(), editor.top());
  ASSERT_TRUE(registry.post(editor.top(), WM_EDITOR_LINK, 99, 0));
  ASSERT_TRUE(Received(editor, "top 7777 99 0"));
  EXPECT_EQ(editor.received(), (std::vector<std::string>{"top 7777 6 4", "top 7777 99 0"}));
  EXPECT_TRUE(boxes_.empty()) << Boxes();
}

TEST_F(EditorLinkWindow, CodesThreeAndFourOpenTheDocumentTheEditorNames) {
  MainWindow& w = Open();
  const fs::path other = docs_ / "other chapter.ws";
  WriteFile(other, Text("Other"));
  Editor({"--title", "OTHER CHAPTER.WS - DUNMOOR", "--send",
          Spell(EL_DOC_NAME_CHAR, other.string()) + "4:0"});
  ASSERT_TRUE(WaitFor([&] { return w.Jobs().CurrentDocument() == other.string(); }, 20000));
  EXPECT_EQ(w.windowTitle().toStdString(), "Tavrel - other chapter.ws");
  // The buffer was used up: a second code 4 alone opens nothing.
  Editor({"--title", "x", "--send", Spell(EL_DOC_NAME_CHAR, "missing.ws") + "4:0,4:0"});
  ASSERT_TRUE(WaitFor([&] { return BoxSaid("missing.ws"); }, 20000));
  EXPECT_EQ(boxes_.size(), 1u) << Boxes();
  EXPECT_EQ(w.Jobs().CurrentDocument(), other.string());
}

TEST_F(EditorLinkWindow, CodesSevenAndEightJumpInTheCurrentDocumentsFiles) {
  Open();
  WriteFile(docs_ / "report.fmt", "formatted");
  StandInEditor& source = Editor({"--title", "REPORT.WS - DUNMOOR"});
  // Another document's name only beeps; then a jump into each of the two files.
  StandInEditor& formatted =
      Editor({"--title", "REPORT.FMT - DUNMOOR", "--send",
              Spell(EL_DOC_NAME_CHAR, "notes.ws") + "7:9," + Spell(EL_DOC_NAME_CHAR, "REPORT.FMT") +
                  "7:12," + Spell(EL_DOC_NAME_CHAR, "report.ws") + "8:5"});
  ASSERT_TRUE(Received(formatted, "top 7777 1 5"));
  ASSERT_TRUE(Received(source, "top 7777 1 12"));
  EXPECT_EQ(source.received(), std::vector<std::string>{"top 7777 1 12"});
  EXPECT_EQ(formatted.received(), std::vector<std::string>{"top 7777 1 5"});
  EXPECT_TRUE(boxes_.empty()) << Boxes();
}

TEST_F(EditorLinkWindow, CodeTenIsAnsweredToTheWindowItNames) {
  Open();
  StandInEditor& asked = Editor({"--title", "listener"});
  StandInEditor& asking =
      Editor({"--title", "asker", "--send", "10:" + std::to_string(asked.top())});
  ASSERT_TRUE(Received(asked, "top 7777 10 0"));
  EXPECT_TRUE(asking.received().empty());
}

TEST_F(EditorLinkWindow, CodeTwoShowsTheFontSampleForKnownFontsOnly) {
  MainWindow& w = Open();
  const auto pack = [](char kind, char letter) {
    return std::to_string('.' | (kind << 8) | (letter << 16));
  };
  // Letters that name no font come first: nothing may be shown for them.
  Editor({"--title", "fonts", "--send",
          "2:" + pack('B', '1') + ",2:" + pack('B', '~') + ",2:" + pack('B', 'C')});
  ASSERT_TRUE(WaitFor([&] { return w.Form9->isVisible(); }, 20000));
  EXPECT_EQ(w.Form9->windowTitle().toStdString(), "Select Bold Font C");
  EXPECT_FALSE(w.Form9->Label1->text().isEmpty());
  fs::create_directories("snapshots");
  ASSERT_TRUE(w.Form9->grab().save("snapshots/tavrel-font-sample.png"));
  Editor({"--title", "fonts", "--send", "2:0"});
  ASSERT_TRUE(WaitFor([&] { return !w.Form9->isVisible(); }, 20000));
  EXPECT_TRUE(boxes_.empty()) << Boxes();
}

TEST_F(EditorLinkWindow, TheDialogCodesReachTheMainWindowsDialogs) {
  MainWindow& w = Open();
  Editor({"--title", "dialogs", "--send",
          "60:0," + Spell(EL_COMMAND_CHAR, ".PL") + "62:1,20:0," +
              Spell(EL_GRAPHIC_NAME_CHAR, " picture.bmp") + "22:2"});
  // Code 62 opens the dot-command dialog on the editor's command, in the editor's window.
  ASSERT_TRUE(WaitFor([&] { return w.Form10 != nullptr && w.Form10->isVisible(); }, 20000));
  EXPECT_TRUE(w.Form10->OpenedByEditor());
  EXPECT_EQ(w.Form10->WindowSelector(), 1);
  EXPECT_EQ(w.Form10->SelectedCommand(), ".PL");
  ASSERT_TRUE(WaitFor([&] { return boxes_.size() == 1; }, 20000));
  EXPECT_TRUE(BoxSaid("picture.bmp")) << Boxes();
}

TEST_F(EditorLinkWindow, CodeOneNinetyNineBringsTheMainWindowToTheFront) {
  MainWindow& w = Open();
  Editor({"--title", "first"});
  StandInEditor& last = Editor({"--title", "last", "--send", "9:7,199:0"});
  const gui::WindowRegistry registry(gui::WindowRegistry::default_directory());
  ASSERT_TRUE(WaitFor([&] { return registry.z_order().front() == w.Editor().Window(); }, 20000));
  EXPECT_EQ(w.Jobs().PreviewStartPage.load(), 7);
  EXPECT_NE(registry.z_order().front(), last.top());
}

TEST_F(EditorLinkWindow, CloseEditorsClosesTheWindowsOfTheDocumentsFiles) {
  MainWindow& w = Open();
  StandInEditor& source = Editor({"--title", "REPORT.WS - DUNMOOR"});
  StandInEditor& contents = Editor({"--title", "report.toc (Par 1)"});
  StandInEditor& stranger = Editor({"--title", "REPORT.BAK - DUNMOOR"});
  w.findChild<QAction*>("MenuItem5")->trigger();
  ASSERT_TRUE(Received(source, "top 16 0 0"));
  ASSERT_TRUE(Received(contents, "top 16 0 0"));
  EXPECT_TRUE(stranger.received().empty());
}

TEST_F(EditorLinkWindow, PrintingAsksTheEditorToSaveTheFormattedFileFirst) {
  MainWindow& w = Open();
  ASSERT_TRUE(FormatAndWait()) << Boxes();
  WriteFile(docs_ / "buffer.txt", ReadFile(docs_ / "report.fmt"));
  StandInEditor& editor =
      Editor({"--title", "*REPORT.FMT - DUNMOOR", "--save-after", "100", "--save-from",
              (docs_ / "buffer.txt").string(), "--save-to", (docs_ / "report.fmt").string()});
  ASSERT_TRUE(w.Jobs().StartPrintJob(true));
  ASSERT_TRUE(WaitFor([&] { return w.Jobs().PrintBusy.load() == 0; }));
  EXPECT_EQ(editor.received().front(), "top 7777 2 0");
  EXPECT_TRUE(Has(editor.received(), "saved"));
  EXPECT_TRUE(fs::exists(docs_ / "report.ps"));
}

TEST_F(EditorLinkWindow, OtherMessagesFromOtherProcessesAreIgnored) {
  MainWindow& w = Open();
  const gui::WindowRegistry registry(gui::WindowRegistry::default_directory());
  ASSERT_TRUE(registry.post(w.Editor().Window(), gui::kWmClose, 0, 0));
  ASSERT_TRUE(registry.post(w.Editor().Window(), 7771, 249, 0));  // the window's own close code
  StandInEditor& editor = Editor({"--title", "x", "--send", "10:0,-5:3,100000:1,10:0"});
  // A message sent after them is served, so they were read and dropped.
  StandInEditor& asked = Editor({"--title", "listener"});
  Editor({"--title", "y", "--send", "10:" + std::to_string(asked.top())});
  ASSERT_TRUE(Received(asked, "top 7777 10 0"));
  EXPECT_TRUE(w.isVisible());
  EXPECT_TRUE(editor.received().empty());
  EXPECT_TRUE(boxes_.empty()) << Boxes();
}

TEST_F(EditorLinkWindow, TheEditorIsStartedWithItsSwitchesWhenNoWindowShowsTheFile) {
  MainWindow& w = Open();
  const fs::path& log = argumentsLog_;
  const fs::path vi = UseLoggingEditor("vi");
  const fs::path dunmoor = UseLoggingEditor("Dunmoor");
  // The editor runs, but shows another file: the jump goes to a new editor as a switch.
  Editor(
      {"--title", "OTHER.WS - DUNMOOR", "--send", Spell(EL_DOC_NAME_CHAR, "report.ws") + "7:12"});
  ASSERT_TRUE(WaitFor([&] { return fs::exists(log); }, 20000));
  EXPECT_EQ(ReadFile(log), document_.string() + "\n/PAR:12\n");
  EXPECT_EQ(w.Jobs().EditorJumpParagraph, 0);

  // The switches only for the suite's editor, the paragraph before the page, and a name with
  // blanks as one argument.
  const fs::path other = docs_ / "my notes.ws";
  WriteFile(other, "text");
  struct Case {
    fs::path program;
    std::int32_t paragraph, page;
    std::string switches;
  };
  const Case cases[] = {{dunmoor, 0, 3, "/PAGE:3\n"},
                        {dunmoor, 5, 3, "/PAR:5\n"},
                        {dunmoor, 0, 0, ""},
                        {vi, 5, 3, ""}};
  for (const Case& c : cases) {
    fs::remove(log);
    w.Jobs().Settings().EditorFileName.Assign(c.program.string());
    w.Jobs().EditorJumpParagraph = c.paragraph;
    w.Jobs().EditorJumpPage = c.page;
    w.Jobs().OpenInEditor(other.string());
    ASSERT_TRUE(WaitFor([&] { return fs::exists(log); }, 20000));
    EXPECT_EQ(ReadFile(log), other.string() + "\n" + c.switches)
        << c.program << " " << c.paragraph << " " << c.page;
  }
  EXPECT_TRUE(boxes_.empty()) << Boxes();
}

TEST_F(EditorLinkWindow, CodeThirtyTwoOpensTheNamedFileWhereverItIsFound) {
  Open();
  const fs::path& log = argumentsLog_;
  UseLoggingEditor("vi");
  // One leading blank is dropped; the file is found in the program folder.
  Editor({"--title", "x", "--send",
          "30:0," + Spell(EL_FILE_NAME_CHAR, " Headings.ws") + "32:0,30:0," +
              Spell(EL_FILE_NAME_CHAR, "nothing.ws") + "32:0,30:0,32:0"});
  ASSERT_TRUE(WaitFor([&] { return fs::exists(log) && BoxSaid("nothing.ws"); }, 20000));
  EXPECT_EQ(ReadFile(log), (program_ / "Headings.ws").string() + "\n");
  EXPECT_EQ(boxes_, std::vector<std::string>{"File nothing.ws not found."});
}

TEST_F(EditorLinkWindow, AnEndlessNameIsCutWithOneWarning) {
  MainWindow& w = Open();
  const std::string name(20000, 'n');
  Editor({"--title", "x", "--send", Spell(EL_DOC_NAME_CHAR, name) + "4:0"});
  ASSERT_TRUE(WaitFor([&] { return boxes_.size() >= 2; }, 30000));
  ASSERT_EQ(boxes_.size(), 2u) << Boxes();
  EXPECT_NE(boxes_[0].find("255"), std::string::npos) << boxes_[0];
  EXPECT_NE(boxes_[1].find(std::string(255, 'n') + " not found"), std::string::npos);
  EXPECT_EQ(boxes_[1].find(std::string(256, 'n')), std::string::npos);
  EXPECT_EQ(w.Jobs().CurrentDocument(), document_.string());
}

// A registry folder that others may enter is refused: the program works alone.
TEST_F(EditorLinkWindow, WithoutAUsableRegistryTheProgramWorksAlone) {
  const std::string runtime = ::getenv("XDG_RUNTIME_DIR") ? ::getenv("XDG_RUNTIME_DIR") : "";
  const fs::path open = dir_.Path() / "runtime";
  fs::create_directories(open / "corvina-windows");
  fs::permissions(open / "corvina-windows", fs::perms::all);
  ::setenv("XDG_RUNTIME_DIR", open.c_str(), 1);
  MainWindow& w = Open();
  if (runtime.empty())
    ::unsetenv("XDG_RUNTIME_DIR");
  else
    ::setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
  EXPECT_FALSE(w.Editor().ok());
  EXPECT_EQ(w.Editor().Window(), 0);
  EXPECT_TRUE(fs::is_empty(open / "corvina-windows"));
  ASSERT_TRUE(FormatAndWait()) << Boxes();
  EXPECT_EQ(w.Jobs().LastReleaseWaitSteps.load(), 0);
  EXPECT_NE(ReadFile(docs_ / "report.fmt").find("Old words"), std::string::npos);
  w.Jobs().OpenInEditor(document_.string());
  EXPECT_TRUE(BoxSaid("not found")) << Boxes();
}

}  // namespace
}  // namespace tavrel

// The dot-command dialog as a real widget: what it sends to the stand-in editor (a second
// process) for commands with presets, scales, fonts, characters and shapes; the go-to search,
// the "add directory?" question, the command the editor opens it on, its German captions and a
// snapshot.
#include "formatter/windows/dot_command_dialog.h"

#include <gtest/gtest.h>
#include <QApplication>
#include <QComboBox>
#include <QTest>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "formatter/common/messages.h"
#include "formatter/windows/dot_command_outline.h"
#include "formatter/windows/form_captions.h"
#include "platform/gui/foreign_window_port.h"
#include "platform/gui/window_messages.h"
#include "tests/support/stand_in_editor_process.h"
#include "tests/support/test_support.h"

namespace tavrel {
namespace {

using platform::gui::WindowRegistry;
using Stream = std::vector<std::string>;

// The log lines the stand-in editor writes for a stream of characters with one code.
void AddChars(Stream& stream, std::int32_t code, const std::string& text) {
  for (const char c : text)
    stream.push_back("top 7777 " + std::to_string(code) + " " +
                     std::to_string(static_cast<unsigned char>(c)));
}
void AddCode(Stream& stream, std::int32_t code, std::int32_t value) {
  stream.push_back("top 7777 " + std::to_string(code) + " " + std::to_string(value));
}

// What one insertion sends: the dialog-done code, then the command either plainly (with the
// opened-by-editor flag) or as the leading string, the heading code and the marked prompt.
struct Expected {
  std::string Text;       // the command line as inserted (parameter included)
  bool Leading = false;   // the command as leading string, the parameter after it
  std::string Parameter;  // for Leading: sent after a blank
  bool Heading = false;
  std::string Prompt;
  std::int32_t Flag = 0;
};
Expected Plain(std::string text, std::int32_t flag = 0) {
  Expected e;
  e.Text = std::move(text);
  e.Flag = flag;
  return e;
}
Expected Leading(std::string text, std::string parameter = "") {
  Expected e;
  e.Text = std::move(text);
  e.Leading = true;
  e.Parameter = std::move(parameter);
  return e;
}
Expected Prompted(Expected e, std::string prompt, bool heading = false) {
  e.Prompt = std::move(prompt);
  e.Heading = heading;
  return e;
}

Stream StreamOf(const Expected& e) {
  Stream s;
  AddCode(s, EL_DIALOG_DONE, 0);
  if (e.Leading) {
    AddChars(s, EL_TEXT2_CHAR, e.Text);
    AddCode(s, EL_TEXT2_END, 0);
    if (!e.Parameter.empty()) AddChars(s, EL_TEXT_CHAR, " " + e.Parameter);
  } else {
    AddCode(s, EL_TEXT_BEGIN, e.Flag);
    AddChars(s, EL_TEXT_CHAR, e.Text);
  }
  if (e.Heading) AddCode(s, EL_INSERT_COMMAND_5, 0);
  if (!e.Prompt.empty()) {
    AddChars(s, EL_TEXT3_CHAR, e.Prompt);
    AddCode(s, EL_TEXT3_END, 0);
  }
  return s;
}

// Acts as the main window for the dialog: translates it when asked.
class TranslatingNotifier : public RecordingNotifier {
 public:
  void Send(std::int32_t code, std::int32_t value) override {
    RecordingNotifier::Send(code, value);
    if (code == MN_TRANSLATE_FORM && form) ApplyGermanCaptions(form, language, nullptr);
  }
  QWidget* form = nullptr;
  std::uint8_t language = 0;
};

class DotCommandDialogTest : public ::testing::Test {
 public:
  DotCommandDialogTest() {
    document = (work.Path() / "report.ws").string();
    corvina_test::WriteFile(work.Path() / "report.ws", "text");
    settings.DefaultTS = 5;
    settings.PageTemplates[0].PL = 66;
    settings.PageTemplates[0].MT = 3;
    notifier.form = &dialog;
    dialog.Sender = &sender;
    dialog.Boxes = &boxes;
    dialog.Settings = &settings;
    dialog.InsertPause = std::chrono::milliseconds(0);
    dialog.CurrentDocument = [this] { return document; };
    dialog.ListFonts = [] {
      return std::vector<std::string>{"A = Times New Roman 8", "C = Times New Roman 12",
                                      "C' = Arial 10"};
    };
    dialog.ShowHelpTopic = [this](int topic) { topics.push_back(topic); };
  }

  std::unique_ptr<corvina_test::StandInEditor> start(std::vector<std::string> arguments = {}) {
    arguments.insert(arguments.begin(), {"--title", "REPORT.WS - DUNMOOR"});
    return std::make_unique<corvina_test::StandInEditor>(dir, work.Path().string(), arguments);
  }
  // Ends the editor and returns what it received.
  Stream finish(corvina_test::StandInEditor& editor) {
    registry.post(editor.top(), 0x12, 0, 0);
    editor.wait();
    Stream lines;
    for (const auto& line : editor.received())
      if (line != "top 18 0 0") lines.push_back(line);
    return lines;
  }
  // The command typed at once: letter by letter would select every command on the way.
  void choose(const std::string& command) {
    dialog.Edit2->clear();
    dialog.Edit2->setText(QString::fromStdString(command));
  }
  void scale(int index) { dialog.RadioItems[index]->click(); }
  std::string parameter() const { return dialog.Edit1->text().toStdString(); }

  corvina_test::TempDir work{"dotdlg"};
  std::string dir = (work.Path() / "windows").string();
  WindowRegistry registry{dir};
  EditorLinkState state;
  TSettingsRecord settings{};
  std::string document;
  RecordingMessageBoxes boxes;
  TranslatingNotifier notifier;
  std::vector<int> topics;
  EditorLinkDotCommandSender sender{EditorLink{&registry, 0, &state}, [this] {
                                      return FileContext{document, work.Path().string(), &settings};
                                    }};
  DotCommandDialog dialog{&notifier};
};

struct InsertCase {
  const char* name;
  std::uint8_t language;
  std::function<void(DotCommandDialogTest&)> act;
  Expected expected;
  bool asksCharacters = false;  // a character command asks the editor for unused characters
};

TEST_F(DotCommandDialogTest, InsertionStreamsReachTheEditor) {
  const InsertCase cases[] = {
      {"plain command", 0, [](auto& t) { t.choose("PA"); }, Plain(".PA")},
      {"typed measure", 0,
       [](auto& t) {
         t.choose("LM");
         t.dialog.Edit1->setText("12");
       },
       Plain(".LM 12")},
      {"preset in columns", 0, [](auto& t) { t.choose("LH"); }, Plain(".LH 8")},
      {"preset in inches", 0,
       [](auto& t) {
         t.choose("LH");
         t.scale(kScaleInches);
       },
       Plain(".LH 0.17\"")},
      {"preset in cm", 0,
       [](auto& t) {
         t.scale(kScaleCentimetres);
         t.choose("LH");
       },
       Plain(".LH 0.4")},
      {"leading string with preset in inches", 0,
       [](auto& t) {
         t.scale(kScaleInches);
         t.choose("PL");
       },
       Leading(".PL", "11.00\"")},
      {"header with one-letter font", 0,
       [](auto& t) {
         t.choose("HE");
         t.dialog.ComboBox1->setCurrentIndex(1);
       },
       Prompted(Leading(".HE SFC "),
                "Enter the text here which shall occur at the top of every page")},
      {"left footer with two-letter font", 0,
       [](auto& t) {
         t.choose("FOL");
         t.dialog.ComboBox1->setCurrentIndex(2);
       },
       Prompted(Leading(".FOL SFC' "),
                "Enter the text here which shall occur on the bottom of every page")},
      {"font command", 0,
       [](auto& t) {
         t.choose("SF");
         t.dialog.ComboBox1->setCurrentIndex(2);
       },
       Plain(".SFC'")},
      {"shape, character and size", 0,
       [](auto& t) {
         t.choose("DT");
         t.dialog.AddUnusedCharacter('*');
         t.dialog.AddUnusedCharacter('~');
         t.dialog.ComboBox1->setCurrentIndex(1);
         t.dialog.ComboBox2->setCurrentIndex(2);
       },
       Plain(".DT~3 35"), true},
      {"character placeholder is no character", 0, [](auto& t) { t.choose("IC"); }, Leading(".IC"),
       true},
      {"heading", 0, [](auto& t) { t.choose("2"); },
       Prompted(Plain(".2"), "Enter here the heading text", true)},
      {"box drawing prompt", 0, [](auto& t) { t.choose("LIXY"); },
       Prompted(Plain(".LIXY"), "X marks the corners of the box, Y a partition of the box")},
      {"condition preset", 0, [](auto& t) { t.choose("IF"); }, Plain(".IF FINAL")},
      {"English block", 0, [](auto& t) { t.choose("BL"); }, Plain(".BL ON")},
      {"German block", 1, [](auto& t) { t.choose("BL"); }, Plain(".BL")},
      {"German centring", 1, [](auto& t) { t.choose("OC"); }, Plain(".OC EIN")},
      {"German heading prompt", 1, [](auto& t) { t.choose("1"); },
       Prompted(Plain(".1"),
                "Geben Sie hier den Text der Kapitel\xFC"
                "berschrift ein",
                true)},
  };
  for (const InsertCase& c : cases) {
    SCOPED_TRACE(c.name);
    RecordingMessageBoxes caseBoxes;
    dialog.Boxes = &caseBoxes;
    settings.Language = c.language;
    dialog.OpenFromMenu();
    auto editor = start();
    ASSERT_GT(editor->top(), 0);
    c.act(*this);
    QTest::mouseClick(dialog.Button1, Qt::LeftButton);
    Stream expected = StreamOf(c.expected);
    if (c.asksCharacters) expected.insert(expected.begin(), "top 7777 4 0");
    EXPECT_EQ(finish(*editor), expected);
    for (const auto& b : caseBoxes.Boxes()) ADD_FAILURE() << b.Text;
    dialog.close();
  }
}

TEST_F(DotCommandDialogTest, CommandsWithoutUnitsOfLengthAreNotScaled) {
  dialog.OpenFromMenu();
  choose("LM");
  scale(kScaleInches);
  EXPECT_FALSE(dialog.RadioGroup1->isHidden());
  // .TS counts in its own steps: the value stays a whole number, and there is no scale.
  choose("TS");
  EXPECT_EQ(dialog.SelectedCode(), 2);
  EXPECT_EQ(parameter(), "5");
  EXPECT_TRUE(dialog.RadioGroup1->isHidden());
  dialog.RadioGroup1OnClick(kScaleCentimetres);
  EXPECT_EQ(parameter(), "5");
  for (const char* command : {"PN", "CI", "LS", "LW", "FH"}) {
    choose(command);
    dialog.Edit1->setText("7");
    dialog.RadioGroup1OnClick(kScaleColumns);
    dialog.RadioGroup1OnClick(kScaleInches);
    EXPECT_EQ(parameter(), "7") << command;
    EXPECT_TRUE(dialog.RadioGroup1->isHidden()) << command;
  }
  auto editor = start();
  choose("TS");
  QTest::mouseClick(dialog.Button1, Qt::LeftButton);
  EXPECT_EQ(finish(*editor), StreamOf(Plain(".TS 5")));
}

TEST_F(DotCommandDialogTest, ScaleChangeConvertsTheParameterAndBack) {
  dialog.OpenFromMenu();
  choose("PL");
  EXPECT_EQ(parameter(), "66");
  scale(kScaleInches);
  EXPECT_EQ(parameter(), "11.00\"");
  scale(kScaleCentimetres);
  EXPECT_EQ(parameter(), "27.9");
  scale(kScaleColumns);
  EXPECT_EQ(parameter(), "66");
  dialog.Edit1->clear();
  scale(kScaleInches);
  EXPECT_EQ(parameter(), "");
}

TEST_F(DotCommandDialogTest, GoToSearchSelectsAndOpensTheCommand) {
  dialog.OpenFromMenu();
  struct Case {
    const char* typed;
    int code;
  };
  // "Header Line Left" lies in the collapsed "left and right pages".
  const Case cases[] = {{"HEL", 31}, {".hex", 27}, {"BMX", 50}, {"GS", 56}, {"1", 64}};
  for (const Case& c : cases) {
    dialog.Outline1->collapseAll();
    choose(c.typed);
    EXPECT_EQ(dialog.SelectedCode(), c.code) << c.typed;
    for (auto* p = dialog.Outline1->currentItem()->parent(); p; p = p->parent())
      EXPECT_TRUE(p->isExpanded()) << c.typed;
  }
  // Without a match the selection stays.
  choose("ZZ");
  EXPECT_EQ(dialog.SelectedCode(), 64);
}

TEST_F(DotCommandDialogTest, InsertWithoutCommandOrParameterOrEditorSaysWhy) {
  dialog.OpenFromMenu();
  const auto select = [this](const char* english) {
    for (auto* item : dialog.OutlineItems())
      if (item->text(0) == english) dialog.Outline1->setCurrentItem(item);
  };
  auto editor = start();
  select("Page Formatting");
  QTest::mouseClick(dialog.Button1, Qt::LeftButton);
  select("Auto Indention");
  QTest::mouseClick(dialog.Button1, Qt::LeftButton);
  choose("LM");
  dialog.Edit1->clear();
  QTest::mouseClick(dialog.Button1, Qt::LeftButton);
  EXPECT_TRUE(finish(*editor).empty());
  // No editor shows the document: nothing goes out, the user is told.
  choose("PA");
  QTest::mouseClick(dialog.Button1, Qt::LeftButton);
  const auto shown = boxes.Boxes();
  ASSERT_EQ(shown.size(), 4u);
  EXPECT_EQ(shown[0].Text, "Choose a function first");
  EXPECT_EQ(shown[1].Text, "Choose a function first");
  EXPECT_EQ(shown[2].Text, "This dot command requires a parameter.");
  EXPECT_EQ(shown[3].Kind, kBoxError);
  EXPECT_EQ(shown[3].Text.rfind("To use this function, a Dunmoor window", 0), 0u);
}

struct DirectoryCase {
  const char* name;
  std::string chosen;  // relative to the work folder
  std::string list;
  int answer;  // 0: no question expected
  std::string askedFor;
  std::string edit;
  std::string listAfter;
  bool error;
};

TEST_F(DotCommandDialogTest, AddDirectoryQuestion) {
  const std::string w = work.Path().string();
  const std::string longList(250, 'x');
  const DirectoryCase cases[] = {
      {"document's folder", w + "/pic.bmp", "", 0, "", "pic.bmp", "", false},
      {"listed folder", w + "/art/pic.bmp", "/x;" + w + "/ART/", 0, "", "pic.bmp",
       "/x;" + w + "/ART/", false},
      {"folder that only begins like a listed one", w + "/art2/pic.bmp", w + "/art", kAnswerNo,
       w + "/art2", w + "/art2/pic.bmp", w + "/art", false},
      {"added", w + "/art/pic.bmp", "/x", kAnswerYes, w + "/art", "pic.bmp", "/x;" + w + "/art",
       false},
      {"added to an empty list", w + "/art/pic.bmp", "", kAnswerYes, w + "/art", "pic.bmp",
       w + "/art", false},
      {"list ends with a separator", w + "/art/pic.bmp", "/x;", kAnswerYes, w + "/art", "pic.bmp",
       "/x;" + w + "/art", false},
      {"refused", w + "/art/pic.bmp", "/x", kAnswerNo, w + "/art", w + "/art/pic.bmp", "/x", false},
      {"list too long", w + "/art/pic.bmp", longList, kAnswerYes, w + "/art", w + "/art/pic.bmp",
       longList, true},
  };
  dialog.OpenFromMenu();
  for (const DirectoryCase& c : cases) {
    SCOPED_TRACE(c.name);
    RecordingMessageBoxes asked;
    dialog.Boxes = &asked;
    if (c.answer) asked.ScriptAnswer(c.answer);
    settings.SearchDirectories.Assign(c.list);
    choose("BM");
    std::vector<DotFileRequest> requests;
    dialog.ChooseFile = [&](const DotFileRequest& r) {
      requests.push_back(r);
      return c.chosen;
    };
    QTest::mouseClick(dialog.Button4, Qt::LeftButton);
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].Title, "Select a graphics file");
    EXPECT_EQ(requests[0].DefaultExtension, "BMP");
    EXPECT_EQ(requests[0].Filter,
              "graphics BMP|*.BMP|graphics EMF|*.EMF|graphics WMF|*.WMF|graphics GIF|*.GIF|"
              "graphics JPG|*.JPG|all files|*.*");
    EXPECT_EQ(parameter(), c.edit);
    EXPECT_EQ(settings.SearchDirectories.Str(), c.listAfter);
    const auto shown = asked.Boxes();
    const std::size_t expectedBoxes = (c.answer ? 1 : 0) + (c.error ? 1 : 0);
    ASSERT_EQ(shown.size(), expectedBoxes);
    if (c.answer) {
      EXPECT_TRUE(shown[0].Question);
      EXPECT_EQ(shown[0].Text, "Do you want to add the directory " + c.askedFor +
                                   " to the list of directories where files are located in?");
    }
    if (c.error) {
      EXPECT_EQ(shown[1].Text,
                "String where direcories are stored exceeds maximum length of 255 chars.");
    }
  }
}

TEST_F(DotCommandDialogTest, FileDialogsByCommand) {
  dialog.OpenFromMenu();
  std::vector<DotFileRequest> requests;
  dialog.ChooseFile = [&](const DotFileRequest& r) {
    requests.push_back(r);
    return std::string();
  };
  choose("FI");
  QTest::mouseClick(dialog.Button4, Qt::LeftButton);
  choose("HF");
  QTest::mouseClick(dialog.Button4, Qt::LeftButton);
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_EQ(requests[0].Title, "Embed file");
  EXPECT_EQ(requests[0].Filter,
            "Wordstar file unformatted|*.WS|Corvina TXT file|*.TXT|Wordstar formatted file|*.FMT|"
            "all files|*.*");
  EXPECT_EQ(requests[0].DefaultExtension, "WS");
  EXPECT_EQ(requests[1].Title, "Select a heading file");
  EXPECT_EQ(requests[1].Filter, "Heading file|*.WS|all files|*.*");
  // A cancelled choice leaves the parameter alone.
  EXPECT_EQ(parameter(), "");
  EXPECT_FALSE(dialog.Button4->isHidden());
  choose("LM");
  EXPECT_TRUE(dialog.Button4->isHidden());
}

TEST_F(DotCommandDialogTest, OpenedByTheEditorFillsItsCommand) {
  struct Case {
    const char* received;
    int code;
    const char* parameter;
    const char* font;  // the chosen font entry
  };
  const Case cases[] = {
      {"LM 12", 3, "12", ""},
      {"HER SFC' Chapter", 29, "SFC' CHAPTER", "C' = Arial 10"},
      {"HE SFC Title", 27, "SFC TITLE", "C = Times New Roman 12"},
      {"SFA", 42, "A", "A = Times New Roman 8"},
      {"PL", 19, "", ""},
  };
  for (const Case& c : cases) {
    dialog.OpenFromEditor(1, c.received);
    EXPECT_TRUE(dialog.OpenedByEditor());
    EXPECT_EQ(dialog.WindowSelector(), 1);
    EXPECT_EQ(dialog.SelectedCode(), c.code) << c.received;
    EXPECT_EQ(parameter(), c.parameter) << c.received;
    if (*c.font) {
      EXPECT_EQ(dialog.ComboBox1->currentText().toStdString(), c.font) << c.received;
    }
    dialog.close();
  }
  // The plain insertion tells the editor it asked, and the dialog closes after it.
  auto editor = start();
  dialog.OpenFromEditor(1, "LM 12");
  QTest::mouseClick(dialog.Button1, Qt::LeftButton);
  EXPECT_EQ(finish(*editor), StreamOf(Plain(".LM 12", 1)));
  EXPECT_FALSE(dialog.isVisible());
  // From the menu again, the preset is back.
  dialog.OpenFromMenu();
  EXPECT_FALSE(dialog.OpenedByEditor());
  choose("LH");
  EXPECT_EQ(parameter(), "8");
}

TEST_F(DotCommandDialogTest, TheEditorsCode62OpensTheDialogOnItsCommand) {
  // Our main window's receiver of the editor's codes, as the program wires it.
  EditorLinkReceiver receiver;
  receiver.Files = {document, work.Path().string(), &settings};
  receiver.Link = {&registry, 0, &state};
  receiver.Actions.ShowDotCommands = [this](std::uint8_t selector, const std::string& command) {
    dialog.OpenFromEditor(selector, command);
  };
  platform::gui::ForeignWindowPort port(registry, "Tavrel",
                                        [&](std::uint32_t m, std::int32_t w, std::int32_t l) {
                                          if (m == WM_EDITOR_LINK)
                                            HandleEditorLinkMessage(receiver, w, l);
                                          return std::intptr_t{0};
                                        });
  ASSERT_TRUE(port.ok());
  std::string script = "60:0";
  for (const char c : std::string("her sfc")) script += ",61:" + std::to_string(c);
  script += ",62:3";
  auto editor = start({"--reply-to", std::to_string(port.handle()), "--send", script});
  ASSERT_TRUE(platform::gui::wait_serving_messages([this] { return dialog.isVisible(); },
                                                   std::chrono::seconds(10)));
  EXPECT_TRUE(dialog.OpenedByEditor());
  EXPECT_EQ(dialog.WindowSelector(), 3);
  EXPECT_EQ(dialog.SelectedCode(), 29);
  EXPECT_EQ(dialog.ComboBox1->currentText().toStdString(), "C = Times New Roman 12");
  QTest::mouseClick(dialog.Button1, Qt::LeftButton);
  EXPECT_EQ(finish(*editor),
            StreamOf(Prompted(Leading(".HER SFC "),
                              "Enter the text here which shall occur at the top of every page")));
  // A leading string leaves the dialog open for the next command.
  EXPECT_TRUE(dialog.isVisible());
}

TEST_F(DotCommandDialogTest, UnusedCharactersArriveFromTheEditor) {
  // Our main window in the registry receives the editor's code-5 answers.
  std::unique_ptr<platform::gui::ForeignWindowPort> port;
  port = std::make_unique<platform::gui::ForeignWindowPort>(
      registry, "Tavrel", [this](std::uint32_t m, std::int32_t w, std::int32_t l) {
        if (m == WM_EDITOR_LINK && w == EL_UNUSED_CHAR)
          dialog.AddUnusedCharacter(static_cast<std::uint8_t>(l));
        return std::intptr_t{0};
      });
  ASSERT_TRUE(port->ok());
  auto editor = start({"--reply-to", std::to_string(port->handle()), "--unused", "~\x84"});
  dialog.OpenFromMenu();
  choose("DT");
  EXPECT_EQ(dialog.ComboBox1->currentText().toStdString(), "run Dunmoor first!");
  ASSERT_TRUE(platform::gui::wait_serving_messages(
      [this] { return dialog.ComboBox1->count() == 2; }, std::chrono::seconds(10)));
  EXPECT_EQ(dialog.ComboBox1->itemText(0).toStdString(), "#126: ~");
  // Code page 850's a umlaut is shown as the display code page's.
  EXPECT_EQ(dialog.ComboBox1->itemText(1).toStdString(), "#132: \xC3\xA4");
  dialog.ComboBox2->setCurrentIndex(0);
  QTest::mouseClick(dialog.Button1, Qt::LeftButton);
  Stream expected{"top 7777 4 0"};
  for (const auto& line : StreamOf(Plain(".DT~1 35"))) expected.push_back(line);
  EXPECT_EQ(finish(*editor), expected);
}

TEST_F(DotCommandDialogTest, FontChoiceShowsTheSample) {
  // The sample request goes to our own main window as the editor's code 2 would.
  std::vector<std::int32_t> samples;
  platform::gui::ForeignWindowPort port(registry, "Tavrel",
                                        [&](std::uint32_t m, std::int32_t w, std::int32_t l) {
                                          if (m == WM_EDITOR_LINK && w == EL_FONT_SAMPLE)
                                            samples.push_back(l);
                                          return std::intptr_t{0};
                                        });
  EditorLinkDotCommandSender own{EditorLink{&registry, port.handle(), &state}, [this] {
                                   return FileContext{document, "", &settings};
                                 }};
  dialog.Sender = &own;
  dialog.OpenFromMenu();
  choose("SB");
  EXPECT_EQ(notifier.WithCode(MN_PREPARE_FONTS).size(), 1u);
  EXPECT_EQ(dialog.Label3->text().toStdString(), "Select a Font:");
  dialog.ComboBox1OnItemSelect(2);
  dialog.ComboBox1OnItemSelect(1);
  ASSERT_TRUE(platform::gui::wait_serving_messages([&] { return samples.size() == 2; },
                                                   std::chrono::seconds(10)));
  const auto decoded = DecodeFontSample(samples[0], "");
  ASSERT_TRUE(decoded);
  EXPECT_EQ(decoded->Caption, "Select  Font C'");
  EXPECT_EQ(decoded->FontNumber, 55);
  EXPECT_EQ(DecodeFontSample(samples[1], "")->FontNumber, 3);
}

TEST_F(DotCommandDialogTest, HelpTopics) {
  dialog.OpenFromMenu();
  const auto select = [this](const char* english) {
    for (auto* item : dialog.OutlineItems())
      if (item->text(0) == english) dialog.Outline1->setCurrentItem(item);
  };
  select("Page Formatting");
  QTest::mouseClick(dialog.Button2, Qt::LeftButton);
  // Without a help list a command's topic is its nearest category's.
  choose("BE");
  QTest::mouseClick(dialog.Button2, Qt::LeftButton);
  QTest::mouseClick(dialog.Button5, Qt::LeftButton);
  EXPECT_EQ(topics, (std::vector<int>{49, 43, 20}));
  EXPECT_EQ(dialog.Label1->text().toStdString(), "no help info found. Need file DotHelpE.txt");
}

TEST_F(DotCommandDialogTest, HelpTextComesFromTheHelpList) {
  corvina_test::WriteFile(work.Path() / "tavdoc-e.pan", "  Margins = 301;\r\n");
  corvina_test::WriteFile(work.Path() / "dothelpe.txt",
                          "***Margins\r\n.LM= left margin in columns\r\n");
  HelpFiles help;
  help.ProgramDirectory = work.Path().string();
  dialog.Help = &help;
  dialog.OpenFromMenu();
  choose("LM");
  std::string text;
  std::int16_t number = 0;
  LookUpDotCommandHelp(help, ".LM", number, text);
  ASSERT_FALSE(text.empty());
  EXPECT_EQ(dialog.Label1->text().toStdString(), text);
  QTest::mouseClick(dialog.Button2, Qt::LeftButton);
  EXPECT_EQ(number, 301);
  EXPECT_EQ(topics, std::vector<int>{301});
}

TEST_F(DotCommandDialogTest, GermanCaptionsAndSnapshots) {
  std::filesystem::create_directories("snapshots");
  for (const std::uint8_t language : {0, 1}) {
    settings.Language = language;
    notifier.language = language;
    dialog.OpenFromMenu();
    choose("HE");
    dialog.ComboBox1->setCurrentIndex(1);
    choose("PL");
    const std::string path =
        std::string("snapshots/tavrel-dot-commands-") + (language ? "de" : "en") + ".png";
    QApplication::processEvents();  // the layout follows the translated captions
    ASSERT_TRUE(dialog.grab().save(QString::fromStdString(path)));
    const auto text = [](const QWidget* w) {
      if (auto* b = qobject_cast<const QAbstractButton*>(w)) return b->text().toStdString();
      if (auto* l = qobject_cast<const QLabel*>(w)) return l->text().toStdString();
      if (auto* g = qobject_cast<const QGroupBox*>(w)) return g->title().toStdString();
      return std::string();
    };
    if (language) {
      EXPECT_EQ(dialog.windowTitle().toStdString(), "Punktbefehle einfügen");
      EXPECT_EQ(text(dialog.Button1), "einfügen");
      EXPECT_EQ(text(dialog.Button3), "Schließen");
      EXPECT_EQ(text(dialog.RadioGroup1), "Maßstab");
      EXPECT_EQ(text(dialog.Button4), "Datei wählen");
      EXPECT_EQ(text(dialog.Label5), "gehe zum Befehl");
      EXPECT_EQ(text(dialog.Button6), "aufklappen");
      EXPECT_EQ(text(dialog.Label2), "Wert");
      EXPECT_EQ(dialog.Outline1->topLevelItem(0)->text(0).toStdString(), "Textformatierung");
      EXPECT_EQ(dialog.Outline1->currentItem()->text(0).toStdString(), "Seitenlänge (.PL)");
    } else {
      EXPECT_EQ(dialog.windowTitle().toStdString(), "Insert Dot Commands");
      EXPECT_EQ(text(dialog.Button1), "insert");
      EXPECT_EQ(text(dialog.Label2), "Value");
      EXPECT_EQ(dialog.Outline1->currentItem()->text(0).toStdString(), "page length (.PL)");
      // The character, shape and size controls of .DT.
      choose("DT");
      dialog.AddUnusedCharacter('~');
      dialog.ComboBox2->setCurrentIndex(4);
      EXPECT_EQ(text(dialog.Label2), "Size from 10 to 100");
      EXPECT_EQ(text(dialog.Label3), "Select an unused character:");
      EXPECT_EQ(text(dialog.Label6), "Select a shape:");
      EXPECT_TRUE(dialog.RadioGroup1->isHidden());
      QApplication::processEvents();
      ASSERT_TRUE(dialog.grab().save("snapshots/tavrel-dot-commands-shapes-en.png"));
    }
    dialog.close();
  }
}

}  // namespace
}  // namespace tavrel

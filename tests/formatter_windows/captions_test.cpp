// Window captions: the code-page conversion of captions, the German captions of each window
// against the table of German captions (tests/golden/formatter_windows/german_captions.tsv,
// UTF-8, checked by hand against the design), the move onto the screen and the translator
// template.
#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenuBar>
#include <QPushButton>
#include <memory>
#include <string>
#include <vector>

#include "formatter/common/notifications.h"
#include "formatter/windows/directory_chooser.h"
#include "formatter/windows/font_progress_window.h"
#include "formatter/windows/font_sample_window.h"
#include "formatter/windows/form_captions.h"
#include "formatter/windows/index_progress_window.h"
#include "formatter/windows/message_list_window.h"
#include "formatter/windows/print_range_dialog.h"
#include "tests/support/german_caption_rows.h"
#include "tests/support/test_support.h"

namespace tavrel {
namespace {

struct ConvertCase {
  const char* title;
  std::string bytes;
  bool keepUmlauts;
  std::string expected;
};

TEST(CaptionConversion, BytesAboveAsciiGoThroughTheDisplayTable) {
  const ConvertCase cases[] = {
      {"plain ASCII untouched", "Print page", false, "Print page"},
      {"code page 850 a umlaut", "\x84", true, "\xE4"},
      {"code page 850 sharp s in a menu", "Fu\xE1noten", false, "Fu\xDFnoten"},
      {"Windows a umlaut kept on a label", "\xE4", true, "\xE4"},
      {"Windows u umlaut kept on a label", "\xFC", true, "\xFC"},
      {"the same byte in a menu is converted", "\xE4", false, "\xF5"},
      {"capital U umlaut",
       "\x9A"
       "ber",
       false,
       "\xDC"
       "ber"},
  };
  for (const ConvertCase& c : cases)
    EXPECT_EQ(ConvertCaptionBytes(c.bytes, c.keepUmlauts), c.expected) << c.title;
}

TEST(CaptionConversion, FormCaptionsAndMenusAreConvertedByControlClass) {
  QMainWindow form;
  form.setObjectName("Form1");
  form.setWindowTitle(
      CaptionText("Schlie\xE1"
                  "en"));
  auto* label = new QLabel(CaptionText("M\xE4rz \x84"), &form);
  auto* button = new QPushButton(CaptionText("F\x81r"), &form);
  auto* check = new QCheckBox(CaptionText("gro\xE1"), &form);
  auto* edit = new QLineEdit(CaptionText("\x84"), &form);  // not a captioned control
  QAction* item = form.menuBar()->addMenu(CaptionText("\xE4"))->menuAction();
  TranslateFormCaptions(&form);
  TranslateMenuCaptions(form.menuBar());
  EXPECT_EQ(form.windowTitle().toStdString(),
            "Schlie\xC3\x9F"
            "en");
  EXPECT_EQ(label->text().toStdString(), "M\xC3\xA4rz \xC3\xA4");
  EXPECT_EQ(button->text().toStdString(), "F\xC3\xBCr");
  EXPECT_EQ(check->text().toStdString(), "gro\xC3\x9F");
  EXPECT_EQ(edit->text(), CaptionText("\x84"));
  EXPECT_EQ(item->text().toStdString(), "\xC3\xB5");  // menus know no exception
}

bool Has(const std::vector<std::string>& dump, const std::string& row) {
  for (const std::string& d : dump)
    if (d == row) return true;
  return false;
}

std::string Joined(const std::vector<std::string>& rows) {
  std::string out;
  for (const std::string& r : rows) out += r + "\n";
  return out;
}

// Answers the translation request as the main window does.
class Translator : public MainNotifier {
 public:
  explicit Translator(std::uint8_t language) : language_(language) {}
  void Send(std::int32_t code, std::int32_t value) override {
    if (code == MN_TRANSLATE_FORM && form) {
      EXPECT_EQ(value, FormNumber(form));
      ApplyGermanCaptions(form, language_, nullptr);
    }
  }
  void Post(std::int32_t, std::int32_t) override {}
  QWidget* form = nullptr;

 private:
  std::uint8_t language_;
};

template <typename Form>
std::vector<std::string> DumpAfterFirstShow(std::uint8_t language,
                                            std::vector<std::string>* before) {
  Translator main(language);
  Form form(&main);
  main.form = &form;
  if (before) *before = CaptionDump(&form);
  form.show();  // the first show asks for the captions
  std::vector<std::string> dump = CaptionDump(&form);
  form.hide();
  return dump;
}

TEST(GermanCaptions, EveryWindowShowsTheTablesCaptions) {
  struct WindowCase {
    const char* form;
    std::vector<std::string> (*dump)(std::uint8_t, std::vector<std::string>*);
  };
  const WindowCase windows[] = {
      {"Form4", &DumpAfterFirstShow<PrintRangeDialog>},
      {"Form5", &DumpAfterFirstShow<DirectoryChooser>},
      {"Form6", &DumpAfterFirstShow<FontProgressWindow>},
      {"Form7", &DumpAfterFirstShow<IndexProgressWindow>},
      {"Form8", &DumpAfterFirstShow<MessageListWindow>},
      {"Form9", &DumpAfterFirstShow<FontSampleWindow>},
  };
  for (const WindowCase& w : windows) {
    std::vector<std::string> english;
    const std::vector<std::string> german = w.dump(1, &english);
    for (const std::string& row : GermanCaptionRows(w.form))
      EXPECT_TRUE(Has(german, row)) << w.form << " lacks \"" << row << "\" in\n" << Joined(german);
    // English: no caption changes at all.
    const std::vector<std::string> shownEnglish = w.dump(0, nullptr);
    EXPECT_EQ(shownEnglish, english) << w.form;
  }
  // The window without rows keeps its captions in German too.
  std::vector<std::string> before;
  EXPECT_EQ(DumpAfterFirstShow<DirectoryChooser>(1, &before), before);
}

TEST(GermanCaptions, TheTableHoldsEveryWindowsRowsOnce) {
  std::vector<std::string> keys;
  for (const GermanCaptionRow& row : GermanCaptionTable()) {
    const std::string key = std::string(row.Form) + "/" + row.Control + "/" +
                            std::to_string(static_cast<int>(row.Part)) + "/" +
                            std::to_string(row.Index);
    EXPECT_FALSE(Has(keys, key)) << key;
    keys.push_back(key);
  }
  // The stored texts, shown, are those of the table file.
  std::vector<std::string> expected;
  for (int form = 1; form <= 11; ++form)
    for (const std::string& r : GermanCaptionRows("Form" + std::to_string(form)))
      expected.push_back(r);
  std::vector<std::string> stored;
  for (const GermanCaptionRow& row : GermanCaptionTable()) {
    std::string key = row.Control;
    if (row.Part == CaptionPart::kPage) key += " page " + std::to_string(row.Index);
    if (row.Part == CaptionPart::kItem) key += " item " + std::to_string(row.Index);
    stored.push_back(key + "\t" +
                     CaptionText(ConvertCaptionBytes(row.German, false)).toStdString());
  }
  std::sort(expected.begin(), expected.end());
  std::sort(stored.begin(), stored.end());
  EXPECT_EQ(Joined(stored), Joined(expected));
}

TEST(FormServices, AFormBelowTheScreenEdgeIsMovedUpAndOneInsideStays) {
  QWidget form;
  form.resize(200, 100);
  const int screen = 600;
  form.move(10, 100);
  KeepFormOnScreen(&form, screen);
  EXPECT_EQ(form.y(), 100);
  for (int top : {550, 900}) {
    form.move(10, top);
    KeepFormOnScreen(&form, screen);
    EXPECT_EQ(form.frameGeometry().top() + form.frameGeometry().height(), screen) << top;
  }
}

TEST(FormServices, TheTranslatorTemplateListsTheMainWindowsMenuItemsByLevel) {
  corvina_test::TempDir dir("tavrel-template");
  QMainWindow form;
  form.setObjectName("Form1");
  QMenu* file = form.menuBar()->addMenu("File");
  file->menuAction()->setObjectName("MenuItem1");
  QMenu* edit = file->addMenu("Edit");
  edit->menuAction()->setObjectName("MenuItem4");
  edit->addAction("unformatted")->setObjectName("MenuItem14");
  ASSERT_TRUE(WriteLanguageTemplate(&form, dir.Path().string()));
  EXPECT_EQ(corvina_test::ReadFile(dir.Path() / "language_template.pas"),
            "\n{Tavrel language file. Name of Language:    }\n\n"
            "    if Form.Name = 'Form1' then with Form1 do begin\n"
            "      MenuItem1.Caption := ''; {File}\n"
            "        MenuItem4.Caption := ''; {Edit}\n"
            "          MenuItem14.Caption := ''; {unformatted}\n"
            "    end;\n\n");
  EXPECT_FALSE(WriteLanguageTemplate(&form, (dir.Path() / "missing" / "folder").string()));
}

}  // namespace
}  // namespace tavrel

// The settings notebook as a real widget: the record goes into the controls and back without
// touching a byte it does not own, and each control writes only its own field.
#include "formatter/windows/settings_notebook.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>
#include <chrono>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "formatter/common/font_numbers.h"
#include "formatter/common/notifications.h"
#include "formatter/common/settings_record.h"
#include "formatter/windows/form_captions.h"
#include "tests/support/test_support.h"

namespace tavrel {
namespace {

// A record as a German user's Tavrel.dta holds it, with every byte the notebook does not show
// (window places, the reserved gaps, the tail) set to a pattern, so that a stray write shows.
SettingsBytes FixtureBytes() {
  TSettingsRecord r{};
  r.Language = 1;
  DefaultSettings(r, "/opt/corvina/tavrel", true);
  SettingsBytes bytes = SettingsToBytes(r);
  auto fill = [&bytes](std::size_t from, std::size_t count) {
    for (std::size_t i = from; i < from + count; ++i)
      bytes[i] = static_cast<std::uint8_t>(i * 7 + 3);
  };
  fill(offsetof(TSettingsRecord, Reserved457), 3);
  fill(offsetof(TSettingsRecord, Reserved569), 1);
  fill(offsetof(TSettingsRecord, Reserved574), 1);
  fill(offsetof(TSettingsRecord, Reserved1185), 3);
  fill(offsetof(TSettingsRecord, MainWindowLeft), 24);
  fill(offsetof(TSettingsRecord, FirstPreviewDone), 1);
  fill(offsetof(TSettingsRecord, MainWindowWidth), 8);
  fill(offsetof(TSettingsRecord, LastOpenDirectory), 201 + 2);
  fill(offsetof(TSettingsRecord, Reserved2141), kSettingsRecordSize - 2141);
  TSettingsRecord s = SettingsFromBytes(bytes);
  s.VersionStamp = kSettingsVersion;
  s.EditorFileName.Assign("/usr/bin/joe");
  s.SearchDirectories.Assign("/home/u/Bilder;\"/home/u/mit Blank\"");
  s.FormattingPrinterName.Assign("PostScript File");
  s.PdfPrinterName.Assign("PostScript File");
  s.TexPatternFile.Assign("ushyph.tex");
  s.TexDownloadLanguage = 5;
  s.PageTemplateIndex = 1;
  s.PageTemplates[1].Name.Assign("A4 Brief");
  s.PageTemplates[1].PL = 70;
  s.HyphenationMode = 4;
  s.MetafileDpi = 600;
  s.NoteLinkInText.Assign("^T\xFC^T");
  return SettingsToBytes(s);
}

struct Notebook {
  explicit Notebook(const SettingsBytes& bytes) : settings(SettingsFromBytes(bytes)) {
    book = std::make_unique<SettingsNotebook>(&settings, &notifier);
    book->Boxes = &boxes;
    book->PrinterNames = [] { return std::vector<std::string>{"PostScript File", "PNG Files"}; };
    book->OpenWebBrowser = [this](const std::string& url) { browsed.push_back(url); };
    book->show();
  }
  SettingsBytes Close() {
    book->close();
    return SettingsToBytes(settings);
  }
  TSettingsRecord settings;
  RecordingNotifier notifier;
  RecordingMessageBoxes boxes;
  std::vector<std::string> browsed;
  std::unique_ptr<SettingsNotebook> book;
};

QRadioButton* Item(QGroupBox* group, int i) {
  return group->findChildren<QRadioButton*>(Qt::FindDirectChildrenOnly).at(i);
}

TEST(SettingsNotebook, ShowingAndClosingChangesNoByte) {
  const SettingsBytes fixture = FixtureBytes();
  Notebook nb(fixture);
  const SettingsBytes after = nb.Close();
  for (std::size_t i = 0; i < kSettingsRecordSize; ++i)
    ASSERT_EQ(after[i], fixture[i]) << "byte " << i;
  EXPECT_TRUE(nb.boxes.Boxes().empty());
}

TEST(SettingsNotebook, TimerRunsWhileOpenAndReopeningShowsTheRecordAgain) {
  Notebook nb(FixtureBytes());
  EXPECT_TRUE(nb.book->NotebookOpen());
  EXPECT_TRUE(nb.book->Timer1->isActive());
  EXPECT_EQ(nb.book->Timer1->interval(), 300);
  nb.book->SpinEdit13->setValue(40);
  nb.Close();
  EXPECT_FALSE(nb.book->NotebookOpen());
  EXPECT_FALSE(nb.book->Timer1->isActive());
  EXPECT_EQ(nb.settings.DefaultMN, 40);

  // Changed elsewhere while closed (a dot command, another job): the next show has it.
  nb.settings.DefaultMN = 7;
  nb.settings.HyphenationMode = 2;
  nb.book->show();
  EXPECT_EQ(nb.book->SpinEdit13->value(), 7);
  EXPECT_TRUE(nb.book->RadioButton2->isChecked());
  // The dpi items are made anew at each show, not added to the old ones.
  QStringList items;
  for (QRadioButton* r : nb.book->RadioGroup5->findChildren<QRadioButton*>()) items << r->text();
  EXPECT_EQ(items, QStringList({"150 dpi", "300 dpi", "600 dpi", "720 dpi", "1500 dpi"}));
  nb.Close();
}

struct ControlCase {
  const char* name;
  std::function<void(SettingsNotebook&)> change;
  std::size_t offset;  // the bytes the change may touch
  std::size_t size;
  std::function<void(const TSettingsRecord&)> expect;
};

#define FIELD(f) offsetof(TSettingsRecord, f), sizeof(TSettingsRecord::f)

const std::vector<ControlCase>& ControlCases() {
  static const std::vector<ControlCase> cases = {
      {"Edit2 editor", [](SettingsNotebook& b) { b.Edit2->setText("/usr/bin/vi"); },
       FIELD(EditorFileName),
       [](const TSettingsRecord& s) { EXPECT_EQ(s.EditorFileName.Str(), "/usr/bin/vi"); }},
      {"Edit5 compiler", [](SettingsNotebook& b) { b.Edit5->setText("/x/skeldon"); },
       FIELD(CompilerFileName),
       [](const TSettingsRecord& s) { EXPECT_EQ(s.CompilerFileName.Str(), "/x/skeldon"); }},
      {"Edit3 search directories", [](SettingsNotebook& b) { b.Edit3->setText("/a;/b"); },
       FIELD(SearchDirectories),
       [](const TSettingsRecord& s) { EXPECT_EQ(s.SearchDirectories.Str(), "/a;/b"); }},
      {"RadioGroup1 language", [](SettingsNotebook& b) { Item(b.RadioGroup1, 0)->click(); },
       FIELD(Language), [](const TSettingsRecord& s) { EXPECT_EQ(s.Language, 0); }},
      {"CheckBox13", [](SettingsNotebook& b) { b.CheckBox13->click(); },
       FIELD(AutoCorrectExtension),
       [](const TSettingsRecord& s) { EXPECT_EQ(s.AutoCorrectExtension, 0); }},
      {"CheckBox12", [](SettingsNotebook& b) { b.CheckBox12->click(); }, FIELD(OpenEditorAfterMake),
       [](const TSettingsRecord& s) { EXPECT_EQ(s.OpenEditorAfterMake, 0); }},
      {"CheckBox17", [](SettingsNotebook& b) { b.CheckBox17->click(); }, FIELD(AutoSaveEditor),
       [](const TSettingsRecord& s) { EXPECT_EQ(s.AutoSaveEditor, 0); }},
      {"CheckBox11", [](SettingsNotebook& b) { b.CheckBox11->click(); }, FIELD(DosProgram),
       [](const TSettingsRecord& s) { EXPECT_EQ(s.DosProgram, 1); }},
      {"CheckBox21", [](SettingsNotebook& b) { b.CheckBox21->click(); },
       FIELD(DoubleClickSwitchesFiles),
       [](const TSettingsRecord& s) { EXPECT_EQ(s.DoubleClickSwitchesFiles, 0); }},
      {"TrackBar1", [](SettingsNotebook& b) { b.TrackBar1->setValue(5); },
       FIELD(PrintThreadPriority),
       [](const TSettingsRecord& s) { EXPECT_EQ(s.PrintThreadPriority, 5); }},
      {"CheckBox5", [](SettingsNotebook& b) { b.CheckBox5->click(); }, FIELD(PreviewPlacesEachChar),
       [](const TSettingsRecord& s) { EXPECT_EQ(s.PreviewPlacesEachChar, 0); }},
      {"ComboBox1 printer", [](SettingsNotebook& b) { b.ComboBox1->setCurrentIndex(1); },
       FIELD(FormattingPrinterName),
       [](const TSettingsRecord& s) { EXPECT_EQ(s.FormattingPrinterName.Str(), "PNG Files"); }},
      {"CheckBox15", [](SettingsNotebook& b) { b.CheckBox15->click(); },
       FIELD(PrintUnformattedFiles),
       [](const TSettingsRecord& s) { EXPECT_EQ(s.PrintUnformattedFiles, 1); }},
      {"RadioGroup5 dpi", [](SettingsNotebook& b) { Item(b.RadioGroup5, 3)->click(); },
       FIELD(MetafileDpi), [](const TSettingsRecord& s) { EXPECT_EQ(s.MetafileDpi, 720); }},
      {"CheckBox6", [](SettingsNotebook& b) { b.CheckBox6->click(); }, FIELD(HardToSoftSpaces),
       [](const TSettingsRecord& s) { EXPECT_EQ(s.HardToSoftSpaces, 1); }},
      {"SpinEdit11 .GU", [](SettingsNotebook& b) { b.SpinEdit11->setValue(-2); }, FIELD(DefaultGU),
       [](const TSettingsRecord& s) { EXPECT_EQ(s.DefaultGU, -2); }},
      {"SpinEdit12 .TS", [](SettingsNotebook& b) { b.SpinEdit12->setValue(120); }, FIELD(DefaultTS),
       [](const TSettingsRecord& s) { EXPECT_EQ(s.DefaultTS, 120); }},
      {"Edit4 normal font", [](SettingsNotebook& b) { b.Edit4->setText("B"); }, FIELD(NormalFont),
       [](const TSettingsRecord& s) { EXPECT_EQ(s.NormalFont, 2); }},
      {"Edit4 emptied is font A", [](SettingsNotebook& b) { b.Edit4->clear(); }, FIELD(NormalFont),
       [](const TSettingsRecord& s) { EXPECT_EQ(s.NormalFont, 1); }},
      {"Edit4 naming no font keeps the font", [](SettingsNotebook& b) { b.Edit4->setText("1"); }, 0,
       0, [](const TSettingsRecord& s) { EXPECT_EQ(s.NormalFont, FontCharToNumber('C', ' ')); }},
      {"Edit6 alternate font", [](SettingsNotebook& b) { b.Edit6->setText("a'"); },
       FIELD(AlternateFont), [](const TSettingsRecord& s) { EXPECT_EQ(s.AlternateFont, 27 + 52); }},
      {"CheckBox16", [](SettingsNotebook& b) { b.CheckBox16->click(); },
       FIELD(LineHeightRefersToNormalFont),
       [](const TSettingsRecord& s) { EXPECT_EQ(s.LineHeightRefersToNormalFont, 0); }},
      {"SpinEdit18 .LH", [](SettingsNotebook& b) { b.SpinEdit18->setValue(12); }, FIELD(DefaultLH),
       [](const TSettingsRecord& s) { EXPECT_EQ(s.DefaultLH, 12); }},
      {"RadioButton1 no hyphenation", [](SettingsNotebook& b) { b.RadioButton1->click(); },
       FIELD(HyphenationMode), [](const TSettingsRecord& s) { EXPECT_EQ(s.HyphenationMode, 3); }},
      {"CheckBox1", [](SettingsNotebook& b) { b.CheckBox1->setChecked(true); },
       FIELD(AskIfDoubtful), [](const TSettingsRecord& s) { EXPECT_EQ(s.AskIfDoubtful, 1); }},
      {"CheckBox2 learn", [](SettingsNotebook& b) { b.CheckBox2->setChecked(false); },
       FIELD(LearnHyphenations),
       [](const TSettingsRecord& s) { EXPECT_EQ(s.LearnHyphenations, 1); }},
      {"CheckBox3", [](SettingsNotebook& b) { b.CheckBox3->setChecked(true); }, FIELD(AncientGreek),
       [](const TSettingsRecord& s) { EXPECT_EQ(s.AncientGreek, 1); }},
      {"SpinEdit1 rating", [](SettingsNotebook& b) { b.SpinEdit1->setValue(7); },
       FIELD(MinimalRating), [](const TSettingsRecord& s) { EXPECT_EQ(s.MinimalRating, 7); }},
      {"Edit1 TeX file", [](SettingsNotebook& b) { b.Edit1->setText("dehyph.tex"); },
       FIELD(TexPatternFile),
       [](const TSettingsRecord& s) { EXPECT_EQ(s.TexPatternFile.Str(), "dehyph.tex"); }},
      {"SpinEdit2 .HN", [](SettingsNotebook& b) { b.SpinEdit2->setValue(9); }, FIELD(DefaultHN),
       [](const TSettingsRecord& s) { EXPECT_EQ(s.DefaultHN, 9); }},
      {"CheckBox4", [](SettingsNotebook& b) { b.CheckBox4->click(); }, FIELD(CapitalAreasUnsplit),
       [](const TSettingsRecord& s) { EXPECT_EQ(s.CapitalAreasUnsplit, 0); }},
      {"ComboBox2 language", [](SettingsNotebook& b) { b.ComboBox2->setCurrentIndex(10); },
       FIELD(TexDownloadLanguage),
       [](const TSettingsRecord& s) { EXPECT_EQ(s.TexDownloadLanguage, 10); }},
      {"SpinEdit3 paper feed", [](SettingsNotebook& b) { b.SpinEdit3->setValue(9); },
       FIELD(PaperFeedTop), [](const TSettingsRecord& s) { EXPECT_EQ(s.PaperFeedTop, 9); }},
      {"SpinEdit8 .PL of the current template",
       [](SettingsNotebook& b) { b.SpinEdit8->setValue(72); },
       offsetof(TSettingsRecord, PageTemplates) + 33 + offsetof(TPageTemplate, PL), 1,
       [](const TSettingsRecord& s) { EXPECT_EQ(s.PageTemplates[1].PL, 72); }},
      {"SpinEdit16 .FM of the current template",
       [](SettingsNotebook& b) { b.SpinEdit16->setValue(7); },
       offsetof(TSettingsRecord, PageTemplates) + 33 + offsetof(TPageTemplate, FM), 1,
       [](const TSettingsRecord& s) { EXPECT_EQ(s.PageTemplates[1].FM, 7); }},
      {"ComboBox3 another template", [](SettingsNotebook& b) { Q_EMIT b.ComboBox3->activated(3); },
       FIELD(PageTemplateIndex),
       [](const TSettingsRecord& s) { EXPECT_EQ(s.PageTemplateIndex, 3); }},
      {"SpinEdit9 .LS", [](SettingsNotebook& b) { b.SpinEdit9->setValue(1); }, FIELD(DefaultLS),
       [](const TSettingsRecord& s) { EXPECT_EQ(s.DefaultLS, 1); }},
      {"SpinEdit10 .LW", [](SettingsNotebook& b) { b.SpinEdit10->setValue(11); }, FIELD(DefaultLW),
       [](const TSettingsRecord& s) { EXPECT_EQ(s.DefaultLW, 11); }},
      {"CheckBox14", [](SettingsNotebook& b) { b.CheckBox14->click(); }, FIELD(SettingsIntoHeader),
       [](const TSettingsRecord& s) { EXPECT_EQ(s.SettingsIntoHeader, 1); }},
      {"RadioGroup2 code page", [](SettingsNotebook& b) { Item(b.RadioGroup2, 0)->click(); },
       FIELD(CodePage), [](const TSettingsRecord& s) { EXPECT_EQ(s.CodePage, 0); }},
      {"RadioGroup3 hint unit", [](SettingsNotebook& b) { Item(b.RadioGroup3, 0)->click(); },
       FIELD(HintUnit), [](const TSettingsRecord& s) { EXPECT_EQ(s.HintUnit, 0); }},
      {"SpinEdit13 .MN", [](SettingsNotebook& b) { b.SpinEdit13->setValue(50); }, FIELD(DefaultMN),
       [](const TSettingsRecord& s) { EXPECT_EQ(s.DefaultMN, 50); }},
      {"SpinEdit14 blank lines", [](SettingsNotebook& b) { b.SpinEdit14->setValue(0); },
       FIELD(BlankLinesBeforeNotes),
       [](const TSettingsRecord& s) { EXPECT_EQ(s.BlankLinesBeforeNotes, 0); }},
      {"Edit7 as ^C", [](SettingsNotebook& b) { b.Edit7->setText("^c"); }, FIELD(NoteAssignChar),
       [](const TSettingsRecord& s) { EXPECT_EQ(s.NoteAssignChar, 3); }},
      {"Edit7 emptied keeps the character", [](SettingsNotebook& b) { b.Edit7->clear(); }, 0, 0,
       [](const TSettingsRecord& s) { EXPECT_EQ(s.NoteAssignChar, 17); }},
      {"Edit8", [](SettingsNotebook& b) { b.Edit8->setText("[1]"); }, FIELD(NoteLinkInText),
       [](const TSettingsRecord& s) { EXPECT_EQ(s.NoteLinkInText.Str(), "[1]"); }},
      {"Edit9 blanks stored as 176", [](SettingsNotebook& b) { b.Edit9->setText(" 1) "); },
       FIELD(NoteLinkInNoteArea),
       [](const TSettingsRecord& s) {
         EXPECT_EQ(s.NoteLinkInNoteArea.Str(),
                   "\xB0"
                   "1)\xB0");
       }},
      {"Edit10 return character", [](SettingsNotebook& b) { b.Edit10->setText("~"); },
       FIELD(NoteReturnChar), [](const TSettingsRecord& s) { EXPECT_EQ(s.NoteReturnChar, '~'); }},
      {"Edit10 emptied keeps the character", [](SettingsNotebook& b) { b.Edit10->clear(); }, 0, 0,
       [](const TSettingsRecord& s) { EXPECT_EQ(s.NoteReturnChar, 174); }},
      {"SpinEdit17", [](SettingsNotebook& b) { b.SpinEdit17->setValue(4); },
       FIELD(LinesKeptTogether),
       [](const TSettingsRecord& s) { EXPECT_EQ(s.LinesKeptTogether, 4); }},
      {"CheckBox7 page numbers off stores 1", [](SettingsNotebook& b) { b.CheckBox7->click(); },
       FIELD(ContentsPageNumbers),
       [](const TSettingsRecord& s) { EXPECT_EQ(s.ContentsPageNumbers, 1); }},
      {"CheckBox8", [](SettingsNotebook& b) { b.CheckBox8->click(); }, FIELD(ContentsBoldHeadings),
       [](const TSettingsRecord& s) { EXPECT_EQ(s.ContentsBoldHeadings, 1); }},
      {"CheckBox22", [](SettingsNotebook& b) { b.CheckBox22->click(); }, FIELD(ContentsCtOnly),
       [](const TSettingsRecord& s) { EXPECT_EQ(s.ContentsCtOnly, 0); }},
      {"CheckBox9", [](SettingsNotebook& b) { b.CheckBox9->click(); }, FIELD(WeightedPages),
       [](const TSettingsRecord& s) { EXPECT_EQ(s.WeightedPages, 1); }},
      {"CheckBox10", [](SettingsNotebook& b) { b.CheckBox10->click(); }, FIELD(IndexSortUmlautAsAe),
       [](const TSettingsRecord& s) { EXPECT_EQ(s.IndexSortUmlautAsAe, 0); }},
      {"CheckBox18", [](SettingsNotebook& b) { b.CheckBox18->click(); }, FIELD(AutoPsName),
       [](const TSettingsRecord& s) { EXPECT_EQ(s.AutoPsName, 0); }},
      {"CheckBox19", [](SettingsNotebook& b) { b.CheckBox19->click(); }, FIELD(PsWithContents),
       [](const TSettingsRecord& s) { EXPECT_EQ(s.PsWithContents, 0); }},
      {"CheckBox20", [](SettingsNotebook& b) { b.CheckBox20->click(); }, FIELD(RunPdfProgram),
       [](const TSettingsRecord& s) { EXPECT_EQ(s.RunPdfProgram, 0); }},
      {"RadioGroup4", [](SettingsNotebook& b) { Item(b.RadioGroup4, 1)->click(); },
       FIELD(PsFileLocation), [](const TSettingsRecord& s) { EXPECT_EQ(s.PsFileLocation, 1); }},
      {"Edit11", [](SettingsNotebook& b) { b.Edit11->setText("/usr/bin/ps2pdf"); },
       FIELD(PdfProgram),
       [](const TSettingsRecord& s) { EXPECT_EQ(s.PdfProgram.Str(), "/usr/bin/ps2pdf"); }},
      {"Edit12", [](SettingsNotebook& b) { b.Edit12->setText("-dSAFER * #"); },
       FIELD(PdfParameters),
       [](const TSettingsRecord& s) { EXPECT_EQ(s.PdfParameters.Str(), "-dSAFER * #"); }},
      {"ComboBox4", [](SettingsNotebook& b) { b.ComboBox4->setCurrentText("Mein Drucker"); },
       FIELD(PdfPrinterName),
       [](const TSettingsRecord& s) { EXPECT_EQ(s.PdfPrinterName.Str(), "Mein Drucker"); }},
  };
  return cases;
}

TEST(SettingsNotebook, EachControlChangesOnlyItsOwnBytes) {
  const SettingsBytes fixture = FixtureBytes();
  for (const ControlCase& c : ControlCases()) {
    SCOPED_TRACE(c.name);
    Notebook nb(fixture);
    c.change(*nb.book);
    const SettingsBytes after = nb.Close();
    for (std::size_t i = 0; i < kSettingsRecordSize; ++i) {
      if (i < c.offset || i >= c.offset + c.size) {
        ASSERT_EQ(after[i], fixture[i]) << "byte " << i;
      }
    }
    c.expect(nb.settings);
  }
}

TEST(SettingsNotebook, HyphenationModesMapToTheRadioButtons) {
  struct Case {
    std::uint8_t stored;
    int checked;  // 1..4, 0: none
    std::uint8_t read;
  };
  const Case cases[] = {{0, 3, 0}, {1, 3, 0}, {2, 2, 2}, {3, 1, 3}, {4, 4, 4}, {5, 0, 5}};
  for (const Case& c : cases) {
    SCOPED_TRACE(int(c.stored));
    TSettingsRecord r = SettingsFromBytes(FixtureBytes());
    r.HyphenationMode = c.stored;
    Notebook nb(SettingsToBytes(r));
    QRadioButton* buttons[] = {nb.book->RadioButton1, nb.book->RadioButton2, nb.book->RadioButton3,
                               nb.book->RadioButton4};
    for (int i = 0; i < 4; ++i) EXPECT_EQ(buttons[i]->isChecked(), c.checked == i + 1) << i;
    EXPECT_EQ(nb.book->GroupBox1->isEnabled(), c.checked == 3);
    EXPECT_EQ(nb.book->GroupBox2->isEnabled(), c.checked == 4);
    nb.Close();
    EXPECT_EQ(nb.settings.HyphenationMode, c.read);
  }
}

TEST(SettingsNotebook, ControlCharactersSurviveTheEditForEveryCode) {
  for (int code = 0; code < 256; ++code) {
    const auto c = static_cast<std::uint8_t>(code);
    EXPECT_EQ(TextToControlChar(ControlCharToText(c), 99), c) << code;
  }
  EXPECT_EQ(ControlCharToText(17), "^Q");
  EXPECT_EQ(ControlCharToText(174), "\xAE");
  EXPECT_EQ(TextToControlChar("", 17), 17);
  EXPECT_EQ(TextToControlChar("^", 17), '^');
  EXPECT_EQ(TextToControlChar("^qx", 0), 17);
}

// A box shown by a read runs its own event loop, in which the timer keeps firing.
class ReenteringBoxes : public RecordingMessageBoxes {
 public:
  SettingsNotebook* book = nullptr;
  void ShowMessageBox(const std::string& text, int kind) override {
    RecordingMessageBoxes::ShowMessageBox(text, kind);
    if (Boxes().size() > 3) return;  // without the guard: stop the stacking here
    for (int i = 0; i < 8; ++i) book->Timer1OnTimer();
  }
};

TEST(SettingsNotebook, TimerReadShowsTheLineHeightReminderOnceAndRedrawsThePreview) {
  const SettingsBytes fixture = FixtureBytes();
  Notebook nb(fixture);
  ReenteringBoxes boxes;
  boxes.book = nb.book.get();
  nb.book->Boxes = &boxes;
  const TSettingsRecord started = nb.settings;
  nb.book->PreviewOpen = [] { return true; };
  nb.book->PreviewStartSettings = &started;
  bool busyCleared = false;
  nb.book->ClearPreviewBusy = [&] { busyCleared = true; };

  for (int i = 0; i < 4; ++i) nb.book->Timer1OnTimer();
  EXPECT_TRUE(nb.notifier.WithCode(MN_PREVIEW_REDRAW).empty()) << "nothing changed yet";

  nb.book->SpinEdit18->setValue(14);
  for (int i = 0; i < 4; ++i) nb.book->Timer1OnTimer();
  ASSERT_EQ(boxes.Boxes().size(), 1u);
  EXPECT_NE(boxes.Boxes()[0].Text.find(".LH"), std::string::npos);
  EXPECT_EQ(nb.settings.DefaultLH, 14);
  EXPECT_TRUE(busyCleared);
  ASSERT_EQ(nb.notifier.WithCode(MN_PREVIEW_REDRAW).size(), 1u);
  EXPECT_EQ(nb.notifier.WithCode(MN_PREVIEW_REDRAW)[0].Value, 0);

  // Read again with the value stored: no second reminder.
  for (int i = 0; i < 4; ++i) nb.book->Timer1OnTimer();
  EXPECT_EQ(boxes.Boxes().size(), 1u);
  nb.book->Boxes = nullptr;
}

TEST(SettingsNotebook, ChosenDirectoryIsAppendedAndQuotedWhenItHoldsABlank) {
  struct Case {
    const char* before;
    const char* chosen;
    const char* after;
  };
  const Case cases[] = {
      {"", "/home/u/pics", "/home/u/pics"},
      {"", "/home/u/my pics", "\"/home/u/my pics\""},
      {"/a", "/home/u/my pics", "/a;\"/home/u/my pics\""},
      {"/a", "", "/a"},  // cancelled
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.chosen);
    Notebook nb(FixtureBytes());
    nb.book->ChooseDirectory = [&] { return std::string(c.chosen); };
    nb.book->Edit3->setText(c.before);
    nb.book->SpeedButton3->click();
    EXPECT_EQ(nb.book->Edit3->text().toStdString(), c.after);
  }
}

TEST(SettingsNotebook, FileChooserFillsTheEditOnlyWhenAFileIsChosen) {
  Notebook nb(FixtureBytes());
  QString title, filter;
  std::string answer = "/opt/bin/editor";
  nb.book->ChooseFile = [&](const QString& t, const QString& f) {
    title = t;
    filter = f;
    return answer;
  };
  nb.book->SpeedButton2->click();
  EXPECT_EQ(nb.book->Edit2->text().toStdString(), "/opt/bin/editor");
  EXPECT_EQ(title, QString::fromUtf8("Datei auswählen"));
  EXPECT_EQ(filter, "Datei (*.EXE)");
  answer.clear();
  nb.book->SpeedButton4->click();
  EXPECT_EQ(nb.book->Edit11->text(), CaptionText(nb.settings.PdfProgram.Str()));
}

TEST(SettingsNotebook, FileNameEditsAreColouredByWhetherTheFileExists) {
  EXPECT_FALSE(SettingsNotebook::FileNameColour("").isValid());
  EXPECT_EQ(SettingsNotebook::FileNameColour(CORVINA_SOURCE_DIR "/CMakeLists.txt"),
            QColor(0xA0, 0xFF, 0xA0));
  EXPECT_EQ(SettingsNotebook::FileNameColour(CORVINA_SOURCE_DIR "/no such file"),
            QColor(0xFF, 0xA0, 0xA0));
  Notebook nb(FixtureBytes());
  nb.book->Edit11->setText(CORVINA_SOURCE_DIR "/CMakeLists.txt");
  EXPECT_EQ(nb.book->Edit11->palette().color(QPalette::Base), QColor(0xA0, 0xFF, 0xA0));
}

TEST(SettingsNotebook, MeasureHintsInCentimetresAndInches) {
  Notebook nb(FixtureBytes());
  struct Case {
    int unit;
    bool vertical;
    int value;
    const char* hint;
  };
  const Case cases[] = {{0, true, 66, "27.9 cm"},
                        {0, false, 8, "2.0 cm"},
                        {1, true, 66, "11.00\""},
                        {1, false, 65, "6.50\""}};
  for (const Case& c : cases) {
    Item(nb.book->RadioGroup3, c.unit)->click();
    EXPECT_EQ(nb.book->MeasureHint(c.vertical, c.value).toStdString(), c.hint);
  }
  nb.book->TabbedNotebook1->setCurrentIndex(kPageLayout);
  nb.book->SpinEdit8->setValue(60);
  nb.book->Timer1OnTimer();
  EXPECT_EQ(nb.book->SpinEdit8->toolTip().toStdString(), "10.00\"");
}

TEST(SettingsNotebook, TexLanguageChoiceFillsTheFileAndSearchesForIt) {
  Notebook nb(FixtureBytes());
  nb.book->ProgramDirectory = "/opt/corvina/tavrel";
  Q_EMIT nb.book->ComboBox2->activated(8);
  EXPECT_EQ(nb.book->Edit1->text().toStdString(), "nehyph1.tex");
  ASSERT_EQ(nb.browsed.size(), 1u);
  EXPECT_NE(nb.browsed[0].find("/search?q=nehyph1.tex"), std::string::npos);
  ASSERT_EQ(nb.boxes.Boxes().size(), 1u);
  EXPECT_NE(nb.boxes.Boxes()[0].Text.find("nehyph1.tex in das Verzeichnis /opt/corvina/tavrel"),
            std::string::npos);
}

// Without a browser hook the desktop's opener is started with the address as its only argument.
TEST(SettingsNotebook, TheSearchGoesToTheOpenerAsItsOnlyArgument) {
  corvina_test::TempDir bin;
  const std::filesystem::path record = bin.Path() / "arguments";
  const std::filesystem::path opener = bin.Path() / "xdg-open";
  {
    std::ofstream out(opener);
    out << "#!/bin/sh\nprintf '%s\\n' \"$@\" > \"" << record.string() << ".part\"\nmv \""
        << record.string() << ".part\" \"" << record.string() << "\"\n";
  }
  std::filesystem::permissions(opener, std::filesystem::perms::owner_all);
  const char* old_path = std::getenv("PATH");
  const std::string saved = old_path ? old_path : "";
  ::setenv("PATH", (bin.Path().string() + ":/usr/bin:/bin").c_str(), 1);

  Notebook nb(FixtureBytes());
  nb.book->OpenWebBrowser = nullptr;
  nb.book->ProgramDirectory = bin.Path().string();
  Q_EMIT nb.book->ComboBox2->activated(8);
  for (int i = 0; i < 500 && !std::filesystem::exists(record); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  ::setenv("PATH", saved.c_str(), 1);

  ASSERT_TRUE(std::filesystem::exists(record));
  std::ifstream in(record);
  std::string first, second;
  std::getline(in, first);
  EXPECT_NE(first.find("/search?q=nehyph1.tex"), std::string::npos) << first;
  EXPECT_FALSE(std::getline(in, second)) << "a second argument: " << second;
}

TEST(SettingsNotebook, GermanCaptions) {
  Notebook nb(FixtureBytes());
  ApplyGermanCaptions(nb.book.get(), 1, nullptr);
  QTabWidget* tabs = nb.book->TabbedNotebook1;
  EXPECT_EQ(tabs->tabText(kPageProgram), "Programm");
  EXPECT_EQ(tabs->tabText(kPagePrint), "Druck");
  EXPECT_EQ(tabs->tabText(kPageHyphenation), "Silbentrennung");
  struct Case {
    const char* control;
    const char* text;  // UTF-8
  };
  const Case cases[] = {
      {"Label4", "Vollst. Dateiname des Editors"},
      {"CheckBox10", "sortiere ä wie ae statt ä wie a"},
      {"Label49", "Sonderzeichen für Fußnotenzuordnung"},
      {"RadioGroup1", "Benutzer-Sprache"},
      {"CheckBox4", "nicht Bereiche von Wörtern mit Großbuchstaben trennen"},
      {"Title_PDF", "PDF Erzeugung"},
  };
  for (const Case& c : cases) {
    QObject* o = nb.book->findChild<QObject*>(c.control);
    ASSERT_NE(o, nullptr) << c.control;
    QString shown;
    if (auto* l = qobject_cast<QLabel*>(o)) shown = l->text();
    if (auto* b = qobject_cast<QAbstractButton*>(o)) shown = b->text();
    if (auto* g = qobject_cast<QGroupBox*>(o)) shown = g->title();
    EXPECT_EQ(shown, QString::fromUtf8(c.text)) << c.control;
  }
  EXPECT_EQ(nb.book->windowTitle(), "Einstellungen und Standardwerte");
  EXPECT_EQ(Item(nb.book->RadioGroup4, 0)->text(), "Dokument-Verzeichnis");
}

TEST(SettingsNotebook, DotCommandLabelsGetTheirHelpAsHint) {
  TSettingsRecord r = SettingsFromBytes(FixtureBytes());
  SettingsNotebook book(&r, nullptr);
  book.PrinterNames = [] { return std::vector<std::string>{}; };
  book.DotCommandHelp = [](const std::string& cmd) { return "help for " + cmd; };
  book.show();
  EXPECT_EQ(book.findChild<QLabel*>("Label37")->toolTip(), "help for .GU");
  EXPECT_EQ(book.findChild<QLabel*>("Label65")->toolTip(), "help for .LH");
  EXPECT_TRUE(book.findChild<QLabel*>("Label4")->toolTip().isEmpty());
  // No printers installed: the combo keeps the stored name as its text.
  EXPECT_EQ(book.ComboBox1->currentText(), "PostScript File");
  book.close();
}

}  // namespace
}  // namespace tavrel

namespace tavrel {
namespace {

TEST(SettingsNotebook, FontButtonsShowTheNamedFontAndPrinterChoiceIsPassedOn) {
  Notebook nb(FixtureBytes());
  nb.book->FontSample = [](std::uint8_t number, SettingsNotebook::FontSampleInfo& info) {
    if (number != 2) return false;  // only "B" exists
    info.Family = "DejaVu Serif";
    info.Points = 12;
    return true;
  };
  nb.book->Edit4->setText("B");
  EXPECT_EQ(nb.book->Button1->text(), "DejaVu Serif 12");
  EXPECT_EQ(nb.book->Button1->font().pointSizeF(), 12);
  nb.book->Edit6->setText("Z");
  EXPECT_EQ(nb.book->Button3->text(), "Z");

  int selected = -1;
  nb.book->SelectPrinter = [&](int i) { selected = i; };
  Q_EMIT nb.book->ComboBox1->activated(1);
  EXPECT_EQ(selected, 1);
}

}  // namespace
}  // namespace tavrel

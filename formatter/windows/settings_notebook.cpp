#include "formatter/windows/settings_notebook.h"

#include <QCloseEvent>
#include <QFileDialog>
#include <QFont>
#include <QFormLayout>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QPalette>
#include <QShowEvent>
#include <QStyle>
#include <QUrl>
#include <QVBoxLayout>
#include <algorithm>
#include <cstdio>

#include "formatter/common/file_services.h"
#include "formatter/common/font_numbers.h"
#include "formatter/common/messages.h"
#include "formatter/windows/directory_chooser.h"
#include "formatter/windows/form_captions.h"
#include "platform/printers.h"
#include "platform/process.h"

namespace tavrel {

const SettingsNotebook::TexLanguage SettingsNotebook::kTexLanguages[11] = {
    {"US-english", "ushyph.tex"}, {"UK-english", "ukhyph.tex"}, {"catalan", "cahyph.tex"},
    {"spanish", "eshyph.tex"},    {"portuguese", "pthyph.tex"}, {"french", "fhyph.tex"},
    {"italian", "ithyph.tex"},    {"danish", "dkhyph.tex"},     {"dutch", "nehyph1.tex"},
    {"polish", "pohyph.tex"},     {"latin", "lahyph.tex"},
};

namespace {

constexpr const char* kSearchServer = "https://duckduckgo.com";
constexpr int kTemplateNameLength = 25;

template <typename T>
T* Named(T* object, const char* name) {
  object->setObjectName(name);
  return object;
}

QLabel* AddLabel(QWidget* page, const char* name, const char* caption) {
  return Named(new QLabel(caption, page), name);
}

QCheckBox* AddCheck(QWidget* page, const char* name, const char* caption) {
  return Named(new QCheckBox(caption, page), name);
}

QSpinBox* AddSpin(QWidget* page, const char* name, int low, int high) {
  auto* spin = Named(new QSpinBox(page), name);
  spin->setRange(low, high);
  return spin;
}

QLineEdit* AddEdit(QWidget* page, const char* name, int maxLength) {
  auto* edit = Named(new QLineEdit(page), name);
  edit->setMaxLength(maxLength);
  return edit;
}

// A group of radio buttons that acts as one control with an item index.
QGroupBox* AddRadioGroup(QWidget* page, const char* name, const char* caption,
                         std::initializer_list<QString> items) {
  auto* group = Named(new QGroupBox(caption, page), name);
  group->setProperty("controlClass", "TRadioGroup");
  auto* layout = new QVBoxLayout(group);
  for (const QString& item : items) layout->addWidget(new QRadioButton(item, group));
  return group;
}

QList<QRadioButton*> ItemsOf(QGroupBox* group) {
  return group->findChildren<QRadioButton*>(Qt::FindDirectChildrenOnly);
}

int RadioIndex(QGroupBox* group) {
  const QList<QRadioButton*> items = ItemsOf(group);
  for (int i = 0; i < items.size(); ++i)
    if (items[i]->isChecked()) return i;
  return -1;
}

// Auto-exclusive buttons cannot be unchecked one by one; -1 (or an index beyond the items)
// leaves none checked.
void CheckOnly(const QList<QRadioButton*>& items, int index) {
  for (int i = 0; i < items.size(); ++i) {
    items[i]->setAutoExclusive(false);
    items[i]->setChecked(i == index);
    items[i]->setAutoExclusive(true);
  }
}

void SetRadioIndex(QGroupBox* group, int index) { CheckOnly(ItemsOf(group), index); }

void MoveByte(BookDirection d, QCheckBox* box, std::uint8_t& field) {
  if (d == BookDirection::kSet)
    box->setChecked(field != 0);
  else
    field = box->isChecked() ? 1 : 0;
}

template <typename Field>
void MoveNumber(BookDirection d, QSpinBox* spin, Field& field) {
  if (d == BookDirection::kSet)
    spin->setValue(static_cast<int>(field));
  else
    field = static_cast<Field>(spin->value());
}

template <std::size_t N>
void MoveText(BookDirection d, QLineEdit* edit, ShortString<N>& field) {
  if (d == BookDirection::kSet)
    edit->setText(CaptionText(field.Str()));
  else
    field.Assign(CaptionBytes(edit->text()));
}

template <typename Field>
void MoveRadio(BookDirection d, QGroupBox* group, Field& field) {
  if (d == BookDirection::kSet)
    SetRadioIndex(group, static_cast<int>(field));
  else if (const int i = RadioIndex(group); i >= 0)
    field = static_cast<Field>(i);
}

}  // namespace

std::string ControlCharToText(std::uint8_t code) {
  if (code <= 26) return std::string{'^', static_cast<char>(code + 64)};
  return std::string(1, static_cast<char>(code));
}

std::uint8_t TextToControlChar(const std::string& text, std::uint8_t current) {
  if (text.empty()) return current;
  if (text.size() >= 2 && text[0] == '^') return static_cast<std::uint8_t>(text[1]) & 31;
  return static_cast<std::uint8_t>(text[0]);
}

std::string DecodeFootnoteLinkBlanks(std::string text) {
  std::replace(text.begin(), text.end(), '\xB0', ' ');
  return text;
}

std::string EncodeFootnoteLinkBlanks(std::string text) {
  std::replace(text.begin(), text.end(), ' ', '\xB0');
  return text;
}

SettingsNotebook::SettingsNotebook(TSettingsRecord* settings, MainNotifier* mainWindow,
                                   QWidget* parent)
    : SecondaryForm("Form2", mainWindow, parent), settings_(settings) {
  setWindowTitle("Settings and default values");
  TabbedNotebook1 = Named(new QTabWidget(this), "TabbedNotebook1");
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(TabbedNotebook1);
  BuildProgramPage();
  BuildFormatPage();
  BuildPrintPage();
  BuildHyphenationPage();
  BuildLayoutPage();
  BuildNotesPage();
  BuildIndexPage();
  BuildPdfPage();

  Timer1 = Named(new QTimer(this), "Timer1");
  Timer1->setInterval(300);
  connect(Timer1, &QTimer::timeout, this, [this] { Timer1OnTimer(); });
  connect(TabbedNotebook1, &QTabWidget::currentChanged, this, [this](int page) {
    if (page != kPageFormat) return;
    if (MainWindow()) MainWindow()->Send(MN_PREPARE_FONTS, 0);
    ShowFontSample(Button1, Edit4);
    ShowFontSample(Button3, Edit6);
  });
}

QWidget* SettingsNotebook::AddPage(const char* caption, const char* titleName, const char* title,
                                   const char* helpButton, int helpTopic) {
  auto* page = new QWidget;
  auto* layout = new QVBoxLayout(page);
  auto* head = new QHBoxLayout;
  head->addWidget(AddLabel(page, titleName, title), 1);
  auto* help = Named(new QPushButton("?", page), helpButton);
  head->addWidget(help);
  layout->addLayout(head);
  // German captions are long: a label that does not fit goes above its field.
  auto* form = new QFormLayout;
  form->setRowWrapPolicy(QFormLayout::WrapLongRows);
  layout->addLayout(form);
  layout->addStretch(1);
  connect(help, &QPushButton::clicked, this, [this, helpTopic] {
    if (ShowHelpTopic) ShowHelpTopic(helpTopic);
  });
  helpButtons_[TabbedNotebook1->count()] = help;
  TabbedNotebook1->addTab(page, caption);
  return page;
}

namespace {
QFormLayout* FormOf(QWidget* page) {
  return static_cast<QFormLayout*>(static_cast<QVBoxLayout*>(page->layout())->itemAt(1)->layout());
}
void AddRow(QWidget* page, QWidget* label, QWidget* field) { FormOf(page)->addRow(label, field); }
void AddRow(QWidget* page, QWidget* field) { FormOf(page)->addRow(field); }
QWidget* WithButton(QWidget* page, QWidget* field, QWidget* button) {
  auto* box = new QWidget(page);
  auto* row = new QHBoxLayout(box);
  row->setContentsMargins(0, 0, 0, 0);
  row->addWidget(field, 1);
  row->addWidget(button);
  return box;
}
}  // namespace

void SettingsNotebook::BuildProgramPage() {
  QWidget* p = AddPage("Program", "Title_Program", "file names, languages, technical settings",
                       "Button2", 12);
  Edit2 = AddEdit(p, "Edit2", 200);
  SpeedButton2 = Named(new QToolButton(p), "SpeedButton2");
  SpeedButton2->setText("...");
  AddRow(p, AddLabel(p, "Label4", "full filename of the editor"),
         WithButton(p, Edit2, SpeedButton2));
  Edit5 = AddEdit(p, "Edit5", 199);
  SpeedButton1 = Named(new QToolButton(p), "SpeedButton1");
  SpeedButton1->setText("...");
  AddRow(p, AddLabel(p, "Label63", "full filename of the Skeldon command line program"),
         WithButton(p, Edit5, SpeedButton1));
  Edit3 = AddEdit(p, "Edit3", 255);
  SpeedButton3 = Named(new QToolButton(p), "SpeedButton3");
  SpeedButton3->setText("+");
  AddRow(p, AddLabel(p, "Label32", "search directories for files (e.g. pictures)"),
         WithButton(p, Edit3, SpeedButton3));
  RadioGroup1 = AddRadioGroup(p, "RadioGroup1", "program language", {"English", "German"});
  AddRow(p, RadioGroup1);
  CheckBox13 = AddCheck(p, "CheckBox13", "auto correct file extension");
  CheckBox12 = AddCheck(p, "CheckBox12", "open text editor after make");
  CheckBox17 = AddCheck(p, "CheckBox17", "auto save editor");
  CheckBox11 = AddCheck(p, "CheckBox11", "DOS Program");
  CheckBox21 =
      AddCheck(p, "CheckBox21", "doubleclick into editor switches between WS and FMT file");
  for (QWidget* w : {CheckBox13, CheckBox12, CheckBox17, CheckBox11, CheckBox21}) AddRow(p, w);
  auto* programmers = Named(new QGroupBox("programmers only", p), "GroupBox10");
  Button4 = Named(new QPushButton("show component names", programmers), "Button4");
  (new QVBoxLayout(programmers))->addWidget(Button4);
  AddRow(p, programmers);

  connect(Edit2, &QLineEdit::textChanged, this, [this] { CheckeDateiname(Edit2); });
  connect(Edit5, &QLineEdit::textChanged, this, [this] { CheckeDateiname(Edit5); });
  connect(SpeedButton2, &QToolButton::clicked, this, [this] { SucheDateiname(Edit2, "*.EXE"); });
  connect(SpeedButton1, &QToolButton::clicked, this, [this] { SucheDateiname(Edit5, "*.EXE"); });
  connect(SpeedButton3, &QToolButton::clicked, this, [this] { SpeedButton3OnClick(); });
  for (QRadioButton* item : ItemsOf(RadioGroup1))
    connect(item, &QRadioButton::clicked, this, [this] { RadioGroup1OnClick(); });
  connect(CheckBox13, &QCheckBox::clicked, this, [this](bool on) {
    settings_->AutoCorrectExtension = on ? 1 : 0;
    if (MainWindow()) MainWindow()->Post(MN_UPDATE_CAPTION, 0);
  });
  connect(CheckBox12, &QCheckBox::clicked, this,
          [this](bool on) { settings_->OpenEditorAfterMake = on ? 1 : 0; });
  connect(Button4, &QPushButton::clicked, this, [this] {
    if (MainWindow()) MainWindow()->Post(MN_WRITE_LANGUAGE_TEMPLATE, 0);
  });
}

void SettingsNotebook::BuildFormatPage() {
  QWidget* p = AddPage("Format", "Title_Format", "settings concerning formatting", "Button5", 13);
  CheckBox6 =
      AddCheck(p, "CheckBox6", "change hard spaces to soft spaces at the beginning of a line");
  AddRow(p, CheckBox6);
  SpinEdit11 = AddSpin(p, "SpinEdit11", -2, 4);
  AddRow(p, AddLabel(p, "Label36", "reduction of word spaces in justified text"), SpinEdit11);
  AddRow(p, AddLabel(p, "Label37", ".GU"));
  SpinEdit12 = AddSpin(p, "SpinEdit12", 20, 120);
  AddRow(p, AddLabel(p, "Label44", "stretch factor of tabulator jumps"), SpinEdit12);
  AddRow(p, AddLabel(p, "Label38", ".TS"));
  auto* fonts = Named(new QGroupBox("default fonts", p), "GroupBox7");
  auto* fontForm = new QFormLayout(fonts);
  Edit4 = AddEdit(fonts, "Edit4", 2);
  Button1 = Named(new QPushButton(fonts), "Button1");
  fontForm->addRow(AddLabel(fonts, "Label42", ".SF"), WithButton(fonts, Edit4, Button1));
  Edit6 = AddEdit(fonts, "Edit6", 2);
  Button3 = Named(new QPushButton(fonts), "Button3");
  fontForm->addRow(AddLabel(fonts, "Label43", "alternate"), WithButton(fonts, Edit6, Button3));
  AddRow(p, fonts);
  CheckBox16 = AddCheck(p, "CheckBox16", "all .LH line height values refer to default normal font");
  AddRow(p, CheckBox16);
  SpinEdit18 = AddSpin(p, "SpinEdit18", 5, 24);
  AddRow(p, AddLabel(p, "Label64", "default line height (.LH8 = typewriter \"single\")"),
         SpinEdit18);
  AddRow(p, AddLabel(p, "Label65", ".LH"));
  connect(Edit4, &QLineEdit::textChanged, this, [this] { ShowFontSample(Button1, Edit4); });
  connect(Edit6, &QLineEdit::textChanged, this, [this] { ShowFontSample(Button3, Edit6); });
}

void SettingsNotebook::BuildPrintPage() {
  QWidget* p = AddPage("Print", "Title_Print", "preview and print", "Button11", 14);
  auto* job = Named(new QGroupBox("concerning printing", p), "GroupBox5");
  auto* jobLayout = new QGridLayout(job);
  TrackBar1 = Named(new QSlider(Qt::Horizontal, job), "TrackBar1");
  TrackBar1->setRange(0, 6);
  // 6 is the highest priority and stands under "high" on the left.
  TrackBar1->setInvertedAppearance(true);
  jobLayout->addWidget(AddLabel(job, "Label35", "print job priority"), 0, 0, 1, 3);
  jobLayout->addWidget(AddLabel(job, "Label33", "high"), 1, 0);
  jobLayout->addWidget(TrackBar1, 1, 1);
  jobLayout->addWidget(AddLabel(job, "Label34", "low"), 1, 2);
  AddRow(p, job);
  auto* preview = Named(new QGroupBox("concerning preview", p), "GroupBox6");
  CheckBox5 = AddCheck(preview, "CheckBox5", "separate positioning of each character");
  (new QVBoxLayout(preview))->addWidget(CheckBox5);
  AddRow(p, preview);
  ComboBox1 = Named(new QComboBox(p), "ComboBox1");
  ComboBox1->setEditable(true);
  connect(ComboBox1, &QComboBox::activated, this, [this](int i) {
    if (SelectPrinter) SelectPrinter(i);
  });
  AddRow(p, AddLabel(p, "Label53", "Printer to which formatting refers to"), ComboBox1);
  CheckBox15 = AddCheck(p, "CheckBox15", "allow printing unformatted WS files");
  AddRow(p, CheckBox15);
  auto* graphics = Named(new QGroupBox("concerning graphics", p), "GroupBox13");
  auto* graphicsLayout = new QHBoxLayout(graphics);
  graphicsLayout->addWidget(AddLabel(graphics, "Label70", "resolution for metafile ->"));
  RadioGroup5 = AddRadioGroup(graphics, "RadioGroup5", "Bitmap conversion", {});
  graphicsLayout->addWidget(RadioGroup5);
  AddRow(p, graphics);
}

void SettingsNotebook::BuildHyphenationPage() {
  QWidget* p =
      AddPage("Hyphenation", "Title_Hyphenation", "choose the hyphenation method", "Button6", 15);
  RadioButton1 = Named(new QRadioButton("no hyphenation", p), "RadioButton1");
  RadioButton2 = Named(new QRadioButton("manual hyphenation", p), "RadioButton2");
  AddRow(p, RadioButton1);
  AddRow(p, RadioButton2);
  RadioButton3 = Named(new QRadioButton("internal german hyphenation", p), "RadioButton3");
  AddRow(p, RadioButton3);
  GroupBox1 = Named(new QGroupBox("internal german", p), "GroupBox1");
  auto* german = new QFormLayout(GroupBox1);
  CheckBox1 = AddCheck(GroupBox1, "CheckBox1", "ask when in doubt");
  CheckBox2 = AddCheck(GroupBox1, "CheckBox2", "learn the answers");
  CheckBox3 = AddCheck(GroupBox1, "CheckBox3", "ancient Greek");
  german->addRow(CheckBox1);
  german->addRow(CheckBox2);
  german->addRow(CheckBox3);
  SpinEdit1 = AddSpin(GroupBox1, "SpinEdit1", 1, 7);
  german->addRow(AddLabel(GroupBox1, "Label1", "minimal rating"), SpinEdit1);
  AddRow(p, GroupBox1);
  RadioButton4 = Named(new QRadioButton("external TeX file", p), "RadioButton4");
  AddRow(p, RadioButton4);
  GroupBox2 = Named(new QGroupBox("external tex file", p), "GroupBox2");
  auto* tex = new QFormLayout(GroupBox2);
  Edit1 = AddEdit(GroupBox2, "Edit1", 200);
  tex->addRow(AddLabel(GroupBox2, "Label2", "Tex hyphenation filename"), Edit1);
  ComboBox2 = Named(new QComboBox(GroupBox2), "ComboBox2");
  tex->addRow(AddLabel(GroupBox2, "Label41", "Select language for loading from Internet"),
              ComboBox2);
  AddRow(p, GroupBox2);
  SpinEdit2 = AddSpin(p, "SpinEdit2", 2, 9);
  AddRow(p, AddLabel(p, "Label3", "minimum of not hyphenated chars"), SpinEdit2);
  CheckBox4 = AddCheck(p, "CheckBox4", "do not separate areas with capital letters");
  AddRow(p, CheckBox4);

  for (QRadioButton* r : {RadioButton1, RadioButton2, RadioButton3, RadioButton4})
    connect(r, &QRadioButton::toggled, this, [this] { EnableHyphenationGroups(); });
  connect(ComboBox2, &QComboBox::activated, this, [this](int i) { ComboBox2Select(i); });
}

void SettingsNotebook::BuildLayoutPage() {
  QWidget* p =
      AddPage("Layout", "Title_Layout", "page layout (dot command defaults)", "Button7", 16);
  ComboBox3 = Named(new QComboBox(p), "ComboBox3");
  ComboBox3->setEditable(true);
  ComboBox3->setInsertPolicy(QComboBox::NoInsert);
  AddRow(p, AddLabel(p, "Label61", "Page Template"), ComboBox3);
  SpinEdit8 = AddSpin(p, "SpinEdit8", 0, 200);
  AddRow(p, AddLabel(p, "Label25", "page length .PL"), SpinEdit8);
  auto* printable = Named(new QGroupBox("printable area", p), "GroupBox3");
  auto* printableForm = new QFormLayout(printable);
  SpinEdit4 = AddSpin(printable, "SpinEdit4", 0, 255);
  printableForm->addRow(AddLabel(printable, "Label8", "top | margin .MT"), SpinEdit4);
  SpinEdit5 = AddSpin(printable, "SpinEdit5", 0, 255);
  printableForm->addRow(AddLabel(printable, "Label9", "bottom | margin .MB"), SpinEdit5);
  SpinEdit6 = AddSpin(printable, "SpinEdit6", 0, 255);
  printableForm->addRow(AddLabel(printable, "Label11", "left margin .PO"), SpinEdit6);
  AddRow(p, printable);
  auto* text = Named(new QGroupBox("text area", p), "GroupBox4");
  SpinEdit7 = AddSpin(text, "SpinEdit7", 0, 255);
  (new QFormLayout(text))->addRow(AddLabel(text, "Label6", "right margin .RM"), SpinEdit7);
  AddRow(p, text);
  auto* header = Named(new QGroupBox("header", p), "GroupBox11");
  SpinEdit15 = AddSpin(header, "SpinEdit15", 1, 10);
  (new QFormLayout(header))->addRow(AddLabel(header, "Label56", "head dist. .HM"), SpinEdit15);
  AddRow(p, header);
  auto* footer = Named(new QGroupBox("footer", p), "GroupBox12");
  SpinEdit16 = AddSpin(footer, "SpinEdit16", 1, 10);
  (new QFormLayout(footer))->addRow(AddLabel(footer, "Label58", "foot dist. .FM"), SpinEdit16);
  AddRow(p, footer);
  SpinEdit3 = AddSpin(p, "SpinEdit3", 0, 255);
  AddRow(p, AddLabel(p, "Label5", "paper feed top margin"), SpinEdit3);
  AddRow(p, AddLabel(p, "Label31", "line drawing"));
  SpinEdit9 = AddSpin(p, "SpinEdit9", 0, 255);
  AddRow(p, AddLabel(p, "Label27", "thin lines thickness in pixels .LS"), SpinEdit9);
  SpinEdit10 = AddSpin(p, "SpinEdit10", 0, 255);
  AddRow(p, AddLabel(p, "Label28", "wide lines thickness in pixels .LW"), SpinEdit10);
  CheckBox14 = AddCheck(p, "CheckBox14", "write default dot commands");
  AddRow(p, CheckBox14, AddLabel(p, "Label47", "into the FMT file"));
  RadioGroup2 = AddRadioGroup(p, "RadioGroup2", "Codepage",
                              {"437 (thin/thick .LI)", "850 (multilingual + \u00C7)"});
  AddRow(p, RadioGroup2);
  RadioGroup3 = AddRadioGroup(p, "RadioGroup3", "bubble help scale", {"cm", "inches"});
  AddRow(p, RadioGroup3);

  connect(ComboBox3, &QComboBox::activated, this, [this](int i) { SelectPageTemplate(i); });
  connect(ComboBox3, &QComboBox::editTextChanged, this, [this](const QString& typed) {
    if (beingFilled_) return;
    const int i = ComboBox3->currentIndex();
    if (i < 0 || i >= 10) return;
    const QString name = typed.left(kTemplateNameLength);
    settings_->PageTemplates[i].Name.Assign(CaptionBytes(name));
    ComboBox3->setItemText(i, name);
  });
}

void SettingsNotebook::BuildNotesPage() {
  QWidget* p = AddPage("Notes", "Title_Notes", "Endnotes, Footnotes, Margin Notes", "Button8", 17);
  AddRow(p, AddLabel(p, "Label59", "concerning formatting"));
  SpinEdit13 = AddSpin(p, "SpinEdit13", 1, 50);
  AddRow(p, AddLabel(p, "Label46", "maximum number of characters of .MN margin notes"), SpinEdit13);
  AddRow(p, AddLabel(p, "Label60", "concerning text and footnotes"));
  SpinEdit14 = AddSpin(p, "SpinEdit14", 0, 10);
  AddRow(p, AddLabel(p, "Label48", "empty lines between text and footnotes"), SpinEdit14);
  Edit7 = AddEdit(p, "Edit7", 2);
  AddRow(p, AddLabel(p, "Label49", "internal character for assigning footnotes"), Edit7);
  Edit8 = AddEdit(p, "Edit8", 25);
  AddRow(p, AddLabel(p, "Label50", "footnote link text in text area"), Edit8);
  Edit9 = AddEdit(p, "Edit9", 25);
  AddRow(p, AddLabel(p, "Label51", "footnote link text in footnote area"), Edit9);
  Edit10 = AddEdit(p, "Edit10", 2);
  AddRow(p, AddLabel(p, "Label52", "character representing RETURN  in footnote text"), Edit10);
  SpinEdit17 = AddSpin(p, "SpinEdit17", 0, 255);
  AddRow(p, AddLabel(p, "Label40", "hold number of lines together in a paragraph"), SpinEdit17);
}

void SettingsNotebook::BuildIndexPage() {
  QWidget* p = AddPage("Index", "Title_Index", "creating contents and index", "Button9", 18);
  auto* contents = Named(new QGroupBox("concerning contents", p), "GroupBox8");
  auto* contentsLayout = new QVBoxLayout(contents);
  CheckBox7 = AddCheck(contents, "CheckBox7", "write page numbers");
  CheckBox8 = AddCheck(contents, "CheckBox8", "highlight main headings (use bold font)");
  CheckBox22 = AddCheck(contents, "CheckBox22", "write marked paragraphs (.CT) only");
  for (QWidget* w : {CheckBox7, CheckBox8, CheckBox22}) contentsLayout->addWidget(w);
  AddRow(p, contents);
  auto* index = Named(new QGroupBox("concerning index", p), "GroupBox9");
  auto* indexLayout = new QVBoxLayout(index);
  CheckBox9 = AddCheck(index, "CheckBox9", "highlight weighted page numbers");
  CheckBox10 = AddCheck(index, "CheckBox10", "sort \u00E4 as ae instead of \u00E4 as a");
  indexLayout->addWidget(CheckBox9);
  indexLayout->addWidget(CheckBox10);
  AddRow(p, index);
}

void SettingsNotebook::BuildPdfPage() {
  QWidget* p = AddPage("PDF", "Title_PDF", "PDF creation", "Button10", 19);
  CheckBox18 = AddCheck(p, "CheckBox18", "Auto select file name *.PS");
  CheckBox19 = AddCheck(p, "CheckBox19", "create PS_CNT file when \"creating contents\"");
  CheckBox20 = AddCheck(p, "CheckBox20", "execute PDF creation program after creating PS file");
  for (QWidget* w : {CheckBox18, CheckBox19, CheckBox20}) AddRow(p, w);
  RadioGroup4 = AddRadioGroup(p, "RadioGroup4", "Location of created PS file",
                              {"document directory", "TEMP directory"});
  AddRow(p, RadioGroup4);
  Edit11 = AddEdit(p, "Edit11", 199);
  SpeedButton4 = Named(new QToolButton(p), "SpeedButton4");
  SpeedButton4->setText("...");
  AddRow(p, AddLabel(p, "Label67", "full filename of PDF creation program"),
         WithButton(p, Edit11, SpeedButton4));
  Edit12 = AddEdit(p, "Edit12", 199);
  AddRow(p, AddLabel(p, "Label68", "program parameters (* = PS file, # = PDF file)"), Edit12);
  ComboBox4 = Named(new QComboBox(p), "ComboBox4");
  ComboBox4->setEditable(true);
  AddRow(p, AddLabel(p, "Label66", "Printer driver for creating PDF files"), ComboBox4);
  connect(Edit11, &QLineEdit::textChanged, this, [this] { CheckeDateiname(Edit11); });
  connect(SpeedButton4, &QToolButton::clicked, this, [this] { SucheDateiname(Edit11, "*.EXE"); });
}

// ---- record <-> controls

void SettingsNotebook::EinstellungsbuchSetzen() {
  beingFilled_ = true;
  ProgramPage(BookDirection::kSet);
  FormatPage(BookDirection::kSet);
  HyphenationPage(BookDirection::kSet);
  LayoutPage(BookDirection::kSet);
  NotesPage(BookDirection::kSet);
  IndexPage(BookDirection::kSet);
  PdfPage(BookDirection::kSet);
  beingFilled_ = false;
}

void SettingsNotebook::EinstellungsbuchLesen() {
  if (reading_) return;
  reading_ = true;
  ProgramPage(BookDirection::kRead);
  FormatPage(BookDirection::kRead);
  HyphenationPage(BookDirection::kRead);
  LayoutPage(BookDirection::kRead);
  NotesPage(BookDirection::kRead);
  IndexPage(BookDirection::kRead);
  PdfPage(BookDirection::kRead);
  reading_ = false;
}

void SettingsNotebook::FillPrinters(QComboBox* box, const std::string& field) {
  std::vector<std::string> names =
      PrinterNames ? PrinterNames() : platform::PrinterList::from_machine().names();
  if (!names.empty()) {
    box->clear();
    for (const std::string& n : names) box->addItem(QString::fromStdString(n));
  }
  box->setCurrentText(CaptionText(field));
}

void SettingsNotebook::ProgramPage(BookDirection d) {
  TSettingsRecord& s = *settings_;
  MoveText(d, Edit2, s.EditorFileName);
  MoveText(d, Edit5, s.CompilerFileName);
  MoveText(d, Edit3, s.SearchDirectories);
  MoveRadio(d, RadioGroup1, s.Language);
  MoveByte(d, CheckBox13, s.AutoCorrectExtension);
  MoveByte(d, CheckBox12, s.OpenEditorAfterMake);
  MoveByte(d, CheckBox17, s.AutoSaveEditor);
  MoveByte(d, CheckBox11, s.DosProgram);
  MoveByte(d, CheckBox21, s.DoubleClickSwitchesFiles);
  // The Print page's controls move with the Program page.
  if (d == BookDirection::kSet) {
    CheckeDateiname(Edit2);
    CheckeDateiname(Edit5);
    TrackBar1->setValue(s.PrintThreadPriority);
    FillPrinters(ComboBox1, s.FormattingPrinterName.Str());
    const int* dpi = std::find(std::begin(kMetafileDpis), std::end(kMetafileDpis), s.MetafileDpi);
    SetRadioIndex(RadioGroup5, static_cast<int>(dpi - std::begin(kMetafileDpis)));
  } else {
    s.PrintThreadPriority = TrackBar1->value();
    s.FormattingPrinterName.Assign(CaptionBytes(ComboBox1->currentText()));
    if (const int i = RadioIndex(RadioGroup5); i >= 0) s.MetafileDpi = kMetafileDpis[i];
  }
  MoveByte(d, CheckBox5, s.PreviewPlacesEachChar);
  MoveByte(d, CheckBox15, s.PrintUnformattedFiles);
}

void SettingsNotebook::FormatPage(BookDirection d) {
  TSettingsRecord& s = *settings_;
  MoveByte(d, CheckBox6, s.HardToSoftSpaces);
  MoveNumber(d, SpinEdit11, s.DefaultGU);
  MoveNumber(d, SpinEdit12, s.DefaultTS);
  MoveByte(d, CheckBox16, s.LineHeightRefersToNormalFont);
  if (d == BookDirection::kSet) {
    Edit4->setText(QString::fromStdString(FontNumberToSpec(s.NormalFont)));
    Edit6->setText(QString::fromStdString(FontNumberToSpec(s.AlternateFont)));
    SpinEdit18->setValue(s.DefaultLH);
    return;
  }
  // A font field that names no font keeps the stored one rather than storing font 0.
  if (const std::uint8_t n = FontSpecToNumber(CaptionBytes(Edit4->text())); n != 0)
    s.NormalFont = n;
  if (const std::uint8_t n = FontSpecToNumber(CaptionBytes(Edit6->text())); n != 0)
    s.AlternateFont = n;
  const auto lh = static_cast<std::uint8_t>(SpinEdit18->value());
  if (lh != s.DefaultLH)
    Inform(
        "Wenn Sie den Standardwert f\x81r .LH hier \x84ndern, m\x81ssen Sie dieselbe \x84nderung "
        "auch in Dunmoor vornehmen (Einstellungen-Buch Ctrl-OO, Seite \"WS\")",
        "If you change the default value for .LH here, you have to make the same modification "
        "in the Dunmoor settings notebook (Ctrl-OO), Page \"WS\")");
  s.DefaultLH = lh;
}

void SettingsNotebook::HyphenationPage(BookDirection d) {
  TSettingsRecord& s = *settings_;
  QRadioButton* const buttons[4] = {RadioButton1, RadioButton2, RadioButton3, RadioButton4};
  if (d == BookDirection::kSet) {
    // Modes 0 and 1 are both the German rules; 5 has no button of its own.
    int index = -1;
    switch (s.HyphenationMode) {
      case 0:
      case 1:
        index = 2;
        break;
      case 2:
        index = 1;
        break;
      case 3:
        index = 0;
        break;
      case 4:
        index = 3;
        break;
      default:
        break;
    }
    CheckOnly(QList<QRadioButton*>(std::begin(buttons), std::end(buttons)), index);
    EnableHyphenationGroups();
    CheckBox2->setChecked(s.LearnHyphenations == 2);
    ComboBox2->clear();
    texFiles_.clear();
    for (const TexLanguage& l : kTexLanguages) {
      ComboBox2->addItem(l.Item);
      texFiles_.push_back(l.File);
    }
    ComboBox2->setCurrentIndex(
        s.TexDownloadLanguage >= 0 && s.TexDownloadLanguage < 11 ? s.TexDownloadLanguage : -1);
  } else {
    constexpr std::uint8_t kModes[4] = {3, 2, 0, 4};
    for (int i = 0; i < 4; ++i)
      if (buttons[i]->isChecked()) s.HyphenationMode = kModes[i];
    s.LearnHyphenations = CheckBox2->isChecked() ? 2 : 1;
    // An index the list does not hold (a damaged record) stays as stored.
    if (ComboBox2->currentIndex() >= 0) s.TexDownloadLanguage = ComboBox2->currentIndex();
  }
  MoveByte(d, CheckBox1, s.AskIfDoubtful);
  MoveByte(d, CheckBox3, s.AncientGreek);
  MoveNumber(d, SpinEdit1, s.MinimalRating);
  MoveText(d, Edit1, s.TexPatternFile);
  MoveNumber(d, SpinEdit2, s.DefaultHN);
  MoveByte(d, CheckBox4, s.CapitalAreasUnsplit);
}

void SettingsNotebook::EnableHyphenationGroups() {
  GroupBox1->setEnabled(RadioButton3->isChecked());
  GroupBox2->setEnabled(RadioButton4->isChecked());
}

void SettingsNotebook::TransferPageTemplate(BookDirection d) {
  // A damaged index beyond 9 works on template 0, as CurrentPageTemplate does.
  const int index = settings_->PageTemplateIndex < 10 ? settings_->PageTemplateIndex : 0;
  TPageTemplate& t = settings_->PageTemplates[index];
  MoveNumber(d, SpinEdit8, t.PL);
  MoveNumber(d, SpinEdit4, t.MT);
  MoveNumber(d, SpinEdit5, t.MB);
  MoveNumber(d, SpinEdit6, t.PO);
  MoveNumber(d, SpinEdit7, t.RM);
  MoveNumber(d, SpinEdit15, t.HM);
  MoveNumber(d, SpinEdit16, t.FM);
}

void SettingsNotebook::SelectPageTemplate(int index) {
  if (index < 0 || index >= 10) return;
  TransferPageTemplate(BookDirection::kRead);
  settings_->PageTemplateIndex = static_cast<std::uint8_t>(index);
  TransferPageTemplate(BookDirection::kSet);
}

void SettingsNotebook::LayoutPage(BookDirection d) {
  TSettingsRecord& s = *settings_;
  MoveNumber(d, SpinEdit3, s.PaperFeedTop);
  if (d == BookDirection::kSet) {
    ComboBox3->clear();
    for (const TPageTemplate& t : s.PageTemplates) ComboBox3->addItem(CaptionText(t.Name.Str()));
    ComboBox3->setCurrentIndex(s.PageTemplateIndex < 10 ? s.PageTemplateIndex : -1);
  }
  TransferPageTemplate(d);
  MoveNumber(d, SpinEdit9, s.DefaultLS);
  MoveNumber(d, SpinEdit10, s.DefaultLW);
  MoveByte(d, CheckBox14, s.SettingsIntoHeader);
  MoveRadio(d, RadioGroup2, s.CodePage);
  MoveRadio(d, RadioGroup3, s.HintUnit);
}

void SettingsNotebook::NotesPage(BookDirection d) {
  TSettingsRecord& s = *settings_;
  MoveNumber(d, SpinEdit13, s.DefaultMN);
  MoveNumber(d, SpinEdit14, s.BlankLinesBeforeNotes);
  MoveText(d, Edit8, s.NoteLinkInText);
  MoveNumber(d, SpinEdit17, s.LinesKeptTogether);
  if (d == BookDirection::kSet) {
    Edit7->setText(CaptionText(ControlCharToText(s.NoteAssignChar)));
    Edit9->setText(CaptionText(DecodeFootnoteLinkBlanks(s.NoteLinkInNoteArea.Str())));
    Edit10->setText(CaptionText(ControlCharToText(s.NoteReturnChar)));
  } else {
    s.NoteAssignChar = TextToControlChar(CaptionBytes(Edit7->text()), s.NoteAssignChar);
    s.NoteLinkInNoteArea.Assign(EncodeFootnoteLinkBlanks(CaptionBytes(Edit9->text())));
    s.NoteReturnChar = TextToControlChar(CaptionBytes(Edit10->text()), s.NoteReturnChar);
  }
}

void SettingsNotebook::IndexPage(BookDirection d) {
  TSettingsRecord& s = *settings_;
  // Stored inverted: 0 means page numbers are written.
  if (d == BookDirection::kSet)
    CheckBox7->setChecked(s.ContentsPageNumbers == 0);
  else
    s.ContentsPageNumbers = CheckBox7->isChecked() ? 0 : 1;
  MoveByte(d, CheckBox8, s.ContentsBoldHeadings);
  MoveByte(d, CheckBox22, s.ContentsCtOnly);
  MoveByte(d, CheckBox9, s.WeightedPages);
  MoveByte(d, CheckBox10, s.IndexSortUmlautAsAe);
}

void SettingsNotebook::PdfPage(BookDirection d) {
  TSettingsRecord& s = *settings_;
  MoveByte(d, CheckBox18, s.AutoPsName);
  MoveByte(d, CheckBox19, s.PsWithContents);
  MoveByte(d, CheckBox20, s.RunPdfProgram);
  MoveRadio(d, RadioGroup4, s.PsFileLocation);
  MoveText(d, Edit11, s.PdfProgram);
  MoveText(d, Edit12, s.PdfParameters);
  if (d == BookDirection::kSet) {
    CheckeDateiname(Edit11);
    FillPrinters(ComboBox4, s.PdfPrinterName.Str());
  } else {
    s.PdfPrinterName.Assign(CaptionBytes(ComboBox4->currentText()));
  }
}

// ---- handlers

void SettingsNotebook::showEvent(QShowEvent* event) {
  SecondaryForm::showEvent(event);
  if (!firstShow_) return;
  firstShow_ = false;
  notebookOpen_ = true;
  beingFilled_ = true;
  SetRadioIndex(RadioGroup5, -1);
  for (QRadioButton* r : ItemsOf(RadioGroup5)) delete r;
  for (int dpi : kMetafileDpis)
    RadioGroup5->layout()->addWidget(new QRadioButton(QString::number(dpi) + " dpi", RadioGroup5));
  EinstellungsbuchSetzen();
  tickCounter_ = 0;
  Timer1->start();
  DotcommandHints();
}

void SettingsNotebook::Form2OnClose() {
  if (!notebookOpen_) return;
  Timer1->stop();
  EinstellungsbuchLesen();
  notebookOpen_ = false;
  firstShow_ = true;
}

void SettingsNotebook::closeEvent(QCloseEvent* event) {
  Form2OnClose();
  SecondaryForm::closeEvent(event);
}

void SettingsNotebook::done(int result) {
  Form2OnClose();
  SecondaryForm::done(result);
}

QString SettingsNotebook::MeasureHint(bool vertical, int value) const {
  const double inches = value / (vertical ? 6.0 : 10.0);
  if (RadioIndex(RadioGroup3) == 1) return QString::number(inches, 'f', 2) + "\"";
  return QString::number(inches * 2.54, 'f', 1) + " cm";
}

void SettingsNotebook::Timer1OnTimer() {
  // A box of a read still open: this tick belongs to its event loop.
  if (reading_) return;
  if (TabbedNotebook1->currentIndex() == kPageLayout) {
    for (QSpinBox* v : {SpinEdit4, SpinEdit5, SpinEdit8, SpinEdit15, SpinEdit16, SpinEdit3})
      v->setToolTip(MeasureHint(true, v->value()));
    for (QSpinBox* h : {SpinEdit6, SpinEdit7}) h->setToolTip(MeasureHint(false, h->value()));
  }
  if (!PreviewOpen || !PreviewOpen()) return;
  if (++tickCounter_ % 4 != 0) return;
  EinstellungsbuchLesen();
  if (PreviewStartSettings && !SettingsUnchanged(*settings_, *PreviewStartSettings)) {
    if (ClearPreviewBusy) ClearPreviewBusy();
    if (MainWindow()) MainWindow()->Post(MN_PREVIEW_REDRAW, 0);
  }
}

QColor SettingsNotebook::FileNameColour(const std::string& name) {
  if (name.empty()) return QColor();
  return FileExistsByOpen(name) ? QColor(0xA0, 0xFF, 0xA0) : QColor(0xFF, 0xA0, 0xA0);
}

void SettingsNotebook::CheckeDateiname(QLineEdit* edit) {
  const QColor colour = FileNameColour(CaptionBytes(edit->text()));
  QPalette palette = edit->style()->standardPalette();
  if (colour.isValid()) palette.setColor(QPalette::Base, colour);
  edit->setPalette(palette);
}

bool SettingsNotebook::SucheDateiname(QLineEdit* edit, const QString& mask) {
  const bool german = settings_->Language == 1;
  const QString title = german ? QString::fromUtf8("Datei auswählen") : "Choose file";
  const QString filter = (german ? "Datei (" : "file (") + mask + ")";
  std::string chosen;
  if (ChooseFile) {
    chosen = ChooseFile(title, filter);
  } else {
    QFileDialog dialog(this, title, QString(), filter);
    dialog.setDefaultSuffix("EXE");
    dialog.setFileMode(QFileDialog::ExistingFile);
    if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty())
      chosen = CaptionBytes(dialog.selectedFiles().first());
  }
  if (chosen.empty()) return false;
  edit->setText(CaptionText(chosen));
  return true;
}

void SettingsNotebook::SpeedButton3OnClick() {
  std::string dir;
  if (ChooseDirectory) {
    dir = ChooseDirectory();
  } else {
    DirectoryChooser chooser(MainWindow(), this);
    if (chooser.exec() == QDialog::Accepted)
      dir = CaptionBytes(QString::fromStdString(chooser.SelectedDirectory()));
  }
  if (dir.empty()) return;
  if (dir.find(' ') != std::string::npos) dir = "\"" + dir + "\"";
  const std::string current = CaptionBytes(Edit3->text());
  Edit3->setText(CaptionText(current.empty() ? dir : current + ";" + dir));
}

void SettingsNotebook::RadioGroup1OnClick() {
  if (beingFilled_) return;
  const int chosen = RadioIndex(RadioGroup1);
  if (chosen >= 0 && chosen != settings_->Language)
    Inform("Bitte starten Sie Tavrel neu, um alle Dialoge in der gew\x84hlten Sprache zu erhalten",
           "Please restart Tavrel to get all dialogs in the selected language");
}

void SettingsNotebook::ComboBox2Select(int index) {
  if (beingFilled_ || index < 0 || index >= static_cast<int>(texFiles_.size())) return;
  const std::string& file = texFiles_[static_cast<std::size_t>(index)];
  Inform(
      "Es wird nun der Internet-Browser gestartet. W\x84hlen Sie sich ggfs. vorher ein. "
      "Laden Sie " +
          file + " in das Verzeichnis " + ProgramDirectory,
      "Now your internet browser will be started. If necessary, dial now. Download " + file +
          " to directory " + ProgramDirectory);
  Edit1->setText(CaptionText(file));
  const std::string url = std::string(kSearchServer) + "/search?q=" +
                          QUrl::toPercentEncoding(QString::fromStdString(file)).toStdString();
  if (OpenWebBrowser) {
    OpenWebBrowser(url);
  } else {
    platform::SpawnOptions options;
    options.working_directory = ProgramDirectory;
    platform::start_program("xdg-open", {url}, options, false);
  }
}

void SettingsNotebook::DotcommandHints() {
  if (!DotCommandHelp) return;
  for (QLabel* label : findChildren<QLabel*>()) {
    const std::string caption = CaptionBytes(label->text());
    if (caption.size() == 3 && caption[0] == '.')
      label->setToolTip(CaptionText(DotCommandHelp(caption)));
  }
}

void SettingsNotebook::ShowFontSample(QPushButton* button, QLineEdit* field) {
  FontSampleInfo info;
  const std::uint8_t number = FontSpecToNumber(CaptionBytes(field->text()));
  if (!FontSample || number == 0 || !FontSample(number, info)) {
    button->setText(field->text());
    button->setFont(QFont());
    return;
  }
  button->setText(QString::fromStdString(info.Family) + " " + QString::number(info.Points));
  QFont font(QString::fromStdString(info.Family));
  if (info.Points > 0) font.setPointSizeF(info.Points);
  button->setFont(font);
}

void SettingsNotebook::Inform(const std::string& german850, const std::string& english) {
  if (!Boxes) return;
  Boxes->ShowMessageBox(ShowMessage(settings_->Language, {german850, english}), kBoxInformation);
}

}  // namespace tavrel

#include "formatter/windows/dot_command_dialog.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QFileDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QMouseEvent>
#include <QTimer>
#include <QVBoxLayout>
#include <cstdio>
#include <thread>

#include "formatter/common/bilingual_texts.h"
#include "formatter/common/file_services.h"
#include "formatter/common/font_numbers.h"
#include "formatter/common/messages.h"
#include "formatter/common/text_services.h"
#include "formatter/windows/dot_command_outline.h"
#include "formatter/windows/form_captions.h"

namespace tavrel {

// ---------------------------------------------------------------------------------------
// Sending through the editor link

EditorLinkDotCommandSender::EditorLinkDotCommandSender(EditorLink link,
                                                       std::function<FileContext()> files)
    : link_(link), files_(std::move(files)) {}

bool EditorLinkDotCommandSender::SendCommand(std::int32_t code, std::int32_t value) {
  return SendEditorCommandPaced(link_, code, value, files_(), false);
}

bool EditorLinkDotCommandSender::InsertText(const std::string& text, const std::string& parameter,
                                            std::int32_t requestFlag) {
  return InsertTextIntoEditor(link_, text, parameter, requestFlag, files_(), EditorInsertion{});
}

bool EditorLinkDotCommandSender::SendHeaderText(const std::string& command,
                                                const std::string& parameter) {
  bool found = true;
  EditorInsertion where;
  where.NoEditor = [&found] { found = false; };
  SendHeaderTextToEditor(link_, command, parameter, files_(), where);
  return found;
}

bool EditorLinkDotCommandSender::SendMarkedText(const std::string& text) {
  bool found = true;
  EditorInsertion where;
  where.NoEditor = [&found] { found = false; };
  SendMarkedTextToEditor(link_, text, files_(), where);
  return found;
}

void EditorLinkDotCommandSender::PostToMainWindow(std::int32_t code, std::int32_t value) {
  if (link_.Registry && link_.OwnMainWindow != 0)
    link_.Registry->post(link_.OwnMainWindow, WM_EDITOR_LINK, code, value);
}

std::vector<std::string> DotCommandFontItems(const TPrinterDataRecord& fonts) {
  std::vector<std::string> items;
  for (int number = 1; number <= kFontCount; ++number) {
    const TFontEntry& font = fonts.Fonts[number - 1];
    if (font.FaceName.Empty()) continue;
    char size[32];
    std::snprintf(size, sizeof size, "%g", font.Size);
    items.push_back(FontNumberToSpec(static_cast<std::uint8_t>(number)) + " = " +
                    font.FaceName.Str() + " " + size);
  }
  return items;
}

// ---------------------------------------------------------------------------------------
// The dialog

namespace {

constexpr int kTagRole = Qt::UserRole;
constexpr int kCharacterRole = Qt::UserRole + 1;
constexpr const char* kScaleItems[3] = {"Columns/Rows", "Inches", "cm"};

struct BilingualText {
  const char* German;  // code page 850
  const char* English;
};

constexpr BilingualText kShapes[6] = {
    {"1: ausgef\x81llter Kreis (\"Kn\x94"
     "del\")",
     "1: filled circle"},
    {"2: nicht ausgef\x81llter Kreis", "2: non-filled circle"},
    {"3: ausgef\x81lltes Quadrat", "3: filled square box"},
    {"4: nicht ausgef\x81lltes Quadrat", "4: non-filled square box"},
    {"5: ausgef\x81lltes Rechteck mit abgerundeten Kanten", "5: filled rounded square box"},
    {"6: nicht ausgef\x81lltes Rechteck mit abgerundeten Kanten",
     "6: non-filled rounded square box"},
};

// One open dialog per file command.
struct FileDialogRow {
  int Code;
  BilingualText Title;
  std::vector<BilingualText> Descriptions;  // with kMasks, one per filter
  std::vector<const char*> Masks;
  const char* DefaultExtension;
};

const FileDialogRow* FileDialogFor(int code) {
  static const FileDialogRow kRows[] = {
      {41,
       {"Datei einbinden", "Embed file"},
       {{"Wordstar-Datei unformatiert", "Wordstar file unformatted"},
        {"Corvina TXT-Datei", "Corvina TXT file"},
        {"Wordstar-Datei formatiert", "Wordstar formatted file"}},
       {"*.WS", "*.TXT", "*.FMT"},
       "WS"},
      {50, {"Grafik-Datei w\x84hlen", "Select a graphics file"}, {}, {}, "BMP"},
      {55, {"Grafik-Datei w\x84hlen", "Select a graphics file"}, {}, {}, "BMP"},
      {71,
       {"Gliederungsformat-Datei w\x84hlen", "Select a heading file"},
       {{"\x9A"
         "berschrifts-Datei",
         "Heading file"}},
       {"*.WS"},
       "WS"},
  };
  for (const FileDialogRow& row : kRows)
    if (row.Code == code) return &row;
  return nullptr;
}

std::string WithoutTrailingSeparator(std::string directory) {
  while (directory.size() > 1 && (directory.back() == '/' || directory.back() == '\\'))
    directory.pop_back();
  return directory;
}

// Whether the directory is one of the entries of the list (case ignored, as the list is
// typed by hand); a directory that only begins like an entry is another directory.
bool ListedDirectory(const std::string& list, const std::string& directory) {
  const std::string wanted = MakeUpperCase(WithoutTrailingSeparator(directory));
  std::size_t start = 0;
  while (start <= list.size()) {
    const std::size_t end = std::min(list.find(';', start), list.size());
    if (MakeUpperCase(WithoutTrailingSeparator(list.substr(start, end - start))) == wanted)
      return true;
    start = end + 1;
  }
  return false;
}

// A Qt filter list from "description|mask|description|mask".
QString QtFilter(const std::string& filter) {
  QStringList parts = CaptionText(filter).split('|');
  QStringList filters;
  for (int i = 0; i + 1 < parts.size(); i += 2)
    filters << parts[i] + " (" + parts[i + 1].toLower() + " " + parts[i + 1] + ")";
  return filters.join(";;");
}

}  // namespace

DotCommandDialog::DotCommandDialog(MainNotifier* mainWindow, QWidget* parent)
    : SecondaryForm("Form10", mainWindow, parent) {
  setWindowTitle("Insert Dot Commands");
  const auto named = [](QWidget* w, const char* name) {
    w->setObjectName(name);
    return w;
  };
  Outline1 = new QTreeWidget(this);
  named(Outline1, "Outline1");
  Outline1->setHeaderHidden(true);
  Outline1->setMinimumWidth(320);
  Label1 = new QLabel(this);
  named(Label1, "Label1");
  Label1->setWordWrap(true);
  Label1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  Label1->setMinimumHeight(90);
  Label2 = new QLabel("Value", this);
  named(Label2, "Label2");
  Edit1 = new QLineEdit(this);
  named(Edit1, "Edit1");
  RadioGroup1 = new QGroupBox("Scale", this);
  named(RadioGroup1, "RadioGroup1");
  RadioGroup1->setProperty("controlClass", "TRadioGroup");
  auto* scales = new QVBoxLayout(RadioGroup1);
  for (int i = 0; i < 3; ++i) {
    RadioItems[i] = new QRadioButton(kScaleItems[i], RadioGroup1);
    scales->addWidget(RadioItems[i]);
    connect(RadioItems[i], &QRadioButton::clicked, this, [this, i] { RadioGroup1OnClick(i); });
  }
  RadioItems[0]->setChecked(true);
  Label3 = new QLabel("Select a Font:", this);
  named(Label3, "Label3");
  ComboBox1 = new QComboBox(this);
  named(ComboBox1, "ComboBox1");
  Label6 = new QLabel("Select a shape:", this);
  named(Label6, "Label6");
  ComboBox2 = new QComboBox(this);
  named(ComboBox2, "ComboBox2");
  const auto button = [this, &named](const char* caption, const char* name) {
    return static_cast<QPushButton*>(named(new QPushButton(caption, this), name));
  };
  Button1 = button("insert", "Button1");
  Button2 = button("Help", "Button2");
  Button3 = button("Close", "Button3");
  Button4 = button("Search File", "Button4");
  Button5 = button("?", "Button5");
  Button6 = button("Expand", "Button6");
  Button7 = button("Collapse", "Button7");
  GroupBox1 = new QGroupBox(this);
  named(GroupBox1, "GroupBox1");
  Label5 = new QLabel("go to command", GroupBox1);
  named(Label5, "Label5");
  Label4 = new QLabel(".", GroupBox1);
  named(Label4, "Label4");
  Edit2 = new QLineEdit(GroupBox1);
  named(Edit2, "Edit2");
  auto* search = new QHBoxLayout(GroupBox1);
  search->addWidget(Label5);
  search->addWidget(Label4);
  search->addWidget(Edit2, 1);

  // Layouts keep every control's distance to the edges when the window is resized.
  auto* parameter = new QGridLayout;
  parameter->addWidget(Label1, 0, 0, 1, 2);
  parameter->addWidget(Label2, 1, 0, 1, 2);
  parameter->addWidget(Edit1, 2, 0);
  parameter->addWidget(Button4, 2, 1);
  parameter->addWidget(RadioGroup1, 3, 0, 1, 2);
  parameter->addWidget(Label3, 4, 0, 1, 2);
  parameter->addWidget(ComboBox1, 5, 0, 1, 2);
  parameter->addWidget(Label6, 6, 0, 1, 2);
  parameter->addWidget(ComboBox2, 7, 0, 1, 2);
  parameter->setRowStretch(8, 1);
  auto* outlineButtons = new QHBoxLayout;
  outlineButtons->addWidget(Button6);
  outlineButtons->addWidget(Button7);
  auto* left = new QVBoxLayout;
  left->addWidget(Outline1, 1);
  left->addLayout(outlineButtons);
  left->addWidget(GroupBox1);
  auto* top = new QHBoxLayout;
  top->addLayout(left, 3);
  top->addLayout(parameter, 2);
  auto* buttons = new QHBoxLayout;
  for (QPushButton* b : {Button1, Button2, Button5, Button3}) buttons->addWidget(b);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(top, 1);
  layout->addLayout(buttons);
  resize(760, 520);

  connect(Outline1, &QTreeWidget::currentItemChanged, this, [this] {
    if (!building_) BuildDotCommand();
  });
  connect(Outline1, &QTreeWidget::itemDoubleClicked, this, [this] { BuildDotCommand(); });
  connect(Button1, &QPushButton::clicked, this, [this] { InsertSelectedDotCommand(); });
  connect(Button2, &QPushButton::clicked, this, [this] { Button2OnClick(); });
  connect(Button3, &QPushButton::clicked, this, [this] { close(); });
  connect(Button4, &QPushButton::clicked, this, [this] { Button4OnClick(); });
  connect(Button5, &QPushButton::clicked, this, [this] {
    if (ShowHelpTopic) ShowHelpTopic(20);
  });
  connect(Button6, &QPushButton::clicked, Outline1, &QTreeWidget::expandAll);
  connect(Button7, &QPushButton::clicked, Outline1, &QTreeWidget::collapseAll);
  connect(Edit2, &QLineEdit::textChanged, this, [this] { Edit2OnChange(); });
  connect(ComboBox1, &QComboBox::activated, this, [this](int i) { ComboBox1OnItemSelect(i); });

  setMouseTracking(true);
  Outline1->viewport()->setMouseTracking(true);
  Outline1->viewport()->installEventFilter(this);
  Edit2->setMouseTracking(true);
  Edit2->installEventFilter(this);
  Form10OnClose();
}

void DotCommandDialog::TakeSender(std::unique_ptr<DotCommandSender> sender) {
  ownSender_ = std::move(sender);
  Sender = ownSender_.get();
}

bool DotCommandDialog::German() const { return Settings && Settings->Language == kLanguageGerman; }

std::string DotCommandDialog::Pick(const char* german, const char* english) const {
  return ShowMessage(German() ? kLanguageGerman : 0, MessageTexts{german, english});
}

void DotCommandDialog::Inform(const char* german, const char* english, int kind) {
  if (Boxes) Boxes->ShowMessageBox(Pick(german, english), kind);
}

void DotCommandDialog::ReportNoEditorWindow() {
  Inform(
      "Um diese Funktion nutzen zu k\x94nnen, mu\xE1 ein Dunmoor Fenster mit einer "
      "unformatierten Datei ge\x94"
      "ffnet und in Tavrel angemeldet sein. Und setzen Sie den "
      "Textcursor zuerst an die gew\x81nschte Stelle.",
      "To use this function, a Dunmoor window with an unformatted Wordstar file has to be "
      "selected. And place the cursor to the location where you want to insert the command.",
      kBoxError);
}

void DotCommandDialog::OpenFromMenu() {
  openedByEditor_ = 0;
  showEditorCommand_ = false;
  windowSelector_ = 0;
  show();
  raise();
}

void DotCommandDialog::OpenFromEditor(std::uint8_t selector, const std::string& command) {
  openedByEditor_ = 1;
  windowSelector_ = selector;
  show();
  ShowCommandFromEditor(command);
  // The editor keeps the focus for a moment after its message; come to the front after it.
  QTimer::singleShot(FrontPause, this, [this] {
    if (!isVisible()) return;
    raise();
    activateWindow();
  });
}

void DotCommandDialog::showEvent(QShowEvent* event) {
  SecondaryForm::showEvent(event);
  if (buildOnNextShow_) Form10OnSetupShow();
}

void DotCommandDialog::closeEvent(QCloseEvent* event) {
  SecondaryForm::closeEvent(event);
  Form10OnClose();
}

void DotCommandDialog::done(int result) {
  SecondaryForm::done(result);
  Form10OnClose();
}

void DotCommandDialog::Form10OnClose() {
  buildOnNextShow_ = true;
  for (QWidget* w : std::initializer_list<QWidget*>{Label2, Edit1, RadioGroup1, Button4, Label3,
                                                    ComboBox1, Label6, ComboBox2})
    w->hide();
}

void DotCommandDialog::Form10OnSetupShow() {
  buildOnNextShow_ = false;
  if (Settings && Help) FollowLanguage(*Help, Settings->Language);
  building_ = true;
  lastOfLevel_.assign(5, nullptr);
  mouseMoves_ = 0;
  lastScale_ = kScaleColumns;
  RadioItems[kScaleColumns]->setChecked(true);
  Outline1->clear();
  for (const DotCommandEntry& entry : DotCommandOutline())
    AddDotCommandItem(entry.Level, DotCommandTag(entry), entry.German, entry.English);
  Label1->clear();
  const auto entries = DotCommandOutline();
  const auto items = OutlineItems();
  for (std::size_t i = 0; i < items.size() && i < entries.size(); ++i)
    items[i]->setExpanded(entries[i].Expanded);
  building_ = false;
  BuildDotCommand();
}

void DotCommandDialog::AddDotCommandItem(std::uint8_t level, int tag, const char* german,
                                         const char* english) {
  if (level < 1 || level >= lastOfLevel_.size()) return;
  auto* item = level <= 1 || !lastOfLevel_[level - 1]
                   ? new QTreeWidgetItem(Outline1)
                   : new QTreeWidgetItem(lastOfLevel_[level - 1]);
  item->setText(0, CaptionText(Pick(german, english)));
  item->setData(0, kTagRole, tag);
  lastOfLevel_[level] = item;
}

std::vector<QTreeWidgetItem*> DotCommandDialog::OutlineItems() const {
  std::vector<QTreeWidgetItem*> items;
  for (QTreeWidgetItemIterator it(Outline1); *it; ++it) items.push_back(*it);
  return items;
}

int DotCommandDialog::SelectedCode() const {
  const QTreeWidgetItem* item = Outline1->currentItem();
  return item ? TagCode(item->data(0, kTagRole).toInt()) : 0;
}

int DotCommandDialog::UnitsPerInch() const { return GetMeasureUnitsPerInch(selectedCommand_); }

void DotCommandDialog::BuildDotCommand() {
  const QTreeWidgetItem* item = Outline1->currentItem();
  if (!item) return;
  const int tag = item->data(0, kTagRole).toInt();
  const int code = TagCode(tag);
  selectedCommand_.clear();
  if (code >= kFirstCategoryCode) {
    Label1->clear();
  } else {
    std::string help;
    if (const auto command = BracketCommand(CaptionBytes(item->text(0)))) {
      selectedCommand_ = *command;
      std::int16_t number = 0;
      if (Help) LookUpDotCommandHelp(*Help, selectedCommand_, number, help);
    }
    if (help.empty())
      help = Pick("keine Hilfe-Information gefunden. Datei DotHelpG.txt wird ben\x94tigt",
                  "no help info found. Need file DotHelpE.txt");
    Label1->setText(CaptionText(help));
  }
  const bool command = code < kFirstCategoryCode;
  needsParameter_ = command && (TagClass(tag) & kDotNeedsParameter) != 0;
  leadingString_ = command && (TagClass(tag) & kDotLeadingString) != 0;
  // A command without a unit of length has nothing to show in inches or centimetres.
  const bool measure = needsParameter_ && IsMeasureCommand(code) && UnitsPerInch() > 0;
  Edit1->setVisible(needsParameter_);
  Label2->setVisible(needsParameter_);
  RadioGroup1->setVisible(measure);
  Button4->setVisible(needsParameter_ && IsFileCommand(code));

  if (command && IsFontCommand(code)) {
    ShowFontChoice(code);
  } else if (command && IsCharacterCommand(code)) {
    ShowCharacterChoice();
  } else {
    ComboBox1->hide();
    Label3->hide();
  }
  if (command && code == 59) {
    ShowShapeChoice();
  } else {
    ComboBox2->hide();
    Label6->hide();
  }

  if (IsFileCommand(code))
    Label2->setText(CaptionText(Pick("Dateiname:", "Filename:")));
  else if (code == 59)
    Label2->setText(
        CaptionText(Pick("Gr\x94\xE1"
                         "e von 10 bis 100",
                         "Size from 10 to 100")));
  else if (IsFreeParameterCommand(code))
    Label2->setText("Parameter");
  else
    Label2->setText(CaptionText(Pick("Wert", "Value")));

  // A command from the editor keeps the editor's parameter.
  if (needsParameter_ && !showEditorCommand_ && Settings)
    Edit1->setText(CaptionText(DotCommandPreset(code, lastScale_, *Settings, UnitsPerInch())));
}

void DotCommandDialog::ShowFontChoice(int code) {
  if (MainWindow()) MainWindow()->Send(MN_PREPARE_FONTS, 0);
  ComboBox1->clear();
  if (ListFonts)
    for (const std::string& font : ListFonts()) ComboBox1->addItem(CaptionText(font));
  Label3->setText(CaptionText(Pick("W\x84hlen Sie eine Schrift aus:", "Select a Font:")));
  ComboBox1->setCurrentIndex(-1);
  if (showEditorCommand_) {
    const std::string name = FontNameOfParameter(code, CaptionBytes(Edit1->text()));
    for (int i = 0; i < ComboBox1->count() && !name.empty(); ++i) {
      const std::string font = CaptionBytes(ComboBox1->itemText(i));
      if (font.substr(0, font.find(" = ")) == name) ComboBox1->setCurrentIndex(i);
    }
  }
  Label3->show();
  ComboBox1->show();
}

void DotCommandDialog::ShowCharacterChoice() {
  ComboBox1->clear();
  ComboBox1->addItem(CaptionText(Pick("starten Sie zuerst Dunmoor!", "run Dunmoor first!")));
  ComboBox1->setCurrentIndex(0);
  Label3->setText(CaptionText(Pick("W\x84hlen Sie ein bislang nicht benutztes Zeichen aus:",
                                   "Select an unused character:")));
  Label3->show();
  ComboBox1->show();
  if (Sender) Sender->SendCommand(EL_REQUEST_UNUSED_CHARS, 0);
}

void DotCommandDialog::ShowShapeChoice() {
  ComboBox2->clear();
  for (const BilingualText& shape : kShapes)
    ComboBox2->addItem(CaptionText(Pick(shape.German, shape.English)));
  ComboBox2->setCurrentIndex(-1);
  Label6->setText(CaptionText(Pick("W\x84hlen Sie eine Form aus:", "Select a shape:")));
  Label6->show();
  ComboBox2->show();
}

void DotCommandDialog::AddUnusedCharacter(std::uint8_t character) {
  if (!IsCharacterCommand(SelectedCode())) return;
  // The first answer replaces the placeholder.
  if (ComboBox1->count() > 0 && !ComboBox1->itemData(0, kCharacterRole).isValid())
    ComboBox1->clear();
  const std::string shown = ToDisplayText(std::string(1, static_cast<char>(character)));
  ComboBox1->addItem(CaptionText("#" + std::to_string(character) + ": " + shown));
  ComboBox1->setItemData(ComboBox1->count() - 1, static_cast<int>(character), kCharacterRole);
  if (ComboBox1->currentIndex() < 0) ComboBox1->setCurrentIndex(0);
}

void DotCommandDialog::ComboBox1OnItemSelect(int index) {
  if (!IsFontCommand(SelectedCode()) || index < 0) return;
  const std::string font = CaptionBytes(ComboBox1->itemText(index));
  const char letter = font.empty() ? 0 : font[0];
  const char second = font.size() > 1 ? font[1] : 0;
  // The fourth byte is the font name's prefix; a blank after a one-letter name is none.
  const char prefix = second == '"' || second == '&' || second == '\'' ? second : 0;
  const auto byte = [](char c, int shift) {
    return static_cast<std::uint32_t>(static_cast<std::uint8_t>(c)) << shift;
  };
  const auto packed =
      static_cast<std::int32_t>(byte('S', 0) | byte('F', 8) | byte(letter, 16) | byte(prefix, 24));
  if (Sender) Sender->PostToMainWindow(EL_FONT_SAMPLE, packed);
  mouseMoves_ = 0;
}

void DotCommandDialog::RadioGroup1OnClick(int index) {
  if (index == lastScale_) return;
  const std::string parameter = CaptionBytes(Edit1->text());
  if (!parameter.empty())
    Edit1->setText(CaptionText(ConvertDotScale(parameter, lastScale_, index, UnitsPerInch())));
  lastScale_ = index;
}

void DotCommandDialog::SelectItem(QTreeWidgetItem* item) {
  for (QTreeWidgetItem* p = item->parent(); p; p = p->parent()) p->setExpanded(true);
  Outline1->setCurrentItem(item);
  Outline1->scrollToItem(item);
}

void DotCommandDialog::Edit2OnChange() {
  if (buildOnNextShow_) return;  // the outline is built at the show
  const auto items = OutlineItems();
  std::vector<std::string> texts;
  texts.reserve(items.size());
  for (const QTreeWidgetItem* item : items) texts.push_back(CaptionBytes(item->text(0)));
  if (const auto found = FindDotCommandItem(texts, CaptionBytes(Edit2->text())))
    SelectItem(items[*found]);
}

void DotCommandDialog::ShowCommandFromEditor(const std::string& received) {
  const EditorDotCommand split = SplitEditorCommand(received);
  showEditorCommand_ = true;
  Edit1->setText(CaptionText(split.Parameter));
  const QTreeWidgetItem* before = Outline1->currentItem();
  if (Edit2->text() == CaptionText(split.Command))
    Edit2OnChange();
  else
    Edit2->setText(CaptionText(split.Command));
  // The same command again: its choices still have to follow the new parameter.
  if (Outline1->currentItem() == before) BuildDotCommand();
}

void DotCommandDialog::Button2OnClick() {
  QTreeWidgetItem* item = Outline1->currentItem();
  if (!item) return;
  // A category has its own topic; a command its help number; else the nearest item above
  // that has one.
  const auto topicOf = [this](QTreeWidgetItem* it) -> int {
    const int code = TagCode(it->data(0, kTagRole).toInt());
    if (code >= kFirstCategoryCode) return DotCommandHelpTopic(code);
    const auto command = BracketCommand(CaptionBytes(it->text(0)));
    std::int16_t number = 0;
    std::string text;
    if (command && Help) LookUpDotCommandHelp(*Help, *command, number, text);
    return number;
  };
  int topic = topicOf(item);
  for (QTreeWidgetItem* above = Outline1->itemAbove(item); (topic == 0 || topic == 9999) && above;
       above = Outline1->itemAbove(above))
    topic = topicOf(above);
  if (topic != 0 && topic != 9999 && ShowHelpTopic) ShowHelpTopic(topic);
}

void DotCommandDialog::Button4OnClick() {
  const FileDialogRow* row = FileDialogFor(SelectedCode());
  if (!row) return;
  DotFileRequest request;
  request.Title = Pick(row->Title.German, row->Title.English);
  std::vector<std::string> filters;
  for (std::size_t i = 0; i < row->Masks.size(); ++i)
    filters.push_back(Pick(row->Descriptions[i].German, row->Descriptions[i].English) + "|" +
                      row->Masks[i]);
  if (row->Masks.empty())
    for (const char* ext : kGraphicsExtensions)
      filters.push_back(Pick("Grafik ", "graphics ") + ext + "|*." + ext);
  filters.push_back(Pick("alle Dateien", "all files") + "|*.*");
  for (const std::string& f : filters) request.Filter += (request.Filter.empty() ? "" : "|") + f;
  request.DefaultExtension = row->DefaultExtension;
  std::string chosen;
  if (ChooseFile) {
    chosen = ChooseFile(request);
  } else {
    const QString start =
        CurrentDocument ? CaptionText(ExtractDirectoryPart(CurrentDocument())) : QString();
    chosen = NameFromSystem(QFileDialog::getOpenFileName(this, CaptionText(request.Title), start,
                                                         QtFilter(request.Filter))
                                .toStdString());
  }
  if (!chosen.empty()) AcceptChosenFile(chosen);
}

void DotCommandDialog::AcceptChosenFile(const std::string& path) {
  const std::string directory = ExtractDirectoryPart(path);
  const std::string name = ExtractFileNamePart(path);
  const std::string document = CurrentDocument ? CurrentDocument() : std::string();
  const std::string list = Settings ? Settings->SearchDirectories.Str() : std::string();
  const bool inDocumentFolder =
      !document.empty() &&
      MakeUpperCase(WithoutTrailingSeparator(ExtractDirectoryPart(document))) ==
          MakeUpperCase(WithoutTrailingSeparator(directory));
  if (directory.empty() || inDocumentFolder || ListedDirectory(list, directory)) {
    Edit1->setText(CaptionText(name));
    return;
  }
  const std::string question =
      Pick("Wollen Sie das Verzeichnis ", "Do you want to add the directory ") + directory +
      Pick(" in die Liste der Verzeichnisse aufnehmen, wo Dateien gesucht werden?",
           " to the list of directories where files are located in?");
  if (!Boxes || Boxes->AskMessageBox(question, kBoxConfirmation, BoxButtons::YesNo) != kAnswerYes) {
    Edit1->setText(CaptionText(path));
    return;
  }
  std::string extended = list;
  if (!extended.empty() && extended.back() != ';') extended += ';';
  extended += directory;
  if (!Settings || extended.size() > Settings->SearchDirectories.Capacity) {
    Inform(
        "Verzeichnis-Namen d\x81rfen nicht 255 Zeichen \x81"
        "berschreiten.",
        "String where direcories are stored exceeds maximum length of 255 chars.", kBoxError);
    Edit1->setText(CaptionText(path));
    return;
  }
  Settings->SearchDirectories.Assign(extended);
  Edit1->setText(CaptionText(name));
}

void DotCommandDialog::InsertSelectedDotCommand() {
  const int code = SelectedCode();
  if (code == 0 || code >= kFirstCategoryCode) {
    Inform("W\x84hlen Sie zuerst eine Funktion aus", "Choose a function first", kBoxInformation);
    return;
  }
  const std::string parameter = Edit1->isHidden() ? "" : CaptionBytes(Edit1->text());
  if (needsParameter_ && parameter.empty()) {
    Inform("Dieser Punktbefehl verlangt einen Parameter.", "This dot command requires a parameter.",
           kBoxInformation);
    return;
  }
  std::this_thread::sleep_for(InsertPause);
  // Without an editor window nothing of the command goes out.
  if (!Sender || !Sender->SendCommand(EL_DIALOG_DONE, 0)) {
    ReportNoEditorWindow();
    return;
  }
  DotCommandChoice choice;
  if (!ComboBox1->isHidden() && ComboBox1->currentIndex() >= 0) {
    const QVariant character = ComboBox1->currentData(kCharacterRole);
    if (IsCharacterCommand(code) && character.isValid())
      choice.Character = static_cast<char>(character.toInt());
    if (IsFontCommand(code)) choice.FontItem = CaptionBytes(ComboBox1->currentText());
  }
  if (code == 59 && ComboBox2->currentIndex() >= 0) choice.Shape = ComboBox2->currentIndex() + 1;
  const std::string text = ComposeDotCommand(code, selectedCommand_, choice);
  const bool sent = leadingString_ ? Sender->SendHeaderText(text, parameter)
                                   : Sender->InsertText(text, parameter, openedByEditor_);
  if (!sent) {
    ReportNoEditorWindow();
    return;
  }
  if (IsHeadingCommand(code)) Sender->SendCommand(EL_INSERT_COMMAND_5, 0);
  if (*DotCommandPrompt(code, false))
    Sender->SendMarkedText(Pick(DotCommandPrompt(code, true), DotCommandPrompt(code, false)));
  if (!leadingString_ && openedByEditor_) close();
}

void DotCommandDialog::mouseMoveEvent(QMouseEvent* event) {
  showEditorCommand_ = false;
  if (FontSampleVisible && FontSampleVisible() && ++mouseMoves_ > 10) {
    mouseMoves_ = 0;
    if (CloseFontSample) CloseFontSample();
  }
  SecondaryForm::mouseMoveEvent(event);
}

bool DotCommandDialog::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::MouseMove) showEditorCommand_ = false;
  return SecondaryForm::eventFilter(watched, event);
}

}  // namespace tavrel

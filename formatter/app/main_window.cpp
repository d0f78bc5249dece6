#include "formatter/app/main_window.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QColor>
#include <QCursor>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFont>
#include <QHBoxLayout>
#include <QListWidget>
#include <QMenuBar>
#include <QMessageBox>
#include <QPalette>
#include <QTimer>
#include <QVBoxLayout>
#include <chrono>
#include <thread>

#include "formatter/app/notebook_link.h"
#include "formatter/common/bilingual_texts.h"
#include "formatter/common/file_services.h"
#include "formatter/common/messages.h"
#include "formatter/pages/page_selection.h"
#include "formatter/windows/directory_chooser.h"
#include "formatter/windows/dot_command_dialog.h"
#include "formatter/windows/font_progress_window.h"
#include "formatter/windows/font_sample_window.h"
#include "formatter/windows/form_captions.h"
#include "formatter/windows/graphics_file_dialog.h"
#include "formatter/windows/index_progress_window.h"
#include "formatter/windows/message_list_window.h"
#include "formatter/windows/print_range_dialog.h"
#include "formatter/windows/settings_notebook.h"
#include "platform/files.h"
#include "platform/text.h"

namespace tavrel {

namespace {

constexpr const char* kVersion = "0.99a";
// Lamp colours, 0x00BBGGRR: lit and dark per lamp.
constexpr std::uint32_t kLampLit[3] = {0x0000FF, 0x00FFFF, 0x00FF00};
constexpr std::uint32_t kLampDark[3] = {0x000080, 0x009090, 0x007000};
// How long the close waits for the threads to stop before it gives up.
constexpr std::chrono::milliseconds kCloseWait{10000};

bool Contains(const std::string& text, const char* part) {
  return text.find(part) != std::string::npos;
}

}  // namespace

// The font measuring shows its progress in Form6.
class WindowMeasureProgress final : public FontMeasureProgress {
 public:
  explicit WindowMeasureProgress(FontProgressWindow& form) : form_(form) {}
  void Start(int total) override {
    form_.Start(total);
    form_.show();
    QApplication::processEvents();
  }
  void Step(const std::string& label) override {
    form_.Step(label);
    QApplication::processEvents();
  }
  void Finish() override { form_.hide(); }

 private:
  FontProgressWindow& form_;
};

// ---------------------------------------------------------------------------------------
// Tables

struct MainWindow::MenuRow {
  const char* Name;    // object name
  const char* Parent;  // object name of the menu it is in; empty: the menu bar
  const char* Caption;
  bool Submenu;
  void (MainWindow::*Action)();
};

const MainWindow::MenuRow MainWindow::kMenu[] = {
    {"MenuItem1", "", "File", true, nullptr},
    {"MenuItem3", "MenuItem1", "Select", false, &MainWindow::MenuSelect},
    {"MenuItem4", "MenuItem1", "Edit", true, nullptr},
    {"MenuItem14", "MenuItem4", "unformatted", false, &MainWindow::MenuEditSource},
    {"MenuItem15", "MenuItem4", "formatted", false, &MainWindow::MenuEditFormatted},
    {"MenuItem16", "MenuItem4", "notes", false, &MainWindow::MenuEditNotes},
    {"MenuItem17", "MenuItem4", "text and footnotes", false, &MainWindow::MenuEditText},
    {"MenuItem18", "MenuItem4", "contents", false, &MainWindow::MenuEditContents},
    {"MenuItem5", "MenuItem1", "Close editors", false, &MainWindow::MenuCloseEditors},
    {"MenuItem6", "MenuItem1", "Preview", false, &MainWindow::MenuPreview},
    {"MenuItem7", "MenuItem1", "Print page", false, &MainWindow::ShowPrintRange},
    {"MenuItem8", "MenuItem1", "Print setup", false, &MainWindow::MenuPrintSetup},
    {"MenuItem9", "MenuItem1", "Exit", false, &MainWindow::MenuExit},
    {"MenuItem2", "", "Make", true, nullptr},
    {"MenuItem10", "MenuItem2", "Formatted file", false, &MainWindow::MakeFormattedFile},
    {"MenuItem11", "MenuItem2", "Text and Footnote", false, &MainWindow::MenuTextAndFootnotes},
    {"MenuItem12", "MenuItem2", "Content", false, &MainWindow::MenuContents},
    {"MenuItem13", "MenuItem2", "Index", false, &MainWindow::MenuIndex},
    {"Menuitem34", "MenuItem2", "RTF file (Skeldon)", false, &MainWindow::MenuCompilerRtf},
    {"Menuitem35", "MenuItem2", "HTML files (Skeldon)", false, &MainWindow::MenuCompilerHtml},
    {"Menuitem36", "MenuItem2", "PDF file", false, &MainWindow::MenuPdf},
    {"Menuitem37", "MenuItem2", "Graphic file", false, &MainWindow::MenuGraphicFile},
    {"MenuItem19", "", "Settings", true, nullptr},
    {"MenuItem20", "MenuItem19", "Settings Notebook", false, &MainWindow::MenuSettingsNotebook},
    {"MenuItem21", "MenuItem19", "Font Definition", false, &MainWindow::MenuFontDefinition},
    {"Menuitem22", "MenuItem19", "Font Demo File", false, &MainWindow::MenuFontDemo},
    {"Menuitem25", "MenuItem19", "Headings template", false, &MainWindow::MenuHeadingsTemplate},
    {"MenuItem23", "", "Command", false, &MainWindow::MenuCommand},
    {"Menuitem24", "", "Help", true, nullptr},
    {"MenuItem26", "Menuitem24", "Introduction", false, &MainWindow::MenuHelpIntroduction},
    {"MenuItem27", "Menuitem24", "Main window", false, &MainWindow::MenuHelpMainWindow},
    {"MenuItem28", "Menuitem24", "Start Tutorial", false, &MainWindow::MenuStartTutorial},
    {"MenuItem30", "Menuitem24", "Contents", false, &MainWindow::MenuHelpContents},
    {"MenuItem31", "Menuitem24", "Index", false, &MainWindow::MenuHelpContents},
    {"MenuItem32", "Menuitem24", "Help on Help", false, &MainWindow::MenuHelpOnHelp},
    {"Menuitem33", "Menuitem24", "About", false, &MainWindow::MenuAbout},
};

struct MainWindow::CodeRow {
  std::int32_t Code;
  void (MainWindow::*Handler)(std::int32_t value);
};

// The codes the window handles itself; every other goes to the progress handler.
const MainWindow::CodeRow MainWindow::kOwnCodes[] = {
    {MN_START_FORMAT, &MainWindow::OnStartFormat},
    {MN_START_PRINT, &MainWindow::OnStartPrint},
    {MN_STARTED, &MainWindow::OnNothing},
    {MN_OPEN_TUTORIAL, &MainWindow::OnOpenTutorial},
    {MN_CLOSE_PROGRAM, &MainWindow::OnCloseProgram},
    {MN_TRANSLATE_FORM, &MainWindow::OnTranslateForm},
    {MN_WRITE_LANGUAGE_TEMPLATE, &MainWindow::OnWriteLanguageTemplate},
};

// Codes without a row (6 and the unused numbers) do nothing.
const MainWindow::CodeRow MainWindow::kProgressCodes[] = {
    {MN_PREVIEW_NEXT, &MainWindow::OnPreviewNext},
    {MN_PREVIEW_REDRAW, &MainWindow::OnPreviewRedraw},
    {MN_PREVIEW_MATRIX, &MainWindow::OnPreviewMatrix},
    {MN_PREVIEW_STOP, &MainWindow::OnPreviewStop},
    {MN_PREVIEW_THREAD_DONE, &MainWindow::OnPreviewThreadDone},
    {MN_PREVIEW_GOTO_PAGE, &MainWindow::OnPreviewGotoPage},
    {MN_PREVIEW_MATRIX_GOTO, &MainWindow::OnPreviewGotoPage},
    {MN_PREVIEW_TIMER, &MainWindow::OnPreviewTimer},
    {MN_PREVIEW_REFRESH, &MainWindow::OnPreviewRefresh},
    {MN_PREVIEW_PAGE_DONE, &MainWindow::OnPreviewPageDone},
    {MN_PREVIEW_CLOSED, &MainWindow::OnPreviewClosed},
    {MN_PREVIEW_CAPTION, &MainWindow::OnPreviewCaption},
    {MN_PRINT_PAGES, &MainWindow::OnPrintPages},
    {MN_PRINT_DONE, &MainWindow::OnPrintDone},
    {MN_PRINT_PAGE_DONE, &MainWindow::OnPrintPageDone},
    {MN_APPENDING_PDFMARKS, &MainWindow::OnAppendingPdfMarks},
    {MN_FORMAT_JOB_DONE, &MainWindow::OnFormatJobDone},
    {MN_INDEX_SCAN_PAGE, &MainWindow::OnIndexScanPage},
    {MN_FORMAT_PAGE, &MainWindow::OnFormatPage},
    {MN_HEADINGS_SCAN_PAGE, &MainWindow::OnHeadingsScanPage},
    {MN_FOOTNOTE_PAGE, &MainWindow::OnFootnotePage},
    {MN_INDEX_MERGE, &MainWindow::OnIndexMerge},
    {MN_UPDATE_CAPTION, &MainWindow::OnUpdateCaption},
    {MN_WRITE_FONT_DEFINITION, &MainWindow::OnWriteFontDefinition},
    {MN_REFRESH_BUTTONS, &MainWindow::OnRefreshButtons},
    {MN_PREPARE_FONTS, &MainWindow::OnPrepareFonts},
    {MN_OPEN_INDEX_IN_EDITOR, &MainWindow::OnOpenIndexInEditor},
    {MN_SHOW_MESSAGES, &MainWindow::OnShowMessages},
    {MN_GOTO_MESSAGE_PLACE, &MainWindow::OnGotoMessagePlace},
    {MN_OPEN_CONVERTED, &MainWindow::OnOpenConverted},
    {MN_JOB_LED_ON, &MainWindow::OnJobLedOn},
    {MN_JOB_LED_OFF, &MainWindow::OnJobLedOff},
    {MN_JOB_STATUS_TEXT, &MainWindow::OnJobStatusText},
    {MN_STOP_FORMATTING, &MainWindow::OnStopFormatting},
};

// ---------------------------------------------------------------------------------------
// Creation

MainWindow::MainWindow(std::vector<std::string> args, const TavrelEnvironment& env)
    : args_(std::move(args)),
      env_(env),
      port_(this,
            [this](std::uint32_t message, std::int32_t code, std::int32_t value) -> std::intptr_t {
              if (message == WM_MAIN_NOTIFY) BearbeiteUserMessage(code, value);
              return 0;
            }),
      notifier_(port_) {
  setObjectName("Form1");
  if (env_.Console) {
    // A console reports beside the window: boxes are answered there.
    consoleBoxes_ = std::make_unique<ConsoleMessageBoxes>(
        *env_.Console, env_.Answer ? env_.Answer : TerminalAnswerer(*env_.Console));
    consoleList_ = std::make_unique<ConsoleMessageList>(*env_.Console);
    consoleNotifier_ =
        std::make_unique<ConsoleNotifier>(*env_.Console, consoleView_, env_.ShowProgress);
    consoleBoxes_->BeforeWrite = [this] { consoleNotifier_->EndProgressLine(); };
    consoleList_->BeforeWrite = [this] { consoleNotifier_->EndProgressLine(); };
  }
  boxes_ = WindowMessageBoxes(consoleBoxes_.get());
  boxes_.Parent = this;

  Form8 = new MessageListWindow(&notifier_, this);
  Form4 = new PrintRangeDialog(&notifier_, this);
  Form6 = new FontProgressWindow(&notifier_, this);
  Form9 = new FontSampleWindow(&notifier_, this);
  Form5 = new DirectoryChooser(&notifier_, this);
  for (QWidget* form : std::initializer_list<QWidget*>{Form4, Form5, Form6, Form8, Form9})
    form->setWindowFlag(Qt::Window);
  forms_[1] = this;
  forms_[4] = Form4;
  forms_[5] = Form5;
  forms_[6] = Form6;
  forms_[8] = Form8;
  forms_[9] = Form9;

  list_ = std::make_unique<TeeMessageList>(*Form8, consoleList_.get());
  progress_ = std::make_unique<WindowMeasureProgress>(*Form6);
  JobOutlets outlets;
  outlets.Notifier = &notifier_;
  outlets.Boxes = &boxes_;
  outlets.List = list_.get();
  outlets.Window = this;
  outlets.Console = env_.Console;
  outlets.ConsoleProgress = consoleNotifier_.get();
  outlets.ConsoleView = &consoleView_;
  outlets.Progress = progress_.get();
  // Job S, the only one that reports here, is started once the window is made (MenuIndex).
  outlets.IndexProgress = [this](const std::string& line) {
    if (Form7) Form7->AddLine(line);
  };
  jobs_ = std::make_unique<JobControl>(env_, outlets);

  BuildControls();
  BuildMenus();

  // Creation: the settings, the help file, the first printer.
  jobs_->LoadSettingsAndPrinters(firstStart_);
  if (env_.Console) {
    consoleMeasure_ = std::make_unique<ConsoleMeasureProgress>(*env_.Console, jobs_->Language());
    jobs_->SetMeasureProgress(consoleMeasure_.get());
    consoleView_.Language = jobs_->Language();
  }

  Form8->GotoMessagePlace = [this](std::int32_t paragraph) {
    jobs_->EditorJumpParagraph = paragraph;
    notifier_.Send(MN_GOTO_MESSAGE_PLACE, 0);
    jobs_->EditorJumpParagraph = 0;
  };
  Form8->ShowHelp = [this] { jobs_->ShowHelpTopic(24); };
  Form4->Boxes = &boxes_;
  Form4->Language = jobs_->Language();
  Form4->ParsePageList = [](const std::string& list) {
    PageSelection selection;
    tavrel::ParsePageList(list, selection);
    return selection.ListValid;
  };
  Form4->StoreChoice = [this](const PrintRangeChoice& choice) { jobs_->PrintOptions = choice; };
  ConnectEditor();
  // Made after the main window's own controls: the caption tables find controls by name, and
  // the dialog's "Button5" must not be taken for the main window's.
  Form11 = new GraphicsFileDialog(&notifier_, this);
  Form11->setWindowFlag(Qt::Window);
  forms_[11] = Form11;
  Form11->Boxes = &boxes_;
  Form11->Settings = &jobs_->Settings();
  Form11->ShowHelp = [this](int topic) { jobs_->ShowHelpTopic(topic); };
  Form11->ConnectEditorLink(editor_->Link());
}

MainWindow::~MainWindow() {
  // Nothing that a thread still sends or posts reaches a window that is going.
  port_.close();
  jobs_.reset();
}

void MainWindow::ConnectEditor() {
  EditorWindowHooks hooks;
  hooks.Boxes = &boxes_;
  hooks.Beep = [] { QApplication::beep(); };
  hooks.Activate = [this] {
    showNormal();
    raise();
    activateWindow();
    editor_->Activate();
  };
  hooks.CloseFontSample = [this] { Form9->close(); };
  hooks.ShowFontSample = [this](const FontSampleRequest& request) { ShowFontSample(request); };
  // The dialogs of codes 62, 13 and 22 are joined here.
  hooks.ShowDotCommands = [this](std::uint8_t selector, const std::string& command) {
    OpenDotCommandDialog(selector, command);
  };
  // The editor answers the dialog's request for unused characters one code 5 at a time.
  hooks.AddUnusedCharacter = [this](std::uint8_t character) {
    if (Form10) Form10->AddUnusedCharacter(character);
  };
  hooks.ShowGraphics = [this](bool named, std::uint8_t selector, const std::string& name) {
    OpenGraphicsDialog(named, selector, name);
  };
  hooks.DocumentOpened = [this] { RefreshButtons(); };
  editor_ = std::make_unique<EditorConnection>(platform::gui::WindowRegistry::default_directory(),
                                               windowTitle().toStdString(), *jobs_, hooks);
  connect(this, &QWidget::windowTitleChanged, this,
          [this](const QString& title) { editor_->SetTitle(title.toStdString()); });
}

// The sample follows the mouse: below it near the top of the screen, above it elsewhere.
void MainWindow::ShowFontSample(const FontSampleRequest& request) {
  std::string face;
  double points = 0;
  std::int32_t colour = 0;
  if (!jobs_->FontSampleEntry(request.FontNumber, request.Alternate, face, points, colour)) return;
  Form9->setWindowTitle(QString::fromStdString(request.Caption));
  const int size = static_cast<int>(points + 0.5);
  Form9->Label1->setText(QString::fromStdString(face + " " + std::to_string(size)));
  QFont font(QString::fromStdString(face));
  font.setPointSize(std::max(size, 1));
  Form9->Button1->setFont(font);
  QPalette palette = Form9->Button1->palette();
  palette.setColor(QPalette::ButtonText,
                   QColor((colour >> 16) & 0xff, (colour >> 8) & 0xff, colour & 0xff));
  Form9->Button1->setPalette(palette);
  const QPoint mouse = QCursor::pos();
  const int left = std::max(mouse.x() - Form9->width() / 2, 1);
  const int top = mouse.y() < Form9->height() ? mouse.y() + 35 : mouse.y() - 35 - Form9->height();
  Form9->move(left, top);
  Form9->show();
}

void MainWindow::BuildControls() {
  auto* central = new QWidget(this);
  central->setObjectName("Form1Client");
  setCentralWidget(central);

  Label4 = new QLabel("if", central);
  Label4->setObjectName("Label4");
  Edit1 = new QLineEdit(central);
  Edit1->setObjectName("Edit1");
  ComboBox1 = new QComboBox(central);
  ComboBox1->setObjectName("ComboBox1");

  GroupBox1 = new QGroupBox("dropdown field", central);
  GroupBox1->setObjectName("GroupBox1");
  auto* lamps = new QGridLayout(GroupBox1);
  const char* labelTexts[3] = {"formatting...", "preview...", "printing..."};
  for (int i = 0; i < 3; ++i) {
    Leds[i] = new Led(GroupBox1, kLampDark[i]);
    Leds[i]->setObjectName(QString("LED%1").arg(i + 1));
    Labels[i] = new QLabel(labelTexts[i], GroupBox1);
    Labels[i]->setObjectName(QString("Label%1").arg(i + 1));
    lamps->addWidget(Leds[i], i, 0);
    lamps->addWidget(Labels[i], i, 1);
  }
  lamps->setColumnStretch(1, 1);
  FileDrop1 = new FileDrop(this);
  FileDrop1->setObjectName("FileDrop1");
  FileDrop1->SetDropControl(GroupBox1);
  FileDrop1->OnDrop = [this](FileDrop& drop) { Groupbox1Drop(drop.Files()); };

  const char* buttonTexts[5] = {"edit", "format", "edit", "preview", "print"};
  GroupBox2 = new QGroupBox("unform", central);
  GroupBox2->setObjectName("GroupBox2");
  GroupBox3 = new QGroupBox("formatted", central);
  GroupBox3->setObjectName("GroupBox3");
  QWidget* buttonParents[5] = {GroupBox2, central, GroupBox3, GroupBox3, GroupBox3};
  for (int i = 0; i < 5; ++i) {
    Buttons[i] = new QPushButton(buttonTexts[i], buttonParents[i]);
    Buttons[i]->setObjectName(QString("Button%1").arg(i + 1));
  }
  auto* unform = new QHBoxLayout(GroupBox2);
  unform->addWidget(Buttons[0]);
  auto* formatted = new QHBoxLayout(GroupBox3);
  formatted->addWidget(Buttons[2]);
  formatted->addWidget(Buttons[3]);
  formatted->addWidget(Buttons[4]);

  auto* top = new QHBoxLayout;
  top->addWidget(Label4);
  top->addWidget(Edit1, 1);
  auto* row = new QHBoxLayout;
  row->addWidget(GroupBox2);
  row->addWidget(Buttons[1]);
  row->addWidget(GroupBox3, 1);
  auto* layout = new QVBoxLayout(central);
  layout->addLayout(top);
  layout->addWidget(ComboBox1);
  layout->addWidget(GroupBox1);
  layout->addLayout(row);

  connect(Buttons[0], &QPushButton::clicked, this, [this] { OpenSourceInEditor("ws"); });
  connect(Buttons[1], &QPushButton::clicked, this, [this] { FormatButton(); });
  connect(Buttons[2], &QPushButton::clicked, this, [this] {
    if (jobs_->CurrentDocument().empty()) return;
    const PreviewSession* preview = jobs_->Preview();
    jobs_->EditorJumpPage = preview && preview->ThreadExists() ? preview->LastPage() : 0;
    OpenSourceInEditor("taf,fmt");
    // The page belongs to this opening of the formatted file, not to later ones of others.
    jobs_->EditorJumpPage = 0;
  });
  connect(Buttons[3], &QPushButton::clicked, this, [this] { jobs_->StartPreview(); });
  connect(Buttons[4], &QPushButton::clicked, this, [this] { PrintButton(); });
  connect(ComboBox1, &QComboBox::activated, this,
          [this](int index) { jobs_->Printers().select(index); });
  resize(430, 260);
}

void MainWindow::BuildMenus() {
  std::map<std::string, QMenu*> menus;
  for (const MenuRow& row : kMenu) {
    QMenu* parent = *row.Parent ? menus.at(row.Parent) : nullptr;
    QAction* action = nullptr;
    if (row.Submenu) {
      QMenu* menu = parent ? parent->addMenu(row.Caption) : menuBar()->addMenu(row.Caption);
      menu->setObjectName(QString(row.Name) + "Menu");
      menus[row.Name] = menu;
      action = menu->menuAction();
    } else {
      action = parent ? parent->addAction(row.Caption) : menuBar()->addAction(row.Caption);
      auto handler = row.Action;
      connect(action, &QAction::triggered, this, [this, handler] { (this->*handler)(); });
    }
    action->setObjectName(row.Name);
  }
}

// ---------------------------------------------------------------------------------------
// First show and the command line

void MainWindow::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  if (firstShowPending_) FirstShow();
}

void MainWindow::FirstShow() {
  firstShowPending_ = false;
  jobs_->PreviewStartPage = 0;
  for (int i = 0; i < 3; ++i) Leds[i]->SetColour(kLampDark[i]);
  KeepFormOnScreen(this);
  const TSettingsRecord& s = jobs_->Settings();
  if (s.MainWindowLeft > 0 && s.MainWindowTop > 0) move(s.MainWindowLeft, s.MainWindowTop);
  if (s.MainWindowWidth > 100) resize(s.MainWindowWidth, height());

  ComboBox1->clear();
  for (const std::string& name : jobs_->Printers().names()) ComboBox1->addItem(CaptionText(name));
  if (jobs_->Printers().count() == 0)
    boxes_.ShowMessageBox(jobs_->Text(MessageId::kPrinterRequired), kBoxError);
  else
    ComboBox1->setCurrentIndex(jobs_->Printers().selected_index());

  for (QPushButton* b : Buttons) b->setEnabled(false);
  for (QLabel* l : Labels) l->setEnabled(false);
  RequestFormTranslation(&notifier_, this);
  CaptionRegister();

  port_.post(WM_MAIN_NOTIFY, MN_STARTED, 0);
  if (jobs_->Store().FirstStartLanguageChosen && !env_.Console)
    port_.post(WM_MAIN_NOTIFY, MN_OPEN_TUTORIAL, 0);
  if (noJob_)
    port_.post(WM_MAIN_NOTIFY, MN_CLOSE_PROGRAM, 0);
  else if (CloseAfterFormat)
    port_.post(WM_MAIN_NOTIFY, MN_START_FORMAT, 0);
  else if (CloseAfterPrint)
    port_.post(WM_MAIN_NOTIFY, MN_START_PRINT, 0);
}

void MainWindow::CaptionRegister() {
  CloseAfterFormat = false;
  CloseAfterPrint = false;
  const std::string current =
      env_.CurrentDirectory.empty() ? platform::current_directory() : env_.CurrentDirectory;
  const TavrelCommandLine line = ParseTavrelCommandLine(args_, [&](const std::string& name) {
    const std::string full =
        name.empty() || platform::is_path_separator(name[0]) ? name : JoinPath(current, name);
    return platform::file_exists(full) || platform::directory_exists(full);
  });
  CloseAfterFormat = line.CloseAfterFormat;
  CloseAfterPrint = line.CloseAfterPrint && !line.CloseAfterFormat;
  formatRequested_ = CloseAfterFormat;
  printRequested_ = CloseAfterPrint;
  if (line.ConditionsCut)
    boxes_.ShowMessageBox(jobs_->Text(MessageId::kConditionWordsCut, {line.Conditions}), kBoxError);
  if (env_.Console)
    for (const std::string& ignored : line.Ignored)
      env_.Console->write_line("Tavrel: " + jobs_->Text(MessageId::kParameterIgnored, {ignored}));
  if (line.Empty) {
    setWindowTitle(QString("Tavrel ") + kVersion);
  } else if (!line.Document.empty()) {
    const std::string full = jobs_->AbsoluteName(line.Document);
    if (!FileExistsByOpen(full))
      boxes_.ShowMessageBox(Say(ShellText::kWrongParameter, {line.Document}), kBoxError);
    else if (IsGraphicsFileName(line.Document))
      GrafikLaden(full);
    else
      jobs_->OpenDocument(full);
  }
  ConditionText = line.Conditions;
  if (line.AnyCondition) Edit1->setText(CaptionText(ConditionText));
  // Without a screen and without a job nobody could use the window: the usage is shown and
  // the program ends.
  if (env_.Console && !CloseAfterFormat && !CloseAfterPrint) {
    env_.Console->write(TavrelUsageText(jobs_->Language()));
    noJob_ = true;
  }
}

int MainWindow::ExitCode() const {
  if (noJob_ || abandoned_) return kExitNotStarted;
  if (formatRequested_) return jobs_->FormatExitCode.load();
  if (printRequested_) return jobs_->PrintExitCode.load();
  return kExitOk;
}

// ---------------------------------------------------------------------------------------
// The message handler

void MainWindow::BearbeiteUserMessage(std::int32_t code, std::int32_t value) {
  for (const CodeRow& row : kOwnCodes)
    if (row.Code == code) return (this->*row.Handler)(value);
  HandleProgressMessage(code, value);
}

void MainWindow::HandleProgressMessage(std::int32_t code, std::int32_t value) {
  for (const CodeRow& row : kProgressCodes)
    if (row.Code == code) return (this->*row.Handler)(value);
}

// A job that "/F" or "/P" asked for but that did not start would leave a window that
// waits for its end forever: the program closes instead.
void MainWindow::FinishCommandLineStart(bool started, bool closeRequested) {
  if (!started && closeRequested) port_.post(WM_MAIN_NOTIFY, MN_CLOSE_PROGRAM, 0);
}

void MainWindow::OnStartFormat(std::int32_t) {
  // An RTF file on the command line started its conversion instead; that job's end closes.
  if (jobs_->FormatJobBusy.load() && jobs_->TFormatJob == 'R') return;
  FinishCommandLineStart(jobs_->StartFormatJob('F', ConditionText), CloseAfterFormat);
}

void MainWindow::OnStartPrint(std::int32_t) {
  FinishCommandLineStart(jobs_->StartPrintJob(false), CloseAfterPrint);
}

void MainWindow::OnOpenTutorial(std::int32_t) {
  const std::string name =
      jobs_->Language() == kLanguageGerman ? "1_FormatierenDrucken.ws" : "1_FormattingPrinting.ws";
  const std::string path = JoinPath(GetTutorialDirectory(jobs_->Store()), name);
  if (!FileExistsByOpen(path)) return;
  if (jobs_->OpenDocument(path)) OpenSourceInEditor("ws");
}

void MainWindow::OnCloseProgram(std::int32_t) { close(); }

void MainWindow::OnTranslateForm(std::int32_t value) {
  if (value < 1 || value >= static_cast<std::int32_t>(forms_.size())) return;
  if (QWidget* form = forms_[static_cast<std::size_t>(value)])
    ApplyGermanCaptions(form, jobs_->Language(), this);
}

void MainWindow::OnWriteLanguageTemplate(std::int32_t) {
  const std::string folder =
      env_.CurrentDirectory.empty() ? platform::current_directory() : env_.CurrentDirectory;
  if (!WriteLanguageTemplate(this, folder))
    boxes_.ShowMessageBox(
        jobs_->Text(MessageId::kFileCannotBeWritten, {JoinPath(folder, "language_template.pas")}),
        kBoxError);
}

// Without a preview thread the session's slot keeps the request until the next start
// clears it: nothing is drawn.
bool MainWindow::CanHandlePreviewRequest(std::int32_t code, std::int32_t value) {
  PreviewSession* s = jobs_->Preview();
  return s && s->CanHandleRequest(code, value);
}

void MainWindow::RestartPreviewRendering(std::int32_t gotoPage, bool back, bool same) {
  if (PreviewSession* s = jobs_->Preview(); s && s->ThreadExists())
    s->Request(gotoPage, back, same);
}

void MainWindow::OnPreviewNext(std::int32_t value) {
  const PreviewSession* s = jobs_->Preview();
  const bool next = s && s->ThreadExists() && s->NextPageAvailable();
  if (!CanHandlePreviewRequest(MN_PREVIEW_NEXT, value) || !next) return;
  RestartPreviewRendering(0, false, false);
}

void MainWindow::OnPreviewRedraw(std::int32_t value) {
  if (!CanHandlePreviewRequest(MN_PREVIEW_REDRAW, value)) return;
  RestartPreviewRendering(0, value == 1, value == 0);
}

void MainWindow::OnPreviewMatrix(std::int32_t value) {
  if (!CanHandlePreviewRequest(MN_PREVIEW_MATRIX, value)) return;
  RestartPreviewRendering(0, false, true);
}

// The end of the preview is never held back by the gate: stored in the slot it could stay
// there for good, its error unseen and the preview marked open.
void MainWindow::OnPreviewStop(std::int32_t value) {
  PreviewSession* s = jobs_->Preview();
  // The window closed after a stop already taken (a fatal error closes it) is no new stop.
  if (s && value == 1 && s->StopTaken()) return;
  if (s) s->Stop();
  if (value == 2) {
    if (s) s->CloseWindow();
    boxes_.ShowMessageBox(s ? s->ErrorText() : jobs_->PageEngineErrorText(), kBoxError);
  }
  port_.post(WM_MAIN_NOTIFY, MN_JOB_LED_OFF, 2);
  jobs_->PreviewOpen = 0;
}

void MainWindow::OnPreviewThreadDone(std::int32_t) {
  if (PreviewSession* s = jobs_->Preview()) s->ThreadEnded();
}

void MainWindow::OnPreviewGotoPage(std::int32_t value) {
  if (!CanHandlePreviewRequest(MN_PREVIEW_GOTO_PAGE, value)) return;
  RestartPreviewRendering(value, false, false);
}

void MainWindow::OnPreviewTimer(std::int32_t) {
  // The stop byte that a changed file sets wakes the waiting engine itself.
  if (PreviewSession* s = jobs_->Preview(); s && jobs_->PreviewOpen.load()) s->CheckFileChanged();
}

void MainWindow::OnPreviewCaption(std::int32_t) {
  if (PreviewSession* s = jobs_->Preview()) s->ShowCaption();
}

void MainWindow::OnPreviewRefresh(std::int32_t) {
  if (jobs_->PreviewOpen.load()) port_.post(WM_MAIN_NOTIFY, MN_PREVIEW_REDRAW, 0);
}

void MainWindow::OnPreviewPageDone(std::int32_t value) {
  PreviewSession* s = jobs_->Preview();
  if (!s || !s->ThreadExists()) return;
  FileContext files;
  files.Settings = &jobs_->Settings();
  const std::string file = ChooseFileExtension(jobs_->CurrentDocument(), "taf,fmt", files);
  SetLabel(1, Say(ShellText::kPreviewPage) + std::to_string(value) + " (" + NameOf(file) + ")");
  s->SetLastPage(value);
}

void MainWindow::OnPreviewClosed(std::int32_t) {
  if (PreviewSession* s = jobs_->Preview()) s->SetLastPage(0);
}

void MainWindow::OnPrintPages(std::int32_t) {
  jobs_->StartPrintThread(jobs_->PrintOptions.PageList, false);
}

void MainWindow::OnPrintDone(std::int32_t value) {
  if (consoleNotifier_) consoleNotifier_->Send(MN_PRINT_DONE, value);
  if (value == 2 && !env_.Console) boxes_.ShowMessageBox(jobs_->PageEngineErrorText(), kBoxError);
  port_.post(WM_MAIN_NOTIFY, MN_JOB_LED_OFF, 3);
  jobs_->PrintThreadEnded();
  if (CloseAfterPrint) port_.post(WM_MAIN_NOTIFY, MN_CLOSE_PROGRAM, 0);
}

void MainWindow::OnPrintPageDone(std::int32_t value) {
  if (consoleNotifier_) {
    consoleView_.PrintFileName = jobs_->PrintFileName();
    consoleView_.PrintToPostScriptFile = jobs_->PrintToPostScriptFile();
    consoleNotifier_->Send(MN_PRINT_PAGE_DONE, value);
  }
  const std::string file = NameOf(jobs_->PrintFileName());
  const std::string page = std::to_string(value);
  std::string text;
  if (jobs_->PrintToPostScriptFile()) {
    text =
        Say(ShellText::kPageToFile) + page + " " + file + " --> " + ChangeFileExtension(file, "ps");
  } else {
    text = Say(ShellText::kPrintPage) + page;
    if (jobs_->PrintCopies.load() != 1)
      text += Say(ShellText::kFromCopy) + std::to_string(jobs_->PrintCurrentCopy.load());
    if (jobs_->PrintBusy.load()) text += " (" + file + ")";
  }
  // Pages come from the print thread while this loop runs: the label repaints when it next
  // waits, once for a burst of pages rather than once per page.
  Labels[2]->setText(CaptionText(text));
}

void MainWindow::OnAppendingPdfMarks(std::int32_t) {
  SetLabel(2, Say(ShellText::kAppendingPdfMarks) + " (" + NameOf(jobs_->PrintFileName()) + ")");
}

void MainWindow::OnFormatJobDone(std::int32_t value) {
  port_.post(WM_MAIN_NOTIFY, MN_JOB_LED_OFF, value == 11 ? 11 : 1);
  jobs_->FormatJobEnded();
  if (openConverted_) {
    openConverted_ = false;
    if (!jobs_->RtfTargetName.empty() && FileExistsByOpen(jobs_->RtfTargetName))
      jobs_->OpenDocument(jobs_->RtfTargetName);
  }
  if (CloseAfterFormat)
    QTimer::singleShot(300, this, [this] { port_.post(WM_MAIN_NOTIFY, MN_CLOSE_PROGRAM, 0); });
}

void MainWindow::OnIndexScanPage(std::int32_t value) {
  const auto [in, out] = jobs_->RunFileNames();
  SetLabel(0, Say(ShellText::kScanningIndexPage) + std::to_string(value) + " (" + NameOf(in) +
                  " --> " + NameOf(out) + ")");
}

void MainWindow::OnFormatPage(std::int32_t value) {
  const auto [in, out] = jobs_->RunFileNames();
  if (consoleNotifier_) consoleNotifier_->Send(MN_FORMAT_PAGE, value);
  SetLabel(0, Say(ShellText::kFormatPage) + std::to_string(value) + " (" + NameOf(in) + " --> " +
                  NameOf(out) + ")");
}

void MainWindow::OnHeadingsScanPage(std::int32_t value) {
  SetLabel(0, Say(ShellText::kSearchingHeadings) + std::to_string(value));
}

void MainWindow::OnFootnotePage(std::int32_t value) {
  SetLabel(0, Say(ShellText::kFootnotePage) + std::to_string(value));
}

void MainWindow::OnIndexMerge(std::int32_t) {
  const auto [in, out] = jobs_->RunFileNames();
  SetLabel(0, Say(ShellText::kReading) + NameOf(in) + Say(ShellText::kMergingIndex));
}

void MainWindow::OnUpdateCaption(std::int32_t) {
  if (!jobs_->CurrentDocument().empty())
    SetMainCaption("Tavrel - " + NameOf(jobs_->CurrentDocument()));
}

void MainWindow::OnWriteFontDefinition(std::int32_t) { jobs_->WriteFontDefinition(); }

void MainWindow::OnRefreshButtons(std::int32_t) { RefreshButtons(); }

void MainWindow::OnPrepareFonts(std::int32_t) { jobs_->PrepareFormatFonts(); }

void MainWindow::OnOpenIndexInEditor(std::int32_t value) {
  jobs_->OpenInEditor(jobs_->IndexDocumentName(value));
}

void MainWindow::OnShowMessages(std::int32_t) {
  Form8->setWindowTitle(CaptionText(Say(ShellText::kMessagesCaption)));
  Form8->show();
  Form8->raise();
  // On a console the lines are there already: the run still ends by itself.
  if (!env_.Console) CloseAfterFormat = false;
}

void MainWindow::OnGotoMessagePlace(std::int32_t) {
  if (jobs_->CurrentDocument().empty()) return;
  FileContext files;
  files.Settings = &jobs_->Settings();
  jobs_->OpenInEditor(ChooseFileExtension(jobs_->CurrentDocument(), "ws", files));
}

// Code 89 comes before the job's end (23), while the job still counts as running and a
// document cannot be opened: the converted one is opened once the job has ended.
void MainWindow::OnOpenConverted(std::int32_t) { openConverted_ = true; }

void MainWindow::LampOn(std::int32_t value) {
  const int lamp = value % 10;
  if (lamp < 1 || lamp > 3) return;
  if (lamp == 1) Form8->Clear();
  Leds[lamp - 1]->SetColour(kLampLit[lamp - 1]);
  Labels[lamp - 1]->setEnabled(true);
}

void MainWindow::LampOff(std::int32_t value) {
  const int lamp = value % 10;
  if (lamp < 1 || lamp > 3) return;
  Leds[lamp - 1]->SetColour(kLampDark[lamp - 1]);
  Labels[lamp - 1]->setEnabled(false);
  if (lamp == 1) SetFormatButtonCaption(Say(ShellText::kFormatButton));
  if (lamp == 3) SetPrintButtonCaption(Say(ShellText::kPrintButton));
  // A run on the console has no editor to show the result in.
  if (!env_.Console && jobs_->Settings().OpenEditorAfterMake && value == 1 &&
      !jobs_->PreviewOpen.load()) {
    const std::string file = jobs_->OpenAfterMake();
    if (!file.empty()) jobs_->OpenInEditor(file);
  }
}

void MainWindow::OnJobLedOn(std::int32_t value) { LampOn(value); }
void MainWindow::OnJobLedOff(std::int32_t value) { LampOff(value); }

void MainWindow::OnJobStatusText(std::int32_t value) {
  const int label = value % 10;
  if (label >= 1 && label <= 3) SetLabel(label - 1, jobs_->StatusText);
}

void MainWindow::OnStopFormatting(std::int32_t) { jobs_->StopFormatting(); }

// ---------------------------------------------------------------------------------------
// Window state

void MainWindow::RefreshButtons() {
  const std::string& doc = jobs_->CurrentDocument();
  if (doc.empty()) return;
  const bool source = FileExistsByOpen(ChangeFileExtension(doc, "ws")) ||
                      FileExistsByOpen(ChangeFileExtension(doc, "txt")) ||
                      FileExistsByOpen(ChangeFileExtension(doc, "skt"));
  const bool formatted = FileExistsByOpen(ChangeFileExtension(doc, "fmt"));
  const bool text = FileExistsByOpen(ChangeFileExtension(doc, "taf"));
  Buttons[0]->setEnabled(source);
  Buttons[1]->setEnabled(source);
  Buttons[2]->setEnabled(formatted || text);
  const bool printable =
      formatted || text || (source && jobs_->Settings().PrintUnformattedFiles != 0);
  Buttons[3]->setEnabled(printable);
  Buttons[4]->setEnabled(printable);
  GroupBox3->setTitle(CaptionText(Say(text ? ShellText::kFormattedTaf : ShellText::kFormatted)));
}

void MainWindow::SetLabel(int index, const std::string& text) {
  Labels[static_cast<std::size_t>(index)]->setText(CaptionText(text));
  Labels[static_cast<std::size_t>(index)]->repaint();
}

std::string MainWindow::Say(ShellText id, MessageArgs args) const {
  return ShellMessage(jobs_->Language(), id, args);
}

std::string MainWindow::NameOf(const std::string& path) const { return ExtractFileNamePart(path); }

void MainWindow::SetFormatButtonCaption(const std::string& text) {
  Buttons[1]->setText(CaptionText(text));
}

void MainWindow::SetPrintButtonCaption(const std::string& text) {
  Buttons[4]->setText(CaptionText(text));
}

void MainWindow::SetMainCaption(const std::string& text) { setWindowTitle(CaptionText(text)); }

void MainWindow::ResetStatusLabels() {
  SetLabel(0, Say(ShellText::kFormatting));
  SetLabel(1, Say(ShellText::kPreviewing));
  SetLabel(2, Say(ShellText::kPrinting));
}

void MainWindow::resizeEvent(QResizeEvent* event) { QMainWindow::resizeEvent(event); }

// ---------------------------------------------------------------------------------------
// Actions

bool MainWindow::IsOpenableFileName(const std::string& name) {
  const std::string upper = MakeUpperCase(name);
  for (const char* ext : {".WS", ".TXT", ".SKJ", ".FMT", ".RTF"})
    if (Contains(upper, ext)) return true;
  return IsGraphicsFileName(name);
}

void MainWindow::Groupbox1Drop(const std::vector<std::string>& files) {
  if (files.empty()) return;
  // Names on disk are UTF-8; inside the suite they are in the Windows character set.
  const std::string name = ArgumentText(files.front());
  if (!IsOpenableFileName(name)) return;
  if (IsGraphicsFileName(name))
    GrafikLaden(name);
  else
    jobs_->OpenDocument(name);
}

void MainWindow::GrafikLaden(const std::string& file) {
  // A run on the console has no screen to show the dialog on.
  if (env_.Console) {
    boxes_.ShowMessageBox(Say(ShellText::kGraphicsDialogNotAvailable, {file}), kBoxError);
    return;
  }
  Form11->Files.CurrentDocument = jobs_->CurrentDocument();
  Form11->Files.Settings = &jobs_->Settings();
  Form11->OpenWithFile(file);
}

void MainWindow::OpenGraphicsDialog(bool named, std::uint8_t selector, const std::string& name) {
  Form11->Files.CurrentDocument = jobs_->CurrentDocument();
  Form11->Files.Settings = &jobs_->Settings();
  Form11->OpenFromEditor(named, selector, name);
}

void MainWindow::MakeFormattedFile() {
  ConditionText = CaptionBytes(Edit1->text());
  jobs_->StartFormatJob('F', ConditionText);
}

void MainWindow::FormatButton() {
  if (jobs_->FormatJobBusy.load()) {
    jobs_->StopFormatting();
    return;
  }
  MakeFormattedFile();
}

void MainWindow::PrintButton() {
  if (jobs_->PrintBusy.load())
    jobs_->StopPrinting();
  else
    jobs_->StartPrintJob(false);
}

void MainWindow::ShowPrintRange() {
  Form4->Language = jobs_->Language();
  Form4->show();
  Form4->raise();
}

void MainWindow::OpenSourceInEditor(const char* kind) {
  if (jobs_->CurrentDocument().empty()) return;
  FileContext files;
  files.Settings = &jobs_->Settings();
  const std::string name = std::string(kind) == "ws" || std::string(kind) == "taf,fmt"
                               ? ChooseFileExtension(jobs_->CurrentDocument(), kind, files)
                               : ChangeFileExtension(jobs_->CurrentDocument(), kind);
  jobs_->OpenInEditor(name);
}

void MainWindow::MenuSelect() {
  const QString start = CaptionText(jobs_->Settings().LastOpenDirectory.Str());
  const QString chosen = QFileDialog::getOpenFileName(
      this, CaptionText(Say(ShellText::kSelectFile)), start,
      "Wordstar unformatted file (*.WS *.ws);;ASCII file with dot commands (*.TXT *.txt);;"
      "Wordstar formatted file (*.FMT *.fmt);;Rich Text Format (*.RTF *.rtf)");
  if (chosen.isEmpty()) return;
  jobs_->OpenDocument(ArgumentText(chosen.toStdString()));
}

void MainWindow::MenuPreview() { jobs_->StartPreview(); }

// There is no system set-up dialog to call: a list of the printers to choose from.
void MainWindow::MenuPrintSetup() {
  if (jobs_->PrintBusy.load()) {
    boxes_.ShowMessageBox(Say(ShellText::kWaitUntilPrintingIdle), kBoxError);
    return;
  }
  QDialog dialog(this);
  dialog.setObjectName("PrinterSetup");
  dialog.setWindowTitle("Print setup");
  auto* list = new QListWidget(&dialog);
  for (const std::string& name : jobs_->Printers().names()) list->addItem(CaptionText(name));
  list->setCurrentRow(jobs_->Printers().selected_index());
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
  connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
  auto* layout = new QVBoxLayout(&dialog);
  layout->addWidget(list);
  layout->addWidget(buttons);
  if (dialog.exec() != QDialog::Accepted) return;
  jobs_->Printers().select(list->currentRow());
  ComboBox1->setCurrentIndex(jobs_->Printers().selected_index());
}

void MainWindow::MenuTextAndFootnotes() { jobs_->StartFormatJob('Z', ConditionText); }
void MainWindow::MenuContents() { jobs_->StartFormatJob('I', ConditionText); }

void MainWindow::MenuIndex() {
  if (!Form7) {
    Form7 = new IndexProgressWindow(&notifier_, this);
    Form7->setWindowFlag(Qt::Window);
    forms_[7] = Form7;
  }
  if (jobs_->Language() == kLanguageGerman)
    Form7->setWindowTitle(CaptionText(Say(ShellText::kIndexCaption)));
  Form7->show();
  Form7->raise();
  Form7->ClearLines();
  jobs_->StartFormatJob('S', ConditionText);
}

void MainWindow::MenuCompilerRtf() { jobs_->StartCompiler(false); }
void MainWindow::MenuCompilerHtml() { jobs_->StartCompiler(true); }

void MainWindow::MenuPdf() {
  if (jobs_->PrintBusy.load()) {
    jobs_->StopPrinting();
    return;
  }
  const std::string pdf = jobs_->Settings().PdfPrinterName.Str();
  if (pdf.empty()) {
    boxes_.ShowMessageBox(Say(ShellText::kNoPdfPrinter), kBoxError);
    return;
  }
  const int index = jobs_->Printers().index_of(pdf);
  if (index < 0) {
    boxes_.ShowMessageBox(jobs_->Text(MessageId::kPrinterNotFound, {pdf}), kBoxError);
    return;
  }
  jobs_->Printers().select(index);
  ComboBox1->setCurrentIndex(index);
  jobs_->StartPrintJob(true);
}

void MainWindow::MenuGraphicFile() { GrafikLaden(""); }
// The notebook is made at its first use and kept: a job reads it while it is open.
void MainWindow::MenuSettingsNotebook() {
  if (!Form2) {
    Form2 = new SettingsNotebook(&jobs_->Settings(), &notifier_, this);
    Form2->setWindowFlag(Qt::Window);
    Form2->ProgramDirectory = env_.ProgramDirectory;
    forms_[2] = Form2;
    ConnectNotebook(*Form2, *jobs_, boxes_, [this](int index) {
      jobs_->Printers().select(index);
      ComboBox1->setCurrentIndex(jobs_->Printers().selected_index());
    });
  }
  Form2->show();
  Form2->raise();
}

void MainWindow::MenuFontDefinition() {
  jobs_->WriteFontDefinitionIfMissing();
  jobs_->OpenInEditor(jobs_->FontDefinitionPath());
}

void MainWindow::MenuFontDemo() {
  boxes_.ShowMessageBox(Say(ShellText::kJobNotAvailable, {"Font Demo File"}), kBoxError);
}

void MainWindow::MenuHeadingsTemplate() {
  std::string name = jobs_->Language() == kLanguageGerman ? "Gliform.ws" : "Headings.ws";
  FileContext files;
  files.CurrentDocument = jobs_->CurrentDocument();
  files.ProgramDirectory = env_.ProgramDirectory;
  files.Settings = &jobs_->Settings();
  if (!LocateFile(name, files)) {
    boxes_.ShowMessageBox(Say(ShellText::kNotFound, {name}), kBoxError);
    return;
  }
  jobs_->OpenInEditor(name);
}

void MainWindow::MenuCommand() { OpenDotCommandDialog(0, ""); }

void MainWindow::OpenDotCommandDialog(std::uint8_t selector, const std::string& command) {
  if (!Form10) {
    Form10 = new DotCommandDialog(&notifier_, this);
    Form10->setWindowFlag(Qt::Window);
    forms_[10] = Form10;
    Form10->TakeSender(std::make_unique<EditorLinkDotCommandSender>(editor_->Link(), [this] {
      return FileContext{jobs_->CurrentDocument(), env_.ProgramDirectory, &jobs_->Settings()};
    }));
    Form10->Boxes = &boxes_;
    Form10->Settings = &jobs_->Settings();
    Form10->Help = &jobs_->Help();
    Form10->CurrentDocument = [this] { return jobs_->CurrentDocument(); };
    Form10->ShowHelpTopic = [this](int topic) { jobs_->ShowHelpTopic(topic); };
    // The dialog sends code 85 first: the list is of the tables just prepared.
    Form10->ListFonts = [this] {
      const TPrinterDataRecord* fonts = jobs_->FormatFonts();
      return fonts ? DotCommandFontItems(*fonts) : std::vector<std::string>{};
    };
    Form10->FontSampleVisible = [this] { return Form9->isVisible(); };
    Form10->CloseFontSample = [this] { Form9->hide(); };
  }
  if (selector == 0 && command.empty())
    Form10->OpenFromMenu();
  else
    Form10->OpenFromEditor(selector, command);
}

void MainWindow::MenuHelpIntroduction() { jobs_->ShowHelpTopic(3); }
void MainWindow::MenuHelpMainWindow() { jobs_->ShowHelpTopic(10); }
void MainWindow::MenuHelpContents() { jobs_->ShowHelpTopic(11); }

void MainWindow::MenuStartTutorial() {
  const QString chosen = QFileDialog::getOpenFileName(
      this, CaptionText(Say(ShellText::kSelectFile)),
      CaptionText(GetTutorialDirectory(jobs_->Store())), "Wordstar (*.WS *.ws)");
  if (chosen.isEmpty()) return;
  if (jobs_->OpenDocument(ArgumentText(chosen.toStdString()))) OpenSourceInEditor("ws");
}

void MainWindow::MenuAbout() {
  boxes_.ShowMessageBox(std::string("Tavrel ") + kVersion, kBoxInformation);
}

// ---------------------------------------------------------------------------------------
// Closing

void MainWindow::closeEvent(QCloseEvent* event) {
  if (closed_) return event->accept();
  if (closing_) return event->ignore();
  closing_ = true;
  const bool busy = jobs_->FormatJobBusy.load() || jobs_->PrintBusy.load();
  if (busy) {
    const int answer =
        boxes_.AskMessageBox(Say(ShellText::kCloseQuestion), kBoxConfirmation, BoxButtons::YesNo);
    if (answer != kAnswerYes) {
      closing_ = false;
      return event->ignore();
    }
    // The threads are told to stop and are waited for while their messages are served; a
    // thread that does not stop in time is left and the program ends at once.
    if (!jobs_->StopAndJoinThreads(kCloseWait)) {
      boxes_.ShowMessageBox(Say(ShellText::kCloseTimedOut), kBoxError);
      abandoned_ = true;
    }
  } else {
    // A thread that has reported its end may still be finishing: it is waited for, so the
    // exit code and the results are its final ones.
    jobs_->StopAndJoinThreads(kCloseWait);
  }
  if (!abandoned_) {
    if (pos().x() > 0 && pos().y() > 0) {
      jobs_->Settings().MainWindowLeft = pos().x();
      jobs_->Settings().MainWindowTop = pos().y();
    }
    if (width() > 100) jobs_->Settings().MainWindowWidth = width();
  }
  const bool saved = jobs_->SaveSettings();
  if (!saved && formatRequested_) jobs_->FormatExitCode = kExitJobFailed;
  if (!saved && printRequested_) jobs_->PrintExitCode = kExitJobFailed;
  for (QWidget* form : forms_)
    if (form && form != this) form->hide();
  closed_ = true;
  event->accept();
  if (abandoned_) std::_Exit(kExitJobFailed);
  if (OnClosed) QTimer::singleShot(0, this, [this] { OnClosed(); });
}

}  // namespace tavrel

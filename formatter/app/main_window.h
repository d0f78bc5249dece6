// Tavrel's main window (Form1): menus, buttons, printer choice, condition words, the drop
// field with the three lamps, and the receiver of WM_MAIN_NOTIFY. The window owns the start
// and end of the program: it reads the command line at its first show, starts the jobs of
// "/F" and "/P" and closes itself after them.
#pragma once

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QPushButton>
#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "formatter/app/command_line.h"
#include "formatter/app/command_line_jobs.h"
#include "formatter/app/console_notifier.h"
#include "formatter/app/console_outlets.h"
#include "formatter/app/editor_connection.h"
#include "formatter/app/job_control.h"
#include "formatter/app/shell_texts.h"
#include "formatter/app/window_outlets.h"
#include "formatter/windows/file_drop.h"
#include "formatter/windows/led.h"
#include "platform/gui/window_messages.h"

namespace tavrel {

class MessageListWindow;
class IndexProgressWindow;
class PrintRangeDialog;
class FontProgressWindow;
class FontSampleWindow;
class DirectoryChooser;
class GraphicsFileDialog;
class SettingsNotebook;
class WindowMeasureProgress;
class DotCommandDialog;

class MainWindow : public QMainWindow, private JobWindow {
  Q_OBJECT
 public:
  // args: the command line; env: folders, printers, console (set: boxes and lines go to it).
  MainWindow(std::vector<std::string> args, const TavrelEnvironment& env);
  ~MainWindow() override;

  // The program's exit code after the window closed: that of the "/F" or "/P" job, 0 for a
  // window that ran without one.
  int ExitCode() const;
  JobControl& Jobs() { return *jobs_; }
  platform::gui::MessagePort& Port() { return port_; }
  MainNotifier& Notifier() { return notifier_; }
  // Called once the window has closed.
  std::function<void()> OnClosed;

  // The editor link: the window's entry among the windows of other processes.
  EditorConnection& Editor() { return *editor_; }
  // Code 62 and code 13/22 of the editor: the dialog on the command (selector 0 and no command:
  // from the menu), or on the picture (the clipboard's when not named).
  void OpenDotCommandDialog(std::uint8_t selector, const std::string& command);
  void OpenGraphicsDialog(bool named, std::uint8_t selector, const std::string& name);

  // The handler of WM_MAIN_NOTIFY: the window's own codes, then the progress codes.
  void BearbeiteUserMessage(std::int32_t code, std::int32_t value);
  void HandleProgressMessage(std::int32_t code, std::int32_t value);
  bool CanHandlePreviewRequest(std::int32_t code, std::int32_t value);

  // The window's own actions, as the menus and buttons call them.
  void Groupbox1Drop(const std::vector<std::string>& files);
  static bool IsOpenableFileName(const std::string& name);
  void MakeFormattedFile();  // Make > Formatted file
  void FormatButton();       // Button2
  void PrintButton();        // Button5
  void ShowPrintRange();     // File > Print page

  bool CloseAfterFormat = false;
  bool CloseAfterPrint = false;
  std::string ConditionText;

  QLabel* Label4;
  QLineEdit* Edit1;
  QComboBox* ComboBox1;
  QGroupBox* GroupBox1;
  QGroupBox* GroupBox2;
  QGroupBox* GroupBox3;
  std::array<Led*, 3> Leds{};             // LED1..LED3
  std::array<QLabel*, 3> Labels{};        // Label1..Label3
  std::array<QPushButton*, 5> Buttons{};  // Button1..Button5
  FileDrop* FileDrop1;

  MessageListWindow* Form8;
  // Made at the first index job: its text box is much of the widget code a run would map.
  IndexProgressWindow* Form7 = nullptr;
  PrintRangeDialog* Form4;
  FontProgressWindow* Form6;
  FontSampleWindow* Form9;
  DirectoryChooser* Form5;
  DotCommandDialog* Form10 = nullptr;  // made on its first opening
  GraphicsFileDialog* Form11;
  SettingsNotebook* Form2 = nullptr;  // made at its first use

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  bool openConverted_ = false;  // code 89 seen: open the converted document at the end
  struct MenuRow;
  struct CodeRow;
  static const MenuRow kMenu[];
  static const CodeRow kOwnCodes[];
  static const CodeRow kProgressCodes[];

  // JobWindow
  void SetFormatButtonCaption(const std::string& text) override;
  void SetPrintButtonCaption(const std::string& text) override;
  void SetMainCaption(const std::string& text) override;
  void ResetStatusLabels() override;

  void BuildControls();
  void BuildMenus();
  void FirstShow();
  void CaptionRegister();
  void RefreshButtons();
  void SetLabel(int index, const std::string& text);  // 0..2, display code page
  std::string Say(ShellText id, MessageArgs args = {}) const;
  std::string NameOf(const std::string& path) const;
  void GrafikLaden(const std::string& file);
  void LampOn(std::int32_t value);
  void LampOff(std::int32_t value);
  void RestartPreviewRendering(std::int32_t gotoPage, bool back, bool same);
  void OpenSourceInEditor(const char* kind);
  void FinishCommandLineStart(bool started, bool closeRequested);

  // Code handlers.
  void OnStartFormat(std::int32_t);
  void OnStartPrint(std::int32_t);
  void OnNothing(std::int32_t) {}
  void OnOpenTutorial(std::int32_t);
  void OnCloseProgram(std::int32_t);
  void OnTranslateForm(std::int32_t value);
  void OnWriteLanguageTemplate(std::int32_t);
  void OnPreviewNext(std::int32_t);
  void OnPreviewRedraw(std::int32_t value);
  void OnPreviewMatrix(std::int32_t value);
  void OnPreviewStop(std::int32_t value);
  void OnPreviewThreadDone(std::int32_t);
  void OnPreviewGotoPage(std::int32_t value);
  void OnPreviewTimer(std::int32_t);
  void OnPreviewRefresh(std::int32_t);
  void OnPreviewPageDone(std::int32_t value);
  void OnPreviewClosed(std::int32_t);
  void OnPreviewCaption(std::int32_t);
  void OnPrintPages(std::int32_t);
  void OnPrintDone(std::int32_t value);
  void OnPrintPageDone(std::int32_t value);
  void OnAppendingPdfMarks(std::int32_t);
  void OnFormatJobDone(std::int32_t value);
  void OnIndexScanPage(std::int32_t value);
  void OnFormatPage(std::int32_t value);
  void OnHeadingsScanPage(std::int32_t value);
  void OnFootnotePage(std::int32_t value);
  void OnIndexMerge(std::int32_t);
  void OnUpdateCaption(std::int32_t);
  void OnWriteFontDefinition(std::int32_t);
  void OnRefreshButtons(std::int32_t);
  void OnPrepareFonts(std::int32_t);
  void OnOpenIndexInEditor(std::int32_t);
  void OnShowMessages(std::int32_t);
  void OnGotoMessagePlace(std::int32_t);
  void OnOpenConverted(std::int32_t);
  void OnJobLedOn(std::int32_t value);
  void OnJobLedOff(std::int32_t value);
  void OnJobStatusText(std::int32_t value);
  void OnStopFormatting(std::int32_t);

  // Menu handlers.
  void MenuSelect();
  void MenuEditSource() { OpenSourceInEditor("ws"); }
  void MenuEditFormatted() { OpenSourceInEditor("fmt"); }
  void MenuEditNotes() { OpenSourceInEditor("fun"); }
  void MenuEditText() { OpenSourceInEditor("taf"); }
  void MenuEditContents() { OpenSourceInEditor("toc"); }
  void MenuCloseEditors() { jobs_->CloseDocumentEditors(); }
  void MenuPreview();
  void MenuPrintSetup();
  void MenuExit() { close(); }
  void MenuTextAndFootnotes();
  void MenuContents();
  void MenuIndex();
  void MenuCompilerRtf();
  void MenuCompilerHtml();
  void MenuPdf();
  void MenuGraphicFile();
  void MenuSettingsNotebook();
  void MenuFontDefinition();
  void MenuFontDemo();
  void MenuHeadingsTemplate();
  void MenuCommand();
  void MenuHelpIntroduction();
  void MenuHelpMainWindow();
  void MenuStartTutorial();
  void MenuHelpContents();
  void MenuHelpOnHelp() {}
  void MenuAbout();

  std::vector<std::string> args_;
  TavrelEnvironment env_;
  std::unique_ptr<platform::Console> ownConsole_;
  std::unique_ptr<ConsoleMessageBoxes> consoleBoxes_;
  std::unique_ptr<ConsoleMessageList> consoleList_;
  ConsoleJobView consoleView_;
  std::unique_ptr<ConsoleNotifier> consoleNotifier_;
  platform::gui::MessagePort port_;
  WindowNotifier notifier_;
  WindowMessageBoxes boxes_;
  std::unique_ptr<TeeMessageList> list_;
  std::unique_ptr<WindowMeasureProgress> progress_;
  std::unique_ptr<ConsoleMeasureProgress> consoleMeasure_;
  std::unique_ptr<JobControl> jobs_;
  // The threads reach the editor through its registry: the destructor ends them (jobs_.reset())
  // before this goes.
  std::unique_ptr<EditorConnection> editor_;
  void ConnectEditor();
  void ShowFontSample(const FontSampleRequest& request);
  std::array<QWidget*, 12> forms_{};  // by form number; null where the window is not built

  bool firstShowPending_ = true;
  std::uint8_t firstStart_ = 0;
  bool formatRequested_ = false;  // "/F" was given
  bool printRequested_ = false;   // "/P" was given
  bool noJob_ = false;            // a console run without a job: usage, then close
  bool closing_ = false;
  bool closed_ = false;
  bool abandoned_ = false;  // the close gave up waiting for the threads
};

}  // namespace tavrel

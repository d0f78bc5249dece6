// Tavrel's work: the current document, one format job at a time in the job thread, the print
// thread, opening documents and starting the editor and the hypertext compiler. Every start is
// made on the GUI thread; every end comes back to the main window as a WM_MAIN_NOTIFY code.
// Flags that the threads share with the window are atomics; a job works on a snapshot of the
// settings taken when it starts.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "formatter/app/command_line_jobs.h"
#include "formatter/app/console_notifier.h"
#include "formatter/app/preview_control.h"
#include "formatter/common/help_lookup.h"
#include "formatter/common/message_boxes.h"
#include "formatter/common/messages.h"
#include "formatter/common/notifications.h"
#include "formatter/common/settings_record.h"
#include "formatter/derived/derived_documents.h"
#include "formatter/fonts/printer_measure.h"
#include "formatter/windows/editor_link.h"
#include "formatter/windows/print_range_dialog.h"
#include "platform/printers.h"

namespace tavrel {

struct FormatRun;
struct FormattedFileCache;
struct PageEngineContext;
struct PrintControl;

// What the job control changes on the main window (GUI thread only).
class JobWindow {
 public:
  virtual ~JobWindow() = default;
  virtual void SetFormatButtonCaption(const std::string& text) = 0;
  virtual void SetPrintButtonCaption(const std::string& text) = 0;
  virtual void SetMainCaption(const std::string& text) = 0;
  virtual void ResetStatusLabels() = 0;
};

// The outlets of the engine while the window runs.
struct JobOutlets {
  MainNotifier* Notifier = nullptr;  // the main window
  MessageBoxes* Boxes = nullptr;
  MessageList* List = nullptr;
  JobWindow* Window = nullptr;
  FontMeasureProgress* Progress = nullptr;
  platform::Console* Console = nullptr;  // set: a console reports beside the window
  ConsoleNotifier* ConsoleProgress = nullptr;
  ConsoleJobView* ConsoleView = nullptr;
  // The index progress window's lines (job S); called from the job thread.
  std::function<void(const std::string&)> IndexProgress;
};

class JobControl {
 public:
  JobControl(const TavrelEnvironment& env, const JobOutlets& outlets);
  ~JobControl();
  JobControl(const JobControl&) = delete;
  JobControl& operator=(const JobControl&) = delete;

  // Settings and printers; firstStart as LoadSettings gives it.
  void LoadSettingsAndPrinters(std::uint8_t& firstStart);
  void SetMeasureProgress(FontMeasureProgress* progress);
  bool SaveSettings();
  TSettingsRecord& Settings() { return store_.Settings; }
  SettingsStore& Store() { return store_; }
  std::uint8_t Language() const { return store_.Settings.Language; }
  platform::PrinterList& Printers() { return *printers_; }
  std::string Text(MessageId id, MessageArgs args = {}) const;

  const std::string& CurrentDocument() const { return currentDocument_; }
  // The current document with the program folder and the settings, as file lookups need them.
  FileContext DocumentFiles() const;
  // Makes the file the current document (or starts the conversion of an RTF file); false when
  // nothing became current.
  bool OpenDocument(const std::string& name);
  std::string AbsoluteName(const std::string& name) const;

  // Letter F, I, Z or S (job R starts from StartRtfConversion); false when no job started
  // (busy, no document, refused).
  bool StartFormatJob(char letter, const std::string& conditions);
  bool StartRtfConversion(const std::string& name);
  bool StartPreview();
  // The preview's window and thread.
  PreviewSession* Preview() { return preview_.get(); }
  // Reads the settings notebook into the settings when it is open, so that a job starts
  // with what is on screen.
  std::function<void()> ReadOpenNotebook;
  bool StartPrintJob(bool postScript);
  bool StartPrintThread(const std::string& pageList, bool postScript);

  void StopFormatting();  // the "stop f" button and code 100
  void StopPrinting();    // the "stop p" button: ends after the current page
  void AbortPrinting();   // the close: ends at once

  // The main window's side of codes 23 and 13.
  void FormatJobEnded();
  void PrintThreadEnded();

  // For the close: sets every stop flag and waits, serving the window's messages, until the
  // threads have ended; false when the limit passed first.
  bool StopAndJoinThreads(std::chrono::milliseconds limit);

  // The formatting run's current input and output names (code 29); only while the job
  // thread waits on a sent code.
  std::pair<std::string, std::string> RunFileNames() const;
  // The print thread's file and whether it writes PostScript (code 19).
  std::string PrintFileName() const;
  bool PrintToPostScriptFile() const;
  std::string PageEngineErrorText() const;

  std::atomic<std::uint8_t> FormatJobBusy{0};
  std::atomic<std::uint8_t> RunStopFlag{0};
  std::atomic<std::uint8_t> UserStopFlag{0};  // "stop f" pressed during the job
  std::atomic<std::uint8_t> PrintBusy{0};
  std::atomic<std::uint8_t> PreviewOpen{0};
  // The flags the editor's answers set on the GUI thread and the threads poll.
  EditorLinkState EditorState;
  std::atomic<std::uint8_t>& EditorFileReleased = EditorState.EditorFileReleased;
  std::atomic<std::int32_t> PrintCopies{1};
  std::atomic<std::int32_t> PrintCurrentCopy{0};
  char TFormatJob = 0;
  PrintRangeChoice PrintOptions;  // set by the print range dialog
  std::string StatusText;
  std::int32_t EditorJumpParagraph = 0;
  std::int32_t EditorJumpPage = 0;
  std::atomic<std::int32_t>& PreviewStartPage = EditorState.PreviewStartPage;
  std::string OpenAfterMake() const;

  // The editor's window for a file: asked to close (true when one was found). Without an
  // editor link none is found.
  std::function<bool(const std::string& file)> CloseEditorWindow;
  // Steps of 50 ms the last job F waited for the editor to release its file.
  std::atomic<int> LastReleaseWaitSteps{0};

  void OpenInEditor(const std::string& name);

  // The editor link, once the main window has its entry in the registry; call it before any
  // thread starts. Also makes CloseEditorWindow find the editor's windows.
  void AttachEditor(const EditorLink& link);
  const EditorLink& Editor() const { return editor_; }
  // Asks an editor that holds the document's file of kind with unsaved changes to save it, and
  // waits for its answer (any thread; files names the document and the settings to use).
  bool SyncEditorFile(const std::string& kind, const FileContext& files) const;
  // File > Close editors: the editor windows of the document's own files are asked to close.
  void CloseDocumentEditors();
  // A font's entry as the selected printer has it (0: the default normal or alternate font);
  // false when the fonts cannot be prepared or the font is not defined.
  bool FontSampleEntry(std::uint8_t number, bool alternate, std::string& face, double& points,
                       std::int32_t& colour);
  // Code 83: writes "Fonts.ini" for the chosen printer.
  void WriteFontDefinition();
  void WriteFontDefinitionIfMissing();
  std::string FontDefinitionPath() const;
  // Code 85: the fonts as a format job prepares them (not while one runs).
  void PrepareFormatFonts();
  // The index document of an index number, as the index job writes it (code 86).
  std::string IndexDocumentName(int indexNumber) const;
  std::string RtfTargetName;  // the WordStar document job R writes
  // The hypertext compiler on the current document; html: HTML, else RTF.
  void StartCompiler(bool html);
  void ShowHelpTopic(int number);
  // The help text of a dot command ("" when none).
  std::string DotCommandHelp(const std::string& command);
  // The help files the dot-command dialog shares.
  HelpFiles& Help() { return help_; }
  // The fonts code 85 prepared; null before the first preparation.
  const TPrinterDataRecord* FormatFonts() const { return formatSetup_.Fonts.PrinterFonts.get(); }
  // A font number's family and size as formatting prepared them; false: no such font.
  bool FormatFont(std::uint8_t number, std::string& family, double& points) const;

  // What the last jobs gave, for the command-line road's exit code.
  TavrelRunResult& Result() { return result_; }
  std::atomic<int> FormatExitCode{kExitNotStarted};
  std::atomic<int> PrintExitCode{kExitNotStarted};

 private:
  struct JobRow;
  static const JobRow kJobs[];
  static const JobRow* FindJob(char letter);

  void Fail(const std::string& text) { outlets_.Boxes->ShowMessageBox(text, kBoxError); }
  void Inform(const std::string& text) { outlets_.Boxes->ShowMessageBox(text, kBoxInformation); }
  void Say(const std::string& text);
  void SelectDefaultPrinter();
  void PrepareContexts();
  bool Prepare(bool useCurrentPrinter, PrinterSetup& setup);
  // The setup, made on its first use.
  static PrinterSetup& MadeSetup(std::unique_ptr<PrinterSetup>& setup);
  void JoinFormatThread();
  void JoinPrintThread();

  // The job thread's work per letter; each sets FormatExitCode.
  struct JobInput;
  void RunJob(const JobInput& job);
  void RunJobF(const JobInput& job);
  void RunJobI(const JobInput& job);
  void RunJobZ(const JobInput& job);
  void RunJobS(const JobInput& job);
  void RunJobR(const JobInput& job);
  FileContext JobFiles(const JobInput& job) const;
  // A formatting run over `file`; true when it ended without errors or a stop.
  bool RunFormatting(const JobInput& job, const std::string& file, bool contentsMode,
                     bool indexScan);
  // Job I's or Z's derived document; true when made whole.
  bool RunDerivedJob(char mode, const JobInput& job, DerivedJobResult& made);
  // Binds a job's own messages (derived jobs, job R) so that "stop f" reaches them.
  void BindJobMessages(RunMessages* messages);
  void SetOpenAfterMake(const std::string& file);
  bool StartJobThread(char letter, const std::string& document, const std::string& conditions,
                      const std::string& stopCaption);
  struct PrintJob;
  void RunPrintJob(PrintJob& job);
  // PDF output: the document into its PostScript file, the marks appended, the converter run.
  void RunPdfPrintJob(PrintJob& job);
  void SetUpPrintContext(PageEngineContext& ctx, const PrintJob& job, FormattedFileCache& cache);
  // The context the window reads the error text and the console the page from.
  void BindPrintContext(PageEngineContext* ctx);

  TavrelEnvironment env_;
  JobOutlets outlets_;
  SettingsStore store_;
  SettingsEnvironment settingsEnv_;
  std::optional<platform::PrinterList> ownPrinters_;
  platform::PrinterList* printers_ = nullptr;
  // Each thread has its own fonts and printer data, prepared before it starts, so preparing
  // one job never changes what a running one reads.
  // Each setup holds three records of 70 kB: the ones a run may never need are made when
  // first prepared, so a formatting run does not carry them.
  PrinterSetup formatSetup_;
  std::unique_ptr<PrinterSetup> printSetup_;
  // The font sample's, so a running job's tables stay as they are.
  std::unique_ptr<PrinterSetup> sampleSetup_;
  std::unique_ptr<PrinterSetup> previewSetup_;
  PrepareContext prepare_;
  bool fontsMissing_ = false;
  HelpFiles help_;

  std::string currentDocument_;
  std::thread formatThread_;
  std::thread printThread_;
  std::atomic<bool> formatThreadDone_{true};
  std::atomic<bool> printThreadDone_{true};
  std::atomic<bool> printStopRequested_{false};

  mutable std::mutex runMutex_;  // guards the pointers below and OpenAfterMake
  FormatRun* currentRun_ = nullptr;
  RunMessages* currentMessages_ = nullptr;  // the running job's stop flags
  std::string indexDirectory_;
  PageEngineContext* currentPrint_ = nullptr;
  std::string openAfterMake_;
  std::string printFile_;
  bool printPostScript_ = false;
  std::unique_ptr<PrintControl> printControl_;

  TavrelRunResult result_;
  EditorLink editor_;
  // Kept from job to job for the program's life; only the job thread touches it.
  DerivedContext derived_;
  // Declared last: destroyed first, its thread stopped while the setups above still exist.
  std::unique_ptr<PreviewSession> preview_;
};

}  // namespace tavrel

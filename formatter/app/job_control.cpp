#include "formatter/app/job_control.h"

#include <chrono>
#include <sstream>
#include <thread>

#include "formatter/app/font_definition_writer.h"
#include "formatter/app/pdf_output.h"
#include "formatter/app/rtf_conversion_job.h"
#include "formatter/app/shell_texts.h"
#include "formatter/common/bilingual_texts.h"
#include "formatter/common/file_services.h"
#include "formatter/common/run_messages.h"
#include "formatter/derived/index_builder.h"
#include "formatter/formatting/format_run.h"
#include "formatter/formatting/formatting_run.h"
#include "formatter/hyphenation/hyphenation.h"
#include "formatter/pages/page_engine.h"
#include "formatter/pages/page_selection.h"
#include "formatter/pages/page_state.h"
#include "formatter/pages/print_surface.h"
#include "platform/files.h"
#include "platform/fonts.h"
#include "platform/gui/window_messages.h"
#include "platform/process.h"

namespace tavrel {

namespace {

bool Contains(const std::string& text, const char* part) {
  return text.find(part) != std::string::npos;
}

// The editor is told about a file it holds in steps of this length, this many times.
constexpr int kReleaseWaitStepMs = 50;
constexpr int kReleaseWaitSteps = 101;
constexpr int kMaxCopies = 20;

}  // namespace

// A row per job letter: what the job thread runs, and what it posts when done.
struct JobControl::JobRow {
  char Letter;
  void (JobControl::*Run)(const JobInput&);
  std::int32_t DoneValue;  // the value of MN_FORMAT_JOB_DONE
};

const JobControl::JobRow JobControl::kJobs[] = {
    {'F', &JobControl::RunJobF, 0},  //
    {'I', &JobControl::RunJobI, 0},  //
    {'Z', &JobControl::RunJobZ, 0},  //
    {'S', &JobControl::RunJobS, 1},  //
    {'R', &JobControl::RunJobR, 11},
};

// What one job works on: a snapshot taken on the GUI thread when it starts.
struct JobControl::JobInput {
  char Letter = 0;
  std::string Document;
  TSettingsRecord Snapshot{};
  std::string Conditions;
};

const JobControl::JobRow* JobControl::FindJob(char letter) {
  for (const JobRow& row : kJobs)
    if (row.Letter == letter) return &row;
  return nullptr;
}

struct JobControl::PrintJob {
  std::string File;
  bool PostScript = false;
  PrintRangeChoice Options;
  TSettingsRecord Snapshot{};
  FileContext Files;
  platform::Printer* Printer = nullptr;
  std::string Title;
};

JobControl::JobControl(const TavrelEnvironment& env, const JobOutlets& outlets)
    : env_(env),
      outlets_(outlets),
      printControl_(std::make_unique<PrintControl>()),
      preview_(std::make_unique<PreviewSession>(*outlets_.Notifier, store_.Settings)) {
  editor_.State = &EditorState;
}

JobControl::~JobControl() {
  preview_.reset();
  StopFormatting();
  AbortPrinting();
  JoinFormatThread();
  JoinPrintThread();
}

std::string JobControl::Text(MessageId id, MessageArgs args) const {
  return MessageText(store_.Settings.Language, id, args);
}

void JobControl::Say(const std::string& text) {
  if (outlets_.Console)
    platform::gui::run_on_gui_thread([&] { outlets_.Console->write_line("Tavrel: " + text); });
}

std::string JobControl::AbsoluteName(const std::string& name) const {
  if (!name.empty() && platform::is_path_separator(name[0])) return name;
  const std::string base =
      env_.CurrentDirectory.empty() ? platform::current_directory() : env_.CurrentDirectory;
  return JoinPath(base, name);
}

void JobControl::LoadSettingsAndPrinters(std::uint8_t& firstStart) {
  settingsEnv_.ProgramDirectory = env_.ProgramDirectory;
  settingsEnv_.SettingsDirectory = env_.SettingsDirectory.empty()
                                       ? ChooseSettingsDirectory(env_.ProgramDirectory)
                                       : env_.SettingsDirectory;
  settingsEnv_.CurrentDirectory =
      env_.CurrentDirectory.empty() ? platform::current_directory() : env_.CurrentDirectory;
  settingsEnv_.Boxes = outlets_.Boxes;
  LoadSettings(store_, settingsEnv_, firstStart);
  if (outlets_.ConsoleView) outlets_.ConsoleView->Language = Language();
  if (env_.Printers) {
    printers_ = env_.Printers;
  } else {
    ownPrinters_.emplace(platform::PrinterList::from_machine());
    printers_ = &*ownPrinters_;
  }
  SelectDefaultPrinter();
  if (store_.Settings.VersionStamp < 99)
    ResetPrinterDataAfterUpdate(*printers_, settingsEnv_.SettingsDirectory, Language(),
                                outlets_.Boxes);
  help_.ProgramDirectory = env_.ProgramDirectory;
  help_.Language = Language();
  help_.Boxes = outlets_.Boxes;
  PrepareContexts();
}

void JobControl::SetMeasureProgress(FontMeasureProgress* progress) {
  outlets_.Progress = progress;
  prepare_.Measure.Progress = progress;
}

bool JobControl::SaveSettings() { return tavrel::SaveSettings(store_, settingsEnv_); }

// The system's default printer has no twin here: the PRINTER variable names it, else the
// virtual PostScript printer stands in.
void JobControl::SelectDefaultPrinter() {
  int index = env_.DefaultPrinter.empty() ? -1 : printers_->index_of(env_.DefaultPrinter);
  if (index < 0 && !env_.DefaultPrinter.empty())
    Say(Text(MessageId::kPrinterNotFound, {env_.DefaultPrinter}));
  if (index < 0) index = printers_->index_of(platform::kPostScriptPrinterName);
  if (index >= 0) printers_->select(index);
}

void JobControl::WriteFontDefinition() {
  const std::string printer = printers_->count() ? printers_->selected().name() : std::string();
  const std::vector<std::string> fonts =
      env_.FontFamilies.empty() ? platform::list_font_families() : env_.FontFamilies;
  auto info = [this](const std::string& text) { outlets_.List->AddLine("INFO: " + text, 0); };
  if (!WriteFontDefinitionFile(settingsEnv_.SettingsDirectory, printer, fonts, Language(), info))
    Fail(Text(MessageId::kFileCannotBeWritten,
              {FontDefinitionFilePath(settingsEnv_.SettingsDirectory)}));
}

void JobControl::PrepareContexts() {
  FontDefinitionContext& fonts = prepare_.FontFile;
  fonts.ProgramDirectory = settingsEnv_.SettingsDirectory;
  fonts.Language = Language();
  fonts.VersionStamp = store_.Settings.VersionStamp;
  fonts.Boxes = outlets_.Boxes;
  fonts.EnsureFontDefinitionFile = [this](bool) { WriteFontDefinition(); };
  fonts.ReportFatalOutputError = [this](int, const std::string& german,
                                        const std::string& english) {
    fontsMissing_ = true;
    Fail(ShowMessage(Language(), MessageTexts{german, english}));
  };
  PrinterMeasureContext& measure = prepare_.Measure;
  measure.ProgramDirectory = settingsEnv_.SettingsDirectory;
  measure.Language = Language();
  measure.Boxes = outlets_.Boxes;
  measure.Printers = printers_;
  // The printer chosen in the window's list is the one measured.
  measure.ChoosePrinter = [this] {
    if (printers_->count() == 0) return false;
    Say(Text(MessageId::kPrinterTaken, {printers_->selected().name()}));
    return true;
  };
  measure.Progress = outlets_.Progress;
  prepare_.MainWindow = outlets_.Notifier;
  prepare_.Dialog = [this](platform::PrinterList& printers) {
    if (printers.count() == 0) return false;
    Say(Text(MessageId::kFormattingRefersToPrinter, {printers.selected().name()}));
    return true;
  };
  prepare_.EndProgram = [] {};
}

void JobControl::WriteFontDefinitionIfMissing() {
  if (!FileExistsByOpen(FontDefinitionPath())) WriteFontDefinition();
}

std::string JobControl::FontDefinitionPath() const {
  return FontDefinitionFilePath(settingsEnv_.SettingsDirectory);
}

void JobControl::PrepareFormatFonts() {
  if (!FormatJobBusy.load()) Prepare(false, formatSetup_);
}

bool JobControl::Prepare(bool useCurrentPrinter, PrinterSetup& setup) {
  fontsMissing_ = false;
  const bool prepared = PrepareFontsAndPrinter(useCurrentPrinter, setup, store_.Settings, prepare_);
  // Formatting with empty font tables would measure every character as 0 dots wide.
  return prepared && !fontsMissing_;
}

PrinterSetup& JobControl::MadeSetup(std::unique_ptr<PrinterSetup>& setup) {
  if (!setup) setup = std::make_unique<PrinterSetup>();
  return *setup;
}

bool JobControl::OpenDocument(const std::string& given) {
  if (FormatJobBusy.load() || PrintBusy.load() || PreviewOpen.load()) {
    Inform(ShellMessage(Language(), ShellText::kTerminateJobsFirst));
    return false;
  }
  const std::string name = AbsoluteName(given);
  if (!FileExistsByOpen(name)) {
    Fail(Text(MessageId::kFileNotFound, {given}));
    return false;
  }
  const std::string upper = MakeUpperCase(name);
  if (Contains(upper, ".RTF")) return StartRtfConversion(name);
  if (!Contains(upper, ".WS") && !Contains(upper, ".TXT") && !Contains(upper, ".SKT") &&
      !Contains(upper, ".FMT") && !Contains(upper, ".TAF")) {
    Fail(Text(MessageId::kNotADocumentFile, {name}));
    return false;
  }
  FileContext files;
  files.Settings = &store_.Settings;
  currentDocument_ = ChooseFileExtension(name, "ws", files);
  result_.Document = currentDocument_;
  outlets_.Window->SetMainCaption("Tavrel - " + ExtractFileNamePart(currentDocument_));
  outlets_.Notifier->Send(MN_REFRESH_BUTTONS, 0);
  outlets_.Window->ResetStatusLabels();
  const std::string directory = ExtractDirectoryPart(currentDocument_) + "/";
  // The last dialog directory is a convenience: a longer folder name is not stored cut.
  if (directory.size() <= 199 && directory != GetTutorialDirectory(store_))
    store_.Settings.LastOpenDirectory.Assign(directory);
  return true;
}

bool JobControl::StartFormatJob(char letter, const std::string& conditions) {
  if (currentDocument_.empty() || FormatJobBusy.load()) return false;
  // Job R starts from an RTF file, not from the current document.
  if (!FindJob(letter) || letter == 'R') return false;
  const std::string& source = currentDocument_;
  const std::string fmt = ChangeFileExtension(source, "fmt");
  if (letter == 'F' && FileExistsByOpen(fmt)) {
    const auto fmtDate = GetFileDate(fmt);
    const auto sourceDate = GetFileDate(source);
    if (fmtDate && sourceDate && *fmtDate > *sourceDate &&
        outlets_.Boxes->AskMessageBox(Text(MessageId::kFormattedFileChangedByHand),
                                      kBoxConfirmation, BoxButtons::YesNo) != kAnswerYes) {
      FormatExitCode = kExitNotStarted;
      return false;
    }
  }
  if (ReadOpenNotebook) ReadOpenNotebook();
  // The last job has posted its end; its thread is past every use of the format setup.
  JoinFormatThread();
  if (!Prepare(false, formatSetup_)) {
    FormatExitCode = kExitNotStarted;
    return false;
  }
  {
    std::lock_guard<std::mutex> lock(runMutex_);
    indexDirectory_ = ExtractDirectoryPart(source);
  }
  RunStopFlag = 0;
  FormatJobBusy = 1;
  outlets_.Notifier->Send(MN_JOB_LED_ON, 1);
  return StartJobThread(letter, source, conditions,
                        ShellMessage(Language(), ShellText::kStopFormatButton));
}

bool JobControl::StartJobThread(char letter, const std::string& document,
                                const std::string& conditions, const std::string& stopCaption) {
  outlets_.Window->SetFormatButtonCaption(stopCaption);
  UserStopFlag = 0;
  TFormatJob = letter;
  outlets_.List->Clear();
  // The job works on a snapshot of the settings and the document name taken now.
  auto job = std::make_shared<JobInput>();
  job->Letter = letter;
  job->Document = document;
  job->Snapshot = store_.Settings;
  job->Conditions = conditions;
  formatThreadDone_ = false;
  formatThread_ = std::thread([this, job] { RunJob(*job); });
  return true;
}

bool JobControl::StartRtfConversion(const std::string& name) {
  if (FormatJobBusy.load()) return false;
  if (ReadOpenNotebook) ReadOpenNotebook();
  JoinFormatThread();
  RtfTargetName = RtfConversionTargetName(name);
  RunStopFlag = 0;
  FormatJobBusy = 1;
  outlets_.Notifier->Send(MN_JOB_LED_ON, 1);
  StatusText = ExtractFileNamePart(name) + " --> " + ExtractFileNamePart(RtfTargetName);
  outlets_.Notifier->Send(MN_JOB_STATUS_TEXT, 1);
  return StartJobThread('R', name, "", ShellMessage(Language(), ShellText::kStopButton));
}

bool JobControl::StartPreview() {
  if (currentDocument_.empty()) return false;
  if (PreviewOpen.load()) {
    preview_->Raise();
    return true;
  }
  store_.Settings.FirstPreviewDone = 1;
  if (ReadOpenNotebook) ReadOpenNotebook();
  // A closed preview whose thread has not yet ended still draws with the preview fonts.
  if (!preview_->StopAndJoin(std::chrono::milliseconds(5000))) return false;
  if (!Prepare(true, MadeSetup(previewSetup_))) return false;
  PreviewStart start;
  start.Files.CurrentDocument = currentDocument_;
  start.Files.ProgramDirectory = env_.ProgramDirectory;
  start.Files.Settings = &store_.Settings;
  start.File =
      platform::resolve_path(ChooseFileExtension(currentDocument_, "taf,fmt", start.Files));
  start.StartPage = PreviewStartPage;
  // The preview thread asks an editor holding the formatted file to save it; it reads a copy
  // of the settings, since this thread may change them meanwhile.
  auto snapshot = std::make_shared<const TSettingsRecord>(store_.Settings);
  start.SyncEditor = [this, files = start.Files, snapshot](const std::string& kinds) mutable {
    files.Settings = snapshot.get();
    SyncEditorFile(kinds, files);
  };
  PreviewOpen = 1;
  outlets_.Notifier->Send(MN_JOB_LED_ON, 2);
  preview_->Start(std::move(start), *previewSetup_);
  return true;
}

void JobControl::RunJob(const JobInput& job) {
  const JobRow& row = *FindJob(job.Letter);
  (this->*row.Run)(job);
  outlets_.Notifier->Post(job.Letter == 'R' ? MN_OPEN_CONVERTED : MN_REFRESH_BUTTONS, 0);
  if (job.Letter == 'F') outlets_.Notifier->Post(MN_PREVIEW_REFRESH, 0);
  outlets_.Notifier->Post(MN_FORMAT_JOB_DONE, row.DoneValue);
  formatThreadDone_ = true;
}

void JobControl::SetOpenAfterMake(const std::string& file) {
  std::lock_guard<std::mutex> lock(runMutex_);
  openAfterMake_ = file;
}

void JobControl::BindJobMessages(RunMessages* messages) {
  std::lock_guard<std::mutex> lock(runMutex_);
  currentMessages_ = messages;
  // A stop pressed before the job's messages existed still stops it.
  if (messages) messages->UserStop = UserStopFlag.load();
}

void JobControl::RunJobF(const JobInput& job) {
  FileContext files;
  files.CurrentDocument = job.Document;
  files.Settings = &job.Snapshot;
  // The editor holding the formatted file is asked to close it; the flag is cleared before
  // the request, so a quick answer is not lost.
  int steps = 0;
  if (CloseEditorWindow) {
    EditorFileReleased = 0;
    if (CloseEditorWindow(ExtractFileNamePart(ChooseFileExtension(job.Document, "taf,fmt", files))))
      while (!EditorFileReleased.load() && steps < kReleaseWaitSteps) {
        std::this_thread::sleep_for(std::chrono::milliseconds(kReleaseWaitStepMs));
        ++steps;
      }
  }
  LastReleaseWaitSteps = steps;
  SyncEditorFile("ws", files);
  SetOpenAfterMake(ChangeFileExtension(job.Document, "fmt"));
  const bool ok = RunFormatting(job, job.Document, false, false);
  FormatExitCode = ok ? kExitOk : kExitJobFailed;
}

bool JobControl::RunFormatting(const JobInput& job, const std::string& file, bool contentsMode,
                               bool indexScan) {
  FormatRun run(job.Snapshot, *formatSetup_.PrinterData,
                RunOutlets{*outlets_.List, *outlets_.Boxes, *outlets_.Notifier});
  run.Files.CurrentDocument = job.Document;
  run.Files.ProgramDirectory = env_.ProgramDirectory;
  run.Files.Settings = &run.Settings;
  run.Hyphenator = std::make_unique<RuleHyphenator>();
  run.AutoVariants = &formatSetup_.Fonts.AutoVariant;
  run.Run.ConditionText = job.Conditions;
  run.Run.ContentsMode = contentsMode;
  run.Run.IndexScan = indexScan;
  {
    std::lock_guard<std::mutex> lock(runMutex_);
    currentRun_ = &run;
    // Read on the GUI thread only while this thread waits on a sent code.
    if (outlets_.ConsoleView) outlets_.ConsoleView->Run = &run;
  }
  BindJobMessages(&run.Messages);
  FormatFile(run, file);
  // The run stops quietly at the user's request; the list says why it ended early.
  if (run.Messages.UserStop.load() != 0)
    run.Messages.ReportFormatInfo(Text(MessageId::kStoppedByUser));
  BindJobMessages(nullptr);
  {
    std::lock_guard<std::mutex> lock(runMutex_);
    currentRun_ = nullptr;
    if (outlets_.ConsoleView) outlets_.ConsoleView->Run = nullptr;
  }
  const bool failed = run.Messages.ErrorCount > 0 || run.Messages.AbortRequested.load() != 0 ||
                      run.Messages.UserStop.load() != 0 || run.Run.Stop;
  // An index scan writes no formatted file: only a real formatting reports one.
  if (indexScan) return !failed;
  result_.FormattedFile = run.Run.OutputName;
  result_.FormattedPages = run.Pages.Streams[kTextStream].PageCount;
  if (!failed)
    Say(Text(MessageId::kFormattedFilePages,
             {result_.FormattedFile, std::to_string(result_.FormattedPages)}));
  else
    Say(Text(MessageId::kFormattingEndedWithErrors, {result_.FormattedFile}));
  return !failed;
}

bool JobControl::RunDerivedJob(char mode, const JobInput& job, DerivedJobResult& made) {
  RunMessages messages(job.Snapshot, *outlets_.List, *outlets_.Boxes, *outlets_.Notifier);
  BindJobMessages(&messages);
  made = MakeDerivedDocument(mode, DerivedJobInput{job.Snapshot, job.Document, derived_}, messages);
  const bool stopped = made.Stopped || messages.UserStop.load() != 0;
  BindJobMessages(nullptr);
  if (stopped) messages.ReportFormatInfo(Text(MessageId::kStoppedByUser));
  return !made.Failed && !stopped && messages.ErrorCount == 0;
}

// Contents: the ".toc" is made from the formatted file, then formatted in contents mode.
void JobControl::RunJobI(const JobInput& job) {
  SyncEditorFile("taf,fmt", JobFiles(job));
  SetOpenAfterMake(ChangeFileExtension(job.Document, "toc"));
  DerivedJobResult made;
  bool ok = RunDerivedJob('I', job, made);
  if (ok) ok = RunFormatting(job, made.Output, true, false);
  FormatExitCode = ok ? kExitOk : kExitJobFailed;
}

void JobControl::RunJobZ(const JobInput& job) {
  SyncEditorFile("fmt", JobFiles(job));
  SyncEditorFile("fun", JobFiles(job));
  SetOpenAfterMake(ChangeFileExtension(job.Document, "taf"));
  DerivedJobResult made;
  FormatExitCode = RunDerivedJob('Z', job, made) ? kExitOk : kExitJobFailed;
}

// Index: the formatted file is scanned for its marks (page numbers as printed), then the
// volume files beside the document are merged into the index documents.
void JobControl::RunJobS(const JobInput& job) {
  FileContext files;
  files.CurrentDocument = job.Document;
  files.Settings = &job.Snapshot;
  SyncEditorFile("taf,fmt", files);
  bool ok = RunFormatting(job, ChooseFileExtension(job.Document, "taf,fmt", files), false, true);
  if (ok) {
    RunMessages messages(job.Snapshot, *outlets_.List, *outlets_.Boxes, *outlets_.Notifier);
    BindJobMessages(&messages);
    IndexJobInput input{job.Snapshot, ExtractDirectoryPart(job.Document), outlets_.IndexProgress};
    const IndexJobResult built = BuildIndex(input, messages);
    const bool stopped = messages.UserStop.load() != 0;
    BindJobMessages(nullptr);
    if (stopped) messages.ReportFormatInfo(Text(MessageId::kStoppedByUser));
    ok = !built.Aborted && !stopped && !built.Documents.empty();
  }
  FormatExitCode = ok ? kExitOk : kExitJobFailed;
}

void JobControl::RunJobR(const JobInput& job) {
  RunMessages messages(job.Snapshot, *outlets_.List, *outlets_.Boxes, *outlets_.Notifier);
  BindJobMessages(&messages);
  const bool ok = RunRtfConversionJob(job.Document, messages, *outlets_.Boxes);
  BindJobMessages(nullptr);
  FormatExitCode = ok ? kExitOk : kExitJobFailed;
}

void JobControl::StopFormatting() {
  std::lock_guard<std::mutex> lock(runMutex_);
  if (FormatJobBusy.load()) UserStopFlag = 1;
  if (currentMessages_) currentMessages_->UserStop = 1;
}

// The user's stop ends the print after the page being printed, so no half page is delivered;
// the run's own flag also holds when the engine clears its flag as the next copy starts.
void JobControl::StopPrinting() {
  printStopRequested_ = true;
  printControl_->StopPrinting = 1;
}

void JobControl::AbortPrinting() {
  printStopRequested_ = true;
  printControl_->Abort = 1;
}

void JobControl::FormatJobEnded() {
  FormatJobBusy = 0;
  RunStopFlag = 1;
}

void JobControl::PrintThreadEnded() {
  PrintBusy = 0;
  printControl_->Abort = 1;
}

std::string JobControl::IndexDocumentName(int indexNumber) const {
  std::lock_guard<std::mutex> lock(runMutex_);
  return JoinPath(indexDirectory_, "INDEX_" + std::to_string(indexNumber) + ".WS");
}

std::string JobControl::OpenAfterMake() const {
  std::lock_guard<std::mutex> lock(runMutex_);
  return openAfterMake_;
}

std::pair<std::string, std::string> JobControl::RunFileNames() const {
  std::lock_guard<std::mutex> lock(runMutex_);
  if (!currentRun_) return {};
  return {currentRun_->Run.InputName, currentRun_->Run.OutputName};
}

std::string JobControl::PrintFileName() const {
  std::lock_guard<std::mutex> lock(runMutex_);
  return printFile_;
}

bool JobControl::PrintToPostScriptFile() const {
  std::lock_guard<std::mutex> lock(runMutex_);
  return printPostScript_;
}

std::string JobControl::PageEngineErrorText() const {
  std::lock_guard<std::mutex> lock(runMutex_);
  return currentPrint_ ? currentPrint_->ThreadErrorText : std::string();
}

FileContext JobControl::DocumentFiles() const {
  FileContext files;
  files.CurrentDocument = currentDocument_;
  files.ProgramDirectory = env_.ProgramDirectory;
  files.Settings = &store_.Settings;
  return files;
}

FileContext JobControl::JobFiles(const JobInput& job) const {
  FileContext files;
  files.CurrentDocument = job.Document;
  files.ProgramDirectory = env_.ProgramDirectory;
  files.Settings = &job.Snapshot;
  return files;
}

bool JobControl::StartPrintJob(bool postScript) {
  PrintOptions = PrintRangeChoice{};
  return StartPrintThread("", postScript);
}

bool JobControl::StartPrintThread(const std::string& pageList, bool postScript) {
  if (currentDocument_.empty()) return false;
  // A second print while one runs would wait for the running thread on this thread and take
  // over its options: it is refused.
  if (PrintBusy.load()) {
    Inform(ShellMessage(Language(), ShellText::kRefusedWhilePrinting));
    return false;
  }
  if (ReadOpenNotebook) ReadOpenNotebook();
  JoinPrintThread();
  if (!Prepare(true, MadeSetup(printSetup_))) {
    PrintExitCode = kExitNotStarted;
    return false;
  }
  auto job = std::make_shared<PrintJob>();
  job->Snapshot = store_.Settings;
  job->Files.CurrentDocument = currentDocument_;
  job->Files.ProgramDirectory = env_.ProgramDirectory;
  job->Files.Settings = &job->Snapshot;
  job->File = ChooseFileExtension(currentDocument_, "taf,fmt", job->Files);
  job->PostScript = postScript;
  job->Options = PrintOptions;
  job->Options.PageList = pageList;
  // PDF output goes to the PDF printer; without one the chosen printer stays.
  job->Printer = postScript ? &PdfJobPrinter(*printers_, store_.Settings.PdfPrinterName.Str())
                            : &printers_->selected();
  job->Title = ExtractFileNamePart(job->File);
  if (!pageList.empty())
    job->Title += " (" + ShellMessage(Language(), ShellText::kPageListPrefix) + pageList + ")";
  PrintCopies = postScript ? 1 : std::clamp(job->Options.PrintCopies, 1, kMaxCopies);
  PrintCurrentCopy = 1;
  {
    std::lock_guard<std::mutex> lock(runMutex_);
    printFile_ = job->File;
    printPostScript_ = job->Printer->kind() == platform::PrinterKind::postscript_file;
  }
  printControl_->Abort = 0;
  printControl_->StopPrinting = 0;
  printStopRequested_ = false;
  result_.PrintedFile = job->File;
  PrintBusy = 1;
  outlets_.Notifier->Send(MN_JOB_LED_ON, 3);
  outlets_.Window->SetPrintButtonCaption(ShellMessage(Language(), ShellText::kStopPrintButton));
  printThreadDone_ = false;
  printThread_ = std::thread([this, job] { RunPrintJob(*job); });
  return true;
}

namespace {

// Removes the page images a previous print left in the folder, so that it holds this
// document's pages only.
void ClearOldPageImages(const std::string& folder) {
  for (const platform::DirEntry& e : platform::find_files(JoinPath(folder, "page*.png"), 0))
    platform::erase_file(e.path);
}

// Where one copy goes: the first copy keeps the plain name, later copies get "_N" so that no
// copy overwrites another.
std::string CopyOutput(platform::PrinterKind kind, const std::string& file, int copy,
                       const FileContext& files) {
  const std::string ps = ChangeFileExtension(file, "ps");
  const std::string suffix = copy > 1 ? "_" + std::to_string(copy) : std::string();
  switch (kind) {
    case platform::PrinterKind::postscript_file:
      return MakePostScriptFileName(ps.substr(0, ps.size() - 3) + suffix + ".ps", files);
    case platform::PrinterKind::png_folder:
      return MakePostScriptFileName(ps.substr(0, ps.size() - 3) + "_pages" + suffix, files);
    case platform::PrinterKind::cups:
      break;
  }
  return std::string();
}

}  // namespace

void JobControl::SetUpPrintContext(PageEngineContext& ctx, const PrintJob& job,
                                   FormattedFileCache& cache) {
  ctx.Settings = &job.Snapshot;
  ctx.Fonts = {printSetup_->Fonts.PrinterFonts.get(), printSetup_->Fonts.PreviewFonts.get(),
               printSetup_->PrinterData.get(), &printSetup_->Fonts.AutoVariant};
  ctx.Cache = &cache;
  ctx.Notifier = outlets_.Notifier;
  ctx.Files = job.Files;
  ctx.Print = printControl_.get();
}

void JobControl::BindPrintContext(PageEngineContext* ctx) {
  std::lock_guard<std::mutex> lock(runMutex_);
  currentPrint_ = ctx;
  if (outlets_.ConsoleView) outlets_.ConsoleView->Page = ctx;
}

void JobControl::RunPdfPrintJob(PrintJob& job) {
  PrintCurrentCopy = 1;
  FormattedFileCache cache;
  PageEngineContext ctx;
  SetUpPrintContext(ctx, job, cache);
  BindPrintContext(&ctx);
  PdfJob pdf;
  pdf.Engine = &ctx;
  pdf.Printer = job.Printer;
  pdf.FileName = platform::resolve_path(job.File);
  const PdfJobResult made = RunPdfJob(pdf);
  const bool fatal = !ctx.ThreadErrorText.empty();
  BindPrintContext(nullptr);
  result_.PrintOutput = made.PsFile;
  result_.PrintedPages = made.Pages;
  result_.PrintedFiles.clear();
  if (made.ConverterStarted && made.Conversion.ok())
    result_.PrintedFiles.push_back(made.Conversion.PdfFile);
  // A fatal engine error is shown by the main window on code 13 with value 2, sent by the
  // engine itself.
  if (!fatal && !made.ok()) Fail(made.Error);
  PrintExitCode = fatal || !made.ok() ? kExitJobFailed : kExitOk;
  if (!fatal) outlets_.Notifier->Send(MN_PRINT_DONE, 0);
  printThreadDone_ = true;
}

void JobControl::RunPrintJob(PrintJob& job) {
  SyncEditorFile("taf,fmt", job.Files);
  if (job.PostScript) return RunPdfPrintJob(job);
  platform::Printer& printer = *job.Printer;
  PageSelection selection;
  if (!job.Options.PageList.empty()) ParsePageList(job.Options.PageList, selection);
  selection.Inverted = job.Options.ExcludePages;
  selection.OddPages = job.Options.PrintOddPages;
  selection.EvenPages = job.Options.PrintEvenPages;
  const int copies = PrintCopies.load();
  bool fatal = false;
  int pages = 0;
  std::vector<std::string> written;
  std::string error;
  // A stop pressed before the first copy began still lets its current page (the first) print.
  for (int copy = 1; copy <= copies && !printControl_->Abort.load() &&
                     (copy == 1 || !printStopRequested_.load()) && error.empty();
       ++copy) {
    PrintCurrentCopy = copy;
    std::string output = CopyOutput(printer.kind(), job.File, copy, job.Files);
    if (printer.kind() == platform::PrinterKind::png_folder) ClearOldPageImages(output);
    // The printer opens files by their names on disk (UTF-8); messages show the suite's name.
    const std::string shownOutput = output;
    if (!output.empty()) output = platform::resolve_path(output);
    if (copy == 1) result_.PrintOutput = output;
    printer.set_output(output);
    printer.set_title(job.Title);

    PrinterPrintSurface surface(printer);
    FormattedFileCache cache;
    PageEngineContext ctx;
    SetUpPrintContext(ctx, job, cache);
    ctx.Printer = &surface;
    ctx.Selection = selection;
    BindPrintContext(&ctx);
    // The engine sends MN_PRINT_DONE with value 2 itself when it stops on a fatal error.
    RenderFormattedPages(ctx, platform::resolve_path(job.File), false, job.PostScript);
    fatal = !ctx.ThreadErrorText.empty();
    BindPrintContext(nullptr);
    if (fatal || surface.Pages() == 0) {
      printer.abort_document();
      if (!fatal) error = Text(MessageId::kNoPagePrinted, {job.File});
      break;
    }
    std::string printerError;
    if (!printer.end_document(&printerError)) {
      error = Text(MessageId::kPrinterError, {printer.name(), printerError});
      break;
    }
    pages += surface.Pages();
    for (const std::string& f : printer.written_files()) written.push_back(f);
    const std::string count = std::to_string(surface.Pages());
    switch (printer.kind()) {
      case platform::PrinterKind::postscript_file:
        Say(Text(MessageId::kPostScriptFilePages, {shownOutput, count}));
        break;
      case platform::PrinterKind::png_folder:
        Say(Text(MessageId::kPngPages, {count, shownOutput}));
        break;
      case platform::PrinterKind::cups:
        Say(Text(MessageId::kPagesSentToPrinter, {count, printer.name()}));
        break;
    }
  }
  result_.PrintedPages = pages;
  result_.PrintedFiles = written;
  if (!error.empty()) Fail(error);
  PrintExitCode = fatal || !error.empty() || pages == 0 ? kExitJobFailed : kExitOk;
  if (!fatal) outlets_.Notifier->Send(MN_PRINT_DONE, 0);
  printThreadDone_ = true;
}

void JobControl::JoinFormatThread() {
  if (formatThread_.joinable()) formatThread_.join();
}

void JobControl::JoinPrintThread() {
  if (printThread_.joinable()) printThread_.join();
}

bool JobControl::StopAndJoinThreads(std::chrono::milliseconds limit) {
  if (preview_) {
    // Closed here, the window keeps its bounds in the settings saved next.
    preview_->CloseWindow();
    if (!preview_->StopAndJoin(limit)) return false;
  }
  StopFormatting();
  AbortPrinting();
  // The threads may be sending to this thread: their codes are served while waiting.
  const bool ended = platform::gui::wait_serving_messages(
      [this] { return formatThreadDone_.load() && printThreadDone_.load(); }, limit);
  if (!ended) return false;
  JoinFormatThread();
  JoinPrintThread();
  return true;
}

void JobControl::OpenInEditor(const std::string& name) {
  if (!FileExistsByOpen(name)) {
    Fail(Text(MessageId::kFileNotFound, {name}));
    return;
  }
  // An editor that already shows the file is raised and told where to go; no second one.
  EditorState.JumpParagraph = EditorJumpParagraph;
  EditorState.JumpPage = EditorJumpPage;
  if (FindEditorWindow(editor_, name, kEditorShowAndJump)) return;
  const std::string editor = store_.Settings.EditorFileName.Str();
  if (editor.empty() || !FileExistsByOpen(editor)) {
    Fail(Text(MessageId::kEditorNotFound));
    return;
  }
  std::vector<std::string> args{name};
  const std::string upper = MakeUpperCase(editor);
  if (EditorJumpParagraph > 0 && Contains(upper, "DUNMOOR"))
    args.push_back("/PAR:" + std::to_string(EditorJumpParagraph));
  else if (EditorJumpPage > 0 && Contains(upper, "DUNMOOR"))
    args.push_back("/PAGE:" + std::to_string(EditorJumpPage));
  // An argument list, no shell: blanks in the name stay inside the one argument.
  const platform::SpawnResult started = platform::start_program(editor, args);
  if (!started.ok())
    Fail(ShellMessage(Language(), ShellText::kEditorNotAvailable, {started.error}));
}

void JobControl::AttachEditor(const EditorLink& link) {
  editor_ = link;
  editor_.State = &EditorState;
  CloseEditorWindow = [this](const std::string& file) {
    return FindEditorWindow(editor_, file, kEditorClose);
  };
}

bool JobControl::SyncEditorFile(const std::string& kind, const FileContext& files) const {
  return tavrel::SyncEditorFile(editor_, kind, files);
}

void JobControl::CloseDocumentEditors() {
  if (currentDocument_.empty()) return;
  for (const char* extension : {"ws", "fmt", "fun", "taf", "toc"})
    FindEditorWindow(editor_, ExtractFileNamePart(ChangeFileExtension(currentDocument_, extension)),
                     kEditorClose);
}

bool JobControl::FontSampleEntry(std::uint8_t number, bool alternate, std::string& face,
                                 double& points, std::int32_t& colour) {
  if (!Prepare(true, MadeSetup(sampleSetup_))) return false;
  if (number == 0) number = alternate ? store_.Settings.AlternateFont : store_.Settings.NormalFont;
  if (number < 1 || number > kFontCount) return false;
  const TFontEntry& entry = sampleSetup_->PrinterData->Fonts[number - 1];
  face = entry.FaceName.Str();
  points = entry.Size;
  colour = entry.Colour;
  return !face.empty();
}

void JobControl::StartCompiler(bool html) {
  if (currentDocument_.empty()) return;
  const std::string compiler = store_.Settings.CompilerFileName.Str();
  if (compiler.empty() || !FileExistsByOpen(compiler)) {
    Fail(ShellMessage(Language(), ShellText::kCompilerNotFound));
    return;
  }
  // Each parameter is its own argument, so blanks in the folders do not split them.
  std::vector<std::string> args{JoinPath(ExtractDirectoryPart(compiler), "tavrel.ini")};
  if (html) args.push_back("/html");
  args.insert(args.end(), {"/q", "/hold", currentDocument_});
  const platform::SpawnResult started = platform::start_program(compiler, args);
  if (!started.ok()) Fail(started.error);
}

std::string JobControl::DotCommandHelp(const std::string& command) {
  std::int16_t panel = 0;
  std::string text;
  FollowLanguage(help_, Language());
  LookUpDotCommandHelp(help_, command, panel, text);
  return text;
}

bool JobControl::FormatFont(std::uint8_t number, std::string& family, double& points) const {
  // The job thread reads the format fonts too, but only this thread writes them.
  if (number < 1 || number > kFontCount || !formatSetup_.Fonts.PrinterFonts) return false;
  const TFontEntry& font = formatSetup_.Fonts.PrinterFonts->Fonts[number - 1];
  if (font.FaceName.Str().empty()) return false;
  family = font.FaceName.Str();
  points = font.Size;
  return true;
}

void JobControl::ShowHelpTopic(int number) {
  FollowLanguage(help_, Language());  // the settings may have changed it since the start
  std::ostringstream printed;         // the console outlet writes the line itself
  const std::string line = tavrel::ShowHelpTopic(help_, number, printed);
  if (!line.empty()) Say(line);
}

}  // namespace tavrel

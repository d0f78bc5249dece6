#include "formatter/app/command_line_jobs.h"

#include <filesystem>
#include <memory>
#include <optional>

#include "formatter/app/command_line.h"
#include "formatter/app/console_notifier.h"
#include "formatter/app/font_definition_writer.h"
#include "formatter/common/bilingual_texts.h"
#include "formatter/common/file_services.h"
#include "formatter/common/messages.h"
#include "formatter/common/settings_record.h"
#include "formatter/fonts/printer_measure.h"
#include "formatter/formatting/format_run.h"
#include "formatter/formatting/formatting_run.h"
#include "formatter/hyphenation/hyphenation.h"
#include "formatter/pages/page_engine.h"
#include "formatter/pages/page_state.h"
#include "formatter/pages/print_surface.h"
#include "platform/files.h"
#include "platform/fonts.h"

namespace tavrel {

namespace {

constexpr const char* kVersion = "0.99a";

std::string UpperName(const std::string& name) { return MakeUpperCase(name); }

bool Contains(const std::string& text, const char* part) {
  return text.find(part) != std::string::npos;
}

// One command-line run: the settings, the printers and the console outlets it reports to.
class CommandLineSession {
 public:
  explicit CommandLineSession(const TavrelEnvironment& env)
      : env_(env),
        ownConsole_(env.Console ? nullptr
                                : std::make_unique<platform::Console>(platform::CodePage::cp1252)),
        console_(env.Console ? *env.Console : *ownConsole_),
        boxes_(console_, env.Answer ? env.Answer : TerminalAnswerer(console_)),
        list_(console_),
        notifier_(console_, view_, env.ShowProgress) {
    boxes_.BeforeWrite = [this] { notifier_.EndProgressLine(); };
    list_.BeforeWrite = [this] { notifier_.EndProgressLine(); };
  }

  TavrelRunResult Run(const std::vector<std::string>& args);

 private:
  std::string Text(MessageId id, MessageArgs args = {}) const {
    return MessageText(Settings().Language, id, args);
  }
  const TSettingsRecord& Settings() const { return store_.Settings; }
  void Say(const std::string& text) { console_.write_line("Tavrel: " + text); }
  void Fail(const std::string& text) { boxes_.ShowMessageBox(text, kBoxError); }

  void LoadSettingsAndPrinters();
  void SelectDefaultPrinter();
  bool OpenDocument(const std::string& name);
  void PrepareContexts();
  bool Prepare(bool useCurrentPrinter);
  int FormatJob();
  int PrintJob();
  std::string AbsoluteName(const std::string& name) const;
  void WriteFontDefinition();

  const TavrelEnvironment& env_;
  std::unique_ptr<platform::Console> ownConsole_;
  platform::Console& console_;
  ConsoleMessageBoxes boxes_;
  ConsoleMessageList list_;
  ConsoleJobView view_;
  ConsoleNotifier notifier_;

  SettingsStore store_;
  SettingsEnvironment settingsEnv_;
  std::optional<platform::PrinterList> ownPrinters_;
  platform::PrinterList* printers_ = nullptr;
  PrinterSetup setup_;
  PrepareContext prepare_;
  std::unique_ptr<ConsoleMeasureProgress> progress_;
  bool fontsMissing_ = false;

  TavrelCommandLine line_;
  TavrelRunResult result_;
};

std::string CommandLineSession::AbsoluteName(const std::string& name) const {
  if (!name.empty() && (platform::is_path_separator(name[0]))) return name;
  const std::string base =
      env_.CurrentDirectory.empty() ? platform::current_directory() : env_.CurrentDirectory;
  return JoinPath(base, name);
}

void CommandLineSession::LoadSettingsAndPrinters() {
  settingsEnv_.ProgramDirectory = env_.ProgramDirectory;
  settingsEnv_.SettingsDirectory = env_.SettingsDirectory.empty()
                                       ? ChooseSettingsDirectory(env_.ProgramDirectory)
                                       : env_.SettingsDirectory;
  settingsEnv_.CurrentDirectory =
      env_.CurrentDirectory.empty() ? platform::current_directory() : env_.CurrentDirectory;
  settingsEnv_.Boxes = &boxes_;
  std::uint8_t firstStart = 0;
  LoadSettings(store_, settingsEnv_, firstStart);
  view_.Language = Settings().Language;

  if (env_.Printers) {
    printers_ = env_.Printers;
  } else {
    ownPrinters_.emplace(platform::PrinterList::from_machine());
    printers_ = &*ownPrinters_;
  }
  SelectDefaultPrinter();
  if (Settings().VersionStamp < 99)
    ResetPrinterDataAfterUpdate(*printers_, settingsEnv_.SettingsDirectory, Settings().Language,
                                &boxes_);
}

// Windows' default printer has no twin here; the virtual PostScript printer stands in for it
// unless the environment names another installed printer.
void CommandLineSession::SelectDefaultPrinter() {
  int index = env_.DefaultPrinter.empty() ? -1 : printers_->index_of(env_.DefaultPrinter);
  if (index < 0 && !env_.DefaultPrinter.empty())
    Say(Text(MessageId::kPrinterNotFound, {env_.DefaultPrinter}));
  if (index < 0) index = printers_->index_of(platform::kPostScriptPrinterName);
  if (index >= 0) printers_->select(index);
}

void CommandLineSession::WriteFontDefinition() {
  const std::string printer = printers_->count() ? printers_->selected().name() : std::string();
  const std::vector<std::string> fonts =
      env_.FontFamilies.empty() ? platform::list_font_families() : env_.FontFamilies;
  auto info = [this](const std::string& text) { list_.AddLine("INFO: " + text, 0); };
  if (!WriteFontDefinitionFile(settingsEnv_.SettingsDirectory, printer, fonts, Settings().Language,
                               info))
    Fail(Text(MessageId::kFileCannotBeWritten,
              {FontDefinitionFilePath(settingsEnv_.SettingsDirectory)}));
}

void CommandLineSession::PrepareContexts() {
  FontDefinitionContext& fonts = prepare_.FontFile;
  fonts.ProgramDirectory = settingsEnv_.SettingsDirectory;
  fonts.Language = Settings().Language;
  fonts.VersionStamp = Settings().VersionStamp;
  fonts.Boxes = &boxes_;
  fonts.EnsureFontDefinitionFile = [this](bool) { WriteFontDefinition(); };
  fonts.ReportFatalOutputError = [this](int, const std::string& german,
                                        const std::string& english) {
    fontsMissing_ = true;
    Fail(ShowMessage(Settings().Language, MessageTexts{german, english}));
  };

  progress_ = std::make_unique<ConsoleMeasureProgress>(console_, Settings().Language);
  PrinterMeasureContext& measure = prepare_.Measure;
  measure.ProgramDirectory = settingsEnv_.SettingsDirectory;
  measure.Language = Settings().Language;
  measure.Boxes = &boxes_;
  measure.Printers = printers_;
  // Without a printer dialog the selected printer is taken, and the console says so.
  measure.ChoosePrinter = [this] {
    if (printers_->count() == 0) return false;
    Say(Text(MessageId::kPrinterTaken, {printers_->selected().name()}));
    return true;
  };
  measure.Progress = progress_.get();

  prepare_.MainWindow = &notifier_;
  view_.WriteFontDefinition = [this] { WriteFontDefinition(); };
  prepare_.Dialog = [this](platform::PrinterList& printers) {
    if (printers.count() == 0) return false;
    Say(Text(MessageId::kFormattingRefersToPrinter, {printers.selected().name()}));
    return true;
  };
  // No printer at all: the box has been shown and the job does not start.
  prepare_.EndProgram = [] {};
}

bool CommandLineSession::Prepare(bool useCurrentPrinter) {
  fontsMissing_ = false;
  const bool prepared =
      PrepareFontsAndPrinter(useCurrentPrinter, setup_, store_.Settings, prepare_);
  // Formatting with empty font tables would measure every character as 0 dots wide.
  return prepared && !fontsMissing_;
}

bool CommandLineSession::OpenDocument(const std::string& given) {
  const std::string name = AbsoluteName(given);
  const std::string upper = UpperName(name);
  if (Contains(upper, ".RTF")) {
    Fail(Text(MessageId::kRtfNotAvailable, {name}));
    return false;
  }
  if (!Contains(upper, ".WS") && !Contains(upper, ".TXT") && !Contains(upper, ".SKT") &&
      !Contains(upper, ".FMT") && !Contains(upper, ".TAF")) {
    Fail(Text(MessageId::kNotADocumentFile, {name}));
    return false;
  }
  FileContext files;
  files.Settings = &store_.Settings;
  result_.Document = ChooseFileExtension(name, "ws", files);
  const std::string directory = ExtractDirectoryPart(result_.Document) + "/";
  // The last dialog directory is a convenience: a longer folder name is not stored cut.
  if (directory.size() <= 199 && directory != GetTutorialDirectory(store_))
    store_.Settings.LastOpenDirectory.Assign(directory);
  return true;
}

int CommandLineSession::FormatJob() {
  const std::string& source = result_.Document;
  const std::string fmt = ChangeFileExtension(source, "fmt");
  if (FileExistsByOpen(fmt)) {
    const auto fmtDate = GetFileDate(fmt);
    const auto sourceDate = GetFileDate(source);
    if (fmtDate && sourceDate && *fmtDate > *sourceDate &&
        boxes_.AskMessageBox(Text(MessageId::kFormattedFileChangedByHand), kBoxConfirmation,
                             BoxButtons::YesNo) != kAnswerYes)
      return kExitNotStarted;
  }
  if (!Prepare(false)) return kExitNotStarted;

  // The job works on a snapshot of the settings taken now.
  FormatRun run(store_.Settings, *setup_.PrinterData, RunOutlets{list_, boxes_, notifier_});
  run.Files.CurrentDocument = source;
  run.Files.ProgramDirectory = env_.ProgramDirectory;
  run.Files.Settings = &run.Settings;
  run.Hyphenator = std::make_unique<RuleHyphenator>();
  run.AutoVariants = &setup_.Fonts.AutoVariant;
  run.Run.ConditionText = line_.Conditions;
  view_.Run = &run;
  FormatFile(run, source);
  view_.Run = nullptr;
  notifier_.EndProgressLine();

  result_.FormattedFile = run.Run.OutputName;
  result_.FormattedPages = run.Pages.Streams[kTextStream].PageCount;
  const bool failed =
      run.Messages.ErrorCount > 0 || run.Messages.AbortRequested.load() != 0 || run.Run.Stop;
  if (!failed)
    Say(Text(MessageId::kFormattedFilePages,
             {result_.FormattedFile, std::to_string(result_.FormattedPages)}));
  else
    Say(Text(MessageId::kFormattingEndedWithErrors, {result_.FormattedFile}));
  return failed ? kExitJobFailed : kExitOk;
}

// Removes the page images a previous print left in the folder, so that it holds this
// document's pages only.
void ClearOldPageImages(const std::string& folder) {
  for (const platform::DirEntry& e : platform::find_files(JoinPath(folder, "page*.png"), 0))
    platform::erase_file(e.path);
}

int CommandLineSession::PrintJob() {
  if (!Prepare(true)) return kExitNotStarted;
  FileContext files;
  files.CurrentDocument = result_.Document;
  files.ProgramDirectory = env_.ProgramDirectory;
  const TSettingsRecord snapshot = store_.Settings;
  files.Settings = &snapshot;
  const std::string file = ChooseFileExtension(result_.Document, "taf,fmt", files);
  result_.PrintedFile = file;

  platform::Printer& printer = printers_->selected();
  std::string output;
  switch (printer.kind()) {
    case platform::PrinterKind::postscript_file:
      output = MakePostScriptFileName(ChangeFileExtension(file, "ps"), files);
      break;
    case platform::PrinterKind::png_folder: {
      const std::string ps = ChangeFileExtension(file, "ps");
      output = MakePostScriptFileName(ps.substr(0, ps.size() - 3) + "_pages", files);
      ClearOldPageImages(output);
      break;
    }
    case platform::PrinterKind::cups:
      break;  // the queue gets the document through lp
  }
  // The printer and the page engine open files by their names on disk (UTF-8), not through
  // the file layer's character-set and case rules: they get the resolved names.
  const std::string shownOutput = output;
  if (!output.empty()) output = platform::resolve_path(output);
  printer.set_output(output);
  printer.set_title(ExtractFileNamePart(file));
  result_.PrintOutput = output;

  PrinterPrintSurface surface(printer);
  PrintControl control;
  FormattedFileCache cache;
  PageEngineContext ctx;
  ctx.Settings = &snapshot;
  ctx.Fonts = {setup_.Fonts.PrinterFonts.get(), setup_.Fonts.PreviewFonts.get(),
               setup_.PrinterData.get(), &setup_.Fonts.AutoVariant};
  ctx.Cache = &cache;
  ctx.Notifier = &notifier_;
  ctx.Files = files;
  ctx.Printer = &surface;
  ctx.Print = &control;
  view_.Page = &ctx;
  view_.PrintFileName = file;
  view_.PrintToPostScriptFile = printer.kind() == platform::PrinterKind::postscript_file;
  RenderFormattedPages(ctx, platform::resolve_path(file), false, false);
  view_.Page = nullptr;
  notifier_.EndProgressLine();

  const bool fatal = notifier_.OutputFailed() || !ctx.ThreadErrorText.empty();
  if (fatal || surface.Pages() == 0) {
    printer.abort_document();
    if (!fatal) Fail(Text(MessageId::kNoPagePrinted, {file}));
    return kExitJobFailed;
  }
  std::string error;
  if (!printer.end_document(&error)) {
    Fail(Text(MessageId::kPrinterError, {printer.name(), error}));
    return kExitJobFailed;
  }
  result_.PrintedPages = surface.Pages();
  result_.PrintedFiles = printer.written_files();
  const std::string pages = std::to_string(result_.PrintedPages);
  switch (printer.kind()) {
    case platform::PrinterKind::postscript_file:
      Say(Text(MessageId::kPostScriptFilePages, {shownOutput, pages}));
      break;
    case platform::PrinterKind::png_folder:
      Say(Text(MessageId::kPngPages, {pages, shownOutput}));
      break;
    case platform::PrinterKind::cups:
      Say(Text(MessageId::kPagesSentToPrinter, {pages, printer.name()}));
      break;
  }
  return kExitOk;
}

TavrelRunResult CommandLineSession::Run(const std::vector<std::string>& args) {
  LoadSettingsAndPrinters();
  if (printers_->count() == 0) {
    Fail(Text(MessageId::kPrinterRequired));
    return result_;
  }
  const std::string current =
      env_.CurrentDirectory.empty() ? platform::current_directory() : env_.CurrentDirectory;
  line_ = ParseTavrelCommandLine(args, [&](const std::string& name) {
    const std::string full =
        name.empty() || platform::is_path_separator(name[0]) ? name : JoinPath(current, name);
    return platform::file_exists(full) || platform::directory_exists(full);
  });
  if (line_.ConditionsCut) Fail(Text(MessageId::kConditionWordsCut, {line_.Conditions}));
  for (const std::string& ignored : line_.Ignored)
    Say(Text(MessageId::kParameterIgnored, {ignored}));

  int exitCode = kExitNotStarted;
  if (line_.Empty || line_.Document.empty()) {
    console_.write(TavrelUsageText(Settings().Language));
  } else if (!FileExistsByOpen(AbsoluteName(line_.Document))) {
    Fail(Text(MessageId::kDocumentDoesNotExist, {line_.Document}));
  } else if (IsGraphicsFileName(line_.Document)) {
    Fail(Text(MessageId::kGraphicsFileNeedsWindow, {line_.Document}));
  } else if (OpenDocument(line_.Document)) {
    PrepareContexts();
    if (line_.CloseAfterFormat)
      exitCode = FormatJob();
    else if (line_.CloseAfterPrint)
      exitCode = PrintJob();
    else
      console_.write(TavrelUsageText(Settings().Language));
  }
  // As the main window's close: the settings are written back when they changed.
  if (!SaveSettings(store_, settingsEnv_) && exitCode == kExitOk) exitCode = kExitJobFailed;
  result_.ExitCode = exitCode;
  return result_;
}

}  // namespace

std::string TavrelUsageText(std::uint8_t language) {
  return std::string("Tavrel ") + kVersion + "\n" + MessageText(language, MessageId::kUsage);
}

TavrelRunResult RunTavrelCommandLine(const std::vector<std::string>& args,
                                     const TavrelEnvironment& env) {
  CommandLineSession session(env);
  return session.Run(args);
}

}  // namespace tavrel

#include "compiler/passes/compile_hypertext.h"

#include <chrono>
#include <ctime>
#include <string>

#include "compiler/foundation/file_names.h"
#include "compiler/foundation/source_buffer.h"
#include "compiler/foundation/toggles.h"
#include "compiler/passes/compiler_run.h"
#include "compiler/passes/graphics_refresh.h"
#include "compiler/passes/heading_lines.h"
#include "compiler/passes/heading_pass.h"
#include "compiler/passes/index_store.h"
#include "compiler/passes/link_pass.h"
#include "compiler/passes/output_filter.h"
#include "compiler/passes/output_pass.h"
#include "compiler/passes/run_preparation.h"
#include "compiler/passes/source_char_output.h"
#include "compiler/passes/source_reader.h"
#include "compiler/passes/table_scanner.h"
#include "compiler/passes/target_selection.h"
#include "compiler/passes/topic_switch.h"
#include "compiler/writers/external_links.h"
#include "compiler/writers/help_contents.h"
#include "compiler/writers/help_project.h"
#include "compiler/writers/help_tables.h"
#include "compiler/writers/html_page.h"
#include "compiler/writers/html_start.h"
#include "compiler/writers/line_blocks.h"
#include "compiler/writers/link_writer.h"
#include "compiler/writers/lists_and_blocks.h"
#include "compiler/writers/markup.h"
#include "compiler/writers/output_files.h"
#include "compiler/writers/rtf_header.h"
#include "compiler/writers/summary_page.h"
#include "compiler/writers/winhelp_topic.h"
#include "platform/files.h"

namespace skeldon {

namespace {

constexpr const char* kRtfTextAddress = "https://corvina.invalid/skeldon";

bool IsWinHelp(const TTargetFlags& t) { return t.RtfFamily && !t.RtfText; }

void AddCondition(CompilerRun& run, const char* name) {
  TSwitches& sw = run.Switches;
  if (sw.ConditionCount < kMaxConditions) sw.ConditionNames[sw.ConditionCount++] = name;
}

// The target's names as conditions for .IF, and the announcement line.
void AnnounceTarget(CompilerRun& run) {
  TSwitches& sw = run.Switches;
  const TTargetFlags& t = run.Ini.TargetFlags;
  std::string line = sw.SourceFileName + " --> ";
  if (t.Html) {
    AddCondition(run, "html");
    if (t.HtmlHelp) AddCondition(run, "htmlhelp");
    line += sw.OutputDirectory + "\\" + sw.PageNamePrefix + "*" + run.FileNames.PageExtension;
  } else if (t.Ipf) {
    AddCondition(run, "ipf");
    line += SetFileExtension(sw.SourceFileName, "IPF");
  } else {
    AddCondition(run, "winhelp");
    AddCondition(run, t.WinHelp3 ? "winhelp3" : "winhelp4");
    line += SetFileExtension(sw.SourceFileName, "RTF");
  }
  run.Reporter.WriteLine(line, false);
}

void TakeRunStartTime(CompilerRun& run) {
  if (run.SummaryPage.Clock) {
    run.SummaryPage.RunStartTime = run.SummaryPage.Clock().Time;
    return;
  }
  run.SummaryPage.RunStartTime = ReadClock(run).Time;
}

void SetProgress(CompilerRun& run, std::int32_t step, bool percent) {
  run.ReporterState.ProgressCounter = 0;
  run.ReporterState.ProgressStep = step;
  run.ReporterState.ProgressShowPercent = percent;
}

// Before the heading pass: the working state of the passes starts afresh.
void ResetPassState(CompilerRun& run) {
  TCompileContext& cx = run.Compile;
  const bool shortcut = cx.PlainTextShortcut;  // chosen by the caller, not by the passes
  cx = TCompileContext{};
  cx.PlainTextShortcut = shortcut;
  run.LineDrawing.LineDrawingActive = false;
  run.Source.LineEndCount = 0;
  // The toggle characters were rewritten in the block since any line was copied.
  ForgetLineCopies(run.Source);
  run.Markup.PendingLineEnds = 0;
  run.Passes.FileHasFootnotes.fill(false);
  run.Passes.GraphicCharIndex.fill(0);
  run.Passes.GraphicFileNames.clear();
  run.Markup.CollectingHeading = false;
  run.HtmlPage.EmptyPageOpen = false;
  run.Markup.FormatMode = true;
  run.Markup.LineBlockOpen = false;
  run.Markup.PreFontBlock = false;
  cx.FootnoteAnchorText = run.Ini.TargetFlags.Ipf ? "*" : "**";
  run.LinkWriter.InternalLinkCount = 0;
  run.LinkWriter.ExternalLinkCount = 0;
  run.Markup.IndentLevel = 0;
  run.Markup.MarginLevel = 0;
  run.Passes.InFootnote = false;
  run.HtmlPage.HtmlIndentDepth = 0;
  run.HelpProject.BrowseButtonsWanted = false;
  run.IndexStore.FrameGroupsUsed = false;
  // The project file names of an earlier run must not reach this run's summary page.
  run.HelpProject.HhpFileName.clear();
  run.HelpProject.HpjFileName.clear();
  run.OutputFiles.CreatedFiles.clear();
  ResetIndexChar(run);
  if (run.Ini.TargetFlags.HtmlHelp) SetChmFileName(run);
}

void StartRtfFile(CompilerRun& run) {
  const TTargetFlags& t = run.Ini.TargetFlags;
  WriteMessage(run, MessageId::WritingRtfFile, false);
  RewriteOutputFile(run, SetFileExtension(run.Switches.SourceFileName, "RTF"));
  std::string& out = run.Passes.OutputFile;
  out += "{\\rtf1 \\ri50{\\ansi {\\info";
  if (t.RtfText)
    out += std::string("{\\comment created by Skeldon 4.22 ") + kRtfTextAddress + "}";
  else
    out += "{\\generator Skeldon 4.22}";
  out += "}\r\n";
  WriteRtfColorTable(run);
  WriteRtfFontTable(run);
  if (run.Ini.AutomaticHeadingEnumeration) WriteRtfStyleSheet(run);
  run.Compile.TopicCounter = 0;
  const bool contents = run.Ini.CreateContents && run.Switches.ContentsDepth > 0;
  if (t.RtfText) {
    if (contents) WriteRtfContents(run);
  } else if (run.Ini.ContentsInternal && contents) {
    run.Passes.OutputFile += "\\line\r\n";
    WriteWinHelpTopicStart(run, "INDEX", 0, nullptr);
    WriteRtfContents(run);
  }
}

void StartIpfFile(CompilerRun& run) {
  WriteMessage(run, MessageId::WritingIpfFile, false);
  // The whole name: a cut path would write the file somewhere else.
  run.Switches.IpfFileName = SetFileExtension(run.Switches.SourceFileName, "IPF");
  RewriteOutputFile(run, run.Switches.IpfFileName);
  run.Passes.OutputFile += ":userdoc.\r\n:docprof toc=123456.\r\n";
}

// Before the output pass: its state starts afresh and the source is rewound.
void PrepareOutputPass(CompilerRun& run) {
  TCompileContext& cx = run.Compile;
  ResetListState(run);
  run.Markup.RtfIndentGroupOpen = false;
  run.Navigation.HeadingCursor.fill(nullptr);
  cx.NextHeadingOrder = 0;
  ResetIndexChar(run);
  run.Reader.ConditionOn = true;
  run.Reader.IfOpen = false;
  run.Reader.SoftSpacesAsBlanks = false;
  InitBoxCharTable(run);
  cx.CenterPending = false;
  run.Markup.CenteredBlockOpen = false;
  SetTableOpen(run, false);
  for (auto& style : run.LinkPass.HeadingLevelStyles) style = THeadingLevelStyle{};
  run.Passes.OutputColumn = 0;
  run.Numbering.ReservationList.clear();
  ResetFrameGroupState(run);
  run.LinkPass.ExternalBlock = false;
  run.LinkPass.LocalLinks = true;
  run.LinkPass.UrlBlock = false;
  cx.ExternalBlock = false;
  cx.LinkModeExternal = false;
  cx.LinkModeLocal = true;
  cx.LinkModeUrl = false;
  run.LinkPass.CaseFreeIndex = false;
  run.LinkWriter.OpenLinkEnd = 0;
  run.Reader.PrePassRunning = false;
  run.Markup.RunningFontLetter = '@';
  run.Markup.AlternateFontLetter = '@';
  run.Markup.CurrentFontLetter = '@';
  run.Passes.CurrentTopicNode = nullptr;
  run.Passes.CurrentFrameGroupNumber = -1;
  cx.FootnoteMarkersSet = false;
  cx.FootnoteFont = '@';
  run.Toggles.ToggleState.fill(false);
  InstallSourceCharOutput(run);
  RewindSource(run);
  PrimeReaderWindow(run);
}

void FinishText(CompilerRun& run) {
  const TTargetFlags& t = run.Ini.TargetFlags;
  TCompileContext& cx = run.Compile;
  FilterOutputChar(run, 0);
  CloseOpenLink(run);
  // Blocks and footnotes left open at the end are reported and closed.
  if (cx.HeadingTextPending) {
    cx.HeadingTextPending = false;
    WriteHeadingLine(run, false);
  }
  if (run.Passes.InFootnote) {
    ReportMissingFootnoteEnd(run);
    EmitRunningChar(run, cx.FootnoteEndChar);
  }
  if (run.Tables.TableOpen) {
    run.Reporter.ReportSourceError(MessageId::TableEndMissing, 0);
    SetTableOpen(run, false);
    run.Tables.Cells.clear();
  }
  if (run.LineDrawing.LineDrawingActive) {
    run.Reporter.ReportSourceError(MessageId::LineDrawingEndMissing, 0);
    run.LineDrawing.LineDrawingActive = false;
    run.Markup.FormatMode = run.LineDrawing.SavedFormattedText;
    run.CharConversion.Context.InLineDrawingBlock = false;
  }
  if (t.Html || t.Ipf) {
    if (run.Markup.ListLevel > 0) run.Passes.OutputFile += "\r\n";
    while (run.Markup.ListLevel > 0) CloseLists(run);
  }
  run.Passes.OutputFile += "\r\n";
}

std::string SummaryPageName(CompilerRun& run) {
  return NormalizeFileName(run, run.Switches.OutputDirectory + run.FileNames.PageExtension);
}

}  // namespace

namespace {

void LoadGivenText(CompilerRun& run, const std::string& text) {
  if (text.empty()) {
    run.Reporter.ReportSourceError(MessageId::SourceFileEmpty, 0);
    run.Reporter.Terminate(CompletedOrFailed(run, ExitCode::InputFailed));
  }
  run.Source.Data = text;
  run.Source.Position = 0;
  run.Source.Loaded = true;
  ForgetLineCopies(run.Source);
}

void RunCompile(CompilerRun& run, const std::string* givenText) {
  // However the run ends, the files handed to the background writer are on disk before the
  // caller looks at them.
  struct TWriterEnd {
    CompilerRun& Run;
    ~TWriterEnd() { Run.Passes.Writer.reset(); }
  } writerEnd{run};
  TSwitches& sw = run.Switches;
  TCompileContext& cx = run.Compile;
  if (sw.SourceFiles.empty()) {
    WriteMessage(run, MessageId::EnterSourceFileFirst, true);
    run.Reporter.Terminate(CompletedOrFailed(run, ExitCode::InputFailed));
  }
  PrepareCompileRun(run);
  ResetLinkLists(run);
  run.Reporter.NotifyRunStart();
  run.SummaryPage.GraphicFiles.clear();
  run.SummaryPage.UsedGraphicFileCount = 0;
  run.SummaryPage.BitmapDirectoryUsed = false;
  run.OutputFiles.FirstOutputFilePending = true;
  run.Reader.PrePassRunning = true;
  SetFileOpenReadOnly(run, true);
  run.HtmlPage.EveryHeadFileExists =
      FileExistsWithSize(run, sw.PageNamePrefix + "EVERY" + run.HtmlPage.HeadIncludeExtension);
  ApplyTargetOverride(run);
  if (run.Ini.TargetFlags.WinHelp3) sw.NoFrames = true;
  AnnounceTarget(run);
  TakeRunStartTime(run);
  WriteMessage(run, MessageId::ReadingSourceFile, false);
  if (givenText)
    LoadGivenText(run, *givenText);
  else
    LoadSourceFiles(run);
  run.Toggles.SetIdentity();
  if (!sw.WordStarInput)
    ChooseInternalToggleChars(run);
  else
    run.Toggles.InternalToggleChars = run.Ini.ToggleChars;
  BuildToggleCharTable(run.Toggles);
  ResetPassState(run);
  InstallGraphicsRefresh(run);

  WriteMessage(run, MessageId::IndexingHeadings, false);
  run.Navigation.ButtonTargets.fill(nullptr);
  SetProgress(run, 30, false);
  IndexHeadings(run);
  const bool footnotesUsed = run.HtmlPage.TextHasFootnotes;
  cx.FootnoteMarkersSet = false;
  run.Reporter.EndProgressLine();

  WriteMessage(run, MessageId::IndexingLinks, false);
  run.ReporterState.ProgressTotal = run.ReporterState.ProgressCounter;
  SetProgress(run, 30, false);
  run.IndexStore.IndexPageWanted = false;
  run.LinkPass.GraphicsDirGiven = false;
  ResetIndexChar(run);
  CollectIndexAndLinks(run);
  run.SummaryPage.BitmapDirectoryUsed = run.LinkPass.GraphicsDirGiven;
  run.HtmlPage.TextHasFootnotes = footnotesUsed;
  if (!run.LinkPass.DocumentTitle.empty()) cx.PageTitle = run.LinkPass.DocumentTitle;
  run.Reporter.EndProgressLine();
  SetProgress(run, 3, true);

  const TTargetFlags& t = run.Ini.TargetFlags;
  StartOutputWriter(run);
  if (t.Html)
    StartHtmlOutput(run);
  else if (t.Ipf)
    StartIpfFile(run);
  else
    StartRtfFile(run);
  if (t.Html) {
    RefreshBackgroundGraphic(run, run.Ini.BodyTags);
    RefreshBackgroundGraphic(run, run.Ini.ContentsTags);
  }
  PrepareOutputPass(run);
  RunOutputPass(run);
  FinishText(run);

  if (t.Html) {
    WritePageEnd(run, true);
    if (run.HtmlPage.NotesFile.Open) CloseNotesPage(run);
    CreateOutputFile(run, "", SummaryPageName(run), false);
    WriteProjectSummary(run);
    CloseOutputFile(run);
  } else if (t.RtfFamily) {
    CloseRtfList(run);
    if (run.Markup.RtfIndentGroupOpen) {
      run.Passes.OutputFile += "}";
      run.Markup.RtfIndentGroupOpen = false;
    }
    WriteTopicEnd(run);
    run.Passes.OutputFile += "}}";
  } else if (t.Ipf) {
    if (!run.Markup.FormatMode) run.Passes.OutputFile += ":elines.\r\n";
    run.Passes.OutputFile += ".br\r\n:euserdoc.\r\n";
  }
  run.Reporter.EndProgressLine();
  if (IsWinHelp(t)) {
    WriteHpjFile(run);
    if (run.Ini.ContentsCntFile) WriteCntFile(run);
  } else if (t.HtmlHelp) {
    WriteHhpFile(run);
  }
  if (!t.Html) CloseOutputFile(run);
  WriteHelpTables(run);
  if (run.Navigation.UserButtonWithoutTarget)
    WriteMessage(run, MessageId::UserButtonWithoutId, false);
  FinishOutputWriter(run);
  run.RunCompleted = true;
  if (t.Html) {
    if (t.HtmlHelp) WriteMessage(run, MessageId::HhpFileCreated, false);
    const std::int64_t n = static_cast<std::int64_t>(run.Numbering.FileCounter) +
                           cx.FrameFileCount + 1 + (run.IndexStore.IndexPageWanted ? 1 : 0);
    WriteMessage(run, {MessageId::HtmlFilesCreated, std::to_string(n)}, false);
    // The name as the file system has it: the page name's casing may differ from the folder
    // the file really went into.
    const std::string summary = SummaryPageName(run);
    WriteMessage(run,
                 {MessageId::InfoFileCreated,
                  run.Passes.StoreFile ? summary : platform::resolve_path(summary)},
                 false);
  } else if (t.Ipf) {
    WriteMessage(run, MessageId::IpfFileCreated, false);
  } else if (t.RtfText) {
    WriteMessage(run, MessageId::RtfFileCreated, false);
  } else {
    WriteMessage(run, MessageId::RtfAndHpjFileCreated, false);
  }
  run.Reporter.Tick();
  ReportMissingGraphics(run);
  FreeSourceBuffer(run);
  if (t.Html && !t.HtmlHelp) run.Reporter.NotifyOutputReady();
}

}  // namespace

void CompileHypertext(CompilerRun& run) { RunCompile(run, nullptr); }

void CompileHypertextText(CompilerRun& run, const std::string& sourceText) {
  RunCompile(run, &sourceText);
}

}  // namespace skeldon

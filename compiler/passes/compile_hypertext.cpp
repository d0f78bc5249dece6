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

namespace skeldon {

namespace {

constexpr const char* kRtfTextAddress = "https://corvina.invalid/skeldon";

bool IsWinHelp(const TTargetFlags& t) { return t.RtfFamily && !t.RtfText; }

void AddCondition(CompilerRun& run, const char* name) {
  TSwitches& sw = run.switches;
  if (sw.ConditionCount < kMaxConditions) sw.ConditionNames[sw.ConditionCount++] = name;
}

// The target's names as conditions for .IF, and the announcement line.
void AnnounceTarget(CompilerRun& run) {
  TSwitches& sw = run.switches;
  const TTargetFlags& t = run.ini.TargetFlags;
  std::string line = sw.SourceFileName + " --> ";
  if (t.Html) {
    AddCondition(run, "html");
    if (t.HtmlHelp) AddCondition(run, "htmlhelp");
    line += sw.OutputDirectory + "\\" + sw.PageNamePrefix + "*" + run.fileNames.PageExtension;
  } else if (t.Ipf) {
    AddCondition(run, "ipf");
    line += SetFileExtension(sw.SourceFileName, "IPF");
  } else {
    AddCondition(run, "winhelp");
    AddCondition(run, t.WinHelp3 ? "winhelp3" : "winhelp4");
    line += SetFileExtension(sw.SourceFileName, "RTF");
  }
  run.reporter.WriteLine(line, false);
}

void TakeRunStartTime(CompilerRun& run) {
  if (run.summaryPage.Clock) {
    run.summaryPage.RunStartTime = run.summaryPage.Clock().Time;
    return;
  }
  run.summaryPage.RunStartTime = ReadClock(run).Time;
}

void SetProgress(CompilerRun& run, std::int32_t step, bool percent) {
  run.reporterState.ProgressCounter = 0;
  run.reporterState.ProgressStep = step;
  run.reporterState.ProgressShowPercent = percent;
}

// Before the heading pass: the working state of the passes starts afresh.
void ResetPassState(CompilerRun& run) {
  TCompileContext& cx = run.compile;
  const bool shortcut = cx.PlainTextShortcut;  // chosen by the caller, not by the passes
  cx = TCompileContext{};
  cx.PlainTextShortcut = shortcut;
  run.lineDrawing.LineDrawingActive = false;
  run.source.LineEndCount = 0;
  run.markup.PendingLineEnds = 0;
  run.passes.FileHasFootnotes.fill(false);
  run.passes.GraphicCharIndex.fill(0);
  run.passes.GraphicFileNames.clear();
  run.markup.CollectingHeading = false;
  run.htmlPage.EmptyPageOpen = false;
  run.markup.FormatMode = true;
  cx.FootnoteAnchorText = run.ini.TargetFlags.Ipf ? "*" : "**";
  run.linkWriter.InternalLinkCount = 0;
  run.linkWriter.ExternalLinkCount = 0;
  run.markup.IndentLevel = 0;
  run.markup.MarginLevel = 0;
  run.passes.InFootnote = false;
  run.htmlPage.HtmlIndentDepth = 0;
  run.helpProject.BrowseButtonsWanted = false;
  // The project file names of an earlier run must not reach this run's summary page.
  run.helpProject.HhpFileName.clear();
  run.helpProject.HpjFileName.clear();
  run.outputFiles.CreatedFiles.clear();
  ResetIndexChar(run);
  if (run.ini.TargetFlags.HtmlHelp) SetChmFileName(run);
}

void StartRtfFile(CompilerRun& run) {
  const TTargetFlags& t = run.ini.TargetFlags;
  WriteMessage(run, MessageId::WritingRtfFile, false);
  RewriteOutputFile(run, SetFileExtension(run.switches.SourceFileName, "RTF"));
  std::string& out = run.passes.OutputFile;
  out += "{\\rtf1 \\ri50{\\ansi {\\info";
  if (t.RtfText)
    out += std::string("{\\comment created by Skeldon 4.22 ") + kRtfTextAddress + "}";
  else
    out += "{\\generator Skeldon 4.22}";
  out += "}\r\n";
  WriteRtfColorTable(run);
  WriteRtfFontTable(run);
  if (run.ini.AutomaticHeadingEnumeration) WriteRtfStyleSheet(run);
  run.compile.TopicCounter = 0;
  const bool contents = run.ini.CreateContents && run.switches.ContentsDepth > 0;
  if (t.RtfText) {
    if (contents) WriteRtfContents(run);
  } else if (run.ini.ContentsInternal && contents) {
    run.passes.OutputFile += "\\line\r\n";
    WriteWinHelpTopicStart(run, "INDEX", 0, nullptr);
    WriteRtfContents(run);
  }
}

void StartIpfFile(CompilerRun& run) {
  WriteMessage(run, MessageId::WritingIpfFile, false);
  // The whole name: a cut path would write the file somewhere else.
  run.switches.IpfFileName = SetFileExtension(run.switches.SourceFileName, "IPF");
  RewriteOutputFile(run, run.switches.IpfFileName);
  run.passes.OutputFile += ":userdoc.\r\n:docprof toc=123456.\r\n";
}

// Before the output pass: its state starts afresh and the source is rewound.
void PrepareOutputPass(CompilerRun& run) {
  TCompileContext& cx = run.compile;
  ResetListState(run);
  run.markup.RtfIndentGroupOpen = false;
  run.navigation.HeadingCursor.fill(nullptr);
  cx.NextHeadingOrder = 0;
  ResetIndexChar(run);
  run.reader.ConditionOn = true;
  run.reader.IfOpen = false;
  run.reader.SoftSpacesAsBlanks = false;
  InitBoxCharTable(run);
  cx.CenterPending = false;
  run.markup.CenteredBlockOpen = false;
  SetTableOpen(run, false);
  for (auto& style : run.linkPass.HeadingLevelStyles) style = THeadingLevelStyle{};
  run.passes.OutputColumn = 0;
  run.numbering.ReservationList.clear();
  ResetFrameGroupState(run);
  run.linkPass.ExternalBlock = false;
  run.linkPass.LocalLinks = true;
  run.linkPass.UrlBlock = false;
  cx.ExternalBlock = false;
  cx.LinkModeExternal = false;
  cx.LinkModeLocal = true;
  cx.LinkModeUrl = false;
  run.linkPass.CaseFreeIndex = false;
  run.linkWriter.OpenLinkEnd = 0;
  run.reader.PrePassRunning = false;
  run.markup.RunningFontLetter = '@';
  run.markup.AlternateFontLetter = '@';
  run.markup.CurrentFontLetter = '@';
  run.passes.CurrentTopicNode = nullptr;
  run.passes.CurrentFrameGroupNumber = -1;
  cx.FootnoteMarkersSet = false;
  cx.FootnoteFont = '@';
  run.toggles.ToggleState.fill(false);
  InstallSourceCharOutput(run);
  RewindSource(run);
  PrimeReaderWindow(run);
}

void FinishText(CompilerRun& run) {
  const TTargetFlags& t = run.ini.TargetFlags;
  TCompileContext& cx = run.compile;
  FilterOutputChar(run, 0);
  CloseOpenLink(run);
  // Blocks and footnotes left open at the end are reported and closed.
  if (cx.HeadingTextPending) {
    cx.HeadingTextPending = false;
    WriteHeadingLine(run, false);
  }
  if (run.passes.InFootnote) {
    ReportMissingFootnoteEnd(run);
    EmitRunningChar(run, cx.FootnoteEndChar);
  }
  if (run.tables.TableOpen) {
    run.reporter.ReportSourceError(MessageId::TableEndMissing, 0);
    SetTableOpen(run, false);
    run.tables.Cells.clear();
  }
  if (run.lineDrawing.LineDrawingActive) {
    run.reporter.ReportSourceError(MessageId::LineDrawingEndMissing, 0);
    run.lineDrawing.LineDrawingActive = false;
    run.markup.FormatMode = run.lineDrawing.SavedFormattedText;
    run.charConversion.Context.InLineDrawingBlock = false;
  }
  if (t.Html || t.Ipf) {
    if (run.markup.ListLevel > 0) run.passes.OutputFile += "\r\n";
    while (run.markup.ListLevel > 0) CloseLists(run);
  }
  run.passes.OutputFile += "\r\n";
}

std::string SummaryPageName(CompilerRun& run) {
  return NormalizeFileName(run, run.switches.OutputDirectory + run.fileNames.PageExtension);
}

}  // namespace

namespace {

void LoadGivenText(CompilerRun& run, const std::string& text) {
  if (text.empty()) {
    run.reporter.ReportSourceError(MessageId::SourceFileEmpty, 0);
    run.reporter.Terminate(CompletedOrFailed(run, ExitCode::InputFailed));
  }
  run.source.Data = text;
  run.source.Position = 0;
  run.source.Loaded = true;
}

void RunCompile(CompilerRun& run, const std::string* givenText) {
  // However the run ends, the files handed to the background writer are on disk before the
  // caller looks at them.
  struct TWriterEnd {
    CompilerRun& Run;
    ~TWriterEnd() { Run.passes.Writer.reset(); }
  } writerEnd{run};
  TSwitches& sw = run.switches;
  TCompileContext& cx = run.compile;
  if (sw.SourceFiles.empty()) {
    WriteMessage(run, MessageId::EnterSourceFileFirst, true);
    run.reporter.Terminate(CompletedOrFailed(run, ExitCode::InputFailed));
  }
  PrepareCompileRun(run);
  ResetLinkLists(run);
  run.reporter.NotifyRunStart();
  run.summaryPage.GraphicFiles.clear();
  run.summaryPage.UsedGraphicFileCount = 0;
  run.summaryPage.BitmapDirectoryUsed = false;
  run.outputFiles.FirstOutputFilePending = true;
  run.reader.PrePassRunning = true;
  SetFileOpenReadOnly(run, true);
  run.htmlPage.EveryHeadFileExists =
      FileExistsWithSize(run, sw.PageNamePrefix + "EVERY" + run.htmlPage.HeadIncludeExtension);
  ApplyTargetOverride(run);
  if (run.ini.TargetFlags.WinHelp3) sw.NoFrames = true;
  AnnounceTarget(run);
  TakeRunStartTime(run);
  WriteMessage(run, MessageId::ReadingSourceFile, false);
  if (givenText)
    LoadGivenText(run, *givenText);
  else
    LoadSourceFiles(run);
  run.toggles.SetIdentity();
  if (!sw.WordStarInput)
    ChooseInternalToggleChars(run);
  else
    run.toggles.InternalToggleChars = run.ini.ToggleChars;
  BuildToggleCharTable(run.toggles);
  ResetPassState(run);
  InstallGraphicsRefresh(run);

  WriteMessage(run, MessageId::IndexingHeadings, false);
  run.navigation.ButtonTargets.fill(nullptr);
  SetProgress(run, 30, false);
  IndexHeadings(run);
  const bool footnotesUsed = run.htmlPage.TextHasFootnotes;
  cx.FootnoteMarkersSet = false;
  run.reporter.EndProgressLine();

  WriteMessage(run, MessageId::IndexingLinks, false);
  run.reporterState.ProgressTotal = run.reporterState.ProgressCounter;
  SetProgress(run, 30, false);
  run.indexStore.IndexPageWanted = false;
  run.linkPass.GraphicsDirGiven = false;
  ResetIndexChar(run);
  CollectIndexAndLinks(run);
  run.summaryPage.BitmapDirectoryUsed = run.linkPass.GraphicsDirGiven;
  run.htmlPage.TextHasFootnotes = footnotesUsed;
  if (!run.linkPass.DocumentTitle.empty()) cx.PageTitle = run.linkPass.DocumentTitle;
  run.reporter.EndProgressLine();
  SetProgress(run, 3, true);

  const TTargetFlags& t = run.ini.TargetFlags;
  StartOutputWriter(run);
  if (t.Html)
    StartHtmlOutput(run);
  else if (t.Ipf)
    StartIpfFile(run);
  else
    StartRtfFile(run);
  if (t.Html) {
    RefreshBackgroundGraphic(run, run.ini.BodyTags);
    RefreshBackgroundGraphic(run, run.ini.ContentsTags);
  }
  PrepareOutputPass(run);
  RunOutputPass(run);
  FinishText(run);

  if (t.Html) {
    WritePageEnd(run, true);
    if (run.htmlPage.NotesFile.Open) CloseNotesPage(run);
    CreateOutputFile(run, "", SummaryPageName(run), false);
    WriteProjectSummary(run);
    CloseOutputFile(run);
  } else if (t.RtfFamily) {
    CloseRtfList(run);
    if (run.markup.RtfIndentGroupOpen) {
      run.passes.OutputFile += "}";
      run.markup.RtfIndentGroupOpen = false;
    }
    WriteTopicEnd(run);
    run.passes.OutputFile += "}}";
  } else if (t.Ipf) {
    if (!run.markup.FormatMode) run.passes.OutputFile += ":elines.\r\n";
    run.passes.OutputFile += ".br\r\n:euserdoc.\r\n";
  }
  run.reporter.EndProgressLine();
  if (IsWinHelp(t)) {
    WriteHpjFile(run);
    if (run.ini.ContentsCntFile) WriteCntFile(run);
  } else if (t.HtmlHelp) {
    WriteHhpFile(run);
  }
  if (!t.Html) CloseOutputFile(run);
  WriteHelpTables(run);
  if (run.navigation.UserButtonWithoutTarget)
    WriteMessage(run, MessageId::UserButtonWithoutId, false);
  FinishOutputWriter(run);
  run.RunCompleted = true;
  if (t.Html) {
    if (t.HtmlHelp) WriteMessage(run, MessageId::HhpFileCreated, false);
    const std::int64_t n = static_cast<std::int64_t>(run.numbering.FileCounter) +
                           cx.FrameFileCount + 1 + (run.indexStore.IndexPageWanted ? 1 : 0);
    WriteMessage(run, {MessageId::HtmlFilesCreated, std::to_string(n)}, false);
    WriteMessage(run, {MessageId::InfoFileCreated, SummaryPageName(run)}, false);
  } else if (t.Ipf) {
    WriteMessage(run, MessageId::IpfFileCreated, false);
  } else if (t.RtfText) {
    WriteMessage(run, MessageId::RtfFileCreated, false);
  } else {
    WriteMessage(run, MessageId::RtfAndHpjFileCreated, false);
  }
  run.reporter.Tick();
  ReportMissingGraphics(run);
  FreeSourceBuffer(run);
  if (t.Html && !t.HtmlHelp) run.reporter.NotifyOutputReady();
}

}  // namespace

void CompileHypertext(CompilerRun& run) { RunCompile(run, nullptr); }

void CompileHypertextText(CompilerRun& run, const std::string& sourceText) {
  RunCompile(run, &sourceText);
}

}  // namespace skeldon

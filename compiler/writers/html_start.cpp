#include "compiler/writers/html_start.h"

#include <string>

#include "compiler/foundation/file_names.h"
#include "compiler/foundation/toggles.h"
#include "compiler/passes/compiler_run.h"
#include "compiler/passes/index_store.h"
#include "compiler/writers/contents_html.h"
#include "compiler/writers/contents_tree.h"
#include "compiler/writers/html_page.h"
#include "compiler/writers/index_pages.h"
#include "compiler/writers/navigation_buttons.h"
#include "compiler/writers/output_files.h"
#include "compiler/writers/source_text_output.h"

namespace skeldon {

namespace {

constexpr std::uint8_t kContentButton = 3, kIndexButton = 4;

std::string BaseOf(const std::string& name) { return name.substr(0, name.find('.')); }

bool AnyButtons(const TIniSettings& ini) { return ini.ButtonsOn || ini.ButtonsJavaScript; }

void WriteTitleLine(CompilerRun& run, std::string& out, bool lineEnd) {
  out += "<b>";
  WriteSourceText(run, run.Compile.PageTitle, out);
  out += lineEnd ? "</b><p>\r\n" : "</b>";
}

}  // namespace

void StartHtmlOutput(CompilerRun& run) {
  TSwitches& sw = run.Switches;
  const TIniSettings& ini = run.Ini;
  const bool htmlHelp = ini.TargetFlags.HtmlHelp;
  std::string& out = run.Passes.OutputFile;
  if (sw.SourceFileName.find('.') == std::string::npos) {
    WriteMessage(run, MessageId::SourceNeedsExtension, true);
    run.Reporter.Terminate(CompletedOrFailed(run, ExitCode::SourceNotCompilable));
  }
  WriteMessage(run, MessageId::WritingHtmlFiles, false);
  const std::string dir = sw.OutputDirectory + "\\";
  const std::string& pre = sw.PageNamePrefix;
  const std::string& ext = run.FileNames.PageExtension;
  const bool wantIndex = run.IndexStore.IndexPageWanted;
  if (run.IniValues.HomeButtonInFrame) {
    CreateOutputFile(run, dir, NormalizeFileName(run, pre + "INDXF" + ext), true);
    WritePageHead(run, out, true, nullptr, kFramesetStartPage, true);
    out += "<FRAMESET COLS=\"25%,*\">\r\n";
    const std::string first = MakeTopicFileName(run, 0, false, 0);
    if (!htmlHelp) WriteNoFramesBlock(run, out, first, nullptr, kFramesetStartPage);
    out += "<FRAME src=\"" + NormalizeFileName(run, pre + ContentsFileName(run)) + "\" name=\"" +
           ini.ContentsFrame + "\">\r\n";
    out += "<FRAME src=\"" + first + "\" name=\"" + ini.DefaultFrame + "\">\r\n";
    out += "</FRAMESET>";
    FinishHtmlPage(run, out, true, true);
    CloseOutputFile(run);
  }
  THtmlPageState& hp = run.HtmlPage;
  if (hp.TextHasFootnotes && sw.NoFrames) {
    CreateTextFile(run, hp.NotesFile, dir, NormalizeFileName(run, pre + "NOTES" + ext), true);
    WritePageHead(run, hp.NotesFile.Text, false, nullptr, kNotesPage, true);
    hp.NotesFile.Text += "<b>";
    WriteSourceText(run, MapToggleChars(run.Toggles, ini.NotesText), hp.NotesFile.Text);
    hp.NotesFile.Text += "</b><p>\r\n";
  }
  run.Numbering.FileCounter = -1;
  run.Lines.CurrentSourceLine = 0;
  run.FileNames.LastPageIdName = BaseOf(ContentsFileName(run));
  if (ini.CreateContents && sw.ContentsDepth > 0) {
    CreateOutputFile(run, dir, NormalizeFileName(run, pre + ContentsTreeFileName(run)), false);
    WritePageHead(run, out, false, nullptr, kContentsPage, true);
    if (!htmlHelp) {
      if (wantIndex) {
        OpenButtonBar(run);
        WriteNavButton(run, kIndexButton);
        if (!AnyButtons(ini)) run.Passes.OutputFile += "<hr>\r\n";
        CloseButtonBar(run);
        run.Passes.OutputFile += "<p>\r\n";
      }
      WriteTitleLine(run, run.Passes.OutputFile, true);
    }
    WriteHtmlContents(run);
    FinishHtmlPage(run, run.Passes.OutputFile, false, true);
    CloseOutputFile(run);
    if (!htmlHelp && ini.ContentsTreeOn) {
      CreateOutputFile(run, dir, NormalizeFileName(run, pre + ContentsFileName(run)), false);
      WritePageHead(run, out, true, nullptr, kContentsPage, true);
      run.Passes.OutputFile += "</HEAD>";
      WriteJavaScriptTree(run);
      FinishHtmlPage(run, run.Passes.OutputFile, false, false);
      CloseOutputFile(run);
      CreateOutputFile(run, dir, ContentsTreeFramePageName(run, pre + "INDXI"), false);
      WritePageHead(run, out, false, nullptr, kContentsPage, false);
      WriteTitleLine(run, run.Passes.OutputFile, false);
      const std::string& link = ini.ContentsTreeAltText;
      const bool withButton = wantIndex && !run.IniValues.HomeButtonInFrame;
      const bool withLink = !link.empty() && link != "NO";
      if (withButton || withLink) run.Passes.OutputFile += "<br>\r\n";
      if (withButton) {
        OpenButtonBar(run);
        WriteNavButton(run, kIndexButton);
        CloseButtonBar(run);
      }
      if (withLink) {
        run.Passes.OutputFile += " <a href=\"" +
                                 NormalizeFileName(run, pre + ContentsTreeFileName(run)) +
                                 "\" target=\"" + ini.ContentsFrame + "\">";
        WriteSourceText(run, link, run.Passes.OutputFile);
        run.Passes.OutputFile += "</a>";
      }
      FinishHtmlPage(run, run.Passes.OutputFile, false, true);
      CloseOutputFile(run);
    }
  }
  if (wantIndex) {
    CreateOutputFile(run, dir, NormalizeFileName(run, pre + IndexFileName(run)), false);
    run.FileNames.LastPageIdName = BaseOf(IndexFileName(run));
    WritePageHead(run, out, false, nullptr, kIndexPage, true);
    if (!htmlHelp) {
      if (ini.CreateContents && sw.ContentsDepth > 0) {
        OpenButtonBar(run);
        WriteNavButton(run, kContentButton);
        CloseButtonBar(run);
        if (!AnyButtons(ini)) run.Passes.OutputFile += "<hr>\r\n";
        run.Passes.OutputFile += "<p>\r\n";
      }
      if (ini.TitleInEveryFile) WriteTitleLine(run, run.Passes.OutputFile, true);
    }
    WriteIndexPage(run);
    FinishHtmlPage(run, run.Passes.OutputFile, false, true);
    CloseOutputFile(run);
  }
  run.Numbering.FileCounter = -1;
  CreateOutputFile(run, dir, ContentsTreeFramePageName(run, pre + "EMPTY"), false);
  hp.EmptyPageOpen = true;
  run.Passes.OutputFile += "<html>\r\n";
}

}  // namespace skeldon

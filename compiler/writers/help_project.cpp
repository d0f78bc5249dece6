#include "compiler/writers/help_project.h"

#include "compiler/foundation/file_names.h"
#include "compiler/passes/compiler_run.h"
#include "compiler/writers/output_files.h"
#include "compiler/writers/summary_page.h"

namespace skeldon {

namespace {

constexpr const char* kCrLf = "\r\n";

void Line(std::string& f, const std::string& text) {
  f += text;
  f += kCrLf;
}

// The file part of a name; project entries are relative to the project file's own folder.
std::string BareName(std::string_view name) {
  const std::size_t slash = name.find_last_of("\\/:");
  return std::string(slash == std::string_view::npos ? name : name.substr(slash + 1));
}

}  // namespace

void SetChmFileName(CompilerRun& run) {
  run.Passes.ChmFileName =
      BareName(NormalizeFileName(run, SetFileExtension(run.Switches.SourceFileName, "CHM")));
}

std::string HhpBareFileName(CompilerRun& run) {
  return NormalizeFileName(run, BareName(SetFileExtension(run.Switches.SourceFileName, "HHP")));
}

void WriteHhpFile(CompilerRun& run) {
  THelpProjectState& st = run.HelpProject;
  const std::string& pre = run.Switches.PageNamePrefix;
  // Whole names: a cut path would create the project somewhere else.
  st.HhpFileName = run.Switches.OutputDirectory + "\\" + HhpBareFileName(run);
  std::string f;
  Line(f, "; HHP file created by Skeldon 4.22");
  Line(f, "");
  Line(f, "[OPTIONS]");
  Line(f, "Compiled file=..\\" + run.Passes.ChmFileName);
  Line(f, "Contents file=" + NormalizeFileName(run, pre + BareName(ContentsFileName(run))));
  Line(f, "Display compile progress=No");
  Line(f, "Full-text search=Yes");
  Line(f, "Index file=" + NormalizeFileName(run, pre + BareName(IndexFileName(run))));
  f += "title=";
  WriteCodePageText(run, f, run.LinkPass.DocumentTitle, false);
  f += kCrLf;
  Line(f, "");
  Line(f, "[FILES]");
  for (const std::string& name : run.OutputFiles.CreatedFiles) Line(f, name);
  Line(f, "");
  StoreOutputFile(run, st.HhpFileName, f);
}

void WriteHpjFile(CompilerRun& run) {
  THelpProjectState& st = run.HelpProject;
  const TTargetFlags& t = run.Ini.TargetFlags;
  const std::string& title = run.LinkPass.DocumentTitle;
  st.HpjFileName = SetFileExtension(run.Switches.SourceFileName, "HPJ");
  std::string f;
  Line(f, "; HPJ file created by Skeldon 4.22");
  Line(f, "");
  Line(f, "[OPTIONS]");
  if (!title.empty()) {
    f += "TITLE=";
    if (t.WinHelp4) {
      WriteCodePageText(run, f, title, false);
    } else if (run.Ini.SourceIsIso) {
      // WinHelp 3 reads the DOS code page; a character without a DOS form stays as it is.
      for (unsigned char c : title) {
        const std::uint8_t oem = run.CharConversion.Tables.AnsiToOem[c];
        f.push_back(static_cast<char>(oem != 0 || c == 0 ? oem : c));
      }
    } else {
      f += title;
    }
    f += kCrLf;
    if (!t.WinHelp4 && title.size() > 50) WriteMessage(run, MessageId::WinHelpTitleTooLong, true);
  }
  Line(f, t.WinHelp4 ? "COMPRESS=high" : "COMPRESS=off");
  Line(f, "");
  if (run.Ini.CreateContents && run.Switches.ContentsDepth > 0 && run.Ini.ContentsInternal &&
      !run.Ini.ContentsCntFile)
    Line(f, "CONTENTS=INDEX");
  if (t.WinHelp4) {
    Line(f, "");
    Line(f, "[WINDOWS]");
    Line(f, "main=\"\",(350,,600,800),20736,(r14876671),(r12632256)");
    if (run.IndexStore.FrameGroupsUsed)
      Line(f, "navi=\"\",(0,,350,550),20736,(r14876671),(r12632256)");
  }
  Line(f, "");
  Line(f, "[CONFIG]");
  if (st.BrowseButtonsWanted) Line(f, "BrowseButtons()");
  if (t.WinHelp4)
    Line(f, std::string("CreateButton(\"BTN_HISTORY\", \"") +
                GermanOrEnglishText(run.Language, MessageId::HistoryButton) + "\", \"History()\")");
  Line(f, "");
  Line(f, "[FILES]");
  Line(f, BareName(SetFileExtension(run.Switches.SourceFileName, "RTF")));
  if (run.HelpTables.PanelIdFileOpen) {
    Line(f, "");
    Line(f, "[MAP]");
    Line(f, "#include <" + run.HelpTables.PanelIdFileName + ">");
  }
  StoreOutputFile(run, st.HpjFileName, f);
}

void ReportMissingGraphics(CompilerRun& run) {
  THelpProjectState& st = run.HelpProject;
  st.GraphicsMissing = false;
  if (!run.Graphics.SearchGraphicFiles) return;
  for (const TGraphicFileInfo& g : run.SummaryPage.GraphicFiles) {
    if (g.Found) continue;
    if (!st.GraphicsMissing) WriteMessage(run, MessageId::Warning, true);
    st.GraphicsMissing = true;
    WriteMessage(run, {MessageId::GraphicsFileMissing, g.Name}, true);
  }
}

}  // namespace skeldon

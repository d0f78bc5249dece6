#include "compiler/writers/help_tables.h"

#include <cstdlib>

#include "compiler/foundation/command_line.h"
#include "compiler/foundation/console_reporter.h"
#include "compiler/foundation/file_names.h"
#include "compiler/passes/compiler_run.h"
#include "compiler/passes/index_store.h"
#include "compiler/passes/link_pass.h"
#include "compiler/passes/pass_services.h"
#include "compiler/passes/reservations.h"
#include "compiler/writers/external_links.h"
#include "compiler/writers/link_writer.h"

namespace skeldon {

namespace {

constexpr const char* kLineEnd = "\r\n";
constexpr std::size_t kMainItemNameMax = 50;

void Line(std::string& out, std::string_view text) {
  out += text;
  out += kLineEnd;
}

// "*." + extension names the file after the first source; any other "*" is refused.
std::string SettingFileName(CompilerRun& run, const std::string& setting, MessageId wrongName) {
  if (setting.rfind("*.", 0) == 0)
    return SetFileExtension(run.Switches.SourceFileName, setting.substr(2));
  if (setting.find('*') != std::string::npos) {
    run.Reporter.ReportSourceError(wrongName, 0);
    run.Reporter.Terminate(CompletedOrFailed(run, ExitCode::HelpFileNameWrong));
  }
  return setting;
}

// A panel: the heading number and its title as the IPF output writes it.
std::string PanelText(CompilerRun& run, const THeadingNode* topic) {
  if (!topic) return "1  /* no explicit link in Skeldon source file */";
  std::string text = std::to_string(topic->HeadingNumber) + "  /* ";
  CopyHeadingTitle(run, text, topic->SourcePosition, true, false, false);
  return text + "*/";
}

bool ParseLong(std::string_view text, long& value) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  if (text.empty()) return false;
  std::size_t i = 0;
  bool negative = false;
  if (text[0] == '-' || text[0] == '+') {
    negative = text[0] == '-';
    i = 1;
  }
  if (i >= text.size()) return false;
  long long v = 0;
  for (; i < text.size(); ++i) {
    if (text[i] < '0' || text[i] > '9') return false;
    v = v * 10 + (text[i] - '0');
    if (v > 2147483648LL) return false;
  }
  if (negative) v = -v;
  if (v > 2147483647LL || v < -2147483648LL) return false;
  value = static_cast<long>(v);
  return true;
}

}  // namespace

void HandleRcCommand(CompilerRun& run, std::string_view text) {
  THelpTableState& st = run.HelpTables;
  std::string line(text);
  const std::size_t comma = line.find(',');
  if (comma != std::string::npos && (comma + 1 >= line.size() || line[comma + 1] != ' '))
    line.insert(comma + 1, " ");
  const std::vector<std::string> words = SplitWords(line);
  if (words.empty() || words[0].empty()) {
    run.Reporter.ReportSourceError(MessageId::RcParameterMissing, 0);
    return;
  }
  std::string first = words[0];
  if (first == ",") {
    if (st.LastMainItemName.empty()) run.Reporter.ReportSourceError(MessageId::RcWithoutMainId, 0);
    first = st.LastMainItemName;
  } else {
    if (!first.empty() && first.back() == ',') first.pop_back();
    st.LastMainItemName = CutText(first, kMainItemNameMax);
  }
  if (!run.Passes.CurrentTopicNode)
    run.Reporter.ReportSourceError(MessageId::RcBeforeFirstHeading, 0);
  THelpTableItem* item = nullptr;
  for (THelpTableItem& i : st.HelpTableList)
    if (i.Name == first) item = &i;
  if (!item) {
    st.HelpTableList.push_back(THelpTableItem{nullptr, {}, first});
    item = &st.HelpTableList.back();
  }
  if (words.size() > 1 && !words[1].empty())
    item->SubItems.push_back(THelpSubItem{run.Passes.CurrentTopicNode, words[1]});
  else
    item->Topic = run.Passes.CurrentTopicNode;
}

void HandleIdCommand(CompilerRun& run, std::string_view text) {
  THelpTableState& st = run.HelpTables;
  if (!run.LinkPass.LocalLinks) return;
  const TTargetFlags& t = run.Ini.TargetFlags;
  const bool pascal = run.MainUnit.PascalForm;
  const std::size_t blank = text.find(' ');
  const std::string word(text.substr(0, blank));
  const std::string numberText =
      blank == std::string_view::npos ? std::string() : CutText(text.substr(blank + 1), 199);
  // The word is the constant's name in the program's source: one with path or file-name
  // characters is no name there, and its page or topic kept the numbered name.
  if (word.empty()) {
    run.Reporter.ReportSourceError(MessageId::WrongIdUsage, 0);
    return;
  }
  if (!IsSafePageWord(word)) {
    run.Reporter.ReportSourceError({MessageId::IdWordWithPath, word}, 0);
    return;
  }
  if (!st.PanelIdFileOpen) {
    st.PanelIdFileName =
        SettingFileName(run, run.Ini.PanelIdFileName, MessageId::WrongPanelIdFileName);
    st.PanelIdFile.clear();
    if (pascal) {
      Line(st.PanelIdFile, "{     Help Panel ID's created by Skeldon     }");
      Line(st.PanelIdFile, "");
      Line(st.PanelIdFile, "const");
    } else {
      Line(st.PanelIdFile, "/*****Help Panel ID's created by Skeldon*****/");
      Line(st.PanelIdFile, "");
    }
    st.PanelIdFileOpen = true;
  }
  if (t.HtmlHelp) {
    const std::string address = run.Passes.ChmFileName + "::/" + word + run.FileNames.PageExtension;
    if (pascal)
      Line(st.PanelIdFile, "  " + word + " = '" + address + "';");
    else
      Line(st.PanelIdFile, "#define " + word + "\t    \"" + address + "\"");
    return;
  }
  long value = run.Numbering.HeadingCounter;
  if (t.RtfFamily && !numberText.empty()) {
    if (!ParseLong(numberText, value)) {
      run.Reporter.ReportSourceError(MessageId::WrongIdUsage, 0);
      value = 0;
    }
  }
  if (pascal)
    Line(st.PanelIdFile, "  " + word + " = " + std::to_string(value) + ";");
  else
    Line(st.PanelIdFile, "#define " + word + "\t    " + std::to_string(value));
}

void WriteHelpTableFile(CompilerRun& run) {
  THelpTableState& st = run.HelpTables;
  const bool pascal = run.MainUnit.PascalForm;
  const std::string name =
      SettingFileName(run, run.Ini.HelpTableFileName, MessageId::WrongHelpTableFileName);
  WriteMessage(run, {MessageId::WritingHelpTable, name}, false);
  std::string f;
  Line(f, "/*****HelpTable created by Skeldon*****/");
  Line(f, "");
  const std::uint16_t start = static_cast<std::uint16_t>(run.Ini.HelpSubtableStartId & 0xFFFF);
  std::uint16_t k = start;
  if (pascal) Line(f, "CONST");
  for (const THelpTableItem& item : st.HelpTableList) {
    ++k;
    if (pascal)
      Line(f, "  SUBTABLE_" + item.Name + " = " + std::to_string(k));
    else
      Line(f, "#define SUBTABLE_" + item.Name + " " + std::to_string(k));
  }
  if (pascal) Line(f, "END");
  Line(f, "");
  if (pascal) {
    Line(f, "HELPTABLE 1000");
    Line(f, "BEGIN");
  } else {
    Line(f, "HELPTABLE HELP_TABLE {");
  }
  for (const THelpTableItem& item : st.HelpTableList) {
    if (!item.Topic) WriteMessage(run, {MessageId::RcWithoutSubitem, item.Name}, true);
    Line(f,
         "  HELPITEM " + item.Name + ", SUBTABLE_" + item.Name + ", " + PanelText(run, item.Topic));
  }
  Line(f, pascal ? "END" : "}");
  Line(f, "");
  for (const THelpTableItem& item : st.HelpTableList) {
    if (pascal) {
      Line(f, "HELPSUBTABLE SUBTABLE_" + item.Name);
      Line(f, "BEGIN");
    } else {
      Line(f, "HELPSUBTABLE SUBTABLE_" + item.Name + " {");
    }
    for (const THelpSubItem& sub : item.SubItems)
      Line(f, "  HELPSUBITEM " + sub.Name + ", " + PanelText(run, sub.Topic));
    Line(f, pascal ? "END" : "}");
    Line(f, "");
  }
  StoreOutputFile(run, name, f);
}

void WriteHelpTables(CompilerRun& run) {
  THelpTableState& st = run.HelpTables;
  const TTargetFlags& t = run.Ini.TargetFlags;
  if ((t.Ipf || t.RtfFamily || t.HtmlHelp) && st.PanelIdFileOpen) {
    WriteMessage(run, {MessageId::WritingPanelIds, st.PanelIdFileName}, false);
    StoreOutputFile(run, st.PanelIdFileName, st.PanelIdFile);
  }
  if (t.Ipf && !st.HelpTableList.empty()) WriteHelpTableFile(run);
}

void ResetLinkLists(CompilerRun& run) {
  run.IndexStore.PanelIdDefines.clear();
  run.LinkWriter.LastEmittedChar = 0x0D;
  run.HelpTables.LastMainItemName.clear();
  run.HelpTables.HelpTableList.clear();
  run.HelpTables.PanelIdFileOpen = false;
  run.HelpTables.PanelIdFile.clear();
  ClearLinkedInTopic(run);
  run.LinkWriter.CollectingUrl = false;
  run.Passes.ExternalReferences.clear();
}

void InitSourceUnit(CompilerRun& run) { run.Passes.HeadingTreeRoot = nullptr; }

}  // namespace skeldon

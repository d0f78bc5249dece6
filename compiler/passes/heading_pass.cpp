#include "compiler/passes/heading_pass.h"

#include <string>

#include "compiler/foundation/file_names.h"
#include "compiler/foundation/source_buffer.h"
#include "compiler/passes/compiler_run.h"
#include "compiler/passes/link_pass.h"
#include "compiler/passes/output_pass.h"
#include "compiler/passes/pass_services.h"
#include "compiler/passes/reservations.h"
#include "compiler/passes/source_reader.h"

namespace skeldon {

namespace {

constexpr std::uint8_t kCr = 0x0D;

std::uint8_t Upper(std::uint8_t c) {
  return c >= 'a' && c <= 'z' ? static_cast<std::uint8_t>(c - 32) : c;
}

struct THeadingPassLocal {
  bool UrBlock = false;
  bool ExBlockOpen = false;
  std::uint8_t PreviousLevel = 0;
  THeadingNode* Current = nullptr;  // node of the most recent heading
};

std::string FirstWord(const std::string& text) { return text.substr(0, text.find(' ')); }

void IdLine(CompilerRun& run, THeadingPassLocal& local) {
  const TTargetFlags& t = run.Ini.TargetFlags;
  if (t.Html) {
    ReadDotCommandLine(run);
    const std::string word = FirstWord(run.Reader.DotLine);
    auto& marks = run.FileNames.IdMarkList;
    const std::int16_t file = static_cast<std::int16_t>(run.Numbering.FileCounter);
    // A page name must stay inside the output directory and be a name the file system takes.
    const bool usable = word.empty() || IsSafePageWord(word);
    if (!usable) run.Reporter.ReportSourceError({MessageId::IdWordNamesNoFile, word}, 0);
    if (usable && !run.Switches.NoIdOption && !local.UrBlock && !local.ExBlockOpen &&
        !word.empty() && (marks.empty() || marks.back().FileNumber != file))
      marks.push_back(TIdMark{file, CutText(word, kIdMarkNameMax)});
    if (!local.Current) return;
    const std::string lower = LowerCaseText(run.FileNames.LowerCaseTable, word);
    auto& targets = run.Navigation.ButtonTargets;
    for (const auto& group : run.IniValues.ButtonTable)
      for (const TButtonEntry& e : group)
        if (e.Key != 0 && e.Name == lower && e.Key < targets.size()) targets[e.Key] = local.Current;
  } else if (t.RtfFamily && local.Current) {
    ReadDotCommandLine(run);
    const std::string word = FirstWord(run.Reader.DotLine);
    // A word that names no file would also break the topic's context string and the panel ID
    // file; the topic keeps its numbered id (the output pass reports the word).
    if (!local.UrBlock && !local.ExBlockOpen && !word.empty() && IsSafePageWord(word))
      local.Current->OwnString = KeepOwnString(run, word);
  }
}

void FuLine(CompilerRun& run) {
  TSourceBuffer& sb = run.Source;
  TCompileContext& cx = run.Compile;
  ReadSourceChar(run);
  ReadSourceChar(run);
  if (sb.CurChar == kCr || SourceEof(run)) {
    cx.FootnoteMarkersSet = false;
    return;
  }
  if (sb.CurChar == ' ') ReadSourceChar(run);
  cx.FootnoteMarkersSet = true;
  cx.FootnoteBeginChar = sb.CurChar;
  cx.FootnoteEndChar = sb.NextChar;
  run.HtmlPage.TextHasFootnotes = true;
}

void DotCommand(CompilerRun& run, THeadingPassLocal& local, const std::string& cmd) {
  const bool included = run.Reader.ConditionOn;
  if (!included) {
    HandleConditionCommand(run, cmd, true);
    return;
  }
  if (cmd == "UR") {
    local.UrBlock = true;
  } else if (cmd == "LO") {
    local.UrBlock = false;
    local.ExBlockOpen = false;
  } else if (cmd == "FA" || cmd == "WA") {
    if (!run.Switches.NoFrames) run.LinkPass.FramePending = true;
  } else if (cmd == "<>" || cmd == "><") {
    run.HelpProject.BrowseButtonsWanted = true;
  } else if (cmd == "EX") {
    ReadDotCommandLine(run);
    local.ExBlockOpen = !run.Reader.DotLine.empty();
    local.UrBlock = false;
  } else if (cmd == "ID") {
    IdLine(run, local);
  } else if (cmd == "FU") {
    FuLine(run);
  } else {
    HandleConditionCommand(run, cmd, true);
  }
}

// Links a new node of level L into the tree. A level whose cursor is empty (".1 .3 .2") hangs
// the node below the nearest shallower heading, so the tree stays well formed.
void LinkNode(CompilerRun& run, THeadingPassLocal& local, THeadingNode* node, std::uint8_t level) {
  auto& cursor = run.Navigation.HeadingCursor;
  const std::uint8_t p = local.PreviousLevel;
  if (!run.Passes.HeadingTreeRoot) {
    run.Passes.HeadingTreeRoot = node;
    cursor[level] = node;
    if (level != 1) {
      run.Reporter.ReportSourceError(MessageId::FirstHeadingNotLevelOne, 0);
      run.Reporter.Terminate(CompletedOrFailed(run, ExitCode::SourceStructureWrong));
    }
    return;
  }
  if (level > p) {
    if (level > p + 1)
      run.Reporter.ReportSourceError(
          {MessageId::HeadingLevelJumped, std::to_string(p), std::to_string(level)}, 0);
    THeadingNode* parent = cursor[p];
    THeadingNode** slot = &parent->FirstChild;
    while (*slot) slot = &(*slot)->NextSibling;
    *slot = node;
  } else if (cursor[level]) {
    cursor[level]->NextSibling = node;
  } else {
    int up = level - 1;
    while (up >= 1 && !cursor[up]) --up;
    THeadingNode** slot = up >= 1 ? &cursor[up]->FirstChild : &run.Passes.HeadingTreeRoot;
    while (*slot) slot = &(*slot)->NextSibling;
    *slot = node;
  }
  cursor[level] = node;
  // Deeper cursors belong to the old branch; the later passes walk from this node.
  for (int l = level + 1; l <= 6; ++l) cursor[l] = nullptr;
}

void HeadingLine(CompilerRun& run, THeadingPassLocal& local, std::uint8_t level) {
  CheckUserBreak(run);  // every pass offers the break at each heading
  TSourceBuffer& sb = run.Source;
  TCompileContext& cx = run.Compile;
  const bool group = run.LinkPass.FramePending;
  AdvanceHeadingNumber(run, level);
  if (level > cx.DeepestHeadingLevel) cx.DeepestHeadingLevel = level;
  THeadingNode* node = NewHeadingNode(run);
  cx.HeadingOrder.push_back(node);
  LinkNode(run, local, node, level);
  if (level <= run.Ini.NewFileLevel || run.LinkPass.FrameGroupActive) {
    NumberNextFile(run);
  }
  run.Navigation.LastFileNumber = run.Numbering.FileCounter;
  while (!SourceEof(run) && sb.NextChar != kCr) ReadSourceChar(run);
  run.Reporter.ShowProgress();
  ++cx.HeadingPassTicks;
  node->HeadingNumber = run.Numbering.HeadingCounter;
  node->FileNumber = static_cast<std::int16_t>(run.Numbering.FileCounter);
  node->GroupFlag = group ? 1 : 0;
  // The group's window is needed whether or not an index entry points into the group.
  if (group) run.IndexStore.FrameGroupsUsed = true;
  node->SourcePosition = static_cast<std::int32_t>(sb.Position);
  local.Current = node;
  local.PreviousLevel = level;
  run.LinkPass.FramePending = false;
}

}  // namespace

void IndexHeadings(CompilerRun& run) {
  TSourceBuffer& sb = run.Source;
  TCompileContext& cx = run.Compile;
  THeadingPassLocal local;
  run.Passes.HeadingTreeRoot = nullptr;
  cx.HeadingOrder.clear();
  run.Navigation.HeadingCursor.fill(nullptr);
  run.Reader.ConditionOn = true;
  run.Reader.IfOpen = false;
  run.HtmlPage.TextHasFootnotes = false;
  cx.DeepestHeadingLevel = 0;
  cx.HeadingPassTicks = 0;
  ResetFrameGroupState(run);
  run.Numbering.FileCounter = -1;
  PrimeReaderWindow(run);
  RewindSource(run);
  while (!SourceEof(run)) {
    // Inside a line only a footnote mark matters here.
    SkipWithinLine(run, cx.FootnoteMarkersSet ? static_cast<int>(cx.FootnoteBeginChar) : -1);
    if (SourceEof(run)) break;
    const std::uint8_t remembered = sb.PrevChar;
    ReadSourceChar(run);
    // A dot at a line start: the two characters behind it are the command letters.
    if (remembered == kCr && sb.PrevChar == '.' &&
        !(sb.CurChar >= '1' && sb.CurChar <= '6' && run.Reader.ConditionOn)) {
      std::string cmd;
      cmd.push_back(static_cast<char>(Upper(sb.CurChar)));
      cmd.push_back(static_cast<char>(Upper(sb.NextChar)));
      DotCommand(run, local, cmd);
      run.Lines.ErrorLineOffset = 0;
    }
    if (cx.FootnoteMarkersSet && run.Reader.ConditionOn && local.Current &&
        sb.NextChar == cx.FootnoteBeginChar) {
      const std::int32_t file = run.Numbering.FileCounter;
      if (file >= 0 && file < kFootnoteFileFlags) run.Passes.FileHasFootnotes[file] = true;
    }
    if (sb.PrevChar == kCr && sb.CurChar == '.' && sb.NextChar >= '1' && sb.NextChar <= '6' &&
        run.Reader.ConditionOn)
      HeadingLine(run, local, static_cast<std::uint8_t>(sb.NextChar - '0'));
  }
  if (run.Numbering.HeadingCounter < 1) {
    WriteMessage(run, MessageId::NoHeading, true);
    run.Reporter.Terminate(CompletedOrFailed(run, ExitCode::SourceStructureWrong));
  }
  cx.LastHeadingIndex = static_cast<std::uint16_t>(run.Numbering.HeadingCounter - 1);
}

}  // namespace skeldon

#include "compiler/passes/link_pass.h"

#include "compiler/foundation/console_reporter.h"
#include "compiler/foundation/file_names.h"
#include "compiler/foundation/source_buffer.h"
#include "compiler/passes/compiler_run.h"
#include "compiler/passes/index_store.h"
#include "compiler/passes/output_pass.h"
#include "compiler/passes/pass_services.h"
#include "compiler/passes/reservations.h"
#include "compiler/passes/source_reader.h"
#include "compiler/writers/index_pages.h"
#include "compiler/writers/link_writer.h"

namespace skeldon {

namespace {

constexpr std::uint8_t kCr = 0x0D;

std::uint8_t UpperAscii(std::uint8_t c) { return c >= 'a' && c <= 'z' ? c - 32 : c; }

bool ContainsLowered(const CompilerRun& run, std::string_view name,
                     std::initializer_list<std::string_view> parts) {
  const std::string lower = LowerCaseText(run.FileNames.LowerCaseTable, name);
  for (std::string_view p : parts)
    if (lower.find(p) != std::string::npos) return true;
  return false;
}

const std::string* KeepExternalTarget(CompilerRun& run, std::string text) {
  run.LinkPass.ExternalTargets.push_back(std::make_unique<std::string>(std::move(text)));
  return run.LinkPass.ExternalTargets.back().get();
}

// In the colon form the flag is set when the expression ends with ';'.
bool IsIndexExpressionEnd(CompilerRun& run, bool lineMode, bool& inverted) {
  const TLinkPassState& lp = run.LinkPass;
  const std::uint8_t next = run.Source.NextChar;
  if (lineMode) return next == kCr;
  if (lp.ColonForm) {
    inverted = next == ';';
    return next == ':' || next == ';';
  }
  return !run.IniValues.IsWordChar[next] && !lp.WordBuffer.empty();
}

void StoreIndexWord(CompilerRun& run, bool inverted, bool unlisted, bool last) {
  TLinkPassState& lp = run.LinkPass;
  if (lp.FirstWord) {
    InsertIndexEntry(run, lp.WordBuffer, false, inverted, unlisted);
    lp.FirstWord = false;
    lp.ExpressionEntry = run.IndexStore.LastInserted;
  } else {
    if (run.IndexStore.LastInserted) run.IndexStore.LastInserted->Inverted = inverted ? 1 : 0;
    AppendIndexWordLink(run, lp.WordBuffer);
    if (inverted && last) InsertIndexEntry(run, lp.WordBuffer, true, true, true);
  }
  lp.WordBuffer.clear();
}

// Puts the expression's entry in front of the first earlier entry of its bucket that matches
// it either way and has fewer continuation words.
void PromoteLongerIndexEntry(CompilerRun& run) {
  TIndexStore& st = run.IndexStore;
  TIndexEntry* n = run.LinkPass.ExpressionEntry;
  if (!n || n->LinkCount == 0) return;
  TIndexEntry* best = nullptr;
  auto consider = [&](std::string_view candidateKey) {
    TIndexEntry* first = FirstShorterEntry(run, n->Bucket, candidateKey, n->LinkCount);
    if (first && first->Order < n->Order && (!best || first->Order < best->Order)) best = first;
  };
  const std::string& nk = n->Key;
  consider(nk);
  for (const std::string& ending : st.WordEndings) {
    if (nk.size() >= ending.size() && nk.ends_with(ending))
      consider(std::string_view(nk).substr(0, nk.size() - ending.size()));
    consider(nk + ending);
  }
  if (best) MoveIndexEntryBefore(run, *n, *best);
}

void ParseIndexExpression(CompilerRun& run, bool lineMode, bool inverted, bool commaSplit,
                          bool unlisted) {
  TLinkPassState& lp = run.LinkPass;
  TSourceBuffer& sb = run.Source;
  lp.WordBuffer.clear();
  lp.FirstWord = true;
  lp.ExpressionEntry = nullptr;
  bool commaSeen = false, firstPartPending = true;
  std::string firstPart;
  int count = 0;
  while (!SourceEof(run) && !IsIndexExpressionEnd(run, lineMode, inverted)) {
    ++count;
    if (count > kIndexExpressionMax ||
        (lp.ColonForm &&
         (sb.NextChar == lp.IndexChar || (sb.CurChar == kCr && run.Reader.DotLineMark)))) {
      run.Reporter.ReportSourceError(MessageId::IndexEndMarkerMissing, 0);
      run.Reporter.Terminate(CompletedOrFailed(run, ExitCode::SourceStructureWrong));
    }
    const std::uint8_t c = sb.NextChar;
    if (run.IniValues.IsWordChar[c] || (lineMode && c != ' ')) {
      if (c == ',' && commaSplit)
        commaSeen = true;
      else
        lp.WordBuffer.push_back(static_cast<char>(c));
    } else if (c == ' ') {
      if (commaSeen && firstPartPending) {
        firstPart = lp.WordBuffer;
        firstPartPending = false;
        lp.WordBuffer.clear();
      } else {
        StoreIndexWord(run, inverted, unlisted, false);
      }
    }
    ReadSourceChar(run);
  }
  if (lineMode && sb.NextChar == kCr) run.Lines.ErrorLineOffset = 1;  // its line end is counted
  if (lineMode && inverted && sb.CurChar == ' ')
    run.Reporter.ReportSourceError(MessageId::SpaceAfterIv, 0);
  else if (lineMode && lp.ExternalBlock && sb.CurChar == ' ')
    run.Reporter.ReportSourceError(MessageId::SpaceAfterIn, 0);
  StoreIndexWord(run, inverted, inverted || unlisted, true);
  if (commaSeen && !firstPartPending) {
    lp.WordBuffer = firstPart;
    StoreIndexWord(run, inverted, unlisted, true);
  }
  PromoteLongerIndexEntry(run);
}

void SkipToLineEnd(CompilerRun& run) {
  while (!SourceEof(run) && run.Source.NextChar != kCr) ReadSourceChar(run);
}

void HeadingStep(CompilerRun& run, std::uint8_t level) {
  CheckUserBreak(run);
  TLinkPassState& lp = run.LinkPass;
  lp.HeadingOpensFrameGroup = lp.FramePending;
  const std::uint8_t old = lp.CurrentLevel;
  lp.CurrentLevel = level;
  AdvanceHeadingNumber(run, level);
  auto& cur = lp.LevelCursors;
  // Nil cursors (a tree that does not match the text) leave the entries without a node
  // rather than follow a missing link.
  if (!cur[1])
    cur[1] = run.Passes.HeadingTreeRoot;
  else if (level > old)
    cur[level] = cur[old] ? cur[old]->FirstChild : nullptr;
  else
    cur[level] = cur[level] ? cur[level]->NextSibling : nullptr;
  if (lp.FramePending) lp.FrameFileNumber = lp.FrameGroupBase + 1;
  if (level <= run.Ini.NewFileLevel || lp.FrameGroupActive) NumberNextFile(run);
  run.Reporter.ShowProgress();
  SkipToLineEnd(run);
  ReadSourceChar(run);
  const THeadingLevelStyle& style = lp.HeadingLevelStyles[level];
  if (style.IndexMark) ParseIndexExpression(run, true, false, style.Comma, !style.SecondIndexMark);
  lp.FramePending = false;
}

void UrlBlockCommand(CompilerRun& run) {
  TLinkPassState& lp = run.LinkPass;
  lp.LocalLinks = false;
  if (!UrlBlocksAllowed(run)) return;
  ReadDotCommandLine(run);
  std::string line = run.Reader.DotLine;
  if (!line.empty() && UpperAscii(static_cast<std::uint8_t>(line[0])) == 'L') line.erase(0, 1);
  if (line.empty()) run.Reporter.ReportSourceError(MessageId::UrlMissing, 0);
  if (!line.empty() && line[0] == ' ') line.erase(0, 1);
  lp.ExternalBlock = true;
  lp.UrlBlock = true;
  for (char& c : line)
    if (c == '\\') c = '/';
  const std::size_t colon = line.find(':');
  if (colon != std::string::npos)
    for (std::size_t i = 0; i < colon; ++i)
      line[i] = static_cast<char>(run.FileNames.LowerCaseTable[static_cast<std::uint8_t>(line[i])]);
  lp.ExternalTarget = KeepExternalTarget(run, std::move(line));
}

void ExternalBlockCommand(CompilerRun& run) {
  TLinkPassState& lp = run.LinkPass;
  const TTargetFlags& target = run.Ini.TargetFlags;
  ReadDotCommandLine(run);
  const std::string name = run.Reader.DotLine;
  lp.ExternalContextId.clear();
  lp.UrlBlock = false;
  if (name.empty()) {
    lp.ExternalBlock = false;
    lp.LocalLinks = true;
    return;
  }
  const bool program = IsProgramFileName(run, name);
  const bool help = IsHelpFileName(run, name);
  if ((target.Ipf || target.RtfFamily) && (help || program)) {
    lp.ExternalBlock = true;
    lp.LocalLinks = false;
    std::string copy = name;
    if (target.RtfFamily)
      for (char& c : copy)
        if (c == '\\') c = '/';
    lp.ExternalTarget = KeepExternalTarget(run, std::move(copy));
    if (!program) {
      const std::string& panelName = run.Ini.PanelIdFileName;
      if (panelName.rfind("*.", 0) != 0) {
        run.Reporter.ReportSourceError(MessageId::PanelIdFileNameWithoutWildcard, 0);
        run.Reporter.Terminate(CompletedOrFailed(run, ExitCode::HelpFileNameWrong));
      }
      if (target.Ipf)
        ReadPanelIdHeader(run, SetFileExtension(name, CutText(panelName.substr(2), 199)));
    }
  } else {
    lp.LocalLinks = false;
    lp.ExternalBlock = false;
  }
  if (!help && !program) run.Reporter.ReportSourceError(MessageId::WrongExUsage, 0);
}

void IdCommand(CompilerRun& run) {
  TLinkPassState& lp = run.LinkPass;
  const TTargetFlags& target = run.Ini.TargetFlags;
  if (lp.UrlBlock) {
    if (!UrlBlocksAllowed(run)) return;
    ReadDotCommandLine(run);
    const std::string name = LowerCaseText(run.FileNames.LowerCaseTable, run.Reader.DotLine);
    for (const auto& group : run.IniValues.ButtonTable) {
      for (const TButtonEntry& row : group) {
        // Only rows that name a button bind it; an empty row or a code outside the table
        // would point nowhere.
        if (row.Name.empty() || row.Name != name) continue;
        if (row.Key >= 1 && row.Key < lp.ButtonUrls.size())
          lp.ButtonUrls[row.Key] = lp.ExternalTarget;
        break;
      }
    }
    return;
  }
  if (!target.Ipf && !target.RtfFamily) return;
  if (lp.ExternalBlock) {
    ReadDotCommandLine(run);
    std::string name = run.Reader.DotLine;
    if (!name.empty() && name.back() == ' ') name.pop_back();
    if (target.RtfFamily) {
      lp.ExternalContextId = CutText(name, kExternalContextIdMax);
    } else {
      const TPanelIdDefine* d = FindPanelIdDefine(run, name);
      if (!d)
        run.Reporter.ReportSourceError({MessageId::PanelIdNotFound, name}, 0);
      else
        lp.ExternalPanelNumber = d->Number;
    }
  } else if (run.Ini.PanelIdFileName.rfind("*.", 0) == 0) {
    lp.PanelIdFileWanted = true;
  }
}

void IndexCharCommand(CompilerRun& run) {
  TLinkPassState& lp = run.LinkPass;
  ReadSourceChar(run);
  std::uint8_t c = run.Source.NextChar;
  if (c == ' ' && !SourceEof(run)) {
    ReadSourceChar(run);
    c = run.Source.NextChar;
  }
  // A line end is no index character: it would turn every line end into an expression.
  if (c != kCr) lp.IndexChar = c;
}

void IndexLine(CompilerRun& run, bool inverted) {
  TLinkPassState& lp = run.LinkPass;
  if (!lp.LocalLinks && !lp.ExternalBlock) return;
  if (!inverted && lp.LocalLinks && run.Numbering.HeadingCounter == 0) {
    run.Reporter.ReportSourceError(MessageId::IndexEntryBeforeFirstHeading, 0);
    return;
  }
  ReadSourceChar(run);
  if (run.Source.NextChar == ' ') ReadSourceChar(run);
  ParseIndexExpression(run, true, inverted, false, false);
}

void TitleCommand(CompilerRun& run) {
  TLinkPassState& lp = run.LinkPass;
  ReadDotCommandLine(run);
  if (!run.Reader.DotLine.empty()) {
    lp.DocumentTitle = run.Reader.DotLine;
    return;
  }
  if (SourceEof(run)) return;
  ReadSourceChar(run);
  const std::uint8_t first = run.Source.NextChar;
  if (first == kCr) {  // an empty following line gives an empty title
    lp.DocumentTitle.clear();
    return;
  }
  ReadDotCommandLine(run);
  lp.DocumentTitle = CutText(std::string(1, static_cast<char>(first)) + run.Reader.DotLine, 255);
}

void HandleLinkPassCommand(CompilerRun& run, const std::string& cmd) {
  TLinkPassState& lp = run.LinkPass;
  if (!run.Reader.ConditionOn) {
    HandleConditionCommand(run, cmd, true);
    return;
  }
  if (cmd[0] >= '1' && cmd[0] <= '6') {
    HeadingStep(run, static_cast<std::uint8_t>(cmd[0] - '0'));
  } else if (cmd == "WA" || cmd == "FA") {
    if (!run.Switches.NoFrames) lp.FramePending = true;
  } else if (cmd == "DP") {
    ReadDotCommandLine(run);
    run.Reader.DotLine = "DP" + run.Reader.DotLine;
    HandleDpCommand(run);
  } else if (cmd == "TI") {
    TitleCommand(run);
  } else if (cmd == "UR") {
    UrlBlockCommand(run);
  } else if (cmd == "LO") {
    lp.ExternalBlock = false;
    lp.LocalLinks = true;
    lp.UrlBlock = false;
  } else if (cmd == "EX") {
    ExternalBlockCommand(run);
  } else if (cmd == "ID") {
    IdCommand(run);
  } else if (cmd == "ST" || cmd == "IC" || cmd == "IZ") {
    IndexCharCommand(run);
  } else if (cmd == "IU") {
    lp.CaseFreeIndex = true;
  } else if (cmd == "BD") {
    lp.GraphicsDirGiven = true;
  } else if (cmd == "SW" || cmd == "IN") {
    IndexLine(run, false);
  } else if (cmd == "SV" || cmd == "IT" || cmd == "IV") {
    IndexLine(run, true);
  } else {
    HandleConditionCommand(run, cmd, true);
  }
}

}  // namespace

void ResetFrameGroupState(CompilerRun& run) {
  run.LinkPass.FramePending = false;
  run.LinkPass.FrameGroupActive = false;
  run.Numbering.HeadingCounter = 0;
  run.Reader.PendingHeadingNumber = 0;
  run.Reader.PendingFileNumber = 0;
}

void AdvanceHeadingNumber(CompilerRun& run, std::uint8_t level) {
  TLinkPassState& lp = run.LinkPass;
  NumberNextHeading(run);
  if (lp.FramePending) {
    lp.FrameGroupActive = true;
    lp.FrameGroupLevel = level;
    lp.FrameGroupBase = static_cast<std::int32_t>(run.Numbering.HeadingCounter) * 3;
  } else if (lp.FrameGroupActive && level <= lp.FrameGroupLevel) {
    lp.FrameGroupActive = false;
  }
}

bool UrlBlocksAllowed(const CompilerRun& run) { return !run.Ini.TargetFlags.WinHelp3; }

bool IsProgramFileName(const CompilerRun& run, std::string_view name) {
  return ContainsLowered(run, name, {".exe", ".com", ".cmd", ".bat"});
}

bool IsHelpFileName(const CompilerRun& run, std::string_view name) {
  return ContainsLowered(run, name, {".hlp", ".inf"});
}

void AppendIndexWordLink(CompilerRun& run, std::string_view word) {
  TIndexStore& st = run.IndexStore;
  TIndexEntry* entry = st.LastInserted;
  if (!entry) return;
  TIndexWordLink* link = &st.WordLinkStore.Add();
  link->Word.assign(word.substr(0, std::min<std::size_t>(word.size(), kIndexWordMax)));
  if (run.LinkPass.CaseFreeIndex)
    link->Word = LowerCaseText(run.FileNames.LowerCaseTable, link->Word);
  link->OriginalFirstChar = link->Word.empty() ? 0 : static_cast<std::uint8_t>(link->Word[0]);
  if (!link->Word.empty())
    link->Word[0] =
        static_cast<char>(run.FileNames.LowerCaseTable[static_cast<std::uint8_t>(link->Word[0])]);
  NoteWordLinkAdded(run, *entry, link);
}

std::uint8_t CountIndexWordLinks(const TIndexEntry& entry) { return entry.LinkCount; }

void HandleDpCommand(CompilerRun& run) {
  TLinkPassState& lp = run.LinkPass;
  const std::string& line = run.Reader.DotLine;
  THeadingLevelStyle work;
  bool levels[7] = {};
  bool anyLevel = false, clear = false;
  for (std::size_t i = 2; i < line.size(); ++i) {
    const std::uint8_t c = static_cast<std::uint8_t>(line[i]);
    if (c == ' ') continue;
    if (c >= '1' && c <= '6') {
      levels[c - '0'] = true;
      anyLevel = true;
    } else if (c == ',') {
      work.Comma = true;
    } else if (c == '-') {
      clear = true;
    } else if (c >= 0x41 && c <= 0x7A) {
      work.Letter = static_cast<char>(c);
      work.LetterGiven = true;
    } else if (c == '#' || c == lp.IndexChar || c == run.Ini.IndexChar) {
      if (!work.IndexMark)
        work.IndexMark = true;
      else
        work.SecondIndexMark = true;
    } else {
      run.Reporter.ReportSourceError(MessageId::WrongDpChar, 0);
    }
  }
  if (clear) work = THeadingLevelStyle{};
  for (int level = 1; level <= 6; ++level)
    if (!anyLevel || levels[level]) lp.HeadingLevelStyles[level] = work;
}

void CollectIndexAndLinks(CompilerRun& run) {
  TLinkPassState& lp = run.LinkPass;
  for (auto& style : lp.HeadingLevelStyles) style = THeadingLevelStyle{};
  BuildIndexSortTable(run);
  ClearIndexStore(run);
  lp.ExternalPanelNumber = 0;
  ResetFrameGroupState(run);
  lp.LevelCursors.fill(nullptr);
  run.Reader.ConditionOn = true;
  run.Reader.IfOpen = false;
  run.LinkWriter.UrlIconPending = true;
  lp.CaseFreeIndex = false;
  lp.ExternalBlock = false;
  lp.LocalLinks = true;
  lp.UrlBlock = false;
  run.Numbering.FileCounter = -1;
  lp.FrameFileNumber = 0;
  lp.ColonForm = false;
  lp.HeadingOpensFrameGroup = false;
  lp.FrameGroupActive = false;
  PrimeReaderWindow(run);
  lp.CurrentLevel = 1;
  RewindSource(run);

  TSourceBuffer& sb = run.Source;
  while (!SourceEof(run)) {
    // Inside a line only the index character matters here.
    SkipWithinLine(run, lp.IndexChar);
    if (SourceEof(run)) break;
    ReadSourceChar(run);
    if (sb.CurChar == kCr && run.Reader.DotLineMark) {
      ReadSourceChar(run);
      ReadSourceChar(run);
      std::string cmd;
      cmd.push_back(static_cast<char>(UpperAscii(sb.CurChar)));
      cmd.push_back(static_cast<char>(UpperAscii(sb.NextChar)));
      if (!SourceEof(run)) HandleLinkPassCommand(run, cmd);
      SkipToLineEnd(run);
      run.Lines.ErrorLineOffset = 0;
    } else if (sb.NextChar == lp.IndexChar && run.Reader.ConditionOn) {
      ReadSourceChar(run);
      lp.ColonForm = sb.NextChar == ':';
      if (lp.ColonForm) ReadSourceChar(run);
      ParseIndexExpression(run, false, false, false, false);
    }
  }
  if (lp.ExternalBlock) {
    run.Reporter.ReportSourceError(MessageId::ExWithoutParameters, 0);
    lp.ExternalBlock = false;
  }
}

}  // namespace skeldon

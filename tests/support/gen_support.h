// Test support for the generation writers: a prepared run for one target, and small fakes of
// the heading pass and of the output pass's text loop (the real passes drive the same
// writers). Header-only so that the fuzz target and the benchmark share it.
#pragma once

#include <array>
#include <cstdio>
#include <memory>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "compiler/passes/compiler_run.h"
#include "compiler/foundation/char_conversion.h"
#include "compiler/foundation/file_names.h"
#include "compiler/foundation/ini_values.h"
#include "compiler/writers/markup.h"
#include "compiler/foundation/source_buffer.h"
#include "compiler/foundation/switches.h"
#include "compiler/foundation/toggles.h"
#include "compiler/writers/external_links.h"
#include "compiler/writers/index_markers.h"
#include "compiler/passes/index_store.h"
#include "compiler/passes/link_pass.h"
#include "compiler/writers/link_writer.h"
#include "compiler/passes/pass_services.h"
#include "compiler/passes/reservations.h"
#include "compiler/passes/source_reader.h"

namespace skeldon {

namespace gen_test {

// Internal toggle characters used by the tests: 0xF0 .. 0xFB, toggle n = 0xEF + n.
inline std::uint8_t ToggleChar(int toggle) { return static_cast<std::uint8_t>(0xEF + toggle); }

inline void SetTarget(CompilerRun& run, std::string_view target) {
  TTargetFlags t;
  if (target == "html") t.Html = true;
  else if (target == "htmlhelp") t.Html = t.HtmlHelp = true;
  else if (target == "ipf") t.Ipf = true;
  else if (target == "winhelp3") t.RtfFamily = t.WinHelp3 = true;
  else if (target == "winhelp4") t.RtfFamily = t.WinHelp4 = true;
  else if (target == "rtftext") t.RtfFamily = t.RtfText = true;
  run.ini.TargetFlags = t;
}

// User conditions first, then the target's names, as the compile driver appends them.
template <typename List>
inline void SetConditionList(CompilerRun& run, const List& user) {
  TSwitches& s = run.switches;
  s.ConditionCount = 0;
  auto add = [&](std::string_view n) { s.ConditionNames[s.ConditionCount++] = std::string(n); };
  for (std::string_view n : user) add(n);
  const TTargetFlags& t = run.ini.TargetFlags;
  if (t.Html) add("html");
  if (t.HtmlHelp) add("htmlhelp");
  if (t.Ipf) add("ipf");
  if (t.RtfFamily) {
    add("winhelp");
    add(t.WinHelp3 ? "winhelp3" : "winhelp4");
  }
}
inline void SetConditions(CompilerRun& run, std::initializer_list<std::string_view> user) {
  SetConditionList(run, user);
}

struct TestRun {
  std::unique_ptr<CompilerRun> run = std::make_unique<CompilerRun>();
  TCapturingConsole* console = nullptr;

  explicit TestRun(std::string_view target = "html") {
    CompilerRun& r = *run;
    auto c = std::make_unique<TCapturingConsole>();
    console = c.get();
    r.reporter.SetConsole(std::move(c));
    InitMainUnit(r);
    ResetSwitches(r.switches);
    ResetIniSettings(r.ini);
    r.switches.WordStarInput = false;
    r.switches.SoftLineEnds = false;
    r.switches.ContentsDepth = 6;
    r.ini.IndexChar = '#';
    r.linkPass.IndexChar = '#';
    r.ini.NewFileLevel = 1;
    r.ini.DefaultFrame = "main";
    r.ini.DefaultFontSize = 10;
    r.ini.CreateIndex = true;
    r.ini.PanelIdFileName = "*.PAN";
    r.ini.HelpTableFileName = "*.HLT";
    r.fileNames.PageExtension = ".HTML";
    r.ini.CapitalFirstLetter = true;
    r.ini.CapitalOtherLetters = true;
    r.ini.ExtensionLength = 5;
    r.switches.SourceFileName = "GUIDE.TXT";
    BuildWordCharTable(r.iniValues.IsWordChar, "");
    ClearFontDefs(r.iniValues);
    r.toggles.InternalToggleChars.clear();
    for (int i = 1; i <= kToggleCount; ++i)
      r.toggles.InternalToggleChars.push_back(static_cast<char>(ToggleChar(i)));
    BuildToggleCharTable(r.toggles);
    SetTarget(r, target);
    SetConditions(r, {});
    r.RunSuccess = true;
    // No progress spinner in captured output.
    r.reporterState.ProgressCounter = 1;
    r.reporterState.ProgressStep = 1 << 30;
  }
  CompilerRun& operator*() { return *run; }
  CompilerRun* operator->() { return run.get(); }

  void Load(std::string_view text) {
    run->source.Data.assign(text);
    run->source.Loaded = true;
    run->source.Position = 0;
  }
  std::string Messages() const { return console->Text; }
};

// The heading pass as far as the writers need it: the heading tree with numbers, files,
// frame-group flags and .ID strings, and the .ID page marks of HTML runs.
inline void FakeHeadingPass(CompilerRun& run) {
  TSourceBuffer& sb = run.source;
  TLinkPassState& lp = run.linkPass;
  RewindSource(run);
  PrimeReaderWindow(run);
  run.reader.ConditionOn = true;
  run.reader.IfOpen = false;
  run.numbering.FileCounter = -1;
  ResetFrameGroupState(run);
  run.passes.HeadingTreeRoot = nullptr;
  run.fileNames.IdMarkList.clear();
  std::array<THeadingNode*, 8> last{};
  THeadingNode* current = nullptr;
  while (!SourceEof(run)) {
    ReadSourceChar(run);
    if (!(sb.NextChar == '.' && sb.CurChar == 0x0D)) continue;
    ReadSourceChar(run);
    ReadSourceChar(run);
    std::string cmd;
    for (std::uint8_t c : {sb.CurChar, sb.NextChar})
      cmd.push_back(static_cast<char>(c >= 'a' && c <= 'z' ? c - 32 : c));
    if (SourceEof(run)) break;
    if (!run.reader.ConditionOn) {
      HandleConditionCommand(run, cmd, true);
    } else if (cmd[0] >= '1' && cmd[0] <= '6') {
      const int level = cmd[0] - '0';
      const bool group = lp.FramePending;
      AdvanceHeadingNumber(run, static_cast<std::uint8_t>(level));
      if (level <= run.ini.NewFileLevel || lp.FrameGroupActive) NumberNextFile(run);
      THeadingNode* node = NewHeadingNode(run);
      node->HeadingNumber = run.numbering.HeadingCounter;
      node->FileNumber = static_cast<std::int16_t>(run.numbering.FileCounter);
      node->GroupFlag = group ? 1 : 0;
      while (!SourceEof(run) && sb.NextChar != 0x0D) ReadSourceChar(run);
      node->SourcePosition = static_cast<std::int32_t>(sb.Position);
      THeadingNode* parent = level > 1 ? last[level - 1] : nullptr;
      THeadingNode** slot = parent ? &parent->FirstChild : &run.passes.HeadingTreeRoot;
      while (*slot) slot = &(*slot)->NextSibling;
      *slot = node;
      last[level] = node;
      for (int l = level + 1; l < 8; ++l) last[l] = nullptr;
      current = node;
      lp.FramePending = false;
    } else if (cmd == "WA" || cmd == "FA") {
      if (!run.switches.NoFrames) lp.FramePending = true;
    } else if (cmd == "ID") {
      ReadDotCommandLine(run);
      const std::string word = run.reader.DotLine.substr(0, run.reader.DotLine.find(' '));
      if (current && !current->OwnString && !word.empty())
        current->OwnString = KeepOwnString(run, word);
      const std::int16_t file = static_cast<std::int16_t>(run.numbering.FileCounter);
      bool marked = false;
      for (const TIdMark& m : run.fileNames.IdMarkList) marked = marked || m.FileNumber == file;
      if (run.ini.TargetFlags.Html && !marked && IsSafePageWord(word))
        run.fileNames.IdMarkList.push_back({file, word});
    } else {
      HandleConditionCommand(run, cmd, true);
    }
    while (!SourceEof(run) && sb.NextChar != 0x0D) ReadSourceChar(run);
    run.lines.ErrorLineOffset = 0;
  }
}

// The prepasses as the compile driver runs them.
inline void RunPrepasses(CompilerRun& run) {
  run.reader.PrePassRunning = true;
  ResetIndexChar(run);
  FakeHeadingPass(run);
  ResetIndexChar(run);
  CollectIndexAndLinks(run);
}

inline THeadingNode* NextPreOrder(THeadingNode* node, std::array<THeadingNode*, 8>& stack, int& depth) {
  if (!node) return nullptr;
  if (node->FirstChild) {
    stack[++depth] = node;
    return node->FirstChild;
  }
  while (node) {
    if (node->NextSibling) return node->NextSibling;
    node = depth > 0 ? stack[depth--] : nullptr;
  }
  return nullptr;
}

// The output pass's text loop, reduced to what the link writer needs: one output text,
// headings as <hN> lines, index lines through the marker writer, paragraph breaks.
inline void FakeOutputPass(CompilerRun& run) {
  TSourceBuffer& sb = run.source;
  TLinkPassState& lp = run.linkPass;
  TLinkWriterState& lw = run.linkWriter;
  run.reader.PrePassRunning = false;
  run.reader.ConditionOn = true;
  run.reader.IfOpen = false;
  ResetFrameGroupState(run);
  run.numbering.FileCounter = -1;
  ResetIndexChar(run);
  lw.MarkedExpression.clear();
  lw.InIndexExpression = false;
  lw.OpenLinkEnd = 0;
  run.passes.CurrentFrameGroupNumber = -1;
  lp.LocalLinks = true;
  lp.ExternalBlock = false;
  lp.UrlBlock = false;
  lp.LevelCursors.fill(nullptr);
  lp.CurrentLevel = 1;
  run.passes.CurrentTopicNode = nullptr;
  RewindSource(run);
  PrimeReaderWindow(run);
  sb.LineEndCount = 0;
  std::string& out = run.passes.OutputFile;
  std::array<THeadingNode*, 8> stack{};
  int depth = 0;
  THeadingNode* node = nullptr;
  bool first = true;
  while (!SourceEof(run)) {
    ReadSourceChar(run);
    if (lw.OpenLinkEnd != 0 && sb.Position == lw.OpenLinkEnd) CloseOpenLink(run);
    if (sb.NextChar == '.' && sb.CurChar == 0x0D) {
      if (sb.LineEndCount > 0 && !out.empty() && out.back() != '\n') out += "\r\n";
      std::string line;
      while (!SourceEof(run)) {
        ReadSourceChar(run);
        if (sb.NextChar == 0x0D) break;
        line.push_back(static_cast<char>(sb.NextChar));
      }
      std::string cmd = line.substr(0, 2);
      for (char& c : cmd)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
      run.reader.DotLine = line;
      sb.LineEndCount = 0;
      // Its line end is counted already; messages name the dot line itself.
      run.lines.ErrorLineOffset = sb.NextChar == 0x0D ? 1 : 0;
      struct OffsetReset {
        CompilerRun& r;
        ~OffsetReset() { r.lines.ErrorLineOffset = 0; }
      } reset{run};
      if (!run.reader.ConditionOn) {
        HandleConditionCommand(run, cmd, false);
        continue;
      }
      if (!cmd.empty() && cmd[0] >= '1' && cmd[0] <= '6') {
        EmitLinkedChar(run, 0);
        const std::uint8_t level = static_cast<std::uint8_t>(cmd[0] - '0');
        CloseOpenToggles(run);
        ClearLinkedInTopic(run);
        lp.HeadingOpensFrameGroup = lp.FramePending;
        const std::uint8_t old = lp.CurrentLevel;
        lp.CurrentLevel = level;
        AdvanceHeadingNumber(run, level);
        if (level <= run.ini.NewFileLevel || lp.FrameGroupActive) NumberNextFile(run);
        lp.FramePending = false;
        node = first ? run.passes.HeadingTreeRoot : NextPreOrder(node, stack, depth);
        first = false;
        if (!lp.LevelCursors[1]) lp.LevelCursors[1] = node;
        else if (level > old) lp.LevelCursors[level] = node;
        else lp.LevelCursors[level] = node;
        run.passes.CurrentTopicNode = node;
        out += "<h" + std::to_string(level) + ">";
        run.markup.CollectingHeading = true;
        ReadSourceChar(run);  // first character of the title line
        while (!SourceEof(run) && sb.NextChar != 0x0D) {
          EmitLinkedChar(run, sb.NextChar);
          ReadSourceChar(run);
        }
        EmitLinkedChar(run, 0);
        run.markup.CollectingHeading = false;
        out += "</h" + std::to_string(level) + ">\r\n";
        sb.LineEndCount = 0;
        continue;
      }
      std::string rest = line.size() > 2 ? line.substr(2) : std::string();
      if (!rest.empty() && rest[0] == ' ') rest.erase(0, 1);
      if (cmd == "SW" || cmd == "IN" || cmd == "SV" || cmd == "IT" || cmd == "IV") {
        EmitLinkedChar(run, 0);
        lw.MarkedExpression = rest.substr(0, 199);
        lw.MarkedExpressionWords = true;
        WriteIndexMarker(run, cmd != "SW" && cmd != "IN", false);
      } else if (cmd == "UR") {
        lp.LocalLinks = false;
        lp.ExternalBlock = UrlBlocksAllowed(run);
        lp.UrlBlock = lp.ExternalBlock;
      } else if (cmd == "LO" || (cmd == "EX" && rest.empty())) {
        lp.LocalLinks = true;
        lp.ExternalBlock = false;
        lp.UrlBlock = false;
      } else if (cmd == "EX") {
        lp.LocalLinks = false;
        lp.UrlBlock = false;
        lp.ExternalBlock = (run.ini.TargetFlags.Ipf || run.ini.TargetFlags.RtfFamily) &&
                           (IsHelpFileName(run, rest) || IsProgramFileName(run, rest));
      } else if (cmd == "IC" || cmd == "ST" || cmd == "IZ") {
        std::string_view r = line.size() > 2 ? std::string_view(line).substr(2) : "";
        if (!r.empty() && r[0] == ' ' && r.size() > 1) r.remove_prefix(1);
        if (!r.empty()) lp.IndexChar = static_cast<std::uint8_t>(r[0]);
      } else if (cmd == "WA" || cmd == "FA") {
        if (!run.switches.NoFrames) lp.FramePending = true;
      } else if (cmd == "TI") {
        if (rest.empty())  // the title is the following line
          while (!SourceEof(run)) {
            ReadSourceChar(run);
            if (sb.NextChar == 0x0D) break;
          }
        sb.LineEndCount = 0;
      } else if (cmd == "HC") {
        run.sourceText.HtmlCodeOn = rest.rfind("ON", 0) == 0 || rest.rfind("on", 0) == 0;
      } else if (cmd == "IU") {
        lp.CaseFreeIndex = true;
      } else {
        HandleConditionCommand(run, cmd, false);
      }
      continue;
    }
    if (!run.reader.ConditionOn) continue;
    if (sb.NextChar == 0x0D) {
      // A soft line end is a blank; counted line ends become a break before the next text.
      EmitLinkedChar(run, sb.LineEndCount == 0 ? ' ' : 0);
      continue;
    }
    if (sb.LineEndCount >= 2) {
      WriteParagraphBreak(run);
      if (run.ini.LinksPerParagraph && !run.ini.TargetFlags.RtfText) ClearLinkedInTopic(run);
    } else if (sb.LineEndCount == 1) {
      out += "\r\n";
    }
    sb.LineEndCount = 0;
    EmitLinkedChar(run, sb.NextChar == 0x1C ? ' ' : sb.NextChar);  // a WordStar soft space
  }
  EmitLinkedChar(run, 0);
  if (lw.OpenLinkEnd != 0) CloseOpenLink(run);
  if (sb.LineEndCount > 0 && !out.empty() && out.back() != '\n') out += "\r\n";
}

inline std::string Printable(std::string_view s) {
  std::string r;
  for (unsigned char c : s) {
    if (c >= 0x20 && c < 0x7F && c != '\\') r.push_back(static_cast<char>(c));
    else {
      char buf[8];
      std::snprintf(buf, sizeof buf, "\\x%02X", c);
      r += buf;
    }
  }
  return r;
}

inline std::string DescribeNode(const THeadingNode* n) {
  if (!n) return "none";
  return "hd" + std::to_string(n->HeadingNumber);
}

// A readable dump of what the passes collected.
inline std::string DumpPasses(CompilerRun& run) {
  std::ostringstream o;
  o << "== headings\n";
  struct Walk {
    static void Go(CompilerRun& run, std::ostringstream& o, const THeadingNode* n, int depth) {
      for (; n; n = n->NextSibling) {
        std::string title;
        CopyHeadingTitle(run, title, n->SourcePosition, false, true, false);
        o << std::string(static_cast<std::size_t>(depth) * 2, ' ') << "level " << depth + 1 << " hd"
          << n->HeadingNumber << " file " << n->FileNumber << (n->GroupFlag ? " group" : "")
          << (n->OwnString ? " id=" + *n->OwnString : "") << " \"" << Printable(title) << "\"\n";
        Go(run, o, n->FirstChild, depth + 1);
      }
    }
  };
  Walk::Go(run, o, run.passes.HeadingTreeRoot, 0);
  o << "== .ID pages\n";
  for (const TIdMark& m : run.fileNames.IdMarkList)
    o << "file " << m.FileNumber << " \"" << Printable(m.Name) << "\" page "
      << MakeTopicFileName(run, m.FileNumber, false, 0) << " frameset "
      << MakeTopicFileName(run, m.FileNumber, true, 0) << "\n";
  o << "== reservations\n";
  for (const TNumberReservation& r : run.numbering.ReservationList)
    o << (r.Kind ? ".NR" : ".HD") << " natural " << r.NaturalNumber << " used " << r.UsedNumber
      << " reserved " << r.ReservedValue << " line " << r.SourceLine << "\n";
  o << "== index store (" << run.indexStore.EntryNumberCounter << " numbers)\n";
  for (int b = 0; b < 256; ++b) {
    const TIndexEntry* e = run.indexStore.IndexBuckets[b];
    if (!e) continue;
    char buf[16];
    std::snprintf(buf, sizeof buf, "bucket %3d:\n", b);
    o << buf;
    for (; e; e = e->NextInBucket) {
      o << "  #" << e->EntryNumber << " \"" << Printable(e->Word) << "\"";
      for (const TIndexWordLink* l = e->WordLinks; l; l = l->Next) o << " + \"" << Printable(l->Word) << "\"";
      o << " orig=" << Printable(std::string(1, static_cast<char>(e->OriginalFirstChar)));
      if (e->IndexOnly) o << " index-only";
      if (e->Unlisted) o << " unlisted";
      if (e->Inverted) o << " inverted";
      if (e->IsUrl) o << " url";
      if (e->LinkTarget) {
        o << " -> \"" << Printable(*e->LinkTarget) << "\"";
        if (e->ContextId) o << " ctx=\"" << Printable(*e->ContextId) << "\"";
        if (e->HeadingNumber) o << " panel " << e->HeadingNumber;
      } else {
        o << " -> hd" << e->HeadingNumber << " file " << e->FileNumber << " node "
          << DescribeNode(e->HeadingNode);
        if (e->OpensFrameGroup) o << " opens-group";
        if (e->ContextId) o << " ctx=" << Printable(*e->ContextId);
      }
      if (e->GroupFileNumber != -99) o << " groupfile " << e->GroupFileNumber;
      o << "\n";
    }
  }
  o << "== keywords per topic\n";
  const TTargetFlags saved = run.ini.TargetFlags;
  for (std::uint32_t h = 0; h < run.indexStore.HeadingFirstEntry.size(); ++h) {
    if (!run.indexStore.HeadingFirstEntry[h]) continue;
    SetTarget(run, "html");
    run.passes.OutputFile.clear();
    WriteTopicKeywords(run, static_cast<std::uint16_t>(h));
    o << "hd" << h << (HasTopicKeywords(run, static_cast<std::uint16_t>(h)) ? "" : " (none listed)")
      << ": " << Printable(run.passes.OutputFile) << "\n";
  }
  run.ini.TargetFlags = saved;
  run.passes.OutputFile.clear();
  const TLinkPassState& lp = run.linkPass;
  o << "== state\n";
  o << "title \"" << Printable(lp.DocumentTitle) << "\" index char "
    << Printable(std::string(1, static_cast<char>(lp.IndexChar))) << " case-free "
    << lp.CaseFreeIndex << " panel-id-file " << lp.PanelIdFileWanted << " graphics-dir "
    << lp.GraphicsDirGiven << " index-page " << run.indexStore.IndexPageWanted << " frame-groups "
    << run.indexStore.FrameGroupsUsed << "\n";
  for (int level = 1; level <= 6; ++level) {
    const THeadingLevelStyle& s = lp.HeadingLevelStyles[level];
    if (!s.IndexMark && !s.LetterGiven && !s.Comma) continue;
    o << "level " << level << " style:" << (s.LetterGiven ? std::string(" letter ") + s.Letter : "")
      << (s.IndexMark ? " index" : "") << (s.SecondIndexMark ? " keywords" : "")
      << (s.Comma ? " comma" : "") << "\n";
  }
  for (std::size_t code = 1; code < lp.ButtonUrls.size(); ++code)
    if (lp.ButtonUrls[code]) o << "button " << code << " -> " << *lp.ButtonUrls[code] << "\n";
  o << "== messages\n";
  if (auto* c = dynamic_cast<TCapturingConsole*>(&run.reporter.Console())) {
    std::string line;
    for (char ch : c->Text) {
      if (ch == '\r') continue;
      if (ch == '\n') {
        o << Printable(line) << "\n";
        line.clear();
      } else {
        line.push_back(ch);
      }
    }
    if (!line.empty()) o << Printable(line) << "\n";
  }
  return o.str();
}

}  // namespace gen_test

}  // namespace skeldon

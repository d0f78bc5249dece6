// Stand-ins for the heading pass and for the output pass's text loop, for the tests that need
// what the real passes do not give (the comment at each use says what): the heading stand-in
// takes a source without headings and keeps the first .ID word of a heading in every target;
// the output stand-in writes only the running text with its links, headings as <hN> lines.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "compiler/foundation/file_names.h"
#include "compiler/foundation/source_buffer.h"
#include "compiler/passes/compiler_run.h"
#include "compiler/passes/index_store.h"
#include "compiler/passes/link_pass.h"
#include "compiler/passes/pass_services.h"
#include "compiler/passes/reservations.h"
#include "compiler/passes/source_reader.h"
#include "compiler/writers/external_links.h"
#include "compiler/writers/index_markers.h"
#include "compiler/writers/link_writer.h"
#include "compiler/writers/markup.h"

namespace skeldon {

// The heading pass as far as the writers need it: the heading tree with numbers, files,
// frame-group flags and .ID strings, and the .ID page marks of HTML runs.
inline void FakeHeadingPass(CompilerRun& run) {
  TSourceBuffer& sb = run.Source;
  TLinkPassState& lp = run.LinkPass;
  RewindSource(run);
  PrimeReaderWindow(run);
  run.Reader.ConditionOn = true;
  run.Reader.IfOpen = false;
  run.Numbering.FileCounter = -1;
  ResetFrameGroupState(run);
  run.Passes.HeadingTreeRoot = nullptr;
  run.FileNames.IdMarkList.clear();
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
    if (!run.Reader.ConditionOn) {
      HandleConditionCommand(run, cmd, true);
    } else if (cmd[0] >= '1' && cmd[0] <= '6') {
      const int level = cmd[0] - '0';
      const bool group = lp.FramePending;
      AdvanceHeadingNumber(run, static_cast<std::uint8_t>(level));
      if (level <= run.Ini.NewFileLevel || lp.FrameGroupActive) NumberNextFile(run);
      THeadingNode* node = NewHeadingNode(run);
      node->HeadingNumber = run.Numbering.HeadingCounter;
      node->FileNumber = static_cast<std::int16_t>(run.Numbering.FileCounter);
      node->GroupFlag = group ? 1 : 0;
      while (!SourceEof(run) && sb.NextChar != 0x0D) ReadSourceChar(run);
      node->SourcePosition = static_cast<std::int32_t>(sb.Position);
      THeadingNode* parent = level > 1 ? last[level - 1] : nullptr;
      THeadingNode** slot = parent ? &parent->FirstChild : &run.Passes.HeadingTreeRoot;
      while (*slot) slot = &(*slot)->NextSibling;
      *slot = node;
      last[level] = node;
      for (int l = level + 1; l < 8; ++l) last[l] = nullptr;
      current = node;
      lp.FramePending = false;
    } else if (cmd == "WA" || cmd == "FA") {
      if (!run.Switches.NoFrames) lp.FramePending = true;
    } else if (cmd == "ID") {
      ReadDotCommandLine(run);
      const std::string word = run.Reader.DotLine.substr(0, run.Reader.DotLine.find(' '));
      if (current && !current->OwnString && !word.empty())
        current->OwnString = KeepOwnString(run, word);
      const std::int16_t file = static_cast<std::int16_t>(run.Numbering.FileCounter);
      bool marked = false;
      for (const TIdMark& m : run.FileNames.IdMarkList) marked = marked || m.FileNumber == file;
      if (run.Ini.TargetFlags.Html && !marked && IsSafePageWord(word))
        run.FileNames.IdMarkList.push_back({file, word});
    } else {
      HandleConditionCommand(run, cmd, true);
    }
    while (!SourceEof(run) && sb.NextChar != 0x0D) ReadSourceChar(run);
    run.Lines.ErrorLineOffset = 0;
  }
}

// The prepasses over the heading pass's stand-in.
inline void RunPrepassesWithFakeHeadings(CompilerRun& run) {
  run.Reader.PrePassRunning = true;
  ResetIndexChar(run);
  FakeHeadingPass(run);
  ResetIndexChar(run);
  CollectIndexAndLinks(run);
}

inline THeadingNode* NextPreOrder(THeadingNode* node, std::array<THeadingNode*, 8>& stack,
                                  int& depth) {
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
  TSourceBuffer& sb = run.Source;
  TLinkPassState& lp = run.LinkPass;
  TLinkWriterState& lw = run.LinkWriter;
  run.Reader.PrePassRunning = false;
  run.Reader.ConditionOn = true;
  run.Reader.IfOpen = false;
  ResetFrameGroupState(run);
  run.Numbering.FileCounter = -1;
  ResetIndexChar(run);
  lw.MarkedExpression.clear();
  lw.InIndexExpression = false;
  lw.OpenLinkEnd = 0;
  run.Passes.CurrentFrameGroupNumber = -1;
  lp.LocalLinks = true;
  lp.ExternalBlock = false;
  lp.UrlBlock = false;
  lp.LevelCursors.fill(nullptr);
  lp.CurrentLevel = 1;
  run.Passes.CurrentTopicNode = nullptr;
  RewindSource(run);
  PrimeReaderWindow(run);
  sb.LineEndCount = 0;
  std::string& out = run.Passes.OutputFile;
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
      run.Reader.DotLine = line;
      sb.LineEndCount = 0;
      // Its line end is counted already; messages name the dot line itself.
      run.Lines.ErrorLineOffset = sb.NextChar == 0x0D ? 1 : 0;
      struct OffsetReset {
        CompilerRun& r;
        ~OffsetReset() { r.Lines.ErrorLineOffset = 0; }
      } reset{run};
      if (!run.Reader.ConditionOn) {
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
        if (level <= run.Ini.NewFileLevel || lp.FrameGroupActive) NumberNextFile(run);
        lp.FramePending = false;
        node = first ? run.Passes.HeadingTreeRoot : NextPreOrder(node, stack, depth);
        first = false;
        if (!lp.LevelCursors[1])
          lp.LevelCursors[1] = node;
        else if (level > old)
          lp.LevelCursors[level] = node;
        else
          lp.LevelCursors[level] = node;
        run.Passes.CurrentTopicNode = node;
        out += "<h" + std::to_string(level) + ">";
        run.Markup.CollectingHeading = true;
        ReadSourceChar(run);  // first character of the title line
        while (!SourceEof(run) && sb.NextChar != 0x0D) {
          EmitLinkedChar(run, sb.NextChar);
          ReadSourceChar(run);
        }
        EmitLinkedChar(run, 0);
        run.Markup.CollectingHeading = false;
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
        lp.ExternalBlock = (run.Ini.TargetFlags.Ipf || run.Ini.TargetFlags.RtfFamily) &&
                           (IsHelpFileName(run, rest) || IsProgramFileName(run, rest));
      } else if (cmd == "IC" || cmd == "ST" || cmd == "IZ") {
        std::string_view r = line.size() > 2 ? std::string_view(line).substr(2) : "";
        if (!r.empty() && r[0] == ' ' && r.size() > 1) r.remove_prefix(1);
        if (!r.empty()) lp.IndexChar = static_cast<std::uint8_t>(r[0]);
      } else if (cmd == "WA" || cmd == "FA") {
        if (!run.Switches.NoFrames) lp.FramePending = true;
      } else if (cmd == "TI") {
        if (rest.empty())  // the title is the following line
          while (!SourceEof(run)) {
            ReadSourceChar(run);
            if (sb.NextChar == 0x0D) break;
          }
        sb.LineEndCount = 0;
      } else if (cmd == "HC") {
        run.SourceText.HtmlCodeOn = rest.rfind("ON", 0) == 0 || rest.rfind("on", 0) == 0;
      } else if (cmd == "IU") {
        lp.CaseFreeIndex = true;
      } else {
        HandleConditionCommand(run, cmd, false);
      }
      continue;
    }
    if (!run.Reader.ConditionOn) continue;
    if (sb.NextChar == 0x0D) {
      // A soft line end is a blank; counted line ends become a break before the next text.
      EmitLinkedChar(run, sb.LineEndCount == 0 ? ' ' : 0);
      continue;
    }
    if (sb.LineEndCount >= 2) {
      WriteParagraphBreak(run);
      if (run.Ini.LinksPerParagraph && !run.Ini.TargetFlags.RtfText) ClearLinkedInTopic(run);
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

}  // namespace skeldon

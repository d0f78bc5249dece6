#include "compiler/writers/link_writer.h"

#include <algorithm>
#include <vector>

#include "compiler/foundation/decimal_text.h"
#include "compiler/foundation/file_names.h"
#include "compiler/foundation/source_buffer.h"
#include "compiler/foundation/toggles.h"
#include "compiler/passes/compiler_run.h"
#include "compiler/passes/index_store.h"
#include "compiler/passes/link_pass.h"
#include "compiler/passes/pass_services.h"
#include "compiler/passes/reservations.h"
#include "compiler/passes/source_reader.h"
#include "compiler/writers/external_links.h"
#include "compiler/writers/index_markers.h"
#include "compiler/writers/inline_graphics.h"
#include "compiler/writers/source_text_output.h"

namespace skeldon {

namespace {

constexpr std::uint8_t kCr = 0x0D;
constexpr int kLinkColumnWidth = 25;

bool IsWinHelp(const TTargetFlags& t) { return t.WinHelp3 || t.WinHelp4; }
bool UnderlineOn(const CompilerRun& run) { return run.Toggles.ToggleState[3]; }

void Write(CompilerRun& run, std::uint8_t ch) {
  if (ch != 0) WriteSourceChar(run, ch, run.Passes.OutputFile);
}

void WriteCollected(CompilerRun& run, const std::string& text) {
  // Most collected words are letters and digits only, which every target writes unchanged:
  // one look at each byte, then one append (as WriteSourceText would do with them).
  const auto& plain = run.Toggles.IsPlainOutputChar;
  // The closing NUL is no letter or digit: it ends the scan at the end of the word.
  const char* const bytes = text.c_str();
  std::size_t n = 0;
  while (plain[static_cast<std::uint8_t>(bytes[n])]) ++n;
  if (n == text.size()) {
    if (n == 0) return;
    run.Passes.OutputFile += text;
    const TSourceTextState& st = run.SourceText;
    if (!(st.HtmlCodeOn && st.InHtmlCode)) run.CharConversion.Context.AfterFontChange = false;
    return;
  }
  if (text.find('\0', n) == std::string::npos) {
    WriteSourceText(run, text, run.Passes.OutputFile);
    return;
  }
  for (char c : text) Write(run, static_cast<std::uint8_t>(c));
}

std::string LinkClose(CompilerRun& run) {
  const TTargetFlags& t = run.Ini.TargetFlags;
  if (t.Html) return "</a>";
  if (t.Ipf) return ":elink.";
  return run.LinkWriter.LinkCloseText;
}

void UrlIcon(CompilerRun& run, const TIndexEntry& e) {
  const TTargetFlags& t = run.Ini.TargetFlags;
  const std::string& setting = run.Ini.UrlGraphicsFile;
  if (!e.IsUrl || setting.empty() || setting == "NO" || t.RtfText) return;
  if (!e.LinkTarget || !IsNetworkUrl(*e.LinkTarget)) return;
  std::string name = setting;
  if (name.find('.') == std::string::npos) name += t.Html ? ".GIF" : ".BMP";
  WriteUrlIcon(run, name);
}

void WriteHtmlAnchor(CompilerRun& run, const TIndexEntry& e) {
  std::string& out = run.Passes.OutputFile;
  const TLinkPassState& lp = run.LinkPass;
  const bool otherPage = e.FileNumber != run.Numbering.FileCounter;
  std::string file;
  if (otherPage) file = MakeTopicFileName(run, e.FileNumber, false, 0);
  // Appended piece by piece: this runs for every link of the text.
  out += "<a href=\"";
  out += file;
  if (!e.OpensFrameGroup && !(otherPage && IsFootnoteFrameset(run, e.FileNumber))) {
    out += "#hd";
    AppendDecimal(out, e.HeadingNumber);
  }
  out += '"';
  if (lp.FrameGroupActive && e.GroupFileNumber == run.Passes.CurrentFrameGroupNumber &&
      !e.OpensFrameGroup) {
    const std::int32_t n =
        e.HeadingNumber + 1 == e.GroupFileNumber ? e.GroupFileNumber : e.GroupFileNumber + 1;
    out += " target=\"group";
    AppendDecimal(out, n);
    out += '"';
  } else {
    out += " target=\"";
    out += run.Ini.DefaultFrame;
    out += '"';
  }
  if (!run.Ini.TargetFlags.HtmlHelp && !run.Ini.StatusbarMouseover.Text.empty() && otherPage) {
    bool& script = run.CharConversion.Context.InScriptString;
    script = true;
    out += " onMouseOver='window.status=\"";
    ExpandTemplate(run, out, run.Ini.StatusbarMouseover, e.HeadingNode, 0, true, true, file);
    out += "\";return true;'";
    out += " onMouseOut='window.status=\"";
    const std::uint8_t level = lp.CurrentLevel >= 1 && lp.CurrentLevel <= 6 ? lp.CurrentLevel : 1;
    ExpandTemplate(run, out, run.Ini.StatusbarDefault, lp.LevelCursors[level], 0, true, true,
                   run.Passes.CurrentOutputFileName);
    out += "\";return true;'";
    script = false;
  }
  out += ">";
}

void WriteOpening(CompilerRun& run, const TIndexEntry& e) {
  const TTargetFlags& t = run.Ini.TargetFlags;
  std::string& out = run.Passes.OutputFile;
  const bool internal = e.LinkTarget == nullptr;
  if (t.Html) {
    if (internal) {
      WriteHtmlAnchor(run, e);
    } else {
      UrlIcon(run, e);
      WriteExternalLink(run, *e.LinkTarget);
    }
  } else if (t.Ipf) {
    if (internal) {
      out += ":link reftype=hd res=" + std::to_string(e.HeadingNumber) + ".";
    } else if (e.IsUrl) {
      UrlIcon(run, e);
      WriteExternalLink(run, *e.LinkTarget);
    } else if (IsProgramFileName(run, *e.LinkTarget)) {
      const std::string& target = *e.LinkTarget;
      const std::size_t blank = target.find(' ');
      const std::string program = target.substr(0, blank);
      const std::string rest =
          blank == std::string::npos ? std::string() : target.substr(blank + 1);
      out += ":link reftype=launch object='" + program + "'";
      if (!rest.empty()) out += " data='" + rest + "'";
      out += ".";
    } else {
      out += ":link reftype=hd refid=h" + std::to_string(e.HeadingNumber) + " database='" +
             *e.LinkTarget + "'.";
    }
  } else if (t.RtfFamily) {
    if (!internal && e.IsUrl) {
      if (IsWinHelp(t)) UrlIcon(run, e);
      WriteExternalLink(run, *e.LinkTarget);
    } else {
      if (IsWinHelp(t) && UnderlineOn(run)) out += "\\ul0 ";
      out += "{";
      if (IsWinHelp(t)) out += "\\cf1\\uldb ";
    }
  }
}

std::string RtfCloseText(CompilerRun& run, const TIndexEntry& e) {
  const TTargetFlags& t = run.Ini.TargetFlags;
  const std::string q = "\"";
  std::string close;
  if (!e.LinkTarget) {
    if (t.RtfText) return "}";
    close = "}{\\v " + RtfEscaped(GetTopicId(e.ContextId, e.HeadingNumber)) +
            GetWindowSuffix(run, e.OpensFrameGroup != 0) + "}";
  } else if (e.IsUrl) {
    if (t.RtfText)
      return "}{\\super \\chftn{\\*\\footnote \\chftn\\pard\\plain " + *e.LinkTarget + "}}";
    close = "}{\\v !ExecFile(" + q + *e.LinkTarget + q + ")}";
  } else if (e.ContextId) {
    if (t.RtfText) return "}";
    close = "}{\\v " + RtfEscaped(*e.ContextId) + " @" + RtfEscaped(*e.LinkTarget) + "}";
  } else {
    if (t.RtfText) return "}";
    const std::string& target = *e.LinkTarget;
    const std::string lower = LowerCaseText(run.FileNames.LowerCaseTable, target);
    const std::size_t at = lower.find(".exe ");
    if (t.WinHelp4 && at != std::string::npos && at + 7 < target.size())
      close = "}{\\v !ExecFile(" + q + target.substr(at + 5) + q + ")}";
    else if (t.WinHelp4 && at == std::string::npos)
      close = "}{\\v !ExecFile(" + q + target + q + ")}";
    else
      close = "}{\\v !ExecProgram(" + q + target + q + ", 0)}";
  }
  if (UnderlineOn(run)) close += "\\ul ";
  return close;
}

void WriteUrlLink(CompilerRun& run) {
  const TTargetFlags& t = run.Ini.TargetFlags;
  TLinkWriterState& lw = run.LinkWriter;
  std::string& out = run.Passes.OutputFile;
  const std::string url = lw.MarkedExpression;
  WriteExternalLink(run, url);
  WriteCollected(run, url);
  if (t.Html)
    out += "</a>";
  else if (t.RtfText)
    out += "}";
  else if (t.RtfFamily) {
    out += "}{\\v !ExecFile(\"" + url + "\")}";
    if (UnderlineOn(run)) out += "\\ul ";
  } else if (t.Ipf)
    out += ":elink.";
  RecordExternalReference(run, url);
}

void WriteWordLink(CompilerRun& run) {
  TLinkWriterState& lw = run.LinkWriter;
  const TTargetFlags& t = run.Ini.TargetFlags;
  // Read in place, not copied, for every word of the text: nothing below collects words, and
  // the caller empties the collected word after this.
  const std::string& word = lw.MarkedExpression;
  TIndexEntry* entry = nullptr;
  bool several = false;
  entry = FindLinkEntry(run, word, [&](const TIndexEntry& candidate) {
    TSourceState saved;
    SaveSourceState(run, saved);
    const bool matched = MatchFollowingWords(run, candidate);
    const std::size_t end = run.Source.Position;
    RestoreSourceState(run, saved);
    if (matched) {
      lw.OpenLinkEnd = end;
      several = true;
    }
    return matched;
  });
  const std::uint16_t heading = run.Numbering.HeadingCounter;
  const bool refused =
      !entry || (!entry->LinkTarget && entry->HeadingNumber == heading) ||
      (entry->OpensFrameGroup && heading == entry->HeadingNumber + 1) ||
      run.Markup.OmitLinksActive || run.SourceText.InHtmlCode || WasLinkedInTopic(run, *entry) ||
      (t.RtfText && !entry->LinkTarget) ||
      (t.RtfFamily && entry->LinkTarget && entry->LinkTarget->rfind("mailto", 0) == 0);
  if (refused) {
    lw.OpenLinkEnd = 0;
    WriteCollected(run, word);
    return;
  }
  if (entry->LinkTarget)
    ++lw.ExternalLinkCount;
  else
    ++lw.InternalLinkCount;
  WriteOpening(run, *entry);
  AddLinkedInTopic(run, *entry);
  WriteCollected(run, word);
  if (!run.CharConversion.Context.InLineDrawingBlock && !run.Passes.TableMode)
    run.Passes.OutputColumn += kLinkColumnWidth;
  if (t.RtfFamily) lw.LinkCloseText = RtfCloseText(run, *entry);
  if (!several) run.Passes.OutputFile += LinkClose(run);
}

}  // namespace

void WriteUrlIcon(CompilerRun& run, const std::string& name) {
  if (run.LinkWriter.UrlIconPending) {
    RefreshGraphicsFile(run, name);
    run.LinkWriter.UrlIconPending = false;
  }
  WriteInlineGraphic(run, name);
}

bool MatchFollowingWords(CompilerRun& run, const TIndexEntry& entry) {
  const TIndexWordLink* link = entry.WordLinks;
  std::string collected;
  const auto& isWord = run.IniValues.IsWordChar;
  while (link && !SourceEof(run) && run.Source.LineEndCount == 0) {
    ReadSourceChar(run);
    const std::uint8_t c = run.Source.NextChar;
    if (isWord[c]) {
      collected.push_back(static_cast<char>(c));
      if (run.LinkPass.CaseFreeIndex)
        collected = LowerCaseText(run.FileNames.LowerCaseTable, collected);
    } else if (!collected.empty()) {
      if (!IndexWordsMatch(run, link->Word, collected)) return false;
      if (!link->Next) return true;
      link = link->Next;
      collected.clear();
    }
  }
  return false;
}

void CloseOpenLink(CompilerRun& run) {
  TLinkWriterState& lw = run.LinkWriter;
  if (lw.OpenLinkEnd == 0 || run.Source.Position > lw.OpenLinkEnd) return;
  run.Passes.OutputFile += LinkClose(run);
  lw.OpenLinkEnd = 0;
}

void EmitLinkedChar(CompilerRun& run, std::uint8_t ch) {
  TLinkWriterState& lw = run.LinkWriter;
  const TTargetFlags& t = run.Ini.TargetFlags;
  const auto& isWord = run.IniValues.IsWordChar;
  const std::uint8_t indexChar = run.LinkPass.IndexChar;
  const std::uint8_t last = lw.LastEmittedChar;
  lw.LastEmittedChar = ch;

  if (ch != 0 && ch == indexChar) {
    // A word standing right before the index character becomes part of the marker's
    // expression; it is written here, since the marker writes nothing of it.
    if (!lw.InIndexExpression) WriteCollected(run, lw.MarkedExpression);
    lw.CollectingUrl = false;
    lw.InIndexExpression = true;
    lw.MarkedExpressionWords = false;
    return;
  }
  if (indexChar != 0 && last == indexChar && ch == ':') {
    lw.MarkedExpressionWords = true;
    return;
  }
  if (lw.InIndexExpression) {
    const bool appended = isWord[ch] || (lw.MarkedExpressionWords && ch == ' ');
    bool endsColonForm = false;
    if (appended) {
      lw.MarkedExpression.push_back(static_cast<char>(ch));
    } else if (lw.MarkedExpressionWords) {
      if (ch == ':' || ch == ';') {
        endsColonForm = true;
        WriteIndexMarker(run, ch == ';', false);
      }
    } else if (!lw.MarkedExpression.empty()) {
      WriteIndexMarker(run, false, false);
    }
    if (!endsColonForm) Write(run, ch);
    return;
  }
  if (lw.OpenLinkEnd != 0 || run.Passes.InFootnote) {
    Write(run, ch);
    return;
  }
  if (ch == ':' && UrlBlocksAllowed(run) && !run.SourceText.InHtmlCode &&
      !run.Markup.OmitLinksActive) {
    const std::string& word = lw.MarkedExpression;
    const std::string candidate = word + ":";
    if ((IsNetworkUrl(candidate) || IsSpecialUrl(candidate)) &&
        !(word == "mailto" && t.RtfFamily)) {
      const std::uint8_t next = SourceEof(run) ? 0 : PeekBufferChar(run);
      if (word == "javascript" || word == "mailto")
        lw.CollectingUrl = next != kCr && next != ' ';
      else
        lw.CollectingUrl = next == '/';
    }
  }
  if (!run.Markup.CollectingHeading) {
    const bool urlChar = lw.CollectingUrl && ch != ' ' && ch != ')' && ch != ',' && ch != ';' &&
                         ch != kCr && ch != 0 && !run.Toggles.IsInternalToggleChar[ch];
    if (isWord[ch] || urlChar) {
      lw.MarkedExpression.push_back(static_cast<char>(ch));
      return;
    }
  }
  if (!lw.MarkedExpression.empty()) {
    if (lw.CollectingUrl)
      WriteUrlLink(run);
    else
      WriteWordLink(run);
  }
  lw.MarkedExpression.clear();
  Write(run, ch);
  lw.CollectingUrl = false;
}

}  // namespace skeldon

#include "compiler/passes/topic_switch.h"

#include <string>

#include "compiler/foundation/file_names.h"
#include "compiler/foundation/source_buffer.h"
#include "compiler/passes/compiler_run.h"
#include "compiler/passes/heading_lines.h"
#include "compiler/passes/index_store.h"
#include "compiler/passes/link_pass.h"
#include "compiler/passes/output_filter.h"
#include "compiler/passes/output_pass.h"
#include "compiler/passes/reservations.h"
#include "compiler/passes/source_char_output.h"
#include "compiler/passes/source_reader.h"
#include "compiler/passes/table_scanner.h"
#include "compiler/writers/contents_html.h"
#include "compiler/writers/html_page.h"
#include "compiler/writers/index_markers.h"
#include "compiler/writers/inline_graphics.h"
#include "compiler/writers/link_writer.h"
#include "compiler/writers/lists_and_blocks.h"
#include "compiler/writers/markup.h"
#include "compiler/writers/navigation_buttons.h"
#include "compiler/writers/output_files.h"
#include "compiler/writers/source_text_output.h"
#include "compiler/writers/winhelp_topic.h"

namespace skeldon {

namespace {

constexpr const char* kCrLf = "\r\n";

char HeadingFont(const CompilerRun& run, int level) {
  const std::string& fonts = run.Ini.HeadingFonts;
  return level >= 1 && level <= static_cast<int>(fonts.size()) ? fonts[level - 1] : '@';
}

std::string OutputDir(const CompilerRun& run) { return run.Switches.OutputDirectory + "\\"; }

bool FileHasFootnotes(const CompilerRun& run, std::int32_t file) {
  return file >= 0 && file < kFootnoteFileFlags && run.Passes.FileHasFootnotes[file];
}

// A page name that does not change the page name the head include of the open page uses.
std::string PageName(CompilerRun& run, std::int32_t number, bool frame, std::uint8_t kind) {
  return MakeTopicFileName(run, static_cast<std::int16_t>(number), frame, kind);
}

// The separator between two sub-chapter links of the .SC mode.
void WriteSeparator(CompilerRun& run, const std::string& mode) {
  if (mode == "RETURN" || mode == "BREAK")
    WriteLineBreak(run);
  else if (mode == "RETURN RETURN" || mode == "PARAGRAPH")
    WriteParagraphBreak(run);
  else
    for (char ch : mode) {
      const std::uint8_t c = static_cast<std::uint8_t>(ch);
      if (run.Passes.GraphicCharIndex[c] != 0)
        WriteGraphicChar(run, c);
      else
        WriteSourceChar(run, c, run.Passes.OutputFile);
    }
}

void WriteTextInFont(CompilerRun& run, const std::string& text, char font, bool breakFirst,
                     bool lineBreakFirst) {
  const char remembered = run.Markup.RunningFontLetter;
  if (font != '@') WriteFontChange(run, run.Passes.OutputFile, font, false);
  if (breakFirst) {
    if (lineBreakFirst) {
      if (!(run.Ini.TargetFlags.Ipf && run.Switches.NewIpfCompiler)) WriteLineBreak(run);
    } else {
      WriteParagraphBreak(run);
    }
  }
  EmitLabelText(run, text);
  if (font != '@') WriteFontChange(run, run.Passes.OutputFile, remembered, false);
  run.Passes.OutputFile += kCrLf;
  WriteLineBreak(run);
}

void WriteSubchapterLinks(CompilerRun& run, std::uint8_t level, std::uint8_t previous) {
  TCompileContext& cx = run.Compile;
  const TTargetFlags& t = run.Ini.TargetFlags;
  std::string& out = run.Passes.OutputFile;
  auto& cursor = run.Navigation.HeadingCursor;
  const THeadingNode* parent = cursor[previous];
  if (run.Ini.SubchapterLinkText == "NO" || t.RtfText) {
    if (cx.OutputCharCount < 3)
      WriteLineBreak(run);
    else
      WriteParagraphBreak(run);
  } else {
    WriteTextInFont(run, run.Ini.SubchapterLinkText, static_cast<char>(run.Ini.SubchapterLinkFont),
                    true, cx.OutputCharCount < 3);
    if (t.RtfFamily && cx.SubheadingListMode.find("LIST") != std::string::npos)
      cx.SubheadingListMode = "RETURN";
    const bool list = cx.SubheadingListMode.find("LIST") != std::string::npos;
    if (list) run.Passes.OutputFile += t.Html ? "<UL>" : ":ul compact.";
    const std::uint16_t frame = parent && parent->GroupFlag
                                    ? static_cast<std::uint16_t>(run.LinkPass.FrameGroupBase + 2)
                                    : 0;
    for (const THeadingNode* node = cursor[level]; node; node = node->NextSibling) {
      if (list) run.Passes.OutputFile += t.Html ? "<LI>" : ":li.";
      WriteContentsLink(run, *node, true, frame);
      if (!node->NextSibling || list)
        WriteLineBreak(run);
      else
        WriteSeparator(run, cx.SubheadingListMode);
    }
    if (list) run.Passes.OutputFile += t.Html ? "</UL>" : ":eul compact.";
    run.Passes.OutputFile += kCrLf;
  }
  if (!(run.Ini.NextChapterLinkText == "NO" || t.RtfText)) {
    for (int l = previous; l >= 1; --l) {
      const THeadingNode* node = cursor[l];
      if (!node || !node->NextSibling) continue;
      WriteTextInFont(run, run.Ini.NextChapterLinkText,
                      static_cast<char>(run.Ini.NextChapterLinkFont), true, true);
      WriteContentsLink(run, *node->NextSibling, false, 0);
      WriteLineBreak(run);
      break;
    }
  }
  out += kCrLf;
}

void WriteGroupFrameset(CompilerRun& run, THeadingNode* node) {
  TCompileContext& cx = run.Compile;
  std::string& out = run.Passes.OutputFile;
  const std::int32_t file = run.Numbering.FileCounter;
  cx.GroupPageStarted = true;
  run.HtmlPage.FramesetBarMark = true;
  CreateOutputFile(run, OutputDir(run), PageName(run, file, false, 0), true);
  WritePageHead(run, out, true, node, kTopicPage, true);
  const TGroupWindow& first = run.Passes.GroupWindowTable[1];
  if (first.HeightPercent == 100)
    out += "<FRAMESET COLS=\"" + std::to_string(first.WidthPercent) + "%,*\">\r\n";
  else
    out += "<FRAMESET ROWS=\"" + std::to_string(first.HeightPercent) + "%,*\">\r\n";
  if (!run.Ini.TargetFlags.HtmlHelp)
    WriteNoFramesBlock(run, out, PageName(run, file, true, 0), node, kTopicPage);
  const std::int32_t group = run.LinkPass.FrameGroupBase;
  out += "<FRAME src=\"" + PageName(run, file, true, 0) + "\" name=\"group" +
         std::to_string(group + 1) + "\">\r\n";
  // The second frame shows the page of the group's first sub-heading, whatever number .NR gave it.
  const std::int32_t second = node && node->FirstChild ? node->FirstChild->FileNumber : file + 1;
  out += "<FRAME src=\"" + PageName(run, second, false, 0) + "\" name=\"group" +
         std::to_string(group + 2) + "\">\r\n";
  out += "</FRAMESET>";
  FinishHtmlPage(run, out, true, true);
  CloseOutputFile(run);
  run.Passes.CurrentFrameGroupNumber = group + 1;
}

void StartHtmlFile(CompilerRun& run, std::uint8_t level, THeadingNode* node) {
  TCompileContext& cx = run.Compile;
  TNavigationState& nav = run.Navigation;
  const bool pending = run.LinkPass.FramePending;
  nav.NextHeadingNode = node ? (node->FirstChild ? node->FirstChild : node->NextSibling) : nullptr;
  WritePageEnd(run, false);
  NumberNextFile(run);
  const std::int32_t file = run.Numbering.FileCounter;
  if (pending) WriteGroupFrameset(run, node);
  CheckUserBreak(run);
  const bool footnotes = FileHasFootnotes(run, file) && !run.Ini.FootnotesPopup;
  std::string& out = run.Passes.OutputFile;
  if (footnotes && !run.Switches.NoFrames) {
    CreateOutputFile(run, OutputDir(run), PageName(run, file, pending, 0), true);
    WritePageHead(run, run.Passes.OutputFile, true, node, kTopicPage, true);
    out += "<FRAMESET ROWS=\"*," + std::to_string(cx.FootnoteFramePercent) + "%\">\r\n";
    const std::string textPage = PageName(run, file, false, 1);
    if (!run.Ini.TargetFlags.HtmlHelp) WriteNoFramesBlock(run, out, textPage, node, kTopicPage);
    out += "<FRAME src=\"" + textPage + "\" name=\"grText" + std::to_string(file) + "\">\r\n";
    out += "<FRAME src=\"" + PageName(run, file, false, 2) + "\" name=\"grFoot" +
           std::to_string(file) + "\">\r\n";
    out += "</FRAMESET>";
    FinishHtmlPage(run, out, true, true);
    CloseOutputFile(run);
    THtmlPageState& hp = run.HtmlPage;
    CreateTextFile(run, hp.NotesFile, OutputDir(run), PageName(run, file, false, 2), true);
    WritePageHead(run, hp.NotesFile.Text, false, nullptr, kNotesPage, true);
    CreateOutputFile(run, OutputDir(run), textPage, true);
    if (cx.FootnoteFont != '@') {
      run.Markup.PlainFontActive = true;
      WriteFontChange(run, hp.NotesFile.Text, cx.FootnoteFont, false);
    }
    hp.NotesFileFont = cx.FootnoteFont;
  } else {
    CreateOutputFile(run, OutputDir(run), PageName(run, file, pending, 0), true);
  }
  if (footnotes) run.HtmlPage.FootnotePageOpen = true;
  // The page head names the page's own .ID page for its head include.
  PageName(run, file, pending, 0);
  WritePageHead(run, run.Passes.OutputFile, false, node, kTopicPage, true);
  if (run.LinkPass.FrameGroupActive && !pending) {
    cx.InGroupPage = true;
    run.HtmlPage.SubchapterListBarMark = true;
    WriteMainChapterLink(run);
  } else {
    cx.InGroupPage = false;
    run.HtmlPage.SubchapterListBarMark = false;
    if (run.Ini.TitleInEveryFile) {
      const char font = static_cast<char>(run.Ini.TitleFont);
      if (font != '@') WriteFontChange(run, run.Passes.OutputFile, font, false);
      WriteSourceText(run, run.LinkPass.DocumentTitle, run.Passes.OutputFile);
      if (font != '@') {
        if (run.Markup.PreBlockActive) run.Passes.OutputFile += "</pre>";
        run.Passes.OutputFile += "</font>";
        run.Markup.PlainFontActive = true;
      }
      run.Passes.OutputFile += "<br>";
    }
    WriteNavBar(run, true, pending, 0);
  }
  if (!run.Ini.ButtonsOn && !run.Ini.ButtonsJavaScript) run.Passes.OutputFile += "<hr>\r\n";
  (void)level;
}

void WriteHeadingStart(CompilerRun& run, std::uint8_t level, THeadingNode* node,
                       std::uint8_t previous) {
  TCompileContext& cx = run.Compile;
  const TTargetFlags& t = run.Ini.TargetFlags;
  std::string& out = run.Passes.OutputFile;
  const std::uint16_t number = node ? node->HeadingNumber : run.Numbering.HeadingCounter;
  const bool first = node && node == run.Passes.HeadingTreeRoot;
  if (t.Html) {
    if (run.Ini.WinhelpFontsForHtmlHeading) {
      out += "<p>\r\n";
      WriteFontChange(run, run.Passes.OutputFile, HeadingFont(run, level), false);
    } else {
      const std::string& digits = cx.HeadingTagDigits;
      out += std::string("<h") + (level <= digits.size() ? digits[level - 1] : '1') + ">";
    }
    run.Passes.OutputFile += "<a name=\"hd" + std::to_string(number) + "\">";
  } else if (t.Ipf) {
    out += ":h" + std::to_string(level) + " res=" + std::to_string(number);
    if (run.LinkPass.PanelIdFileWanted) out += " global id=h" + std::to_string(number);
    if (run.LinkPass.FrameGroupActive) {
      const std::uint8_t g = GetGroupLevel(run, level);
      out += " group=" + std::to_string(g + run.LinkPass.FrameGroupBase);
      if (node && g < run.Passes.GroupWindowCount)
        out += WriteIpfWindowPosition(run, true, g, *node);
    }
    out += ".";
  } else if (t.RtfFamily) {
    if (previous > 0 && run.Markup.RtfIndentGroupOpen) {
      out += "}";
      run.Markup.RtfIndentGroupOpen = false;
    }
    WriteTopicEnd(run);
    if (t.RtfText) {
      auto& counters = cx.RtfTextCounters;
      ++counters[level];
      for (int l = level + 1; l <= 6; ++l) counters[l] = 0;
      if (!first) run.Passes.OutputFile += "\\plain\\par\\par\\pard\r\n\r\n";
      WriteFontChange(run, run.Passes.OutputFile, HeadingFont(run, level), false);
      if (run.Ini.AutomaticHeadingEnumeration) {
        run.Passes.OutputFile +=
            "\\s1" + std::to_string(level - 1) + "\\ilvl" + std::to_string(level - 1) + "\\ls0";
      } else {
        for (int l = 1; l <= level; ++l)
          run.Passes.OutputFile += (l > 1 ? "." : "") + std::to_string(counters[l]);
      }
      run.Passes.OutputFile += "  ";
    } else {
      if (!first) run.Passes.OutputFile += "\\plain\\pard\\page\r\n\r\n";
      WriteWinHelpTopicStart(run, "h", number, node ? node->OwnString : nullptr);
      WriteTopicKeywords(run, number);
      run.Passes.OutputFile += "${\\footnote ";
    }
  }
}

}  // namespace

void SwitchTopic(CompilerRun& run, std::uint8_t level) {
  TCompileContext& cx = run.Compile;
  TNavigationState& nav = run.Navigation;
  const TTargetFlags& t = run.Ini.TargetFlags;
  auto& cursor = nav.HeadingCursor;
  if (level < 1 || level > 6) return;
  // Lists of the topic that ends are closed.
  if (t.Html || t.Ipf) {
    if (run.Markup.ListLevel > 0) {
      WriteReflowLineEnd(run, run.Passes.OutputFile);
      while (run.Markup.ListLevel > 0) CloseLists(run);
    }
  } else {
    CloseRtfList(run);
  }
  // Open toggles, line drawing and tables end with the topic.
  nav.SwitchLevel = level;
  const std::uint8_t previous = static_cast<std::uint8_t>(cx.PreviousLevelChar - '0');
  run.HtmlPage.ClosingHeadingLevel = previous;
  CloseOpenToggles(run);
  if (run.LineDrawing.LineDrawingActive) {
    run.Reporter.ReportSourceError(MessageId::LineDrawingEndMissing, 0);
    run.LineDrawing.LineDrawingActive = false;
    run.Markup.FormatMode = run.LineDrawing.SavedFormattedText;
    run.CharConversion.Context.InLineDrawingBlock = false;
  }
  if (run.Tables.TableOpen) {
    run.Reporter.ReportSourceError(MessageId::TableEndMissing, 0);
    SetTableOpen(run, false);
    run.Tables.Cells.clear();
  }
  // A heading whose text is still open had no running text at all.
  const std::int32_t textCount = cx.HeadingTextPending ? 0 : cx.OutputCharCount;
  if (previous > 0 && cursor[previous] && textCount < 3) cx.ShortTopics.insert(cursor[previous]);
  // A footnote left open would swallow the next topic.
  if (run.Passes.InFootnote) {
    ReportMissingFootnoteEnd(run);
    EmitRunningChar(run, cx.FootnoteEndChar);
    run.Passes.InFootnote = false;
    run.CharConversion.Context.InTextPopup = false;
  }
  // A heading whose text never ended.
  if (cx.HeadingTextPending) {
    if (level != cx.LastHeadingLevel + 1) {
      if (cx.HeadingTextLength > 70)
        run.Reporter.ReportSourceError(MessageId::RunningTextMissingOrJoined, 0);
      else
        run.Reporter.ReportSourceError(MessageId::RunningTextMissing, 0);
    }
    if (t.Ipf) run.Passes.OutputFile += kCrLf;
    cx.HeadingTextPending = false;
    WriteHeadingLine(run, false);
    if (t.RtfFamily) OpenRtfIndentGroup(run);
  }
  // The new heading's number; links and toggles of the old topic end.
  AdvanceHeadingNumber(run, level);
  FilterOutputChar(run, 0);
  CloseOpenLink(run);
  ClearLinkedInTopic(run);
  run.Toggles.ToggleState.fill(false);
  // Unformatted IPF text and HTML lists and indentation end.
  if (t.Ipf && !run.Markup.FormatMode) run.Passes.OutputFile += ":elines.\r\n";
  if (t.Html) {
    while (run.Markup.ListLevel > 0) CloseLists(run);
    if (run.HtmlPage.HtmlIndentDepth > 0) {
      run.Markup.IndentLevel = 0;
      run.Markup.MarginLevel = 1;
      SetHtmlIndentDepth(run, 0, 1);
      cx.LastMargin = 1;
    }
  }
  // The blank line after the topic; the placeholder page keeps exactly its two lines.
  if (!(t.Ipf && run.Switches.NewIpfCompiler) && !run.HtmlPage.EmptyPageOpen)
    run.Passes.OutputFile += kCrLf;
  cx.LastHeadingLevel = level;
  run.LinkPass.CurrentLevel = level;
  run.Reporter.ShowProgress();
  // Heading tree and automatic links. The nodes are met in the order the heading pass
  // made them, so a level jump never leaves the walk on a missing node.
  THeadingNode* node = cx.NextHeadingOrder < cx.HeadingOrder.size()
                           ? cx.HeadingOrder[cx.NextHeadingOrder++]
                           : nullptr;
  if (previous > 0 && level > previous) {
    nav.LastLeftHeading = cursor[previous];
    cursor[level] = node;
    if (node) WriteSubchapterLinks(run, level, previous);
  } else {
    nav.LastLeftHeading = previous > 0 ? cursor[level] : nullptr;
    cursor[level] = node;
  }
  for (int l = level + 1; l <= 6; ++l) cursor[l] = nullptr;
  // The gap before the new heading.
  if (previous > 0) {
    run.Passes.OutputFile += kCrLf;
    if (!(t.Ipf && run.Switches.NewIpfCompiler)) WriteLineBreak(run);
    run.Passes.OutputFile += kCrLf;
  }
  // A new HTML file where the level or a frame group asks for one; else a rule at most.
  if (t.Html && (level <= run.Ini.NewFileLevel || run.LinkPass.FrameGroupActive)) {
    StartHtmlFile(run, level, node);
  } else {
    // What was written so far stays readable after a break.
    if (UserBreakRequested(run)) CloseOutputFile(run);
    CheckUserBreak(run);
    if (t.Html && level <= run.Ini.HorizontalRuleLevel) {
      cx.InGroupPage = false;
      run.Passes.OutputFile += "<br><hr>\r\n";
    }
  }
  // The heading's opening markup.
  cx.HeadingLevelChar = static_cast<char>('0' + level);
  WriteHeadingStart(run, level, node, previous);
  // The heading text follows: it is collected as the heading line.
  run.Passes.CurrentTopicNode = node;
  run.Source.LineEndCount = 200;
  cx.OutputCharCount = 0;
  cx.HeadingTextPending = true;
  run.Markup.CollectingHeading = true;
  cx.AfterHeadingLine = true;
  ResetListState(run);
  cx.PreviousLevelChar = static_cast<char>('0' + level);
  cx.PreviousGroupStart = run.LinkPass.FramePending;
  run.LinkPass.FramePending = false;
}

void WriteTopicEnd(CompilerRun& run) {
  TCompileContext& cx = run.Compile;
  TSourceBuffer& sb = run.Source;
  std::string& out = run.Passes.OutputFile;
  const std::vector<TFootnoteRecord> list = std::move(cx.FootnoteList);
  cx.FootnoteList.clear();
  for (const TFootnoteRecord& f : list) {
    out += "\\plain\\pard\\page\r\n";
    WriteWinHelpTopicStart(run, "fn", static_cast<std::uint16_t>(f.Number), nullptr);
    WriteFontChange(run, run.Passes.OutputFile, cx.FootnoteFont, false);
    TSourceState saved;
    SaveSourceState(run, saved);
    SetSourcePos(run, f.Position);
    while (!SourceEof(run)) {
      ReadSourceChar(run);
      std::uint8_t c = sb.NextChar;
      if (c == cx.FootnoteEndChar) break;
      if (c == cx.FootnoteBeginChar) ReportMissingFootnoteEnd(run);
      if (c == 0x0D) {
        const std::uint8_t count = sb.LineEndCount;
        while (!SourceEof(run)) {
          ReadSourceChar(run);
          if (sb.NextChar != run.Reader.SoftSpaceChar) break;
        }
        if (count > 0)
          WriteLineBreak(run);
        else
          WriteSourceChar(run, ' ', run.Passes.OutputFile);
        c = sb.NextChar;
        // An end character at the start of a line still ends the footnote.
        if (c == cx.FootnoteEndChar) break;
        if (c == 0x0D) continue;
      }
      WriteSourceChar(run, c, run.Passes.OutputFile);
    }
    RestoreSourceState(run, saved);
    // A break inside the footnote opened an indent group; it ends with the footnote's topic.
    if (run.Markup.RtfIndentGroupOpen) {
      run.Passes.OutputFile += "}";
      run.Markup.RtfIndentGroupOpen = false;
    }
  }
}

}  // namespace skeldon

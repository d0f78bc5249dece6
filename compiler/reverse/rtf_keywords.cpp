// What one RTF control word means for the generated source: groups ignored, help footnotes,
// headings from list levels, paragraphs, tables, pictures, tab marks and text attributes.
#include <cstdlib>
#include <string>

#include "compiler/reverse/rtf_conversion_state.h"
#include "platform/text.h"

namespace skeldon {

namespace {

constexpr char kCr = 13;
constexpr char kTabMark = 1;

bool StartsWith(std::string_view text, std::string_view lead) {
  return text.substr(0, lead.size()) == lead;
}

TGroupState& CurrentGroup(TRtfConversionState& s) {
  return s.GroupStack[static_cast<std::size_t>(s.GroupDepth)];
}

void HandlePicture(TRtfConversionState& s) {
  std::string name = s.Keyword.size() > 3 ? s.Keyword.substr(3) : std::string();
  if (!name.empty() && name[0] == ' ') name.erase(0, 1);
  const std::size_t bmp = name.find(".BMP");
  if (bmp != std::string::npos) name.resize(bmp);
  if (s.Pass == 0) {
    AddGraphicsFile(s, name);
  } else if (s.Keyword[2] == 'C') {
    if (s.PendingChar == ' ') DropPendingChar(s);
    const std::uint8_t code = FindGraphicsCharacter(s, name);
    if (code > 1) WriteOutputChar(s, static_cast<char>(code));
  } else {
    EndPendingTable(s);
    WriteOutputChar(s, kCr);
    WriteOutputString(s, ".BM ");
    WriteOutputString(s, name);
    WriteOutputChar(s, kCr);
  }
}

void HandleHelpFootnote(TRtfConversionState& s) {
  s.HeadingSeen = true;
  TGroupState& group = CurrentGroup(s);
  group.HelpFootnote = true;
  switch (s.GroupMarkChar) {
    case '$':
      s.HelpFormatSeen = true;
      DropPendingChar(s);
      group.TitleFootnote = true;
      s.SkipTitleLead = true;
      s.BufferMode = false;
      s.PendingLineEnds = 2;
      if (s.Pass == 1) {
        WriteOutputString(s, "\r\r.");
        if (s.CntFound)
          WriteCntHeadingLevel(s);
        else
          WriteOutputChar(s, '1');
        WriteOutputChar(s, kCr);
      } else {
        s.TitleText.clear();
      }
      break;
    case '#':
      group.IdFootnote = true;
      DropPendingChar(s);
      s.IdText.clear();
      break;
    case '+':
    case '!':
      group.Skip = true;
      DropPendingChar(s);
      break;
    case 'K':
      group.KeywordFootnote = true;
      DropPendingChar(s);
      s.KeywordText.clear();
      break;
    default:
      break;
  }
}

// Both passes; true when the word was taken.
bool HandleStructureKeyword(TRtfConversionState& s) {
  const std::string& k = s.Keyword;
  if (s.EscapedBrace && StartsWith(k, "BM")) {
    HandlePicture(s);
    return true;
  }
  if (k == "FOOTNOTE") {
    if (s.IsText) {
      if (s.Pass == 1) {
        ReopenToggles(s);
        WriteOutputChar(s, s.FootnoteBeginChar);
      }
      CurrentGroup(s).RtfTextFootnote = true;
      s.RtfTextFootnotes = true;
    } else {
      HandleHelpFootnote(s);
    }
    return true;
  }
  if (k.size() > 2 && k.compare(0, 2, "UC") == 0 &&
      k.find_first_not_of("0123456789", 2) == std::string::npos) {
    s.UnicodeSkipCount = std::atoi(k.c_str() + 2);
    return true;
  }
  if (k == "PAGE" && !s.IsText) {
    EndHelpTopic(s);
    return true;
  }
  if (k == "V") {
    if (s.LinkUnderline) {
      CurrentGroup(s).LinkTarget = true;
      s.LinkTargetText.clear();
    } else {
      CurrentGroup(s).Skip = true;
    }
    return true;
  }
  return false;
}

// A line end with bold, italic or underline switched off before it: a toggle left open across a
// paragraph's end is an error of the source. What is still on is switched on again before the
// next text (ReopenToggles), or not at all when its group ends first.
void WriteParagraphEnd(TRtfConversionState& s) {
  const TGroupState& e = s.EffectiveState;
  const struct {
    bool on;
    std::size_t position;
  } toggles[] = {{e.Bold, 3}, {e.Italic, 2}, {e.Underline, 4}};
  std::string open;
  for (const auto& t : toggles)
    if (t.on && t.position <= s.InternalToggleChars.size() && !s.InPnText &&
        s.ReopenToggles.find(s.InternalToggleChars[t.position - 1]) == std::string::npos)
      open += s.InternalToggleChars[t.position - 1];
  s.RecomputingState = true;
  for (auto it = open.rbegin(); it != open.rend(); ++it) WriteToggleChar(s, *it);
  s.RecomputingState = false;
  s.ReopenToggles += open;
  WriteOutputChar(s, kCr);
}

void WriteHeadingLevel(TRtfConversionState& s, char digit) {
  EndPendingTable(s);
  WriteOutputChar(s, kCr);
  WriteOutputChar(s, '.');
  WriteOutputChar(s, static_cast<char>(digit + 1));
  WriteOutputChar(s, kCr);
  s.HeadingLineOpen = true;
  s.HeadingSeen = true;
}

// The writing pass: one row per word (or prefix), tested in order; the first match decides.
struct KeywordRow {
  const char* Name;
  bool Prefix;
  void (*Apply)(TRtfConversionState& s);
};

void SetSkip(TRtfConversionState& s) { CurrentGroup(s).Skip = true; }

const KeywordRow kWritingKeywords[] = {
    {"INFO", false, SetSkip},
    {"FONTTBL", false, SetSkip},
    {"STYLESHEET", false, SetSkip},
    {"PGDSCTBL", false, SetSkip},
    {"LISTTABLE", false, SetSkip},
    {"LISTOVERRIDETABLE", false, SetSkip},
    {"HEADER", false, SetSkip},
    {"PNSECLVL", true, SetSkip},
    {"LISTTEXT", false,
     [](TRtfConversionState& s) {
       if (s.IsText) SetSkip(s);
     }},
    {"ILVL", true,
     [](TRtfConversionState& s) {
       if (s.IsText && !s.HeadingLineOpen && s.Keyword.size() > 4 && s.Keyword[4] >= '0' &&
           s.Keyword[4] <= '8')
         WriteHeadingLevel(s, s.Keyword[4]);
     }},
    {"OUTLINELEVEL", true,
     [](TRtfConversionState& s) {
       if (s.IsText && !s.HeadingLineOpen && s.Keyword.size() > 12 && s.Keyword[12] >= '0' &&
           s.Keyword[12] <= '8')
         WriteHeadingLevel(s, s.Keyword[12]);
     }},
    {"SUPER", false,
     [](TRtfConversionState& s) {
       if (s.EffectiveState.HelpFootnote) CurrentGroup(s).FootnoteSuper = true;
     }},
    {"PNTEXT", false,
     [](TRtfConversionState& s) {
       if (s.IsText) s.InPnText = true;
     }},
    {"KEEPN", false,
     [](TRtfConversionState& s) {
       if (!s.IsText) CurrentGroup(s).NonScroll = true;
     }},
    {"PAR", false,
     [](TRtfConversionState& s) {
       // A paragraph inside a cell stays in the cell: the row ends with "\\row".
       if (s.ParagraphInTable && s.InTable && !s.TableEndPending) {
         WriteOutputChar(s, ' ');
         return;
       }
       EndPendingTable(s);
       WriteParagraphEnd(s);
       s.HeadingLineOpen = false;
     }},
    {"PARD", false,
     [](TRtfConversionState& s) {
       CurrentGroup(s).NonScroll = false;
       // The table ends unless "\\intbl" puts the new paragraph into it again, as the
       // paragraphs of every cell begin in RTF that word processors write.
       if (s.InTable) s.TableEndPending = true;
       s.ParagraphInTable = false;
       s.HeadingLineOpen = false;
     }},
    {"INTBL", false,
     [](TRtfConversionState& s) {
       s.TableEndPending = false;
       s.ParagraphInTable = true;
     }},
    {"PLAIN", false,
     [](TRtfConversionState& s) {
       // Character formatting back to plain: word processors switch bold off this way.
       TGroupState& group = CurrentGroup(s);
       group.Bold = group.Italic = group.Underline = false;
     }},
    {"LINE", false,
     [](TRtfConversionState& s) {
       EndPendingTable(s);
       WriteParagraphEnd(s);
       s.HeadingLineOpen = false;
     }},
    {"ROW", false, [](TRtfConversionState& s) { WriteOutputChar(s, kCr); }},
    {"CELL", false, [](TRtfConversionState& s) { WriteOutputChar(s, kTabMark); }},
    {"CELLX", true,
     [](TRtfConversionState& s) {
       s.TableEndPending = false;
       if (s.InTable) return;
       s.InTable = true;
       WriteOutputString(s, "\r.TA Table\r");
       s.TablesSeen = true;
     }},
    {"TAB", false,
     [](TRtfConversionState& s) {
       if (!s.HeadingLineOpen) WriteOutputChar(s, kTabMark);
     }},
    {"B", false, [](TRtfConversionState& s) { CurrentGroup(s).Bold = true; }},
    {"B0", false, [](TRtfConversionState& s) { CurrentGroup(s).Bold = false; }},
    {"I", false, [](TRtfConversionState& s) { CurrentGroup(s).Italic = true; }},
    {"I0", false, [](TRtfConversionState& s) { CurrentGroup(s).Italic = false; }},
    {"ULDB", false, [](TRtfConversionState& s) { s.LinkUnderline = false; }},
    {"UL", false,
     [](TRtfConversionState& s) {
       CurrentGroup(s).Underline = true;
       s.LinkUnderline = true;
     }},
    {"UL0", false,
     [](TRtfConversionState& s) {
       CurrentGroup(s).Underline = false;
       s.LinkUnderline = false;
     }},
};

void HandleWritingKeyword(TRtfConversionState& s) {
  const std::string& k = s.Keyword;
  // An escape the reader left undecoded (its group was skipped while it was read).
  if (k.size() == 3 && k[0] == '\'') {
    if (!s.EffectiveState.Skip) WriteOutputChar(s, DecodeHexEscape(s, false));
    return;
  }
  // Line ends, cells and heading levels of a dropped group (a page header, a style sheet)
  // are no text either.
  if (s.EffectiveState.Skip) return;
  for (const KeywordRow& row : kWritingKeywords)
    if (row.Prefix ? StartsWith(k, row.Name) : k == row.Name) {
      row.Apply(s);
      return;
    }
}

// "\\*" marks a destination a reader may drop when it does not know it: only footnotes are
// kept (ordinary RTF writers put them there), and pictures of help files.
bool HandleDestination(TRtfConversionState& s) {
  if (s.Keyword == "*") {
    s.IgnorableDestination = true;
    return true;
  }
  if (!s.IgnorableDestination) return false;
  s.IgnorableDestination = false;
  if (s.Pass == 1 && s.Keyword != "FOOTNOTE" && !s.EscapedBrace) CurrentGroup(s).Skip = true;
  return false;
}

void HandleUnicodeChar(TRtfConversionState& s) {
  long code = std::strtol(s.Keyword.c_str() + 1, nullptr, 10);
  if (code < 0) code += 65536;
  std::string utf8;
  const auto unit = static_cast<unsigned long>(code);
  if (unit < 0x80) {
    utf8 += static_cast<char>(unit);
  } else if (unit < 0x800) {
    utf8 += static_cast<char>(0xC0 | (unit >> 6));
    utf8 += static_cast<char>(0x80 | (unit & 0x3F));
  } else {
    utf8 += static_cast<char>(0xE0 | ((unit >> 12) & 0x0F));
    utf8 += static_cast<char>(0x80 | ((unit >> 6) & 0x3F));
    utf8 += static_cast<char>(0x80 | (unit & 0x3F));
  }
  const std::string ansi = platform::utf8_to_code_page(utf8, platform::CodePage::cp1252, '?',
                                                       platform::Unmappable::best_fit_or_default);
  const auto raw = static_cast<std::uint8_t>(ansi.empty() ? '?' : ansi[0]);
  s.InKeyword = false;
  s.Keyword.clear();
  s.UnicodeFallbackLeft = s.UnicodeSkipCount;
  const TGroupState& e = s.EffectiveState;
  if (e.Skip || (e.NonScroll && !e.HelpFootnote) || e.FootnoteSuper || raw == 0) return;
  EmitTextChar(s, static_cast<char>(s.Settings.IsoSourceCodePage ? raw : s.AnsiToOem[raw]));
  if (s.Pass == 0 && e.TitleFootnote) AppendShortText(s, s.TitleText, static_cast<char>(raw));
  s.SkipTitleLead = false;
}

}  // namespace

void EndPendingTable(TRtfConversionState& s) {
  if (!s.TableEndPending) return;
  s.TableEndPending = false;
  s.InTable = false;
  // After the last row's line end a second one would make an empty row.
  if (s.PendingChar != kCr) WriteOutputChar(s, kCr);
  WriteOutputString(s, ".TA\r");
}

bool IsUnicodeEscape(std::string_view keyword) {
  std::size_t k = 1;
  if (keyword.size() < 2 || keyword[0] != 'U') return false;
  if (keyword[1] == '-') ++k;
  if (k >= keyword.size()) return false;
  for (; k < keyword.size(); ++k)
    if (keyword[k] < '0' || keyword[k] > '9') return false;
  return true;
}

void HandleRtfKeyword(TRtfConversionState& s) {
  if (s.InKeyword && !s.Keyword.empty() && IsUnicodeEscape(s.Keyword)) {
    HandleUnicodeChar(s);
  } else if (s.InKeyword && !s.Keyword.empty() && !HandleDestination(s)) {
    if (!HandleStructureKeyword(s)) {
      if (s.Pass == 1) {
        HandleWritingKeyword(s);
      } else if ((s.Keyword == "PAR" || s.Keyword == "LINE") && s.BufferMode) {
        WriteOutputChar(s, kCr);
      }
    }
  }
  s.InKeyword = false;
  s.Keyword.clear();
  HandleRtfFootnote(s);
}

}  // namespace skeldon

// What one RTF control word means for the generated source: groups ignored, help footnotes,
// headings from list levels, paragraphs, tables, pictures, tab marks and text attributes.
#include <string>

#include "compiler/reverse/rtf_conversion_state.h"

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
      if (s.Pass == 1) WriteOutputChar(s, s.FootnoteBeginChar);
      CurrentGroup(s).RtfTextFootnote = true;
      s.RtfTextFootnotes = true;
    } else {
      HandleHelpFootnote(s);
    }
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

void WriteHeadingLevel(TRtfConversionState& s, char digit) {
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
       WriteOutputChar(s, kCr);
       s.HeadingLineOpen = false;
     }},
    {"PARD", false,
     [](TRtfConversionState& s) {
       CurrentGroup(s).NonScroll = false;
       if (s.InTable) {
         // After the last row's line end a second one would make an empty row.
         if (s.PendingChar != kCr) WriteOutputChar(s, kCr);
         WriteOutputString(s, ".TA\r");
         s.InTable = false;
       }
       s.HeadingLineOpen = false;
     }},
    {"LINE", false,
     [](TRtfConversionState& s) {
       WriteOutputChar(s, kCr);
       s.HeadingLineOpen = false;
     }},
    {"ROW", false, [](TRtfConversionState& s) { WriteOutputChar(s, kCr); }},
    {"CELL", false, [](TRtfConversionState& s) { WriteOutputChar(s, kTabMark); }},
    {"CELLX", true,
     [](TRtfConversionState& s) {
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
  for (const KeywordRow& row : kWritingKeywords)
    if (row.Prefix ? StartsWith(k, row.Name) : k == row.Name) {
      row.Apply(s);
      return;
    }
}

}  // namespace

void HandleRtfKeyword(TRtfConversionState& s) {
  if (s.InKeyword && !s.Keyword.empty()) {
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

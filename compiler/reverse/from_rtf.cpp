// The driver of the RTF conversion: two passes over the input (analysis, then writing), the
// heading levels of the help contents file, the header of the generated text and the closing
// messages.
#include "compiler/reverse/from_rtf.h"

#include <string>

#include "compiler/reverse/rtf_conversion_state.h"
#include "platform/files.h"
#include "platform/text.h"

namespace skeldon {

namespace {

constexpr char kCr = 13;
constexpr char kLf = 10;

char UpperAsciiChar(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c; }

void FailNotRtf(TRtfConversionState& s, std::string_view germanWhy, std::string_view englishWhy) {
  ReportMessage(s, germanWhy, englishWhy, true);
  ReportMessage(s, "Das ist kein korrektes RTF-Hilfe-Format",
                "This is not a correct RTF help format", true);
  StopConversion(s, 31);
}

void ReadContentsFileLevels(TRtfConversionState& s) {
  const std::string name = WithFileExtension(s.RtfFileName, "CNT");
  s.CntEntries.clear();
  const platform::ReadTextResult cnt = platform::read_text_file(name);
  s.CntFound = cnt.ok();
  if (!s.CntFound) {
    if (!s.IsText) {
      ReportMessage(s,
                    "Datei " + name +
                        " nicht vorhanden. Alle \x9A"
                        "berschriften",
                    "File " + name + " not found. All headings");
      ReportMessage(s, "erhalten die Gliederungsebene 1", "get the heading level 1");
    }
    return;
  }
  ReportMessage(s, "Datei " + name + " gefunden", "file " + name + " found");
  std::size_t pos = 0;
  const std::string& text = cnt.text;
  while (pos < text.size()) {
    std::size_t end = text.find('\n', pos);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(pos, end - pos);
    pos = end + 1;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty()) continue;
    if (line[0] == ':') {
      std::string upper = line;
      for (char& c : upper) c = UpperAsciiChar(c);
      if (upper.compare(1, 6, "TITLE ") == 0) s.HelpTitle = line.substr(7, kShortTextMax);
    } else if (line[0] >= '0' && line[0] <= '9' && line.size() >= 2 && line[1] == ' ') {
      std::string entry = line.substr(2);
      const std::size_t eq = entry.find('=');
      if (eq != std::string::npos) entry.resize(eq);
      while (!entry.empty() && entry.back() == ' ') entry.pop_back();
      s.CntEntries.push_back({line[0], entry});
    }
  }
}

void WritePnTextHeading(TRtfConversionState& s) {
  if (!s.PnText.empty() && s.PnText.back() == '.') s.PnText.pop_back();
  int level = 1;
  for (char c : s.PnText)
    if (c == '.') ++level;
  s.InPnText = false;
  s.PnText.clear();
  s.HeadingSeen = true;
  WriteOutputChar(s, '.');
  // Beyond nine levels the source has no heading command: the deepest one stands for them.
  WriteOutputChar(s, static_cast<char>('0' + (level > 9 ? 9 : level)));
  WriteOutputChar(s, kCr);
  s.HeadingLineOpen = true;
}

void ResetForPass(TRtfConversionState& s) {
  s.PrevChar = s.PrevPrevChar = 0;
  s.PendingChar = 0;
  s.InKeyword = false;
  s.Keyword.clear();
  s.PnText.clear();
  s.LinkTargetText.clear();
  s.TitleText.clear();
  s.InPnText = false;
  s.LinkUnderline = false;
  s.HelpFormatSeen = false;
  s.GroupStack.fill(TGroupState{});
  s.EffectiveState = TGroupState{};
  s.CurrentOutput = 0;
  s.PendingLineEnds = 0;
  s.SkipTitleLead = false;
  s.InTable = false;
  s.TableEndPending = false;
  s.ParagraphInTable = false;
  s.TablesSeen = false;
  s.RecomputingState = false;
  s.NoToggleDoubling = false;
  s.CntMissWarned = false;
  s.HeadingLineOpen = false;
  s.EscapedBrace = false;
  s.ReopenToggles.clear();
  s.TextBufferCount = 0;
  if (!s.IsText) {
    s.TextBuffer.assign(kTextBufferSize + 1, 0);
    s.BufferMode = true;
  } else {
    s.BufferMode = false;
  }
  s.GroupDepth = 1;
}

void OpenGroup(TRtfConversionState& s) {
  s.GroupMarkChar = UpperAsciiChar(s.PrevChar == kCr ? s.PrevPrevChar : s.PrevChar);
  s.EscapedBrace = s.PrevChar == '\\';
  if (s.EscapedBrace) return;
  HandleRtfKeyword(s);
  if (s.GroupDepth >= kGroupStackSize)
    FailNotRtf(s, "Gruppen tiefer als 25 Ebenen geschachtelt.",
               "Groups are nested deeper than 25 levels.");
  ++s.GroupDepth;
}

void CloseGroupAt(TRtfConversionState& s) {
  if (s.InPnText) WritePnTextHeading(s);
  HandleRtfKeyword(s);
  if (!s.EscapedBrace) CloseRtfGroup(s, s.GroupDepth);
  s.EscapedBrace = false;
  if (s.Pass == 1 && !s.EffectiveState.HelpFootnote) {
    for (int k = 0; k < s.PendingLineEnds; ++k) WriteOutputChar(s, kCr);
    s.PendingLineEnds = 0;
  }
}

bool SkipsText(const TGroupState& e) {
  return e.Skip || (e.NonScroll && !e.HelpFootnote) || e.FootnoteSuper;
}

// A character of running text (also the character a control symbol stands for).
void ReadTextChar(TRtfConversionState& s, char c) {
  const TGroupState& e = s.EffectiveState;
  if (s.UnicodeFallbackLeft > 0 && c != kCr && c != kLf) {
    // The stand-in a writer puts after a Unicode character for readers without Unicode.
    --s.UnicodeFallbackLeft;
    return;
  }
  if (s.InPnText) {
    AppendShortText(s, s.PnText, c);
  } else if (!SkipsText(e) && c != kCr && c != kLf) {
    if (e.TitleFootnote) {
      if (c != '$' && c != ' ') s.SkipTitleLead = false;
      if (s.Pass == 0) AppendShortText(s, s.TitleText, c);
    }
    if (!s.SkipTitleLead) EmitTextChar(s, c);
  }
}

bool IsAsciiLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// A backslash and one character that is no letter: a control symbol, complete at once. Those
// that stand for text give it; the others are handled as control words of their own.
void ReadControlSymbol(TRtfConversionState& s, char c) {
  s.InKeyword = false;
  switch (c) {
    case '~':  // non-breaking blank
      ReadTextChar(s, ' ');
      break;
    case '_':  // non-breaking hyphen
      ReadTextChar(s, '-');
      break;
    case '-':  // optional hyphen
      break;
    default:
      s.InKeyword = true;
      s.Keyword.assign(1, c);
      HandleRtfKeyword(s);
      break;
  }
}

void ReadOtherChar(TRtfConversionState& s, char c) {
  const TGroupState& e = s.EffectiveState;
  const bool skipText = SkipsText(e);
  if (s.InKeyword && s.Keyword.empty() && !IsAsciiLetter(c) && c != '\'' && c != kCr && c != kLf) {
    ReadControlSymbol(s, c);
    return;
  }
  // "\u228" ends at the first character that is no digit, which belongs to the text.
  if (s.InKeyword && IsUnicodeEscape(s.Keyword) && !IsDigit(c)) HandleRtfKeyword(s);
  if (s.InKeyword) {
    AppendShortText(s, s.Keyword, UpperAsciiChar(c));
    if (!skipText && s.Keyword.size() == 3 && s.Keyword[0] == '\'') {
      if (s.UnicodeFallbackLeft > 0) {
        --s.UnicodeFallbackLeft;
        DecodeHexEscape(s, false);
        return;
      }
      const std::string escape = s.Keyword;
      const char decoded = DecodeHexEscape(s, false);
      EmitTextChar(s, decoded);
      if (s.Pass == 0) {
        s.Keyword = escape;
        const char raw = DecodeHexEscape(s, true);
        if (e.TitleFootnote) AppendShortText(s, s.TitleText, raw);
      }
      s.SkipTitleLead = false;
    }
  } else {
    ReadTextChar(s, c);
  }
}

void RunCharacterLoop(TRtfConversionState& s) {
  while (s.InputPos < s.Input.size()) {
    if (s.CurChar != kLf) {
      s.PrevPrevChar = s.PrevChar;
      s.PrevChar = s.CurChar;
    }
    if ((s.InputPos & 1023) == 0 && s.Sink.StopRequested()) StopConversion(s, 98);
    const char c = s.Input[s.InputPos++];
    s.CurChar = c;
    if (c == '{' || c == '}') {
      s.UnicodeFallbackLeft = 0;
      s.IgnorableDestination = false;
    }
    if (c == '{') {
      OpenGroup(s);
    } else if (c == '}') {
      CloseGroupAt(s);
    } else if (c == '\\' && s.InKeyword && s.Keyword.empty() && !s.EscapedBrace) {
      // "\\" is a backslash of the text.
      s.InKeyword = false;
      ReadTextChar(s, '\\');
    } else if (c == '\\') {
      HandleRtfKeyword(s);
      s.InKeyword = true;
    } else if ((c == ' ' || c == kCr || c == kLf) && s.InKeyword && !s.EscapedBrace) {
      // A line feed ends a control word like a carriage return; neither is part of the text.
      HandleRtfKeyword(s);
    } else {
      ReadOtherChar(s, c);
    }
  }
}

void WriteHeader(TRtfConversionState& s) {
  std::string title;
  if (s.HelpTitle.empty() && !s.IsText)
    title = "title of hypertext";
  else
    title = ConvertAnsiToOemText(s, s.HelpTitle, false);
  if (s.Settings.FormatterVariant && s.HelpTitle.empty()) return;
  WriteOutputText(s, ".TI\r\n" + title + "\r\n", 0);
}

void WriteClosingMessages(TRtfConversionState& s) {
  if (s.CntMissWarned) {
    ReportMessage(s, "Bitte suchen Sie .? im erzeugten Text.",
                  "Please search .? in the generated text.");
    ReportMessage(s,
                  "Die \x9A"
                  "berschriften in der CNT-Datei und in der RTF-Datei m\x81ssen genau "
                  "gleich sein, damit die Gliederungsebene stimmt.",
                  "The headings in the CNT file and in the RTF file have to be exactly identical "
                  "to get the correct heading level.");
  }
  const auto used = [&](char c) { return s.CharUsed[static_cast<std::uint8_t>(c)]; };
  if (s.PopupsPresent && (used(s.FootnoteBeginChar) || used(s.FootnoteEndChar))) {
    const std::string b(1, s.FootnoteBeginChar), e(1, s.FootnoteEndChar);
    ReportMessage(s, "Es gab einen Konflikt mit Fu\xE1noten.",
                  "There was a conflict with footnotes.");
    ReportMessage(
        s,
        "Die Fu\xE1noten-Anfangs- und Ende-Zeichen \"" + b + "\" und \"" + e +
            "\" sind schon verwendet.",
        "The footnote begin and end character  \"" + b + "\" and \"" + e + "\" are already used.");
  }
  if (s.TablesSeen)
    ReportMessage(s,
                  "Dieser Text enth\x84lt Tabellen. Es gibt nur eine einfache Umwandlung.\r\n"
                  "Tipp: Kopieren Sie die Tabelle aus der Windows-Hilfedatei \x81"
                  "ber die "
                  "Zwischenablage in die Skeldon\r\nQuelldatei zwischen die beiden .TA-Befehle.",
                  "This text contains tables. There's only a rudimentary conversion available.\r\n"
                  "Hint: Copy the table from the Windows help file to the clipboard into the "
                  "Skeldon\r\nsource file between the two .TA commands.");
  if (!s.IsText && !s.HelpFormatSeen) {
    ReportMessage(s, "Das ist kein korrektes RTF-Hilfe-Format",
                  "This is not a correct RTF help format");
    ReportMessage(s, "Versuchen Sie es bitte auch einmal mit dem Parameter /istext",
                  "Also try the /istext parameter please");
    // Without a title every topic stayed in the buffer: nothing of the text was written.
    StopConversion(s, 31);
  } else if (!s.HeadingSeen) {
    ReportMessage(s,
                  "Der Text hat keine \x9A"
                  "berschriften, die in Skeldon aber Pflicht sind.",
                  "The text has no headings, but they are obligated in Skeldon.");
    ReportMessage(s,
                  "Bitte f\x81gen Sie die \x9A"
                  "berschriften von Hand ein!",
                  "Please insert heading commands manually!");
  }
}

// Text that cannot be RTF at all is refused before anything is written.
void CheckLooksLikeRtf(TRtfConversionState& s) {
  std::size_t k = 0;
  while (k < s.Input.size() && (s.Input[k] == ' ' || s.Input[k] == '\r' || s.Input[k] == '\n')) ++k;
  if (s.Input.substr(k, 5) != "{\\rtf")
    FailNotRtf(s, "Die Datei beginnt nicht mit {\\rtf.", "The file does not begin with {\\rtf.");
  if (s.Input.find('\0') != std::string_view::npos)
    FailNotRtf(s, "Die Datei enth\x84lt Nullbytes.", "The file contains null bytes.");
}

void RunPass(TRtfConversionState& s) {
  s.InputPos = 0;
  s.HelpTitle.clear();
  if (s.Pass == 0) {
    ReportMessage(s,
                  StripDirectory(s.RtfFileName) + " --> " + StripDirectory(s.Settings.OutputName),
                  StripDirectory(s.RtfFileName) + " --> " + StripDirectory(s.Settings.OutputName));
    ReportMessage(s, "Analysieren des RTF Quelltextes...", "Analyzing the RTF source text...");
  } else {
    s.TitleCursor = 0;
    ReadContentsFileLevels(s);
    s.OutputFiles[0].clear();
    s.OutputCharCounts[0] = 0;
    ReportMessage(s, "Schreiben des Corvina/Skeldon Quelltextes...",
                  "Writing Corvina/Skeldon source...");
    WriteHeader(s);
    ChooseFootnoteMarkers(s);
    AssignGraphicsCharacters(s);
  }
  ResetForPass(s);
  RunCharacterLoop(s);
  if (s.InKeyword && !s.Keyword.empty() && s.Keyword[0] == '\'' && s.Keyword.size() < 3)
    FailNotRtf(s, "Die Datei endet in einem \\'-Zeichen.", "The file ends inside a \\' escape.");
  if (s.GroupDepth > 1)
    FailNotRtf(s, "Die Datei endet in einer offenen Gruppe.",
               "The file ends inside an open group.");
}

void WritePopupFile(TRtfConversionState& s) {
  const std::string name = s.Settings.PopupDirectory.empty()
                               ? std::string(kPopupFileName)
                               : s.Settings.PopupDirectory + "/" + std::string(kPopupFileName);
  if (platform::replace_file_atomic(name, s.OutputFiles[1]) != platform::FileError::none) {
    ReportMessage(s, "Fu\xE1noten-Datei " + name + " kann nicht geschrieben werden.",
                  "The footnote file " + name + " cannot be written.", true);
    StopConversion(s, 12);
  }
}

}  // namespace

void ReportMessage(TRtfConversionState& s, std::string_view german, std::string_view english,
                   bool error) {
  s.Sink.ReportConversionMessage(german, english, error);
}

void AppendShortText(TRtfConversionState& s, std::string& text, char c) {
  if (text.size() >= kShortTextMax)
    FailNotRtf(s, "Ein Steuerwort oder Fu\xE1notentext ist l\x84nger als 255 Zeichen.",
               "A control word or footnote text is longer than 255 characters.");
  text += c;
}

void WriteCntHeadingLevel(TRtfConversionState& s) {
  char level = '?';
  const std::string title = s.TitleCursor < s.TitleList.size() ? s.TitleList[s.TitleCursor] : "";
  for (const TCntEntry& entry : s.CntEntries)
    if (entry.Text == title) {
      level = entry.Level;
      break;
    }
  if (level == '?' && !s.CntMissWarned) {
    ReportMessage(s,
                  "\x9A"
                  "berschriften nicht in CNT-Datei gefunden:   " +
                      ConvertAnsiToOemText(s, title, true),
                  "Headings not found in CNT file:   " + ConvertAnsiToOemText(s, title, true));
    s.CntMissWarned = true;
  }
  WriteOutputChar(s, level);
  if (s.TitleCursor < s.TitleList.size()) ++s.TitleCursor;
}

void CloseRtfGroup(TRtfConversionState& s, int& depth) {
  if (depth <= 1) FailNotRtf(s, "Ein } ohne {.", "A } without its {.");
  s.GroupStack[static_cast<std::size_t>(depth)] = TGroupState{};
  --depth;
  HandleRtfFootnote(s);
}

void EmitTextChar(TRtfConversionState& s, char c) {
  const TGroupState& e = s.EffectiveState;
  if (e.IdFootnote) AppendShortText(s, s.IdText, c);
  if (s.Pass == 1) {
    if (e.KeywordFootnote) {
      if (c == ';')
        WriteKeywordLine(s);
      else
        AppendShortText(s, s.KeywordText, c);
    } else if (e.LinkTarget) {
      AppendShortText(s, s.LinkTargetText, c);
    } else if (!e.IdFootnote) {
      EndPendingTable(s);
      ReopenToggles(s);
      WriteOutputChar(s, c);
    }
  } else {
    if (s.BufferMode && !e.IdFootnote && !e.KeywordFootnote && !e.LinkTarget) WriteOutputChar(s, c);
    s.CharUsed[static_cast<std::uint8_t>(c)] = true;
  }
}

std::string WithFileExtension(std::string_view name, std::string_view extension) {
  const std::size_t part = name.find_last_of("\\/");
  const std::size_t filePart = part == std::string_view::npos ? 0 : part + 1;
  const std::size_t dot = name.rfind('.');
  std::string result;
  if (dot == std::string_view::npos || dot < filePart)
    result = std::string(name) + ".";
  else
    result = std::string(name.substr(0, dot + 1));
  return result + std::string(extension);
}

static void ReportModeLine(RtfConversionSink& sink) {
  sink.ReportConversionMessage(
      "R\x81"
      "ckw\x84rts-Konvertierung RTF nach Corvina/Skeldon",
      "reverse conversion mode RTF to Corvina/Skeldon", false);
}

static TRtfConversionResult ConvertInput(std::string_view bytes, const std::string& name,
                                         const TRtfConversionSettings& settings,
                                         RtfConversionSink& sink) {
  TRtfConversionResult result;
  TRtfConversionState s(settings, sink);
  s.RtfFileName = name;
  s.Input = bytes;
  s.IsText = settings.IsText || settings.FormatterVariant;
  s.AnsiToOem = platform::conversion_table(platform::CodePage::cp1252, platform::CodePage::cp850);
  s.InternalToggleChars = settings.ToggleChars;
  for (char c : s.InternalToggleChars) s.IsInternalToggleChar[static_cast<std::uint8_t>(c)] = true;
  if (settings.FormatterVariant)
    for (int c = 0; c < 32; ++c) s.CharUsed[static_cast<std::size_t>(c)] = true;
  try {
    CheckLooksLikeRtf(s);
    for (s.Pass = 0; s.Pass <= 1; ++s.Pass) {
      RunPass(s);
      if (s.Pass == 0 && s.PopupsPresent) WritePopupFile(s);
    }
    s.Pass = 1;
    EndPendingTable(s);
    WriteOutputChar(s, 0);
    WriteClosingMessages(s);
  } catch (const RtfConversionStop& stop) {
    result.StopCode = stop.Code;
    return result;
  }
  result.Succeeded = true;
  result.Output = std::move(s.OutputFiles[0]);
  AlignTableColumns(result.Output);
  return result;
}

TRtfConversionResult ConvertRtfHelpToSource(const std::string& name,
                                            const TRtfConversionSettings& settings,
                                            RtfConversionSink& sink) {
  ReportModeLine(sink);
  const platform::ReadTextResult input = platform::read_text_file(name);
  if (!input.ok()) {
    sink.ReportConversionMessage("RTF-Datei nicht gefunden.", "RTF file not found.", true);
    TRtfConversionResult result;
    result.StopCode = 11;
    return result;
  }
  return ConvertInput(input.text, name, settings, sink);
}

TRtfConversionResult ConvertRtfBytes(std::string_view bytes, const std::string& name,
                                     const TRtfConversionSettings& settings,
                                     RtfConversionSink& sink) {
  ReportModeLine(sink);
  return ConvertInput(bytes, name, settings, sink);
}

}  // namespace skeldon

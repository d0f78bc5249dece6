// What a WinHelp RTF file keeps in footnotes and hidden text, turned back into source: titles,
// context strings and keywords as the groups end, toggles for bold, italic and underline,
// popup topics kept in "SKPOPUP.TXT" and copied to their links, footnote markers and the
// character that stands for each picture.
#include <string>

#include "compiler/reverse/rtf_conversion_state.h"

namespace skeldon {

namespace {

constexpr char kCr = 13;

using FlagOf = bool TGroupState::*;
constexpr FlagOf kGroupFlags[] = {
    &TGroupState::Skip,          &TGroupState::NonScroll,     &TGroupState::RtfTextFootnote,
    &TGroupState::HelpFootnote,  &TGroupState::FootnoteSuper, &TGroupState::KeywordFootnote,
    &TGroupState::Bold,          &TGroupState::Italic,        &TGroupState::Underline,
    &TGroupState::TitleFootnote, &TGroupState::IdFootnote,    &TGroupState::LinkTarget};

TGroupState CombinedState(const TRtfConversionState& s) {
  TGroupState combined;
  for (int depth = 1; depth <= s.GroupDepth && depth <= kGroupStackSize; ++depth)
    for (FlagOf flag : kGroupFlags)
      if (s.GroupStack[static_cast<std::size_t>(depth)].*flag) combined.*flag = true;
  return combined;
}

std::string TrimBlanks(std::string text) {
  const std::size_t first = text.find_first_not_of(' ');
  if (first == std::string::npos) return {};
  const std::size_t last = text.find_last_not_of(' ');
  return text.substr(first, last - first + 1);
}

void RemoveLeading(std::string& text, std::string_view lead) {
  if (text.compare(0, lead.size(), lead) == 0) text.erase(0, lead.size());
}

std::string UpperAscii(std::string text) {
  for (char& c : text)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return text;
}

// Toggle n (1-based, toggle order) of the user's characters; 0 when the setting is too short.
char ToggleOf(const TRtfConversionState& s, std::size_t position) {
  return position <= s.InternalToggleChars.size() ? s.InternalToggleChars[position - 1] : 0;
}

void AddTitleEntry(TRtfConversionState& s) {
  std::string title = s.TitleText;
  RemoveLeading(title, "$");
  RemoveLeading(title, " ");
  s.TitleList.push_back(std::move(title));
}

void EndIdFootnote(TRtfConversionState& s) {
  if (s.Settings.IsProg) {
    s.IdText = TrimBlanks(s.IdText);
    RemoveLeading(s.IdText, "# ");
    if (s.Pass == 1 && !s.IdText.empty()) {
      WriteOutputChar(s, kCr);
      WriteOutputString(s, ".ID ");
      WriteOutputString(s, s.IdText);
    }
  }
  if (s.Pass == 1) WriteOutputChar(s, kCr);
  s.CurrentTopicId = s.IdText;
  s.IdText.clear();
}

void InsertPopupText(TRtfConversionState& s) {
  if (s.Pass == 1) {
    std::string target = UpperAscii(s.LinkTargetText);
    RemoveLeading(target, " ");
    const TPopupTopic* found = nullptr;
    for (const TPopupTopic& topic : s.PopupTopics)
      if (topic.Name == target) {
        found = &topic;
        break;
      }
    if (!s.PopupsPresent) {
      ReportMessage(s, "Verweis FOOTNOTE \"" + target + "\": Ziel nicht gefunden.",
                    "Link FOOTNOTE \"" + target + "\" target not found.", true);
    } else if (!found) {
      ReportMessage(
          s,
          "Verweis FOOTNOTE \"" + target +
              "\": Ziel nicht gefunden; vorhandene Ziele siehe SKPOPUP.TXT",
          "Link FOOTNOTE \"" + target + "\" target not found; available targets see SKPOPUP.TXT",
          true);
    } else {
      WriteOutputChar(s, s.FootnoteBeginChar);
      const std::string& popups = s.OutputFiles[1];
      const auto from = static_cast<std::size_t>(found->Start) + 2;
      const auto to = static_cast<std::size_t>(found->End);
      // The writer turns a carriage return into CR LF again: the stored LF is not passed on.
      for (std::size_t k = from; k < to && k < popups.size(); ++k)
        if (popups[k] != '\n') WriteOutputChar(s, popups[k]);
      WriteOutputChar(s, s.FootnoteEndChar);
    }
  }
  s.LinkUnderline = false;
}

bool IsPictureCodeFree(const TRtfConversionState& s, std::uint8_t code) {
  const char c = static_cast<char>(code);
  if (s.Settings.ExtendedLetters.find(c) != std::string::npos || s.CharUsed[code]) return false;
  // A picture must not take the code of a footnote marker or a toggle: either would be read
  // as that instead.
  if (c == s.FootnoteBeginChar || c == s.FootnoteEndChar) return false;
  return s.InternalToggleChars.find(c) == std::string::npos;
}

}  // namespace

void HandleRtfFootnote(TRtfConversionState& s) {
  const TGroupState old = s.EffectiveState;
  const TGroupState now = CombinedState(s);
  s.RecomputingState = true;
  const auto ends = [&](FlagOf flag) { return old.*flag && !(now.*flag); };
  if (ends(&TGroupState::TitleFootnote)) {
    FlushTextBuffer(s);
    s.SkipTitleLead = false;
    if (s.Pass == 0) AddTitleEntry(s);
  }
  if (ends(&TGroupState::IdFootnote)) {
    EndIdFootnote(s);
  } else if (ends(&TGroupState::LinkTarget)) {
    InsertPopupText(s);
  } else if (s.Pass == 1) {
    if (!now.Skip && !s.InPnText) {
      const struct {
        FlagOf Flag;
        std::size_t Position;
      } toggles[] = {
          {&TGroupState::Bold, 3}, {&TGroupState::Italic, 2}, {&TGroupState::Underline, 4}};
      for (const auto& t : toggles) {
        const char toggle = ToggleOf(s, t.Position);
        if (old.*(t.Flag) == now.*(t.Flag) || toggle == 0) continue;
        // Switched off at a paragraph's end already: it ends without being switched on again.
        const std::size_t reopen = s.ReopenToggles.find(toggle);
        if (reopen != std::string::npos && !(now.*(t.Flag)))
          s.ReopenToggles.erase(reopen, 1);
        else
          WriteToggleChar(s, toggle);
      }
    }
    if (s.IsText && ends(&TGroupState::RtfTextFootnote)) WriteOutputChar(s, s.FootnoteEndChar);
    if (ends(&TGroupState::KeywordFootnote)) {
      WriteKeywordLine(s);
      WriteOutputChar(s, kCr);
    }
  }
  s.RecomputingState = false;
  s.EffectiveState = now;
}

void ReopenToggles(TRtfConversionState& s) {
  if (s.ReopenToggles.empty()) return;
  const bool recomputing = s.RecomputingState;
  s.RecomputingState = true;
  for (char c : s.ReopenToggles) WriteToggleChar(s, c);
  s.RecomputingState = recomputing;
  s.ReopenToggles.clear();
}

void WriteKeywordLine(TRtfConversionState& s) {
  std::string keyword = TrimBlanks(s.KeywordText);
  RemoveLeading(keyword, "K ");
  if (keyword.empty()) return;
  WriteOutputChar(s, kCr);
  WriteOutputString(s, ".IN ");
  WriteOutputString(s, keyword);
  s.KeywordText.clear();
}

void EndHelpTopic(TRtfConversionState& s) {
  WriteOutputChar(s, 0);
  if (s.Pass == 0 && s.TextBufferCount > 2) {
    if (!s.PopupsPresent) {
      s.OutputFiles[1].clear();
      s.OutputCharCounts[1] = 0;
      s.PopupsPresent = true;
    }
    std::string id = s.CurrentTopicId;
    RemoveLeading(id, "#");
    id.erase(
        0, id.find_first_not_of(' ') == std::string::npos ? id.size() : id.find_first_not_of(' '));
    id = UpperAscii(id);
    s.CurrentOutput = 1;
    s.BufferMode = false;
    WriteOutputString(s, "\r\r\rfootnote ");
    WriteOutputString(s, id);
    WriteOutputString(s, "\r\r");
    s.PopupTopics.push_back({s.OutputCharCounts[1], 0, id});
    for (std::int32_t k = 1; k <= s.TextBufferCount; ++k) {
      const char c = s.TextBuffer[static_cast<std::size_t>(k)];
      if (k == 1 && c == ' ') continue;
      WriteOutputChar(s, c);
    }
    WriteOutputChar(s, 0);
    s.PopupTopics.back().End = s.OutputCharCounts[1];
    s.CurrentOutput = 0;
  }
  s.BufferMode = true;
  s.TextBufferCount = 0;
}

void ChooseFootnoteMarkers(TRtfConversionState& s) {
  s.FootnoteBeginChar = '[';
  s.FootnoteEndChar = ']';
  if (!s.RtfTextFootnotes && !s.PopupsPresent) return;
  // A marker that is also a toggle character would be read as the toggle.
  const auto used = [&](char c) {
    return s.CharUsed[static_cast<std::uint8_t>(c)] ||
           s.InternalToggleChars.find(c) != std::string::npos;
  };
  if (s.Settings.FootnoteBeginSwitch != 0 && s.Settings.FootnoteEndSwitch != 0) {
    s.FootnoteBeginChar = s.Settings.FootnoteBeginSwitch;
    s.FootnoteEndChar = s.Settings.FootnoteEndSwitch;
  } else {
    static constexpr char kPairs[][2] = {{'[', ']'}, {'{', '}'}, {'<', '>'}};
    bool chosen = false;
    for (const auto& pair : kPairs)
      if (!used(pair[0]) && !used(pair[1])) {
        s.FootnoteBeginChar = pair[0];
        s.FootnoteEndChar = pair[1];
        chosen = true;
        break;
      }
    if (!chosen) {
      s.FootnoteBeginChar = static_cast<char>(s.Settings.IsoSourceCodePage ? 0xAB : 0xDC);
      s.FootnoteEndChar = static_cast<char>(s.Settings.IsoSourceCodePage ? 0xBB : 0xDF);
      WriteOutputText(s,
                      "..footnote chars: Alt-" +
                          std::to_string(static_cast<std::uint8_t>(s.FootnoteBeginChar)) +
                          ", Alt-" + std::to_string(static_cast<std::uint8_t>(s.FootnoteEndChar)) +
                          "\r\n",
                      0);
    }
  }
  WriteOutputText(s, std::string(".fu") + s.FootnoteBeginChar + s.FootnoteEndChar + "\r\n", 0);
}

void AssignGraphicsCharacters(TRtfConversionState& s) {
  unsigned code = 0xA0;
  for (TGraphicsCharEntry& entry : s.GraphicsFiles) {
    if (code >= 0xFF) break;
    do {
      ++code;
    } while (code != 0xFF && !IsPictureCodeFree(s, static_cast<std::uint8_t>(code)));
    if (code == 0xFF) {
      ReportMessage(s, "Die \\BMC-Grafikdateien sind nicht alle umgewandelt. Es sind zu viele.",
                    "The \\BMC graphics files are not converted all. There are too much of them.",
                    true);
      break;
    }
    entry.Code = static_cast<std::uint8_t>(code);
    const char c = static_cast<char>(code);
    WriteOutputText(s, std::string("..") + c + " = Alt-" + std::to_string(code) + "\r\n", 0);
    WriteOutputText(s, std::string(".BT") + c + " " + entry.Name + "\r\n", 0);
  }
}

std::uint8_t FindGraphicsCharacter(TRtfConversionState& s, std::string_view name) {
  const std::string normalized =
      s.Settings.NormalizeName ? s.Settings.NormalizeName(name) : std::string(name);
  for (const TGraphicsCharEntry& entry : s.GraphicsFiles)
    if (entry.Name == normalized) return entry.Code;
  return 1;
}

void AddGraphicsFile(TRtfConversionState& s, std::string_view name) {
  if (FindGraphicsCharacter(s, name) != 1) return;
  s.GraphicsFiles.push_back(
      {0, s.Settings.NormalizeName ? s.Settings.NormalizeName(name) : std::string(name)});
}

}  // namespace skeldon

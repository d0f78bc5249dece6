#include "compiler/writers/source_text_output.h"

#include "compiler/foundation/char_conversion.h"
#include "compiler/foundation/toggles.h"
#include "compiler/passes/compiler_run.h"
#include "compiler/writers/markup.h"

namespace skeldon {

namespace {

// A toggle character switches its highlighting; out of line, as it is rare beside plain text.
[[gnu::noinline]] void SwitchToggle(CompilerRun& run, std::size_t pos, std::string& f) {
  const TTargetFlags& t = run.Ini.TargetFlags;
  const int i = static_cast<int>(pos) + 1;
  bool& state = run.Toggles.ToggleState[pos];
  state = !state;
  run.SourceText.ToggleChanged = true;
  const TToggleDef& def = kToggleDefs[pos];
  if (i == 1) {
    WriteFontChange(run, f, state ? run.Markup.AlternateFontLetter : run.Markup.RunningFontLetter,
                    true);
  } else if (t.Html) {
    if (*def.HtmlTag) f += std::string(state ? "<" : "</") + def.HtmlTag + ">";
  } else if (t.RtfFamily) {
    if (*def.RtfKeyword) f += std::string("\\") + def.RtfKeyword + (state ? " " : "0 ");
  }
}

}  // namespace

void WriteSourceChar(CompilerRun& run, std::uint8_t c, std::string& f) {
  TSourceTextState& st = run.SourceText;
  // The most common characters skip the lookups below: ASCII letters and digits, which every
  // target writes unchanged, and blanks, except in IPF (where a blank depends on the font
  // change before it) and in text popups (where it becomes a character reference).
  const bool plainBlank = c == ' ' && !run.Toggles.IsInternalToggleChar[c] &&
                          !run.Ini.TargetFlags.Ipf && !run.CharConversion.Context.InTextPopup;
  if (run.Toggles.IsPlainOutputChar[c] || plainBlank) {
    f.push_back(static_cast<char>(c));
    if (!(st.HtmlCodeOn && st.InHtmlCode)) run.CharConversion.Context.AfterFontChange = false;
    return;
  }
  const TTargetFlags& t = run.Ini.TargetFlags;
  if (st.HtmlCodeOn && c == '<') st.InHtmlCode = true;
  if (st.HtmlCodeOn && st.InHtmlCode) {
    f.push_back(static_cast<char>(c));
  } else {
    const std::string& chars = run.Toggles.InternalToggleChars;
    std::size_t pos =
        run.Toggles.IsInternalToggleChar[c] ? chars.find(static_cast<char>(c)) : std::string::npos;
    if (pos != std::string::npos && t.Html) pos = chars.rfind(static_cast<char>(c));
    const TTextContext& ctx = run.CharConversion.Context;
    if (pos == std::string::npos && c == '\\' && t.Html && !t.Ipf && !t.RtfFamily &&
        (ctx.InScriptString || ctx.InTextPopup)) {
      // Inside a JavaScript string a lone backslash would escape the next character.
      f += "\\\\";
      run.CharConversion.Context.AfterFontChange = false;
    } else if (pos == std::string::npos || pos >= static_cast<std::size_t>(kToggleCount)) {
      WriteTargetChar(run, f, c);
    } else {
      SwitchToggle(run, pos, f);
    }
  }
  if (st.HtmlCodeOn && c == '>') st.InHtmlCode = false;
}

void WriteSourceText(CompilerRun& run, std::string_view text, std::string& f) {
  const TSourceTextState& st = run.SourceText;
  const auto& plain = run.Toggles.IsPlainOutputChar;
  std::size_t i = 0;
  while (i < text.size()) {
    // A stretch of letters and digits at once, as WriteSourceChar would write each.
    std::size_t j = i;
    while (j < text.size() && plain[static_cast<std::uint8_t>(text[j])]) ++j;
    if (j > i) {
      f.append(text.substr(i, j - i));
      if (!(st.HtmlCodeOn && st.InHtmlCode)) run.CharConversion.Context.AfterFontChange = false;
      i = j;
      continue;
    }
    WriteSourceChar(run, static_cast<std::uint8_t>(text[i++]), f);
  }
}

void WriteTargetText(CompilerRun& run, std::string_view text, std::string& f) {
  const TTargetFlags& t = run.Ini.TargetFlags;
  const TTextContext& ctx = run.CharConversion.Context;
  for (char c : text) {
    // Setting texts (body tags) also land inside JavaScript strings: escape the backslash there
    // too.
    if (c == '\\' && t.Html && (ctx.InScriptString || ctx.InTextPopup)) {
      f += "\\\\";
      run.CharConversion.Context.AfterFontChange = false;
    } else {
      WriteTargetChar(run, f, static_cast<std::uint8_t>(c));
    }
  }
}

std::string RemoveIndexFilterChars(const CompilerRun& run, std::string_view text) {
  const std::string& filter = run.Ini.IndexFilter;
  std::string result;
  result.reserve(text.size());
  for (char c : text)
    if (filter.find(c) == std::string::npos) result.push_back(c);
  return result;
}

}  // namespace skeldon

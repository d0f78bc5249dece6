#include "compiler/writers/external_links.h"

#include <algorithm>
#include <unordered_set>

#include "compiler/foundation/file_names.h"
#include "compiler/foundation/source_buffer.h"
#include "compiler/foundation/toggles.h"
#include "compiler/passes/compiler_run.h"
#include "compiler/passes/index_store.h"
#include "compiler/passes/pass_services.h"
#include "compiler/passes/source_reader.h"
#include "compiler/writers/markup.h"
#include "compiler/writers/source_text_output.h"

namespace skeldon {

namespace {

constexpr int kTitleLimit = 50;

bool IsQuote(std::uint8_t c) { return c == '"' || c == '\''; }

bool ContainsHtmUpper(std::string_view u) {
  std::string upper(u);
  for (char& c : upper)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
  return upper.find(".HTM") != std::string::npos;
}

// A typed URL may hold characters that would end the attribute or the tag.
std::string HrefText(std::string_view u) {
  std::string r;
  for (char c : u) {
    if (c == '"')
      r += "%22";
    else if (c == '<')
      r += "%3C";
    else if (c == '>')
      r += "%3E";
    else
      r.push_back(c);
  }
  return r;
}

void WriteTemplateText(CompilerRun& run, std::string& f, std::string_view text, bool dropQuotes) {
  for (char c : text) {
    const std::uint8_t b = static_cast<std::uint8_t>(c);
    if (dropQuotes && IsQuote(b)) continue;
    WriteSourceChar(run, b, f);
  }
}

}  // namespace

void StripFileScheme(std::string& url) {
  if (url.rfind("file:", 0) != 0) return;
  url.erase(0, 5);
  for (int i = 0; i < 3 && !url.empty() && url[0] == '/'; ++i) url.erase(0, 1);
}

void MakeFileUrl(std::string& url) {
  StripFileScheme(url);
  if (!IsNetworkUrl(url) && !IsSpecialUrl(url)) url = "file:///" + url;
}

void WriteExternalLink(CompilerRun& run, std::string_view url) {
  const TTargetFlags& t = run.Ini.TargetFlags;
  std::string& out = run.Passes.OutputFile;
  std::string u(url);
  if (t.Html) {
    if (t.HtmlHelp)
      MakeFileUrl(u);
    else
      StripFileScheme(u);
    out += "<a href=\"" + HrefText(u) + "\"";
    out += ContainsHtmUpper(u) ? " target=\"extern\"" : " target=\"" + run.Ini.DefaultFrame + "\"";
    out += ">";
  } else if (t.Ipf) {
    MakeFileUrl(u);
    out += ":link reftype=launch object='NETSCAPE.EXE' data='" + u + "'.";
  } else if (t.RtfFamily) {
    const bool winHelp = t.WinHelp3 || t.WinHelp4;
    if (winHelp && run.Toggles.ToggleState[3]) out += "\\ul0 ";
    out += "{";
    if (winHelp) out += "\\cf1\\uldb ";
  }
}

std::string GetTopicId(const std::string* contextId, std::uint16_t number) {
  if (!contextId) {
    // Built in place: g++ 12 warns falsely (-Wrestrict) on "h" + std::to_string(...).
    std::string id(1, 'h');
    return id.append(std::to_string(number));
  }
  return *contextId;
}

std::string GetWindowSuffix(const CompilerRun& run, bool groupFlag) {
  if (!run.IndexStore.FrameGroupsUsed) return std::string();
  return groupFlag ? ">navi" : ">main";
}

void ResetIndexChar(CompilerRun& run) { run.LinkPass.IndexChar = run.Ini.IndexChar; }

std::string FindButtonText(const CompilerRun& run, std::uint8_t code) {
  std::string result;
  for (const auto& group : run.IniValues.ButtonTable) {
    for (const TButtonEntry& row : group) {
      if (row.Key == code) {
        result = row.Text;
        break;
      }
    }
  }
  return result;
}

void ExpandTemplate(CompilerRun& run, std::string& f, const TTemplateText& templ,
                    const THeadingNode* node, std::uint8_t pageKind, bool titleLimit,
                    bool dropQuotes, std::string_view fileName) {
  const std::string& text = templ.Text;
  std::size_t i = 1;
  while (i <= text.size()) {
    if (i == templ.DocTitlePos) {
      WriteTemplateText(run, f, run.LinkPass.DocumentTitle, dropQuotes);
      i += 8;
    } else if (i == templ.FileNamePos) {
      WriteTemplateText(run, f, fileName, dropQuotes);
      i += 8;
    } else if (i == templ.HeadingPos) {
      if (node)
        CopyHeadingTitle(run, f, node->SourcePosition, titleLimit, false, dropQuotes);
      else if (pageKind == 3 || pageKind == 4)
        WriteTemplateText(run, f, FindButtonText(run, pageKind), dropQuotes);
      else if (pageKind == 5)
        WriteTemplateText(run, f, MapToggleChars(run.Toggles, run.Ini.NotesText), dropQuotes);
      i += 7;
    } else {
      const std::uint8_t c = static_cast<std::uint8_t>(text[i - 1]);
      if (!(dropQuotes && IsQuote(c))) WriteSourceChar(run, c, f);
      ++i;
    }
  }
}

namespace {

// The common title, copied for every link with a status-bar text: one line of letters, digits
// and blanks that a line end closes. Those bytes go out unchanged, so they are appended at once,
// with the effects the reading road below would have had. False (nothing done) for any other
// title.
bool CopyPlainHeadingTitle(CompilerRun& run, std::string& f, std::size_t position,
                           bool titleLimit) {
  const TSwitches& sw = run.Switches;
  if (sw.WordStarInput || sw.DebugEcho || sw.CountLines) return false;
  // The title's line from the copies kept for the run: titles are copied for every link.
  const std::string_view line = SourceLineFrom(run, position);
  const auto& plain = run.Toggles.IsPlainOutputChar;
  // A blank is written as it stands unless it is a toggle, or IPF or a text popup has it
  // otherwise (as WriteSourceChar decides).
  const bool blankPlain = !run.Toggles.IsInternalToggleChar[' '] && !run.Ini.TargetFlags.Ipf &&
                          !run.CharConversion.Context.InTextPopup;
  std::size_t end = 0;
  while (end < line.size()) {
    const auto b = static_cast<std::uint8_t>(line[end]);
    if (!plain[b] && !(b == ' ' && blankPlain)) break;
    ++end;
  }
  const std::size_t length = end;
  if (end >= line.size() || line[end] != '\r' || length == 0) return false;
  if (titleLimit && length > static_cast<std::size_t>(kTitleLimit)) return false;
  // With soft line ends a line that ends in a letter, digit or blank goes on: the line end
  // becomes a blank, and only an empty line after it ends the title.
  const bool soft = sw.SoftLineEnds && !SourceLineEndsKept(run);
  if (soft) {
    std::size_t next = end + 1;
    if (next < line.size() && line[next] == '\n') ++next;
    if (!blankPlain || next >= line.size() || line[next] != '\r') return false;
  }
  f.append(line.substr(0, length));
  if (soft) f.push_back(' ');
  const TSourceTextState& st = run.SourceText;
  if (!(st.HtmlCodeOn && st.InHtmlCode)) run.CharConversion.Context.AfterFontChange = false;
  // A read that starts a line sets the dot-line mark, here never a dot: the title's first
  // read when a line end stood next in the window, and the read of the empty line (unless the
  // limit ended the copy at the blank).
  const bool emptyLineRead =
      soft && !(titleLimit && length + 1 > static_cast<std::size_t>(kTitleLimit));
  if (emptyLineRead || run.Source.NextChar == 0x0D) run.Reader.DotLineMark = false;
  return true;
}

}  // namespace

void CopyHeadingTitle(CompilerRun& run, std::string& f, std::int32_t position, bool titleLimit,
                      bool raw, bool dropQuotes) {
  if (!raw && CopyPlainHeadingTitle(run, f, position < 0 ? 0 : static_cast<std::size_t>(position),
                                    titleLimit))
    return;
  TSourceState saved;
  SaveSourceState(run, saved);
  SetSourcePos(run, position < 0 ? 0 : static_cast<std::size_t>(position));
  run.Source.LineEndCount = 0;
  int count = 0;
  // A character other than a line end; false once the title limit is passed.
  const auto take = [&](std::uint8_t ch) {
    if (dropQuotes && IsQuote(ch)) {
      // left out
    } else if (raw) {
      f.push_back(
          static_cast<char>(run.Ini.SourceIsIso ? ch : run.CharConversion.Tables.OemToAnsi[ch]));
    } else {
      WriteSourceChar(run, ch, f);
    }
    ++count;
    return !(titleLimit && count > kTitleLimit);
  };
  while (!SourceEof(run) && run.Source.LineEndCount == 0) {
    // Titles are copied for every link and contents entry: the bytes up to the line end are
    // taken in one go where the reader allows it.
    const std::size_t from = run.Source.Position;
    const std::size_t k = SkipWithinLine(run, -1);
    if (k > 0) {
      std::string_view bytes = std::string_view(run.Source.Data).substr(from, k);
      bool more = true;
      while (more && !bytes.empty()) {
        // Up to the next quote (when quotes are left out) and within the limit, the bytes go
        // to the writer together; the quote itself takes the character road.
        std::size_t n = 0;
        if (dropQuotes)
          while (n < bytes.size() && !IsQuote(static_cast<std::uint8_t>(bytes[n]))) ++n;
        else
          n = bytes.size();
        if (titleLimit) n = std::min(n, static_cast<std::size_t>(kTitleLimit + 1 - count));
        if (n > 0 && !raw) {
          WriteSourceText(run, bytes.substr(0, n), f);
          count += static_cast<int>(n);
          more = !(titleLimit && count > kTitleLimit);
        } else {
          n = n > 0 ? n : 1;
          for (std::size_t i = 0; more && i < n; ++i)
            more = take(static_cast<std::uint8_t>(bytes[i]));
        }
        bytes.remove_prefix(n);
      }
      if (!more) break;
      continue;
    }
    ReadSourceChar(run);
    const std::uint8_t ch = run.Source.NextChar;
    if (ch == 0x0D) {
      if (run.Switches.SoftLineEnds && run.Source.LineEndCount == 0) {
        if (raw)
          f.push_back(' ');
        else
          WriteSourceChar(run, ' ', f);
      }
      ++count;
      if (titleLimit && count > kTitleLimit) break;
    } else if (!take(ch)) {
      break;
    }
  }
  RestoreSourceState(run, saved);
}

void WriteExternalLinkList(CompilerRun& run) {
  std::string& out = run.Passes.OutputFile;
  // The address escaped as in the links themselves, so a typed quote or angle bracket cannot
  // end the attribute or open a tag; the visible text keeps everything else unchanged.
  auto line = [&](const std::string& target) {
    std::string text;
    for (char c : target) {
      if (c == '<')
        text += "&lt;";
      else if (c == '>')
        text += "&gt;";
      else
        text.push_back(c);
    }
    out += "<a href=\"" + HrefText(target) + "\">" + text + "</a><br>\r\n";
  };
  std::unordered_set<std::string> listed;
  for (const TIndexEntry* head : run.IndexStore.IndexBuckets) {
    for (const TIndexEntry* e = head; e; e = e->NextInBucket) {
      if (!e->LinkTarget) continue;
      const std::string& target = *e->LinkTarget;
      if (listed.count(target)) continue;
      if (!IsNetworkUrl(target) && !IsSpecialUrl(target)) continue;
      line(target);
      listed.insert(target);
    }
  }
  for (const std::string& ref : run.Passes.ExternalReferences) line(ref);
}

}  // namespace skeldon

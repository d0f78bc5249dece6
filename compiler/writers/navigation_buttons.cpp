#include "compiler/writers/navigation_buttons.h"

#include <string>

#include "compiler/foundation/file_names.h"
#include "compiler/passes/compiler_run.h"
#include "compiler/passes/pass_services.h"
#include "compiler/writers/markup.h"
#include "compiler/writers/source_text_output.h"

namespace skeldon {

namespace {

constexpr std::uint8_t kBack = 1, kForward = 2, kContent = 3, kIndex = 4, kHomef = 6, kMax = 7;
constexpr std::uint8_t kPictureDone = 1;

// The page of a heading; deriving it must not change the page name of the page being written.
std::string PageOf(CompilerRun& run, const THeadingNode* node) {
  if (!node) return std::string();
  const std::string keep = run.FileNames.LastPageIdName;
  std::string name = MakeTopicFileName(run, node->FileNumber, false, 0);
  run.FileNames.LastPageIdName = keep;
  return name;
}

const std::string* ButtonUrl(const CompilerRun& run, std::uint8_t key) {
  const auto& urls = run.LinkPass.ButtonUrls;
  return key < urls.size() ? urls[key] : nullptr;
}

THeadingNode* ButtonTarget(const CompilerRun& run, std::uint8_t key) {
  const auto& targets = run.Navigation.ButtonTargets;
  return key < targets.size() ? targets[key] : nullptr;
}

std::string ButtonLink(CompilerRun& run, std::uint8_t key) {
  const std::string& pre = run.Switches.PageNamePrefix;
  switch (key) {
    case kBack:
      return PageOf(run, run.Navigation.BackTarget);
    case kForward:
      return PageOf(run, run.Navigation.ForwardTarget);
    case kContent:
      return NormalizeFileName(run, pre + ContentsFileName(run));
    case kIndex:
      return NormalizeFileName(run, pre + IndexFileName(run));
    case kHomef:
      return NormalizeFileName(run, pre + "INDXF" + run.FileNames.PageExtension);
    case kMax: {
      // The page's own name without the directory part it was created with.
      const std::string& name = run.Passes.CurrentOutputFileName;
      const std::size_t slash = name.find_last_of("\\/");
      return slash == std::string::npos ? name : name.substr(slash + 1);
    }
    default:
      if (const std::string* url = ButtonUrl(run, key)) return *url;
      return PageOf(run, ButtonTarget(run, key));
  }
}

std::string ButtonTargetFrame(const CompilerRun& run, std::uint8_t key) {
  if (key == kContent) return run.Ini.ContentsFrame;
  if (key == kHomef || key == kMax) return "_top";
  return run.Ini.DefaultFrame;
}

std::string FrameReference(const std::string& frame) {
  return frame == "_top" ? std::string("top") : "top." + frame;
}

}  // namespace

void OpenButtonBar(CompilerRun& run) {
  std::string& out = run.Passes.OutputFile;
  if (run.Ini.ButtonsJavaScript) out += "<form>\r\n";
  if (run.Ini.ButtonFont != '@')
    WriteFontChange(run, out, static_cast<char>(run.Ini.ButtonFont), false);
}

void CloseButtonBar(CompilerRun& run) {
  std::string& out = run.Passes.OutputFile;
  if (run.Ini.ButtonFont != '@') {
    if (run.Markup.PreBlockActive) out += "</pre>";
    out += "</font>";
  }
  if (run.Ini.ButtonsJavaScript) out += "</form>\r\n";
}

void WriteNavButton(CompilerRun& run, std::uint8_t key) {
  TButtonEntry* entry = nullptr;
  for (auto& group : run.IniValues.ButtonTable)
    for (TButtonEntry& e : group)
      if (e.Key == key) {
        entry = &e;
        break;
      }
  if (!entry || key == 0) return;
  const TIniSettings& ini = run.Ini;
  const bool htmlHelp = ini.TargetFlags.HtmlHelp;
  if (key >= 8 && !ButtonTarget(run, key) && !ButtonUrl(run, key)) {
    run.Navigation.UserButtonWithoutTarget = true;
    return;
  }
  if (key == kContent && (run.Switches.ContentsDepth == 0 || htmlHelp || !ini.CreateContents))
    return;
  if (key == kIndex && (!run.IndexStore.IndexPageWanted || htmlHelp)) return;
  if (const THeadingNode* target = ButtonTarget(run, key))
    if (target->FileNumber == run.Numbering.FileCounter) return;

  const bool form = ini.ButtonsJavaScript;
  const std::string link = ButtonLink(run, key);
  std::string& out = run.Passes.OutputFile;
  if (form) {
    const std::string frame = FrameReference(ButtonTargetFrame(run, key));
    out += "<input type=button name=\"";
    WriteCodePageText(run, out, entry->Name, true);
    out += "\" value=\"";
    WriteCodePageText(run, out, entry->Text, true);
    out += "\" onClick=\"";
    if (run.IniValues.HomeButtonInFrame && key != kHomef && key != kMax)
      out += "if (" + frame + "==null) top.location='" + link + "'; else ";
    out += frame + ".location='" + link + "'\">";
  } else {
    out += "<a href=\"" + link + "\" target=\"" + ButtonTargetFrame(run, key) + "\">";
  }
  if (ini.ButtonsOn) {
    std::string picture = entry->Name;
    for (char& c : picture)
      if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
    picture += run.Switches.UnderscoreButtons ? "_.GIF" : ".GIF";
    if (!(entry->Flags & kPictureDone)) {
      RefreshGraphicsFile(run, picture);
      entry->Flags |= kPictureDone;
    }
    std::string& page = run.Passes.OutputFile;
    page += "<IMG SRC=\"" + NormalizeFileName(run, picture) + "\" ALT=\"";
    WriteSourceText(run, entry->Text, page);
    // A form button opened no link, so none is closed after its picture.
    page += form ? " \" BORDER=0> " : " \" BORDER=0></a> ";
  } else if (form) {
    out += " ";
  } else {
    WriteSourceText(run, entry->Text, out);
    run.Passes.OutputFile += "</a> ";
  }
}

void WriteNavBar(CompilerRun& run, bool atPageStart, bool frameGroup, int group) {
  TNavigationState& nav = run.Navigation;
  const int level = nav.SwitchLevel >= 1 && nav.SwitchLevel <= 6 ? nav.SwitchLevel : 1;
  THeadingNode* cursor = nav.HeadingCursor[level];
  if (group == 0) {
    nav.ForwardTarget = nav.NextHeadingNode;
    nav.BackTarget = nav.LastLeftHeading;
    nav.PageBackTarget = nav.BackTarget;
    if (atPageStart &&
        ((nav.ForwardTarget && cursor && nav.ForwardTarget->FileNumber == cursor->FileNumber) ||
         frameGroup))
      nav.ForwardTarget = cursor ? cursor->NextSibling : nullptr;
  } else {
    nav.ForwardTarget = cursor;
    // The next heading has already moved LastLeftHeading to this page's own heading, so the
    // last-line bar goes back where the first-line bar of the page does.
    nav.BackTarget = nav.PageBackTarget;
  }
  OpenButtonBar(run);
  const int g = group == 0 ? 0 : 1;
  for (const TButtonEntry& e : run.IniValues.ButtonTable[g]) {
    if (e.Key == 0) break;
    if (e.Key == kBack && (run.Numbering.FileCounter == 0 || !nav.BackTarget)) continue;
    if (e.Key == kForward && (run.Numbering.FileCounter == nav.LastFileNumber ||
                              !nav.ForwardTarget || (run.LinkPass.FramePending && g == 0)))
      continue;
    WriteNavButton(run, e.Key);
  }
  CloseButtonBar(run);
  run.Passes.OutputFile += "\r\n";
}

}  // namespace skeldon

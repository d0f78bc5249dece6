// The navigation bars of HTML topic pages (below the head and above the end) and the single
// buttons of the contents and index pages: text links, picture links or form buttons, with
// their targets worked out from the heading tree and from the names the source binds to buttons.
#pragma once

#include <array>
#include <cstdint>

namespace skeldon {

struct CompilerRun;
struct THeadingNode;

inline constexpr int kButtonKeyMax = 31;  // keys 1 .. 7 and user keys from 8 (15 per group)

// Filled by the heading pass and the topic switch; read and set by the bars.
struct TNavigationState {
  THeadingNode* BackTarget = nullptr;
  THeadingNode* ForwardTarget = nullptr;
  THeadingNode* NextHeadingNode = nullptr;       // topic switch: first child, else next sibling
  THeadingNode* LastLeftHeading = nullptr;       // topic switch: previous sibling, else parent
  THeadingNode* PageBackTarget = nullptr;        // back target of the page's first-line bar
  std::array<THeadingNode*, 7> HeadingCursor{};  // current heading per level 1 .. 6
  std::uint8_t SwitchLevel = 1;
  std::int32_t LastFileNumber = 0;  // heading pass: number of the last output file
  std::array<THeadingNode*, kButtonKeyMax + 1> ButtonTargets{};  // heading pass, by key
  bool UserButtonWithoutTarget = false;
};

// group 0 first line (after the head), 1 last line (before the end).
void WriteNavBar(CompilerRun& run, bool atPageStart, bool frameGroup, int group);
void WriteNavButton(CompilerRun& run, std::uint8_t key);
void OpenButtonBar(CompilerRun& run);
void CloseButtonBar(CompilerRun& run);

}  // namespace skeldon

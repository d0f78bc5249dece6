// The link pass: the second read of the source. It collects every index entry (index lines,
// index expressions of running text, marked headings) and the link-block, title, index
// character, frame-group and button state that the writers read afterwards. It writes no
// output file.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace skeldon {

struct CompilerRun;
struct THeadingNode;
struct TIndexEntry;

struct THeadingLevelStyle {
  char Letter = 0;
  bool LetterGiven = false;
  bool IndexMark = false;
  bool SecondIndexMark = false;
  bool Comma = false;
};

inline constexpr std::size_t kExternalContextIdMax = 100;
inline constexpr int kIndexExpressionMax = 150;
inline constexpr std::size_t kIndexWordMax = 255;

struct TLinkPassState {
  std::array<THeadingLevelStyle, 7> HeadingLevelStyles{};  // levels 1 .. 6
  std::uint8_t IndexChar = 0;
  bool CaseFreeIndex = false;
  bool ExternalBlock = false;
  bool LocalLinks = true;
  bool UrlBlock = false;
  const std::string* ExternalTarget = nullptr;                // shared by the entries of one block
  std::vector<std::unique_ptr<std::string>> ExternalTargets;  // owner of every block target
  std::string ExternalContextId;                              // at most kExternalContextIdMax
  std::uint16_t ExternalPanelNumber = 0;
  bool PanelIdFileWanted = false;
  std::string DocumentTitle;
  std::array<const std::string*, 16> ButtonUrls{};  // by button function code 1 .. 15
  bool GraphicsDirGiven = false;
  bool FramePending = false;
  bool FrameGroupActive = false;
  std::uint8_t FrameGroupLevel = 0;
  std::int32_t FrameGroupBase = 0;
  std::int32_t FrameFileNumber = 0;
  bool HeadingOpensFrameGroup = false;
  std::uint8_t CurrentLevel = 1;
  std::array<THeadingNode*, 7> LevelCursors{};  // levels 1 .. 6
  // Local to the pass, shared with the expression parser.
  bool ColonForm = false;
  std::string WordBuffer;
  bool FirstWord = false;
  TIndexEntry* ExpressionEntry = nullptr;
};

// The whole pass (the driver writes "Indexing links" and clears GraphicsDirGiven before it).
void CollectIndexAndLinks(CompilerRun& run);

// Shared with the heading pass and the output pass.
void HandleDpCommand(CompilerRun& run);
void AdvanceHeadingNumber(CompilerRun& run, std::uint8_t level);
void ResetFrameGroupState(CompilerRun& run);
bool UrlBlocksAllowed(const CompilerRun& run);
bool IsProgramFileName(const CompilerRun& run, std::string_view name);
bool IsHelpFileName(const CompilerRun& run, std::string_view name);
void AppendIndexWordLink(CompilerRun& run, std::string_view word);
std::uint8_t CountIndexWordLinks(const TIndexEntry& entry);

}  // namespace skeldon

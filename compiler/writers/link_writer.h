// The automatic link writer: the last step of running text before the toggle and character
// output. It recognises index expressions, links words that name index entries (a phrase of
// several words as one link) and typed URLs, and counts the links for the summary page.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace skeldon {

struct CompilerRun;
struct TIndexEntry;

inline constexpr std::size_t kMarkedExpressionMax = 255;

struct TLinkWriterState {
  std::string MarkedExpression;  // word, URL or index expression being collected
  bool InIndexExpression = false;
  bool MarkedExpressionWords = false;  // colon form: the expression may hold blanks
  std::uint8_t LastEmittedChar = 0x0D;
  bool CollectingUrl = false;
  std::size_t OpenLinkEnd = 0;  // read position where an open phrase link ends, 0 = none
  std::string LinkCloseText;    // RTF family: closing of the link just opened
  // 32 bits: a long document makes more than 65,535 links, and the summary must not wrap.
  std::uint32_t InternalLinkCount = 0;
  std::uint32_t ExternalLinkCount = 0;
  bool UrlIconPending = true;
};

void EmitLinkedChar(CompilerRun& run, std::uint8_t ch);
bool MatchFollowingWords(CompilerRun& run, const TIndexEntry& entry);
void WriteUrlIcon(CompilerRun& run, const std::string& name);
// Closes a phrase link that is still open (the driver calls it at OpenLinkEnd).
void CloseOpenLink(CompilerRun& run);

}  // namespace skeldon

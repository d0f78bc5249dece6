// Job I: the contents document (".toc", a dot-command document formatted afterwards like any
// other) and the PDF outline ("ps_cnt"), from the headings and marked lines of the formatted text.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "formatter/derived/derived_documents.h"

namespace tavrel {

// (kind, terminator, blank after) of a line's numbering word.
struct NumberingStyle {
  int Kind = 0;        // 4 digit, 3 I/V/X, 2 other capital, 1 small letter, 0 none
  int Terminator = 0;  // 1 blank, 2 point, 0 other
  bool BlankAfter = false;
  bool operator==(const NumberingStyle&) const = default;
};

struct HeadingAnalysis {
  bool Heading = false;
  NumberingStyle Style;
};

struct OutlineEntry {
  std::string Title;
  std::string Number;  // the numbering before the title; empty for entries without one
  std::int32_t Page = 0;
  std::int32_t Count = 0;  // direct children
};

struct ContentsState {
  DerivedPageState Page;
  std::int32_t TitleColumn = 7;
  std::int32_t CurrentRightMargin = 60;
  std::int32_t ContentsRightMargin = 60;
  std::string NormalFontLine, BoldFontLine;
  std::string LastFontLine, LastBoldFontLine;  // SF/SN and SB lines of the document
  bool Collecting = true;
  bool CollectEveryLine = false;
  bool NextLineIsContents = false;
  bool FirstEntry = true;
  bool HaveReferenceStyle = false;
  NumberingStyle ReferenceStyle;
  std::vector<OutlineEntry> Outline;
  std::string Output;  // the ".toc" text
};

DerivedJobResult ContentsRun(const DerivedJobInput& input, RunMessages& messages);

// Whether a formatted line is a numbered heading ("2. ", "12.3", "IV. ", "B. "), and its style.
HeadingAnalysis AnalyseHeadingLine(std::string_view line);

// The outline's /Count values, from the levels of the entries' numbers.
std::size_t NumberingLevel(const std::string& number);
void CountOutlineChildren(std::vector<OutlineEntry>& entries);

// The "ps_cnt" text: one "/OUT pdfmark" line per entry.
std::string OutlineFileText(const std::vector<OutlineEntry>& entries);

}  // namespace tavrel

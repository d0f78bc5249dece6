// The frame of every HTML file of a run: the page head from the document type line to the body
// start (with the head-include files copied from disk), the page finish that counts the run's
// pages and bytes, the end of a topic page with its bottom bar and the notes page, and the
// indentation of body text by nested definition lists.
#pragma once

#include <cstdint>
#include <string>

#include "compiler/writers/output_files.h"

namespace skeldon {

struct CompilerRun;
struct THeadingNode;

inline constexpr const char* kSkeldonVersion = "4.22";

// Page kinds of WritePageHead and the template expansion.
inline constexpr std::uint8_t kTopicPage = 0, kContentsPage = 3, kIndexPage = 4, kNotesPage = 5,
                              kFramesetStartPage = 6;

struct THtmlPageState {
  std::uint16_t HtmlPageCount = 0;
  std::int64_t HtmlPageBytes = 0;    // 64-bit: a large run does not wrap
  bool EveryHeadFileExists = false;  // run preparation
  bool EmptyPageOpen = false;        // HTML output start: the placeholder page is open
  TTextFile NotesFile;
  bool FootnotePageOpen = false;
  char NotesFileFont = '@';
  bool TextHasFootnotes = false;         // heading pass
  std::uint8_t ClosingHeadingLevel = 0;  // topic switch: level of the heading whose page closes
  std::uint8_t HtmlIndentDepth = 0;
  // The topic switch's bar marks: a frame-group frameset was written / a heading-group page
  // shows its sub-heading links instead of bars.
  bool FramesetBarMark = false;
  bool SubchapterListBarMark = false;
  std::string HeadIncludeExtension = ".HEAD";  // shortened and cased by the run preparation
};

// file: the page's text (the output file's, or the notes page's).
void WritePageHead(CompilerRun& run, std::string& file, bool isFrameset, const THeadingNode* node,
                   std::uint8_t pageKind, bool withMeta);
void FinishHtmlPage(CompilerRun& run, std::string& file, bool withHeadEnd, bool withBodyEnd);
void CloseNotesPage(CompilerRun& run);
void WritePageEnd(CompilerRun& run, bool final);
// listIndent: the list indentation of the line-start processing; leftMargin: the last ".LM".
void SetHtmlIndentDepth(CompilerRun& run, std::uint8_t listIndent, std::uint8_t leftMargin);

}  // namespace skeldon

// What the heading pass, the output pass and the graphics refresh hand to the link, index and
// contents writers: the heading tree, the output file being written and the output pass's
// position state. The passes that fill these are built on top of the writers; tests fill them
// directly.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace skeldon {

struct CompilerRun;

// One heading, as the heading pass builds the tree.
struct THeadingNode {
  std::int32_t SourcePosition = 0;  // read position at which the title text begins
  std::uint16_t HeadingNumber = 0;  // "#hd" and IPF "res" number
  std::uint16_t RunningNumber = 0;  // free for the contents tree
  THeadingNode* FirstChild = nullptr;
  std::int16_t FileNumber = 0;             // output page holding the heading
  std::uint8_t GroupFlag = 0;              // the heading opened a frame group
  const std::string* OwnString = nullptr;  // first .ID word (WinHelp context string), or none
  THeadingNode* NextSibling = nullptr;
};

// One window of a frame-group layout (.FA/.WA).
struct TGroupWindow {
  std::uint8_t HeightPercent = 100;
  std::uint8_t WidthPercent = 100;
  bool Left = true;
  bool Top = true;
};

inline constexpr int kFootnoteFileFlags = 1000;
inline constexpr int kGraphicCharMax = 100;

class TOutputWriter;

struct TPassServices {
  // Heading tree: nodes and their .ID strings are owned here so that pointers stay valid.
  THeadingNode* HeadingTreeRoot = nullptr;
  std::vector<std::unique_ptr<THeadingNode>> NodeStore;
  std::vector<std::unique_ptr<std::string>> OwnStrings;

  // The one output text that every writer appends to, and the name it is created under.
  std::string OutputFile;
  std::string CurrentOutputFileName;
  std::string ChmFileName;  // compiled HTML Help file name without directory

  // Output pass position.
  THeadingNode* CurrentTopicNode = nullptr;
  bool InFootnote = false;
  bool TableMode = false;
  std::int32_t OutputColumn = 0;  // the character filter's column counter
  std::int32_t CurrentFrameGroupNumber = -1;
  std::array<bool, kFootnoteFileFlags> FileHasFootnotes{};
  int GroupWindowCount = 2;
  std::array<TGroupWindow, 5> GroupWindowTable{};  // windows 1 .. 4

  // Graphics characters (.BT): 0 = none, else 1-based index into GraphicFileNames.
  std::array<std::uint8_t, 256> GraphicCharIndex{};
  std::vector<std::string> GraphicFileNames;

  // Graphics refresh of the publishing tools; unset means nothing is copied.
  std::function<void(CompilerRun&, std::string_view)> RefreshGraphicsFile;
  // Stores a finished output file; unset means it is written to disk (see StoreOutputFile).
  std::function<void(CompilerRun&, const std::string&, const std::string&)> StoreFile;
  // The background writer of the output pass (see output_writer.h); none outside it.
  std::shared_ptr<TOutputWriter> Writer;
  // The external-reference list of the summary page, in order of first appearance.
  std::vector<std::string> ExternalReferences;
};

// Creates a heading node owned by the run (the heading pass links it into the tree).
THeadingNode* NewHeadingNode(CompilerRun& run);
// Keeps a context string for the run's lifetime and returns its address.
const std::string* KeepOwnString(CompilerRun& run, std::string_view text);

// Calls the graphics refresh when one is installed; a web or FTP name is recorded as an
// external reference instead.
void RefreshGraphicsFile(CompilerRun& run, std::string_view name);
// True when the page of this file number is a frameset of a text frame and a footnote frame:
// its heading anchors stand in the text page, so a link from elsewhere names no anchor.
bool IsFootnoteFrameset(const CompilerRun& run, std::int32_t file);
// True when an .ID word may name a page (IsUsablePageName): no path separator, drive colon,
// "..", quote, wildcard or control character. Other words keep the numbered page name.
bool IsSafePageWord(std::string_view word);

// Writes a finished output file: through StoreFile when installed, else to disk by a
// temporary file and a rename. A file that cannot be written stops the run (exit code 2).
void StoreOutputFile(CompilerRun& run, const std::string& name, const std::string& text);
// The same for a text the caller gives up: handed to the writer without a copy.
void StoreOutputFile(CompilerRun& run, const std::string& name, std::string&& text);
// Appends the name unless an equal name (exact case) is already listed.
void RecordExternalReference(CompilerRun& run, std::string_view name);

}  // namespace skeldon

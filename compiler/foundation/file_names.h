// Names of every generated page and of the fixed contents and index pages, the casing rule all
// output file names pass through, extension change, URL tests, the lower-case map of the source
// code page and the small character and text helpers the writers share.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace skeldon {

struct FoundationRun;

inline constexpr std::size_t kShortStringMax = 255;
inline constexpr std::size_t kFileNamePartMax = 199;
inline constexpr std::size_t kPageBaseMax = 100;
inline constexpr std::size_t kIdMarkNameMax = 80;

using TByteMap = std::array<std::uint8_t, 256>;

// The first .ID word of one HTML output file (filled by the heading pass).
struct TIdMark {
  std::int16_t FileNumber = 0;
  std::string Name;  // at most kIdMarkNameMax
};

// Page names already made for links, by file number: every link of the text asks for one. Each
// holds the name and what the making leaves in LastPageIdName; the memo is emptied when one of
// the settings a name is made from changes.
struct TTopicNameMemo {
  struct TSlot {
    bool Made = false;
    std::string Name;
    std::string IdName;
  };
  std::vector<TSlot> Slots;
  std::string Prefix, Extension;
  std::size_t Marks = 0;
  unsigned Flags = 0;
};

struct TFileNameState {
  TByteMap LowerCaseTable{};   // lower-case map of the source code page
  std::string LastPageIdName;  // .ID name used by the last MakeTopicFileName, or empty
  std::string PageExtension =
      ".html";                      // ".HTML"/".HTM" in the chosen case; set by the run preparation
  std::vector<TIdMark> IdMarkList;  // in file order, appended by the heading pass
  TTopicNameMemo TopicNames;
};

// The text cut to at most max bytes (bounded texts of the settings).
std::string CutText(std::string_view text, std::size_t max);

// The name with a new extension (without dot). Only a dot in the file-name part counts: a dot
// in a directory name ("C:\DOC.V2\MANUAL") is left alone and the extension is appended.
std::string SetFileExtension(std::string_view name, std::string_view extension);

// The characters after the last "\" or "/" (at most kFileNamePartMax); the whole path without one.
std::string FileNamePart(std::string_view path);

bool IsNetworkUrl(std::string_view text);  // http: https: ftp: gopher: wais: news: (small letters)
bool IsSpecialUrl(std::string_view text);  // file: mailto: javascript:

void BuildIbmLowerCaseTable(TByteMap& table);  // code page 850
void BuildIsoLowerCaseTable(TByteMap& table);  // ISO 8859-1
std::string LowerCaseText(const TByteMap& table, std::string_view text);

inline std::uint8_t StripHighBit(std::uint8_t c) { return c & 0x7F; }
inline bool IsDigitChar(std::uint8_t c) { return c >= '0' && c <= '9'; }
inline std::uint8_t DigitValue(std::uint8_t c) { return static_cast<std::uint8_t>(c - '0'); }

// Appends c unless it is the end-of-file character 0x1A.
void WriteOutputChar(std::string& out, std::uint8_t c);

// Appends the text in the Windows code page: unchanged for an ISO source, else through
// OemToAnsi with '"' written as an apostrophe when quotes is set.
void WriteCodePageText(const FoundationRun& run, std::string& out, std::string_view text,
                       bool quotes);

// The name in the output casing; with ".HTM" pages and "filenames" dos/fat or /fat, a name
// over 12 characters is reported (kind 0 source error) and kept whole.
std::string NormalizeFileName(FoundationRun& run, std::string_view name);

// An .ID word may name a page only when it stays one file inside the output directory and
// could be created on any file system: no path, drive, quote, wildcard or control characters.
bool IsUsablePageName(std::string_view word);

// A "pre filename" pattern whose prefix (the text before a final "*") stays in the output
// directory: empty, or a name IsUsablePageName takes.
bool IsUsablePrefixPattern(std::string_view pattern);

// Page file name of an output file: the .ID name for a plain page (when usable), else "N" + at
// least three digits, with "F" (frameset), "T" (kind 1) or "N" (kind 2) appended.
std::string MakeTopicFileName(FoundationRun& run, std::int16_t number, bool frame,
                              std::uint8_t kind);

std::string ContentsFileName(const FoundationRun& run);
std::string ContentsTreeFileName(const FoundationRun& run);
std::string IndexFileName(const FoundationRun& run);

// The HTML page extension the settings ask for: ".HTM" with /fat or an appearance sample with
// an extension of at most three letters, else ".HTML"; small letters unless the sample or
// /fat asks for capitals.
std::string ChoosePageExtension(const FoundationRun& run);

}  // namespace skeldon

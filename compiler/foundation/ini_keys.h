// The 58 keys of the ini file: their texts, which may be absent, the settings each fills and
// the handler that reads its value. The reader (ini_file) matches a line to a key and calls the
// key's handler from the table below.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace skeldon {

struct FoundationRun;

inline constexpr int kIniKeyCount = 58;
inline constexpr int kFontLetterCount = 59;  // "@" .. "z"
inline constexpr std::uint8_t kFirstFontLetter = '@';
inline constexpr std::size_t kFontSpecMax = 100;
inline constexpr std::size_t kTemplateTextMax = 255;

// Key numbers that the ini reader and the run refer to by name.
enum TIniKey : int {
  kKeyLanguage = 1,
  kKeySourceFormat = 2,
  kKeyListChars = 3,
  kKeyIndexChar = 4,
  kKeyFont = 6,
  kKeyToggles = 7,
  kKeyExtendedLetters = 14,
  kKeyIndexFilter = 15,
  kKeyTarget = 16,
  kKeyFunctionFirstLine = 18,
  kKeyTextLastLine = 21,
  kKeyGraphicPath = 46,
  kKeySearchGraphicFiles = 47,
};

// A text with the positions (1-based, 0 = absent) of "DOCTITLE", "HEADING" and "FILENAME".
struct TTemplateText {
  std::uint8_t DocTitlePos = 0;
  std::uint8_t HeadingPos = 0;
  std::uint8_t FileNamePos = 0;
  std::string Text;  // at most kTemplateTextMax
};

// The output format of a run; exactly one format is written.
struct TTargetFlags {
  bool Html = false;  // also set for HTML Help
  bool HtmlHelp = false;
  bool Ipf = false;
  bool RtfFamily = false;  // WinHelp 3, WinHelp 4 and RTF text
  bool WinHelp3 = false;
  bool WinHelp4 = false;
  bool RtfText = false;
  bool operator==(const TTargetFlags&) const = default;
};

// The settings of the ini file, named after their keys. (Settings kept elsewhere: "language"
// in the reporter's Language and PascalForm; "source format" and "content level" in
// TSwitches; "graphic path" and "search graphic files" in TGraphicDirectories.)
struct TIniSettings {
  std::string ListChars;                                  // 3, at most 20
  std::uint8_t IndexChar = 0;                             // 4
  bool LinksPerParagraph = false;                         // 5, "para"
  bool LinkEveryOccurrence = false;                       // 5, "no" / "always"
  std::array<std::string, kFontLetterCount> FontSpecs{};  // 6, raw "font" texts, "@".."z"
  std::string ToggleChars;                                // 7, at most 20 (exactly 12 when valid)
  std::string EndingOfWords;                              // 8, lower-cased, at most 150
  std::string SubchapterLinkText;                         // 9
  std::uint8_t SubchapterLinkFont = '@';
  std::string NextChapterLinkText;  // 10
  std::uint8_t NextChapterLinkFont = '@';
  std::int32_t HelpSubtableStartId = 0;  // 11
  std::string HelpTableFileName;         // 12, at most 100
  std::string PanelIdFileName;           // 13, at most 100
  std::string ExtendedLetters;           // 14, at most 80
  std::string IndexFilter;               // 15, at most 60 (blanks removed after the file)
  TTargetFlags TargetFlags;              // 16
  std::uint8_t NewFileLevel = 0;         // 17
  std::string FunctionsFirstLine;        // 18, lower-cased, at most 150
  std::string FunctionsLastLine;         // 19
  std::string TextsFirstLine;            // 20, at most 150
  std::string TextsLastLine;             // 21
  bool TitleInEveryFile = false;         // 22
  std::uint8_t TitleFont = '@';
  std::uint8_t HorizontalRuleLevel = 0;  // 23
  std::string MainChapterLinkText;       // 24 ("NO" writes nothing)
  std::uint8_t MainChapterLinkFont = '@';
  bool BeepOn = false;      // 25
  std::string PreFileName;  // 26, at most 40
  bool ButtonsOn = false;   // 27
  bool ButtonsJavaScript = false;
  std::uint8_t ButtonFont = '@';
  std::string BodyTags;                   // 28, at most 254
  std::int32_t ExtendedIndexEntries = 0;  // 29
  bool SourceIsIso = false;               // 30
  std::string FilenameAppearance;         // 32, the sample as written
  bool CapitalFirstLetter = false;
  bool CapitalOtherLetters = false;
  int ExtensionLength = 5;           // 4 (".htm") or 5 (".html")
  std::string DefaultFrame;          // 33, at most 40
  TTemplateText FileTitle;           // 34
  TTemplateText MetaContent;         // 35
  std::string NotesText;             // 36, at most 40
  std::uint8_t ListIndention = 0;    // 37
  std::uint8_t DefaultFontSize = 0;  // 38
  std::string HeadingFonts;          // 39, six font letters
  bool ContentsInternal = false;     // 40
  bool ContentsCntFile = false;
  std::string ContentsGeneralText;  // 41, at most 40
  bool KeepHeading = false;         // 42
  std::string PrintedListChars;     // 43, at most 20
  bool FootnotesNoFrames = false;   // 44
  bool FootnotesPopup = false;
  std::string UrlGraphicsFile;  // 45, at most 40
  bool DosFileNames = false;    // 48
  bool ContentsTreeOn = false;  // 49
  std::string ContentsTreeAltText;
  std::string ContentsTreeOpenText;   // at most 50
  std::string ContentsTreeCloseText;  // at most 50
  std::uint8_t ContentsTreeFont = '@';
  TTemplateText StatusbarMouseover;         // 50
  TTemplateText StatusbarDefault;           // 51
  std::string ContentsFrame;                // 52, at most 40
  std::string ContentsTags;                 // 53, at most 254 (optional, default empty)
  bool CreateContents = true;               // 54 (optional)
  bool CreateIndex = true;                  // 55 (optional)
  bool WinhelpFontsForHtmlHeading = false;  // 56 (optional)
  bool ColorCorrection = false;             // 57 (optional)
  bool AutomaticHeadingEnumeration = true;  // 58 (optional)
};

// The positions the reader found in the current line (0-based indexes into the line).
struct TIniLineView {
  std::string_view Line;          // as written (IniLine after the comment cut)
  std::string_view LowerLine;     // lower-cased through LowerCaseTable
  std::size_t EqualPos = 0;       // the first "="
  std::size_t ValueStart = 0;     // after "=" and at most three blanks (may equal the length)
  std::size_t FirstNonBlank = 0;  // from ValueStart on, past every blank; stops at the last char
  std::string_view Value() const { return Line.substr(ValueStart); }
  std::string_view LowerValue() const { return LowerLine.substr(ValueStart); }
  bool LineHas(std::string_view word) const {
    return LowerLine.find(word) != std::string_view::npos;
  }
  bool ValueHas(std::string_view word) const {
    return LowerValue().find(word) != std::string_view::npos;
  }
};

using TIniKeyHandler = void (*)(FoundationRun& run, const TIniLineView& line);

struct TIniKeyDef {
  int Number;        // 1 .. 58
  const char* Text;  // lower case, at most 30
  bool Optional;     // may be absent from the file
  TIniKeyHandler Handler;
};

// The key table in key order; kIniKeys[n - 1] is key n.
extern const std::array<TIniKeyDef, kIniKeyCount> kIniKeys;

// The key definition of number n (1 .. 58); nullptr outside the table.
const TIniKeyDef* IniKeyByNumber(int number);

// Sets the settings to their start values: everything empty/off except the defaults of the
// optional keys 53 to 58 (contents and index on, automatic heading enumeration on).
void ResetIniSettings(TIniSettings& settings);

// Reads a whole number with blanks around it; false when it is not one or lies outside
// [min, max].
bool ParseIniNumber(std::string_view value, std::int64_t min, std::int64_t max,
                    std::int64_t& result);

}  // namespace skeldon

// Skeldon's message catalogue: every text the compiler shows, logs or writes in the user's
// language, one row per message with its German (code page 850) and its English text. A
// message with variable parts (a file name, a number) marks them %1, %2, ... in its texts; the
// site that says the message supplies those parts, in that order.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace skeldon {

enum class MessageId : std::uint16_t {
  // The reporter
  PressAnyKey,
  SourceLinePrefix,
  MessageFileNotCreated,
  ErrorFileNotCreated,
  // The command line
  FileNameTooLong,
  WrongFootnoteSwitch,
  TooManyConditions,
  ConditionTooLong,
  // The ini file
  IniLineError,
  IniLineTooLong,
  FunctionEqualsValueWanted,
  IniUnknownSetting,
  IniCharacterClash,
  ClashWithExtendedLetters,
  ClashWithListChars,
  ClashWithIndexChar,
  IniFileNotFound,
  IniFileUnreadable,
  IniSettingMissing,
  IniSettingTwice,
  IniValueCut,
  ReadingIniFile,
  UnknownLanguage,
  UnknownSourceFormat,
  LettersAsSpecialChars,
  OnlyFontLetters,
  FontDefinedTwice,
  WrongNumberOfChars,
  WrongSubtableStartId,
  UnknownTargetFormat,
  WrongNewFileLevel,
  WrongHorizontalRuleLevel,
  WrongExtendedIndexEntries,
  OnlyIbmOrIsoCodePages,
  WrongContentLevel,
  WrongFileNameAppearance,
  NumberMissing,
  SixHeadingFontsWanted,
  UnknownContentsParameter,
  WrongContentsTreeTexts,
  NumberExpected,
  TooManyButtons,
  ButtonTextsAndFunctionsDiffer,
  // The project file
  ProjectLineError,
  ProjectValueTooLong,
  NoCorrectTargetFormat,
  ProjectLineTooLong,
  ProjectUnknownSetting,
  ProjectSourceFileMissing,
  ProjectFileNotFound,
  ProjectFileIsDirectory,
  ProjectFileUnreadable,
  ReadingProjectFile,
  // Sources, file names, characters and toggles
  UnknownParameter,
  SourceFileNotFound,
  SourceFileEmpty,
  SourceTooLarge,
  CharNotAllowedWithWinHelp,
  FileNameTooLongForDos,
  NoFreeInternalChars,
  ToggleAlternate,
  ToggleItalic,
  ToggleBold,
  ToggleUnderline,
  ToggleRed,
  ToggleCyan,
  ToggleBlue,
  ToggleStrike,
  ToggleBig,
  ToggleSmall,
  ToggleSubscript,
  ToggleSuperscript,
  // The compile run
  WritingRtfFile,
  WritingIpfFile,
  TableEndMissing,
  LineDrawingEndMissing,
  EnterSourceFileFirst,
  ReadingSourceFile,
  IndexingHeadings,
  IndexingLinks,
  UserButtonWithoutId,
  HhpFileCreated,
  HtmlFilesCreated,
  InfoFileCreated,
  IpfFileCreated,
  RtfFileCreated,
  RtfAndHpjFileCreated,
  UserBreak,
  WrongPreFileName,
  PreFileNameWithPath,
  // Dot commands and the source text
  DotCommandErroneous,
  WrongHeadingTagDigits,
  UnknownDotCommand,
  GraphicsCharError,
  PictureNameWithApostrophe,
  TooManyGraphicsChars,
  IdWordNamesNoFile,
  FirstHeadingNotLevelOne,
  HeadingLevelJumped,
  NoHeading,
  TooManyIndexEntries,
  ExternalLinkWithoutId,
  EmptyIndexWord,
  FileNotFound,
  ErrorReading,
  HeadingLevelError,
  WrongListLevel,
  WrongIndentLevel,
  UndefinedIndent,
  IndexEndMarkerMissing,
  SpaceAfterIv,
  SpaceAfterIn,
  UrlMissing,
  PanelIdFileNameWithoutWildcard,
  WrongExUsage,
  PanelIdNotFound,
  IndexEntryBeforeFirstHeading,
  WrongDpChar,
  ExWithoutParameters,
  LastHeadingTooLong,
  HeadingMissing,
  DotCommandTooLong,
  TooManyHeadings,
  TooManyOutputFiles,
  ReservationTooLow,
  FootnoteBeginMissing,
  FootnoteEndMissing,
  ToggleOnAtFootnote,
  WrongIfSyntax,
  NumberMissingAfterNr,
  NumberMissingAfterHd,
  NumberTooLarge,
  IfNotClosed,
  EndWithoutIf,
  TableLineTooLong,
  TaWithoutParameter,
  OldTableNotClosed,
  RunningTextMissingOrJoined,
  RunningTextMissing,
  // Writing the output
  TargetFileNotWritten,
  UpdatingGraphicsFile,
  GraphicsFileNotCreated,
  ContentsTreeLoops,
  TurnOffContentsTree,
  UnknownFaParameter,
  FaPerCentRange,
  FaHoriOrVertiWanted,
  FaTooFewParameters,
  WritingCntFile,
  HelpContentsTitle,
  WinHelpTitleTooLong,
  HistoryButton,
  Warning,
  GraphicsFileMissing,
  RcParameterMissing,
  RcWithoutMainId,
  RcBeforeFirstHeading,
  IdWordWithPath,
  WrongIdUsage,
  WrongPanelIdFileName,
  WrongHelpTableFileName,
  WritingHelpTable,
  RcWithoutSubitem,
  WritingPanelIds,
  HeadFileUnreadable,
  SourceNeedsExtension,
  WritingHtmlFiles,
  IndexMarkerInFootnote,
  IndexMarkerUnknown,
  IndexMarkerNotInserted,
  IndexProgramFault,
  HtmlFileNotFound,
  FontNotDefined,
  WrongToggle,
  ToggleStillOpen,
  TargetFileNotCreatedDiskFull,
  TargetFileNotCreated,
  DosFileNamesOnly,
  TooManyTableColumns,
  // The summary page
  SummaryHtmlHelpProject,
  SummaryHomeFrame,
  SummaryContents,
  SummaryIndex,
  SummaryFirstPage,
  SummaryHtmlFiles,
  SummaryCreatedAt,
  SummaryWith,
  SummaryFor,
  SummarySourceFiles,
  SummaryIniFile,
  SummarySourceLength,
  SummaryHtmlFileCount,
  SummaryHtmlFileSize,
  SummaryCompileTime,
  SummarySeconds,
  SummaryAutomaticLinks,
  SummaryInternalLinks,
  SummaryExternalLinks,
  SummaryEnumerationHead,
  SummaryAt,
  SummaryLine,
  SummaryExceedingBy,
  SummaryRoomFor,
  SummaryFiles,
  SummaryHeadings,
  SummaryGraphicsCheckOffWithBd,
  SummaryGraphicsCheckOff,
  SummaryNoGraphicPath,
  SummarySearchedDirectories,
  SummaryAllGraphicsThere,
  SummaryUsedGraphicsCount,
  SummaryGraphicsList,
  SummaryProject,
  SummaryProjectAfterTarget,
  SummaryTo,
  SummaryNotForWeb,
  SummaryActivexOnly,
  SummaryPopupFootnotesTip,
  SummaryLinksHead,
  SummaryTechnicalHead,
  SummaryGraphicsHead,
  SummaryExternalLinksHead,
  SummaryTestExternalLinks,
  // Publishing: pictures, the help-compiler start, the directory compare and the upload batch
  StartingSecondCompiler,
  BatchNotExecuted,
  FileNotWrittenBecause,
  UnsafeBatchName,
  GraphicsFileUnreadable,
  WritingUploadBatch,
  CompareOldDirectory,
  CompareNewDirectory,
  FilesToDeleteHead,
  NewOrUpdatedFilesHead,
  NoFilesFoundInDirectory,
  NoneListed,
  UploadWithoutEffect,
  PageUnreadable,
  EncryptedPasswordInvalid,
  PrepareUploadWithoutSource,
  UploadConnectHint,
  UploadServerDirectoryHint,
  UploadConfirmHint,
  UploadFinished,
  // Conversions and tools not built yet
  NotBuiltYet,
  IpfConversion,
  RtfConversion,
  HelpCompilerStart,
  HtmlDirectoryCompare,

  Count  // the number of messages, not a message
};

inline constexpr std::size_t kMessageCount = static_cast<std::size_t>(MessageId::Count);

// One row of the catalogue.
struct MessageTexts {
  MessageId Id;
  std::string_view German;  // code page 850
  std::string_view English;
};

// The whole catalogue, row i for the message of value i.
std::span<const MessageTexts> MessageTable();

// The row of a message; a value outside the table throws std::out_of_range.
const MessageTexts& MessageRow(MessageId id);

// A message as its site says it: the catalogue entry and the variable parts for its %1, %2, ...
class Message {
 public:
  static constexpr std::size_t kMaxParts = 3;

  // A message without variable parts; implicit, so a MessageId can be passed as it is.
  Message(MessageId id) : id_(id) {}

  template <typename... Parts>
  requires(sizeof...(Parts) >= 1 && sizeof...(Parts) <= kMaxParts)
      Message(MessageId id, const Parts&... parts)
      : id_(id), parts_{std::string(parts)...}, partCount_(sizeof...(Parts)) {}

  MessageId Id() const { return id_; }
  // Part n (1 for %1); a part the site did not supply throws std::out_of_range.
  std::string_view Part(std::size_t n) const;

 private:
  MessageId id_;
  std::array<std::string, kMaxParts> parts_{};
  std::size_t partCount_ = 0;
};

// Whether a language says anything: 1 German, 0 English; any other value prints nothing.
bool LanguageHasMessages(std::int32_t language);

// The message in the language with its parts filled in: German for 1, English for 0, empty for
// any other value.
std::string MessageText(std::int32_t language, const Message& message);

// German for 1 and English for every other value: the rule of the few words written into help
// files, which always need some text.
std::string GermanOrEnglishText(std::int32_t language, const Message& message);

}  // namespace skeldon

#pragma once
// The formatter's message catalogue: every text the program shows (or writes) in the user's
// language, one row each with its German text in code page 850 and its English text, and the
// one rule that picks and shows the text of a language.
//
// Names and numbers go into a text at its placeholders "%1".."%9", in both languages. MessageText
// inserts them as they are given, after the German text is shown in the display code page;
// ComposeMessage puts them into both texts first, so that showing German converts them too.

#include <cstdint>
#include <initializer_list>
#include <span>
#include <string>
#include <string_view>

namespace tavrel {

struct TSettingsRecord;

inline constexpr std::uint8_t kLanguageGerman = 1;  // any other value is English

enum class MessageId : std::uint16_t {
  // run messages
  kParagraphAbbreviation,
  kTooManyErrors,
  kOldFileKeptAsBackup,
  kFormatJobInterrupted,
  kErrorOpeningOutputFile,
  kOutputIsInput,
  // help, settings
  kFileNotFound,
  kDotHelpLanguageLetter,
  kAskGermanLanguage,
  kSettingsFileUnreadable,
  kEditorNotFound,
  kSettingsFileNotWritten,
  kTutorialFolder,
  kProgramsFolder,
  // font definition file, printer data
  kFontDefinitionFileCreated,
  kFontDefinitionFileNotFound,
  kFontDefinitionFileRecreatedAfterBug,
  kFontLettersDeclaredTwice,
  kAskRecreateFontDefinitionFile,
  kFontSizesUnreadable,
  kPrinterResolutionUnknown,
  kPrinterDataFileWrongSize,
  kMeasuringFont,
  kFileCannotBeWritten,
  kFontWidthsLimited,
  kFontsNotInstalled,
  kPrinterResolutionTooHigh,
  kNoPrinterInstalled,
  kSelectFormattingPrinter,
  kCannotFormatWithoutPrinter,
  kPrinterDataReset,
  // formatting
  kNumberMissingBehindDotCommand,
  kUnderlineNotEnded,
  kBoldNotEnded,
  kItalicNotEnded,
  kPageNoteSwallowed,
  kTwoPageNotesInOneLine,
  kTooManyIndexCharacters,
  kDocumentCannotBeWritten,
  kUnexpectedEndOfFile,
  kHeadingsFileTooLong,
  kHeadingsFileErrorAtLevel,
  kHeadingsNumberingHint,
  kHeadingsFileReplaced,
  kHeadingsFileNotOpened,
  kHeadingsFileName,
  kPageLengthBelowMargins,
  kFileEndsInsideBlock,
  kTwoRightJustifyControls,
  kStoppedByUser,
  kFootnoteEndMarkerMissing,
  kFootnoteBeginMarkerMissing,
  kFormattingErrorInTable,
  kDeletingFile,
  kRenamingFile,
  kWriteError,
  kIndexEntryCount,
  kHeaderSettingsStart,
  kHeaderPageLayout,
  kHeaderSettingsEnd,
  kTooManyHeadingNumbers,
  kDotCommandValueNotPositive,
  kTooManyGraphicsCharacters,
  kGraphicsFileUnusable,
  kGraphicsFileNotFoundNoLines,
  kGraphicsFileNotInterpreted,
  kDotLineTooLong,
  kIfConditionSyntax,
  kMacroNameTooLong,
  kMacroTooLong,
  kMacroCalledRecursively,
  kTooManyNestedIncludeFiles,
  kErrorOpeningIncludeFile,
  kFontNotDefined,
  kNamedFontNotDefined,
  // hyphenation
  kHyphenationFileNotFound,
  kHyphenationFileTooLarge,
  kErrorOpeningHyphenationFile,
  kHyphenationFileCrLf,
  kErrorReadingLearnedFile,
  kErrorAppendingLearnedFile,
  // pages
  kNumberedOutputError,
  kFormattedFileNotFound,
  kPageRangeTo,
  kPageCountOf,
  kWrongNumberInDotCommand,
  kGraphicsCharacterNotFound,
  // font definition file and font demo file contents
  kFontFilePrinterLine,
  kFontFileEverySystem,
  kNoFontLikeTimes,
  kNoFontLikeHelvetica,
  kNoFontLikeCourier,
  kFontFileOwnDefinitions,
  kFontFileAdditionalFonts,
  kFontFileModifyThem,
  kFontFileInactiveFonts,
  kFontDemoTitle,
  kFontDemoBold,
  kFontDemoItalic,
  kFontDemoBoldItalic,
  // console
  kFormattingPage,
  kPrintingPageToFile,
  kPrintingPage,
  kOutputError,
  kMeasuringPrinterFonts,
  kPrinterNotFound,
  kPrinterTaken,
  kFormattingRefersToPrinter,
  kRtfNotAvailable,
  kNotADocumentFile,
  kFormattedFileChangedByHand,
  kFormattedFilePages,
  kFormattingEndedWithErrors,
  kNoPagePrinted,
  kPrinterError,
  kPostScriptFilePages,
  kPngPages,
  kPagesSentToPrinter,
  kPrinterRequired,
  kConditionWordsCut,
  kParameterIgnored,
  kDocumentDoesNotExist,
  kGraphicsFileNeedsWindow,
  kUsage,
  // job R: an RTF file to a WordStar document
  kOverwriteFile,
  kRtfConversionSucceeded,
  kRtfConversionFailed,
  kCouldNotWriteWsFile,
  kCount  // not a message: the number of rows
};

struct MessageRow {
  MessageId Id;
  std::string_view German;  // code page 850
  std::string_view English;
};

// Every row, in the order of MessageId.
std::span<const MessageRow> MessageTable();
// The row of `id`; std::out_of_range for a value that names no message.
const MessageRow& MessageRowOf(MessageId id);

using MessageArgs = std::initializer_list<std::string_view>;

// A message in both languages with its variable parts in place (German in code page 850), for
// code that reports it before the language is known.
struct MessageTexts {
  std::string German;
  std::string English;
};

MessageTexts ComposeMessage(MessageId id, MessageArgs args = {});

// Language 1: the German text through the display table; any other: the English text unchanged.
std::string ShowMessage(std::uint8_t language, const MessageTexts& texts);

// The shown text of `id`; `args` are inserted as given (display code page, or plain ASCII).
std::string MessageText(std::uint8_t language, MessageId id, MessageArgs args = {});
std::string MessageText(const TSettingsRecord& settings, MessageId id, MessageArgs args = {});

// The text of `id` as stored (German in code page 850): for files written in code page 850 and
// for the messages that the program shows in German whatever the language.
std::string MessageSource(std::uint8_t language, MessageId id, MessageArgs args = {});

}  // namespace tavrel

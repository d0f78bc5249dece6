#pragma once
// The settings record (Tavrel.dta): one fixed 4,212-byte record that is both the data model and
// the file format. The struct is laid out to match the file byte for byte; the "reserved" members
// are the gaps the file has, so a load-save round trip keeps them.

#include <algorithm>
#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace tavrel {

class MessageBoxes;

static_assert(std::endian::native == std::endian::little,
              "stored records are little-endian and mapped directly");

// A length-prefixed string of at most N characters (N + 1 bytes).
template <std::size_t N>
struct ShortString {
  std::uint8_t Length = 0;
  char Chars[N] = {};

  // A damaged length byte never reads beyond the N characters.
  std::string Str() const { return std::string(Chars, std::min<std::size_t>(Length, N)); }
  // Longer text is cut at N characters, as the fixed record field holds no more.
  void Assign(std::string_view text) {
    const std::size_t n = std::min(text.size(), N);
    std::copy_n(text.data(), n, Chars);
    Length = static_cast<std::uint8_t>(n);
  }
  bool Empty() const { return Length == 0; }
  static constexpr std::size_t Capacity = N;
};

// A named page layout of 33 bytes.
struct TPageTemplate {
  ShortString<25> Name;
  std::uint8_t PL = 0;  // page length in lines
  std::uint8_t MT = 0;  // top margin in lines
  std::uint8_t MB = 0;  // bottom margin in lines
  std::uint8_t PO = 0;  // page offset in columns
  std::uint8_t RM = 0;  // right margin in columns
  std::uint8_t HM = 0;  // header margin in lines
  std::uint8_t FM = 0;  // footer margin in lines
};
static_assert(sizeof(TPageTemplate) == 33);

struct TSettingsRecord {
  ShortString<200> EditorFileName;
  ShortString<255> SearchDirectories;
  std::uint8_t Reserved457[3] = {};
  std::int32_t PrintThreadPriority = 0;
  std::uint8_t Language = 0;  // 1 German, 0 English
  std::uint8_t PrintUnformattedFiles = 0;
  std::uint8_t PreviewPlacesEachChar = 0;
  ShortString<100> FormattingPrinterName;
  std::uint8_t HardToSoftSpaces = 0;
  std::uint8_t Reserved569 = 0;
  std::int16_t DefaultGU = 0;
  std::uint8_t NormalFont = 0;
  std::uint8_t AlternateFont = 0;
  std::uint8_t Reserved574 = 0;
  std::uint8_t DefaultTS = 0;
  std::uint8_t PageTemplateIndex = 0;
  TPageTemplate PageTemplates[10];
  std::uint8_t PaperFeedTop = 0;
  std::uint8_t DefaultLW = 0;
  std::uint8_t DefaultLS = 0;
  std::uint8_t SettingsIntoHeader = 0;
  std::uint8_t HintUnit = 0;
  std::uint8_t LearnHyphenations = 0;
  std::uint8_t HyphenationMode = 0;  // 0 German, 2 manual, 3 none, 4 TeX, 5 TeX then German
  std::uint8_t MinimalRating = 0;
  std::uint8_t DefaultHN = 0;
  std::uint8_t AskIfDoubtful = 0;
  std::uint8_t CapitalAreasUnsplit = 0;
  ShortString<200> TexPatternFile;
  std::uint8_t AncientGreek = 0;
  std::int32_t TexDownloadLanguage = 0;
  std::uint8_t DefaultMN = 0;
  std::uint8_t BlankLinesBeforeNotes = 0;
  std::uint8_t NoteReturnChar = 0;
  std::uint8_t NoteAssignChar = 0;
  ShortString<25> NoteLinkInText;
  ShortString<25> NoteLinkInNoteArea;
  std::uint8_t LinesKeptTogether = 0;
  std::uint8_t ContentsBoldHeadings = 0;
  std::uint8_t ContentsPageNumbers = 0;
  std::uint8_t IndexSortUmlautAsAe = 0;
  std::uint8_t WeightedPages = 0;
  std::uint8_t Reserved1185[3] = {};
  std::int32_t MainWindowLeft = 0;
  std::int32_t MainWindowTop = 0;
  std::int32_t PreviewLeft = 0;
  std::int32_t PreviewTop = 0;
  std::int32_t PreviewWidth = 0;
  std::int32_t PreviewHeight = 0;
  std::uint8_t AutoCorrectExtension = 0;
  std::uint8_t OpenEditorAfterMake = 0;
  std::uint8_t CodePage = 0;  // 0 = 437, 1 = 850
  std::uint8_t DosProgram = 0;
  std::uint8_t LineHeightRefersToNormalFont = 0;
  std::uint8_t FirstPreviewDone = 0;
  std::uint8_t AutoSaveEditor = 0;
  ShortString<199> CompilerFileName;
  std::uint8_t DefaultLH = 0;
  std::int32_t MainWindowWidth = 0;
  std::uint8_t Reserved1424[4] = {};
  std::uint8_t AutoPsName = 0;
  std::uint8_t PsWithContents = 0;
  std::uint8_t RunPdfProgram = 0;
  ShortString<199> PdfProgram;
  ShortString<199> PdfParameters;
  ShortString<99> PdfPrinterName;
  std::uint8_t PsFileLocation = 0;
  std::uint8_t DoubleClickSwitchesFiles = 0;
  ShortString<200> LastOpenDirectory;
  std::uint8_t Reserved2134[2] = {};
  std::int32_t MetafileDpi = 0;
  std::uint8_t ContentsCtOnly = 0;
  std::uint8_t Reserved2141[3] = {};
  std::int32_t VersionStamp = 0;
  std::uint8_t Reserved2148[2064] = {};
};

inline constexpr std::size_t kSettingsRecordSize = 4212;
// Changes are detected over offsets 0..2140 (up to ContentsCtOnly).
inline constexpr std::size_t kSettingsComparedSize = 2141;
inline constexpr std::int32_t kSettingsVersion = 991;
inline constexpr const char* kSettingsFileName = "Tavrel.dta";

static_assert(sizeof(TSettingsRecord) == kSettingsRecordSize);
static_assert(offsetof(TSettingsRecord, PrintThreadPriority) == 460);
static_assert(offsetof(TSettingsRecord, DefaultGU) == 570);
static_assert(offsetof(TSettingsRecord, PageTemplates) == 577);
static_assert(offsetof(TSettingsRecord, PaperFeedTop) == 907);
static_assert(offsetof(TSettingsRecord, TexDownloadLanguage) == 1120);
static_assert(offsetof(TSettingsRecord, MainWindowLeft) == 1188);
static_assert(offsetof(TSettingsRecord, CompilerFileName) == 1219);
static_assert(offsetof(TSettingsRecord, MainWindowWidth) == 1420);
static_assert(offsetof(TSettingsRecord, PdfProgram) == 1431);
static_assert(offsetof(TSettingsRecord, LastOpenDirectory) == 1933);
static_assert(offsetof(TSettingsRecord, MetafileDpi) == 2136);
static_assert(offsetof(TSettingsRecord, ContentsCtOnly) == 2140);
static_assert(offsetof(TSettingsRecord, VersionStamp) == 2144);

using SettingsBytes = std::array<std::uint8_t, kSettingsRecordSize>;

SettingsBytes SettingsToBytes(const TSettingsRecord& record);
// Needs at least kSettingsRecordSize bytes; extra bytes are ignored.
TSettingsRecord SettingsFromBytes(std::span<const std::uint8_t> bytes);

// What loading and saving need from the outside world.
struct SettingsEnvironment {
  std::string ProgramDirectory;   // the program's folder; the suite folder is its parent
  std::string SettingsDirectory;  // holds Tavrel.dta; empty: the program directory
  std::string CurrentDirectory;   // holds dunname.tmp
  bool IsNtFamily = true;
  MessageBoxes* Boxes = nullptr;  // error boxes and the first-start language question
};

// The record with its companion state; one per process, owned by the application.
struct SettingsStore {
  TSettingsRecord Settings{};
  TSettingsRecord SavedSettings{};  // the copy against which changes are detected
  std::string SuiteDirectory;       // parent of the program directory
  std::uint8_t FirstStartLanguageChosen = 0;
};

// Fills the default column; reads Language, which must be set first.
void DefaultSettings(TSettingsRecord& record, const std::string& programDirectory, bool isNtFamily);

// Loads the record; firstStart is 1 only when no settings file could be opened. True only when
// a whole record was read.
bool LoadSettings(SettingsStore& store, const SettingsEnvironment& env, std::uint8_t& firstStart);

bool SettingsUnchanged(const TSettingsRecord& a, const TSettingsRecord& b);

// Writes the record when it changed: to a temporary file renamed into place. False (after the
// error box) when it could not be written; the caller then ends the program.
bool SaveSettings(SettingsStore& store, const SettingsEnvironment& env);

std::string GetTutorialDirectory(const SettingsStore& store);

// The current page template; an index beyond 9 (a damaged file) gives template 0.
const TPageTemplate& CurrentPageTemplate(const TSettingsRecord& record);

// The path of the settings file for this environment.
std::string SettingsFilePath(const SettingsEnvironment& env);

// The folder for Tavrel.dta: the program directory when it can be written, otherwise the
// per-user folder ($XDG_CONFIG_HOME/corvina, or ~/.config/corvina), created when missing.
std::string ChooseSettingsDirectory(const std::string& programDirectory);

// The directory part in front of the last "\" or "/"; empty when there is none.
std::string CutBeforeLastSeparator(const std::string& path);

}  // namespace tavrel

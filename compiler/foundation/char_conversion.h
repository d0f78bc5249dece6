// Character conversion: the one routine through which every character of running text reaches
// a target file (IPF symbols, RTF hexadecimal escapes, HTML entities), and the two tables
// between code page 850 and Windows-1252.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace skeldon {

struct FoundationRun;

using TCodePageTable = std::array<std::uint8_t, 256>;

struct TCodePageTables {
  TCodePageTable OemToAnsi{};  // code page 850 -> Windows-1252
  TCodePageTable AnsiToOem{};  // Windows-1252 -> code page 850, 0 where none
};

// Where the writers stand while they write; the conversion reads these flags.
struct TTextContext {
  bool AfterFontChange = false;     // right after a font change or a graphics character
  bool InLineDrawingBlock = false;  // inside a ".LI" block
  bool InTextPopup = false;         // inside the text of an HTML Help text popup
  bool InScriptString = false;      // inside a JavaScript string literal
};

struct TCharConversionState {
  TCodePageTables Tables;
  TTextContext Context;
};

enum class TConversionTarget { Html, Ipf, Rtf };  // Html also stands for HTML Help

// Fills both tables.
void BuildCodePageTables(TCodePageTables& tables);

// Code-page-850 text in lower case, as names and keys are compared.
std::string LowerCaseCp850(std::string_view text);
bool ContainsText(std::string_view text, std::string_view part);

// The converted form of one character, appended to out. The return value is the code of a
// control character an RTF target cannot take (nothing is appended then), or -1.
int AppendTargetChar(std::string& out, std::uint8_t ch, TConversionTarget target, bool sourceIsIso,
                     const TTextContext& context, const TCodePageTables& tables);

// The entity written for a code of the source code page in HTML, or nullptr (no entry).
const char* HtmlEntityOf(std::uint8_t code, bool sourceIsIso);

// The run's target as the conversion sees it (from TargetFlags).
TConversionTarget ConversionTargetOf(const FoundationRun& run);

// Writes the converted form of ch to the output; reports a control character an RTF target
// cannot take as a source error; clears AfterFontChange.
void WriteTargetChar(FoundationRun& run, std::string& out, std::uint8_t ch);

}  // namespace skeldon

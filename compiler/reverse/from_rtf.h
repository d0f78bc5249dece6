// RTF back to dot-command source: a WinHelp RTF file (the input of a help compiler) or, with
// IsText, an ordinary RTF document. Shared by Skeldon (source text) and Tavrel (WordStar
// document): both call ConvertRtfHelpToSource with their own settings and message sink. This
// header and the unit behind it stand on the platform only, so that both programs can link it.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace skeldon {

// Where the conversion's messages go: Skeldon's console reporter or Tavrel's message list.
class RtfConversionSink {
 public:
  virtual ~RtfConversionSink() = default;
  // A message pair; error: Skeldon also writes it to the error file, Tavrel lists an ERROR line.
  virtual void ReportConversionMessage(std::string_view german, std::string_view english,
                                       bool error) = 0;
  // Polled while the input is read: true ends the conversion as failed (a user stop, or too
  // many errors).
  virtual bool StopRequested() { return false; }
};

// The program's choices for one conversion.
struct TRtfConversionSettings {
  bool IsText = false;             // ordinary RTF: footnotes in line, headings from list levels
  bool IsProg = false;             // context strings stay as ".ID " lines
  bool IsoSourceCodePage = false;  // output in Windows-1252; else code page 850
  bool FormatterVariant = false;   // Tavrel: always IsText, CharUsed starts with 0..31 used
  // Six or twelve characters in toggle order (alternate, italic, bold, underlined, ...).
  std::string ToggleChars;
  std::string ExtendedLetters;   // "extended letters": never given to a picture
  char FootnoteBeginSwitch = 0;  // "/fu" pair; 0: choose one
  char FootnoteEndSwitch = 0;
  // The step applied to a picture name before it is looked up or added (Skeldon's
  // NormalizeFileName; Tavrel copies the name).
  std::function<std::string(std::string_view)> NormalizeName;
  std::string OutputName;  // shown in the progress line after " --> "
  // The folder of the popup file "SKPOPUP.TXT"; empty: the current folder.
  std::string PopupDirectory;
};

inline constexpr std::string_view kPopupFileName = "SKPOPUP.TXT";
inline constexpr std::size_t kTextBufferSize = 20000;
inline constexpr int kGroupStackSize = 25;
inline constexpr std::size_t kShortTextMax = 255;

struct TRtfConversionResult {
  bool Succeeded = false;  // ran to its end; Output then holds the whole text
  std::string Output;      // the generated text, line ends CR LF
  // When not succeeded: 11 input missing, 31 not convertible, 12 popup file, 98 stopped.
  int StopCode = 0;
};

// Converts the RTF file `name`. Reports through the sink; writes nothing but the popup file.
TRtfConversionResult ConvertRtfHelpToSource(const std::string& name,
                                            const TRtfConversionSettings& settings,
                                            RtfConversionSink& sink);

// The same on bytes already read (the contents file is looked up beside `name`).
TRtfConversionResult ConvertRtfBytes(std::string_view bytes, const std::string& name,
                                     const TRtfConversionSettings& settings,
                                     RtfConversionSink& sink);

// Some of the conversion's text services, open for the tests.
std::uint8_t HexDigitValue(char ch);
std::string StripDirectory(std::string_view name);
std::string WithFileExtension(std::string_view name, std::string_view extension);

}  // namespace skeldon

#include "compiler/reverse/rtf_reverse_run.h"

#include <string>

#include "compiler/foundation/file_names.h"
#include "compiler/passes/compiler_run.h"
#include "platform/files.h"

namespace skeldon {

void ReporterConversionSink::ReportConversionMessage(std::string_view german,
                                                     std::string_view english, bool error) {
  if (run_.Language == 1)
    run_.Reporter.WriteLine(german, error);
  else if (run_.Language == 0)
    run_.Reporter.WriteLine(english, error);
}

TRtfConversionSettings RtfSettingsOf(CompilerRun& run) {
  TRtfConversionSettings settings;
  settings.IsText = run.Switches.IsTextOption;
  settings.IsProg = run.Switches.IsProgOption;
  settings.IsoSourceCodePage = run.Ini.SourceIsIso;
  settings.ToggleChars = run.Ini.ToggleChars;
  settings.ExtendedLetters = run.Ini.ExtendedLetters;
  settings.FootnoteBeginSwitch = run.Switches.FootnoteStartChar;
  settings.FootnoteEndSwitch = run.Switches.FootnoteEndChar;
  settings.NormalizeName = [&run](std::string_view name) { return NormalizeFileName(run, name); };
  settings.OutputName = std::string(kRtfOutputFileName);
  return settings;
}

bool RunRtfReverseConversion(CompilerRun& run) {
  run.RunSuccess = true;
  ReporterConversionSink sink(run);
  const TRtfConversionSettings settings = RtfSettingsOf(run);
  TRtfConversionResult result = ConvertRtfHelpToSource(run.Switches.RtfFileName, settings, sink);
  if (!result.Succeeded) return false;
  // Written whole or not at all: a failed write leaves the previous file as it was.
  const std::string name(kRtfOutputFileName);
  if (platform::replace_file_atomic(name, result.Output) != platform::FileError::none) {
    sink.ReportConversionMessage("Die Datei " + name + " kann nicht geschrieben werden.",
                                 "The file " + name + " cannot be written.", true);
    return false;
  }
  return true;
}

}  // namespace skeldon

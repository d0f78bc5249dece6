// Skeldon's side of the reverse conversions: the run's settings handed to the shared
// conversions, their messages to the console reporter, the results written to the current folder.
#pragma once

#include <string_view>

#include "compiler/reverse/from_rtf.h"

namespace skeldon {

struct CompilerRun;

inline constexpr std::string_view kRtfOutputFileName = "SKSOURCE.TXT";

// Messages in the run's language through the console reporter; errors also to the error file.
class ReporterConversionSink : public RtfConversionSink {
 public:
  explicit ReporterConversionSink(CompilerRun& run) : run_(run) {}
  void ReportConversionMessage(std::string_view german, std::string_view english,
                               bool error) override;

 private:
  CompilerRun& run_;
};

// The settings of the run for the RTF conversion (switches and ini file).
TRtfConversionSettings RtfSettingsOf(CompilerRun& run);

// Converts RtfFileName into "SKSOURCE.TXT" in the current folder; true when the conversion ran
// to its end and the file was written. A failure leaves an existing file untouched.
bool RunRtfReverseConversion(CompilerRun& run);

}  // namespace skeldon

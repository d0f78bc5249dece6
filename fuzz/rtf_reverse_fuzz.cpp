// Converts arbitrary bytes as RTF, in help mode, text mode and the formatter's mode: every input
// must end as a finished conversion or a failure with its code, never anything else.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "compiler/reverse/from_rtf.h"
#include "fuzz/fuzz_support.h"

namespace {

class QuietSink : public skeldon::RtfConversionSink {
 public:
  void ReportConversionMessage(std::string_view, std::string_view, bool) override {}
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const std::string folder = fuzz_support::MakeTempFolder("rtf-reverse-fuzz");
  if (size == 0) return 0;
  skeldon::TRtfConversionSettings settings;
  settings.IsText = data[0] & 1;
  settings.FormatterVariant = data[0] & 2;
  settings.IsoSourceCodePage = data[0] & 4;
  settings.IsProg = data[0] & 8;
  settings.ToggleChars = (data[0] & 16) ? "\x01\x19\x02\x13\x16\x14" : "~_!`%&@[]<>$";
  settings.PopupDirectory = folder;
  // Most inputs start like RTF, so that the reader gets past the first check.
  std::string rtf = (data[0] & 32) ? "{\\rtf1 " : "";
  rtf.append(reinterpret_cast<const char*>(data + 1), size - 1);
  QuietSink sink;
  const skeldon::TRtfConversionResult r =
      skeldon::ConvertRtfBytes(rtf, folder + "/input.rtf", settings, sink);
  if (r.Succeeded != (r.StopCode == 0)) std::abort();
  if (!r.Succeeded && r.StopCode != 12 && r.StopCode != 31) std::abort();
  if (!r.Succeeded && !r.Output.empty()) std::abort();
  return 0;
}

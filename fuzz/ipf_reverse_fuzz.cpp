// Converts arbitrary bytes as IPF: the conversion must finish or stop for too deep a list, with
// output in proportion to the input.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "compiler/reverse/ipf_to_source.h"
#include "platform/text.h"

namespace {

class QuietSink : public skeldon::RtfConversionSink {
 public:
  void ReportConversionMessage(std::string_view, std::string_view, bool) override {}
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  skeldon::TIpfConversionSettings settings;
  settings.ToggleChars = "~_!`%&@[]<>$";
  settings.ListChars = (data[0] & 1) ? "-*o" : "";
  settings.SoftLineEnds = data[0] & 2;
  settings.IsoSourceCodePage = data[0] & 4;
  settings.OemToAnsi =
      platform::conversion_table(platform::CodePage::cp850, platform::CodePage::cp1252);
  const std::string_view ipf(reinterpret_cast<const char*>(data + 1), size - 1);
  QuietSink sink;
  const skeldon::TIpfConversionResult r = skeldon::ConvertIpfText(ipf, settings, sink);
  if (!r.Succeeded && r.StopCode != 31) std::abort();
  // Every character of the input gives a bounded amount of output (a tag at most a few lines).
  if (r.Output.size() > 64 * (ipf.size() + 1)) std::abort();
  return 0;
}

// Arbitrary bytes as the help panel table ("tavdoc-e.pan") and the dot-command help list
// ("dothelpe.txt" / "dothelpg.txt"), split at the first NUL byte, and the lines of the input as
// names and dot lines to look up: lookups never read outside a line, the help text of a found
// command keeps to its room, and a found panel is one the table names.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "formatter/common/help_lookup.h"
#include "formatter/common/message_boxes.h"
#include "fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const std::string folder = fuzz_support::MakeTempFolder("tavrel-help-fuzz");
  if (size < 1) return 0;
  const std::uint8_t language = data[0] & 1;
  const std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);
  const std::size_t split = text.find('\0');
  const std::string_view panels = text.substr(0, split);
  const std::string_view dothelp =
      split == std::string_view::npos ? std::string_view() : text.substr(split + 1);
  fuzz_support::WriteBytes(folder + "/tavdoc-e.pan", std::string(panels));
  fuzz_support::WriteBytes(folder + "/dothelpe.txt", std::string(dothelp));
  fuzz_support::WriteBytes(folder + "/dothelpg.txt", std::string(dothelp));

  tavrel::RecordingMessageBoxes boxes;
  tavrel::HelpFiles help;
  help.ProgramDirectory = folder;
  help.Language = language;
  help.Boxes = &boxes;
  std::size_t start = 0;
  for (int n = 0; n < 32 && start <= text.size(); ++n) {
    std::size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    const std::string line(text.substr(start, end - start));
    start = end + 1;
    const std::int16_t number = tavrel::LookUpPanelNumber(help, line);
    if (number != 0) {
      bool named = false;
      for (const auto& p : help.Panels) named = named || (p.Name == line && p.Number == number);
      if (!named) std::abort();
    }
    std::int16_t panel = 0;
    std::string found;
    tavrel::LookUpDotCommandHelp(help, line, panel, found);
    if (found.size() > 255 * 3) std::abort();  // 255 characters, at most 3 bytes each
  }
  return 0;
}

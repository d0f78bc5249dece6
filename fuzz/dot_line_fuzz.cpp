// Arbitrary dot lines: the whole line through the run (command table, macros, headings,
// conditions) with text after it, and the condition evaluation on its own.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>

#include <unistd.h>

#include "formatter/common/message_boxes.h"
#include "formatter/common/notifications.h"
#include "formatter/common/settings_record.h"
#include "formatter/fonts/printer_data.h"
#include "formatter/formatting/dot_commands.h"
#include "formatter/formatting/format_run.h"
#include "formatter/formatting/formatting_run.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::filesystem::path dir = [] {
    auto d =
        std::filesystem::temp_directory_path() / ("tavrel_dot_fuzz_" + std::to_string(::getpid()));
    std::filesystem::create_directories(d);
    return d;
  }();
  static tavrel::TSettingsRecord settings = [] {
    tavrel::TSettingsRecord s{};
    tavrel::DefaultSettings(s, dir.string(), true);
    s.HyphenationMode = 3;
    return s;
  }();
  static std::unique_ptr<tavrel::TPrinterDataRecord> printer = [] {
    tavrel::FixedWidthFont f;
    f.FontNumber = 3;
    f.FaceName = "Courier New";
    f.Size = 12;
    f.Width = 12;
    return tavrel::BuildFixedWidthPrinterData(120, "Fuzz printer", &f, 1);
  }();
  if (size > 600) return 0;

  std::string line(reinterpret_cast<const char*>(data), size);
  for (char& c : line)
    if (c == '\r' || c == '\n' || c == '\x1A') c = ' ';

  tavrel::RecordingMessageList list;
  tavrel::RecordingMessageBoxes boxes;
  tavrel::NullNotifier notifier;
  tavrel::FormatRun run(settings, *printer, tavrel::RunOutlets{list, boxes, notifier});
  run.Files.CurrentDocument = (dir / "dot.ws").string();
  run.Files.ProgramDirectory = dir.string();
  run.Files.Settings = &run.Settings;
  run.Run.InputFromMemory = true;
  run.Run.InputBytes =
      "." + line + "\r\n." + line +
      "\r\nSome text after the dot line, long enough to be broken at the margin.\r\n";
  run.Run.OutputInMemory = true;
  tavrel::FormatFile(run, (dir / "dot.ws").string());

  tavrel::EvaluateCondition(run, line);
  return 0;
}

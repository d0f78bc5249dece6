// A whole formatting run over arbitrary input bytes, formatted in memory, as a WordStar
// document (mode 0) and as a ".TXT" file (Windows character set).
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
#include "formatter/formatting/format_run.h"
#include "formatter/formatting/formatting_run.h"

namespace {

struct Setup {
  Setup() {
    dir = std::filesystem::temp_directory_path() /
          ("tavrel_format_fuzz_" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    Settings.Language = 0;
    tavrel::DefaultSettings(Settings, dir.string(), true);
    Settings.HyphenationMode = 3;
    tavrel::FixedWidthFont fonts[3];
    fonts[0].FontNumber = 3;    // C
    fonts[1].FontNumber = 107;  // C"
    fonts[2].FontNumber = 112;  // H"
    for (auto& f : fonts) {
      f.FaceName = "Courier New";
      f.Size = 12;
      f.Width = 12;
    }
    fonts[2].Overrides['i'] = 4;  // one proportional font
    Printer = tavrel::BuildFixedWidthPrinterData(120, "Fuzz Printer", fonts, 3);
  }
  std::filesystem::path dir;
  tavrel::TSettingsRecord Settings{};
  std::unique_ptr<tavrel::TPrinterDataRecord> Printer;
};

void RunOnce(const Setup& setup, const std::string& name, const std::string& bytes) {
  tavrel::RecordingMessageList list;
  tavrel::RecordingMessageBoxes boxes;
  tavrel::NullNotifier notifier;
  tavrel::FormatRun run(setup.Settings, *setup.Printer, tavrel::RunOutlets{list, boxes, notifier});
  run.Files.CurrentDocument = (setup.dir / name).string();
  run.Files.ProgramDirectory = setup.dir.string();
  run.Files.Settings = &run.Settings;
  run.Run.InputFromMemory = true;
  run.Run.InputBytes = bytes;
  run.Run.OutputInMemory = true;
  run.Run.ConditionText = "PRINT";
  tavrel::FormatFile(run, (setup.dir / name).string());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const Setup setup;
  if (size > 20000) return 0;  // keep each input fast
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  RunOnce(setup, "fuzz.ws", bytes);
  RunOnce(setup, "fuzz.TXT", bytes);
  return 0;
}

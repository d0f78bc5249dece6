// Preparing fonts and printer in a fresh program directory: the outlets, the virtual printers
// and a context wired to them, a recording progress, and the reference widths measured fonts
// are checked against.
#pragma once

#include <cmath>
#include <string>
#include <vector>

#include "formatter/common/message_boxes.h"
#include "formatter/common/notifications.h"
#include "formatter/common/settings_record.h"
#include "formatter/fonts/printer_measure.h"
#include "platform/printers.h"
#include "tests/support/formatter_unit_support.h"

namespace tavrel::unit_test {

// Advance widths of the faces in units of a 2048 em (the published metrics of the Windows
// faces, which the metric-compatible fonts share), scaled to printer dots as a rasteriser
// does: the pixel size is rounded first.
inline int Expected(int units, double points, int dpi) {
  const int px = static_cast<int>(std::nearbyint(points * dpi / 72.0));
  return static_cast<int>(std::lround(units * px / 2048.0));
}

// Keeps the steps a font measuring run reports, one line each.
class RecordingProgress : public FontMeasureProgress {
 public:
  void Start(int total) override { Log.push_back("start " + std::to_string(total)); }
  void Step(const std::string& label) override { Log.push_back(label); }
  void Finish() override { Log.push_back("finish"); }
  std::vector<std::string> Log;
};

struct PrepareWorldBase {
  TempDir dir;
  RecordingMessageBoxes boxes;
  RecordingNotifier mainWindow;
  platform::PrinterList printers = platform::PrinterList::virtual_only();
  TSettingsRecord settings{};
  PrinterSetup setup;
  PrepareContext ctx;
  std::vector<std::string> fatal;  // number and English text of each fatal output error

  PrepareWorldBase() {
    ctx.FontFile.ProgramDirectory = dir.Path().string();
    ctx.FontFile.VersionStamp = 991;
    ctx.FontFile.Boxes = &boxes;
    ctx.FontFile.ReportFatalOutputError = [this](int n, const std::string&,
                                                 const std::string& english) {
      fatal.push_back(std::to_string(n) + " " + english);
    };
    ctx.Measure.ProgramDirectory = dir.Path().string();
    ctx.Measure.Boxes = &boxes;
    ctx.Measure.Printers = &printers;
    ctx.MainWindow = &mainWindow;
  }
  PrepareWorldBase(const PrepareWorldBase&) = delete;
  PrepareWorldBase& operator=(const PrepareWorldBase&) = delete;
};

}  // namespace tavrel::unit_test

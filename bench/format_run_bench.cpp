// Formatting-run speed over generated documents of growing size (paragraphs of running text
// with dot commands between them), formatted in memory; the time per byte should stay flat.
#include <benchmark/benchmark.h>

#include <memory>
#include <random>
#include <string>

#include "formatter/common/message_boxes.h"
#include "formatter/common/notifications.h"
#include "formatter/common/settings_record.h"
#include "formatter/fonts/printer_data.h"
#include "formatter/formatting/format_run.h"
#include "formatter/formatting/formatting_run.h"

namespace {

using namespace tavrel;

std::string MakeDocument(int paragraphs) {
  static const char* kWords[] = {"the",    "formatted", "file",  "holds", "every",   "line",
                                 "margin", "column",    "page",  "with",  "breaks",  "and",
                                 "notes",  "heading",   "index", "text",  "printer", "width"};
  std::mt19937 random(42);
  std::string doc = ".RM 60\r\n.LM 5\r\n.PM 8\r\n";
  for (int p = 0; p < paragraphs; ++p) {
    if (p % 10 == 0) doc += ".CP 3\r\n";
    for (int w = 0; w < 80; ++w) {
      doc += kWords[random() % (sizeof kWords / sizeof kWords[0])];
      doc += w % 13 == 12 ? ". " : " ";
    }
    doc += "\r\n\r\n";
  }
  return doc;
}

void BM_FormatRun(benchmark::State& state) {
  TSettingsRecord settings{};
  DefaultSettings(settings, "/tmp", true);
  settings.HyphenationMode = 3;
  FixedWidthFont font;
  font.FontNumber = 3;
  font.FaceName = "Courier New";
  font.Size = 12;
  font.Width = 12;
  const auto printer = BuildFixedWidthPrinterData(120, "Bench printer", &font, 1);
  const std::string doc = MakeDocument(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    RecordingMessageList list;
    RecordingMessageBoxes boxes;
    NullNotifier notifier;
    FormatRun run(settings, *printer, RunOutlets{list, boxes, notifier});
    run.Run.InputFromMemory = true;
    run.Run.InputBytes = doc;
    run.Run.OutputInMemory = true;
    FormatFile(run, "/tmp/bench.ws");
    benchmark::DoNotOptimize(run.Writer.Streams[kTextStream].File.Memory().size());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                          static_cast<int64_t>(doc.size()));
}
BENCHMARK(BM_FormatRun)->Arg(100)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();

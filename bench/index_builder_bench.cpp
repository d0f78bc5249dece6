// Index builder speed: volume files of a growing number of entries over 5,000 pages are merged
// into index documents; the time per entry should stay flat. Reports entries per second and the
// process's peak resident memory.
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <filesystem>
#include <random>
#include <string>

#include "formatter/common/message_boxes.h"
#include "formatter/common/notifications.h"
#include "formatter/common/run_messages.h"
#include "formatter/common/settings_record.h"
#include "formatter/derived/index_builder.h"
#include "platform/files.h"

namespace {

using namespace tavrel;

// Entries drawn from a vocabulary of about a tenth of their number, so that entries repeat
// and gather page lists, as in a real index.
void WriteVolumes(const std::filesystem::path& dir, int entries) {
  static const char* kStems[] = {"Apfel", "Baum",  "Code",  "Datei", "Ebene", "Faden", "Gitter",
                                 "Hafen", "Index", "Jahr",  "Kante", "Linie", "Marke", "Notiz",
                                 "Ort",   "Punkt", "Quere", "Rand",  "Seite", "Text",  "Umlauf",
                                 "Vers",  "Wort",  "Xylo",  "Zeile"};
  std::mt19937 random(7);
  const int vocabulary = std::max(1, entries / 10);
  for (int volume = 1; volume <= 2; ++volume) {
    std::string text;
    for (int i = 0; i < entries / 2; ++i) {
      const int word = static_cast<int>(random() % static_cast<unsigned>(vocabulary));
      text += kStems[word % 25];
      text += std::to_string(word / 25);
      if (word % 7 == 0) text += ", Unterbegriff";
      text += random() % 5 == 0 ? "*N" : "*n";
      text += std::to_string(1 + random() % 2500);  // 2 x 2,500 pages
      text += "\r\n";
    }
    platform::write_file((dir / ("book0" + std::to_string(volume) + ".IX1")).string(), text);
  }
}

void BM_BuildIndex(benchmark::State& state) {
  const int entries = static_cast<int>(state.range(0));
  const std::filesystem::path dir =
      std::filesystem::temp_directory_path() / ("tavrel_index_bench_" + std::to_string(entries));
  std::filesystem::create_directories(dir);
  WriteVolumes(dir, entries);
  TSettingsRecord settings{};
  DefaultSettings(settings, dir.string(), true);
  for (auto _ : state) {
    RecordingMessageList list;
    RecordingMessageBoxes boxes;
    NullNotifier notifier;
    RunMessages messages(settings, list, boxes, notifier);
    const IndexJobResult r = BuildIndex(IndexJobInput{settings, dir.string(), nullptr}, messages);
    benchmark::DoNotOptimize(r.Entries);
  }
  state.SetItemsProcessed(state.iterations() * entries);
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  state.counters["peak_MB"] = static_cast<double>(usage.ru_maxrss) / 1024.0;
  std::filesystem::remove_all(dir);
}
BENCHMARK(BM_BuildIndex)
    ->Arg(25000)
    ->Arg(50000)
    ->Arg(100000)
    ->Arg(200000)
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();

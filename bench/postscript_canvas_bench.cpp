// Pages per second of the PostScript canvas when a page engine writes prose to it word by
// word (printer mode draws one text out per word), and of measuring a font.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "platform/postscript_canvas.h"

namespace {

void BM_PostScriptProsePages(benchmark::State& state) {
  const std::string path = (std::filesystem::temp_directory_path() / "corvina_bench.ps").string();
  const char* words[] = {"Lorem",      "ipsum", "dolor", "sit", "amet,",   "consectetur",
                         "adipiscing", "elit,", "sed",   "do",  "eiusmod", "tempor"};
  platform::CanvasFont font;
  font.face = "Times New Roman";
  font.size = 12;
  font.code_page = platform::CodePage::cp850;
  const int pages = static_cast<int>(state.range(0));
  for (auto _ : state) {
    platform::PostScriptCanvas ps(path, 300, 2481, 3508, "bench");
    ps.set_brush(platform::Brush{platform::Rgb{255, 255, 255}, platform::BrushStyle::clear});
    for (int p = 0; p < pages; ++p) {
      if (p) ps.new_page();
      for (int line = 0; line < 50; ++line) {
        int x = 300;
        for (const char* w : words) {
          ps.set_font(font);
          ps.text_out(x, 300 + line * 60, w);
          x += ps.text_width(w) + ps.text_width(" ");
        }
      }
    }
    ps.finish();
  }
  state.counters["pages/s"] = benchmark::Counter(static_cast<double>(pages) * state.iterations(),
                                                 benchmark::Counter::kIsRate);
  std::remove(path.c_str());
}
BENCHMARK(BM_PostScriptProsePages)->Arg(100)->Unit(benchmark::kMillisecond);

void BM_MeasureFont(benchmark::State& state) {
  int size = 6;
  for (auto _ : state) {
    platform::FontMeasurer m;  // a fresh cache: every measure loads 256 glyphs
    platform::FontSpec font_spec;
    font_spec.face = "Arial";
    font_spec.size = size;
    benchmark::DoNotOptimize(m.measure(font_spec, 300).advance['a']);
    size = size % 40 + 1;
  }
}
BENCHMARK(BM_MeasureFont)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();

// Joining sources and rewriting toggle characters are single passes; these show that the time
// grows with the size of the source and nothing else.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "compiler/foundation/source_buffer.h"
#include "compiler/foundation/toggles.h"

using namespace skeldon;

namespace {

std::string SampleText(std::size_t bytes) {
  std::string text;
  while (text.size() < bytes)
    text += "Some *italic* text and _bold_ words**.\r\n.DO dot *line*\r\n";
  text.resize(bytes);
  return text;
}

void BM_JoinSources(benchmark::State& state) {
  const std::string a = SampleText(static_cast<std::size_t>(state.range(0)));
  const std::string b = a;
  const std::string* texts[] = {&a, &b};
  for (auto _ : state) benchmark::DoNotOptimize(JoinSourceTexts(texts, 2));
  state.SetBytesProcessed(state.iterations() * state.range(0) * 2);
}
BENCHMARK(BM_JoinSources)->Range(1 << 12, 1 << 24);

void BM_ToggleRewrite(benchmark::State& state) {
  const std::string source = SampleText(static_cast<std::size_t>(state.range(0)));
  ToggleChoiceInput input;
  input.ToggleChars = "*_~^#@%&$+=!";
  for (auto _ : state) {
    state.PauseTiming();
    std::string buffer = source;
    ToggleTables tables;
    state.ResumeTiming();
    benchmark::DoNotOptimize(ChooseInternalToggleChars(tables, buffer, input));
  }
  state.SetBytesProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_ToggleRewrite)->Range(1 << 12, 1 << 24);

}  // namespace

BENCHMARK_MAIN();

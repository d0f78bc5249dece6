// WriteTargetChar runs once per output character of a whole hypertext: one table branch per
// character, no allocation. This measures a page of mixed text per target and code page.
#include <benchmark/benchmark.h>

#include <string>

#include "compiler/foundation/char_conversion.h"

using namespace skeldon;

namespace {

std::string SampleText() {
  std::string text;
  for (int i = 0; i < 64; ++i) {
    text +=
        "Die \x84nderungen & <Tags> des Abschnitts \x15 3: Gr\x94\xE1"
        "e \xC4\xC4\xB3 100\xF8 ";
    for (int c = 0x80; c < 0x100; c += 7) text += static_cast<char>(c);
  }
  return text;
}

void ConvertPage(benchmark::State& state, TConversionTarget target, bool iso) {
  TCodePageTables tables;
  BuildCodePageTables(tables);
  const TTextContext context;
  const std::string text = SampleText();
  std::string out;
  out.reserve(text.size() * 8);
  for (auto _ : state) {
    out.clear();
    for (char c : text)
      AppendTargetChar(out, static_cast<std::uint8_t>(c), target, iso, context, tables);
    benchmark::DoNotOptimize(out.data());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                          static_cast<std::int64_t>(text.size()));
}

}  // namespace

BENCHMARK_CAPTURE(ConvertPage, html_cp850, TConversionTarget::Html, false);
BENCHMARK_CAPTURE(ConvertPage, html_iso, TConversionTarget::Html, true);
BENCHMARK_CAPTURE(ConvertPage, rtf_cp850, TConversionTarget::Rtf, false);
BENCHMARK_CAPTURE(ConvertPage, ipf_cp850, TConversionTarget::Ipf, false);
BENCHMARK_MAIN();

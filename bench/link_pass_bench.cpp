// The link pass and the automatic link writer over generated sources: a full size of 5 MB with
// 2,000 headings and 20,000 index entries, and smaller and larger variants, so that the time
// per byte and per entry can be compared across sizes (it should stay flat).
// The link writer is timed through the output pass's stand-in, which hands it the running text
// without the page writers of the real output pass around it.
#include <benchmark/benchmark.h>

#include <random>
#include <string>
#include <vector>

#include "tests/support/compiler_test_support.h"
#include "tests/support/pass_fakes.h"

using namespace skeldon;

namespace {

// A distinct pronounceable word for each number (its base-16 digits as syllables).
std::string Word(int n) {
  static const char* const kSyllables[] = {"ka", "lo", "mi",  "ne",  "ru",  "ta", "se", "vi",
                                           "do", "pa", "gre", "stu", "ber", "an", "ol", "tri"};
  std::string w = "qu";
  do {
    w += kSyllables[n % 16];
    n /= 16;
  } while (n > 0);
  return w;
}

// About bytes of source with the given numbers of headings and index entries.
std::string MakeSource(std::size_t bytes, int headings, int entries) {
  std::mt19937 rng(42);
  // The vocabulary grows with the index, as in real documents: about three entries per word.
  std::vector<std::string> vocabulary;
  const int words = entries / 3 > 2000 ? entries / 3 : 2000;
  for (int i = 0; i < words; ++i) vocabulary.push_back(Word(i));
  std::string s;
  s.reserve(bytes + 4096);
  const std::size_t perHeading = bytes / static_cast<std::size_t>(headings);
  const int entriesPerHeading = entries / headings;
  for (int h = 0; h < headings; ++h) {
    s += h % 10 == 0 ? ".1\r\n" : ".2\r\n";
    s += "Heading " + vocabulary[rng() % vocabulary.size()] + "\r\n";
    for (int e = 0; e < entriesPerHeading; ++e) {
      s += ".IN " + vocabulary[rng() % vocabulary.size()];
      if (e % 4 == 0) s += " " + vocabulary[rng() % vocabulary.size()];
      s += "\r\n";
    }
    const std::size_t end = s.size() + perHeading;
    while (s.size() < end) {
      for (int i = 0; i < 12; ++i)
        s += vocabulary[rng() % vocabulary.size()] + (i == 11 ? ".\r\n" : " ");
      if (rng() % 5 == 0) s += "\r\n";
    }
  }
  return s;
}

void Prepare(TestRun& t, const std::string& source) {
  t->Switches.SoftLineEnds = true;
  t->IndexStore.WordEndings = {"en", "s", "n"};
  t.Load(source);
}

void BM_LinkPass(benchmark::State& state) {
  const double scale = static_cast<double>(state.range(0)) / 4.0;  // 4 = 5 MB
  const std::string source =
      MakeSource(static_cast<std::size_t>(5e6 * scale), static_cast<int>(2000 * scale),
                 static_cast<int>(20000 * scale));
  for (auto _ : state) {
    TestRun t("html");
    Prepare(t, source);
    RunPrepasses(*t);
    benchmark::DoNotOptimize(t->IndexStore.EntryNumberCounter);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                          static_cast<std::int64_t>(source.size()));
}
BENCHMARK(BM_LinkPass)->Arg(1)->Arg(2)->Arg(4)->Arg(8)->Unit(benchmark::kMillisecond);

void BM_LinkWriter(benchmark::State& state) {
  const double scale = static_cast<double>(state.range(0)) / 4.0;
  const std::string source =
      MakeSource(static_cast<std::size_t>(5e6 * scale), static_cast<int>(2000 * scale),
                 static_cast<int>(20000 * scale));
  TestRun t("html");
  Prepare(t, source);
  RunPrepasses(*t);
  for (auto _ : state) {
    t->Passes.OutputFile.clear();
    t->LinkWriter.InternalLinkCount = 0;
    FakeOutputPass(*t);
    benchmark::DoNotOptimize(t->Passes.OutputFile.size());
  }
  state.counters["links"] = t->LinkWriter.InternalLinkCount;
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                          static_cast<std::int64_t>(source.size()));
}
BENCHMARK(BM_LinkWriter)->Arg(1)->Arg(2)->Arg(4)->Arg(8)->Unit(benchmark::kMillisecond);

// Fixed 5 MB of text, the number of index entries varied.
void BM_LinkWriterEntries(benchmark::State& state) {
  const std::string source = MakeSource(5000000, 2000, static_cast<int>(state.range(0)));
  TestRun t("html");
  Prepare(t, source);
  RunPrepasses(*t);
  for (auto _ : state) {
    t->Passes.OutputFile.clear();
    FakeOutputPass(*t);
    benchmark::DoNotOptimize(t->Passes.OutputFile.size());
  }
}
BENCHMARK(BM_LinkWriterEntries)
    ->Arg(5000)
    ->Arg(10000)
    ->Arg(20000)
    ->Arg(40000)
    ->Unit(benchmark::kMillisecond);

// One phrase indexed under every heading and named in every paragraph: each occurrence of its
// first word finds all those entries before a one-word entry.
void BM_LinkWriterRepeatedPhrase(benchmark::State& state) {
  const int headings = static_cast<int>(state.range(0));
  std::string source;
  for (int h = 0; h < headings; ++h) {
    source += ".1\r\nTopic\r\n.IN word processing program\r\n.IN word\r\n";
    for (int p = 0; p < 20; ++p) source += "A word processor is no word processing tool.\r\n\r\n";
  }
  TestRun t("html");
  Prepare(t, source);
  RunPrepasses(*t);
  for (auto _ : state) {
    t->Passes.OutputFile.clear();
    FakeOutputPass(*t);
    benchmark::DoNotOptimize(t->Passes.OutputFile.size());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                          static_cast<std::int64_t>(source.size()));
}
BENCHMARK(BM_LinkWriterRepeatedPhrase)
    ->Arg(250)
    ->Arg(500)
    ->Arg(1000)
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();

// Hyphenation speed: TeX pattern hyphenation of running English and German text (at least
// 100,000 words each, generated from the word lists in bench/data with a Zipf-like frequency
// and a fixed seed) side by side with libhyphen on the same words, and the time to load the
// German patterns against libhyphen's load of hyph_de_DE.dic. The two do not compute the same
// breaks (their pattern semantics differ); only the speed is compared.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "formatter/hyphenation/hyphenation.h"

#ifdef CORVINA_HAVE_LIBHYPHEN
#include <hyphen.h>
#endif

namespace {

using namespace tavrel;

constexpr int kRunningWords = 120000;
const char* kLibhyphenEnglish = "/usr/share/hyphen/hyph_en_US.dic";
const char* kLibhyphenGerman = "/usr/share/hyphen/hyph_de_DE.dic";

std::string SourceFile(const std::string& relative) {
  return std::string(CORVINA_SOURCE_DIR) + "/" + relative;
}

// UTF-8 letters of the word lists to the single-byte forms each side reads.
std::string Convert(const std::string& utf8, bool cp850, bool lower) {
  std::string out;
  for (std::size_t i = 0; i < utf8.size(); ++i) {
    auto c = static_cast<unsigned char>(utf8[i]);
    if (c == 0xC3 && i + 1 < utf8.size()) {
      const auto d = static_cast<unsigned char>(utf8[++i]);
      const unsigned latin1 = 0xC0u + (d & 0x3Fu);  // U+00C0..U+00FF
      unsigned v = latin1;
      if (lower && latin1 >= 0xC0 && latin1 <= 0xDE && latin1 != 0xD7) v = latin1 + 0x20;
      if (cp850) {
        switch (v) {
          case 0xE4:
            v = 0x84;
            break;  // ä
          case 0xF6:
            v = 0x94;
            break;  // ö
          case 0xFC:
            v = 0x81;
            break;  // ü
          case 0xDF:
            v = 0xE1;
            break;  // ß
          case 0xC4:
            v = 0x8E;
            break;  // Ä
          case 0xD6:
            v = 0x99;
            break;  // Ö
          case 0xDC:
            v = 0x9A;
            break;  // Ü
          default:
            v = '?';
            break;
        }
      }
      out += static_cast<char>(v);
      continue;
    }
    if (lower && c >= 'A' && c <= 'Z') c = static_cast<unsigned char>(c + 32);
    out += static_cast<char>(c);
  }
  return out;
}

// Running text: words drawn by rank with probability ~ 1 / rank, so short function words are
// frequent and long words rare, as in prose.
std::vector<std::string> RunningText(const std::string& list_file) {
  std::vector<std::string> vocabulary;
  std::ifstream in(SourceFile(list_file));
  for (std::string line; std::getline(in, line);)
    if (!line.empty()) vocabulary.push_back(line);
  if (vocabulary.empty()) return {};
  std::vector<double> weights;
  for (std::size_t r = 0; r < vocabulary.size(); ++r)
    weights.push_back(1.0 / std::pow(r + 1.0, 0.9));
  std::discrete_distribution<std::size_t> pick(weights.begin(), weights.end());
  std::mt19937 rng(20261210);
  std::vector<std::string> text;
  text.reserve(kRunningWords);
  for (int i = 0; i < kRunningWords; ++i) text.push_back(vocabulary[pick(rng)]);
  return text;
}

struct Corpus {
  std::vector<std::vector<std::uint8_t>> held;  // code page 850 word buffers, positions 1..len
  std::vector<std::string> libhyphen_words;     // lower case, in the dictionary's charset
};

const Corpus& GetCorpus(bool german) {
  static const Corpus corpora[2] = {
      [] {
        Corpus c;
        for (const std::string& w : RunningText("bench/data/english_words.txt")) {
          std::vector<std::uint8_t> h(1, 0);
          for (char ch : Convert(w, true, false)) h.push_back(static_cast<std::uint8_t>(ch));
          c.held.push_back(std::move(h));
          c.libhyphen_words.push_back(
              Convert(w, false, true));  // the US dictionary is UTF-8, ASCII here
        }
        return c;
      }(),
      [] {
        Corpus c;
        for (const std::string& w : RunningText("bench/data/german_words.txt")) {
          std::vector<std::uint8_t> h(1, 0);
          for (char ch : Convert(w, true, false)) h.push_back(static_cast<std::uint8_t>(ch));
          c.held.push_back(std::move(h));
          c.libhyphen_words.push_back(Convert(w, false, true));  // ISO 8859-1
        }
        return c;
      }(),
  };
  return corpora[german ? 1 : 0];
}

// Seconds per word, shown with an SI prefix ("250n" is 250 ns per word).
void SetPerWord(benchmark::State& bench, std::size_t words) {
  bench.SetItemsProcessed(bench.iterations() * static_cast<std::int64_t>(words));
  bench.counters["per_word"] =
      benchmark::Counter(static_cast<double>(words), benchmark::Counter::kIsIterationInvariantRate |
                                                         benchmark::Counter::kInvert);
}

void TavrelHyphenate(benchmark::State& bench, bool german) {
  const Corpus& corpus = GetCorpus(german);
  HyphenationState state;
  state.Params.Mode = kHyphenTex;
  state.Params.MinLetters = 2;
  state.Params.MinimalRating = 1;
  state.Tex = std::make_shared<TexPatternTable>();
  const auto report = state.Tex->LoadFile(
      SourceFile(german ? "data/hyphenation/dehyph.tex" : "data/hyphenation/ushyph.tex"));
  if (report.Outcome != TexLoadReport::Status::kLoaded || corpus.held.empty()) {
    bench.SkipWithError("pattern file or word list missing");
    return;
  }
  std::int64_t breaks = 0;
  for (auto _ : bench) {
    for (const auto& h : corpus.held) {
      const int len = static_cast<int>(h.size()) - 1;
      state.Word = HyphenationWordState{};
      for (int p = len - 1; p >= 1; --p) breaks += MayBreakAt(state, h.data(), len, p).MayBreak;
    }
  }
  benchmark::DoNotOptimize(breaks);
  SetPerWord(bench, corpus.held.size());
}

void BM_TavrelTexEnglish(benchmark::State& s) { TavrelHyphenate(s, false); }
void BM_TavrelTexGerman(benchmark::State& s) { TavrelHyphenate(s, true); }
BENCHMARK(BM_TavrelTexEnglish)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TavrelTexGerman)->Unit(benchmark::kMillisecond);

void BM_TavrelLoadGermanPatterns(benchmark::State& bench) {
  TexPatternTable table;
  const std::string name = SourceFile("data/hyphenation/dehyph.tex");
  for (auto _ : bench) {
    table.Free();  // the same name would otherwise not be read again
    benchmark::DoNotOptimize(table.LoadFile(name).Weights);
  }
}
BENCHMARK(BM_TavrelLoadGermanPatterns)->Unit(benchmark::kMillisecond);

#ifdef CORVINA_HAVE_LIBHYPHEN
void LibhyphenHyphenate(benchmark::State& bench, bool german) {
  const Corpus& corpus = GetCorpus(german);
  HyphenDict* dict = hnj_hyphen_load(german ? kLibhyphenGerman : kLibhyphenEnglish);
  if (!dict || corpus.libhyphen_words.empty()) {
    bench.SkipWithError("libhyphen dictionary or word list missing");
    return;
  }
  std::vector<char> hyphens(300);
  std::int64_t breaks = 0;
  for (auto _ : bench) {
    for (const std::string& w : corpus.libhyphen_words) {
      char** rep = nullptr;
      int* pos = nullptr;
      int* cut = nullptr;
      hnj_hyphen_hyphenate2(dict, w.c_str(), static_cast<int>(w.size()), hyphens.data(), nullptr,
                            &rep, &pos, &cut);
      for (std::size_t i = 0; i + 1 < w.size(); ++i) breaks += hyphens[i] & 1;
      if (rep) {
        for (std::size_t i = 0; i < w.size(); ++i) std::free(rep[i]);
        std::free(rep);
        std::free(pos);
        std::free(cut);
      }
    }
  }
  benchmark::DoNotOptimize(breaks);
  hnj_hyphen_free(dict);
  SetPerWord(bench, corpus.libhyphen_words.size());
}

void BM_LibhyphenEnglish(benchmark::State& s) { LibhyphenHyphenate(s, false); }
void BM_LibhyphenGerman(benchmark::State& s) { LibhyphenHyphenate(s, true); }
BENCHMARK(BM_LibhyphenEnglish)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LibhyphenGerman)->Unit(benchmark::kMillisecond);

void BM_LibhyphenLoadGermanDictionary(benchmark::State& bench) {
  for (auto _ : bench) {
    HyphenDict* dict = hnj_hyphen_load(kLibhyphenGerman);
    if (!dict) {
      bench.SkipWithError("hyph_de_DE.dic missing");
      return;
    }
    hnj_hyphen_free(dict);
  }
}
BENCHMARK(BM_LibhyphenLoadGermanDictionary)->Unit(benchmark::kMillisecond);
#endif

}  // namespace

BENCHMARK_MAIN();

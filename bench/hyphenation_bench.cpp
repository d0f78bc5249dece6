// Hyphenation speed against libhyphen, like with like: both sides read the same pattern files
// (ours as they stand, libhyphen's converted by its own substrings.pl in the set-up), hyphenate
// the same running words (120,000 English and German words drawn from bench/data with a
// Zipf-like frequency and a fixed seed, the same bytes on both sides) under the same short-word
// rule (at least 3 letters before a break and 2 after; shorter words are not looked at), and
// record every break into a flag array. Runs alternate between the sides; the report gives the
// min and median ns per word, the share of breaks both find, and the German pattern load time.
// The shares differ by design: ours sums the weights of the matching patterns and never looks up
// a weight first or last on its line; libhyphen takes the highest weight.
//
//   hyphenation_bench [runs]      (default 7 runs, at least 5)
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "formatter/hyphenation/hyphenation.h"

#ifdef CORVINA_HAVE_LIBHYPHEN
#include <hyphen.h>
#endif

namespace {

using namespace tavrel;
namespace fs = std::filesystem;

constexpr int kRunningWords = 120000;
constexpr int kLeftMin = 3;   // letters before a break: MinLetters 2 keeps p - 2 >= 1
constexpr int kRightMin = 2;  // letters after a break: p + 2 <= len
const char* kConverter = "/usr/share/libhyphen/substrings.pl";

std::string SourceFile(const std::string& relative) {
  return std::string(CORVINA_SOURCE_DIR) + "/" + relative;
}

std::string ReadAll(const std::string& name) {
  std::ifstream in(name, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

// UTF-8 letters of the word lists to code page 850, the encoding of our pattern files; case is
// kept, so both sides see exactly the same bytes.
std::string ToCp850(const std::string& utf8) {
  std::string out;
  for (std::size_t i = 0; i < utf8.size(); ++i) {
    auto c = static_cast<unsigned char>(utf8[i]);
    if (c == 0xC3 && i + 1 < utf8.size()) {
      const unsigned latin1 = 0xC0u + (static_cast<unsigned char>(utf8[++i]) & 0x3Fu);
      static const std::pair<unsigned, unsigned> kMap[] = {
          {0xE4, 0x84}, {0xF6, 0x94}, {0xFC, 0x81}, {0xDF, 0xE1}, {0xC4, 0x8E}, {0xD6, 0x99},
          {0xDC, 0x9A}, {0xE9, 0x82}, {0xE8, 0x8A}, {0xE0, 0x85}, {0xE7, 0x87}, {0xEA, 0x88}};
      unsigned v = '?';
      for (const auto& [from, to] : kMap)
        if (from == latin1) v = to;
      out += static_cast<char>(v);
      continue;
    }
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
    if (!line.empty()) vocabulary.push_back(ToCp850(line));
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

// The words once more as word buffers (position 0 unused) and where each word's break flags
// start in the flag array.
struct Corpus {
  std::vector<std::string> words;
  std::vector<std::vector<std::uint8_t>> held;
  std::vector<std::size_t> flag_offset;
  std::size_t flag_count = 0;
};

Corpus MakeCorpus(const std::string& list_file) {
  Corpus c;
  c.words = RunningText(list_file);
  for (const std::string& w : c.words) {
    std::vector<std::uint8_t> h(1, 0);
    h.insert(h.end(), w.begin(), w.end());
    c.held.push_back(std::move(h));
    c.flag_offset.push_back(c.flag_count);
    c.flag_count += w.size() + 1;
  }
  return c;
}

bool LongEnough(std::size_t letters) { return letters >= kLeftMin + kRightMin; }

// Only the lines our loader takes as patterns, so that the converter sees the same set.
bool WritePatternList(const std::string& tex, const std::string& out_name) {
  const std::string bytes = ReadAll(tex);
  if (bytes.empty()) return false;
  std::ofstream out(out_name, std::ios::binary);
  std::istringstream in(bytes);
  for (std::string line; std::getline(in, line);) {
    if (line.empty() || line[0] == '%' || line[0] == '\\' || line[0] == '{' || line[0] == '}' ||
        line[0] == ' ')
      continue;
    out << line << '\n';
  }
  return static_cast<bool>(out);
}

struct Stats {
  double min = 0, median = 0;
};

Stats Summary(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return {v.front(), v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2};
}

double Seconds(const std::function<void()>& work) {
  const auto start = std::chrono::steady_clock::now();
  work();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void OursHyphenate(HyphenationState& state, const Corpus& corpus,
                   std::vector<std::uint8_t>& flags) {
  for (std::size_t k = 0; k < corpus.held.size(); ++k) {
    const auto& h = corpus.held[k];
    const int len = static_cast<int>(h.size()) - 1;
    if (!LongEnough(static_cast<std::size_t>(len))) continue;
    std::uint8_t* f = flags.data() + corpus.flag_offset[k];
    state.Word = HyphenationWordState{};
    for (int p = len - 1; p >= 1; --p) f[p] = MayBreakAt(state, h.data(), len, p).MayBreak;
  }
}

#ifdef CORVINA_HAVE_LIBHYPHEN
void LibhyphenHyphenate(HyphenDict* dict, const Corpus& corpus, std::vector<std::uint8_t>& flags) {
  std::vector<char> hyphens(300);
  for (std::size_t k = 0; k < corpus.words.size(); ++k) {
    const std::string& w = corpus.words[k];
    if (!LongEnough(w.size())) continue;
    std::uint8_t* f = flags.data() + corpus.flag_offset[k];
    char** rep = nullptr;
    int* pos = nullptr;
    int* cut = nullptr;
    hnj_hyphen_hyphenate3(dict, w.c_str(), static_cast<int>(w.size()), hyphens.data(), nullptr,
                          &rep, &pos, &cut, kLeftMin, kRightMin, kLeftMin, kRightMin);
    // hyphens[i] odd: a break after letter i + 1.
    for (std::size_t i = 0; i + 1 < w.size(); ++i) f[i + 1] = hyphens[i] & 1;
    if (rep) {
      for (std::size_t i = 0; i < w.size(); ++i) std::free(rep[i]);
      std::free(rep);
      std::free(pos);
      std::free(cut);
    }
  }
}

int CompareLanguage(const char* title, const std::string& tex, const std::string& dic,
                    const std::string& list_file, int runs) {
  const Corpus corpus = MakeCorpus(list_file);
  HyphenationState state;
  state.Params.Mode = kHyphenTex;
  state.Params.MinLetters = 2;
  state.Params.MinimalRating = 1;
  state.Params.CapitalsUnsplit = false;  // libhyphen has no such rule
  state.Tex = std::make_shared<TexPatternTable>();
  HyphenDict* dict = hnj_hyphen_load(dic.c_str());
  if (corpus.words.empty() || state.Tex->LoadFile(tex).Outcome != TexLoadReport::Status::kLoaded ||
      !dict) {
    std::fprintf(stderr, "%s: pattern file, converted dictionary or word list missing\n", title);
    if (dict) hnj_hyphen_free(dict);
    return 1;
  }
  std::vector<std::uint8_t> ours(corpus.flag_count), theirs(corpus.flag_count);
  std::vector<double> t_ours, t_theirs;
  OursHyphenate(state, corpus, ours);  // warm both sides once
  LibhyphenHyphenate(dict, corpus, theirs);
  for (int r = 0; r < runs; ++r) {
    t_ours.push_back(Seconds([&] { OursHyphenate(state, corpus, ours); }));
    t_theirs.push_back(Seconds([&] { LibhyphenHyphenate(dict, corpus, theirs); }));
  }
  hnj_hyphen_free(dict);

  std::size_t both = 0, only_ours = 0, only_theirs = 0;
  for (std::size_t i = 0; i < ours.size(); ++i) {
    both += ours[i] && theirs[i];
    only_ours += ours[i] && !theirs[i];
    only_theirs += !ours[i] && theirs[i];
  }
  const double n = static_cast<double>(corpus.words.size());
  const Stats a = Summary(t_ours), b = Summary(t_theirs);
  std::printf("%s hyphenation, %zu words, %d runs\n", title, corpus.words.size(), runs);
  std::printf("  ours       min %7.1f ns/word  median %7.1f ns/word\n", a.min / n * 1e9,
              a.median / n * 1e9);
  std::printf("  libhyphen  min %7.1f ns/word  median %7.1f ns/word\n", b.min / n * 1e9,
              b.median / n * 1e9);
  std::printf("  ours/libhyphen time: min %.2f  median %.2f\n", a.min / b.min, a.median / b.median);
  const std::size_t any = both + only_ours + only_theirs;
  std::printf("  breaks: both %zu, only ours %zu, only libhyphen %zu; both find %.1f%%\n", both,
              only_ours, only_theirs, any ? 100.0 * static_cast<double>(both) / any : 100.0);
  return 0;
}

int CompareLoad(const std::string& tex, const std::string& dic, int runs) {
  TexPatternTable table;
  std::vector<double> t_ours, t_theirs;
  bool ok = true;
  for (int r = 0; r < runs; ++r) {
    t_ours.push_back(Seconds([&] {
      table.Free();  // the same name would otherwise not be read again
      ok = ok && table.LoadFile(tex).Outcome == TexLoadReport::Status::kLoaded;
    }));
    t_theirs.push_back(Seconds([&] {
      HyphenDict* dict = hnj_hyphen_load(dic.c_str());
      ok = ok && dict;
      if (dict) hnj_hyphen_free(dict);
    }));
  }
  if (!ok) {
    std::fprintf(stderr, "German patterns could not be loaded\n");
    return 1;
  }
  const Stats a = Summary(t_ours), b = Summary(t_theirs);
  std::printf("German pattern load, %d runs\n", runs);
  std::printf("  ours       min %8.3f ms  median %8.3f ms\n", a.min * 1e3, a.median * 1e3);
  std::printf("  libhyphen  min %8.3f ms  median %8.3f ms\n", b.min * 1e3, b.median * 1e3);
  std::printf("  ours/libhyphen time: min %.3f  median %.3f\n", a.min / b.min, a.median / b.median);
  return 0;
}
#endif

}  // namespace

int main(int argc, char** argv) {
#ifndef CORVINA_HAVE_LIBHYPHEN
  (void)argc;
  (void)argv;
  std::fprintf(stderr, "built without libhyphen: nothing to compare\n");
  return 1;
#else
  const int runs = std::max(5, argc > 1 ? std::atoi(argv[1]) : 7);
  if (!fs::exists(kConverter)) {
    std::fprintf(stderr, "%s is missing (package libhyphen-dev)\n", kConverter);
    return 1;
  }
  const fs::path work =
      fs::temp_directory_path() / ("hyphenation_bench." + std::to_string(::getpid()));
  fs::create_directories(work);
  struct Language {
    const char* title;
    const char* tex;
    const char* words;
  };
  const Language languages[] = {
      {"English", "data/hyphenation/ushyph.tex", "bench/data/english_words.txt"},
      {"German", "data/hyphenation/dehyph.tex", "bench/data/german_words.txt"},
  };
  int status = 0;
  std::string german_dic;
  for (const Language& l : languages) {
    const std::string tex = SourceFile(l.tex);
    const std::string list = (work / (std::string(l.title) + ".pat")).string();
    const std::string dic = (work / (std::string(l.title) + ".dic")).string();
    // The converter's own hyphen minima are given too, though hyphenate3 passes them again.
    const std::string convert = "perl " + std::string(kConverter) + " '" + list + "' '" + dic +
                                "' ISO8859-1 " + std::to_string(kLeftMin) + " " +
                                std::to_string(kRightMin) + " >/dev/null";
    if (!WritePatternList(tex, list) || std::system(convert.c_str()) != 0) {
      std::fprintf(stderr, "%s: converting %s failed\n", l.title, tex.c_str());
      status = 1;
      continue;
    }
    status |= CompareLanguage(l.title, tex, dic, l.words, runs);
    if (std::string(l.title) == "German") german_dic = dic;
  }
  if (!german_dic.empty())
    status |= CompareLoad(SourceFile("data/hyphenation/dehyph.tex"), german_dic, runs);
  fs::remove_all(work);
  return status;
#endif
}

// Pages per second printing a formatted file of well over 1,000 pages to PostScript
// ("tavrel DOC /P" on the virtual PostScript printer), side by side with groff -Tps on the
// same prose: A4 paper, a line of 6 inches (60 columns), Times 12 on 15 points, 44 lines a
// page, no hyphenation, both margins justified.
#include <benchmark/benchmark.h>

#include <stdlib.h>
#include <sys/resource.h>
#include <time.h>

#include <cctype>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "formatter/app/command_line_jobs.h"
#include "formatter/common/message_boxes.h"
#include "platform/console.h"
#include "platform/printers.h"

namespace {

namespace fs = std::filesystem;

constexpr int kParagraphs = 9000;

// Deterministic prose: sentences of common words of varied length.
std::vector<std::string> MakeParagraphs() {
  static const char* const kWords[] = {
      "the",        "formatter", "reads",     "a",      "document",  "line",     "by",
      "and",        "breaks",    "it",        "into",   "pages",     "of",       "even",
      "length",     "while",     "margins",   "stay",   "where",     "settings", "put",
      "them",       "every",     "paragraph", "ends",   "with",      "return",   "justified",
      "text",       "spreads",   "blanks",    "across", "printer",   "fonts",    "measure",
      "characters", "in",        "dots",      "so",     "that",      "widths",   "match",
      "output",     "page",      "number",    "footer", "header",    "column",   "margin",
      "is",         "to",        "for",       "on",     "PostScript"};
  std::mt19937 random(1999);
  std::uniform_int_distribution<std::size_t> word(0, std::size(kWords) - 1);
  std::uniform_int_distribution<int> sentence(6, 16), sentences(3, 7);
  std::vector<std::string> paragraphs;
  for (int p = 0; p < kParagraphs; ++p) {
    std::string text;
    const int count = sentences(random);
    for (int s = 0; s < count; ++s) {
      const int words = sentence(random);
      for (int w = 0; w < words; ++w) {
        std::string wd = kWords[word(random)];
        if (w == 0) wd[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(wd[0])));
        text += wd + (w + 1 == words ? ". " : " ");
      }
    }
    text.pop_back();
    paragraphs.push_back(text);
  }
  return paragraphs;
}

// The documents, formatted once; the printers and the settings persist between runs.
struct RenderWorld {
  RenderWorld() {
    std::string pattern = (fs::temp_directory_path() / "tavrel-bench-XXXXXX").string();
    if (!::mkdtemp(pattern.data())) return;
    dir = pattern;
    fs::create_directories(dir / "program");
    for (const auto& entry : fs::directory_iterator(fs::path(CORVINA_SOURCE_DIR) / "data"))
      if (entry.is_regular_file())
        fs::copy_file(entry.path(), dir / "program" / entry.path().filename());

    const std::vector<std::string> paragraphs = MakeParagraphs();
    std::ofstream ws(dir / "prose.ws", std::ios::binary);
    std::ofstream roff(dir / "prose.roff", std::ios::binary);
    // Tavrel's defaults: page of 66 lines (11 in), 3 lines top and 8 bottom margin, offset and
    // right margin 8 and 60 columns, lines of 10/48 in, font C (Times New Roman 12).
    roff
        << ".pl 11i\n.po 0.8i\n.ll 6i\n.ps 12\n.vs 15p\n.ft R\n.nh\n.ad b\n"
           ".de HD\n'sp 0.5i\n..\n.de FO\n'sp 0.33i\n.tl ''%''\n'bp\n..\n.wh 0 HD\n.wh -1.3333i FO\n";
    for (const std::string& p : paragraphs) {
      ws << p << "\r\n\r\n";
      roff << p << "\n\n";
    }
    ws.close();
    roff.close();
    const tavrel::TavrelRunResult r = Run({"prose.ws", "/F"});
    pages = r.FormattedPages;
    ok = r.ExitCode == tavrel::kExitOk && pages >= 1000;
  }
  ~RenderWorld() {
    std::error_code ec;
    fs::remove_all(dir, ec);
  }

  tavrel::TavrelRunResult Run(const std::vector<std::string>& args) {
    platform::Console console(platform::CodePage::cp1252, false,
                              [](platform::ConsoleStream, std::string_view) {});
    tavrel::TavrelEnvironment env;
    env.ProgramDirectory = (dir / "program").string();
    env.CurrentDirectory = dir.string();
    env.Printers = &printers;
    env.Console = &console;
    env.Answer = [](const std::string&, tavrel::BoxButtons) { return tavrel::kAnswerNo; };
    return tavrel::RunTavrelCommandLine(args, env);
  }

  fs::path dir;
  platform::PrinterList printers = platform::PrinterList::virtual_only();
  int pages = 0;
  bool ok = false;
};

// CPU seconds of this process, and of the children that have ended (groff and its helpers):
// on a loaded machine the wall-clock rate says more about the neighbours than about us.
double OwnCpuSeconds() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + t.tv_nsec / 1e9;
}
double ChildCpuSeconds() {
  rusage u{};
  getrusage(RUSAGE_CHILDREN, &u);
  return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
         (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

RenderWorld& World() {
  static RenderWorld world;
  return world;
}

void BM_TavrelPrintToPostScript(benchmark::State& state) {
  RenderWorld& w = World();
  if (!w.ok) {
    state.SkipWithError("formatting the prose failed or gave fewer than 1,000 pages");
    return;
  }
  int pages = 0;
  const double cpu0 = OwnCpuSeconds();
  for (auto _ : state) {
    const tavrel::TavrelRunResult r = w.Run({"prose.ws", "/P"});
    if (r.ExitCode != tavrel::kExitOk) {
      state.SkipWithError("printing failed");
      return;
    }
    pages += r.PrintedPages;
  }
  state.counters["pages"] = w.pages;
  state.counters["pages/s"] = benchmark::Counter(pages, benchmark::Counter::kIsRate);
  state.counters["pages/cpu_s"] = pages / (OwnCpuSeconds() - cpu0);
  state.counters["bytes"] = static_cast<double>(fs::file_size(w.dir / "prose.ps"));
}
BENCHMARK(BM_TavrelPrintToPostScript)->Iterations(3)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_GroffToPostScript(benchmark::State& state) {
  RenderWorld& w = World();
  if (!w.ok) {
    state.SkipWithError("no prose");
    return;
  }
  int pages = 0, perRun = 0;
  std::size_t bytes = 0;
  const double cpu0 = ChildCpuSeconds();
  for (auto _ : state) {
    std::string ps;
    const int status = platform::run_program(
        {"groff", "-Tps", "-P-pa4", "-dpaper=a4", (w.dir / "prose.roff").string()}, &ps);
    if (status != 0) {
      state.SkipWithError("groff is not installed or failed");
      return;
    }
    perRun = 0;
    for (std::size_t at = 0; (at = ps.find("\n%%Page: ", at)) != std::string::npos; ++at) ++perRun;
    pages += perRun;
    bytes = ps.size();
  }
  state.counters["pages"] = perRun;
  state.counters["pages/s"] = benchmark::Counter(pages, benchmark::Counter::kIsRate);
  state.counters["pages/cpu_s"] = pages / (ChildCpuSeconds() - cpu0);
  state.counters["bytes"] = static_cast<double>(bytes);
}
BENCHMARK(BM_GroffToPostScript)->Iterations(3)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();

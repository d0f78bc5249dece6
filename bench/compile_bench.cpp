// The whole compile run to HTML over generated sources of 1, 2, 5 and 10 MB (headings on three
// levels, index entries, tables, lists), side by side with cmark on a Markdown text of the same
// content and about the same size. Reported per size: the time and MB per second of both, and
// the peak memory of each in a process of its own against "input x 4 + 64 MB". The time per MB
// should stay flat from 1 to 10 MB.
//
// Run: build/bench/compile_bench [--benchmark_filter=...]. Needs /usr/bin/cmark for the
// Markdown side (skipped when missing). "compile_bench --make-project N" writes the project of
// N MB (1 to 10) into a temporary folder, prints its name and keeps it.
//
// The projects lie in TMPDIR (default /tmp). Skeldon creates about 120 pages per MB there,
// while cmark writes one stream to /dev/null: a file system that is slow to create files weighs
// on Skeldon's side only (TMPDIR=/dev/shm leaves it out).
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "compiler/passes/compiler_run.h"
#include "compiler/program/main_program.h"

using namespace skeldon;

namespace fs = std::filesystem;

namespace {

constexpr const char* kCmark = "/usr/bin/cmark";

// A distinct pronounceable word for each number (its base-16 digits as syllables).
std::string Word(int n) {
  static const char* const kSyllables[] = {"ka", "lo", "mi",  "ne",  "ru",  "ta", "se", "vi",
                                           "do", "pa", "gre", "stu", "ber", "an", "ol", "tri"};
  std::string w;
  do {
    w += kSyllables[n % 16];
    n /= 16;
  } while (n > 0);
  return w;
}

// One document in both syntaxes, built from the same random choices so that both carry the
// same headings, index words, tables, lists and paragraphs.
struct Documents {
  std::string Source;    // dot-command source, CR LF lines
  std::string Markdown;  // the same content in Markdown, LF lines
};

Documents MakeDocuments(std::size_t bytes) {
  std::mt19937 rng(7);
  std::vector<std::string> words;
  for (int i = 0; i < 3000; ++i) words.push_back(Word(i + 40));
  std::vector<std::string> indexWords;
  for (int i = 0; i < 1500; ++i) indexWords.push_back("qu" + Word(i));
  auto word = [&] { return words[rng() % words.size()]; };
  auto indexWord = [&] { return indexWords[rng() % indexWords.size()]; };

  Documents d;
  d.Source.reserve(bytes + 8192);
  d.Markdown.reserve(bytes + 8192);
  auto both = [&](const std::string& source, const std::string& markdown) {
    d.Source += source;
    d.Markdown += markdown;
  };
  d.Source += ".FU {}\r\n";
  for (int section = 0; d.Source.size() < bytes; ++section) {
    const int level = section % 20 == 0 ? 1 : section % 5 == 1 ? 2 : 3;
    const std::string title = "Chapter " + std::to_string(section) + " " + word() + " " + word();
    // Appended piece by piece: g++ 12 warns falsely (-Wrestrict) on "." + std::to_string(...).
    std::string sourceHead(1, '.');
    sourceHead.append(std::to_string(level)).append("\r\n").append(title).append("\r\n\r\n");
    std::string markdownHead(static_cast<std::size_t>(level), '#');
    markdownHead.append(" ").append(title).append("\n\n");
    both(sourceHead, markdownHead);
    for (int e = 0; e < 3; ++e) {
      const std::string w = indexWord();
      both(".IN " + w + "\r\n", "<!-- index " + w + " -->\n");
    }
    // Paragraphs; index words appear in the text, where the automatic links find them.
    for (int p = 0; p < 4; ++p) {
      std::string line;
      for (int i = 0; i < 60; ++i) {
        line += (rng() % 12 == 0 ? indexWord() : word());
        line += i % 12 == 11 ? ".\n" : " ";
      }
      std::string crlf;
      for (char ch : line) crlf += ch == '\n' ? std::string("\r\n") : std::string(1, ch);
      both(crlf + "\r\n", line + "\n");
    }
    if (section % 3 == 0) {
      std::string src = "\r\n", md = "\n";
      for (int i = 0; i < 4; ++i) {
        const std::string item = word() + " " + word() + " " + word() + ".";
        src += "- " + item + "\r\n";
        md += "- " + item + "\n";
        if (i == 1) {
          const std::string sub = word() + " " + indexWord() + ".";
          src += "  * " + sub + "\r\n";
          md += "  * " + sub + "\n";
        }
      }
      both(src + "\r\n", md + "\n");
    }
    if (section % 4 == 1) {
      const std::string caption = "Table " + std::to_string(section);
      std::string src = ".TA " + caption + "\r\n", md = "**" + caption + "**\n\n";
      for (int row = 0; row < 5; ++row) {
        std::string cells[3] = {word(), word() + " " + word(), std::to_string(rng() % 10000)};
        char line[160];
        std::snprintf(line, sizeof line, "%-14s%-24s%s", cells[0].c_str(), cells[1].c_str(),
                      cells[2].c_str());
        src += std::string(line) + "\r\n";
        md += "| " + cells[0] + " | " + cells[1] + " | " + cells[2] + " |\n";
        if (row == 0) md += "|---|---|---|\n";
      }
      both(src + ".TA\r\n\r\n", md + "\n");
    }
  }
  return d;
}

void WriteFile(const fs::path& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
}

// A project folder with the example manual's ini file and pictures and the generated source.
struct BenchProject {
  fs::path Dir;
  std::size_t SourceBytes = 0;
  std::size_t MarkdownBytes = 0;
};

std::vector<std::unique_ptr<BenchProject>>& Projects() {
  static std::vector<std::unique_ptr<BenchProject>> projects(11);  // by size in MB
  return projects;
}

BenchProject& ProjectFor(int megabytes) {
  std::unique_ptr<BenchProject>& p = Projects().at(static_cast<std::size_t>(megabytes));
  if (p) return *p;
  p = std::make_unique<BenchProject>();
  std::string pattern = (fs::temp_directory_path() / "compile_bench_XXXXXX").string();
  if (::mkdtemp(pattern.data()) == nullptr) std::abort();
  p->Dir = pattern;
  const fs::path manual = fs::path(CORVINA_SOURCE_DIR) / "examples" / "manual";
  fs::copy(manual / "manual.ini", p->Dir / "bench.ini");
  fs::copy(manual / "pics", p->Dir / "pics", fs::copy_options::recursive);
  WriteFile(
      p->Dir / "bench.skj",
      "source file = bench.txt\r\nini file = bench.ini\r\ntarget = html\r\ncondition = online\r\n"
      "compile = no\r\nview = no\r\ngraphic path = [PROJECTDIR]\\pics\r\n");
  const Documents d = MakeDocuments(static_cast<std::size_t>(megabytes) * 1000000);
  WriteFile(p->Dir / "bench.txt", d.Source);
  WriteFile(p->Dir / "bench.md", d.Markdown);
  p->SourceBytes = d.Source.size();
  p->MarkdownBytes = d.Markdown.size();
  return *p;
}

void RemoveProjects() {
  for (const std::unique_ptr<BenchProject>& p : Projects()) {
    std::error_code ec;
    if (p) fs::remove_all(p->Dir, ec);
  }
}

// The compile run in this process, in the project folder; returns its exit code, or 3 when the
// run reported a source error (the generated source is meant to be free of them).
int CompileInProcess(const fs::path& dir) {
  auto run = std::make_unique<CompilerRun>();
  run->Reporter.SetConsole(std::make_unique<TCapturingConsole>());
  const fs::path before = fs::current_path();
  fs::current_path(dir);
  const int code = RunCompiler({"skeldon", "bench.skj"}, *run);
  fs::current_path(before);
  return code == 0 && !run->RunSuccess ? 3 : code;
}

// Starts a program with its output to /dev/null and returns its exit code and peak memory (KB).
struct ChildResult {
  int ExitCode = -1;
  long PeakKilobytes = 0;
  double CpuSeconds = 0;  // user + system time of the child
};

ChildResult RunChild(const std::vector<std::string>& args) {
  ChildResult r;
  const pid_t pid = ::fork();
  if (pid < 0) return r;
  if (pid == 0) {
    const int null = ::open("/dev/null", O_RDWR);
    if (null >= 0) {
      ::dup2(null, 0);
      ::dup2(null, 1);
    }
    std::vector<char*> argv;
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    ::execv(argv[0], argv.data());
    ::_exit(127);
  }
  int status = 0;
  struct rusage usage {};
  if (::wait4(pid, &status, 0, &usage) == pid && WIFEXITED(status))
    r.ExitCode = WEXITSTATUS(status);
  r.PeakKilobytes = usage.ru_maxrss;
  r.CpuSeconds = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                 static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
  return r;
}

std::string SelfPath() { return fs::read_symlink("/proc/self/exe").string(); }

// Memory of one child run, and its MB per second of CPU time: on a loaded machine the wall time
// of both sides suffers, their CPU time much less.
void ReportChild(benchmark::State& state, std::size_t inputBytes, const ChildResult& child) {
  const double mb = 1e6;
  if (child.CpuSeconds > 0)
    state.counters["cpu_MB_per_s"] = static_cast<double>(inputBytes) / mb / child.CpuSeconds;
  state.counters["input_MB"] = static_cast<double>(inputBytes) / mb;
  state.counters["peak_MB"] = static_cast<double>(child.PeakKilobytes) * 1024.0 / mb;
  state.counters["limit_MB"] = 4.0 * static_cast<double>(inputBytes) / mb + 64.0;
  state.counters["within_limit"] = static_cast<double>(child.PeakKilobytes) * 1024.0 <=
                                   4.0 * static_cast<double>(inputBytes) + 64.0 * mb;
}

void BM_SkeldonHtml(benchmark::State& state) {
  BenchProject& p = ProjectFor(static_cast<int>(state.range(0)));
  // Peak memory: the same compile in a fresh process (this program started again as a child).
  const ChildResult child = RunChild({SelfPath(), "--compile-child", p.Dir.string()});
  if (child.ExitCode != 0) {
    state.SkipWithError("the compile run failed");
    return;
  }
  for (auto _ : state) {
    // Every run writes into a fresh output folder, as a first compile does: creating the files
    // costs more than replacing them.
    state.PauseTiming();
    std::error_code ec;
    fs::remove_all(p.Dir / "bench", ec);
    fs::remove(p.Dir / "bench.html", ec);
    state.ResumeTiming();
    const int code = CompileInProcess(p.Dir);
    if (code != 0) {
      state.SkipWithError("the compile run failed");
      break;
    }
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                          static_cast<std::int64_t>(p.SourceBytes));
  ReportChild(state, p.SourceBytes, child);
}

void BM_CmarkHtml(benchmark::State& state) {
  if (::access(kCmark, X_OK) != 0) {
    state.SkipWithError("cmark is not installed");
    return;
  }
  BenchProject& p = ProjectFor(static_cast<int>(state.range(0)));
  const std::string input = (p.Dir / "bench.md").string();
  ChildResult last;
  for (auto _ : state) {
    last = RunChild({kCmark, input});
    if (last.ExitCode != 0) {
      state.SkipWithError("cmark failed");
      break;
    }
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                          static_cast<std::int64_t>(p.MarkdownBytes));
  ReportChild(state, p.MarkdownBytes, last);
}
// Both sides of one size one after the other, so that a change in the machine's load between
// sizes touches both alike.
void RegisterSideBySide() {
  for (int megabytes : {1, 2, 5, 10}) {
    benchmark::RegisterBenchmark("BM_SkeldonHtml", BM_SkeldonHtml)
        ->Arg(megabytes)
        ->Unit(benchmark::kMillisecond)
        ->Iterations(5)
        ->UseRealTime();
    benchmark::RegisterBenchmark("BM_CmarkHtml", BM_CmarkHtml)
        ->Arg(megabytes)
        ->Unit(benchmark::kMillisecond)
        ->Iterations(5)
        ->UseRealTime();
  }
}

}  // namespace

int main(int argc, char** argv) {
  // The child side of the memory measurement: one compile run, nothing else.
  if (argc == 3 && std::string(argv[1]) == "--compile-child") return CompileInProcess(argv[2]);
  // Writes the project of one size and keeps it, to look at or to run skeldon on by hand.
  if (argc == 3 && std::string(argv[1]) == "--make-project") {
    std::printf(
        "%s\n",
        ProjectFor(std::atoi(argv[2]) >= 1 && std::atoi(argv[2]) <= 10 ? std::atoi(argv[2]) : 1)
            .Dir.c_str());
    return 0;
  }
  RegisterSideBySide();
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  RemoveProjects();
  return 0;
}

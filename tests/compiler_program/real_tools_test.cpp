// The example manual compiled for every target, and its outputs read by real tools: xmllint
// parses the HTML pages, every local link and picture resolves, chmcmd builds the HTML Help
// project and the help file holds every page, the RTF outputs pass our syntax checker and
// unrtf, and the IPF output has matched tags and references to existing panels.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "compiler/passes/compiler_run.h"
#include "compiler/program/main_program.h"
#include "tests/support/compiler_test_run.h"
#include "tests/support/rtf_checker.h"

using namespace skeldon;

namespace fs = std::filesystem;

namespace {

// ---------------------------------------------------------------------------------------------
// Files and programs

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

std::string Lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

bool StartsWithNoCase(const std::string& s, const std::string& prefix) {
  return Lower(s.substr(0, prefix.size())) == Lower(prefix);
}

// The full path of a program on PATH, or empty.
std::string FindProgram(const std::string& name) {
  const char* path = std::getenv("PATH");
  std::stringstream dirs(path ? path : "/usr/bin:/bin");
  std::string dir;
  while (std::getline(dirs, dir, ':')) {
    const fs::path candidate = fs::path(dir.empty() ? "." : dir) / name;
    if (::access(candidate.c_str(), X_OK) == 0) return candidate.string();
  }
  return {};
}

struct ToolResult {
  int ExitCode = -1;  // -1: did not start or did not exit normally
  std::string Out;
  std::string Err;
};

// Runs a program with its arguments (no shell) in a directory; stdout and stderr are kept.
ToolResult RunTool(const std::vector<std::string>& args, const fs::path& dir,
                   const fs::path& scratch) {
  ToolResult result;
  const fs::path outFile = scratch / "tool.out";
  const fs::path errFile = scratch / "tool.err";
  const pid_t pid = ::fork();
  if (pid < 0) return result;
  if (pid == 0) {
    const int out = ::open(outFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    const int err = ::open(errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    const int in = ::open("/dev/null", O_RDONLY);
    if (out < 0 || err < 0 || in < 0 || ::chdir(dir.c_str()) != 0) ::_exit(126);
    ::dup2(in, 0);
    ::dup2(out, 1);
    ::dup2(err, 2);
    std::vector<char*> argv;
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    ::execvp(argv[0], argv.data());
    ::_exit(127);
  }
  int status = 0;
  if (::waitpid(pid, &status, 0) == pid && WIFEXITED(status)) result.ExitCode = WEXITSTATUS(status);
  result.Out = ReadFile(outFile);
  result.Err = ReadFile(errFile);
  return result;
}

std::vector<fs::path> FilesWithExtension(const fs::path& dir, const std::string& extension) {
  std::vector<fs::path> files;
  if (!fs::is_directory(dir)) return files;
  for (const auto& e : fs::directory_iterator(dir))
    if (e.is_regular_file() && Lower(e.path().extension().string()) == extension)
      files.push_back(e.path());
  std::sort(files.begin(), files.end());
  return files;
}

// ---------------------------------------------------------------------------------------------
// The two example manuals (English and German, code page 850), each compiled for seven targets

struct Variant {
  const char* Name;
  std::vector<std::string> Switches;
  std::vector<std::string> ExpectedFiles;  // relative to the project folder; "{m}" = manual name
};

const std::vector<Variant>& Variants() {
  static const std::vector<Variant> variants = {
      {"Html", {"/HTML"}, {"{m}/n000.html", "{m}/index.html", "{m}.html"}},
      {"HtmlNoFrames", {"/HTML", "/NOFRAMES"}, {"{m}/n000.html", "{m}/notes.html"}},
      {"HtmlHelp", {"/HTMLHELP"}, {"{m}/{m}.hhp", "{m}/{m}.hhc", "{m}/{m}.hhk", "{m}/n000.html"}},
      {"WinHelp3", {"/WINHELP3"}, {"{m}.RTF", "{m}.HPJ"}},
      {"WinHelp4", {"/WINHELP4"}, {"{m}.RTF", "{m}.HPJ", "{m}.CNT"}},
      {"RtfText", {"/RTFTEXT"}, {"{m}.RTF"}},
      {"Ipf", {"/IPF"}, {"{m}.IPF"}},
  };
  return variants;
}

// What the tests know of each example's text (all of it plain ASCII).
struct Example {
  std::string Name;  // folder under examples/, and the base name of its files
  std::vector<std::string> Headings;
  std::vector<std::string> Phrases;  // sentences that run across a line end of the source
  std::string Conditional;           // text inside ".IF online"
  std::string HtmlSample;            // a word with a code-page 850 letter, as an HTML page holds it
  std::string RtfSample;             // the same word in RTF
};

const Example& ExampleNamed(const std::string& name) {
  static const std::vector<Example> examples = {
      {"manual",
       {"Corvina example manual", "Getting started", "Installing", "Targets", "Formatting",
        "Frame group", "Left side", "Right side", "Reference"},
       {"makes of one source text.", "the words of the index wherever they appear."},
       "only in the online edition",
       "",
       ""},
      {"handbuch",
       {"Corvina Beispiel-Handbuch", "Erste Schritte", "Einrichten", "Zielformate", "Gestaltung",
        "Rahmengruppe", "Linke Seite", "Rechte Seite", "Nachschlagen"},
       {"was der Hypertext-Compiler aus einem Quelltext macht.", "und der Compiler verkn"},
       "nur in der Online-Ausgabe",
       "verkn&uuml;pft",
       "verkn\\'fcpft"},
  };
  for (const Example& e : examples)
    if (e.Name == name) return e;
  throw std::runtime_error("no example " + name);
}

std::string Replaced(std::string text, const std::string& name) {
  for (std::size_t at; (at = text.find("{m}")) != std::string::npos;) text.replace(at, 3, name);
  return text;
}

struct Compiled {
  std::string Name;  // the manual's name
  fs::path Project;  // the copy of the example folder the run worked in
  fs::path Scratch;  // room for tool output, outside the compiler's folders
  int ExitCode = -1;
  bool RunSuccess = false;
  std::string Console;
  fs::path Out() const { return Project / Name; }  // the HTML folder
  fs::path File(const std::string& suffix) const { return Project / (Name + suffix); }
};

// One temporary tree for the whole test program, removed at its end (kept when the variable
// KEEP_REAL_TOOLS_OUTPUT is set, to look at the outputs).
class TempRoot {
 public:
  TempRoot() {
    std::string pattern = (fs::temp_directory_path() / "realtools_XXXXXX").string();
    if (::mkdtemp(pattern.data()) != nullptr) path_ = pattern;
  }
  ~TempRoot() {
    std::error_code ec;
    if (!path_.empty() && !std::getenv("KEEP_REAL_TOOLS_OUTPUT")) fs::remove_all(path_, ec);
  }
  const fs::path& Path() const { return path_; }

 private:
  fs::path path_;
};

// Test parameters read "manual:Html"; the test names show them as manual_Html.
std::string ParamName(const ::testing::TestParamInfo<std::string>& info) {
  std::string name = info.param;
  std::replace(name.begin(), name.end(), ':', '_');
  return name;
}

std::vector<std::string> Params(const std::vector<std::string>& variants) {
  std::vector<std::string> params;
  for (const char* manual : {"manual", "handbuch"})
    for (const std::string& v : variants) params.push_back(std::string(manual) + ":" + v);
  return params;
}

// Compiles one example for one variant once per test program; later calls return the result.
const Compiled& Compile(const std::string& param) {
  static TempRoot root;
  static std::map<std::string, Compiled> cache;
  auto found = cache.find(param);
  if (found != cache.end()) return found->second;
  const std::size_t colon = param.find(':');
  const std::string manual = param.substr(0, colon);
  const std::string variantName = param.substr(colon + 1);
  const Variant* variant = nullptr;
  for (const Variant& v : Variants())
    if (variantName == v.Name) variant = &v;
  if (variant == nullptr) throw std::runtime_error("no variant " + variantName);
  Compiled& c = cache[param];
  c.Name = manual;
  const std::string folder = manual + "." + variantName;
  c.Scratch = root.Path() / (folder + ".scratch");
  c.Project = root.Path() / folder / manual;
  fs::create_directories(c.Scratch);
  fs::create_directories(c.Project.parent_path());
  fs::copy(fs::path(CORVINA_SOURCE_DIR) / "examples" / manual, c.Project,
           fs::copy_options::recursive);
  // A "target" line of the project would win over every command-line switch (html comes first
  // in the override order), so the copy leaves it out and each variant names its own switch.
  {
    std::istringstream in(ReadFile(c.File(".skj")));
    std::string kept, line;
    while (std::getline(in, line))
      if (!StartsWithNoCase(line, "target")) kept += line + "\n";
    std::ofstream(c.File(".skj"), std::ios::binary) << kept;
  }
  std::vector<std::string> words = {"skeldon", manual + ".skj"};
  words.insert(words.end(), variant->Switches.begin(), variant->Switches.end());
  TestRun run(ConstructedRun());
  const fs::path before = fs::current_path();
  fs::current_path(c.Project);
  c.ExitCode = RunCompiler(words, *run);
  fs::current_path(before);
  c.RunSuccess = run->RunSuccess;
  c.Console = run.Text();
  return c;
}

const Variant& VariantOf(const std::string& param) {
  const std::string name = param.substr(param.find(':') + 1);
  for (const Variant& v : Variants())
    if (name == v.Name) return v;
  throw std::runtime_error("no variant " + name);
}

class EveryTarget : public ::testing::TestWithParam<std::string> {};

TEST_P(EveryTarget, CompilesWithoutSourceErrorsAndWritesItsFiles) {
  const Compiled& c = Compile(GetParam());
  EXPECT_EQ(c.ExitCode, 0) << c.Console;
  EXPECT_TRUE(c.RunSuccess) << "the run reported source errors:\n" << c.Console;
  for (const std::string& f : VariantOf(GetParam()).ExpectedFiles)
    EXPECT_TRUE(fs::is_regular_file(c.Project / Replaced(f, c.Name))) << Replaced(f, c.Name);
}

INSTANTIATE_TEST_SUITE_P(Examples, EveryTarget,
                         ::testing::ValuesIn(Params({"Html", "HtmlNoFrames", "HtmlHelp", "WinHelp3",
                                                     "WinHelp4", "RtfText", "Ipf"})),
                         ParamName);

// ---------------------------------------------------------------------------------------------
// HTML: xmllint

struct LintMessage {
  fs::path File;
  int Line = 0;
  std::string Text;
};

// xmllint --html reports "file:line: HTML parser error : text" and two context lines; its exit
// code is 0 even then, so the messages are what counts.
std::vector<LintMessage> ParseLintOutput(const std::string& output, const fs::path& file) {
  std::vector<LintMessage> messages;
  static const std::regex head(R"(^(.*):(\d+): HTML parser (error|warning) : (.*)$)");
  std::istringstream in(output);
  std::string line;
  while (std::getline(in, line)) {
    std::smatch m;
    if (std::regex_match(line, m, head))
      messages.push_back({file, std::stoi(m[2]), m[4]});
    else if (line.find("parser error") != std::string::npos)
      messages.push_back({file, 0, line});
  }
  return messages;
}

std::vector<std::string> SplitLines(const std::string& text) {
  std::vector<std::string> lines;
  std::string line;
  std::istringstream in(text);
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  return lines;
}

bool LineIsInsideScript(const std::vector<std::string>& lines, int lineNumber) {
  bool inScript = false;
  for (int i = 0; i < lineNumber && i < static_cast<int>(lines.size()); ++i) {
    const std::string l = Lower(lines[static_cast<std::size_t>(i)]);
    if (l.find("<script") != std::string::npos) inScript = true;
    if (i + 1 == lineNumber) return inScript;
    if (l.find("</script>") != std::string::npos) inScript = false;
  }
  return false;
}

// The messages that follow from the page forms the compiler writes on purpose and that every
// browser reads as meant; each names why. Everything else counts.
std::string AcceptedBecause(const LintMessage& m, const std::string& page) {
  const std::vector<std::string> lines = SplitLines(page);
  const std::string at = m.Line > 0 && m.Line <= static_cast<int>(lines.size())
                             ? lines[static_cast<std::size_t>(m.Line - 1)]
                             : std::string();
  if (m.Text.rfind("Unexpected end tag : ", 0) == 0 && LineIsInsideScript(lines, m.Line))
    return "the contents-tree script writes markup strings; libxml2 takes \"</\" in a script for an end tag";
  if (m.Text == "Opening and ending tag mismatch: noframes and p" ||
      m.Text == "Opening and ending tag mismatch: frameset and p")
    return "libxml2 does not end an open <p> at </NOFRAMES> (it says so for valid HTML 4.01 too)";
  if (m.Text == "Unexpected end tag : head" &&
      Lower(at).find("</frameset></head>") != std::string::npos)
    return "frameset pages close their FRAMESET inside the head, as the page writer does";
  if (m.Text == "htmlParseStartTag: misplaced <body> tag" &&
      Lower(page).find("</frameset></head>") != std::string::npos)
    return "the empty body after the frameset of a frameset page";
  return {};
}

std::vector<fs::path> HtmlPages(const Compiled& c) {
  std::vector<fs::path> pages = FilesWithExtension(c.Out(), ".html");
  if (fs::is_regular_file(c.File(".html"))) pages.push_back(c.File(".html"));
  return pages;
}

class HtmlTarget : public ::testing::TestWithParam<std::string> {};

TEST_P(HtmlTarget, XmllintParsesEveryPage) {
  const std::string xmllint = FindProgram("xmllint");
  if (xmllint.empty()) GTEST_SKIP() << "xmllint is not installed";
  const Compiled& c = Compile(GetParam());
  ASSERT_EQ(c.ExitCode, 0) << c.Console;
  std::vector<fs::path> files = HtmlPages(c);
  for (const char* extension : {".hhc", ".hhk"})
    for (const fs::path& f : FilesWithExtension(c.Out(), extension)) files.push_back(f);
  ASSERT_GE(files.size(), 5u);
  std::vector<std::string> substance;
  std::set<std::string> accepted;
  for (const fs::path& f : files) {
    const ToolResult r = RunTool({xmllint, "--html", "--noout", f.string()}, c.Project, c.Scratch);
    ASSERT_EQ(r.ExitCode, 0) << f << "\n" << r.Err;
    const std::string page = ReadFile(f);
    for (const LintMessage& m : ParseLintOutput(r.Err + r.Out, f)) {
      const std::string why = AcceptedBecause(m, page);
      const std::string where =
          f.filename().string() + ":" + std::to_string(m.Line) + ": " + m.Text;
      if (why.empty())
        substance.push_back(where);
      else
        accepted.insert(m.Text + "  [" + why + "]");
    }
  }
  std::string list;
  for (const std::string& s : substance) list += "  " + s + "\n";
  EXPECT_TRUE(substance.empty()) << "xmllint found faults:\n" << list;
  for (const std::string& a : accepted) std::cout << "[ accepted ] " << a << "\n";
}

// ---------------------------------------------------------------------------------------------
// HTML: local links and pictures

struct Reference {
  fs::path From;
  std::string Value;
};

bool IsExternal(const std::string& value) {
  const std::string v = Lower(value);
  for (const char* scheme : {"javascript:", "http:", "https:", "mailto:", "ftp:", "news:", "file:"})
    if (v.rfind(scheme, 0) == 0) return true;
  return v.find("://") != std::string::npos;
}

std::string WithoutScripts(const std::string& page) {
  static const std::regex script(R"(<script[\s\S]*?</script>)", std::regex::icase);
  return std::regex_replace(page, script, "");
}

// Every href and src of a page's tags, the links of the contents-tree script, and the "Local"
// values of the HTML Help contents and index files.
std::vector<std::string> ReferencesOf(const std::string& page) {
  std::vector<std::string> refs;
  static const std::regex tag(R"(<[A-Za-z][^>]*>)");
  static const std::regex attribute(R"re(\b(href|src)\s*=\s*(?:"([^"]*)"|'([^']*)'|([^\s>]+)))re",
                                    std::regex::icase);
  const std::string body = WithoutScripts(page);
  for (auto t = std::sregex_iterator(body.begin(), body.end(), tag); t != std::sregex_iterator();
       ++t) {
    const std::string text = t->str();
    for (auto a = std::sregex_iterator(text.begin(), text.end(), attribute);
         a != std::sregex_iterator(); ++a)
      refs.push_back((*a)[2].matched   ? (*a)[2].str()
                     : (*a)[3].matched ? (*a)[3].str()
                                       : (*a)[4].str());
  }
  static const std::regex treeEntry(R"(hc\[\d+\]="([^"\\]*)\\")");
  for (auto m = std::sregex_iterator(page.begin(), page.end(), treeEntry);
       m != std::sregex_iterator(); ++m)
    refs.push_back((*m)[1].str());
  static const std::regex local(R"re(<param\s+name="Local"\s+value="([^"]*)")re",
                                std::regex::icase);
  for (auto m = std::sregex_iterator(page.begin(), page.end(), local); m != std::sregex_iterator();
       ++m)
    refs.push_back((*m)[1].str());
  return refs;
}

std::set<std::string> AnchorsOf(const std::string& page) {
  std::set<std::string> anchors;
  static const std::regex name(R"(<a\s[^>]*\b(?:name|id)\s*=\s*"?([^"\s>]+))", std::regex::icase);
  for (auto m = std::sregex_iterator(page.begin(), page.end(), name); m != std::sregex_iterator();
       ++m)
    anchors.insert((*m)[1].str());
  return anchors;
}

std::vector<std::string> FrameSources(const std::string& page) {
  std::vector<std::string> sources;
  static const std::regex frame(R"re(<frame\s[^>]*\bsrc\s*=\s*"([^"]*)")re", std::regex::icase);
  for (auto m = std::sregex_iterator(page.begin(), page.end(), frame); m != std::sregex_iterator();
       ++m)
    sources.push_back((*m)[1].str());
  return sources;
}

struct ReferenceCheck {
  std::vector<std::string> Missing;            // files or anchors that do not exist
  std::vector<std::string> AnchorsInFrameset;  // anchors named on a frameset page, held by a frame
  std::set<std::string> LocalFiles;            // every local file referred to (resolved paths)
};

ReferenceCheck CheckReferences(const std::vector<fs::path>& pages) {
  ReferenceCheck check;
  for (const fs::path& from : pages) {
    const std::string page = ReadFile(from);
    for (const std::string& value : ReferencesOf(page)) {
      if (value.empty() || IsExternal(value)) continue;
      const std::size_t hash = value.find('#');
      const std::string file = value.substr(0, hash);
      const std::string anchor = hash == std::string::npos ? std::string() : value.substr(hash + 1);
      const fs::path target = file.empty() ? from : from.parent_path() / file;
      const std::string where = from.filename().string() + " -> " + value;
      if (!fs::is_regular_file(target)) {
        check.Missing.push_back(where + " (no such file)");
        continue;
      }
      check.LocalFiles.insert(fs::weakly_canonical(target).string());
      if (anchor.empty()) continue;
      const std::string targetPage = ReadFile(target);
      if (AnchorsOf(targetPage).count(anchor)) continue;
      bool inFrame = false;
      for (const std::string& src : FrameSources(targetPage))
        if (AnchorsOf(ReadFile(target.parent_path() / src)).count(anchor)) inFrame = true;
      if (inFrame)
        check.AnchorsInFrameset.push_back(where);
      else
        check.Missing.push_back(where + " (no such anchor)");
    }
  }
  return check;
}

std::vector<fs::path> PagesAndHelpFiles(const Compiled& c) {
  std::vector<fs::path> files = HtmlPages(c);
  for (const char* extension : {".hhc", ".hhk"})
    for (const fs::path& f : FilesWithExtension(c.Out(), extension)) files.push_back(f);
  return files;
}

std::string Joined(const std::vector<std::string>& items) {
  std::string s;
  for (const std::string& i : items) s += "  " + i + "\n";
  return s;
}

TEST_P(HtmlTarget, EveryLocalLinkAndPictureResolves) {
  const Compiled& c = Compile(GetParam());
  ASSERT_EQ(c.ExitCode, 0) << c.Console;
  const ReferenceCheck check = CheckReferences(PagesAndHelpFiles(c));
  EXPECT_TRUE(check.Missing.empty()) << Joined(check.Missing);
  // No page is left without a way to it (the placeholder page of HTML Help stands alone).
  for (const fs::path& page : FilesWithExtension(c.Out(), ".html")) {
    if (GetParam().find("HtmlHelp") != std::string::npos && page.filename() == "empty.html")
      continue;
    EXPECT_TRUE(check.LocalFiles.count(fs::weakly_canonical(page).string()))
        << page.filename() << " is not linked";
  }
  // The pictures of the navigation bars and of ".BM logo" were copied into the output folder.
  for (const char* picture : {"logo.gif", "back.gif", "forward.gif"})
    EXPECT_TRUE(check.LocalFiles.count(fs::weakly_canonical(c.Out() / picture).string()))
        << picture << " is not referred to by any page";
}

// Letters beyond ASCII reach an HTML page as entity names; a raw code-page byte would show as
// a wrong letter in a browser, since the pages name no character set.
TEST_P(HtmlTarget, PagesHoldOnlyAsciiAndTheLettersAsEntities) {
  const Compiled& c = Compile(GetParam());
  ASSERT_EQ(c.ExitCode, 0) << c.Console;
  std::string all;
  for (const fs::path& page : HtmlPages(c)) {
    const std::string text = ReadFile(page);
    const auto raw = std::find_if(text.begin(), text.end(),
                                  [](char ch) { return static_cast<unsigned char>(ch) > 127; });
    EXPECT_EQ(raw, text.end()) << page.filename() << " holds the byte "
                               << (raw == text.end()
                                       ? 0
                                       : static_cast<int>(static_cast<unsigned char>(*raw)))
                               << " at offset " << (raw - text.begin());
    all += text;
  }
  const std::string& sample = ExampleNamed(c.Name).HtmlSample;
  if (!sample.empty()) {
    EXPECT_NE(all.find(sample), std::string::npos) << sample;
  }
}

// The message filter and the reference check must still see real faults.
TEST(HtmlCheckers, SeeBrokenMarkupMissingFilesAndAnchors) {
  static TempRoot root;
  const fs::path dir = root.Path();
  ASSERT_FALSE(dir.empty());
  const std::string framed =
      "<HTML><HEAD><title>t</title>\r\n<FRAMESET ROWS=\"*,15%\">\r\n<NOFRAMES>\r\n<p>\r\n</NOFRAMES>\r\n"
      "<FRAME src=\"t.html\" name=\"x\">\r\n</FRAMESET></HEAD>\r\n<BODY>\r\n</BODY></HTML>\r\n";
  const std::string broken =
      "<HTML><BODY>\r\n<b><i>x</b></i>\r\n<a href=\"gone.html\">g</a> <a href=\"t.html#nothere\">n</a>\r\n"
      "<a href=\"f.html#hd1\">f</a> <img src=\"t.html\"> <a href=\"#top\">top</a>\r\n</BODY></HTML>\r\n";
  std::ofstream(dir / "f.html", std::ios::binary) << framed;
  std::ofstream(dir / "b.html", std::ios::binary) << broken;
  std::ofstream(dir / "t.html", std::ios::binary)
      << "<HTML><BODY><a name=\"hd1\">h</a></BODY></HTML>\r\n";

  const ReferenceCheck refs = CheckReferences({dir / "b.html"});
  EXPECT_EQ(refs.Missing, (std::vector<std::string>{"b.html -> gone.html (no such file)",
                                                    "b.html -> t.html#nothere (no such anchor)",
                                                    "b.html -> #top (no such anchor)"}));
  EXPECT_EQ(refs.AnchorsInFrameset, (std::vector<std::string>{"b.html -> f.html#hd1"}));

  const std::string xmllint = FindProgram("xmllint");
  if (xmllint.empty()) GTEST_SKIP() << "xmllint is not installed";
  for (const char* name : {"f.html", "b.html"}) {
    const ToolResult r = RunTool({xmllint, "--html", "--noout", (dir / name).string()}, dir, dir);
    const std::string page = ReadFile(dir / name);
    const std::vector<LintMessage> messages = ParseLintOutput(r.Err + r.Out, dir / name);
    ASSERT_FALSE(messages.empty()) << name;
    int kept = 0;
    for (const LintMessage& m : messages) kept += AcceptedBecause(m, page).empty() ? 1 : 0;
    // The frameset page has only the accepted forms; the broken page's tag mismatch counts.
    EXPECT_EQ(kept > 0, std::string(name) == "b.html") << name << "\n" << r.Err;
  }
}

// A heading whose page got a footnote frame lives in the text page ("n000t.html"): no link may
// name the frameset page with the heading's "#hd" anchor, where no such anchor exists.
TEST_P(HtmlTarget, NoAnchorIsNamedOnAFramesetPage) {
  const Compiled& c = Compile(GetParam());
  ASSERT_EQ(c.ExitCode, 0) << c.Console;
  const ReferenceCheck check = CheckReferences(PagesAndHelpFiles(c));
  EXPECT_TRUE(check.AnchorsInFrameset.empty()) << Joined(check.AnchorsInFrameset);
}

INSTANTIATE_TEST_SUITE_P(Examples, HtmlTarget,
                         ::testing::ValuesIn(Params({"Html", "HtmlNoFrames", "HtmlHelp"})),
                         ParamName);

// ---------------------------------------------------------------------------------------------
// HTML Help: chmcmd and the pages in the .chm

struct ChmBuild {
  ToolResult Compiler;
  fs::path Chm;
  std::vector<std::string> Errors;                // "Error" and "Warning" lines of chmcmd
  std::vector<std::string> FramesetAnchorErrors;  // of them: the known fault above
};

// The project names its output "..\manual.chm" (for the manual) as on Windows; chmcmd on Linux
// takes the backslash as a letter, so it compiles a copy of the project with "/" separators.
ChmBuild BuildChm(const Compiled& c, const std::string& chmcmd) {
  ChmBuild b;
  const fs::path out = c.Out();
  std::string project = ReadFile(out / (c.Name + ".hhp"));
  std::replace(project.begin(), project.end(), '\\', '/');
  std::ofstream(c.Scratch / "linux.hhp", std::ios::binary) << project;
  fs::copy_file(c.Scratch / "linux.hhp", out / "linux.hhp", fs::copy_options::overwrite_existing);
  b.Compiler = RunTool({chmcmd, "linux.hhp"}, out, c.Scratch);
  fs::remove(out / "linux.hhp");
  b.Chm = c.File(".chm");
  const ReferenceCheck refs = CheckReferences(PagesAndHelpFiles(c));
  for (const std::string& line : SplitLines(b.Compiler.Out + "\n" + b.Compiler.Err)) {
    if (line.rfind("Error", 0) != 0 && line.rfind("Warning", 0) != 0) continue;
    static const std::regex anchor(R"(Error: Anchor (\S+) undefined)");
    std::smatch m;
    bool known = false;
    if (std::regex_search(line, m, anchor))
      for (const std::string& r : refs.AnchorsInFrameset)
        if (r.size() >= m[1].str().size() &&
            r.compare(r.size() - m[1].str().size(), std::string::npos, m[1].str()) == 0)
          known = true;
    (known ? b.FramesetAnchorErrors : b.Errors).push_back(line);
  }
  return b;
}

std::set<std::string> ChmEntries(const std::string& listing) {
  std::set<std::string> names;
  for (const std::string& line : SplitLines(listing)) {
    const std::size_t slash = line.find('\t');
    const std::size_t name = line.rfind('/');
    if (slash == std::string::npos || name == std::string::npos) continue;
    const std::string entry = line.substr(line.find_last_of('\t') + 1);
    if (!entry.empty() && entry[0] == '/') names.insert(Lower(entry.substr(1)));
  }
  return names;
}

std::vector<std::string> ProjectFiles(const std::string& project) {
  std::vector<std::string> files;
  bool inFiles = false;
  for (const std::string& line : SplitLines(project)) {
    if (!line.empty() && line[0] == '[') {
      inFiles = line == "[FILES]";
      continue;
    }
    if (inFiles && !line.empty()) files.push_back(line);
  }
  return files;
}

class HtmlHelpTarget : public ::testing::TestWithParam<std::string> {};

TEST_P(HtmlHelpTarget, ChmcmdCompilesTheProjectAndTheHelpFileHoldsEveryPage) {
  const std::string chmcmd = FindProgram("chmcmd");
  if (chmcmd.empty()) GTEST_SKIP() << "chmcmd (fp-utils) is not installed";
  const std::string enumerate = FindProgram("enum_chmLib");
  if (enumerate.empty()) GTEST_SKIP() << "enum_chmLib (libchm-bin) is not installed";
  const Compiled& c = Compile(GetParam());
  ASSERT_EQ(c.ExitCode, 0) << c.Console;
  const ChmBuild b = BuildChm(c, chmcmd);
  ASSERT_EQ(b.Compiler.ExitCode, 0) << b.Compiler.Out << b.Compiler.Err;
  EXPECT_TRUE(b.Errors.empty()) << Joined(b.Errors);
  ASSERT_TRUE(fs::is_regular_file(b.Chm)) << b.Compiler.Out;

  const ToolResult listing = RunTool({enumerate, b.Chm.string()}, c.Project, c.Scratch);
  ASSERT_EQ(listing.ExitCode, 0) << listing.Err;
  const std::set<std::string> entries = ChmEntries(listing.Out);
  const fs::path out = c.Out();
  const std::vector<std::string> listed = ProjectFiles(ReadFile(out / (c.Name + ".hhp")));
  ASSERT_FALSE(listed.empty());
  // Every page of the project, the contents and index files, and every page or picture that
  // they refer to must be in the help file, or its links break inside the viewer.
  std::set<std::string> needed(listed.begin(), listed.end());
  needed.insert({c.Name + ".hhc", c.Name + ".hhk"});
  std::vector<fs::path> sources;
  for (const std::string& f : needed) sources.push_back(out / f);
  for (const std::string& file : CheckReferences(sources).LocalFiles)
    needed.insert(fs::path(file).filename().string());
  for (const fs::path& page : FilesWithExtension(out, ".html"))
    if (page.filename() != "empty.html")  // the placeholder page, not part of the project
      needed.insert(page.filename().string());
  for (const std::string& f : needed)
    EXPECT_TRUE(entries.count(Lower(f))) << f << " is not in the .chm\n" << listing.Out;
}

// chmcmd reports "Anchor ... undefined" for any link that names a missing anchor.
TEST_P(HtmlHelpTarget, ChmcmdFindsEveryAnchor) {
  const std::string chmcmd = FindProgram("chmcmd");
  if (chmcmd.empty()) GTEST_SKIP() << "chmcmd (fp-utils) is not installed";
  const Compiled& c = Compile(GetParam());
  ASSERT_EQ(c.ExitCode, 0) << c.Console;
  const ChmBuild b = BuildChm(c, chmcmd);
  EXPECT_TRUE(b.FramesetAnchorErrors.empty()) << Joined(b.FramesetAnchorErrors);
}

INSTANTIATE_TEST_SUITE_P(Examples, HtmlHelpTarget, ::testing::ValuesIn(Params({"HtmlHelp"})),
                         ParamName);

// ---------------------------------------------------------------------------------------------
// RTF: our syntax checker, the help project references, unrtf

class RtfTarget : public ::testing::TestWithParam<std::string> {};

TEST_P(RtfTarget, SyntaxIsSoundAndEveryFontAndColourIsDefined) {
  const Compiled& c = Compile(GetParam());
  ASSERT_EQ(c.ExitCode, 0) << c.Console;
  const std::string rtf = ReadFile(c.File(".RTF"));
  ASSERT_FALSE(rtf.empty());
  const rtf_check::RtfReport r = rtf_check::CheckRtf(rtf);
  EXPECT_TRUE(r.Problems.empty()) << Joined(r.Problems);
  EXPECT_TRUE(r.ClosedAtEnd);
  for (const char* group :
       {"info", "colortbl", "fonttbl", "stylesheet", "listtable", "listoverridetable"})
    EXPECT_TRUE(r.Destinations.count(group)) << "no {\\" << group << " group";
  EXPECT_EQ(r.ColourEntries, 16);
  for (const auto& [font, at] : r.UsedFonts)
    EXPECT_TRUE(r.DefinedFonts.count(font))
        << "\\f" << font << " at offset " << at << " is not in the font table";
  for (const auto& [colour, at] : r.UsedColours)
    EXPECT_LT(colour, r.ColourEntries) << "\\cf" << colour << " at offset " << at;
  EXPECT_GT(r.WordCounts.count("par") ? r.WordCounts.at("par") : 0, 10);
  // Letters beyond ASCII are written as \'hh escapes of the Windows code page.
  const auto raw = std::find_if(rtf.begin(), rtf.end(),
                                [](char ch) { return static_cast<unsigned char>(ch) > 127; });
  EXPECT_EQ(raw, rtf.end()) << "raw byte at offset " << (raw - rtf.begin());
  const std::string& sample = ExampleNamed(c.Name).RtfSample;
  if (!sample.empty()) {
    EXPECT_NE(rtf.find(sample), std::string::npos) << sample;
  }
}

// Topic ids: "#{\footnote id}" defines a topic, "{\v id}" after a hot spot jumps to one. A
// context footnote may begin with the footnote mark and a blank ("# start"), as word processors
// write it; the help compiler skips that mark, and so does this.
std::set<std::string> Matches(const std::string& text, const std::regex& re) {
  std::set<std::string> found;
  for (auto m = std::sregex_iterator(text.begin(), text.end(), re); m != std::sregex_iterator();
       ++m) {
    std::string id = (*m)[1].str();
    id.erase(0, id.find_first_not_of(' '));
    if (id.rfind("# ", 0) == 0) id.erase(0, id.find_first_not_of(' ', 1));
    id.erase(id.find_last_not_of(' ') + 1);
    found.insert(id);
  }
  return found;
}

class WinHelpTarget : public ::testing::TestWithParam<std::string> {};

TEST_P(WinHelpTarget, EveryJumpAndContentsEntryNamesATopic) {
  const Compiled& c = Compile(GetParam());
  ASSERT_EQ(c.ExitCode, 0) << c.Console;
  const std::string rtf = ReadFile(c.File(".RTF"));
  const std::set<std::string> topics = Matches(rtf, std::regex(R"(#\{\\footnote ([^}]*)\})"));
  const std::set<std::string> jumps = Matches(rtf, std::regex(R"(\}\{\\v ([^}]*)\})"));
  ASSERT_GE(topics.size(), 9u);
  ASSERT_FALSE(jumps.empty());
  for (const std::string& jump : jumps) {
    const std::string id = jump.substr(0, jump.find_first_of(">@"));
    EXPECT_TRUE(topics.count(id)) << "jump to \"" << jump << "\" names no topic";
  }
  const std::string project = ReadFile(c.File(".HPJ"));
  EXPECT_NE(project.find("[FILES]\r\n" + c.Name + ".RTF\r\n"), std::string::npos) << project;
  // The help project's includes (the panel ID file) were written beside it.
  for (const std::string& included : Matches(project, std::regex(R"(#include <([^>]+)>)")))
    EXPECT_TRUE(fs::is_regular_file(c.Project / included)) << included;
  if (fs::exists(c.File(".CNT"))) {
    const std::set<std::string> entries =
        Matches(ReadFile(c.File(".CNT")), std::regex(R"(=([^\r\n=]+)\r?\n)"));
    ASSERT_FALSE(entries.empty());
    // An entry may name its window after the topic ("id>main", "id>navi").
    for (const std::string& e : entries) {
      EXPECT_TRUE(topics.count(e.substr(0, e.find('>'))))
          << "contents entry \"" << e << "\" names no topic";
      // ... and that window must be defined in the project.
      if (e.find('>') != std::string::npos) {
        EXPECT_NE(project.find("\r\n" + e.substr(e.find('>') + 1) + "=\""), std::string::npos)
            << e << "\n"
            << project;
      }
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Examples, WinHelpTarget,
                         ::testing::ValuesIn(Params({"WinHelp3", "WinHelp4"})), ParamName);

std::string CollapsedBlanks(const std::string& text) {
  std::string out;
  for (char ch : text) {
    const bool blank = ch == ' ' || ch == '\n' || ch == '\r' || ch == '\t';
    if (blank && (out.empty() || out.back() == ' ')) continue;
    out += blank ? ' ' : ch;
  }
  return out;
}

ToolResult Unrtf(const Compiled& c) {
  return RunTool({FindProgram("unrtf"), "--text", c.File(".RTF").string()}, c.Project, c.Scratch);
}

TEST_P(RtfTarget, UnrtfConvertsItAndKeepsTheHeadings) {
  if (FindProgram("unrtf").empty()) GTEST_SKIP() << "unrtf is not installed";
  const Compiled& c = Compile(GetParam());
  ASSERT_EQ(c.ExitCode, 0) << c.Console;
  const ToolResult r = Unrtf(c);
  EXPECT_EQ(r.ExitCode, 0) << r.Err;
  EXPECT_EQ(r.Err, "");
  const std::string text = CollapsedBlanks(r.Out);
  const Example& e = ExampleNamed(c.Name);
  for (const std::string& heading : e.Headings)
    EXPECT_NE(text.find(heading), std::string::npos) << heading;
  EXPECT_NE(text.find(e.Conditional), std::string::npos);
}

// RTF readers skip line ends, so a line end inside a paragraph must bring its own blank, or the
// words on both sides run together ("one source" + "text" -> "sourcetext").
TEST_P(RtfTarget, UnrtfKeepsTheBlankAtASoftLineEnd) {
  if (FindProgram("unrtf").empty()) GTEST_SKIP() << "unrtf is not installed";
  const Compiled& c = Compile(GetParam());
  ASSERT_EQ(c.ExitCode, 0) << c.Console;
  const std::string text = CollapsedBlanks(Unrtf(c).Out);
  for (const std::string& phrase : ExampleNamed(c.Name).Phrases)
    EXPECT_NE(text.find(phrase), std::string::npos) << phrase << "\n" << text;
}

// RTF text closes a footnote with "}}" alone: the blank after it must stay, or
// "a topic{...} of its own" reads "a topicof its own".
TEST(RtfTextTarget, UnrtfKeepsTheBlankAfterAFootnote) {
  if (FindProgram("unrtf").empty()) GTEST_SKIP() << "unrtf is not installed";
  const Compiled& c = Compile("manual:RtfText");
  ASSERT_EQ(c.ExitCode, 0) << c.Console;
  const std::string text = CollapsedBlanks(Unrtf(c).Out);
  const std::size_t at = text.find("of its own, and the compiler");
  ASSERT_NE(at, std::string::npos) << text;
  EXPECT_EQ(text[at - 1], ' ') << text.substr(at > 40 ? at - 40 : 0, 80);
}

INSTANTIATE_TEST_SUITE_P(Examples, RtfTarget,
                         ::testing::ValuesIn(Params({"WinHelp3", "WinHelp4", "RtfText"})),
                         ParamName);

// ---------------------------------------------------------------------------------------------
// IPF: tag pairs and panel references

struct IpfTag {
  std::string Name;        // lower case
  std::string Attributes;  // as written
  int Line = 0;
};

struct IpfScan {
  std::vector<IpfTag> Tags;
  std::vector<std::string> Problems;
};

// Tags start with ':' and a letter and end at the first '.' outside quotes; a ':' of the text
// is written as "&colon.", so every other ':' before a letter is a tag. Lines that start with
// '.' are control words. Symbols are '&' + name + '.'.
IpfScan ScanIpf(const std::string& ipf) {
  IpfScan scan;
  const std::vector<std::string> lines = SplitLines(ipf);
  static const std::set<std::string> controlWords = {"br", "*", "ce", "im", "nameit"};
  for (std::size_t n = 0; n < lines.size(); ++n) {
    const std::string& l = lines[n];
    const int lineNo = static_cast<int>(n + 1);
    if (!l.empty() && l[0] == '.') {
      std::size_t end = 1;
      while (end < l.size() && l[end] != ' ' && l[end] != '.') ++end;
      if (!controlWords.count(Lower(l.substr(1, end - 1))))
        scan.Problems.push_back("line " + std::to_string(lineNo) + ": unknown control word: " + l);
      continue;
    }
    for (std::size_t i = 0; i < l.size(); ++i) {
      if (l[i] == '&') {
        std::size_t j = i + 1;
        while (j < l.size() && std::isalnum(static_cast<unsigned char>(l[j]))) ++j;
        if (j == i + 1 || j >= l.size() || l[j] != '.')
          scan.Problems.push_back("line " + std::to_string(lineNo) +
                                  ": '&' that starts no symbol: " + l);
        continue;
      }
      if (l[i] != ':' || i + 1 >= l.size() || !std::isalpha(static_cast<unsigned char>(l[i + 1])))
        continue;
      std::size_t j = i + 1;
      while (j < l.size() && std::isalnum(static_cast<unsigned char>(l[j]))) ++j;
      IpfTag tag{Lower(l.substr(i + 1, j - i - 1)), {}, lineNo};
      char quote = 0;
      std::size_t k = j;
      for (; k < l.size(); ++k) {
        if (quote) {
          if (l[k] == quote) quote = 0;
        } else if (l[k] == '\'' || l[k] == '"') {
          quote = l[k];
        } else if (l[k] == '.') {
          break;
        }
      }
      if (k >= l.size()) {
        scan.Problems.push_back("line " + std::to_string(lineNo) + ": tag :" + tag.Name +
                                " has no closing '.'");
        break;
      }
      tag.Attributes = l.substr(j, k - j);
      scan.Tags.push_back(tag);
      i = k;
    }
  }
  return scan;
}

const std::set<std::string>& PairedIpfTags() {
  static const std::set<std::string> paired = {
      "userdoc",  "ul",  "ol",   "sl",      "dl",  "parml", "table",   "lines",   "xmp",
      "cgraphic", "fn",  "link", "artlink", "fig", "nt",    "caution", "warning", "ctrldef",
      "hp1",      "hp2", "hp3",  "hp4",     "hp5", "hp6",   "hp7",     "hp8",     "hp9"};
  return paired;
}

bool IsHeadingTag(const std::string& name) {
  return name.size() == 2 && name[0] == 'h' && name[1] >= '1' && name[1] <= '6';
}

std::string AttributeValue(const std::string& attributes, const std::string& key) {
  const std::regex re("(?:^|\\s)" + key + "=('[^']*'|\\S+)", std::regex::icase);
  std::smatch m;
  if (!std::regex_search(attributes, m, re)) return {};
  std::string v = m[1].str();
  if (v.size() >= 2 && v.front() == '\'') v = v.substr(1, v.size() - 2);
  return v;
}

class IpfTarget : public ::testing::TestWithParam<std::string> {};

TEST_P(IpfTarget, TagsPairAndEveryReferenceNamesAPanel) {
  const Compiled& c = Compile(GetParam());
  ASSERT_EQ(c.ExitCode, 0) << c.Console;
  const std::string ipf = ReadFile(c.File(".IPF"));
  ASSERT_FALSE(ipf.empty());
  const IpfScan scan = ScanIpf(ipf);
  std::vector<std::string> problems = scan.Problems;
  ASSERT_FALSE(scan.Tags.empty());
  EXPECT_EQ(scan.Tags.front().Name, "userdoc");
  EXPECT_EQ(scan.Tags.back().Name, "euserdoc");

  std::vector<IpfTag> open;
  std::set<std::string> panels, footnotes, headingIds;
  for (const IpfTag& t : scan.Tags) {
    const std::string at = "line " + std::to_string(t.Line) + ": ";
    if (IsHeadingTag(t.Name)) {
      // A heading starts a new panel: nothing but the document may still be open.
      if (open.size() != 1) {
        std::string names;
        for (const IpfTag& o : open)
          names += " :" + o.Name + " (line " + std::to_string(o.Line) + ")";
        problems.push_back(at + ":" + t.Name + " while open:" + names);
      }
      const std::string res = AttributeValue(t.Attributes, "res");
      if (res.empty())
        problems.push_back(at + ":" + t.Name + " without res");
      else if (!panels.insert(res).second)
        problems.push_back(at + "res=" + res + " used twice");
      const std::string id = AttributeValue(t.Attributes, "id");
      if (!id.empty()) headingIds.insert(id);
      continue;
    }
    if (t.Name == "fn") footnotes.insert(AttributeValue(t.Attributes, "id"));
    if (PairedIpfTags().count(t.Name)) {
      // An automatic link opens its panel by itself and has no text and no end tag.
      const bool automatic =
          t.Name == "link" && std::regex_search(t.Attributes, std::regex(R"(\bauto\b)"));
      if (!automatic) open.push_back(t);
      continue;
    }
    if (t.Name.size() > 1 && t.Name[0] == 'e' && PairedIpfTags().count(t.Name.substr(1))) {
      const std::string start = t.Name.substr(1);
      if (open.empty() || open.back().Name != start) {
        problems.push_back(at + ":" + t.Name + " closes " +
                           (open.empty() ? std::string("nothing")
                                         : ":" + open.back().Name + " (line " +
                                               std::to_string(open.back().Line) + ")"));
        // Recover at the matching start tag, if any, so one fault is reported once.
        auto it = std::find_if(open.rbegin(), open.rend(),
                               [&](const IpfTag& o) { return o.Name == start; });
        if (it != open.rend()) open.erase(std::next(it).base(), open.end());
      } else {
        open.pop_back();
      }
    }
  }
  for (const IpfTag& o : open)
    problems.push_back(":" + o.Name + " of line " + std::to_string(o.Line) + " never closed");
  EXPECT_EQ(panels.size(), 9u);

  for (const IpfTag& t : scan.Tags) {
    if (t.Name != "link") continue;
    const std::string at = "line " + std::to_string(t.Line) + ": :link" + t.Attributes;
    const std::string type = Lower(AttributeValue(t.Attributes, "reftype"));
    const std::string res = AttributeValue(t.Attributes, "res");
    const std::string refid = AttributeValue(t.Attributes, "refid");
    if (type == "hd" && !AttributeValue(t.Attributes, "database").empty())
      continue;  // another help file
    if (type == "hd" && !res.empty() && !panels.count(res))
      problems.push_back(at + " names no panel");
    if (type == "hd" && res.empty() && !headingIds.count(refid))
      problems.push_back(at + " names no panel id");
    if (type == "fn" && !footnotes.count(refid)) problems.push_back(at + " names no footnote");
  }
  EXPECT_TRUE(problems.empty()) << Joined(problems);
}

INSTANTIATE_TEST_SUITE_P(Examples, IpfTarget, ::testing::ValuesIn(Params({"Ipf"})), ParamName);

// The tag scanner itself must see the faults it is there for.
TEST(IpfScanner, SeesUnpairedTagsAndBadSymbols) {
  const IpfScan scan =
      ScanIpf(":userdoc.\r\n:h1 res=1.A\r\n:ul.\r\n:li.x &amp text\r\n.xy\r\n:euserdoc.\r\n");
  ASSERT_EQ(scan.Tags.size(), 5u);
  EXPECT_EQ(scan.Tags[2].Name, "ul");
  ASSERT_EQ(scan.Problems.size(), 2u) << Joined(scan.Problems);
  EXPECT_NE(scan.Problems[0].find("'&'"), std::string::npos);
  EXPECT_NE(scan.Problems[1].find("control word"), std::string::npos);
}

// ---------------------------------------------------------------------------------------------
// The RTF checker must see what it is there for.

TEST(RtfChecker, FindsTheFaultsItIsThereFor) {
  struct Case {
    const char* Rtf;
    const char* Problem;  // a part of the first problem; empty: none
  };
  const Case cases[] = {
      {"{\\rtf1{\\fonttbl{\\f0\\fnil;}}\\f0 text\\par}", ""},
      {"{\\rtf1 text}\r\n\x1a", ""},
      {"{\\rtf1 {\\b bold}", "still open"},
      {"{\\rtf1 text}}", "text after the closing brace"},
      {"\\par{\\rtf1 x}", "does not begin"},
      {"{\\rtf1 \\'4 x}", "two hexadecimal"},
      {"{\\rtf1 \\Bold x}", "capitals"},
      {"{\\rtf1 \\fs- x}", "minus sign"},
      {"{\\rtf1 \\; x}", "outside the colour table"},
      {"{\\rtf1 \\# x}", "unknown control symbol"},
      {"{\\rtf1 {\\*} x}", "not followed by a control word"},
      {"{\\rtf1 x\\", "backslash at the end"},
      {"{\\rtf1 {\\ThisIsTopic3} x}", ""},
  };
  for (const Case& k : cases) {
    const rtf_check::RtfReport r = rtf_check::CheckRtf(k.Rtf);
    if (*k.Problem == 0) {
      EXPECT_TRUE(r.Problems.empty()) << k.Rtf << "\n" << Joined(r.Problems);
    } else {
      ASSERT_FALSE(r.Problems.empty()) << k.Rtf;
      EXPECT_NE(r.Problems.front().find(k.Problem), std::string::npos)
          << k.Rtf << ": " << r.Problems.front();
    }
  }
  const rtf_check::RtfReport tables = rtf_check::CheckRtf(
      "{\\rtf1{\\colortbl;\\red0\\green0\\blue0\\;\\red0\\green128\\blue0;}{\\fonttbl{\\f0\\fnil;}{\\f1\\fswiss "
      "arial;}}\\f1\\cf1 x\\f3\\cf2 y}");
  EXPECT_TRUE(tables.Problems.empty()) << Joined(tables.Problems);
  EXPECT_EQ(tables.ColourEntries, 2);
  EXPECT_EQ(tables.DefinedFonts, (std::set<int>{0, 1}));
  EXPECT_EQ(tables.UsedFonts.count(3), 1u);
  EXPECT_EQ(tables.UsedColours.count(2), 1u);
}

}  // namespace

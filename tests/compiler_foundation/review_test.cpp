// Whole-run checks of the compiler core: the command line, project file, ini file, log files
// and source loading working together through RunCompiler, as a user starts the program.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "compiler/passes/compiler_run.h"
#include "compiler/foundation/ini_file.h"
#include "compiler/program/main_program.h"
#include "platform/console.h"
#include "tests/support/run_with_capture.h"

using namespace skeldon;

using core_test::CaptureConsoleInto;
using core_test::CapturedRun;
using core_test::DataPath;
using core_test::ReadBytes;
using core_test::ScratchDir;

namespace {

// A console that converts code page 850 to UTF-8 as a UTF-8 terminal does, keeps what it
// wrote and never waits for a key.
class Utf8Terminal : public TReporterConsole {
public:
  void Write(std::string_view bytes) override { console_.write(bytes); }
  void WaitForKey() override { ++KeyWaits; }
  std::string Text;
  int KeyWaits = 0;

private:
  platform::Console console_{platform::CodePage::cp850, true,
                             [this](platform::ConsoleStream, std::string_view b) { Text.append(b); }};
};

std::string Ini(const std::string& name) { return DataPath("ini/" + name); }

int RunSkeldon(CapturedRun& r, std::vector<std::string> words) {
  words.insert(words.begin(), "/opt/corvina/bin/skeldon");
  return RunCompiler(words, *r);
}

std::string ConditionsText(const TSwitches& sw) {
  std::string out;
  for (int i = 0; i < sw.ConditionCount; ++i)
    out += sw.ConditionNames[static_cast<std::size_t>(i)] + ";";
  return out;
}

// ---- Log files ------------------------------------------------------------------------

TEST(ReviewLogFiles, MessagesAndErrorsNamingOneFileWriteEachLineOnceInCodePage850) {
  struct Case {
    const char* messages;  // the word after "/MESSAGES:" (relative to the scratch folder)
    const char* errors;    // the word after "/ERRORS:"
    bool errorsFirst;      // "/ERRORS:" stands before "/MESSAGES:"
  };
  const Case cases[] = {
      {"log.txt", "log.txt", false},
      {"log.txt", "LOG.TXT", false},
      {"log.txt", "./log.txt", false},
      {"sub/../log.txt", "log.txt", false},
      {"log.txt", "ABSOLUTE", false},  // the absolute path of the same file
      {"LOG.txt", "log.txt", true},
      {"log.txt", "ABSOLUTE", true},
  };
  for (const Case& c : cases) {
    ScratchDir dir;
    std::filesystem::create_directory(dir.Path() / "sub");
    const std::string errors =
        std::string(c.errors) == "ABSOLUTE" ? (dir.Path() / "log.txt").string() : c.errors;
    CapturedRun r;
    std::vector<std::string> words{std::string("/MESSAGES:") + c.messages, "/ERRORS:" + errors};
    if (c.errorsFirst) std::swap(words[0], words[1]);
    for (const std::string& word : words) HandleCommandLineWord(*r, word);
    r->Language = 1;
    // A message first: a second handle would write the error over it at the file's start.
    WriteBilingualMessage(*r, "nur Meldung: gr\x94\xe1" "er", "message only", false);
    WriteBilingualMessage(*r, "Quelldatei w\x84re leer", "source would be empty", true);
    r->reporter.CloseLogFiles();
    EXPECT_EQ(ReadBytes((dir.Path() / "log.txt").string()),
              "nur Meldung: gr\x94\xe1" "er\r\nQuelldatei w\x84re leer\r\n")
        << c.messages << " / " << errors;
    EXPECT_EQ(r.Text(), "nur Meldung: gr\x94\xe1" "er\nQuelldatei w\x84re leer\n");
  }
}

TEST(ReviewLogFiles, GermanRunShowsUtf8OnTheTerminalAndCodePage850InTheLog) {
  ScratchDir dir;
  dir.Write("book.txt", ".1 Heading\r\ntext\r\n");
  CapturedRun r;
  auto terminal = std::make_unique<Utf8Terminal>();
  Utf8Terminal* screen = terminal.get();
  r->reporter.SetConsole(std::move(terminal));
  EXPECT_EQ(RunSkeldon(r, {"book.txt", Ini("german.ini"), "/ERRORS:err.txt"}), 2);
  // The line error of german.ini: "index char ^" lacks its "=".
  EXPECT_NE(screen->Text.find("Fehler in Ini-Datei Zeile:\n\"index char ^\"\n"
                              "richtig w\xC3\xA4re: \"Funktion = Wert\"!\n"),
            std::string::npos)
      << screen->Text;
  const std::string log = ReadBytes((dir.Path() / "err.txt").string());
  EXPECT_NE(log.find("Fehler in Ini-Datei Zeile:\r\n\"index char ^\"\r\n"
                     "richtig w\x84re: \"Funktion = Wert\"!\r\n\r\n"),
            std::string::npos)
      << log;
  // Only errors reach the error file; the key wait of the stop is German too.
  EXPECT_EQ(log.find("Lesen der Ini-Datei"), std::string::npos);
  EXPECT_NE(screen->Text.find("dr\xC3\xBC" "cken Sie eine beliebige Taste\n"), std::string::npos);
  EXPECT_EQ(screen->KeyWaits, 1);
}

TEST(ReviewLogFiles, Utf8FileNamesStayReadableBesideGermanTexts) {
  struct Case {
    std::string written;  // bytes the system writes: cp850 texts around a UTF-8 file name
    std::string shown;    // what a UTF-8 terminal gets
  };
  const Case cases[] = {
      {"Quelldatei \"n\xC3\xB6.txt\" nicht gefunden oder schon ge\x94" "ffnet.",
       "Quelldatei \"n\xC3\xB6.txt\" nicht gefunden oder schon ge\xC3\xB6" "ffnet."},
      {"/home/\xE2\x82\xAC/\xF0\x9F\x98\x80.txt", "/home/\xE2\x82\xAC/\xF0\x9F\x98\x80.txt"},
      // Code page 850 bytes that are no well-formed UTF-8 are converted one by one.
      {"Flie\xE1text gr\x94\xE1" "er \xC4\xC4 \xE1\x81", "Flie\xC3\x9Ftext gr\xC3\xB6\xC3\x9F" "er \xE2\x94\x80\xE2\x94\x80 \xC3\x9F\xC3\xBC"},
      {"\xC3", "\xE2\x94\x9C"},
      {"\xED\xA0\x80", "\xC3\x9D\xC3\xA1\xC3\x87"},  // a UTF-16 surrogate is no UTF-8
  };
  for (const Case& c : cases) {
    std::string out;
    CapturedRun r;
    CaptureConsoleInto(*r, out);
    r->reporter.WriteText(c.written, false);
    EXPECT_EQ(out, c.shown) << c.written;
  }
  // A terminal that takes the code-page bytes gets them unchanged.
  std::string raw;
  CapturedRun r;
  CaptureConsoleInto(*r, raw, false);
  r->reporter.WriteText(cases[0].written, false);
  EXPECT_EQ(raw, cases[0].written);
}

// ---- Conditions -----------------------------------------------------------------------

TEST(ReviewConditions, NineteenUserConditionsAndTheTargetNamesAllReachTheTable) {
  struct Case {
    const char* target;
    const char* appended;  // what the compile run adds after the 19 user names
  };
  const Case cases[] = {
      {"/winhelp4", "winhelp;winhelp4;"},
      {"/winhelp3", "winhelp;winhelp3;"},
      {"/htmlhelp", "html;htmlhelp;"},
      {"/ipf", "ipf;"},
  };
  for (const Case& c : cases) {
    ScratchDir dir;
    dir.Write("book.txt", "no heading here\r\n");  // the compile run stops after the names
    CapturedRun r;
    std::vector<std::string> words{"book.txt", Ini("complete.ini"), c.target};
    std::string user;
    for (int i = 1; i <= 19; ++i) {
      words.push_back("#C" + std::to_string(i));
      user += "c" + std::to_string(i) + ";";
    }
    EXPECT_EQ(RunSkeldon(r, words), 2) << r.Text();
    EXPECT_NE(r.Text().find("You have to write at least one heading (.1) !"), std::string::npos)
        << r.Text();
    EXPECT_EQ(ConditionsText(r->switches), user + c.appended) << c.target;
  }
}

TEST(ReviewConditions, ProjectFileConditionsCountTowardsTheSameLimit) {
  struct Case {
    int onCommandLine;
    const char* projectLine;
    bool stops;
  };
  const Case cases[] = {
      {17, "condition = a; #b", false},  // 19 in all
      {18, "condition = a; b", true},    // the 20th comes from the project file
      {19, "parameter = q", false},
      {0, "condition = 1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16 17 18 19 20", true},
  };
  for (const Case& c : cases) {
    ScratchDir dir;
    dir.Write("p.skj", std::string("source file = book.txt\n") + c.projectLine + "\n");
    CapturedRun r;
    r->switches.TestIfHere = true;
    std::vector<std::string> words{"p.skj", "/compare"};  // ends before the ini file
    for (int i = 1; i <= c.onCommandLine; ++i) words.push_back("#x" + std::to_string(i));
    EXPECT_EQ(RunSkeldon(r, words), 2);
    const bool stopped = r.Text().find("Too much define parameters\n") != std::string::npos;
    EXPECT_EQ(stopped, c.stops) << c.projectLine << "\n" << r.Text();
    EXPECT_LE(r->switches.ConditionCount, 19);
  }
}

// ---- Names ----------------------------------------------------------------------------

TEST(ReviewNames, ExistingAbsolutePathsAreNamesOfTheirOwnKind) {
  ScratchDir dir;
  const std::filesystem::path base = dir.Path();
  // Folders whose names look like switches or carry another kind's extension.
  for (const char* folder : {"html", "debug", "errors:x", "my.ini.d", "old.skj.d", "a.rtf.d", "b.ipf.d"})
    std::filesystem::create_directory(base / folder);
  struct Case {
    std::string word;
    const char* kind;  // "source", "ini", "project"
  };
  const Case cases[] = {
      {(base / "html" / "Book.txt").string(), "source"},
      {(base / "debug" / "book.txt").string(), "source"},
      {(base / "errors:x" / "book.txt").string(), "source"},
      {(base / "my.ini.d" / "book.txt").string(), "source"},
      {(base / "old.skj.d" / "book.txt").string(), "source"},
      {(base / "a.rtf.d" / "book.txt").string(), "source"},
      {(base / "b.ipf.d" / "book.txt").string(), "source"},
      {(base / "html" / "Book.INI").string(), "ini"},
      {(base / "a.rtf.d" / "Notes.Ini.txt").string(), "ini"},
      {(base / "debug" / "Proj.SKJ").string(), "project"},
  };
  for (const Case& c : cases) {
    dir.Write(std::filesystem::relative(c.word, base).string(), "x\r\n");
    CapturedRun r;
    HandleCommandLineWord(*r, c.word);
    const TSwitches& sw = r->switches;
    const std::string kind = !sw.SourceFiles.empty()    ? "source"
                             : !sw.IniFileName.empty()  ? "ini"
                             : !sw.ProjectFileName.empty() ? "project"
                                                           : "other";
    EXPECT_EQ(kind, c.kind) << c.word;
    EXPECT_FALSE(sw.DebugEcho || sw.TargetOverride || sw.RtfReverseInput || sw.IpfReverseInput)
        << c.word;
    EXPECT_TRUE(r->reporterState.ErrorFileName.empty()) << c.word;
    if (kind == "source") {
      EXPECT_EQ(sw.SourceFiles.front(), c.word);  // its case kept
    }
    EXPECT_EQ(r.Text(), "") << c.word;
  }
}

TEST(ReviewNames, IniBesideALongSourceNameIsFoundWhole) {
  ScratchDir dir;
  // 150 + 150 characters: longer than the 140 of a named ini file, each part a valid name.
  const std::filesystem::path folder = dir.Path() / std::string(150, 'f');
  std::filesystem::create_directory(folder);
  const std::string source = (folder / (std::string(150, 's') + ".txt")).string();
  const std::string ini = (folder / (std::string(150, 's') + ".INI")).string();
  std::filesystem::copy_file(Ini("complete.ini"), ini);
  CapturedRun r;
  r->switches.SourceFileName = source;
  EXPECT_EQ(core_test::ExitCodeOf([&] { ReadIniFile(*r, true); }), -1) << r.Text();
  EXPECT_EQ(r->switches.IniFileName, ini);
  EXPECT_EQ(r->ini.ToggleChars, "~_!`|}{[]<>$");
}

TEST(ReviewIniValues, ValuesLongerThanTheirSettingAreCutWithAWarning) {
  struct Case {
    std::string line;
    std::string shown;  // the warning's limit
  };
  std::string buttons;
  for (int i = 0; i < 20; ++i) buttons += "button" + std::to_string(i) + " ";
  const Case cases[] = {
      {"list chars = " + std::string(25, '-'), "value longer than 20 characters, cut"},
      {"function for last line = " + buttons, "value longer than 150 characters, cut"},
      {"notes text = " + std::string(41, 'n'), "value longer than 40 characters, cut"},
  };
  const std::string complete = ReadBytes(Ini("complete.ini"));
  for (const Case& c : cases) {
    CapturedRun r;
    EXPECT_EQ(core_test::ExitCodeOf([&] { ReadIniText(*r, complete + c.line + "\r\n", true); }), -1);
    EXPECT_NE(r.Text().find("ini file line \"" + c.line + "\": " + c.shown + "\n"),
              std::string::npos)
        << r.Text();
  }
  // Values within their setting draw no warning.
  CapturedRun r;
  ReadIniText(*r, complete, true);
  EXPECT_EQ(r.Text().find("characters, cut"), std::string::npos) << r.Text();
}

// ---- Bad input through the whole run ---------------------------------------------------

TEST(ReviewBadInput, MissingEmptyBinaryAndFolderFilesEndWithTheirMessageAndCodeTwo) {
  std::string binary;
  for (int i = 0; i < 4; ++i)
    for (int c = 0; c < 256; ++c) binary += static_cast<char>(c);
  struct Case {
    const char* name;
    std::vector<std::string> words;
    std::string message;
  };
  const std::string complete = "INI";  // replaced by the complete ini fixture
  const Case cases[] = {
      {"source missing", {"gone.txt", complete}, "Source file \"gone.txt\" not found or open.\n"},
      {"source folder", {"folder", complete}, "Source file \"folder\" not found or open.\n"},
      {"source empty", {"empty.txt", complete}, "source file is empty!\n"},
      {"source binary", {"binary.txt", complete},
       "It's not allowed to use all chars between #128 and #255 in running text"},
      {"mistyped switch", {"book.txt", "/xyz", complete}, "Parameter \"/xyz\" does not exist.\n"},
      {"project missing", {"gone.skj"}, "SKJ file gone.skj not found.\n"},
      {"project folder", {"folder.skj"}, "SKJ file folder.skj is a directory.\n"},
      {"ini missing", {"book.txt", "gone.ini"}, "ini file not found.\n"},
      {"ini folder", {"book.txt", "folder.ini"}, "ini file not found.\n"},
      {"ini empty", {"book.txt", "empty.ini"}, "ini file setting \"language\" missing\n"},
      {"ini binary", {"book.txt", "binary.ini"}, "ini file setting \"language\" missing\n"},
      {"log folder", {"book.txt", "/ERRORS:folder"}, "error writing Error file folder\n"},
      {"log in missing folder", {"book.txt", "/MESSAGES:no/such/m.txt"},
       "error writing Message file no/such/m.txt\n"},
  };
  for (const Case& c : cases) {
    ScratchDir dir;
    for (const char* folder : {"folder", "folder.skj", "folder.ini"})
      std::filesystem::create_directory(dir.Path() / folder);
    dir.Write("book.txt", ".1 Heading\r\ntext\r\n");
    dir.Write("empty.txt", "");
    dir.Write("empty.ini", "");
    dir.Write("binary.txt", binary);
    dir.Write("binary.ini", binary);
    std::vector<std::string> words = c.words;
    for (std::string& w : words)
      if (w == complete) w = Ini("complete.ini");
    CapturedRun r;
    r->switches.TestIfHere = true;
    EXPECT_EQ(RunSkeldon(r, words), 2) << c.name << "\n" << r.Text();
    EXPECT_NE(r.Text().find(c.message), std::string::npos) << c.name << "\n" << r.Text();
    EXPECT_EQ(r.Text().find("internal error"), std::string::npos) << c.name;
  }
}

}  // namespace

// Tavrel from the command line, end to end: example documents formatted with "/F", printed
// with "/P" as PNG pages and as PostScript, the PostScript turned into a PDF by Ghostscript
// and read back with pdftotext; plus the ways a run is refused or fails, and their exit codes.
#include <gtest/gtest.h>

#include <stdlib.h>

#include <deque>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "formatter/app/command_line_jobs.h"
#include "formatter/common/file_services.h"
#include "formatter/common/message_boxes.h"
#include "formatter/common/settings_record.h"
#include "platform/console.h"
#include "platform/printers.h"
#include "tests/formatter_app/tavrel_run_fixture.h"
#include "tests/support/test_support.h"

namespace tavrel {
namespace {

namespace fs = std::filesystem;

using corvina_test::DarkPixels;
using corvina_test::ReadFile;
using corvina_test::WriteFile;

std::vector<std::string> Words(const std::string& text) {
  std::istringstream in(text);
  std::vector<std::string> words;
  for (std::string w; in >> w;) words.push_back(w);
  return words;
}

std::string Joined(const std::vector<std::string>& words) {
  std::string out;
  for (const std::string& w : words) out += (out.empty() ? "" : " ") + w;
  return out;
}

using TavrelCommandLineTest = TavrelRunFixture;

// Runs a program; false when it is not installed (the test is then skipped).
bool Tool(const std::vector<std::string>& argv, int* status, std::string* out = nullptr) {
  *status = platform::run_program(argv, out);
  return *status != -1;
}

// The PDF's text per page (pdftotext ends every page with a form feed).
std::vector<std::string> PdfPages(const std::string& ps, const std::string& pdf,
                                  std::string* skip) {
  int status = 0;
  if (!Tool({"ps2pdf", ps, pdf}, &status)) {
    *skip = "ps2pdf (Ghostscript) is not installed";
    return {};
  }
  EXPECT_EQ(status, 0) << "ps2pdf " << ps;
  std::string text;
  if (!Tool({"pdftotext", "-enc", "UTF-8", pdf, "-"}, &status, &text)) {
    *skip = "pdftotext is not installed";
    return {};
  }
  EXPECT_EQ(status, 0) << "pdftotext " << pdf;
  std::vector<std::string> pages;
  std::size_t start = 0;
  for (std::size_t ff; (ff = text.find('\f', start)) != std::string::npos; start = ff + 1)
    pages.push_back(text.substr(start, ff - start));
  return pages;
}

struct ExampleCase {
  const char* document;
  std::vector<std::string> pageTexts;  // each page's words without its page number
};

// The examples' text as the document writes it, page by page; the default footer puts the
// page number under each page.
const ExampleCase kExamples[] = {
    {"margins.ws",
     {"Margins and page geometry decide where every line ends. A long paragraph wraps at the right margin. "
      "Relative margins add to the old value, so this one is indented by two more columns. "
      "Umlaut block: and ESC pair: \xC3\xB6.",
      "Second page."}},
    {"held.ws", {"abcdefghij klmnopqrstuv xyz end abcdefghij klmnopqrstuv Last line."}},
    {"index.ws",
     {"A marked word and a phrase here end.", "Page two $second volume and capital, done."}},
};

TEST_F(TavrelCommandLineTest, ExamplesFormatAndPrintToPostScriptWhosePdfHasTheirTextAndPages) {
  for (const ExampleCase& example : kExamples) {
    SCOPED_TRACE(example.document);
    CopyExample(example.document);
    const TavrelRunResult formatted = Run({example.document, "/F"});
    ASSERT_EQ(formatted.ExitCode, kExitOk) << output_;
    EXPECT_EQ(formatted.FormattedFile,
              (docs_ / fs::path(example.document).replace_extension(".fmt")).string());
    EXPECT_EQ(formatted.FormattedPages, static_cast<int>(example.pageTexts.size()));

    const TavrelRunResult printed = Run({example.document, "/P"});
    ASSERT_EQ(printed.ExitCode, kExitOk) << output_;
    const fs::path ps = docs_ / fs::path(example.document).replace_extension(".ps");
    EXPECT_EQ(printed.PrintOutput, ps.string());
    EXPECT_EQ(printed.PrintedPages, formatted.FormattedPages);
    EXPECT_EQ(ReadFile(ps).rfind("%!PS", 0), 0u);
    EXPECT_NE(output_.find("PostScript file " + ps.string() + ": " +
                           std::to_string(printed.PrintedPages)),
              std::string::npos)
        << output_;

    std::string skip;
    const std::vector<std::string> pages =
        PdfPages(ps.string(), (dir_ / "out.pdf").string(), &skip);
    if (!skip.empty()) GTEST_SKIP() << skip;
    ASSERT_EQ(pages.size(), example.pageTexts.size());
    for (std::size_t p = 0; p < pages.size(); ++p) {
      std::vector<std::string> words = Words(pages[p]);
      ASSERT_FALSE(words.empty()) << "page " << p + 1;
      EXPECT_EQ(words.back(), std::to_string(p + 1)) << "page number of page " << p + 1;
      words.pop_back();
      EXPECT_EQ(Joined(words), Joined(Words(example.pageTexts[p]))) << "page " << p + 1;
    }
  }
}

TEST_F(TavrelCommandLineTest, ALongerDocumentKeepsItsWordsAndNumbersItsPages) {
  // Forty paragraphs of distinct numbered words: they must come back in order, page breaks
  // and justification notwithstanding.
  std::string doc, words;
  for (int p = 1; p <= 40; ++p) {
    std::string paragraph;
    for (int w = 1; w <= 30; ++w)
      paragraph += "word" + std::to_string(p) + "x" + std::to_string(w) + " ";
    paragraph += "end.";
    doc += paragraph + "\r\n\r\n";
    words += paragraph + " ";
  }
  WriteFile(docs_ / "long.ws", doc);
  const TavrelRunResult formatted = Run({"long.ws", "/F"});
  ASSERT_EQ(formatted.ExitCode, kExitOk) << output_;
  ASSERT_GE(formatted.FormattedPages, 3);
  const TavrelRunResult printed = Run({"long.ws", "/P"});
  ASSERT_EQ(printed.ExitCode, kExitOk) << output_;

  std::string skip;
  const std::vector<std::string> pages =
      PdfPages(printed.PrintOutput, (dir_ / "long.pdf").string(), &skip);
  if (!skip.empty()) GTEST_SKIP() << skip;
  ASSERT_EQ(static_cast<int>(pages.size()), formatted.FormattedPages);
  std::vector<std::string> all;
  for (std::size_t p = 0; p < pages.size(); ++p) {
    std::vector<std::string> pageWords = Words(pages[p]);
    ASSERT_FALSE(pageWords.empty());
    EXPECT_EQ(pageWords.back(), std::to_string(p + 1));
    pageWords.pop_back();
    all.insert(all.end(), pageWords.begin(), pageWords.end());
  }
  EXPECT_EQ(Joined(all), Joined(Words(words)));
}

TEST_F(TavrelCommandLineTest, PngPrinterWritesOnePageImagePerPageWithTheTextOnIt) {
  CopyExample("margins.ws");
  ASSERT_EQ(Run({"margins.ws", "/F"}).ExitCode, kExitOk) << output_;
  // A page image of an earlier, longer print must not stay among this document's pages.
  fs::create_directories(docs_ / "margins_pages");
  WriteFile(docs_ / "margins_pages" / "page0007.png", "old");
  const TavrelRunResult printed = Run({"margins.ws", "/P"}, platform::kPngPrinterName);
  ASSERT_EQ(printed.ExitCode, kExitOk) << output_;
  EXPECT_EQ(printed.PrintOutput, (docs_ / "margins_pages").string());
  ASSERT_EQ(printed.PrintedFiles.size(), 2u);
  EXPECT_FALSE(fs::exists(docs_ / "margins_pages" / "page0007.png"));
  int files = 0;
  for (const auto& entry : fs::directory_iterator(docs_ / "margins_pages"))
    files += entry.is_regular_file();
  EXPECT_EQ(files, 2);

  // 300 dpi, page offset 8 columns (240 dots), top margin: the first lines lie in the upper
  // part of page 1, right of the offset; the lower half holds nothing but the page number.
  const std::string page1 = printed.PrintedFiles[0];
  EXPECT_GT(DarkPixels(page1, 240, 150, 1500, 700), 2000);
  EXPECT_EQ(DarkPixels(page1, 0, 0, 240, 3500), 0);
  EXPECT_EQ(DarkPixels(page1, 0, 1000, 2481, 2900), 0);
  EXPECT_GT(DarkPixels(page1, 240, 2900, 1500, 3300), 0);
  // Page 2 has one short line.
  const std::string page2 = printed.PrintedFiles[1];
  EXPECT_GT(DarkPixels(page2, 240, 150, 1500, 700), 100);
  EXPECT_LT(DarkPixels(page2, 240, 150, 1500, 700), DarkPixels(page1, 240, 150, 1500, 700));
}

TEST_F(TavrelCommandLineTest, FirstRunWritesSettingsFontsAndPrinterData) {
  CopyExample("held.ws");
  ASSERT_EQ(Run({"held.ws", "/F"}).ExitCode, kExitOk) << output_;
  // The first start asks for the language (No: English), announces the new "Fonts.ini".
  ASSERT_FALSE(questions_.empty());
  EXPECT_EQ(questions_[0], "user language german (Deutsche Sprache?)");
  EXPECT_NE(output_.find("Fonts.ini font definition file does not exist yet."), std::string::npos)
      << output_;
  const std::string fonts = ReadFile(program_ / "Fonts.ini");
  EXPECT_EQ(fonts.rfind("..Fonts refer to Printer: PostScript File\r\n", 0), 0u) << fonts;
  EXPECT_NE(fonts.find("Font C = Times New Roman 12\r\n"), std::string::npos);
  EXPECT_EQ(fs::file_size(program_ / "PostScript File.dta"), 71152u);
  ASSERT_EQ(fs::file_size(program_ / "Tavrel.dta"), 4212u);
  const std::string record = ReadFile(program_ / "Tavrel.dta");
  const TSettingsRecord settings = SettingsFromBytes(
      std::span(reinterpret_cast<const std::uint8_t*>(record.data()), record.size()));
  EXPECT_EQ(settings.FormattingPrinterName.Str(), "PostScript File");

  // The second run finds everything in place: no question, no new file, no measuring.
  const auto fontsTime = fs::last_write_time(program_ / "Fonts.ini");
  ASSERT_EQ(Run({"held.ws", "/F"}).ExitCode, kExitOk) << output_;
  EXPECT_TRUE(questions_.empty());
  EXPECT_EQ(output_.find("measuring"), std::string::npos) << output_;
  EXPECT_EQ(fs::last_write_time(program_ / "Fonts.ini"), fontsTime);
}

TEST_F(TavrelCommandLineTest, GermanSettingsGiveGermanMessages) {
  CopyExample("held.ws");
  answers_.push_back(kAnswerYes);  // "user language german?"
  const TavrelRunResult r = Run({"held.ws", "/F"});
  ASSERT_EQ(r.ExitCode, kExitOk) << output_;
  EXPECT_NE(output_.find("Formatierte Datei "), std::string::npos) << output_;
  EXPECT_NE(output_.find("Schriften-Defintions-Datei existiert bislang noch nicht"),
            std::string::npos)
      << output_;
  // The console gets UTF-8: the o umlaut of "koennen".
  EXPECT_NE(output_.find("k\xC3\xB6nnen"), std::string::npos) << output_;
}

TEST_F(TavrelCommandLineTest, ConditionWordsReachTheRun) {
  CopyExample("conditions.ws");
  CopyExample("include_part.ws");
  const TavrelRunResult withPrint = Run({"conditions.ws", "#PRINT", "/F"});
  const std::string fmt = ReadFile(docs_ / "conditions.fmt");
  EXPECT_NE(fmt.find("Printed version."), std::string::npos);
  EXPECT_EQ(fmt.find("Screen version."), std::string::npos);
  // The example calls a macro that calls itself: an error line, and the exit code says so.
  EXPECT_EQ(withPrint.ExitCode, kExitJobFailed);
  EXPECT_NE(output_.find("ERROR Par "), std::string::npos) << output_;

  Run({"conditions.ws", "/F"});
  const std::string screen = ReadFile(docs_ / "conditions.fmt");
  EXPECT_EQ(screen.find("Printed version."), std::string::npos);
  EXPECT_NE(screen.find("Screen version."), std::string::npos);
}

TEST_F(TavrelCommandLineTest, AManuallyChangedFormattedFileIsKeptUnlessTheUserAgrees) {
  CopyExample("held.ws");
  ASSERT_EQ(Run({"held.ws", "/F"}).ExitCode, kExitOk) << output_;
  const fs::path fmt = docs_ / "held.fmt";
  WriteFile(fmt, "edited by hand\r\n");
  fs::last_write_time(fmt, fs::last_write_time(docs_ / "held.ws") + std::chrono::hours(1));

  EXPECT_EQ(Run({"held.ws", "/F"}).ExitCode, kExitNotStarted);
  ASSERT_EQ(questions_.size(), 1u);
  EXPECT_EQ(questions_[0].rfind("The formatted file was changed manually.", 0), 0u);
  EXPECT_EQ(ReadFile(fmt), "edited by hand\r\n");

  answers_.push_back(kAnswerYes);
  EXPECT_EQ(Run({"held.ws", "/F"}).ExitCode, kExitOk) << output_;
  EXPECT_NE(ReadFile(fmt).find("abcdefghij"), std::string::npos);
}

struct RefusedCase {
  const char* title;
  std::vector<std::string> args;
  int exitCode;
  const char* message;
};

TEST_F(TavrelCommandLineTest, RunsThatCannotStartOrFailSayWhyAndEndNonZero) {
  CopyExample("held.ws");
  WriteFile(docs_ / "picture.gif", "GIF89a");
  WriteFile(docs_ / "notes.doc", "x");
  const RefusedCase cases[] = {
      {"no parameter", {}, kExitNotStarted, "Usage: tavrel DOCUMENT /F"},
      {"no job switch", {"held.ws"}, kExitNotStarted, "Usage: tavrel DOCUMENT /F"},
      {"missing document",
       {"nothing.ws", "/F"},
       kExitNotStarted,
       "Wrong program parameter: The file nothing.ws does not exist."},
      {"graphics file",
       {"picture.gif", "/F"},
       kExitNotStarted,
       "The graphics file dialog is not available in this version"},
      {"unknown kind", {"notes.doc", "/F"}, kExitNotStarted, "Not a WS, TXT, SKT, FMT or TAF file"},
      {"print before formatting", {"held.ws", "/P"}, kExitJobFailed, "held.fmt"},
  };
  for (const RefusedCase& c : cases) {
    const TavrelRunResult r = Run(c.args);
    EXPECT_EQ(r.ExitCode, c.exitCode) << c.title << "\n" << output_;
    EXPECT_NE(output_.find(c.message), std::string::npos) << c.title << "\n" << output_;
  }
  EXPECT_FALSE(fs::exists(docs_ / "held.ps"));
}

// An RTF file is converted by job R; the run ends after it with the conversion's result.
TEST_F(TavrelCommandLineTest, AnRtfFileIsConvertedAndTheRunEnds) {
  const struct {
    const char* title;
    std::string rtf;
    int exitCode;
    const char* message;
  } cases[] = {
      {"a document", "{\\rtf1\\ansi \\pard\\outlinelevel0 Title\\par}", kExitOk,
       "RTF to WS conversion finished successfully."},
      {"not RTF at all", "plain words", kExitJobFailed, "RTF to WS conversion has not succeeded"},
  };
  for (const auto& c : cases) {
    fs::remove(docs_ / "help.ws");
    WriteFile(docs_ / "help.rtf", c.rtf);
    const TavrelRunResult r = Run({"help.rtf", "/F"});
    EXPECT_EQ(r.ExitCode, c.exitCode) << c.title << "\n" << output_;
    EXPECT_NE(output_.find(c.message), std::string::npos) << c.title << "\n" << output_;
    // The run ended by itself, without the question for a close during a job.
    EXPECT_EQ(output_.find("interrupt the thread"), std::string::npos) << c.title << output_;
    EXPECT_EQ(fs::exists(docs_ / "help.ws"), c.exitCode == kExitOk) << c.title;
  }
}

TEST_F(TavrelCommandLineTest, FormatWithBothSwitchesOnlyFormats) {
  CopyExample("held.ws");
  const TavrelRunResult r = Run({"/P", "held.ws", "/F"});
  EXPECT_EQ(r.ExitCode, kExitOk) << output_;
  EXPECT_TRUE(fs::exists(docs_ / "held.fmt"));
  EXPECT_FALSE(fs::exists(docs_ / "held.ps"));
  EXPECT_TRUE(r.PrintOutput.empty());
}

TEST_F(TavrelCommandLineTest, AFormattedFileNameOpensItsSourceDocument) {
  CopyExample("held.ws");
  ASSERT_EQ(Run({"held.ws", "/F"}).ExitCode, kExitOk) << output_;
  // Given the ".fmt", the current document is the source it belongs to; printing uses the
  // formatted file of that document.
  const TavrelRunResult r = Run({(docs_ / "held.fmt").string(), "/P"});
  EXPECT_EQ(r.ExitCode, kExitOk) << output_;
  EXPECT_EQ(r.Document, (docs_ / "held.ws").string());
  EXPECT_EQ(r.PrintedFile, (docs_ / "held.fmt").string());
  EXPECT_TRUE(fs::exists(docs_ / "held.ps"));
}

TEST_F(TavrelCommandLineTest, ADocumentNameInTheWindowsCharacterSetIsFormattedAndPrinted) {
  // The program turns a UTF-8 argument into the Windows character set; the files on disk
  // keep their UTF-8 names.
  fs::copy_file(fs::path(CORVINA_SOURCE_DIR) / "examples" / "held.ws", docs_ /
                                                                           "gr\xC3\xBC\xC3\x9F"
                                                                           "e.ws");
  const std::string name =
      "gr\xFC\xDF"
      "e.ws";
  ASSERT_EQ(Run({name, "/F"}).ExitCode, kExitOk) << output_;
  EXPECT_TRUE(fs::exists(docs_ / "gr\xC3\xBC\xC3\x9F"
                                 "e.fmt"));
  const TavrelRunResult printed = Run({name, "/P"});
  ASSERT_EQ(printed.ExitCode, kExitOk) << output_;
  EXPECT_TRUE(fs::exists(docs_ / "gr\xC3\xBC\xC3\x9F"
                                 "e.ps"));
  // The console shows the name in UTF-8, converted once.
  EXPECT_NE(output_.find("PostScript file " + (docs_ / "gr\xC3\xBC\xC3\x9F"
                                                       "e.ps")
                                                  .string()),
            std::string::npos)
      << output_;
}

// The process's current folder has a non-ASCII name too: a relative name is found there, and
// the status lines show the folder as it is named on disk.
TEST_F(TavrelCommandLineTest, ARelativeNameInANonAsciiFolderIsFormattedAndPrinted) {
  struct Case {
    std::string folder;    // on disk, UTF-8
    std::string document;  // on disk, UTF-8
    bool shown = true;     // the status lines name the file as it is named on disk
  };
  const Case cases[] = {
      {"B\xC3\xBCro",
       "gr\xC3\xBC\xC3\x9F"
       "e.ws"},
      {"B\xC3\xBCro", "plain.ws"},
      {"plain",
       "gr\xC3\xBC\xC3\x9F"
       "e.ws"},
      // A folder the Windows character set cannot name stays in UTF-8, and so does the name
      // joined to it; the console, which converts from that set, cannot show it as named.
      {"\xD0\x9F\xD0\xB0\xD0\xBF\xD0\xBA\xD0\xB0",
       "gr\xC3\xBC\xC3\x9F"
       "e.ws",
       false},
  };
  const fs::path before = fs::current_path();
  processFolder_ = true;
  for (const Case& c : cases) {
    const fs::path folder = docs_ / c.folder;
    fs::create_directories(folder);
    fs::copy_file(fs::path(CORVINA_SOURCE_DIR) / "examples" / "held.ws", folder / c.document,
                  fs::copy_options::overwrite_existing);
    fs::current_path(folder);
    // As the program hands its arguments on.
    const std::string argument = NameFromSystem(c.document);
    const TavrelRunResult formatted = Run({argument, "/F"});
    const TavrelRunResult printed = Run({argument, "/P"});
    fs::current_path(before);
    const std::string stem = c.document.substr(0, c.document.size() - 3);
    EXPECT_EQ(formatted.ExitCode, kExitOk) << c.folder << "/" << c.document << ": " << output_;
    EXPECT_EQ(printed.ExitCode, kExitOk) << c.folder << "/" << c.document << ": " << output_;
    EXPECT_TRUE(fs::exists(folder / (stem + ".fmt"))) << c.folder << "/" << c.document;
    EXPECT_TRUE(fs::exists(folder / (stem + ".ps"))) << c.folder << "/" << c.document;
    if (c.shown) {
      EXPECT_NE(output_.find("PostScript file " + (folder / (stem + ".ps")).string()),
                std::string::npos)
          << output_;
    }
  }
}

}  // namespace
}  // namespace tavrel

// PDF output: the pdfmark text, appending it to a PostScript file, the converter's arguments,
// and a whole PDF made from a document with headings, read back with qpdf and pdfinfo.
#include "formatter/app/pdf_output.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <condition_variable>
#include <filesystem>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "formatter/app/command_line_jobs.h"
#include "formatter/common/bilingual_texts.h"
#include "formatter/common/notifications.h"
#include "formatter/common/run_messages.h"
#include "formatter/common/settings_record.h"
#include "formatter/derived/derived_documents.h"
#include "platform/console.h"
#include "platform/printers.h"
#include "tests/formatter_app/pdf_outline_reader.h"
#include "tests/formatter_app/tavrel_run_fixture.h"
#include "tests/support/page_test_support.h"
#include "tests/support/test_support.h"

namespace tavrel {
namespace {

namespace fs = std::filesystem;
using corvina_test::ReadFile;
using corvina_test::WriteFile;
using pdf_test::Json;
using pdf_test::JsonReader;
using pdf_test::ListOutline;

std::tm Moment(int year, int month, int day, int hour, int minute, int second) {
  std::tm t{};
  t.tm_year = year - 1900;
  t.tm_mon = month - 1;
  t.tm_mday = day;
  t.tm_hour = hour;
  t.tm_min = minute;
  t.tm_sec = second;
  return t;
}

TEST(PdfMarkTextTest, CreationDateHasTwoDigitFieldsWithoutSeparators) {
  EXPECT_EQ(PdfCreationDate(Moment(2005, 2, 3, 9, 5, 0)), "D:20050203090500");
  EXPECT_EQ(PdfCreationDate(Moment(2026, 12, 31, 23, 59, 58)), "D:20261231235958");
  EXPECT_EQ(TwoDigitText(0), "00");
  EXPECT_EQ(TwoDigitText(9), "09");
  EXPECT_EQ(TwoDigitText(10), "10");
}

TEST(PdfMarkTextTest, StringsAreConvertedAndEscaped) {
  struct Case {
    const char* cp850;
    const char* expected;
  };
  const Case cases[] = {
      {"plain", "plain"},
      {"a (b) c", "a \\(b\\) c"},
      {")", "\\)"},  // alone it would end the string
      {"C:\\dir\\", "C:\\\\dir\\\\"},
      {"\x94\x81\xE1", "\xF6\xFC\xDF"},  // o-, u-umlaut and sharp s to the Windows set
      {"\\(", "\\\\\\("},
      {"", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(PdfStringText(c.cp850), c.expected) << c.cp850;
}

// Every byte string, once escaped, reads back as one PostScript string that ends at the last
// ")" and yields the converted bytes again.
TEST(PdfMarkTextTest, EveryEscapedValueIsOneStringThatReadsBack) {
  std::string all;
  for (int b = 1; b < 256; ++b) all += static_cast<char>(b);
  for (std::size_t start = 0; start < all.size(); start += 7) {
    const std::string value = all.substr(start, 40) + "((" + all.substr(0, start % 50);
    const std::string ps = "(" + PdfStringText(value) + ")";
    std::string unescaped;
    int depth = 0;
    std::size_t end = std::string::npos;
    for (std::size_t i = 0; i < ps.size(); ++i) {
      const char c = ps[i];
      if (c == '\\' && depth > 0) {
        unescaped += ps[++i];
        continue;
      }
      if (c == '(' && depth++ == 0) continue;
      if (c == ')' && --depth == 0) {
        end = i;
        break;
      }
      unescaped += c;
    }
    EXPECT_EQ(end, ps.size() - 1) << start;
    std::string converted = value;
    TranslatePdfText(converted);
    EXPECT_EQ(unescaped, converted) << start;
  }
}

TEST(PdfMarkTextTest, MarksListTheValuesAndTheView) {
  const PdfDocumentValues values{"Anna (A)", "T", "S\\", "K"};
  const std::tm when = Moment(2005, 2, 3, 9, 5, 0);
  const std::string head =
      "\r\n"
      "systemdict /pdfmark known not {userdict /pdfmark systemdict /cleartomark get put } if "
      "[\r\n"
      "/Author (Anna \\(A\\))\r\n"
      "/Title (T)\r\n"
      "/Subject (S\\\\)\r\n"
      "/Keywords (K)\r\n"
      "/CreationDate (D:20050203090500)\r\n"
      "/Creator (Corvina 0.99a https://corvina.example.org)\r\n"
      "/DOCINFO pdfmark\r\n";
  EXPECT_EQ(PdfMarksText(values, false, when),
            head + "[/PageMode /UseNone /Page 1 /View [/XYZ null null 1] /DOCVIEW pdfmark\r\n");
  EXPECT_EQ(PdfMarksText(values, true, when),
            head + "[/PageMode /UseOutlines /Page 1 /View [/XYZ null null 1] /DOCVIEW pdfmark\r\n");
}

TEST(PdfConverterArgumentsTest, PlaceholdersBecomeNamesInsideOneArgument) {
  struct Case {
    const char* parameters;
    std::vector<std::string> expected;
  };
  const std::string ps = "/d o c/a.ps", pdf = "/d o c/a.pdf", base = "/d o c/a";
  const Case cases[] = {
      {"* #", {ps, pdf}},
      {"&", {base}},
      {"-dSAFER  -sOutputFile=# *", {"-dSAFER", "-sOutputFile=" + pdf, ps}},
      {"\"-sTitle=my doc\" *", {"-sTitle=my doc", ps}},
      {"*;rm -rf x", {ps + ";rm", "-rf", "x"}},  // no shell: the ";" is just a character
      {"", {}},
  };
  for (const Case& c : cases)
    EXPECT_EQ(PdfConverterArguments(c.parameters, ps, pdf, base), c.expected) << c.parameters;
}

TEST(PdfConverterArgumentsTest, BaseNameIsTheNameBeforeTheExtension) {
  EXPECT_EQ(PdfBaseName("C:\\doc\\a.fmt"), "C:\\doc\\a");
  EXPECT_EQ(PdfBaseName("/x/a.b.taf"), "/x/a.b");
  EXPECT_EQ(PdfBaseName("/x/noext"), "/x/noext");
  EXPECT_EQ(PdfBaseName("/x.y/noext"), "/x.y/noext");
}

// A folder with a document's PostScript file; the settings say where the outline goes.
class PdfAppendTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "tavrel-pdf-XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    dir_ = pattern;
    files_.CurrentDocument = (dir_ / "doc.ws").string();
    files_.Settings = &settings_;
  }
  void TearDown() override {
    ::chmod(dir_.c_str(), 0755);
    std::error_code ec;
    fs::remove_all(dir_, ec);
  }
  PdfMarkResult Append(const PdfDocumentValues& values) {
    return AppendPdfMarks((dir_ / "doc.fmt").string(), values, files_, &notifier_,
                          Moment(2005, 2, 3, 9, 5, 0));
  }

  fs::path dir_;
  TSettingsRecord settings_;
  FileContext files_;
  RecordingNotifier notifier_;
};

TEST_F(PdfAppendTest, NothingToSayAppendsNothingAndPostsNothing) {
  WriteFile(dir_ / "doc.ps", "%!PS\n");
  WriteFile(dir_ / "doc.ps_cnt", "[/Page 1 /Title (x) /OUT pdfmark\r\n");
  settings_.PsWithContents = 0;  // the outline exists but is not wanted
  const PdfMarkResult r = Append({});
  EXPECT_TRUE(r.ok());
  EXPECT_FALSE(r.Appended);
  EXPECT_EQ(ReadFile(dir_ / "doc.ps"), "%!PS\n");
  EXPECT_TRUE(notifier_.WithCode(MN_APPENDING_PDFMARKS).empty());
}

TEST_F(PdfAppendTest, OutlineIsCopiedAfterTheMarksWhenWantedAndPresent) {
  const std::string outline = "[/Page 1 /View [/XYZ null null null] /Title (x) /OUT pdfmark\r\n";
  const std::tm when = Moment(2005, 2, 3, 9, 5, 0);
  struct Case {
    bool wanted, present;
    bool outlineAppended;
  };
  for (const Case c :
       {Case{true, true, true}, Case{true, false, false}, Case{false, true, false}}) {
    SCOPED_TRACE(std::to_string(c.wanted) + std::to_string(c.present));
    WriteFile(dir_ / "doc.ps", "%!PS\n");
    fs::remove(dir_ / "doc.ps_cnt");
    if (c.present) WriteFile(dir_ / "doc.ps_cnt", outline);
    settings_.PsWithContents = c.wanted ? 1 : 0;
    const PdfDocumentValues values{"A", "", "", ""};
    const PdfMarkResult r = Append(values);
    EXPECT_TRUE(r.ok()) << r.Error;
    EXPECT_TRUE(r.Appended);
    EXPECT_EQ(ReadFile(dir_ / "doc.ps"), "%!PS\n" + PdfMarksText(values, c.outlineAppended, when) +
                                             (c.outlineAppended ? outline : ""));
  }
  const RecordingNotifier::Entry posted{false, MN_APPENDING_PDFMARKS, 0};
  EXPECT_EQ(notifier_.WithCode(MN_APPENDING_PDFMARKS),
            (std::vector<RecordingNotifier::Entry>{posted, posted, posted}));
}

TEST_F(PdfAppendTest, APostScriptFileThatCannotBeOpenedIsReportedAndNotCreated) {
  struct Case {
    const char* what;
    std::uint8_t language;
    const char* error;
  };
  const Case cases[] = {
      {"missing", 1, "Fehler 1 beim Anh\xE4ngen der PDFmarks an die PS-Datei"},
      {"folder", 0, "Error 1 while appending PDFmarks to the PS file"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    fs::remove_all(dir_ / "doc.ps");
    if (std::string(c.what) == "folder") fs::create_directory(dir_ / "doc.ps");
    settings_.Language = c.language;
    const PdfMarkResult r = Append({"A", "", "", ""});
    EXPECT_EQ(r.FailedStep, 1);
    EXPECT_EQ(r.Error, c.error);
    EXPECT_EQ(fs::is_regular_file(dir_ / "doc.ps"), false);
  }
}

TEST_F(PdfAppendTest, AReadOnlyPostScriptFileIsReported) {
  if (::geteuid() == 0) GTEST_SKIP() << "root writes every file";
  WriteFile(dir_ / "doc.ps", "%!PS\n");
  ::chmod((dir_ / "doc.ps").c_str(), 0444);
  const PdfMarkResult r = Append({"A", "", "", ""});
  EXPECT_EQ(r.FailedStep, 1);
  EXPECT_EQ(ReadFile(dir_ / "doc.ps"), "%!PS\n");
}

// A disk that fills up while the marks are written: the file keeps its old length, since
// half a pdfmark would make the converter fail on the whole file.
TEST_F(PdfAppendTest, AFailedWriteLeavesNoHalfMarkBehind) {
  WriteFile(dir_ / "doc.ps", "%!PS\n");
  struct sigaction ignore {
  }, old{};
  ignore.sa_handler = SIG_IGN;
  ::sigaction(SIGXFSZ, &ignore, &old);
  rlimit limit{}, saved{};
  ::getrlimit(RLIMIT_FSIZE, &saved);
  limit = saved;
  limit.rlim_cur = 40;  // room for a few bytes of the marks only
  ::setrlimit(RLIMIT_FSIZE, &limit);
  const PdfMarkResult r = Append({"An author long enough to pass the limit", "", "", ""});
  ::setrlimit(RLIMIT_FSIZE, &saved);
  ::sigaction(SIGXFSZ, &old, nullptr);
  EXPECT_EQ(r.FailedStep, 3);
  EXPECT_FALSE(r.Appended);
  EXPECT_EQ(ReadFile(dir_ / "doc.ps"), "%!PS\n");
}

TEST(PdfConverterTest, AMissingOrFailingConverterIsReported) {
  TSettingsRecord settings;
  struct Case {
    const char* program;
    bool started;
  };
  for (const Case c : {Case{"no-such-converter-here", false}, Case{"false", true}}) {
    SCOPED_TRACE(c.program);
    settings.PdfProgram.Assign(c.program);
    settings.PdfParameters.Assign("* #");
    const PdfConversion r = RunPdfConverter(settings, "/tmp/x.fmt", "/tmp/x.ps", true);
    EXPECT_EQ(r.Started, c.started);
    EXPECT_FALSE(r.ok());
    EXPECT_NE(r.Error.find(c.program), std::string::npos) << r.Error;
  }
}

// The document folder has a blank in its name, which reaches the converter inside one argument.
class PdfFromDocumentTest : public TavrelRunFixture {
 protected:
  void SetUp() override {
    TavrelRunFixture::SetUp();
    docs_ = dir_ / "my docs";
    fs::create_directories(docs_);
  }
};

TEST_F(PdfFromDocumentTest, OutlineAndDocumentInformationReachThePdf) {
  fs::copy_file(fs::path(CORVINA_SOURCE_DIR) / "tests/data/formatter_derived/chapters.ws",
                docs_ / "chapters.ws");
  ASSERT_EQ(Run({"chapters.ws", "/F"}).ExitCode, kExitOk) << output_;
  const TavrelRunResult printed = Run({"chapters.ws", "/P"});
  ASSERT_EQ(printed.ExitCode, kExitOk) << output_;
  ASSERT_EQ(printed.PrintOutput, (docs_ / "chapters.ps").string());

  TSettingsRecord settings;
  settings.PsWithContents = 1;
  settings.RunPdfProgram = 1;
  settings.PdfProgram.Assign("ps2pdf");
  settings.PdfParameters.Assign("* #");
  DerivedContext derived;
  RunMessages messages;
  const std::string document = (docs_ / "chapters.ws").string();
  const DerivedJobResult contents =
      MakeDerivedDocument('I', DerivedJobInput{settings, document, derived}, messages);
  ASSERT_FALSE(contents.Failed);
  ASSERT_EQ(contents.Outline, (docs_ / "chapters.ps_cnt").string());

  FileContext files;
  files.CurrentDocument = document;
  files.Settings = &settings;
  // Code page 850: umlauts o and u, a sharp s; parentheses and backslashes as they are typed.
  const PdfDocumentValues values{"J\x94rg (Autor)",
                                 "Kapitel \\ \x9A"
                                 "bersicht",
                                 "Gr\x81\xE1"
                                 "e )(",
                                 "a\\b, (c"};
  std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  const std::string fmt = (docs_ / "chapters.fmt").string();
  const PdfMarkResult marks = AppendPdfMarks(fmt, values, files, nullptr, local);
  ASSERT_TRUE(marks.ok()) << marks.Error;
  ASSERT_TRUE(marks.Appended);

  const PdfConversion pdf = RunPdfConverter(settings, fmt, printed.PrintOutput, true);
  ASSERT_TRUE(pdf.ok()) << pdf.Error;
  ASSERT_EQ(pdf.PdfFile, (docs_ / "chapters.pdf").string());

  std::string json;
  ASSERT_EQ(platform::run_program({"qpdf", "--json=2", "--json-key=outlines", pdf.PdfFile}, &json),
            0);
  const Json root = JsonReader(json).Value();
  ASSERT_NE(root.Field("outlines"), nullptr) << json;
  std::string outline;
  ListOutline(*root.Field("outlines"), 0, outline);
  // Titles in order with their targets as the page layout puts the headings; /Count gives the
  // children of each open item.
  EXPECT_EQ(outline, pdf_test::kChaptersOutline);

  std::string info;
  ASSERT_EQ(platform::run_program({"pdfinfo", "-enc", "UTF-8", pdf.PdfFile}, &info), 0);
  for (const char* line :
       {"Title:           Kapitel \\ \xC3\x9C"
        "bersicht\n",
        "Author:          J\xC3\xB6rg (Autor)\n",
        "Subject:         Gr\xC3\xBC\xC3\x9F"
        "e )(\n",
        "Keywords:        a\\b, (c\n",
        "Creator:         Corvina 0.99a https://corvina.example.org\n", "Pages:           3\n"})
    EXPECT_NE(info.find(line), std::string::npos) << line << info;
  // The page mode shows the outline on opening.
  std::string objects;
  ASSERT_EQ(platform::run_program({"qpdf", "--json=2", "--json-key=qpdf", pdf.PdfFile}, &objects),
            0);
  EXPECT_NE(objects.find("\"/PageMode\": \"/UseOutlines\""), std::string::npos);
}

// The print thread's PDF job on the virtual printers: a three-page formatted file with document
// values; a notifier that plays the main window's stop button on a chosen page.
class PdfJobTest : public PdfAppendTest {
 protected:
  class StopNotifier : public RecordingNotifier {
   public:
    void Post(std::int32_t code, std::int32_t value) override {
      RecordingNotifier::Post(code, value);
      if (code == MN_PRINT_PAGE_DONE && value == StopOnPage && Print) Print->StopPrinting = 1;
    }
    int StopOnPage = 0;
    PrintControl* Print = nullptr;
  };

  void SetUp() override {
    PdfAppendTest::SetUp();
    settings_ = page_test::TestSettings();
    settings_.PdfPrinterName.Assign(platform::kPostScriptPrinterName);
    settings_.PdfProgram.Assign("ps2pdf");
    settings_.PdfParameters.Assign("* #");
    settings_.RunPdfProgram = 1;
    WriteFile(dir_ / "doc.fmt",
              ".AU\r\nJ\x1B\x94\x1Crg (A)\r\n.TI T\\x\r\npage one\r\n.PA\r\npage two\r\n.PA\r\n"
              "page three\r\n");
    engine_.ThreadErrorText.clear();
    engine_.Settings = &settings_;
    engine_.Fonts = {record_.get(), record_.get(), record_.get(), &autoVariant_};
    engine_.Cache = &cache_;
    engine_.Notifier = &stopper_;
    engine_.Files = files_;
    engine_.Print = &print_;
    stopper_.Print = &print_;
    printers_.select(printers_.index_of(platform::kPngPrinterName));
  }
  PdfJobResult Run() {
    // The printer is chosen as the job control chooses it when it makes the job.
    return RunPdfJob(PdfJob{&engine_, (dir_ / "doc.fmt").string(), true,
                            &PdfJobPrinter(printers_, settings_.PdfPrinterName.Str())});
  }
  std::string PdfInfo() {
    std::string info;
    EXPECT_EQ(
        platform::run_program({"pdfinfo", "-enc", "UTF-8", (dir_ / "doc.pdf").string()}, &info), 0);
    return info;
  }

  std::unique_ptr<TPrinterDataRecord> record_ = page_test::TestPrinterRecord();
  std::array<std::uint8_t, 208> autoVariant_{};
  FormattedFileCache cache_;
  PrintControl print_;
  StopNotifier stopper_;
  PageEngineContext engine_;
  platform::PrinterList printers_ = platform::PrinterList::virtual_only();
};

TEST_F(PdfJobTest, PrintsOnThePdfPrinterAppendsTheMarksAndConverts) {
  const PdfJobResult r = Run();
  ASSERT_TRUE(r.ok()) << r.Error;
  EXPECT_EQ(r.PsFile, (dir_ / "doc.ps").string());
  EXPECT_EQ(r.Pages, 3);
  EXPECT_FALSE(r.Stopped);
  EXPECT_TRUE(r.Marks.Appended);
  EXPECT_TRUE(r.ConverterStarted);
  // The user's printer is selected again.
  EXPECT_EQ(printers_.selected().name(), platform::kPngPrinterName);
  const std::string ps = ReadFile(dir_ / "doc.ps");
  EXPECT_EQ(ps.rfind("%!PS", 0), 0u);
  EXPECT_NE(ps.find("/Author (J\xF6rg \\(A\\))\r\n"), std::string::npos);
  const std::string info = PdfInfo();
  for (const char* line :
       {"Title:           T\\x\n", "Author:          J\xC3\xB6rg (A)\n", "Pages:           3\n"})
    EXPECT_NE(info.find(line), std::string::npos) << line << info;
}

// Stopped on page 2: the PostScript holds two whole pages and the marks, and no converter runs.
TEST_F(PdfJobTest, AStoppedJobEndsAfterTheCurrentPageAndStartsNoConverter) {
  stopper_.StopOnPage = 2;
  const PdfJobResult r = Run();
  EXPECT_TRUE(r.ok()) << r.Error;
  EXPECT_TRUE(r.Stopped);
  EXPECT_EQ(r.Pages, 2);
  EXPECT_TRUE(r.Marks.Appended);
  EXPECT_FALSE(r.ConverterStarted);
  EXPECT_FALSE(fs::exists(dir_ / "doc.pdf"));
  const std::string ps = ReadFile(dir_ / "doc.ps");
  const std::string view =
      "[/PageMode /UseNone /Page 1 /View [/XYZ null null 1] /DOCVIEW pdfmark\r\n";
  ASSERT_GT(ps.size(), view.size());
  EXPECT_EQ(ps.substr(ps.size() - view.size()), view);
  // What was written converts: nothing in it is broken.
  ASSERT_EQ(
      platform::run_program({"ps2pdf", (dir_ / "doc.ps").string(), (dir_ / "doc.pdf").string()}),
      0);
  EXPECT_NE(PdfInfo().find("Pages:           2\n"), std::string::npos);
}

// No converter set, or the default batch file that only exists on the original system: ps2pdf
// makes the PDF.
TEST_F(PdfJobTest, WithoutAUsableDefaultConverterPs2pdfMakesThePdf) {
  for (const char* program : {"", "C:\\Corvina\\util\\gs.bat", "/opt/corvina/util/GS.CMD"}) {
    SCOPED_TRACE(program);
    TearDown();
    SetUp();
    settings_.PdfProgram.Assign(program);
    const PdfJobResult r = Run();
    EXPECT_TRUE(r.ok()) << r.Error;
    EXPECT_TRUE(r.ConverterStarted);
    EXPECT_NE(PdfInfo().find("Pages:           3\n"), std::string::npos);
  }
}

TEST_F(PdfJobTest, JobsThatCannotMakeAPdfSayWhy) {
  struct Case {
    const char* what;
    std::function<void(TSettingsRecord&, const fs::path& dir)> setUp;
    const char* error;  // a part of the text
    bool psWritten;
  };
  const Case cases[] = {
      {"converter missing",
       [](TSettingsRecord& s, const fs::path&) { s.PdfProgram.Assign("no-such-converter-here"); },
       "no-such-converter-here", true},
      {"converter fails", [](TSettingsRecord& s, const fs::path&) { s.PdfProgram.Assign("false"); },
       "ended with error 1", true},
      {"PDF printer writes images",
       [](TSettingsRecord& s, const fs::path&) {
         s.PdfPrinterName.Assign(platform::kPngPrinterName);
       },
       "writes no PostScript", false},
      {"no formatted file",
       [](TSettingsRecord&, const fs::path& dir) { fs::remove(dir / "doc.fmt"); }, "doc.fmt",
       false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TearDown();
    SetUp();
    c.setUp(settings_, dir_);
    const PdfJobResult r = Run();
    EXPECT_NE(r.Error.find(c.error), std::string::npos) << r.Error;
    EXPECT_EQ(fs::exists(dir_ / "doc.ps"), c.psWritten);
    EXPECT_EQ(printers_.selected().name(), platform::kPngPrinterName);
  }
}

// The job in its own thread and the stop button in this one: the job waits after page 1's report
// until the flag is set, so it must end after page 1 however the threads are scheduled.
class PdfJobThreadTest : public PdfJobTest {
 protected:
  class HandshakeNotifier : public RecordingNotifier {
   public:
    void Post(std::int32_t code, std::int32_t value) override {
      RecordingNotifier::Post(code, value);
      if (code != MN_PRINT_PAGE_DONE || value != 1) return;
      std::unique_lock<std::mutex> lock(mutex);
      pageOne = true;
      changed.notify_all();
      changed.wait(lock, [this] { return stopSet; });
    }
    std::mutex mutex;
    std::condition_variable changed;
    bool pageOne = false, stopSet = false;
  };
  HandshakeNotifier handshake_;
};

TEST_F(PdfJobThreadTest, StopFromAnotherThreadEndsAfterTheCurrentPage) {
  engine_.Notifier = &handshake_;
  PdfJobResult result;
  std::thread job([&] { result = Run(); });
  {
    std::unique_lock<std::mutex> lock(handshake_.mutex);
    handshake_.changed.wait(lock, [&] { return handshake_.pageOne; });
    print_.StopPrinting = 1;
    handshake_.stopSet = true;
    handshake_.changed.notify_all();
  }
  job.join();
  EXPECT_TRUE(result.ok()) << result.Error;
  EXPECT_TRUE(result.Stopped);
  EXPECT_EQ(result.Pages, 1);
  EXPECT_FALSE(result.ConverterStarted);
  EXPECT_FALSE(fs::exists(dir_ / "doc.pdf"));
}

}  // namespace
}  // namespace tavrel

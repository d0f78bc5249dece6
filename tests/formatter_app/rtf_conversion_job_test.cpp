#include "formatter/app/rtf_conversion_job.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "formatter/app/command_line_jobs.h"
#include "formatter/common/message_boxes.h"
#include "formatter/common/notifications.h"
#include "formatter/common/run_messages.h"
#include "formatter/common/settings_record.h"
#include "platform/console.h"
#include "platform/printers.h"
#include "tests/support/office_rtf.h"
#include "tests/support/test_support.h"

namespace tavrel {
namespace {

struct RtfJobFixture : ::testing::Test {
  TSettingsRecord settings{};
  RecordingMessageList list;
  RecordingMessageBoxes boxes;
  RecordingNotifier notifier;
  RunMessages messages{settings, list, boxes, notifier};
  corvina_test::TempDir dir{"corvina-jobr"};

  std::vector<std::string> Texts() const {
    std::vector<std::string> out;
    for (const auto& l : list.Lines()) out.push_back(l.Text);
    return out;
  }
  std::string Rtf(const std::string& body) {
    const std::string name = dir / "Letter.rtf";
    corvina_test::WriteFile(name, "{\\rtf1\\ansi " + body + "}");
    return name;
  }
};

TEST_F(RtfJobFixture, WritesTheWordStarDocumentBesideTheRtfFile) {
  const std::string rtf =
      Rtf("{\\fonttbl{\\f0 Times;}}\\pard\\outlinelevel0 Kapitel\\par\\pard Gr\\'fc\\'dfe {\\b "
          "fett} und {\\i kursiv}{\\footnote Anmerkung}.\\par");
  ASSERT_TRUE(RunRtfConversionJob(rtf, messages, boxes));
  EXPECT_EQ(RtfConversionTargetName(rtf), dir / "Letter.ws");
  const std::string ws = corvina_test::ReadFile(dir / "Letter.ws");
  // Headings as dot lines, bold and italic as ^B and ^Y, umlauts in code page 850 behind the
  // WordStar escape, the footnote between the markers.
  EXPECT_NE(ws.find(".1\r\nKapitel\r\n"), std::string::npos);
  EXPECT_NE(ws.find("Gr\x1B\x81\x1C\x1B\xE1\x1C"
                    "e \x02"
                    "fett\x02 und \x19kursiv\x19[Anmerkung]."),
            std::string::npos);
  const std::vector<std::string> lines = Texts();
  ASSERT_GE(lines.size(), 2u);
  EXPECT_EQ(lines.front(), "INFO: reverse conversion mode RTF to Corvina/Skeldon");
  EXPECT_EQ(lines.back(), "INFO: RTF to WS conversion finished successfully.");
}

TEST_F(RtfJobFixture, AsksBeforeReplacingAnExistingDocument) {
  const std::string rtf = Rtf("\\pard\\ilvl0 New\\par");
  corvina_test::WriteFile(dir / "Letter.ws", "old document");
  boxes.ScriptAnswer(kAnswerNo);
  EXPECT_FALSE(RunRtfConversionJob(rtf, messages, boxes));
  EXPECT_EQ(corvina_test::ReadFile(dir / "Letter.ws"), "old document");
  // A refused replacement ends as a failed conversion does.
  ASSERT_FALSE(Texts().empty());
  EXPECT_EQ(Texts().back(), "INFO: RTF to WS conversion has not succeeded");
  ASSERT_EQ(boxes.Boxes().size(), 1u);
  EXPECT_EQ(boxes.Boxes()[0].Text, "Overwrite file " + (dir / "Letter.ws") + " ?");
  boxes.ScriptAnswer(kAnswerYes);
  EXPECT_TRUE(RunRtfConversionJob(rtf, messages, boxes));
  EXPECT_NE(corvina_test::ReadFile(dir / "Letter.ws").find("New"), std::string::npos);
}

TEST_F(RtfJobFixture, FailuresAreErrorLinesAndTheJobFails) {
  const struct {
    std::string body;  // empty: no RTF file at all
    const char* error;
  } cases[] = {
      {"", "ERROR: RTF file not found."},
      {std::string(30, '{'), "ERROR: Groups are nested deeper than 25 levels."},
      {"\\pard a}}", "ERROR: A } without its {."},
  };
  for (const auto& c : cases) {
    const std::string rtf = c.body.empty() ? dir / "missing.rtf" : Rtf(c.body);
    std::filesystem::remove(dir / "Letter.ws");
    EXPECT_FALSE(RunRtfConversionJob(rtf, messages, boxes)) << c.error;
    const std::vector<std::string> lines = Texts();
    EXPECT_NE(std::find(lines.begin(), lines.end(), c.error), lines.end()) << c.error;
    EXPECT_EQ(lines.back(), "INFO: RTF to WS conversion has not succeeded");
    EXPECT_FALSE(std::filesystem::exists(dir / "Letter.ws")) << c.error;
  }
}

TEST_F(RtfJobFixture, StopButtonEndsTheJobWithoutADocument) {
  messages.UserStop = 1;
  EXPECT_FALSE(RunRtfConversionJob(Rtf("\\pard\\ilvl0 Titel\\par"), messages, boxes));
  EXPECT_FALSE(std::filesystem::exists(dir / "Letter.ws"));
  EXPECT_EQ(Texts().back(), "INFO: RTF to WS conversion has not succeeded");
}

TEST_F(RtfJobFixture, GermanSettingsGiveGermanLines) {
  settings.Language = kLanguageGerman;
  ASSERT_TRUE(RunRtfConversionJob(Rtf("\\pard\\ilvl0 Titel\\par"), messages, boxes));
  const std::vector<std::string> lines = Texts();
  // Shown in the display code page (Windows-1252).
  EXPECT_EQ(lines.front(),
            "INFO: R\xFC"
            "ckw\xE4rts-Konvertierung RTF nach Corvina/Skeldon");
  EXPECT_EQ(lines.back(), "INFO: RTF nach WS Konvertierung erfolgreich beendet.");
}

// RTF from word processors becomes a WordStar document with all its words, which Tavrel then
// formats from its command line.
struct Writer {
  const char* name;
  std::string (*make)(const std::filesystem::path&);
};

class JobROtherWriters : public RtfJobFixture, public ::testing::WithParamInterface<Writer> {};

TEST_P(JobROtherWriters, WordStarDocumentHasTheTextAndFormats) {
  const std::string rtf = GetParam().make(dir.Path());
  ASSERT_FALSE(rtf.empty()) << GetParam().name << " wrote no RTF";
  ASSERT_TRUE(RunRtfConversionJob(rtf, messages, boxes));
  const std::string ws = corvina_test::ReadFile(RtfConversionTargetName(rtf));
  // Extended characters stand behind the WordStar escape: compare the plain text.
  std::string text;
  for (std::size_t k = 0; k < ws.size(); ++k) {
    if (ws[k] == '\x1B' && k + 2 < ws.size() && ws[k + 2] == '\x1C') {
      text += ws[k + 1];
      k += 2;
    } else {
      text += ws[k];
    }
  }
  std::size_t at = 0;
  for (const std::string& word : corvina_test::OfficeDocumentWords()) {
    const std::size_t found = text.find(word, at);
    ASSERT_NE(found, std::string::npos) << word << " after " << at;
    at = found + word.size();
  }
  EXPECT_NE(text.find(".1\r\n"), std::string::npos);
  EXPECT_NE(text.find(".2\r\n"), std::string::npos);

  const std::filesystem::path program = dir.Path() / "program";
  std::filesystem::create_directories(program);
  for (const auto& entry :
       std::filesystem::directory_iterator(std::filesystem::path(CORVINA_SOURCE_DIR) / "data"))
    if (entry.is_regular_file())
      std::filesystem::copy_file(entry.path(), program / entry.path().filename());
  std::string console;
  platform::Console out(platform::CodePage::cp1252, true,
                        [&](platform::ConsoleStream, std::string_view t) { console += t; });
  platform::PrinterList printers = platform::PrinterList::virtual_only();
  TavrelEnvironment env;
  env.ProgramDirectory = program.string();
  env.CurrentDirectory = dir.Path().string();
  env.Printers = &printers;
  env.FontFamilies = {"Arial", "Courier New", "Helvetica", "Times New Roman"};
  env.Console = &out;
  env.Answer = [](const std::string&, BoxButtons) { return kAnswerNo; };
  const TavrelRunResult result = RunTavrelCommandLine({RtfConversionTargetName(rtf), "/F"}, env);
  EXPECT_EQ(result.ExitCode, kExitOk) << console << "\n" << text;
  EXPECT_GE(result.FormattedPages, 1) << console;
  EXPECT_TRUE(std::filesystem::exists(result.FormattedFile)) << console;
}

INSTANTIATE_TEST_SUITE_P(Writers, JobROtherWriters,
                         ::testing::Values(Writer{"pandoc", corvina_test::MakePandocRtf},
                                           Writer{"LibreOffice", corvina_test::MakeLibreOfficeRtf}),
                         [](const ::testing::TestParamInfo<Writer>& info) {
                           return std::string(info.param.name);
                         });

}  // namespace
}  // namespace tavrel

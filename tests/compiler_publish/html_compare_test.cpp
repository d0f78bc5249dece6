// The directory compare: which pages differ, the listing on the console, and the upload batch
// it writes (compared with batches written by hand from the batch and script tables).
#include "compiler/publish/html_compare.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "compiler/passes/compiler_run.h"
#include "compiler/publish/upload_batch.h"
#include "tests/support/compiler_test_run.h"

using namespace skeldon;

namespace {

namespace fs = std::filesystem;

// A page whose generator line sits well past the first 21 bytes.
std::string Page(std::string_view version, std::string_view body = "text") {
  return "<HTML><HEAD>\r\n<META NAME=\"GENERATOR\" CONTENT=\"Skeldon " + std::string(version) +
         "\">\r\n</HEAD><BODY>" + std::string(body) + "</BODY></HTML>\r\n";
}

TEST(PagesDiffer, TheGeneratorVersionIsToleratedAtItsFirstThirdAndFourthCharacter) {
  struct Case {
    std::string oldPage;
    std::string newPage;
    bool differ;
  } cases[] = {
      {Page("4.22"), Page("4.22"), false},
      {Page("4.22"), Page("5.22"), false},         // first character
      {Page("4.22"), Page("4,22"), true},          // the point is never tolerated
      {Page("4.22"), Page("4.32"), false},         // third
      {Page("4.22"), Page("4.23"), false},         // fourth
      {Page("4.22"), Page("5.33"), false},         // first, and the comparison goes on behind it
      {Page("4.22"), Page("5.22", "texT"), true},  // a later difference still counts
      {Page("4.22"), Page("4.22", "texT"), true},
      {Page("4.22"), Page("4.22", "text2"), true},  // another size
      {"", "", false},
      // "content" in lower case is the same attribute; the product's "S" must be a capital.
      {"<META NAME=\"GENERATOR\" content=\"Skeldon 4.22\">",
       "<META NAME=\"GENERATOR\" content=\"Skeldon 5.22\">", false},
      {"<META NAME=\"GENERATOR\" CONTENT=\"skeldon 4.22\">",
       "<META NAME=\"GENERATOR\" CONTENT=\"skeldon 5.22\">", true},
      // Within the first 21 bytes nothing is tolerated.
      {"CONTENT=\"Skeldon 4.22\">", "CONTENT=\"Skeldon 5.22\">", true},
  };
  for (const Case& c : cases)
    EXPECT_EQ(PagesDiffer(c.oldPage, c.newPage), c.differ) << c.oldPage << " | " << c.newPage;
}

TEST(PagesDiffer, EveryOtherSingleByteChangeIsFound) {
  const std::string page = Page("4.22");
  const std::size_t version = page.find("4.22");
  for (std::size_t at = 0; at < page.size(); ++at) {
    std::string changed = page;
    changed[at] = static_cast<char>(changed[at] ^ 0x01);
    const bool tolerated = at == version || at == version + 2 || at == version + 3;
    EXPECT_EQ(PagesDiffer(page, changed), !tolerated) << "byte " << at;
  }
}

TEST(TestDirectoryWritable, ProbesWithoutTouchingTheUsersFiles) {
  corvina_test::TempDir dir("skeldon-writable");
  corvina_test::WriteFile(dir / "temp7777.tmp", "mine");
  EXPECT_TRUE(TestDirectoryWritable(dir.Path().string()));
  EXPECT_TRUE(TestDirectoryWritable(dir.Path().string() + "/"));
  EXPECT_EQ(corvina_test::ReadFile(dir / "temp7777.tmp"), "mine");
  EXPECT_EQ(std::distance(fs::directory_iterator(dir.Path()), fs::directory_iterator()), 1);
  EXPECT_FALSE(TestDirectoryWritable(dir / "missing"));
}

class UploadBatchTest : public ::testing::Test {
 protected:
  void SetUp() override {
    run->Project.FtpServerName = "ftp.example.org";
    run->Project.FtpUserName = "me";
    run->Project.FtpPassword = "se&cret";
    run->Project.FtpServerDirectory = "/www/docs/";
    run->Project.FtpCommands = "binary;;hash;";
  }
  int Compare(bool upload) {
    return ExitCodeOf([&] { CompareHtmlDirectories(*run, "site_uploaded", "site", upload); });
  }
  std::string Golden(const std::string& name) {
    return corvina_test::ReadFile(SourceDir() + "/tests/golden/compiler_publish/" + name);
  }
  TestRun run{ProgramStartRun(RunFolder::kCurrent)};
};

TEST_F(UploadBatchTest, FirstUploadPutsEveryPageAndCreatesTheServerFoldersAndTheMirror) {
  run.WriteFile("site/a.htm", Page("4.22"));
  run.WriteFile("site/b.htm", Page("4.22", "b"));
  EXPECT_EQ(Compare(true), -1);
  EXPECT_EQ(run.Text(),
            "Writing the Upload batchfile site_ftpUpload.cmd\n"
            "---New/updated files:---\na.htm\nb.htm\n");
  EXPECT_EQ(corvina_test::ReadFile(run.Path("site_ftpUpload.cmd")), Golden("first_upload.cmd"));
  EXPECT_EQ(fs::status(run.Path("site_ftpUpload.cmd")).permissions() & fs::perms::all,
            fs::perms::owner_read | fs::perms::owner_write)
      << "the batch holds the password";
  EXPECT_FALSE(fs::exists(run.Path("site_ftp.tmp"))) << "nothing is left in the current directory";
}

TEST_F(UploadBatchTest, LaterUploadSendsOnlyChangesAndDeletesRemovedPages) {
  run.WriteFile("site/a.htm", Page("4.22", "changed"));
  run.WriteFile("site/b.htm", Page("4.22", "b"));
  run.WriteFile("site/c.htm", Page("4.22", "new"));
  run.WriteFile("site_uploaded/a.htm", Page("4.22", "old text"));
  run.WriteFile("site_uploaded/b.htm", Page("4.21", "b"));  // only the version differs
  run.WriteFile("site_uploaded/gone.htm", Page("4.22"));
  // A stale batch of the other extension goes.
  run.WriteFile("site_ftpUpload.bat", "old");
  EXPECT_EQ(Compare(true), -1);
  EXPECT_EQ(run.Text(),
            "Writing the Upload batchfile site_ftpUpload.cmd\n"
            "Old Directory: site_uploaded\nNew Directory: site\n"
            "---files to delete:---\ngone.htm\n"
            "---New/updated files:---\na.htm\nc.htm\n");
  EXPECT_EQ(corvina_test::ReadFile(run.Path("site_ftpUpload.cmd")), Golden("later_upload.cmd"));
  EXPECT_FALSE(fs::exists(run.Path("site_ftpUpload.bat")));
}

TEST_F(UploadBatchTest, EmptyFtpCommandGivesBinaryAndTraceAndAnEncryptedPasswordIsDecoded) {
  run->Project.FtpServerDirectory = "";
  run->Project.FtpCommands = "";
  run->Project.FtpPassword = "encrypted:cGElc3M=";  // "pa%ss"
  run.WriteFile("site/a.htm", Page("4.22"));
  run.WriteFile("site_uploaded/a.htm", Page("4.22"));
  EXPECT_EQ(Compare(true), -1);
  EXPECT_EQ(run.Text(),
            "Writing the Upload batchfile site_ftpUpload.cmd\n"
            "Old Directory: site_uploaded\nNew Directory: site\n"
            "---files to delete:---\nnone\n---New/updated files:---\nnone\n"
            "No files have to be uploaded or deleted, the command file will have no effect.\n");
  EXPECT_EQ(corvina_test::ReadFile(run.Path("site_ftpUpload.cmd")),
            Golden("empty_ftp_command.cmd"));
}

TEST_F(UploadBatchTest, CompareModeListsWithoutWritingABatch) {
  run.WriteFile("site/a.htm", Page("4.22"));
  run.WriteFile("site/.hidden.htm", Page("4.22"));
  run.WriteFile("site/sub/inner.htm", Page("4.22"));
  run.WriteFile("site_uploaded/a.htm", Page("4.22"));
  EXPECT_EQ(Compare(false), -1);
  EXPECT_EQ(run.Text(),
            "Old Directory: site_uploaded\nNew Directory: site\n"
            "---files to delete:---\nnone\n---New/updated files:---\n.hidden.htm\n");
  EXPECT_FALSE(fs::exists(run.Path("site_ftpUpload.cmd")));
}

TEST_F(UploadBatchTest, MissingFoldersAreReportedInPlaceOfTheirLists) {
  fs::create_directories(run.Path("site_uploaded"));
  EXPECT_EQ(Compare(false), -1);
  EXPECT_EQ(run.Text(),
            "Old Directory: site_uploaded\nNew Directory: site\n"
            "---files to delete:---\nno files found in directory site_uploaded\n"
            "---New/updated files:---\nno files found in directory site\n");
}

TEST_F(UploadBatchTest, NamesAndTextsTheBatchCannotCarryStopOrAreLeftOut) {
  run.WriteFile("site/a.htm", Page("4.22"));
  run.WriteFile("site/q\"uote.htm", Page("4.22"));
  EXPECT_EQ(Compare(true), -1);
  EXPECT_TRUE(run.ConsoleHas("The name q\"uote.htm cannot be written into a batch file.\n"))
      << run.Text();
  const std::string batch = corvina_test::ReadFile(run.Path("site_ftpUpload.cmd"));
  EXPECT_EQ(batch.find("uote"), std::string::npos);
  EXPECT_NE(batch.find("copy site\\a.htm site_uploaded\\a.htm\r\n"), std::string::npos);

  struct Case {
    const char* what;
    std::string ProjectFileState::*field;
    std::string value;
    std::string message;
  } cases[] = {
      {"bad base64", &ProjectFileState::FtpPassword, "encrypted:@@@",
       "The ftp password after \"encrypted:\" is not valid base64.\n"},
      {"line break", &ProjectFileState::FtpUserName, "me\r\ndel x",
       "cannot be written into a batch file"},
  };
  for (const Case& c : cases) {
    fs::remove(run.Path("site_ftpUpload.cmd"));
    run.Renew();
    SetUp();
    run->Project.*c.field = c.value;
    EXPECT_EQ(Compare(true), 2) << c.what;
    EXPECT_TRUE(run.ConsoleHas(c.message)) << c.what << "\n" << run.Text();
    EXPECT_FALSE(fs::exists(run.Path("site_ftpUpload.cmd"))) << c.what;
  }
}

TEST(UploadBatchParts, PasswordsAndPathComponents) {
  EXPECT_EQ(DecodePassword("plain&pw"), "plain&pw");
  EXPECT_EQ(DecodePassword("encrypted:cGElc3M="), "pa%ss");
  EXPECT_EQ(DecodePassword("encrypted:cGElc3M"), "pa%ss");
  EXPECT_EQ(DecodePassword("encrypted:"), "");
  EXPECT_EQ(DecodePassword("encrypted:c"), std::nullopt);
  EXPECT_EQ(DecodePassword("encrypted:c G"), std::nullopt);
  EXPECT_EQ(LastPathComponent("C:\\web\\site"), "site");
  EXPECT_EQ(LastPathComponent("/tmp/web/site"), "site");
  EXPECT_EQ(LastPathComponent("site"), "site");
}

}  // namespace

namespace {

TEST_F(UploadBatchTest, AnUnreadablePageIsReportedAndNeitherUploadedNorMirrored) {
  // A page that opens but cannot be read: the kernel refuses reads at offset 0.
  run.WriteFile("site/a.htm", Page("4.22", "changed"));
  fs::create_symlink("/proc/self/mem", run.Path("site/bad.htm"));
  run.WriteFile("site_uploaded/a.htm", Page("4.22"));
  run.WriteFile("site_uploaded/bad.htm", "");
  EXPECT_EQ(Compare(true), -1);
  EXPECT_TRUE(
      run.ConsoleHas("site\\bad.htm cannot be read; it is neither compared nor uploaded.\n"))
      << run.Text();
  EXPECT_TRUE(run.ConsoleHas("---New/updated files:---\na.htm\n")) << run.Text();
  const std::string batch = corvina_test::ReadFile(run.Path("site_ftpUpload.cmd"));
  EXPECT_EQ(batch.find("bad.htm"), std::string::npos);
}

}  // namespace

// An upload against a real FTP server on 127.0.0.1: Skeldon writes the upload batch, the batch
// runner runs it with the real ftp client, and the server folder and the "_uploaded" mirror
// are checked file by file.
#include <gtest/gtest.h>
#include <signal.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "compiler/passes/compiler_run.h"
#include "compiler/program/main_program.h"
#include "platform/batch_runner.h"
#include "platform/process.h"
#include "tests/support/compiler_test_run.h"

using namespace skeldon;

namespace {

namespace fs = std::filesystem;

constexpr const char* kUser = "uploader";
constexpr const char* kPassword = "p&ss w%rd";

// The server runs for one test and is stopped when the object goes.
class FtpServer {
 public:
  FtpServer(const fs::path& root, const fs::path& work) {
    const std::string portFile = (work / "port").string();
    const platform::SpawnResult started = platform::start_program(
        "/usr/bin/python3",
        {SourceDir() + "/tests/data/compiler_publish/ftp_server.py", root.string(), kUser,
         kPassword, portFile},
        platform::SpawnOptions{.working_directory = {},
                               .stdin_file = {},
                               .output_file = (work / "server.log").string()},
        true);
    pid_ = started.pid;
    if (!started.ok()) return;
    // Readiness, not timing: the server writes its port once it listens.
    for (int i = 0; i < 400 && !fs::exists(portFile); ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    port_ = corvina_test::ReadFile(portFile);
  }
  ~FtpServer() {
    if (pid_ > 0) {
      ::kill(pid_, SIGTERM);
      platform::wait_program(pid_);
    }
  }
  const std::string& Port() const { return port_; }

 private:
  int pid_ = 0;
  std::string port_;
};

class UploadServerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (platform::find_on_path("tnftp").empty()) GTEST_SKIP() << "tnftp is not installed";
    fs::create_directories(run.Path("server"));
    server_ = std::make_unique<FtpServer>(run.Path("server"), run.Folder());
    ASSERT_FALSE(server_->Port().empty()) << corvina_test::ReadFile(run.Path("server.log"));
  }
  void WriteProject(const std::string& password, const std::string& site = "site") {
    run.WriteFile("p.skj", "source file = " + site + ".txt\r\nftp server name = 127.0.0.1 " +
                               server_->Port() + "\r\nftp user name = " + kUser +
                               "\r\nftp password = " + password +
                               "\r\nftp server dir = /www/docs/\r\n");
  }
  // "/prepareupload" as a user runs it, then the batch it wrote.
  platform::BatchResult PrepareAndUpload(const std::string& site = "site") {
    run.Renew();
    EXPECT_EQ(RunCompiler({"skeldon", "p.skj", "/prepareupload"}, *run), 2) << run.Text();
    EXPECT_TRUE(fs::exists(run.Path(site + "_ftpUpload.cmd"))) << run.Text();
    platform::BatchConsole console{[this](std::string_view t) { said += t; }, [] { return true; }};
    return platform::run_batch(run.Path(site + "_ftpUpload.cmd"), platform::ToolMap(), console);
  }
  // Every page of the site is on the server and in the mirror, byte for byte, and nothing else.
  void ExpectServerAndMirrorHold(const std::vector<std::string>& pages) {
    for (const char* folder : {"server/www/docs", "site_uploaded"}) {
      std::vector<std::string> names;
      for (const auto& e : fs::directory_iterator(run.Path(folder)))
        names.push_back(e.path().filename().string());
      std::sort(names.begin(), names.end());
      EXPECT_EQ(names, pages) << folder;
      for (const std::string& page : pages)
        EXPECT_EQ(corvina_test::ReadFile(run.Path(std::string(folder) + "/" + page)),
                  corvina_test::ReadFile(run.Path("site/" + page)))
            << folder << "/" << page;
    }
    for (const std::string& page : pages)
      EXPECT_EQ(fs::last_write_time(run.Path("site_uploaded/" + page)),
                fs::last_write_time(run.Path("site/" + page)))
          << "the mirror keeps the page's time: " << page;
    EXPECT_FALSE(fs::exists(run.Path("site_ftp.tmp"))) << "the script is deleted";
  }

  TestRun run{ProgramStartRun(RunFolder::kCurrent)};
  std::unique_ptr<FtpServer> server_;
  std::string said;
};

TEST_F(UploadServerTest, FirstAndLaterUploadReachTheServerAndTheMirror) {
  WriteProject(kPassword);
  run.WriteFile("site/index.htm", "<html>index</html>");
  run.WriteFile("site/a.htm", "<html>a</html>");
  run.WriteFile("site/b.htm", "<html>b</html>");
  run.WriteFile("site/c.htm", "<html>c</html>");
  run.WriteFile("site/my page.htm", "<html>blank</html>");
  platform::BatchResult r = PrepareAndUpload();
  ASSERT_TRUE(r.ok()) << r.error << "\n" << said;
  ExpectServerAndMirrorHold({"a.htm", "b.htm", "c.htm", "index.htm", "my page.htm"});

  // Two pages change, one goes. A mark on the server's copy of an unchanged page shows that
  // only the listed pages are sent.
  run.WriteFile("site/a.htm", "<html>a, second edition</html>");
  run.WriteFile("site/b.htm", "<html>B</html>");
  fs::remove(run.Path("site/c.htm"));
  run.WriteFile("server/www/docs/index.htm", "mark");
  said.clear();
  r = PrepareAndUpload();
  ASSERT_TRUE(r.ok()) << r.error << "\n" << said;
  EXPECT_EQ(corvina_test::ReadFile(run.Path("server/www/docs/index.htm")), "mark");
  run.WriteFile("server/www/docs/index.htm", corvina_test::ReadFile(run.Path("site/index.htm")));
  ExpectServerAndMirrorHold({"a.htm", "b.htm", "index.htm", "my page.htm"});
  const std::string batch = corvina_test::ReadFile(run.Path("site_ftpUpload.cmd"));
  EXPECT_NE(batch.find("echo delete c.htm>>site_ftp.tmp\r\n"), std::string::npos);
  EXPECT_EQ(batch.find("put index.htm"), std::string::npos);
}

TEST_F(UploadServerTest, AFolderNameTheInterpreterWouldActOnIsCarriedWhole) {
  // The project names its source without blanks; "&", "%" and brackets still reach the batch.
  const std::string site = "a&b%50(site)";
  WriteProject(kPassword, site);
  run.WriteFile(site + "/a.htm", "<html>a</html>");
  const platform::BatchResult r = PrepareAndUpload(site);
  ASSERT_TRUE(r.ok()) << r.error << "\n" << said;
  EXPECT_EQ(corvina_test::ReadFile(run.Path("server/www/docs/a.htm")), "<html>a</html>");
  EXPECT_EQ(corvina_test::ReadFile(run.Path(site + "_uploaded/a.htm")), "<html>a</html>");
  EXPECT_FALSE(fs::exists(run.Path(site + "_ftp.tmp")));
}

TEST_F(UploadServerTest, AFailedLoginLeavesTheMirrorAsItWas) {
  WriteProject("wrong");
  run.WriteFile("site/a.htm", "<html>a</html>");
  const platform::BatchResult r = PrepareAndUpload();
  EXPECT_FALSE(r.ok());
  EXPECT_NE(r.error.find("the ftp transfer failed"), std::string::npos) << r.error;
  EXPECT_FALSE(fs::exists(run.Path("site_uploaded"))) << "no mirror claims an upload";
  EXPECT_FALSE(fs::exists(run.Path("server/www/docs/a.htm")));
}

}  // namespace

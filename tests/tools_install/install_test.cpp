// The installer on a temporary home with its own XDG folders: the dialog driven on Qt's
// offscreen platform, the entries read back by the desktop's own tools.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QApplication>
#include <QCheckBox>
#include <QImage>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <cstdio>
#include <deque>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "platform/registry.h"
#include "platform/shell.h"
#include "tests/support/test_support.h"
#include "tools/install/install_dialog.h"
#include "tools/install/install_steps.h"
#include "tools/install/installer.h"

namespace {

namespace fs = std::filesystem;
using corvina_test::ReadFile;
using corvina_test::TempDir;
using corvina_test::WriteFile;

// Answers questions from a script and keeps every box it was shown.
class ScriptedBoxes : public install_tool::InstallerBoxes {
 public:
  std::deque<bool> Answers;
  std::vector<std::string> Asked, Told;
  bool Ask(const std::string& caption, const std::string& text) override {
    Asked.push_back(caption + ": " + text);
    if (Answers.empty()) ADD_FAILURE() << "unexpected question: " << text;
    bool a = !Answers.empty() && Answers.front();
    if (!Answers.empty()) Answers.pop_front();
    return a;
  }
  void Tell(const std::string& caption, const std::string& text) override {
    Told.push_back(caption + ": " + text);
  }
};

// Runs a program with its arguments and gives its standard output (no shell).
std::string Output(const std::vector<std::string>& words, int* status = nullptr) {
  std::string command;
  for (const std::string& w : words) {
    command += "'";
    for (char c : w) command += c == '\'' ? std::string("'\\''") : std::string(1, c);
    command += "' ";
  }
  command += "2>&1";
  std::FILE* pipe = ::popen(command.c_str(), "r");
  std::string out;
  char buffer[4096];
  for (std::size_t got; (got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
    out.append(buffer, got);
  int rc = ::pclose(pipe);
  if (status) *status = WEXITSTATUS(rc);
  while (!out.empty() && out.back() == '\n') out.pop_back();
  return out;
}

class InstallTest : public ::testing::Test {
 protected:
  void SetUp() override {
    home_ = std::make_unique<TempDir>("install-home");
    ::setenv("HOME", home_->Path().c_str(), 1);
    ::setenv("XDG_DATA_HOME", (*home_ / "data").c_str(), 1);
    ::setenv("XDG_CONFIG_HOME", (*home_ / "config").c_str(), 1);
    ::setenv("XDG_DATA_DIRS", ((*home_ / "data") + ":/usr/share").c_str(), 1);
    ::setenv("XDG_CURRENT_DESKTOP", "GNOME", 1);  // xdg-mime asks gio then
    // The unpacked suite, in a folder whose name has blanks, a quote and an umlaut.
    MakeSuite("Corvina Suite 'ä'");
  }

  void MakeSuite(const std::string& name) {
    dir_ = *home_ / name;
    Program(dir_ + "/Tavrel/tavrel");
    Program(dir_ + "/install");
    WriteFile(dir_ + "/Readme.txt", "read me");
    WriteFile(dir_ + "/Liesmich.txt", "lies mich");
    fs::create_directories(dir_ + "/Tutorial_English");
    fs::create_directories(dir_ + "/Tutorial_Deutsch");
    fs::create_directories(dir_ + "/data/icons");
    for (int i = 0; i < 4; ++i)
      fs::copy_file(
          std::string(CORVINA_SOURCE_DIR) + "/data/icons/corvina-" + std::to_string(i) + ".png",
          dir_ + "/data/icons/corvina-" + std::to_string(i) + ".png",
          fs::copy_options::overwrite_existing);
  }

  void Program(const std::string& path) {
    WriteFile(path, "#!/bin/sh\n");
    ::chmod(path.c_str(), 0755);
  }

  // A fresh run as the program makes it, with a freshly opened registry.
  install_tool::InstallRun& NewRun() {
    registry_ = std::make_unique<platform::RegistryStore>(platform::RegistryStore::default_path());
    EXPECT_EQ(registry_->open(), platform::RegistryError::none);
    run_ = std::make_unique<install_tool::InstallRun>();
    run_->Boxes = &boxes_;
    run_->Folders = platform::shell_folders();
    run_->CurrentDirectory = dir_;
    run_->Registry = registry_.get();
    return *run_;
  }

  // The install path as the program runs it: two questions, then the dialog with the install
  // button clicked (or a change made first by `before`).
  int Install(bool german, const std::function<void(QDialog&)>& before = {}) {
    install_tool::InstallRun& run = NewRun();
    boxes_.Answers.push_back(german);
    boxes_.Answers.push_back(true);
    return install_tool::RunInstaller("", run, [&] {
      install_tool::InstallDialog dialog(
          run, [](auto&, auto&) { return std::nullopt; }, [](auto&) { return std::nullopt; });
      dialog.show();
      if (before) before(dialog);
      QTest::mouseClick(dialog.findChild<QPushButton*>("1"), Qt::LeftButton);
      EXPECT_FALSE(dialog.isVisible());
    });
  }

  int Remove(const std::string& commandLine) {
    install_tool::InstallRun& run = NewRun();
    boxes_.Answers.push_back(true);
    return install_tool::RunInstaller(commandLine, run, [] { ADD_FAILURE() << "no dialog"; });
  }

  std::string Apps(const std::string& file) const { return *home_ / ("data/applications/" + file); }
  std::string Desktop(const std::string& file) const { return *home_ / ("Desktop/" + file); }

  std::string RegistryDump() const {
    platform::RegistryStore store(platform::RegistryStore::default_path());
    if (store.open() != platform::RegistryError::none) return "(cannot open)";
    std::string out;
    for (const auto& key : store.keys()) {
      if (key.name.rfind("HKEY_CLASSES_ROOT\\", 0) != 0) continue;
      out += key.name.substr(18) + " [" + key.class_name +
             "] = " + (key.default_value ? "\"" + *key.default_value + "\"" : "(none)") + "\n";
    }
    return out;
  }

  std::unique_ptr<TempDir> home_;
  std::string dir_;
  ScriptedBoxes boxes_;
  std::unique_ptr<platform::RegistryStore> registry_;
  std::unique_ptr<install_tool::InstallRun> run_;
};

TEST_F(InstallTest, EnglishInstallMakesTheGroupLinksAndAssociations) {
  // xdg-mime's own script cannot read an Exec line whose program path has a blank (the
  // desktops' libraries can): this run uses a plain folder name.
  MakeSuite("corvina");
  EXPECT_EQ(Install(false), 0);
  registry_.reset();  // the program ends: its hold on the store goes

  EXPECT_EQ(ReadFile(dir_ + "/English.txt"),
            "During installation process, the language ENGLISH was chosen.");
  EXPECT_FALSE(fs::exists(dir_ + "/Deutsch.txt"));
  EXPECT_EQ(ReadFile(dir_ + "/Tavrel/dunname.tmp"), dir_ + "/Dunmoor/dunmoor");

  // The group: what exists is linked; the editor and the help files are not in the suite.
  for (const char* made : {"tavrel", "readme", "tutorial", "program-folder", "deinstallation"})
    EXPECT_TRUE(fs::exists(Apps(std::string("corvina/") + made + ".desktop"))) << made;
  for (const char* missing : {"dunmoor", "dunmoor-documentation", "tavrel-documentation"})
    EXPECT_FALSE(fs::exists(Apps(std::string("corvina/") + missing + ".desktop"))) << missing;
  EXPECT_TRUE(fs::exists(Desktop("tavrel.desktop")));
  EXPECT_FALSE(fs::exists(Desktop("dunmoor.desktop")));
  EXPECT_FALSE(fs::exists(Apps("tavrel.desktop")));  // the start-menu box was off

  const std::string tavrel = ReadFile(Apps("corvina/tavrel.desktop"));
  EXPECT_NE(tavrel.find("Exec=" + dir_ + "/Tavrel/tavrel %f\n"), std::string::npos) << tavrel;
  EXPECT_NE(
      tavrel.find("MimeType=application/x-wordstar-unformatted;application/x-wordstar-formatted;"),
      std::string::npos);
  const std::string removal = ReadFile(Apps("corvina/deinstallation.desktop"));
  EXPECT_NE(removal.find("Exec=" + dir_ + "/install /deinstal_e " + dir_ + "\n"), std::string::npos)
      << removal;
  EXPECT_NE(ReadFile(Apps("corvina/program-folder.desktop")).find("Type=Link\nName=Program Folder"),
            std::string::npos);

  for (const auto& e : fs::recursive_directory_iterator(*home_ / "data/applications")) {
    if (e.path().extension() != ".desktop") continue;
    int status = 0;
    std::string out = Output({"desktop-file-validate", e.path().string()}, &status);
    EXPECT_EQ(status, 0) << e.path() << "\n" << out;
  }
  int status = 0;
  EXPECT_EQ(Output({"desktop-file-validate", Desktop("tavrel.desktop")}, &status), "");
  EXPECT_EQ(status, 0);

  EXPECT_EQ(RegistryDump(),
            ".fmt [Wordstar file formatted] = \"Wordstar formatted\"\n"
            ".fun [Wordstar footnotes file] = \"Wordstar formatted\"\n"
            ".taf [Wordstar text and footnote file] = \"Wordstar formatted\"\n"
            ".toc [Wordstar table of contents file] = \"Wordstar formatted\"\n"
            ".ws [Wordstar file unformatted] = \"Wordstar unformatted\"\n"
            "Wordstar formatted [Wordstar formatted] = \"Wordstar file formatted\"\n"
            "Wordstar formatted\\DefaultIcon [] = \"" +
                dir_ +
                "/data/icons/corvina-3.png\"\n"
                "Wordstar formatted\\Shell [] = (none)\n"
                "Wordstar formatted\\Shell\\open [edit] = (none)\n"
                "Wordstar formatted\\Shell\\open\\command [] = \"\"" +
                dir_ +
                "/Dunmoor/dunmoor\" \"%1\"\"\n"
                "Wordstar formatted\\Shell\\Tavrel [Tavrel] = (none)\n"
                "Wordstar formatted\\Shell\\Tavrel\\command [] = \"\"" +
                dir_ +
                "/Tavrel/tavrel\" \"%1\"\"\n"
                "Wordstar unformatted [Wordstar unformatted] = \"Wordstar file unformatted\"\n"
                "Wordstar unformatted\\DefaultIcon [] = \"" +
                dir_ +
                "/data/icons/corvina-2.png\"\n"
                "Wordstar unformatted\\Shell [] = (none)\n"
                "Wordstar unformatted\\Shell\\format [format] = (none)\n"
                "Wordstar unformatted\\Shell\\format\\command [] = \"\"" +
                dir_ +
                "/Tavrel/tavrel\" \"%1\"\"\n"
                "Wordstar unformatted\\Shell\\open [edit] = (none)\n"
                "Wordstar unformatted\\Shell\\open\\command [] = \"\"" +
                dir_ + "/Dunmoor/dunmoor\" \"%1\"\"\n");

  WriteFile(*home_ / "doc.ws", "text");
  WriteFile(*home_ / "doc.fmt", "text");
  EXPECT_EQ(Output({"xdg-mime", "query", "filetype", *home_ / "doc.ws"}),
            "application/x-wordstar-unformatted");
  EXPECT_EQ(Output({"xdg-mime", "query", "filetype", *home_ / "doc.fmt"}),
            "application/x-wordstar-formatted");
  EXPECT_EQ(Output({"xdg-mime", "query", "default", "application/x-wordstar-formatted"}),
            "corvina-tavrel.desktop");

  ASSERT_FALSE(boxes_.Told.empty());
  const std::string& last = boxes_.Told.back();
  EXPECT_EQ(last.rfind("Success: You can start now Dunmoor and Tavrel", 0), 0u) << last;
  EXPECT_NE(last.find("Entries not made:"), std::string::npos);
  EXPECT_NE(last.find("Dunmoor (not found: " + dir_ + "/Dunmoor/dunmoor)"), std::string::npos);
}

TEST_F(InstallTest, GermanInstallUsesTheGermanNames) {
  EXPECT_EQ(Install(true,
                    [](QDialog& d) {
                      d.findChild<QCheckBox*>("804")->setChecked(true);
                      d.findChild<QCheckBox*>("802")->setChecked(false);
                    }),
            0);
  EXPECT_EQ(ReadFile(dir_ + "/Deutsch.txt"),
            "Bei der Installation wurde die Sprache DEUTSCH gewaehlt.");
  for (const char* made : {"liesmich", "programmordner", "deinstallation", "tutorial"})
    EXPECT_TRUE(fs::exists(Apps(std::string("corvina/") + made + ".desktop"))) << made;
  // The folder's blanks and quote are quoted on the Exec lines; the desktop's own library reads
  // them back.
  const std::string removal = ReadFile(Apps("corvina/deinstallation.desktop"));
  EXPECT_NE(removal.find("Exec=\"" + dir_ + "/install\" /deinstal_g \"" + dir_ + "\"\n"),
            std::string::npos)
      << removal;
  EXPECT_NE(
      ReadFile(Apps("corvina/tavrel.desktop")).find("Exec=\"" + dir_ + "/Tavrel/tavrel\" %f\n"),
      std::string::npos);
  const std::string gio = Output({"gio", "mime", "application/x-wordstar-unformatted"});
  EXPECT_EQ(
      gio.substr(0, gio.find('\n')),
      "Default application for \u201capplication/x-wordstar-unformatted\u201d: corvina-tavrel.desktop");
  EXPECT_NE(ReadFile(Apps("corvina/tutorial.desktop")).find("Tutorial_Deutsch"), std::string::npos);
  EXPECT_TRUE(fs::exists(Apps("tavrel.desktop")));  // start menu, top level
  EXPECT_FALSE(fs::exists(Desktop("tavrel.desktop")));
  EXPECT_EQ(boxes_.Told.back().rfind("Erfolg: Dunmoor und Tavrel", 0), 0u) << boxes_.Told.back();
}

TEST_F(InstallTest, ReinstallKeepsOneGroupAndAsksBeforeTakingAnExtension) {
  EXPECT_EQ(Install(false), 0);
  registry_.reset();
  {
    platform::RegistryStore store(platform::RegistryStore::default_path());
    ASSERT_EQ(store.open(), platform::RegistryError::none);
    store.set_default_value("HKEY_CLASSES_ROOT\\.fun", "OtherApp.Document");
    ASSERT_EQ(store.save(), platform::RegistryError::none);
  }
  const auto groupBefore = fs::last_write_time(Apps("corvina/tavrel.desktop"));
  boxes_.Asked.clear();
  install_tool::InstallRun& run = NewRun();
  boxes_.Answers = {false, true, false};  // English, continue, keep .fun
  install_tool::RunInstaller("", run, [&] {
    install_tool::InstallDialog dialog(
        run, [](auto&, auto&) { return std::nullopt; }, [](auto&) { return std::nullopt; });
    QTest::mouseClick(dialog.findChild<QPushButton*>("1"), Qt::LeftButton);
  });
  registry_.reset();
  ASSERT_EQ(boxes_.Asked.size(), 3u);
  EXPECT_EQ(boxes_.Asked[2],
            "Corvina Installation: .fun file associaton is already used by 'OtherApp.Document'. "
            "Remove the old association?");
  EXPECT_EQ(fs::last_write_time(Apps("corvina/tavrel.desktop")), groupBefore);
  EXPECT_NE(RegistryDump().find(".fun [Wordstar footnotes file] = \"OtherApp.Document\""),
            std::string::npos)
      << RegistryDump();
  const std::string mime = ReadFile(*home_ / "data/mime/packages/corvina-wordstar.xml");
  EXPECT_EQ(mime.find("*.fun"), std::string::npos);
  EXPECT_NE(mime.find("*.fmt"), std::string::npos);
}

TEST_F(InstallTest, RemovalTakesAwayExactlyWhatTheInstallerMade) {
  // Someone else's things beside ours.
  WriteFile(*home_ / "config/mimeapps.list",
            "[Default Applications]\ntext/plain=other-editor.desktop\n");
  EXPECT_EQ(Install(false), 0);
  registry_.reset();
  {
    platform::RegistryStore store(platform::RegistryStore::default_path());
    ASSERT_EQ(store.open(), platform::RegistryError::none);
    store.set_default_value("HKEY_CLASSES_ROOT\\.taf", "OtherApp.Document");
    store.set_default_value("HKEY_CLASSES_ROOT\\.ws", "Notepad.Document");
    ASSERT_EQ(store.save(), platform::RegistryError::none);
  }
  boxes_.Told.clear();
  EXPECT_EQ(Remove("/deinstal_e " + dir_), 0);
  EXPECT_EQ(boxes_.Told.size(), 1u);  // no failure box for the .ws that is someone else's
  registry_.reset();
  EXPECT_EQ(run_->RemovedCount, 7);  // 5 group links, the group folder, the desktop link
  ASSERT_FALSE(boxes_.Told.empty());
  EXPECT_NE(boxes_.Told.back().find("The directory is: " + dir_), std::string::npos)
      << boxes_.Told.back();
  EXPECT_FALSE(fs::exists(Apps("corvina")));
  EXPECT_FALSE(fs::exists(Desktop("tavrel.desktop")));
  EXPECT_FALSE(fs::exists(*home_ / "data/mime/packages/corvina-wordstar.xml"));
  EXPECT_FALSE(fs::exists(*home_ / "config/menus/applications-merged/corvina.menu"));
  EXPECT_EQ(ReadFile(*home_ / "config/mimeapps.list"),
            "[Default Applications]\ntext/plain=other-editor.desktop\n");
  EXPECT_EQ(RegistryDump(),
            ".taf [Wordstar text and footnote file] = \"OtherApp.Document\"\n"
            ".ws [Wordstar file unformatted] = \"Notepad.Document\"\n");

  boxes_.Told.clear();
  EXPECT_EQ(Remove("/deinstal_e " + dir_), 1);
  EXPECT_EQ(boxes_.Told.back(),
            "Error: Removing the Start Menu entries has not completely succeeded.");
}

TEST_F(InstallTest, RemovalInGermanKeepsTheFolderCaseAndNoChangesNothing) {
  EXPECT_EQ(Install(true), 0);
  registry_.reset();
  install_tool::InstallRun& run = NewRun();
  boxes_.Answers = {false};
  EXPECT_EQ(install_tool::RunInstaller("/DEINSTAL_G " + dir_, run, [] {}), 0);
  EXPECT_TRUE(fs::exists(Apps("corvina/liesmich.desktop")));
  registry_.reset();
  EXPECT_EQ(Remove("/DEINSTAL_G " + dir_), 0);
  EXPECT_NE(boxes_.Told.back().find("Das Verzeichnis lautet: " + dir_), std::string::npos)
      << boxes_.Told.back();
  EXPECT_EQ(Remove("/deinstal_g"), 1);  // no folder named
}

TEST_F(InstallTest, OthersEntriesAndOverlongPathsAreLeftAlone) {
  WriteFile(Desktop("tavrel.desktop"), "[Desktop Entry]\nType=Application\nName=Mine\nExec=mine\n");
  const std::string longPath = "/" + std::string(205, 'x');
  EXPECT_EQ(
      Install(false,
              [&](QDialog& d) {
                d.findChild<QLineEdit*>("811")->setText(QString::fromStdString(longPath));
                QTest::mouseClick(d.findChild<QPushButton*>("1"), Qt::LeftButton);
                // Refused: the dialog stays open and nothing was written.
                EXPECT_TRUE(d.isVisible());
                EXPECT_FALSE(fs::exists(Apps("corvina")));
                d.findChild<QLineEdit*>("811")->setText(QString::fromStdString(dir_ + "/Tavrel"));
              }),
      0);
  EXPECT_NE(boxes_.Told.front().find("longer than 199 characters"), std::string::npos);
  EXPECT_EQ(ReadFile(Desktop("tavrel.desktop")),
            "[Desktop Entry]\nType=Application\nName=Mine\nExec=mine\n");
  EXPECT_NE(boxes_.Told.back().find("another program's entry is there"), std::string::npos);
  registry_.reset();
  EXPECT_EQ(Remove("/deinstal_e " + dir_), 0);
  EXPECT_TRUE(fs::exists(Desktop("tavrel.desktop")));
}

TEST_F(InstallTest, ExploreButtonsFillTheFieldsAndTheDosEditorGetsItsVerbs) {
  install_tool::InstallRun& run = NewRun();
  std::vector<std::string> asked;
  install_tool::InstallDialog dialog(
      run,
      [&](const std::string& title, const std::string& start) -> std::optional<std::string> {
        asked.push_back(title + " @ " + start);
        return dir_ + "/Elsewhere";
      },
      [&](const std::string& title) -> std::optional<std::string> {
        asked.push_back(title);
        return "/opt/ws/WS.EXE";
      });
  dialog.show();
  QTest::mouseClick(dialog.findChild<QPushButton*>("810"), Qt::LeftButton);
  QTest::mouseClick(dialog.findChild<QPushButton*>("818"), Qt::LeftButton);
  ASSERT_EQ(asked.size(), 2u);
  EXPECT_EQ(asked[0], "Location for the new Tavrel directory @ " + dir_);
  EXPECT_EQ(asked[1], "Select 2nd editor executable file, usually your DOS Wordstar");
  // A chosen folder ends with a separator, as the folder browser gives it.
  EXPECT_EQ(dialog.findChild<QLineEdit*>("811")->text().toStdString(), dir_ + "/Elsewhere/");
  EXPECT_EQ(dialog.findChild<QLineEdit*>("819")->text().toStdString(), "/opt/ws/WS.EXE");
  fs::rename(dir_ + "/Tavrel", dir_ + "/Elsewhere");
  QTest::mouseClick(dialog.findChild<QPushButton*>("1"), Qt::LeftButton);
  registry_.reset();
  EXPECT_EQ(ReadFile(dir_ + "/Elsewhere/dunname.tmp"), dir_ + "/Dunmoor/dunmoor");
  const std::string dump = RegistryDump();
  EXPECT_NE(
      dump.find(
          "Wordstar unformatted\\Shell\\Wordstar DOS [Wordstar DOS] = (none)\n"
          "Wordstar unformatted\\Shell\\Wordstar DOS\\command [] = \"\"/opt/ws/WS.EXE\" \"%1\"\"\n"),
      std::string::npos)
      << dump;
  EXPECT_NE(dump.find("Wordstar formatted\\Shell\\Wordstar DOS\\command [] = \"\"/opt/ws/WS.EXE\""),
            std::string::npos);
}

// Snapshots of the dialog in both languages, to look at (build/*/tests/snapshots).
TEST_F(InstallTest, DialogSnapshotsInBothLanguages) {
  fs::create_directories("snapshots");
  for (bool german : {false, true}) {
    install_tool::InstallRun& run = NewRun();
    run.GermanLanguage = german;
    install_tool::InstallDialog dialog(
        run, [](auto&, auto&) { return std::nullopt; }, [](auto&) { return std::nullopt; });
    dialog.show();
    EXPECT_EQ(dialog.findChild<QPushButton*>("1")->text(), german ? "Installieren" : "do instal");
    EXPECT_EQ(dialog.findChild<QLineEdit*>("811")->text().toStdString(), dir_ + "/Tavrel");
    EXPECT_TRUE(dialog.findChild<QCheckBox*>("802")->isChecked());
    const std::string file =
        std::string("snapshots/install-dialog-") + (german ? "de" : "en") + ".png";
    ASSERT_TRUE(dialog.grab().save(QString::fromStdString(file)));
    EXPECT_EQ(QImage(QString::fromStdString(file)).width(), 588);
    QTest::mouseClick(dialog.findChild<QPushButton*>("2"), Qt::LeftButton);  // Cancel
    EXPECT_FALSE(dialog.isVisible());
  }
  // Cancel wrote nothing but the marker file.
  EXPECT_FALSE(fs::exists(dir_ + "/Tavrel/dunname.tmp"));
  EXPECT_FALSE(fs::exists(Apps("corvina")));
}

TEST(RegistryStoreTest, KeysIgnoreCaseAndOnlyLeavesAreDeleted) {
  TempDir dir{"registry"};
  const std::string file = dir / "registry";
  {
    platform::RegistryStore store(file);
    ASSERT_EQ(store.open(), platform::RegistryError::none);
    store.create("HKEY_CLASSES_ROOT\\Wordstar formatted\\Shell\\open", "edit");
    store.set_default_value("hkey_classes_root\\wordstar FORMATTED", "a\tb\\c\nd");
    EXPECT_TRUE(store.exists("HKEY_CLASSES_ROOT\\WORDSTAR formatted\\shell"));
    EXPECT_FALSE(store.remove("HKEY_CLASSES_ROOT\\Wordstar formatted"));  // has subkeys
    store.create("HKEY_CLASSES_ROOT\\Wordstar formatted x");
    EXPECT_FALSE(store.remove("HKEY_CLASSES_ROOT\\Wordstar formatted\\Shell"));
    ASSERT_EQ(store.save(), platform::RegistryError::none);
    // A second holder is refused while the first lives.
    platform::RegistryStore other(file);
    EXPECT_EQ(other.open(), platform::RegistryError::in_use);
  }
  platform::RegistryStore store(file);
  ASSERT_EQ(store.open(), platform::RegistryError::none);
  EXPECT_EQ(store.default_value("HKEY_CLASSES_ROOT\\Wordstar formatted"), "a\tb\\c\nd");
  EXPECT_TRUE(store.remove("HKEY_CLASSES_ROOT\\Wordstar formatted\\Shell\\open"));
  EXPECT_EQ(store.keys().size(), 4u);
}

TEST(RegistryStoreTest, ADamagedFileIsNeitherReadNorOverwritten) {
  TempDir dir{"registry"};
  const std::string file = dir / "registry";
  for (const char* bytes :
       {"not a registry\n", "corvina registry 1\nonly one field\n",
        "corvina registry 1\na\tb\tvalue-without-mark\n", "corvina registry 1\na\\q\tb\t\n"}) {
    WriteFile(file, bytes);
    platform::RegistryStore store(file);
    EXPECT_EQ(store.open(), platform::RegistryError::damaged) << bytes;
    EXPECT_EQ(ReadFile(file), bytes);
  }
}

TEST(ShellTest, ExecArgumentsAndUrlsAreQuoted) {
  struct Case {
    const char* In;
    const char* Out;
  } exec[] = {
      {"/usr/bin/tavrel", "/usr/bin/tavrel"},
      {"/home/a b/tavrel", "\"/home/a b/tavrel\""},
      {"it's", "\"it's\""},
      {"a\"b$c`d\\e", "\"a\\\"b\\$c\\`d\\\\e\""},
      {"100%", "\"100%%\""},
      {"", "\"\""},
  };
  for (const Case& c : exec) EXPECT_EQ(platform::quote_exec_argument(c.In), c.Out) << c.In;
  EXPECT_EQ(platform::file_url("/home/u/Corvina Suite 'ä'"),
            "file:///home/u/Corvina%20Suite%20%27%C3%A4%27");
}

}  // namespace

int main(int argc, char** argv) {
  ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}

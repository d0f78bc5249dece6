// install: sets the suite up for the user (see the README's usage text).
#include <unistd.h>

#include <QApplication>
#include <QFileDialog>
#include <cstdlib>
#include <string>

#include "platform/registry.h"
#include "platform/shell.h"
#include "tools/install/install_dialog.h"
#include "tools/install/installer.h"

int main(int argc, char** argv) {
  // Without a display the dialog still runs, on Qt's offscreen platform.
  if (!std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY") && !std::getenv("QT_QPA_PLATFORM"))
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
  QApplication app(argc, argv);
  std::string commandLine;
  for (int i = 1; i < argc; ++i) commandLine += (i > 1 ? " " : "") + std::string(argv[i]);

  install_tool::QtInstallerBoxes boxes;
  install_tool::InstallRun run;
  run.Boxes = &boxes;
  run.Folders = platform::shell_folders();
  char cwd[4096];
  run.CurrentDirectory = ::getcwd(cwd, sizeof cwd) ? cwd : ".";
  platform::RegistryStore registry(platform::RegistryStore::default_path());
  if (platform::RegistryError e = registry.open(); e != platform::RegistryError::none) {
    boxes.Tell("Corvina Installation", std::string(platform::registry_error_text(e)) + ": " +
                                           platform::RegistryStore::default_path());
    return 1;
  }
  run.Registry = &registry;
  return install_tool::RunInstaller(commandLine, run, [&] {
    install_tool::InstallDialog dialog(
        run,
        [](const std::string& title, const std::string& start) -> std::optional<std::string> {
          QString folder = QFileDialog::getExistingDirectory(nullptr, QString::fromStdString(title),
                                                             QString::fromStdString(start));
          if (folder.isEmpty()) return std::nullopt;
          return folder.toStdString();
        },
        [](const std::string& title) -> std::optional<std::string> {
          QString file = QFileDialog::getOpenFileName(nullptr, QString::fromStdString(title));
          if (file.isEmpty()) return std::nullopt;
          return file.toStdString();
        });
    dialog.exec();
  });
}

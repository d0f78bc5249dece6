// The install dialog "INSTALL_WINDOW": the editor's and the formatter's directories, an
// optional DOS editor, the link choices, and the install button.
#pragma once

#include <QDialog>
#include <functional>
#include <optional>
#include <string>

#include "tools/install/install_run.h"

class QCheckBox;
class QLineEdit;

namespace install_tool {

class InstallDialog : public QDialog {
  Q_OBJECT

 public:
  // The folder and program choosers: Qt's dialogs in the program, scripted in tests.
  using FolderChooser =
      std::function<std::optional<std::string>(const std::string& title, const std::string& start)>;
  using ProgramChooser = std::function<std::optional<std::string>(const std::string& title)>;

  InstallDialog(InstallRun& run, FolderChooser chooseFolder, ProgramChooser chooseProgram);

 private:
  void Explore(QLineEdit* field, const std::string& english, const std::string& german,
               bool editor);
  void Install();

  InstallRun& run_;
  FolderChooser chooseFolder_;
  ProgramChooser chooseProgram_;
  QLineEdit* editorField_;
  QLineEdit* formatterField_;
  QLineEdit* dosEditorField_;
  QCheckBox* desktopBox_;
  QCheckBox* startMenuBox_;
};

// The boxes as Qt message boxes.
class QtInstallerBoxes : public InstallerBoxes {
 public:
  bool Ask(const std::string& caption, const std::string& text) override;
  void Tell(const std::string& caption, const std::string& text) override;
};

}  // namespace install_tool

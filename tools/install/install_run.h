// The state of one run of the installer, and the boxes it asks and tells the user with.
#pragma once

#include <string>
#include <vector>

#include "platform/registry.h"
#include "platform/shell.h"

namespace install_tool {

// Question and message boxes: Qt's in the program, scripted in tests.
class InstallerBoxes {
 public:
  virtual ~InstallerBoxes() = default;
  // A Yes/No question; true for Yes.
  virtual bool Ask(const std::string& caption, const std::string& text) = 0;
  virtual void Tell(const std::string& caption, const std::string& text) = 0;
};

struct InstallRun {
  bool GermanLanguage = false;
  platform::ShellFolders Folders;  // "Programs", "Start Menu" and "Desktop" among them
  std::string GroupName = "Corvina";
  std::string DialogCaption = "Corvina Installation";
  std::string CurrentDirectory;
  platform::RegistryStore* Registry = nullptr;
  InstallerBoxes* Boxes = nullptr;

  // Removal.
  std::string RemovalDirectory;
  std::string WorkPath;
  int RemovedCount = 0;

  // The dialog.
  std::string InstallDir, InstallProgram;
  std::string EditorDir, FormatterDir, EditorParent, FormatterParent;
  std::string EditorProgram, FormatterProgram, DosEditorProgram;
  bool DesktopLinks = true;
  bool StartMenuLink = false;
  std::string LinkBaseDir, GroupFolder;
  std::vector<std::string> NotMade;  // links that were not made, with the reason
  std::vector<std::string> Failed;   // steps that failed

  // The text of the run's language.
  std::string Text(const std::string& english, const std::string& german) const {
    return GermanLanguage ? german : english;
  }
};

// Paths longer than this are refused, never cut.
inline constexpr std::size_t kMaxPath = 199;

}  // namespace install_tool

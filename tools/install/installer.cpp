#include "tools/install/installer.h"

#include <unistd.h>

#include <array>

#include "platform/files.h"
#include "platform/registry.h"
#include "platform/shell.h"
#include "tools/install/install_steps.h"

namespace install_tool {

namespace {

constexpr const char* kRoot = "HKEY_CLASSES_ROOT\\";

std::string Key(const std::string& name) { return kRoot + name; }

std::string LowerCase(std::string text) {
  for (char& c : text)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
  return text;
}

void ShowRemoveFailedMessage(InstallRun& run) {
  run.Boxes->Tell(run.Text("Error", "Fehler"),
                  run.Text("Removing the Start Menu entries has not completely succeeded.",
                           "Das Entfernen der Startmenü-Einträge war nicht vollständig."));
}

void DeleteVerbKey(InstallRun& run, const std::string& shellKey, const std::string& verb) {
  std::string key = shellKey + "\\" + verb;
  if (!run.Registry->exists(key)) return;
  run.Registry->remove(key + "\\command");
  run.Registry->remove(key);
}

// An extension is removed only while it still belongs to the WordStar type.
void DeleteOwnExtension(InstallRun& run, const std::string& ext, const char* type) {
  if (run.Registry->exists(Key(ext)) && run.Registry->default_value(Key(ext)) == type)
    run.Registry->remove(Key(ext));
}

void RemoveAssociation(InstallRun& run, const std::string& type,
                       const std::vector<std::string>& extensions,
                       const std::vector<std::string>& verbs) {
  std::string assoc = Key(type);
  if (!run.Registry->exists(assoc)) {
    run.Boxes->Tell("", "KEY " + type + " not found.");
    return;
  }
  for (const std::string& ext : extensions) {
    bool owned = run.Registry->default_value(Key(ext)) == type;
    DeleteOwnExtension(run, ext, type.c_str());
    if (ext == ".ws" && owned && run.Registry->exists(Key(ext)))
      run.Boxes->Tell("", "Deleting KEY .ws failed");
  }
  run.Registry->remove(assoc + "\\DefaultIcon");
  if (run.Registry->exists(assoc + "\\Shell")) {
    for (const std::string& verb : verbs) DeleteVerbKey(run, assoc + "\\Shell", verb);
    run.Registry->remove(assoc + "\\Shell");
  }
  run.Registry->remove(assoc);
}

bool DeleteMenuLink(InstallRun& run, const std::string& name) {
  bool removed = platform::remove_link(run.WorkPath + "/" + LinkFileName(name));
  if (removed) ++run.RemovedCount;
  return removed;
}

}  // namespace

int RemoveInstallation(const std::string& commandLine, InstallRun& run) {
  std::string lower = LowerCase(commandLine);
  run.GermanLanguage = lower.find("stal_g") != std::string::npos;
  std::size_t blank = commandLine.find(' ');
  // The folder keeps its case: on Linux "Corvina" and "corvina" are two folders.
  if (blank == std::string::npos || blank + 1 == commandLine.size() ||
      commandLine.size() - blank - 1 > kMaxPath) {
    ShowRemoveFailedMessage(run);
    return 1;
  }
  run.RemovalDirectory = commandLine.substr(blank + 1);
  run.DialogCaption = "Corvina Deinstallation";
  if (!run.Boxes->Ask(run.DialogCaption,
                      run.Text("Do you really want to remove the Corvina Startmenu entries?",
                               "Wollen Sie die Corvina Startmenü-Einträge wirklich entfernen?")))
    return 0;

  RemoveAssociation(run, "Wordstar unformatted", {".ws"},
                    {"open", "format", "Tavrel", "Wordstar DOS"});
  RemoveAssociation(run, "Wordstar formatted", {".fmt", ".toc", ".taf", ".fun"},
                    {"open", "Tavrel", "preview/print", "Wordstar DOS"});

  run.WorkPath = run.Folders.programs + "/" + kGroupFolderName;
  run.RemovedCount = 0;
  DeleteMenuLink(run, "Dunmoor");
  for (const char* name : {"Dunmoor Documentation", "Dunmoor Dokumentation", "Tavrel",
                           "Tavrel Documentation", "Tavrel Dokumentation", "Readme", "Liesmich",
                           "Deinstallation", "Tutorial", "Program Folder", "Programmordner"})
    DeleteMenuLink(run, name);
  if (platform::remove_directory(run.WorkPath)) ++run.RemovedCount;
  run.WorkPath = run.Folders.start_menu;
  DeleteMenuLink(run, "Tavrel");
  run.WorkPath = run.Folders.desktop;
  DeleteMenuLink(run, "Tavrel");
  DeleteMenuLink(run, "Dunmoor");

  // The links the installation recorded: a removal that took every one of them succeeded,
  // also when fewer than the full set were made (the editor is not part of the suite).
  bool allRecordedGone = false;
  for (int n = 1;; ++n) {
    std::string key = std::string(kMadeLinksKey) + "\\" + std::to_string(n);
    std::optional<std::string> file = run.Registry->default_value(key);
    if (!file) break;
    if (n == 1) allRecordedGone = true;
    if (::access(file->c_str(), F_OK) == 0) allRecordedGone = false;
    run.Registry->remove(key);
  }
  run.Registry->remove(kMadeLinksKey);
  platform::remove_submenu(run.Folders, run.GroupName);
  bool saved = run.Registry->save() == platform::RegistryError::none;
  ExportAssociations(run);

  if (saved && (run.RemovedCount >= 7 || allRecordedGone)) {
    run.Boxes->Tell(
        run.DialogCaption,
        run.Text("Removing the Corvina startmenu entries succeeded.\n\n If you want to remove "
                 "Corvina from disk, you have to delete the directory where the data is located "
                 "by yourself using the Windows Explorer. The directory is: ",
                 "Die Corvina Einträge im Startmenü wurden entfernt.\n\nDas Verzeichnis, in dem "
                 "sich die CorvinaDaten befinden, müssen Sie mit dem Windows Explorer selbst "
                 "löschen. Das Verzeichnis lautet: ") +
            run.RemovalDirectory);
    return 0;
  }
  ShowRemoveFailedMessage(run);
  return 1;
}

int RunInstaller(const std::string& commandLine, InstallRun& run,
                 const std::function<void()>& runDialog) {
  if (LowerCase(commandLine).rfind("/deinstal", 0) == 0)
    return RemoveInstallation(commandLine, run);
  run.DialogCaption = "Corvina Installation";
  run.GermanLanguage = false;
  run.GermanLanguage = run.Boxes->Ask(run.DialogCaption, "German language (Deutsche Sprache) ?");
  if (!run.Boxes->Ask(
          run.DialogCaption,
          run.Text("This program creates Start Menu entries and file associations.\nIt is "
                   "necessary that you have already copied the contents of the archive to the "
                   "final location.\n\nContinue ?",
                   "Dieses Programm erzeugt Startmenü-Einträge und Datei-Verknüpfungen.\nDer "
                   "Inhalt des Archivs muss bereits an seinem endgültigen Ort stehen.\n\n"
                   "Fortfahren ?")))
    return 0;
  runDialog();
  return 0;
}

}  // namespace install_tool

#include "tools/install/install_steps.h"

#include <sys/stat.h>

#include <array>

#include "platform/files.h"
#include "platform/registry.h"
#include "platform/shell.h"

namespace install_tool {

namespace {

constexpr const char* kRoot = "HKEY_CLASSES_ROOT\\";

// The programs of the suite on Linux, where the names of the original file layout had ".exe".
constexpr const char* kEditorFile = "/dunmoor";
constexpr const char* kFormatterFile = "/tavrel";
constexpr const char* kInstallerFile = "/install";

std::string Key(const std::string& name) { return kRoot + name; }

std::string CutAtLastSeparator(const std::string& path) {
  std::size_t cut = path.find_last_of('/');
  return cut == std::string::npos ? path : path.substr(0, cut);
}

// A command value: the program path quoted (it may hold blanks), then the document.
std::string Command(const std::string& program) { return "\"" + program + "\" \"%1\""; }

std::string IconFile(const InstallRun& run, int index) {
  return run.InstallDir + "/data/icons/corvina-" + std::to_string(index) + ".png";
}

struct GroupLink {
  const char* BaseDir;  // "editor", "formatter" or "install"
  const char* English;
  const char* German;
  const char* EnglishSuffix;
  const char* GermanSuffix;
};

constexpr std::array<GroupLink, 8> kGroupLinks = {{
    {"editor", "Dunmoor", "Dunmoor", kEditorFile, kEditorFile},
    {"editor", "Dunmoor Documentation", "Dunmoor Dokumentation", "/Dunmoor-e.hlp",
     "/Dunmoor-g.hlp"},
    {"formatter", "Tavrel", "Tavrel", kFormatterFile, kFormatterFile},
    {"formatter", "Tavrel Documentation", "Tavrel Dokumentation", "/Tavdoc-e.hlp", "/Tavdoc-g.hlp"},
    {"install", "Readme", "Liesmich", "/Readme.txt", "/Liesmich.txt"},
    {"install", "Tutorial", "Tutorial", "/Tutorial_English", "/Tutorial_Deutsch"},
    {"install", "Program Folder", "Programmordner", "", ""},
    {"install", "Deinstallation", "Deinstallation", kInstallerFile, kInstallerFile},
}};

void RecordLink(InstallRun& run, const std::string& file) {
  for (int n = 1;; ++n) {
    std::string key = std::string(kMadeLinksKey) + "\\" + std::to_string(n);
    std::optional<std::string> value = run.Registry->default_value(key);
    if (value == file) return;
    if (!value) {
      run.Registry->set_default_value(key, file);
      return;
    }
  }
}

void MakeLink(InstallRun& run, const std::string& file, const platform::ShellLink& link) {
  switch (platform::create_link(file, link)) {
    case platform::LinkResult::created:
      RecordLink(run, file);
      break;
    case platform::LinkResult::target_missing:
      run.NotMade.push_back(link.name + run.Text(" (not found: ", " (nicht gefunden: ") +
                            link.target + ")");
      break;
    case platform::LinkResult::foreign_file:
      run.NotMade.push_back(link.name +
                            run.Text(" (another program's entry is there: ",
                                     " (dort steht der Eintrag eines anderen "
                                     "Programms: ") +
                            file + ")");
      break;
    case platform::LinkResult::unwritable:
      run.Failed.push_back(file);
      break;
  }
}

void MakeGroupLinks(InstallRun& run) {
  std::vector<std::string> ids;
  for (const GroupLink& g : kGroupLinks) {
    std::string base = std::string(g.BaseDir) == "editor"      ? run.EditorDir
                       : std::string(g.BaseDir) == "formatter" ? run.FormatterDir
                                                               : run.InstallDir;
    run.LinkBaseDir = base;
    std::string name = run.GermanLanguage ? g.German : g.English;
    platform::ShellLink link;
    link.target = base + (run.GermanLanguage ? g.GermanSuffix : g.EnglishSuffix);
    link.working_dir = base;
    link.name = name;
    link.description = run.GroupName;
    if (std::string(g.English) == "Deinstallation") {
      link.icon = IconFile(run, 1);
      link.arguments = {run.GermanLanguage ? "/deinstal_g" : "/deinstal_e", run.InstallDir};
    }
    if (std::string(g.English) == "Tavrel") {
      link.icon = IconFile(run, 0);
      link.mime_types = {kUnformattedType, kFormattedType};
    }
    std::string file = run.GroupFolder + "/" + LinkFileName(name);
    MakeLink(run, file, link);
    if (platform::is_suite_entry(file))
      ids.push_back(std::string(kGroupFolderName) + "-" + LinkFileName(name));
  }
  if (!platform::write_submenu(run.Folders, run.GroupName, ids))
    run.Failed.push_back(run.Text("the menu file of the group", "die Menüdatei der Gruppe"));
}

void MakeProgramLink(InstallRun& run, const std::string& folder, const std::string& program,
                     const std::string& name) {
  platform::ShellLink link;
  link.target = program;
  link.working_dir = run.LinkBaseDir;
  link.name = name;
  link.description = name;
  link.icon = IconFile(run, 0);
  MakeLink(run, folder + "/" + LinkFileName(name), link);
}

// The hand-made association of earlier days goes first.
void RemoveHandMadeAssociation(InstallRun& run) {
  platform::RegistryStore& reg = *run.Registry;
  if (!reg.exists(Key("ws_auto_file"))) return;
  reg.remove(Key(".ws"));
  reg.remove(Key("ws_auto_file\\DefaultIcon"));
  if (reg.exists(Key("ws_auto_file\\Shell"))) {
    reg.remove(Key("ws_auto_file\\Shell\\open\\command"));
    reg.remove(Key("ws_auto_file\\Shell\\open"));
    reg.remove(Key("ws_auto_file\\Shell"));
  }
  reg.remove(Key("ws_auto_file"));
  run.Boxes->Tell(run.Text("Note", "Note"),
                  run.Text("The old hand-made *.WS file association has been removed.",
                           "Die alte von Hand erstellte *.WS Datei-Zuordnung wurde entfernt."));
}

void SetKey(InstallRun& run, const std::string& name, const std::string& className,
            const std::optional<std::string>& value) {
  run.Registry->create(Key(name), className);
  if (value) run.Registry->set_default_value(Key(name), *value);
}

void RegisterFormattedExtension(InstallRun& run, const std::string& ext,
                                const std::string& className) {
  std::optional<std::string> old = run.Registry->default_value(Key(ext));
  if (run.Registry->exists(Key(ext)) && old.value_or("") != "Wordstar formatted") {
    bool take = run.Boxes->Ask("Corvina Installation",
                               ext + " file associaton is already used by '" + old.value_or("") +
                                   "'. Remove the old association?");
    if (!take) return;
  }
  SetKey(run, ext, className, "Wordstar formatted");
}

// A verb of a file type: its key with the class, and the command below it.
void SetVerb(InstallRun& run, const std::string& type, const std::string& verb,
             const std::string& className, const std::string& command) {
  SetKey(run, type + "\\Shell\\" + verb, className, std::nullopt);
  SetKey(run, type + "\\Shell\\" + verb + "\\command", "", command);
}

void WriteAssociations(InstallRun& run) {
  const std::string editor = Command(run.EditorProgram);
  const std::string formatter = Command(run.FormatterProgram);
  const bool dosEditor = !run.DosEditorProgram.empty();
  SetKey(run, ".ws", "Wordstar file unformatted", "Wordstar unformatted");
  SetKey(run, "Wordstar unformatted", "Wordstar unformatted", "Wordstar file unformatted");
  SetKey(run, "Wordstar unformatted\\DefaultIcon", "", IconFile(run, 2));
  SetVerb(run, "Wordstar unformatted", "open", "edit", editor);
  SetVerb(run, "Wordstar unformatted", "format", "format", formatter);
  if (dosEditor)
    SetVerb(run, "Wordstar unformatted", "Wordstar DOS", "Wordstar DOS",
            Command(run.DosEditorProgram));
  RegisterFormattedExtension(run, ".fmt", "Wordstar file formatted");
  RegisterFormattedExtension(run, ".fun", "Wordstar footnotes file");
  RegisterFormattedExtension(run, ".toc", "Wordstar table of contents file");
  RegisterFormattedExtension(run, ".taf", "Wordstar text and footnote file");
  SetKey(run, "Wordstar formatted", "Wordstar formatted", "Wordstar file formatted");
  SetKey(run, "Wordstar formatted\\DefaultIcon", "", IconFile(run, 3));
  SetVerb(run, "Wordstar formatted", "open", "edit", editor);
  SetVerb(run, "Wordstar formatted", "Tavrel", "Tavrel", formatter);
  if (dosEditor)
    SetVerb(run, "Wordstar formatted", "Wordstar DOS", "Wordstar DOS",
            Command(run.DosEditorProgram));
}

}  // namespace

std::string LinkFileName(const std::string& linkName) {
  std::string file;
  for (char c : linkName) {
    if (c >= 'A' && c <= 'Z')
      file += static_cast<char>(c + 32);
    else if (c == ' ')
      file += '-';
    else
      file += c;
  }
  return file + ".desktop";
}

void WriteLanguageMarker(InstallRun& run) {
  std::string file = run.CurrentDirectory + (run.GermanLanguage ? "/Deutsch.txt" : "/English.txt");
  std::string text = run.GermanLanguage
                         ? "Bei der Installation wurde die Sprache DEUTSCH gewaehlt."
                         : "During installation process, the language ENGLISH was chosen.";
  // Skipped when it cannot be written, as Tavrel then simply asks nothing of it.
  platform::replace_file_atomic(file, text);
}

bool ReadDirectoryFields(InstallRun& run, const std::string& editorField,
                         const std::string& formatterField) {
  for (const std::string& field : {editorField, formatterField}) {
    if (field.size() > kMaxPath) {
      run.Boxes->Tell(run.DialogCaption,
                      run.Text("The directory name is longer than 199 characters:\n",
                               "Der Verzeichnisname ist länger als 199 Zeichen:\n") +
                          field);
      return false;
    }
  }
  auto strip = [](std::string dir) {
    while (dir.size() > 1 && dir.back() == '/') dir.pop_back();
    return dir;
  };
  run.EditorDir = strip(editorField);
  run.FormatterDir = strip(formatterField);
  run.EditorParent = CutAtLastSeparator(run.EditorDir);
  run.FormatterParent = CutAtLastSeparator(run.FormatterDir);
  return true;
}

void WriteEditorNameFile(InstallRun& run) {
  if (platform::replace_file_atomic(run.FormatterDir + "/dunname.tmp", run.EditorProgram) !=
      platform::FileError::none)
    run.Failed.push_back(run.FormatterDir + "/dunname.tmp");
}

void RunInstallSteps(InstallRun& run) {
  run.EditorProgram = run.EditorDir + kEditorFile;
  run.FormatterProgram = run.FormatterDir + kFormatterFile;
  WriteEditorNameFile(run);
  run.GroupFolder = run.Folders.programs + "/" + kGroupFolderName;
  run.InstallProgram = run.InstallDir + kInstallerFile;
  struct stat st;
  bool newGroup = ::stat(run.GroupFolder.c_str(), &st) != 0;
  if (newGroup) {
    platform::create_directory(run.GroupFolder);
    MakeGroupLinks(run);
  }
  if (run.StartMenuLink)
    MakeProgramLink(run, run.Folders.start_menu, run.FormatterProgram, "Tavrel");
  if (run.DesktopLinks) {
    MakeProgramLink(run, run.Folders.desktop, run.FormatterProgram, "Tavrel");
    MakeProgramLink(run, run.Folders.desktop, run.EditorProgram, "Dunmoor");
  }
  RemoveHandMadeAssociation(run);
  WriteAssociations(run);
  if (run.Registry->save() != platform::RegistryError::none)
    run.Failed.push_back(run.Text("the registry file ", "die Registry-Datei ") +
                         platform::RegistryStore::default_path());
  if (!ExportAssociations(run))
    run.Failed.push_back(run.Text("the desktop's file types", "die Dateitypen des Desktops"));

  // Told last, and only as far as it is true.
  std::string text =
      run.Failed.empty()
          ? run.Text("You can start now Dunmoor and Tavrel from the Windows Start Menu.",
                     "Dunmoor und Tavrel läßt sich nun über das Windows-Startmenü starten.")
          : run.Text("The installation has not completely succeeded. Not written:",
                     "Die Installation war nicht vollständig. Nicht geschrieben:");
  for (const std::string& f : run.Failed) text += "\n  " + f;
  if (!run.NotMade.empty()) {
    text += run.Text("\n\nEntries not made:", "\n\nNicht erzeugte Einträge:");
    for (const std::string& n : run.NotMade) text += "\n  " + n;
  }
  run.Boxes->Tell(run.Failed.empty() ? run.Text("Success", "Erfolg") : run.Text("Error", "Fehler"),
                  text);
}

bool ExportAssociations(InstallRun& run) {
  platform::RegistryStore& reg = *run.Registry;
  auto is = [&](const std::string& name, const char* value) {
    return reg.default_value(Key(name)).value_or("") == value;
  };
  std::vector<std::string> formattedGlobs;
  for (const char* ext : {".fmt", ".fun", ".toc", ".taf"})
    if (is(ext, "Wordstar formatted")) formattedGlobs.push_back(std::string("*") + ext);
  bool unformatted = is(".ws", "Wordstar unformatted") && reg.exists(Key("Wordstar unformatted"));
  bool formatted = !formattedGlobs.empty() && reg.exists(Key("Wordstar formatted"));

  std::string xml;
  if (unformatted || formatted) {
    xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<!-- " + std::string(platform::kSuiteMark) +
          " -->\n<mime-info xmlns=\"http://www.freedesktop.org/standards/shared-mime-info\">\n";
    if (unformatted)
      xml += std::string("  <mime-type type=\"") + kUnformattedType +
             "\">\n    <comment>Wordstar file unformatted</comment>\n"
             "    <sub-class-of type=\"text/plain\"/>\n    <glob pattern=\"*.ws\"/>\n"
             "  </mime-type>\n";
    if (formatted) {
      xml += std::string("  <mime-type type=\"") + kFormattedType +
             "\">\n    <comment>Wordstar file formatted</comment>\n";
      for (const std::string& g : formattedGlobs) xml += "    <glob pattern=\"" + g + "\"/>\n";
      xml += "  </mime-type>\n";
    }
    xml += "</mime-info>\n";
  }
  std::string package = run.Folders.data_home + "/mime/packages/" + kMimePackage + ".xml";
  struct stat st;
  bool ok = true;
  if (!xml.empty() || ::stat(package.c_str(), &st) == 0)
    ok = platform::write_mime_package(run.Folders, kMimePackage, xml);
  platform::remove_default_applications(run.Folders, kTavrelDesktopId);
  if (unformatted)
    ok = platform::set_default_application(run.Folders, kUnformattedType, kTavrelDesktopId) && ok;
  if (formatted)
    ok = platform::set_default_application(run.Folders, kFormattedType, kTavrelDesktopId) && ok;
  return ok;
}

}  // namespace install_tool

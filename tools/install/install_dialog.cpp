#include "tools/install/install_dialog.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>

#include "tools/install/install_steps.h"

namespace install_tool {

namespace {

// The template is laid out in dialog units; two pixels each is what its font gives on screen.
constexpr int kUnit = 2;

QString Q(const std::string& text) { return QString::fromStdString(text); }

template <typename Widget>
Widget* Place(QDialog* dialog, Widget* widget, int id, int x, int y, int w, int h) {
  widget->setObjectName(QString::number(id));
  widget->setGeometry(x * kUnit, y * kUnit, w * kUnit, h * kUnit);
  widget->setParent(dialog);
  return widget;
}

QLabel* Text(QDialog* dialog, const InstallRun& run, int id, const char* english,
             const char* german, int x, int y, int w, int h) {
  auto* label = Place(dialog, new QLabel(Q(run.Text(english, german))), id, x, y, w, h);
  label->setWordWrap(true);
  label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  return label;
}

}  // namespace

InstallDialog::InstallDialog(InstallRun& run, FolderChooser chooseFolder,
                             ProgramChooser chooseProgram)
    : run_(run), chooseFolder_(std::move(chooseFolder)), chooseProgram_(std::move(chooseProgram)) {
  setObjectName("INSTALL_WINDOW");
  setWindowTitle("Corvina Installation");
  resize(294 * kUnit, 179 * kUnit);

  WriteLanguageMarker(run_);
  Text(this, run_, 801,
       "This dialog creates start menu entries and file associations for Dunmoor and Tavrel.",
       "Dieses Programm erzeugt Startmenü-Einträge und Datei-Verknüpfungen für Dunmoor und "
       "Tavrel.",
       12, 4, 260, 20);
  Text(this, run_, 812,
       "To test Dunmoor and Tavrel, you can start the EXE files directly. This program also "
       "uninstalls the entries.",
       "Um Dunmoor und Tavrel auszuprobieren, können Sie die EXE-Dateien auch direkt ausführen. "
       "Dieses Programm deinstalliert auch die Einträge.",
       20, 28, 248, 20);
  Text(this, run_, 813, "Dunmoor directory", "Dunmoor Verzeichnis", 16, 54, 76, 12);
  editorField_ = Place(this, new QLineEdit, 803, 96, 52, 136, 12);
  auto* explore1 =
      Place(this, new QPushButton(Q(run_.Text("explore", "durchsuchen"))), 814, 236, 52, 52, 12);
  Text(this, run_, 808, "Tavrel directory", "Tavrel Verzeichnis", 16, 70, 76, 12);
  formatterField_ = Place(this, new QLineEdit, 811, 96, 68, 136, 12);
  auto* explore2 =
      Place(this, new QPushButton(Q(run_.Text("explore", "durchsuchen"))), 810, 236, 68, 52, 12);
  Text(this, run_, 821, "optionally Wordstar DOS executable file",
       "optional Wordstar DOS EXE-Datei", 16, 86, 76, 20);
  dosEditorField_ = Place(this, new QLineEdit, 819, 96, 88, 136, 12);
  auto* explore3 =
      Place(this, new QPushButton(Q(run_.Text("explore", "durchsuchen"))), 818, 236, 88, 52, 12);
  startMenuBox_ = Place(
      this,
      new QCheckBox(Q(run_.Text("make 'Tavrel' entry in Start menu (highest level)",
                                "'Tavrel' Startmenü-Eintrag direkt im Haupt-Startmenü erzeugen"))),
      804, 16, 108, 256, 12);
  Text(this, run_, 805, "In any case, an entry Start - Programs - Corvina will be generated.",
       "In jedem Fall wird ein Eintrag unter Start - Programme - Corvina vorgenommen.", 16, 120,
       256, 8);
  desktopBox_ = Place(this,
                      new QCheckBox(Q(run_.Text(
                          "make desktop icons for Dunmoor and Tavrel",
                          "Programmsmymbole für Dunmoor und Tavrel auf dem Desktop erzeugen"))),
                      802, 16, 128, 256, 18);
  auto* install =
      Place(this, new QPushButton(Q(run_.Text("do instal", "Installieren"))), 1, 80, 156, 50, 14);
  auto* cancel =
      Place(this, new QPushButton(Q(run_.Text("Cancel", "Abbrechen"))), 2, 156, 156, 50, 14);
  install->setDefault(true);

  run_.DesktopLinks = true;
  run_.StartMenuLink = false;
  desktopBox_->setChecked(true);
  startMenuBox_->setChecked(false);
  run_.InstallDir = run_.CurrentDirectory;
  run_.DosEditorProgram.clear();
  editorField_->setText(Q(run_.InstallDir + "/Dunmoor"));
  formatterField_->setText(Q(run_.InstallDir + "/Tavrel"));
  run_.LinkBaseDir = run_.InstallDir + "/Tavrel";

  connect(desktopBox_, &QCheckBox::toggled, this, [this](bool on) { run_.DesktopLinks = on; });
  connect(startMenuBox_, &QCheckBox::toggled, this, [this](bool on) { run_.StartMenuLink = on; });
  connect(explore1, &QPushButton::clicked, this, [this] {
    Explore(editorField_, "Location for the new Dunmoor directory",
            "Ort für das neue Dunmoor Verzeichnis", true);
  });
  connect(explore2, &QPushButton::clicked, this, [this] {
    Explore(formatterField_, "Location for the new Tavrel directory",
            "Ort für das neue Tavrel Verzeichnis", false);
  });
  connect(explore3, &QPushButton::clicked, this, [this] {
    std::optional<std::string> program = chooseProgram_(run_.Text(
        "Select 2nd editor executable file, usually your DOS Wordstar",
        "Wählen Sie die EXE-Datei für den zweiten Editor, in der Regel Ihr DOS Wordstar"));
    if (!program) return;
    run_.DosEditorProgram = *program;
    dosEditorField_->setText(Q(*program));
  });
  connect(install, &QPushButton::clicked, this, &InstallDialog::Install);
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

void InstallDialog::Explore(QLineEdit* field, const std::string& english, const std::string& german,
                            bool editor) {
  if (!ReadDirectoryFields(run_, editorField_->text().toStdString(),
                           formatterField_->text().toStdString()))
    return;
  std::optional<std::string> folder =
      chooseFolder_(run_.Text(english, german), editor ? run_.EditorParent : run_.FormatterParent);
  if (!folder) return;
  std::string path = *folder;
  if (path.empty() || path.back() != '/') path += '/';
  field->setText(Q(path));
}

void InstallDialog::Install() {
  if (!ReadDirectoryFields(run_, editorField_->text().toStdString(),
                           formatterField_->text().toStdString()))
    return;
  RunInstallSteps(run_);
  accept();
}

bool QtInstallerBoxes::Ask(const std::string& caption, const std::string& text) {
  return QMessageBox::question(nullptr, Q(caption), Q(text), QMessageBox::Yes | QMessageBox::No) ==
         QMessageBox::Yes;
}

void QtInstallerBoxes::Tell(const std::string& caption, const std::string& text) {
  QMessageBox::information(nullptr, Q(caption), Q(text));
}

}  // namespace install_tool

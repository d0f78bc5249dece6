// The dot-command dialog (Form10): the user picks a command from the outline, reads its help,
// fills its parameter (a measure in a chosen scale, a file, a font, an unused character, a
// shape) and inserts the finished line at the cursor of the editor window that shows the
// document. The editor may open the dialog on the command under its cursor.
#pragma once

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTreeWidget>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "formatter/common/help_lookup.h"
#include "formatter/common/message_boxes.h"
#include "formatter/common/settings_record.h"
#include "formatter/fonts/printer_data.h"
#include "formatter/windows/editor_link.h"
#include "formatter/windows/secondary_form.h"

class QComboBox;

namespace tavrel {

// How the dialog reaches the editor window of the current document's ".ws" file. Each call
// returns false when no editor window shows the document.
class DotCommandSender {
 public:
  virtual ~DotCommandSender() = default;
  virtual bool SendCommand(std::int32_t code, std::int32_t value) = 0;
  // EL_TEXT_BEGIN with requestFlag, then text (+ blank + parameter) as EL_TEXT_CHAR.
  virtual bool InsertText(const std::string& text, const std::string& parameter,
                          std::int32_t requestFlag) = 0;
  // The command as the editor's leading string, then blank + parameter as EL_TEXT_CHAR.
  virtual bool SendHeaderText(const std::string& command, const std::string& parameter) = 0;
  // A prompt the editor shows marked.
  virtual bool SendMarkedText(const std::string& text) = 0;
  // WM_EDITOR_LINK to Tavrel's own main window (the font sample of code 2).
  virtual void PostToMainWindow(std::int32_t code, std::int32_t value) = 0;
};

// The sender over the cross-process window registry.
class EditorLinkDotCommandSender : public DotCommandSender {
 public:
  // files: the current document when a command is sent.
  EditorLinkDotCommandSender(EditorLink link, std::function<FileContext()> files);

  bool SendCommand(std::int32_t code, std::int32_t value) override;
  bool InsertText(const std::string& text, const std::string& parameter,
                  std::int32_t requestFlag) override;
  bool SendHeaderText(const std::string& command, const std::string& parameter) override;
  bool SendMarkedText(const std::string& text) override;
  void PostToMainWindow(std::int32_t code, std::int32_t value) override;

 private:
  EditorLink link_;
  std::function<FileContext()> files_;
};

// "name = face size" for every defined font of the table, font numbers 1 to 208.
std::vector<std::string> DotCommandFontItems(const TPrinterDataRecord& fonts);

// What the search-file button asks the user.
struct DotFileRequest {
  std::string Title;             // display code page
  std::string Filter;            // "description|mask|description|mask..."
  std::string DefaultExtension;  // "WS", "BMP"
};

class DotCommandDialog : public SecondaryForm {
  Q_OBJECT
 public:
  explicit DotCommandDialog(MainNotifier* mainWindow, QWidget* parent = nullptr);

  DotCommandSender* Sender = nullptr;
  // Keeps a sender made for the dialog and sends through it.
  void TakeSender(std::unique_ptr<DotCommandSender> sender);
  MessageBoxes* Boxes = nullptr;
  TSettingsRecord* Settings = nullptr;  // language, presets, search directories
  // The caller's help files; each opening brings them to the language of Settings.
  HelpFiles* Help = nullptr;
  std::function<std::string()> CurrentDocument;
  std::function<void(int topic)> ShowHelpTopic;
  // The font entries (DotCommandFontItems) of the tables the main window prepared on code 85.
  std::function<std::vector<std::string>()> ListFonts;
  // The chosen file, empty when cancelled; unset: the desktop's open dialog.
  std::function<std::string(const DotFileRequest&)> ChooseFile;
  std::function<bool()> FontSampleVisible;
  std::function<void()> CloseFontSample;
  // The editor needs a moment to take the focus back before the first character arrives.
  std::chrono::milliseconds InsertPause{400};
  std::chrono::milliseconds FrontPause{250};

  // Opened from the menu, or by the editor's code 62 on the command under its cursor.
  void OpenFromMenu();
  void OpenFromEditor(std::uint8_t selector, const std::string& command);

  void BuildDotCommand();
  void InsertSelectedDotCommand();
  void RadioGroup1OnClick(int index);
  void Edit2OnChange();
  void Button2OnClick();
  void Button4OnClick();
  void ComboBox1OnItemSelect(int index);
  void ShowCommandFromEditor(const std::string& received);
  // After the search dialog: the name as it goes into Edit1, perhaps adding its directory.
  void AcceptChosenFile(const std::string& path);
  // EL_UNUSED_CHAR from the editor, a code page 850 byte.
  void AddUnusedCharacter(std::uint8_t character);

  // The selection: its code (0 for none) and its command (upper-cased bracket text).
  int SelectedCode() const;
  const std::string& SelectedCommand() const { return selectedCommand_; }
  bool OpenedByEditor() const { return openedByEditor_ != 0; }
  std::uint8_t WindowSelector() const { return windowSelector_; }
  // Every item of the outline in display order, collapsed ones included.
  std::vector<QTreeWidgetItem*> OutlineItems() const;

  QTreeWidget* Outline1;
  QLabel* Label1;  // help text
  QLabel* Label2;  // parameter caption
  QLineEdit* Edit1;
  QGroupBox* RadioGroup1;
  QRadioButton* RadioItems[3];
  QLabel* Label3;
  QComboBox* ComboBox1;
  QLabel* Label6;
  QComboBox* ComboBox2;
  QPushButton* Button1;  // insert
  QPushButton* Button2;  // Help
  QPushButton* Button3;  // Close
  QPushButton* Button4;  // Search File
  QPushButton* Button5;  // ?
  QPushButton* Button6;  // Expand
  QPushButton* Button7;  // Collapse
  QGroupBox* GroupBox1;
  QLabel* Label4;  // "."
  QLabel* Label5;  // "go to command"
  QLineEdit* Edit2;

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void done(int result) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void Form10OnSetupShow();
  void Form10OnClose();
  void AddDotCommandItem(std::uint8_t level, int tag, const char* german, const char* english);
  void ShowFontChoice(int code);
  void ShowCharacterChoice();
  void ShowShapeChoice();
  void SelectItem(QTreeWidgetItem* item);
  void ReportNoEditorWindow();
  void Inform(const char* german, const char* english, int kind);
  int UnitsPerInch() const;
  bool German() const;
  std::string Pick(const char* german, const char* english) const;

  bool buildOnNextShow_ = true;
  std::string selectedCommand_;
  bool needsParameter_ = false;
  bool leadingString_ = false;
  int lastScale_ = 0;
  std::int32_t openedByEditor_ = 0;  // the value of EL_TEXT_BEGIN
  bool showEditorCommand_ = false;
  std::uint8_t windowSelector_ = 0;
  std::vector<QTreeWidgetItem*> lastOfLevel_;
  int mouseMoves_ = 0;
  bool building_ = false;  // outline being filled: selections are not commands yet
  std::unique_ptr<DotCommandSender> ownSender_;
};

}  // namespace tavrel

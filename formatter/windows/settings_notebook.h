// The settings notebook (Form2): eight pages whose controls show and edit the settings record.
// There is no OK button: whatever is on screen counts, so the job control reads the book before
// every job while it is open, and a timer reads it while a preview is open so that the preview
// follows the settings.
#pragma once

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QSpinBox>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "formatter/common/message_boxes.h"
#include "formatter/common/settings_record.h"
#include "formatter/windows/secondary_form.h"

namespace tavrel {

enum class BookDirection { kSet, kRead };

// The notebook's page indices.
enum NotebookPage : int {
  kPageProgram = 0,
  kPageFormat = 1,
  kPagePrint = 2,
  kPageHyphenation = 3,
  kPageLayout = 4,
  kPageNotes = 5,
  kPageIndex = 6,
  kPagePdf = 7,
};

// A control character as the notebook shows it: codes up to 26 as "^" + letter.
std::string ControlCharToText(std::uint8_t code);
// "^X" (two or more characters) gives X AND 31, other text its first character; empty text
// keeps `current`, as there is no character to take.
std::uint8_t TextToControlChar(const std::string& text, std::uint8_t current);
// The footnote link text stores blanks as byte 176 so that they survive the formatter's
// blank handling; the notebook shows them as blanks.
std::string DecodeFootnoteLinkBlanks(std::string text);
std::string EncodeFootnoteLinkBlanks(std::string text);

class SettingsNotebook : public SecondaryForm {
  Q_OBJECT
 public:
  // settings: the record the book shows and edits; it must outlive the notebook.
  SettingsNotebook(TSettingsRecord* settings, MainNotifier* mainWindow, QWidget* parent = nullptr);

  // What the book needs from the program; unset hooks do nothing (or use the platform).
  MessageBoxes* Boxes = nullptr;
  std::function<std::vector<std::string>()> PrinterNames;  // default: platform/printers
  std::function<std::string(const std::string& dotCommand)> DotCommandHelp;
  std::function<void(int topic)> ShowHelpTopic;
  // The open dialog of SucheDateiname: title and filter in, the chosen file (empty: none) out.
  std::function<std::string(const QString& title, const QString& filter)> ChooseFile;
  // The directory chooser shown modally; empty: cancelled.
  std::function<std::string()> ChooseDirectory;
  std::function<void(const std::string& url)> OpenWebBrowser;
  // The printer chosen in ComboBox1, by its index in the installed printers.
  std::function<void(int index)> SelectPrinter;
  // A font number's family and point size for the sample buttons; false: no such font.
  struct FontSampleInfo {
    std::string Family;
    double Points = 0;
  };
  std::function<bool(std::uint8_t number, FontSampleInfo& info)> FontSample;
  std::string ProgramDirectory;
  // The preview link of the timer: whether a preview is open, the record copied when it
  // started, and clearing its busy flag.
  std::function<bool()> PreviewOpen;
  const TSettingsRecord* PreviewStartSettings = nullptr;
  std::function<void()> ClearPreviewBusy;

  void EinstellungsbuchSetzen();
  void EinstellungsbuchLesen();
  void Timer1OnTimer();
  bool NotebookOpen() const { return notebookOpen_; }

  static constexpr int kMetafileDpis[5] = {150, 300, 600, 720, 1500};
  struct TexLanguage {
    const char* Item;
    const char* File;
  };
  static const TexLanguage kTexLanguages[11];

  QTabWidget* TabbedNotebook1;
  QTimer* Timer1;

  // Program
  QLineEdit* Edit2;
  QLineEdit* Edit5;
  QLineEdit* Edit3;
  QToolButton* SpeedButton2;
  QToolButton* SpeedButton1;
  QToolButton* SpeedButton3;
  QGroupBox* RadioGroup1;
  QCheckBox* CheckBox13;
  QCheckBox* CheckBox12;
  QCheckBox* CheckBox17;
  QCheckBox* CheckBox11;
  QCheckBox* CheckBox21;
  QPushButton* Button4;
  // Print
  QSlider* TrackBar1;
  QCheckBox* CheckBox5;
  QComboBox* ComboBox1;
  QCheckBox* CheckBox15;
  QGroupBox* RadioGroup5;
  // Format
  QCheckBox* CheckBox6;
  QSpinBox* SpinEdit11;
  QSpinBox* SpinEdit12;
  QLineEdit* Edit4;
  QLineEdit* Edit6;
  QPushButton* Button1;
  QPushButton* Button3;
  QCheckBox* CheckBox16;
  QSpinBox* SpinEdit18;
  // Hyphenation
  QRadioButton* RadioButton1;
  QRadioButton* RadioButton2;
  QRadioButton* RadioButton3;
  QRadioButton* RadioButton4;
  QGroupBox* GroupBox1;
  QGroupBox* GroupBox2;
  QCheckBox* CheckBox1;
  QCheckBox* CheckBox2;
  QCheckBox* CheckBox3;
  QSpinBox* SpinEdit1;
  QLineEdit* Edit1;
  QSpinBox* SpinEdit2;
  QCheckBox* CheckBox4;
  QComboBox* ComboBox2;
  // Layout
  QSpinBox* SpinEdit3;
  QComboBox* ComboBox3;
  QSpinBox* SpinEdit8;   // .PL
  QSpinBox* SpinEdit4;   // .MT
  QSpinBox* SpinEdit5;   // .MB
  QSpinBox* SpinEdit6;   // .PO
  QSpinBox* SpinEdit7;   // .RM
  QSpinBox* SpinEdit15;  // .HM
  QSpinBox* SpinEdit16;  // .FM
  QSpinBox* SpinEdit9;   // .LS
  QSpinBox* SpinEdit10;  // .LW
  QCheckBox* CheckBox14;
  QGroupBox* RadioGroup2;
  QGroupBox* RadioGroup3;
  // Notes
  QSpinBox* SpinEdit13;
  QSpinBox* SpinEdit14;
  QLineEdit* Edit7;
  QLineEdit* Edit8;
  QLineEdit* Edit9;
  QLineEdit* Edit10;
  QSpinBox* SpinEdit17;
  // Index
  QCheckBox* CheckBox7;
  QCheckBox* CheckBox8;
  QCheckBox* CheckBox22;
  QCheckBox* CheckBox9;
  QCheckBox* CheckBox10;
  // PDF
  QCheckBox* CheckBox18;
  QCheckBox* CheckBox19;
  QCheckBox* CheckBox20;
  QGroupBox* RadioGroup4;
  QLineEdit* Edit11;
  QToolButton* SpeedButton4;
  QLineEdit* Edit12;
  QComboBox* ComboBox4;

  // The hint a Layout spin edit shows: its value as a length in cm or inches.
  QString MeasureHint(bool vertical, int value) const;
  // The colour CheckeDateiname gives a file-name edit.
  static QColor FileNameColour(const std::string& name);

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void done(int result) override;

 private:
  void BuildProgramPage();
  void BuildFormatPage();
  void BuildPrintPage();
  void BuildHyphenationPage();
  void BuildLayoutPage();
  void BuildNotesPage();
  void BuildIndexPage();
  void BuildPdfPage();
  QWidget* AddPage(const char* caption, const char* titleName, const char* title,
                   const char* helpButton, int helpTopic);

  void ProgramPage(BookDirection d);  // also the Print page
  void FormatPage(BookDirection d);
  void HyphenationPage(BookDirection d);
  void LayoutPage(BookDirection d);
  void NotesPage(BookDirection d);
  void IndexPage(BookDirection d);
  void PdfPage(BookDirection d);
  void TransferPageTemplate(BookDirection d);
  void SelectPageTemplate(int index);
  void EnableHyphenationGroups();
  void FillPrinters(QComboBox* box, const std::string& field);

  void Form2OnClose();
  void CheckeDateiname(QLineEdit* edit);
  bool SucheDateiname(QLineEdit* edit, const QString& mask);
  void SpeedButton3OnClick();
  void RadioGroup1OnClick();
  void ComboBox2Select(int index);
  void DotcommandHints();
  void ShowFontSample(QPushButton* button, QLineEdit* field);
  void Inform(const std::string& german850, const std::string& english);

  TSettingsRecord* settings_;
  bool notebookOpen_ = false;
  bool beingFilled_ = false;
  bool firstShow_ = true;
  // Set while the book is read: a box shown by the read runs an event loop in which the
  // timer fires again, and a nested read would stack a second box.
  bool reading_ = false;
  int tickCounter_ = 0;
  std::vector<std::string> texFiles_;
  QPushButton* helpButtons_[8] = {};
};

}  // namespace tavrel

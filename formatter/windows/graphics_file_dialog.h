// The graphics-file dialog (Form11): loads a picture from the clipboard or a file, shows it
// scaled, converts it between BMP, EMF, WMF, GIF and JPG, saves it under a numbered name next
// to the document and, when the editor asked for the picture, inserts its ".BM" line there.
#pragma once

#include <QButtonGroup>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "formatter/common/file_services.h"
#include "formatter/common/message_boxes.h"
#include "formatter/common/messages.h"
#include "formatter/common/settings_record.h"
#include "formatter/windows/editor_link.h"
#include "formatter/windows/graphics_file_formats.h"
#include "formatter/windows/secondary_form.h"
#include "platform/metafiles.h"

namespace tavrel {

// What the editor told about the picture it wants (codes 11 and 12).
struct EditorPictureRequest {
  std::int32_t PicturePercent = 0;
  std::int32_t PictureTextWidth = 0;  // tenths of an inch
};

class GraphicsFileDialog : public SecondaryForm {
  Q_OBJECT
 public:
  GraphicsFileDialog(MainNotifier* mainWindow, QWidget* parent = nullptr);

  MessageBoxes* Boxes = nullptr;
  // The settings (language, MetafileDpi, which the size rule sets to 300 when it is 0) and
  // the current document, next to which pictures are saved.
  TSettingsRecord* Settings = nullptr;
  FileContext Files;
  // The editor's latest values; unset: none received.
  std::function<EditorPictureRequest()> PictureRequest;
  // EL_TEXT_BEGIN with requestFlag, then text, to the window the selector chooses; false when
  // no editor window took it. Unset: there is no editor link.
  std::function<bool(const std::string& text, std::int32_t requestFlag, std::uint8_t selector)>
      InsertIntoEditor;
  // EL_DIALOG_DONE (value 0) to the window the selector chooses.
  std::function<void(std::uint8_t selector)> DialogDone;
  std::function<void(int topic)> ShowHelp;
  // The file chooser of "File"; unset: the desktop's open dialog. Empty: nothing chosen.
  std::function<std::string()> ChooseFile;

  // The editor's side of the three hooks above: the values of codes 11 and 12, the ".BM" line
  // and EL_DIALOG_DONE through the link (selector 0: the document's window, else the
  // formatted file's). link must outlive the dialog's use of it.
  void ConnectEditorLink(const EditorLink& link);

  // Codes 13 (named false: the clipboard picture) and 22 (named true: the file the editor
  // named, to go back to the window of the selector).
  void OpenFromEditor(bool named, std::uint8_t selector, const std::string& name);
  // The menu, a file on the command line or dropped on the main window (name may be empty).
  void OpenWithFile(const std::string& name);

  void LadenVonClipboard();
  void LadenVonDatei(const std::string& name);
  void Button2OnClick();  // "Save"
  void Button5OnClick();  // "File"
  void Radiogroup1OnClick(int index);
  void SetImageDimensions();
  void ClearImage();
  // The required size for the picture's height/width ratio into RequiredWidth/RequiredHeight;
  // false (with the reason in a box when report is set) when it would be no picture.
  bool BerechneGroesse(std::optional<double> ratio, bool report);

  int FormatIndex() const { return formatIndex_; }
  bool HasPicture() const { return !bitmap_.empty() || !metafile_.empty(); }
  bool PictureIsMetafile() const { return !metafile_.empty(); }
  const platform::Bitmap& PictureBitmap() const { return bitmap_; }
  // The last file written by "Save" (empty before one).
  const std::string& SavedFileName() const { return savedFileName_; }

  bool CalledFromEditor = false;
  bool PictureNamed = false;
  std::uint8_t WindowSelector = 0;
  std::int32_t RequiredWidth = 0;
  std::int32_t RequiredHeight = 0;
  // Milliseconds from the insertion to EL_DIALOG_DONE: the editor is still busy inserting.
  int DialogDoneDelay = 400;

  QLabel* Image1;
  QLabel* Label3;        // "load from..."
  QPushButton* Button4;  // "Clipboard"
  QPushButton* Button5;  // "File"
  QGroupBox* RadioGroup1;
  QRadioButton* RadioItems[5];
  QButtonGroup* RadioButtons;
  QLabel* Label1;
  QLineEdit* Edit1;
  QLabel* Label2;
  QPushButton* Button2;  // Save
  QPushButton* Button1;  // Cancel
  QPushButton* Button3;  // ?

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;

 private:
  std::uint8_t Language() const;
  void Say(const MessageTexts& texts);
  void SetLabel2(const MessageTexts& texts, const std::string& tail = {});
  void SetButtonsEnabled(bool enabled);
  void SelectFormat(int index);  // guarded: not taken for the user's choice
  void NameForFormat();
  void ShowPicture();
  bool ConvertMetafileToBitmap();
  std::optional<std::string> SaveTarget(const std::string& name);

  platform::Bitmap bitmap_;
  platform::Metafile metafile_;
  int formatIndex_ = -1;
  bool selecting_ = true;  // the guard: set while the dialog itself selects a format
  bool initialise_ = true;
  int layoutDistance_ = 0;
  std::string savedFileName_;
  QWidget* controls_;
};

}  // namespace tavrel

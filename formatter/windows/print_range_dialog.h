// The print range dialog (Form4): which pages, how many copies, which sides. "Print" checks
// the page list, stores the choice and tells the main window to print; a malformed list keeps
// the dialog open.
#pragma once

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <cstdint>
#include <functional>
#include <string>

#include "formatter/common/message_boxes.h"
#include "formatter/windows/secondary_form.h"

namespace tavrel {

// The print options the dialog sets and the print thread reads.
struct PrintRangeChoice {
  bool PageListValid = false;
  bool ExcludePages = false;
  bool PrintOddPages = true;
  bool PrintEvenPages = true;
  std::int32_t PrintCopies = 1;
  std::string PageList;  // as typed
};

class PrintRangeDialog : public SecondaryForm {
  Q_OBJECT
 public:
  PrintRangeDialog(MainNotifier* mainWindow, QWidget* parent = nullptr);

  // Whether a typed list is well formed (the page engine's reader). Unset: every list is.
  std::function<bool(const std::string&)> ParsePageList;
  // Called with the choice before MN_PRINT_PAGES is posted.
  std::function<void(const PrintRangeChoice&)> StoreChoice;
  MessageBoxes* Boxes = nullptr;
  std::uint8_t Language = 0;
  std::function<void()> ShowHelp;

  void Button2OnClick();  // "Print"

  QLabel* Label1;
  QLineEdit* Edit1;
  QCheckBox* CheckBox1;
  QLabel* Label2;
  QSpinBox* SpinEdit1;
  QGroupBox* RadioGroup1;
  QRadioButton* RadioItems[3];
  QPushButton* Button1;  // Cancel
  QPushButton* Button2;  // Print
  QPushButton* Button3;  // ?

 protected:
  void showEvent(QShowEvent* event) override;
};

}  // namespace tavrel

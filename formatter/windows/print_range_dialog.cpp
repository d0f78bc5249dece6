#include "formatter/windows/print_range_dialog.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QVBoxLayout>

#include "formatter/common/messages.h"
#include "formatter/windows/form_captions.h"

namespace tavrel {

namespace {
constexpr const char* kSideItems[3] = {"odd and even pages", "odd pages only", "even pages only"};
// "Fehler bei der Eingabe der Seitenzahlen!" in code page 850.
const MessageTexts kPageListError{"Fehler bei der Eingabe der Seitenzahlen!",
                                  "Error while entering the page numbers!"};
}  // namespace

PrintRangeDialog::PrintRangeDialog(MainNotifier* mainWindow, QWidget* parent)
    : SecondaryForm("Form4", mainWindow, parent) {
  setWindowTitle("Print page");
  Label1 = new QLabel("Pages sample: 7,9,12-16,21", this);
  Label1->setObjectName("Label1");
  Edit1 = new QLineEdit(this);
  Edit1->setObjectName("Edit1");
  CheckBox1 = new QCheckBox("exclude specified pages", this);
  CheckBox1->setObjectName("CheckBox1");
  Label2 = new QLabel("number of copies", this);
  Label2->setObjectName("Label2");
  SpinEdit1 = new QSpinBox(this);
  SpinEdit1->setObjectName("SpinEdit1");
  SpinEdit1->setRange(1, 20);
  SpinEdit1->setValue(1);
  RadioGroup1 = new QGroupBox("two-sided print", this);
  RadioGroup1->setObjectName("RadioGroup1");
  RadioGroup1->setProperty("controlClass", "TRadioGroup");
  auto* sides = new QVBoxLayout(RadioGroup1);
  for (int i = 0; i < 3; ++i) {
    RadioItems[i] = new QRadioButton(kSideItems[i], RadioGroup1);
    sides->addWidget(RadioItems[i]);
  }
  RadioItems[0]->setChecked(true);
  Button2 = new QPushButton("Print", this);
  Button2->setObjectName("Button2");
  Button2->setDefault(true);
  Button1 = new QPushButton("Cancel", this);
  Button1->setObjectName("Button1");
  Button3 = new QPushButton("?", this);
  Button3->setObjectName("Button3");

  auto* grid = new QGridLayout;
  grid->addWidget(Label1, 0, 0, 1, 2);
  grid->addWidget(Edit1, 1, 0, 1, 2);
  grid->addWidget(CheckBox1, 2, 0, 1, 2);
  grid->addWidget(Label2, 3, 0);
  grid->addWidget(SpinEdit1, 3, 1);
  grid->addWidget(RadioGroup1, 4, 0, 1, 2);
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(Button2);
  buttons->addWidget(Button1);
  buttons->addWidget(Button3);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(grid);
  layout->addLayout(buttons);

  connect(Button2, &QPushButton::clicked, this, [this] { Button2OnClick(); });
  connect(Button1, &QPushButton::clicked, this, [this] { close(); });
  connect(Button3, &QPushButton::clicked, this, [this] {
    if (ShowHelp) ShowHelp();
  });
}

void PrintRangeDialog::Button2OnClick() {
  PrintRangeChoice choice;
  choice.ExcludePages = CheckBox1->isChecked();
  if (RadioItems[1]->isChecked()) choice.PrintEvenPages = false;
  if (RadioItems[2]->isChecked()) choice.PrintOddPages = false;
  const std::string list = CaptionBytes(Edit1->text());
  if (!list.empty()) {
    choice.PageListValid = !ParsePageList || ParsePageList(list);
    if (!choice.PageListValid) {
      if (Boxes) Boxes->ShowMessageBox(ShowMessage(Language, kPageListError), kBoxError);
      return;
    }
  }
  choice.PageList = list;
  choice.PrintCopies = SpinEdit1->value();
  if (StoreChoice) StoreChoice(choice);
  if (MainWindow()) MainWindow()->Post(MN_PRINT_PAGES, 0);
  close();
}

void PrintRangeDialog::showEvent(QShowEvent* event) {
  SecondaryForm::showEvent(event);
  Edit1->setFocus();
}

}  // namespace tavrel

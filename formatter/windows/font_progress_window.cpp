#include "formatter/windows/font_progress_window.h"

#include <QVBoxLayout>

#include "formatter/windows/form_captions.h"

namespace tavrel {

FontProgressWindow::FontProgressWindow(MainNotifier* mainWindow, QWidget* parent)
    : SecondaryForm("Form6", mainWindow, parent) {
  setWindowTitle("Registering fonts - please wait");
  Label1 = new QLabel("Label1", this);
  Label1->setObjectName("Label1");
  ProgressBar1 = new QProgressBar(this);
  ProgressBar1->setObjectName("ProgressBar1");
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(Label1);
  layout->addWidget(ProgressBar1);
  resize(360, 90);
}

void FontProgressWindow::Start(int total) {
  ProgressBar1->setRange(0, total > 0 ? total : 1);
  ProgressBar1->setValue(0);
}

void FontProgressWindow::Step(const std::string& fontName) {
  Label1->setText(CaptionText(fontName));
  ProgressBar1->setValue(std::min(ProgressBar1->value() + 1, ProgressBar1->maximum()));
}

}  // namespace tavrel

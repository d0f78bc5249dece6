#include "formatter/windows/font_sample_window.h"

#include <QVBoxLayout>

namespace tavrel {

FontSampleWindow::FontSampleWindow(MainNotifier* mainWindow, QWidget* parent)
    : SecondaryForm("Form9", mainWindow, parent) {
  Label1 = new QLabel(this);
  Label1->setObjectName("Label1");
  Button1 = new QPushButton("This is a sample text", this);
  Button1->setObjectName("Button1");
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(Label1);
  layout->addWidget(Button1);
  // Moves over the children must reach the window too.
  setMouseTracking(true);
  Label1->setMouseTracking(true);
  Button1->setMouseTracking(true);
  resize(320, 120);
}

void FontSampleWindow::keyPressEvent(QKeyEvent*) { close(); }

void FontSampleWindow::mouseMoveEvent(QMouseEvent*) { close(); }

}  // namespace tavrel

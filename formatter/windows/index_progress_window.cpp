#include "formatter/windows/index_progress_window.h"

#include <QVBoxLayout>

#include "formatter/windows/form_captions.h"
#include "platform/gui/window_messages.h"

namespace tavrel {

IndexProgressWindow::IndexProgressWindow(MainNotifier* mainWindow, QWidget* parent)
    : SecondaryForm("Form7", mainWindow, parent) {
  setWindowTitle("Creating Index");
  Memo1 = new QPlainTextEdit(this);
  Memo1->setObjectName("Memo1");
  Memo1->setReadOnly(true);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(Memo1);
  resize(420, 260);
}

void IndexProgressWindow::AddLine(const std::string& line) {
  const QString text = CaptionText(line);
  if (platform::gui::on_gui_thread())
    Memo1->appendPlainText(text);
  else
    calls_.post([this, text] { Memo1->appendPlainText(text); });
}

void IndexProgressWindow::ClearLines() {
  platform::gui::run_on_gui_thread([this] { Memo1->clear(); });
}

}  // namespace tavrel

#include "formatter/windows/message_list_window.h"

#include <QResizeEvent>

#include "formatter/windows/form_captions.h"
#include "platform/gui/window_messages.h"

namespace tavrel {

MessageListWindow::MessageListWindow(MainNotifier* mainWindow, QWidget* parent)
    : SecondaryForm("Form8", mainWindow, parent) {
  setWindowTitle("Info and Error Messages");
  ListBox1 = new QListWidget(this);
  ListBox1->setObjectName("ListBox1");
  Button1 = new QPushButton("?", this);
  Button1->setObjectName("Button1");
  Button1->setGeometry(2, 2, 24, 24);
  resize(520, 240);
  connect(ListBox1, &QListWidget::itemDoubleClicked, this, [this] { OnDoubleClick(); });
  connect(Button1, &QPushButton::clicked, this, [this] {
    if (ShowHelp) ShowHelp();
  });
}

void MessageListWindow::Clear() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    lines_.clear();
    paragraphs_.clear();
  }
  platform::gui::run_on_gui_thread([this] { ListBox1->clear(); });
}

void MessageListWindow::AddLine(const std::string& line, std::int32_t paragraph) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    lines_.push_back(line);
    if (paragraphs_.size() < static_cast<std::size_t>(kKeptMessageParagraphs))
      paragraphs_.push_back(paragraph);
  }
  // Queued, so a worker never waits for the list; the lines keep their order.
  const QString text = CaptionText(line);
  if (platform::gui::on_gui_thread())
    ListBox1->addItem(text);
  else
    calls_.post([this, text] { ListBox1->addItem(text); });
}

std::vector<std::string> MessageListWindow::Lines() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return lines_;
}

std::int32_t MessageListWindow::ParagraphOf(int index) const {
  std::lock_guard<std::mutex> lock(mutex_);
  if (index < 0 || static_cast<std::size_t>(index) >= paragraphs_.size()) return 0;
  return paragraphs_[static_cast<std::size_t>(index)];
}

void MessageListWindow::OnDoubleClick() {
  // Only a line whose paragraph was kept gives a jump; no selection gives none.
  const std::int32_t paragraph = ParagraphOf(ListBox1->currentRow());
  if (GotoMessagePlace) GotoMessagePlace(paragraph);
}

void MessageListWindow::resizeEvent(QResizeEvent* event) {
  SecondaryForm::resizeEvent(event);
  ListBox1->setGeometry(0, 30, width(), height() - 30);
  Button1->move(Button1->x(), 2);
}

}  // namespace tavrel

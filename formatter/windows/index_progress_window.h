// The index progress window (Form7): the index builder writes its progress into the memo.
#pragma once

#include <QPlainTextEdit>
#include <string>

#include "formatter/windows/secondary_form.h"
#include "platform/gui/window_messages.h"

namespace tavrel {

class IndexProgressWindow : public SecondaryForm {
  Q_OBJECT
 public:
  explicit IndexProgressWindow(MainNotifier* mainWindow, QWidget* parent = nullptr);
  // From any thread; text in the display code page.
  void AddLine(const std::string& line);
  void ClearLines();

  QPlainTextEdit* Memo1;

 private:
  platform::gui::CallQueue calls_{this};  // lines from other threads
};

}  // namespace tavrel

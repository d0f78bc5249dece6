// The index progress window (Form7): the index builder writes its progress into the memo.
#pragma once

#include <QPlainTextEdit>
#include <string>

#include "formatter/windows/secondary_form.h"

namespace tavrel {

class IndexProgressWindow : public SecondaryForm {
  Q_OBJECT
 public:
  explicit IndexProgressWindow(MainNotifier* mainWindow, QWidget* parent = nullptr);
  // From any thread; text in the display code page.
  void AddLine(const std::string& line);
  void ClearLines();

  QPlainTextEdit* Memo1;
};

}  // namespace tavrel

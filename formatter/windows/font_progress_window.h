// The font registration progress (Form6): a line naming the font being measured and a bar.
#pragma once

#include <QLabel>
#include <QProgressBar>
#include <string>

#include "formatter/windows/secondary_form.h"

namespace tavrel {

class FontProgressWindow : public SecondaryForm {
  Q_OBJECT
 public:
  explicit FontProgressWindow(MainNotifier* mainWindow, QWidget* parent = nullptr);
  // GUI thread only.
  void Start(int total);
  void Step(const std::string& fontName);

  QLabel* Label1;
  QProgressBar* ProgressBar1;
};

}  // namespace tavrel

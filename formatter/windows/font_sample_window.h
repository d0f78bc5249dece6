// The font sample (Form9): shows a sample of a font and closes at any key or mouse move.
#pragma once

#include <QLabel>
#include <QPushButton>

#include "formatter/windows/secondary_form.h"

namespace tavrel {

class FontSampleWindow : public SecondaryForm {
  Q_OBJECT
 public:
  explicit FontSampleWindow(MainNotifier* mainWindow, QWidget* parent = nullptr);

  QLabel* Label1;
  QPushButton* Button1;

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
};

}  // namespace tavrel

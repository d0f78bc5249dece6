// What every secondary window of Tavrel does when it is shown: once per arming (at creation
// and after each close) it asks the main window for its captions and keeps itself on the
// screen.
#pragma once

#include <QDialog>
#include <cstdint>

#include "formatter/common/notifications.h"

namespace tavrel {

class SecondaryForm : public QDialog {
  Q_OBJECT
 public:
  // name: "Form4" and so on; mainWindow receives the translation request (may be null).
  SecondaryForm(const char* name, MainNotifier* mainWindow, QWidget* parent = nullptr);

  MainNotifier* MainWindow() const { return main_; }

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void done(int result) override;

 private:
  MainNotifier* main_;
  bool initialisePending_ = true;
};

}  // namespace tavrel

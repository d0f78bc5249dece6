#include "formatter/windows/secondary_form.h"

#include <QCloseEvent>
#include <QShowEvent>

#include "formatter/windows/form_captions.h"

namespace tavrel {

SecondaryForm::SecondaryForm(const char* name, MainNotifier* mainWindow, QWidget* parent)
    : QDialog(parent), main_(mainWindow) {
  setObjectName(name);
}

void SecondaryForm::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (!initialisePending_) return;
  initialisePending_ = false;
  KeepFormOnScreen(this);
  RequestFormTranslation(main_, this);
}

void SecondaryForm::closeEvent(QCloseEvent* event) {
  initialisePending_ = true;
  QDialog::closeEvent(event);
}

void SecondaryForm::done(int result) {
  initialisePending_ = true;
  QDialog::done(result);
}

}  // namespace tavrel

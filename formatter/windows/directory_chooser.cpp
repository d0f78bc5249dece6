#include "formatter/windows/directory_chooser.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

namespace tavrel {

DirectoryChooser::DirectoryChooser(MainNotifier* mainWindow, QWidget* parent)
    : SecondaryForm("Form5", mainWindow, parent) {
  setWindowTitle("Select a directory and press OK");
  ShellTreeView1 = new QTreeView(this);
  ShellTreeView1->setObjectName("ShellTreeView1");
  Button1 = new QPushButton("OK", this);
  Button1->setObjectName("Button1");
  Button2 = new QPushButton("Cancel", this);
  Button2->setObjectName("Button2");
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(Button1);
  buttons->addWidget(Button2);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(ShellTreeView1);
  layout->addLayout(buttons);
  connect(Button1, &QPushButton::clicked, this, &QDialog::accept);
  connect(Button2, &QPushButton::clicked, this, &QDialog::reject);
  resize(380, 420);
}

void DirectoryChooser::EnsureModel() {
  if (model_) return;
  model_ = new QFileSystemModel(this);
  model_->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot);
  model_->setRootPath("/");
  ShellTreeView1->setModel(model_);
  for (int column = 1; column < model_->columnCount(); ++column) ShellTreeView1->hideColumn(column);
}

void DirectoryChooser::showEvent(QShowEvent* event) {
  EnsureModel();
  SecondaryForm::showEvent(event);
}

void DirectoryChooser::SelectDirectory(const std::string& path) {
  EnsureModel();
  const QModelIndex index = model_->index(QString::fromStdString(path));
  if (!index.isValid()) return;
  ShellTreeView1->setCurrentIndex(index);
  ShellTreeView1->scrollTo(index);
}

std::string DirectoryChooser::SelectedDirectory() const {
  const QModelIndex index = ShellTreeView1->currentIndex();
  return model_ && index.isValid() ? model_->filePath(index).toStdString() : std::string();
}

}  // namespace tavrel

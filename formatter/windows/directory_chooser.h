// The directory chooser (Form5): a folder tree with "OK" and "Cancel"; the settings
// notebook shows it modally and takes the selected folder on OK.
#pragma once

#include <QFileSystemModel>
#include <QPushButton>
#include <QTreeView>
#include <string>

#include "formatter/windows/secondary_form.h"

namespace tavrel {

class DirectoryChooser : public SecondaryForm {
  Q_OBJECT
 public:
  explicit DirectoryChooser(MainNotifier* mainWindow, QWidget* parent = nullptr);
  void SelectDirectory(const std::string& path);
  // UTF-8; empty when nothing is selected.
  std::string SelectedDirectory() const;

  QTreeView* ShellTreeView1;
  QPushButton* Button1;  // OK
  QPushButton* Button2;  // Cancel

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  // Made at the first show: the model reads folders in a thread of its own, which a hidden
  // chooser does not need.
  void EnsureModel();
  QFileSystemModel* model_ = nullptr;
};

}  // namespace tavrel

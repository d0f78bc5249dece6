// The drop target for files from the desktop: dropping files on the drop control fills
// Files with their local names (UTF-8) and calls OnDrop once per drop.
#pragma once

#include <QObject>
#include <QPointer>
#include <QWidget>
#include <functional>
#include <string>
#include <vector>

namespace tavrel {

class FileDrop : public QObject {
  Q_OBJECT
 public:
  explicit FileDrop(QObject* parent = nullptr) : QObject(parent) {}
  ~FileDrop() override;

  // Null: the old control no longer takes drops. A control: it takes them (EnableDrop on).
  void SetDropControl(QWidget* control);
  QWidget* DropControl() const { return control_; }
  void SetEnableDrop(bool enable);
  bool EnableDrop() const { return enable_; }

  const std::vector<std::string>& Files() const { return files_; }
  QPoint DropPoint() const { return point_; }
  std::function<void(FileDrop&)> OnDrop;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QPointer<QWidget> control_;
  bool enable_ = false;
  std::vector<std::string> files_;
  QPoint point_;
};

}  // namespace tavrel

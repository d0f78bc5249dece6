#include "formatter/windows/file_drop.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>

namespace tavrel {

FileDrop::~FileDrop() { SetDropControl(nullptr); }

void FileDrop::SetDropControl(QWidget* control) {
  if (control_) {
    control_->removeEventFilter(this);
    control_->setAcceptDrops(false);
  }
  control_ = control;
  if (!control) {
    enable_ = false;
    return;
  }
  control->installEventFilter(this);
  SetEnableDrop(true);
}

void FileDrop::SetEnableDrop(bool enable) {
  enable_ = enable;
  if (control_) control_->setAcceptDrops(enable);
}

bool FileDrop::eventFilter(QObject* watched, QEvent* event) {
  if (watched != control_ || !enable_) return QObject::eventFilter(watched, event);
  if (event->type() == QEvent::DragEnter || event->type() == QEvent::DragMove) {
    auto* drag = static_cast<QDropEvent*>(event);
    if (drag->mimeData() && drag->mimeData()->hasUrls()) {
      drag->acceptProposedAction();
      return true;
    }
    return false;
  }
  if (event->type() != QEvent::Drop) return QObject::eventFilter(watched, event);
  auto* drop = static_cast<QDropEvent*>(event);
  files_.clear();
  point_ = drop->position().toPoint();
  if (drop->mimeData())
    for (const QUrl& url : drop->mimeData()->urls())
      if (url.isLocalFile()) files_.push_back(url.toLocalFile().toStdString());
  drop->acceptProposedAction();
  if (OnDrop) OnDrop(*this);
  return true;
}

}  // namespace tavrel

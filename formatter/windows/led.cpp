#include "formatter/windows/led.h"

#include <QPainter>
#include <QRadialGradient>

namespace tavrel {

Led::Led(QWidget* parent, std::uint32_t colour) : QWidget(parent), colour_(colour) {
  setFixedSize(17, 17);
}

void Led::SetColour(std::uint32_t colour) {
  if (colour == colour_) return;
  colour_ = colour;
  update();
}

void Led::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setRenderHint(QPainter::Antialiasing);
  const QColor base(colour_ & 0xFF, (colour_ >> 8) & 0xFF, (colour_ >> 16) & 0xFF);
  // A light spot upper left makes it read as a lamp, not a dot.
  QRadialGradient glow(QPointF(6, 6), 10);
  glow.setColorAt(0, base.lighter(170));
  glow.setColorAt(1, base);
  p.setPen(QPen(QColor(64, 64, 64), 1));
  p.setBrush(glow);
  p.drawEllipse(QRectF(1.5, 1.5, 14, 14));
}

}  // namespace tavrel

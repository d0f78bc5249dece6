// A status lamp, 17 x 17 pixels: a round light in its colour (0x00BBGGRR, as the job
// control gives it).
#pragma once

#include <QWidget>
#include <cstdint>

namespace tavrel {

class Led : public QWidget {
  Q_OBJECT
 public:
  explicit Led(QWidget* parent = nullptr, std::uint32_t colour = 0x00FF00);
  std::uint32_t Colour() const { return colour_; }
  // Repaints only when the colour changes.
  void SetColour(std::uint32_t colour);
  QSize sizeHint() const override { return {17, 17}; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  std::uint32_t colour_;
};

}  // namespace tavrel

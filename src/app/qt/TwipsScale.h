#pragma once
// Twips (1/1440 inch) to pixels at the screen's logical dpi: 15 twips a pixel
// at 96 dpi, more pixels on a screen set to a larger dpi.

#include <QRect>
#include <QSize>

#include "app/WindowLayout.h"

namespace usblink::app::qt {

class TwipsScale {
 public:
  TwipsScale(double dpiX, double dpiY) : dpiX_(dpiX), dpiY_(dpiY) {}

  [[nodiscard]] int X(int twips) const;
  [[nodiscard]] int Y(int twips) const;
  // Edges are rounded, not sizes, so neighbours stay flush at any dpi.
  [[nodiscard]] QRect Rect(const ControlLayout& layout) const;
  [[nodiscard]] QSize ClientSize() const;

 private:
  double dpiX_;
  double dpiY_;
};

}  // namespace usblink::app::qt

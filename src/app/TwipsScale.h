#pragma once
// Twips (1/1440 inch) and points to pixels at the screen's dpi: 15 twips a
// pixel at 96 dpi, more pixels on a screen set to a larger dpi.

#include "app/WindowLayout.h"

namespace usblink::app {

struct PixelRect {
  int left, top, width, height;
  bool operator==(const PixelRect&) const = default;
};

class TwipsScale {
 public:
  TwipsScale(double dpiX, double dpiY) : dpiX_(dpiX), dpiY_(dpiY) {}

  [[nodiscard]] int X(int twips) const;
  [[nodiscard]] int Y(int twips) const;
  // Edges are rounded, not sizes, so neighbours stay flush at any dpi.
  [[nodiscard]] PixelRect Rect(const ControlLayout& layout) const;
  [[nodiscard]] PixelRect Client() const;
  // The em height of a font of `points`.
  [[nodiscard]] int FontHeight(double points) const;

 private:
  double dpiX_;
  double dpiY_;
};

}  // namespace usblink::app

#include "app/WindowLayout.h"

#include <cmath>

namespace usblink::app {

namespace {

constexpr double kTwipsPerInch = 1440.0;
constexpr double kPointsPerInch = 72.0;

int ToPixels(int twips, double dpi) {
  return static_cast<int>(std::lround(twips * dpi / kTwipsPerInch));
}

}  // namespace

int TwipsScale::X(int twips) const { return ToPixels(twips, dpiX_); }
int TwipsScale::Y(int twips) const { return ToPixels(twips, dpiY_); }

PixelRect TwipsScale::Rect(const ControlLayout& layout) const {
  const int left = X(layout.left);
  const int top = Y(layout.top);
  return {left, top, X(layout.left + layout.width) - left, Y(layout.top + layout.height) - top};
}

PixelRect TwipsScale::Client() const { return {0, 0, X(kClientWidthTwips), Y(kClientHeightTwips)}; }

int TwipsScale::FontHeight(double points) const {
  return static_cast<int>(std::lround(points * dpiY_ / kPointsPerInch));
}

}  // namespace usblink::app

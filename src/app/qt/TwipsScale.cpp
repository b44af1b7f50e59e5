#include "app/qt/TwipsScale.h"

#include <cmath>

namespace usblink::app::qt {

namespace {

constexpr double kTwipsPerInch = 1440.0;

int ToPixels(int twips, double dpi) {
  return static_cast<int>(std::lround(twips * dpi / kTwipsPerInch));
}

}  // namespace

int TwipsScale::X(int twips) const { return ToPixels(twips, dpiX_); }
int TwipsScale::Y(int twips) const { return ToPixels(twips, dpiY_); }

QRect TwipsScale::Rect(const ControlLayout& layout) const {
  const int left = X(layout.left);
  const int top = Y(layout.top);
  return {left, top, X(layout.left + layout.width) - left, Y(layout.top + layout.height) - top};
}

QSize TwipsScale::ClientSize() const { return {X(kClientWidthTwips), Y(kClientHeightTwips)}; }

}  // namespace usblink::app::qt

#pragma once
// Measures captions in the controls' fonts, on a memory device context: unlike
// a window's it costs no round trip to the display.

#include <string_view>

#include "app/win32/WindowsGui.h"

namespace usblink::app::win32 {

class TextMeasure {
 public:
  TextMeasure();
  TextMeasure(const TextMeasure&) = delete;
  TextMeasure& operator=(const TextMeasure&) = delete;
  ~TextMeasure();

  // The extent of `text` on one line in `font`.
  [[nodiscard]] SIZE Extent(HFONT font, std::wstring_view text) const;

 private:
  HDC dc_;
  HGDIOBJ originalFont_;
};

}  // namespace usblink::app::win32

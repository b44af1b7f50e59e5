#include "app/win32/TextMeasure.h"

namespace usblink::app::win32 {

TextMeasure::TextMeasure()
    : dc_(CreateCompatibleDC(nullptr)), originalFont_(GetCurrentObject(dc_, OBJ_FONT)) {}

TextMeasure::~TextMeasure() {
  SelectObject(dc_, originalFont_);
  DeleteDC(dc_);
}

SIZE TextMeasure::Extent(HFONT font, std::wstring_view text) const {
  SelectObject(dc_, font);
  RECT extent{};
  DrawTextW(dc_, text.data(), static_cast<int>(text.size()), &extent,
            DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
  return {extent.right, extent.bottom};
}

}  // namespace usblink::app::win32

#pragma once
// The fonts of the window's controls, one per face, size and weight of the
// layout, in the GB2312 character set the window was drawn for. Where SimSun
// is missing (Wine, say) the system maps it to an installed Song face.

#include <utility>
#include <vector>

#include "app/TwipsScale.h"
#include "app/WindowLayout.h"
#include "app/win32/GdiHandles.h"

namespace usblink::app::win32 {

class ControlFonts {
 public:
  explicit ControlFonts(const TwipsScale& scale);
  // A font of the layout; the window font for any other.
  [[nodiscard]] HFONT For(const FontSpec& spec) const;

 private:
  std::vector<std::pair<FontSpec, FontHandle>> fonts_;
};

}  // namespace usblink::app::win32

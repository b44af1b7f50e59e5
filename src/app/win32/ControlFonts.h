#pragma once
// The fonts of the window's controls, one per face, size and weight of the
// layout, in the GB2312 character set the window was drawn for, and the
// measure of captions in them. Where SimSun is missing (Wine, say) the system
// maps it to an installed Song face.

#include <memory>
#include <string_view>
#include <type_traits>
#include <utility>
#include <vector>

#include "app/WindowLayout.h"
#include "platform/os/win32/LeanWindows.h"

namespace usblink::app::win32 {

// Each font is given back to the system once.
struct FontDeleter {
  void operator()(HFONT font) const { DeleteObject(font); }
};
using FontHandle = std::unique_ptr<std::remove_pointer_t<HFONT>, FontDeleter>;

class ControlFonts {
 public:
  explicit ControlFonts(const TwipsScale& scale);
  // A font of the layout; the window font for any other.
  [[nodiscard]] HFONT For(const FontSpec& spec) const;

 private:
  std::vector<std::pair<FontSpec, FontHandle>> fonts_;
};

// Measures captions in the controls' fonts, on a memory device context: unlike
// a window's it costs no round trip to the display.
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

#include "app/win32/ControlFonts.h"

#include <algorithm>

#include "platform/os/win32/CodePageText.h"

namespace usblink::app::win32 {

namespace {

using usblink::win32::WideFromUtf8;

bool SameFont(const FontSpec& a, const FontSpec& b) {
  return a.face == b.face && a.points == b.points && a.bold == b.bold;
}

FontHandle MakeFont(const FontSpec& spec, const TwipsScale& scale) {
  return FontHandle(
      CreateFontW(-scale.FontHeight(spec.points), 0, 0, 0, spec.bold ? FW_BOLD : FW_NORMAL, FALSE,
                  FALSE, FALSE, GB2312_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                  DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, WideFromUtf8(spec.face).c_str()));
}

}  // namespace

ControlFonts::ControlFonts(const TwipsScale& scale) {
  fonts_.emplace_back(kWindowFont, MakeFont(kWindowFont, scale));
  for (const auto& layout : kControls) {
    const bool known = std::any_of(fonts_.begin(), fonts_.end(), [&](const auto& font) {
      return SameFont(font.first, layout.font);
    });
    if (!known) fonts_.emplace_back(layout.font, MakeFont(layout.font, scale));
  }
}

HFONT ControlFonts::For(const FontSpec& spec) const {
  const auto found = std::find_if(fonts_.begin(), fonts_.end(),
                                  [&](const auto& font) { return SameFont(font.first, spec); });
  return (found != fonts_.end() ? found : fonts_.begin())->second.get();
}

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

#pragma once
// The window is drawn in SimSun and NSimSun, which few machines outside
// Windows have: they are mapped to an installed Song/Ming face so the CJK
// characters and the full-width "：" "！" of the texts still render.

#include <QFont>

#include "app/WindowLayout.h"

namespace usblink::app::qt {

// Safe to call more than once.
void SubstituteCjkFaces();

[[nodiscard]] QFont FontOf(const FontSpec& spec);

}  // namespace usblink::app::qt

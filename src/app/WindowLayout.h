#pragma once
// The window "USB Link" as drawn: every control's place in twips, its font
// and its initial state. Views render this at the screen's dpi; the window
// model starts from it.

#include <array>
#include <string_view>

#include "protocol/CommandPort.h"

namespace usblink::app {

enum class Control {
  CmdReadFile,
  CmdOpenFile,
  Clear,
  lstResults,
  contion,
  TextPID,
  TextVID,
  Label7,
  Label6,
  Label5,
  Label3,
  Label2,
  Label1,
};
inline constexpr std::size_t kControlCount = 13;

enum class ControlKind { Button, ListBox, TextBox, Label };

struct FontSpec {
  std::string_view face;
  double points;
  bool bold;
};
inline constexpr FontSpec kWindowFont{"SimSun", 10.5, false};

struct ControlLayout {
  Control control;
  ControlKind kind;
  std::string_view caption;
  int left, top, width, height;  // twips
  bool visible;
  bool enabled;
  FontSpec font;
  bool autoSize;  // the label sizes itself to its caption
  bool red;
};

inline constexpr int kClientWidthTwips = 8955;
inline constexpr int kClientHeightTwips = 6390;

// In the order the controls are created, one a row: control, kind, caption,
// left, top, width, height, visible, enabled, font, autoSize, red.
// clang-format off
inline constexpr std::array<ControlLayout, kControlCount> kControls{{
    {Control::CmdReadFile, ControlKind::Button, "Read", 4080, 840, 975, 495, false, true, kWindowFont, false, false},
    {Control::CmdOpenFile, ControlKind::Button, "Download", 120, 1200, 1335, 495, true, false, kWindowFont, false, false},
    {Control::Clear, ControlKind::Button, "Clear", 360, 1920, 1095, 495, false, true, kWindowFont, false, false},
    {Control::lstResults, ControlKind::ListBox, "", 360, 2520, 8295, 3630, true, true, kWindowFont, false, false},
    {Control::contion, ControlKind::Button, "USB Link", 120, 360, 1335, 495, true, true, {"SimSun", 12, false}, false, false},
    {Control::TextPID, ControlKind::TextBox, "0C77", 7800, 960, 855, 375, false, true, kWindowFont, false, false},
    {Control::TextVID, ControlKind::TextBox, "04FC", 7800, 360, 855, 375, false, true, kWindowFont, false, false},
    {Control::Label7, ControlKind::Label, "V2.0 ", 6480, 120, 495, 375, true, true, kWindowFont, false, false},
    {Control::Label6, ControlKind::Label, kUpdateNote, 1800, 1320, 4695, 1095, false, true, {"SimSun", 12, false}, false, true},
    {Control::Label5, ControlKind::Label, "", 6720, 1440, 1935, 855, true, true, {"SimSun", 14.25, false}, false, false},
    {Control::Label3, ControlKind::Label, "Not connected", 1800, 480, 1950, 285, true, true, {"SimSun", 14.25, false}, true, false},
    {Control::Label2, ControlKind::Label, "PID", 7080, 960, 495, 285, false, true, {"NSimSun", 14.25, true}, true, false},
    {Control::Label1, ControlKind::Label, "VID", 7080, 360, 495, 285, false, true, {"NSimSun", 14.25, true}, true, false},
}};
// clang-format on

// Keyboard focus order among the controls that can take focus.
inline constexpr std::array<Control, 7> kFocusOrder{
    Control::TextVID, Control::TextPID,     Control::contion,     Control::lstResults,
    Control::Clear,   Control::CmdOpenFile, Control::CmdReadFile,
};

constexpr const ControlLayout& LayoutOf(Control control) {
  for (const auto& layout : kControls) {
    if (layout.control == control) return layout;
  }
  return kControls.front();
}

// Twips (1/1440 inch) and points to pixels at the screen's dpi: 15 twips a
// pixel at 96 dpi, more pixels on a screen set to a larger dpi.
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

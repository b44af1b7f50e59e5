#pragma once
// Report descriptors of common devices, written item by item from the HID
// usage tables. The parser tests check their records; the fuzzer starts from
// them.

#include <array>
#include <cstdint>
#include <span>
#include <string_view>

namespace usblink::samples {

// The calculator: vendor page, report id 1, 63 bytes each way.
inline constexpr auto kCalculator = std::to_array<std::uint8_t>({
    0x06, 0x00, 0xFF,  // Usage Page (FF00)
    0x09, 0x01,        // Usage (1)
    0xA1, 0x01,        // Collection (Application)
    0x85, 0x01,        //   Report ID (1)
    0x15, 0x00,        //   Logical Minimum (0)
    0x26, 0xFF, 0x00,  //   Logical Maximum (255)
    0x75, 0x08,        //   Report Size (8)
    0x95, 0x3F,        //   Report Count (63)
    0x09, 0x01,        //   Usage (1)
    0x81, 0x02,        //   Input (Data,Var,Abs)
    0x95, 0x3F,        //   Report Count (63)
    0x09, 0x01,        //   Usage (1)
    0x91, 0x02,        //   Output (Data,Var,Abs)
    0xC0,              // End Collection
});

// Boot keyboard: modifier bits, a reserved byte, six key codes, five LEDs.
inline constexpr auto kBootKeyboard = std::to_array<std::uint8_t>({
    0x05, 0x01,  // Usage Page (Generic Desktop)
    0x09, 0x06,  // Usage (Keyboard)
    0xA1, 0x01,  // Collection (Application)
    0x05, 0x07,  //   Usage Page (Keyboard/Keypad)
    0x19, 0xE0,  //   Usage Minimum (Left Control)
    0x29, 0xE7,  //   Usage Maximum (Right GUI)
    0x15, 0x00,  //   Logical Minimum (0)
    0x25, 0x01,  //   Logical Maximum (1)
    0x75, 0x01,  //   Report Size (1)
    0x95, 0x08,  //   Report Count (8)
    0x81, 0x02,  //   Input (Data,Var,Abs)
    0x95, 0x01,  //   Report Count (1)
    0x75, 0x08,  //   Report Size (8)
    0x81, 0x01,  //   Input (Const)
    0x95, 0x05,  //   Report Count (5)
    0x75, 0x01,  //   Report Size (1)
    0x05, 0x08,  //   Usage Page (LEDs)
    0x19, 0x01,  //   Usage Minimum (Num Lock)
    0x29, 0x05,  //   Usage Maximum (Kana)
    0x91, 0x02,  //   Output (Data,Var,Abs)
    0x95, 0x01,  //   Report Count (1)
    0x75, 0x03,  //   Report Size (3)
    0x91, 0x01,  //   Output (Const)
    0x95, 0x06,  //   Report Count (6)
    0x75, 0x08,  //   Report Size (8)
    0x15, 0x00,  //   Logical Minimum (0)
    0x25, 0x65,  //   Logical Maximum (101)
    0x05, 0x07,  //   Usage Page (Keyboard/Keypad)
    0x19, 0x00,  //   Usage Minimum (0)
    0x29, 0x65,  //   Usage Maximum (Application)
    0x81, 0x00,  //   Input (Data,Array)
    0xC0,        // End Collection
});

// Boot mouse with three buttons, X, Y and a wheel.
inline constexpr auto kWheelMouse = std::to_array<std::uint8_t>({
    0x05, 0x01,  // Usage Page (Generic Desktop)
    0x09, 0x02,  // Usage (Mouse)
    0xA1, 0x01,  // Collection (Application)
    0x09, 0x01,  //   Usage (Pointer)
    0xA1, 0x00,  //   Collection (Physical)
    0x05, 0x09,  //     Usage Page (Button)
    0x19, 0x01,  //     Usage Minimum (1)
    0x29, 0x03,  //     Usage Maximum (3)
    0x15, 0x00,  //     Logical Minimum (0)
    0x25, 0x01,  //     Logical Maximum (1)
    0x95, 0x03,  //     Report Count (3)
    0x75, 0x01,  //     Report Size (1)
    0x81, 0x02,  //     Input (Data,Var,Abs)
    0x95, 0x01,  //     Report Count (1)
    0x75, 0x05,  //     Report Size (5)
    0x81, 0x01,  //     Input (Const)
    0x05, 0x01,  //     Usage Page (Generic Desktop)
    0x09, 0x30,  //     Usage (X)
    0x09, 0x31,  //     Usage (Y)
    0x09, 0x38,  //     Usage (Wheel)
    0x15, 0x81,  //     Logical Minimum (-127)
    0x25, 0x7F,  //     Logical Maximum (127)
    0x75, 0x08,  //     Report Size (8)
    0x95, 0x03,  //     Report Count (3)
    0x81, 0x06,  //     Input (Data,Var,Rel)
    0xC0,        //   End Collection
    0xC0,        // End Collection
});

// Gamepad with four reports: buttons, sticks and hat (id 1), a vendor
// feature (id 2), rumble output (id 3) and a short vendor input (id 4).
inline constexpr auto kGamepad = std::to_array<std::uint8_t>({
    0x05, 0x01,        // Usage Page (Generic Desktop)
    0x09, 0x05,        // Usage (Game Pad)
    0xA1, 0x01,        // Collection (Application)
    0x85, 0x01,        //   Report ID (1)
    0x05, 0x09,        //   Usage Page (Button)
    0x19, 0x01,        //   Usage Minimum (1)
    0x29, 0x10,        //   Usage Maximum (16)
    0x15, 0x00,        //   Logical Minimum (0)
    0x25, 0x01,        //   Logical Maximum (1)
    0x75, 0x01,        //   Report Size (1)
    0x95, 0x10,        //   Report Count (16)
    0x81, 0x02,        //   Input (Data,Var,Abs)
    0x05, 0x01,        //   Usage Page (Generic Desktop)
    0x09, 0x01,        //   Usage (Pointer)
    0xA1, 0x00,        //   Collection (Physical)
    0x09, 0x30,        //     Usage (X)
    0x09, 0x31,        //     Usage (Y)
    0x09, 0x32,        //     Usage (Z)
    0x09, 0x35,        //     Usage (Rz)
    0x16, 0x00, 0x80,  //     Logical Minimum (-32768)
    0x26, 0xFF, 0x7F,  //     Logical Maximum (32767)
    0x75, 0x10,        //     Report Size (16)
    0x95, 0x04,        //     Report Count (4)
    0x81, 0x02,        //     Input (Data,Var,Abs)
    0xC0,              //   End Collection
    0x09, 0x39,        //   Usage (Hat switch)
    0x15, 0x00,        //   Logical Minimum (0)
    0x25, 0x07,        //   Logical Maximum (7)
    0x75, 0x04,        //   Report Size (4)
    0x95, 0x01,        //   Report Count (1)
    0x81, 0x42,        //   Input (Data,Var,Abs,Null)
    0x81, 0x03,        //   Input (Const,Var)
    0x85, 0x02,        //   Report ID (2)
    0x06, 0x00, 0xFF,  //   Usage Page (FF00)
    0x09, 0x20,        //   Usage (0x20)
    0x15, 0x00,        //   Logical Minimum (0)
    0x26, 0xFF, 0x00,  //   Logical Maximum (255)
    0x75, 0x08,        //   Report Size (8)
    0x95, 0x07,        //   Report Count (7)
    0xB1, 0x02,        //   Feature (Data,Var,Abs)
    0x85, 0x03,        //   Report ID (3)
    0x09, 0x21,        //   Usage (0x21)
    0x95, 0x02,        //   Report Count (2)
    0x91, 0x02,        //   Output (Data,Var,Abs)
    0x85, 0x04,        //   Report ID (4)
    0x09, 0x22,        //   Usage (0x22)
    0x95, 0x01,        //   Report Count (1)
    0x81, 0x02,        //   Input (Data,Var,Abs)
    0xC0,              // End Collection
});

// Vendor device without report ids: signed bytes in and out, a ranged
// 16-bit feature and one feature usage on a page of its own.
inline constexpr auto kVendorNoReportIds = std::to_array<std::uint8_t>({
    0x06, 0xA0, 0xFF,              // Usage Page (FFA0)
    0x09, 0x01,                    // Usage (1)
    0xA1, 0x01,                    // Collection (Application)
    0x15, 0x80,                    //   Logical Minimum (-128)
    0x25, 0x7F,                    //   Logical Maximum (127)
    0x75, 0x08,                    //   Report Size (8)
    0x95, 0x40,                    //   Report Count (64)
    0x09, 0x03,                    //   Usage (3)
    0x81, 0x02,                    //   Input (Data,Var,Abs)
    0x09, 0x04,                    //   Usage (4)
    0x91, 0x02,                    //   Output (Data,Var,Abs)
    0x15, 0x00,                    //   Logical Minimum (0)
    0x27, 0xFF, 0xFF, 0x00, 0x00,  //   Logical Maximum (65535)
    0x75, 0x10,                    //   Report Size (16)
    0x95, 0x04,                    //   Report Count (4)
    0x19, 0x10,                    //   Usage Minimum (0x10)
    0x29, 0x13,                    //   Usage Maximum (0x13)
    0xB1, 0x02,                    //   Feature (Data,Var,Abs)
    0x0B, 0x05, 0x00, 0xA1, 0xFF,  //   Usage (FFA1:0005)
    0x75, 0x08,                    //   Report Size (8)
    0x95, 0x01,                    //   Report Count (1)
    0xB1, 0x02,                    //   Feature (Data,Var,Abs)
    0xC0,                          // End Collection
});

// Keyboard (report id 1) and consumer control (report id 2) in one
// descriptor. The consumer control pushes the globals around its 16-bit
// selector and pops them back for the 8-bit volume.
inline constexpr auto kKeyboardAndConsumer = std::to_array<std::uint8_t>({
    0x05, 0x01,        // Usage Page (Generic Desktop)
    0x09, 0x06,        // Usage (Keyboard)
    0xA1, 0x01,        // Collection (Application)
    0x85, 0x01,        //   Report ID (1)
    0x05, 0x07,        //   Usage Page (Keyboard/Keypad)
    0x19, 0xE0,        //   Usage Minimum (Left Control)
    0x29, 0xE7,        //   Usage Maximum (Right GUI)
    0x15, 0x00,        //   Logical Minimum (0)
    0x25, 0x01,        //   Logical Maximum (1)
    0x75, 0x01,        //   Report Size (1)
    0x95, 0x08,        //   Report Count (8)
    0x81, 0x02,        //   Input (Data,Var,Abs)
    0x95, 0x01,        //   Report Count (1)
    0x75, 0x08,        //   Report Size (8)
    0x81, 0x01,        //   Input (Const)
    0x95, 0x06,        //   Report Count (6)
    0x26, 0xFF, 0x00,  //   Logical Maximum (255)
    0x19, 0x00,        //   Usage Minimum (0)
    0x2A, 0xFF, 0x00,  //   Usage Maximum (255)
    0x81, 0x00,        //   Input (Data,Array)
    0xC0,              // End Collection
    0x05, 0x0C,        // Usage Page (Consumer)
    0x09, 0x01,        // Usage (Consumer Control)
    0xA1, 0x01,        // Collection (Application)
    0x85, 0x02,        //   Report ID (2)
    0xA4,              //   Push
    0x26, 0x9C, 0x02,  //     Logical Maximum (668)
    0x19, 0x00,        //     Usage Minimum (0)
    0x2A, 0x9C, 0x02,  //     Usage Maximum (AC Distribute Vertically)
    0x75, 0x10,        //     Report Size (16)
    0x95, 0x01,        //     Report Count (1)
    0x81, 0x00,        //     Input (Data,Array)
    0xB4,              //   Pop
    0x09, 0xE0,        //   Usage (Volume)
    0x95, 0x01,        //   Report Count (1)
    0x81, 0x02,        //   Input (Data,Var,Abs)
    0xC0,              // End Collection
});

struct SampleDescriptor {
  std::string_view name;
  std::span<const std::uint8_t> bytes;
};

inline constexpr std::array kAll{
    SampleDescriptor{"calculator", kCalculator},
    SampleDescriptor{"boot-keyboard", kBootKeyboard},
    SampleDescriptor{"wheel-mouse", kWheelMouse},
    SampleDescriptor{"gamepad", kGamepad},
    SampleDescriptor{"vendor-no-report-ids", kVendorNoReportIds},
    SampleDescriptor{"keyboard-and-consumer", kKeyboardAndConsumer},
};

}  // namespace usblink::samples

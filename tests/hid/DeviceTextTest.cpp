#include "platform/hid/DeviceText.h"

#include <gtest/gtest.h>

#include <string>

namespace usblink {
namespace {

TEST(DeviceTextTest, KeepsPrintableUnicodeAndReplacesEachControlCharacter) {
  EXPECT_EQ(DeviceText("SIM0001"), "SIM0001");
  EXPECT_EQ(DeviceText("caf\xC3\xA9 \xE6\xBC\xA2 \xF0\x9F\x98\x80 \xC2\xA0"),
            "caf\xC3\xA9 \xE6\xBC\xA2 \xF0\x9F\x98\x80 \xC2\xA0");
  EXPECT_EQ(DeviceText(std::string("a\0b", 3)), "a?b");
  EXPECT_EQ(DeviceText("\x1B]0;owned\x07\n\x7F"), "?]0;owned???");
  // C1: the one-character CSI and NEL, U+009F, each one replacement.
  EXPECT_EQ(DeviceText("\xC2\x9B"
                       "31m\xC2\x85\xC2\x9F"),
            "?31m??");
}

TEST(DeviceTextTest, ReplacesEveryByteThatIsNotWellFormedUtf8) {
  EXPECT_EQ(DeviceText("\xFF\xFE"), "??");
  EXPECT_EQ(DeviceText("\xC0\xAF"), "??") << "overlong";
  EXPECT_EQ(DeviceText("\xE0\x80\xAF"), "???") << "overlong";
  EXPECT_EQ(DeviceText("\xED\xA0\x80"), "???") << "a surrogate";
  EXPECT_EQ(DeviceText("\xF4\x90\x80\x80"), "????") << "past U+10FFFF";
  EXPECT_EQ(DeviceText("ab\xE6\xBC"), "ab??") << "cut short";
  EXPECT_EQ(DeviceText("\x80x"), "?x") << "a lone continuation";
}

TEST(DeviceTextTest, IsBoundedInCharactersNotBytes) {
  EXPECT_EQ(DeviceText(std::string(500, 'A')), std::string(kMostDeviceTextCharacters, 'A'));
  std::string wide;
  for (int i = 0; i < 200; ++i) wide += "\xE6\xBC\xA2";
  EXPECT_EQ(DeviceText(wide), wide.substr(0, 3 * kMostDeviceTextCharacters));
  EXPECT_EQ(DeviceText(std::string(500, '\x01')).size(), kMostDeviceTextCharacters);
}

}  // namespace
}  // namespace usblink

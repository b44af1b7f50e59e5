#include "hid/IdText.h"

#include <gtest/gtest.h>

#include "hid/GuidText.h"

namespace usblink {
namespace {

TEST(IdTextTest, FieldBecomesPrefixAndTrimmedText) {
  EXPECT_EQ(IdTextFromField("04FC"), "&H04FC");
  EXPECT_EQ(IdTextFromField(" 4FC "), "&H4FC");
  EXPECT_EQ(IdTextFromField("  "), "&H");
  EXPECT_EQ(IdTextFromField(""), "&H");
}

TEST(IdTextTest, OneToFourHexDigitsInAnyCaseGiveTheSixteenBitPattern) {
  EXPECT_EQ(IdTextValue("&H4FC"), 0x04FC);
  EXPECT_EQ(IdTextValue("&H04fc"), 0x04FC);
  EXPECT_EQ(IdTextValue("&H0"), 0);
  EXPECT_EQ(IdTextValue("&HFFFF"), 0xFFFF);
  EXPECT_EQ(IdTextValue("&H8000"), 0x8000);
}

TEST(IdTextTest, TextsWithoutOneToFourHexDigitsHaveNoValue) {
  for (const char* text : {"", "&H", "4FC", "&h4FC", "&H10000", "&H04FC0", "&HXYZ", "&H4FG",
                           "&H 4FC", "&H4FC ", "&H-1", "&H+1", "&H0x1"}) {
    EXPECT_EQ(IdTextValue(text), std::nullopt) << text;
  }
}

TEST(GuidTextTest, DataOneToThreeWithoutLeadingZerosThenTheByteDump) {
  EXPECT_EQ(GuidText(kHidClassGuid), "4D1E55B2-F16F-11CF-88 CB 00 11 11 00 00 30 ");
  const Guid small{0x00000A0B, 0x0001, 0x0000, {0, 1, 2, 3, 0xA, 0xB, 0x10, 0xFF}};
  EXPECT_EQ(GuidText(small), "A0B-1-0-00 01 02 03 0A 0B 10 FF ");
}

}  // namespace
}  // namespace usblink

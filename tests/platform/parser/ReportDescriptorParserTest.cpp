#include "platform/hid/ReportDescriptorParser.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <initializer_list>
#include <span>
#include <vector>

#include "platform/parser/SampleDescriptors.h"

namespace usblink {
namespace {

ReportDescriptorParse Parse(std::span<const std::uint8_t> bytes) {
  return ParseReportDescriptor(bytes);
}

ReportDescriptorParse Parse(std::initializer_list<std::uint8_t> bytes) {
  const std::vector<std::uint8_t> descriptor(bytes);
  return ParseReportDescriptor(descriptor);
}

// The only top-level collection of a descriptor that must parse.
CollectionCaps Single(const ReportDescriptorParse& parse) {
  EXPECT_EQ(parse.error, "");
  EXPECT_EQ(parse.collections.size(), 1u);
  return parse.collections.empty() ? CollectionCaps{} : parse.collections.front();
}

// An 8-bit Generic Desktop axis of -127..127 in one field, as a mouse's X, Y and wheel.
HidpValueCaps MouseAxis(std::uint16_t usage, std::uint16_t dataIndex,
                        std::uint16_t linkCollection) {
  return HidpValueCaps{.UsagePage = 0x01,
                       .LinkCollection = linkCollection,
                       .BitSize = 8,
                       .ReportCount = 1,
                       .LogicalMin = -127,
                       .LogicalMax = 127,
                       .UsageMin = usage,
                       .DataIndexMin = dataIndex};
}

// `count` 8-bit fields of 0..255 on the vendor page FF00.
HidpValueCaps VendorBytes(std::uint8_t reportId, std::uint16_t count, std::uint16_t usage,
                          std::uint16_t dataIndex) {
  return HidpValueCaps{.UsagePage = 0xFF00,
                       .ReportID = reportId,
                       .BitSize = 8,
                       .ReportCount = count,
                       .LogicalMax = 255,
                       .UsageMin = usage,
                       .DataIndexMin = dataIndex};
}

TEST(ReportDescriptorParserTest, CalculatorGivesWindowsRecord) {
  const CollectionCaps tlc = Single(Parse(samples::kCalculator));
  // Input and output, report 1: 8 (id) + 8 x 63 = 512 bits = 64 bytes.
  // One usage each way on 8-bit Variable fields: one value cap, one index.
  EXPECT_EQ(tlc.caps, (HidpCaps{.Usage = 1,
                                .UsagePage = 0xFF00,
                                .InputReportByteLength = 64,
                                .OutputReportByteLength = 64,
                                .FeatureReportByteLength = 0,
                                .NumberLinkCollectionNodes = 1,
                                .NumberInputValueCaps = 1,
                                .NumberInputDataIndices = 1,
                                .NumberOutputValueCaps = 1,
                                .NumberOutputDataIndices = 1}));
  const HidpValueCaps field{.UsagePage = 0xFF00,
                            .ReportID = 1,
                            .LinkCollection = 0,
                            .BitSize = 8,
                            .ReportCount = 63,
                            .LogicalMin = 0,
                            .LogicalMax = 255,
                            .IsRange = false,
                            .UsageMin = 1};
  EXPECT_EQ(tlc.inputValueCaps, std::vector{field});
  EXPECT_EQ(tlc.outputValueCaps, std::vector{field});
  EXPECT_TRUE(tlc.featureValueCaps.empty());
}

TEST(ReportDescriptorParserTest, BootKeyboard) {
  const CollectionCaps tlc = Single(Parse(samples::kBootKeyboard));
  // Input: 8 (id) + 1x8 modifiers + 8x1 reserved + 8x6 keys = 72 bits = 9 bytes.
  //   Modifiers: 1-bit range E0..E7, one button cap, 8 indices. Reserved byte:
  //   no usage, padding. Keys: Array range 0..0x65, one button cap, 102 indices.
  // Output: 8 (id) + 1x5 LEDs + 3x1 padding = 16 bits = 2 bytes; LEDs: 1-bit
  //   range 1..5, one button cap, 5 indices.
  EXPECT_EQ(tlc.caps, (HidpCaps{.Usage = 0x06,
                                .UsagePage = 0x01,
                                .InputReportByteLength = 9,
                                .OutputReportByteLength = 2,
                                .FeatureReportByteLength = 0,
                                .NumberLinkCollectionNodes = 1,
                                .NumberInputButtonCaps = 2,
                                .NumberInputDataIndices = 8 + 102,
                                .NumberOutputButtonCaps = 1,
                                .NumberOutputDataIndices = 5}));
  EXPECT_TRUE(tlc.inputValueCaps.empty());
  EXPECT_TRUE(tlc.outputValueCaps.empty());
}

TEST(ReportDescriptorParserTest, WheelMouse) {
  const CollectionCaps tlc = Single(Parse(samples::kWheelMouse));
  // Links: the application and the physical pointer collection = 2.
  // Input: 8 (id) + 1x3 buttons + 5x1 padding + 8x3 axes = 40 bits = 5 bytes.
  //   Buttons: 1-bit range 1..3, one button cap, indices 0..2. X, Y, Wheel:
  //   8-bit Variable, three value caps with one field each, indices 3, 4, 5.
  EXPECT_EQ(tlc.caps, (HidpCaps{.Usage = 0x02,
                                .UsagePage = 0x01,
                                .InputReportByteLength = 5,
                                .NumberLinkCollectionNodes = 2,
                                .NumberInputButtonCaps = 1,
                                .NumberInputValueCaps = 3,
                                .NumberInputDataIndices = 3 + 3}));
  EXPECT_EQ(tlc.inputValueCaps,
            (std::vector{MouseAxis(0x30, 3, 1), MouseAxis(0x31, 4, 1), MouseAxis(0x38, 5, 1)}));
}

TEST(ReportDescriptorParserTest, GamepadWithReportIds) {
  const CollectionCaps tlc = Single(Parse(samples::kGamepad));
  // Links: application + physical = 2.
  // Input report 1: 8 (id) + 1x16 buttons + 16x4 sticks + 4 hat + 4 padding
  //   = 96 bits = 12 bytes; input report 4: 8 + 8 = 16 bits = 2 bytes; the
  //   longer one counts: 12.
  // Output report 3: 8 + 8x2 = 24 bits = 3 bytes. Feature report 2: 8 + 8x7
  //   = 64 bits = 8 bytes.
  // Input caps: buttons 1..16 one button cap, 16 indices (0..15); X, Y, Z, Rz
  //   four value caps (16..19); hat (20); vendor 0x22 (21).
  EXPECT_EQ(tlc.caps, (HidpCaps{.Usage = 0x05,
                                .UsagePage = 0x01,
                                .InputReportByteLength = 12,
                                .OutputReportByteLength = 3,
                                .FeatureReportByteLength = 8,
                                .NumberLinkCollectionNodes = 2,
                                .NumberInputButtonCaps = 1,
                                .NumberInputValueCaps = 6,
                                .NumberInputDataIndices = 22,
                                .NumberOutputValueCaps = 1,
                                .NumberOutputDataIndices = 1,
                                .NumberFeatureValueCaps = 1,
                                .NumberFeatureDataIndices = 1}));
  const auto stick = [](std::uint16_t usage, std::uint16_t dataIndex) {
    return HidpValueCaps{.UsagePage = 0x01,
                         .ReportID = 1,
                         .LinkCollection = 1,
                         .BitSize = 16,
                         .ReportCount = 1,
                         .LogicalMin = -32768,
                         .LogicalMax = 32767,
                         .UsageMin = usage,
                         .DataIndexMin = dataIndex};
  };
  const HidpValueCaps hat{.UsagePage = 0x01,
                          .ReportID = 1,
                          .LinkCollection = 0,
                          .BitSize = 4,
                          .ReportCount = 1,
                          .LogicalMin = 0,
                          .LogicalMax = 7,
                          .UsageMin = 0x39,
                          .DataIndexMin = 20};
  EXPECT_EQ(tlc.inputValueCaps, (std::vector{stick(0x30, 16), stick(0x31, 17), stick(0x32, 18),
                                             stick(0x35, 19), hat, VendorBytes(4, 1, 0x22, 21)}));
  EXPECT_EQ(tlc.outputValueCaps, std::vector{VendorBytes(3, 2, 0x21, 0)});
  EXPECT_EQ(tlc.featureValueCaps, std::vector{VendorBytes(2, 7, 0x20, 0)});
}

TEST(ReportDescriptorParserTest, VendorDeviceWithoutReportIds) {
  const CollectionCaps tlc = Single(Parse(samples::kVendorNoReportIds));
  // No report ids, yet the id byte counts: input and output 8 + 8x64 = 520
  //   bits = 65 bytes; feature 8 + 16x4 + 8x1 = 80 bits = 10 bytes.
  // Feature caps: range 0x10..0x13 on 16-bit fields is one ranged value cap
  //   with indices 0..3; the four-byte usage FFA1:0005 brings its own page
  //   and takes index 4.
  EXPECT_EQ(tlc.caps, (HidpCaps{.Usage = 1,
                                .UsagePage = 0xFFA0,
                                .InputReportByteLength = 65,
                                .OutputReportByteLength = 65,
                                .FeatureReportByteLength = 10,
                                .NumberLinkCollectionNodes = 1,
                                .NumberInputValueCaps = 1,
                                .NumberInputDataIndices = 1,
                                .NumberOutputValueCaps = 1,
                                .NumberOutputDataIndices = 1,
                                .NumberFeatureValueCaps = 2,
                                .NumberFeatureDataIndices = 5}));
  const auto signedBytes = [](std::uint16_t usage) {
    return HidpValueCaps{.UsagePage = 0xFFA0,
                         .BitSize = 8,
                         .ReportCount = 64,
                         .LogicalMin = -128,
                         .LogicalMax = 127,
                         .UsageMin = usage};
  };
  EXPECT_EQ(tlc.inputValueCaps, std::vector{signedBytes(3)});
  EXPECT_EQ(tlc.outputValueCaps, std::vector{signedBytes(4)});
  EXPECT_EQ(tlc.featureValueCaps, (std::vector{HidpValueCaps{.UsagePage = 0xFFA0,
                                                             .BitSize = 16,
                                                             .ReportCount = 4,
                                                             .LogicalMax = 65535,
                                                             .IsRange = true,
                                                             .UsageMin = 0x10,
                                                             .UsageMax = 0x13,
                                                             .DataIndexMin = 0,
                                                             .DataIndexMax = 3},
                                               HidpValueCaps{.UsagePage = 0xFFA1,
                                                             .BitSize = 8,
                                                             .ReportCount = 1,
                                                             .LogicalMax = 65535,
                                                             .UsageMin = 5,
                                                             .DataIndexMin = 4}}));
}

TEST(ReportDescriptorParserTest, KeyboardAndConsumerControlAreTwoCollections) {
  const ReportDescriptorParse parse = Parse(samples::kKeyboardAndConsumer);
  ASSERT_EQ(parse.error, "");
  ASSERT_EQ(parse.collections.size(), 2u);
  // Keyboard, report 1: 8 (id) + 1x8 + 8x1 + 8x6 = 72 bits = 9 bytes;
  //   modifiers 8 indices, Array keys 0..255 one button cap with 256 indices.
  EXPECT_EQ(parse.collections[0].caps, (HidpCaps{.Usage = 0x06,
                                                 .UsagePage = 0x01,
                                                 .InputReportByteLength = 9,
                                                 .NumberLinkCollectionNodes = 1,
                                                 .NumberInputButtonCaps = 2,
                                                 .NumberInputDataIndices = 8 + 256}));
  // Consumer, report 2: 8 (id) + 16x1 selector + 8x1 volume = 32 bits = 4
  //   bytes (the volume is 8 bits again after Pop). Selector: Array range
  //   0..0x29C, one button cap, 669 indices; volume: value cap, index 669.
  EXPECT_EQ(parse.collections[1].caps, (HidpCaps{.Usage = 0x01,
                                                 .UsagePage = 0x0C,
                                                 .InputReportByteLength = 4,
                                                 .NumberLinkCollectionNodes = 1,
                                                 .NumberInputButtonCaps = 1,
                                                 .NumberInputValueCaps = 1,
                                                 .NumberInputDataIndices = 669 + 1}));
  const HidpValueCaps volume{.UsagePage = 0x0C,
                             .ReportID = 2,
                             .BitSize = 8,
                             .ReportCount = 1,
                             .LogicalMin = 0,
                             .LogicalMax = 255,
                             .UsageMin = 0xE0,
                             .DataIndexMin = 669};
  EXPECT_EQ(parse.collections[1].inputValueCaps, std::vector{volume});
}

// Rules that the sample devices do not reach.

TEST(ReportDescriptorParserTest, TopLevelUsagePageIsTheOneInEffectAtTheCollection) {
  // Usage (1), Usage Page (Consumer), Collection, End Collection.
  EXPECT_EQ(Single(Parse({0x09, 0x01, 0x05, 0x0C, 0xA1, 0x01, 0xC0})).caps.UsagePage, 0x0C);
  // A four-byte usage (000C:0001) names its own page.
  const CollectionCaps extended = Single(Parse({0x0B, 0x01, 0x00, 0x0C, 0x00, 0xA1, 0x01, 0xC0}));
  EXPECT_EQ(extended.caps.UsagePage, 0x0C);
  EXPECT_EQ(extended.caps.Usage, 1);
}

TEST(ReportDescriptorParserTest, EveryNestedCollectionIsALinkNode) {
  // Application { Logical { Physical { } } Report { } }: four nodes.
  const CollectionCaps tlc =
      Single(Parse({0xA1, 0x01, 0xA1, 0x02, 0xA1, 0x00, 0xC0, 0xC0, 0xA1, 0x03, 0xC0, 0xC0}));
  EXPECT_EQ(tlc.caps.NumberLinkCollectionNodes, 4);
  EXPECT_EQ(tlc.caps.InputReportByteLength, 0);  // no Input item at all
}

TEST(ReportDescriptorParserTest, UsagesAreConsumedByTheirMainItem) {
  // Report Size 8, Report Count 1, Usage (X), Input, Input: the second Input
  // has no usage left and is padding, yet its byte still counts.
  const CollectionCaps tlc =
      Single(Parse({0xA1, 0x01, 0x75, 0x08, 0x95, 0x01, 0x09, 0x30, 0x81, 0x02, 0x81, 0x02, 0xC0}));
  EXPECT_EQ(tlc.caps.NumberInputValueCaps, 1);
  EXPECT_EQ(tlc.caps.NumberInputDataIndices, 1);
  EXPECT_EQ(tlc.caps.InputReportByteLength, 3);
}

TEST(ReportDescriptorParserTest, ItemWithoutFieldsMakesNoCapButDeclaresTheReport) {
  // Report Count 0, Usage (1), Feature: 8 bits of id only.
  const CollectionCaps tlc = Single(Parse({0xA1, 0x01, 0x95, 0x00, 0x09, 0x01, 0xB1, 0x02, 0xC0}));
  EXPECT_EQ(tlc.caps.FeatureReportByteLength, 1);
  EXPECT_EQ(tlc.caps.NumberFeatureValueCaps, 0);
  EXPECT_EQ(tlc.caps.NumberFeatureDataIndices, 0);
}

// Variable items declaring more usages than fields.
constexpr auto kUsagesPastTheCount = std::to_array<std::uint8_t>({
    0x06, 0x00, 0xFF,  // Usage Page (FF00)
    0x09, 0x01,        // Usage (1)
    0xA1, 0x01,        // Collection (Application)
    0x15, 0x00,        //   Logical Minimum (0)
    0x25, 0x0F,        //   Logical Maximum (15)
    0x75, 0x04,        //   Report Size (4)
    0x95, 0x02,        //   Report Count (2)
    0x09, 0x10,        //   Usage (0x10)
    0x09, 0x11,        //   Usage (0x11)
    0x09, 0x12,        //   Usage (0x12): no field left
    0x81, 0x02,        //   Input (Data,Var,Abs)
    0x05, 0x09,        //   Usage Page (Button)
    0x25, 0x01,        //   Logical Maximum (1)
    0x75, 0x01,        //   Report Size (1)
    0x95, 0x03,        //   Report Count (3)
    0x19, 0x01,        //   Usage Minimum (1)
    0x29, 0x08,        //   Usage Maximum (8): three fields for eight buttons
    0x81, 0x02,        //   Input (Data,Var,Abs)
    0x75, 0x05,        //   Report Size (5)
    0x95, 0x01,        //   Report Count (1)
    0x81, 0x03,        //   Input (Const,Var,Abs)
    0x06, 0x00, 0xFF,  //   Usage Page (FF00)
    0x26, 0xFF, 0x00,  //   Logical Maximum (255)
    0x75, 0x08,        //   Report Size (8)
    0x95, 0x03,        //   Report Count (3)
    0x09, 0x20,        //   Usage (0x20)
    0x19, 0x30,        //   Usage Minimum (0x30)
    0x29, 0x3F,        //   Usage Maximum (0x3F): two fields left for sixteen usages
    0x09, 0x40,        //   Usage (0x40): no field left
    0xB1, 0x02,        //   Feature (Data,Var,Abs)
    0xC0,              // End Collection
});

TEST(ReportDescriptorParserTest, UsagesPastTheReportCountAreDiscarded) {
  const CollectionCaps tlc = Single(Parse(kUsagesPastTheCount));
  // Input: 8 (id) + 4x2 + 1x3 buttons + 5 padding = 24 bits = 3 bytes.
  //   0x10 and 0x11 take the two fields (indices 0, 1), 0x12 none; the button
  //   range is cut to 1..3 (indices 2..4).
  // Feature: 8 (id) + 8x3 = 32 bits = 4 bytes. 0x20 takes one field (index
  //   0), the range the other two, cut to 0x30..0x31 (indices 1..2); 0x40 none.
  EXPECT_EQ(tlc.caps, (HidpCaps{.Usage = 1,
                                .UsagePage = 0xFF00,
                                .InputReportByteLength = 3,
                                .FeatureReportByteLength = 4,
                                .NumberLinkCollectionNodes = 1,
                                .NumberInputButtonCaps = 1,
                                .NumberInputValueCaps = 2,
                                .NumberInputDataIndices = 2 + 3,
                                .NumberFeatureValueCaps = 2,
                                .NumberFeatureDataIndices = 3}));
  const auto nibble = [](std::uint16_t usage, std::uint16_t dataIndex) {
    return HidpValueCaps{.UsagePage = 0xFF00,
                         .BitSize = 4,
                         .ReportCount = 1,
                         .LogicalMax = 15,
                         .UsageMin = usage,
                         .DataIndexMin = dataIndex};
  };
  EXPECT_EQ(tlc.inputValueCaps, (std::vector{nibble(0x10, 0), nibble(0x11, 1)}));
  const HidpValueCaps cutRange{.UsagePage = 0xFF00,
                               .BitSize = 8,
                               .ReportCount = 2,
                               .LogicalMax = 255,
                               .IsRange = true,
                               .UsageMin = 0x30,
                               .UsageMax = 0x31,
                               .DataIndexMin = 1,
                               .DataIndexMax = 2};
  EXPECT_EQ(tlc.featureValueCaps, (std::vector{VendorBytes(0, 1, 0x20, 0), cutRange}));
}

// Constant items whose only usage is Usage (0), beside items that keep theirs.
constexpr auto kUsageZeroPadding = std::to_array<std::uint8_t>({
    0x05, 0x01,  // Usage Page (Generic Desktop)
    0x09, 0x02,  // Usage (Mouse)
    0xA1, 0x01,  // Collection (Application)
    0x15, 0x81,  //   Logical Minimum (-127)
    0x25, 0x7F,  //   Logical Maximum (127)
    0x75, 0x08,  //   Report Size (8)
    0x95, 0x01,  //   Report Count (1)
    0x09, 0x30,  //   Usage (X)
    0x81, 0x06,  //   Input (Data,Var,Rel)
    0x09, 0x00,  //   Usage (0)
    0x81, 0x03,  //   Input (Const,Var,Abs): padding
    0x09, 0x00,  //   Usage (0)
    0x95, 0x02,  //   Report Count (2)
    0x81, 0x01,  //   Input (Const,Array): padding
    0x09, 0x31,  //   Usage (Y)
    0x95, 0x01,  //   Report Count (1)
    0x81, 0x03,  //   Input (Const,Var,Abs): constant, yet a real usage
    0x09, 0x00,  //   Usage (0)
    0x81, 0x02,  //   Input (Data,Var,Abs): data, so Usage (0) counts
    0xC0,        // End Collection
});

TEST(ReportDescriptorParserTest, ConstantItemWithOnlyUsageZeroIsPadding) {
  const CollectionCaps tlc = Single(Parse(kUsageZeroPadding));
  // Input: 8 (id) + 8 X + 8 + 8x2 padding + 8 Y + 8 = 56 bits = 7 bytes.
  //   Value caps: X (index 0), Y (1) and the data Usage (0) (2).
  EXPECT_EQ(tlc.caps, (HidpCaps{.Usage = 0x02,
                                .UsagePage = 0x01,
                                .InputReportByteLength = 7,
                                .NumberLinkCollectionNodes = 1,
                                .NumberInputValueCaps = 3,
                                .NumberInputDataIndices = 3}));
  EXPECT_EQ(tlc.inputValueCaps,
            (std::vector{MouseAxis(0x30, 0, 0), MouseAxis(0x31, 1, 0), MouseAxis(0, 2, 0)}));
}

// A Constant Array item that names a usage, between data items and a
// Constant Variable item that also names one.
constexpr auto kConstantArrayWithUsage = std::to_array<std::uint8_t>({
    0x06, 0x00, 0xFF,  // Usage Page (FF00)
    0x09, 0x01,        // Usage (1)
    0xA1, 0x01,        // Collection (Application)
    0x15, 0x00,        //   Logical Minimum (0)
    0x26, 0xFF, 0x00,  //   Logical Maximum (255)
    0x75, 0x08,        //   Report Size (8)
    0x95, 0x04,        //   Report Count (4)
    0x09, 0x01,        //   Usage (1)
    0xB1, 0x02,        //   Feature (Data,Var,Abs)
    0x25, 0x01,        //   Logical Maximum (1)
    0x95, 0x5A,        //   Report Count (90)
    0x09, 0x02,        //   Usage (2)
    0xB1, 0x01,        //   Feature (Const,Array): no cap, no index
    0x75, 0x01,        //   Report Size (1)
    0x95, 0x08,        //   Report Count (8)
    0x09, 0x03,        //   Usage (3)
    0xB1, 0x03,        //   Feature (Const,Var,Abs): constant, yet keeps its cap
    0x26, 0xFF, 0x00,  //   Logical Maximum (255)
    0x75, 0x08,        //   Report Size (8)
    0x95, 0x01,        //   Report Count (1)
    0x09, 0x04,        //   Usage (4)
    0xB1, 0x02,        //   Feature (Data,Var,Abs)
    0xC0,              // End Collection
});

TEST(ReportDescriptorParserTest, ConstantArrayItemMakesNoCapEvenWithAUsage) {
  const CollectionCaps tlc = Single(Parse(kConstantArrayWithUsage));
  // Feature: 8 (id) + 8x4 + 8x90 + 1x8 + 8x1 = 776 bits = 97 bytes; the
  //   Constant Array bytes count. Caps: value 1 (index 0), the Constant
  //   Variable's button cap 3 (index 1), value 4 (index 2); usage 2 none.
  EXPECT_EQ(tlc.caps, (HidpCaps{.Usage = 1,
                                .UsagePage = 0xFF00,
                                .FeatureReportByteLength = 97,
                                .NumberLinkCollectionNodes = 1,
                                .NumberFeatureButtonCaps = 1,
                                .NumberFeatureValueCaps = 2,
                                .NumberFeatureDataIndices = 3}));
  EXPECT_EQ(tlc.featureValueCaps, (std::vector{VendorBytes(0, 4, 1, 0), VendorBytes(0, 1, 4, 2)}));
}

TEST(ReportDescriptorParserTest, ConstantArrayItemAloneDeclaresOnlyItsBytes) {
  // Usage Page (FF00), Usage (2), Logical 0..1, Report Size 8, Report Count
  // 90, Feature (Const,Array): 90 bytes and the id byte, nothing else.
  const CollectionCaps tlc = Single(Parse({0xA1, 0x01, 0x06, 0x00, 0xFF, 0x09, 0x02, 0x15, 0x00,
                                           0x25, 0x01, 0x75, 0x08, 0x95, 0x5A, 0xB1, 0x01, 0xC0}));
  EXPECT_EQ(tlc.caps.FeatureReportByteLength, 91);
  EXPECT_EQ(tlc.caps.NumberFeatureButtonCaps, 0);
  EXPECT_EQ(tlc.caps.NumberFeatureValueCaps, 0);
  EXPECT_EQ(tlc.caps.NumberFeatureDataIndices, 0);
}

TEST(ReportDescriptorParserTest, FourByteLogicalLimitsAreSigned) {
  // Logical Minimum (INT32_MIN), Logical Maximum (-1), 32-bit value field.
  const CollectionCaps tlc =
      Single(Parse({0xA1, 0x01, 0x17, 0x00, 0x00, 0x00, 0x80, 0x27, 0xFF, 0xFF, 0xFF,
                    0xFF, 0x75, 0x20, 0x95, 0x01, 0x09, 0x01, 0x81, 0x02, 0xC0}));
  ASSERT_EQ(tlc.inputValueCaps.size(), 1u);
  EXPECT_EQ(tlc.inputValueCaps[0].LogicalMin, INT32_MIN);
  EXPECT_EQ(tlc.inputValueCaps[0].LogicalMax, -1);
}

TEST(ReportDescriptorParserTest, LongItemsAreSteppedOver) {
  // The calculator with a long item (tag 0x10, two data bytes) after its
  // Report ID, one with no data before it, gives the same record.
  std::vector<std::uint8_t> withLongItems(samples::kCalculator.begin(), samples::kCalculator.end());
  withLongItems.insert(withLongItems.begin() + 9, {0xFE, 0x02, 0x10, 0xAB, 0xCD});
  withLongItems.insert(withLongItems.begin(), {0xFE, 0x00, 0x11});
  const ReportDescriptorParse parse = Parse(withLongItems);
  ASSERT_EQ(parse.error, "");
  EXPECT_EQ(parse.collections.front().caps, Single(Parse(samples::kCalculator)).caps);
}

TEST(ReportDescriptorParserTest, LargestReportStillFitsSixteenBits) {
  // Report Size 8, Report Count 65534 (0xFFFE): 8 + 524272 bits = 65535 bytes.
  const CollectionCaps tlc =
      Single(Parse({0xA1, 0x01, 0x75, 0x08, 0x96, 0xFE, 0xFF, 0x81, 0x01, 0xC0}));
  EXPECT_EQ(tlc.caps.InputReportByteLength, 0xFFFF);
}

struct Malformed {
  const char* what;
  std::vector<std::uint8_t> bytes;
  const char* error;
};

class MalformedDescriptorTest : public testing::TestWithParam<Malformed> {};

TEST_P(MalformedDescriptorTest, IsRefusedWithoutCollections) {
  const ReportDescriptorParse parse = Parse(GetParam().bytes);
  EXPECT_FALSE(parse.Ok());
  EXPECT_EQ(parse.error, GetParam().error);
  EXPECT_TRUE(parse.collections.empty());
}

INSTANTIATE_TEST_SUITE_P(
    ReportDescriptorParserTest, MalformedDescriptorTest,
    testing::Values(
        Malformed{"Empty", {}, "not parseable: no top-level collection at byte 0"},
        Malformed{"OnlyGlobals", {0x05, 0x01}, "not parseable: no top-level collection at byte 2"},
        Malformed{"TruncatedShortItem",
                  {0xA1, 0x01, 0xC0, 0x27, 0x01, 0x02},
                  "not parseable: item runs past the end at byte 3"},
        Malformed{"TruncatedLongItemHeader",
                  {0xA1, 0x01, 0xC0, 0xFE, 0x04},
                  "not parseable: item runs past the end at byte 3"},
        Malformed{"TruncatedLongItemData",
                  {0xA1, 0x01, 0xC0, 0xFE, 0x04, 0x10, 0x01, 0x02, 0x03},
                  "not parseable: item runs past the end at byte 3"},
        Malformed{"CollectionLeftOpen",
                  {0xA1, 0x01, 0xA1, 0x00, 0xC0},
                  "not parseable: collection left open at byte 5"},
        Malformed{"EndCollectionWithoutCollection",
                  {0xA1, 0x01, 0xC0, 0xC0},
                  "not parseable: end collection without collection at byte 3"},
        Malformed{"InputOutsideCollection",
                  {0x75, 0x08, 0x95, 0x01, 0x81, 0x02},
                  "not parseable: main item outside a collection at byte 4"},
        Malformed{
            "PopWithoutPush", {0xA4, 0xB4, 0xB4}, "not parseable: pop without push at byte 2"},
        Malformed{"ReportIdZero", {0x85, 0x00}, "not parseable: report id out of 1..255 at byte 0"},
        Malformed{"ReportIdAbove255",
                  {0x86, 0x00, 0x01},
                  "not parseable: report id out of 1..255 at byte 0"},
        Malformed{"UsagePageAbove16Bits",
                  {0x07, 0x00, 0x00, 0x01, 0x00},
                  "not parseable: usage page wider than 16 bits at byte 0"},
        Malformed{
            "ReservedMainItem", {0xA1, 0x01, 0xD0}, "not parseable: reserved main item at byte 2"},
        Malformed{"ReservedGlobalItem", {0xC4}, "not parseable: reserved global item at byte 0"},
        Malformed{"ReservedLocalItem", {0x68}, "not parseable: reserved local item at byte 0"},
        Malformed{"ReservedItemType", {0x0C}, "not parseable: reserved item at byte 0"},
        Malformed{"UsageMinimumWithoutMaximum",
                  {0xA1, 0x01, 0x19, 0x01, 0x81, 0x02, 0xC0},
                  "not parseable: usage minimum and maximum not paired at byte 4"},
        Malformed{"TwoUsageMinimums",
                  {0x19, 0x01, 0x19, 0x02},
                  "not parseable: usage minimum without maximum at byte 2"},
        Malformed{"UsageMinimumAboveMaximum",
                  {0xA1, 0x01, 0x95, 0x01, 0x19, 0x05, 0x29, 0x01, 0x81, 0x00, 0xC0},
                  "not parseable: usage minimum above maximum at byte 8"},
        Malformed{"DiscardedUsageMinimumAboveMaximum",
                  {0xA1, 0x01, 0x95, 0x01, 0x09, 0x01, 0x19, 0x05, 0x29, 0x01, 0x81, 0x02, 0xC0},
                  "not parseable: usage minimum above maximum at byte 10"},
        Malformed{"UsageRangeOverTwoPages",
                  {0xA1, 0x01, 0x95, 0x01, 0x1B, 0x01, 0x00, 0x01, 0x00, 0x2B, 0x05, 0x00, 0x02,
                   0x00, 0x81, 0x00, 0xC0},
                  "not parseable: usage range spans two usage pages at byte 14"},
        Malformed{"ReportCountAbove16Bits",
                  {0xA1, 0x01, 0x75, 0x00, 0x97, 0x00, 0x00, 0x01, 0x00, 0x81, 0x01, 0xC0},
                  "not parseable: report size or count above 65535 at byte 9"},
        Malformed{"ReportOneBitTooLong",
                  {0xA1, 0x01, 0x75, 0x08, 0x96, 0xFE, 0xFF, 0x81, 0x01, 0x75, 0x01, 0x95, 0x01,
                   0x81, 0x01, 0xC0},
                  "not parseable: report longer than 65535 bytes at byte 13"},
        Malformed{"ReportSizeTimesCountOverflows",
                  {0xA1, 0x01, 0x76, 0xFF, 0xFF, 0x96, 0xFF, 0xFF, 0xB1, 0x01, 0xC0},
                  "not parseable: report longer than 65535 bytes at byte 8"},
        Malformed{
            "DataIndicesAbove16Bits",
            {0xA1, 0x01, 0x95, 0x01, 0x75, 0x10, 0x19, 0x00, 0x2A, 0xFF, 0xFF, 0x81, 0x00, 0xC0},
            "not parseable: more than 65535 capabilities or data indices at byte 11"}),
    [](const testing::TestParamInfo<Malformed>& info) { return std::string(info.param.what); });

TEST(ReportDescriptorParserTest, EveryCutOfTheSamplesIsParsedOrRefusedCleanly) {
  for (const samples::SampleDescriptor& sample : samples::kAll) {
    for (std::size_t length = 0; length < sample.bytes.size(); ++length) {
      const ReportDescriptorParse parse = Parse(sample.bytes.first(length));
      EXPECT_EQ(parse.Ok(), !parse.collections.empty()) << sample.name << " cut at " << length;
      if (!parse.Ok()) {
        EXPECT_TRUE(parse.error.starts_with("not parseable: "))
            << sample.name << " cut at " << length;
      }
    }
  }
}

}  // namespace
}  // namespace usblink

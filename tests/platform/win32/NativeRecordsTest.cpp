#include "platform/hid/win32/NativeRecords.h"

#include <gtest/gtest.h>

namespace usblink::win32 {
namespace {

TEST(NativeRecordSizeTest, The32BitSizesBecomeTheNativeOnes) {
  SpDeviceInterfaceData interfaceData;
  interfaceData.cbSize = kInterfaceDataSize;
  EXPECT_EQ(ToNative(interfaceData).cbSize, sizeof(SP_DEVICE_INTERFACE_DATA));

  EXPECT_EQ(ToNative(SecurityAttributes{kSecurityAttributesSize, true}).nLength,
            sizeof(SECURITY_ATTRIBUTES));

  HiddAttributes attributes;
  attributes.Size = kHiddAttributesSize;
  EXPECT_EQ(ToNative(attributes).Size, sizeof(HIDD_ATTRIBUTES));
}

// A record that does not carry its 32-bit size must stay refusable, also
// when the caller happened to give the native size.
TEST(NativeRecordSizeTest, AnyOtherSizeBecomesZero) {
  EXPECT_EQ(NativeRecordSize(32, kInterfaceDataSize, 32), 0U);
  EXPECT_EQ(NativeRecordSize(0, kDetailDataFixedSize, 8), 0U);
  EXPECT_EQ(NativeRecordSize(kDetailDataFixedSize + 1, kDetailDataFixedSize, 8), 0U);
}

TEST(NativeHandleTest, InvalidHandleValueIsAllOnesOnBothSides) {
  EXPECT_EQ(ToNative(kInvalidHandleValue), INVALID_HANDLE_VALUE);
  EXPECT_EQ(FromNative(INVALID_HANDLE_VALUE), kInvalidHandleValue);
  EXPECT_EQ(FromNative(nullptr), kNoHandle);
}

TEST(NativeInterfaceDataTest, RoundTripKeepsTheCallersSizeAndWindowsReference) {
  SP_DEVICE_INTERFACE_DATA native{};
  native.cbSize = sizeof native;
  native.InterfaceClassGuid = ToNative(kHidClassGuid);
  native.Flags = 1;
  native.Reserved = static_cast<ULONG_PTR>(0x7FF6'0000'1230);

  SpDeviceInterfaceData data;
  data.cbSize = kInterfaceDataSize;
  CopyFromNative(native, data);
  EXPECT_EQ(data.cbSize, kInterfaceDataSize);
  EXPECT_EQ(data.InterfaceClassGuid, kHidClassGuid);

  const SP_DEVICE_INTERFACE_DATA again = ToNative(data);
  EXPECT_EQ(again.Reserved, native.Reserved);
  EXPECT_EQ(again.Flags, native.Flags);
  EXPECT_TRUE(IsEqualGUID(again.InterfaceClassGuid, native.InterfaceClassGuid));
}

TEST(NativeValueCapsTest, ASingleUsageFillsTheMinimums) {
  HIDP_VALUE_CAPS native{};
  native.UsagePage = 0xFF00;
  native.LinkCollection = 1;
  native.NotRange.Usage = 1;
  native.NotRange.DataIndex = 4;

  const HidpValueCaps converted = FromNative(native);
  EXPECT_FALSE(converted.IsRange);
  EXPECT_EQ(converted.UsageMin, 1);
  EXPECT_EQ(converted.DataIndexMin, 4);
  EXPECT_EQ(converted.UsageMax, 0);
  EXPECT_EQ(converted.DataIndexMax, 0);
  EXPECT_EQ(converted.LinkCollection, 1);
}

}  // namespace
}  // namespace usblink::win32

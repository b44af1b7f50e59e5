// The rules of the emulated Windows calls that every backend without Windows
// shares (the class GUID, device information sets and their records, handles,
// preparsed data, system texts), run once on the simulated bus. What a backend
// answers of its own devices is in its own suite.

#include "platform/hid/EmulatedHidApi.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "support/SimHidApiFixture.h"

namespace usblink {
namespace {

constexpr std::uint32_t kPresentInterfaces = kDigcfPresent | kDigcfDeviceInterface;

class EmulatedHidApiTest : public testing::SimHidApiFixture {
 protected:
  // Plants a last-error code that a call under test must leave alone.
  void PlantInvalidHandleError() {
    api.CloseHandle(kInvalidHandleValue);
    ASSERT_EQ(api.LastPlatformError(), WinError::InvalidHandle);
  }

  SpDeviceInterfaceData Enumerated(Handle set, std::uint32_t index) {
    SpDeviceInterfaceData data;
    data.cbSize = kInterfaceDataSize;
    EXPECT_EQ(api.SetupDiEnumDeviceInterfaces(set, kHidClassGuid, index, data), 1);
    return data;
  }

  std::string PathOf(Handle set, const SpDeviceInterfaceData& data) {
    return FetchDevicePath(api, set, data);
  }

  std::vector<std::string> ListedPaths(Handle set) {
    std::vector<std::string> paths;
    SpDeviceInterfaceData data;
    data.cbSize = kInterfaceDataSize;
    for (std::uint32_t index = 0;
         api.SetupDiEnumDeviceInterfaces(set, kHidClassGuid, index, data) != 0; ++index) {
      paths.push_back(PathOf(set, data));
    }
    return paths;
  }

  std::vector<std::string> BusPaths() const {
    std::vector<std::string> paths;
    for (const auto& entry : bus.interfaces) paths.push_back(entry.path);
    return paths;
  }
};

TEST_F(EmulatedHidApiTest, HidGuidIsTheInterfaceClass) {
  PlantInvalidHandleError();
  Guid guid;
  api.HidD_GetHidGuid(guid);
  EXPECT_EQ(guid, kHidClassGuid);
  EXPECT_EQ(api.LastPlatformError(), WinError::Success);
}

// Device information sets

TEST_F(EmulatedHidApiTest, EnumeratesInBusOrderThenRunsOutWithNoMoreItems) {
  const Handle set = api.SetupDiGetClassDevsA(kHidClassGuid, kPresentInterfaces);
  EXPECT_EQ(api.LastPlatformError(), WinError::Success);
  for (std::uint32_t index = 0; index < 3; ++index) {
    const auto data = Enumerated(set, index);
    EXPECT_EQ(api.LastPlatformError(), WinError::Success);
    EXPECT_EQ(data.InterfaceClassGuid, kHidClassGuid);
    EXPECT_EQ(PathOf(set, data), bus.interfaces[index].path);
  }
  SpDeviceInterfaceData data;
  data.cbSize = kInterfaceDataSize;
  EXPECT_EQ(api.SetupDiEnumDeviceInterfaces(set, kHidClassGuid, 3, data), 0);
  EXPECT_EQ(api.LastPlatformError(), WinError::NoMoreItems);
}

TEST_F(EmulatedHidApiTest, EnumerationWantsTheThirtyTwoBitRecordSize) {
  const Handle set = api.SetupDiGetClassDevsA(kHidClassGuid, kPresentInterfaces);
  SpDeviceInterfaceData data;
  data.cbSize = 32;
  EXPECT_EQ(api.SetupDiEnumDeviceInterfaces(set, kHidClassGuid, 0, data), 0);
  EXPECT_EQ(api.LastPlatformError(), WinError::InvalidParameter);
}

TEST_F(EmulatedHidApiTest, DetailSizeQueryThenFetch) {
  const Handle set = api.SetupDiGetClassDevsA(kHidClassGuid, kPresentInterfaces);
  const auto data = Enumerated(set, 2);
  const std::string& path = bus.interfaces[2].path;

  std::uint32_t required = 0;
  EXPECT_EQ(api.SetupDiGetDeviceInterfaceDetailA(set, data, {}, required), 0);
  EXPECT_EQ(api.LastPlatformError(), WinError::InsufficientBuffer);
  EXPECT_EQ(required, 4 + path.size() + 1);

  std::vector<std::uint8_t> detail(required + 1, 0xEE);
  std::ranges::copy(std::array<std::uint8_t, 4>{5, 0, 0, 0}, detail.begin());
  EXPECT_EQ(
      api.SetupDiGetDeviceInterfaceDetailA(set, data, std::span(detail).first(required), required),
      1);
  EXPECT_EQ(api.LastPlatformError(), WinError::Success);
  EXPECT_EQ(std::string(detail.begin() + 4, detail.begin() + 4 + path.size()), path);
  EXPECT_EQ(detail[required - 1], 0);
  EXPECT_EQ(detail[required], 0xEE) << "nothing past the offered size";
}

TEST_F(EmulatedHidApiTest, DetailFetchChecksSizeFieldAndRoom) {
  const Handle set = api.SetupDiGetClassDevsA(kHidClassGuid, kPresentInterfaces);
  const auto data = Enumerated(set, 0);
  std::uint32_t required = 0;
  api.SetupDiGetDeviceInterfaceDetailA(set, data, {}, required);

  std::vector<std::uint8_t> detail(required);
  detail[0] = 8;  // the 64-bit record's size
  EXPECT_EQ(api.SetupDiGetDeviceInterfaceDetailA(set, data, detail, required), 0);
  EXPECT_EQ(api.LastPlatformError(), WinError::InvalidUserBuffer);

  detail[0] = kDetailDataFixedSize;
  std::uint32_t reported = 0;
  EXPECT_EQ(api.SetupDiGetDeviceInterfaceDetailA(set, data, std::span(detail).first(required - 1),
                                                 reported),
            0);
  EXPECT_EQ(api.LastPlatformError(), WinError::InsufficientBuffer);
  EXPECT_EQ(reported, required);
}

TEST_F(EmulatedHidApiTest, UnknownSetHandleIsInvalid) {
  SpDeviceInterfaceData data;
  data.cbSize = kInterfaceDataSize;
  EXPECT_EQ(api.SetupDiEnumDeviceInterfaces(0x1234, kHidClassGuid, 0, data), 0);
  EXPECT_EQ(api.LastPlatformError(), WinError::InvalidHandle);

  const Handle set = api.SetupDiGetClassDevsA(kHidClassGuid, kPresentInterfaces);
  data = Enumerated(set, 0);
  std::uint32_t required = 0;
  EXPECT_EQ(api.SetupDiGetDeviceInterfaceDetailA(set + 4, data, {}, required), 0);
  EXPECT_EQ(api.LastPlatformError(), WinError::InvalidHandle);

  EXPECT_EQ(api.SetupDiDestroyDeviceInfoList(set), 1);
  EXPECT_EQ(api.LastPlatformError(), WinError::Success);
  EXPECT_EQ(api.SetupDiDestroyDeviceInfoList(set), 0);
  EXPECT_EQ(api.LastPlatformError(), WinError::InvalidHandle);
}

TEST_F(EmulatedHidApiTest, DetailOfARecordNotFromThisSetIsRefused) {
  const Handle set = api.SetupDiGetClassDevsA(kHidClassGuid, kPresentInterfaces);
  SpDeviceInterfaceData data;
  data.cbSize = kInterfaceDataSize;
  std::uint32_t required = 0;
  EXPECT_EQ(api.SetupDiGetDeviceInterfaceDetailA(set, data, {}, required), 0);
  EXPECT_EQ(api.LastPlatformError(), WinError::InvalidParameter);
}

TEST_F(EmulatedHidApiTest, OtherClassOrFlagsGiveAnEmptySet) {
  Guid other = kHidClassGuid;
  other.Data1 = 0x12345678;
  const std::pair<Guid, std::uint32_t> queries[] = {{other, kPresentInterfaces},
                                                    {kHidClassGuid, kDigcfPresent}};
  for (const auto& [guid, flags] : queries) {
    PlantInvalidHandleError();
    const Handle set = api.SetupDiGetClassDevsA(guid, flags);
    EXPECT_EQ(api.LastPlatformError(), WinError::Success);
    EXPECT_TRUE(ListedPaths(set).empty());
    EXPECT_EQ(api.LastPlatformError(), WinError::NoMoreItems);
  }
}

TEST_F(EmulatedHidApiTest, SetIsASnapshotOfTheBus) {
  const Handle set = api.SetupDiGetClassDevsA(kHidClassGuid, kPresentInterfaces);
  const auto before = BusPaths();
  bus.interfaces.push_back(sim::SimBus::OtherInterface(7));
  EXPECT_EQ(ListedPaths(set), before);
}

TEST_F(EmulatedHidApiTest, UnpluggedCalculatorIsListedOnlyWithoutPresentFlag) {
  UnplugCalculator();
  const auto all = BusPaths();
  EXPECT_EQ(ListedPaths(api.SetupDiGetClassDevsA(kHidClassGuid, kPresentInterfaces)),
            std::vector(all.begin(), all.end() - 1));
  EXPECT_EQ(ListedPaths(api.SetupDiGetClassDevsA(kHidClassGuid, kDigcfDeviceInterface)), all);
}

// Handles

TEST_F(EmulatedHidApiTest, HandlesRiseFromWindowsFirstValue) {
  PlantInvalidHandleError();
  EXPECT_EQ(OpenCalculator(), 0x1F4u);
  EXPECT_EQ(api.LastPlatformError(), WinError::Success);
  EXPECT_EQ(Open(bus.interfaces[0].path), 0x1F8u);
  EXPECT_EQ(api.CreateEventA(nullptr, true, true, ""), 0x1FCu);
  EXPECT_EQ(api.LastPlatformError(), WinError::Success);
}

TEST_F(EmulatedHidApiTest, CloseHandleOnlyOnceAndOnlyOnKernelHandles) {
  const Handle device = OpenCalculator();
  EXPECT_EQ(api.CloseHandle(device), 1);
  EXPECT_EQ(api.LastPlatformError(), WinError::Success);
  EXPECT_EQ(api.CloseHandle(device), 0);
  EXPECT_EQ(api.LastPlatformError(), WinError::InvalidHandle);
  EXPECT_EQ(api.CloseHandle(kInvalidHandleValue), 0);
  EXPECT_EQ(api.CloseHandle(kNoHandle), 0);
  const Handle set = api.SetupDiGetClassDevsA(kHidClassGuid, kPresentInterfaces);
  EXPECT_EQ(api.CloseHandle(set), 0);
  EXPECT_EQ(api.LastPlatformError(), WinError::InvalidHandle);
}

TEST_F(EmulatedHidApiTest, CountsOpenHandlesOfEveryKind) {
  const Handle set = api.SetupDiGetClassDevsA(kHidClassGuid, kPresentInterfaces);
  const Handle device = OpenCalculator();
  const Handle event = api.CreateEventA(nullptr, true, true, "");
  EXPECT_EQ(api.OpenHandleCount(), 3);
  api.CloseHandle(event);
  api.CloseHandle(device);
  api.SetupDiDestroyDeviceInfoList(set);
  EXPECT_EQ(api.OpenHandleCount(), 0);
}

// System texts

TEST_F(EmulatedHidApiTest, FormatMessageGivesSystemTextsAndKeepsTheLastError) {
  PlantInvalidHandleError();
  std::array<char, 129> text{};
  const std::uint32_t length =
      api.FormatMessageA(kFormatMessageFromSystem, WinError::DeviceNotConnected, 0, text);
  EXPECT_EQ(std::string(text.data()), "The device is not connected.\r\n");
  EXPECT_EQ(length, std::strlen(text.data()));
  EXPECT_EQ(api.LastPlatformError(), WinError::InvalidHandle);

  EXPECT_EQ(api.FormatMessageA(kFormatMessageFromSystem, 12345, 0, text), 0u);
  EXPECT_EQ(api.LastPlatformError(), WinError::InvalidHandle);
}

// Preparsed data

TEST_F(EmulatedHidApiTest, PreparsedDataNeedsADeviceWithAParseableDescriptor) {
  PreparsedData preparsed = 0;
  EXPECT_EQ(api.HidD_GetPreparsedData(kInvalidHandleValue, preparsed), 0);
  EXPECT_EQ(api.LastPlatformError(), WinError::InvalidHandle);
  bus.interfaces[0].reportDescriptor.clear();
  EXPECT_EQ(api.HidD_GetPreparsedData(Open(bus.interfaces[0].path), preparsed), 0);
  EXPECT_EQ(api.LastPlatformError(), WinError::InvalidData);
  EXPECT_EQ(api.PreparsedDataCount(), 0);
}

TEST_F(EmulatedHidApiTest, ParserCallsOnUnknownDataFailWithoutSettingTheLastError) {
  PlantInvalidHandleError();
  HidpCaps caps;
  EXPECT_EQ(api.HidP_GetCaps(0, caps), kHidpStatusInvalidPreparsedData);
  EXPECT_EQ(api.HidP_GetCaps(7, caps), kHidpStatusInvalidPreparsedData) << "never handed out";
  std::array<HidpValueCaps, 4> records{};
  std::uint16_t length = 4;
  EXPECT_EQ(api.HidP_GetValueCaps(HidpReportType::Input, records, length, 77),
            kHidpStatusInvalidPreparsedData);
  EXPECT_EQ(api.LastPlatformError(), WinError::InvalidHandle);
  EXPECT_EQ(api.HidD_FreePreparsedData(77), 0);
  EXPECT_EQ(api.LastPlatformError(), WinError::InvalidParameter);
}

TEST_F(EmulatedHidApiTest, CalculatorCapsAndPreparsedDataLifecycle) {
  PreparsedData preparsed = 0;
  ASSERT_EQ(api.HidD_GetPreparsedData(OpenCalculator(), preparsed), 1);
  EXPECT_EQ(api.LastPlatformError(), WinError::Success);
  EXPECT_NE(preparsed, 0u);
  EXPECT_EQ(api.PreparsedDataCount(), 1);

  PlantInvalidHandleError();
  HidpCaps caps;
  ASSERT_EQ(api.HidP_GetCaps(preparsed, caps), kHidpStatusSuccess);
  EXPECT_EQ(api.LastPlatformError(), WinError::InvalidHandle);
  HidpCaps expected;
  expected.Usage = 1;
  expected.UsagePage = 0xFF00;
  expected.InputReportByteLength = 64;
  expected.OutputReportByteLength = 64;
  expected.NumberLinkCollectionNodes = 1;
  expected.NumberInputValueCaps = 1;
  expected.NumberInputDataIndices = 1;
  expected.NumberOutputValueCaps = 1;
  expected.NumberOutputDataIndices = 1;
  EXPECT_EQ(caps, expected);

  std::array<HidpValueCaps, 14> records{};
  std::uint16_t length = caps.NumberInputValueCaps;
  EXPECT_EQ(api.HidP_GetValueCaps(HidpReportType::Input, records, length, preparsed),
            kHidpStatusSuccess);
  EXPECT_EQ(length, 1);
  EXPECT_EQ(records[0].UsagePage, 0xFF00);
  EXPECT_EQ(records[0].ReportID, 1);
  EXPECT_EQ(records[0].ReportCount, 63);

  EXPECT_EQ(api.HidD_FreePreparsedData(preparsed), 1);
  EXPECT_EQ(api.LastPlatformError(), WinError::Success);
  EXPECT_EQ(api.PreparsedDataCount(), 0);
  EXPECT_EQ(api.HidP_GetCaps(preparsed, caps), kHidpStatusInvalidPreparsedData);
  EXPECT_EQ(api.HidD_FreePreparsedData(preparsed), 0);
  EXPECT_EQ(api.LastPlatformError(), WinError::InvalidParameter);
}

TEST_F(EmulatedHidApiTest, ValueCapsCopyNoMoreThanAskedOrRoomFor) {
  PreparsedData preparsed = 0;
  ASSERT_EQ(api.HidD_GetPreparsedData(OpenCalculator(), preparsed), 1);
  std::array<HidpValueCaps, 2> records{};

  std::uint16_t length = 0;
  EXPECT_EQ(api.HidP_GetValueCaps(HidpReportType::Output, records, length, preparsed),
            kHidpStatusBufferTooSmall);
  EXPECT_EQ(length, 0);

  length = 3;
  EXPECT_EQ(api.HidP_GetValueCaps(HidpReportType::Output, records, length, preparsed),
            kHidpStatusBufferTooSmall)
      << "more asked for than the span holds";
  EXPECT_EQ(length, 0);

  length = 2;
  EXPECT_EQ(api.HidP_GetValueCaps(HidpReportType::Output, records, length, preparsed),
            kHidpStatusSuccess);
  EXPECT_EQ(length, 1);
  EXPECT_EQ(records[0].ReportCount, 63);

  length = 2;
  EXPECT_EQ(api.HidP_GetValueCaps(HidpReportType::Feature, records, length, preparsed),
            kHidpStatusSuccess);
  EXPECT_EQ(length, 0);
}

}  // namespace
}  // namespace usblink

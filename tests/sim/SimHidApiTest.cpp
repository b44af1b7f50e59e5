// What the simulated bus answers of its own devices through the emulated
// calls: opens, attributes, strings, reports, unplugging.

#include "sim/SimHidApi.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <string>

#include "support/SimHidApiFixture.h"

namespace usblink::sim {
namespace {

using SimHidApiTest = testing::SimHidApiFixture;

Report IdentityQuery() {
  Report report{};
  report[0] = 1;
  report[1] = CommandCode::IdentityQuery;
  report[63] = 0xFF;
  return report;
}

Report EmptyInputReport() {
  Report report{};
  report[0] = 1;
  report[63] = 0xFF;
  return report;
}

TEST_F(SimHidApiTest, OpenFailsForMissingOrLockedInterfaces) {
  EXPECT_EQ(Open("\\\\?\\hid#vid_1234&pid_5678#0"), kInvalidHandleValue);
  EXPECT_EQ(api.LastPlatformError(), WinError::FileNotFound);
  const auto openForIds = [this](const std::string& path) {
    return api.CreateFileA(path, 0, kFileShareReadWrite, nullptr, kOpenExisting, 0);
  };
  // This user may not open it at all.
  bus.interfaces[1].refusal = WinError::AccessDenied;
  EXPECT_EQ(Open(bus.interfaces[1].path), kInvalidHandleValue);
  EXPECT_EQ(api.LastPlatformError(), WinError::AccessDenied);
  EXPECT_EQ(openForIds(bus.interfaces[1].path), kInvalidHandleValue);
  EXPECT_EQ(api.OpenHandleCount(), 0);
  // Held by another program, or gone since it was listed: only an open
  // without access, for the attributes, succeeds.
  for (const std::uint32_t refusal : {WinError::SharingViolation, WinError::FileNotFound}) {
    bus.interfaces[1].refusal = refusal;
    EXPECT_EQ(Open(bus.interfaces[1].path), kInvalidHandleValue);
    EXPECT_EQ(api.LastPlatformError(), refusal);
    const Handle query = openForIds(bus.interfaces[1].path);
    ASSERT_NE(query, kInvalidHandleValue);
    EXPECT_EQ(api.CloseHandle(query), 1);
  }
}

TEST_F(SimHidApiTest, PathsMatchWithoutRegardToCase) {
  std::string upper = bus.interfaces.back().path;
  std::ranges::transform(upper, upper.begin(), [](char c) { return std::toupper(c); });
  EXPECT_NE(Open(upper), kInvalidHandleValue);
}

TEST_F(SimHidApiTest, AttributesOfTheOpenedInterface) {
  HiddAttributes attributes;
  attributes.Size = kHiddAttributesSize;
  EXPECT_EQ(api.HidD_GetAttributes(OpenCalculator(), attributes), 1);
  EXPECT_EQ(api.LastPlatformError(), WinError::Success);
  EXPECT_EQ(attributes.VendorID, 0x04FC);
  EXPECT_EQ(attributes.ProductID, 0x0C77);
  EXPECT_EQ(attributes.VersionNumber, bus.interfaces.back().versionNumber);

  EXPECT_EQ(api.HidD_GetAttributes(Open(bus.interfaces[0].path), attributes), 1);
  EXPECT_EQ(attributes.VendorID, bus.interfaces[0].vendorId);

  EXPECT_EQ(api.HidD_GetAttributes(kInvalidHandleValue, attributes), 0);
  EXPECT_EQ(api.LastPlatformError(), WinError::InvalidHandle);
  EXPECT_EQ(api.HidD_GetAttributes(api.CreateEventA(nullptr, true, true, ""), attributes), 0);
  EXPECT_EQ(api.LastPlatformError(), WinError::InvalidHandle);
}

// Reports

TEST_F(SimHidApiTest, ReportsReachTheCalculator) {
  const Handle device = OpenCalculator();
  EXPECT_EQ(api.HidD_SetOutputReport(device, IdentityQuery()), 1);
  EXPECT_EQ(api.LastPlatformError(), WinError::Success);
  auto reply = EmptyInputReport();
  EXPECT_EQ(api.HidD_GetInputReport(device, reply), 1);
  EXPECT_EQ(api.LastPlatformError(), WinError::Success);
  EXPECT_EQ(std::string(reply.begin() + 2, reply.begin() + 19), kCalculatorIdentity);
  EXPECT_EQ(reply[63], ReplyStatus::Done);
  ASSERT_EQ(bus.calculator.Commands().size(), 1u);
  EXPECT_EQ(bus.calculator.Commands()[0].report, IdentityQuery());
}

TEST_F(SimHidApiTest, ReportsMustBeWholeAndCarryReportIdOne) {
  const Handle device = OpenCalculator();
  const auto query = IdentityQuery();
  EXPECT_EQ(api.HidD_SetOutputReport(device, std::span(query).first(63)), 0);
  EXPECT_EQ(api.LastPlatformError(), WinError::InvalidParameter);
  auto wrongId = query;
  wrongId[0] = 2;
  EXPECT_EQ(api.HidD_SetOutputReport(device, wrongId), 0);
  EXPECT_EQ(api.LastPlatformError(), WinError::InvalidParameter);
  EXPECT_TRUE(bus.calculator.Commands().empty());

  std::array<std::uint8_t, 65> longer{};
  longer[0] = 1;
  EXPECT_EQ(api.HidD_GetInputReport(device, longer), 0);
  EXPECT_EQ(api.LastPlatformError(), WinError::InvalidParameter);
}

TEST_F(SimHidApiTest, ReportsOnOtherDevicesOrBadHandlesFail) {
  const Handle keyboard = Open(bus.interfaces[0].path);
  auto reply = EmptyInputReport();
  EXPECT_EQ(api.HidD_SetOutputReport(keyboard, IdentityQuery()), 0);
  EXPECT_EQ(api.LastPlatformError(), WinError::InvalidFunction);
  EXPECT_EQ(api.HidD_GetInputReport(keyboard, reply), 0);
  EXPECT_EQ(api.LastPlatformError(), WinError::InvalidFunction);
  EXPECT_EQ(api.HidD_SetOutputReport(kInvalidHandleValue, IdentityQuery()), 0);
  EXPECT_EQ(api.LastPlatformError(), WinError::InvalidHandle);
  EXPECT_EQ(api.HidD_GetInputReport(keyboard + 100, reply), 0);
  EXPECT_EQ(api.LastPlatformError(), WinError::InvalidHandle);
  EXPECT_TRUE(bus.calculator.Commands().empty());
}

TEST_F(SimHidApiTest, UnpluggedCalculatorFailsWithDeviceNotConnected) {
  bus.calculator.Faults().unplugAfter = 1;
  const Handle device = OpenCalculator();
  api.HidD_SetOutputReport(device, IdentityQuery());
  auto reply = EmptyInputReport();
  ASSERT_EQ(api.HidD_GetInputReport(device, reply), 1) << "the last answer still arrives";
  ASSERT_TRUE(bus.calculator.Unplugged());

  EXPECT_EQ(api.HidD_SetOutputReport(device, IdentityQuery()), 0);
  EXPECT_EQ(api.LastPlatformError(), WinError::DeviceNotConnected);
  auto untouched = EmptyInputReport();
  untouched[5] = 0x5A;
  const auto before = untouched;
  EXPECT_EQ(api.HidD_GetInputReport(device, untouched), 0);
  EXPECT_EQ(api.LastPlatformError(), WinError::DeviceNotConnected);
  EXPECT_EQ(untouched, before);
  HiddAttributes attributes;
  EXPECT_EQ(api.HidD_GetAttributes(device, attributes), 0);
  EXPECT_EQ(api.LastPlatformError(), WinError::DeviceNotConnected);
  PreparsedData preparsed = 0;
  EXPECT_EQ(api.HidD_GetPreparsedData(device, preparsed), 0);
  EXPECT_EQ(api.LastPlatformError(), WinError::DeviceNotConnected);

  EXPECT_EQ(Open(bus.interfaces.back().path), kInvalidHandleValue);
  EXPECT_EQ(api.LastPlatformError(), WinError::FileNotFound);
  EXPECT_EQ(api.CloseHandle(device), 1);
  EXPECT_EQ(api.OpenHandleCount(), 0);
}

TEST_F(SimHidApiTest, StringCallsFailAsTheOtherDeviceCallsDo) {
  std::string text = "kept";
  const Handle calculator = OpenCalculator();
  EXPECT_EQ(api.HidD_GetSerialNumberString(Open(bus.interfaces[0].path), text), 0);
  EXPECT_EQ(api.LastPlatformError(), WinError::GenFailure) << "the keyboard has none";
  EXPECT_EQ(api.HidD_GetProductString(api.CreateEventA(nullptr, true, true, ""), text), 0);
  EXPECT_EQ(api.LastPlatformError(), WinError::InvalidHandle);
  UnplugCalculator();
  EXPECT_EQ(api.HidD_GetManufacturerString(calculator, text), 0);
  EXPECT_EQ(api.LastPlatformError(), WinError::DeviceNotConnected);
  EXPECT_EQ(text, "kept");
}

}  // namespace
}  // namespace usblink::sim

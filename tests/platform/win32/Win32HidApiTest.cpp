// The backend on the machine's own HID interfaces. Under Wine these are its
// two devices of vendor 845E; the calculator is not among them. Wine words
// the system texts differently from Windows, so none is compared exactly.

#include "platform/hid/win32/Win32HidApi.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <string>
#include <vector>

#include "platform/hid/win32/WindowsHid.h"
#include "platform/os/win32/CodePageText.h"

namespace usblink::win32 {
namespace {

constexpr std::uint32_t kPresentInterfaces = kDigcfPresent | kDigcfDeviceInterface;
constexpr SecurityAttributes kInheritable{kSecurityAttributesSize, true};

class Win32HidApiTest : public ::testing::Test {
 protected:
  void SetUp() override {
    set = api.SetupDiGetClassDevsA(kHidClassGuid, kPresentInterfaces);
    ASSERT_NE(set, kInvalidHandleValue);
    ASSERT_TRUE(Enumerate(0, first)) << "no HID interface to examine";
  }
  void TearDown() override { EXPECT_EQ(api.SetupDiDestroyDeviceInfoList(set), 1); }

  bool Enumerate(std::uint32_t index, SpDeviceInterfaceData& data) {
    data.cbSize = kInterfaceDataSize;
    return api.SetupDiEnumDeviceInterfaces(set, kHidClassGuid, index, data) != 0;
  }

  std::uint32_t RequiredSize(const SpDeviceInterfaceData& data) {
    std::uint32_t required = 0;
    api.SetupDiGetDeviceInterfaceDetailA(set, data, {}, required);
    return required;
  }

  // A detail buffer as discovery lays it out: the 32-bit size field, then room.
  static std::vector<std::uint8_t> DetailBuffer(std::size_t size, std::uint32_t sizeField) {
    std::vector<std::uint8_t> detail(size, 0);
    std::memcpy(detail.data(), &sizeField, sizeof sizeField);
    return detail;
  }

  std::string PathOf(const SpDeviceInterfaceData& data) { return FetchDevicePath(api, set, data); }

  Handle Open(const std::string& path) {
    return api.CreateFileA(path, kGenericReadWrite, kFileShareReadWrite, &kInheritable,
                           kOpenExisting, 0);
  }

  // Leaves a known code behind that a call under test must not replace.
  void PlantFileNotFound() {
    ASSERT_EQ(Open(R"(\\?\hid#no_such_device)"), kInvalidHandleValue);
    ASSERT_NE(api.LastPlatformError(), WinError::Success);
  }

  Win32HidApi api;
  Handle set = kNoHandle;
  SpDeviceInterfaceData first;
};

TEST_F(Win32HidApiTest, HidClassGuidIsWindowsOne) {
  Guid guid;
  api.HidD_GetHidGuid(guid);
  EXPECT_EQ(guid, kHidClassGuid);
}

TEST_F(Win32HidApiTest, EnumerationEndsWithNoMoreItems) {
  EXPECT_EQ(first.InterfaceClassGuid, kHidClassGuid);
  EXPECT_EQ(first.cbSize, kInterfaceDataSize);
  std::uint32_t index = 1;
  SpDeviceInterfaceData data;
  while (Enumerate(index, data)) ++index;
  EXPECT_EQ(api.LastPlatformError(), WinError::NoMoreItems);
}

TEST_F(Win32HidApiTest, SizeQueryFailsWithTheSizeOfTheCallersRecord) {
  std::uint32_t required = 0;
  EXPECT_EQ(api.SetupDiGetDeviceInterfaceDetailA(set, first, {}, required), 0);
  EXPECT_EQ(api.LastPlatformError(), WinError::InsufficientBuffer);
  EXPECT_EQ(required, kDetailPathOffset + PathOf(first).size() + 1);
}

TEST_F(Win32HidApiTest, FetchWritesThePathAfterTheCallersSizeField) {
  std::uint32_t required = RequiredSize(first);
  // One byte more than offered, as discovery allocates it; it stays untouched.
  auto detail = DetailBuffer(required + 1, kDetailDataFixedSize);
  detail.back() = 0xAA;
  EXPECT_EQ(
      api.SetupDiGetDeviceInterfaceDetailA(set, first, std::span(detail).first(required), required),
      1);
  EXPECT_EQ(std::vector(detail.begin(), detail.begin() + kDetailPathOffset),
            (std::vector<std::uint8_t>{5, 0, 0, 0}));
  const std::string path(reinterpret_cast<const char*>(detail.data() + kDetailPathOffset));
  EXPECT_EQ(path.size() + kDetailPathOffset + 1, required);
  EXPECT_TRUE(path.starts_with(R"(\\?\)")) << path;
  EXPECT_EQ(detail.back(), 0xAA);
}

TEST_F(Win32HidApiTest, FetchRefusesASizeFieldOtherThanThe32BitOne) {
  std::uint32_t required = RequiredSize(first);
  auto detail = DetailBuffer(required, sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A));
  EXPECT_EQ(api.SetupDiGetDeviceInterfaceDetailA(set, first, detail, required), 0);
  EXPECT_EQ(detail[kDetailPathOffset], 0);
}

TEST_F(Win32HidApiTest, OpenReadAttributesAndClose) {
  const Handle device = Open(PathOf(first));
  ASSERT_NE(device, kInvalidHandleValue);
  EXPECT_EQ(api.LastPlatformError(), WinError::Success);

  HiddAttributes attributes;
  attributes.Size = kHiddAttributesSize;
  EXPECT_EQ(api.HidD_GetAttributes(device, attributes), 1);
  EXPECT_EQ(attributes.Size, kHiddAttributesSize);
  EXPECT_NE(attributes.VendorID, 0);

  EXPECT_EQ(api.CloseHandle(device), 1);
  EXPECT_EQ(api.CloseHandle(device), 0);
  EXPECT_EQ(api.LastPlatformError(), WinError::InvalidHandle);
}

TEST_F(Win32HidApiTest, FailedOpenGivesTheInvalidHandleInAll64Bits) {
  EXPECT_EQ(Open(R"(\\?\hid#no_such_device)"), kInvalidHandleValue);
  EXPECT_NE(api.LastPlatformError(), WinError::Success);
  HiddAttributes attributes;
  attributes.Size = kHiddAttributesSize;
  attributes.VendorID = 0x04FC;
  EXPECT_EQ(api.HidD_GetAttributes(kInvalidHandleValue, attributes), 0);
  EXPECT_EQ(attributes.VendorID, 0x04FC);
}

TEST_F(Win32HidApiTest, CapabilitiesOfAnInterface) {
  const Handle device = Open(PathOf(first));
  PreparsedData preparsed = 0;
  ASSERT_EQ(api.HidD_GetPreparsedData(device, preparsed), 1);
  EXPECT_NE(preparsed, 0U);

  HidpCaps caps;
  EXPECT_EQ(api.HidP_GetCaps(preparsed, caps), kHidpStatusSuccess);
  EXPECT_NE(caps.UsagePage, 0);
  EXPECT_GT(caps.InputReportByteLength, 0);

  // Wine's devices have no input values; Windows reports that as not found.
  std::array<HidpValueCaps, 14> valueCaps{};
  std::uint16_t length = caps.NumberInputValueCaps;
  EXPECT_EQ(api.HidP_GetValueCaps(HidpReportType::Input, valueCaps, length, preparsed),
            caps.NumberInputValueCaps == 0 ? HIDP_STATUS_USAGE_NOT_FOUND : kHidpStatusSuccess);
  EXPECT_EQ(length, caps.NumberInputValueCaps);

  EXPECT_EQ(api.HidD_FreePreparsedData(preparsed), 1);
  EXPECT_EQ(api.CloseHandle(device), 1);
}

TEST_F(Win32HidApiTest, ParserCallsWithoutDataAreRefusedAndKeepTheErrorCode) {
  PlantFileNotFound();
  const std::uint32_t planted = api.LastPlatformError();
  HidpCaps caps;
  caps.Usage = 7;
  EXPECT_EQ(api.HidP_GetCaps(0, caps), kHidpStatusInvalidPreparsedData);
  EXPECT_EQ(caps.Usage, 7);
  std::array<HidpValueCaps, 1> valueCaps{};
  std::uint16_t length = 1;
  EXPECT_EQ(api.HidP_GetValueCaps(HidpReportType::Input, valueCaps, length, 0),
            kHidpStatusInvalidPreparsedData);
  EXPECT_EQ(api.LastPlatformError(), planted);
}

TEST_F(Win32HidApiTest, ValueCapsCountBeyondTheCallersRecordsIsRefused) {
  const Handle device = Open(PathOf(first));
  PreparsedData preparsed = 0;
  ASSERT_EQ(api.HidD_GetPreparsedData(device, preparsed), 1);
  std::array<HidpValueCaps, 1> valueCaps{};
  std::uint16_t length = 2;
  EXPECT_EQ(api.HidP_GetValueCaps(HidpReportType::Input, valueCaps, length, preparsed),
            kHidpStatusBufferTooSmall);
  EXPECT_EQ(length, 0);
  api.HidD_FreePreparsedData(preparsed);
  api.CloseHandle(device);
}

TEST_F(Win32HidApiTest, EventWithAnEmptyName) {
  const Handle event = api.CreateEventA(&kInheritable, true, true, "");
  ASSERT_NE(event, kNoHandle);
  EXPECT_EQ(api.LastPlatformError(), WinError::Success);
  EXPECT_EQ(api.CloseHandle(event), 1);
}

TEST_F(Win32HidApiTest, ReportCallsOnAClosedHandleFail) {
  std::array<std::uint8_t, 64> report{1};
  EXPECT_EQ(api.HidD_SetOutputReport(kNoHandle, report), 0);
  EXPECT_EQ(api.LastPlatformError(), WinError::InvalidHandle);
  EXPECT_EQ(api.HidD_GetInputReport(kNoHandle, report), 0);
  EXPECT_EQ(api.LastPlatformError(), WinError::InvalidHandle);
}

// Whatever strings Wine's devices have, they come up as the system's UTF-16
// in UTF-8, and a string the device lacks fails with the system's own code.
TEST_F(Win32HidApiTest, DeviceStringsAreTheSystemsInUtf8) {
  using OurCall = std::int32_t (Win32HidApi::*)(Handle, std::string&);
  struct Case {
    OurCall ours;
    decltype(&::HidD_GetSerialNumberString) system;
  };
  const std::array cases{
      Case{&Win32HidApi::HidD_GetSerialNumberString, ::HidD_GetSerialNumberString},
      Case{&Win32HidApi::HidD_GetManufacturerString, ::HidD_GetManufacturerString},
      Case{&Win32HidApi::HidD_GetProductString, ::HidD_GetProductString}};
  // Without access rights, as the walk opens interfaces.
  const Handle device =
      api.CreateFileA(PathOf(first), 0, kFileShareReadWrite, nullptr, kOpenExisting, 0);
  ASSERT_NE(device, kInvalidHandleValue);
  for (const Case& call : cases) {
    std::array<wchar_t, 128> wide{};
    const BOOLEAN expected = call.system(reinterpret_cast<HANDLE>(device), wide.data(),
                                         static_cast<ULONG>((wide.size() - 1) * sizeof(wchar_t)));
    const DWORD expectedError = GetLastError();
    std::string text = "kept";
    EXPECT_EQ((api.*call.ours)(device, text), expected);
    if (expected != FALSE) {
      EXPECT_EQ(text, CodePageFromWide(CP_UTF8, std::wstring_view(wide.data())));
    } else {
      EXPECT_EQ(api.LastPlatformError(), expectedError);
      EXPECT_EQ(text, "kept");
    }
    EXPECT_EQ((api.*call.ours)(kNoHandle, text), 0);
    EXPECT_EQ(api.LastPlatformError(), WinError::InvalidHandle);
  }
  EXPECT_EQ(api.CloseHandle(device), 1);
}

TEST_F(Win32HidApiTest, SystemTextEndsInALineBreakAndKeepsTheErrorCode) {
  PlantFileNotFound();
  const std::uint32_t planted = api.LastPlatformError();
  std::array<char, 129> text{};
  const std::uint32_t stored = api.FormatMessageA(kFormatMessageFromSystem, WinError::NoMoreItems,
                                                  0, std::span(text).first(128));
  ASSERT_GT(stored, 2U);
  EXPECT_EQ(std::strlen(text.data()), stored);
  EXPECT_EQ(std::string(text.data() + stored - 2), "\r\n");
  EXPECT_EQ(api.LastPlatformError(), planted);
}

// On any desktop, whatever its ANSI code page.
TEST_F(Win32HidApiTest, SystemTextsAreHandedOnAsTheirUtf8) {
  for (const std::uint32_t code :
       {WinError::Success, WinError::FileNotFound, WinError::InsufficientBuffer,
        WinError::NoMoreItems, WinError::OperationAborted, WinError::DeviceNotConnected}) {
    std::array<wchar_t, 128> wide{};
    const DWORD length = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM, nullptr, code, 0, wide.data(),
                                        static_cast<DWORD>(wide.size()), nullptr);
    std::array<char, 129> text{};
    const std::uint32_t stored =
        api.FormatMessageA(kFormatMessageFromSystem, code, 0, std::span(text).first(128));
    EXPECT_EQ(std::string(text.data(), stored),
              CodePageFromWide(CP_UTF8, std::wstring_view(wide.data(), length)))
        << code;
  }
}

// Names the ANSI code page of an English desktop cannot spell.
TEST_F(Win32HidApiTest, NamesAreTakenInUtf8) {
  std::array<wchar_t, MAX_PATH> folder{};
  GetTempPathW(static_cast<DWORD>(folder.size()), folder.data());
  const std::wstring file = std::wstring(folder.data()) + L"usblink-\u6d4b\u8bd5.txt";  // 测试
  HANDLE created = CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(created, INVALID_HANDLE_VALUE);
  ::CloseHandle(created);
  const Handle opened = api.CreateFileA(CodePageFromWide(CP_UTF8, file), kGenericReadWrite,
                                        kFileShareReadWrite, nullptr, kOpenExisting, 0);
  EXPECT_NE(opened, kInvalidHandleValue);
  if (opened != kInvalidHandleValue) api.CloseHandle(opened);
  DeleteFileW(file.c_str());

  const Handle event = api.CreateEventA(nullptr, true, true, "usblink-事件");
  ASSERT_NE(event, kNoHandle);
  HANDLE found = OpenEventW(SYNCHRONIZE, FALSE, L"usblink-\u4e8b\u4ef6");
  EXPECT_NE(found, nullptr);
  if (found != nullptr) ::CloseHandle(found);
  api.CloseHandle(event);
}

}  // namespace
}  // namespace usblink::win32

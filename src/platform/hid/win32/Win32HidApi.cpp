#include "platform/hid/win32/Win32HidApi.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cwchar>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/hid/win32/NativeRecords.h"
#include "platform/hid/win32/WindowsHid.h"
#include "platform/os/win32/CodePageText.h"

namespace usblink::win32 {

namespace {

// The caller's detail record and the native one share the place of the path.
static_assert(offsetof(SP_DEVICE_INTERFACE_DETAIL_DATA_A, DevicePath) == kDetailPathOffset);
static_assert(sizeof(HIDP_VALUE_CAPS) == kValueCapsRecordSize);
static_assert(static_cast<int>(HidpReportType::Input) == HidP_Input);
static_assert(static_cast<int>(HidpReportType::Output) == HidP_Output);
static_assert(static_cast<int>(HidpReportType::Feature) == HidP_Feature);
static_assert(kHidpStatusSuccess == HIDP_STATUS_SUCCESS);
static_assert(kHidpStatusInvalidPreparsedData == HIDP_STATUS_INVALID_PREPARSED_DATA);
static_assert(kHidpStatusBufferTooSmall == HIDP_STATUS_BUFFER_TOO_SMALL);

// A USB string descriptor holds at most this many UTF-16 characters.
constexpr std::size_t kDeviceStringCharacters = 126;

// What the caller's record needs for the path in UTF-8, where the system
// reported what the native one needs for it in ANSI: the path tells. This
// call of the backend's own leaves the thread's error code as it found it.
DWORD Utf8DetailSize(HDEVINFO deviceInfoSet, SP_DEVICE_INTERFACE_DATA& interfaceData,
                     DWORD nativeRequired) {
  const DWORD lastError = ::GetLastError();
  std::vector<std::uint8_t> native(
      std::max<std::size_t>(nativeRequired, sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A)), 0);
  reinterpret_cast<PSP_DEVICE_INTERFACE_DETAIL_DATA_A>(native.data())->cbSize =
      sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A);
  const BOOL fetched = ::SetupDiGetDeviceInterfaceDetailA(
      deviceInfoSet, &interfaceData,
      reinterpret_cast<PSP_DEVICE_INTERFACE_DETAIL_DATA_A>(native.data()),
      static_cast<DWORD>(native.size()), nullptr, nullptr);
  ::SetLastError(lastError);
  return fetched != FALSE ? CopyDevicePath(native, {}) : nativeRequired;
}

}  // namespace

void Win32HidApi::HidD_GetHidGuid(Guid& hidGuid) {
  GUID native{};
  ::HidD_GetHidGuid(&native);
  CaptureLastError();
  hidGuid = FromNative(native);
}

Handle Win32HidApi::SetupDiGetClassDevsA(const Guid& classGuid, std::uint32_t flags) {
  const GUID native = ToNative(classGuid);
  return FromNative(Captured(::SetupDiGetClassDevsA(&native, nullptr, nullptr, flags)));
}

std::int32_t Win32HidApi::SetupDiEnumDeviceInterfaces(Handle deviceInfoSet, const Guid& classGuid,
                                                      std::uint32_t memberIndex,
                                                      SpDeviceInterfaceData& interfaceData) {
  const GUID nativeGuid = ToNative(classGuid);
  SP_DEVICE_INTERFACE_DATA native = ToNative(interfaceData);
  const BOOL result = Captured(::SetupDiEnumDeviceInterfaces(ToNative(deviceInfoSet), nullptr,
                                                             &nativeGuid, memberIndex, &native));
  if (result != FALSE) CopyFromNative(native, interfaceData);
  return result;
}

// The sizes are the caller's: its record holds the path in UTF-8 after the
// same size field. A path too long for it in UTF-8 fails as too small a
// record does, with nothing after the size field.
std::int32_t Win32HidApi::SetupDiGetDeviceInterfaceDetailA(
    Handle deviceInfoSet, const SpDeviceInterfaceData& interfaceData,
    std::span<std::uint8_t> detail, std::uint32_t& requiredSize) {
  SP_DEVICE_INTERFACE_DATA nativeInterface = ToNative(interfaceData);
  std::vector<std::uint8_t> nativeDetail;
  if (!detail.empty()) nativeDetail = NativeDetailBuffer(detail);
  DWORD nativeRequired = requiredSize;
  const BOOL result = Captured(::SetupDiGetDeviceInterfaceDetailA(
      ToNative(deviceInfoSet), &nativeInterface,
      detail.empty() ? nullptr
                     : reinterpret_cast<PSP_DEVICE_INTERFACE_DETAIL_DATA_A>(nativeDetail.data()),
      static_cast<DWORD>(detail.size()), &nativeRequired, nullptr));
  if (result != FALSE) {
    requiredSize = CopyDevicePath(nativeDetail, detail);
    if (requiredSize <= detail.size()) return result;
    SetLastPlatformError(ERROR_INSUFFICIENT_BUFFER);
    return FALSE;
  }
  requiredSize = LastPlatformError() == ERROR_INSUFFICIENT_BUFFER
                     ? Utf8DetailSize(ToNative(deviceInfoSet), nativeInterface, nativeRequired)
                     : nativeRequired;
  return result;
}

std::int32_t Win32HidApi::SetupDiDestroyDeviceInfoList(Handle deviceInfoSet) {
  return Captured(::SetupDiDestroyDeviceInfoList(ToNative(deviceInfoSet)));
}

// The names come in UTF-8; the wide calls take them without a detour through
// the ANSI code page, which need not hold every character of a name.
Handle Win32HidApi::CreateFileA(std::string_view fileName, std::uint32_t desiredAccess,
                                std::uint32_t shareMode, const SecurityAttributes* security,
                                std::uint32_t creationDisposition,
                                std::uint32_t flagsAndAttributes) {
  const std::wstring path = WideFromUtf8(fileName);
  SECURITY_ATTRIBUTES nativeSecurity{};
  if (security != nullptr) nativeSecurity = ToNative(*security);
  return FromNative(Captured(::CreateFileW(path.c_str(), desiredAccess, shareMode,
                                           security != nullptr ? &nativeSecurity : nullptr,
                                           creationDisposition, flagsAndAttributes, nullptr)));
}

// A name without data is no name at all; an empty one is still a name.
Handle Win32HidApi::CreateEventA(const SecurityAttributes* security, bool manualReset,
                                 bool initialState, std::string_view name) {
  const std::wstring nameText = WideFromUtf8(name);
  SECURITY_ATTRIBUTES nativeSecurity{};
  if (security != nullptr) nativeSecurity = ToNative(*security);
  return FromNative(Captured(::CreateEventW(security != nullptr ? &nativeSecurity : nullptr,
                                            manualReset ? TRUE : FALSE, initialState ? TRUE : FALSE,
                                            name.data() != nullptr ? nameText.c_str() : nullptr)));
}

std::int32_t Win32HidApi::CloseHandle(Handle object) {
  return Captured(::CloseHandle(ToNative(object)));
}

std::int32_t Win32HidApi::HidD_GetAttributes(Handle device, HiddAttributes& attributes) {
  HIDD_ATTRIBUTES native = ToNative(attributes);
  const BOOLEAN result = Captured(::HidD_GetAttributes(ToNative(device), &native));
  if (result != FALSE) CopyFromNative(native, attributes);
  return result;
}

std::int32_t Win32HidApi::HidD_GetSerialNumberString(Handle device, std::string& serialNumber) {
  return DeviceString(::HidD_GetSerialNumberString, device, serialNumber);
}

std::int32_t Win32HidApi::HidD_GetManufacturerString(Handle device, std::string& manufacturer) {
  return DeviceString(::HidD_GetManufacturerString, device, manufacturer);
}

std::int32_t Win32HidApi::HidD_GetProductString(Handle device, std::string& product) {
  return DeviceString(::HidD_GetProductString, device, product);
}

std::int32_t Win32HidApi::HidD_GetPreparsedData(Handle device, PreparsedData& preparsedData) {
  PHIDP_PREPARSED_DATA native = nullptr;
  const BOOLEAN result = Captured(::HidD_GetPreparsedData(ToNative(device), &native));
  if (result != FALSE) preparsedData = FromNativePreparsedData(native);
  return result;
}

std::int32_t Win32HidApi::HidP_GetCaps(PreparsedData preparsedData, HidpCaps& caps) {
  if (preparsedData == 0) return kHidpStatusInvalidPreparsedData;
  HIDP_CAPS native{};
  const NTSTATUS status = Captured(::HidP_GetCaps(ToNativePreparsedData(preparsedData), &native));
  if (status == HIDP_STATUS_SUCCESS) caps = FromNative(native);
  return status;
}

std::int32_t Win32HidApi::HidP_GetValueCaps(HidpReportType reportType,
                                            std::span<HidpValueCaps> valueCaps,
                                            std::uint16_t& valueCapsLength,
                                            PreparsedData preparsedData) {
  if (preparsedData == 0) return kHidpStatusInvalidPreparsedData;
  if (valueCaps.size() < valueCapsLength) {
    valueCapsLength = 0;
    return kHidpStatusBufferTooSmall;
  }
  std::vector<HIDP_VALUE_CAPS> native(valueCapsLength);
  USHORT nativeLength = valueCapsLength;
  const NTSTATUS status =
      Captured(::HidP_GetValueCaps(static_cast<HIDP_REPORT_TYPE>(reportType), native.data(),
                                   &nativeLength, ToNativePreparsedData(preparsedData)));
  valueCapsLength = std::min<std::uint16_t>(nativeLength, valueCapsLength);
  std::transform(native.begin(), native.begin() + valueCapsLength, valueCaps.begin(),
                 [](const HIDP_VALUE_CAPS& record) { return FromNative(record); });
  return status;
}

std::int32_t Win32HidApi::HidD_FreePreparsedData(PreparsedData preparsedData) {
  return Captured(::HidD_FreePreparsedData(ToNativePreparsedData(preparsedData)));
}

// The report is only read; the declaration predates const.
std::int32_t Win32HidApi::HidD_SetOutputReport(Handle device,
                                               std::span<const std::uint8_t> report) {
  return Captured(::HidD_SetOutputReport(ToNative(device), const_cast<std::uint8_t*>(report.data()),
                                         static_cast<ULONG>(report.size())));
}

std::int32_t Win32HidApi::HidD_GetInputReport(Handle device, std::span<std::uint8_t> report) {
  return Captured(
      ::HidD_GetInputReport(ToNative(device), report.data(), static_cast<ULONG>(report.size())));
}

// Looks up the text of the captured code, so it must not capture anew. The
// source is ignored by the system lookup; it points at a zero all the same.
// The system fills a buffer of the caller's size in the ANSI code page and
// counts its bytes; the caller gets the UTF-8 and its bytes. The line break
// that ends every system text is two single bytes in both, so the caller's
// dropping of the last two drops it still. A text of two bytes or fewer gives
// the caller nothing to show, nor does one whose UTF-8 outgrows the buffer.
std::uint32_t Win32HidApi::FormatMessageA(std::uint32_t flags, std::uint32_t messageId,
                                          std::uint32_t languageId, std::span<char> buffer) {
  const DWORD noSource = 0;
  std::string ansi(buffer.size(), '\0');
  const DWORD stored = ::FormatMessageA(flags, &noSource, messageId, languageId, ansi.data(),
                                        static_cast<DWORD>(ansi.size()), nullptr);
  return StoreAsUtf8(stored > 2 ? std::string_view(ansi).substr(0, stored) : "", buffer);
}

// The system is offered room for the longest text and its NUL; one more
// zeroed character, never offered, keeps whatever it writes ended.
template <typename StringCall>
std::int32_t Win32HidApi::DeviceString(StringCall call, Handle device, std::string& text) {
  std::array<wchar_t, kDeviceStringCharacters + 2> wide{};
  const BOOLEAN result = Captured(
      call(ToNative(device), wide.data(), static_cast<ULONG>((wide.size() - 1) * sizeof(wchar_t))));
  if (result != FALSE) {
    text = CodePageFromWide(CP_UTF8, std::wstring_view(wide.data(), std::wcslen(wide.data())));
  }
  return result;
}

std::vector<HidInterface> Win32HidApi::PresentInterfaces() { return WalkPresentInterfaces(*this); }

void Win32HidApi::CaptureLastError() { SetLastPlatformError(::GetLastError()); }

}  // namespace usblink::win32

namespace usblink {

std::unique_ptr<HidApi> MakePlatformHidApi() { return std::make_unique<win32::Win32HidApi>(); }

// Windows opens HID interfaces for every user.
std::optional<std::string> PlatformAccessHint() { return std::nullopt; }
std::optional<std::string> PlatformAccessHintLine() { return std::nullopt; }

// Windows shares an open HID interface; nothing marks it as held.
std::optional<std::string> PlatformCalculatorInUse() { return std::nullopt; }

}  // namespace usblink

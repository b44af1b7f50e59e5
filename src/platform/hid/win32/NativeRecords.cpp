#include "platform/hid/win32/NativeRecords.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "platform/os/win32/CodePageText.h"

namespace usblink::win32 {

DWORD NativeRecordSize(std::uint32_t givenSize, std::uint32_t size32, std::size_t nativeSize) {
  return givenSize == size32 ? static_cast<DWORD>(nativeSize) : 0;
}

HANDLE ToNative(Handle handle) {
  if (handle == kInvalidHandleValue) return INVALID_HANDLE_VALUE;
  return reinterpret_cast<HANDLE>(static_cast<std::uintptr_t>(handle));
}

// INVALID_HANDLE_VALUE is all ones at any width; the seam's value is 64 of them.
Handle FromNative(HANDLE handle) {
  if (handle == INVALID_HANDLE_VALUE) return kInvalidHandleValue;
  return reinterpret_cast<std::uintptr_t>(handle);
}

PHIDP_PREPARSED_DATA ToNativePreparsedData(PreparsedData preparsedData) {
  return reinterpret_cast<PHIDP_PREPARSED_DATA>(static_cast<std::uintptr_t>(preparsedData));
}

PreparsedData FromNativePreparsedData(PHIDP_PREPARSED_DATA preparsedData) {
  return reinterpret_cast<std::uintptr_t>(preparsedData);
}

GUID ToNative(const Guid& guid) {
  GUID native{guid.Data1, guid.Data2, guid.Data3, {}};
  std::ranges::copy(guid.Data4, std::begin(native.Data4));
  return native;
}

Guid FromNative(const GUID& guid) {
  Guid converted{guid.Data1, guid.Data2, guid.Data3, {}};
  std::ranges::copy(guid.Data4, converted.Data4.begin());
  return converted;
}

SP_DEVICE_INTERFACE_DATA ToNative(const SpDeviceInterfaceData& data) {
  SP_DEVICE_INTERFACE_DATA native{};
  native.cbSize = NativeRecordSize(data.cbSize, kInterfaceDataSize, sizeof native);
  native.InterfaceClassGuid = ToNative(data.InterfaceClassGuid);
  native.Flags = data.Flags;
  native.Reserved = static_cast<ULONG_PTR>(data.Reserved);
  return native;
}

void CopyFromNative(const SP_DEVICE_INTERFACE_DATA& native, SpDeviceInterfaceData& data) {
  data.InterfaceClassGuid = FromNative(native.InterfaceClassGuid);
  data.Flags = native.Flags;
  data.Reserved = native.Reserved;
}

std::vector<std::uint8_t> NativeDetailBuffer(std::span<const std::uint8_t> detail) {
  std::vector<std::uint8_t> native(
      std::max(detail.size(), sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A)), 0);
  std::uint32_t givenSize = 0;
  if (detail.size() >= sizeof givenSize) std::memcpy(&givenSize, detail.data(), sizeof givenSize);
  reinterpret_cast<PSP_DEVICE_INTERFACE_DETAIL_DATA_A>(native.data())->cbSize =
      NativeRecordSize(givenSize, kDetailDataFixedSize, sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A));
  return native;
}

std::string_view NativeDevicePath(std::span<const std::uint8_t> native) {
  if (native.size() <= kDetailPathOffset) return {};
  const std::string_view bytes(reinterpret_cast<const char*>(native.data()) + kDetailPathOffset,
                               native.size() - kDetailPathOffset);
  return bytes.substr(0, bytes.find('\0'));
}

std::uint32_t CopyDevicePath(std::span<const std::uint8_t> native, std::span<std::uint8_t> detail) {
  const std::string path = Utf8FromAnsi(NativeDevicePath(native));
  const std::size_t needed = kDetailPathOffset + path.size() + 1;
  if (needed <= detail.size()) {
    const auto end = std::ranges::copy(path, detail.begin() + kDetailPathOffset).out;
    *end = 0;
  }
  return static_cast<std::uint32_t>(needed);
}

SECURITY_ATTRIBUTES ToNative(const SecurityAttributes& security) {
  SECURITY_ATTRIBUTES native{};
  native.nLength = NativeRecordSize(security.nLength, kSecurityAttributesSize, sizeof native);
  native.lpSecurityDescriptor = nullptr;
  native.bInheritHandle = security.bInheritHandle ? TRUE : FALSE;
  return native;
}

HIDD_ATTRIBUTES ToNative(const HiddAttributes& attributes) {
  HIDD_ATTRIBUTES native{};
  native.Size = NativeRecordSize(attributes.Size, kHiddAttributesSize, sizeof native);
  native.VendorID = attributes.VendorID;
  native.ProductID = attributes.ProductID;
  native.VersionNumber = attributes.VersionNumber;
  return native;
}

void CopyFromNative(const HIDD_ATTRIBUTES& native, HiddAttributes& attributes) {
  attributes.VendorID = native.VendorID;
  attributes.ProductID = native.ProductID;
  attributes.VersionNumber = native.VersionNumber;
}

HidpCaps FromNative(const HIDP_CAPS& caps) {
  return {caps.Usage,
          caps.UsagePage,
          caps.InputReportByteLength,
          caps.OutputReportByteLength,
          caps.FeatureReportByteLength,
          caps.NumberLinkCollectionNodes,
          caps.NumberInputButtonCaps,
          caps.NumberInputValueCaps,
          caps.NumberInputDataIndices,
          caps.NumberOutputButtonCaps,
          caps.NumberOutputValueCaps,
          caps.NumberOutputDataIndices,
          caps.NumberFeatureButtonCaps,
          caps.NumberFeatureValueCaps,
          caps.NumberFeatureDataIndices};
}

// The range view of the union also reads a single usage right: its usage and
// data index share the places of the minimums, and the maximums are reserved 0.
HidpValueCaps FromNative(const HIDP_VALUE_CAPS& valueCaps) {
  return {valueCaps.UsagePage,      valueCaps.ReportID,           valueCaps.LinkCollection,
          valueCaps.BitSize,        valueCaps.ReportCount,        valueCaps.LogicalMin,
          valueCaps.LogicalMax,     valueCaps.IsRange != FALSE,   valueCaps.Range.UsageMin,
          valueCaps.Range.UsageMax, valueCaps.Range.DataIndexMin, valueCaps.Range.DataIndexMax};
}

}  // namespace usblink::win32

#pragma once
// Conversions between the seam's records, which carry the sizes a 32-bit
// process uses, and the native records of the build's own width.

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "platform/hid/HidApi.h"
#include "platform/hid/win32/WindowsHid.h"

namespace usblink::win32 {

// The native size for a record that carries its 32-bit size; any other size
// becomes 0, which Windows refuses as it refuses a wrong one.
[[nodiscard]] DWORD NativeRecordSize(std::uint32_t givenSize, std::uint32_t size32,
                                     std::size_t nativeSize);

[[nodiscard]] HANDLE ToNative(Handle handle);
[[nodiscard]] Handle FromNative(HANDLE handle);

[[nodiscard]] PHIDP_PREPARSED_DATA ToNativePreparsedData(PreparsedData preparsedData);
[[nodiscard]] PreparsedData FromNativePreparsedData(PHIDP_PREPARSED_DATA preparsedData);

[[nodiscard]] GUID ToNative(const Guid& guid);
[[nodiscard]] Guid FromNative(const GUID& guid);

[[nodiscard]] SP_DEVICE_INTERFACE_DATA ToNative(const SpDeviceInterfaceData& data);
// Keeps the caller's 32-bit cbSize.
void CopyFromNative(const SP_DEVICE_INTERFACE_DATA& native, SpDeviceInterfaceData& data);

// The native detail record for a caller's record of the given bytes: as long,
// never shorter than the record's fixed part, with the size field converted.
[[nodiscard]] std::vector<std::uint8_t> NativeDetailBuffer(std::span<const std::uint8_t> detail);
// The path, in the ANSI code page, that a native detail record holds after its
// size field, up to its NUL.
[[nodiscard]] std::string_view NativeDevicePath(std::span<const std::uint8_t> native);
// The caller's record takes the path in UTF-8. Copies it there with its NUL
// when it fits, and returns the size the caller's record needs for it.
std::uint32_t CopyDevicePath(std::span<const std::uint8_t> native, std::span<std::uint8_t> detail);

[[nodiscard]] SECURITY_ATTRIBUTES ToNative(const SecurityAttributes& security);

[[nodiscard]] HIDD_ATTRIBUTES ToNative(const HiddAttributes& attributes);
void CopyFromNative(const HIDD_ATTRIBUTES& native, HiddAttributes& attributes);

[[nodiscard]] HidpCaps FromNative(const HIDP_CAPS& caps);
[[nodiscard]] HidpValueCaps FromNative(const HIDP_VALUE_CAPS& valueCaps);

}  // namespace usblink::win32

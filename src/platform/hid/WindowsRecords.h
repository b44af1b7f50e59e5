#pragma once
// The records, values and error codes that cross the platform seam, as
// Windows defines them. The records carry the sizes of a 32-bit process, the
// sizes the log shows.

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace usblink {

// Handles may be wider than 32 bits inside a backend; the log shows the low 32.
using Handle = std::uint64_t;
inline constexpr Handle kNoHandle = 0;
inline constexpr Handle kInvalidHandleValue = ~Handle{0};

// Opaque reference to a device's preparsed HID data; 0 is no data.
using PreparsedData = std::uint64_t;

struct Guid {
  std::uint32_t Data1 = 0;
  std::uint16_t Data2 = 0;
  std::uint16_t Data3 = 0;
  std::array<std::uint8_t, 8> Data4{};
  friend bool operator==(const Guid&, const Guid&) = default;
};

// The HID interface class as Windows reports it.
inline constexpr Guid kHidClassGuid{
    0x4D1E55B2, 0xF16F, 0x11CF, {0x88, 0xCB, 0x00, 0x11, 0x11, 0x00, 0x00, 0x30}};

// SP_DEVICE_INTERFACE_DATA; cbSize is the 32-bit record size, 28.
struct SpDeviceInterfaceData {
  std::uint32_t cbSize = 0;
  Guid InterfaceClassGuid;
  std::uint32_t Flags = 0;
  std::uint64_t Reserved = 0;
};
inline constexpr std::uint32_t kInterfaceDataSize = 28;
// Fixed part of SP_DEVICE_INTERFACE_DETAIL_DATA_A in a 32-bit process; the
// device path follows the 4-byte size field.
inline constexpr std::uint32_t kDetailDataFixedSize = 5;
inline constexpr std::size_t kDetailPathOffset = 4;

// SP_DEVICE_INTERFACE_DETAIL_DATA_A for the fetch of a device path, after the
// size query reported `requiredSize`: the size field saying 5, then room. One
// zero byte past what the fetch is offered ends the path whatever the call
// writes; the record always holds the size field and that byte.
class InterfaceDetailRecord {
 public:
  explicit InterfaceDetailRecord(std::uint32_t requiredSize = 0);
  // What the fetch is handed: the size reported, no more.
  [[nodiscard]] std::span<std::uint8_t> Offered() { return std::span(bytes_).first(offered_); }
  [[nodiscard]] std::span<const std::uint8_t> Bytes() const { return bytes_; }
  // The path after the size field, up to its NUL.
  [[nodiscard]] std::string DevicePath() const;

 private:
  std::vector<std::uint8_t> bytes_;
  std::size_t offered_;
};

// HIDD_ATTRIBUTES; Size is 12. The ids are kept as their 16-bit patterns.
struct HiddAttributes {
  std::uint32_t Size = 0;
  std::uint16_t VendorID = 0;
  std::uint16_t ProductID = 0;
  std::uint16_t VersionNumber = 0;
};
inline constexpr std::uint32_t kHiddAttributesSize = 12;

// SECURITY_ATTRIBUTES without a descriptor; nLength is 12.
struct SecurityAttributes {
  std::uint32_t nLength = 0;
  bool bInheritHandle = false;
};
inline constexpr std::uint32_t kSecurityAttributesSize = 12;

// HIDP_CAPS, the top-level capabilities of one collection.
struct HidpCaps {
  std::uint16_t Usage = 0;
  std::uint16_t UsagePage = 0;
  std::uint16_t InputReportByteLength = 0;
  std::uint16_t OutputReportByteLength = 0;
  std::uint16_t FeatureReportByteLength = 0;
  std::uint16_t NumberLinkCollectionNodes = 0;
  std::uint16_t NumberInputButtonCaps = 0;
  std::uint16_t NumberInputValueCaps = 0;
  std::uint16_t NumberInputDataIndices = 0;
  std::uint16_t NumberOutputButtonCaps = 0;
  std::uint16_t NumberOutputValueCaps = 0;
  std::uint16_t NumberOutputDataIndices = 0;
  std::uint16_t NumberFeatureButtonCaps = 0;
  std::uint16_t NumberFeatureValueCaps = 0;
  std::uint16_t NumberFeatureDataIndices = 0;
  friend bool operator==(const HidpCaps&, const HidpCaps&) = default;
};

// HIDP_VALUE_CAPS, reduced to the fields a value capability is told apart by.
struct HidpValueCaps {
  std::uint16_t UsagePage = 0;
  std::uint8_t ReportID = 0;
  std::uint16_t LinkCollection = 0;
  std::uint16_t BitSize = 0;
  std::uint16_t ReportCount = 0;
  std::int32_t LogicalMin = 0;
  std::int32_t LogicalMax = 0;
  bool IsRange = false;
  // When not a range, the Min fields hold the usage and its data index and the
  // Max fields stay 0, as in Windows' record.
  std::uint16_t UsageMin = 0;
  std::uint16_t UsageMax = 0;
  std::uint16_t DataIndexMin = 0;
  std::uint16_t DataIndexMax = 0;
  friend bool operator==(const HidpValueCaps&, const HidpValueCaps&) = default;
};
// Windows' value-capability record is 72 bytes; the report's 1,024-byte
// buffer therefore holds 14 of them.
inline constexpr std::size_t kValueCapsRecordSize = 72;

enum class HidpReportType : std::uint32_t { Input = 0, Output = 1, Feature = 2 };

// Flags and values the callers pass, as Windows defines them.
inline constexpr std::uint32_t kDigcfPresent = 0x02;
inline constexpr std::uint32_t kDigcfDeviceInterface = 0x10;
inline constexpr std::uint32_t kGenericRead = 0x80000000;
inline constexpr std::uint32_t kGenericWrite = 0x40000000;
inline constexpr std::uint32_t kGenericReadWrite = kGenericRead | kGenericWrite;
inline constexpr std::uint32_t kFileShareReadWrite = 3;
inline constexpr std::uint32_t kOpenExisting = 3;
inline constexpr std::uint32_t kFileFlagOverlapped = 0x40000000;
inline constexpr std::uint32_t kFormatMessageFromSystem = 0x1000;

// NTSTATUS values of the HID parser.
inline constexpr std::int32_t kHidpStatusSuccess = 0x00110000;
inline constexpr std::int32_t kHidpStatusInvalidPreparsedData =
    static_cast<std::int32_t>(0xC0110001);
inline constexpr std::int32_t kHidpStatusBufferTooSmall = static_cast<std::int32_t>(0xC0110007);

// Windows error codes the backends answer with.
namespace WinError {
inline constexpr std::uint32_t Success = 0;
inline constexpr std::uint32_t InvalidFunction = 1;
inline constexpr std::uint32_t FileNotFound = 2;
inline constexpr std::uint32_t PathNotFound = 3;
inline constexpr std::uint32_t AccessDenied = 5;
inline constexpr std::uint32_t InvalidHandle = 6;
inline constexpr std::uint32_t NotEnoughMemory = 8;
inline constexpr std::uint32_t InvalidData = 13;
inline constexpr std::uint32_t NotReady = 21;
inline constexpr std::uint32_t GenFailure = 31;
inline constexpr std::uint32_t SharingViolation = 32;
inline constexpr std::uint32_t InvalidParameter = 87;
inline constexpr std::uint32_t InsufficientBuffer = 122;
inline constexpr std::uint32_t Busy = 170;
inline constexpr std::uint32_t NoMoreItems = 259;
inline constexpr std::uint32_t OperationAborted = 995;
inline constexpr std::uint32_t IoPending = 997;
inline constexpr std::uint32_t DeviceNotConnected = 1167;
inline constexpr std::uint32_t InvalidUserBuffer = 1784;
}  // namespace WinError

}  // namespace usblink

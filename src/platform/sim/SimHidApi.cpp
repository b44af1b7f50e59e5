#include "platform/sim/SimHidApi.h"

#include <algorithm>

#include "platform/WindowsErrorText.h"

namespace usblink::sim {

namespace {

// Windows hands out kernel handles from 0x1F4 on, four apart.
constexpr Handle kFirstHandle = 0x1F4;
constexpr Handle kHandleStep = 4;
constexpr std::uint32_t kSpintActive = 1;
constexpr std::uint8_t kCalculatorReportId = 1;

std::uint32_t ReadLittleEndian32(std::span<const std::uint8_t> bytes) {
  return bytes[0] | bytes[1] << 8 | bytes[2] << 16 | static_cast<std::uint32_t>(bytes[3]) << 24;
}

const std::vector<HidpValueCaps>& ValueCapsOf(const CollectionCaps& collection,
                                              HidpReportType type) {
  switch (type) {
    case HidpReportType::Input:
      return collection.inputValueCaps;
    case HidpReportType::Output:
      return collection.outputValueCaps;
    case HidpReportType::Feature:
      break;
  }
  return collection.featureValueCaps;
}

}  // namespace

SimHidApi::SimHidApi(SimBus& bus) : bus_(bus), nextHandle_(kFirstHandle) {}

void SimHidApi::HidD_GetHidGuid(Guid& hidGuid) {
  hidGuid = kHidClassGuid;
  SetLastPlatformError(WinError::Success);
}

Handle SimHidApi::SetupDiGetClassDevsA(const Guid& classGuid, std::uint32_t flags) {
  std::vector<std::string> paths;
  if (classGuid == kHidClassGuid && (flags & kDigcfDeviceInterface) != 0) {
    for (const auto& entry : bus_.interfaces) {
      if ((flags & kDigcfPresent) == 0 || bus_.IsPresent(entry)) paths.push_back(entry.path);
    }
  }
  const Handle set = NewHandle();
  deviceInfoSets_.emplace(set, std::move(paths));
  SetLastPlatformError(WinError::Success);
  return set;
}

std::int32_t SimHidApi::SetupDiEnumDeviceInterfaces(Handle deviceInfoSet, const Guid& classGuid,
                                                    std::uint32_t memberIndex,
                                                    SpDeviceInterfaceData& interfaceData) {
  const auto set = deviceInfoSets_.find(deviceInfoSet);
  if (set == deviceInfoSets_.end()) return Fail(WinError::InvalidHandle);
  if (interfaceData.cbSize != kInterfaceDataSize) return Fail(WinError::InvalidParameter);
  if (classGuid != kHidClassGuid || memberIndex >= set->second.size()) {
    return Fail(WinError::NoMoreItems);
  }
  interfaceData.InterfaceClassGuid = kHidClassGuid;
  interfaceData.Flags = kSpintActive;
  // Windows keeps its own reference here; this one is the position plus one.
  interfaceData.Reserved = memberIndex + 1;
  return Succeed();
}

std::int32_t SimHidApi::SetupDiGetDeviceInterfaceDetailA(Handle deviceInfoSet,
                                                         const SpDeviceInterfaceData& interfaceData,
                                                         std::span<std::uint8_t> detail,
                                                         std::uint32_t& requiredSize) {
  const auto set = deviceInfoSets_.find(deviceInfoSet);
  if (set == deviceInfoSets_.end()) return Fail(WinError::InvalidHandle);
  const auto& paths = set->second;
  if (interfaceData.cbSize != kInterfaceDataSize || interfaceData.Reserved == 0 ||
      interfaceData.Reserved > paths.size()) {
    return Fail(WinError::InvalidParameter);
  }
  const std::string& path = paths[interfaceData.Reserved - 1];
  const std::size_t required = kDetailPathOffset + path.size() + 1;
  requiredSize = static_cast<std::uint32_t>(required);
  if (detail.empty()) return Fail(WinError::InsufficientBuffer);
  if (detail.size() < kDetailPathOffset || ReadLittleEndian32(detail) != kDetailDataFixedSize) {
    return Fail(WinError::InvalidUserBuffer);
  }
  if (detail.size() < required) return Fail(WinError::InsufficientBuffer);
  const auto end = std::ranges::copy(path, detail.begin() + kDetailPathOffset).out;
  *end = 0;
  return Succeed();
}

std::int32_t SimHidApi::SetupDiDestroyDeviceInfoList(Handle deviceInfoSet) {
  if (deviceInfoSets_.erase(deviceInfoSet) == 0) return Fail(WinError::InvalidHandle);
  return Succeed();
}

Handle SimHidApi::CreateFileA(std::string_view fileName, std::uint32_t /*desiredAccess*/,
                              std::uint32_t /*shareMode*/, const SecurityAttributes* /*security*/,
                              std::uint32_t /*creationDisposition*/,
                              std::uint32_t /*flagsAndAttributes*/) {
  const SimInterface* entry = bus_.Find(fileName);
  if (entry == nullptr || !bus_.IsPresent(*entry)) {
    SetLastPlatformError(WinError::FileNotFound);
    return kInvalidHandleValue;
  }
  if (!entry->openable) {
    SetLastPlatformError(WinError::AccessDenied);
    return kInvalidHandleValue;
  }
  const Handle device = NewHandle();
  devices_.emplace(device, entry->path);
  SetLastPlatformError(WinError::Success);
  return device;
}

Handle SimHidApi::CreateEventA(const SecurityAttributes* /*security*/, bool /*manualReset*/,
                               bool /*initialState*/, std::string_view /*name*/) {
  const Handle event = NewHandle();
  events_.insert(event);
  SetLastPlatformError(WinError::Success);
  return event;
}

std::int32_t SimHidApi::CloseHandle(Handle object) {
  if (devices_.erase(object) == 0 && events_.erase(object) == 0) {
    return Fail(WinError::InvalidHandle);
  }
  return Succeed();
}

std::int32_t SimHidApi::HidD_GetAttributes(Handle device, HiddAttributes& attributes) {
  const auto found = LookUpDevice(device);
  if (found.device == nullptr) return Fail(found.error);
  attributes.VendorID = found.device->vendorId;
  attributes.ProductID = found.device->productId;
  attributes.VersionNumber = found.device->versionNumber;
  return Succeed();
}

std::int32_t SimHidApi::HidD_GetPreparsedData(Handle device, PreparsedData& preparsedData) {
  const auto found = LookUpDevice(device);
  if (found.device == nullptr) return Fail(found.error);
  auto parse = ParseReportDescriptor(found.device->reportDescriptor);
  if (!parse.Ok() || parse.collections.empty()) return Fail(WinError::InvalidData);
  preparsedData = nextPreparsedData_++;
  preparsedData_.emplace(preparsedData, std::move(parse.collections.front()));
  return Succeed();
}

// The HID parser reports through its status and leaves the last-error code alone.
std::int32_t SimHidApi::HidP_GetCaps(PreparsedData preparsedData, HidpCaps& caps) {
  const auto found = preparsedData_.find(preparsedData);
  if (found == preparsedData_.end()) return kHidpStatusInvalidPreparsedData;
  caps = found->second.caps;
  return kHidpStatusSuccess;
}

// Copies as many records as the caller asked for and has room for. Windows
// trusts the count; a span shorter than it would be written past, so it is
// refused here.
std::int32_t SimHidApi::HidP_GetValueCaps(HidpReportType reportType,
                                          std::span<HidpValueCaps> valueCaps,
                                          std::uint16_t& valueCapsLength,
                                          PreparsedData preparsedData) {
  const auto found = preparsedData_.find(preparsedData);
  if (found == preparsedData_.end()) return kHidpStatusInvalidPreparsedData;
  if (valueCaps.size() < valueCapsLength) {
    valueCapsLength = 0;
    return kHidpStatusBufferTooSmall;
  }
  const auto& records = ValueCapsOf(found->second, reportType);
  const std::size_t copied = std::min<std::size_t>(valueCapsLength, records.size());
  std::copy_n(records.begin(), copied, valueCaps.begin());
  valueCapsLength = static_cast<std::uint16_t>(copied);
  return copied < records.size() ? kHidpStatusBufferTooSmall : kHidpStatusSuccess;
}

std::int32_t SimHidApi::HidD_FreePreparsedData(PreparsedData preparsedData) {
  if (preparsedData_.erase(preparsedData) == 0) return Fail(WinError::InvalidParameter);
  return Succeed();
}

std::int32_t SimHidApi::HidD_SetOutputReport(Handle device, std::span<const std::uint8_t> report) {
  const auto found = LookUpCalculatorReport(device, report.size(), report.empty() ? 0 : report[0]);
  if (found.device == nullptr) return Fail(found.error);
  bus_.calculator.ReceiveOutputReport(report.first<kReportBytes>());
  return Succeed();
}

std::int32_t SimHidApi::HidD_GetInputReport(Handle device, std::span<std::uint8_t> report) {
  const auto found = LookUpCalculatorReport(device, report.size(), report.empty() ? 0 : report[0]);
  if (found.device == nullptr) return Fail(found.error);
  bus_.calculator.ProduceInputReport(report.first<kReportBytes>());
  return Succeed();
}

std::uint32_t SimHidApi::FormatMessageA(std::uint32_t /*flags*/, std::uint32_t messageId,
                                        std::uint32_t /*languageId*/, std::span<char> buffer) {
  return FormatWindowsSystemMessage(messageId, buffer);
}

int SimHidApi::OpenHandleCount() const {
  return static_cast<int>(deviceInfoSets_.size() + devices_.size() + events_.size());
}

int SimHidApi::PreparsedDataCount() const { return static_cast<int>(preparsedData_.size()); }

SimHidApi::DeviceLookup SimHidApi::LookUpDevice(Handle device) const {
  const auto open = devices_.find(device);
  if (open == devices_.end()) return {nullptr, WinError::InvalidHandle};
  const SimInterface* entry = bus_.Find(open->second);
  if (entry == nullptr || !bus_.IsPresent(*entry)) return {nullptr, WinError::DeviceNotConnected};
  return {entry, WinError::Success};
}

// Only the calculator takes reports, and only whole ones of its one report id.
SimHidApi::DeviceLookup SimHidApi::LookUpCalculatorReport(Handle device, std::size_t length,
                                                          std::uint8_t reportId) const {
  const auto found = LookUpDevice(device);
  if (found.device == nullptr) return found;
  if (!found.device->isCalculator) return {nullptr, WinError::InvalidFunction};
  if (length != kReportBytes || reportId != kCalculatorReportId) {
    return {nullptr, WinError::InvalidParameter};
  }
  return found;
}

Handle SimHidApi::NewHandle() {
  const Handle handle = nextHandle_;
  nextHandle_ += kHandleStep;
  return handle;
}

std::int32_t SimHidApi::Succeed() {
  SetLastPlatformError(WinError::Success);
  return 1;
}

std::int32_t SimHidApi::Fail(std::uint32_t error) {
  SetLastPlatformError(error);
  return 0;
}

}  // namespace usblink::sim

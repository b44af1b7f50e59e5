#include "platform/EmulatedHidApi.h"

#include "platform/WindowsErrorText.h"

namespace usblink {

Handle EmulatedHidApi::SetupDiGetClassDevsA(const Guid& classGuid, std::uint32_t flags) {
  std::vector<std::string> paths;
  if (classGuid == kHidClassGuid && (flags & kDigcfDeviceInterface) != 0) {
    paths = InterfacePaths((flags & kDigcfPresent) != 0);
  }
  const Handle set = NewDeviceInfoSet();
  deviceInfoSets_.Add(set, std::move(paths));
  SetLastPlatformError(WinError::Success);
  return set;
}

std::int32_t EmulatedHidApi::SetupDiEnumDeviceInterfaces(Handle deviceInfoSet,
                                                         const Guid& classGuid,
                                                         std::uint32_t memberIndex,
                                                         SpDeviceInterfaceData& interfaceData) {
  const std::uint32_t error =
      deviceInfoSets_.Enumerate(deviceInfoSet, classGuid, memberIndex, interfaceData);
  return error == WinError::Success ? Succeed() : Fail(error);
}

std::int32_t EmulatedHidApi::SetupDiGetDeviceInterfaceDetailA(
    Handle deviceInfoSet, const SpDeviceInterfaceData& interfaceData,
    std::span<std::uint8_t> detail, std::uint32_t& requiredSize) {
  const std::uint32_t error =
      deviceInfoSets_.GetDetail(deviceInfoSet, interfaceData, detail, requiredSize);
  return error == WinError::Success ? Succeed() : Fail(error);
}

std::int32_t EmulatedHidApi::SetupDiDestroyDeviceInfoList(Handle deviceInfoSet) {
  if (!deviceInfoSets_.Destroy(deviceInfoSet)) return Fail(WinError::InvalidHandle);
  return Succeed();
}

std::int32_t EmulatedHidApi::HidP_GetCaps(PreparsedData preparsedData, HidpCaps& caps) {
  return preparsedData_.GetCaps(preparsedData, caps);
}

std::int32_t EmulatedHidApi::HidP_GetValueCaps(HidpReportType reportType,
                                               std::span<HidpValueCaps> valueCaps,
                                               std::uint16_t& valueCapsLength,
                                               PreparsedData preparsedData) {
  return preparsedData_.GetValueCaps(reportType, valueCaps, valueCapsLength, preparsedData);
}

std::int32_t EmulatedHidApi::HidD_FreePreparsedData(PreparsedData preparsedData) {
  if (!preparsedData_.Free(preparsedData)) return Fail(WinError::InvalidParameter);
  return Succeed();
}

std::uint32_t EmulatedHidApi::FormatMessageA(std::uint32_t /*flags*/, std::uint32_t messageId,
                                             std::uint32_t /*languageId*/, std::span<char> buffer) {
  return FormatWindowsSystemMessage(messageId, buffer);
}

int EmulatedHidApi::PreparsedDataCount() const { return static_cast<int>(preparsedData_.Count()); }

std::int32_t EmulatedHidApi::PrepareData(std::span<const std::uint8_t> descriptor,
                                         PreparsedData& preparsedData) {
  const auto added = preparsedData_.Add(descriptor);
  if (!added) return Fail(WinError::InvalidData);
  preparsedData = *added;
  return Succeed();
}

std::int32_t EmulatedHidApi::Succeed() {
  SetLastPlatformError(WinError::Success);
  return 1;
}

std::int32_t EmulatedHidApi::Fail(std::uint32_t error) {
  SetLastPlatformError(error);
  return 0;
}

}  // namespace usblink

#include "platform/hid/EmulatedHidApi.h"

#include "platform/hid/WindowsErrorText.h"

namespace usblink {

namespace {

constexpr Handle kHandleStep = 4;

}  // namespace

EmulatedHidApi::Opened EmulatedHidApi::Opened::Success(Handle handle,
                                                       std::unique_ptr<SystemObject> object) {
  Opened opened;
  opened.handle = handle;
  opened.object = std::move(object);
  return opened;
}

EmulatedHidApi::Opened EmulatedHidApi::Opened::Failure(std::uint32_t error) {
  Opened opened;
  opened.error = error;
  return opened;
}

EmulatedHidApi::EmulatedHidApi(Handle firstHandle) : nextHandle_(firstHandle) {}

void EmulatedHidApi::HidD_GetHidGuid(Guid& hidGuid) {
  hidGuid = kHidClassGuid;
  SetLastPlatformError(WinError::Success);
}

Handle EmulatedHidApi::SetupDiGetClassDevsA(const Guid& classGuid, std::uint32_t flags) {
  std::vector<std::string> paths;
  if (classGuid == kHidClassGuid && (flags & kDigcfDeviceInterface) != 0) {
    paths = InterfacePaths((flags & kDigcfPresent) != 0);
  }
  const Handle set = NewHandle();
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

Handle EmulatedHidApi::CreateFileA(std::string_view fileName, std::uint32_t desiredAccess,
                                   std::uint32_t /*shareMode*/,
                                   const SecurityAttributes* /*security*/,
                                   std::uint32_t creationDisposition,
                                   std::uint32_t flagsAndAttributes) {
  return Keep(OpenDevice(fileName, desiredAccess, creationDisposition, flagsAndAttributes),
              std::string(fileName), kInvalidHandleValue);
}

Handle EmulatedHidApi::CreateEventA(const SecurityAttributes* /*security*/, bool /*manualReset*/,
                                    bool initialState, std::string_view /*name*/) {
  return Keep(OpenEvent(initialState), {}, kNoHandle);
}

// The handle is gone whatever closing its object says; that error is still
// reported.
std::int32_t EmulatedHidApi::CloseHandle(Handle object) {
  auto open = openHandles_.extract(object);
  if (open.empty()) return Fail(WinError::InvalidHandle);
  SystemObject* held = open.mapped().object.get();
  const std::uint32_t error = held != nullptr ? held->Close() : WinError::Success;
  return error == WinError::Success ? Succeed() : Fail(error);
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

int EmulatedHidApi::OpenHandleCount() const {
  return static_cast<int>(deviceInfoSets_.Count() + openHandles_.size());
}

int EmulatedHidApi::PreparsedDataCount() const { return static_cast<int>(preparsedData_.Count()); }

Handle EmulatedHidApi::NewHandle() {
  const Handle handle = nextHandle_;
  nextHandle_ += kHandleStep;
  return handle;
}

const std::string* EmulatedHidApi::OpenedPath(Handle handle) const {
  const auto found = openHandles_.find(handle);
  return found != openHandles_.end() ? &found->second.path : nullptr;
}

const EmulatedHidApi::SystemObject* EmulatedHidApi::OpenedObject(Handle handle) const {
  const auto found = openHandles_.find(handle);
  return found != openHandles_.end() ? found->second.object.get() : nullptr;
}

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

Handle EmulatedHidApi::Keep(Opened opened, std::string path, Handle failed) {
  SetLastPlatformError(opened.error);
  if (opened.error != WinError::Success) return failed;
  openHandles_.insert_or_assign(opened.handle,
                                OpenHandle{std::move(path), std::move(opened.object)});
  return opened.handle;
}

}  // namespace usblink

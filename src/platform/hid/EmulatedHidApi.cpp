#include "platform/hid/EmulatedHidApi.h"

#include <algorithm>
#include <utility>

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

std::vector<HidInterface> EmulatedHidApi::PresentInterfaces() {
  std::vector<HidInterface> interfaces;
  for (std::string& path : InterfacePaths(true)) {
    const auto index = static_cast<std::uint32_t>(interfaces.size());
    HidInterface entry = DescribeInterface(*this, index, std::move(path));
    if (!entry.ids && entry.error == WinError::AccessDenied) {
      entry.ids = IdsWithoutOpening(entry.path);
    }
    interfaces.push_back(std::move(entry));
  }
  return interfaces;
}

std::optional<InterfaceIds> EmulatedHidApi::IdsWithoutOpening(std::string_view /*path*/) const {
  return std::nullopt;
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

namespace {

constexpr std::pair<std::uint32_t, std::string_view> kTexts[] = {
    {0, "The operation completed successfully."},
    {1, "Incorrect function."},
    {2, "The system cannot find the file specified."},
    {3, "The system cannot find the path specified."},
    {5, "Access is denied."},
    {6, "The handle is invalid."},
    {8, "Not enough memory resources are available to process this command."},
    {13, "The data is invalid."},
    {21, "The device is not ready."},
    {31, "A device attached to the system is not functioning."},
    {32, "The process cannot access the file because it is being used by another process."},
    {87, "The parameter is incorrect."},
    {122, "The data area passed to a system call is too small."},
    {170, "The requested resource is in use."},
    {259, "No more data is available."},
    {995,
     "The I/O operation has been aborted because of either a thread exit or an application "
     "request."},
    {997, "Overlapped I/O operation is in progress."},
    {1167, "The device is not connected."},
    {1784, "The supplied user buffer is not valid for the requested operation."},
};

}  // namespace

std::optional<std::string_view> WindowsSystemText(std::uint32_t code) {
  const auto* found = std::find_if(std::begin(kTexts), std::end(kTexts),
                                   [code](const auto& entry) { return entry.first == code; });
  if (found == std::end(kTexts)) return std::nullopt;
  return found->second;
}

std::uint32_t FormatWindowsSystemMessage(std::uint32_t code, std::span<char> buffer) {
  const auto text = WindowsSystemText(code);
  if (!text) return 0;
  constexpr std::string_view kLineBreak = "\r\n";
  const std::size_t length = text->size() + kLineBreak.size();
  if (length + 1 > buffer.size()) return 0;
  auto out = std::copy(text->begin(), text->end(), buffer.begin());
  out = std::copy(kLineBreak.begin(), kLineBreak.end(), out);
  *out = '\0';
  return static_cast<std::uint32_t>(length);
}

namespace {

constexpr std::uint32_t kSpintActive = 1;

std::uint32_t ReadLittleEndian32(std::span<const std::uint8_t> bytes) {
  return bytes[0] | bytes[1] << 8 | bytes[2] << 16 | static_cast<std::uint32_t>(bytes[3]) << 24;
}

}  // namespace

void DeviceInfoSets::Add(Handle set, std::vector<std::string> paths) {
  sets_.insert_or_assign(set, std::move(paths));
}

bool DeviceInfoSets::Destroy(Handle set) { return sets_.erase(set) != 0; }

std::uint32_t DeviceInfoSets::Enumerate(Handle set, const Guid& classGuid,
                                        std::uint32_t memberIndex,
                                        SpDeviceInterfaceData& interfaceData) const {
  const auto found = sets_.find(set);
  if (found == sets_.end()) return WinError::InvalidHandle;
  if (interfaceData.cbSize != kInterfaceDataSize) return WinError::InvalidParameter;
  if (classGuid != kHidClassGuid || memberIndex >= found->second.size()) {
    return WinError::NoMoreItems;
  }
  interfaceData.InterfaceClassGuid = kHidClassGuid;
  interfaceData.Flags = kSpintActive;
  // Windows keeps its own reference here; this one is the position plus one.
  interfaceData.Reserved = memberIndex + 1;
  return WinError::Success;
}

std::uint32_t DeviceInfoSets::GetDetail(Handle set, const SpDeviceInterfaceData& interfaceData,
                                        std::span<std::uint8_t> detail,
                                        std::uint32_t& requiredSize) const {
  const auto found = sets_.find(set);
  if (found == sets_.end()) return WinError::InvalidHandle;
  const auto& paths = found->second;
  if (interfaceData.cbSize != kInterfaceDataSize || interfaceData.Reserved == 0 ||
      interfaceData.Reserved > paths.size()) {
    return WinError::InvalidParameter;
  }
  const std::string& path = paths[interfaceData.Reserved - 1];
  const std::size_t required = kDetailPathOffset + path.size() + 1;
  requiredSize = static_cast<std::uint32_t>(required);
  if (detail.empty()) return WinError::InsufficientBuffer;
  if (detail.size() < kDetailPathOffset || ReadLittleEndian32(detail) != kDetailDataFixedSize) {
    return WinError::InvalidUserBuffer;
  }
  if (detail.size() < required) return WinError::InsufficientBuffer;
  const auto end = std::ranges::copy(path, detail.begin() + kDetailPathOffset).out;
  *end = 0;
  return WinError::Success;
}

namespace {

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

std::optional<PreparsedData> PreparsedDataTable::Add(
    std::span<const std::uint8_t> reportDescriptor) {
  auto parse = ParseReportDescriptor(reportDescriptor);
  if (!parse.Ok() || parse.collections.empty()) return std::nullopt;
  const PreparsedData added = next_++;
  table_.emplace(added, std::move(parse.collections.front()));
  return added;
}

bool PreparsedDataTable::Free(PreparsedData preparsedData) {
  return table_.erase(preparsedData) != 0;
}

std::int32_t PreparsedDataTable::GetCaps(PreparsedData preparsedData, HidpCaps& caps) const {
  const auto found = table_.find(preparsedData);
  if (found == table_.end()) return kHidpStatusInvalidPreparsedData;
  caps = found->second.caps;
  return kHidpStatusSuccess;
}

std::int32_t PreparsedDataTable::GetValueCaps(HidpReportType reportType,
                                              std::span<HidpValueCaps> valueCaps,
                                              std::uint16_t& valueCapsLength,
                                              PreparsedData preparsedData) const {
  const auto found = table_.find(preparsedData);
  if (found == table_.end()) return kHidpStatusInvalidPreparsedData;
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

}  // namespace usblink

#pragma once
// Passes every call on to another backend and remembers the arguments the
// discovery code hands to the calls whose arguments the log does not show.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/hid/HidApi.h"

namespace usblink::testing {

struct CreateFileCall {
  std::string fileName;
  std::uint32_t desiredAccess;
  std::uint32_t shareMode;
  std::optional<SecurityAttributes> security;
  std::uint32_t creationDisposition;
  std::uint32_t flagsAndAttributes;
};

struct CreateEventCall {
  std::optional<SecurityAttributes> security;
  bool manualReset;
  bool initialState;
  const char* nameData;  // a null name differs from an empty one
  std::size_t nameSize;
};

struct ValueCapsCall {
  HidpReportType reportType;
  std::size_t bufferRecords;
  std::uint16_t requestedLength;
  PreparsedData preparsedData;
};

class RecordingHidApi final : public HidApi {
 public:
  explicit RecordingHidApi(HidApi& backend) : backend_(backend) {}

  void HidD_GetHidGuid(Guid& hidGuid) override {
    backend_.HidD_GetHidGuid(hidGuid);
    Capture();
  }
  Handle SetupDiGetClassDevsA(const Guid& classGuid, std::uint32_t flags) override {
    classDevsFlags.push_back(flags);
    return Capture(backend_.SetupDiGetClassDevsA(classGuid, flags));
  }
  std::int32_t SetupDiEnumDeviceInterfaces(Handle deviceInfoSet, const Guid& classGuid,
                                           std::uint32_t memberIndex,
                                           SpDeviceInterfaceData& interfaceData) override {
    return Capture(
        backend_.SetupDiEnumDeviceInterfaces(deviceInfoSet, classGuid, memberIndex, interfaceData));
  }
  std::int32_t SetupDiGetDeviceInterfaceDetailA(Handle deviceInfoSet,
                                                const SpDeviceInterfaceData& interfaceData,
                                                std::span<std::uint8_t> detail,
                                                std::uint32_t& requiredSize) override {
    detailBufferSizes.push_back(detail.size());
    if (reportedRequiredSize && detail.empty()) {
      backend_.SetupDiGetDeviceInterfaceDetailA(deviceInfoSet, interfaceData, detail, requiredSize);
      requiredSize = *reportedRequiredSize;
      return Capture(std::int32_t{0});
    }
    return Capture(backend_.SetupDiGetDeviceInterfaceDetailA(deviceInfoSet, interfaceData, detail,
                                                             requiredSize));
  }
  std::int32_t SetupDiDestroyDeviceInfoList(Handle deviceInfoSet) override {
    return Capture(backend_.SetupDiDestroyDeviceInfoList(deviceInfoSet));
  }
  Handle CreateFileA(std::string_view fileName, std::uint32_t desiredAccess,
                     std::uint32_t shareMode, const SecurityAttributes* security,
                     std::uint32_t creationDisposition, std::uint32_t flagsAndAttributes) override {
    createFileCalls.push_back({std::string(fileName), desiredAccess, shareMode, Copy(security),
                               creationDisposition, flagsAndAttributes});
    return Capture(backend_.CreateFileA(fileName, desiredAccess, shareMode, security,
                                        creationDisposition, flagsAndAttributes));
  }
  Handle CreateEventA(const SecurityAttributes* security, bool manualReset, bool initialState,
                      std::string_view name) override {
    createEventCalls.push_back(
        {Copy(security), manualReset, initialState, name.data(), name.size()});
    return Capture(backend_.CreateEventA(security, manualReset, initialState, name));
  }
  std::int32_t CloseHandle(Handle object) override { return Capture(backend_.CloseHandle(object)); }
  std::int32_t HidD_GetAttributes(Handle device, HiddAttributes& attributes) override {
    attributesSizes.push_back(attributes.Size);
    return Capture(backend_.HidD_GetAttributes(device, attributes));
  }
  std::int32_t HidD_GetSerialNumberString(Handle device, std::string& serialNumber) override {
    stringCalls.emplace_back("HidD_GetSerialNumberString");
    return Capture(backend_.HidD_GetSerialNumberString(device, serialNumber));
  }
  std::int32_t HidD_GetManufacturerString(Handle device, std::string& manufacturer) override {
    stringCalls.emplace_back("HidD_GetManufacturerString");
    return Capture(backend_.HidD_GetManufacturerString(device, manufacturer));
  }
  std::int32_t HidD_GetProductString(Handle device, std::string& product) override {
    stringCalls.emplace_back("HidD_GetProductString");
    return Capture(backend_.HidD_GetProductString(device, product));
  }
  std::int32_t HidD_GetPreparsedData(Handle device, PreparsedData& preparsedData) override {
    const std::int32_t result = Capture(backend_.HidD_GetPreparsedData(device, preparsedData));
    if (result == 0 && preparsedDataOnFailure) preparsedData = *preparsedDataOnFailure;
    return result;
  }
  std::int32_t HidP_GetCaps(PreparsedData preparsedData, HidpCaps& caps) override {
    preparsedDataUsed.push_back(preparsedData);
    return Capture(backend_.HidP_GetCaps(preparsedData, caps));
  }
  std::int32_t HidP_GetValueCaps(HidpReportType reportType, std::span<HidpValueCaps> valueCaps,
                                 std::uint16_t& valueCapsLength,
                                 PreparsedData preparsedData) override {
    preparsedDataUsed.push_back(preparsedData);
    valueCapsCalls.push_back({reportType, valueCaps.size(), valueCapsLength, preparsedData});
    return Capture(
        backend_.HidP_GetValueCaps(reportType, valueCaps, valueCapsLength, preparsedData));
  }
  std::int32_t HidD_FreePreparsedData(PreparsedData preparsedData) override {
    preparsedDataUsed.push_back(preparsedData);
    return Capture(backend_.HidD_FreePreparsedData(preparsedData));
  }
  std::int32_t HidD_SetOutputReport(Handle device, std::span<const std::uint8_t> report) override {
    return Capture(backend_.HidD_SetOutputReport(device, report));
  }
  std::int32_t HidD_GetInputReport(Handle device, std::span<std::uint8_t> report) override {
    return Capture(backend_.HidD_GetInputReport(device, report));
  }
  std::uint32_t FormatMessageA(std::uint32_t flags, std::uint32_t messageId,
                               std::uint32_t languageId, std::span<char> buffer) override {
    return backend_.FormatMessageA(flags, messageId, languageId, buffer);
  }

  // As Windows answers it, so the walk's calls pass here.
  std::vector<HidInterface> PresentInterfaces() override { return WalkPresentInterfaces(*this); }

  std::vector<std::uint32_t> classDevsFlags;
  std::vector<std::size_t> detailBufferSizes;
  std::vector<std::uint32_t> attributesSizes;
  std::vector<CreateFileCall> createFileCalls;
  std::vector<CreateEventCall> createEventCalls;
  std::vector<ValueCapsCall> valueCapsCalls;
  // The names of the string calls, in the order made.
  std::vector<std::string> stringCalls;
  // Every reference handed to HidP_GetCaps, HidP_GetValueCaps and HidD_FreePreparsedData.
  std::vector<PreparsedData> preparsedDataUsed;
  // When set, a failing HidD_GetPreparsedData leaves this behind in its out value.
  std::optional<PreparsedData> preparsedDataOnFailure;
  // When set, every size query reports this size instead.
  std::optional<std::uint32_t> reportedRequiredSize;

 private:
  static std::optional<SecurityAttributes> Copy(const SecurityAttributes* security) {
    if (security == nullptr) return std::nullopt;
    return *security;
  }
  void Capture() { SetLastPlatformError(backend_.LastPlatformError()); }
  template <typename Result>
  Result Capture(Result result) {
    Capture();
    return result;
  }

  HidApi& backend_;
};

}  // namespace usblink::testing

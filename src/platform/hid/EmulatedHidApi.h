#pragma once
// What the backends that answer as Windows does without Windows have in
// common: the HID class, handles and device information sets, Windows'
// message texts, Windows' HID parser worked from the report descriptor, and
// results that leave a Windows error code behind.

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/hid/HidApi.h"
#include "platform/hid/ReportDescriptorParser.h"
#include "platform/hid/WindowsRecords.h"

namespace usblink {

// Windows' English system message texts, for the backends that answer as
// Windows does without having Windows' message tables.

// The system text of a Windows error code, without its closing line break.
std::optional<std::string_view> WindowsSystemText(std::uint32_t code);

// FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM) on that table: stores the text and
// "\r\n" plus a NUL, returns the characters stored without the NUL; 0 for an
// unknown code or a buffer too small for all of it.
std::uint32_t FormatWindowsSystemMessage(std::uint32_t code, std::span<char> buffer);

// The device information sets of a backend that answers the SetupDi calls as
// Windows does: each set is a snapshot of interface paths, taken when it was
// made, that the enumeration and the detail queries read.
class DeviceInfoSets {
 public:
  void Add(Handle set, std::vector<std::string> paths);
  // False when `set` is unknown.
  bool Destroy(Handle set);
  [[nodiscard]] std::size_t Count() const { return sets_.size(); }

  // These answer the Windows error code the call leaves behind, Success when
  // it succeeds.
  std::uint32_t Enumerate(Handle set, const Guid& classGuid, std::uint32_t memberIndex,
                          SpDeviceInterfaceData& interfaceData) const;
  // An empty `detail` is the size query, which always fails with 122 after
  // reporting the size. The record's size field must say 5, else 1784.
  std::uint32_t GetDetail(Handle set, const SpDeviceInterfaceData& interfaceData,
                          std::span<std::uint8_t> detail, std::uint32_t& requiredSize) const;

 private:
  std::map<Handle, std::vector<std::string>> sets_;
};

// The preparsed data a backend without Windows' HID parser hands out: the
// first top-level collection of a device's report descriptor, answered through
// the HidP calls as Windows' parser answers them.
class PreparsedDataTable {
 public:
  // None when the descriptor is unparseable or has no collection.
  std::optional<PreparsedData> Add(std::span<const std::uint8_t> reportDescriptor);
  // False when `preparsedData` is unknown (never handed out, or freed).
  bool Free(PreparsedData preparsedData);
  [[nodiscard]] std::size_t Count() const { return table_.size(); }

  // These report through their NTSTATUS and leave the last-error code alone.
  std::int32_t GetCaps(PreparsedData preparsedData, HidpCaps& caps) const;
  // Copies as many records as the caller asked for and has room for. Windows
  // trusts the count; a span shorter than it would be written past, so it is
  // refused here.
  std::int32_t GetValueCaps(HidpReportType reportType, std::span<HidpValueCaps> valueCaps,
                            std::uint16_t& valueCapsLength, PreparsedData preparsedData) const;

 private:
  PreparsedData next_ = 1;
  std::map<PreparsedData, CollectionCaps> table_;
};

class EmulatedHidApi : public HidApi {
 public:
  // What a handle holds of the system underneath, if anything; closed with it.
  class SystemObject {
   public:
    SystemObject() = default;
    SystemObject(const SystemObject&) = delete;
    SystemObject& operator=(const SystemObject&) = delete;
    virtual ~SystemObject() = default;
    // Closes it now: the Windows error code closing leaves, Success when none.
    virtual std::uint32_t Close() = 0;
  };

  // A backend's answer to an open: the new handle and what it holds, or the
  // Windows error code the open fails with.
  struct Opened {
    static Opened Success(Handle handle, std::unique_ptr<SystemObject> object = nullptr);
    static Opened Failure(std::uint32_t error);

    Handle handle = kNoHandle;
    std::unique_ptr<SystemObject> object;
    std::uint32_t error = WinError::Success;
  };

  void HidD_GetHidGuid(Guid& hidGuid) final;
  // A set lists the HID interfaces only for the HID class with
  // DIGCF_DEVICEINTERFACE; otherwise it is valid and empty.
  Handle SetupDiGetClassDevsA(const Guid& classGuid, std::uint32_t flags) final;
  std::int32_t SetupDiEnumDeviceInterfaces(Handle deviceInfoSet, const Guid& classGuid,
                                           std::uint32_t memberIndex,
                                           SpDeviceInterfaceData& interfaceData) final;
  std::int32_t SetupDiGetDeviceInterfaceDetailA(Handle deviceInfoSet,
                                                const SpDeviceInterfaceData& interfaceData,
                                                std::span<std::uint8_t> detail,
                                                std::uint32_t& requiredSize) final;
  std::int32_t SetupDiDestroyDeviceInfoList(Handle deviceInfoSet) final;
  // OpenDevice opens the path; sharing and security are no concern of it.
  Handle CreateFileA(std::string_view fileName, std::uint32_t desiredAccess,
                     std::uint32_t shareMode, const SecurityAttributes* security,
                     std::uint32_t creationDisposition, std::uint32_t flagsAndAttributes) final;
  // OpenEvent makes it in its initial state; nothing opens an event by name here.
  Handle CreateEventA(const SecurityAttributes* security, bool manualReset, bool initialState,
                      std::string_view name) final;
  std::int32_t CloseHandle(Handle object) final;
  // The parser reports through its status and leaves the last-error code alone.
  std::int32_t HidP_GetCaps(PreparsedData preparsedData, HidpCaps& caps) override;
  std::int32_t HidP_GetValueCaps(HidpReportType reportType, std::span<HidpValueCaps> valueCaps,
                                 std::uint16_t& valueCapsLength,
                                 PreparsedData preparsedData) override;
  std::int32_t HidD_FreePreparsedData(PreparsedData preparsedData) override;
  // Knows only the system table and never touches the last-error code.
  std::uint32_t FormatMessageA(std::uint32_t flags, std::uint32_t messageId,
                               std::uint32_t languageId, std::span<char> buffer) override;

  // Straight from the backend's paths: no device information set, no detail records.
  [[nodiscard]] std::vector<HidInterface> PresentInterfaces() final;

  // Handles currently open (device sets, devices, events), for leak checks.
  [[nodiscard]] int OpenHandleCount() const;
  // Preparsed data handed out and not yet freed.
  [[nodiscard]] int PreparsedDataCount() const;

 protected:
  // Handles that NewHandle() gives rise from `firstHandle`, four apart.
  explicit EmulatedHidApi(Handle firstHandle);

  // The device paths of the HID interfaces, in the order a walk meets them.
  [[nodiscard]] virtual std::vector<std::string> InterfacePaths(bool presentOnly) const = 0;
  // CreateFileA's open of a device path.
  virtual Opened OpenDevice(std::string_view path, std::uint32_t desiredAccess,
                            std::uint32_t creationDisposition,
                            std::uint32_t flagsAndAttributes) = 0;
  virtual Opened OpenEvent(bool initialState) = 0;
  // The ids the system lists an interface with, read without opening it: an
  // interface this user may not open is still a device of those ids. None
  // where the system keeps none.
  [[nodiscard]] virtual std::optional<InterfaceIds> IdsWithoutOpening(std::string_view path) const;

  // A handle no other open one has; device information sets take these.
  Handle NewHandle();
  // The device path an open handle was opened on, empty for an event; null
  // when the handle is not open.
  [[nodiscard]] const std::string* OpenedPath(Handle handle) const;
  // What an open handle holds of the system underneath; null when nothing or
  // when the handle is not open.
  [[nodiscard]] const SystemObject* OpenedObject(Handle handle) const;
  // HidD_GetPreparsedData's answer for a device with this descriptor.
  std::int32_t PrepareData(std::span<const std::uint8_t> descriptor, PreparsedData& preparsedData);
  std::int32_t Succeed();
  std::int32_t Fail(std::uint32_t error);

 private:
  struct OpenHandle {
    std::string path;
    std::unique_ptr<SystemObject> object;
  };

  // Keeps what an open gave under its handle; the handle, else `failed`.
  Handle Keep(Opened opened, std::string path, Handle failed);

  Handle nextHandle_;
  std::map<Handle, OpenHandle> openHandles_;
  DeviceInfoSets deviceInfoSets_;
  PreparsedDataTable preparsedData_;
};

}  // namespace usblink

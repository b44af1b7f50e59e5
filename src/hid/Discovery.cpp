#include "hid/Discovery.h"

#include <string>
#include <utility>

#include "hid/ApiLog.h"
#include "hid/Link.h"
#include "platform/hid/DeviceText.h"

namespace usblink {

Discovery::Discovery(HidApi& api, LinkWindowPort& window, HidCP::Link& link)
    : api_(api), window_(window), link_(link), apiLog_(api, window) {}

Discovery::~Discovery() { HidCP::CloseIfOpen(api_, state_.ReadEvent); }

void Discovery::SetIdTexts(std::string vendorIdText, std::string productIdText) {
  state_.VendorIdText = std::move(vendorIdText);
  state_.ProductIdText = std::move(productIdText);
}

void Discovery::SetDevice(std::optional<DeviceSelector> device) { device_ = std::move(device); }

bool Discovery::FindTheHid() {
  CloseLeftoverHandles();
  state_.NoMoreInterfaces = false;
  state_.DeviceFound = false;
  state_.HandleSecurity = {kSecurityAttributesSize, true};

  const Guid hidClassGuid = LogHidClassGuid();
  state_.DeviceInfoSet =
      api_.SetupDiGetClassDevsA(hidClassGuid, kDigcfPresent | kDigcfDeviceInterface);
  apiLog_.LogApiResult("SetupDiClassDevs（Find all HID devices）");

  std::uint32_t interfaceIndex = 0;
  do {
    ExamineInterface(hidClassGuid, interfaceIndex);
    ++interfaceIndex;
  } while (!state_.NoMoreInterfaces && !state_.DeviceFound);

  state_.LastApiResult = api_.SetupDiDestroyDeviceInfoList(state_.DeviceInfoSet);
  apiLog_.LogApiResult("DestroyDeviceInfoList（Releasing resources）");

  if (!state_.DeviceFound) {
    window_.AppendLine(" Not Find USB Link!");
    window_.SetLinkStatus("USB Link Error!");
    return false;
  }
  LogCapabilities();
  OpenReadHandle();
  PrepareOverlappedRead();
  window_.SetLinkStatus("USB Link OK!");
  return true;
}

// A walk after a refused handshake would otherwise overwrite, and leak, the
// handles the earlier match left open.
void Discovery::CloseLeftoverHandles() {
  HidCP::CloseIfOpen(api_, link_.HIDHandle);
  HidCP::CloseIfOpen(api_, link_.ReadHandle);
}

Guid Discovery::LogHidClassGuid() {
  Guid hidClassGuid;
  api_.HidD_GetHidGuid(hidClassGuid);
  apiLog_.LogApiResult("GetHidGuid");
  window_.AppendLine("  The GUID number returned by the system： " + GuidText(hidClassGuid));
  return hidClassGuid;
}

void Discovery::ExamineInterface(const Guid& hidClassGuid, std::uint32_t interfaceIndex) {
  state_.InterfaceData.cbSize = kInterfaceDataSize;
  state_.LastApiResult = api_.SetupDiEnumDeviceInterfaces(state_.DeviceInfoSet, hidClassGuid,
                                                          interfaceIndex, state_.InterfaceData);
  apiLog_.LogApiResult("SetupDiEnumDeviceInterfaces");
  if (state_.LastApiResult == 0) {
    state_.NoMoreInterfaces = true;
    return;
  }
  window_.AppendLine("  DeviceInfoSet for device Find the equipment you need#" +
                     std::to_string(interfaceIndex) + ": ");
  ReadDevicePath();
  OpenInterface();
  // An interface whose attributes could not be read never matches.
  if (ReadAttributes() && IdsMatch() && IsNamedDevice()) {
    window_.AppendLine("  The equipment has been found！");
    state_.DeviceFound = true;
  } else {
    state_.DeviceFound = false;
    CloseInterface();
  }
}

void Discovery::ReadDevicePath() {
  state_.LastApiResult = api_.SetupDiGetDeviceInterfaceDetailA(
      state_.DeviceInfoSet, state_.InterfaceData, {}, state_.RequiredSize);
  apiLog_.LogApiResult("SetupDiGetDeviceInterfaceDetail(Device path)");
  window_.AppendLine("  (OK to say too small)");
  window_.AppendLine("  Required buffer size for the data: " + std::to_string(state_.RequiredSize));

  state_.DetailBuffer = InterfaceDetailRecord(state_.RequiredSize);
  state_.LastApiResult =
      api_.SetupDiGetDeviceInterfaceDetailA(state_.DeviceInfoSet, state_.InterfaceData,
                                            state_.DetailBuffer.Offered(), state_.RequiredSize);
  apiLog_.LogApiResult(" Result of second call:（the second recall） ");
  window_.AppendLine("  MyDeviceInterfaceDetailData.cbSize: " +
                     std::to_string(kDetailDataFixedSize));
  state_.DevicePath = state_.DetailBuffer.DevicePath();
  window_.AppendLine("  Device pathname: ");
  window_.AppendLine("    " + state_.DevicePath);
}

void Discovery::OpenInterface() {
  link_.HIDHandle = api_.CreateFileA(state_.DevicePath, kGenericReadWrite, kFileShareReadWrite,
                                     &state_.HandleSecurity, kOpenExisting, 0);
  apiLog_.LogApiResult("CreateFile（Designation code）");
  window_.AppendLine("  Returned handle: " + HandleText(link_.HIDHandle) + "h");
}

bool Discovery::ReadAttributes() {
  state_.HidAttributes.Size = kHiddAttributesSize;
  state_.LastApiResult = api_.HidD_GetAttributes(link_.HIDHandle, state_.HidAttributes);
  apiLog_.LogApiResult("HidD_GetAttributes（Take PID,VID）");
  const bool filled = state_.LastApiResult != 0;
  window_.AppendLine(filled ? "  HIDD_ATTRIBUTES structure filled without error."
                            : "  Error in filling HIDD_ATTRIBUTES structure.");
  window_.AppendLine("  Vendor ID: " + HexText(state_.HidAttributes.VendorID));
  window_.AppendLine("  Product ID: " + HexText(state_.HidAttributes.ProductID));
  return filled;
}

bool Discovery::IdsMatch() const {
  return IdTextValue(state_.VendorIdText) == state_.HidAttributes.VendorID &&
         IdTextValue(state_.ProductIdText) == state_.HidAttributes.ProductID;
}

// Asks for the serial number only of interfaces with the ids, and only when
// one was named, so the walk of a run that names none stays as it was.
bool Discovery::IsNamedDevice() {
  if (!device_) return true;
  if (device_->by == DeviceSelector::By::Path) return device_->MatchesPath(state_.DevicePath);
  std::string raw;
  state_.LastApiResult = api_.HidD_GetSerialNumberString(link_.HIDHandle, raw);
  apiLog_.LogApiResult("HidD_GetSerialNumberString");
  if (state_.LastApiResult == 0) return false;
  const std::string serialNumber = DeviceText(raw);
  window_.AppendLine("  Serial number: " + serialNumber);
  return device_->MatchesSerialNumber(serialNumber);
}

// The invalid handle of a failed open is passed on too; its failure is logged.
void Discovery::CloseInterface() {
  state_.LastApiResult = api_.CloseHandle(link_.HIDHandle);
  apiLog_.LogApiResult("CloseHandle（Close the interface）");
  link_.HIDHandle = kNoHandle;
}

void Discovery::OpenReadHandle() {
  link_.ReadHandle = api_.CreateFileA(state_.DevicePath, kGenericReadWrite, kFileShareReadWrite,
                                      &state_.HandleSecurity, kOpenExisting, kFileFlagOverlapped);
  apiLog_.LogApiResult("CreateFile, ReadHandle");
  window_.AppendLine("  Returned handle: " + HandleText(link_.ReadHandle) + "h");
}

void Discovery::PrepareOverlappedRead() {
  if (state_.ReadEvent == kNoHandle) {
    state_.ReadEvent = api_.CreateEventA(&state_.HandleSecurity, true, true, "");
  }
  // Also written when the event already existed; it then reports the code the
  // previous call left.
  apiLog_.LogApiResult("CreateEvent");
  state_.ReadOverlapped.Offset = 0;
  state_.ReadOverlapped.OffsetHigh = 0;
  state_.ReadOverlapped.hEvent = state_.ReadEvent;
}

}  // namespace usblink

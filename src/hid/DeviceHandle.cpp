#include "hid/DeviceHandle.h"

namespace usblink::HidCP {

bool IsOpen(Handle handle) { return handle != kNoHandle && handle != kInvalidHandleValue; }

void CloseIfOpen(HidApi& api, Handle& handle) {
  if (!IsOpen(handle)) return;
  api.CloseHandle(handle);
  handle = kNoHandle;
}

}  // namespace usblink::HidCP

#pragma once
// The firmware download: a *.UD image into the calculator's flash, bank by
// bank, each bank checked against the device's checksum, then committed.

#include "platform/HidApi.h"
#include "protocol/HidCP.h"
#include "protocol/WindowPort.h"

namespace usblink::HidCP {

enum class DownloadResult {
  Committed,         // device closed, "USB Link" enabled: the calculator updates itself
  ImageRefused,      // empty or unreadable: nothing sent, "Download" enabled again
  ChecksumMismatch,  // stopped after the "Error" box; device open, buttons untouched
};

// Sends the image named by WindowPort::ChosenFileName() to the verified,
// open device. The caller has disabled "Download" and shown the note.
// DeviceFailure propagates; the caller shows it and closes the device.
DownloadResult DownloadImage(const Channel& channel, WindowPort& window);

}  // namespace usblink::HidCP

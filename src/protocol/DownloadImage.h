#pragma once
// The firmware download: a *.UD image into the calculator's flash, bank by
// bank, each bank checked against the device's checksum, then committed.

#include <filesystem>

#include "platform/hid/HidApi.h"
#include "protocol/CommandPort.h"
#include "protocol/FirmwareImage.h"
#include "protocol/HidCP.h"

namespace usblink::HidCP {

enum class DownloadResult {
  Committed,         // device closed, "USB Link" enabled: the calculator updates itself
  ImageRefused,      // empty or unreadable: nothing sent, "Download" enabled again
  ChecksumMismatch,  // stopped after the "Error" box; device open, buttons untouched
};

// How far a download came. Kept up to date while it runs, so that after a
// device failure or a stop it still tells what the flash holds.
struct DownloadState {
  int totalBlocks = 0;        // blocks the image sends
  int blocksSent = 0;         // blocks whose six transactions all went through
  int banksVerified = 0;      // banks whose checksum matched, from bank 0 on
  bool flashChanged = false;  // a block-write went out: the device erased its bank
  bool committed = false;
  // The flash holds part of an image and nothing was committed: the
  // calculator may not start until the same download runs again.
  [[nodiscard]] bool ChangedWithoutCommit() const { return flashChanged && !committed; }
  friend bool operator==(const DownloadState&, const DownloadState&) = default;
};

// Sends `image`, the file `name` as loaded once, to the verified, open device; an image that could
// not be read or is empty is refused after the first log line, with nothing sent. The caller has
// disabled "Download" and shown the note. `state` starts afresh. DeviceFailure and
// TransactionsStopped propagate; the caller closes the device.
DownloadResult DownloadImage(const Channel& channel, CommandPort& window, const LoadedImage& image,
                             const std::filesystem::path& name, DownloadState& state);

}  // namespace usblink::HidCP

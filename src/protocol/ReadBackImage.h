#pragma once
// The flash read-back: banks 0 to 3 into a file with the layout of a *.UD image.

#include <cstdio>
#include <filesystem>

#include "protocol/CommandPort.h"
#include "protocol/HidCP.h"
#include "protocol/Result.h"

namespace usblink::HidCP {

// Reads blocks 0 to 1023 into `file`, created when absent; an existing file
// is written from offset 0 and keeps any bytes past the flash. Every byte
// taken is in the file before the next command, so a device failure or an
// abrupt end leaves offsets 0..n-1 holding the n bytes taken. A file that
// cannot be created or written ends the run with its failure. DeviceFailure
// propagates. The device stays open.
Result<void> ReadBackImage(const Channel& channel, CommandPort& window,
                           const std::filesystem::path& file);

// The same into `out`, a stream the caller opened for `file` and decides the
// fate of (a staged file that only a complete run makes the file); `file`
// names it in the failure.
Result<void> ReadBackImage(const Channel& channel, CommandPort& window, std::FILE* out,
                           const std::filesystem::path& file);

}  // namespace usblink::HidCP

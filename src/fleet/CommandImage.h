#pragma once
// The image FILE of check, download, verify and station: read once, before
// any calculator is touched, and held to the size of the flash.

#include <filesystem>
#include <optional>
#include <string>

#include "fleet/Request.h"
#include "fleet/SessionPort.h"
#include "protocol/FirmwareImage.h"

namespace usblink {

// The image FILE, read once; "-" reads standard input. None, after the
// message, when it cannot be used.
std::optional<FirmwareImage> LoadImage(const std::filesystem::path& file, SessionPort& view,
                                       const Environment& environment);

// An image longer than the whole flash is hardly firmware of this calculator.
std::string OversizeText(const std::filesystem::path& file);
std::string FirstBytesText();

// The image a device command sends or compares with, none for the others;
// `refused` is set, after the message, when it cannot be used.
std::optional<FirmwareImage> CommandImage(const Options& options, SessionPort& view,
                                          const Environment& environment, bool& refused);

}  // namespace usblink

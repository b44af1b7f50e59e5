#pragma once
// The exit statuses of usblink-cli; scripts rely on them.

#include <string>

#include "app/ExitStatus.h"
#include "platform/StopSignals.h"

namespace usblink::cli {

inline constexpr int kExitSuccess = 0;
inline constexpr int kExitUsage = 2;
inline constexpr int kExitNotFound = 3;
inline constexpr int kExitRefused = 4;
inline constexpr int kExitChecksumMismatch = 5;
inline constexpr int kExitDeviceError = app::kExitDeviceFailed;
inline constexpr int kExitFileError = 7;
inline constexpr int kExitDifferences = 8;
// Another program holds the calculator open.
inline constexpr int kExitInUse = 9;
// The calculator is plugged in, but this user may not open it (Linux: no udev rule).
inline constexpr int kExitAccessDenied = 10;
// Stopped by Ctrl-C, SIGTERM or SIGHUP between two transactions (130).
inline constexpr int kExitInterrupted = kEndedBySignalStatus;

// A status in words: "ok", "device error", ...
std::string OutcomeText(int status);

}  // namespace usblink::cli

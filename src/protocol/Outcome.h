#pragma once
// How a command ended, and the exit statuses the programs end with: scripts
// rely on them. Each status is told in one table, with the words of a run's
// result and the meaning the help gives.

#include <array>
#include <string>
#include <string_view>

#include "platform/os/StopSignals.h"

namespace usblink {

enum class Outcome {
  Ignored,           // a command was already running, or the button is disabled
  IdsNotSet,         // both id fields "0"
  NotFound,          // no calculator among the HID interfaces
  Refused,           // the handshake refused the device
  Connected,         // found, verified, ready for a download
  NoFile,            // the file dialog was closed without a choice
  FileError,         // the image or the read-back file could not be used
  ChecksumMismatch,  // a bank's checksum differed; the device stays open
  Downloaded,        // committed; the calculator updates itself
  ReadBack,          // banks 0-3 are in the read-back file
  DeviceFailed,      // error status or timeout: the device is closed, the process ends
  Interrupted,       // stopped between two transactions as asked; the device is closed
  Closed,            // the window was closed in the middle of the command
  Cleared,           // "Clear" emptied the log
};

inline constexpr int kExitSuccess = 0;
inline constexpr int kExitUsage = 2;
inline constexpr int kExitNotFound = 3;
inline constexpr int kExitRefused = 4;
inline constexpr int kExitChecksumMismatch = 5;
// The calculator sent an error status or stopped answering; the window ends with it too.
inline constexpr int kExitDeviceError = 6;
inline constexpr int kExitFileError = 7;
inline constexpr int kExitDifferences = 8;
// Another program holds the calculator open.
inline constexpr int kExitInUse = 9;
// The calculator is plugged in, but this user may not open it (Linux: no udev rule).
inline constexpr int kExitAccessDenied = 10;
// With several calculators: no thread or memory was left for a calculator's
// session, which never touched it.
inline constexpr int kExitNotStarted = 11;
// Stopped by Ctrl-C, SIGTERM or SIGHUP between two transactions (130).
inline constexpr int kExitInterrupted = kEndedBySignalStatus;

struct ExitStatusEntry {
  int status;
  std::string_view words;    // a run's result: "ok", "device error", ...
  std::string_view meaning;  // the help's line
};

inline constexpr std::array kExitStatuses{
    ExitStatusEntry{kExitSuccess, "ok", "success"},
    ExitStatusEntry{kExitUsage, "usage error", "usage error"},
    ExitStatusEntry{kExitNotFound, "no calculator found", "no calculator found"},
    ExitStatusEntry{kExitRefused, "handshake refused", "handshake refused"},
    ExitStatusEntry{kExitChecksumMismatch, "bank checksum mismatch", "bank checksum mismatch"},
    ExitStatusEntry{kExitDeviceError, "device error", "device error status or PC timeout"},
    ExitStatusEntry{kExitFileError, "file error",
                    "file error (cannot open, empty, too large or no firmware, cannot write)"},
    ExitStatusEntry{kExitDifferences, "differences found", "verify found differences"},
    ExitStatusEntry{kExitInUse, "calculator in use", "the calculator is in use by another program"},
    ExitStatusEntry{kExitAccessDenied, "calculator access denied",
                    "the calculator is present but may not be opened"},
    ExitStatusEntry{kExitNotStarted, "not started",
                    "several calculators: a session could not start (no thread or memory)"},
    ExitStatusEntry{kExitInterrupted, "interrupted", "stopped by Ctrl-C, SIGTERM or SIGHUP"},
};

// The exit status a command's outcome ends a run with.
[[nodiscard]] int ExitStatusOf(Outcome outcome);

// A status in words: "ok", "device error", ...
[[nodiscard]] std::string OutcomeText(int status);

}  // namespace usblink

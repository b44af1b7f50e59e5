#include "protocol/Outcome.h"

#include <algorithm>

namespace usblink {

int ExitStatusOf(Outcome outcome) {
  switch (outcome) {
    case Outcome::Connected:
    case Outcome::Downloaded:
    case Outcome::ReadBack:
      return kExitSuccess;
    case Outcome::NotFound:
    case Outcome::IdsNotSet:
      return kExitNotFound;
    case Outcome::Refused:
      return kExitRefused;
    case Outcome::ChecksumMismatch:
      return kExitChecksumMismatch;
    case Outcome::NoFile:
    case Outcome::FileError:
      return kExitFileError;
    case Outcome::Interrupted:
      return kExitInterrupted;
    case Outcome::DeviceFailed:
    case Outcome::Ignored:
    case Outcome::Closed:
    case Outcome::Cleared:
      break;
  }
  return kExitDeviceError;
}

std::string OutcomeText(int status) {
  const auto* entry = std::ranges::find(kExitStatuses, status, &ExitStatusEntry::status);
  return std::string(entry != kExitStatuses.end() ? entry->words : "usage error");
}

}  // namespace usblink

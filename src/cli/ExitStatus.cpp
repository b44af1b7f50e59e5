#include "cli/ExitStatus.h"

namespace usblink::cli {

std::string OutcomeText(int status) {
  switch (status) {
    case kExitSuccess:
      return "ok";
    case kExitNotFound:
      return "no calculator found";
    case kExitRefused:
      return "handshake refused";
    case kExitChecksumMismatch:
      return "bank checksum mismatch";
    case kExitDeviceError:
      return "device error";
    case kExitFileError:
      return "file error";
    case kExitDifferences:
      return "differences found";
    case kExitInUse:
      return "calculator in use";
    case kExitAccessDenied:
      return "calculator access denied";
    case kExitInterrupted:
      return "interrupted";
    default:
      return "usage error";
  }
}

}  // namespace usblink::cli

#include "protocol/FileError.h"

namespace usblink {

std::string FileError::Message() const {
  return "Cannot " + action + " \"" + file.string() + "\": " + reason.message();
}

}  // namespace usblink

#include "protocol/FileError.h"

namespace usblink {

std::string Quoted(const std::filesystem::path& file) { return "\"" + file.string() + "\""; }

std::string FileError::Message() const {
  return "Cannot " + action + " " + Quoted(file) + ": " + reason.message();
}

}  // namespace usblink

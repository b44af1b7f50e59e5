#pragma once
// A file that could not be opened, read, created or written, with the
// system's reason.

#include <filesystem>
#include <string>
#include <system_error>

namespace usblink {

// A file as messages name it: "FILE".
std::string Quoted(const std::filesystem::path& file);

struct FileError {
  std::filesystem::path file;
  std::string action;  // "open", "read", "create" or "write"
  std::error_code reason;

  // Cannot open "FILE": REASON
  [[nodiscard]] std::string Message() const;
};

}  // namespace usblink

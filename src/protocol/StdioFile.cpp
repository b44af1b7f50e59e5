#include "protocol/StdioFile.h"

#include <cerrno>

#include "protocol/Outcome.h"

namespace usblink {

std::string Quoted(const std::filesystem::path& file) { return "\"" + file.string() + "\""; }

Failure FileFailure(const std::filesystem::path& file, std::string_view action,
                    std::error_code reason) {
  return {kExitFileError,
          "Cannot " + std::string(action) + " " + Quoted(file) + ": " + reason.message()};
}

// Each call clears errno first: a successful C library call may leave a stale
// value behind.

StdioFile OpenStdioFile(const std::filesystem::path& file, const char* mode) {
  errno = 0;
  return StdioFile(std::fopen(file.string().c_str(), mode));
}

std::size_t ReadSome(std::FILE* file, std::span<std::uint8_t> buffer) {
  errno = 0;
  return std::fread(buffer.data(), 1, buffer.size(), file);
}

bool WriteThrough(std::FILE* file, std::span<const std::uint8_t> bytes) {
  errno = 0;
  return std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size() && std::fflush(file) == 0;
}

std::error_code LastSystemError() {
  // Not every C library sets errno on a stream failure.
  if (errno == 0) return std::make_error_code(std::errc::io_error);
  return {errno, std::generic_category()};
}

}  // namespace usblink

#include "protocol/StdioFile.h"

#include <cerrno>

#include "protocol/Outcome.h"

namespace usblink {

std::string Quoted(const std::filesystem::path& file) { return "\"" + file.string() + "\""; }

namespace {

// What the user can do about the commonest reasons; nothing for the others.
std::string_view Remedy(std::error_code reason) {
  using enum std::errc;
  if (reason == no_such_file_or_directory) return " Check the name and that its folder exists.";
  if (reason == permission_denied || reason == operation_not_permitted) {
    return " Name a file this user may use, or change its permissions.";
  }
  if (reason == read_only_file_system) return " Name a file on a disk that can be written.";
  if (reason == no_space_on_device) return " Free some space on its disk, or name another.";
  if (reason == is_a_directory) return " Name a file, not a folder.";
  return {};
}

}  // namespace

Failure FileFailure(const std::filesystem::path& file, std::string_view action,
                    std::error_code reason, std::string_view consequence) {
  return {kExitFileError, "Cannot " + std::string(action) + " " + Quoted(file) + ": " +
                              reason.message() + std::string(consequence) + "." +
                              std::string(Remedy(reason))};
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

}  // namespace usblink

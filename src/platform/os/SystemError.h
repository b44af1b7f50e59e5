#pragma once
// Why the last C library or stream call failed, as errno tells it.

#include <cerrno>
#include <system_error>

namespace usblink {

// Clear errno before the call: a successful call may leave a stale value
// behind, and not every C library sets errno on a stream failure (an I/O
// error then).
inline std::error_code LastSystemError() {
  if (errno == 0) return std::make_error_code(std::errc::io_error);
  return {errno, std::generic_category()};
}

}  // namespace usblink

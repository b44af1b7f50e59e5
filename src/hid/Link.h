#pragma once
// Everything one calculator's transactions share: the two report buffers and
// the two handles. Discovery opens the handles, the capability report and the
// report transaction use them, CloseDevice closes them. One link a calculator:
// the window keeps its own for its whole life, so the buffers are never cleared.

#include <array>
#include <cstddef>
#include <cstdint>

#include "platform/hid/HidApi.h"

namespace usblink {

// Both directions carry 64 bytes: report id, command code, parameters, status.
inline constexpr std::size_t kReportLength = 64;
using Report = std::array<std::uint8_t, kReportLength>;

namespace HidCP {

struct Link {
  Link() = default;
  // A copy would share the handles, and close them twice.
  Link(const Link&) = delete;
  Link& operator=(const Link&) = delete;

  // Never cleared: a byte a command does not write keeps what an earlier one left.
  Report OutReport{};
  Report InReport{};
  // The interface under examination during a walk; after a match the calculator.
  Handle HIDHandle = kNoHandle;
  // The second, overlapped handle to the matched calculator; nothing reads through it.
  Handle ReadHandle = kNoHandle;
};

[[nodiscard]] inline bool IsOpen(Handle handle) {
  return handle != kNoHandle && handle != kInvalidHandleValue;
}

// Closes the handle when it is open and marks it closed, so no handle is ever
// closed twice: discovery and CloseDevice both rely on it.
inline void CloseIfOpen(HidApi& api, Handle& handle) {
  if (!IsOpen(handle)) return;
  api.CloseHandle(handle);
  handle = kNoHandle;
}

}  // namespace HidCP
}  // namespace usblink

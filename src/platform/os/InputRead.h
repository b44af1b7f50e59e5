#pragma once
// Reading input that may keep a read waiting for ever (a pipe, a FIFO
// without a writer, a terminal) so that a stop ends the wait: the run then
// ends as after any other stop, not in the middle of telling it.

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string_view>
#include <system_error>
#include <vector>

#include "platform/os/StopSignals.h"

namespace usblink {

struct InputRead {
  std::vector<std::uint8_t> bytes;  // from the start, at most the limit asked
  // Why the bytes end before the input's end and the limit, none when they
  // do not; std::errc::interrupted when a stop ended the wait.
  std::error_code error;
  std::string_view failedAction;  // "open" or "read", with `error`
};

// The first `limit` bytes of `file`, or fewer at its end. Linux: a stop that
// `signals` counts (StopNow(0)) ends a wait for input; from the call on a
// signal no longer ends the process at once. Windows: a signal during the
// wait ends the process at once, as StopSignals::EndAtOnce leaves it.
InputRead ReadInput(const std::filesystem::path& file, std::size_t limit, StopSignals& signals);
// The same from `stream`, open already and read from its start (standard
// input); it stays open.
InputRead ReadInput(std::FILE* stream, std::size_t limit, StopSignals& signals);

}  // namespace usblink

#include "platform/os/InputRead.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <array>
#include <cerrno>

#include "platform/os/linux/StopWake.h"
#include "platform/os/linux/UniqueFd.h"

namespace usblink {

namespace {

// Waits until `descriptor` has input, its end or an error for read() to
// tell; false once a stop is asked instead.
bool InputOrStop(int descriptor, const StopSignals& signals) {
  std::array<pollfd, 2> watched{pollfd{descriptor, POLLIN, 0},
                                pollfd{linux_os::StopWakeDescriptor(), POLLIN, 0}};
  for (;;) {
    if (signals.StopNow(0)) return false;
    // A signal cuts poll() short, whatever SA_RESTART says; the wake pipe
    // covers one that comes just before it.
    if (::poll(watched.data(), watched.size(), -1) < 0 && errno != EINTR) return true;
    if (watched[0].revents != 0) return true;
  }
}

InputRead ReadDescriptor(int descriptor, std::size_t limit, StopSignals& signals) {
  signals.EndAtOnce(false);
  InputRead read;
  read.bytes.resize(limit);
  std::size_t done = 0;
  while (done < limit) {
    if (!InputOrStop(descriptor, signals)) {
      read.error = std::make_error_code(std::errc::interrupted);
      break;
    }
    const auto count = ::read(descriptor, read.bytes.data() + done, limit - done);
    if (count == 0) break;
    if (count > 0) {
      done += static_cast<std::size_t>(count);
    } else if (errno != EINTR && errno != EAGAIN) {
      read.error = {errno, std::generic_category()};
      read.failedAction = "read";
      break;
    }
  }
  read.bytes.resize(done);
  return read;
}

}  // namespace

InputRead ReadInput(const std::filesystem::path& file, std::size_t limit, StopSignals& signals) {
  // Opened without waiting: a FIFO's open waits for a writer otherwise, and
  // no signal ends that wait. poll() waits for one instead.
  const linux_hid::UniqueFd descriptor(::open(file.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
  if (!descriptor.Valid()) {
    return {{}, {errno, std::generic_category()}, "open"};
  }
  return ReadDescriptor(descriptor.Get(), limit, signals);
}

InputRead ReadInput(std::FILE* stream, std::size_t limit, StopSignals& signals) {
  return ReadDescriptor(::fileno(stream), limit, signals);
}

}  // namespace usblink

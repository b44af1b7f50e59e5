#include "platform/os/Console.h"

#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>

namespace usblink {

std::error_code KeepStandardDescriptorsOpen() {
  for (int fd = STDIN_FILENO; fd <= STDERR_FILENO; ++fd) {
    if (::fcntl(fd, F_GETFD) != -1 || errno != EBADF) continue;
    // open() takes the lowest free descriptor: this one, as those below it
    // are open by now. Inherited like any standard descriptor.
    if (::open("/dev/null", O_RDWR) < 0) return {errno, std::generic_category()};
  }
  return {};
}

bool StderrIsTerminal() { return isatty(STDERR_FILENO) == 1; }

namespace {

std::optional<winsize> StderrSize() {
  winsize size{};
  if (::ioctl(STDERR_FILENO, TIOCGWINSZ, &size) != 0) return std::nullopt;
  return size;
}

}  // namespace

std::optional<int> StderrColumns() {
  const auto size = StderrSize();
  if (!size || size->ws_col == 0) return std::nullopt;
  return size->ws_col;
}

std::optional<int> StderrRows() {
  const auto size = StderrSize();
  if (!size || size->ws_row == 0) return std::nullopt;
  return size->ws_row;
}

// Terminals here take UTF-8 and escape sequences as they are.
struct ConsoleSession::Restore {};

ConsoleSession::ConsoleSession() : stderrTakesEscapes_(StderrIsTerminal()) {}

ConsoleSession::~ConsoleSession() = default;

std::string ReadStandardInput() {
  std::string text(4096, '\0');
  const auto count = ::read(kStandardInputDescriptor, text.data(), text.size());
  text.resize(count > 0 ? static_cast<std::size_t>(count) : 0);
  return text;
}

// A POSIX stream never translates.
std::FILE* BinaryStandardInput() { return stdin; }

std::FILE* BinaryStandardOutput() { return stdout; }

}  // namespace usblink

#include "platform/Console.h"

#include <fcntl.h>
#include <io.h>

#include <array>
#include <cerrno>
#include <cstdio>

#include "platform/win32/LeanWindows.h"

namespace usblink {

// Devices are opened as handles, never as C descriptors, but a file opened
// with fopen could still take a descriptor that was closed.
std::error_code KeepStandardDescriptorsOpen() {
  constexpr std::array<DWORD, 3> kStandardHandles{STD_INPUT_HANDLE, STD_OUTPUT_HANDLE,
                                                  STD_ERROR_HANDLE};
  for (int fd = 0; fd < static_cast<int>(kStandardHandles.size()); ++fd) {
    const HANDLE handle = GetStdHandle(kStandardHandles[fd]);
    if (handle != nullptr && handle != INVALID_HANDLE_VALUE) continue;
    // _open takes the lowest free descriptor: this one, as those below it
    // are open by now. A process started without handles has its C library
    // hold the descriptor already; then the spare one is not needed.
    const int null = _open("NUL", _O_RDWR | _O_BINARY);
    if (null < 0) return {errno, std::generic_category()};
    if (null != fd) _close(null);
  }
  return {};
}

bool StderrIsTerminal() { return _isatty(_fileno(stderr)) != 0; }

std::string ReadStandardInput() {
  std::string text(4096, '\0');
  const int count =
      _read(kStandardInputDescriptor, text.data(), static_cast<unsigned>(text.size()));
  text.resize(count > 0 ? static_cast<std::size_t>(count) : 0);
  return text;
}

}  // namespace usblink

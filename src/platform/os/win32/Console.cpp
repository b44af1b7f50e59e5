#include "platform/os/Console.h"

#include <fcntl.h>
#include <io.h>

#include <array>
#include <cerrno>
#include <cstdio>
#include <iostream>
#include <optional>

#include "platform/os/win32/ConsoleTextBuffer.h"
#include "platform/os/win32/LeanWindows.h"

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

namespace {

// The visible window of the console stderr shows, not its buffer, which may
// be far larger.
std::optional<SMALL_RECT> StderrWindow() {
  const DWORD lastError = GetLastError();
  CONSOLE_SCREEN_BUFFER_INFO info{};
  const bool known = GetConsoleScreenBufferInfo(GetStdHandle(STD_ERROR_HANDLE), &info) != 0;
  SetLastError(lastError);
  if (!known) return std::nullopt;
  return info.srWindow;
}

std::optional<int> Positive(int size) { return size > 0 ? std::optional<int>(size) : std::nullopt; }

}  // namespace

std::optional<int> StderrColumns() {
  const auto window = StderrWindow();
  if (!window) return std::nullopt;
  return Positive(window->Right - window->Left + 1);
}

std::optional<int> StderrRows() {
  const auto window = StderrWindow();
  if (!window) return std::nullopt;
  return Positive(window->Bottom - window->Top + 1);
}

namespace {

// The console mode of a handle; none for a file or a pipe.
std::optional<DWORD> ConsoleMode(HANDLE handle) {
  DWORD mode = 0;
  if (!GetConsoleMode(handle, &mode)) return std::nullopt;
  return mode;
}

}  // namespace

namespace win32 {

// A console text buffer under `stream` while this lives. Named, not
// anonymous: the session's Restore, declared in the header, holds it.
class ConsoleStream {
 public:
  ConsoleStream(std::ostream& stream, HANDLE console)
      : stream_(stream), buffer_(console), saved_(stream.rdbuf(&buffer_)) {}
  ~ConsoleStream() {
    stream_.flush();
    stream_.rdbuf(saved_);
  }
  ConsoleStream(const ConsoleStream&) = delete;
  ConsoleStream& operator=(const ConsoleStream&) = delete;

 private:
  std::ostream& stream_;
  ConsoleTextBuffer buffer_;
  std::streambuf* saved_;
};

}  // namespace win32

struct ConsoleSession::Restore {
  Restore() = default;
  Restore(const Restore&) = delete;
  Restore& operator=(const Restore&) = delete;
  // The streams are flushed before stderr's console loses its escapes.
  ~Restore() {
    err.reset();
    out.reset();
    if (errorMode) SetConsoleMode(errorHandle, *errorMode);
  }

  std::optional<win32::ConsoleStream> out;
  std::optional<win32::ConsoleStream> err;
  HANDLE errorHandle = nullptr;
  std::optional<DWORD> errorMode;
};

// The thread's last error stays as it was: the log reports it after calls
// that do not set it, such as HidD_GetHidGuid.
ConsoleSession::ConsoleSession() : restore_(std::make_unique<Restore>()) {
  const DWORD lastError = GetLastError();
  const HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE);
  const HANDLE error = GetStdHandle(STD_ERROR_HANDLE);
  if (ConsoleMode(output)) restore_->out.emplace(std::cout, output);
  if (const auto mode = ConsoleMode(error)) {
    restore_->err.emplace(std::cerr, error);
    if ((*mode & ENABLE_VIRTUAL_TERMINAL_PROCESSING) != 0) {
      stderrTakesEscapes_ = true;
    } else if (SetConsoleMode(error, *mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING)) {
      restore_->errorHandle = error;
      restore_->errorMode = mode;
      stderrTakesEscapes_ = true;
    }
  }
  SetLastError(lastError);
}

ConsoleSession::~ConsoleSession() = default;

std::string ReadStandardInput() {
  std::string text(4096, '\0');
  const int count =
      _read(kStandardInputDescriptor, text.data(), static_cast<unsigned>(text.size()));
  text.resize(count > 0 ? static_cast<std::size_t>(count) : 0);
  return text;
}

namespace {

std::FILE* Binary(std::FILE* stream) {
  _setmode(_fileno(stream), _O_BINARY);
  return stream;
}

}  // namespace

std::FILE* BinaryStandardInput() { return Binary(stdin); }

std::FILE* BinaryStandardOutput() { return Binary(stdout); }

}  // namespace usblink

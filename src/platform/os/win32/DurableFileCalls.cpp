#include "platform/os/StagedFile.h"

#include <fcntl.h>
#include <io.h>

#include <cerrno>
#include <cstdint>

#include "platform/os/win32/LeanWindows.h"

namespace usblink {

namespace {

std::error_code LastWindowsError() {
  return {static_cast<int>(GetLastError()), std::system_category()};
}

}  // namespace

// The file keeps the permissions its folder hands down.
std::FILE* CreateNewPrivateFile(const std::filesystem::path& file, std::error_code& error) {
  const HANDLE handle = CreateFileW(file.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                    CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    error = LastWindowsError();  // ERROR_FILE_EXISTS compares equal to file_exists
    return nullptr;
  }
  const int fd = _open_osfhandle(reinterpret_cast<std::intptr_t>(handle), _O_WRONLY | _O_BINARY);
  if (fd == -1) {
    error = {errno, std::generic_category()};
    CloseHandle(handle);
    DeleteFileW(file.c_str());
    return nullptr;
  }
  std::FILE* stream = _fdopen(fd, "wb");
  if (stream == nullptr) {
    error = {errno, std::generic_category()};
    _close(fd);
    DeleteFileW(file.c_str());
    return nullptr;
  }
  error.clear();
  return stream;
}

std::error_code FlushToDisk(std::FILE* stream) {
  if (std::fflush(stream) != 0) return {errno, std::generic_category()};
  const auto handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream)));
  if (FlushFileBuffers(handle) == 0) return LastWindowsError();
  return {};
}

// std::filesystem::rename replaces too, but may fall back to a copy and does
// not wait for the disk.
std::error_code RenameReplacing(const std::filesystem::path& from,
                                const std::filesystem::path& to) {
  if (MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) ==
      0) {
    return LastWindowsError();
  }
  return {};
}

}  // namespace usblink

#include "platform/os/StagedFile.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include "platform/os/linux/UniqueFd.h"

namespace usblink {

namespace {

std::error_code LastErrno() { return {errno, std::generic_category()}; }

}  // namespace

std::FILE* CreateNewPrivateFile(const std::filesystem::path& file, std::error_code& error) {
  const int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
  if (fd < 0) {
    error = LastErrno();
    return nullptr;
  }
  std::FILE* stream = ::fdopen(fd, "wb");
  if (stream == nullptr) {
    error = LastErrno();
    ::close(fd);
    ::unlink(file.c_str());
    return nullptr;
  }
  error.clear();
  return stream;
}

std::error_code FlushToDisk(std::FILE* stream) {
  if (std::fflush(stream) != 0 || ::fsync(::fileno(stream)) != 0) return LastErrno();
  return {};
}

std::error_code RenameReplacing(const std::filesystem::path& from,
                                const std::filesystem::path& to) {
  if (::rename(from.c_str(), to.c_str()) != 0) return LastErrno();
  // The new name is in place whatever follows: a folder that cannot be synced
  // (some file systems refuse) only makes it less durable, not wrong.
  const auto folder = to.parent_path();
  linux_hid::UniqueFd directory(
      ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (directory.Valid()) ::fsync(directory.Get());
  return {};
}

}  // namespace usblink

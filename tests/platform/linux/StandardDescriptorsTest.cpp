#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <initializer_list>

#include "platform/os/Console.h"

namespace usblink {
namespace {

bool IsNullDevice(int fd) {
  struct stat null {};
  struct stat held {};
  return ::stat("/dev/null", &null) == 0 && ::fstat(fd, &held) == 0 && held.st_rdev == null.st_rdev;
}

// In a child process that closes `closed` first: 0 when every standard
// descriptor is open afterwards and a file opened next lands above them.
int ChildStatus(std::initializer_list<int> closed) {
  const pid_t child = ::fork();
  if (child == 0) {
    for (const int fd : closed) ::close(fd);
    if (KeepStandardDescriptorsOpen()) ::_exit(1);
    const int file = ::open("/dev/zero", O_RDONLY);
    for (const int fd : closed) {
      if (!IsNullDevice(fd)) ::_exit(2);
    }
    ::_exit(file > STDERR_FILENO ? 0 : 3);
  }
  int status = 0;
  if (child < 0 || ::waitpid(child, &status, 0) != child || !WIFEXITED(status)) return -1;
  return WEXITSTATUS(status);
}

TEST(StandardDescriptorsTest, AClosedOneGetsTheNullDeviceNeverTheNextFile) {
  EXPECT_EQ(ChildStatus({STDOUT_FILENO}), 0);
  EXPECT_EQ(ChildStatus({STDERR_FILENO}), 0);
  EXPECT_EQ(ChildStatus({STDIN_FILENO, STDOUT_FILENO, STDERR_FILENO}), 0);

  // Open ones are left as they are.
  struct stat before {};
  struct stat after {};
  ASSERT_EQ(::fstat(STDERR_FILENO, &before), 0);
  EXPECT_FALSE(KeepStandardDescriptorsOpen());
  ASSERT_EQ(::fstat(STDERR_FILENO, &after), 0);
  EXPECT_EQ(after.st_ino, before.st_ino);
  EXPECT_EQ(after.st_dev, before.st_dev);
}

}  // namespace
}  // namespace usblink

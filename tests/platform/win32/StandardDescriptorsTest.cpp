#include <fcntl.h>
#include <gtest/gtest.h>
#include <io.h>

#include <cstdio>

#include "platform/os/Console.h"

namespace usblink {
namespace {

// In this process: standard output is put back before anything is checked.
TEST(StandardDescriptorsTest, AClosedOneGetsTheNullDeviceNeverTheNextFile) {
  std::fflush(stdout);
  const int saved = _dup(1);
  ASSERT_GE(saved, 0);
  _close(1);
  const std::error_code error = KeepStandardDescriptorsOpen();
  const int file = _open("NUL", _O_RDONLY);
  _dup2(saved, 1);
  _close(saved);
  _close(file);
  EXPECT_FALSE(error) << error.message();
  EXPECT_GT(file, 2);
}

}  // namespace
}  // namespace usblink

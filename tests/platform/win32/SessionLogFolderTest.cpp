#include "platform/os/SessionLogFolder.h"

#include <windows.h>

#include <gtest/gtest.h>

namespace usblink {
namespace {

TEST(SessionLogFolderTest, TheLocalApplicationDataFolderWhenItIsAbsolute) {
  wchar_t old[MAX_PATH] = {};
  const bool had = GetEnvironmentVariableW(L"LOCALAPPDATA", old, MAX_PATH) != 0;
  SetEnvironmentVariableW(L"LOCALAPPDATA", L"C:\\Users\\u\\AppData\\Local");
  EXPECT_EQ(SessionLogFolder(), std::filesystem::path(L"C:\\Users\\u\\AppData\\Local\\usblink"));
  SetEnvironmentVariableW(L"LOCALAPPDATA", L"relative");
  EXPECT_EQ(SessionLogFolder(), std::nullopt);
  SetEnvironmentVariableW(L"LOCALAPPDATA", nullptr);
  EXPECT_EQ(SessionLogFolder(), std::nullopt);
  SetEnvironmentVariableW(L"LOCALAPPDATA", had ? old : nullptr);
}

}  // namespace
}  // namespace usblink

// The pure conversions of the Win32 window: texts to UTF-16 and back, the
// dialog's filter list, twips and points to pixels.

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <string_view>

#include "app/UsbWindow.h"
#include "app/WindowLayout.h"
#include "app/win32/OpenFileFilter.h"
#include "app/win32/Utf16Text.h"

namespace usblink::app::win32 {
namespace {

using namespace std::string_literals;

TEST(Utf16TextTest, CjkAndFullWidthCharactersSurviveTheRoundTrip) {
  EXPECT_EQ(Utf16("开始"), L"\u5f00\u59cb");
  EXPECT_EQ(Utf16("Please set VID and PID ！"), L"Please set VID and PID \uff01");
  const std::string log = "Downloading file：";
  EXPECT_EQ(Utf8(Utf16(log)), log);
  EXPECT_EQ(Utf16(""), L"");
  EXPECT_EQ(Utf8(L""), "");
}

TEST(Utf16TextTest, BytesThatAreNotUtf8BecomeReplacementCharacters) {
  EXPECT_EQ(Utf16("a\xff"
                  "b"),
            L"a\ufffdb");
}

TEST(OpenFileFilterTest, DescriptionAndPatternsEachEndInNulAndTheListInOneMore) {
  EXPECT_EQ(OpenFileFilter(kDialogFilter), "File(*.UD)\0*.UD\0\0"s);
  constexpr std::array<std::string_view, 2> patterns{"*.b", "*.c"};
  EXPECT_EQ(OpenFileFilter({"B", patterns}), "B\0*.b;*.c\0\0"s);
}

}  // namespace
}  // namespace usblink::app::win32

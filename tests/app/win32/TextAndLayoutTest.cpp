// The pure conversions of the Win32 window: texts to UTF-16 and back, the
// dialog's filter list, twips and points to pixels.

#include <gtest/gtest.h>

#include <string>

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
  EXPECT_EQ(OpenFileFilter("File(*.UD)|*.UD"), "File(*.UD)\0*.UD\0\0"s);
  EXPECT_EQ(OpenFileFilter("A|*.a|B|*.b;*.c"), "A\0*.a\0B\0*.b;*.c\0\0"s);
}

}  // namespace
}  // namespace usblink::app::win32

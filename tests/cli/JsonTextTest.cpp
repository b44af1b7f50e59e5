#include "cli/JsonText.h"

#include <gtest/gtest.h>

namespace usblink::cli {
namespace {

TEST(JsonStringTest, KeepsUtf8AndReplacesBytesThatAreNot) {
  EXPECT_EQ(JsonString("开始 Downloading："), "\"开始 Downloading：\"");
  // A Latin-1 file name, a cut sequence, an overlong form and a surrogate.
  EXPECT_EQ(JsonString("caf\xE9.UD"), R"("caf\ufffd.UD")");
  EXPECT_EQ(JsonString("\xE5\xBC"), R"("\ufffd\ufffd")");
  EXPECT_EQ(JsonString("\xC0\xAF"), R"("\ufffd\ufffd")");
  EXPECT_EQ(JsonString("\xED\xA0\x80"), R"("\ufffd\ufffd\ufffd")");
  EXPECT_EQ(JsonString("\xF0\x9F\x98\x80"), "\"\xF0\x9F\x98\x80\"");
}

}  // namespace
}  // namespace usblink::cli

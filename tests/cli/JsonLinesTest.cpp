#include "cli/TerminalView.h"

#include <gtest/gtest.h>

namespace usblink::cli {
namespace {

std::string TextOf(std::string_view text) { return JsonLine({{"text", text}}); }

TEST(JsonLineTest, KeepsUtf8AndReplacesBytesThatAreNot) {
  EXPECT_EQ(TextOf("开始 Downloading："), "{\"text\":\"开始 Downloading：\"}");
  const std::string replacement = "\xEF\xBF\xBD";
  // A Latin-1 file name, a cut sequence, an overlong form and a surrogate:
  // each still one valid line.
  for (const std::string_view bad : {"caf\xE9.UD", "\xE5\xBC", "\xC0\xAF", "\xED\xA0\x80"}) {
    const std::string line = TextOf(bad);
    EXPECT_NE(line.find(replacement), std::string::npos) << line;
    EXPECT_TRUE(Json::accept(line)) << line;
  }
  EXPECT_EQ(TextOf("caf\xE9.UD"), "{\"text\":\"caf" + replacement + ".UD\"}");
  EXPECT_EQ(TextOf("\xF0\x9F\x98\x80"), "{\"text\":\"\xF0\x9F\x98\x80\"}");
}

TEST(JsonLineTest, OneLineInTheOrderGivenWithControlCharactersEscaped) {
  EXPECT_EQ(JsonLine({{"type", "log"}, {"line", "a\nb\t\"c\"\x01"}, {"n", 3}, {"ok", true}}),
            R"({"type":"log","line":"a\nb\t\"c\"\u0001","n":3,"ok":true})");
}

}  // namespace
}  // namespace usblink::cli

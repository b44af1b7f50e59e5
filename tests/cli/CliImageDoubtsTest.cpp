// Images that are plainly no firmware: refused by check and download, and by
// the paths of several calculators, unless --force; the window sends them.

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "protocol/CalculatorProtocol.h"
#include "protocol/Outcome.h"
#include "support/ImagePattern.h"
#include "support/TempDirectory.h"
#include "tests/cli/CliRun.h"

namespace usblink {
namespace {

using testing::Pattern;
using testing::RunCli;

std::vector<std::uint8_t> Bytes(std::string_view text) { return {text.begin(), text.end()}; }

class CliImageDoubtsTest : public ::testing::Test {
 protected:
  std::string PathOf(const std::string& name) { return (directory.Path() / name).string(); }
  [[nodiscard]] bool FlashErased() const {
    const auto flash = directory.Read("flash.bin");
    return flash.size() == kFlashSize && std::ranges::count(flash, kErasedByte) == kFlashSize;
  }

  testing::TempDirectory directory;
};

TEST_F(CliImageDoubtsTest, TextAndOneValueAreRefusedUnlessForced) {
  struct Case {
    std::string name;
    std::vector<std::uint8_t> bytes;
    std::string every;  // what every byte is, as the message says
  };
  const Case cases[] = {
      {"passwd",
       Bytes("root:x:0:0:root:/root:/bin/bash\n\tdaemon:x:1:1::/usr/sbin:/usr/sbin/nologin\r\n"),
       "printable text"},
      {"readme.txt", Bytes("固件 USB Link：Update Success!\n"), "printable text"},
      {"erased.UD", std::vector<std::uint8_t>(kBankSize, 0xFF), "0xFF, as in an erased flash"},
      {"zero.UD", std::vector<std::uint8_t>(300, 0x00), "0x00"},
      {"spaces.UD", std::vector<std::uint8_t>(1000, ' '), "0x20"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const auto image = directory.Write(c.name, c.bytes).string();
    const std::string fact = "\"" + image + "\" is no firmware image: every byte is " + c.every;

    auto run = RunCli({"--simulate", "--sim-save", PathOf("flash.bin"), "download", image});
    EXPECT_EQ(run.status, kExitFileError);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, "Error: " + fact +
                           ". Nothing was sent; name the *.UD image, or --force sends it anyway.\n"
                           "usblink-cli: file error\n");
    EXPECT_TRUE(FlashErased());

    run = RunCli({"check", image});
    EXPECT_EQ(run.status, kExitFileError);
    EXPECT_NE(run.err.find("Error: " + fact + ". Nothing was sent;"), std::string::npos) << run.err;

    const auto preview = RunCli({"check", "--force", image});
    EXPECT_EQ(preview.status, kExitSuccess);
    EXPECT_EQ(preview.out, run.out);
    const std::string warning =
        "Warning: " + fact + ". It is sent all the same, as --force asks.\n";
    EXPECT_EQ(preview.err, warning);

    run = RunCli(
        {"--simulate", "--sim-save", PathOf("flash.bin"), "--force", "-q", "download", image});
    EXPECT_EQ(run.status, kExitSuccess) << run.err;
    EXPECT_TRUE(run.err.starts_with(warning)) << run.err;
    const auto flash = directory.Read("flash.bin");
    EXPECT_TRUE(std::equal(c.bytes.begin(), c.bytes.end(), flash.begin()));
  }
}

TEST_F(CliImageDoubtsTest, FirmwareWithAFewTextBytesOrManyValuesIsSent) {
  auto mostlyText = Bytes("VQHDL307E TRM815C firmware, version 2.0\n");
  mostlyText.push_back(0x00);
  const std::vector<std::vector<std::uint8_t>> images{
      mostlyText, Pattern(70000), Bytes("caf\xC3"), {0xFF, 0xFE}};
  for (const auto& bytes : images) {
    const auto image = directory.Write("image.UD", bytes).string();
    const auto run = RunCli({"check", image});
    EXPECT_EQ(run.status, kExitSuccess) << run.err;
    EXPECT_EQ(run.err, "");
  }
}

TEST_F(CliImageDoubtsTest, SeveralCalculatorsRefuseItBeforeAnyIsTouched) {
  const auto image = directory.Write("passwd", Bytes("root:x:0:0::/root:/bin/sh\n")).string();
  for (const std::vector<std::string>& command :
       {std::vector<std::string>{"--all", "download"}, {"station", "--count", "2"}}) {
    SCOPED_TRACE(command.front());
    std::vector<std::string> arguments{"--simulate", "--json",     "--sim-calculators",
                                       "2",          "--sim-save", PathOf("flash")};
    arguments.insert(arguments.end(), command.begin(), command.end());
    arguments.push_back(image);
    const auto run = RunCli(arguments);
    EXPECT_EQ(run.status, kExitFileError);
    EXPECT_TRUE(run.Objects("summary").empty());
    ASSERT_EQ(run.Objects("message").size(), 1u);
    EXPECT_EQ(run.Objects("message")[0]["title"], "Error");
    for (const char* flash : {"flash.1", "flash.2"}) {
      const auto bytes = directory.Read(flash);
      EXPECT_EQ(std::ranges::count(bytes, kErasedByte), kFlashSize) << flash;
    }
  }
  const auto forced = RunCli({"--simulate", "--sim-calculators", "2", "--sim-save", PathOf("flash"),
                              "--all", "--force", "download", image});
  EXPECT_EQ(forced.status, kExitSuccess) << forced.err;
  EXPECT_EQ(directory.Read("flash.2")[0], 'r');
}

}  // namespace
}  // namespace usblink

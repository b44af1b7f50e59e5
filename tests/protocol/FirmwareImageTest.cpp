#include "protocol/FirmwareImage.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <system_error>
#include <vector>

#include "CalculatorFixture.h"
#include "protocol/Outcome.h"
#include "support/TempDirectory.h"

namespace usblink {
namespace {

TEST(FirmwareImageTest, AnEmptyFileWouldSendOneZeroBlockInAnOtherwiseErasedBank) {
  const auto image = FirmwareImage::FromBytes({});
  EXPECT_TRUE(image.Empty());
  EXPECT_EQ(image.SentBlocks(), 1);
  EXPECT_EQ(image.Banks(), 1);
  EXPECT_TRUE(std::ranges::all_of(image.Block(0), [](auto byte) { return byte == 0x00; }));
  EXPECT_EQ(image.BankChecksum(0), 16646400u);
}

TEST(FirmwareImageTest, TheReadThatMeetsTheEndSuppliesZeroAndClosesItsBlock) {
  const auto bytes = testing::PatternBytes(300);
  const auto image = FirmwareImage::FromBytes(bytes);
  EXPECT_FALSE(image.Empty());
  EXPECT_EQ(image.SentBlocks(), 2);
  EXPECT_EQ(image.Banks(), 1);
  const auto block1 = image.Block(1);
  EXPECT_TRUE(std::equal(bytes.begin() + 256, bytes.end(), block1.begin()));
  EXPECT_TRUE(std::all_of(block1.begin() + 44, block1.end(), [](auto byte) { return byte == 0; }));
  const auto flash = image.Flash();
  ASSERT_EQ(flash.size(), 65536u);
  EXPECT_TRUE(
      std::all_of(flash.begin() + 512, flash.end(), [](auto byte) { return byte == 0xFF; }));
  std::uint32_t sum = 254u * 0xFF * 256;
  for (const auto byte : bytes) sum += byte;
  EXPECT_EQ(image.BankChecksum(0), sum);
}

TEST(FirmwareImageTest, LoadKeepsTheFirstFourBanksAndKnowsThereWasMore) {
  testing::TempDirectory directory;
  const auto bytes = testing::PatternBytes(262145);
  const auto loaded = FirmwareImage::Load(directory.Write("BIG.UD", bytes));
  ASSERT_TRUE(loaded);
  const auto& image = *loaded;
  EXPECT_EQ(image.Length(), 262144u);
  EXPECT_TRUE(image.Oversize());
  EXPECT_TRUE(std::ranges::equal(image.Flash(), std::span(bytes).first(262144)));

  // The whole flash and not a byte more is a plausible image.
  const auto whole =
      FirmwareImage::Load(directory.Write("WHOLE.UD", std::span(bytes).first(262144)));
  ASSERT_TRUE(whole);
  EXPECT_FALSE(whole->Oversize());
  EXPECT_EQ(whole->SentBlocks(), 1024);
  EXPECT_TRUE(FirmwareImage::FromBytes(bytes).Oversize());
  EXPECT_FALSE(FirmwareImage::FromBytes(std::span(bytes).first(262144)).Oversize());
}

TEST(FirmwareImageTest, LoadStopsAfterTheFlashOfAnEndlessDevice) {
  if (!std::filesystem::exists("/dev/zero")) GTEST_SKIP() << "no /dev/zero here";
  const auto loaded = FirmwareImage::Load("/dev/zero");
  ASSERT_TRUE(loaded);
  const auto& image = *loaded;
  EXPECT_TRUE(image.Oversize());
  EXPECT_EQ(image.Banks(), 4);
}

TEST(FirmwareImageTest, OnlyTheBytesReadCountNotTheSizeTheFileSystemTells) {
  // sysfs tells 4096 bytes for each attribute, whatever it holds.
  const std::filesystem::path file = "/sys/devices/system/cpu/online";
  std::error_code error;
  const auto told = std::filesystem::file_size(file, error);
  std::ifstream in(file, std::ios::binary);
  const std::vector<std::uint8_t> content{std::istreambuf_iterator<char>(in), {}};
  if (error || content.empty() || told / 256 == content.size() / 256) {
    GTEST_SKIP() << "no file here whose size is told wrong";
  }
  const auto loaded = FirmwareImage::Load(file);
  ASSERT_TRUE(loaded);
  const auto& image = *loaded;
  EXPECT_EQ(image.Length(), content.size());
  EXPECT_EQ(image.SentBlocks(), static_cast<int>(content.size() / 256) + 1);
  EXPECT_TRUE(std::ranges::equal(image.Flash().first(content.size()), content));
}

TEST(FirmwareImageTest, LoadReportsAFileThatCannotBeOpened) {
  testing::TempDirectory directory;
  const auto file = directory.Path() / "NONE.UD";
  const auto loaded = FirmwareImage::Load(file);
  ASSERT_FALSE(loaded);
  EXPECT_EQ(loaded.Error().exitStatus, kExitFileError);
  EXPECT_EQ(loaded.Error().message,
            "Cannot open \"" + file.string() +
                "\": " + std::make_error_code(std::errc::no_such_file_or_directory).message() +
                ". Check the name and that its folder exists.");
}

}  // namespace
}  // namespace usblink

#include "protocol/ReadBackImage.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "CalculatorFixture.h"
#include "protocol/HidCP.h"
#include "protocol/Outcome.h"
#include "support/TempDirectory.h"

namespace usblink {
namespace {

constexpr std::size_t kFlash = 262144;

class ReadBackImageTest : public testing::CalculatorFixture {
 protected:
  void SetUp() override {
    CalculatorFixture::SetUp();
    const auto content = testing::PatternBytes(kFlash, 7);
    std::ranges::copy(content, Calculator().Flash().begin());
    window.lines = {"Connected to the device, you can download files！"};
  }

  bool ReadBack() { return static_cast<bool>(HidCP::ReadBackImage(channel, window, LoadBin())); }
  std::filesystem::path LoadBin() const { return directory.Path() / "Load.bin"; }
  std::vector<std::uint8_t> FlashStart(std::size_t count) {
    return {Calculator().Flash().begin(), Calculator().Flash().begin() + count};
  }

  testing::TempDirectory directory;
};

TEST_F(ReadBackImageTest, ACompleteRunCopiesBanksZeroToThreeInOrder) {
  EXPECT_TRUE(ReadBack());
  EXPECT_EQ(directory.Read("Load.bin"), FlashStart(kFlash));
  EXPECT_EQ(window.lines, (std::vector<std::string>{"开始", " ReceiveBank = 1", " ReceiveBank = 2",
                                                    " ReceiveBank = 3", " ReceiveBank = 4",
                                                    " Receive complete "}));
  EXPECT_TRUE(window.messages.empty());
  EXPECT_TRUE(DeviceOpen());
}

TEST_F(ReadBackImageTest, EachBlockIsABlockReadAndFiveTransfersCarryingItsNumber) {
  ASSERT_TRUE(ReadBack());
  ASSERT_EQ(Sent().size(), 6144u);
  for (int block = 0; block < 1024; ++block) {
    const auto& blockRead = Sent()[block * 6].report;
    ASSERT_EQ(blockRead[1], 0x04) << block;
    ASSERT_EQ(blockRead[2], block & 0xFF) << block;
    ASSERT_EQ(blockRead[3], block >> 8) << block;
    for (int transfer = 1; transfer <= 5; ++transfer) {
      const auto& report = Sent()[block * 6 + transfer].report;
      ASSERT_EQ(report[1], 0x10) << block;
      ASSERT_EQ(report[2], 0x04) << block;
      // Never written by the transfer: still the block-read's high byte.
      ASSERT_EQ(report[3], block >> 8) << block;
    }
  }
  const std::pair<int, std::pair<int, int>> cases[] = {
      {255, {0xFF, 0x00}}, {256, {0x00, 0x01}}, {1023, {0xFF, 0x03}}};
  for (const auto& [block, bytes] : cases) {
    EXPECT_EQ(Sent()[block * 6].report[2], bytes.first);
    EXPECT_EQ(Sent()[block * 6].report[3], bytes.second);
  }
}

TEST_F(ReadBackImageTest, BytesFromFourOnKeepWhatWasThereBefore) {
  for (std::size_t i = 0; i < link.OutReport.size(); ++i) {
    link.OutReport[i] = static_cast<std::uint8_t>(0x90 + i);
  }
  ASSERT_TRUE(ReadBack());
  for (const auto& command : Sent()) {
    ASSERT_EQ(command.report[0], 1);
    ASSERT_EQ(command.report[63], 0xFF);
    for (std::size_t i = 4; i < 63; ++i) ASSERT_EQ(command.report[i], 0x90 + i);
  }
}

TEST_F(ReadBackImageTest, ProgressCountsCompletedBlocksWithinTheBankInDecimal) {
  ASSERT_TRUE(ReadBack());
  const auto& captions = window.progressHistory;
  ASSERT_EQ(captions.size(), 1024u);
  EXPECT_EQ(captions[0], "1");
  EXPECT_EQ(captions[254], "255");
  EXPECT_EQ(captions[255], "0");
  EXPECT_EQ(captions[256], "1");
  EXPECT_EQ(captions.back(), "0");
}

TEST_F(ReadBackImageTest, ProgressEventsCountCompletedBlocksOfTheWholeFlash) {
  ASSERT_TRUE(ReadBack());
  const auto& reports = window.progressReports;
  ASSERT_EQ(reports.size(), 1024u);
  for (std::size_t i = 0; i < reports.size(); ++i) {
    ASSERT_EQ(reports[i], (TransferProgress{Transfer::ReadBack, static_cast<int>(i) + 1, 1024}));
  }
}

TEST_F(ReadBackImageTest, EveryByteTakenIsInTheFileBeforeTheNextCommand) {
  // Window events run during each wait; there the process may end at once.
  std::vector<std::pair<std::size_t, std::uintmax_t>> seen;  // commands answered, file size
  pacer.onTick = [&](long) {
    seen.emplace_back(Sent().size() - 1, std::filesystem::file_size(LoadBin()));
  };
  ASSERT_TRUE(ReadBack());
  ASSERT_EQ(seen.size(), 6144u);
  for (const auto& [answered, size] : seen) {
    const std::size_t transfersInBlock = answered % 6 == 0 ? 0 : answered % 6 - 1;
    const std::size_t taken =
        answered / 6 * 256 + std::min<std::size_t>(transfersInBlock * 60, 256);
    ASSERT_EQ(size, taken) << answered << " commands answered";
  }
}

TEST_F(ReadBackImageTest, ALongerExistingFileKeepsItsTail) {
  directory.Write("Load.bin", std::vector<std::uint8_t>(300000, 0xEE));
  ASSERT_TRUE(ReadBack());
  auto expected = FlashStart(kFlash);
  expected.resize(300000, 0xEE);
  EXPECT_EQ(directory.Read("Load.bin"), expected);
}

TEST_F(ReadBackImageTest, AnExistingFileIsUnchangedWhenNoByteIsRead) {
  const std::vector<std::uint8_t> earlier(300000, 0xEE);
  directory.Write("Load.bin", earlier);
  // No device open: the first block-read gets no reply.
  HidCP::CloseDevice(api, link);
  EXPECT_THROW(ReadBack(), DeviceFailure);
  EXPECT_EQ(directory.Read("Load.bin"), earlier);
}

TEST_F(ReadBackImageTest, ADeviceFailureLeavesEveryByteTakenInTheFile) {
  // The third transfer of block 10 is the 53rd transfer of the run.
  Calculator().Faults().statuses.push_back({0x10, 10 * 5 + 3, 0xAA});
  try {
    ReadBack();
    ADD_FAILURE() << "the read-back went on";
  } catch (const DeviceFailure& failure) {
    EXPECT_STREQ(failure.what(), "Timeout Error! ");
  }
  EXPECT_EQ(directory.Read("Load.bin"), FlashStart(2680));
  EXPECT_EQ(window.lines, std::vector<std::string>{"开始"});
  EXPECT_EQ(window.progressCaption, "10");
}

TEST_F(ReadBackImageTest, AFileThatCannotBeCreatedIsReportedBeforeAnyCommand) {
  const auto file = directory.Path() / "missing folder" / "Load.bin";
  const auto read = HidCP::ReadBackImage(channel, window, file);
  ASSERT_FALSE(read);
  const std::string reason = std::make_error_code(std::errc::no_such_file_or_directory).message();
  EXPECT_EQ(read.Error(),
            (Failure{kExitFileError, "Cannot create \"" + file.string() + "\": " + reason +
                                         ". Check the name and that its folder exists."}));
  EXPECT_TRUE(Sent().empty());
  EXPECT_EQ(window.lines, std::vector<std::string>{"开始"});
  EXPECT_TRUE(DeviceOpen());
}

TEST_F(ReadBackImageTest, AFileThatCannotBeWrittenEndsTheRunAtTheFirstReply) {
  const std::filesystem::path full = "/dev/full";
  if (!std::filesystem::exists(full)) GTEST_SKIP() << "no device that is always full";
  const auto read = HidCP::ReadBackImage(channel, window, full);
  ASSERT_FALSE(read);
  const std::string reason = std::make_error_code(std::errc::no_space_on_device).message();
  EXPECT_EQ(read.Error(),
            (Failure{kExitFileError, "Cannot write \"/dev/full\": " + reason +
                                         ". Free some space on its disk, or name another."}));
  EXPECT_EQ(SentCodes(), (std::vector<std::uint8_t>{0x04, 0x10}));
  EXPECT_EQ(window.lines, std::vector<std::string>{"开始"});
}

}  // namespace
}  // namespace usblink

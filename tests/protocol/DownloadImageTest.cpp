#include "protocol/DownloadImage.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <set>
#include <string>
#include <vector>

#include "CalculatorFixture.h"
#include "hid/ApiLog.h"
#include "protocol/HidCP.h"
#include "protocol/Pacer.h"
#include "support/TempDirectory.h"

namespace usblink {
namespace {

using HidCP::DownloadResult;
using HidCP::DownloadState;
using testing::Message;

constexpr std::size_t kBank = 65536;
constexpr std::uint8_t kOldFlash = 0x5A;
const std::string kMismatchText =
    "BankCheckSum is different. Maybe Flash is broken. Please download again！";
const std::vector<std::string> kClosingLines = {
    " ",
    " It may take 1~3 minutes to update the program,",
    " please wait until IC Reset completes! ",
    " ",
    " Note: please don't power off or reset the equitment",
    "       during the IC program update!  Otherwise, ",
    "       the calculator will be damaged and cannot boot!",
};

class DownloadImageTest : public testing::CalculatorFixture {
 protected:
  void SetUp() override {
    CalculatorFixture::SetUp();
    // What an earlier firmware left; banks the download writes are erased first.
    std::ranges::fill(Calculator().Flash(), kOldFlash);
    // As the click handler and the connect command leave them.
    window.downloadButtonEnabled = false;
    window.linkButtonEnabled = false;
    window.progressVisible = false;
    window.lines = {"Connected to the device, you can download files！"};
  }

  DownloadResult Download(const std::vector<std::uint8_t>& image) {
    imageFile = directory.Write("FIRMWARE.UD", image).string();
    return DownloadChosen();
  }

  // The chosen file, loaded as the window loads it.
  DownloadResult DownloadChosen() {
    return HidCP::DownloadImage(channel, window, FirmwareImage::Load(imageFile), imageFile, state);
  }

  // The bytes 2 to 62 a command writes; the rest must keep the previous report's.
  static std::set<std::size_t> WrittenParameters(std::uint8_t code, int transferInBlock) {
    switch (code) {
      case 0x03:
        return {2, 3};
      case 0x10: {
        std::set<std::size_t> written{2};
        const std::size_t count = transferInBlock == 5 ? 16 : 60;
        for (std::size_t i = 3; i < 3 + count; ++i) written.insert(i);
        return written;
      }
      case 0x02:
        return {2};
      case 0x08:
        return {2, 3, 4};
      default:
        ADD_FAILURE() << "unexpected code " << int{code};
        return {};
    }
  }

  testing::TempDirectory directory;
  HidCP::DownloadState state;
  std::string imageFile;  // the file the dialog chose
};

// Each size with the blocks and banks its end-of-file position gives.
struct SizeCase {
  std::size_t size;
  int blocks;
  int banks;
};
void PrintTo(const SizeCase& size, std::ostream* out) { *out << size.size << " bytes"; }

class DownloadSizeTest : public DownloadImageTest,
                         public ::testing::WithParamInterface<SizeCase> {};

TEST_P(DownloadSizeTest, FlashCommandsCommitAndLogFollowTheEndOfFile) {
  const auto [size, blocks, banks] = GetParam();
  const auto image = testing::PatternBytes(size);
  ASSERT_EQ(Download(image), DownloadResult::Committed);

  // Flash: the image, 0x00 from the end-of-file read to the end of its block,
  // erased blocks after it in the bank, other banks untouched.
  const auto flash = Calculator().Flash();
  const std::size_t sentEnd = static_cast<std::size_t>(blocks) * 256;
  for (std::size_t i = 0; i < flash.size(); ++i) {
    const std::uint8_t expected = i < std::min(size, sentEnd) ? image[i]
                                  : i < sentEnd               ? 0x00
                                  : i < banks * kBank         ? 0xFF
                                                              : kOldFlash;
    ASSERT_EQ(flash[i], expected) << "flash offset " << i;
  }

  // Commands: per bank its blocks (block-write and five transfers), then its
  // checksum; one commit at the end.
  std::vector<std::uint8_t> expectedCodes;
  for (int bank = 0; bank < banks; ++bank) {
    const int bankBlocks = std::min(256, blocks - bank * 256);
    for (int block = 0; block < bankBlocks; ++block) {
      expectedCodes.push_back(0x03);
      expectedCodes.insert(expectedCodes.end(), 5, 0x10);
    }
    expectedCodes.push_back(0x02);
  }
  expectedCodes.push_back(0x08);
  EXPECT_EQ(Sent().size(), static_cast<std::size_t>(blocks * 6 + banks + 1));
  EXPECT_EQ(SentCodes(), expectedCodes);
  EXPECT_EQ(Calculator().CommittedBanks(), banks);

  std::vector<std::string> expectedLines{"Downloading file："};
  for (int bank = 0; bank < banks; ++bank) {
    const auto bankBytes = flash.subspan(bank * kBank, kBank);
    const std::string sum = HexText(std::accumulate(bankBytes.begin(), bankBytes.end(), 0u));
    expectedLines.push_back(" SendOutBank = " + std::to_string(bank) + " Download complete！ ");
    expectedLines.push_back(" BankCheckSum     = " + sum);
    expectedLines.push_back(" NorFlashCheckSum = " + sum);
  }
  expectedLines.push_back(" Download file complete！ ");
  expectedLines.insert(expectedLines.end(), kClosingLines.begin(), kClosingLines.end());
  EXPECT_EQ(window.lines, expectedLines);

  EXPECT_TRUE(window.messages.empty());
  EXPECT_EQ(window.progressHistory.size(), static_cast<std::size_t>(blocks + 1));
}

INSTANTIATE_TEST_SUITE_P(ImageSizes, DownloadSizeTest,
                         ::testing::Values(SizeCase{1, 1, 1}, SizeCase{255, 1, 1},
                                           SizeCase{256, 2, 1}, SizeCase{300, 2, 1},
                                           SizeCase{65535, 256, 1}, SizeCase{65536, 257, 2},
                                           SizeCase{65537, 257, 2}, SizeCase{262143, 1024, 4},
                                           SizeCase{262144, 1024, 4}, SizeCase{300000, 1024, 4}),
                         [](const auto& info) { return std::to_string(info.param.size); });

TEST_F(DownloadImageTest, ASuccessfulDownloadClosesTheDeviceAndHandsBackToUsbLink) {
  ASSERT_EQ(Download(testing::PatternBytes(300)), DownloadResult::Committed);
  EXPECT_FALSE(HidCP::IsOpen(link.HIDHandle));
  EXPECT_FALSE(HidCP::IsOpen(link.ReadHandle));
  EXPECT_EQ(api.OpenHandleCount(), 0);
  EXPECT_FALSE(window.downloadButtonEnabled);
  EXPECT_TRUE(window.linkButtonEnabled);
  EXPECT_EQ(window.noteCaption, "Please wait until the calculator shows: Update Success!");
  EXPECT_TRUE(window.progressVisible);
  EXPECT_EQ(window.progressCaption, "");
  const auto& commit = Sent().back().report;
  EXPECT_EQ(commit[1], 0x08);
  EXPECT_EQ(commit[2], 0x00);
  EXPECT_EQ(commit[3], 0x0C);
  EXPECT_EQ(commit[4], 1);
  EXPECT_EQ(state, (DownloadState{.totalBlocks = 2,
                                  .blocksSent = 2,
                                  .banksVerified = 1,
                                  .flashChanged = true,
                                  .committed = true}));
  EXPECT_FALSE(state.ChangedWithoutCommit());
}

TEST_F(DownloadImageTest, ProgressShowsEachSentBlockWithinItsBankInHex) {
  ASSERT_EQ(Download(testing::PatternBytes(65537)), DownloadResult::Committed);
  const auto& captions = window.progressHistory;
  ASSERT_EQ(captions.size(), 258u);
  EXPECT_EQ(captions[0], "Downloading： 0");
  EXPECT_EQ(captions[0xA], "Downloading： A");
  EXPECT_EQ(captions[255], "Downloading： FF");
  EXPECT_EQ(captions[256], "Downloading： 0");
  EXPECT_EQ(captions[257], "");
}

TEST_F(DownloadImageTest, ProgressEventsCountTheSentBlocksBesideTheCaptions) {
  ASSERT_EQ(Download(testing::PatternBytes(65537)), DownloadResult::Committed);
  const auto& reports = window.progressReports;
  ASSERT_EQ(reports.size(), 257u);  // fill blocks and the commit report nothing
  for (std::size_t i = 0; i < reports.size(); ++i) {
    ASSERT_EQ(reports[i], (TransferProgress{Transfer::Download, static_cast<int>(i) + 1, 257}));
  }
}

TEST_F(DownloadImageTest, BlockNumbersTravelLowByteFirst) {
  ASSERT_EQ(Download(testing::PatternBytes(262144)), DownloadResult::Committed);
  const auto blockWrite = [&](int block) { return Sent()[block * 6 + block / 256].report; };
  const std::pair<int, std::pair<int, int>> cases[] = {
      {0, {0x00, 0x00}}, {255, {0xFF, 0x00}}, {256, {0x00, 0x01}}, {1023, {0xFF, 0x03}}};
  for (const auto& [block, bytes] : cases) {
    const auto report = blockWrite(block);
    EXPECT_EQ(report[1], 0x03) << block;
    EXPECT_EQ(report[2], bytes.first) << block;
    EXPECT_EQ(report[3], bytes.second) << block;
  }
  for (int bank = 0; bank < 4; ++bank) {
    const auto& checksum = Sent()[(bank + 1) * 1537 - 1].report;
    EXPECT_EQ(checksum[1], 0x02);
    EXPECT_EQ(checksum[2], bank);
  }
}

TEST_F(DownloadImageTest, BytesACommandDoesNotWriteKeepThePreviousReportsValues) {
  Report previous;
  for (std::size_t i = 0; i < previous.size(); ++i)
    previous[i] = static_cast<std::uint8_t>(0xC0 + i);
  link.OutReport = previous;
  ASSERT_EQ(Download(testing::PatternBytes(300)), DownloadResult::Committed);
  int transferInBlock = 0;
  for (const auto& command : Sent()) {
    const auto& report = command.report;
    transferInBlock = report[1] == 0x10 ? transferInBlock + 1 : 0;
    const auto written = WrittenParameters(report[1], transferInBlock);
    EXPECT_EQ(report[0], 1);
    EXPECT_EQ(report[63], 0xFF);
    for (std::size_t i = 2; i < 63; ++i) {
      if (!written.contains(i)) {
        EXPECT_EQ(report[i], previous[i]) << "code " << int{report[1]} << " byte " << i;
      }
    }
    if (report[1] == 0x10) {
      EXPECT_EQ(report[2], 0x03);
    }
    previous = report;
  }
}

TEST_F(DownloadImageTest, AnEmptyImageIsRefusedWithNothingSent) {
  EXPECT_EQ(Download({}), DownloadResult::ImageRefused);
  EXPECT_TRUE(Sent().empty());
  ASSERT_EQ(window.messages.size(), 1u);
  EXPECT_EQ(window.messages[0].title, "Error");
  EXPECT_EQ(window.messages[0].text, "The file \"" + imageFile + "\" is empty. Nothing was sent.");
  EXPECT_TRUE(window.downloadButtonEnabled);
  EXPECT_FALSE(window.linkButtonEnabled);
  EXPECT_TRUE(DeviceOpen());
}

TEST_F(DownloadImageTest, AMissingImageIsRefusedWithTheSystemsReason) {
  imageFile = (directory.Path() / "MISSING.UD").string();
  EXPECT_EQ(DownloadChosen(), DownloadResult::ImageRefused);
  const std::string reason = std::make_error_code(std::errc::no_such_file_or_directory).message();
  EXPECT_EQ(window.messages,
            (std::vector<Message>{{"Cannot open \"" + imageFile + "\": " + reason +
                                       ". Check the name and that its folder exists.",
                                   "Error"}}));
  EXPECT_TRUE(Sent().empty());
  EXPECT_TRUE(window.downloadButtonEnabled);
  EXPECT_TRUE(DeviceOpen());
}

TEST_F(DownloadImageTest, AnImageThatCannotBeReadIsRefused) {
  // A folder opens as a stream on some systems and fails on the first read.
  imageFile = directory.Path().string();
  EXPECT_EQ(DownloadChosen(), DownloadResult::ImageRefused);
  ASSERT_EQ(window.messages.size(), 1u);
  EXPECT_EQ(window.messages[0].title, "Error");
  EXPECT_EQ(window.messages[0].text.find("Cannot "), 0u);
  EXPECT_NE(window.messages[0].text.find("\"" + imageFile + "\": "), std::string::npos);
  EXPECT_TRUE(Sent().empty());
  EXPECT_TRUE(window.downloadButtonEnabled);
}

TEST_F(DownloadImageTest, AMismatchOnBankZeroStopsAfterItsThreeLines) {
  Calculator().Faults().badChecksumBank = 0;
  EXPECT_EQ(Download(testing::PatternBytes(262144)), DownloadResult::ChecksumMismatch);
  ASSERT_EQ(window.lines.size(), 4u);
  EXPECT_EQ(window.lines[1], " SendOutBank = 0 Download complete！ ");
  const std::string sum = window.lines[2].substr(window.lines[2].find("= ") + 2);
  EXPECT_EQ(window.lines[3], " NorFlashCheckSum = " + HexText(std::stoul(sum, nullptr, 16) + 1));
  EXPECT_EQ(window.messages, (std::vector<Message>{{kMismatchText, "Error"}}));
  EXPECT_EQ(Sent().size(), 1537u);
  EXPECT_FALSE(Calculator().CommittedBanks());
  // The device stays open and the buttons as they were; the window decides.
  EXPECT_TRUE(DeviceOpen());
  EXPECT_FALSE(window.downloadButtonEnabled);
  EXPECT_FALSE(window.linkButtonEnabled);
  EXPECT_EQ(window.progressCaption, "Downloading： FF");
}

TEST_F(DownloadImageTest, AMismatchOnTheLastBankSendsNoCommit) {
  Calculator().Faults().badChecksumBank = 3;
  EXPECT_EQ(Download(testing::PatternBytes(262144)), DownloadResult::ChecksumMismatch);
  EXPECT_EQ(window.lines.size(), 13u);
  EXPECT_EQ(window.lines.back().rfind(" NorFlashCheckSum = ", 0), 0u);
  EXPECT_EQ(window.messages, (std::vector<Message>{{kMismatchText, "Error"}}));
  EXPECT_EQ(Sent().size(), 4u * 1537);
  EXPECT_EQ(Sent().back().Code(), 0x02);
  EXPECT_FALSE(Calculator().CommittedBanks());
  EXPECT_TRUE(DeviceOpen());
}

TEST_F(DownloadImageTest, ADeviceErrorInsideABlockEndsThroughDeviceFailure) {
  Calculator().Faults().statuses.push_back({0x10, 3, 0x55});
  try {
    Download(testing::PatternBytes(300));
    ADD_FAILURE() << "the download went on";
  } catch (const DeviceFailure& failure) {
    EXPECT_STREQ(failure.what(), "Handling Error! ");
    EXPECT_EQ(failure.Status(), 0x55);
  }
  EXPECT_EQ(SentCodes(), (std::vector<std::uint8_t>{0x03, 0x10, 0x10, 0x10}));
  EXPECT_FALSE(Calculator().CommittedBanks());
  EXPECT_TRUE(window.messages.empty());
  EXPECT_EQ(state, (DownloadState{.totalBlocks = 2, .flashChanged = true}));
  EXPECT_TRUE(state.ChangedWithoutCommit());
}

TEST_F(DownloadImageTest, EveryBankCheckIsReportedBesideItsLines) {
  Calculator().Faults().badChecksumBank = 1;
  const auto bytes = testing::PatternBytes(200000);
  EXPECT_EQ(Download(bytes), DownloadResult::ChecksumMismatch);
  const auto image = FirmwareImage::FromBytes(bytes);
  const std::uint32_t sum0 = image.BankChecksum(0);
  const std::uint32_t sum1 = image.BankChecksum(1);
  EXPECT_EQ(window.bankChecks, (std::vector<BankCheck>{{0, sum0, sum0}, {1, sum1, sum1 + 1}}));
  EXPECT_EQ(state, (DownloadState{.totalBlocks = 782,
                                  .blocksSent = 512,
                                  .banksVerified = 1,
                                  .flashChanged = true,
                                  .committed = false}));
}

TEST_F(DownloadImageTest, TheStateTellsWhetherABlockWriteWentOut) {
  imageFile = directory.Write("FIRMWARE.UD", testing::PatternBytes(1000)).string();
  // Stopped before the first command: the flash is as it was.
  pacer.beforeTransaction = [] { throw TransactionsStopped(); };
  EXPECT_THROW(DownloadChosen(), TransactionsStopped);
  EXPECT_TRUE(Sent().empty());
  EXPECT_EQ(state, (DownloadState{.totalBlocks = 4}));

  // Stopped before the second block: the first is written, its bank erased.
  int commands = 0;
  pacer.beforeTransaction = [&] {
    if (++commands == 7) throw TransactionsStopped();
  };
  EXPECT_THROW(DownloadChosen(), TransactionsStopped);
  EXPECT_EQ(Sent().size(), 6u);
  EXPECT_EQ(state, (DownloadState{.totalBlocks = 4, .blocksSent = 1, .flashChanged = true}));

  // A block-write that fails may still have erased its bank.
  pacer.beforeTransaction = nullptr;
  Calculator().Faults().statuses.push_back({0x03, 2, 0x55});
  EXPECT_THROW(DownloadChosen(), DeviceFailure);
  EXPECT_EQ(state, (DownloadState{.totalBlocks = 4, .flashChanged = true}));
}

TEST_F(DownloadImageTest, ASilentDeviceInsideABlockEndsWithTheHostTimeout) {
  Calculator().Faults().silentAfter = 8;
  try {
    Download(testing::PatternBytes(300));
    ADD_FAILURE() << "the download went on";
  } catch (const DeviceFailure& failure) {
    EXPECT_STREQ(failure.what(), "PC Timeout Error! ");
  }
  EXPECT_EQ(Sent().size(), 9u);
}

}  // namespace
}  // namespace usblink

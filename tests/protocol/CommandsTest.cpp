#include "protocol/Commands.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <system_error>
#include <vector>

#include "protocol/CalculatorFixture.h"
#include "protocol/Pacer.h"
#include "sim/SimHidApi.h"
#include "support/FakeWindow.h"
#include "support/TempDirectory.h"
#include "support/VirtualPacer.h"

namespace usblink {
namespace {

class CommandsTest : public ::testing::Test {
 protected:
  Outcome Connect() { return commands.Connect("04FC", "0C77"); }

  testing::TempDirectory directory;
  sim::SimBus bus = sim::SimBus::WithCalculator();
  sim::SimHidApi api{bus};
  testing::VirtualPacer pacer;
  testing::FakeWindow port;
  Commands commands{api, pacer, port};
};

TEST_F(CommandsTest, ConnectTakesTheIdsAsTheFieldsHoldThem) {
  EXPECT_EQ(commands.Connect("  0 ", "0"), Outcome::IdsNotSet);
  EXPECT_EQ(port.messages,
            (std::vector<testing::Message>{{"Please set VID and PID ！", "USB Link"}}));
  EXPECT_TRUE(bus.calculator.Commands().empty());
  EXPECT_EQ(commands.Connect("04fc ", " C77"), Outcome::Connected);
  EXPECT_EQ(port.lines,
            std::vector<std::string>{"Connected to the device, you can download files！"});
  EXPECT_TRUE(port.downloadButtonEnabled);
  EXPECT_FALSE(port.linkButtonEnabled);
  EXPECT_EQ(commands.Discovered().HidAttributes.VendorID, 0x04FC);
}

TEST_F(CommandsTest, AnImageHandedOverIsSentAsItWasLoaded) {
  ASSERT_EQ(Connect(), Outcome::Connected);
  const auto handed = testing::PatternBytes(600);
  // The file changed since it was loaded: what was loaded is sent.
  const auto file = directory.Write("image.UD", testing::PatternBytes(5000));
  EXPECT_EQ(commands.Download(FirmwareImage::FromBytes(handed), file), Outcome::Downloaded);
  EXPECT_TRUE(std::ranges::equal(bus.calculator.Flash().first(600), handed));
  EXPECT_EQ(bus.calculator.Flash()[600], 0x00);
  EXPECT_EQ(commands.LastDownload().totalBlocks, 3);
  EXPECT_TRUE(commands.LastDownload().committed);
  EXPECT_EQ(port.lines.front(), "Downloading file：");
  EXPECT_EQ(api.OpenHandleCount(), 1);  // only the event is left
}

TEST_F(CommandsTest, AStopMidDownloadClosesTheDeviceAndTellsHowFarItCame) {
  ASSERT_EQ(Connect(), Outcome::Connected);
  // Command 1000 is the third transfer of block 166: two went through.
  int count = 0;
  pacer.beforeTransaction = [&count] {
    if (++count == 1000) throw TransactionsStopped();
  };
  EXPECT_EQ(commands.Download(FirmwareImage::FromBytes(testing::PatternBytes(70000)), "image.UD"),
            Outcome::Interrupted);
  EXPECT_EQ(commands.LastDownload(), (HidCP::DownloadState{.totalBlocks = 274,
                                                           .blocksSent = 166,
                                                           .banksVerified = 0,
                                                           .flashChanged = true,
                                                           .committed = false}));
  EXPECT_TRUE(port.messages.empty());
  EXPECT_EQ(api.OpenHandleCount(), 1);
  EXPECT_TRUE(port.linkButtonEnabled);
  EXPECT_FALSE(port.downloadButtonEnabled);
  EXPECT_TRUE(port.noteVisible);
}

TEST_F(CommandsTest, ADeviceFailureIsBoxedAndClosesTheDevice) {
  ASSERT_EQ(Connect(), Outcome::Connected);
  // The first transfer of block 0 answers with an error status.
  bus.calculator.Faults().statuses.push_back({0x10, 1, 0xAA});
  EXPECT_EQ(commands.ReadBack(directory.Path() / "Load.bin"), Outcome::DeviceFailed);
  ASSERT_EQ(port.messages.size(), 1u);
  EXPECT_EQ(port.messages[0].title, "Error");
  EXPECT_EQ(api.OpenHandleCount(), 1);
}

TEST_F(CommandsTest, AReadBackFileThatCannotBeCreatedIsBoxedAndTheDeviceStaysOpen) {
  ASSERT_EQ(Connect(), Outcome::Connected);
  const auto file = directory.Path() / "missing folder" / "Load.bin";
  EXPECT_EQ(commands.ReadBack(file), Outcome::FileError);
  const std::string reason = std::make_error_code(std::errc::no_such_file_or_directory).message() +
                             ". Check the name and that its folder exists.";
  EXPECT_EQ(port.messages, (std::vector<testing::Message>{
                               {"Cannot create \"" + file.string() + "\": " + reason, "Error"}}));
  EXPECT_EQ(commands.ReadBack(directory.Path() / "Load.bin"), Outcome::ReadBack);
}

TEST_F(CommandsTest, ARefusedImageSendsNothingAndTakesTheNoteBack) {
  ASSERT_EQ(Connect(), Outcome::Connected);
  const auto sent = bus.calculator.Commands().size();
  const auto empty = directory.Write("empty.UD", {});
  EXPECT_EQ(commands.Download(FirmwareImage::Load(empty), empty), Outcome::FileError);
  EXPECT_EQ(bus.calculator.Commands().size(), sent);
  EXPECT_FALSE(port.noteVisible);
  EXPECT_TRUE(port.downloadButtonEnabled);
}

}  // namespace
}  // namespace usblink

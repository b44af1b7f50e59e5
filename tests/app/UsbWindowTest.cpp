#include "app/UsbWindow.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <deque>
#include <fstream>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "app/WindowPacer.h"
#include "protocol/Pacer.h"
#include "sim/SimHidApi.h"
#include "support/FakeWindow.h"
#include "support/TempDirectory.h"
#include "support/VirtualPacer.h"

namespace usblink::testing {

// A view that records what the window model asks of it and answers its
// dialogs from a script.
class FakeView : public app::WindowView {
 public:
  void LogAppended(std::string_view) override {}
  void LogCleared() override {}
  void LogLineSelected(std::size_t) override {}
  void ControlChanged(app::Control control, const app::ControlState& state) override {
    rendered[static_cast<std::size_t>(control)] = state;
  }
  void ProgressReported(const TransferProgress& progress) override {
    progressReports.push_back(progress);
  }
  void BankChecked(const BankCheck& check) override { bankChecks.push_back(check); }
  void ShowMessageBox(std::string_view text, std::string_view title) override {
    messages.push_back({std::string(text), std::string(title)});
  }
  std::optional<std::string> ShowOpenFileDialog(const app::FileFilter& filter,
                                                std::string_view earlier) override {
    dialogFilters.push_back(
        {std::string(filter.description), {filter.patterns.begin(), filter.patterns.end()}});
    dialogOpenedOn.emplace_back(earlier);
    if (dialogAnswers.empty()) return std::nullopt;
    auto answer = dialogAnswers.front();
    dialogAnswers.pop_front();
    return answer;
  }
  bool ConfirmClose(std::string_view question) override {
    questions.emplace_back(question);
    return confirmClose;
  }
  void EndProcess() override { ++endProcessCalls; }

  // What the dialog was asked to offer.
  struct ShownFilter {
    std::string description;
    std::vector<std::string> patterns;
    friend bool operator==(const ShownFilter&, const ShownFilter&) = default;
  };

  // The last state drawn of each control.
  std::array<std::optional<app::ControlState>, app::kControlCount> rendered;
  std::vector<TransferProgress> progressReports;
  std::vector<BankCheck> bankChecks;
  std::vector<Message> messages;
  std::vector<ShownFilter> dialogFilters;
  std::vector<std::string> dialogOpenedOn;  // the earlier choice each dialog showed
  std::deque<std::optional<std::string>> dialogAnswers;
  std::vector<std::string> questions;
  bool confirmClose = false;
  int endProcessCalls = 0;
};

}  // namespace usblink::testing

namespace usblink::app {
namespace {

using testing::Message;

std::vector<std::uint8_t> Pattern(std::size_t size) {
  std::vector<std::uint8_t> bytes(size);
  for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<std::uint8_t>(1 + i % 253);
  return bytes;
}

class UsbWindowTest : public ::testing::Test {
 protected:
  void SetUp() override { window.SetReadBackFile(directory.Path() / "Load.bin"); }

  std::string Image(std::size_t size) {
    return directory.Write("image.UD", Pattern(size)).string();
  }

  std::vector<std::uint8_t> SentCodes() const {
    std::vector<std::uint8_t> codes;
    for (const auto& command : bus.calculator.Commands()) codes.push_back(command.Code());
    return codes;
  }

  bool Visible(Control control) const { return window.State(control).visible; }
  bool Enabled(Control control) const { return window.State(control).enabled; }
  std::string Caption(Control control) const { return window.State(control).caption; }

  testing::TempDirectory directory;
  sim::SimBus bus = sim::SimBus::WithCalculator();
  sim::SimHidApi api{bus};
  testing::VirtualPacer pacer;
  testing::FakeView view;
  UsbWindow window{api, pacer, view};
};

TEST_F(UsbWindowTest, StartsWithOnlyTheLinkControlsShowing) {
  std::vector<Control> visible;
  for (const auto& layout : kControls) {
    if (Visible(layout.control)) visible.push_back(layout.control);
  }
  EXPECT_EQ(visible,
            (std::vector<Control>{Control::CmdOpenFile, Control::lstResults, Control::contion,
                                  Control::Label7, Control::Label5, Control::Label3}));
  EXPECT_TRUE(Enabled(Control::contion));
  EXPECT_FALSE(Enabled(Control::CmdOpenFile));
  EXPECT_EQ(Caption(Control::Label3), "Not connected");
  EXPECT_EQ(Caption(Control::Label5), "");
  EXPECT_EQ(Caption(Control::Label7), "V2.0 ");
  EXPECT_TRUE(window.LogLines().empty());
  window.ClearClick();
  EXPECT_TRUE(window.LogLines().empty());
}

TEST_F(UsbWindowTest, TheViewGetsEveryFirstStateFromTheLayoutBeforeAnyEvent) {
  for (const auto& layout : kControls) {
    SCOPED_TRACE(static_cast<int>(layout.control));
    EXPECT_EQ(view.rendered[static_cast<std::size_t>(layout.control)],
              (ControlState{std::string(layout.caption), layout.visible, layout.enabled}));
  }
}

TEST_F(UsbWindowTest, AClickRunsTheHandlerOfItsButtonAndNothingElse) {
  EXPECT_EQ(window.Click(Control::Label3), Outcome::Ignored);
  EXPECT_EQ(window.Click(Control::TextVID), Outcome::Ignored);
  EXPECT_EQ(window.Click(Control::CmdOpenFile), Outcome::Ignored);  // disabled until connected
  EXPECT_TRUE(bus.calculator.Commands().empty());
  EXPECT_TRUE(view.dialogFilters.empty());

  EXPECT_EQ(window.Click(Control::contion), Outcome::Connected);
  EXPECT_EQ(window.Click(Control::Clear), Outcome::Cleared);
  EXPECT_TRUE(window.LogLines().empty());
  EXPECT_EQ(window.Click(Control::CmdReadFile), Outcome::ReadBack);
  view.dialogAnswers.push_back(Image(300));
  EXPECT_EQ(window.Click(Control::CmdOpenFile), Outcome::Downloaded);
  // The view was told what it shows now.
  for (const auto& layout : kControls) {
    EXPECT_EQ(view.rendered[static_cast<std::size_t>(layout.control)], window.State(layout.control))
        << static_cast<int>(layout.control);
  }
}

TEST_F(UsbWindowTest, ConnectLeavesOneLineAndTheDownloadReady) {
  EXPECT_EQ(window.ContionClick(), Outcome::Connected);
  EXPECT_EQ(window.LogLines(),
            std::vector<std::string>{"Connected to the device, you can download files！"});
  EXPECT_TRUE(Enabled(Control::CmdOpenFile));
  EXPECT_FALSE(Enabled(Control::contion));
  EXPECT_EQ(Caption(Control::Label3), "USB Link OK!");
  EXPECT_FALSE(Visible(Control::Label6));
  EXPECT_EQ(SentCodes(), (std::vector<std::uint8_t>{0x31, 0x30, 0x01}));
  EXPECT_TRUE(view.messages.empty());
}

TEST_F(UsbWindowTest, NoCalculatorIsReportedOnlyInTheLogAndStatus) {
  bus.interfaces.pop_back();
  EXPECT_EQ(window.ContionClick(), Outcome::NotFound);
  EXPECT_EQ(window.LogLines().back(), " Not Find USB Link!");
  EXPECT_EQ(Caption(Control::Label3), "USB Link Error!");
  EXPECT_TRUE(Enabled(Control::contion));
  EXPECT_TRUE(view.messages.empty());
}

TEST_F(UsbWindowTest, RefusedHandshakeShowsBothBoxesAndCanBeRepeated) {
  bus.calculator.Faults().type = 1;
  EXPECT_EQ(window.ContionClick(), Outcome::Refused);
  EXPECT_EQ(view.messages, (std::vector<Message>{{"No UsbType_Norm,Is UsbType_Key", "Error"},
                                                 {"HID Error ！", "USB Link"}}));
  EXPECT_TRUE(Enabled(Control::contion));
  EXPECT_FALSE(Enabled(Control::CmdOpenFile));
  // Once the device answers properly, the next click connects without a leak.
  bus.calculator.Faults().type.reset();
  const int open = api.OpenHandleCount();
  EXPECT_EQ(window.ContionClick(), Outcome::Connected);
  EXPECT_EQ(api.OpenHandleCount(), open);
}

TEST_F(UsbWindowTest, IdFieldsAreTrimmedAndZeroesAsk) {
  window.EditText(Control::TextVID, "0");
  window.EditText(Control::TextPID, " 0 ");
  window.ContionClick();
  EXPECT_EQ(view.messages, (std::vector<Message>{{"Please set VID and PID ！", "USB Link"}}));
  EXPECT_TRUE(window.LogLines().empty());
  EXPECT_EQ(api.OpenHandleCount(), 0);

  window.EditText(Control::TextPID, "0C77");
  EXPECT_EQ(window.ContionClick(), Outcome::NotFound);
  EXPECT_FALSE(window.LogLines().empty());

  window.EditText(Control::TextVID, "  04fc ");
  window.EditText(Control::TextPID, "c77");
  EXPECT_EQ(window.ContionClick(), Outcome::Connected);
}

TEST_F(UsbWindowTest, DownloadCommitsAndHandsBackToUsbLink) {
  window.ContionClick();
  view.dialogAnswers.push_back(Image(300));
  EXPECT_EQ(window.CmdOpenFileClick(), Outcome::Downloaded);
  EXPECT_EQ(view.dialogFilters,
            (std::vector<testing::FakeView::ShownFilter>{{"File(*.UD)", {"*.UD"}}}));
  EXPECT_FALSE(Enabled(Control::CmdOpenFile));
  EXPECT_TRUE(Enabled(Control::contion));
  EXPECT_EQ(Caption(Control::Label5), "");
  EXPECT_TRUE(Visible(Control::Label6));
  EXPECT_EQ(Caption(Control::Label6), "Please wait until the calculator shows: Update Success!");
  EXPECT_EQ(bus.calculator.CommittedBanks(), 1);
  EXPECT_EQ(api.OpenHandleCount(), 1);  // only the event is left
  EXPECT_EQ(view.progressReports, (std::vector<TransferProgress>{{Transfer::Download, 1, 2},
                                                                 {Transfer::Download, 2, 2}}));
  ASSERT_EQ(view.bankChecks.size(), 1u);
  EXPECT_EQ(view.bankChecks[0].bank, 0);
  EXPECT_TRUE(view.bankChecks[0].Verified());
}

// Asks to stop before the `nth` command from now on, as a signal would.
std::function<void()> StopBeforeCommand(int nth) {
  return [nth, count = 0]() mutable {
    if (++count == nth) throw TransactionsStopped();
  };
}

TEST_F(UsbWindowTest, AStopBetweenTransactionsClosesTheDeviceAndLeavesTheFlashConsistent) {
  std::ranges::fill(bus.calculator.Flash(), 0x5A);
  window.ContionClick();
  view.dialogAnswers.push_back(Image(70000));
  // Command 1000 is the third transfer of block 166: two went through.
  pacer.beforeTransaction = StopBeforeCommand(1000);
  EXPECT_EQ(window.CmdOpenFileClick(), Outcome::Interrupted);
  EXPECT_EQ(bus.calculator.Commands().size(), 3u + 999u);
  EXPECT_EQ(api.OpenHandleCount(), 1);  // only the event is left
  EXPECT_FALSE(window.Ended());
  EXPECT_TRUE(view.messages.empty());
  EXPECT_EQ(window.LogLines(), std::vector<std::string>{"Downloading file："});

  const auto image = Pattern(70000);
  const auto flash = bus.calculator.Flash();
  const std::size_t written = 166 * 256 + 120;
  for (std::size_t i = 0; i < flash.size(); ++i) {
    const std::uint8_t expected = i < written ? image[i] : i < 65536 ? 0xFF : 0x5A;
    ASSERT_EQ(flash[i], expected) << "flash offset " << i;
  }
  // Half an image is on the calculator: the warning stays, the next step is a new connect.
  EXPECT_TRUE(Visible(Control::Label6));
  EXPECT_TRUE(Enabled(Control::contion));
  EXPECT_FALSE(Enabled(Control::CmdOpenFile));
  pacer.beforeTransaction = nullptr;
  EXPECT_EQ(window.ContionClick(), Outcome::Connected);
}

TEST_F(UsbWindowTest, AStoppedReadBackKeepsTheBytesTakenInItsClosedFile) {
  const auto flash = Pattern(262144);
  std::ranges::copy(flash, bus.calculator.Flash().begin());
  window.ContionClick();
  // Command 19 is the block-read of block 3.
  pacer.beforeTransaction = StopBeforeCommand(19);
  EXPECT_EQ(window.CmdReadFileClick(), Outcome::Interrupted);
  EXPECT_EQ(directory.Read("Load.bin"),
            std::vector<std::uint8_t>(flash.begin(), flash.begin() + 768));
  EXPECT_EQ(api.OpenHandleCount(), 1);
}

TEST_F(UsbWindowTest, ChecksumMismatchLetsTheUserDownloadAgain) {
  bus.calculator.Faults().badChecksumBank = 0;
  window.ContionClick();
  view.dialogAnswers.push_back(Image(1000));
  EXPECT_EQ(window.CmdOpenFileClick(), Outcome::ChecksumMismatch);
  EXPECT_TRUE(Enabled(Control::CmdOpenFile));
  EXPECT_FALSE(Enabled(Control::contion));
  EXPECT_TRUE(Visible(Control::Label6));
  EXPECT_EQ(Caption(Control::Label6), kUpdateNote);

  bus.calculator.Faults().badChecksumBank.reset();
  view.dialogAnswers.push_back(Image(1000));
  EXPECT_EQ(window.CmdOpenFileClick(), Outcome::Downloaded);
}

TEST_F(UsbWindowTest, ADialogClosedWithoutAChoiceStartsNothingEvenAfterAnEarlierOne) {
  window.ContionClick();
  const auto sent = bus.calculator.Commands().size();
  EXPECT_EQ(window.CmdOpenFileClick(), Outcome::NoFile);
  EXPECT_EQ(bus.calculator.Commands().size(), sent);
  EXPECT_TRUE(Enabled(Control::CmdOpenFile));
  EXPECT_FALSE(Visible(Control::Label6));

  // A mismatch leaves the download ready; the dialog then opens on the image
  // chosen before, and closing it without a choice does not send that image.
  bus.calculator.Faults().badChecksumBank = 0;
  const std::string image = Image(1000);
  view.dialogAnswers.push_back(image);
  EXPECT_EQ(window.CmdOpenFileClick(), Outcome::ChecksumMismatch);
  const auto afterMismatch = bus.calculator.Commands().size();
  const auto lines = window.LogLines();
  view.dialogAnswers.push_back(std::nullopt);
  EXPECT_EQ(window.CmdOpenFileClick(), Outcome::NoFile);
  view.dialogAnswers.push_back("");
  EXPECT_EQ(window.CmdOpenFileClick(), Outcome::NoFile);
  EXPECT_EQ(bus.calculator.Commands().size(), afterMismatch);
  EXPECT_EQ(window.LogLines(), lines);
  EXPECT_TRUE(Enabled(Control::CmdOpenFile));
  EXPECT_EQ(view.dialogOpenedOn, (std::vector<std::string>{"", "", image, image}));
}

TEST_F(UsbWindowTest, TheSessionLogGetsEveryLineAndBoxInTheirOrder) {
  const auto folder = directory.Path() / "state" / "usblink";
  SessionLog log(folder, std::chrono::system_clock::now());
  window.KeepSessionLog(log);
  bus.calculator.Faults().type = 1;
  EXPECT_EQ(window.ContionClick(), Outcome::Refused);
  std::vector<std::string> expected = window.LogLines();
  expected.push_back("Error: No UsbType_Norm,Is UsbType_Key");
  expected.push_back("USB Link: HID Error ！");
  // A line the log has since cleared stays in the file.
  bus.calculator.Faults().type.reset();
  EXPECT_EQ(window.ContionClick(), Outcome::Connected);
  const auto connect = window.LogLines();
  std::ifstream file(log.File(), std::ios::binary);
  std::vector<std::string> written;
  for (std::string line; std::getline(file, line);) written.push_back(line);
  ASSERT_GT(written.size(), expected.size());
  EXPECT_EQ(std::vector<std::string>(written.begin(), written.begin() + expected.size()), expected);
  EXPECT_EQ(written.back(), connect.back());
}

TEST_F(UsbWindowTest, OnlyAConnectThatFoundNothingEndsWithTheAccessHint) {
  int asked = 0;
  const auto hint = [&asked]() -> std::optional<std::string> {
    ++asked;
    return " the hint";
  };
  window.SetAccessHint(hint);
  bus.calculator.Faults().type = 1;
  EXPECT_EQ(window.ContionClick(), Outcome::Refused);
  bus.calculator.Faults().type.reset();
  EXPECT_EQ(window.ContionClick(), Outcome::Connected);
  EXPECT_EQ(asked, 0);

  sim::SimBus empty = sim::SimBus::WithCalculator();
  empty.interfaces.pop_back();
  sim::SimHidApi emptyApi{empty};
  UsbWindow alone{emptyApi, pacer, view};
  alone.SetAccessHint(hint);
  EXPECT_EQ(alone.ContionClick(), Outcome::NotFound);
  EXPECT_EQ(asked, 1);
  const auto& lines = alone.LogLines();
  ASSERT_GE(lines.size(), 2u);
  EXPECT_EQ(lines[lines.size() - 2], " Not Find USB Link!");
  EXPECT_EQ(lines.back(), " the hint");
  EXPECT_EQ(alone.SelectedLine(), lines.size() - 1);

  // Without a hint the log ends as discovery left it.
  alone.SetAccessHint([] { return std::optional<std::string>(); });
  EXPECT_EQ(alone.ContionClick(), Outcome::NotFound);
  EXPECT_EQ(alone.LogLines().back(), " Not Find USB Link!");
}

TEST_F(UsbWindowTest, AnEmptyImageIsRefusedAndTheDeviceStaysReady) {
  window.ContionClick();
  view.dialogAnswers.push_back(directory.Write("empty.UD", {}).string());
  EXPECT_EQ(window.CmdOpenFileClick(), Outcome::FileError);
  EXPECT_EQ(view.messages.size(), 1u);
  EXPECT_EQ(view.messages[0].title, "Error");
  EXPECT_TRUE(Enabled(Control::CmdOpenFile));
  EXPECT_FALSE(Visible(Control::Label6));
  EXPECT_EQ(SentCodes().size(), 3u);
}

TEST_F(UsbWindowTest, ReadBackLeavesButtonsAndDeviceAsTheyWere) {
  window.ContionClick();
  EXPECT_EQ(window.CmdReadFileClick(), Outcome::ReadBack);
  EXPECT_EQ(directory.Read("Load.bin").size(), 262144u);
  EXPECT_EQ(Caption(Control::Label5), "0");
  EXPECT_EQ(window.LogLines().back(), " Receive complete ");
  EXPECT_TRUE(Enabled(Control::CmdOpenFile));
  // The device, the overlapped handle and its event.
  EXPECT_EQ(api.OpenHandleCount(), 3);
}

TEST_F(UsbWindowTest, ClicksDuringACommandAreIgnored) {
  window.ContionClick();
  view.dialogAnswers.push_back(Image(70000));
  std::vector<Outcome> nested;
  bool buttonsDisabled = true;
  pacer.onTick = [&](long tick) {
    if (tick != 100) return;
    buttonsDisabled = !Enabled(Control::contion) && !Enabled(Control::CmdOpenFile) &&
                      !Enabled(Control::CmdReadFile);
    nested = {window.ContionClick(), window.CmdOpenFileClick(), window.CmdReadFileClick()};
  };
  EXPECT_EQ(window.CmdOpenFileClick(), Outcome::Downloaded);
  EXPECT_TRUE(buttonsDisabled);
  EXPECT_EQ(nested, (std::vector<Outcome>{Outcome::Ignored, Outcome::Ignored, Outcome::Ignored}));
  EXPECT_EQ(bus.calculator.CommittedBanks(), 2);
  // Restored to what the finished download leaves.
  EXPECT_TRUE(Enabled(Control::contion));
  EXPECT_TRUE(Enabled(Control::CmdReadFile));
}

TEST_F(UsbWindowTest, ADeviceFailureShowsItsBoxClosesTheDeviceAndEnds) {
  window.ContionClick();
  bus.calculator.Faults().statuses.push_back({0x10, 2, 0x55});
  view.dialogAnswers.push_back(Image(5000));
  EXPECT_EQ(window.CmdOpenFileClick(), Outcome::DeviceFailed);
  EXPECT_EQ(view.messages, (std::vector<Message>{{"Handling Error! ", "Error"}}));
  // Only the event is left; it lives as long as the window.
  EXPECT_EQ(api.OpenHandleCount(), 1);
  EXPECT_EQ(view.endProcessCalls, 1);
  EXPECT_TRUE(window.Ended());
  EXPECT_EQ(window.ExitStatus(), 6);
  EXPECT_EQ(window.ContionClick(), Outcome::Ignored);
}

TEST_F(UsbWindowTest, ClosingAsksOnlyDuringADownload) {
  EXPECT_TRUE(window.QueryClose());
  EXPECT_TRUE(view.questions.empty());
  EXPECT_EQ(view.endProcessCalls, 1);
  EXPECT_EQ(window.ExitStatus(), 0);
}

TEST_F(UsbWindowTest, ClosingDuringAReadBackAsksNothingAndEndsAsWhenIdle) {
  window.ContionClick();
  bool closed = false;
  pacer.onTick = [&](long tick) {
    if (tick != 20) return;
    closed = window.QueryClose();
    // As the window's pacer does once the window is closed.
    if (closed) throw ProcessEnded();
  };
  EXPECT_EQ(window.CmdReadFileClick(), Outcome::Closed);
  EXPECT_TRUE(closed);
  EXPECT_TRUE(view.questions.empty());
  EXPECT_EQ(view.endProcessCalls, 1);
  EXPECT_TRUE(window.Ended());
  EXPECT_EQ(window.ExitStatus(), 0);
}

TEST_F(UsbWindowTest, ClosingDuringATransferAsksAndNoCarriesOn) {
  window.ContionClick();
  view.dialogAnswers.push_back(Image(2000));
  bool closed = true;
  pacer.onTick = [&](long tick) {
    if (tick == 20) closed = window.QueryClose();
  };
  SessionLog log(directory.Path(), std::chrono::system_clock::now());
  window.KeepSessionLog(log);
  EXPECT_EQ(window.CmdOpenFileClick(), Outcome::Downloaded);
  EXPECT_FALSE(closed);
  ASSERT_EQ(view.questions.size(), 1u);
  std::ifstream file(log.File());
  std::string line;
  for (int i = 0; i < 2; ++i) std::getline(file, line);  // "Downloading file：", the question
  EXPECT_EQ(line, "USB Link: " + view.questions[0] + " No");
  EXPECT_EQ(view.questions[0],
            "A firmware update is in progress. Closing now can leave the calculator unable to "
            "start. Close anyway?");
  EXPECT_EQ(view.endProcessCalls, 0);
}

}  // namespace
}  // namespace usblink::app

#include "sim/SimBus.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <vector>

#include "sim/SimHidApi.h"

namespace usblink::sim {
namespace {

using namespace std::chrono_literals;

Report Command(std::uint8_t code, std::initializer_list<std::uint8_t> parameters = {}) {
  Report report{};
  report[kReportIdByte] = kReportId;
  report[kCodeByte] = code;
  std::ranges::copy(parameters, report.begin() + kParameterStart);
  report[kStatusByte] = ReplyStatus::Busy;
  return report;
}

Report CommitCommand() {
  const auto parameters = CommitParameters(1);
  return Command(CommandCode::Commit, {parameters[0], parameters[1], parameters[2]});
}

// Three calculators after a keyboard, each reached through the platform calls.
class SimBusTest : public ::testing::Test {
 protected:
  Handle Open(std::size_t calculator) {
    return api.CreateFileA(bus.interfaces.at(calculator + 1).path, kGenericReadWrite,
                           kFileShareReadWrite, nullptr, kOpenExisting, 0);
  }

  // One transaction: the status of the answer, or nothing when a call failed.
  std::optional<std::uint8_t> Transact(Handle device, const Report& command) {
    if (api.HidD_SetOutputReport(device, command) == 0) return std::nullopt;
    Report reply{};
    reply[kReportIdByte] = kReportId;
    if (api.HidD_GetInputReport(device, reply) == 0) return std::nullopt;
    return reply[kStatusByte];
  }

  std::vector<std::string> PresentPaths() {
    std::vector<std::string> paths;
    for (const auto& entry : api.PresentInterfaces()) paths.push_back(entry.path);
    return paths;
  }

  std::vector<std::string> CalculatorPaths(std::initializer_list<std::size_t> calculators) {
    std::vector<std::string> paths{bus.interfaces[0].path};
    for (const std::size_t calculator : calculators) {
      paths.push_back(bus.interfaces[calculator + 1].path);
    }
    return paths;
  }

  std::string SerialNumber(Handle device) {
    std::string serialNumber;
    api.HidD_GetSerialNumberString(device, serialNumber);
    return serialNumber;
  }

  SimBus bus = SimBus::WithCalculators(1, 3);
  SimHidApi api{bus};
  BusTime now{0};
};

TEST_F(SimBusTest, EachCalculatorHasItsOwnInterfaceSerialNumberAndFlash) {
  ASSERT_EQ(bus.interfaces.size(), 4u);
  ASSERT_EQ(bus.CalculatorCount(), 3u);
  EXPECT_FALSE(bus.interfaces[0].isCalculator);
  for (std::size_t number = 0; number < 3; ++number) {
    const SimInterface& entry = bus.interfaces[number + 1];
    EXPECT_TRUE(entry.isCalculator);
    EXPECT_EQ(entry.calculatorNumber, number);
    EXPECT_EQ(entry.vendorId, kCalculatorVendorId);
    EXPECT_EQ(bus.Find(entry.path), &entry) << "paths are the calculators' own";
  }
  EXPECT_EQ(&bus.Calculator(0), &bus.calculator);

  const std::vector<std::uint8_t> image(300, 0x42);
  bus.LoadFlash(image);
  bus.Calculator(2).Flash()[0] = 0x07;

  const Handle second = Open(1);
  EXPECT_EQ(SerialNumber(second), "SIM0002");
  EXPECT_EQ(SerialNumber(Open(2)), "SIM0003");
  EXPECT_EQ(Transact(second, Command(CommandCode::IdentityQuery)), ReplyStatus::Done);

  for (std::size_t number = 0; number < 3; ++number) {
    SCOPED_TRACE(number);
    const auto flash = bus.Calculator(number).Flash();
    EXPECT_EQ(flash[0], number == 2 ? 0x07 : 0x42);
    EXPECT_EQ(flash[299], 0x42);
    EXPECT_EQ(flash[300], kErasedByte);
    EXPECT_EQ(bus.Calculator(number).Commands().size(), number == 1 ? 1u : 0u);
  }
}

TEST_F(SimBusTest, FaultsApplyToTheirCalculatorOnly) {
  bus.Calculator(1).Faults().statuses = {{CommandCode::IdentityQuery, 1, ReplyStatus::TypeError}};
  bus.Calculator(2).Faults().unplugAfter = 0;

  EXPECT_EQ(PresentPaths(), CalculatorPaths({0, 1}));
  EXPECT_EQ(Transact(Open(0), Command(CommandCode::IdentityQuery)), ReplyStatus::Done);
  EXPECT_EQ(Transact(Open(1), Command(CommandCode::IdentityQuery)), ReplyStatus::TypeError);
  EXPECT_EQ(Open(2), kInvalidHandleValue);
}

TEST_F(SimBusTest, CalculatorsArriveOnTheBusClock) {
  bus.SetClock([this] { return now; });
  bus.SetArrival(1, 5s);
  bus.SetArrival(2, 10s);

  EXPECT_EQ(PresentPaths(), CalculatorPaths({0}));
  EXPECT_EQ(Open(1), kInvalidHandleValue);
  EXPECT_EQ(api.LastPlatformError(), WinError::FileNotFound);
  now = 5s;
  EXPECT_EQ(PresentPaths(), CalculatorPaths({0, 1}));
  EXPECT_EQ(SerialNumber(Open(1)), "SIM0002");
  now = 10s;
  EXPECT_EQ(PresentPaths(), CalculatorPaths({0, 1, 2}));
}

TEST_F(SimBusTest, ACommitSendsItsCalculatorAwayForItsResetAndItComesBackTheSame) {
  bus.SetClock([this] { return now; });
  bus.Calculator(1).Flash()[7] = 0x11;
  const Handle before = Open(1);
  now = 3s;
  ASSERT_EQ(Transact(before, CommitCommand()), ReplyStatus::Done) << "the answer still arrives";

  EXPECT_EQ(PresentPaths(), CalculatorPaths({0, 2}));
  EXPECT_EQ(Transact(before, Command(CommandCode::IdentityQuery)), std::nullopt);
  EXPECT_EQ(api.LastPlatformError(), WinError::DeviceNotConnected);
  now = 3s + SimBus::kResetTime - 1ns;
  EXPECT_EQ(Open(1), kInvalidHandleValue);

  now = 3s + SimBus::kResetTime;
  EXPECT_EQ(PresentPaths(), CalculatorPaths({0, 1, 2}));
  const Handle after = Open(1);
  EXPECT_EQ(SerialNumber(after), "SIM0002");
  EXPECT_EQ(bus.Calculator(1).Flash()[7], 0x11);
  EXPECT_EQ(Transact(after, Command(CommandCode::IdentityQuery)), ReplyStatus::Done);
  EXPECT_EQ(Transact(before, Command(CommandCode::IdentityQuery)), std::nullopt)
      << "a handle from before the reset stays dead";
  EXPECT_EQ(api.LastPlatformError(), WinError::DeviceNotConnected);
}

TEST_F(SimBusTest, OnlyACommitCarriedOutAndAnsweredStartsAReset) {
  bus.SetClock([this] { return now; });
  bus.Calculator(0).Faults().statuses = {{CommandCode::Commit, 1, ReplyStatus::HandlingError}};
  const Handle device = Open(0);
  EXPECT_EQ(Transact(device, CommitCommand()), ReplyStatus::HandlingError);
  EXPECT_EQ(Transact(device, Command(CommandCode::Commit, {0x00, 0x0C, 9})),
            ReplyStatus::InvalidInstruction);
  // A commit whose answer is never read: the next command replaces it.
  EXPECT_EQ(api.HidD_SetOutputReport(device, CommitCommand()), 1);
  EXPECT_EQ(Transact(device, Command(CommandCode::IdentityQuery)), ReplyStatus::Done);
  EXPECT_EQ(PresentPaths(), CalculatorPaths({0, 1, 2}));
}

TEST_F(SimBusTest, WithoutAClockACommitIsFollowedByNoReset) {
  const Handle device = Open(0);
  ASSERT_EQ(Transact(device, CommitCommand()), ReplyStatus::Done);
  EXPECT_EQ(PresentPaths(), CalculatorPaths({0, 1, 2}));
  EXPECT_EQ(Transact(device, Command(CommandCode::IdentityQuery)), ReplyStatus::Done);
}

}  // namespace
}  // namespace usblink::sim

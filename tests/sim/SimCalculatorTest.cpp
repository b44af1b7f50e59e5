#include "sim/SimCalculator.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <initializer_list>
#include <numeric>
#include <string>

namespace usblink::sim {
namespace {

using Block = std::array<std::uint8_t, kBlockSize>;

Report MakeCommand(std::uint8_t code, std::initializer_list<std::uint8_t> parameters = {}) {
  Report command{};
  command[0] = 1;
  command[1] = code;
  std::ranges::copy(parameters, command.begin() + 2);
  command[63] = ReplyStatus::Busy;
  return command;
}

Report Read(SimCalculator& calculator) {
  Report reply{};
  calculator.ProduceInputReport(reply);
  return reply;
}

Report Transact(SimCalculator& calculator, const Report& command) {
  calculator.ReceiveOutputReport(command);
  return Read(calculator);
}

std::uint8_t StatusOf(const Report& reply) { return reply[63]; }

Block Pattern(std::uint8_t seed) {
  Block block{};
  for (std::size_t i = 0; i < block.size(); ++i) block[i] = static_cast<std::uint8_t>(seed + i * 7);
  return block;
}

std::uint8_t Low(std::size_t block) { return static_cast<std::uint8_t>(block & 0xFF); }
std::uint8_t High(std::size_t block) { return static_cast<std::uint8_t>(block >> 8); }

// Block-write and its five transfers; every reply must be done.
void WriteBlock(SimCalculator& calculator, std::size_t block, const Block& data) {
  ASSERT_EQ(StatusOf(Transact(calculator,
                              MakeCommand(CommandCode::BlockWrite, {Low(block), High(block)}))),
            ReplyStatus::Done);
  for (std::size_t offset = 0; offset < kBlockSize; offset += 60) {
    auto transfer = MakeCommand(CommandCode::DataTransfer, {CommandCode::BlockWrite});
    const std::size_t count = std::min<std::size_t>(60, kBlockSize - offset);
    std::copy_n(data.begin() + offset, count, transfer.begin() + 3);
    ASSERT_EQ(StatusOf(Transact(calculator, transfer)), ReplyStatus::Done);
  }
}

Block ReadBlock(SimCalculator& calculator, std::size_t block) {
  Block data{};
  EXPECT_EQ(StatusOf(Transact(calculator,
                              MakeCommand(CommandCode::BlockRead, {Low(block), High(block)}))),
            ReplyStatus::Done);
  for (std::size_t offset = 0; offset < kBlockSize; offset += 60) {
    const auto reply =
        Transact(calculator, MakeCommand(CommandCode::DataTransfer, {CommandCode::BlockRead}));
    EXPECT_EQ(StatusOf(reply), ReplyStatus::Done);
    const std::size_t count = std::min<std::size_t>(60, kBlockSize - offset);
    std::copy_n(reply.begin() + 3, count, data.begin() + offset);
  }
  return data;
}

std::uint32_t DeviceChecksum(SimCalculator& calculator, std::uint8_t bank) {
  const auto reply = Transact(calculator, MakeCommand(CommandCode::BankChecksum, {bank}));
  EXPECT_EQ(StatusOf(reply), ReplyStatus::Done);
  return reply[2] | reply[3] << 8 | reply[4] << 16;
}

std::uint32_t SumOf(std::span<const std::uint8_t> bytes) {
  return std::accumulate(bytes.begin(), bytes.end(), std::uint32_t{0});
}

std::span<const std::uint8_t> BankOf(const SimCalculator& calculator, std::size_t bank) {
  return calculator.Flash().subspan(bank * kBankSize, kBankSize);
}

constexpr std::uint32_t kErasedBankSum = 255u * 65536u;

TEST(SimCalculatorHandshake, AnswersIdentityTypeAndFlashQueries) {
  SimCalculator calculator;
  const auto identity = Transact(calculator, MakeCommand(CommandCode::IdentityQuery));
  EXPECT_EQ(StatusOf(identity), ReplyStatus::Done);
  EXPECT_EQ(std::string(identity.begin() + 2, identity.begin() + 19), kCalculatorIdentity);
  EXPECT_EQ(identity[19], 0);

  const auto type = Transact(calculator, MakeCommand(CommandCode::TypeQuery));
  EXPECT_EQ(StatusOf(type), ReplyStatus::Done);
  EXPECT_EQ(type[2], 0);

  const auto flash = Transact(calculator, MakeCommand(CommandCode::FlashQuery));
  EXPECT_EQ(StatusOf(flash), ReplyStatus::Done);
  EXPECT_EQ(flash[2], SimCalculator::kDefaultFlashId);
}

TEST(SimCalculatorHandshake, ReadBeforeAnyCommandIsDone) {
  SimCalculator calculator;
  const auto reply = Read(calculator);
  EXPECT_EQ(reply[0], 1);
  EXPECT_EQ(StatusOf(reply), ReplyStatus::Done);
}

TEST(SimCalculatorHandshake, LaterReadsRepeatTheAnswer) {
  SimCalculator calculator;
  const auto first = Transact(calculator, MakeCommand(CommandCode::IdentityQuery));
  EXPECT_EQ(Read(calculator), first);
}

TEST(SimCalculatorHandshake, RecordsEveryReportByteForByte) {
  SimCalculator calculator;
  auto command = MakeCommand(CommandCode::TypeQuery, {0xAB, 0xCD});
  command[40] = 0x5A;  // left over from an earlier command
  calculator.ReceiveOutputReport(command);
  calculator.ReceiveOutputReport(MakeCommand(0x77));
  ASSERT_EQ(calculator.Commands().size(), 2u);
  EXPECT_EQ(calculator.Commands()[0].report, command);
  EXPECT_EQ(calculator.Commands()[1].Code(), 0x77);
}

TEST(SimCalculatorFlash, StartsErased) {
  SimCalculator calculator;
  EXPECT_TRUE(std::ranges::all_of(calculator.Flash(), [](std::uint8_t b) { return b == 0xFF; }));
  EXPECT_EQ(DeviceChecksum(calculator, 3), kErasedBankSum);
}

TEST(SimCalculatorFlash, WrittenBlockReadsBackAndCounts) {
  SimCalculator calculator;
  const Block data = Pattern(3);
  WriteBlock(calculator, 5, data);
  EXPECT_EQ(ReadBlock(calculator, 5), data);
  EXPECT_TRUE(std::ranges::equal(calculator.Flash().subspan(5 * kBlockSize, kBlockSize), data));
  EXPECT_EQ(DeviceChecksum(calculator, 0), SumOf(data) + 255u * 255u * 256u);
}

TEST(SimCalculatorFlash, WholeBankRoundTripsWithItsChecksum) {
  SimCalculator calculator;
  for (std::size_t block = 256; block < 512; ++block) {
    WriteBlock(calculator, block, Pattern(static_cast<std::uint8_t>(block)));
  }
  EXPECT_EQ(DeviceChecksum(calculator, 1), SumOf(BankOf(calculator, 1)));
  EXPECT_NE(DeviceChecksum(calculator, 1), kErasedBankSum);
  EXPECT_EQ(ReadBlock(calculator, 300), Pattern(static_cast<std::uint8_t>(300)));
  EXPECT_EQ(DeviceChecksum(calculator, 0), kErasedBankSum);
}

TEST(SimCalculatorFlash, ChecksumIsLeastSignificantByteFirst) {
  SimCalculator calculator;
  std::ranges::fill(calculator.Flash().subspan(0, kBankSize), 0);
  calculator.Flash()[0] = 0x34;
  calculator.Flash()[1] = 0x12;
  calculator.Flash()[2] = 0x01;                              // 0x34 + 0x12 + 0x01 = 0x47
  std::fill_n(calculator.Flash().begin() + 3, 0x200, 0x80);  // + 0x10000
  const auto reply = Transact(calculator, MakeCommand(CommandCode::BankChecksum, {0}));
  EXPECT_EQ(reply[2], 0x47);
  EXPECT_EQ(reply[3], 0x00);
  EXPECT_EQ(reply[4], 0x01);
}

TEST(SimCalculatorFlash, LastBlockSitsAtTheEndOfFlash) {
  SimCalculator calculator;
  WriteBlock(calculator, 1023, Pattern(9));
  EXPECT_TRUE(std::ranges::equal(calculator.Flash().subspan(kFlashSize - kBlockSize), Pattern(9)));
}

TEST(SimCalculatorFlash, FifthReadTransferCarriesSixteenBytes) {
  SimCalculator calculator;
  WriteBlock(calculator, 2, Pattern(1));
  Transact(calculator, MakeCommand(CommandCode::BlockRead, {2, 0}));
  Report fifth{};
  for (int i = 0; i < 5; ++i) {
    fifth = Transact(calculator, MakeCommand(CommandCode::DataTransfer, {CommandCode::BlockRead}));
  }
  EXPECT_TRUE(std::equal(fifth.begin() + 3, fifth.begin() + 19, Pattern(1).begin() + 240));
  EXPECT_TRUE(std::all_of(fifth.begin() + 19, fifth.begin() + 63, [](auto b) { return b == 0; }));
}

TEST(SimCalculatorFlash, BankIsErasedOnItsFirstWriteOfASession) {
  SimCalculator calculator;
  std::ranges::fill(calculator.Flash(), 0x00);
  Transact(calculator, MakeCommand(CommandCode::IdentityQuery));
  WriteBlock(calculator, 0, Pattern(5));
  EXPECT_EQ(ReadBlock(calculator, 0), Pattern(5));
  EXPECT_EQ(DeviceChecksum(calculator, 0), SumOf(Pattern(5)) + 255u * 255u * 256u);
  EXPECT_EQ(DeviceChecksum(calculator, 1), 0u) << "a bank not written keeps its contents";
}

TEST(SimCalculatorFlash, SecondWriteInASessionOnlyClearsBits) {
  SimCalculator calculator;
  Block ones{};
  ones.fill(0xF0);
  Block low{};
  low.fill(0x3C);
  WriteBlock(calculator, 7, ones);
  WriteBlock(calculator, 7, low);
  Block expected{};
  expected.fill(0x30);
  EXPECT_EQ(ReadBlock(calculator, 7), expected);
}

TEST(SimCalculatorFlash, IdentityQueryStartsANewSession) {
  SimCalculator calculator;
  Block zeros{};
  WriteBlock(calculator, 7, zeros);
  Transact(calculator, MakeCommand(CommandCode::IdentityQuery));
  WriteBlock(calculator, 7, Pattern(2));
  EXPECT_EQ(ReadBlock(calculator, 7), Pattern(2));
}

TEST(SimCalculatorFlash, CommitRecordsBanksAndStartsANewSession) {
  SimCalculator calculator;
  EXPECT_EQ(calculator.CommittedBanks(), std::nullopt);
  Block zeros{};
  WriteBlock(calculator, 7, zeros);
  EXPECT_EQ(StatusOf(Transact(calculator, MakeCommand(CommandCode::Commit, {0x00, 0x0C, 3}))),
            ReplyStatus::Done);
  EXPECT_EQ(calculator.CommittedBanks(), 3);
  WriteBlock(calculator, 7, Pattern(4));
  EXPECT_EQ(ReadBlock(calculator, 7), Pattern(4));
}

TEST(SimCalculatorSequence, RefusesMalformedCommands) {
  SimCalculator calculator;
  const auto statusOf = [&](const Report& command) {
    return StatusOf(Transact(calculator, command));
  };
  EXPECT_EQ(statusOf(MakeCommand(CommandCode::BlockWrite, {0x00, 0x04})),
            ReplyStatus::InvalidInstruction);
  EXPECT_EQ(statusOf(MakeCommand(CommandCode::BlockRead, {0xFF, 0x04})),
            ReplyStatus::InvalidInstruction);
  EXPECT_EQ(statusOf(MakeCommand(CommandCode::BankChecksum, {4})), ReplyStatus::InvalidInstruction);
  EXPECT_EQ(statusOf(MakeCommand(0x77)), ReplyStatus::InvalidInstruction);
  EXPECT_EQ(statusOf(MakeCommand(CommandCode::Commit, {0x01, 0x0C, 1})),
            ReplyStatus::InvalidInstruction);
  EXPECT_EQ(statusOf(MakeCommand(CommandCode::Commit, {0x00, 0x0D, 1})),
            ReplyStatus::InvalidInstruction);
  EXPECT_EQ(statusOf(MakeCommand(CommandCode::Commit, {0x00, 0x0C, 0})),
            ReplyStatus::InvalidInstruction);
  EXPECT_EQ(statusOf(MakeCommand(CommandCode::Commit, {0x00, 0x0C, 5})),
            ReplyStatus::InvalidInstruction);
  EXPECT_EQ(calculator.CommittedBanks(), std::nullopt);
  EXPECT_EQ(statusOf(MakeCommand(CommandCode::Commit, {0x00, 0x0C, 4})), ReplyStatus::Done);
}

TEST(SimCalculatorSequence, DataTransferNeedsAnOpenBlock) {
  SimCalculator calculator;
  EXPECT_EQ(StatusOf(Transact(calculator,
                              MakeCommand(CommandCode::DataTransfer, {CommandCode::BlockWrite}))),
            ReplyStatus::HandlingError);
  EXPECT_TRUE(std::ranges::all_of(calculator.Flash(), [](std::uint8_t b) { return b == 0xFF; }));
}

TEST(SimCalculatorSequence, SixthTransferIsOutOfSequence) {
  SimCalculator calculator;
  WriteBlock(calculator, 0, Pattern(0));
  EXPECT_EQ(StatusOf(Transact(calculator,
                              MakeCommand(CommandCode::DataTransfer, {CommandCode::BlockWrite}))),
            ReplyStatus::HandlingError);
}

TEST(SimCalculatorSequence, TransferForTheOtherBlockCommandIsRefused) {
  SimCalculator calculator;
  Transact(calculator, MakeCommand(CommandCode::BlockWrite, {0, 0}));
  auto transfer = MakeCommand(CommandCode::DataTransfer, {CommandCode::BlockRead});
  transfer[3] = 0x00;
  EXPECT_EQ(StatusOf(Transact(calculator, transfer)), ReplyStatus::InvalidInstruction);
  EXPECT_EQ(calculator.Flash()[0], 0xFF);
  transfer[2] = CommandCode::BlockWrite;
  EXPECT_EQ(StatusOf(Transact(calculator, transfer)), ReplyStatus::Done) << "the block stays open";
  EXPECT_EQ(calculator.Flash()[0], 0x00);
}

TEST(SimCalculatorFaults, BusyRepliesPrecedeEveryAnswer) {
  CalculatorFaults faults;
  faults.busyReplies = 3;
  SimCalculator calculator(faults);
  for (const std::uint8_t code : {CommandCode::IdentityQuery, CommandCode::TypeQuery}) {
    calculator.ReceiveOutputReport(MakeCommand(code));
    for (int i = 0; i < 3; ++i) EXPECT_EQ(StatusOf(Read(calculator)), ReplyStatus::Busy);
    EXPECT_EQ(StatusOf(Read(calculator)), ReplyStatus::Done);
  }
}

TEST(SimCalculatorFaults, StatusReplacesTheNthCommandOfACode) {
  CalculatorFaults faults;
  faults.statuses = {{CommandCode::IdentityQuery, 2, ReplyStatus::DeviceTimeout}};
  SimCalculator calculator(faults);
  EXPECT_EQ(StatusOf(Transact(calculator, MakeCommand(CommandCode::TypeQuery))), ReplyStatus::Done);
  EXPECT_EQ(StatusOf(Transact(calculator, MakeCommand(CommandCode::IdentityQuery))),
            ReplyStatus::Done);
  const auto second = Transact(calculator, MakeCommand(CommandCode::IdentityQuery));
  EXPECT_EQ(StatusOf(second), ReplyStatus::DeviceTimeout);
  EXPECT_EQ(second[2], 0) << "the command is not carried out";
  EXPECT_EQ(StatusOf(Transact(calculator, MakeCommand(CommandCode::IdentityQuery))),
            ReplyStatus::Done);
}

TEST(SimCalculatorFaults, FaultedTransferWritesNothing) {
  CalculatorFaults faults;
  faults.statuses = {{CommandCode::DataTransfer, 1, ReplyStatus::TypeError}};
  SimCalculator calculator(faults);
  Transact(calculator, MakeCommand(CommandCode::BlockWrite, {0, 0}));
  auto transfer = MakeCommand(CommandCode::DataTransfer, {CommandCode::BlockWrite, 0x11});
  EXPECT_EQ(StatusOf(Transact(calculator, transfer)), ReplyStatus::TypeError);
  EXPECT_EQ(calculator.Flash()[0], 0xFF);
  EXPECT_EQ(StatusOf(Transact(calculator, transfer)), ReplyStatus::Done);
  EXPECT_EQ(calculator.Flash()[0], 0x11) << "the retry lands at the block's start";
}

TEST(SimCalculatorFaults, WrongChecksumForOneBank) {
  CalculatorFaults faults;
  faults.badChecksumBank = 2;
  SimCalculator calculator(faults);
  EXPECT_EQ(DeviceChecksum(calculator, 2), kErasedBankSum + 1);
  EXPECT_EQ(DeviceChecksum(calculator, 1), kErasedBankSum);
}

TEST(SimCalculatorFaults, IdentityTextIsPaddedOrCut) {
  CalculatorFaults faults;
  faults.identity = "vqhdl";
  SimCalculator calculator(faults);
  auto reply = Transact(calculator, MakeCommand(CommandCode::IdentityQuery));
  EXPECT_EQ(std::string(reply.begin() + 2, reply.begin() + 7), "vqhdl");
  EXPECT_TRUE(std::all_of(reply.begin() + 7, reply.begin() + 19, [](auto b) { return b == 0; }));

  calculator.Faults().identity = std::string(kCalculatorIdentity) + "XYZ";
  reply = Transact(calculator, MakeCommand(CommandCode::IdentityQuery));
  EXPECT_EQ(std::string(reply.begin() + 2, reply.begin() + 19), kCalculatorIdentity);
  EXPECT_EQ(reply[19], 0);
}

TEST(SimCalculatorFaults, WrongTypeAndFlashId) {
  CalculatorFaults faults;
  faults.type = 1;
  faults.flashId = 0xFF;
  SimCalculator calculator(faults);
  EXPECT_EQ(Transact(calculator, MakeCommand(CommandCode::TypeQuery))[2], 1);
  EXPECT_EQ(Transact(calculator, MakeCommand(CommandCode::FlashQuery))[2], 0xFF);
}

TEST(SimCalculatorFaults, SilenceAfterAnsweredCommands) {
  CalculatorFaults faults;
  faults.silentAfter = 2;
  SimCalculator calculator(faults);
  Transact(calculator, MakeCommand(CommandCode::IdentityQuery));
  EXPECT_EQ(StatusOf(Transact(calculator, MakeCommand(CommandCode::TypeQuery))), ReplyStatus::Done);
  calculator.ReceiveOutputReport(MakeCommand(CommandCode::FlashQuery));
  for (int i = 0; i < 600; ++i) ASSERT_EQ(StatusOf(Read(calculator)), ReplyStatus::Busy);
  EXPECT_EQ(calculator.Commands().size(), 3u);
}

TEST(SimCalculatorFaults, SilentFromTheStart) {
  CalculatorFaults faults;
  faults.silentAfter = 0;
  SimCalculator calculator(faults);
  EXPECT_EQ(StatusOf(Read(calculator)), ReplyStatus::Busy);
}

TEST(SimCalculatorFaults, UnplugsOnceTheNthAnswerIsRead) {
  CalculatorFaults faults;
  faults.unplugAfter = 1;
  SimCalculator calculator(faults);
  calculator.ReceiveOutputReport(MakeCommand(CommandCode::Commit, {0x00, 0x0C, 1}));
  EXPECT_FALSE(calculator.Unplugged()) << "the answer is still to be read";
  EXPECT_EQ(StatusOf(Read(calculator)), ReplyStatus::Done);
  EXPECT_TRUE(calculator.Unplugged());

  calculator.ReceiveOutputReport(MakeCommand(CommandCode::IdentityQuery));
  EXPECT_EQ(calculator.Commands().size(), 1u);
  Report untouched{};
  untouched.fill(0x5A);
  const auto before = untouched;
  calculator.ProduceInputReport(untouched);
  EXPECT_EQ(untouched, before);
}

}  // namespace
}  // namespace usblink::sim

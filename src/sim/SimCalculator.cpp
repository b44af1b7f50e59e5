#include "sim/SimCalculator.h"

#include <algorithm>
#include <functional>
#include <numeric>
#include <utility>

namespace usblink::sim {

namespace {

Report EmptyReply(std::uint8_t code, std::uint8_t status) {
  Report reply{};
  reply[kReportIdByte] = kReportId;
  reply[kCodeByte] = code;
  reply[kStatusByte] = status;
  return reply;
}

}  // namespace

SimCalculator::SimCalculator(CalculatorFaults faults)
    : faults_(std::move(faults)),
      flash_(kFlashSize, kErasedByte),
      reply_(EmptyReply(0, ReplyStatus::Done)) {}

void SimCalculator::ReceiveOutputReport(std::span<const std::uint8_t, kReportLength> report) {
  if (Unplugged()) return;
  Report command{};
  std::ranges::copy(report, command.begin());
  commands_.push_back({command});
  const std::uint8_t code = command[kCodeByte];
  reply_ = EmptyReply(code, ReplyStatus::Done);
  busyLeft_ = faults_.busyReplies;
  answerPending_ = true;
  commitPending_ = false;
  // A hung device takes the report in and never gets to it.
  if (Silent()) return;
  if (const auto injected = InjectedStatus(code)) {
    reply_[kStatusByte] = *injected;
    return;
  }
  Execute(command);
}

void SimCalculator::ProduceInputReport(std::span<std::uint8_t, kReportLength> report) {
  if (Unplugged()) return;
  if (Silent() || busyLeft_ > 0) {
    if (busyLeft_ > 0) --busyLeft_;
    std::ranges::copy(EmptyReply(reply_[kCodeByte], ReplyStatus::Busy), report.begin());
    return;
  }
  std::ranges::copy(reply_, report.begin());
  if (answerPending_) {
    answerPending_ = false;
    ++answeredCommands_;
    if (commitPending_) ++answeredCommits_;
    commitPending_ = false;
  }
}

bool SimCalculator::Unplugged() const {
  return faults_.unplugAfter && answeredCommands_ >= *faults_.unplugAfter;
}

bool SimCalculator::Silent() const {
  return faults_.silentAfter && answeredCommands_ >= *faults_.silentAfter;
}

std::span<std::uint8_t, kFlashSize> SimCalculator::Flash() {
  return std::span<std::uint8_t, kFlashSize>(flash_.data(), kFlashSize);
}

std::span<const std::uint8_t, kFlashSize> SimCalculator::Flash() const {
  return std::span<const std::uint8_t, kFlashSize>(flash_.data(), kFlashSize);
}

const std::vector<ReceivedCommand>& SimCalculator::Commands() const { return commands_; }

std::optional<int> SimCalculator::CommittedBanks() const { return committedBanks_; }

int SimCalculator::AnsweredCommits() const { return answeredCommits_; }

CalculatorFaults& SimCalculator::Faults() { return faults_; }

std::optional<std::uint8_t> SimCalculator::InjectedStatus(std::uint8_t code) {
  const int nth = ++countByCode_[code];
  const auto found = std::ranges::find_if(
      faults_.statuses, [&](const auto& fault) { return fault.code == code && fault.nth == nth; });
  if (found == faults_.statuses.end()) return std::nullopt;
  return found->status;
}

void SimCalculator::Execute(const Report& command) {
  switch (command[kCodeByte]) {
    case CommandCode::IdentityQuery:
      BeginSession();
      AnswerIdentity();
      break;
    case CommandCode::TypeQuery:
      reply_[kParameterStart] = faults_.type.value_or(kTypeNorm);
      break;
    case CommandCode::FlashQuery:
      reply_[kParameterStart] = faults_.flashId.value_or(kDefaultFlashId);
      break;
    case CommandCode::BlockWrite:
    case CommandCode::BlockRead:
      OpenBlockTransfer(command);
      break;
    case CommandCode::DataTransfer:
      TransferData(command);
      break;
    case CommandCode::BankChecksum:
      AnswerChecksum(command);
      break;
    case CommandCode::Commit:
      Commit(command);
      break;
    default:
      Refuse(ReplyStatus::InvalidInstruction);
  }
}

void SimCalculator::Refuse(std::uint8_t status) { reply_[kStatusByte] = status; }

void SimCalculator::BeginSession() {
  erasedThisSession_.fill(false);
  openBlock_.reset();
}

void SimCalculator::AnswerIdentity() {
  const std::string_view identity = faults_.identity ? *faults_.identity : kCalculatorIdentity;
  const auto shown = identity.substr(0, kCalculatorIdentity.size());
  std::ranges::copy(shown, reply_.begin() + kIdentityStart);
}

void SimCalculator::OpenBlockTransfer(const Report& command) {
  const std::size_t block =
      BlockNumber(std::span(command).subspan<kParameterStart, kBlockNumberSize>());
  if (block >= kFlashBlocks) return Refuse(ReplyStatus::InvalidInstruction);
  const std::uint8_t code = command[kCodeByte];
  const std::size_t bank = block * kBlockSize / kBankSize;
  if (code == CommandCode::BlockWrite && !erasedThisSession_[bank]) {
    std::ranges::fill(Flash().subspan(bank * kBankSize, kBankSize), kErasedByte);
    erasedThisSession_[bank] = true;
  }
  // A new block abandons one whose transfers were left unfinished.
  openBlock_ = OpenBlock{code, block, 0};
}

void SimCalculator::TransferData(const Report& command) {
  if (!openBlock_) return Refuse(ReplyStatus::HandlingError);
  if (command[kParameterStart] != openBlock_->code) return Refuse(ReplyStatus::InvalidInstruction);
  const std::size_t offset = openBlock_->transfersDone * kTransferPayload;
  const std::size_t count = std::min(kTransferPayload, kBlockSize - offset);
  const auto bytes = Flash().subspan(openBlock_->block * kBlockSize + offset, count);
  const auto data = std::span(command).subspan(kDataStart, count);
  if (openBlock_->code == CommandCode::BlockWrite) {
    // NOR programming only ever clears bits.
    std::ranges::transform(bytes, data, bytes.begin(), std::bit_and<>{});
  } else {
    std::ranges::copy(bytes, reply_.begin() + kDataStart);
  }
  if (++openBlock_->transfersDone == kTransfersPerBlock) openBlock_.reset();
}

void SimCalculator::AnswerChecksum(const Report& command) {
  const std::size_t bank = command[kParameterStart];
  if (bank >= kBankLimit) return Refuse(ReplyStatus::InvalidInstruction);
  const auto bytes = Flash().subspan(bank * kBankSize, kBankSize);
  std::uint32_t sum = std::accumulate(bytes.begin(), bytes.end(), std::uint32_t{0});
  // A bank sums to at most 0xFF0000, so even the wrong sum fits the 24-bit reply.
  if (faults_.badChecksumBank == static_cast<int>(bank)) ++sum;
  std::ranges::copy(ChecksumBytes(sum), reply_.begin() + kParameterStart);
}

void SimCalculator::Commit(const Report& command) {
  const auto parameters = std::span(command).subspan<kParameterStart, CommitParameters(0).size()>();
  const int banks = parameters.back();
  if (!std::ranges::equal(parameters, CommitParameters(banks)) || banks < 1 ||
      banks > static_cast<int>(kBankLimit)) {
    return Refuse(ReplyStatus::InvalidInstruction);
  }
  committedBanks_ = banks;
  commitPending_ = true;
  BeginSession();
}

}  // namespace usblink::sim

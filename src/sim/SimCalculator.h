#pragma once
// The calculator's side of the report protocol: 256 KiB of NOR flash and the
// command engine, with knobs for every fault the tool must survive. It knows
// nothing of how reports reach it, so any transport can drive it.

#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "protocol/CalculatorProtocol.h"

namespace usblink::sim {

// What tests and tools reach as sim::: the protocol's own names.
using usblink::kBankSize;
using usblink::kBlockSize;
using usblink::kFlashSize;

struct CalculatorFaults {
  int busyReplies = 0;  // busy replies before every answer
  struct Status {
    std::uint8_t code = 0;
    int nth = 1;  // counting from 1 among commands of that code
    std::uint8_t status = 0;
  };
  std::vector<Status> statuses;         // status S instead of running the n-th command of code C
  std::optional<int> badChecksumBank;   // this bank's checksum reply is the true sum + 1
  std::optional<std::string> identity;  // bytes 2..18 of the identity reply, zero-padded
  std::optional<std::uint8_t> type;     // byte 2 of the type reply (default 0)
  std::optional<std::uint8_t> flashId;  // byte 2 of the flash reply (default kDefaultFlashId)
  std::optional<int> silentAfter;       // once n commands are answered every read is busy
  std::optional<int> unplugAfter;       // once n commands are answered the device is gone
};

// One command as the calculator received it.
struct ReceivedCommand {
  Report report{};
  [[nodiscard]] std::uint8_t Code() const { return report[kCodeByte]; }
};

// A session begins at each identity query and after a commit; a bank is
// erased on its first block-write of a session, later writes only clear bits.
// Refusals change nothing: a data transfer with no block open (a sixth one
// included) is out of sequence, a handling error; a block past 1023, a bank
// past 3, a transfer naming the other block command, a malformed commit or an
// unknown code is an invalid instruction. Byte 0 of a command is not examined.
class SimCalculator {
 public:
  static constexpr std::uint8_t kDefaultFlashId = 0xBF;

  explicit SimCalculator(CalculatorFaults faults = {});

  // One output report (byte 0 the report id 1). Ignored once unplugged.
  void ReceiveOutputReport(std::span<const std::uint8_t, kReportLength> report);
  // Fills an input report: a busy reply or the answer to the last
  // command, which later reads repeat. Untouched once unplugged.
  void ProduceInputReport(std::span<std::uint8_t, kReportLength> report);

  [[nodiscard]] bool Unplugged() const;

  // Writable so a test can load an image before the first command.
  [[nodiscard]] std::span<std::uint8_t, kFlashSize> Flash();
  [[nodiscard]] std::span<const std::uint8_t, kFlashSize> Flash() const;
  [[nodiscard]] const std::vector<ReceivedCommand>& Commands() const;
  // Bank count of the last commit, if one arrived.
  [[nodiscard]] std::optional<int> CommittedBanks() const;
  // Commits carried out whose answer has been read: a real calculator resets then.
  [[nodiscard]] int AnsweredCommits() const;
  // Changes count from the next report on.
  [[nodiscard]] CalculatorFaults& Faults();

 private:
  // The block whose five data transfers are under way.
  struct OpenBlock {
    std::uint8_t code = 0;  // CommandCode::BlockWrite or CommandCode::BlockRead
    std::size_t block = 0;
    int transfersDone = 0;
  };

  [[nodiscard]] bool Silent() const;
  [[nodiscard]] std::optional<std::uint8_t> InjectedStatus(std::uint8_t code);
  void Execute(const Report& command);
  void Refuse(std::uint8_t status);
  void BeginSession();
  void OpenBlockTransfer(const Report& command);
  void TransferData(const Report& command);
  void AnswerChecksum(const Report& command);
  void Commit(const Report& command);
  void AnswerIdentity();

  CalculatorFaults faults_;
  std::vector<std::uint8_t> flash_;
  std::vector<ReceivedCommand> commands_;
  std::map<std::uint8_t, int> countByCode_;
  std::array<bool, kBankLimit> erasedThisSession_{};
  std::optional<OpenBlock> openBlock_;
  std::optional<int> committedBanks_;
  Report reply_{};
  int busyLeft_ = 0;
  bool answerPending_ = false;  // the last command's answer has not been read yet
  int answeredCommands_ = 0;    // drives the silence and unplug knobs
  bool commitPending_ = false;  // the answer still to be read is that of a commit carried out
  int answeredCommits_ = 0;
};

}  // namespace usblink::sim

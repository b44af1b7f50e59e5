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
#include <vector>

namespace usblink::sim {

inline constexpr std::size_t kFlashSize = 262144;
inline constexpr std::size_t kBankSize = 65536;
inline constexpr std::size_t kBlockSize = 256;
inline constexpr std::string_view kIdentity = "VQHDL307E TRM815C";

struct CalculatorFaults {
  int busyReplies = 0;                       // busy replies before every answer
  struct Status {
    std::uint8_t code;
    int nth;                                 // counting from 1 among commands of that code
    std::uint8_t status;
  };
  std::vector<Status> statuses;              // status S for the n-th command of code C
  std::optional<int> badChecksumBank;        // this bank's checksum reply is wrong
  std::optional<std::string> identity;       // bytes 2..18 of the identity reply
  std::optional<std::uint8_t> type;          // byte 2 of the type reply (default 0)
  std::optional<std::uint8_t> flashId;       // byte 2 of the flash reply
  std::optional<int> silentAfter;            // after n commands every read is busy
  std::optional<int> unplugAfter;            // after n commands the device is gone
};

// One command as the calculator received it.
struct ReceivedCommand {
  std::array<std::uint8_t, 64> report;
  [[nodiscard]] std::uint8_t Code() const { return report[1]; }
};

class SimCalculator {
 public:
  static constexpr std::uint8_t kDefaultFlashId = 0xBF;

  explicit SimCalculator(CalculatorFaults faults = {});

  // A 64-byte output report (byte 0 the report id 1). Ignored once unplugged.
  void ReceiveOutputReport(std::span<const std::uint8_t> report);
  // Fills a 64-byte input report: busy (0xFF in byte 63) or the answer to the
  // last command.
  void ProduceInputReport(std::span<std::uint8_t> report);

  [[nodiscard]] bool Unplugged() const;

  [[nodiscard]] std::span<std::uint8_t, kFlashSize> Flash();
  [[nodiscard]] std::span<const std::uint8_t, kFlashSize> Flash() const;
  [[nodiscard]] const std::vector<ReceivedCommand>& Commands() const;
  // Bank count of the last commit, if one arrived.
  [[nodiscard]] std::optional<int> CommittedBanks() const;
  [[nodiscard]] CalculatorFaults& Faults();

 private:
  // (implementation state)
};

}  // namespace usblink::sim

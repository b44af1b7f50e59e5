#pragma once
// The calculator's report protocol as both of its ends speak it: the update
// commands of the host and the simulated calculator.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace usblink {

// Both directions carry 64 bytes: report id, command code, parameters, status.
inline constexpr std::size_t kReportLength = 64;
using Report = std::array<std::uint8_t, kReportLength>;
inline constexpr std::uint8_t kReportId = 1;
inline constexpr std::size_t kStatusByte = 63;

namespace CommandCode {
inline constexpr std::uint8_t FlashQuery = 0x01;
inline constexpr std::uint8_t BankChecksum = 0x02;
inline constexpr std::uint8_t BlockWrite = 0x03;
inline constexpr std::uint8_t BlockRead = 0x04;
inline constexpr std::uint8_t Commit = 0x08;
inline constexpr std::uint8_t DataTransfer = 0x10;
inline constexpr std::uint8_t TypeQuery = 0x30;
inline constexpr std::uint8_t IdentityQuery = 0x31;
}  // namespace CommandCode

// Byte 63: 0xFF on every command sent, and in a reply while the device is busy.
namespace ReplyStatus {
inline constexpr std::uint8_t Done = 0x00;
inline constexpr std::uint8_t HandlingError = 0x55;
inline constexpr std::uint8_t DeviceTimeout = 0xAA;
inline constexpr std::uint8_t TypeError = 0x33;
inline constexpr std::uint8_t InvalidInstruction = 0x44;
// Also set by the host itself when the device stayed busy too long.
inline constexpr std::uint8_t HostTimeout = 0x99;
inline constexpr std::uint8_t Busy = 0xFF;
}  // namespace ReplyStatus

// Flash: 256-byte blocks named by a 16-bit number whose high byte is the
// bank, 256 blocks to a bank, banks 0 to 3; at most 60 data bytes a report.
inline constexpr std::size_t kBlockSize = 256;
inline constexpr int kBlocksPerBank = 256;
inline constexpr std::size_t kBankSize = kBlockSize * kBlocksPerBank;
inline constexpr int kBankLimit = 4;
inline constexpr int kFlashBlocks = kBlocksPerBank * kBankLimit;
inline constexpr std::size_t kFlashSize = kBankSize * kBankLimit;
// Report positions 3 to 62.
inline constexpr std::size_t kTransferPayload = 60;

// The identity query's answer, bytes 2 to 18.
inline constexpr std::string_view kCalculatorIdentity = "VQHDL307E TRM815C";

}  // namespace usblink

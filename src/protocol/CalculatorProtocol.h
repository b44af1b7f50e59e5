#pragma once
// The calculator's report protocol as both of its ends speak it: the update
// commands of the host and the simulated calculator.

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

#include "hid/Link.h"
#include "platform/hid/CalculatorIds.h"

namespace usblink {

inline constexpr std::size_t kReportIdByte = 0;
inline constexpr std::uint8_t kReportId = 1;
inline constexpr std::size_t kCodeByte = 1;
// A command's parameters and a reply's data, up to the status byte.
inline constexpr std::size_t kParameterStart = 2;
inline constexpr std::size_t kStatusByte = 63;
inline constexpr std::size_t kParameterBytes = kStatusByte - kParameterStart;
// A data transfer's flash bytes, after the code of the block command it serves.
inline constexpr std::size_t kDataStart = kParameterStart + 1;
inline constexpr std::size_t kTransferPayload = kStatusByte - kDataStart;

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

// The status byte: 0xFF on every command sent, and in a reply while the device is busy.
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

// The identity query's answer, from the first data byte on.
inline constexpr std::string_view kCalculatorIdentity = "VQHDL307E TRM815C";
inline constexpr std::size_t kIdentityStart = kParameterStart;
// The type query's answer for a calculator in normal USB mode, not a USB key.
inline constexpr std::uint8_t kTypeNorm = 0;
// The flash query's answer when the calculator does not recognise its flash.
inline constexpr std::uint8_t kFlashUnrecognised = 0xFF;

// Flash: 256-byte blocks named by a 16-bit number whose high byte is the
// bank, 256 blocks to a bank, banks 0 to 3, erased to 0xFF.
inline constexpr std::size_t kBlockSize = 256;
inline constexpr int kBlocksPerBank = 256;
inline constexpr std::size_t kBankSize = kBlockSize * kBlocksPerBank;
inline constexpr int kBankLimit = 4;
inline constexpr int kFlashBlocks = kBlocksPerBank * kBankLimit;
inline constexpr std::size_t kFlashSize = kBankSize * kBankLimit;
inline constexpr std::uint8_t kErasedByte = 0xFF;
// 60, 60, 60, 60 and 16 bytes.
inline constexpr int kTransfersPerBlock = (kBlockSize + kTransferPayload - 1) / kTransferPayload;

// The block number as the block-write and block-read commands carry it, low
// byte first.
inline constexpr std::size_t kBlockNumberSize = 2;
constexpr std::array<std::uint8_t, kBlockNumberSize> BlockNumberBytes(int block) {
  return {static_cast<std::uint8_t>(block & 0xFF), static_cast<std::uint8_t>(block >> 8)};
}
constexpr int BlockNumber(std::span<const std::uint8_t, kBlockNumberSize> bytes) {
  return bytes[0] | (bytes[1] << 8);
}

// A bank's checksum as the bank-checksum reply carries it: 24 bits, low byte
// first. A bank sums to at most 0xFF0000, so its sum always fits.
inline constexpr std::size_t kChecksumSize = 3;
constexpr std::array<std::uint8_t, kChecksumSize> ChecksumBytes(std::uint32_t sum) {
  return {static_cast<std::uint8_t>(sum), static_cast<std::uint8_t>(sum >> 8),
          static_cast<std::uint8_t>(sum >> 16)};
}
constexpr std::uint32_t Checksum(std::span<const std::uint8_t, kChecksumSize> bytes) {
  return bytes[0] | (bytes[1] << 8) | (bytes[2] << 16);
}

// The commit's parameters: 0x00, 0x0C, then the number of banks written.
constexpr std::array<std::uint8_t, 3> CommitParameters(int banks) {
  return {0x00, 0x0C, static_cast<std::uint8_t>(banks)};
}

}  // namespace usblink

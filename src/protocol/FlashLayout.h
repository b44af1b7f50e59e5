#pragma once
// How the calculator's flash is cut up for transfer: 256-byte blocks named by
// a 16-bit number whose high byte is the bank, 256 blocks to a bank, banks 0
// to 3, and at most 60 data bytes in one report.

#include <array>
#include <cstddef>
#include <cstdint>

#include "platform/CalculatorProtocol.h"

namespace usblink {

// The block number as the block-write and block-read commands carry it, low
// byte first.
constexpr std::array<std::uint8_t, 2> BlockNumberBytes(int block) {
  return {static_cast<std::uint8_t>(block & 0xFF), static_cast<std::uint8_t>(block >> 8)};
}

}  // namespace usblink

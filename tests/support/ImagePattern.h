#pragma once
// Bytes that differ from block to block and from bank to bank, so a byte in
// the wrong place shows.

#include <cstdint>
#include <vector>

namespace usblink::testing {

inline std::vector<std::uint8_t> Pattern(std::size_t size, unsigned seed = 0) {
  std::vector<std::uint8_t> bytes(size);
  for (std::size_t i = 0; i < size; ++i) {
    bytes[i] = static_cast<std::uint8_t>((i * 131 + (i >> 8) * 17 + seed) % 251);
  }
  return bytes;
}

}  // namespace usblink::testing

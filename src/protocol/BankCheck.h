#pragma once
// One bank's checksum test in a download: the sum of what the host sent and
// the device's own sum of what its flash holds.

#include <cstdint>

namespace usblink {

struct BankCheck {
  int bank;
  std::uint32_t hostSum;
  std::uint32_t deviceSum;
  [[nodiscard]] bool Verified() const { return hostSum == deviceSum; }
  friend bool operator==(const BankCheck&, const BankCheck&) = default;
};

}  // namespace usblink

#pragma once
// Numbers as the log writes them: upper-case hex without prefix or leading
// zeros, plain decimal.

#include <cstdint>
#include <string>

namespace usblink {

std::string HexText(std::uint64_t value);
// A handle's low 32 bits, so an invalid handle reads FFFFFFFF.
std::string HandleText(std::uint64_t handle);

}  // namespace usblink

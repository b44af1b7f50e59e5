#include "platform/os/StandardStreams.h"

namespace usblink {

// A POSIX stream never translates.
std::FILE* BinaryStandardInput() { return stdin; }

std::FILE* BinaryStandardOutput() { return stdout; }

}  // namespace usblink

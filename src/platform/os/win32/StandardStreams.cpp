#include "platform/os/StandardStreams.h"

#include <fcntl.h>
#include <io.h>

namespace usblink {

namespace {

std::FILE* Binary(std::FILE* stream) {
  _setmode(_fileno(stream), _O_BINARY);
  return stream;
}

}  // namespace

std::FILE* BinaryStandardInput() { return Binary(stdin); }

std::FILE* BinaryStandardOutput() { return Binary(stdout); }

}  // namespace usblink

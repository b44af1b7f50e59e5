#include "platform/Console.h"

#include <io.h>

#include <cstdio>

namespace usblink {

bool StderrIsTerminal() { return _isatty(_fileno(stderr)) != 0; }

std::string ReadStandardInput() {
  std::string text(4096, '\0');
  const int count =
      _read(kStandardInputDescriptor, text.data(), static_cast<unsigned>(text.size()));
  text.resize(count > 0 ? static_cast<std::size_t>(count) : 0);
  return text;
}

}  // namespace usblink

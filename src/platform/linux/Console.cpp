#include "platform/Console.h"

#include <unistd.h>

namespace usblink {

bool StderrIsTerminal() { return isatty(STDERR_FILENO) == 1; }

std::string ReadStandardInput() {
  std::string text(4096, '\0');
  const auto count = ::read(kStandardInputDescriptor, text.data(), text.size());
  text.resize(count > 0 ? static_cast<std::size_t>(count) : 0);
  return text;
}

}  // namespace usblink

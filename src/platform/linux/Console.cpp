#include "platform/Console.h"

#include <unistd.h>

namespace usblink {

bool StderrIsTerminal() { return isatty(STDERR_FILENO) == 1; }

}  // namespace usblink

#include "platform/Console.h"

#include <io.h>

#include <cstdio>

namespace usblink {

bool StderrIsTerminal() { return _isatty(_fileno(stderr)) != 0; }

}  // namespace usblink

#pragma once
// Standard input and output as streams of bytes, for the file name "-".

#include <cstdio>

namespace usblink {

// stdin, passing every byte as it comes (Windows: no CR LF or Ctrl-Z
// translation).
std::FILE* BinaryStandardInput();
// stdout, the same way.
std::FILE* BinaryStandardOutput();

}  // namespace usblink

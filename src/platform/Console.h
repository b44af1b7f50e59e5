#pragma once
// The terminal the command line writes to.

#include <string>

namespace usblink {

// Standard input's descriptor, to watch for input.
inline constexpr int kStandardInputDescriptor = 0;

// True when stderr is a terminal, so a progress bar can be drawn there.
bool StderrIsTerminal();

// What standard input holds now, waiting only while it holds nothing; empty
// at its end.
std::string ReadStandardInput();

}  // namespace usblink

#pragma once
// The terminal the command line writes to.

#include <string>
#include <system_error>

namespace usblink {

// Standard input's descriptor, to watch for input.
inline constexpr int kStandardInputDescriptor = 0;

// Puts the null device on each of standard input, output and error that is
// closed, so no file or device opened later can take its place and receive
// what is meant for the terminal. Called first thing; the reason when the
// null device cannot be opened.
std::error_code KeepStandardDescriptorsOpen();

// True when stderr is a terminal, so a progress bar can be drawn there.
bool StderrIsTerminal();

// What standard input holds now, waiting only while it holds nothing; empty
// at its end.
std::string ReadStandardInput();

}  // namespace usblink

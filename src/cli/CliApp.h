#pragma once
// usblink-cli: runs one command of the command line and gives its exit status.

#include <chrono>
#include <cstdio>
#include <functional>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "platform/HidApi.h"
#include "platform/StopSignals.h"
#include "protocol/Pacer.h"

namespace usblink::cli {

struct Terminal {
  std::ostream& out;
  std::ostream& err;
  bool errIsTerminal = false;
  // The terminal on stderr interprets escape sequences.
  bool errTakesEscapes = true;
};

// What the command line runs on; tests replace it.
struct Environment {
  // The real HID backend, used when --simulate is not asked for.
  std::function<std::unique_ptr<HidApi>()> platform;
  // The wait between polls; `fast` is --fast.
  std::function<std::unique_ptr<Pacer>(bool fast)> pacer;
  // Why the real calculator was not found, when the platform can tell.
  std::function<std::optional<std::string>()> accessHint;
  // How the simulated calculator's slow reads (--sim-slow-read) take their time.
  std::function<void(std::chrono::milliseconds)> sleep;
  // The node of a real calculator that another program holds, when the
  // platform can tell.
  std::function<std::optional<std::string>()> calculatorInUse;
  // Ctrl-C and the requests to end, as they come.
  StopSignals& signals;
  // The streams a FILE of "-" names: the image read from standard input,
  // the read-back written to standard output.
  std::function<std::FILE*()> standardInput;
  std::function<std::FILE*()> standardOutput;
};

int RunCli(const std::vector<std::string>& arguments, Terminal terminal,
           const Environment& environment);

}  // namespace usblink::cli

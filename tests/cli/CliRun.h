#pragma once
// Runs usblink-cli in the test process, on virtual time.

#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "cli/CliApp.h"
#include "platform/sim/SimHidApi.h"
#include "support/VirtualPacer.h"

namespace usblink::testing {

struct CliRun {
  int status = -1;
  std::string out;
  std::string err;

  [[nodiscard]] std::vector<std::string> OutLines() const {
    std::vector<std::string> lines;
    std::istringstream in(out);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
  }
};

// Without --simulate the command line gets this machine's "real" bus: empty.
// `errIsTerminal` asks for the progress bar, `errTakesEscapes` for its escapes.
inline CliRun RunCli(std::vector<std::string> arguments, bool errIsTerminal = false,
                     bool errTakesEscapes = true) {
  static sim::SimBus emptyBus;
  std::ostringstream out;
  std::ostringstream err;
  const cli::Environment environment{
      [] { return std::make_unique<sim::SimHidApi>(emptyBus); },
      [](bool) { return std::make_unique<VirtualPacer>(); },
      [] { return std::optional<std::string>("the calculator's node is not yours"); }};
  CliRun run;
  run.status = cli::RunCli(arguments, {out, err, errIsTerminal, errTakesEscapes}, environment);
  run.out = out.str();
  run.err = err.str();
  return run;
}

}  // namespace usblink::testing

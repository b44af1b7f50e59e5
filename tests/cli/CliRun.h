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
  std::chrono::milliseconds elapsed{0};  // virtual time the run took

  [[nodiscard]] std::vector<std::string> OutLines() const {
    std::vector<std::string> lines;
    std::istringstream in(out);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
  }
};

// Without --simulate the command line gets this machine's "real" bus: empty.
// `errIsTerminal` asks for the progress bar.
inline CliRun RunCli(std::vector<std::string> arguments, bool errIsTerminal = false) {
  static sim::SimBus emptyBus;
  std::ostringstream out;
  std::ostringstream err;
  // The pacer's clock; slow simulated reads take their time from it too.
  const auto clock = std::make_shared<VirtualClock>();
  const cli::Environment environment{
      [] { return std::make_unique<sim::SimHidApi>(emptyBus); },
      [clock](bool) {
        auto pacer = std::make_unique<VirtualPacer>();
        pacer->clock = clock;
        return pacer;
      },
      [] { return std::optional<std::string>("the calculator's node is not yours"); },
      [clock](std::chrono::milliseconds duration) { clock->now += duration; }};
  CliRun run;
  run.status = cli::RunCli(arguments, {out, err, errIsTerminal}, environment);
  run.out = out.str();
  run.err = err.str();
  run.elapsed = clock->now;
  return run;
}

}  // namespace usblink::testing

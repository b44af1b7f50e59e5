#pragma once
// Runs usblink-cli in the test process, on virtual time.

#include <cstdio>
#include <functional>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "cli/CliApp.h"
#include "platform/StopSignals.h"
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

// What a run meets from outside.
struct CliWorld {
  // Runs before every command is sent, with the count of those sent so far:
  // the moment to raise a signal on `signals`.
  std::function<void(long sent, StopSignals& signals)> beforeTransaction;
  // What the platform answers when asked whether another program holds the calculator.
  std::optional<std::string> calculatorInUse;
  // What the platform says of a calculator that is there but may not be opened.
  std::optional<std::string> accessHint;
  // What "-" reads and writes; the process's own when null.
  std::FILE* standardInput = nullptr;
  std::FILE* standardOutput = nullptr;
  // Whether stderr's console draws the progress bar's escapes.
  bool errTakesEscapes = true;
};

// Without --simulate the command line gets this machine's "real" bus: empty.
// `errIsTerminal` asks for the progress bar.
inline CliRun RunCli(std::vector<std::string> arguments, bool errIsTerminal = false,
                     CliWorld world = {}) {
  static sim::SimBus emptyBus;
  std::ostringstream out;
  std::ostringstream err;
  StopSignals signals;
  // The pacer's clock; slow simulated reads take their time from it too.
  const auto clock = std::make_shared<VirtualClock>();
  const auto sent = std::make_shared<long>(0);
  const cli::Environment environment{
      [] { return std::make_unique<sim::SimHidApi>(emptyBus); },
      [clock, sent, &world, &signals](bool) {
        auto pacer = std::make_unique<VirtualPacer>();
        pacer->clock = clock;
        pacer->beforeTransaction = [sent, &world, &signals] {
          if (world.beforeTransaction) world.beforeTransaction((*sent)++, signals);
        };
        return pacer;
      },
      [&world] { return world.accessHint; },
      [clock](std::chrono::milliseconds duration) { clock->now += duration; },
      [&world] { return world.calculatorInUse; },
      signals,
      [&world] { return world.standardInput ? world.standardInput : stdin; },
      [&world] { return world.standardOutput ? world.standardOutput : stdout; }};
  CliRun run;
  run.status =
      cli::RunCli(arguments, {out, err, errIsTerminal, world.errTakesEscapes}, environment);
  run.out = out.str();
  run.err = err.str();
  run.elapsed = clock->now;
  return run;
}

}  // namespace usblink::testing

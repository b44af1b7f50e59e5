#pragma once
// Runs usblink-cli in the test process, on virtual time.

#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <functional>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "cli/CliApp.h"
#include "fleet/SessionPort.h"
#include "platform/os/StopSignals.h"
#include "sim/SimHidApi.h"
#include "support/VirtualPacer.h"

namespace usblink::testing {

// The handshake's transactions before any command's own.
constexpr long kConnectTransactions = 3;

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
  // Each line of stdout as a JSON object (--json); a line that is not one fails the test.
  [[nodiscard]] std::vector<Json> Objects() const {
    std::vector<Json> objects;
    for (const auto& line : OutLines()) {
      objects.push_back(Json::parse(line, nullptr, false));
      EXPECT_TRUE(objects.back().is_object()) << line;
    }
    return objects;
  }
  // The objects of one type.
  [[nodiscard]] std::vector<Json> Objects(std::string_view type) const {
    std::vector<Json> all = Objects();
    std::erase_if(all, [type](const Json& object) { return object.value("type", "") != type; });
    return all;
  }
  // The last line's object: the result.
  [[nodiscard]] Json Result() const {
    const auto objects = Objects();
    return objects.empty() ? Json() : objects.back();
  }
  // The result's fields that `expected` names, in its order, to compare with it.
  [[nodiscard]] Json ResultFields(const Json& expected) const {
    const Json result = Result();
    Json picked = Json::object();
    for (const auto& [key, value] : expected.items()) {
      picked[key] = result.contains(key) ? result[key] : Json();
    }
    return picked;
  }
};

// What a run meets from outside.
struct CliWorld {
  // Runs before every command is sent, with the count of those sent so far:
  // the moment to raise a signal on `signals`. With several calculators
  // their threads call it at once.
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
  // The terminal's width.
  int columns = cli::kDefaultColumns;
  // Its height.
  int rows = cli::kDefaultRows;
  // Runs after each of the command line's own waits (--wait's retries), with
  // the bus the command line finds without --simulate and the time now:
  // the moment to plug something in.
  std::function<void(sim::SimBus& machine, std::chrono::milliseconds now)> afterWait;
  // Runs after each of them too, with the signals: the moment to stop a station.
  std::function<void(std::chrono::milliseconds now, StopSignals& signals)> afterWaitSignals;
};

// Without --simulate the command line gets this machine's "real" bus: empty
// unless `world` plugs something in. `errIsTerminal` asks for the progress bar.
inline CliRun RunCli(std::vector<std::string> arguments, bool errIsTerminal = false,
                     CliWorld world = {}) {
  sim::SimBus machine;
  std::ostringstream out;
  std::ostringstream err;
  StopSignals signals;
  // The pacer's clock; slow simulated reads take their time from it too.
  const auto clock = std::make_shared<VirtualClock>();
  const auto sent = std::make_shared<std::atomic<long>>(0);
  const Environment environment{
      [&machine] { return std::make_unique<sim::SimHidApi>(machine); },
      [clock, sent, &world, &signals](bool) {
        auto pacer = std::make_unique<VirtualPacer>();
        pacer->clock = clock;
        pacer->beforeTransaction = [sent, &world, &signals] {
          if (world.beforeTransaction) world.beforeTransaction((*sent)++, signals);
        };
        return pacer;
      },
      [&world] { return world.accessHint; },
      [clock, &machine, &world, &signals](std::chrono::milliseconds duration) {
        const auto now = clock->Advance(duration);
        if (world.afterWait) world.afterWait(machine, now);
        if (world.afterWaitSignals) world.afterWaitSignals(now, signals);
        // Virtual time passes at once: the other threads get their turn.
        std::this_thread::yield();
      },
      [&world] { return world.calculatorInUse; },
      signals,
      [&world] { return world.standardInput ? world.standardInput : stdin; },
      [&world] { return world.standardOutput ? world.standardOutput : stdout; }};
  CliRun run;
  run.status = cli::RunCli(arguments,
                           {out, err, errIsTerminal, world.errTakesEscapes,
                            [&world] { return world.columns; }, [&world] { return world.rows; }},
                           environment);
  run.out = out.str();
  run.err = err.str();
  run.elapsed = clock->Now();
  return run;
}

}  // namespace usblink::testing

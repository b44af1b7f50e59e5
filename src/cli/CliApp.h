#pragma once
// usblink-cli: runs one command of the command line and gives its exit status,
// on the terminal it writes to and at the pace it polls the calculator.

#include <chrono>
#include <cstdio>
#include <functional>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "fleet/Request.h"
#include "protocol/Pacer.h"
#include "protocol/PollPace.h"

namespace usblink::cli {

inline constexpr int kDefaultColumns = 80;
inline constexpr int kDefaultRows = 24;

struct Terminal {
  std::ostream& out;
  std::ostream& err;
  bool errIsTerminal = false;
  // The terminal on stderr interprets escape sequences.
  bool errTakesEscapes = true;
  // Its width in columns, asked whenever the progress bar is drawn.
  std::function<int()> columns = [] { return kDefaultColumns; };
  // Its height in lines, asked whenever the progress of several calculators is drawn.
  std::function<int()> rows = [] { return kDefaultRows; };
};

// The width of the terminal on stderr: `told` by the system, else $COLUMNS,
// else kDefaultColumns.
int TerminalColumns(std::optional<int> told);
// Its height: `told` by the system, else $LINES, else kDefaultRows.
int TerminalRows(std::optional<int> told);

int RunCli(const std::vector<std::string>& arguments, Terminal terminal,
           const Environment& environment);

// The command line's wait between polls: a plain sleep, which costs no CPU.
class SleepPacer final : public Pacer {
 public:
  explicit SleepPacer(PollPace pace) : pace_(pace) {}

  void WaitForTick(int polls) override;
  [[nodiscard]] bool PollLimitReached(int reads, Clock::duration sinceSent) const override {
    return pace_.LimitReached(reads, sinceSent);
  }

 private:
  PollPace pace_;
};

}  // namespace usblink::cli

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

#include "platform/hid/HidApi.h"
#include "platform/os/StopSignals.h"
#include "protocol/Pacer.h"

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

// What the command line runs on; tests replace it.
struct Environment {
  // The real HID backend, used when --simulate is not asked for.
  std::function<std::unique_ptr<HidApi>()> platform;
  // The wait between polls; `fast` is --fast.
  std::function<std::unique_ptr<Pacer>(bool fast)> pacer;
  // Why the real calculator was not found, when the platform can tell.
  std::function<std::optional<std::string>()> accessHint;
  // How the command line's own waits take their time: the retries of
  // --wait, the simulated calculator's slow reads (--sim-slow-read).
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

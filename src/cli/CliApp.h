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

#include "fleet/Request.h"

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

}  // namespace usblink::cli

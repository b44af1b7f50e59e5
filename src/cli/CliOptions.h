#pragma once
// The command line of usblink-cli, parsed into values. Its commands and
// options are defined once, in CliOptions.cpp; the help pages and the
// reference below are made from that definition.

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "fleet/Request.h"
#include "protocol/Result.h"

namespace usblink::cli {

// What is printed instead of running a command: a help page, the version.
struct Page {
  std::string text;
};

struct ParseResult {
  // The command to run or the page asked for; else the usage error.
  Result<std::variant<Options, Page>> request;
  bool json = false;  // --json was given, also beside a usage error

  // The command to run; none when a page was asked for or on a usage error.
  [[nodiscard]] const Options* ToRun() const {
    return request ? std::get_if<Options>(&*request) : nullptr;
  }
};

ParseResult ParseCommandLine(const std::vector<std::string>& arguments);

// What the command line defines, as its reference in the README names it.
struct CommandLineReference {
  // "download FILE", "read [FILE]", "list", ...
  std::vector<std::string> commands;
  // "-q, --quiet", "--log FILE", ...: every option outside the simulated calculator's
  std::vector<std::string> options;
  // "--sim-busy N", ...
  std::vector<std::string> simulationOptions;
  // The statuses the help explains.
  std::vector<int> exitStatuses;
};

CommandLineReference DescribeCommandLine();

// The word that names `command` on the command line ("download").
std::string_view CommandWord(Command command);

}  // namespace usblink::cli

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
#include <vector>

#include "fleet/Request.h"

namespace usblink::cli {

struct ParseResult {
  std::optional<Options> options;   // the command to run
  std::string error;                // why the command line is not usable
  std::optional<std::string> help;  // the help page asked for instead
  bool version = false;             // --version asked for instead
  bool json = false;                // --json was given, also beside a usage error
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

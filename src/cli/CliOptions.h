#pragma once
// The command line of usblink-cli, parsed into values.

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/sim/SimCalculator.h"

namespace usblink::cli {

enum class Command { List, Connect, Check, Download, Read, Verify, Help, Version };

struct SimulationOptions {
  std::optional<std::filesystem::path> flashFile;
  std::optional<std::filesystem::path> saveFile;
  sim::CalculatorFaults faults;
  int others = 0;
  std::optional<int> lockedInterface;
  bool absent = false;
  std::optional<std::pair<std::uint16_t, std::uint16_t>> ids;
  std::optional<std::filesystem::path> descriptorFile;
  std::chrono::milliseconds slowRead{0};  // every input-report read takes this long
};

struct Options {
  Command command = Command::Help;
  std::optional<std::filesystem::path> file;  // FILE of check, download, read, verify
  bool simulate = false;
  std::optional<std::filesystem::path> backupFile;
  std::optional<double> waitSeconds;
  std::optional<std::filesystem::path> logFile;
  bool json = false;
  bool quiet = false;
  bool verbose = false;  // the whole log on stdout, as the window shows it
  bool fast = false;
  bool force = false;  // download an image larger than the flash: its first 262,144 bytes
  SimulationOptions sim;
};

struct ParseResult {
  std::optional<Options> options;
  std::string error;  // set when the command line is not usable
};

ParseResult ParseCommandLine(const std::vector<std::string>& arguments);

// The word that names `command` on the command line ("download"; "help" and
// "version" for the options that ask for them).
std::string_view CommandWord(Command command);

// The text of --help.
std::string UsageText();

}  // namespace usblink::cli

#pragma once
// The command line of usblink-cli, parsed into values.

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
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
  int calculators = 1;                    // each with its own flash and serial number
  std::optional<int> faultOn;             // the faults are calculator n's only, from 1
  std::optional<double> arriveEvery;      // seconds between the calculators' arrivals
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
  bool fast = false;
  bool force = false;  // download an image larger than the flash: its first 262,144 bytes
  SimulationOptions sim;
};

struct ParseResult {
  std::optional<Options> options;
  std::string error;  // set when the command line is not usable
};

ParseResult ParseCommandLine(const std::vector<std::string>& arguments);

// The text of --help.
std::string UsageText();

}  // namespace usblink::cli

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

#include "hid/InterfaceWalk.h"
#include "sim/SimCalculator.h"

namespace usblink::cli {

enum class Command { List, Connect, Check, Download, Read, Verify, Station };

// The FILE that names standard input (the image of check, download and
// verify) or standard output (the target of read).
inline constexpr std::string_view kStandardStreamName = "-";
[[nodiscard]] bool IsStandardStream(const std::filesystem::path& file);

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
  std::optional<double> arriveEvery;      // seconds from one calculator's arrival to the next
};

struct Options {
  Command command = Command::List;
  std::optional<std::filesystem::path> file;  // FILE of check, download, read, verify, station
  bool simulate = false;
  std::optional<std::filesystem::path> backupFile;
  std::optional<double> waitSeconds;
  std::optional<std::filesystem::path> logFile;
  bool json = false;
  bool quiet = false;
  bool verbose = false;  // the whole log on stdout, as the window shows it
  bool fast = false;
  bool force = false;  // download an image larger than the flash: its first 262,144 bytes
  std::optional<DeviceSelector> device;  // the one calculator among several
  bool all = false;                      // every calculator present, at once
  std::optional<int> count;              // the station ends after this many
  SimulationOptions sim;

  // The read-back goes to standard output, so nothing else may.
  [[nodiscard]] bool ReadsToStandardOutput() const {
    return command == Command::Read && file && IsStandardStream(*file);
  }
  // --all and the station: calculators at once, each on a thread of its own.
  [[nodiscard]] bool SeveralCalculators() const { return all || command == Command::Station; }
};

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

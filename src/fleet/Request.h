#pragma once
// What a run is asked to do, as the command line gives it, and what it runs
// on: the platform's backend, pacing, signals and standard streams.

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "hid/DeviceList.h"
#include "platform/hid/HidApi.h"
#include "platform/os/StopSignals.h"
#include "protocol/Pacer.h"
#include "sim/SimCalculator.h"

namespace usblink {

enum class Command { List, Connect, Check, Download, Read, Verify, Station };

// The FILE that names standard input (the image of check, download and
// verify) or standard output (the target of read).
inline constexpr std::string_view kStandardStreamName = "-";
[[nodiscard]] inline bool IsStandardStream(const std::filesystem::path& file) {
  return file == std::filesystem::path(kStandardStreamName);
}

struct SimulationOptions {
  std::optional<std::filesystem::path> flashFile;
  std::optional<std::filesystem::path> saveFile;
  std::optional<std::filesystem::path> keepFile;  // loaded when it exists, saved at the end
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
  // The serial numbers of the first calculators, in order, byte for byte.
  std::vector<std::string> serials;
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
  std::optional<double> idleSeconds;     // the station ends after this long without one
  SimulationOptions sim;

  // The read-back goes to standard output, so nothing else may.
  [[nodiscard]] bool ReadsToStandardOutput() const {
    return command == Command::Read && file && IsStandardStream(*file);
  }
  // --all and the station: calculators at once, each on a thread of its own.
  [[nodiscard]] bool SeveralCalculators() const { return all || command == Command::Station; }
};

// What a run runs on: the platform's services; tests replace them.
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

}  // namespace usblink

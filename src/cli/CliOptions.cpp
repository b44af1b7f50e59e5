#include "cli/CliOptions.h"

#include <charconv>
#include <map>
#include <string_view>

namespace usblink::cli {

namespace {

constexpr int kMostOtherInterfaces = 1000;

struct CommandSpec {
  Command command;
  int minFiles;
  int maxFiles;
};

const std::map<std::string_view, CommandSpec> kCommands = {
    {"list", {Command::List, 0, 0}},   {"connect", {Command::Connect, 0, 0}},
    {"check", {Command::Check, 1, 1}}, {"download", {Command::Download, 1, 1}},
    {"read", {Command::Read, 0, 1}},   {"verify", {Command::Verify, 1, 1}},
};

// Decimal, or hexadecimal after "0x".
template <typename T>
std::optional<T> ParseNumber(std::string_view text, int base = 10) {
  if (base == 10 && (text.starts_with("0x") || text.starts_with("0X"))) {
    text.remove_prefix(2);
    base = 16;
  }
  T value{};
  const auto* end = text.data() + text.size();
  const auto result = std::from_chars(text.data(), end, value, base);
  if (text.empty() || result.ec != std::errc{} || result.ptr != end) return std::nullopt;
  return value;
}

std::optional<std::uint8_t> ParseByte(std::string_view text, int base = 10) {
  const auto value = ParseNumber<unsigned>(text, base);
  if (!value || *value > 0xFF) return std::nullopt;
  return static_cast<std::uint8_t>(*value);
}

std::optional<std::uint16_t> ParseId(std::string_view text) {
  const auto value = ParseNumber<unsigned>(text, 16);
  if (!value || *value > 0xFFFF || text.size() > 4) return std::nullopt;
  return static_cast<std::uint16_t>(*value);
}

std::optional<int> ParseCount(std::string_view text) {
  const auto value = ParseNumber<int>(text);
  if (!value || *value < 0) return std::nullopt;
  return value;
}

std::vector<std::string_view> Split(std::string_view text, char separator) {
  std::vector<std::string_view> parts;
  for (std::size_t start = 0;;) {
    const std::size_t end = text.find(separator, start);
    parts.push_back(text.substr(start, end - start));
    if (end == std::string_view::npos) return parts;
    start = end + 1;
  }
}

class Parser {
 public:
  explicit Parser(const std::vector<std::string>& arguments) : arguments_(arguments) {}

  ParseResult Parse() {
    std::vector<std::string> positional;
    for (index_ = 0; index_ < arguments_.size() && error_.empty(); ++index_) {
      std::string_view argument = arguments_[index_];
      if (argument == "--") {
        positional.insert(positional.end(), arguments_.begin() + static_cast<long>(index_) + 1,
                          arguments_.end());
        break;
      }
      if (argument.size() > 1 && argument.front() == '-') {
        Option(argument);
      } else {
        positional.emplace_back(argument);
      }
    }
    if (error_.empty() && !help_ && !version_) Positional(positional);
    if (error_.empty()) CheckCombinations();
    if (!error_.empty()) return {std::nullopt, error_};
    if (help_)
      options_.command = Command::Help;
    else if (version_)
      options_.command = Command::Version;
    return {options_, {}};
  }

 private:
  void Fail(std::string message) {
    if (error_.empty()) error_ = std::move(message);
  }

  // The value of an option: after "=" or the next argument.
  std::optional<std::string> Value(std::string_view name) {
    if (inlineValue_) return std::string(*inlineValue_);
    if (index_ + 1 >= arguments_.size()) {
      Fail("option " + std::string(name) + " needs a value");
      return std::nullopt;
    }
    return arguments_[++index_];
  }

  template <typename T>
  void Set(std::string_view name, std::optional<T> parsed, T& target, std::string_view expected) {
    if (!parsed) {
      Fail("option " + std::string(name) + " expects " + std::string(expected));
      return;
    }
    target = *parsed;
  }

  void Option(std::string_view argument) {
    inlineValue_.reset();
    std::string_view name = argument;
    if (const auto equals = argument.find('='); equals != std::string_view::npos) {
      name = argument.substr(0, equals);
      inlineValue_ = argument.substr(equals + 1);
    }
    if (name.starts_with("--sim-")) usesSimulation_ = std::string(name);
    const bool flag = name == "-h" || name == "--help" || name == "--version" ||
                      name == "--simulate" || name == "--json" || name == "-q" ||
                      name == "--quiet" || name == "-v" || name == "--verbose" ||
                      name == "--fast" || name == "--force" || name == "--sim-absent";
    if (flag && inlineValue_) return Fail("option " + std::string(name) + " takes no value");

    auto& sim = options_.sim;
    if (name == "-h" || name == "--help")
      help_ = true;
    else if (name == "--version")
      version_ = true;
    else if (name == "--simulate")
      options_.simulate = true;
    else if (name == "--json")
      options_.json = true;
    else if (name == "-q" || name == "--quiet")
      options_.quiet = true;
    else if (name == "-v" || name == "--verbose")
      options_.verbose = true;
    else if (name == "--fast")
      options_.fast = true;
    else if (name == "--force")
      options_.force = true;
    else if (name == "--sim-absent")
      sim.absent = true;
    else if (name == "--backup")
      Path(name, options_.backupFile);
    else if (name == "--log")
      Path(name, options_.logFile);
    else if (name == "--sim-flash")
      Path(name, sim.flashFile);
    else if (name == "--sim-save")
      Path(name, sim.saveFile);
    else if (name == "--sim-descriptor")
      Path(name, sim.descriptorFile);
    else if (name == "--wait")
      Wait(name);
    else if (name == "--sim-busy")
      Count(name, sim.faults.busyReplies);
    else if (name == "--sim-others")
      Count(name, sim.others);
    else if (name == "--sim-slow-read")
      Milliseconds(name, sim.slowRead);
    else if (name == "--sim-bad-bank")
      OptionalCount(name, sim.faults.badChecksumBank);
    else if (name == "--sim-silent-after")
      OptionalCount(name, sim.faults.silentAfter);
    else if (name == "--sim-unplug-after")
      OptionalCount(name, sim.faults.unplugAfter);
    else if (name == "--sim-locked")
      OptionalCount(name, sim.lockedInterface);
    else if (name == "--sim-type")
      OptionalByte(name, sim.faults.type);
    else if (name == "--sim-flash-id")
      OptionalByte(name, sim.faults.flashId);
    else if (name == "--sim-identity") {
      if (auto value = Value(name)) sim.faults.identity = *value;
    } else if (name == "--sim-status")
      Status(name);
    else if (name == "--sim-ids")
      Ids(name);
    else
      Fail("unknown option " + std::string(name));
  }

  void Path(std::string_view name, std::optional<std::filesystem::path>& target) {
    if (auto value = Value(name)) {
      if (value->empty()) return Fail("option " + std::string(name) + " needs a file name");
      target = *value;
    }
  }

  void Wait(std::string_view name) {
    const auto value = Value(name);
    if (!value) return;
    try {
      std::size_t used = 0;
      const double seconds = std::stod(*value, &used);
      if (used == value->size() && seconds >= 0 && seconds <= 86400) {
        options_.waitSeconds = seconds;
        return;
      }
    } catch (const std::exception&) {
    }
    Fail("option " + std::string(name) + " expects seconds (0 to 86400)");
  }

  void Count(std::string_view name, int& target) {
    if (auto value = Value(name)) Set(name, ParseCount(*value), target, "a number");
  }

  void Milliseconds(std::string_view name, std::chrono::milliseconds& target) {
    int count = 0;
    const std::size_t before = error_.size();
    Count(name, count);
    if (error_.size() == before) target = std::chrono::milliseconds(count);
  }

  void OptionalCount(std::string_view name, std::optional<int>& target) {
    int count = 0;
    const std::size_t before = error_.size();
    Count(name, count);
    if (error_.size() == before) target = count;
  }

  void OptionalByte(std::string_view name, std::optional<std::uint8_t>& target) {
    if (auto value = Value(name)) {
      std::uint8_t byte = 0;
      const std::size_t before = error_.size();
      Set(name, ParseByte(*value), byte, "a number from 0 to 255");
      if (error_.size() == before) target = byte;
    }
  }

  void Status(std::string_view name) {
    const auto value = Value(name);
    if (!value) return;
    const auto parts = Split(*value, ':');
    const auto code = parts.size() == 3 ? ParseByte(parts[0], 16) : std::nullopt;
    const auto nth = parts.size() == 3 ? ParseCount(parts[1]) : std::nullopt;
    const auto status = parts.size() == 3 ? ParseByte(parts[2], 16) : std::nullopt;
    if (!code || !nth || *nth < 1 || !status) {
      return Fail("option " + std::string(name) + " expects CODE:N:STATUS (hex, from 1, hex)");
    }
    options_.sim.faults.statuses.push_back({*code, *nth, *status});
  }

  void Ids(std::string_view name) {
    const auto value = Value(name);
    if (!value) return;
    const auto parts = Split(*value, ':');
    const auto vendor = parts.size() == 2 ? ParseId(parts[0]) : std::nullopt;
    const auto product = parts.size() == 2 ? ParseId(parts[1]) : std::nullopt;
    if (!vendor || !product) return Fail("option " + std::string(name) + " expects VID:PID in hex");
    options_.sim.ids = std::pair{*vendor, *product};
  }

  void Positional(const std::vector<std::string>& positional) {
    if (positional.empty()) return Fail("no command given");
    const auto found = kCommands.find(positional.front());
    if (found == kCommands.end()) return Fail("unknown command " + positional.front());
    const CommandSpec& spec = found->second;
    const int files = static_cast<int>(positional.size()) - 1;
    if (files < spec.minFiles) return Fail(positional.front() + " needs a FILE");
    if (files > spec.maxFiles) return Fail("too many arguments for " + positional.front());
    options_.command = spec.command;
    if (files == 1) {
      if (positional[1].empty()) return Fail(positional.front() + " needs a FILE");
      options_.file = positional[1];
    }
  }

  void CheckCombinations() {
    if (help_ || version_) return;
    // A bus is walked interface by interface, with a log block for each call.
    if (options_.sim.others > kMostOtherInterfaces) {
      Fail("option --sim-others is at most " + std::to_string(kMostOtherInterfaces));
    }
    if (usesSimulation_ && !options_.simulate)
      Fail("option " + *usesSimulation_ + " needs --simulate");
    if (options_.backupFile && options_.command != Command::Download) {
      Fail("option --backup belongs to download");
    }
    if (options_.force && options_.command != Command::Download) {
      Fail("option --force belongs to download");
    }
  }

  const std::vector<std::string>& arguments_;
  std::size_t index_ = 0;
  std::optional<std::string_view> inlineValue_;
  Options options_;
  std::string error_;
  std::optional<std::string> usesSimulation_;
  bool help_ = false;
  bool version_ = false;
};

}  // namespace

ParseResult ParseCommandLine(const std::vector<std::string>& arguments) {
  return Parser(arguments).Parse();
}

std::string_view CommandWord(Command command) {
  for (const auto& [word, spec] : kCommands) {
    if (spec.command == command) return word;
  }
  return command == Command::Help ? "help" : "version";
}

}  // namespace usblink::cli

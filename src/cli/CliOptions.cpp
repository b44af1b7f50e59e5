#include "cli/CliOptions.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <array>
#include <map>
#include <utility>

#include "cli/HelpPages.h"
#include "cli/OptionValues.h"
#include "platform/hid/CalculatorIds.h"
#include "protocol/CalculatorProtocol.h"
#include "protocol/Outcome.h"

namespace usblink::cli {

namespace {

constexpr std::string_view kProgram = "usblink-cli";
// The help's section of the options of every command.
constexpr std::string_view kGeneralGroup = "Options";
// A bus is walked interface by interface, with a log block for each call.
constexpr int kMostOtherInterfaces = 1000;
// Each simulated calculator is served by a thread of its own in --all.
constexpr int kMostSimulatedCalculators = 64;

constexpr auto kAbout =
    WithCalculatorIds("Updates the firmware of the calculator (USB VVVV:PPPP) over USB HID.");

struct CommandEntry {
  Command command;
  std::string_view name;
  std::string_view file;     // the name of its one argument, or none
  bool fileOptional;         // that argument may be left out
  std::string_view summary;  // its line in the list of commands, at most 60 characters
  std::string_view details;  // what its own help says besides
};

constexpr std::array kCommands{
    CommandEntry{Command::List, "list", "", false,
                 "HID interfaces as discovery sees them; calculators marked",
                 "Lists the machine's HID interfaces in discovery's order, with their ids, "
                 "paths, serial numbers and names, and marks every calculator. Ends with "
                 "status 3 when none is one."},
    CommandEntry{Command::Connect, "connect", "", false,
                 "discovery + handshake, as the \"USB Link\" button",
                 "Finds the calculator, logging every platform call on the way, and runs the "
                 "handshake, as the window's \"USB Link\" button does."},
    CommandEntry{Command::Check, "check", "FILE", false,
                 "no device: what a download of FILE would send",
                 "Tells what a download of the image FILE would send, without a device: its "
                 "size, the blocks sent, the 0x00 bytes that complete the last block, the "
                 "checksum of every bank and the commit. An image that a download refuses (one "
                 "larger than the flash, or plainly no firmware: every byte text, or every byte "
                 "one value) ends with status 7 as the download would; with --force, what the "
                 "download sends all the same. A FILE of - is standard input."},
    CommandEntry{Command::Download, "download", "FILE", false,
                 "connect, then download FILE, as the \"Download\" button",
                 "Connects, then downloads the *.UD image FILE into the flash, bank by bank, as "
                 "the window's \"Download\" button does. FILE is read once, before the "
                 "calculator is touched; a FILE of - is standard input. An image larger than "
                 "the flash, or plainly no firmware (every byte text, or every byte one value), "
                 "is refused with status 7 and nothing sent, unless --force. After the commit the "
                 "calculator updates itself: do not unplug it until it shows \"Update "
                 "Success!\"."},
    CommandEntry{Command::Read, "read", "FILE", true,
                 "connect, then read banks 0-3 into FILE (default Load.bin)",
                 "Connects, then reads flash banks 0-3 (262,144 bytes) into FILE, Load.bin when "
                 "left out. FILE is replaced only once the last byte is read; else the bytes read "
                 "are kept as FILE.partial. A FILE of - is standard output, and the log goes to "
                 "stderr instead."},
    CommandEntry{Command::Verify, "verify", "FILE", false,
                 "read back, compare with what a download of FILE writes",
                 "Connects, reads the flash back and compares it with what a download of the "
                 "image FILE writes: the first differing offset and the count of differing "
                 "bytes. A FILE of - is standard input."},
    CommandEntry{Command::Station, "station", "FILE", false,
                 "wait for calculators, download FILE to each one",
                 "Waits for calculators and downloads the *.UD image FILE to each one as it is "
                 "plugged in, several at once. A line tells when a calculator arrives, when its "
                 "update ends and what to do with it then, and when it is back after its update "
                 "(its reset): unplug it only once it shows \"Update Success!\". A calculator is "
                 "taken once a run: one that comes back is left alone. The first Ctrl-C takes no "
                 "more calculators and lets the running updates finish; a second one stops them "
                 "between two exchanges. FILE is read once, before any calculator is touched; a "
                 "FILE of - is standard input."},
};

const CommandEntry& EntryOf(Command command) {
  return *std::ranges::find(kCommands, command, &CommandEntry::command);
}

// An input file of the simulated calculator: missing, it is a usage error.
CLI::Option* ExistingInput(CLI::Option* option) {
  // Without a description of its own, which would add to the value's name.
  return option->check(CLI::Validator(CLI::ExistingFile).description(""));
}

std::string JoinedCommandNames(const std::vector<Command>& commands) {
  std::string names;
  for (std::size_t i = 0; i < commands.size(); ++i) {
    if (i > 0) names += i + 1 == commands.size() ? " and " : ", ";
    names += EntryOf(commands[i]).name;
  }
  return names;
}

// --help-simulate: the page of the simulated calculator's options.
class SimulationHelpRequest : public CLI::Success {
 public:
  SimulationHelpRequest()
      : CLI::Success("SimulationHelpRequest", "the simulated calculator's options",
                     CLI::ExitCodes::Success) {}
};

// The one definition of the command line: its commands and options, the
// values they set, the commands each belongs to and the help pages.
class CommandLine {
 public:
  CommandLine();
  CommandLine(const CommandLine&) = delete;
  CommandLine& operator=(const CommandLine&) = delete;

  ParseResult Parse(const std::vector<std::string>& arguments);
  [[nodiscard]] CommandLineReference Describe() const;

 private:
  // An option that belongs to some commands only; every command when empty.
  struct Belonging {
    const CLI::Option* option;
    std::vector<Command> commands;
  };

  // The table's rows: an option with a value, and one without. One that
  // belongs to some commands only is shown under their name.
  CLI::Option* Value(const std::string& names, const std::string& valueName,
                     const std::string& help, Take take, std::vector<Command> commands = {});
  CLI::Option* Flag(const std::string& names, bool& target, const std::string& help,
                    std::vector<Command> commands = {});
  void Belongs(CLI::Option* option, std::vector<Command> commands);
  // What `option` does for `command`, where that differs from command to command.
  void DoesFor(const CLI::Option* option, Command command, std::string description);
  void AddCommands();
  void AddOptions();
  void AddSimulationOptions();

  // Whether the options given fit the command given; else the usage error.
  [[nodiscard]] Result<void> OptionsFit() const;

  // The page of `app`: the whole command line's or one command's.
  [[nodiscard]] std::string HelpPage(const CLI::App& app) const;
  [[nodiscard]] CommandHelp HelpOf(const CommandEntry& entry) const;

  Options options_;
  CLI::App app_;
  std::vector<Belonging> belonging_;
  std::map<std::pair<const CLI::Option*, Command>, std::string> doesFor_;
};

CommandLine::CommandLine() : app_(kAbout.data(), std::string(kProgram)) {
  // Options of the whole command line also stand after the command.
  app_.fallthrough();
  // "/tmp/a.UD" is a file on Windows too, never an option.
  app_.allow_windows_style_options(false);
  app_.require_subcommand(0, 1);
  app_.formatter_fn([this](const CLI::App* app, const std::string&, CLI::AppFormatMode) {
    return HelpPage(*app);
  });
  AddCommands();
  AddOptions();
  AddSimulationOptions();
}

CLI::Option* CommandLine::Value(const std::string& names, const std::string& valueName,
                                const std::string& help, Take take, std::vector<Command> commands) {
  CLI::Option* option = app_.add_option(names, help)
                            ->type_name(valueName)
                            ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll)
                            ->each(std::move(take));
  Belongs(option, std::move(commands));
  return option;
}

CLI::Option* CommandLine::Flag(const std::string& names, bool& target, const std::string& help,
                               std::vector<Command> commands) {
  CLI::Option* option = app_.add_flag(names, target, help)->disable_flag_override();
  Belongs(option, std::move(commands));
  return option;
}

void CommandLine::Belongs(CLI::Option* option, std::vector<Command> commands) {
  if (commands.empty()) return;
  option->group("Options of " + JoinedCommandNames(commands));
  belonging_.push_back({option, std::move(commands)});
}

void CommandLine::DoesFor(const CLI::Option* option, Command command, std::string description) {
  doesFor_[{option, command}] = std::move(description);
}

void CommandLine::AddCommands() {
  for (const CommandEntry& entry : kCommands) {
    CLI::App* command = app_.add_subcommand(std::string(entry.name), std::string(entry.summary));
    command->set_help_flag("-h,--help", "the help of " + std::string(entry.name));
    if (entry.file.empty()) continue;
    command->add_option(std::string(entry.file), "the command's file")
        ->required(!entry.fileOptional)
        ->each(CommandFileInto(options_.file));
  }
}

void CommandLine::AddOptions() {
  app_.option_defaults()->group(std::string(kGeneralGroup));
  Flag("--simulate", options_.simulate,
       "the built-in simulated calculator instead of the real device");
  Value("--wait", "SECONDS", "retry discovery every 250 ms until the calculator appears",
        SecondsInto(options_.waitSeconds));
  Value("--log", "FILE", "also write the log to FILE", FileNameInto(options_.logFile));
  Flag("--json", options_.json, "JSON Lines on stdout: log, progress, messages, the result");
  CLI::Option* quiet =
      Flag("-q,--quiet", options_.quiet, "no log lines, only messages and the result");
  CLI::Option* verbose =
      Flag("-v,--verbose", options_.verbose, "the whole log, line for line as the window shows it");
  quiet->excludes(verbose);
  Flag("--fast", options_.fast,
       "poll at once, then every 1 ms at most, not every 10 ms (the device still gets its 5 s)");
  app_.set_help_flag("-h,--help", "this help; COMMAND --help: the help of COMMAND");
  app_.add_flag_callback(
      "--help-simulate", [] { throw SimulationHelpRequest(); },
      "the options of the simulated calculator");
  app_.add_flag_callback(
      "--version", [] { throw CLI::CallForVersion(); }, "the version");

  const std::vector calculatorCommands{Command::Connect, Command::Download, Command::Read,
                                       Command::Verify};
  CLI::Option* device =
      Value("--device", "N|SERIAL|PATH",
            "among several, the calculator numbered N by list at the moment of the run, or with "
            "this serial number (in any case, when only one matches; digits are a serial number "
            "when one is exactly them), or with this device path (a text with / or \\)",
            DeviceInto(options_.device), calculatorCommands);
  CLI::Option* all =
      Flag("--all", options_.all, "every calculator present, at once: [n] before each line",
           calculatorCommands);
  device->excludes(all);
  Value("--count", "N", "end after N calculators", NumberFromOneInto(options_.count),
        {Command::Station});
  Value("--idle", "SECONDS",
        "end once no calculator has arrived for SECONDS and no update runs, so that an "
        "unattended station updates nothing plugged in later",
        SecondsInto(options_.idleSeconds), {Command::Station});

  Value("--backup", "FILE",
        "read banks 0-3 into FILE first; no write if that fails. An existing FILE is replaced "
        "only with --force",
        FileNameInto(options_.backupFile), {Command::Download});
  const std::string refused =
      "send an image that is refused otherwise: one larger than 262,144 bytes, the whole flash "
      "(only its first 262,144 bytes are sent), or plainly no firmware (every byte text, or "
      "every byte one value)";
  const std::string preview =
      "tell what a download with --force sends: its warnings instead of the refusal";
  const std::string replace = "let --backup replace an existing FILE";
  const CLI::Option* force =
      Flag("--force", options_.force,
           "download and station: " + refused + "; check: " + preview + "; download: " + replace,
           {Command::Check, Command::Download, Command::Station});
  DoesFor(force, Command::Check, preview);
  DoesFor(force, Command::Download, refused + "; " + replace);
  DoesFor(force, Command::Station, refused);
}

void CommandLine::AddSimulationOptions() {
  auto& sim = options_.sim;
  auto& faults = sim.faults;
  app_.option_defaults()->group(std::string(kSimulationGroup));
  CLI::Option* flash = ExistingInput(Value(
      "--sim-flash", "FILE", "initial flash (default all 0xFF)", FileNameInto(sim.flashFile)));
  CLI::Option* keep = Value("--sim-keep", "FILE",
                            "keep the flash from run to run in FILE: start with FILE's flash "
                            "when it exists, else all 0xFF, and write the flash to FILE when "
                            "the program ends",
                            FileNameInto(sim.keepFile));
  keep->excludes(flash);
  const std::vector<CLI::Option*> all{
      flash,
      keep,
      Value("--sim-save", "FILE", "write the 262,144 flash bytes to FILE when the program ends",
            FileNameInto(sim.saveFile)),
      Value("--sim-busy", "N", "N busy replies before every answer",
            NumberInto(faults.busyReplies)),
      Value("--sim-status", "CODE:N:STATUS",
            "status STATUS (hex) for the N-th command (from 1) of CODE (hex)",
            StatusInto(faults.statuses)),
      Value("--sim-bad-bank", "N", "wrong checksum for bank N", NumberInto(faults.badChecksumBank)),
      Value("--sim-identity", "TEXT",
            "identity answer instead of \"" + std::string(kCalculatorIdentity) + "\"",
            TextInto(faults.identity)),
      Value("--sim-type", "N", "type answer (0 is accepted)", ByteInto(faults.type)),
      Value("--sim-flash-id", "N", "flash answer (255 is refused)", ByteInto(faults.flashId)),
      Value("--sim-silent-after", "N", "after N commands the calculator stays busy",
            NumberInto(faults.silentAfter)),
      Value("--sim-slow-read", "MS", "every input-report read takes MS milliseconds",
            MillisecondsInto(sim.slowRead)),
      Value("--sim-unplug-after", "N", "after N commands the calculator is unplugged",
            NumberInto(faults.unplugAfter)),
      Value("--sim-others", "N", "N other HID interfaces before the calculator",
            NumberUpToInto(sim.others, kMostOtherInterfaces)),
      Value("--sim-locked", "I", "interface I (from 0) cannot be opened",
            NumberInto(sim.lockedInterface)),
      Flag("--sim-absent", sim.absent, "no calculator on the bus"),
      Value("--sim-ids", "VID:PID", "the calculator's ids (hex)", IdsInto(sim.ids)),
      ExistingInput(Value("--sim-descriptor", "FILE", "the calculator's report descriptor (binary)",
                          FileNameInto(sim.descriptorFile))),
      Value("--sim-calculators", "N",
            "N calculators after the others, each with a flash and serial of its own; with "
            "N >= 2 --sim-save FILE and --sim-keep FILE mean FILE.n for calculator n",
            NumberUpToInto(sim.calculators, kMostSimulatedCalculators)),
      Value("--sim-serials", "LIST",
            "serial numbers of calculators 1, 2, ..., separated by ','; \\xHH is byte HH, an "
            "empty one a calculator without",
            SerialsInto(sim.serials)),
      Value("--sim-fault-on", "N", "the faults given are calculator N's (from 1) only",
            NumberFromOneInto(sim.faultOn)),
      Value("--sim-arrive-every", "SECONDS",
            "the calculators appear one after another, SECONDS apart",
            SecondsInto(sim.arriveEvery)),
  };
  CLI::Option* simulate = app_.get_option("--simulate");
  for (CLI::Option* option : all) option->needs(simulate);
}

Result<void> CommandLine::OptionsFit() const {
  for (const Belonging& belonging : belonging_) {
    if (belonging.option->count() == 0 ||
        std::ranges::find(belonging.commands, options_.command) != belonging.commands.end()) {
      continue;
    }
    return Failure{kExitUsage, "option " + belonging.option->get_name() + " belongs to " +
                                   JoinedCommandNames(belonging.commands)};
  }
  return {};
}

ParseResult CommandLine::Parse(const std::vector<std::string>& arguments) {
  // Seen even when the parse stops before it, so that a usage error is told in JSON.
  const auto end = std::ranges::find(arguments, "--");
  const bool json = std::find(arguments.begin(), end, "--json") != end;
  const auto usageError = [json](std::string message) {
    return ParseResult{Failure{kExitUsage, std::move(message)}, json};
  };
  const auto page = [json](std::string text) {
    return ParseResult{std::variant<Options, Page>(Page{std::move(text)}), json};
  };
  // CLI11 takes the arguments last first.
  std::vector<std::string> reversed(arguments.rbegin(), arguments.rend());
  try {
    app_.parse(reversed);
  } catch (const SimulationHelpRequest&) {
    return page(SimulationPage(app_));
  } catch (const CLI::CallForVersion&) {
    return page(std::string(kProgram) + " " + USBLINK_VERSION + "\n");
  } catch (const CLI::CallForHelp&) {
    return page(app_.help());
  } catch (const CLI::ExtrasError& error) {
    const auto extras = app_.remaining(false);
    const auto word = std::ranges::find_if(
        extras, [](const std::string& extra) { return !extra.starts_with('-'); });
    return usageError(app_.get_subcommands().empty() && word != extras.end()
                          ? "unknown command " + *word
                          : error.what());
  } catch (const CLI::RequiredError& error) {
    // The FILE of a command.
    const auto chosen = app_.get_subcommands();
    return usageError((chosen.empty() ? "" : chosen.front()->get_name() + ": ") + error.what());
  } catch (const CLI::ParseError& error) {
    return usageError(error.what());
  }
  const auto chosen = app_.get_subcommands();
  if (chosen.empty()) return usageError("no command given");
  const auto name = chosen.front()->get_name();
  options_.command = std::ranges::find(kCommands, name, &CommandEntry::name)->command;
  if (auto fit = OptionsFit(); !fit) return {fit.Error(), json};
  if (options_.all && options_.ReadsToStandardOutput()) {
    return usageError("read --all writes a file for each calculator, not standard output");
  }
  return {std::variant<Options, Page>(options_), json};
}

std::string CommandLine::HelpPage(const CLI::App& app) const {
  const auto command = std::ranges::find(kCommands, app.get_name(), &CommandEntry::name);
  if (command != kCommands.end()) return CommandPage(app_, HelpOf(*command));
  std::vector<CommandHelp> commands;
  for (const CommandEntry& entry : kCommands) commands.push_back(HelpOf(entry));
  return MainPage(app_, commands);
}

CommandHelp CommandLine::HelpOf(const CommandEntry& entry) const {
  CommandHelp help{app_.get_subcommand(std::string(entry.name)), entry.details, {}};
  for (const Belonging& belonging : belonging_) {
    if (std::ranges::find(belonging.commands, entry.command) == belonging.commands.end()) {
      continue;
    }
    const auto own = doesFor_.find({belonging.option, entry.command});
    help.options.push_back({belonging.option, own != doesFor_.end()
                                                  ? own->second
                                                  : belonging.option->get_description()});
  }
  return help;
}

CommandLineReference CommandLine::Describe() const {
  CommandLineReference reference;
  for (const CLI::App* command : app_.get_subcommands({})) {
    reference.commands.push_back(CommandUsage(*command));
  }
  for (const CLI::Option* option :
       app_.get_options([](const CLI::Option* option) { return !option->get_positional(); })) {
    (option->get_group() == kSimulationGroup ? reference.simulationOptions : reference.options)
        .push_back(OptionName(*option));
  }
  for (const auto& entry : kExitStatuses) reference.exitStatuses.push_back(entry.status);
  return reference;
}

}  // namespace

ParseResult ParseCommandLine(const std::vector<std::string>& arguments) {
  return CommandLine().Parse(arguments);
}

CommandLineReference DescribeCommandLine() { return CommandLine().Describe(); }

std::string_view CommandWord(Command command) { return EntryOf(command).name; }

}  // namespace usblink::cli

#pragma once
// The help pages of usblink-cli, formatted by hand from CLI11's definition
// of the command line: lines of at most 80 characters, the names in a column
// of their own, the descriptions wrapped beside them.

#include <string>
#include <string_view>
#include <vector>

namespace CLI {
class App;
class Option;
}  // namespace CLI

namespace usblink::cli {

// The section of the simulated calculator's options: a page of its own.
inline constexpr std::string_view kSimulationGroup = "Simulated calculator (with --simulate)";

// An option as a page tells it.
struct OptionHelp {
  const CLI::Option* option;
  std::string description;
};

// A command as the help tells it.
struct CommandHelp {
  const CLI::App* command;
  std::string_view details;         // what its own page says besides its summary
  std::vector<OptionHelp> options;  // those of this command and some others only
};

// Usage, the commands, the options but the simulated calculator's, the exit
// statuses; `app` is the whole command line.
std::string MainPage(const CLI::App& app, const std::vector<CommandHelp>& commands);
std::string CommandPage(const CLI::App& app, const CommandHelp& command);
std::string SimulationPage(const CLI::App& app);

// "download FILE", "read [FILE]"
std::string CommandUsage(const CLI::App& command);
// "-q, --quiet" or "--log FILE"
std::string OptionName(const CLI::Option& option);

}  // namespace usblink::cli

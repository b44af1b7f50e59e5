#include "cli/HelpPages.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <sstream>

#include "fleet/Request.h"
#include "protocol/Outcome.h"

namespace usblink::cli {

namespace {

constexpr std::size_t kHelpWidth = 80;
// The main help's descriptions begin here at the latest.
constexpr std::size_t kMostNameColumn = 20;

// `text` in lines of at most kHelpWidth characters: the first goes on in a
// line filled up to `column` already, the others begin after `column` blanks.
std::string Wrap(std::string_view text, std::size_t column) {
  std::string lines;
  std::size_t lineLength = column;
  for (std::size_t at = 0; at < text.size();) {
    const std::size_t end = std::min(text.find(' ', at), text.size());
    const std::string_view word = text.substr(at, end - at);
    at = end + 1;
    if (lineLength > column && lineLength + 1 + word.size() > kHelpWidth) {
      lines += "\n" + std::string(column, ' ');
      lineLength = column;
    }
    if (lineLength > column) {
      lines += ' ';
      ++lineLength;
    }
    lines += word;
    lineLength += word.size();
  }
  return lines + "\n";
}

// "  NAME   what it does", the description from `column` on.
std::string Entry(std::string_view name, std::string_view description, std::size_t column) {
  std::string line = "  " + std::string(name);
  if (line.size() + 2 > column) {
    line += "\n" + std::string(column, ' ');
  } else {
    line.resize(column, ' ');
  }
  return line + Wrap(description, column);
}

std::vector<const CLI::Option*> OptionsOf(const CLI::App& app, std::string_view group) {
  return app.get_options(
      [&group](const CLI::Option* option) { return option->get_group() == group; });
}

// One line or more an option, the descriptions from `column` on: the
// widest name's column when none is given.
std::string OptionLines(const std::vector<OptionHelp>& options, std::size_t column = 0) {
  for (const auto& [option, description] : options) {
    column = std::max(column, OptionName(*option).size() + 4);
  }
  std::string lines;
  for (const auto& [option, description] : options) {
    lines += Entry(OptionName(*option), description, column);
  }
  return lines;
}

// The options of `group` as they describe themselves.
std::vector<OptionHelp> GroupHelp(const CLI::App& app, std::string_view group) {
  std::vector<OptionHelp> options;
  for (const auto* option : OptionsOf(app, group)) {
    options.push_back({option, option->get_description()});
  }
  return options;
}

}  // namespace

std::string CommandUsage(const CLI::App& command) {
  std::string usage = command.get_name();
  for (const CLI::Option* file :
       command.get_options([](const CLI::Option* option) { return option->get_positional(); })) {
    usage += " " + (file->get_required() ? file->get_name() : "[" + file->get_name() + "]");
  }
  return usage;
}

std::string OptionName(const CLI::Option& option) {
  std::string name;
  for (const auto& shortName : option.get_snames()) name += "-" + shortName + ", ";
  for (const auto& longName : option.get_lnames()) name += "--" + longName + ", ";
  name.resize(name.size() - 2);
  if (const auto value = option.get_type_name(); !value.empty()) name += " " + value;
  return name;
}

std::string MainPage(const CLI::App& app, const std::vector<CommandHelp>& commands) {
  const std::string& program = app.get_name();
  std::ostringstream page;
  page << "Usage: " << program << " [options] COMMAND [FILE]\n"
       << app.get_description() << "\n\nCommands:\n";
  // One column for the commands and the options.
  std::size_t column = 0;
  for (const auto& command : commands) {
    column = std::max(column, CommandUsage(*command.command).size() + 4);
  }
  const auto groups = app.get_groups();
  for (const std::string& group : groups) {
    if (group == kSimulationGroup) continue;
    for (const auto* option : OptionsOf(app, group)) {
      column = std::max(column, OptionName(*option).size() + 4);
    }
  }
  // A longer name has its description on the next line, so that the
  // commands' summaries keep to one line each.
  column = std::min(column, kMostNameColumn);
  for (const auto& command : commands) {
    page << Entry(CommandUsage(*command.command), command.command->get_description(), column);
  }
  for (const std::string& group : groups) {
    if (group == kSimulationGroup) continue;
    page << "\n" << group << ":\n" << OptionLines(GroupHelp(app, group), column);
  }
  page << "\n"
       << Wrap("A FILE of " + std::string(kStandardStreamName) +
                   " is standard input for check, download, verify and station, and standard "
                   "output for read. '" +
                   program + " COMMAND --help' tells more of COMMAND, '" + program +
                   " --help-simulate' the options of the simulated calculator.",
               0);
  page << "\nExit status:\n";
  for (const auto& [status, words, meaning] : kExitStatuses) {
    std::string number = std::to_string(status);
    page << std::string(5 - number.size(), ' ') << number << "  " << meaning << "\n";
  }
  return page.str();
}

std::string CommandPage(const CLI::App& app, const CommandHelp& command) {
  std::ostringstream page;
  page << "Usage: " << app.get_name() << " [options] " << CommandUsage(*command.command) << "\n"
       << Wrap(command.details, 0);
  if (!command.options.empty()) {
    page << "\nOptions of " << command.command->get_name() << ":\n" << OptionLines(command.options);
  }
  page << "\n" << Wrap("'" + app.get_name() + " --help' shows the options of every command.", 0);
  return page.str();
}

std::string SimulationPage(const CLI::App& app) {
  std::ostringstream page;
  page << "Usage: " << app.get_name() << " --simulate [--sim-OPTION VALUE]... COMMAND [FILE]\n"
       << Wrap(
              "The built-in simulated calculator, its flash and its faults. Each of these "
              "options needs --simulate.",
              0)
       << "\n"
       << kSimulationGroup << ":\n"
       << OptionLines(GroupHelp(app, kSimulationGroup));
  return page.str();
}

}  // namespace usblink::cli

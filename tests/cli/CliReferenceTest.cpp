// The README's command-line reference names what the parser defines: every
// command, every option with its value, every exit status, and nothing else.

#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <set>
#include <sstream>
#include <string>

#include "cli/CliOptions.h"

namespace usblink {
namespace {

// The README from "### Command-line reference" to the next "## " heading.
std::vector<std::string> ReferenceLines() {
  std::ifstream in(USBLINK_README);
  std::vector<std::string> lines;
  bool inside = false;
  for (std::string line; std::getline(in, line);) {
    if (line == "### Command-line reference") inside = true;
    if (inside && line.starts_with("## ")) break;
    if (inside) lines.push_back(line);
  }
  return lines;
}

template <typename T>
std::set<T> SetOf(const std::vector<T>& values) {
  return {values.begin(), values.end()};
}

struct Documented {
  std::set<std::string> commands;
  std::set<std::string> options;
  std::set<std::string> simulationOptions;
  std::set<int> exitStatuses;
  std::set<std::string> longNamesMentioned;
};

Documented Read(const std::vector<std::string>& lines) {
  Documented documented;
  // "usblink-cli [options] read [FILE]   what it does"
  const std::regex command(R"(^usblink-cli \[options\] (\S+( \S+)?)  +\S.*)");
  // "| `-q`, `--quiet` | what it does |" or "| `--log FILE` | ... |"; a
  // value name may hold a "|", escaped in the table as "\|".
  const std::regex option(R"(^\| (`-([^|\\]|\\\|)*`) \|.*)");
  const std::regex status(R"(^\| (\d+) \|.*)");
  const std::regex longName(R"(--[a-z][a-z-]*)");
  bool simulation = false;
  for (const auto& line : lines) {
    if (line == "### The simulated calculator") simulation = true;
    std::smatch match;
    if (std::regex_match(line, match, command)) {
      documented.commands.insert(match[1]);
    } else if (std::regex_match(line, match, option)) {
      std::string names = match[1];
      std::erase(names, '`');
      names = std::regex_replace(names, std::regex(R"(\\\|)"), "|");
      (simulation ? documented.simulationOptions : documented.options).insert(names);
    } else if (std::regex_match(line, match, status)) {
      documented.exitStatuses.insert(std::stoi(match[1]));
    }
    for (std::sregex_iterator it(line.begin(), line.end(), longName), end; it != end; ++it) {
      documented.longNamesMentioned.insert(it->str());
    }
  }
  return documented;
}

TEST(CliReferenceTest, TheReadmeNamesWhatTheParserDefines) {
  const auto lines = ReferenceLines();
  ASSERT_FALSE(lines.empty()) << "no \"### Command-line reference\" in " << USBLINK_README;
  const auto documented = Read(lines);
  const auto defined = cli::DescribeCommandLine();
  EXPECT_EQ(documented.commands, SetOf(defined.commands));
  EXPECT_EQ(documented.options, SetOf(defined.options));
  EXPECT_EQ(documented.simulationOptions, SetOf(defined.simulationOptions));
  EXPECT_EQ(documented.exitStatuses, SetOf(defined.exitStatuses));

  // No option is mentioned that the parser does not know.
  std::set<std::string> known;
  for (const auto* names : {&defined.options, &defined.simulationOptions}) {
    for (const auto& name : *names) {
      std::istringstream words(name);
      for (std::string word; words >> word;) {
        if (word.starts_with("--")) known.insert(word.substr(0, word.find(',')));
      }
    }
  }
  for (const auto& mentioned : documented.longNamesMentioned) {
    EXPECT_TRUE(known.contains(mentioned)) << mentioned << " is not an option";
  }
}

}  // namespace
}  // namespace usblink

#include "cli/RunLog.h"

#include <algorithm>

#include "fleet/DurationText.h"
#include "protocol/Outcome.h"
#include "protocol/StdioFile.h"

namespace usblink::cli {

std::string CommandLineText(const std::vector<std::string>& arguments) {
  std::string text = "usblink-cli";
  for (const auto& argument : arguments) {
    const bool plain = !argument.empty() && std::ranges::none_of(argument, [](char c) {
      return c == ' ' || c == '\t' || c == '"' || c == '\'' || c == '\\';
    });
    if (plain) {
      text += " " + argument;
      continue;
    }
    text += " \"";
    for (const char c : argument) {
      if (c == '"' || c == '\\') text += '\\';
      text += c;
    }
    text += '"';
  }
  return text;
}

Result<void> RunLog::Open(const std::filesystem::path& path, const RunStart& start) {
  if (!file_.Open(path, LogFile::Start::Afresh)) {
    return Failure{kExitFileError, "Cannot create " + Quoted(path)};
  }
  Line("usblink-cli " + start.version + ", started " + UtcTimeText(start.time));
  Line("Command line: " + CommandLineText(start.arguments));
  return {};
}

Result<void> RunLog::Written() const {
  if (!file_.Failed()) return {};
  return Failure{kExitFileError, "Cannot write " + Quoted(file_.Path())};
}

void RunLog::End(std::string_view outcome, int exitStatus,
                 std::chrono::system_clock::time_point time,
                 std::chrono::steady_clock::duration duration) {
  Line("Ended " + UtcTimeText(time) + " after " + DurationText(duration) + ": " +
       std::string(outcome) + ", exit status " + std::to_string(exitStatus));
}

}  // namespace usblink::cli

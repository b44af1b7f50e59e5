#include "cli/RunLog.h"

#include <algorithm>

#include "fleet/DurationText.h"
#include "platform/os/UtcTimeText.h"
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
  path_ = path;
  file_.open(path, std::ios::out | std::ios::trunc | std::ios::binary);
  if (!file_.is_open()) return Failure{kExitFileError, "Cannot create " + Quoted(path)};
  Line("usblink-cli " + start.version + ", started " + UtcTimeText(start.time));
  Line("Command line: " + CommandLineText(start.arguments));
  return {};
}

Result<void> RunLog::Written() const {
  if (file_.is_open() && file_.fail())
    return Failure{kExitFileError, "Cannot write " + Quoted(path_)};
  return {};
}

void RunLog::Line(std::string_view line) {
  // Each line reaches the system at once, so an abrupt end keeps it.
  if (file_.is_open()) file_ << line << '\n' << std::flush;
}

void RunLog::Message(std::string_view text, std::string_view title) {
  Line(std::string(title) + ": " + std::string(text));
}

void RunLog::End(std::string_view outcome, int exitStatus,
                 std::chrono::system_clock::time_point time,
                 std::chrono::steady_clock::duration duration) {
  Line("Ended " + UtcTimeText(time) + " after " + DurationText(duration) + ": " +
       std::string(outcome) + ", exit status " + std::to_string(exitStatus));
}

}  // namespace usblink::cli

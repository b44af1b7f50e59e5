#include "cli/RunLog.h"

#include <algorithm>

#include "fleet/DurationText.h"
#include "protocol/Outcome.h"
#include "protocol/StdioFile.h"

namespace usblink::cli {

namespace {

bool IsControl(char c) { return static_cast<unsigned char>(c) < 0x20 || c == '\x7F'; }

// $'...', as bash and zsh take it back: a control character, a newline
// above all, would otherwise begin a line of its own in the log.
std::string AnsiCQuoted(const std::string& argument) {
  std::string text = "$'";
  for (const char c : argument) {
    if (c == '\'' || c == '\\') {
      text += '\\';
      text += c;
    } else if (c == '\n') {
      text += "\\n";
    } else if (IsControl(c)) {
      constexpr std::string_view kDigits = "0123456789abcdef";
      const auto byte = static_cast<unsigned char>(c);
      text += "\\x";
      text += kDigits[byte >> 4];
      text += kDigits[byte & 0xF];
    } else {
      text += c;
    }
  }
  return text + "'";
}

}  // namespace

std::string CommandLineText(const std::vector<std::string>& arguments) {
  std::string text = "usblink-cli";
  for (const auto& argument : arguments) {
    if (std::ranges::any_of(argument, IsControl)) {
      text += " " + AnsiCQuoted(argument);
      continue;
    }
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
  if (const auto error = file_.Open(path, LogFile::Start::Afresh)) {
    return FileFailure(path, "create", error);
  }
  Line("usblink-cli " + start.version + ", started " + UtcTimeText(start.time));
  Line("Command line: " + CommandLineText(start.arguments));
  return {};
}

Result<void> RunLog::Written() const {
  if (const auto error = file_.Failed()) return FileFailure(file_.Path(), "write", error);
  return {};
}

void RunLog::End(std::string_view outcome, int exitStatus,
                 std::chrono::system_clock::time_point time,
                 std::chrono::steady_clock::duration duration) {
  Line("Ended " + UtcTimeText(time) + " after " + DurationText(duration) + ": " +
       std::string(outcome) + ", exit status " + std::to_string(exitStatus));
}

}  // namespace usblink::cli

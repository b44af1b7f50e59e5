#pragma once
// The --log file: the whole log, line for line as the window shows it,
// whatever stdout shows, with every message and notice, and around it the
// run itself: the program and its version, the command line, when it started,
// how it ended (outcome and exit status) and when.

#include <chrono>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "platform/os/LogFile.h"
#include "protocol/Result.h"

namespace usblink::cli {

// What is known of a run when it starts.
struct RunStart {
  std::string version;
  std::vector<std::string> arguments;  // after the program's name
  std::chrono::system_clock::time_point time;
};

// The command line as a shell takes it back: words with blanks or quotes quoted.
std::string CommandLineText(const std::vector<std::string>& arguments);

class RunLog {
 public:
  // A file error when the file cannot be made.
  Result<void> Open(const std::filesystem::path& path, const RunStart& start);
  // A file error once a line could not be written.
  [[nodiscard]] Result<void> Written() const;

  void Line(std::string_view line) { file_.Line(line); }
  void Message(std::string_view text, std::string_view title) { file_.Message(text, title); }
  void End(std::string_view outcome, int exitStatus, std::chrono::system_clock::time_point time,
           std::chrono::steady_clock::duration duration);

 private:
  LogFile file_;
};

}  // namespace usblink::cli

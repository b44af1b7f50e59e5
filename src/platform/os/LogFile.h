#pragma once
// A log kept on disk while it is written, for the window's session log and
// the command line's --log file alike: one line at a time, in UTF-8, each
// handed to the system at once so that an abrupt end of the process keeps
// it; a message box as "TITLE: TEXT"; the moments in its lines and in the
// names of log files as ISO 8601 text in UTC.

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <system_error>

namespace usblink {

class LogFile {
 public:
  // Afresh: an earlier file of the name is emptied. Appending: it keeps what it holds.
  enum class Start { Afresh, Appending };

  // Why the file cannot be opened, none when it is; nothing is written then.
  [[nodiscard]] std::error_code Open(const std::filesystem::path& path, Start start);
  // The file written to; empty when there is none.
  [[nodiscard]] const std::filesystem::path& Path() const { return path_; }
  // Why a line could not be written, none while every line was; later lines
  // are not written either.
  [[nodiscard]] std::error_code Failed() const { return writeError_; }

  void Line(std::string_view line);
  void Message(std::string_view text, std::string_view title);

 private:
  std::filesystem::path path_;
  std::ofstream file_;
  std::error_code writeError_;
};

// "2026-12-09T03:30:12.345Z"; `timeSeparator` '-' and no milliseconds give
// "2026-12-09T03-30-12Z", which a file name may hold everywhere.
std::string UtcTimeText(std::chrono::system_clock::time_point time, char timeSeparator = ':',
                        bool milliseconds = true);

}  // namespace usblink

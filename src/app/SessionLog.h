#pragma once
// What the window said in one run, kept on disk for later: every line of the
// log and every message box ("TITLE: TEXT", a question with its answer), one
// a line, in UTF-8. The folder
// holds one file a run, named by the time the run started, and only the
// newest runs' files.

#include <chrono>
#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "platform/os/LogFile.h"

namespace usblink::app {

class SessionLog {
 public:
  static constexpr std::size_t kKeptRuns = 20;

  // Starts the file of a run that started at `start` in `folder` (made if
  // missing) and removes the oldest files there beyond kKeptRuns. Without a
  // folder, or where the file cannot be written, nothing is written and the
  // window goes on as before.
  SessionLog(const std::optional<std::filesystem::path>& folder,
             std::chrono::system_clock::time_point start);

  // A file that failed once stays silent: the window's own log is what counts.
  void Line(std::string_view line) { file_.Line(line); }
  void Message(std::string_view text, std::string_view title) { file_.Message(text, title); }

  // The file written to; empty when there is none.
  [[nodiscard]] const std::filesystem::path& File() const { return file_.Path(); }

 private:
  LogFile file_;
};

// "session-2026-12-09T03-30-12Z.log" for a run started at that time (UTC),
// so the names sort by time; `sequence` 2 and on tell apart runs started in
// the same second ("session-2026-12-09T03-30-12Z_02.log").
[[nodiscard]] std::string SessionLogName(std::chrono::system_clock::time_point start,
                                         int sequence = 1);

}  // namespace usblink::app

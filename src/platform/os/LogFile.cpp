#include "platform/os/LogFile.h"

#include <cstdio>

#include "platform/os/SystemError.h"

namespace usblink {

std::error_code LogFile::Open(const std::filesystem::path& path, Start start) {
  const auto mode = start == Start::Afresh ? std::ios::trunc : std::ios::app;
  errno = 0;
  file_.open(path, std::ios::out | std::ios::binary | mode);
  if (!file_.is_open()) return LastSystemError();
  path_ = path;
  return {};
}

void LogFile::Line(std::string_view line) {
  if (!file_.is_open() || writeError_) return;
  errno = 0;
  file_ << line << '\n' << std::flush;
  if (file_.fail()) writeError_ = LastSystemError();
}

void LogFile::Message(std::string_view text, std::string_view title) {
  Line(std::string(title) + ": " + std::string(text));
}

std::string UtcTimeText(std::chrono::system_clock::time_point time, char timeSeparator,
                        bool milliseconds) {
  using namespace std::chrono;
  const auto millisecond = floor<std::chrono::milliseconds>(time);
  const auto day = floor<days>(millisecond);
  const year_month_day date(day);
  const hh_mm_ss clock(millisecond - day);
  char text[64];
  std::snprintf(text, sizeof text, "%04d-%02u-%02uT%02d%c%02d%c%02d", static_cast<int>(date.year()),
                static_cast<unsigned>(date.month()), static_cast<unsigned>(date.day()),
                static_cast<int>(clock.hours().count()), timeSeparator,
                static_cast<int>(clock.minutes().count()), timeSeparator,
                static_cast<int>(clock.seconds().count()));
  std::string result = text;
  if (milliseconds) {
    std::snprintf(text, sizeof text, ".%03d", static_cast<int>(clock.subseconds().count()));
    result += text;
  }
  return result + "Z";
}

}  // namespace usblink

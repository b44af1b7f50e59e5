#include "app/SessionLog.h"

#include <algorithm>
#include <cstdio>
#include <vector>

namespace usblink::app {

namespace {

namespace fs = std::filesystem;

constexpr std::string_view kPrefix = "session-";
constexpr std::string_view kSuffix = ".log";
// Runs that start in the same second beyond this many go without a file.
constexpr int kRunsASecond = 99;

bool IsSessionLog(const fs::directory_entry& entry) {
  // Compared in the system's own spelling: a name need not convert.
  const fs::path file = entry.path().filename();
  const auto& name = file.native();
  const auto prefix = fs::path(kPrefix).native();
  const auto suffix = fs::path(kSuffix).native();
  std::error_code error;
  return entry.is_regular_file(error) && name.size() > prefix.size() + suffix.size() &&
         name.starts_with(prefix) && name.ends_with(suffix);
}

std::vector<fs::path> SessionLogsIn(const fs::path& folder) {
  std::vector<fs::path> files;
  std::error_code error;
  for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
    if (IsSessionLog(*it)) files.push_back(it->path());
  }
  std::sort(files.begin(), files.end());
  return files;
}

// The oldest of the others go, so that `current` and the newest others make
// `keep`. The current file never goes, even when a clock set back makes its
// name sort first.
void RemoveOldest(const fs::path& folder, const fs::path& current, std::size_t keep) {
  auto others = SessionLogsIn(folder);
  std::erase(others, current);
  if (others.size() < keep) return;
  const auto oldest = others.size() - (keep - 1);
  for (std::size_t i = 0; i < oldest; ++i) {
    std::error_code ignored;
    fs::remove(others[i], ignored);
  }
}

std::optional<fs::path> UnusedName(const fs::path& folder,
                                   std::chrono::system_clock::time_point start) {
  for (int sequence = 1; sequence <= kRunsASecond; ++sequence) {
    fs::path candidate = folder / SessionLogName(start, sequence);
    std::error_code error;
    if (!fs::exists(candidate, error) && !error) return candidate;
  }
  return std::nullopt;
}

}  // namespace

std::string SessionLogName(std::chrono::system_clock::time_point start, int sequence) {
  std::string name = std::string(kPrefix) + UtcTimeText(start, '-', false);
  if (sequence > 1) {
    char text[16];
    std::snprintf(text, sizeof text, "_%02d", sequence);
    name += text;
  }
  return name + std::string(kSuffix);
}

SessionLog::SessionLog(const std::optional<fs::path>& folder,
                       std::chrono::system_clock::time_point start) {
  if (!folder) return;
  std::error_code error;
  fs::create_directories(*folder, error);
  if (error) return;
  const auto path = UnusedName(*folder, start);
  if (!path) return;
  // Appending: two runs that raced for one name still lose nothing.
  if (file_.Open(*path, LogFile::Start::Appending)) return;
  RemoveOldest(*folder, file_.Path(), kKeptRuns);
}

}  // namespace usblink::app

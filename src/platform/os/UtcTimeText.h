#pragma once
// A moment as ISO 8601 text in UTC, for logs and the names of log files.

#include <chrono>
#include <string>

namespace usblink {

// "2026-12-09T03:30:12.345Z"; `timeSeparator` '-' and no milliseconds give
// "2026-12-09T03-30-12Z", which a file name may hold everywhere.
std::string UtcTimeText(std::chrono::system_clock::time_point time, char timeSeparator = ':',
                        bool milliseconds = true);

}  // namespace usblink

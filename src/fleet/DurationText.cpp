#include "fleet/DurationText.h"

#include <cstdio>

namespace usblink {

std::string MinutesText(std::chrono::steady_clock::duration duration) {
  const long long seconds = std::chrono::duration_cast<std::chrono::seconds>(duration).count();
  char text[32];
  std::snprintf(text, sizeof text, "%lld:%02lld", seconds / 60, seconds % 60);
  return text;
}

std::string DurationText(std::chrono::steady_clock::duration duration) {
  const double seconds = std::chrono::duration<double>(duration).count();
  if (seconds >= 60) return MinutesText(duration);
  char text[32];
  std::snprintf(text, sizeof text, "%.1f s", seconds);
  return text;
}

}  // namespace usblink

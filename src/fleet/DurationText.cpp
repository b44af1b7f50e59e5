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

namespace {

// Tenths of a second, halves up: the one rounding of the text and the number.
long long Tenths(std::chrono::steady_clock::duration duration) {
  const auto nanoseconds = std::chrono::duration_cast<std::chrono::nanoseconds>(duration).count();
  return (nanoseconds + 50'000'000) / 100'000'000;
}

}  // namespace

std::string SecondsText(std::chrono::steady_clock::duration duration) {
  const long long tenths = Tenths(duration);
  return std::to_string(tenths / 10) + "." + std::to_string(tenths % 10);
}

double TenthsOfSeconds(std::chrono::steady_clock::duration duration) {
  return static_cast<double>(Tenths(duration)) / 10;
}

}  // namespace usblink

#pragma once
// How long something took or will take, as the command line says it.

#include <chrono>
#include <string>

namespace usblink {

// "0:07", "12:30": minutes and seconds.
std::string MinutesText(std::chrono::steady_clock::duration duration);
// "4.2 s" below a minute, else as MinutesText.
std::string DurationText(std::chrono::steady_clock::duration duration);
// Seconds with one decimal, as the summary of several calculators shows them
// ("48.1"), and the same number for JSON.
std::string SecondsText(std::chrono::steady_clock::duration duration);
double TenthsOfSeconds(std::chrono::steady_clock::duration duration);

}  // namespace usblink

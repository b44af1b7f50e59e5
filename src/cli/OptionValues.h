#pragma once
// The kinds of value the command line's options take: each read one way,
// and told one way when it does not fit ("expects a number from 1, not
// \"0\"").

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "hid/DeviceList.h"
#include "sim/SimCalculator.h"

namespace usblink::cli {

// Reads an option's text into its place; a text that does not fit is a
// usage error.
using Take = std::function<void(const std::string&)>;

// A command's FILE, which may be "-".
Take CommandFileInto(std::optional<std::filesystem::path>& target);
// A file an option names; "-" stands for no file there.
Take FileNameInto(std::optional<std::filesystem::path>& target);
// Decimal, or hexadecimal after "0x"; never below 0.
Take NumberInto(int& target);
Take NumberInto(std::optional<int>& target);
Take NumberUpToInto(int& target, int most);
Take NumberFromOneInto(std::optional<int>& target);
Take MillisecondsInto(std::chrono::milliseconds& target);
Take ByteInto(std::optional<std::uint8_t>& target);
Take SecondsInto(std::optional<double>& target);
Take TextInto(std::optional<std::string>& target);
Take DeviceInto(std::optional<DeviceSelector>& target);
// "VID:PID" in hex.
Take IdsInto(std::optional<std::pair<std::uint16_t, std::uint16_t>>& target);
// Texts separated by ',', each byte either itself or "\xHH"; "\\" is a
// backslash.
Take SerialsInto(std::vector<std::string>& target);
// "CODE:N:STATUS": hex, from 1, hex; each one given adds to `target`.
Take StatusInto(std::vector<sim::CalculatorFaults::Status>& target);

}  // namespace usblink::cli

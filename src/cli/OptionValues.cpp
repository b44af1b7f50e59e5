#include "cli/OptionValues.h"

#include <CLI/CLI.hpp>
#include <charconv>
#include <limits>
#include <string_view>

#include "fleet/Request.h"

namespace usblink::cli {

namespace {

constexpr double kMostWaitSeconds = 86400;

// Decimal, or hexadecimal after "0x".
template <typename T>
std::optional<T> ParseNumber(std::string_view text, int base = 10) {
  if (base == 10 && (text.starts_with("0x") || text.starts_with("0X"))) {
    text.remove_prefix(2);
    base = 16;
  }
  T value{};
  const auto* end = text.data() + text.size();
  const auto result = std::from_chars(text.data(), end, value, base);
  if (text.empty() || result.ec != std::errc{} || result.ptr != end) return std::nullopt;
  return value;
}

std::optional<std::uint8_t> ParseByte(std::string_view text, int base = 10) {
  const auto value = ParseNumber<unsigned>(text, base);
  if (!value || *value > 0xFF) return std::nullopt;
  return static_cast<std::uint8_t>(*value);
}

std::optional<int> ParseCount(std::string_view text, int most = std::numeric_limits<int>::max()) {
  const auto value = ParseNumber<int>(text);
  if (!value || *value < 0 || *value > most) return std::nullopt;
  return value;
}

std::optional<int> ParseCountFromOne(std::string_view text) {
  const auto value = ParseCount(text);
  return value && *value >= 1 ? value : std::nullopt;
}

std::optional<std::uint16_t> ParseId(std::string_view text) {
  const auto value = ParseNumber<unsigned>(text, 16);
  if (!value || *value > 0xFFFF || text.size() > 4) return std::nullopt;
  return static_cast<std::uint16_t>(*value);
}

std::optional<double> ParseSeconds(std::string_view text) {
  double seconds = 0;
  const auto* end = text.data() + text.size();
  const auto result = std::from_chars(text.data(), end, seconds);
  // Written so that NaN, which compares false with everything, fails too.
  if (result.ec != std::errc{} || result.ptr != end ||
      !(seconds >= 0 && seconds <= kMostWaitSeconds)) {
    return std::nullopt;
  }
  return seconds;
}

std::vector<std::string_view> Split(std::string_view text, char separator) {
  std::vector<std::string_view> parts;
  for (std::size_t start = 0;;) {
    const std::size_t end = text.find(separator, start);
    parts.push_back(text.substr(start, end - start));
    if (end == std::string_view::npos) return parts;
    start = end + 1;
  }
}

std::optional<sim::CalculatorFaults::Status> ParseStatus(std::string_view text) {
  const auto parts = Split(text, ':');
  if (parts.size() != 3) return std::nullopt;
  const auto code = ParseByte(parts[0], 16);
  const auto nth = ParseCount(parts[1]);
  const auto status = ParseByte(parts[2], 16);
  if (!code || !nth || *nth < 1 || !status) return std::nullopt;
  return sim::CalculatorFaults::Status{*code, *nth, *status};
}

std::optional<std::pair<std::uint16_t, std::uint16_t>> ParseIds(std::string_view text) {
  const auto parts = Split(text, ':');
  if (parts.size() != 2) return std::nullopt;
  const auto vendor = ParseId(parts[0]);
  const auto product = ParseId(parts[1]);
  if (!vendor || !product) return std::nullopt;
  return std::pair{*vendor, *product};
}

// Any byte can be written, so a device's worst strings can be given.
std::optional<std::vector<std::string>> ParseSerials(std::string_view text) {
  std::vector<std::string> serials;
  for (const std::string_view part : Split(text, ',')) {
    std::string serial;
    for (std::size_t i = 0; i < part.size(); ++i) {
      if (part[i] != '\\') {
        serial += part[i];
      } else if (part.substr(i + 1, 1) == "\\") {
        serial += part[++i];
      } else if (part.substr(i + 1, 1) == "x") {
        const auto byte = ParseByte(part.substr(i + 2, 2), 16);
        if (!byte || part.substr(i + 2, 2).size() != 2) return std::nullopt;
        serial += static_cast<char>(*byte);
        i += 3;
      } else {
        return std::nullopt;
      }
    }
    serials.push_back(std::move(serial));
  }
  return serials;
}

std::optional<std::filesystem::path> ParseFileName(std::string_view text) {
  if (text.empty() || text == kStandardStreamName) return std::nullopt;
  return std::filesystem::path(text);
}

std::optional<std::filesystem::path> ParseCommandFile(std::string_view text) {
  if (text.empty()) return std::nullopt;
  return std::filesystem::path(text);
}

// `parse` gives none for a value that does not fit `expected`.
template <typename Target, typename Parse>
Take Into(Target& target, Parse parse, std::string expected) {
  return [&target, parse, expected = std::move(expected)](const std::string& text) {
    auto value = parse(text);
    if (!value) throw CLI::ValidationError("expects " + expected + ", not \"" + text + "\"");
    if constexpr (requires { target.push_back(*value); }) {
      target.push_back(*value);
    } else {
      target = *value;
    }
  };
}

template <typename Target>
Take CountInto(Target& target, std::string expected) {
  return Into(
      target, [](std::string_view text) { return ParseCount(text); }, std::move(expected));
}

}  // namespace

Take CommandFileInto(std::optional<std::filesystem::path>& target) {
  return Into(target, ParseCommandFile, "a file name");
}

Take FileNameInto(std::optional<std::filesystem::path>& target) {
  return Into(target, ParseFileName, "a file name");
}

Take NumberInto(int& target) { return CountInto(target, "a number"); }

Take NumberInto(std::optional<int>& target) { return CountInto(target, "a number"); }

Take NumberUpToInto(int& target, int most) {
  return Into(
      target, [most](std::string_view text) { return ParseCount(text, most); },
      "a number up to " + std::to_string(most));
}

Take NumberFromOneInto(std::optional<int>& target) {
  return Into(target, ParseCountFromOne, "a number from 1");
}

Take MillisecondsInto(std::chrono::milliseconds& target) {
  return Into(
      target,
      [](std::string_view text) -> std::optional<std::chrono::milliseconds> {
        const auto count = ParseCount(text);
        if (!count) return std::nullopt;
        return std::chrono::milliseconds(*count);
      },
      "a number of milliseconds");
}

Take ByteInto(std::optional<std::uint8_t>& target) {
  return Into(
      target, [](std::string_view text) { return ParseByte(text); }, "a number from 0 to 255");
}

Take SecondsInto(std::optional<double>& target) {
  return Into(target, ParseSeconds,
              "seconds (0 to " + std::to_string(static_cast<int>(kMostWaitSeconds)) + ")");
}

Take TextInto(std::optional<std::string>& target) {
  return Into(
      target, [](std::string_view text) { return std::optional<std::string>(text); }, "a text");
}

Take DeviceInto(std::optional<DeviceSelector>& target) {
  return Into(
      target,
      [](std::string_view text) -> std::optional<DeviceSelector> {
        if (text.empty()) return std::nullopt;
        return DeviceSelector::FromText(std::string(text));
      },
      "a number, a serial number or a device path");
}

Take IdsInto(std::optional<std::pair<std::uint16_t, std::uint16_t>>& target) {
  return Into(target, ParseIds, "VID:PID in hex");
}

Take SerialsInto(std::vector<std::string>& target) {
  return Into(target, ParseSerials, "serial numbers separated by ',' (a byte as \\xHH)");
}

Take StatusInto(std::vector<sim::CalculatorFaults::Status>& target) {
  return Into(target, ParseStatus, "CODE:N:STATUS (hex, from 1, hex)");
}

}  // namespace usblink::cli

#include "platform/linux/HidrawSysfs.h"

#include <algorithm>
#include <charconv>
#include <fstream>
#include <string_view>
#include <system_error>

#include "platform/CalculatorProtocol.h"

namespace usblink::linux_hid {

namespace {

constexpr std::string_view kNodePrefix = "hidraw";
constexpr std::string_view kHidIdKey = "HID_ID=";
constexpr int kUsbLevelsAboveHidDevice = 2;

std::optional<unsigned long> NodeNumber(std::string_view name) {
  if (!name.starts_with(kNodePrefix) || name.size() == kNodePrefix.size()) return std::nullopt;
  const std::string_view digits = name.substr(kNodePrefix.size());
  unsigned long number = 0;
  const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), number);
  if (error != std::errc{} || end != digits.data() + digits.size()) return std::nullopt;
  return number;
}

std::optional<std::uint32_t> ParseHex(std::string_view text) {
  std::uint32_t value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, 16);
  if (error != std::errc{} || end != text.data() + text.size()) return std::nullopt;
  return value;
}

std::optional<std::string> FirstLine(const std::filesystem::path& file) {
  std::ifstream in(file);
  std::string line;
  if (!std::getline(in, line)) return std::nullopt;
  return line;
}

}  // namespace

std::vector<std::string> ListHidrawNodes(const std::filesystem::path& sysfsRoot) {
  std::vector<std::pair<unsigned long, std::string>> numbered;
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(sysfsRoot, error)) {
    std::string name = entry.path().filename().string();
    if (const auto number = NodeNumber(name)) numbered.emplace_back(*number, std::move(name));
  }
  std::ranges::sort(numbered);
  std::vector<std::string> names;
  names.reserve(numbered.size());
  for (auto& [number, name] : numbered) names.push_back(std::move(name));
  return names;
}

std::vector<std::filesystem::path> CalculatorNodes(const HidrawRoots& roots) {
  constexpr HidIds kCalculatorIds{kCalculatorVendorId, kCalculatorProductId};
  std::vector<std::filesystem::path> nodes;
  for (const auto& node : ListHidrawNodes(roots.sysfs)) {
    if (ReadHidIds(roots.sysfs, node) == kCalculatorIds) nodes.push_back(roots.dev / node);
  }
  return nodes;
}

std::optional<HidIds> ReadHidIds(const std::filesystem::path& sysfsRoot, const std::string& node) {
  std::ifstream uevent(sysfsRoot / node / "device" / "uevent");
  for (std::string line; std::getline(uevent, line);) {
    if (!line.starts_with(kHidIdKey)) continue;
    // bus:vendor:product, each in hex; the ids are 32 bits wide there.
    const std::string_view value = std::string_view(line).substr(kHidIdKey.size());
    const auto first = value.find(':');
    const auto second = value.find(':', first + 1);
    if (first == std::string_view::npos || second == std::string_view::npos) return std::nullopt;
    const auto vendor = ParseHex(value.substr(first + 1, second - first - 1));
    const auto product = ParseHex(value.substr(second + 1));
    if (!vendor || !product) return std::nullopt;
    return HidIds{static_cast<std::uint16_t>(*vendor), static_cast<std::uint16_t>(*product)};
  }
  return std::nullopt;
}

std::optional<std::uint16_t> ReadUsbVersionNumber(const std::filesystem::path& sysfsRoot,
                                                  const std::string& node) {
  std::error_code error;
  auto directory = std::filesystem::canonical(sysfsRoot / node / "device", error);
  if (error) return std::nullopt;
  for (int level = 0; level < kUsbLevelsAboveHidDevice; ++level) {
    directory = directory.parent_path();
    if (const auto line = FirstLine(directory / "bcdDevice")) {
      const auto version = ParseHex(*line);
      if (!version || *version > 0xFFFF) return std::nullopt;
      return static_cast<std::uint16_t>(*version);
    }
  }
  return std::nullopt;
}

}  // namespace usblink::linux_hid

#include "platform/hid/linux/HidrawSysfs.h"

#include <algorithm>
#include <charconv>
#include <fstream>
#include <string_view>
#include <system_error>

#include "platform/hid/CalculatorIds.h"

namespace usblink::linux_hid {

namespace {

constexpr std::string_view kNodePrefix = "hidraw";
constexpr std::string_view kHidIdKey = "HID_ID";
constexpr std::string_view kHidUniqKey = "HID_UNIQ";
constexpr std::string_view kHidNameKey = "HID_NAME";
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

// The KEY=value lines of the node's device/uevent; none when it cannot be read.
std::optional<std::vector<std::string>> ReadUevent(const std::filesystem::path& sysfsRoot,
                                                   const std::string& node) {
  std::ifstream uevent(sysfsRoot / node / "device" / "uevent");
  if (!uevent) return std::nullopt;
  std::vector<std::string> lines;
  for (std::string line; std::getline(uevent, line);) lines.push_back(std::move(line));
  return lines;
}

std::optional<std::string> ValueOf(const std::vector<std::string>& uevent, std::string_view key) {
  for (const std::string& line : uevent) {
    if (line.size() > key.size() && line.starts_with(key) && line[key.size()] == '=') {
      return line.substr(key.size() + 1);
    }
  }
  return std::nullopt;
}

std::optional<std::string> NonEmpty(std::optional<std::string> text) {
  if (text && text->empty()) return std::nullopt;
  return text;
}

// The USB device above the node's HID device, at most two levels up (the USB
// interface, then the device): the directory with its bcdDevice. Nodes on
// other buses (uhid, Bluetooth, I2C) have none.
std::optional<std::filesystem::path> UsbDeviceAbove(const std::filesystem::path& sysfsRoot,
                                                    const std::string& node) {
  std::error_code error;
  auto directory = std::filesystem::canonical(sysfsRoot / node / "device", error);
  if (error) return std::nullopt;
  for (int level = 0; level < kUsbLevelsAboveHidDevice; ++level) {
    directory = directory.parent_path();
    if (std::filesystem::exists(directory / "bcdDevice", error)) return directory;
  }
  return std::nullopt;
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
  const auto uevent = ReadUevent(sysfsRoot, node);
  if (!uevent) return std::nullopt;
  const auto line = ValueOf(*uevent, kHidIdKey);
  if (!line) return std::nullopt;
  // bus:vendor:product, each in hex; the ids are 32 bits wide there.
  const std::string_view value = *line;
  const auto first = value.find(':');
  const auto second = value.find(':', first + 1);
  if (first == std::string_view::npos || second == std::string_view::npos) return std::nullopt;
  const auto vendor = ParseHex(value.substr(first + 1, second - first - 1));
  const auto product = ParseHex(value.substr(second + 1));
  if (!vendor || !product) return std::nullopt;
  return HidIds{static_cast<std::uint16_t>(*vendor), static_cast<std::uint16_t>(*product)};
}

std::optional<std::uint16_t> ReadUsbVersionNumber(const std::filesystem::path& sysfsRoot,
                                                  const std::string& node) {
  const auto usbDevice = UsbDeviceAbove(sysfsRoot, node);
  if (!usbDevice) return std::nullopt;
  const auto line = FirstLine(*usbDevice / "bcdDevice");
  const auto version = line ? ParseHex(*line) : std::nullopt;
  if (!version || *version > 0xFFFF) return std::nullopt;
  return static_cast<std::uint16_t>(*version);
}

std::optional<HidStrings> ReadHidStrings(const std::filesystem::path& sysfsRoot,
                                         const std::string& node) {
  const auto uevent = ReadUevent(sysfsRoot, node);
  if (!uevent) return std::nullopt;
  HidStrings strings;
  strings.serialNumber = NonEmpty(ValueOf(*uevent, kHidUniqKey));
  if (const auto usbDevice = UsbDeviceAbove(sysfsRoot, node)) {
    strings.manufacturer = NonEmpty(FirstLine(*usbDevice / "manufacturer"));
    strings.product = NonEmpty(FirstLine(*usbDevice / "product"));
  } else {
    strings.product = NonEmpty(ValueOf(*uevent, kHidNameKey));
  }
  return strings;
}

}  // namespace usblink::linux_hid

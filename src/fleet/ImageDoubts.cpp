#include "fleet/ImageDoubts.h"

#include <algorithm>
#include <cstdint>
#include <span>
#include <string_view>

#include "hid/ApiLog.h"
#include "platform/hid/DeviceText.h"
#include "protocol/CalculatorProtocol.h"
#include "protocol/StdioFile.h"

namespace usblink {

namespace {

constexpr std::string_view kNoFirmware = " is no firmware image: every byte is ";
constexpr std::string_view kOtherImage = "name the *.UD image, or --force sends it anyway";
constexpr std::string_view kSentAnyway = "It is sent all the same, as --force asks.";

// Printable ASCII, tab, line and page breaks, and UTF-8 beyond ASCII.
bool PrintableText(std::span<const std::uint8_t> bytes) {
  std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
  while (!text.empty()) {
    const auto byte = static_cast<std::uint8_t>(text.front());
    const std::size_t length = Utf8SequenceLength(text);
    if (length == 0) return false;
    if (length == 1 && (byte < 0x20 || byte >= 0x7F) && (byte < '\t' || byte > '\r')) {
      return false;
    }
    text.remove_prefix(length);
  }
  return true;
}

std::string ByteText(std::uint8_t byte) {
  const std::string digits = HexText(byte);
  return "0x" + std::string(2 - digits.size(), '0') + digits;
}

}  // namespace

std::vector<ImageDoubt> ImageDoubts(const FirmwareImage& image, const std::filesystem::path& file) {
  std::vector<ImageDoubt> doubts;
  const auto content = image.Flash().first(image.Length());
  const auto same = [&content](std::uint8_t byte) { return byte == content.front(); };
  if (!content.empty() && std::ranges::all_of(content, same)) {
    const std::uint8_t value = content.front();
    doubts.push_back({Quoted(file) + std::string(kNoFirmware) + ByteText(value) +
                          (value == kErasedByte ? ", as in an erased flash" : ""),
                      std::string(kOtherImage), std::string(kSentAnyway)});
  } else if (PrintableText(content)) {
    doubts.push_back({Quoted(file) + std::string(kNoFirmware) + "printable text",
                      std::string(kOtherImage), std::string(kSentAnyway)});
  }
  if (image.Oversize()) {
    const std::string first = "its first " + std::to_string(kFlashSize) + " bytes";
    doubts.push_back({Quoted(file) + " is larger than " + std::to_string(kFlashSize) +
                          " bytes, the calculator's whole flash",
                      "--force sends " + first, "Only " + first + " are sent."});
  }
  return doubts;
}

}  // namespace usblink

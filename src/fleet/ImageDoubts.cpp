#include "fleet/ImageDoubts.h"

#include <algorithm>
#include <cstdint>
#include <span>

#include "hid/ApiLog.h"
#include "protocol/CalculatorProtocol.h"
#include "protocol/StdioFile.h"

namespace usblink {

namespace {

constexpr std::string_view kNoFirmware = " is no firmware image: every byte is ";
constexpr std::string_view kOtherImage = "name the *.UD image, or --force sends it anyway";
constexpr std::string_view kSentAnyway = "It is sent all the same, as --force asks.";

// The bytes of a UTF-8 sequence that `lead` begins; 0 for a byte that begins none.
std::size_t SequenceLength(std::uint8_t lead) {
  if (lead >= 0xC2 && lead <= 0xDF) return 2;
  if (lead >= 0xE0 && lead <= 0xEF) return 3;
  if (lead >= 0xF0 && lead <= 0xF4) return 4;
  return 0;
}

// Printable ASCII, tab, line and page breaks, and UTF-8 beyond ASCII.
bool PrintableText(std::span<const std::uint8_t> bytes) {
  for (std::size_t at = 0; at < bytes.size();) {
    const std::uint8_t byte = bytes[at];
    if ((byte >= 0x20 && byte < 0x7F) || (byte >= '\t' && byte <= '\r')) {
      ++at;
      continue;
    }
    const std::size_t length = SequenceLength(byte);
    if (length == 0 || bytes.size() - at < length) return false;
    const auto following = bytes.subspan(at + 1, length - 1);
    if (!std::ranges::all_of(following, [](std::uint8_t next) { return (next & 0xC0) == 0x80; })) {
      return false;
    }
    at += length;
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

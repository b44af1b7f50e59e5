// The capability report: diagnostic only, nothing reads what it fetches.

#include <algorithm>
#include <array>
#include <cstring>
#include <string>
#include <string_view>

#include "hid/ApiLog.h"
#include "hid/Discovery.h"

namespace usblink {

namespace {

// The value-capability buffer is 1,024 bytes of Windows' 72-byte records.
constexpr std::size_t kValueCapsBufferBytes = 1024;
constexpr std::uint16_t kValueCapsCapacity = kValueCapsBufferBytes / kValueCapsRecordSize;

constexpr std::size_t kCopyLength = 30;
static_assert(sizeof(HidpCaps) == kCopyLength);

struct DecimalLine {
  std::string_view text;
  std::uint16_t HidpCaps::*field;
};

constexpr std::array<DecimalLine, 13> kDecimalLines{{
    {"  Input Report Byte Length: ", &HidpCaps::InputReportByteLength},
    {"  Output Report Byte Length: ", &HidpCaps::OutputReportByteLength},
    {"  Feature Report Byte Length: ", &HidpCaps::FeatureReportByteLength},
    {"  Number of Link Collection Nodes: ", &HidpCaps::NumberLinkCollectionNodes},
    {"  Number of Input Button Caps: ", &HidpCaps::NumberInputButtonCaps},
    {"  Number of Input Value Caps: ", &HidpCaps::NumberInputValueCaps},
    {"  Number of Input Data Indices: ", &HidpCaps::NumberInputDataIndices},
    {"  Number of Output Button Caps: ", &HidpCaps::NumberOutputButtonCaps},
    {"  Number of Output Value Caps: ", &HidpCaps::NumberOutputValueCaps},
    {"  Number of Output Data Indices: ", &HidpCaps::NumberOutputDataIndices},
    {"  Number of Feature Button Caps: ", &HidpCaps::NumberFeatureButtonCaps},
    {"  Number of Feature Value Caps: ", &HidpCaps::NumberFeatureValueCaps},
    {"  Number of Feature Data Indices: ", &HidpCaps::NumberFeatureDataIndices},
}};

}  // namespace

void Discovery::LogCapabilities() {
  state_.LastApiResult = api_.HidD_GetPreparsedData(link_.HIDHandle, state_.PreparsedDataRef);
  // Without data the later calls get no reference rather than a stale one.
  if (state_.LastApiResult == 0) state_.PreparsedDataRef = 0;
  apiLog_.LogApiResult("HidD_GetPreparsedData");

  // A memory copy, not a platform call: its block repeats the last call's code.
  // Nothing reads the copy; the caps record is 30 bytes of our own at hand.
  std::array<std::uint8_t, kCopyLength> scratch{};
  std::memcpy(scratch.data(), &state_.DeviceCaps, kCopyLength);
  apiLog_.LogApiResult("RtlMoveMemory");

  state_.LastApiResult = api_.HidP_GetCaps(state_.PreparsedDataRef, state_.DeviceCaps);
  apiLog_.LogApiResult("HidP_GetCaps");
  AppendCapabilityLines();

  std::array<HidpValueCaps, kValueCapsCapacity> valueCaps{};
  // Never more records than the buffer holds, whatever the device declares.
  std::uint16_t valueCapsLength =
      std::min(state_.DeviceCaps.NumberInputValueCaps, kValueCapsCapacity);
  state_.LastApiResult = api_.HidP_GetValueCaps(HidpReportType::Input, valueCaps, valueCapsLength,
                                                state_.PreparsedDataRef);
  apiLog_.LogApiResult("HidP_GetValueCaps");

  state_.LastApiResult = api_.HidD_FreePreparsedData(state_.PreparsedDataRef);
  state_.PreparsedDataRef = 0;
  apiLog_.LogApiResult("HidD_FreePreparsedData");
}

void Discovery::AppendCapabilityLines() {
  const HidpCaps& caps = state_.DeviceCaps;
  window_.AppendLine("  Last error: " + apiLog_.GetSystemErrorText(api_.LastPlatformError()));
  window_.AppendLine("  Usage: " + HexText(caps.Usage));
  window_.AppendLine("  Usage Page: " + HexText(caps.UsagePage));
  for (const auto& [text, field] : kDecimalLines) {
    window_.AppendLine(std::string(text) + std::to_string(caps.*field));
  }
}

}  // namespace usblink

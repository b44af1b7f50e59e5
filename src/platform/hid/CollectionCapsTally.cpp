#include "platform/hid/CollectionCapsTally.h"

#include <algorithm>

namespace usblink {
namespace {

constexpr std::uint32_t kMaxCount = 0xFFFF;
constexpr std::uint64_t kReportIdBits = 8;
// The report id byte is part of every report, also without report ids.
constexpr std::uint64_t kMaxReportBits = kMaxCount * 8 - kReportIdBits;

std::uint16_t ByteLength(const std::map<std::uint8_t, std::uint64_t>& bitsByReportId) {
  std::uint64_t longest = 0;
  for (const auto& [reportId, bits] : bitsByReportId) {
    longest = std::max(longest, (kReportIdBits + bits + 7) / 8);
  }
  return static_cast<std::uint16_t>(longest);
}

}  // namespace

CollectionCapsTally::CollectionCapsTally(std::uint16_t usagePage, std::uint16_t usage)
    : usagePage_(usagePage), usage_(usage) {}

CollectionCapsTally::ReportTypeTally& CollectionCapsTally::Of(HidpReportType type) {
  return types_[static_cast<std::size_t>(type)];
}

std::optional<std::uint16_t> CollectionCapsTally::AddLinkNode() {
  if (linkNodes_ == kMaxCount) return std::nullopt;
  return linkNodes_++;
}

bool CollectionCapsTally::AddReportBits(HidpReportType type, std::uint8_t reportId,
                                        std::uint64_t bits) {
  std::uint64_t& total = Of(type).bitsByReportId[reportId];
  if (bits > kMaxReportBits - total) return false;
  total += bits;
  return true;
}

bool CollectionCapsTally::AddCap(HidpReportType type, CapKind kind, HidpValueCaps cap) {
  ReportTypeTally& tally = Of(type);
  const std::uint32_t indices = cap.IsRange ? cap.UsageMax - cap.UsageMin + 1u : 1u;
  const std::size_t caps = kind == CapKind::Button ? tally.buttonCaps : tally.valueCaps.size();
  if (caps == kMaxCount || indices > kMaxCount - tally.dataIndices) return false;

  cap.DataIndexMin = tally.dataIndices;
  // As in Windows' record, the upper bound of a single usage's fields stays 0.
  cap.DataIndexMax = cap.IsRange ? static_cast<std::uint16_t>(tally.dataIndices + indices - 1) : 0;
  tally.dataIndices = static_cast<std::uint16_t>(tally.dataIndices + indices);
  if (kind == CapKind::Button) {
    ++tally.buttonCaps;
  } else {
    tally.valueCaps.push_back(cap);
  }
  return true;
}

CollectionCaps CollectionCapsTally::Finish() const {
  const auto& [input, output, feature] = types_;
  CollectionCaps result;
  result.caps = HidpCaps{
      .Usage = usage_,
      .UsagePage = usagePage_,
      .InputReportByteLength = ByteLength(input.bitsByReportId),
      .OutputReportByteLength = ByteLength(output.bitsByReportId),
      .FeatureReportByteLength = ByteLength(feature.bitsByReportId),
      .NumberLinkCollectionNodes = linkNodes_,
      .NumberInputButtonCaps = input.buttonCaps,
      .NumberInputValueCaps = static_cast<std::uint16_t>(input.valueCaps.size()),
      .NumberInputDataIndices = input.dataIndices,
      .NumberOutputButtonCaps = output.buttonCaps,
      .NumberOutputValueCaps = static_cast<std::uint16_t>(output.valueCaps.size()),
      .NumberOutputDataIndices = output.dataIndices,
      .NumberFeatureButtonCaps = feature.buttonCaps,
      .NumberFeatureValueCaps = static_cast<std::uint16_t>(feature.valueCaps.size()),
      .NumberFeatureDataIndices = feature.dataIndices,
  };
  result.inputValueCaps = input.valueCaps;
  result.outputValueCaps = output.valueCaps;
  result.featureValueCaps = feature.valueCaps;
  return result;
}

}  // namespace usblink

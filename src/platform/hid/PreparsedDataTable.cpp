#include "platform/hid/PreparsedDataTable.h"

#include <algorithm>
#include <utility>

namespace usblink {

namespace {

const std::vector<HidpValueCaps>& ValueCapsOf(const CollectionCaps& collection,
                                              HidpReportType type) {
  switch (type) {
    case HidpReportType::Input:
      return collection.inputValueCaps;
    case HidpReportType::Output:
      return collection.outputValueCaps;
    case HidpReportType::Feature:
      break;
  }
  return collection.featureValueCaps;
}

}  // namespace

std::optional<PreparsedData> PreparsedDataTable::Add(
    std::span<const std::uint8_t> reportDescriptor) {
  auto parse = ParseReportDescriptor(reportDescriptor);
  if (!parse.Ok() || parse.collections.empty()) return std::nullopt;
  const PreparsedData added = next_++;
  table_.emplace(added, std::move(parse.collections.front()));
  return added;
}

bool PreparsedDataTable::Free(PreparsedData preparsedData) {
  return table_.erase(preparsedData) != 0;
}

std::int32_t PreparsedDataTable::GetCaps(PreparsedData preparsedData, HidpCaps& caps) const {
  const auto found = table_.find(preparsedData);
  if (found == table_.end()) return kHidpStatusInvalidPreparsedData;
  caps = found->second.caps;
  return kHidpStatusSuccess;
}

std::int32_t PreparsedDataTable::GetValueCaps(HidpReportType reportType,
                                              std::span<HidpValueCaps> valueCaps,
                                              std::uint16_t& valueCapsLength,
                                              PreparsedData preparsedData) const {
  const auto found = table_.find(preparsedData);
  if (found == table_.end()) return kHidpStatusInvalidPreparsedData;
  if (valueCaps.size() < valueCapsLength) {
    valueCapsLength = 0;
    return kHidpStatusBufferTooSmall;
  }
  const auto& records = ValueCapsOf(found->second, reportType);
  const std::size_t copied = std::min<std::size_t>(valueCapsLength, records.size());
  std::copy_n(records.begin(), copied, valueCaps.begin());
  valueCapsLength = static_cast<std::uint16_t>(copied);
  return copied < records.size() ? kHidpStatusBufferTooSmall : kHidpStatusSuccess;
}

}  // namespace usblink

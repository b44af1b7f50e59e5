#pragma once
// Counts what one top-level collection declares, the way Windows' HID parser
// adds it up: report lengths per report id, capabilities and data indices per
// report type. Every count must fit the record's 16-bit fields; an addition
// that would not fit is refused and leaves the tally as it was.

#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <vector>

#include "platform/hid/HidApi.h"
#include "platform/hid/ReportDescriptorParser.h"

namespace usblink {

enum class CapKind { Button, Value };

class CollectionCapsTally {
 public:
  CollectionCapsTally(std::uint16_t usagePage, std::uint16_t usage);

  // A collection nested in this one; returns its link collection index.
  std::optional<std::uint16_t> AddLinkNode();
  // The bits one main item adds to its report.
  bool AddReportBits(HidpReportType type, std::uint8_t reportId, std::uint64_t bits);
  // One capability; its data indices are assigned here, in declaration order.
  bool AddCap(HidpReportType type, CapKind kind, HidpValueCaps cap);

  [[nodiscard]] CollectionCaps Finish() const;

 private:
  struct ReportTypeTally {
    std::map<std::uint8_t, std::uint64_t> bitsByReportId;
    std::uint16_t buttonCaps = 0;
    std::uint16_t dataIndices = 0;
    std::vector<HidpValueCaps> valueCaps;
  };

  ReportTypeTally& Of(HidpReportType type);

  std::uint16_t usagePage_;
  std::uint16_t usage_;
  std::uint16_t linkNodes_ = 1;  // the top-level collection itself
  std::array<ReportTypeTally, 3> types_;
};

}  // namespace usblink

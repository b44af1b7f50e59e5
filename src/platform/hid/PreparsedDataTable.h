#pragma once
// The preparsed data a backend without Windows' HID parser hands out: the
// first top-level collection of a device's report descriptor, answered through
// the HidP calls as Windows' parser answers them.

#include <cstdint>
#include <map>
#include <optional>
#include <span>

#include "platform/hid/ReportDescriptorParser.h"
#include "platform/hid/WindowsRecords.h"

namespace usblink {

class PreparsedDataTable {
 public:
  // None when the descriptor is unparseable or has no collection.
  std::optional<PreparsedData> Add(std::span<const std::uint8_t> reportDescriptor);
  // False when `preparsedData` is unknown (never handed out, or freed).
  bool Free(PreparsedData preparsedData);
  [[nodiscard]] std::size_t Count() const { return table_.size(); }

  // These report through their NTSTATUS and leave the last-error code alone.
  std::int32_t GetCaps(PreparsedData preparsedData, HidpCaps& caps) const;
  // Copies as many records as the caller asked for and has room for. Windows
  // trusts the count; a span shorter than it would be written past, so it is
  // refused here.
  std::int32_t GetValueCaps(HidpReportType reportType, std::span<HidpValueCaps> valueCaps,
                            std::uint16_t& valueCapsLength, PreparsedData preparsedData) const;

 private:
  PreparsedData next_ = 1;
  std::map<PreparsedData, CollectionCaps> table_;
};

}  // namespace usblink

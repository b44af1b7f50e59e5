#pragma once
// Turns a HID report descriptor into the capability records Windows' HID
// parser reports, for the backends that have no such parser of their own.

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "platform/hid/HidApi.h"

namespace usblink {

// What Windows reports for one top-level collection.
struct CollectionCaps {
  HidpCaps caps;
  std::vector<HidpValueCaps> inputValueCaps;
  std::vector<HidpValueCaps> outputValueCaps;
  std::vector<HidpValueCaps> featureValueCaps;
};

struct ReportDescriptorParse {
  std::vector<CollectionCaps> collections;  // one per top-level collection, in order
  std::string error;                        // empty when the descriptor was parseable
  [[nodiscard]] bool Ok() const { return error.empty(); }
};

// Any byte string is safe to pass. A descriptor is refused, with an error that
// starts "not parseable: " and no collections, when an item runs past the end,
// an item is reserved, collections do not balance, a main item stands outside
// any collection, Pop has no Push, a report id is outside 1..255, a usage
// minimum/maximum is unpaired or reversed, or a count does not fit the
// record's 16 bits (report size, report count, report length in bytes,
// capabilities, data indices, link collections). Too long is refused, never
// clamped, so no record reports less than the descriptor declares.
ReportDescriptorParse ParseReportDescriptor(std::span<const std::uint8_t> descriptor);

}  // namespace usblink

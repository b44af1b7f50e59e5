#pragma once
// Turns a HID report descriptor into the capability records Windows' HID
// parser reports, for the backends that have no such parser of their own.

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "platform/HidApi.h"

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

ReportDescriptorParse ParseReportDescriptor(std::span<const std::uint8_t> descriptor);

}  // namespace usblink

// Feeds arbitrary bytes to the report-descriptor parser. Besides the
// sanitizers' checks it traps when a result contradicts itself.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <vector>

#include "platform/hid/ReportDescriptorParser.h"

namespace usblink {
namespace {

void Require(bool condition) {
  if (!condition) std::abort();
}

void CheckValueCaps(const std::vector<HidpValueCaps>& valueCaps, std::uint16_t declared,
                    std::uint16_t dataIndices, std::uint16_t linkNodes) {
  Require(valueCaps.size() == declared);
  for (const HidpValueCaps& cap : valueCaps) {
    Require(cap.LinkCollection < linkNodes);
    Require(cap.ReportCount > 0);
    Require(cap.DataIndexMin < dataIndices);
    if (cap.IsRange) {
      Require(cap.UsageMin <= cap.UsageMax);
      Require(cap.DataIndexMax < dataIndices);
      Require(cap.DataIndexMax - cap.DataIndexMin == cap.UsageMax - cap.UsageMin);
    } else {
      Require(cap.UsageMax == 0 && cap.DataIndexMax == 0);
    }
  }
}

void CheckCollection(const CollectionCaps& tlc) {
  const HidpCaps& caps = tlc.caps;
  Require(caps.NumberLinkCollectionNodes >= 1);
  CheckValueCaps(tlc.inputValueCaps, caps.NumberInputValueCaps, caps.NumberInputDataIndices,
                 caps.NumberLinkCollectionNodes);
  CheckValueCaps(tlc.outputValueCaps, caps.NumberOutputValueCaps, caps.NumberOutputDataIndices,
                 caps.NumberLinkCollectionNodes);
  CheckValueCaps(tlc.featureValueCaps, caps.NumberFeatureValueCaps, caps.NumberFeatureDataIndices,
                 caps.NumberLinkCollectionNodes);
  // A capability needs a report to live in.
  Require(caps.NumberInputDataIndices == 0 || caps.InputReportByteLength > 0);
  Require(caps.NumberOutputDataIndices == 0 || caps.OutputReportByteLength > 0);
  Require(caps.NumberFeatureDataIndices == 0 || caps.FeatureReportByteLength > 0);
}

}  // namespace
}  // namespace usblink

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const usblink::ReportDescriptorParse parse =
      usblink::ParseReportDescriptor(std::span<const std::uint8_t>(data, size));
  if (!parse.Ok()) {
    usblink::Require(parse.collections.empty());
    usblink::Require(parse.error.starts_with("not parseable: "));
    return 0;
  }
  usblink::Require(!parse.collections.empty());
  for (const usblink::CollectionCaps& tlc : parse.collections) usblink::CheckCollection(tlc);
  return 0;
}

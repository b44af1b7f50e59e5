#include "platform/ReportDescriptorParser.h"

namespace usblink {

ReportDescriptorParse ParseReportDescriptor(std::span<const std::uint8_t> /*descriptor*/) {
  return {{}, "not implemented yet"};
}

}  // namespace usblink

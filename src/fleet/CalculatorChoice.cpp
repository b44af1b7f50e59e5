#include "fleet/CalculatorChoice.h"

#include "hid/InterfaceWalk.h"
#include "protocol/CalculatorProtocol.h"

namespace usblink {

std::vector<FleetMember> PresentCalculators(HidApi& api) {
  return NumberCalculators(
      InterfaceWalk(api).ListWithIds({kCalculatorVendorId, kCalculatorProductId}));
}

std::string ChoiceRefusal(const std::vector<FleetMember>& calculators) {
  std::string text = std::to_string(calculators.size()) +
                     " calculators are plugged in: name one with --device SERIAL|PATH, or take "
                     "them all at once with --all.";
  for (const FleetMember& member : calculators) {
    text += "\n  " + std::to_string(member.number) + "  " + SerialText(member.calculator) + "  " +
            member.calculator.path;
  }
  return text;
}

}  // namespace usblink

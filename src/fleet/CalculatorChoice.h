#pragma once
// Which calculators a device command is for, chosen before any of them is
// touched: with several plugged in, a run names one (--device) or takes all
// (--all); it never takes one of them by chance.

#include <string>
#include <vector>

#include "fleet/FleetRun.h"
#include "platform/hid/HidApi.h"

namespace usblink {

// The calculators present, numbered in list order.
std::vector<FleetMember> PresentCalculators(HidApi& api);

// Why a run without --device or --all does not go on with several
// calculators present, and the calculators to choose from, one a line.
std::string ChoiceRefusal(const std::vector<FleetMember>& calculators);

}  // namespace usblink

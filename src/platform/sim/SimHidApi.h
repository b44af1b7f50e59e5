#pragma once
// The HidApi backend of the simulated bus: answers every call as Windows
// would, with Windows' error codes and texts.

#include <cstdint>
#include <map>

#include "platform/HidApi.h"
#include "platform/sim/SimBus.h"

namespace usblink::sim {

class SimHidApi final : public HidApi {
 public:
  explicit SimHidApi(SimBus& bus);

  // ... every HidApi call ...

  // Handles currently open (device sets, devices, events), for leak checks.
  [[nodiscard]] int OpenHandleCount() const;

 private:
  SimBus& bus_;
};

}  // namespace usblink::sim

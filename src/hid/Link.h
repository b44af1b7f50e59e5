#pragma once
// Everything one calculator's transactions share: the two report buffers and
// the two handles. Discovery opens the handles, the capability report and the
// report transaction use them, CloseDevice closes them. One link a calculator:
// the window keeps its own for its whole life, so the buffers are never cleared.

#include "platform/CalculatorProtocol.h"
#include "platform/HidApi.h"

namespace usblink::HidCP {

struct Link {
  Link() = default;
  // A copy would share the handles, and close them twice.
  Link(const Link&) = delete;
  Link& operator=(const Link&) = delete;

  // Never cleared: a byte a command does not write keeps what an earlier one left.
  Report OutReport{};
  Report InReport{};
  // The interface under examination during a walk; after a match the calculator.
  Handle HIDHandle = kNoHandle;
  // The second, overlapped handle to the matched calculator; nothing reads through it.
  Handle ReadHandle = kNoHandle;
};

}  // namespace usblink::HidCP

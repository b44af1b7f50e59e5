#pragma once
// Thrown out of a wait when the window was closed in the middle of a command,
// so the interrupted command unwinds, closing its files, and never resumes.

#include <stdexcept>

namespace usblink::app {

class ProcessEnded : public std::runtime_error {
 public:
  ProcessEnded() : std::runtime_error("the window was closed") {}
};

}  // namespace usblink::app

#pragma once
// An error status of the device, or a device that stayed busy past its budget.
// The front end that started the command shows the message in a box titled
// "Error", closes the device and ends.

#include <cstdint>
#include <stdexcept>
#include <string>

namespace usblink {

class DeviceFailure : public std::runtime_error {
 public:
  DeviceFailure(std::uint8_t status, const std::string& message)
      : std::runtime_error(message), status_(status) {}
  [[nodiscard]] std::uint8_t Status() const { return status_; }

 private:
  std::uint8_t status_;
};

}  // namespace usblink

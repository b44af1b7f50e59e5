#pragma once
// One HID device made in the kernel through /dev/uhid, as a USB device would
// appear: it gets a hidraw node once a driver binds. Closing removes it.

#include <linux/uhid.h>

#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "platform/os/linux/UniqueFd.h"

namespace usblink::vm {

struct UhidIdentity {
  std::string name;
  std::string uniq;  // the serial number; none when empty
  std::uint16_t vendorId = 0;
  std::uint16_t productId = 0;
  std::uint16_t version = 0;
};

class UhidDevice {
 public:
  // Throws std::system_error when /dev/uhid refuses.
  UhidDevice(const UhidIdentity& identity, std::span<const std::uint8_t> reportDescriptor);

  [[nodiscard]] int Fd() const { return fd_.Get(); }
  // The next event from the kernel; waits when none is queued.
  [[nodiscard]] uhid_event Read() const;
  // Answers a GET_REPORT: the data starts with the report id.
  void ReplyGetReport(std::uint32_t id, std::span<const std::uint8_t> data) const;
  void RefuseGetReport(std::uint32_t id) const;
  void RefuseSetReport(std::uint32_t id) const;
  // An input report the device sends of its own accord (interrupt in).
  void SendInput(std::span<const std::uint8_t> data) const;

 private:
  void Write(const uhid_event& event) const;

  linux_hid::UniqueFd fd_;
};

}  // namespace usblink::vm

#include "UhidDevice.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <system_error>

namespace usblink::vm {

namespace {

constexpr std::uint16_t kBusUsb = 0x03;

[[noreturn]] void ThrowErrno(const char* what) {
  throw std::system_error(errno, std::generic_category(), what);
}

}  // namespace

UhidDevice::UhidDevice(const UhidIdentity& identity, std::span<const std::uint8_t> reportDescriptor)
    : fd_(::open("/dev/uhid", O_RDWR | O_CLOEXEC)) {
  if (!fd_.Valid()) ThrowErrno("open /dev/uhid");
  uhid_event event{};
  event.type = UHID_CREATE2;
  auto& create = event.u.create2;
  std::memcpy(create.name, identity.name.data(),
              std::min(identity.name.size(), sizeof create.name - 1));
  std::memcpy(create.uniq, identity.uniq.data(),
              std::min(identity.uniq.size(), sizeof create.uniq - 1));
  create.bus = kBusUsb;
  create.vendor = identity.vendorId;
  create.product = identity.productId;
  create.version = identity.version;
  const auto size = std::min(reportDescriptor.size(), sizeof create.rd_data);
  create.rd_size = static_cast<std::uint16_t>(size);
  std::memcpy(create.rd_data, reportDescriptor.data(), size);
  Write(event);
}

uhid_event UhidDevice::Read() const {
  uhid_event event{};
  ssize_t got = 0;
  do {
    got = ::read(fd_.Get(), &event, sizeof event);
  } while (got < 0 && errno == EINTR);
  if (got < 0) ThrowErrno("read /dev/uhid");
  return event;
}

void UhidDevice::ReplyGetReport(std::uint32_t id, std::span<const std::uint8_t> data) const {
  uhid_event event{};
  event.type = UHID_GET_REPORT_REPLY;
  auto& reply = event.u.get_report_reply;
  reply.id = id;
  reply.err = 0;
  const auto size = std::min(data.size(), sizeof reply.data);
  reply.size = static_cast<std::uint16_t>(size);
  std::memcpy(reply.data, data.data(), size);
  Write(event);
}

void UhidDevice::RefuseGetReport(std::uint32_t id) const {
  uhid_event event{};
  event.type = UHID_GET_REPORT_REPLY;
  event.u.get_report_reply.id = id;
  event.u.get_report_reply.err = EIO;
  Write(event);
}

void UhidDevice::RefuseSetReport(std::uint32_t id) const {
  uhid_event event{};
  event.type = UHID_SET_REPORT_REPLY;
  event.u.set_report_reply.id = id;
  event.u.set_report_reply.err = EIO;
  Write(event);
}

void UhidDevice::SendInput(std::span<const std::uint8_t> data) const {
  uhid_event event{};
  event.type = UHID_INPUT2;
  auto& input = event.u.input2;
  const auto size = std::min(data.size(), sizeof input.data);
  input.size = static_cast<std::uint16_t>(size);
  std::memcpy(input.data, data.data(), size);
  Write(event);
}

void UhidDevice::Write(const uhid_event& event) const {
  if (::write(fd_.Get(), &event, sizeof event) != static_cast<ssize_t>(sizeof event)) {
    ThrowErrno("write /dev/uhid");
  }
}

}  // namespace usblink::vm

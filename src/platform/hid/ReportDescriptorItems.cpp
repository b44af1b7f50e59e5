#include "platform/hid/ReportDescriptorItems.h"

namespace usblink {
namespace {

constexpr std::uint8_t kLongItemPrefix = 0xFE;
constexpr std::size_t kLongItemHeader = 3;  // prefix, data size, tag

}  // namespace

std::int32_t DescriptorItem::SignedData() const {
  switch (size) {
    case 1:
      return static_cast<std::int8_t>(data);
    case 2:
      return static_cast<std::int16_t>(data);
    default:
      return static_cast<std::int32_t>(data);
  }
}

DescriptorItems SplitDescriptorItems(std::span<const std::uint8_t> descriptor) {
  DescriptorItems result;
  std::size_t offset = 0;
  while (offset < descriptor.size()) {
    const std::uint8_t prefix = descriptor[offset];
    const std::size_t left = descriptor.size() - offset;
    if (prefix == kLongItemPrefix) {
      if (left < kLongItemHeader || left - kLongItemHeader < descriptor[offset + 1]) {
        result.truncatedAt = offset;
        return result;
      }
      offset += kLongItemHeader + descriptor[offset + 1];
      continue;
    }
    DescriptorItem item{.offset = offset,
                        .type = static_cast<ItemType>((prefix >> 2) & 0x3),
                        .tag = static_cast<std::uint8_t>(prefix >> 4)};
    const std::uint8_t sizeCode = prefix & 0x3;
    item.size = sizeCode == 3 ? 4 : sizeCode;
    if (left - 1 < item.size) {
      result.truncatedAt = offset;
      return result;
    }
    for (std::size_t i = 0; i < item.size; ++i) {
      item.data |= static_cast<std::uint32_t>(descriptor[offset + 1 + i]) << (8 * i);
    }
    result.items.push_back(item);
    offset += 1 + item.size;
  }
  return result;
}

}  // namespace usblink

#pragma once
// A report descriptor cut into its short items. Long items carry nothing the
// capability record needs and are stepped over.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace usblink {

enum class ItemType : std::uint8_t { Main = 0, Global = 1, Local = 2, Reserved = 3 };

struct DescriptorItem {
  std::size_t offset = 0;  // of the prefix byte
  ItemType type = ItemType::Main;
  std::uint8_t tag = 0;
  std::uint8_t size = 0;   // data bytes: 0, 1, 2 or 4
  std::uint32_t data = 0;  // little-endian, zero-extended

  // The data read as a two's-complement number of its own width.
  [[nodiscard]] std::int32_t SignedData() const;
};

struct DescriptorItems {
  std::vector<DescriptorItem> items;
  std::optional<std::size_t> truncatedAt;  // offset of an item that runs past the end
};

DescriptorItems SplitDescriptorItems(std::span<const std::uint8_t> descriptor);

}  // namespace usblink

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

namespace MainTag {
constexpr std::uint8_t Input = 0x8;
constexpr std::uint8_t Output = 0x9;
constexpr std::uint8_t Collection = 0xA;
constexpr std::uint8_t Feature = 0xB;
constexpr std::uint8_t EndCollection = 0xC;
}  // namespace MainTag

namespace GlobalTag {
constexpr std::uint8_t UsagePage = 0x0;
constexpr std::uint8_t LogicalMinimum = 0x1;
constexpr std::uint8_t LogicalMaximum = 0x2;
constexpr std::uint8_t PhysicalMinimum = 0x3;
constexpr std::uint8_t PhysicalMaximum = 0x4;
constexpr std::uint8_t UnitExponent = 0x5;
constexpr std::uint8_t Unit = 0x6;
constexpr std::uint8_t ReportSize = 0x7;
constexpr std::uint8_t ReportId = 0x8;
constexpr std::uint8_t ReportCount = 0x9;
constexpr std::uint8_t Push = 0xA;
constexpr std::uint8_t Pop = 0xB;
}  // namespace GlobalTag

namespace LocalTag {
constexpr std::uint8_t Usage = 0x0;
constexpr std::uint8_t UsageMinimum = 0x1;
constexpr std::uint8_t UsageMaximum = 0x2;
constexpr std::uint8_t DesignatorIndex = 0x3;
constexpr std::uint8_t DesignatorMinimum = 0x4;
constexpr std::uint8_t DesignatorMaximum = 0x5;
constexpr std::uint8_t StringIndex = 0x7;
constexpr std::uint8_t StringMinimum = 0x8;
constexpr std::uint8_t StringMaximum = 0x9;
constexpr std::uint8_t Delimiter = 0xA;
}  // namespace LocalTag

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

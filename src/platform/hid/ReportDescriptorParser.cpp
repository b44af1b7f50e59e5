#include "platform/hid/ReportDescriptorParser.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/hid/CollectionCapsTally.h"

namespace usblink {
namespace {

// A report descriptor cut into its short items. Long items carry nothing the
// capability record needs and are stepped over.
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
  [[nodiscard]] std::int32_t SignedData() const {
    switch (size) {
      case 1:
        return static_cast<std::int8_t>(data);
      case 2:
        return static_cast<std::int16_t>(data);
      default:
        return static_cast<std::int32_t>(data);
    }
  }
};

struct DescriptorItems {
  std::vector<DescriptorItem> items;
  std::optional<std::size_t> truncatedAt;  // offset of an item that runs past the end
};

constexpr std::uint8_t kLongItemPrefix = 0xFE;
constexpr std::size_t kLongItemHeader = 3;  // prefix, data size, tag

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

constexpr std::uint32_t kConstantFlag = 0x01;
constexpr std::uint32_t kVariableFlag = 0x02;
constexpr std::uint32_t kMaxField = 0xFFFF;

struct Globals {
  std::uint16_t usagePage = 0;
  std::int32_t logicalMin = 0;
  std::int32_t logicalMax = 0;
  std::uint32_t reportSize = 0;
  std::uint32_t reportCount = 0;
  std::uint8_t reportId = 0;  // 0: the descriptor declared none (yet)
};

// A usage as written. A one- or two-byte usage takes the usage page in effect
// at the main item that consumes it; a four-byte one carries its own.
struct LocalUsage {
  std::optional<std::uint16_t> page;
  std::uint16_t id = 0;

  explicit LocalUsage(const DescriptorItem& item)
      : id(static_cast<std::uint16_t>(item.data & 0xFFFF)) {
    if (item.size == 4) page = static_cast<std::uint16_t>(item.data >> 16);
  }
  [[nodiscard]] std::uint16_t PageUnder(const Globals& globals) const {
    return page.value_or(globals.usagePage);
  }
};

// One usage, or a usage minimum/maximum pair.
struct UsageEntry {
  LocalUsage first;
  std::optional<LocalUsage> last;
};

struct Locals {
  std::vector<UsageEntry> usages;
  std::optional<LocalUsage> pendingMin;
  std::optional<LocalUsage> pendingMax;
};

class Parser {
 public:
  ReportDescriptorParse Run(std::span<const std::uint8_t> descriptor);

 private:
  bool Parsed(const DescriptorItems& split, std::size_t end);
  bool Item(const DescriptorItem& item);
  bool GlobalItem(const DescriptorItem& item);
  bool LocalItem(const DescriptorItem& item);
  bool MainItem(const DescriptorItem& item);
  bool OpenCollection(const DescriptorItem& item);
  bool CloseCollection(const DescriptorItem& item);
  bool DataItem(const DescriptorItem& item, HidpReportType type);
  bool AddUsageCaps(const DescriptorItem& item, HidpReportType type);
  [[nodiscard]] bool IsPadding(const DescriptorItem& item) const;
  void PairUsageRange();
  bool Refuse(std::size_t offset, std::string_view reason);

  Globals globals_;
  std::vector<Globals> pushed_;
  Locals locals_;
  std::optional<CollectionCapsTally> topLevel_;
  std::vector<std::uint16_t> openLinkNodes_;  // innermost last
  std::vector<CollectionCaps> collections_;
  std::string error_;
};

ReportDescriptorParse Parser::Run(std::span<const std::uint8_t> descriptor) {
  if (Parsed(SplitDescriptorItems(descriptor), descriptor.size())) {
    return {std::move(collections_), {}};
  }
  return {{}, std::move(error_)};
}

bool Parser::Parsed(const DescriptorItems& split, std::size_t end) {
  for (const DescriptorItem& item : split.items) {
    if (!Item(item)) return false;
  }
  if (split.truncatedAt) return Refuse(*split.truncatedAt, "item runs past the end");
  if (!openLinkNodes_.empty()) return Refuse(end, "collection left open");
  if (collections_.empty()) return Refuse(end, "no top-level collection");
  return true;
}

bool Parser::Refuse(std::size_t offset, std::string_view reason) {
  error_ = "not parseable: ";
  error_ += reason;
  error_ += " at byte ";
  error_ += std::to_string(offset);
  return false;
}

bool Parser::Item(const DescriptorItem& item) {
  switch (item.type) {
    case ItemType::Main:
      return MainItem(item);
    case ItemType::Global:
      return GlobalItem(item);
    case ItemType::Local:
      return LocalItem(item);
    case ItemType::Reserved:
      break;
  }
  return Refuse(item.offset, "reserved item");
}

bool Parser::GlobalItem(const DescriptorItem& item) {
  switch (item.tag) {
    case GlobalTag::UsagePage:
      if (item.data > kMaxField) return Refuse(item.offset, "usage page wider than 16 bits");
      globals_.usagePage = static_cast<std::uint16_t>(item.data);
      return true;
    case GlobalTag::LogicalMinimum:
      globals_.logicalMin = item.SignedData();
      return true;
    case GlobalTag::LogicalMaximum:
      globals_.logicalMax = item.SignedData();
      return true;
    case GlobalTag::ReportSize:
      globals_.reportSize = item.data;
      return true;
    case GlobalTag::ReportCount:
      globals_.reportCount = item.data;
      return true;
    case GlobalTag::ReportId:
      if (item.data == 0 || item.data > 0xFF) return Refuse(item.offset, "report id out of 1..255");
      globals_.reportId = static_cast<std::uint8_t>(item.data);
      return true;
    case GlobalTag::Push:
      pushed_.push_back(globals_);
      return true;
    case GlobalTag::Pop:
      if (pushed_.empty()) return Refuse(item.offset, "pop without push");
      globals_ = pushed_.back();
      pushed_.pop_back();
      return true;
    case GlobalTag::PhysicalMinimum:
    case GlobalTag::PhysicalMaximum:
    case GlobalTag::UnitExponent:
    case GlobalTag::Unit:
      return true;  // not part of the capability record
    default:
      return Refuse(item.offset, "reserved global item");
  }
}

bool Parser::LocalItem(const DescriptorItem& item) {
  switch (item.tag) {
    case LocalTag::Usage:
      locals_.usages.push_back({LocalUsage(item), std::nullopt});
      return true;
    case LocalTag::UsageMinimum:
      if (locals_.pendingMin) return Refuse(item.offset, "usage minimum without maximum");
      locals_.pendingMin = LocalUsage(item);
      PairUsageRange();
      return true;
    case LocalTag::UsageMaximum:
      if (locals_.pendingMax) return Refuse(item.offset, "usage maximum without minimum");
      locals_.pendingMax = LocalUsage(item);
      PairUsageRange();
      return true;
    case LocalTag::DesignatorIndex:
    case LocalTag::DesignatorMinimum:
    case LocalTag::DesignatorMaximum:
    case LocalTag::StringIndex:
    case LocalTag::StringMinimum:
    case LocalTag::StringMaximum:
    case LocalTag::Delimiter:
      return true;  // not part of the capability record; aliases count as usages
    default:
      return Refuse(item.offset, "reserved local item");
  }
}

void Parser::PairUsageRange() {
  if (locals_.pendingMin && locals_.pendingMax) {
    locals_.usages.push_back({*locals_.pendingMin, locals_.pendingMax});
    locals_.pendingMin.reset();
    locals_.pendingMax.reset();
  }
}

bool Parser::MainItem(const DescriptorItem& item) {
  if (locals_.pendingMin || locals_.pendingMax) {
    return Refuse(item.offset, "usage minimum and maximum not paired");
  }
  bool parsed = false;
  switch (item.tag) {
    case MainTag::Input:
      parsed = DataItem(item, HidpReportType::Input);
      break;
    case MainTag::Output:
      parsed = DataItem(item, HidpReportType::Output);
      break;
    case MainTag::Feature:
      parsed = DataItem(item, HidpReportType::Feature);
      break;
    case MainTag::Collection:
      parsed = OpenCollection(item);
      break;
    case MainTag::EndCollection:
      parsed = CloseCollection(item);
      break;
    default:
      return Refuse(item.offset, "reserved main item");
  }
  locals_ = {};
  return parsed;
}

bool Parser::OpenCollection(const DescriptorItem& item) {
  if (topLevel_) {
    const auto node = topLevel_->AddLinkNode();
    if (!node) return Refuse(item.offset, "more than 65535 collections");
    openLinkNodes_.push_back(*node);
    return true;
  }
  std::uint16_t usage = 0;
  std::uint16_t usagePage = globals_.usagePage;
  if (!locals_.usages.empty()) {
    const LocalUsage& first = locals_.usages.front().first;
    usage = first.id;
    usagePage = first.PageUnder(globals_);
  }
  topLevel_.emplace(usagePage, usage);
  openLinkNodes_.push_back(0);
  return true;
}

bool Parser::CloseCollection(const DescriptorItem& item) {
  if (openLinkNodes_.empty()) return Refuse(item.offset, "end collection without collection");
  openLinkNodes_.pop_back();
  if (openLinkNodes_.empty()) {
    collections_.push_back(topLevel_->Finish());
    topLevel_.reset();
  }
  return true;
}

bool Parser::DataItem(const DescriptorItem& item, HidpReportType type) {
  if (!topLevel_) return Refuse(item.offset, "main item outside a collection");
  if (globals_.reportSize > kMaxField || globals_.reportCount > kMaxField) {
    return Refuse(item.offset, "report size or count above 65535");
  }
  const std::uint64_t bits = std::uint64_t{globals_.reportSize} * globals_.reportCount;
  if (!topLevel_->AddReportBits(type, globals_.reportId, bits)) {
    return Refuse(item.offset, "report longer than 65535 bytes");
  }
  if (globals_.reportCount == 0) return true;
  return AddUsageCaps(item, type);
}

// A constant item is padding, filling report bits with no cap or data index,
// when it is an Array (whatever usages it names), has no usage, or has Usage
// (0) as its only one. A constant Variable item with a real usage keeps it.
bool Parser::IsPadding(const DescriptorItem& item) const {
  if ((item.data & kConstantFlag) == 0) return false;
  if ((item.data & kVariableFlag) == 0) return true;
  const auto& usages = locals_.usages;
  return usages.empty() || (usages.size() == 1 && !usages[0].last && usages[0].first.id == 0);
}

// One cap per usage. An Array item's usages all select among its fields. In a
// Variable item a usage covers one field and a range one field per usage, in
// order: the last usage covers all fields left over, and usages past the
// Report Count are discarded (a range that runs past it is cut there).
bool Parser::AddUsageCaps(const DescriptorItem& item, HidpReportType type) {
  if (IsPadding(item)) return true;
  const bool isArray = (item.data & kVariableFlag) == 0;
  const CapKind kind = isArray || globals_.reportSize == 1 ? CapKind::Button : CapKind::Value;
  std::uint32_t fieldsLeft = globals_.reportCount;
  for (std::size_t i = 0; i < locals_.usages.size(); ++i) {
    const UsageEntry& entry = locals_.usages[i];
    const LocalUsage& last = entry.last.value_or(entry.first);
    const std::uint16_t page = entry.first.PageUnder(globals_);
    if (last.PageUnder(globals_) != page) {
      return Refuse(item.offset, "usage range spans two usage pages");
    }
    if (last.id < entry.first.id) return Refuse(item.offset, "usage minimum above maximum");

    const std::uint32_t declared = last.id - entry.first.id + 1u;
    std::uint32_t usages = declared;
    std::uint32_t reportCount = globals_.reportCount;
    if (!isArray) {
      if (fieldsLeft == 0) continue;  // past the Report Count
      const bool lastUsage = i + 1 == locals_.usages.size();
      reportCount = lastUsage ? fieldsLeft : std::min(declared, fieldsLeft);
      usages = std::min(declared, reportCount);
      fieldsLeft -= reportCount;
    }
    HidpValueCaps cap{
        .UsagePage = page,
        .ReportID = globals_.reportId,
        .LinkCollection = openLinkNodes_.back(),
        .BitSize = static_cast<std::uint16_t>(globals_.reportSize),
        .ReportCount = static_cast<std::uint16_t>(reportCount),
        .LogicalMin = globals_.logicalMin,
        .LogicalMax = globals_.logicalMax,
        .IsRange = entry.last.has_value(),
        .UsageMin = entry.first.id,
        .UsageMax =
            entry.last ? static_cast<std::uint16_t>(entry.first.id + usages - 1) : std::uint16_t{0},
    };
    if (!topLevel_->AddCap(type, kind, cap)) {
      return Refuse(item.offset, "more than 65535 capabilities or data indices");
    }
  }
  return true;
}

}  // namespace

ReportDescriptorParse ParseReportDescriptor(std::span<const std::uint8_t> descriptor) {
  return Parser{}.Run(descriptor);
}

}  // namespace usblink

#pragma once
// What the backends that answer as Windows does without Windows have in
// common: Windows' message texts, Windows' HID parser worked from the report
// descriptor, and results that leave a Windows error code behind.

#include <cstdint>
#include <span>

#include "platform/HidApi.h"
#include "platform/PreparsedDataTable.h"

namespace usblink {

class EmulatedHidApi : public HidApi {
 public:
  // The parser reports through its status and leaves the last-error code alone.
  std::int32_t HidP_GetCaps(PreparsedData preparsedData, HidpCaps& caps) override;
  std::int32_t HidP_GetValueCaps(HidpReportType reportType, std::span<HidpValueCaps> valueCaps,
                                 std::uint16_t& valueCapsLength,
                                 PreparsedData preparsedData) override;
  std::int32_t HidD_FreePreparsedData(PreparsedData preparsedData) override;
  // Knows only the system table and never touches the last-error code.
  std::uint32_t FormatMessageA(std::uint32_t flags, std::uint32_t messageId,
                               std::uint32_t languageId, std::span<char> buffer) override;

  // Preparsed data handed out and not yet freed.
  [[nodiscard]] int PreparsedDataCount() const;

 protected:
  // HidD_GetPreparsedData's answer for a device with this descriptor.
  std::int32_t PrepareData(std::span<const std::uint8_t> descriptor, PreparsedData& preparsedData);
  std::int32_t Succeed();
  std::int32_t Fail(std::uint32_t error);

 private:
  PreparsedDataTable preparsedData_;
};

}  // namespace usblink

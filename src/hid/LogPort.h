#pragma once
// What the device code asks of the window's activity log and link status.

#include <string_view>

namespace usblink {

class LogPort {
 public:
  virtual ~LogPort() = default;
  virtual void AppendLine(std::string_view line) = 0;
  virtual void ClearLines() = 0;
  // Selects the last line and scrolls it into view.
  virtual void SelectLastLine() = 0;
};

// The log plus the link status label that discovery sets.
class LinkWindowPort : public LogPort {
 public:
  virtual void SetLinkStatus(std::string_view caption) = 0;
};

}  // namespace usblink

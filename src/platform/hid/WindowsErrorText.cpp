#include "platform/hid/WindowsErrorText.h"

#include <algorithm>
#include <utility>

namespace usblink {

namespace {

constexpr std::pair<std::uint32_t, std::string_view> kTexts[] = {
    {0, "The operation completed successfully."},
    {1, "Incorrect function."},
    {2, "The system cannot find the file specified."},
    {3, "The system cannot find the path specified."},
    {5, "Access is denied."},
    {6, "The handle is invalid."},
    {8, "Not enough memory resources are available to process this command."},
    {13, "The data is invalid."},
    {21, "The device is not ready."},
    {31, "A device attached to the system is not functioning."},
    {32, "The process cannot access the file because it is being used by another process."},
    {87, "The parameter is incorrect."},
    {122, "The data area passed to a system call is too small."},
    {170, "The requested resource is in use."},
    {259, "No more data is available."},
    {995,
     "The I/O operation has been aborted because of either a thread exit or an application "
     "request."},
    {997, "Overlapped I/O operation is in progress."},
    {1167, "The device is not connected."},
    {1784, "The supplied user buffer is not valid for the requested operation."},
};

}  // namespace

std::optional<std::string_view> WindowsSystemText(std::uint32_t code) {
  const auto* found = std::find_if(std::begin(kTexts), std::end(kTexts),
                                   [code](const auto& entry) { return entry.first == code; });
  if (found == std::end(kTexts)) return std::nullopt;
  return found->second;
}

std::uint32_t FormatWindowsSystemMessage(std::uint32_t code, std::span<char> buffer) {
  const auto text = WindowsSystemText(code);
  if (!text) return 0;
  constexpr std::string_view kLineBreak = "\r\n";
  const std::size_t length = text->size() + kLineBreak.size();
  if (length + 1 > buffer.size()) return 0;
  auto out = std::copy(text->begin(), text->end(), buffer.begin());
  out = std::copy(kLineBreak.begin(), kLineBreak.end(), out);
  *out = '\0';
  return static_cast<std::uint32_t>(length);
}

}  // namespace usblink

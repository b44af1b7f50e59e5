#pragma once
// The system's modal dialogs as the window uses them.

#include <optional>
#include <string>
#include <string_view>

#include "app/FileFilter.h"
#include "app/win32/WindowsGui.h"

namespace usblink::app::win32 {

// One OK button, no icon.
void ShowMessage(HWND owner, std::string_view text, std::string_view title);
// Yes or No, No the default.
[[nodiscard]] bool AskYesNo(HWND owner, std::string_view question, std::string_view title);

// The file-open dialog. Like the window's dialog control it keeps the name
// chosen last and shows it the next time.
class OpenFileDialog {
 public:
  // Offers the files `filter` picks. The name is in the narrow encoding the C
  // library opens files by.
  std::optional<std::string> Show(HWND owner, const FileFilter& filter);

 private:
  std::string fileName_;
};

}  // namespace usblink::app::win32

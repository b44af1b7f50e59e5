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

// The file-open dialog offering the files `filter` picks, opened on `earlier`
// (its folder, its name in the name box). Names are in the narrow encoding
// the C library opens files by.
[[nodiscard]] std::optional<std::string> ShowOpenFile(HWND owner, const FileFilter& filter,
                                                      std::string_view earlier);

}  // namespace usblink::app::win32

#pragma once
// Where the window keeps the log of each run: the user's state folder on
// Linux ($XDG_STATE_HOME, by default ~/.local/state), the local application
// data folder (%LOCALAPPDATA%) on Windows, each with a folder "usblink".

#include <filesystem>
#include <optional>

namespace usblink {

// None when the environment names no such folder.
[[nodiscard]] std::optional<std::filesystem::path> SessionLogFolder();

}  // namespace usblink

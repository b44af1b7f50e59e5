#include "cli/ScratchFolder.h"

#include <random>

#include "hid/ApiLog.h"

namespace usblink::cli {

std::optional<ScratchFolder> ScratchFolder::Make(std::string& reason) {
  std::error_code error;
  const auto temporary = std::filesystem::temp_directory_path(error);
  if (error) {
    reason = "No folder for temporary files: " + error.message();
    return std::nullopt;
  }
  std::random_device random;
  for (int attempt = 0; attempt < 16; ++attempt) {
    const auto name = "usblink-" + HexText((std::uint64_t{random()} << 32) | random());
    auto path = temporary / name;
    // Made here and now, or not used at all.
    if (std::filesystem::create_directory(path, error)) {
      ScratchFolder made(std::move(path));
      // Private before anything goes in: the flash read back is nobody else's.
      std::filesystem::permissions(made.Path(), std::filesystem::perms::owner_all,
                                   std::filesystem::perm_options::replace, error);
      if (!error) return made;
      break;
    }
    if (error) break;
  }
  reason = "Cannot make a folder in \"" + temporary.string() + "\"" +
           (error ? ": " + error.message() : std::string());
  return std::nullopt;
}

ScratchFolder::~ScratchFolder() {
  if (path_.empty()) return;
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

}  // namespace usblink::cli

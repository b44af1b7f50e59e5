#pragma once
// A folder of this run's own under the system's temporary folder, made fresh
// (never one that was there before, so nothing planted in it is written
// through), open to this user only, and removed with its content at the end.

#include <filesystem>
#include <optional>
#include <string>

namespace usblink {

class ScratchFolder {
 public:
  // None, with the reason, when no such folder can be made.
  static std::optional<ScratchFolder> Make(std::string& reason);

  ScratchFolder(ScratchFolder&& other) noexcept : path_(std::move(other.path_)) {
    other.path_.clear();
  }
  ScratchFolder& operator=(ScratchFolder&& other) noexcept {
    path_.swap(other.path_);
    return *this;
  }
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;
  ~ScratchFolder();

  [[nodiscard]] const std::filesystem::path& Path() const { return path_; }

 private:
  explicit ScratchFolder(std::filesystem::path path) : path_(std::move(path)) {}
  std::filesystem::path path_;
};

}  // namespace usblink

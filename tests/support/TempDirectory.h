#pragma once
// A fresh directory under the system's temporary folder, removed with its
// content when the test ends.

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <random>
#include <span>
#include <string>
#include <vector>

namespace usblink::testing {

class TempDirectory {
 public:
  TempDirectory() : path_(UniquePath()) { std::filesystem::create_directories(path_); }
  TempDirectory(const TempDirectory&) = delete;
  TempDirectory& operator=(const TempDirectory&) = delete;
  ~TempDirectory() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }

  [[nodiscard]] const std::filesystem::path& Path() const { return path_; }

  std::filesystem::path Write(const std::string& name,
                              std::span<const std::uint8_t> content) const {
    const auto file = path_ / name;
    std::ofstream(file, std::ios::binary)
        .write(reinterpret_cast<const char*>(content.data()),
               static_cast<std::streamsize>(content.size()));
    return file;
  }

  [[nodiscard]] std::vector<std::uint8_t> Read(const std::string& name) const {
    std::ifstream in(path_ / name, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  }

 private:
  static std::filesystem::path UniquePath() {
    // Test processes may run side by side.
    std::random_device random;
    return std::filesystem::temp_directory_path() /
           ("usblink-test-" + std::to_string(random()) + "-" + std::to_string(random()));
  }

  std::filesystem::path path_;
};

}  // namespace usblink::testing

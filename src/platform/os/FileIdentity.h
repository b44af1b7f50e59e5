#pragma once
// Which file a path names, whatever its spelling: through "./" and "..",
// symbolic links and hard links.

#include <filesystem>

namespace usblink {

// Where a file opened for writing at `file` ends up: absolute, with every
// symbolic link followed as far as it leads, also a last one that points at
// a file not made yet.
std::filesystem::path WrittenPath(const std::filesystem::path& file);

// A path with what tells its file apart, found once where one path is
// compared with many.
struct NamedFile {
  explicit NamedFile(std::filesystem::path file);

  std::filesystem::path path;
  bool exists = false;
  std::filesystem::path written;  // WrittenPath(path)
};

// True when `a` and `b` name the same file: by the system's file identity
// when both exist, else by their written paths (two names of a file to come).
bool SameFile(const NamedFile& a, const NamedFile& b);

}  // namespace usblink

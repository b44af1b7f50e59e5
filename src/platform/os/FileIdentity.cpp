#include "platform/os/FileIdentity.h"

#include <utility>

namespace usblink {

namespace fs = std::filesystem;

namespace {

// As many links as the system follows in one path before it gives up.
constexpr int kMaxLinkHops = 40;

}  // namespace

fs::path WrittenPath(const fs::path& file) {
  std::error_code error;
  fs::path path = fs::weakly_canonical(fs::absolute(file, error), error);
  if (error) return fs::absolute(file, error).lexically_normal();
  // weakly_canonical stops at a link whose target does not exist yet; opening
  // the link for writing would create that target.
  for (int hop = 0; hop < kMaxLinkHops && fs::is_symlink(path, error); ++hop) {
    const fs::path target = fs::read_symlink(path, error);
    if (error) break;
    path = fs::weakly_canonical(path.parent_path() / target, error);
    if (error) break;
  }
  return path;
}

NamedFile::NamedFile(fs::path file) : path(std::move(file)), written(WrittenPath(path)) {
  std::error_code error;
  exists = fs::exists(path, error);
}

bool SameFile(const NamedFile& a, const NamedFile& b) {
  if (a.exists && b.exists) {
    std::error_code error;
    const bool same = fs::equivalent(a.path, b.path, error);
    return same && !error;
  }
  return a.written == b.written;
}

}  // namespace usblink

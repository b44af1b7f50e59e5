#pragma once
// An output file that appears whole or not at all. The bytes go to a new file
// beside the target; only a commit flushes it to disk and renames it over the
// target, so until then an earlier file of that name stays as it was. A run
// that ends without a commit keeps what it wrote as "TARGET.partial".

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <system_error>

namespace usblink {

// What an unfinished run left behind.
struct PartialFile {
  std::filesystem::path path;
  std::uintmax_t length = 0;
};

class StagedFile {
 public:
  // Starts a run for `target`. A target that is a symbolic link is written
  // where the link points, so the link keeps naming the file. None, with the
  // reason in `error`, when the staging file cannot be made, and for a target
  // that exists but is no regular file (a folder, a device, a pipe:
  // std::errc::is_a_directory or std::errc::not_supported), which must be
  // written directly if at all.
  static std::optional<StagedFile> Create(const std::filesystem::path& target,
                                          std::error_code& error);

  StagedFile(StagedFile&& other) noexcept;
  StagedFile& operator=(StagedFile&& other) noexcept;
  StagedFile(const StagedFile&) = delete;
  StagedFile& operator=(const StagedFile&) = delete;
  // Neither committed nor kept: keeps the partial file, as KeepPartial.
  ~StagedFile();

  // Where the bytes go; null once the run is committed or kept.
  [[nodiscard]] std::FILE* Stream() const { return stream_; }

  // Flushes every byte to disk and renames the staging file over the target.
  // A stream that failed a write earlier is never committed. On failure the
  // target is as it was and KeepPartial still keeps the bytes.
  std::error_code Commit();

  // Ends the run without touching the target. Bytes written are flushed to
  // disk and kept as "TARGET.partial", replacing an older one; when that
  // rename fails they stay under the staging name, which is returned with
  // the reason in `error`. A run that wrote nothing leaves no file: none.
  std::optional<PartialFile> KeepPartial(std::error_code& error);

  // "TARGET.partial".
  static std::filesystem::path PartialPath(const std::filesystem::path& target);

 private:
  StagedFile(std::filesystem::path target, std::filesystem::path staging, std::FILE* stream)
      : target_(std::move(target)), staging_(std::move(staging)), stream_(stream) {}
  std::error_code CloseStream();

  std::filesystem::path target_;
  // Empty once the staging file is renamed or removed.
  std::filesystem::path staging_;
  std::FILE* stream_ = nullptr;
};

// The system calls behind a file that must reach the disk whole, where the
// standard library has no portable call of its own.

// Creates `file`, which must not exist yet (std::errc::file_exists when it
// does; a link there counts as existing), readable and writable by this user
// only where the system has such modes, and opens it for writing bytes. Null,
// with the reason in `error`, on failure; the caller closes the stream.
std::FILE* CreateNewPrivateFile(const std::filesystem::path& file, std::error_code& error);

// Hands what `stream` buffers to the system and waits until the system has
// put the file's content on the disk.
std::error_code FlushToDisk(std::FILE* stream);

// Renames `from` to `to` in one step, replacing a file at `to`, and has the
// system record the new name on the disk. Both lie in the same folder; `from`
// is not open.
std::error_code RenameReplacing(const std::filesystem::path& from, const std::filesystem::path& to);

}  // namespace usblink

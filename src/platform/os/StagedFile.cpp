#include "platform/os/StagedFile.h"

#include <array>
#include <cerrno>
#include <charconv>
#include <random>
#include <string>
#include <utility>

#include "platform/os/FileIdentity.h"

namespace usblink {

namespace fs = std::filesystem;

namespace {

// Names tried before giving up: each is random, so a clash is someone's
// leftover or a file planted to be written through.
constexpr int kNameAttempts = 16;

fs::path StagingPath(const fs::path& target, std::uint64_t tag) {
  std::array<char, 16> hex{};
  const auto end = std::to_chars(hex.data(), hex.data() + hex.size(), tag, 16).ptr;
  fs::path path = target;
  path += "." + std::string(hex.data(), end) + ".tmp";
  return path;
}

}  // namespace

std::optional<StagedFile> StagedFile::Create(const fs::path& target, std::error_code& error) {
  std::error_code ignored;
  fs::path resolved = fs::is_symlink(target, ignored) ? WrittenPath(target) : target;
  const fs::file_status status = fs::status(resolved, ignored);
  if (!resolved.has_filename() || fs::is_directory(status)) {
    error = std::make_error_code(std::errc::is_a_directory);
    return std::nullopt;
  }
  if (fs::exists(status) && !fs::is_regular_file(status)) {
    error = std::make_error_code(std::errc::not_supported);
    return std::nullopt;
  }
  std::random_device random;
  for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
    fs::path staging = StagingPath(resolved, (std::uint64_t{random()} << 32) | random());
    if (std::FILE* stream = CreateNewPrivateFile(staging, error)) {
      return StagedFile(std::move(resolved), std::move(staging), stream);
    }
    if (error != std::errc::file_exists) break;
  }
  return std::nullopt;
}

StagedFile::StagedFile(StagedFile&& other) noexcept
    : target_(std::move(other.target_)),
      staging_(std::exchange(other.staging_, {})),
      stream_(std::exchange(other.stream_, nullptr)) {}

StagedFile& StagedFile::operator=(StagedFile&& other) noexcept {
  // The run this one had ends in `other`'s destructor.
  target_.swap(other.target_);
  staging_.swap(other.staging_);
  std::swap(stream_, other.stream_);
  return *this;
}

StagedFile::~StagedFile() {
  std::error_code ignored;
  KeepPartial(ignored);
}

std::error_code StagedFile::Commit() {
  if (stream_ == nullptr) return std::make_error_code(std::errc::bad_file_descriptor);
  // A failed write leaves a gap or a short file behind the bytes that follow.
  const bool writeFailed = std::ferror(stream_) != 0;
  std::error_code error = CloseStream();
  if (writeFailed) return std::make_error_code(std::errc::io_error);
  if (error) return error;
  error = RenameReplacing(staging_, target_);
  if (!error) staging_.clear();
  return error;
}

std::optional<PartialFile> StagedFile::KeepPartial(std::error_code& error) {
  error.clear();
  if (staging_.empty()) return std::nullopt;
  if (stream_ != nullptr) error = CloseStream();
  std::error_code sizeError;
  const std::uintmax_t length = fs::file_size(staging_, sizeError);
  if (!sizeError && length == 0) {
    fs::remove(std::exchange(staging_, {}), error);
    return std::nullopt;
  }
  if (sizeError && !error) error = sizeError;
  PartialFile kept{PartialPath(target_), sizeError ? 0 : length};
  if (const std::error_code renameError = RenameReplacing(staging_, kept.path)) {
    if (!error) error = renameError;
    kept.path = staging_;
  }
  staging_.clear();
  return kept;
}

fs::path StagedFile::PartialPath(const fs::path& target) {
  fs::path path = target;
  path += ".partial";
  return path;
}

std::error_code StagedFile::CloseStream() {
  std::error_code error = FlushToDisk(stream_);
  errno = 0;
  if (std::fclose(std::exchange(stream_, nullptr)) != 0 && !error) {
    error = {errno != 0 ? errno : EIO, std::generic_category()};
  }
  return error;
}

}  // namespace usblink

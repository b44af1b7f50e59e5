#pragma once
// Where a read-back of the command line goes. A regular file, or a name not
// taken yet, is staged: the bytes go to a new file beside it, which replaces
// it only once the last byte is in, so a read-back that ends early leaves it
// as it was and keeps its bytes as "FILE.partial". A pipe, a device or
// standard output takes the bytes directly: there is nothing there to replace.

#include <cstdio>
#include <filesystem>
#include <optional>
#include <variant>

#include "cli/TerminalView.h"
#include "platform/os/StagedFile.h"
#include "protocol/StdioFile.h"

namespace usblink::cli {

class ReadBackFile {
 public:
  // Made before the device is touched, so a file that cannot be made costs nothing.
  static std::variant<ReadBackFile, FileError> Create(const std::filesystem::path& target);
  // The bytes go to `stream`, open already and left open (standard output);
  // `name` is what messages call it.
  static ReadBackFile ToStream(std::FILE* stream, std::filesystem::path name) {
    return {std::move(name), std::nullopt, false, stream};
  }

  [[nodiscard]] const std::filesystem::path& Path() const { return path_; }
  // Where the read-back writes; null when it opens the target itself.
  [[nodiscard]] std::FILE* Stream() const { return staged_ ? staged_->Stream() : stream_; }

  // After a complete read-back: the file is made whole. False, with the
  // reason and the partial file shown, when it cannot be.
  bool Commit(TerminalView& view);
  // After a read-back that ended early: says that the file is as it was and
  // where the bytes read are kept.
  void KeepPartial(TerminalView& view);

 private:
  ReadBackFile(std::filesystem::path path, std::optional<StagedFile> staged, bool existed,
               std::FILE* stream = nullptr)
      : path_(std::move(path)), staged_(std::move(staged)), existed_(existed), stream_(stream) {}

  std::filesystem::path path_;
  std::optional<StagedFile> staged_;
  bool existed_;
  std::FILE* stream_;  // not ours
};

}  // namespace usblink::cli

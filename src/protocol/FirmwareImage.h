#pragma once
// A *.UD firmware image as a download sends it: a plain image of flash banks
// 0 to 3 without a header. Only its first 262,144 bytes matter.
//
// The end of the file is met by the read tried beyond its last byte; that
// read still supplies 0x00 for its position, and so does every later position
// of the block. The block holding that position is the last one sent. Blocks
// after it in the same bank are not sent: the device erased them to 0xFF, and
// the bank checksum counts them so.

#include <cstdint>
#include <filesystem>
#include <span>
#include <vector>

#include "protocol/CalculatorProtocol.h"
#include "protocol/Result.h"

namespace usblink {

class FirmwareImage {
 public:
  // The whole content of an image file.
  static FirmwareImage FromBytes(std::span<const std::uint8_t> content);
  // Reads `file` once, front to back, as a stream: a pipe, a FIFO or a
  // device works as well as a regular file, and only the bytes read count,
  // whatever size the file system tells. Reads at most one byte past the
  // flash, so an endless device cannot hold it.
  static Result<FirmwareImage> Load(const std::filesystem::path& file);

  // Bytes of the file that are sent, at most 262,144.
  [[nodiscard]] std::size_t Length() const { return length_; }
  // The file goes on past the flash; a download ignores the rest.
  [[nodiscard]] bool Oversize() const { return oversize_; }
  [[nodiscard]] bool Empty() const { return length_ == 0; }
  // Blocks sent, numbered from 0: up to the block where the end of the file is
  // met, at most all 1,024.
  [[nodiscard]] int SentBlocks() const { return sentBlocks_; }
  // Banks checked; the commit carries this count.
  [[nodiscard]] int Banks() const;
  // The 256 bytes sent for `block`, which is below SentBlocks().
  [[nodiscard]] std::span<const std::uint8_t, kBlockSize> Block(int block) const;
  // The byte sum the device must report for `bank`, which is below Banks().
  [[nodiscard]] std::uint32_t BankChecksum(int bank) const;
  // What banks 0 to Banks()-1 hold after the download.
  [[nodiscard]] std::span<const std::uint8_t> Flash() const { return flash_; }

 private:
  // `kept` holds the file's first bytes, at most 262,144 of them.
  FirmwareImage(std::vector<std::uint8_t> kept, bool oversize);

  std::size_t length_;
  bool oversize_;
  int sentBlocks_;
  std::vector<std::uint8_t> flash_;
};

// An image as loaded for a download, or why it could not be read.
using LoadedImage = Result<FirmwareImage>;

// Whether a download sends `loaded`, the content of `file`; else why it sends
// nothing, as the "Error" box says it: the file could not be read, or it is
// empty (sending it would program a zero block into an erased bank).
Result<void> Sendable(const LoadedImage& loaded, const std::filesystem::path& file);

}  // namespace usblink

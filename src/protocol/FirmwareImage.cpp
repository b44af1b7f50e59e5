#include "protocol/FirmwareImage.h"

#include <algorithm>
#include <array>
#include <numeric>

#include "protocol/StdioFile.h"

namespace usblink {

namespace {

constexpr std::uint8_t kEndOfFileByte = 0x00;

int BlocksSentFor(std::uintmax_t fileSize) {
  if (fileSize >= kFlashSize) return kFlashBlocks;
  // The read at position fileSize meets the end; its block is still sent.
  return static_cast<int>(fileSize / kBlockSize) + 1;
}

}  // namespace

FirmwareImage::FirmwareImage(std::vector<std::uint8_t> kept, std::uintmax_t fileSize)
    : fileSize_(fileSize), sentBlocks_(BlocksSentFor(fileSize)), flash_(std::move(kept)) {
  flash_.resize(static_cast<std::size_t>(sentBlocks_) * kBlockSize, kEndOfFileByte);
  flash_.resize(static_cast<std::size_t>(Banks()) * kBankSize, kErasedByte);
}

FirmwareImage FirmwareImage::FromBytes(std::span<const std::uint8_t> content) {
  const auto kept = content.first(std::min(content.size(), kFlashSize));
  return FirmwareImage({kept.begin(), kept.end()}, content.size());
}

std::variant<FirmwareImage, FileError> FirmwareImage::Load(const std::filesystem::path& file) {
  const StdioFile stream = OpenStdioFile(file, "rb");
  if (!stream) return FileError{file, "open", LastSystemError()};

  std::vector<std::uint8_t> kept(kFlashSize);
  kept.resize(ReadSome(stream.get(), kept));
  // The rest is never read: a regular file tells its size, and a pipe or
  // device need not end at all; of those only one byte more is looked at.
  std::array<std::uint8_t, 1> more{};
  const std::size_t beyond = ReadSome(stream.get(), more);
  if (std::ferror(stream.get())) return FileError{file, "read", LastSystemError()};
  std::uintmax_t size = kept.size() + beyond;
  std::error_code error;
  if (std::filesystem::is_regular_file(file, error)) {
    const std::uintmax_t told = std::filesystem::file_size(file, error);
    if (!error) size = std::max(size, told);
  }
  return FirmwareImage(std::move(kept), size);
}

int FirmwareImage::Banks() const { return (sentBlocks_ + kBlocksPerBank - 1) / kBlocksPerBank; }

std::span<const std::uint8_t, kBlockSize> FirmwareImage::Block(int block) const {
  return std::span(flash_)
      .subspan(static_cast<std::size_t>(block) * kBlockSize)
      .first<kBlockSize>();
}

std::uint32_t FirmwareImage::BankChecksum(int bank) const {
  const auto bytes =
      std::span(flash_).subspan(static_cast<std::size_t>(bank) * kBankSize, kBankSize);
  return std::accumulate(bytes.begin(), bytes.end(), std::uint32_t{0});
}

}  // namespace usblink

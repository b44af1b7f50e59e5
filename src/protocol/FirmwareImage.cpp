#include "protocol/FirmwareImage.h"

#include <algorithm>
#include <array>
#include <numeric>

#include "protocol/Outcome.h"
#include "protocol/StdioFile.h"

namespace usblink {

namespace {

constexpr std::uint8_t kEndOfFileByte = 0x00;

int BlocksSentFor(std::size_t length) {
  if (length >= kFlashSize) return kFlashBlocks;
  // The read at position `length` meets the end; its block is still sent.
  return static_cast<int>(length / kBlockSize) + 1;
}

}  // namespace

FirmwareImage::FirmwareImage(std::vector<std::uint8_t> kept, bool oversize)
    : length_(kept.size()),
      oversize_(oversize),
      sentBlocks_(BlocksSentFor(length_)),
      flash_(std::move(kept)) {
  flash_.resize(static_cast<std::size_t>(sentBlocks_) * kBlockSize, kEndOfFileByte);
  flash_.resize(static_cast<std::size_t>(Banks()) * kBankSize, kErasedByte);
}

FirmwareImage FirmwareImage::FromBytes(std::span<const std::uint8_t> content) {
  const auto kept = content.first(std::min(content.size(), kFlashSize));
  return FirmwareImage({kept.begin(), kept.end()}, content.size() > kFlashSize);
}

LoadedImage FirmwareImage::Load(const std::filesystem::path& file) {
  const StdioFile stream = OpenStdioFile(file, "rb");
  if (!stream) return FileFailure(file, "open", LastSystemError());
  std::vector<std::uint8_t> kept(kFlashSize);
  kept.resize(ReadSome(stream.get(), kept));
  // Whether the file goes on; nothing after that one byte is read.
  std::array<std::uint8_t, 1> more{};
  const bool oversize = kept.size() == kFlashSize && ReadSome(stream.get(), more) == more.size();
  if (std::ferror(stream.get())) return FileFailure(file, "read", LastSystemError());
  return FirmwareImage(std::move(kept), oversize);
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

Result<void> Sendable(const LoadedImage& loaded, const std::filesystem::path& file) {
  if (!loaded) return loaded.Error();
  if (!loaded->Empty()) return {};
  // Built piece by piece: GCC 12 warns falsely on a literal + string here.
  std::string message = "The file \"";
  message += file.string();
  message += "\" is empty. Nothing was sent.";
  return Failure{kExitFileError, std::move(message)};
}

}  // namespace usblink

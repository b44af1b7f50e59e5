#include "protocol/ReadBackImage.h"

#include <algorithm>
#include <array>
#include <string>

#include "protocol/HidCP.h"
#include "protocol/StdioFile.h"

namespace usblink::HidCP {

namespace {

void Begin(CommandPort& window) {
  window.ClearLines();
  window.AppendLine("开始");
}

Result<void> ReadBlocks(const Channel& channel, CommandPort& window, std::FILE* out,
                        const std::filesystem::path& file) {
  // Byte 3 is left as the block-read set it: the block number's high byte.
  const std::array<std::uint8_t, 1> transferOfBlockRead{CommandCode::BlockRead};
  for (int block = 0; block < kFlashBlocks; ++block) {
    IssueCommand(channel, CommandCode::BlockRead, BlockNumberBytes(block));
    for (std::size_t remaining = kBlockSize; remaining > 0;) {
      IssueCommand(channel, CommandCode::DataTransfer, transferOfBlockRead);
      const std::size_t count = std::min(remaining, kTransferPayload);
      if (!WriteThrough(out, std::span(channel.link.InReport).subspan(kDataStart, count))) {
        return FileFailure(file, "write", LastSystemError());
      }
      remaining -= count;
    }
    const int completed = block + 1;
    window.SetProgressCaption(std::to_string(completed % kBlocksPerBank));
    window.ReportProgress({Transfer::ReadBack, completed, kFlashBlocks});
    if (completed % kBlocksPerBank == 0) {
      window.AppendLine(" ReceiveBank = " + std::to_string(completed / kBlocksPerBank));
    }
  }
  return {};
}

void End(CommandPort& window) { window.AppendLine(" Receive complete "); }

}  // namespace

Result<void> ReadBackImage(const Channel& channel, CommandPort& window,
                           const std::filesystem::path& file) {
  Begin(window);
  // An existing file is written over from offset 0 and keeps what lies
  // beyond; one that is absent is created.
  StdioFile out = OpenStdioFile(file, "r+b");
  if (!out && LastSystemError() == std::errc::no_such_file_or_directory) {
    out = OpenStdioFile(file, "wb");
  }
  if (!out) return FileFailure(file, "create", LastSystemError());
  if (auto read = ReadBlocks(channel, window, out.get(), file); !read) return read;
  out.reset();
  End(window);
  return {};
}

Result<void> ReadBackImage(const Channel& channel, CommandPort& window, std::FILE* out,
                           const std::filesystem::path& file) {
  Begin(window);
  if (auto read = ReadBlocks(channel, window, out, file); !read) return read;
  End(window);
  return {};
}

}  // namespace usblink::HidCP

#include "protocol/DownloadImage.h"

#include <algorithm>
#include <array>
#include <string>
#include <string_view>

#include "hid/ApiLog.h"
#include "protocol/HidCP.h"
#include "protocol/Pacer.h"

namespace usblink::HidCP {

namespace {

constexpr std::array<std::string_view, 7> kClosingLines = {
    " ",
    " It may take 1~3 minutes to update the program,",
    " please wait until IC Reset completes! ",
    " ",
    " Note: please don't power off or reset the equitment",
    "       during the IC program update!  Otherwise, ",
    "       the calculator will be damaged and cannot boot!",
};

DownloadResult Refuse(CommandPort& window, std::string_view message) {
  window.ShowMessage(message, "Error");
  window.SetDownloadButtonEnabled(true);
  return DownloadResult::ImageRefused;
}

void OpenBlock(const Channel& channel, int block, DownloadState& state) {
  // Once its report is out the device may have erased the bank, whatever it replies.
  const bool changedBefore = state.flashChanged;
  state.flashChanged = true;
  try {
    IssueCommand(channel, CommandCode::BlockWrite, BlockNumberBytes(block));
  } catch (const TransactionsStopped&) {
    state.flashChanged = changedBefore;  // stopped before the report was sent
    throw;
  }
}

void SendBlock(const Channel& channel, int block, std::span<const std::uint8_t> bytes,
               DownloadState& state) {
  OpenBlock(channel, block, state);
  while (!bytes.empty()) {
    const std::size_t count = std::min(bytes.size(), kTransferPayload);
    // The last report of a block carries 16 bytes; its positions after them
    // keep the previous report's data.
    constexpr std::size_t kDataAt = kDataStart - kParameterStart;
    std::array<std::uint8_t, kParameterBytes> parameters{CommandCode::BlockWrite};
    std::ranges::copy(bytes.first(count), parameters.begin() + kDataAt);
    IssueCommand(channel, CommandCode::DataTransfer, std::span(parameters).first(kDataAt + count));
    bytes = bytes.subspan(count);
  }
}

bool BankVerified(const Channel& channel, CommandPort& window, int bank, std::uint32_t sum) {
  window.AppendLine(" SendOutBank = " + std::to_string(bank) + " Download complete！ ");
  window.AppendLine(" BankCheckSum     = " + HexText(sum));
  const std::array<std::uint8_t, 1> bankNumber{static_cast<std::uint8_t>(bank)};
  IssueCommand(channel, CommandCode::BankChecksum, bankNumber);
  const std::uint32_t deviceSum =
      Checksum(std::span(channel.link.InReport).subspan<kParameterStart, kChecksumSize>());
  window.AppendLine(" NorFlashCheckSum = " + HexText(deviceSum));
  const BankCheck check{bank, sum, deviceSum};
  window.ReportBankCheck(check);
  if (check.Verified()) return true;
  window.ShowMessage("BankCheckSum is different. Maybe Flash is broken. Please download again！",
                     "Error");
  return false;
}

void Commit(const Channel& channel, CommandPort& window, int banks, DownloadState& state) {
  window.SetProgressCaption("");
  window.AppendLine(" Download file complete！ ");
  IssueCommand(channel, CommandCode::Commit, CommitParameters(banks));
  state.committed = true;
  for (const std::string_view line : kClosingLines) window.AppendLine(line);
  // The calculator reprograms itself and resets; the next step is a new connect.
  CloseDevice(channel.api, channel.link);
  window.SetDownloadButtonEnabled(false);
  window.SetLinkButtonEnabled(true);
  window.SetNoteCaption("Please wait until the calculator shows: Update Success!");
}

}  // namespace

DownloadResult DownloadImage(const Channel& channel, CommandPort& window, const LoadedImage& loaded,
                             const std::filesystem::path& name, DownloadState& state) {
  state = {};
  window.SetProgressVisible(true);
  window.ClearLines();
  window.AppendLine("Downloading file：");
  if (const auto sendable = Sendable(loaded, name); !sendable) {
    return Refuse(window, sendable.Error().message);
  }
  const FirmwareImage& image = *loaded;
  state.totalBlocks = image.SentBlocks();

  for (int bank = 0; bank < image.Banks(); ++bank) {
    const int first = bank * kBlocksPerBank;
    const int end = std::min(first + kBlocksPerBank, image.SentBlocks());
    for (int block = first; block < end; ++block) {
      SendBlock(channel, block, image.Block(block), state);
      state.blocksSent = block + 1;
      window.SetProgressCaption("Downloading： " + HexText(block % kBlocksPerBank));
      window.ReportProgress({Transfer::Download, state.blocksSent, state.totalBlocks});
    }
    if (!BankVerified(channel, window, bank, image.BankChecksum(bank))) {
      return DownloadResult::ChecksumMismatch;
    }
    state.banksVerified = bank + 1;
  }
  Commit(channel, window, image.Banks(), state);
  return DownloadResult::Committed;
}

}  // namespace usblink::HidCP

#include "protocol/DownloadImage.h"

#include <algorithm>
#include <array>
#include <string>
#include <string_view>
#include <variant>

#include "hid/NumberText.h"
#include "protocol/Command.h"
#include "protocol/FirmwareImage.h"

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

DownloadResult Refuse(WindowPort& window, std::string_view message) {
  window.ShowMessage(message, "Error");
  window.SetDownloadButtonEnabled(true);
  return DownloadResult::ImageRefused;
}

void SendBlock(const Channel& channel, int block, std::span<const std::uint8_t> bytes) {
  IssueCommand(channel, CommandCode::BlockWrite, BlockNumberBytes(block));
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

bool BankVerified(const Channel& channel, WindowPort& window, int bank, std::uint32_t sum) {
  window.AppendLine(" SendOutBank = " + std::to_string(bank) + " Download complete！ ");
  window.AppendLine(" BankCheckSum     = " + HexText(sum));
  const std::array<std::uint8_t, 1> bankNumber{static_cast<std::uint8_t>(bank)};
  IssueCommand(channel, CommandCode::BankChecksum, bankNumber);
  const Report& InReport = channel.link.InReport;
  const std::uint32_t deviceSum =
      Checksum(std::span(InReport).subspan<kParameterStart, kChecksumSize>());
  window.AppendLine(" NorFlashCheckSum = " + HexText(deviceSum));
  if (deviceSum == sum) return true;
  window.ShowMessage("BankCheckSum is different. Maybe Flash is broken. Please download again！",
                     "Error");
  return false;
}

void Commit(const Channel& channel, WindowPort& window, int banks) {
  window.SetProgressCaption("");
  window.AppendLine(" Download file complete！ ");
  IssueCommand(channel, CommandCode::Commit, CommitParameters(banks));
  for (const std::string_view line : kClosingLines) window.AppendLine(line);
  // The calculator reprograms itself and resets; the next step is a new connect.
  CloseDevice(channel.api, channel.link);
  window.SetDownloadButtonEnabled(false);
  window.SetLinkButtonEnabled(true);
  window.SetNoteCaption("Please wait until the calculator shows: Update Success!");
}

}  // namespace

DownloadResult DownloadImage(const Channel& channel, WindowPort& window) {
  window.SetProgressVisible(true);
  window.ClearLines();
  window.AppendLine("Downloading file：");

  const std::filesystem::path file = window.ChosenFileName();
  const auto loaded = FirmwareImage::Load(file);
  if (const auto* error = std::get_if<FileError>(&loaded)) return Refuse(window, error->Message());
  const auto& image = std::get<FirmwareImage>(loaded);
  // Sending it would program an all-zero block and a mostly erased bank.
  if (image.Empty()) {
    return Refuse(window, "The file \"" + file.string() + "\" is empty. Nothing was sent.");
  }

  for (int bank = 0; bank < image.Banks(); ++bank) {
    const int first = bank * kBlocksPerBank;
    const int end = std::min(first + kBlocksPerBank, image.SentBlocks());
    for (int block = first; block < end; ++block) {
      SendBlock(channel, block, image.Block(block));
      window.SetProgressCaption("Downloading： " + HexText(block % kBlocksPerBank));
      window.ReportProgress({Transfer::Download, block + 1, image.SentBlocks()});
    }
    if (!BankVerified(channel, window, bank, image.BankChecksum(bank))) {
      return DownloadResult::ChecksumMismatch;
    }
  }
  Commit(channel, window, image.Banks());
  return DownloadResult::Committed;
}

}  // namespace usblink::HidCP

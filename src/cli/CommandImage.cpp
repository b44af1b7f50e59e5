#include "cli/CommandImage.h"

#include "protocol/CalculatorProtocol.h"
#include "protocol/StdioFile.h"

namespace usblink::cli {

std::optional<FirmwareImage> LoadImage(const std::filesystem::path& file, TerminalView& view,
                                       const Environment& environment) {
  auto loaded = IsStandardStream(file) ? FirmwareImage::Read(environment.standardInput(), file)
                                       : FirmwareImage::Load(file);
  if (const auto refusal = DownloadRefusal(loaded, file)) {
    view.ShowMessage(*refusal, "Error");
    return std::nullopt;
  }
  return std::move(std::get<FirmwareImage>(loaded));
}

std::string OversizeText(const std::filesystem::path& file) {
  return Quoted(file) + " is larger than " + std::to_string(kFlashSize) +
         " bytes, the calculator's whole flash";
}

std::string FirstBytesText() { return "its first " + std::to_string(kFlashSize) + " bytes"; }

std::optional<FirmwareImage> CommandImage(const Options& options, TerminalView& view,
                                          const Environment& environment, bool& refused) {
  const bool downloads =
      options.command == Command::Download || options.command == Command::Station;
  refused = false;
  if (!downloads && options.command != Command::Verify) return std::nullopt;
  auto image = LoadImage(*options.file, view, environment);
  if (!image) {
    refused = true;
    return std::nullopt;
  }
  if (downloads && image->Oversize()) {
    if (!options.force) {
      view.ShowMessage(OversizeText(*options.file) + ". Nothing was sent; --force sends " +
                           FirstBytesText() + ".",
                       "Error");
      refused = true;
      return std::nullopt;
    }
    view.ShowMessage(OversizeText(*options.file) + ": only " + FirstBytesText() + " are sent.",
                     "Warning");
  }
  return image;
}

}  // namespace usblink::cli

#include "protocol/Commands.h"

#include <string>

#include "hid/ApiLog.h"
#include "protocol/CheckLink.h"
#include "protocol/HidCP.h"
#include "protocol/Pacer.h"
#include "protocol/ReadBackImage.h"

namespace usblink {

Commands::Commands(HidApi& api, Pacer& pacer, CommandPort& port)
    : api_(api), port_(port), channel_{api, pacer, link_}, discovery_(api, port, link_) {}

Commands::~Commands() { Close(); }

void Commands::Close() { HidCP::CloseDevice(api_, link_); }

template <typename Command>
Outcome Commands::Guarded(Command command) {
  try {
    return command();
  } catch (const DeviceFailure& failure) {
    port_.ShowMessage(failure.what(), "Error");
    Close();
    return Outcome::DeviceFailed;
  } catch (const TransactionsStopped&) {
    // The device is left between two transactions; the next step is a new connect.
    Close();
    port_.SetDownloadButtonEnabled(false);
    port_.SetLinkButtonEnabled(true);
    return Outcome::Interrupted;
  }
}

Outcome Commands::Connect(std::string_view vendorField, std::string_view productField) {
  return Guarded([&] {
    std::string vendor = IdTextFromField(vendorField);
    std::string product = IdTextFromField(productField);
    const bool idsUnset = vendor == "&H0" && product == "&H0";
    discovery_.SetIdTexts(std::move(vendor), std::move(product));
    port_.SetNoteVisible(false);
    if (idsUnset) {
      port_.ShowMessage("Please set VID and PID ！", kWindowCaption);
      return Outcome::IdsNotSet;
    }
    if (!FindInTurn()) return Outcome::NotFound;
    if (!HidCP::CheckLink(channel_, port_)) {
      port_.ShowMessage("HID Error ！", kWindowCaption);
      return Outcome::Refused;
    }
    port_.ClearLines();
    port_.AppendLine("Connected to the device, you can download files！");
    port_.SetDownloadButtonEnabled(true);
    port_.SetLinkButtonEnabled(false);
    return Outcome::Connected;
  });
}

bool Commands::FindInTurn() {
  std::unique_lock<std::mutex> turn;
  if (walkTurn_ != nullptr) turn = std::unique_lock(*walkTurn_);
  return discovery_.FindTheHid();
}

Outcome Commands::Download(const LoadedImage& image, const std::filesystem::path& name) {
  return Guarded([&] {
    port_.SetDownloadButtonEnabled(false);
    port_.SetNoteCaption(kUpdateNote);
    port_.SetNoteVisible(true);
    switch (HidCP::DownloadImage(channel_, port_, image, name, lastDownload_)) {
      case HidCP::DownloadResult::Committed:
        return Outcome::Downloaded;
      case HidCP::DownloadResult::ChecksumMismatch:
        // The device is still open and verified: let the user try again.
        port_.SetDownloadButtonEnabled(true);
        return Outcome::ChecksumMismatch;
      case HidCP::DownloadResult::ImageRefused:
        break;
    }
    // Nothing was sent: the warning does not apply.
    port_.SetNoteVisible(false);
    return Outcome::FileError;
  });
}

Outcome Commands::ReadBack(const std::filesystem::path& file) {
  return Guarded([&] { return ReadBackEnded(HidCP::ReadBackImage(channel_, port_, file)); });
}

Outcome Commands::ReadBack(std::FILE* out, const std::filesystem::path& name) {
  return Guarded([&] { return ReadBackEnded(HidCP::ReadBackImage(channel_, port_, out, name)); });
}

Outcome Commands::ReadBackEnded(const Result<void>& read) {
  if (read) return Outcome::ReadBack;
  port_.ShowMessage(read.Error().message, "Error");
  return Outcome::FileError;
}

}  // namespace usblink

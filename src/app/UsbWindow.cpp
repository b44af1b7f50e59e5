#include "app/UsbWindow.h"

#include <utility>

#include "app/ExitStatus.h"
#include "app/ProcessEnded.h"
#include "hid/IdText.h"
#include "protocol/CheckLink.h"
#include "protocol/DeviceFailure.h"
#include "protocol/ReadBackImage.h"
#include "protocol/TransactionsStopped.h"

namespace usblink::app {

namespace {

constexpr std::string_view kTitle = kWindowCaption;

bool StartsCommand(Control control) {
  return control == Control::contion || control == Control::CmdOpenFile ||
         control == Control::CmdReadFile;
}

}  // namespace

// Marks a command as running for its whole length, so the buttons that start
// commands show disabled and their clicks are ignored until it returns.
class UsbWindow::RunningScope {
 public:
  RunningScope(UsbWindow& window, Running what) : window_(window) { Set(what); }
  RunningScope(const RunningScope&) = delete;
  RunningScope& operator=(const RunningScope&) = delete;
  ~RunningScope() { Set(Running::Nothing); }

 private:
  void Set(Running what) {
    window_.running_ = what;
    if (window_.ended_) return;
    for (const auto& layout : kControls) {
      if (StartsCommand(layout.control)) window_.Render(layout.control);
    }
  }
  UsbWindow& window_;
};

UsbWindow::UsbWindow(HidApi& api, Pacer& pacer, WindowView& view)
    : api_(api), view_(view), channel_{api, pacer, link_}, discovery_(api, *this, link_) {
  for (const auto& layout : kControls) {
    controls_[static_cast<std::size_t>(layout.control)] = {std::string(layout.caption),
                                                           layout.visible, layout.enabled};
    Render(layout.control);
  }
}

ControlState UsbWindow::State(Control control) const {
  ControlState state = controls_[static_cast<std::size_t>(control)];
  if (StartsCommand(control) && CommandRunning()) state.enabled = false;
  return state;
}

int UsbWindow::ExitStatus() const { return deviceFailed_ ? kExitDeviceFailed : 0; }

ControlState& UsbWindow::Stored(Control control) {
  return controls_[static_cast<std::size_t>(control)];
}

void UsbWindow::Render(Control control) { view_.ControlChanged(control, State(control)); }

void UsbWindow::SetCaption(Control control, std::string_view caption) {
  Stored(control).caption = caption;
  Render(control);
}

void UsbWindow::SetVisible(Control control, bool visible) {
  Stored(control).visible = visible;
  Render(control);
}

void UsbWindow::SetEnabled(Control control, bool enabled) {
  Stored(control).enabled = enabled;
  Render(control);
}

bool UsbWindow::Accepts(Control button) const { return !ended_ && State(button).enabled; }

template <typename Command>
Outcome UsbWindow::Run(Running what, Command command) {
  RunningScope scope(*this, what);
  try {
    return command();
  } catch (const DeviceFailure& failure) {
    return FailDevice(failure.what());
  } catch (const ProcessEnded&) {
    return Outcome::Closed;
  } catch (const TransactionsStopped&) {
    // The device is left between two transactions; the next step is a new connect.
    HidCP::CloseDevice(api_, link_);
    SetDownloadButtonEnabled(false);
    SetLinkButtonEnabled(true);
    return Outcome::Interrupted;
  }
}

Outcome UsbWindow::FailDevice(const std::string& message) {
  ShowMessage(message, "Error");
  HidCP::CloseDevice(api_, link_);
  ended_ = true;
  deviceFailed_ = true;
  view_.EndProcess();
  return Outcome::DeviceFailed;
}

Outcome UsbWindow::Click(Control control) {
  switch (control) {
    case Control::contion:
      return ContionClick();
    case Control::CmdOpenFile:
      return CmdOpenFileClick();
    case Control::CmdReadFile:
      return CmdReadFileClick();
    case Control::Clear:
      ClearClick();
      return Outcome::Cleared;
    default:
      return Outcome::Ignored;
  }
}

Outcome UsbWindow::ContionClick() {
  if (!Accepts(Control::contion)) return Outcome::Ignored;
  return Run(Running::Connect, [this] {
    std::string vendor = IdTextFromField(Stored(Control::TextVID).caption);
    std::string product = IdTextFromField(Stored(Control::TextPID).caption);
    const bool idsUnset = vendor == "&H0" && product == "&H0";
    discovery_.SetIdTexts(std::move(vendor), std::move(product));
    SetNoteVisible(false);
    if (idsUnset) {
      ShowMessage("Please set VID and PID ！", kTitle);
      return Outcome::IdsNotSet;
    }
    discovery_.FindTheHid();
    if (!discovery_.State().DeviceFound) {
      AppendAccessHint();
      return Outcome::NotFound;
    }
    if (!HidCP::CheckLink(channel_, *this)) {
      ShowMessage("HID Error ！", kTitle);
      return Outcome::Refused;
    }
    ClearLines();
    AppendLine("Connected to the device, you can download files！");
    SetDownloadButtonEnabled(true);
    SetLinkButtonEnabled(false);
    return Outcome::Connected;
  });
}

Outcome UsbWindow::CmdOpenFileClick() {
  if (!Accepts(Control::CmdOpenFile)) return Outcome::Ignored;
  return Run(Running::Download, [this] {
    // The dialog opens on the earlier choice, so taking it again is one key;
    // closed without a choice, it starts nothing.
    auto chosen = view_.ShowOpenFileDialog(kDialogFilter, dialogFileName_);
    if (!chosen || chosen->empty()) return Outcome::NoFile;
    dialogFileName_ = std::move(*chosen);
    SetDownloadButtonEnabled(false);
    SetNoteCaption(kUpdateNote);
    SetNoteVisible(true);
    // Loaded once: what is sent is what was read, also from a pipe.
    const LoadedImage image = nextImage_ ? LoadedImage(*std::exchange(nextImage_, std::nullopt))
                                         : FirmwareImage::Load(dialogFileName_);
    switch (HidCP::DownloadImage(channel_, *this, image, lastDownload_)) {
      case HidCP::DownloadResult::Committed:
        return Outcome::Downloaded;
      case HidCP::DownloadResult::ChecksumMismatch:
        // The device is still open and verified: let the user try again.
        SetDownloadButtonEnabled(true);
        return Outcome::ChecksumMismatch;
      case HidCP::DownloadResult::ImageRefused:
        break;
    }
    // Nothing was sent: the warning does not apply.
    SetNoteVisible(false);
    return Outcome::FileError;
  });
}

Outcome UsbWindow::CmdReadFileClick() {
  if (!Accepts(Control::CmdReadFile)) return Outcome::Ignored;
  return Run(Running::ReadBack, [this] {
    std::FILE* const stream = std::exchange(readBackStream_, nullptr);
    const bool read = stream != nullptr
                          ? HidCP::ReadBackImage(channel_, *this, stream, readBackFile_)
                          : HidCP::ReadBackImage(channel_, *this, readBackFile_);
    return read ? Outcome::ReadBack : Outcome::FileError;
  });
}

void UsbWindow::AppendAccessHint() {
  if (!accessHint_) return;
  if (const auto hint = accessHint_()) {
    AppendLine(*hint);
    SelectLastLine();
  }
}

void UsbWindow::ClearClick() { ClearLines(); }

void UsbWindow::EditText(Control textBox, std::string text) {
  if (textBox == Control::TextVID || textBox == Control::TextPID) SetCaption(textBox, text);
}

bool UsbWindow::QueryClose() {
  if (ended_) return true;
  if (running_ == Running::Download &&
      !ConfirmClose("A firmware update is in progress. Closing now can leave the "
                    "calculator unable to start. Close anyway?")) {
    return false;
  }
  if (running_ == Running::ReadBack &&
      !ConfirmClose("A read-back is in progress. Closing now leaves the read-back "
                    "incomplete. Close anyway?")) {
    return false;
  }
  Unload();
  return true;
}

bool UsbWindow::ConfirmClose(std::string_view question) {
  const bool yes = view_.ConfirmClose(question);
  // The answer too: it tells whether a transfer was cut short on purpose.
  if (sessionLog_ != nullptr)
    sessionLog_->Message(std::string(question) + (yes ? " Yes" : " No"), kTitle);
  return yes;
}

void UsbWindow::Unload() {
  HidCP::CloseDevice(api_, link_);
  ended_ = true;
  view_.EndProcess();
}

void UsbWindow::AppendLine(std::string_view line) {
  lines_.emplace_back(line);
  if (sessionLog_ != nullptr) sessionLog_->Line(line);
  view_.LogAppended(line);
}

void UsbWindow::ClearLines() {
  lines_.clear();
  selected_.reset();
  view_.LogCleared();
}

void UsbWindow::SelectLastLine() {
  if (lines_.empty()) return;
  selected_ = lines_.size() - 1;
  view_.LogLineSelected(*selected_);
}

void UsbWindow::SetLinkStatus(std::string_view caption) { SetCaption(Control::Label3, caption); }
void UsbWindow::SetProgressCaption(std::string_view caption) {
  SetCaption(Control::Label5, caption);
}
void UsbWindow::SetProgressVisible(bool visible) { SetVisible(Control::Label5, visible); }
void UsbWindow::ReportProgress(const TransferProgress& progress) {
  view_.ProgressReported(progress);
}
void UsbWindow::ReportBankCheck(const BankCheck& check) { view_.BankChecked(check); }
void UsbWindow::SetNoteCaption(std::string_view caption) { SetCaption(Control::Label6, caption); }
void UsbWindow::SetNoteVisible(bool visible) { SetVisible(Control::Label6, visible); }
void UsbWindow::SetLinkButtonEnabled(bool enabled) { SetEnabled(Control::contion, enabled); }
void UsbWindow::SetDownloadButtonEnabled(bool enabled) {
  SetEnabled(Control::CmdOpenFile, enabled);
}

void UsbWindow::ShowMessage(std::string_view text, std::string_view title) {
  // On disk before the box, which may be the last thing the process shows.
  if (sessionLog_ != nullptr) sessionLog_->Message(text, title);
  view_.ShowMessageBox(text, title);
}

}  // namespace usblink::app

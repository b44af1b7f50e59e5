#include "app/UsbWindow.h"

#include <utility>

#include "app/WindowPacer.h"

namespace usblink::app {

namespace {

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
    : view_(view), commands_(api, pacer, *this) {
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

int UsbWindow::ExitStatus() const { return deviceFailed_ ? kExitDeviceError : kExitSuccess; }

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
    const Outcome outcome = command();
    if (outcome == Outcome::DeviceFailed) {
      // The box is shown and the device closed: the process ends.
      ended_ = true;
      deviceFailed_ = true;
      view_.EndProcess();
    }
    return outcome;
  } catch (const ProcessEnded&) {
    return Outcome::Closed;
  }
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
    const Outcome outcome =
        commands_.Connect(Stored(Control::TextVID).caption, Stored(Control::TextPID).caption);
    if (outcome == Outcome::NotFound) AppendAccessHint();
    return outcome;
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
    return commands_.Download(FirmwareImage::Load(dialogFileName_), dialogFileName_);
  });
}

Outcome UsbWindow::CmdReadFileClick() {
  if (!Accepts(Control::CmdReadFile)) return Outcome::Ignored;
  return Run(Running::ReadBack, [this] { return commands_.ReadBack(readBackFile_); });
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
  // A read-back puts nothing on the calculator at risk: it ends as when idle.
  if (running_ == Running::Download &&
      !ConfirmClose("A firmware update is in progress. Closing now can leave the "
                    "calculator unable to start. Close anyway?")) {
    return false;
  }
  Unload();
  return true;
}

bool UsbWindow::ConfirmClose(std::string_view question) {
  const bool yes = view_.ConfirmClose(question);
  // The answer too: it tells whether a transfer was cut short on purpose.
  if (sessionLog_ != nullptr)
    sessionLog_->Message(std::string(question) + (yes ? " Yes" : " No"), kWindowCaption);
  return yes;
}

void UsbWindow::Unload() {
  commands_.Close();
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

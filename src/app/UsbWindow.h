#pragma once
// The window "USB Link" without a toolkit: the state of every control, the
// event handlers and the three commands. A view renders it and forwards the
// user's clicks; the command line drives it the same way.

#include <array>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "app/FileFilter.h"
#include "app/SessionLog.h"
#include "app/WindowLayout.h"
#include "app/WindowView.h"
#include "hid/Discovery.h"
#include "protocol/DownloadImage.h"
#include "protocol/FirmwareImage.h"
#include "protocol/HidCP.h"
#include "protocol/WindowPort.h"

namespace usblink::app {

// How a click ended, for callers that report it (the command line).
enum class Outcome {
  Ignored,           // a command was already running, or the button is disabled
  IdsNotSet,         // both id fields "0"
  NotFound,          // no calculator among the HID interfaces
  Refused,           // the handshake refused the device
  Connected,         // found, verified, ready for a download
  NoFile,            // the file dialog was closed without a choice
  FileError,         // the image or the read-back file could not be used
  ChecksumMismatch,  // a bank's checksum differed; the device stays open
  Downloaded,        // committed; the calculator updates itself
  ReadBack,          // banks 0-3 are in the read-back file
  DeviceFailed,      // error status or timeout: the device is closed, the process ends
  Interrupted,       // stopped between two transactions as asked; the device is closed
  Closed,            // the window was closed in the middle of the command
  Cleared,           // "Clear" emptied the log
};

// What the download's file dialog offers.
inline constexpr std::array<std::string_view, 1> kImagePatterns{"*.UD"};
inline constexpr FileFilter kDialogFilter{"File(*.UD)", kImagePatterns};
inline constexpr std::string_view kReadBackFileName = "Load.bin";

// After a connect that found no calculator: a line saying why one that is
// plugged in may not be usable, when the platform can tell.
using AccessHintSource = std::function<std::optional<std::string>()>;

class UsbWindow final : public WindowPort {
 public:
  UsbWindow(HidApi& api, Pacer& pacer, WindowView& view);
  UsbWindow(const UsbWindow&) = delete;
  UsbWindow& operator=(const UsbWindow&) = delete;
  ~UsbWindow() override = default;

  // Control states as the view shows them: while a command runs, the buttons
  // that start commands are disabled.
  [[nodiscard]] ControlState State(Control control) const;
  [[nodiscard]] const std::vector<std::string>& LogLines() const { return lines_; }
  [[nodiscard]] std::optional<std::size_t> SelectedLine() const { return selected_; }
  [[nodiscard]] bool CommandRunning() const { return running_ != Running::Nothing; }
  [[nodiscard]] bool Ended() const { return ended_; }
  // What the process ends with: 0, or kExitDeviceFailed after a device failure.
  [[nodiscard]] int ExitStatus() const;

  // A click on a control: the handler of the button clicked. Views forward
  // every click here; other controls take none (Ignored).
  Outcome Click(Control control);

  // Event handlers.
  Outcome ContionClick();
  Outcome CmdOpenFileClick();
  Outcome CmdReadFileClick();
  void ClearClick();
  void EditText(Control textBox, std::string text);
  // The user asks to close: true when the window closes (it asks first while
  // a transfer runs). Closing unloads the window.
  bool QueryClose();
  void Unload();

  // Where "Read" writes; the command line may choose another file.
  void SetReadBackFile(std::filesystem::path file) { readBackFile_ = std::move(file); }
  // Every log line and message box from now on also goes to `log`.
  void KeepSessionLog(SessionLog& log) { sessionLog_ = &log; }
  void SetAccessHint(AccessHintSource hint) { accessHint_ = std::move(hint); }
  // The calculator a connect looks for among several with the ids; none
  // (the window's way): the first.
  void SetDevice(std::optional<DeviceSelector> device) { discovery_.SetDevice(std::move(device)); }
  // The next read-back writes to `stream`, opened by the caller for the
  // read-back file, instead of opening that file itself.
  void SetReadBackStream(std::FILE* stream) { readBackStream_ = stream; }
  // The next download sends `image` instead of loading the chosen file: the
  // command line has loaded and checked it already, and reads it only once.
  void SetNextImage(FirmwareImage image) { nextImage_ = std::move(image); }
  // What the last connect's discovery found: the device path and ids of the
  // calculator when DeviceFound.
  [[nodiscard]] const DiscoveryState& Discovered() const { return discovery_.State(); }
  // How far the last download came, also when it ended in a failure or a stop.
  [[nodiscard]] const HidCP::DownloadState& LastDownload() const { return lastDownload_; }

  // WindowPort
  void AppendLine(std::string_view line) override;
  void ClearLines() override;
  void SelectLastLine() override;
  void SetLinkStatus(std::string_view caption) override;
  void SetProgressCaption(std::string_view caption) override;
  void SetProgressVisible(bool visible) override;
  void ReportProgress(const TransferProgress& progress) override;
  void ReportBankCheck(const BankCheck& check) override;
  void SetNoteCaption(std::string_view caption) override;
  void SetNoteVisible(bool visible) override;
  void SetLinkButtonEnabled(bool enabled) override;
  void SetDownloadButtonEnabled(bool enabled) override;
  std::string ChosenFileName() override { return dialogFileName_; }
  void ShowMessage(std::string_view text, std::string_view title) override;

 private:
  enum class Running { Nothing, Connect, Download, ReadBack };
  class RunningScope;

  ControlState& Stored(Control control);
  void Render(Control control);
  void SetCaption(Control control, std::string_view caption);
  void SetVisible(Control control, bool visible);
  void SetEnabled(Control control, bool enabled);
  bool Accepts(Control button) const;
  template <typename Command>
  Outcome Run(Running what, Command command);
  Outcome FailDevice(const std::string& message);
  void AppendAccessHint();
  bool ConfirmClose(std::string_view question);

  HidApi& api_;
  WindowView& view_;
  // Lives as long as the window: its buffers are never cleared.
  HidCP::Link link_;
  HidCP::Channel channel_;
  Discovery discovery_;
  std::array<ControlState, kControlCount> controls_;
  std::vector<std::string> lines_;
  std::optional<std::size_t> selected_;
  std::string dialogFileName_;
  std::filesystem::path readBackFile_{kReadBackFileName};
  SessionLog* sessionLog_ = nullptr;
  AccessHintSource accessHint_;
  std::FILE* readBackStream_ = nullptr;  // for the next read-back only
  std::optional<FirmwareImage> nextImage_;
  HidCP::DownloadState lastDownload_;
  Running running_ = Running::Nothing;
  bool ended_ = false;
  bool deviceFailed_ = false;
};

}  // namespace usblink::app

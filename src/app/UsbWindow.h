#pragma once
// The window "USB Link" without a toolkit: the state of every control, the
// event handlers, the file dialog and the boxes. A view renders it and
// forwards the user's clicks; the commands themselves are the calculator's.

#include <array>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "app/SessionLog.h"
#include "app/WindowLayout.h"
#include "protocol/CommandPort.h"
#include "protocol/Commands.h"
#include "protocol/Outcome.h"

namespace usblink::app {

// A file dialog's filter as the window model states it: what the files are
// called and the patterns that pick them. Each view words it the way its
// toolkit's dialog takes it.
struct FileFilter {
  std::string_view description;
  std::span<const std::string_view> patterns;
};

// What the download's file dialog offers.
inline constexpr std::array<std::string_view, 1> kImagePatterns{"*.UD"};
inline constexpr FileFilter kDialogFilter{"File(*.UD)", kImagePatterns};

// After a connect that found no calculator: a line saying why one that is
// plugged in may not be usable, when the platform can tell.
using AccessHintSource = std::function<std::optional<std::string>()>;

// What a control shows: its caption (a text box's text), whether it is
// visible and whether it takes input.
struct ControlState {
  std::string caption;
  bool visible = false;
  bool enabled = false;
  friend bool operator==(const ControlState&, const ControlState&) = default;
};

// What the window model asks of a toolkit that renders it.
class WindowView {
 public:
  virtual ~WindowView() = default;
  virtual void LogAppended(std::string_view line) = 0;
  virtual void LogCleared() = 0;
  virtual void LogLineSelected(std::size_t index) = 0;
  // A control's caption, visibility or enabled flag changed; the model also
  // tells every control's first state this way once, when it is made.
  virtual void ControlChanged(Control control, const ControlState& state) = 0;
  // A block of a transfer is done; Label5's caption has changed beside it.
  virtual void ProgressReported(const TransferProgress& progress) = 0;
  // A download's bank was checked, beside its log lines. A view that shows
  // only the log has nothing more to draw.
  virtual void BankChecked(const BankCheck& /*check*/) {}
  // Modal, one OK button, no icon.
  virtual void ShowMessageBox(std::string_view text, std::string_view title) = 0;
  // The file-open dialog, opened on `earlier` (the name chosen before, empty
  // at first) with it selected; nullopt when closed without a choice.
  virtual std::optional<std::string> ShowOpenFileDialog(const FileFilter& filter,
                                                        std::string_view earlier) = 0;
  // Yes/No before closing in the middle of a transfer.
  virtual bool ConfirmClose(std::string_view question) = 0;
  // The process ends once the running handler has returned.
  virtual void EndProcess() = 0;
};

class UsbWindow final : public CommandPort {
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
  // What the process ends with: 0, or kExitDeviceError after a device failure.
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
  // a download runs). Closing unloads the window.
  bool QueryClose();
  void Unload();

  // Where "Read" writes: kReadBackFileName in the working folder, unless set.
  void SetReadBackFile(std::filesystem::path file) { readBackFile_ = std::move(file); }
  // Every log line and message box from now on also goes to `log`.
  void KeepSessionLog(SessionLog& log) { sessionLog_ = &log; }
  void SetAccessHint(AccessHintSource hint) { accessHint_ = std::move(hint); }

  // CommandPort
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
  void AppendAccessHint();
  bool ConfirmClose(std::string_view question);

  WindowView& view_;
  // Lives as long as the window: the link's buffers are never cleared.
  Commands commands_;
  std::array<ControlState, kControlCount> controls_;
  std::vector<std::string> lines_;
  std::optional<std::size_t> selected_;
  std::string dialogFileName_;
  std::filesystem::path readBackFile_{kReadBackFileName};
  SessionLog* sessionLog_ = nullptr;
  AccessHintSource accessHint_;
  Running running_ = Running::Nothing;
  bool ended_ = false;
  bool deviceFailed_ = false;
};

}  // namespace usblink::app

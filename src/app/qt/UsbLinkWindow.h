#pragma once
// The window "USB Link" on Qt Widgets: draws every control where the layout
// puts it, renders the model's control states and forwards the user's clicks
// and edits to the model; and the session that wires it to the model.

#include <QWidget>
#include <array>
#include <functional>
#include <memory>

#include "app/SessionLog.h"
#include "app/UsbWindow.h"
#include "app/WindowLayout.h"
#include "app/qt/EventLoopAndDialogs.h"

class QListWidget;

namespace usblink::app::qt {

class UsbLinkWindow final : public QWidget, public WindowView {
 public:
  // `caption`: the title bar's.
  UsbLinkWindow(QtEventLoop& events, DialogPort& dialogs,
                std::string_view caption = kWindowCaption);
  UsbLinkWindow(const UsbLinkWindow&) = delete;
  UsbLinkWindow& operator=(const UsbLinkWindow&) = delete;
  ~UsbLinkWindow() override = default;

  // Hands the user's clicks and edits to the model, which has drawn its
  // states here since it was made.
  void Attach(UsbWindow& model);
  [[nodiscard]] QWidget& Widget(Control control) const;

  // WindowView: the controls. Progress shows in Label5's caption alone.
  void ControlChanged(Control control, const ControlState& state) override;
  void ProgressReported(const TransferProgress&) override {}
  // The log.
  void LogAppended(std::string_view line) override;
  void LogCleared() override;
  void LogLineSelected(std::size_t index) override;
  // Dialogs, through the DialogPort.
  void ShowMessageBox(std::string_view text, std::string_view title) override;
  std::optional<std::string> ShowOpenFileDialog(const FileFilter& filter,
                                                std::string_view earlier) override;
  bool ConfirmClose(std::string_view question) override;
  // The process.
  void EndProcess() override;

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void Create(const ControlLayout& layout);
  void ConnectInput(const ControlLayout& layout);
  [[nodiscard]] QListWidget& Log() const;

  QtEventLoop& events_;
  DialogPort& dialogs_;
  TwipsScale scale_;
  UsbWindow* model_ = nullptr;
  // In the order of creation. Members go before the QWidget base, so each
  // control leaves its parent before the parent would delete it.
  std::array<std::unique_ptr<QWidget>, kControlCount> controls_;
};

// One window "USB Link" on a HID backend: its wait, its view, its model and
// the log of the run on disk, wired together.
class WindowSession {
 public:
  WindowSession(HidApi& api, DialogPort& dialogs, AccessHintSource accessHint = {},
                std::string_view caption = kWindowCaption);
  WindowSession(const WindowSession&) = delete;
  WindowSession& operator=(const WindowSession&) = delete;

  [[nodiscard]] UsbLinkWindow& View() { return view_; }
  [[nodiscard]] UsbWindow& Model() { return model_; }

 private:
  SessionLog log_;
  QtEventLoop events_;
  UsbLinkWindow view_;
  UsbWindow model_;
};

// Shows the window and handles its events until the process ends; a
// QApplication must exist. `shown` runs once the window is on screen.
// Returns the exit status: kExitDeviceError when a device failure ended it.
int RunWindow(HidApi& api, DialogPort& dialogs, AccessHintSource accessHint = {},
              const std::function<void(WindowSession&)>& shown = {},
              std::string_view caption = kWindowCaption);

}  // namespace usblink::app::qt

#pragma once
// The window "USB Link" on Qt Widgets: draws every control where the layout
// puts it, renders the model's control states and forwards the user's clicks
// and edits to the model.

#include <QWidget>
#include <array>
#include <memory>

#include "app/TwipsScale.h"
#include "app/UsbWindow.h"
#include "app/WindowView.h"
#include "app/qt/DialogPort.h"
#include "app/qt/QtEventLoop.h"

class QListWidget;

namespace usblink::app::qt {

class UsbLinkWindow final : public QWidget, public WindowView {
 public:
  UsbLinkWindow(QtEventLoop& events, DialogPort& dialogs);
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

}  // namespace usblink::app::qt

#pragma once
// What the window needs of Qt besides its widgets: the wait between polls and
// the modal dialogs, the latter behind a port so tests and the scripted demo
// can answer them.

#include <QString>
#include <QTimer>
#include <optional>

#include "app/UsbWindow.h"
#include "app/WindowPacer.h"

class QWidget;

namespace usblink::app::qt {

// The window's wait on Qt: tmrDelay is a one-shot QTimer, and events are
// handled by blocking in Qt's event dispatcher, so a wait costs no CPU.
class QtEventLoop final : public EventLoopPort {
 public:
  QtEventLoop();
  QtEventLoop(const QtEventLoop&) = delete;
  QtEventLoop& operator=(const QtEventLoop&) = delete;

  [[nodiscard]] usblink::Pacer& Pacer() { return pacer_; }
  // The window is gone: a running wait ends and its command unwinds.
  void MarkClosed() { closed_ = true; }

  void ArmTimer(std::chrono::milliseconds interval) override;
  void DisarmTimer() override;
  void DispatchEvents() override;
  [[nodiscard]] bool Closed() const override { return closed_; }

 private:
  QTimer tmrDelay_;
  WindowPacer pacer_{*this};
  bool closed_ = false;
};

class DialogPort {
 public:
  virtual ~DialogPort() = default;
  // One OK button, no icon.
  virtual void Message(QWidget& parent, const QString& text, const QString& title) = 0;
  // The file-open dialog offering the files `filter` picks, opened on
  // `earlier` with it selected (none when empty).
  virtual std::optional<QString> OpenFile(QWidget& parent, const FileFilter& filter,
                                          const QString& earlier) = 0;
  // Yes or No.
  virtual bool Confirm(QWidget& parent, const QString& question, const QString& title) = 0;
};

// A filter as Qt's name filters word it: the description, then the patterns
// in parentheses with blanks between them, as in "Images (*.UD *.bin)". Qt
// reads the patterns from those parentheses, so a description that ends in
// them already, as "File(*.UD)", is the whole filter.
[[nodiscard]] QString QtNameFilter(const FileFilter& filter);

// The dialogs as the user sees them: application-modal boxes and the
// file-open dialog of the toolkit.
class ModalDialogs final : public DialogPort {
 public:
  void Message(QWidget& parent, const QString& text, const QString& title) override;
  std::optional<QString> OpenFile(QWidget& parent, const FileFilter& filter,
                                  const QString& earlier) override;
  bool Confirm(QWidget& parent, const QString& question, const QString& title) override;
};

}  // namespace usblink::app::qt

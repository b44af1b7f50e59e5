#pragma once
// The window's wait on Qt: tmrDelay is a one-shot QTimer, and events are
// handled by blocking in Qt's event dispatcher, so a wait costs no CPU.

#include <QTimer>

#include "app/WindowPacer.h"

namespace usblink::app::qt {

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

}  // namespace usblink::app::qt

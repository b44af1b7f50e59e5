#include "app/qt/QtEventLoop.h"

#include <QCoreApplication>
#include <QEventLoop>

namespace usblink::app::qt {

QtEventLoop::QtEventLoop() {
  tmrDelay_.setSingleShot(true);
  // A coarse timer may fire 5 % early, which only costs another arming.
  tmrDelay_.setTimerType(Qt::PreciseTimer);
  QObject::connect(&tmrDelay_, &QTimer::timeout, [this] { pacer_.OnTimerTick(); });
}

void QtEventLoop::ArmTimer(std::chrono::milliseconds interval) { tmrDelay_.start(interval); }

void QtEventLoop::DisarmTimer() { tmrDelay_.stop(); }

void QtEventLoop::DispatchEvents() {
  QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
}

}  // namespace usblink::app::qt

#include "app/qt/WindowSession.h"

#include <QApplication>
#include <chrono>

#include "platform/os/SessionLogFolder.h"

namespace usblink::app::qt {

WindowSession::WindowSession(HidApi& api, DialogPort& dialogs, AccessHintSource accessHint)
    : log_(SessionLogFolder(), std::chrono::system_clock::now()),
      view_(events_, dialogs),
      model_(api, events_.Pacer(), view_) {
  model_.KeepSessionLog(log_);
  model_.SetAccessHint(std::move(accessHint));
  view_.Attach(model_);
}

int RunWindow(HidApi& api, DialogPort& dialogs, AccessHintSource accessHint,
              const std::function<void(WindowSession&)>& shown) {
  WindowSession session(api, dialogs, std::move(accessHint));
  session.View().show();
  if (shown) shown(session);
  const int status = QApplication::exec();
  if (const int ended = session.Model().ExitStatus(); ended != 0) return ended;
  return status;
}

}  // namespace usblink::app::qt

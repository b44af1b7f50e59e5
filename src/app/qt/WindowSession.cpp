#include "app/qt/WindowSession.h"

#include <QApplication>

namespace usblink::app::qt {

WindowSession::WindowSession(HidApi& api, DialogPort& dialogs)
    : view_(events_, dialogs), model_(api, events_.Pacer(), view_) {
  view_.Attach(model_);
}

int RunWindow(HidApi& api, DialogPort& dialogs, const std::function<void(WindowSession&)>& shown) {
  WindowSession session(api, dialogs);
  session.View().show();
  if (shown) shown(session);
  return QApplication::exec();
}

}  // namespace usblink::app::qt

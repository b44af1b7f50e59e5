// usblink: the window "USB Link" on the platform's HID devices.

#include <QApplication>

#include "app/qt/EventLoopAndDialogs.h"
#include "app/qt/UsbLinkWindow.h"
#include "platform/hid/HidApi.h"

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  const auto api = usblink::MakePlatformHidApi();
  usblink::app::qt::ModalDialogs dialogs;
  return usblink::app::qt::RunWindow(*api, dialogs, usblink::PlatformAccessHintLine);
}

// usblink-demo: the window "USB Link" on the built-in simulated calculator,
// with two other HID devices before it, so the whole flow can be seen without
// a calculator. `--script` drives it from standard input (see DemoScript.h).

#include <QApplication>

#include "app/qt/DemoScript.h"
#include "app/qt/ModalDialogs.h"
#include "app/qt/WindowSession.h"
#include "sim/SimHidApi.h"

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  auto bus = usblink::sim::SimBus::WithCalculator(2);
  usblink::sim::SimHidApi api(bus);
  if (QApplication::arguments().contains(QStringLiteral("--script"))) {
    usblink::app::qt::DemoScript script;
    return usblink::app::qt::RunWindow(
        api, script, {},
        [&script](usblink::app::qt::WindowSession& session) { script.Start(session); });
  }
  usblink::app::qt::ModalDialogs dialogs;
  return usblink::app::qt::RunWindow(api, dialogs);
}

#pragma once
// The Qt window on a simulated calculator, its dialogs scripted. Polls run on
// virtual time unless the real tmrDelay is asked for.

#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

#include "app/UsbWindow.h"
#include "app/qt/QtEventLoop.h"
#include "app/qt/UsbLinkWindow.h"
#include "sim/SimHidApi.h"
#include "support/TempDirectory.h"
#include "support/VirtualPacer.h"
#include "tests/app/qt/ScriptedDialogs.h"

namespace usblink::testing {

enum class Pace { Virtual, Timer };

class WindowHarness {
 public:
  explicit WindowHarness(Pace pace = Pace::Virtual)
      : model(api, pace == Pace::Virtual ? static_cast<Pacer&>(pacer) : events.Pacer(), view) {
    view.Attach(model);
    model.SetReadBackFile(directory.Path() / "Load.bin");
  }
  WindowHarness(const WindowHarness&) = delete;
  WindowHarness& operator=(const WindowHarness&) = delete;

  QPushButton& Button(app::Control control) const {
    return static_cast<QPushButton&>(view.Widget(control));
  }
  QLabel& Label(app::Control control) const { return static_cast<QLabel&>(view.Widget(control)); }
  QLineEdit& TextBox(app::Control control) const {
    return static_cast<QLineEdit&>(view.Widget(control));
  }
  QListWidget& Log() const {
    return static_cast<QListWidget&>(view.Widget(app::Control::lstResults));
  }
  QStringList LogLines() const {
    QStringList lines;
    for (int row = 0; row < Log().count(); ++row) lines << Log().item(row)->text();
    return lines;
  }

  // An image of `size` bytes that never repeats within a bank.
  QString Image(std::size_t size) const {
    std::vector<std::uint8_t> bytes(size);
    for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<std::uint8_t>(1 + i % 253);
    return QString::fromStdString(directory.Write("image.UD", bytes).string());
  }

  TempDirectory directory;
  sim::SimBus bus = sim::SimBus::WithCalculator(2);
  sim::SimHidApi api{bus};
  VirtualPacer pacer;
  app::qt::QtEventLoop events;
  ScriptedDialogs dialogs;
  app::qt::UsbLinkWindow view{events, dialogs};
  app::UsbWindow model;
};

}  // namespace usblink::testing

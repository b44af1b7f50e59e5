#pragma once
// The Qt window on a simulated calculator, its dialogs scripted. Polls run on
// virtual time unless the real tmrDelay is asked for.

#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QStringList>
#include <deque>
#include <optional>
#include <vector>

#include "app/UsbWindow.h"
#include "app/qt/EventLoopAndDialogs.h"
#include "app/qt/UsbLinkWindow.h"
#include "sim/SimHidApi.h"
#include "support/FakeWindow.h"
#include "support/TempDirectory.h"
#include "support/VirtualPacer.h"

namespace usblink::testing {

// Dialogs answered from a script and recorded, so no modal box blocks a test.
class ScriptedDialogs : public app::qt::DialogPort {
 public:
  void Message(QWidget&, const QString& text, const QString& title) override {
    messages.push_back({text.toStdString(), title.toStdString()});
  }
  std::optional<QString> OpenFile(QWidget&, const app::FileFilter& filter,
                                  const QString& earlier) override {
    filters.push_back(app::qt::QtNameFilter(filter));
    openedOn.push_back(earlier);
    if (files.empty()) return std::nullopt;
    auto answer = files.front();
    files.pop_front();
    return answer;
  }
  bool Confirm(QWidget&, const QString& question, const QString& title) override {
    questions.push_back({question.toStdString(), title.toStdString()});
    return false;
  }

  std::vector<testing::Message> messages;
  QStringList filters;   // as the file dialog shows them
  QStringList openedOn;  // the earlier choice each file dialog showed
  std::deque<QString> files;
  std::vector<testing::Message> questions;  // each answered No
};

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

// The whole window as main() runs it: the exit status a device failure ends
// it with and the log of the run it leaves on disk. (A run that ends well:
// demo-script-test.sh.)

#include <QTest>
#include <QTimer>
#include <fstream>
#include <string>
#include <vector>

#include "app/qt/UsbLinkWindow.h"
#include "sim/SimHidApi.h"
#include "support/TempDirectory.h"
#include "tests/app/qt/WindowHarness.h"

namespace usblink::testing {

namespace {

std::vector<std::filesystem::path> FilesIn(const std::filesystem::path& folder) {
  std::vector<std::filesystem::path> files;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    files.push_back(entry.path());
  }
  return files;
}

std::vector<std::string> LinesOf(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

}  // namespace

class WindowSessionTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<TempDirectory> state;
  sim::SimBus bus = sim::SimBus::WithCalculator(2);
  ScriptedDialogs dialogs;

  std::filesystem::path LogFolder() const { return state->Path() / "usblink"; }

  int Run(const std::function<void(app::qt::WindowSession&)>& shown) {
    sim::SimHidApi api(bus);
    return app::qt::RunWindow(api, dialogs, {}, shown);
  }

 private slots:
  void init() {
    state = std::make_unique<TempDirectory>();
    qputenv("XDG_STATE_HOME", QByteArray::fromStdString(state->Path().string()));
    bus = sim::SimBus::WithCalculator(2);
    dialogs = ScriptedDialogs();
    QGuiApplication::setQuitOnLastWindowClosed(false);
  }
  void cleanup() {
    qunsetenv("XDG_STATE_HOME");
    state.reset();
    QGuiApplication::setQuitOnLastWindowClosed(true);
  }

  void theDemosCaptionSaysItIsTheSimulatedCalculator() {
    sim::SimHidApi api(bus);
    app::qt::WindowSession demo(api, dialogs, {}, app::kDemoWindowCaption);
    QCOMPARE(demo.View().windowTitle(), QString("USB Link (simulated calculator)"));
  }

  void aDeviceFailureEndsWithStatusSixAndItsBoxLastInTheLogOnDisk() {
    bus.calculator.Faults().statuses.push_back({0x30, 1, 0x55});
    std::vector<std::string> shownLines;
    const int status = Run([&](app::qt::WindowSession& session) {
      QTimer::singleShot(0, &session.View(), [&session, &shownLines] {
        session.Model().Click(app::Control::contion);
        shownLines = session.Model().LogLines();
      });
    });
    QCOMPARE(status, 6);
    QCOMPARE(dialogs.messages.size(), std::size_t{1});
    const auto files = FilesIn(LogFolder());
    QCOMPARE(files.size(), std::size_t{1});
    std::vector<std::string> expected = shownLines;
    expected.push_back("Error: " + dialogs.messages[0].text);
    QCOMPARE(LinesOf(files[0]), expected);
  }
};

}  // namespace usblink::testing

QTEST_MAIN(usblink::testing::WindowSessionTest)
#include "WindowSessionTest.moc"

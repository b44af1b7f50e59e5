// The window's commands end to end on the simulated calculator, driven by
// clicks on its controls.

#include <QTest>
#include <QTimer>
#include <memory>

#include "tests/app/qt/WindowHarness.h"

namespace usblink::testing {

using app::Control;

namespace {

const QString kConnected = QString::fromUtf8("Connected to the device, you can download files！");
const QString kDownloadNote = QString::fromUtf8(kUpdateNote.data());
const QString kAfterDownloadNote =
    QStringLiteral("Please wait until the calculator shows: Update Success!");

}  // namespace

class UsbLinkWindowCommandsTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<WindowHarness> window;

  void Use(Pace pace) {
    window = std::make_unique<WindowHarness>(pace);
    window->view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window->view));
  }
  void Click(Control button) { QTest::mouseClick(&window->Button(button), Qt::LeftButton); }
  void Connect() {
    Click(Control::contion);
    QCOMPARE(window->LogLines(), QStringList{kConnected});
  }
  bool Enabled(Control control) const { return window->view.Widget(control).isEnabled(); }
  bool Visible(Control control) const { return window->view.Widget(control).isVisible(); }
  QString Caption(Control control) const { return window->Label(control).text(); }

 private slots:
  void init() { Use(Pace::Virtual); }
  void cleanup() {
    window.reset();
    QGuiApplication::setQuitOnLastWindowClosed(true);
  }

  void connectLeavesOneLineAndTheDownloadReady() {
    Click(Control::contion);
    QCOMPARE(window->LogLines(), QStringList{kConnected});
    QCOMPARE(Caption(Control::Label3), "USB Link OK!");
    QVERIFY(Enabled(Control::CmdOpenFile));
    QVERIFY(!Enabled(Control::contion));
    QVERIFY(!Visible(Control::Label6));
    QVERIFY(window->dialogs.messages.empty());
  }

  void noCalculatorShowsInTheLogAndStatusWithTheSelectedLineInView() {
    window->bus.interfaces.pop_back();
    Click(Control::contion);
    QListWidget& log = window->Log();
    QCOMPARE(window->LogLines().back(), " Not Find USB Link!");
    QVERIFY(log.count() > 20);
    QVERIFY(window->model.SelectedLine().has_value());
    QCOMPARE(log.currentRow(), static_cast<int>(*window->model.SelectedLine()));
    QVERIFY(log.viewport()->rect().contains(log.visualItemRect(log.currentItem())));
    QCOMPARE(Caption(Control::Label3), "USB Link Error!");
    QCOMPARE(window->Label(Control::Label3).size(), window->Label(Control::Label3).sizeHint());
    QVERIFY(Enabled(Control::contion));
    QVERIFY(!Enabled(Control::CmdOpenFile));
    QVERIFY(window->dialogs.messages.empty());
  }

  void refusedHandshakeShowsBothBoxesAndKeepsUsbLink() {
    window->bus.calculator.Faults().type = 1;
    Click(Control::contion);
    QCOMPARE(window->dialogs.messages,
             (std::vector<Message>{{"No UsbType_Norm,Is UsbType_Key", "Error"},
                                   {"HID Error ！", "USB Link"}}));
    QVERIFY(Enabled(Control::contion));
    QVERIFY(!Enabled(Control::CmdOpenFile));
    window->bus.calculator.Faults().type.reset();
    Connect();
  }

  void zeroIdsAskForThemAndTouchNothing() {
    window->TextBox(Control::TextVID).setText("0");
    window->TextBox(Control::TextPID).setText(" 0 ");
    Click(Control::contion);
    QCOMPARE(window->dialogs.messages,
             (std::vector<Message>{{"Please set VID and PID ！", "USB Link"}}));
    QCOMPARE(window->Log().count(), 0);
    QCOMPARE(window->api.OpenHandleCount(), 0);
    QVERIFY(!Visible(Control::Label6));

    window->TextBox(Control::TextPID).setText("0C77");
    Click(Control::contion);
    QCOMPARE(Caption(Control::Label3), "USB Link Error!");
  }

  void downloadShowsItsProgressAndHandsBackToUsbLink() {
    Connect();
    window->dialogs.files.push_back(window->Image(70000));
    bool duringShown = false;
    window->pacer.onTick = [&](long tick) {
      if (tick != 1000) return;
      duringShown = Visible(Control::Label6) && Caption(Control::Label6) == kDownloadNote &&
                    Caption(Control::Label5).startsWith(QString::fromUtf8("Downloading： ")) &&
                    window->LogLines().front() == QString::fromUtf8("Downloading file：");
    };
    Click(Control::CmdOpenFile);
    QVERIFY(duringShown);
    QCOMPARE(window->dialogs.filters, QStringList{"File(*.UD)"});
    QCOMPARE(window->bus.calculator.CommittedBanks().value_or(0), 2);
    const auto flash = window->bus.calculator.Flash();
    QCOMPARE(flash[69999], static_cast<std::uint8_t>(1 + 69999 % 253));
    QVERIFY(window->LogLines().contains(QString::fromUtf8(" Download file complete！ ")));
    QCOMPARE(Caption(Control::Label5), "");
    QVERIFY(Visible(Control::Label6));
    QCOMPARE(Caption(Control::Label6), kAfterDownloadNote);
    QVERIFY(Enabled(Control::contion));
    QVERIFY(!Enabled(Control::CmdOpenFile));
  }

  void readBackWritesTheFlashAndLogsIt() {
    Connect();
    window->bus.calculator.Flash()[262143] = 0x5A;
    window->Button(Control::CmdReadFile).click();  // the button is hidden
    QCOMPARE(window->LogLines().front(), QString::fromUtf8("开始"));
    QCOMPARE(window->LogLines().back(), " Receive complete ");
    QVERIFY(window->LogLines().contains(" ReceiveBank = 4"));
    QCOMPARE(Caption(Control::Label5), "0");
    const auto read = window->directory.Read("Load.bin");
    QCOMPARE(read.size(), std::size_t{262144});
    QCOMPARE(read.back(), std::uint8_t{0x5A});
    QVERIFY(Enabled(Control::CmdOpenFile));
    QVERIFY(!Enabled(Control::contion));
  }

  void checksumMismatchLetsTheUserDownloadAgain() {
    window->bus.calculator.Faults().badChecksumBank = 0;
    Connect();
    const QString image = window->Image(1000);
    window->dialogs.files.push_back(image);
    Click(Control::CmdOpenFile);
    QCOMPARE(window->dialogs.messages.size(), std::size_t{1});
    QCOMPARE(window->dialogs.messages[0].title, "Error");
    QVERIFY(Enabled(Control::CmdOpenFile));
    QVERIFY(!Enabled(Control::contion));
    QVERIFY(Visible(Control::Label6));
    QCOMPARE(Caption(Control::Label6), kDownloadNote);

    // The dialog opens on the image; closed without a choice it sends nothing.
    window->bus.calculator.Faults().badChecksumBank.reset();
    const auto sent = window->bus.calculator.Commands().size();
    Click(Control::CmdOpenFile);
    QCOMPARE(window->bus.calculator.Commands().size(), sent);
    QVERIFY(Enabled(Control::CmdOpenFile));
    window->dialogs.files.push_back(image);
    Click(Control::CmdOpenFile);
    QCOMPARE(window->dialogs.openedOn, (QStringList{QString(), image, image}));
    QCOMPARE(window->bus.calculator.CommittedBanks().value_or(0), 1);
  }

  void clicksDuringACommandAreIgnored() {
    Connect();
    window->dialogs.files.push_back(window->Image(70000));
    bool disabled = false;
    std::size_t sentBefore = 0;
    std::size_t sentAfter = 0;
    window->pacer.onTick = [&](long tick) {
      if (tick != 100) return;
      disabled = !Enabled(Control::contion) && !Enabled(Control::CmdOpenFile) &&
                 !Enabled(Control::CmdReadFile);
      sentBefore = window->bus.calculator.Commands().size();
      Click(Control::contion);
      Click(Control::CmdOpenFile);
      window->Button(Control::CmdReadFile).click();
      sentAfter = window->bus.calculator.Commands().size();
    };
    Click(Control::CmdOpenFile);
    QVERIFY(disabled);
    QCOMPARE(sentAfter, sentBefore);
    QCOMPARE(window->dialogs.filters.size(), 1);
    QCOMPARE(window->bus.calculator.CommittedBanks().value_or(0), 2);
    QVERIFY(Enabled(Control::contion));
    QVERIFY(Enabled(Control::CmdReadFile));
  }

  // The real tmrDelay and event dispatch from here on.
  void closingDuringADownloadAsksAndNoCarriesOn() {
    Use(Pace::Timer);
    Connect();
    window->dialogs.files.push_back(window->Image(300));
    // Handled by the first wait of the download.
    QTimer::singleShot(0, &window->view, [this] { window->view.close(); });
    Click(Control::CmdOpenFile);
    QCOMPARE(window->dialogs.questions,
             (std::vector<Message>{{"A firmware update is in progress. Closing now can leave the "
                                    "calculator unable to start. Close anyway?",
                                    "USB Link"}}));
    QVERIFY(window->view.isVisible());
    QVERIFY(!window->events.Closed());
    QCOMPARE(window->bus.calculator.CommittedBanks().value_or(0), 1);
    QCOMPARE(Caption(Control::Label6), kAfterDownloadNote);
  }

  // Nothing on the calculator is at risk: no question, the end of an idle window.
  void closingDuringAReadBackAsksNothingAndEndsTheProcess() {
    Use(Pace::Timer);
    QGuiApplication::setQuitOnLastWindowClosed(false);
    QTimer::singleShot(0, &window->view, [this] {
      Connect();
      QTimer::singleShot(0, &window->view, [this] { window->view.close(); });
      window->Button(Control::CmdReadFile).click();
    });
    QCOMPARE(QCoreApplication::exec(), 0);
    QVERIFY(window->dialogs.questions.empty());
    QVERIFY(window->events.Closed());
    QVERIFY(!window->view.isVisible());
    // The device is closed; only the event of the window's discovery is left.
    QCOMPARE(window->api.OpenHandleCount(), 1);
    QVERIFY(!window->LogLines().contains(" Receive complete "));
  }

  void closingAnIdleWindowAsksNothingAndEnds() {
    QGuiApplication::setQuitOnLastWindowClosed(false);
    QTimer::singleShot(0, &window->view, [this] { window->view.close(); });
    QCOMPARE(QCoreApplication::exec(), 0);
    QVERIFY(window->dialogs.questions.empty());
    QVERIFY(window->events.Closed());
  }

  void deviceFailureShowsItsBoxAndEndsTheProcess() {
    QGuiApplication::setQuitOnLastWindowClosed(false);
    window->bus.calculator.Faults().statuses.push_back({0x10, 2, 0x55});
    window->dialogs.files.push_back(window->Image(5000));
    QTimer::singleShot(0, &window->view, [this] {
      Connect();
      Click(Control::CmdOpenFile);
    });
    QCOMPARE(QCoreApplication::exec(), 0);
    QCOMPARE(window->dialogs.messages, (std::vector<Message>{{"Handling Error! ", "Error"}}));
    // The device is closed; only the event of the window's discovery is left.
    QCOMPARE(window->api.OpenHandleCount(), 1);
    QVERIFY(!window->view.isVisible());
  }
};

}  // namespace usblink::testing

QTEST_MAIN(usblink::testing::UsbLinkWindowCommandsTest)
#include "UsbLinkWindowCommandsTest.moc"

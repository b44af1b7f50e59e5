// The window as drawn: initial state, geometry, fonts, frame and focus order.

#include <QFontInfo>
#include <QFontMetrics>
#include <QRawFont>
#include <QScreen>
#include <QTest>
#include <memory>

#include "tests/app/qt/WindowHarness.h"

namespace usblink::testing {

using app::Control;
using app::kControls;

class UsbLinkWindowLayoutTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<WindowHarness> window;

 private slots:
  void init() {
    window = std::make_unique<WindowHarness>();
    window->view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window->view));
  }
  void cleanup() { window.reset(); }

  void startsWithOnlyTheLinkControlsShowing() {
    QList<Control> visible;
    for (const auto& layout : kControls) {
      if (window->view.Widget(layout.control).isVisible()) visible << layout.control;
    }
    QCOMPARE(visible, (QList<Control>{Control::CmdOpenFile, Control::lstResults, Control::contion,
                                      Control::Label7, Control::Label5, Control::Label3}));
    QCOMPARE(window->view.windowTitle(), "USB Link");
    QCOMPARE(window->Button(Control::contion).text(), "USB Link");
    QVERIFY(window->Button(Control::contion).isEnabled());
    QCOMPARE(window->Button(Control::CmdOpenFile).text(), "Download");
    QVERIFY(!window->Button(Control::CmdOpenFile).isEnabled());
    QCOMPARE(window->Label(Control::Label3).text(), "Not connected");
    QCOMPARE(window->Label(Control::Label5).text(), "");
    QCOMPARE(window->Label(Control::Label7).text(), "V2.0 ");
    QCOMPARE(window->Log().count(), 0);
    QCOMPARE(window->TextBox(Control::TextVID).text(), "04FC");
    QCOMPARE(window->TextBox(Control::TextPID).text(), "0C77");
  }

  void everyControlSitsAtItsTwipsPlaceAt96Dpi() {
    QCOMPARE(window->view.screen()->logicalDotsPerInchX(), 96.0);
    QCOMPARE(window->view.size(), QSize(597, 426));
    QCOMPARE(window->view.minimumSize(), window->view.maximumSize());
    for (const auto& layout : kControls) {
      const QWidget& widget = window->view.Widget(layout.control);
      const QRect expected(layout.left / 15, layout.top / 15, layout.width / 15,
                           layout.height / 15);
      if (layout.autoSize) {
        QCOMPARE(widget.pos(), expected.topLeft());
        QCOMPARE(widget.size(), widget.sizeHint());
      } else {
        QCOMPARE(widget.geometry(), expected);
      }
    }
  }

  void controlsAreCreatedInTheLayoutsOrder() {
    QList<QWidget*> expected;
    for (const auto& layout : kControls) expected << &window->view.Widget(layout.control);
    QList<QWidget*> children;
    for (QObject* child : window->view.children()) {
      if (auto* widget = qobject_cast<QWidget*>(child); widget && expected.contains(widget)) {
        children << widget;
      }
    }
    QCOMPARE(children, expected);
  }

  void fontsAreSongFacesThatHoldTheFullWidthCharacters() {
    for (const auto& layout : kControls) {
      const QFont font = window->view.Widget(layout.control).font();
      QCOMPARE(font.family(), QString::fromUtf8(layout.font.face.data(),
                                                static_cast<qsizetype>(layout.font.face.size())));
      QCOMPARE(font.pointSizeF(), layout.font.points);
      QCOMPARE(font.bold(), layout.font.bold);
      // The face the font resolves to, not a fallback behind it.
      const QRawFont face = QRawFont::fromFont(font);
      for (const char32_t character : {U'开', U'始', U'：', U'！', U'（', U'）'}) {
        QVERIFY2(face.supportsCharacter(static_cast<uint>(character)),
                 qPrintable(face.familyName()));
      }
    }
    QCOMPARE(window->view.font().pointSizeF(), 10.5);
  }

  void theNoteIsRedAndWrapsWithinItsLabel() {
    QLabel& note = window->Label(Control::Label6);
    QCOMPARE(note.palette().color(QPalette::WindowText), QColor(Qt::red));
    QCOMPARE(note.text(), QString::fromUtf8(kUpdateNote.data()));
    QVERIFY(note.wordWrap());
    const int lineHeight = note.fontMetrics().height();
    QVERIFY(note.heightForWidth(note.width()) > 2 * lineHeight);
    QVERIFY(note.heightForWidth(note.width()) <= note.height());
    QCOMPARE(window->Label(Control::Label3).palette().color(QPalette::WindowText),
             window->view.palette().color(QPalette::WindowText));
  }

  void progressCaptionsFitTheirLabel() {
    QLabel& progress = window->Label(Control::Label5);
    progress.setText(QString::fromUtf8("Downloading： FF"));
    QVERIFY(progress.heightForWidth(progress.width()) <= progress.height());
    const QStringList words = progress.text().split(u' ');
    for (const QString& word : words) {
      QVERIFY(progress.fontMetrics().horizontalAdvance(word) <= progress.width());
    }
  }

  void labelsThatSizeThemselvesFollowTheirCaption() {
    QLabel& status = window->Label(Control::Label3);
    window->model.SetLinkStatus("USB Link Error!");
    QCOMPARE(status.text(), "USB Link Error!");
    QCOMPARE(status.size(), status.sizeHint());
    QVERIFY(status.width() >= status.fontMetrics().horizontalAdvance(status.text()));
    QCOMPARE(status.pos(), QPoint(120, 32));
  }

  void windowHasOnlyACloseBoxAnIconAndOpensCentred() {
    const Qt::WindowFlags flags = window->view.windowFlags();
    QVERIFY(flags.testFlag(Qt::WindowCloseButtonHint));
    QVERIFY(!flags.testFlag(Qt::WindowMinimizeButtonHint));
    QVERIFY(!flags.testFlag(Qt::WindowMaximizeButtonHint));
    QVERIFY(!window->view.windowIcon().pixmap(32).isNull());
    const QRect screen = window->view.screen()->availableGeometry();
    QVERIFY((window->view.geometry().center() - screen.center()).manhattanLength() <= 2);
  }

  void focusFollowsTheLayoutsOrder() {
    QList<QWidget*> chain;
    for (QWidget* widget = window->view.Widget(Control::TextVID).nextInFocusChain();
         widget != &window->view.Widget(Control::TextVID); widget = widget->nextInFocusChain()) {
      if (widget->focusPolicy() & Qt::TabFocus) chain << widget;
    }
    QList<QWidget*> expected;
    for (const Control control : app::kFocusOrder) {
      if (control != Control::TextVID) expected << &window->view.Widget(control);
    }
    QCOMPARE(chain, expected);
  }

  void tabMovesBetweenUsbLinkAndTheLogOnlyAtStart() {
    window->view.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window->view));
    window->Button(Control::contion).setFocus();
    QTest::keyClick(&window->view, Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), &window->Log());
    QTest::keyClick(&window->view, Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), &window->Button(Control::contion));
  }
};

}  // namespace usblink::testing

QTEST_MAIN(usblink::testing::UsbLinkWindowLayoutTest)
#include "UsbLinkWindowLayoutTest.moc"

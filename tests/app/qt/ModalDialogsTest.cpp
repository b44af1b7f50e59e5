// The dialogs the user sees: boxes with one OK and no icon, the Yes/No
// question, and the file dialog's filter.

#include <QApplication>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <array>
#include <functional>
#include <string_view>

#include "app/UsbWindow.h"
#include "app/qt/EventLoopAndDialogs.h"
#include "support/TempDirectory.h"

namespace usblink::app::qt {

class ModalDialogsTest : public QObject {
  Q_OBJECT

 private:
  QWidget parent;
  ModalDialogs dialogs;

  // Runs `answer` on the modal dialog once it is up.
  template <typename Dialog>
  void WhenShown(std::function<void(Dialog&)> answer) {
    QTimer::singleShot(0, &parent, [answer] {
      auto* dialog = qobject_cast<Dialog*>(QApplication::activeModalWidget());
      QVERIFY(dialog != nullptr);
      answer(*dialog);
    });
  }

 private slots:
  void init() { parent.show(); }

  void aMessageBoxHasOneOkNoIconAndItsTitle() {
    bool seen = false;
    WhenShown<QMessageBox>([&seen](QMessageBox& box) {
      seen = true;
      QCOMPARE(box.windowTitle(), "Error");
      QCOMPARE(box.text(), QString::fromUtf8("HID Error ！"));
      QCOMPARE(box.icon(), QMessageBox::NoIcon);
      QCOMPARE(box.buttons().size(), 1);
      QCOMPARE(box.standardButton(box.buttons().front()), QMessageBox::Ok);
      QVERIFY(box.isModal());
      box.buttons().front()->click();
    });
    dialogs.Message(parent, QString::fromUtf8("HID Error ！"), "Error");
    QVERIFY(seen);
  }

  void theCloseQuestionIsYesOrNo() {
    WhenShown<QMessageBox>([](QMessageBox& box) {
      QCOMPARE(box.buttons().size(), 2);
      QCOMPARE(box.defaultButton(), box.button(QMessageBox::No));
      box.button(QMessageBox::No)->click();
    });
    QVERIFY(!dialogs.Confirm(parent, "Close anyway?", "USB Link"));
    WhenShown<QMessageBox>([](QMessageBox& box) { box.button(QMessageBox::Yes)->click(); });
    QVERIFY(dialogs.Confirm(parent, "Close anyway?", "USB Link"));
  }

  void theFileDialogOffersUdFiles() {
    bool seen = false;
    WhenShown<QFileDialog>([&seen](QFileDialog& dialog) {
      seen = true;
      QCOMPARE(dialog.nameFilters(), QStringList{"File(*.UD)"});
      // The patterns Qt read from the parentheses pick the files shown.
      const auto* files = dialog.findChild<QFileSystemModel*>();
      QVERIFY(files != nullptr);
      QCOMPARE(files->nameFilters(), QStringList{"*.UD"});
      QCOMPARE(dialog.fileMode(), QFileDialog::ExistingFile);
      dialog.reject();
    });
    QCOMPARE(dialogs.OpenFile(parent, kDialogFilter, QString()), std::nullopt);
    QVERIFY(seen);
  }

  void theFileDialogOpensOnTheEarlierChoiceAndOneKeyTakesItAgain() {
    testing::TempDirectory directory;
    const auto image = directory.Write("image.UD", std::vector<std::uint8_t>{1, 2, 3});
    const QString earlier = QString::fromStdString(image.string());
    QString shownFolder;
    QStringList shownSelected;
    WhenShown<QFileDialog>([&](QFileDialog& dialog) {
      shownFolder = dialog.directory().absolutePath();
      shownSelected = dialog.selectedFiles();
      QTest::keyClick(&dialog, Qt::Key_Return);
    });
    QCOMPARE(dialogs.OpenFile(parent, kDialogFilter, earlier), earlier);
    QCOMPARE(shownFolder, QString::fromStdString(directory.Path().string()));
    QCOMPARE(shownSelected, QStringList{earlier});
  }

  void aFilterOfSeveralPatterns() {
    constexpr std::array<std::string_view, 2> patterns{"*.UD", "*.bin"};
    QCOMPARE(QtNameFilter({"Images", patterns}), "Images (*.UD *.bin)");
  }
};

}  // namespace usblink::app::qt

QTEST_MAIN(usblink::app::qt::ModalDialogsTest)
#include "ModalDialogsTest.moc"

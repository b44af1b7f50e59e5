#include "app/qt/EventLoopAndDialogs.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QStringList>

namespace usblink::app::qt {

QtEventLoop::QtEventLoop() {
  tmrDelay_.setSingleShot(true);
  // A coarse timer may fire 5 % early, which only costs another arming.
  tmrDelay_.setTimerType(Qt::PreciseTimer);
  QObject::connect(&tmrDelay_, &QTimer::timeout, [this] { pacer_.OnTimerTick(); });
}

void QtEventLoop::ArmTimer(std::chrono::milliseconds interval) { tmrDelay_.start(interval); }

void QtEventLoop::DisarmTimer() { tmrDelay_.stop(); }

void QtEventLoop::DispatchEvents() {
  QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
}

QString QtNameFilter(const FileFilter& filter) {
  QStringList patterns;
  for (const std::string_view pattern : filter.patterns) patterns << QString::fromUtf8(pattern);
  const QString description = QString::fromUtf8(filter.description);
  const QString named = "(" + patterns.join(u' ') + ")";
  return description.endsWith(named) ? description : description + " " + named;
}

void ModalDialogs::Message(QWidget& parent, const QString& text, const QString& title) {
  QMessageBox box(QMessageBox::NoIcon, title, text, QMessageBox::Ok, &parent);
  box.setWindowModality(Qt::ApplicationModal);
  box.exec();
}

std::optional<QString> ModalDialogs::OpenFile(QWidget& parent, const FileFilter& filter,
                                              const QString& earlier) {
  QFileDialog dialog(&parent, QString(), QString(), QtNameFilter(filter));
  dialog.setFileMode(QFileDialog::ExistingFile);
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setWindowModality(Qt::ApplicationModal);
  if (!earlier.isEmpty()) {
    const QFileInfo file(earlier);
    dialog.setDirectory(file.absolutePath());
    dialog.selectFile(file.fileName());
  }
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  return dialog.selectedFiles().front();
}

bool ModalDialogs::Confirm(QWidget& parent, const QString& question, const QString& title) {
  QMessageBox box(QMessageBox::NoIcon, title, question, QMessageBox::Yes | QMessageBox::No,
                  &parent);
  box.setDefaultButton(QMessageBox::No);
  box.setWindowModality(Qt::ApplicationModal);
  return box.exec() == QMessageBox::Yes;
}

}  // namespace usblink::app::qt

#include "app/qt/ModalDialogs.h"

#include <QFileDialog>
#include <QMessageBox>
#include <QStringList>

namespace usblink::app::qt {

QString QtNameFilters(const QString& filter) {
  const QStringList parts = filter.split(u'|');
  QStringList filters;
  for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
    QString patterns = parts[i + 1];
    patterns.replace(u';', u' ');
    filters << parts[i] + " (" + patterns + ")";
  }
  return filters.join(";;");
}

void ModalDialogs::Message(QWidget& parent, const QString& text, const QString& title) {
  QMessageBox box(QMessageBox::NoIcon, title, text, QMessageBox::Ok, &parent);
  box.setWindowModality(Qt::ApplicationModal);
  box.exec();
}

std::optional<QString> ModalDialogs::OpenFile(QWidget& parent, const QString& filter) {
  QFileDialog dialog(&parent, QString(), QString(), QtNameFilters(filter));
  dialog.setFileMode(QFileDialog::ExistingFile);
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setWindowModality(Qt::ApplicationModal);
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

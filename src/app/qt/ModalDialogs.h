#pragma once
// The dialogs as the user sees them: application-modal boxes and the
// file-open dialog of the toolkit.

#include "app/qt/DialogPort.h"

namespace usblink::app::qt {

// "File(*.UD)|*.UD" pairs of description and patterns as Qt's name filters
// want them: "File(*.UD) (*.UD)", one filter per pair, ";;" between them.
[[nodiscard]] QString QtNameFilters(const QString& filter);

class ModalDialogs final : public DialogPort {
 public:
  void Message(QWidget& parent, const QString& text, const QString& title) override;
  std::optional<QString> OpenFile(QWidget& parent, const QString& filter) override;
  bool Confirm(QWidget& parent, const QString& question, const QString& title) override;
};

}  // namespace usblink::app::qt

#pragma once
// The dialogs as the user sees them: application-modal boxes and the
// file-open dialog of the toolkit.

#include "app/qt/DialogPort.h"

namespace usblink::app::qt {

// A filter as Qt's name filters word it: the description, then the patterns
// in parentheses with blanks between them, as in "File(*.UD) (*.UD)".
[[nodiscard]] QString QtNameFilter(const FileFilter& filter);

class ModalDialogs final : public DialogPort {
 public:
  void Message(QWidget& parent, const QString& text, const QString& title) override;
  std::optional<QString> OpenFile(QWidget& parent, const FileFilter& filter,
                                  const QString& earlier) override;
  bool Confirm(QWidget& parent, const QString& question, const QString& title) override;
};

}  // namespace usblink::app::qt

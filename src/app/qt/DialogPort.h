#pragma once
// The modal dialogs of the window, apart from the window itself so tests and
// the scripted demo can answer them.

#include <QString>
#include <optional>

#include "app/FileFilter.h"

class QWidget;

namespace usblink::app::qt {

class DialogPort {
 public:
  virtual ~DialogPort() = default;
  // One OK button, no icon.
  virtual void Message(QWidget& parent, const QString& text, const QString& title) = 0;
  // The file-open dialog offering the files `filter` picks, opened on
  // `earlier` with it selected (none when empty).
  virtual std::optional<QString> OpenFile(QWidget& parent, const FileFilter& filter,
                                          const QString& earlier) = 0;
  // Yes or No.
  virtual bool Confirm(QWidget& parent, const QString& question, const QString& title) = 0;
};

}  // namespace usblink::app::qt

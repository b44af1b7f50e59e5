#pragma once
// usblink-demo --script: the demo window driven from standard input, one
// command a line, each answered on standard output once it has finished, so
// a script can take screenshots between the steps.
//   connect          click "USB Link"
//   download FILE    click "Download" and choose FILE in the dialog
//   download         click "Download" and close the dialog without a choice
//   read FILE        click the hidden "Read", the read-back going to FILE
//   close            the close box (a question during a transfer is answered Yes)
// Message boxes are written to standard output instead of shown. The window
// closes at the end of the input.

#include <QSocketNotifier>
#include <QString>
#include <memory>

#include "app/qt/DialogPort.h"
#include "app/qt/WindowSession.h"

namespace usblink::app::qt {

class DemoScript final : public DialogPort {
 public:
  void Start(WindowSession& session);

  void Message(QWidget& parent, const QString& text, const QString& title) override;
  std::optional<QString> OpenFile(QWidget& parent, const FileFilter& filter,
                                  const QString& earlier) override;
  bool Confirm(QWidget& parent, const QString& question, const QString& title) override;

 private:
  void ReadInput();
  void Run(const QString& line);

  WindowSession* session_ = nullptr;
  std::unique_ptr<QSocketNotifier> input_;
  QByteArray pending_;
  QString chosenFile_;
};

}  // namespace usblink::app::qt

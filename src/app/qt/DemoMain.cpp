// usblink-demo: the window "USB Link" on the built-in simulated calculator,
// with two other HID devices before it, so the whole flow can be seen without
// a calculator. `--script` drives it from standard input (see DemoScript below).

#include <QApplication>
#include <QSocketNotifier>
#include <QString>
#include <cstdio>
#include <memory>
#include <string>

#include "app/qt/EventLoopAndDialogs.h"
#include "app/qt/UsbLinkWindow.h"
#include "platform/os/Console.h"
#include "sim/SimHidApi.h"

namespace usblink::app::qt {
namespace {

const char* OutcomeName(Outcome outcome) {
  switch (outcome) {
    case Outcome::Ignored:
      return "ignored";
    case Outcome::IdsNotSet:
      return "ids-not-set";
    case Outcome::NotFound:
      return "not-found";
    case Outcome::Refused:
      return "refused";
    case Outcome::Connected:
      return "connected";
    case Outcome::NoFile:
      return "no-file";
    case Outcome::FileError:
      return "file-error";
    case Outcome::ChecksumMismatch:
      return "checksum-mismatch";
    case Outcome::Downloaded:
      return "downloaded";
    case Outcome::ReadBack:
      return "read-back";
    case Outcome::DeviceFailed:
      return "device-failed";
    case Outcome::Interrupted:
      return "interrupted";
    case Outcome::Closed:
      return "closed";
    case Outcome::Cleared:
      return "cleared";
  }
  return "?";
}

void Say(const QString& line) {
  std::fputs(line.toUtf8().append('\n').constData(), stdout);
  std::fflush(stdout);
}

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

void DemoScript::Start(WindowSession& session) {
  session_ = &session;
  input_ = std::make_unique<QSocketNotifier>(kStandardInputDescriptor, QSocketNotifier::Read);
  QObject::connect(input_.get(), &QSocketNotifier::activated, input_.get(),
                   [this] { ReadInput(); });
}

void DemoScript::ReadInput() {
  const std::string input = ReadStandardInput();
  if (input.empty()) {
    input_->setEnabled(false);
    session_->View().close();
    return;
  }
  pending_.append(input.data(), static_cast<qsizetype>(input.size()));
  // A command waits for the device with events flowing: no second one meanwhile.
  input_->setEnabled(false);
  for (auto end = pending_.indexOf('\n'); end >= 0; end = pending_.indexOf('\n')) {
    const QString line = QString::fromUtf8(pending_.left(end)).trimmed();
    pending_.remove(0, end + 1);
    if (!line.isEmpty()) Run(line);
  }
  input_->setEnabled(true);
}

void DemoScript::Run(const QString& line) {
  const QString command = line.section(u' ', 0, 0);
  const QString argument = line.section(u' ', 1).trimmed();
  UsbWindow& model = session_->Model();
  if (command == "connect") {
    Say(command + " " + OutcomeName(model.Click(Control::contion)));
  } else if (command == "download") {
    chosenFile_ = argument;
    Say(command + " " + OutcomeName(model.Click(Control::CmdOpenFile)));
  } else if (command == "read") {
    model.SetReadBackFile(argument.toStdString());
    Say(command + " " + OutcomeName(model.Click(Control::CmdReadFile)));
  } else if (command == "close") {
    Say(command + (session_->View().close() ? " closed" : " refused"));
  } else {
    Say("unknown command: " + command);
  }
}

void DemoScript::Message(QWidget&, const QString& text, const QString& title) {
  Say("message " + title + ": " + text);
}

std::optional<QString> DemoScript::OpenFile(QWidget&, const FileFilter&, const QString&) {
  if (chosenFile_.isEmpty()) return std::nullopt;
  return chosenFile_;
}

bool DemoScript::Confirm(QWidget&, const QString& question, const QString&) {
  Say("question: " + question + " yes");
  return true;
}

}  // namespace
}  // namespace usblink::app::qt

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  auto bus = usblink::sim::SimBus::WithCalculator(2);
  usblink::sim::SimHidApi api(bus);
  if (QApplication::arguments().contains(QStringLiteral("--script"))) {
    usblink::app::qt::DemoScript script;
    return usblink::app::qt::RunWindow(
        api, script, {},
        [&script](usblink::app::qt::WindowSession& session) { script.Start(session); },
        usblink::app::kDemoWindowCaption);
  }
  usblink::app::qt::ModalDialogs dialogs;
  return usblink::app::qt::RunWindow(api, dialogs, {}, {}, usblink::app::kDemoWindowCaption);
}

#include "app/qt/DemoScript.h"

#include <cstdio>
#include <string>

#include "platform/os/Console.h"

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

}  // namespace

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

}  // namespace usblink::app::qt

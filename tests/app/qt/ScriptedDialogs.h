#pragma once
// Dialogs answered from a script and recorded, so no modal box blocks a test.

#include <QStringList>
#include <deque>
#include <optional>
#include <vector>

#include "app/qt/DialogPort.h"
#include "app/qt/ModalDialogs.h"
#include "support/FakeWindow.h"

namespace usblink::testing {

class ScriptedDialogs : public app::qt::DialogPort {
 public:
  void Message(QWidget&, const QString& text, const QString& title) override {
    messages.push_back({text.toStdString(), title.toStdString()});
  }
  std::optional<QString> OpenFile(QWidget&, const app::FileFilter& filter,
                                  const QString& earlier) override {
    filters.push_back(app::qt::QtNameFilter(filter));
    openedOn.push_back(earlier);
    if (files.empty()) return std::nullopt;
    auto answer = files.front();
    files.pop_front();
    return answer;
  }
  bool Confirm(QWidget&, const QString& question, const QString& title) override {
    questions.push_back({question.toStdString(), title.toStdString()});
    return closeAnswer;
  }

  std::vector<testing::Message> messages;
  QStringList filters;   // as the file dialog shows them
  QStringList openedOn;  // the earlier choice each file dialog showed
  std::deque<QString> files;
  std::vector<testing::Message> questions;
  bool closeAnswer = false;
};

}  // namespace usblink::testing

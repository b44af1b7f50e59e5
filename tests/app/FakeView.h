#pragma once
// A view that records what the window model asks of it and answers its
// dialogs from a script.

#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "app/WindowView.h"
#include "support/FakeWindow.h"

namespace usblink::testing {

class FakeView : public app::WindowView {
 public:
  void LogAppended(std::string_view) override {}
  void LogCleared() override {}
  void LogLineSelected(std::size_t) override {}
  void ControlChanged(app::Control) override { ++controlChanges; }
  void ShowMessageBox(std::string_view text, std::string_view title) override {
    messages.push_back({std::string(text), std::string(title)});
  }
  std::optional<std::string> ShowOpenFileDialog(std::string_view filter) override {
    dialogFilters.emplace_back(filter);
    if (dialogAnswers.empty()) return std::nullopt;
    auto answer = dialogAnswers.front();
    dialogAnswers.pop_front();
    return answer;
  }
  bool ConfirmClose(std::string_view question) override {
    questions.emplace_back(question);
    return confirmClose;
  }
  void EndProcess() override { ++endProcessCalls; }

  std::vector<Message> messages;
  std::vector<std::string> dialogFilters;
  std::deque<std::optional<std::string>> dialogAnswers;
  std::vector<std::string> questions;
  bool confirmClose = false;
  int endProcessCalls = 0;
  int controlChanges = 0;
};

}  // namespace usblink::testing

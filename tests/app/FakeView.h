#pragma once
// A view that records what the window model asks of it and answers its
// dialogs from a script.

#include <array>
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
  void ControlChanged(app::Control control, const app::ControlState& state) override {
    rendered[static_cast<std::size_t>(control)] = state;
  }
  void ProgressReported(const TransferProgress& progress) override {
    progressReports.push_back(progress);
  }
  void BankChecked(const BankCheck& check) override { bankChecks.push_back(check); }
  void ShowMessageBox(std::string_view text, std::string_view title) override {
    messages.push_back({std::string(text), std::string(title)});
  }
  std::optional<std::string> ShowOpenFileDialog(const app::FileFilter& filter) override {
    dialogFilters.push_back(
        {std::string(filter.description), {filter.patterns.begin(), filter.patterns.end()}});
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

  // What the dialog was asked to offer.
  struct ShownFilter {
    std::string description;
    std::vector<std::string> patterns;
    friend bool operator==(const ShownFilter&, const ShownFilter&) = default;
  };

  // The last state drawn of each control.
  std::array<std::optional<app::ControlState>, app::kControlCount> rendered;
  std::vector<TransferProgress> progressReports;
  std::vector<BankCheck> bankChecks;
  std::vector<Message> messages;
  std::vector<ShownFilter> dialogFilters;
  std::deque<std::optional<std::string>> dialogAnswers;
  std::vector<std::string> questions;
  bool confirmClose = false;
  int endProcessCalls = 0;
};

}  // namespace usblink::testing

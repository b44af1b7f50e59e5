#pragma once
// A window that records what the core asks of it.

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "protocol/CommandPort.h"

namespace usblink::testing {

struct Message {
  std::string text;
  std::string title;
  friend bool operator==(const Message&, const Message&) = default;
};

class FakeWindow : public CommandPort {
 public:
  void AppendLine(std::string_view line) override { lines.emplace_back(line); }
  void ClearLines() override {
    lines.clear();
    selected.reset();
  }
  void SelectLastLine() override {
    if (!lines.empty()) selected = lines.size() - 1;
  }
  void SetLinkStatus(std::string_view caption) override { linkStatus = caption; }
  void SetProgressCaption(std::string_view caption) override {
    progressCaption = caption;
    progressHistory.emplace_back(caption);
  }
  void SetProgressVisible(bool visible) override { progressVisible = visible; }
  void ReportProgress(const TransferProgress& progress) override {
    progressReports.push_back(progress);
  }
  void ReportBankCheck(const BankCheck& check) override { bankChecks.push_back(check); }
  void SetNoteCaption(std::string_view caption) override { noteCaption = caption; }
  void SetNoteVisible(bool visible) override { noteVisible = visible; }
  void SetLinkButtonEnabled(bool enabled) override { linkButtonEnabled = enabled; }
  void SetDownloadButtonEnabled(bool enabled) override { downloadButtonEnabled = enabled; }
  void ShowMessage(std::string_view text, std::string_view title) override {
    messages.push_back({std::string(text), std::string(title)});
  }

  std::vector<std::string> lines;
  std::optional<std::size_t> selected;
  std::string linkStatus = "Not connected";
  std::string progressCaption;
  std::vector<std::string> progressHistory;
  bool progressVisible = true;
  std::vector<TransferProgress> progressReports;
  std::vector<BankCheck> bankChecks;
  std::string noteCaption;
  bool noteVisible = false;
  bool linkButtonEnabled = true;
  bool downloadButtonEnabled = false;
  std::vector<Message> messages;
};

}  // namespace usblink::testing

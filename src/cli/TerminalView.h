#pragma once
// The window rendered on a terminal: the log on stdout (plain or JSON Lines),
// message boxes on stderr, a progress bar while a transfer runs.

#include <filesystem>
#include <fstream>
#include <optional>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "app/WindowView.h"
#include "cli/JsonText.h"
#include "cli/ProgressBar.h"

namespace usblink::cli {

struct OutputSettings {
  bool json = false;
  bool quiet = false;
  bool progressBar = false;  // stderr is a terminal
  bool barEscapes = true;    // which takes escape sequences
};

class TerminalView final : public app::WindowView {
 public:
  TerminalView(std::ostream& out, std::ostream& err, OutputSettings settings);

  // Also write every log line to this file.
  [[nodiscard]] bool OpenLogFile(const std::filesystem::path& path);
  // True once a line could not be written to that file.
  [[nodiscard]] bool LogFileFailed() const { return logFile_.is_open() && logFile_.fail(); }
  // What the file-open dialog answers.
  void SetDialogAnswer(std::string file) { dialogAnswer_ = std::move(file); }

  // The progress of the transfer that follows goes out under `title`: a bar
  // on a terminal, a line a block in JSON.
  void BeginProgress(std::string_view title);
  void EndProgress();

  // A line of the command line's own (check, verify, list).
  void Info(std::string_view text, std::vector<std::pair<std::string, JsonValue>> fields = {});
  // A message box of the command line's own.
  void Message(std::string_view text, std::string_view title);
  // A line for the person at the terminal, also with --json and --quiet:
  // on stderr, and in the log file.
  void Notice(std::string_view line);
  // The run's end; `fields` add to the JSON result object.
  void Result(int exitStatus, std::string_view outcome,
              std::vector<std::pair<std::string, JsonValue>> fields = {});

  // WindowView
  void LogAppended(std::string_view line) override;
  void LogCleared() override {}
  void LogLineSelected(std::size_t) override {}
  void ControlChanged(app::Control, const app::ControlState&) override {}
  void ProgressReported(const TransferProgress& progress) override;
  void ShowMessageBox(std::string_view text, std::string_view title) override;
  std::optional<std::string> ShowOpenFileDialog(const app::FileFilter& filter,
                                                std::string_view earlier) override;
  bool ConfirmClose(std::string_view) override { return true; }
  void EndProcess() override {}

 private:
  void Stdout(const std::string& line);

  std::ostream& out_;
  std::ostream& err_;
  OutputSettings settings_;
  std::ofstream logFile_;
  std::optional<std::string> dialogAnswer_;

  struct Progress {
    std::string title;
    std::optional<ProgressBar> bar;  // drawn from the first block on
  };
  std::optional<Progress> progress_;
};

}  // namespace usblink::cli

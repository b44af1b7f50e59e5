#pragma once
// One session of the calculator's commands rendered on a terminal. By default a short
// account on stdout (the calculator found, a line a bank, what was done);
// with -v the log line for line as the window shows it; with -q neither;
// with --json every event as a JSON Lines object. Message boxes go to
// stderr as "TITLE: TEXT", the progress of a transfer to stderr, and the
// whole log always to the --log file. In a run over several calculators each
// has a session view of its own, and the run one besides for its own lines.

#include <chrono>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "cli/RunLog.h"
#include "cli/TerminalOutput.h"
#include "fleet/SessionPort.h"
#include "platform/hid/HidApi.h"

namespace usblink::cli {

// Raised whenever a type or a field of the JSON Lines changes its meaning or
// goes away; new fields and types keep it.
inline constexpr int kJsonSchemaVersion = 1;

// `object` on one line, without the line's end. Text that is not UTF-8 (a
// file name on a Latin-1 system) has each bad byte replaced by U+FFFD, so
// the line is always valid JSON.
std::string JsonLine(const Json& object);

struct OutputSettings {
  bool json = false;
  Detail detail = Detail::Short;
};

// The calculator a session of a run over several is for: its lines on
// stdout and stderr begin with "[n] ", its JSON objects carry "device": n
// and "serial", and the run's start and result are the run view's.
struct CalculatorTag {
  int number = 0;
  std::optional<std::string> serialNumber;
};

class TerminalView final : public SessionPort {
 public:
  // `now` is the clock of the run: the pacer's.
  TerminalView(TerminalOutput& output, OutputSettings settings,
               std::function<Clock::time_point()> now,
               std::optional<CalculatorTag> calculator = std::nullopt);

  // The run begins; `details` (command, file, options) go into the start object.
  void Start(const RunStart& start, const Json& details);
  // What a run over several calculators tells of them: `lines` on stdout,
  // or `object` under --json; both in the log file.
  void Report(const std::vector<std::string>& lines, const Json& object) override;
  // Also write the whole log, the messages and the run's end to this file.
  Result<void> OpenLogFile(const std::filesystem::path& path) override {
    return logFile_.Open(path, start_);
  }
  // A file error once a line could not be written to that file.
  [[nodiscard]] Result<void> LogFileWritten() const override { return logFile_.Written(); }
  // The transfer that follows is phase `phase` of `phases` of the command
  // (backup 1/2, download 2/2); it ends completed or where it stopped.
  void BeginProgress(std::string_view operation, int phase, int phases, int totalBlocks) override;
  void EndProgress(bool completed) override;
  // The running exchange has waited `waited` for the calculator's answer.
  void NoAnswerFor(Clock::duration waited) override;

  void CalculatorFound(const FoundCalculator& calculator) override;
  // --wait: no calculator yet; the walk is not shown again until it changes.
  void Waiting(double seconds) override;
  // While held, log lines are kept back; released, they are shown or dropped.
  void HoldLog() override;
  void ReleaseLog(bool show) override;

  // A line of the command line's own (check, verify, list), in every mode.
  void Info(std::string_view text, const Json& fields = Json::object()) override;
  // A line of the short account only.
  void Summary(std::string_view text) override;
  // A line for the person at the terminal, also with --json and --quiet:
  // on stderr, and in the log file.
  void Notice(std::string_view line) override;
  // "Error: TEXT", or for a usage error "usblink-cli: TEXT", as a message box.
  void ShowFailure(const Failure& failure) override;
  // The run's end; `fields` add to the JSON result object. A calculator's
  // session view ends only its log file.
  void End(int exitStatus, std::string_view outcome, const Json& fields = Json::object()) override;

  // Blocks done in the last transfer.
  [[nodiscard]] long long BlocksDone() const override { return blocksDone_; }
  // Time since the run began.
  [[nodiscard]] Clock::duration Elapsed() const override { return now_() - started_; }

  // CommandPort: a message box as "TITLE: TEXT" on stderr. The terminal
  // keeps no list of lines, no selection and no status label.
  void AppendLine(std::string_view line) override;
  void ClearLines() override {}
  void SelectLastLine() override {}
  void SetLinkStatus(std::string_view) override {}
  void ReportProgress(const TransferProgress& progress) override;
  void ReportBankCheck(const BankCheck& check) override;
  void ShowMessage(std::string_view text, std::string_view title) override;

 private:
  // The line in every place the log goes.
  void ShowLogLine(std::string_view line);
  void Emit(Json object);
  // "[n] " for a calculator's session, else nothing.
  [[nodiscard]] std::string Prefix() const;
  // A line of this session on stdout, or on stderr.
  void Out(std::string_view line);
  void Err(std::string_view line);
  [[nodiscard]] int Lane() const {
    return calculator_ ? calculator_->number : TerminalOutput::kOnlyLane;
  }
  [[nodiscard]] bool ShortAccount() const {
    return !settings_.json && settings_.detail == Detail::Short;
  }

  TerminalOutput& output_;
  OutputSettings settings_;
  std::optional<CalculatorTag> calculator_;
  std::function<Clock::time_point()> now_;
  Clock::time_point started_;
  RunStart start_;
  RunLog logFile_;
  std::optional<std::vector<std::string>> held_;
  std::optional<std::string> devicePath_;

  struct Phase {
    std::string operation;
    int phase;
    int phases;
    std::optional<Clock::time_point> lastSent;  // its last JSON progress object
  };
  std::optional<Phase> phase_;
  long long blocksDone_ = 0;
};

}  // namespace usblink::cli

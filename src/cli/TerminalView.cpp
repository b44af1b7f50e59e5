#include "cli/TerminalView.h"

#include "hid/ApiLog.h"
#include "platform/os/LogFile.h"
#include "protocol/CalculatorProtocol.h"
#include "protocol/Outcome.h"

namespace usblink::cli {

std::string JsonLine(const Json& object) {
  return object.dump(-1, ' ', false, Json::error_handler_t::replace);
}

namespace {

using namespace std::chrono_literals;

constexpr auto kBlockBytes = static_cast<long long>(kBlockSize);
// JSON progress objects come at most this often, besides those at a bank's end.
constexpr auto kProgressInterval = 250ms;

// To the millisecond.
double Seconds(std::chrono::steady_clock::duration duration) {
  return static_cast<double>(
             std::chrono::duration_cast<std::chrono::milliseconds>(duration).count()) /
         1000;
}

}  // namespace

TerminalView::TerminalView(TerminalOutput& output, OutputSettings settings,
                           std::function<Clock::time_point()> now,
                           std::optional<CalculatorTag> calculator)
    : output_(output),
      settings_(settings),
      calculator_(std::move(calculator)),
      now_(std::move(now)),
      started_(now_()) {}

void TerminalView::Emit(Json object) {
  if (calculator_) {
    object["device"] = calculator_->number;
    object["serial"] = OrNull(calculator_->serialNumber);
  }
  output_.Out(JsonLine(object));
}

std::string TerminalView::Prefix() const {
  return calculator_ ? "[" + std::to_string(calculator_->number) + "] " : "";
}

void TerminalView::Out(std::string_view line) { output_.Out(Prefix() + std::string(line)); }

void TerminalView::Err(std::string_view line) { output_.Err(Prefix() + std::string(line)); }

void TerminalView::Start(const RunStart& start, const Json& details) {
  start_ = start;
  started_ = now_();
  if (!settings_.json || calculator_) return;
  Json object = {{"type", "start"},
                 {"schemaVersion", kJsonSchemaVersion},
                 {"program", "usblink-cli"},
                 {"version", start.version},
                 {"time", UtcTimeText(start.time)}};
  object.update(details);
  object["arguments"] = start.arguments;
  Emit(std::move(object));
}

void TerminalView::ShowLogLine(std::string_view line) {
  logFile_.Line(line);
  if (settings_.json) {
    if (settings_.detail != Detail::Quiet) Emit({{"type", "log"}, {"line", line}});
  } else if (settings_.detail == Detail::Verbose) {
    Out(line);
  }
}

void TerminalView::AppendLine(std::string_view line) {
  if (held_) {
    held_->emplace_back(line);
    return;
  }
  ShowLogLine(line);
}

void TerminalView::HoldLog() { held_.emplace(); }

void TerminalView::ReleaseLog(bool show) {
  auto lines = std::move(held_);
  held_.reset();
  if (!show || !lines) return;
  for (const auto& line : *lines) ShowLogLine(line);
}

void TerminalView::BeginProgress(std::string_view operation, int phase, int phases,
                                 int totalBlocks) {
  phase_.emplace(Phase{std::string(operation), phase, phases, std::nullopt});
  blocksDone_ = 0;
  std::string label = Prefix() + std::string(operation);
  if (phases > 1) label += " " + std::to_string(phase) + "/" + std::to_string(phases);
  output_.BeginProgress(Lane(), std::move(label), totalBlocks, now_());
}

void TerminalView::EndProgress(bool completed) {
  output_.EndProgress(Lane(), completed, now_());
  phase_.reset();
}

void TerminalView::NoAnswerFor(Clock::duration waited) {
  output_.NoAnswerFor(Lane(), waited, now_());
}

void TerminalView::ReportProgress(const TransferProgress& reported) {
  blocksDone_ = reported.blocksDone;
  if (!phase_) return;
  const auto now = now_();
  output_.Progress(Lane(), reported.blocksDone, now);
  const bool bankEnd =
      reported.blocksDone % kBlocksPerBank == 0 || reported.blocksDone == reported.blocksInAll;
  if (ShortAccount() && bankEnd && reported.transfer == Transfer::ReadBack) {
    Out("Bank " + std::to_string((reported.blocksDone - 1) / kBlocksPerBank) + " read");
  }
  if (!settings_.json) return;
  if (!bankEnd && phase_->lastSent && now - *phase_->lastSent < kProgressInterval) return;
  phase_->lastSent = now;
  Emit({{"type", "progress"},
        {"operation", phase_->operation},
        {"phase", phase_->phase},
        {"phases", phase_->phases},
        {"blocks", reported.blocksDone},
        {"totalBlocks", reported.blocksInAll},
        {"bytes", reported.blocksDone * kBlockBytes},
        {"totalBytes", reported.blocksInAll * kBlockBytes}});
}

void TerminalView::ReportBankCheck(const BankCheck& check) {
  if (settings_.json) {
    Emit({{"type", "bank"},
          {"bank", check.bank},
          {"hostChecksum", HexText(check.hostSum)},
          {"deviceChecksum", HexText(check.deviceSum)},
          {"verified", check.Verified()}});
  }
  if (!ShortAccount()) return;
  std::string line =
      "Bank " + std::to_string(check.bank) + " written, checksum " + HexText(check.hostSum);
  line += check.Verified() ? " verified"
                           : ", the calculator's " + HexText(check.deviceSum) + ": they differ";
  Out(line);
}

void TerminalView::CalculatorFound(const FoundCalculator& calculator) {
  devicePath_ = calculator.path;
  const std::string vendor = HexText(calculator.ids.vendorId);
  const std::string product = HexText(calculator.ids.productId);
  if (settings_.json) {
    Emit({{"type", "calculator"},
          {"path", calculator.path},
          {"vendorId", vendor},
          {"productId", product},
          {"identity", calculator.identity}});
  } else if (ShortAccount()) {
    Out("Calculator: " + calculator.path + " (" + vendor + ":" + product + ", " +
        std::string(calculator.identity) + ")");
  }
}

void TerminalView::Waiting(double seconds) {
  static constexpr std::string_view kWaiting = "waiting for the calculator…";
  logFile_.Line(kWaiting);
  if (settings_.json) {
    Emit({{"type", "waiting"}, {"seconds", seconds}});
  } else if (settings_.detail != Detail::Quiet) {
    Err(kWaiting);
  }
}

void TerminalView::ShowMessage(std::string_view text, std::string_view title) {
  logFile_.Message(text, title);
  if (settings_.json) {
    Emit({{"type", "message"}, {"title", title}, {"text", text}});
  } else {
    Err(std::string(title) + ": " + std::string(text));
  }
}

void TerminalView::ShowFailure(const Failure& failure) {
  // A stop asked for is no error.
  if (failure.exitStatus == kExitInterrupted) {
    Notice(failure.message);
    return;
  }
  ShowMessage(failure.message, failure.exitStatus == kExitUsage ? "usblink-cli" : "Error");
}

void TerminalView::Info(std::string_view text, const Json& fields) {
  logFile_.Line(text);
  if (settings_.json) {
    Json object = {{"type", "info"}, {"text", text}};
    object.update(fields);
    Emit(std::move(object));
  } else {
    Out(text);
  }
}

void TerminalView::Summary(std::string_view text) {
  if (ShortAccount()) Out(text);
}

void TerminalView::Notice(std::string_view line) {
  Err(line);
  logFile_.Line(line);
}

void TerminalView::Report(const std::vector<std::string>& lines, const Json& object) {
  for (const auto& line : lines) logFile_.Line(line);
  if (settings_.json) {
    Emit(object);
  } else {
    for (const auto& line : lines) Out(line);
  }
}

void TerminalView::End(int exitStatus, std::string_view outcome, const Json& fields) {
  const auto duration = Elapsed();
  logFile_.End(outcome, exitStatus, std::chrono::system_clock::now(), duration);
  // A calculator's end is a row of the run's summary.
  if (calculator_) return;
  if (settings_.json) {
    Json object = {{"type", "result"},
                   {"outcome", outcome},
                   {"exitStatus", exitStatus},
                   {"duration", Seconds(duration)},
                   {"devicePath", OrNull(devicePath_)}};
    object.update(fields);
    Emit(std::move(object));
  } else if (settings_.detail == Detail::Quiet || exitStatus != 0) {
    Err("usblink-cli: " + std::string(outcome));
  }
}

}  // namespace usblink::cli

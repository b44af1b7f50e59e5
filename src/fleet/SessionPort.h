#pragma once
// What a session of one calculator, and a run over several, tells the front
// end that started it, beyond the calculator's commands: the calculator
// found, waits, the progress phases, lines of its own, notices, the result.
// The command line renders it as lines, bars and JSON Lines.

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json.hpp>

#include "platform/hid/HidApi.h"
#include "protocol/CommandPort.h"
#include "protocol/Result.h"

namespace usblink {

// Fields keep the order they were given in, "type" first.
using Json = nlohmann::ordered_json;

// A field that may be missing: null then.
template <typename T>
Json OrNull(const std::optional<T>& value) {
  return value ? Json(*value) : Json(nullptr);
}

// How much of a run the front end tells: -q, by default, -v.
enum class Detail { Quiet, Short, Verbose };

// The calculator a connect found and verified.
struct FoundCalculator {
  std::string path;
  InterfaceIds ids;
  std::string_view identity;
};

class SessionPort : public CommandPort {
 public:
  using Clock = std::chrono::steady_clock;

  // What a run over several calculators tells of them: `lines`, or `object`
  // as JSON; both in the log file.
  virtual void Report(const std::vector<std::string>& lines, const Json& object) = 0;
  // Also write the whole log, the messages and the run's end to this file.
  virtual Result<void> OpenLogFile(const std::filesystem::path& path) = 0;
  // A file error once a line could not be written to that file.
  [[nodiscard]] virtual Result<void> LogFileWritten() const = 0;
  // The transfer that follows is phase `phase` of `phases` of the command
  // (backup 1/2, download 2/2); it ends completed or where it stopped.
  virtual void BeginProgress(std::string_view operation, int phase, int phases,
                             int totalBlocks) = 0;
  virtual void EndProgress(bool completed) = 0;
  // The running exchange has waited `waited` for the calculator's answer.
  virtual void NoAnswerFor(Clock::duration waited) = 0;

  virtual void CalculatorFound(const FoundCalculator& calculator) = 0;
  // --wait: no calculator yet; the walk is not shown again until it changes.
  virtual void Waiting(double seconds) = 0;
  // While held, log lines are kept back; released, they are shown or dropped.
  virtual void HoldLog() = 0;
  virtual void ReleaseLog(bool show) = 0;

  // A line of the run's own (check, verify, list), in every mode.
  virtual void Info(std::string_view text, const Json& fields = Json::object()) = 0;
  // A line of the short account only.
  virtual void Summary(std::string_view text) = 0;
  // A line for the person at the terminal, also with --json and --quiet.
  virtual void Notice(std::string_view line) = 0;
  // Why the run cannot go on, in a box: "Error", or the program's own for a
  // usage error. The caller ends with the failure's exit status.
  virtual void ShowFailure(const Failure& failure) = 0;
  // The run's end; `fields` add to the result object. A calculator's
  // session among several ends only its log file.
  virtual void End(int exitStatus, std::string_view outcome,
                   const Json& fields = Json::object()) = 0;

  // Blocks done in the last transfer.
  [[nodiscard]] virtual long long BlocksDone() const = 0;
  // Time since the run began.
  [[nodiscard]] virtual Clock::duration Elapsed() const = 0;
};

// The run ends with `failure`, told in `view`'s box: the run's exit status.
inline int Ended(SessionPort& view, const Failure& failure) {
  view.ShowFailure(failure);
  return failure.exitStatus;
}

}  // namespace usblink

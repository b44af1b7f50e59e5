#include "cli/TerminalView.h"

#include "platform/CalculatorProtocol.h"

namespace usblink::cli {

namespace {
constexpr auto kBlockBytes = static_cast<long long>(kBlockSize);
}

TerminalView::TerminalView(std::ostream& out, std::ostream& err, OutputSettings settings)
    : out_(out), err_(err), settings_(settings) {}

bool TerminalView::OpenLogFile(const std::filesystem::path& path) {
  logFile_.open(path, std::ios::out | std::ios::trunc | std::ios::binary);
  return logFile_.is_open();
}

void TerminalView::Stdout(const std::string& line) {
  if (progress_ && progress_->bar) progress_->bar->Erase();
  out_ << line << '\n';
  out_.flush();
}

void TerminalView::LogAppended(std::string_view line) {
  if (logFile_.is_open()) logFile_ << line << '\n' << std::flush;
  if (settings_.quiet) return;
  Stdout(settings_.json ? JsonObject({{"type", "log"}, {"line", std::string(line)}})
                        : std::string(line));
}

void TerminalView::BeginProgress(std::string_view title) {
  progress_.emplace(Progress{std::string(title), std::nullopt});
}

void TerminalView::EndProgress() {
  if (progress_ && progress_->bar) progress_->bar->Finish();
  progress_.reset();
}

void TerminalView::ProgressReported(const TransferProgress& reported) {
  if (!progress_) return;
  Progress& progress = *progress_;
  const long long blocks = reported.blocksDone;
  const long long totalBlocks = reported.blocksInAll;
  if (settings_.json) {
    Stdout(JsonObject({{"type", "progress"},
                       {"operation", progress.title},
                       {"blocks", blocks},
                       {"totalBlocks", totalBlocks},
                       {"bytes", blocks * kBlockBytes}}));
  }
  if (!settings_.progressBar) return;
  if (!progress.bar)
    progress.bar.emplace(err_, progress.title, totalBlocks * kBlockBytes, settings_.barEscapes);
  progress.bar->Update(blocks * kBlockBytes);
}

void TerminalView::ShowMessageBox(std::string_view text, std::string_view title) {
  Message(text, title);
}

void TerminalView::Message(std::string_view text, std::string_view title) {
  if (progress_ && progress_->bar) progress_->bar->Erase();
  if (settings_.json) {
    Stdout(JsonObject(
        {{"type", "message"}, {"title", std::string(title)}, {"text", std::string(text)}}));
  } else {
    err_ << title << ": " << text << '\n' << std::flush;
  }
}

std::optional<std::string> TerminalView::ShowOpenFileDialog(const app::FileFilter&,
                                                            std::string_view) {
  return std::exchange(dialogAnswer_, std::nullopt);
}

void TerminalView::Info(std::string_view text,
                        std::vector<std::pair<std::string, JsonValue>> fields) {
  if (settings_.json) {
    fields.insert(fields.begin(), {{"type", "info"}, {"text", std::string(text)}});
    Stdout(JsonObject(fields));
  } else {
    Stdout(std::string(text));
  }
}

void TerminalView::Notice(std::string_view line) {
  if (progress_ && progress_->bar) progress_->bar->Erase();
  err_ << line << '\n' << std::flush;
  if (logFile_.is_open()) logFile_ << line << '\n' << std::flush;
}

void TerminalView::Result(int exitStatus, std::string_view outcome,
                          std::vector<std::pair<std::string, JsonValue>> fields) {
  if (settings_.json) {
    fields.insert(fields.begin(), {{"type", "result"},
                                   {"outcome", std::string(outcome)},
                                   {"exitStatus", static_cast<long long>(exitStatus)}});
    Stdout(JsonObject(fields));
  } else if (settings_.quiet || exitStatus != 0) {
    err_ << "usblink-cli: " << outcome << '\n' << std::flush;
  }
}

}  // namespace usblink::cli

#include "cli/ProgressLine.h"

#include <algorithm>
#include <cstdio>
#include <vector>

#include "fleet/DurationText.h"
#include "protocol/CalculatorProtocol.h"

namespace usblink::cli {

namespace {

using namespace std::chrono_literals;

constexpr int kWidestBar = 24;
constexpr int kNarrowestBar = 10;
// Exchanges take milliseconds; a wait this long is worth a word.
constexpr auto kNoAnswerShown = 1s;
constexpr auto kBlockBytes = static_cast<long long>(kBlockSize);

std::string Printed(const char* format, auto... values) {
  char text[96];
  std::snprintf(text, sizeof text, format, values...);
  return text;
}

long long Percent(long long done, long long total) { return done * 100 / std::max(total, 1LL); }

std::string PercentText(long long done, long long total) {
  return Printed("%3lld%%", Percent(done, total));
}

std::string Bytes(long long doneBlocks, long long totalBlocks) {
  return Printed("%lld/%lld B", doneBlocks * kBlockBytes, totalBlocks * kBlockBytes);
}

std::string NoAnswerText(ProgressLine::Clock::duration waited) {
  return "no answer for " +
         std::to_string(std::chrono::duration_cast<std::chrono::seconds>(waited).count()) + " s";
}

std::string Joined(const std::vector<std::string>& parts) {
  std::string text;
  for (const auto& part : parts) text += (text.empty() ? "" : "  ") + part;
  return text;
}

// What follows the bar, from the fullest to the barest: the percentage and
// a stall always stay.
std::vector<std::string> Tails(const ProgressLine::State& state) {
  const long long done = std::clamp(state.doneBlocks, 0LL, state.totalBlocks);
  const std::string percent = PercentText(done, state.totalBlocks);
  const std::string bytes = Bytes(done, state.totalBlocks);
  if (state.noAnswer) {
    const std::string note = NoAnswerText(*state.noAnswer);
    return {Joined({percent, bytes, note}), Joined({percent, note})};
  }
  const double seconds = std::chrono::duration<double>(state.elapsed).count();
  if (seconds <= 0 || done == 0) return {Joined({percent, bytes}), percent};
  const double rate = static_cast<double>(done * kBlockBytes) / seconds;
  const std::string speed = Printed("%.1f KiB/s", rate / 1024);
  const auto left = std::chrono::duration<double>(
      static_cast<double>((state.totalBlocks - done) * kBlockBytes) / rate);
  const std::string remaining =
      MinutesText(std::chrono::duration_cast<ProgressLine::Clock::duration>(left)) + " left";
  return {Joined({percent, bytes, speed, remaining}), Joined({percent, bytes, speed}),
          Joined({percent, bytes}), percent};
}

}  // namespace

ProgressLine::ProgressLine(std::string label, long long totalBlocks, Clock::time_point start)
    : label_(std::move(label)), totalBlocks_(std::max(totalBlocks, 1LL)), start_(start) {}

std::string ProgressLine::Render(const State& state, int columns) {
  const auto room = static_cast<std::size_t>(std::max(columns - 1, 1));
  const long long done = std::clamp(state.doneBlocks, 0LL, state.totalBlocks);
  const auto tails = Tails(state);
  for (const auto& tail : tails) {
    // "LABEL [###   ] TAIL"
    const std::size_t fixed = state.label.size() + 4 + tail.size();
    if (fixed + kNarrowestBar > room) continue;
    const auto width = static_cast<long long>(std::min<std::size_t>(kWidestBar, room - fixed));
    const auto filled = static_cast<std::size_t>(done * width / std::max(state.totalBlocks, 1LL));
    return std::string(state.label) + " [" + std::string(filled, '#') +
           std::string(static_cast<std::size_t>(width) - filled, ' ') + "] " + tail;
  }
  for (const auto& tail : tails) {
    std::string text = std::string(state.label) + " " + tail;
    if (text.size() <= room) return text;
  }
  return (std::string(state.label) + " " + tails.back()).substr(0, room);
}

void ProgressLine::Update(long long doneBlocks) {
  doneBlocks_ = std::clamp(doneBlocks, 0LL, totalBlocks_);
  noAnswer_.reset();
}

bool ProgressLine::NoAnswerFor(Clock::duration waited) {
  if (waited < kNoAnswerShown) {
    if (!noAnswer_) return false;
    noAnswer_.reset();
    return true;
  }
  const auto seconds = [](Clock::duration d) {
    return std::chrono::duration_cast<std::chrono::seconds>(d);
  };
  if (noAnswer_ && seconds(*noAnswer_) == seconds(waited)) return false;
  noAnswer_ = waited;
  return true;
}

std::string ProgressLine::Live(Clock::time_point now, int columns, std::size_t labelWidth) const {
  std::string label = label_;
  label.resize(std::max(label.size(), labelWidth), ' ');
  return Render({label, doneBlocks_, totalBlocks_, now - start_, noAnswer_}, columns);
}

std::string ProgressLine::Plain() const {
  return label_ + " " + PercentText(doneBlocks_, totalBlocks_) + "  " +
         Bytes(doneBlocks_, totalBlocks_);
}

std::string ProgressLine::NoAnswerPlain(Clock::duration waited) const {
  return label_ + ": " + NoAnswerText(waited);
}

std::string ProgressLine::Final(bool completed, Clock::time_point now) const {
  const auto elapsed = now - start_;
  if (completed) {
    return label_ + " done: " + std::to_string(doneBlocks_ * kBlockBytes) + " B in " +
           DurationText(elapsed);
  }
  std::string line = label_ + " stopped after " + std::to_string(doneBlocks_) + " of " +
                     std::to_string(totalBlocks_) + " blocks (" + Bytes(doneBlocks_, totalBlocks_) +
                     ", " + std::to_string(Percent(doneBlocks_, totalBlocks_)) + "%) in " +
                     DurationText(elapsed);
  if (noAnswer_) line += ", " + NoAnswerText(*noAnswer_);
  return line;
}

}  // namespace usblink::cli

#include "cli/ProgressBar.h"

#include <algorithm>
#include <cstdio>
#include <vector>

#include "cli/DurationText.h"
#include "platform/CalculatorProtocol.h"

namespace usblink::cli {

namespace {

using namespace std::chrono_literals;

constexpr int kWidestBar = 24;
constexpr int kNarrowestBar = 10;
constexpr auto kRedrawInterval = 100ms;
// Exchanges take milliseconds; a wait this long is worth a word.
constexpr auto kNoAnswerShown = 1s;
// Plain lines say a stall at every multiple of this.
constexpr auto kStallLineInterval = 5s;
constexpr auto kBlockBytes = static_cast<long long>(kBlockSize);

std::string Printed(const char* format, auto... values) {
  char text[96];
  std::snprintf(text, sizeof text, format, values...);
  return text;
}

long long Percent(long long done, long long total) { return done * 100 / std::max(total, 1LL); }

std::string Bytes(long long doneBlocks, long long totalBlocks) {
  return Printed("%lld/%lld B", doneBlocks * kBlockBytes, totalBlocks * kBlockBytes);
}

std::string NoAnswerText(ProgressBar::Clock::duration waited) {
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
std::vector<std::string> Tails(const ProgressBar::State& state) {
  const long long done = std::clamp(state.doneBlocks, 0LL, state.totalBlocks);
  const std::string percent = Printed("%3lld%%", Percent(done, state.totalBlocks));
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
      MinutesText(std::chrono::duration_cast<ProgressBar::Clock::duration>(left)) + " left";
  return {Joined({percent, bytes, speed, remaining}), Joined({percent, bytes, speed}),
          Joined({percent, bytes}), percent};
}

}  // namespace

ProgressBar::ProgressBar(std::ostream& terminal, Style style, std::string label,
                         long long totalBlocks, Clock::time_point start)
    : terminal_(terminal),
      style_(std::move(style)),
      label_(std::move(label)),
      totalBlocks_(std::max(totalBlocks, 1LL)),
      start_(start) {
  if (style_.live) {
    Draw(Render(Now(start), style_.columns()));
    lastDrawn_ = start;
  }
}

std::string ProgressBar::Render(const State& state, int columns) {
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

ProgressBar::State ProgressBar::Now(Clock::time_point now) const {
  return {label_, doneBlocks_, totalBlocks_, now - start_, noAnswer_};
}

void ProgressBar::Update(long long doneBlocks, Clock::time_point now) {
  if (finished_) return;
  doneBlocks_ = std::clamp(doneBlocks, 0LL, totalBlocks_);
  // A block done: every exchange of it was answered.
  noAnswer_.reset();
  stallLinesPrinted_ = 0;
  if (!style_.live) {
    const long long tenths = doneBlocks_ * 10 / totalBlocks_;
    // The last tenth is the final line's.
    if (tenths > tenthsPrinted_ && tenths < 10) {
      Print(label_ + " " + Printed("%3lld%%", Percent(doneBlocks_, totalBlocks_)) + "  " +
            Bytes(doneBlocks_, totalBlocks_));
    }
    tenthsPrinted_ = std::max(tenthsPrinted_, tenths);
    return;
  }
  if (shown_ && doneBlocks_ < totalBlocks_ && now - lastDrawn_ < kRedrawInterval) return;
  lastDrawn_ = now;
  Draw(Render(Now(now), style_.columns()));
}

void ProgressBar::NoAnswerFor(Clock::duration waited, Clock::time_point now) {
  if (finished_) return;
  if (waited < kNoAnswerShown) {
    if (!noAnswer_) return;
    noAnswer_.reset();
    stallLinesPrinted_ = 0;
  } else {
    const auto seconds = [](Clock::duration d) {
      return std::chrono::duration_cast<std::chrono::seconds>(d);
    };
    if (noAnswer_ && seconds(*noAnswer_) == seconds(waited)) return;
    noAnswer_ = waited;
  }
  if (!style_.live) {
    const long long lines = waited / kStallLineInterval;
    if (noAnswer_ && lines > stallLinesPrinted_) {
      stallLinesPrinted_ = lines;
      Print(label_ + ": " + NoAnswerText(lines * kStallLineInterval));
    }
    return;
  }
  lastDrawn_ = now;
  Draw(Render(Now(now), style_.columns()));
}

void ProgressBar::Hide() {
  if (!style_.live || !shown_) return;
  Draw("");
  if (!style_.escapes) terminal_ << '\r' << std::flush;
  shown_ = false;
}

void ProgressBar::Show() {
  if (!style_.live || shown_ || finished_) return;
  Draw(Render(Now(lastDrawn_), style_.columns()));
}

void ProgressBar::Finish(bool completed, Clock::time_point now) {
  if (finished_) return;
  const auto elapsed = now - start_;
  std::string line;
  if (completed) {
    line = label_ + " done: " + std::to_string(doneBlocks_ * kBlockBytes) + " B in " +
           DurationText(elapsed);
  } else {
    line = label_ + " stopped after " + std::to_string(doneBlocks_) + " of " +
           std::to_string(totalBlocks_) + " blocks (" + Bytes(doneBlocks_, totalBlocks_) + ", " +
           std::to_string(Percent(doneBlocks_, totalBlocks_)) + "%) in " + DurationText(elapsed);
    if (noAnswer_) line += ", " + NoAnswerText(*noAnswer_);
  }
  if (style_.live) {
    Draw(line);
    terminal_ << '\n' << std::flush;
    drawnLength_ = 0;
    shown_ = false;
  } else {
    Print(line);
  }
  finished_ = true;
}

void ProgressBar::Draw(std::string_view text) {
  terminal_ << '\r';
  if (style_.escapes) {
    terminal_ << "\033[K" << text;
  } else {
    terminal_ << text << std::string(drawnLength_ - std::min(drawnLength_, text.size()), ' ');
  }
  terminal_ << std::flush;
  drawnLength_ = text.size();
  shown_ = !text.empty();
}

void ProgressBar::Print(const std::string& line) { terminal_ << line << '\n' << std::flush; }

}  // namespace usblink::cli

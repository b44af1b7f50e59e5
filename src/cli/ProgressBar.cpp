#include "cli/ProgressBar.h"

#include <algorithm>
#include <cstdio>

namespace usblink::cli {

namespace {

constexpr int kBarWidth = 24;

std::string Duration(long long seconds) {
  char text[32];
  std::snprintf(text, sizeof text, "%lld:%02lld", seconds / 60, seconds % 60);
  return text;
}

std::string Rate(double bytesPerSecond) {
  char text[32];
  std::snprintf(text, sizeof text, "%.1f KiB/s", bytesPerSecond / 1024);
  return text;
}

}  // namespace

ProgressBar::ProgressBar(std::ostream& terminal, std::string title, long long totalBytes,
                         bool escapes)
    : terminal_(terminal),
      title_(std::move(title)),
      escapes_(escapes),
      totalBytes_(std::max(totalBytes, 1LL)) {}

std::string ProgressBar::Render(std::string_view title, long long doneBytes, long long totalBytes,
                                Clock::duration elapsed) {
  totalBytes = std::max(totalBytes, 1LL);
  doneBytes = std::clamp(doneBytes, 0LL, totalBytes);
  const int filled = static_cast<int>(doneBytes * kBarWidth / totalBytes);
  const long long percent = doneBytes * 100 / totalBytes;
  const double seconds = std::chrono::duration<double>(elapsed).count();
  std::string text(title);
  text += " [" + std::string(static_cast<std::size_t>(filled), '#') +
          std::string(static_cast<std::size_t>(kBarWidth - filled), ' ') + "] ";
  char numbers[64];
  std::snprintf(numbers, sizeof numbers, "%3lld%%  %lld/%lld B", percent, doneBytes, totalBytes);
  text += numbers;
  if (seconds > 0 && doneBytes > 0) {
    const double rate = static_cast<double>(doneBytes) / seconds;
    const auto left = static_cast<long long>(static_cast<double>(totalBytes - doneBytes) / rate);
    text += "  " + Rate(rate) + "  " + Duration(left) + " left";
  }
  return text;
}

void ProgressBar::Update(long long doneBytes) {
  doneBytes_ = doneBytes;
  const auto now = Clock::now();
  if (shown_ && doneBytes < totalBytes_ && now - lastDrawn_ < std::chrono::milliseconds(100)) {
    return;
  }
  lastDrawn_ = now;
  Draw(Render(title_, doneBytes_, totalBytes_, now - started_));
  shown_ = true;
}

void ProgressBar::Erase() {
  if (!shown_) return;
  Draw("");
  if (!escapes_) terminal_ << '\r' << std::flush;
  shown_ = false;
}

void ProgressBar::Draw(std::string_view text) {
  terminal_ << '\r';
  if (escapes_) {
    terminal_ << "\033[K" << text;
  } else {
    terminal_ << text << std::string(drawnLength_ - std::min(drawnLength_, text.size()), ' ');
  }
  terminal_ << std::flush;
  drawnLength_ = text.size();
}

void ProgressBar::Finish() {
  if (shown_) terminal_ << "\n" << std::flush;
  shown_ = false;
}

}  // namespace usblink::cli

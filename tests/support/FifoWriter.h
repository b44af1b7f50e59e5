#pragma once
// A named pipe fed from a thread of its own: a file that tells no size and
// can be read only once. The thread never waits for a reader that does not
// come, and a reader that stops early does not end the test by SIGPIPE.

#include <fcntl.h>
#include <pthread.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdint>
#include <filesystem>
#include <system_error>
#include <thread>
#include <vector>

namespace usblink::testing {

class FifoWriter {
 public:
  FifoWriter(std::filesystem::path path, std::vector<std::uint8_t> bytes) : path_(std::move(path)) {
    if (::mkfifo(path_.c_str(), 0600) != 0) {
      throw std::system_error(errno, std::generic_category(), "mkfifo " + path_.string());
    }
    writer_ = std::thread([this, bytes = std::move(bytes)] { Feed(bytes); });
  }
  FifoWriter(const FifoWriter&) = delete;
  FifoWriter& operator=(const FifoWriter&) = delete;
  ~FifoWriter() {
    stop_ = true;
    writer_.join();
  }

  [[nodiscard]] const std::filesystem::path& Path() const { return path_; }

 private:
  void Feed(const std::vector<std::uint8_t>& bytes) {
    sigset_t pipeSignal;
    sigemptyset(&pipeSignal);
    sigaddset(&pipeSignal, SIGPIPE);
    pthread_sigmask(SIG_BLOCK, &pipeSignal, nullptr);
    int fd = -1;
    // Without a reader a non-blocking open fails with ENXIO.
    while ((fd = ::open(path_.c_str(), O_WRONLY | O_NONBLOCK)) < 0) {
      if (errno != ENXIO || stop_) return;
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    ::fcntl(fd, F_SETFL, 0);
    for (std::size_t done = 0; done < bytes.size();) {
      const auto written = ::write(fd, bytes.data() + done, bytes.size() - done);
      if (written <= 0) break;
      done += static_cast<std::size_t>(written);
    }
    ::close(fd);
  }

  std::filesystem::path path_;
  std::atomic<bool> stop_ = false;
  std::thread writer_;
};

}  // namespace usblink::testing

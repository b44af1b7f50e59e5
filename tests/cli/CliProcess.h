#pragma once
// usblink-cli as a process of its own, with its stdout and stderr on pipes
// that the test reads (or closes) while it runs, its stdin on a pipe the test
// writes when asked, and signals sent to it.

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <functional>
#include <string>
#include <vector>

extern char** environ;

namespace usblink::testing {

class CliProcess {
 public:
  explicit CliProcess(const std::vector<std::string>& arguments, bool pipedInput = false) {
    std::array<int, 2> in{-1, -1};
    std::array<int, 2> out{-1, -1};
    std::array<int, 2> err{-1, -1};
    if (::pipe2(out.data(), O_CLOEXEC) != 0 || ::pipe2(err.data(), O_CLOEXEC) != 0) return;
    if (pipedInput && ::pipe2(in.data(), O_CLOEXEC) != 0) return;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (pipedInput) posix_spawn_file_actions_adddup2(&actions, in[0], STDIN_FILENO);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, err[1], STDERR_FILENO);
    // Signals as a shell leaves them for a command in the foreground.
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t defaults;
    sigemptyset(&defaults);
    for (const int number : {SIGINT, SIGTERM, SIGHUP, SIGPIPE}) sigaddset(&defaults, number);
    posix_spawnattr_setsigdefault(&attributes, &defaults);
    sigset_t none;
    sigemptyset(&none);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK);
    std::vector<std::string> all{USBLINK_CLI_PATH};
    all.insert(all.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (auto& argument : all) argv.push_back(argument.data());
    argv.push_back(nullptr);
    if (::posix_spawn(&pid_, argv[0], &actions, &attributes, argv.data(), environ) != 0) pid_ = -1;
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    ::close(out[1]);
    ::close(err[1]);
    Close(in[0]);
    in_ = in[1];
    out_ = out[0];
    err_ = err[0];
  }
  CliProcess(const CliProcess&) = delete;
  CliProcess& operator=(const CliProcess&) = delete;
  ~CliProcess() {
    Close(in_);
    CloseOut();
    CloseErr();
    if (pid_ > 0 && !status_) {
      ::kill(pid_, SIGKILL);
      ::waitpid(pid_, nullptr, 0);
    }
  }

  [[nodiscard]] bool Started() const { return pid_ > 0; }
  [[nodiscard]] pid_t Pid() const { return pid_; }
  void Signal(int number) const { ::kill(pid_, number); }
  // With piped input: writes `bytes` to the process's stdin.
  bool WriteIn(const std::string& bytes) const {
    return ::write(in_, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
  }
  // Bytes written to stdin that the process has not read yet.
  [[nodiscard]] int UnreadIn() const {
    int count = -1;
    return ::ioctl(in_, FIONREAD, &count) == 0 ? count : -1;
  }
  void CloseOut() { Close(out_); }
  void CloseErr() { Close(err_); }

  // Reads both pipes until `done` holds for what came so far, or both end;
  // whether `done` held.
  bool ReadUntil(const std::function<bool()>& done) {
    while (!done()) {
      std::array<pollfd, 2> fds{pollfd{out_, POLLIN, 0}, pollfd{err_, POLLIN, 0}};
      if (out_ < 0 && err_ < 0) return false;
      if (::poll(fds.data(), fds.size(), -1) < 0) return false;
      Take(fds[0], out_, out);
      Take(fds[1], err_, err);
    }
    return true;
  }
  // Reads to the end, then the exit status (-1 unless the process exited).
  int Wait() {
    ReadUntil([] { return false; });
    int status = 0;
    if (::waitpid(pid_, &status, 0) != pid_) return -1;
    status_ = status;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
  // Lines of stdout that begin with `prefix`.
  [[nodiscard]] long CountOut(const std::string& prefix) const {
    long count = 0;
    for (std::size_t at = 0; at < out.size();) {
      const std::size_t end = out.find('\n', at);
      if (end == std::string::npos) break;
      if (out.compare(at, prefix.size(), prefix) == 0) ++count;
      at = end + 1;
    }
    return count;
  }
  [[nodiscard]] std::string LastOutLine() const {
    const std::size_t end = out.rfind('\n');
    if (end == std::string::npos || end == 0) return {};
    const std::size_t start = out.rfind('\n', end - 1);
    return out.substr(start == std::string::npos ? 0 : start + 1,
                      end - (start == std::string::npos ? 0 : start + 1));
  }

  std::string out;
  std::string err;

 private:
  static void Close(int& fd) {
    if (fd >= 0) ::close(fd);
    fd = -1;
  }
  static void Take(const pollfd& polled, int& fd, std::string& text) {
    if (fd < 0 || polled.revents == 0) return;
    std::array<char, 4096> buffer{};
    const auto count = ::read(fd, buffer.data(), buffer.size());
    if (count <= 0) {
      Close(fd);
      return;
    }
    text.append(buffer.data(), static_cast<std::size_t>(count));
  }

  pid_t pid_ = -1;
  int in_ = -1;
  int out_ = -1;
  int err_ = -1;
  std::optional<int> status_;
};

}  // namespace usblink::testing

#include "platform/process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <ctime>

extern char** environ;

namespace orvak::platform {

namespace {

struct Fd {
  int fd = -1;
  Fd() = default;
  explicit Fd(int f) : fd(f) {}
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  ~Fd() { reset(); }
  void reset() {
    if (fd >= 0) ::close(fd);
    fd = -1;
  }
};

// Writing to a pipe whose reader has gone raises SIGPIPE, which ends the whole process unless it
// is handled. While alive, this keeps SIGPIPE blocked on the calling thread (the signal is sent to
// the thread that wrote), and on the way out takes back a SIGPIPE our own writes left pending.
class SigpipeGuard {
 public:
  SigpipeGuard() {
    sigemptyset(&pipe_);
    sigaddset(&pipe_, SIGPIPE);
    sigset_t pending;
    sigemptyset(&pending);
    sigpending(&pending);
    wasPending_ = sigismember(&pending, SIGPIPE) == 1;
    pthread_sigmask(SIG_BLOCK, &pipe_, &old_);
  }
  SigpipeGuard(const SigpipeGuard&) = delete;
  SigpipeGuard& operator=(const SigpipeGuard&) = delete;
  ~SigpipeGuard() {
    if (raised_ && !wasPending_) {
      const timespec none{};
      while (sigtimedwait(&pipe_, nullptr, &none) < 0 && errno == EINTR) {
      }
    }
    pthread_sigmask(SIG_SETMASK, &old_, nullptr);
  }
  void raised() { raised_ = true; }

 private:
  sigset_t pipe_;
  sigset_t old_;
  bool wasPending_ = false;
  bool raised_ = false;
};

bool makePipe(Fd& readEnd, Fd& writeEnd) {
  int fds[2];
  if (::pipe2(fds, O_CLOEXEC) != 0) return false;
  readEnd.fd = fds[0];
  writeEnd.fd = fds[1];
  return true;
}

}  // namespace

std::optional<ProcessResult> runProcess(const std::vector<std::string>& argv, const std::optional<std::string>& input,
                                        double timeoutSeconds) {
  if (argv.empty()) return std::nullopt;
  Fd outRead, outWrite, inRead, inWrite;
  if (!makePipe(outRead, outWrite)) return std::nullopt;
  if (input && !makePipe(inRead, inWrite)) return std::nullopt;

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, outWrite.fd, STDOUT_FILENO);
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
  if (input) {
    posix_spawn_file_actions_adddup2(&actions, inRead.fd, STDIN_FILENO);
  } else {
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  }
  std::vector<char*> args;
  for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  pid_t pid = -1;
  const int rc = posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (rc != 0) return std::nullopt;
  outWrite.reset();
  inRead.reset();

  // Input is written as the program takes it, between reads of its output, so neither side can
  // wait for the other with a full pipe; a program that ends or stops reading without taking all
  // of it simply gets less.
  SigpipeGuard sigpipe;
  std::size_t written = 0;
  if (input && ::fcntl(inWrite.fd, F_SETFL, ::fcntl(inWrite.fd, F_GETFL) | O_NONBLOCK) != 0) inWrite.reset();
  if (input && input->empty()) inWrite.reset();

  ProcessResult result;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(timeoutSeconds);
  bool killed = false;
  while (outRead.fd >= 0 || inWrite.fd >= 0) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) {
      ::kill(pid, SIGKILL);
      killed = true;
      break;
    }
    // A closed descriptor (-1) is skipped by poll.
    pollfd p[2] = {{outRead.fd, POLLIN, 0}, {inWrite.fd, POLLOUT, 0}};
    const int ready = ::poll(p, 2, static_cast<int>(left.count()));
    if (ready <= 0) continue;  // interrupted, or time is up (checked above)
    if (p[1].revents != 0) {
      const ssize_t n = ::write(inWrite.fd, input->data() + written, input->size() - written);
      if (n > 0) written += static_cast<std::size_t>(n);
      if (n < 0 && errno == EPIPE) sigpipe.raised();
      const bool retry = n < 0 && (errno == EINTR || errno == EAGAIN);
      if (written == input->size() || (n <= 0 && !retry)) inWrite.reset();
    }
    if (p[0].revents != 0) {
      char buf[4096];
      const ssize_t n = ::read(outRead.fd, buf, sizeof buf);
      if (n > 0) {
        result.output.append(buf, static_cast<std::size_t>(n));
      } else if (n == 0 || errno != EINTR) {
        outRead.reset();
      }
    }
  }
  inWrite.reset();
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  result.status = (!killed && WIFEXITED(status)) ? WEXITSTATUS(status) : -1;
  return result;
}

}  // namespace orvak::platform

#include "tests/desktop/child_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "core/base/dispatch.h"

namespace orvak::test {

ChildProcess::ChildProcess(const std::vector<std::string>& argv, const std::vector<std::string>& env,
                           bool quietOutput) {
  int in[2];
  int out[2];
  if (::pipe2(in, O_CLOEXEC) != 0) return;
  if (::pipe2(out, O_CLOEXEC) != 0) {
    ::close(in[0]);
    ::close(in[1]);
    return;
  }
  std::vector<char*> args;
  for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::dup2(in[0], STDIN_FILENO);
    if (quietOutput) {
      const int null = ::open("/dev/null", O_WRONLY);
      ::dup2(null, STDOUT_FILENO);
      ::dup2(null, STDERR_FILENO);
    } else {
      ::dup2(out[1], STDOUT_FILENO);
    }
    for (const auto& e : env) ::putenv(const_cast<char*>(e.c_str()));
    ::setpgid(0, 0);
    ::execvp(args[0], args.data());
    ::_exit(127);
  }
  ::close(in[0]);
  ::close(out[1]);
  in_ = in[1];
  out_ = out[0];
  pid_ = pid;
}

ChildProcess::~ChildProcess() {
  if (pid_ > 0) {
    ::kill(-pid_, SIGCONT);
    ::kill(-pid_, SIGKILL);  // its whole group: a browser's helpers too
    ::waitpid(pid_, nullptr, 0);
  }
  if (in_ >= 0) ::close(in_);
  if (out_ >= 0) ::close(out_);
}

std::optional<std::string> ChildProcess::readLine(double seconds) {
  const std::uint64_t deadline = dispatch::monotonicNanos() + static_cast<std::uint64_t>(seconds * 1e9);
  while (true) {
    if (const auto nl = buffer_.find('\n'); nl != std::string::npos) {
      std::string line = buffer_.substr(0, nl);
      buffer_.erase(0, nl + 1);
      return line;
    }
    const std::uint64_t now = dispatch::monotonicNanos();
    if (now >= deadline || out_ < 0) return std::nullopt;
    pollfd p{out_, POLLIN, 0};
    const int wait = static_cast<int>((deadline - now) / 1'000'000) + 1;
    if (::poll(&p, 1, wait) <= 0) continue;
    char buf[512];
    const ssize_t n = ::read(out_, buf, sizeof buf);
    if (n <= 0) return std::nullopt;
    buffer_.append(buf, static_cast<std::size_t>(n));
  }
}

void ChildProcess::send(const std::string& line) {
  const std::string l = line + "\n";
  if (in_ >= 0) [[maybe_unused]] auto n = ::write(in_, l.data(), l.size());
}

void ChildProcess::stop() {
  if (pid_ > 0) ::kill(pid_, SIGSTOP);
}

void ChildProcess::resume() {
  if (pid_ > 0) ::kill(pid_, SIGCONT);
}

bool pollUntil(double seconds, const std::function<bool()>& ready) {
  const std::uint64_t deadline = dispatch::monotonicNanos() + static_cast<std::uint64_t>(seconds * 1e9);
  while (true) {
    if (ready()) return true;
    if (dispatch::monotonicNanos() >= deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
}

}  // namespace orvak::test

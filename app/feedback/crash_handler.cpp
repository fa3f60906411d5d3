#include "app/feedback/crash_handler.h"

#include <execinfo.h>
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cstring>
#include <ctime>
#include <string>
#include <system_error>

#include "platform/bundle.h"

namespace orvak::crash {

namespace {

constexpr int kSignals[] = {SIGSEGV, SIGBUS, SIGILL, SIGFPE, SIGABRT};
constexpr std::size_t kFolderMax = 3072;
constexpr std::size_t kTextMax = 512;
constexpr int kFrames = 128;

// Everything the handler writes, prepared before any crash: no allocation or formatting inside it.
char gFolder[kFolderMax];
std::size_t gFolderLength = 0;
char gHeader[kTextMax];
std::size_t gHeaderLength = 0;
struct SignalText {
  int signal = 0;
  char text[64] = {};
  std::size_t length = 0;
};
SignalText gSignalTexts[std::size(kSignals)];

const char* signalName(int sig) {
  switch (sig) {
    case SIGSEGV:
      return "SIGSEGV";
    case SIGBUS:
      return "SIGBUS";
    case SIGILL:
      return "SIGILL";
    case SIGFPE:
      return "SIGFPE";
    case SIGABRT:
      return "SIGABRT";
    default:
      return "signal";
  }
}

// Appends the decimal digits of `v` at `out`; returns the new end. Async-signal-safe.
char* appendNumber(char* out, unsigned long long v) {
  char digits[24];
  int n = 0;
  do {
    digits[n++] = static_cast<char>('0' + v % 10);
    v /= 10;
  } while (v != 0);
  while (n > 0) *out++ = digits[--n];
  return out;
}

char* appendText(char* out, const char* text, std::size_t length) {
  std::memcpy(out, text, length);
  return out + length;
}

void writeAll(int fd, const char* data, std::size_t length) {
  while (length > 0) {
    const ssize_t n = ::write(fd, data, length);
    if (n <= 0) return;
    data += n;
    length -= static_cast<std::size_t>(n);
  }
}

void handler(int sig) {
  char path[kFolderMax + 64];
  char* p = appendText(path, gFolder, gFolderLength);
  p = appendText(p, "/orvak-", 7);
  p = appendNumber(p, static_cast<unsigned long long>(::time(nullptr)));
  *p++ = '-';
  p = appendNumber(p, static_cast<unsigned long long>(::getpid()));
  p = appendText(p, ".crash", 6);
  *p = '\0';
  const int fd = ::open(path, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  if (fd >= 0) {
    writeAll(fd, gHeader, gHeaderLength);
    for (const auto& s : gSignalTexts) {
      if (s.signal == sig) writeAll(fd, s.text, s.length);
    }
    writeAll(fd, "Frames:\n", 8);
    void* frames[kFrames];
    const int n = ::backtrace(frames, kFrames);
    ::backtrace_symbols_fd(frames, n, fd);
    ::close(fd);
  }
  ::signal(sig, SIG_DFL);
  ::raise(sig);
}

}  // namespace

bool install(const std::filesystem::path& folder) {
  std::error_code ec;
  std::filesystem::create_directories(folder, ec);
  const std::string f = folder.string();
  if (ec || f.size() >= kFolderMax) return false;
  std::memcpy(gFolder, f.data(), f.size());
  gFolderLength = f.size();

  const std::string header = "Process: orvak\nVersion: " + platform::bundle::shortVersion().substr(0, 64) + "\n";
  std::memcpy(gHeader, header.data(), header.size());
  gHeaderLength = header.size();
  for (std::size_t i = 0; i < std::size(kSignals); ++i) {
    const std::string line =
        std::string("Signal: ") + signalName(kSignals[i]) + " (" + std::to_string(kSignals[i]) + ")\n";
    gSignalTexts[i].signal = kSignals[i];
    std::memcpy(gSignalTexts[i].text, line.data(), line.size());
    gSignalTexts[i].length = line.size();
  }

  // backtrace loads its unwinder on first use, which allocates: do that now, not in the handler.
  void* warm[4];
  ::backtrace(warm, 4);

  // A stack overflow leaves no stack to run the handler on.
  static char* altStack = new char[1 << 16];
  stack_t stack{};
  stack.ss_sp = altStack;
  stack.ss_size = 1 << 16;
  if (::sigaltstack(&stack, nullptr) != 0) return false;

  struct sigaction action {};
  action.sa_handler = handler;
  action.sa_flags = SA_ONSTACK | SA_RESETHAND;
  sigemptyset(&action.sa_mask);
  bool ok = true;
  for (const int sig : kSignals) ok = ::sigaction(sig, &action, nullptr) == 0 && ok;
  return ok;
}

}  // namespace orvak::crash

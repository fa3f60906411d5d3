// A program the desktop tests start beside themselves (a fixture window, a browser): its
// standard input is a pipe for commands, its standard output is read line by line, and it is
// killed when the handle goes.
#pragma once

#include <sys/types.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace orvak::test {

class ChildProcess {
 public:
  // Starts `argv` (argv[0] searched on PATH); extra environment entries as "NAME=value".
  explicit ChildProcess(const std::vector<std::string>& argv, const std::vector<std::string>& env = {},
                        bool quietOutput = false);
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;
  ~ChildProcess();

  pid_t pid() const { return pid_; }
  bool running() const { return pid_ > 0; }
  // Waits up to `seconds` for the next line of output; none at the end or the time-out.
  std::optional<std::string> readLine(double seconds);
  // Writes one line to the program's input.
  void send(const std::string& line);
  void stop();  // SIGSTOP: the program stops answering
  void resume();

 private:
  pid_t pid_ = -1;
  int in_ = -1;
  int out_ = -1;
  std::string buffer_;
};

// Calls `ready` every 20 ms until it answers true or `seconds` pass; whether it did.
bool pollUntil(double seconds, const std::function<bool()>& ready);

}  // namespace orvak::test

// A pulseaudio server of a test's own: a null sink whose monitor is the default source, on a
// socket in a temporary folder that PULSE_SERVER points at while it lives.
#pragma once

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

namespace orvak::platform {

// A pulseaudio server of the test's own on a socket in a temporary folder.
class PrivatePulse {
 public:
  // `extra`: further lines of the server's start-up script (more modules).
  explicit PrivatePulse(const std::string& extra = "") {
    dir_ = std::filesystem::temp_directory_path() / ("orvak-pulse-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir_);
    socket_ = (dir_ / "native").string();
    std::ofstream(dir_ / "script.pa") << "load-module module-native-protocol-unix socket=" << socket_
                                      << " auth-anonymous=1\n"
                                         "load-module module-null-sink sink_name=orvaktest rate=48000\n"
                                         "set-default-sink orvaktest\n"
                                         "set-default-source orvaktest.monitor\n"
                                      << extra;
    const std::string home = "HOME=" + dir_.string(), runtime = "XDG_RUNTIME_DIR=" + dir_.string();
    const std::string script = (dir_ / "script.pa").string();
    std::vector<std::string> args = {"pulseaudio",
                                     "-n",
                                     "-F",
                                     script,
                                     "--daemonize=no",
                                     "--exit-idle-time=-1",
                                     "--disable-shm=yes",
                                     "--use-pid-file=no",
                                     "--log-target=file:" + (dir_ / "log").string()};
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    std::vector<std::string> envs = {home, runtime, "PATH=/usr/bin:/bin"};
    std::vector<char*> envp;
    for (auto& e : envs) envp.push_back(e.data());
    envp.push_back(nullptr);
    // The server must not hold the test's output open: should the test die before its destructor
    // runs, the runner would otherwise wait on that pipe for as long as the server lives.
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    for (int fd : {0, 1, 2}) {
      posix_spawn_file_actions_addopen(&actions, fd, "/dev/null", fd == 0 ? O_RDONLY : O_WRONLY, 0);
    }
    if (posix_spawnp(&pid_, "pulseaudio", &actions, nullptr, argv.data(), envp.data()) != 0) pid_ = 0;
    posix_spawn_file_actions_destroy(&actions);
    ::setenv("PULSE_SERVER", ("unix:" + socket_).c_str(), 1);
    for (int i = 0; i < 100 && pid_ != 0 && !std::filesystem::exists(socket_); ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
  }
  ~PrivatePulse() {
    ::unsetenv("PULSE_SERVER");
    if (pid_ != 0) {
      ::kill(pid_, SIGTERM);
      int status = 0;
      ::waitpid(pid_, &status, 0);
    }
    std::error_code ec;
    std::filesystem::remove_all(dir_, ec);
  }
  bool up() const { return pid_ != 0 && std::filesystem::exists(socket_); }

 private:
  std::filesystem::path dir_;
  std::string socket_;
  pid_t pid_ = 0;
};

}  // namespace orvak::platform

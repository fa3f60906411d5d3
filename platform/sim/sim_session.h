// Session events and the network state of a simulated desktop, set by tests and tools.
#pragma once

#include <map>
#include <memory>
#include <mutex>

#include "platform/network.h"
#include "platform/session.h"

namespace orvak::sim {

class SimSession final : public platform::Session {
 public:
  SimSession();
  std::optional<std::uint64_t> addObserver(Handler handler) override;
  void removeObserver(std::uint64_t token) override;
  // Every observer hears `event` on the main queue.
  void post(platform::SessionEvent event);

 private:
  struct Observers;
  std::shared_ptr<Observers> observers_;
};

class SimNetwork final : public platform::Network {
 public:
  explicit SimNetwork(bool online = true) : online_(online) {}
  void start(std::function<void(bool online)> onChange) override;
  // Changes the state; a watcher hears of a change on the main queue.
  void set(bool online);

 private:
  std::mutex mutex_;
  bool online_;
  std::shared_ptr<std::function<void(bool)>> watcher_;
};

}  // namespace orvak::sim

#include "platform/sim/sim_session.h"

#include <vector>

#include "core/base/dispatch.h"

namespace orvak::sim {

struct SimSession::Observers {
  std::mutex mutex;
  std::map<std::uint64_t, Handler> handlers;
  std::uint64_t next = 1;
};

SimSession::SimSession() : observers_(std::make_shared<Observers>()) {}

std::optional<std::uint64_t> SimSession::addObserver(Handler handler) {
  std::lock_guard lock(observers_->mutex);
  const std::uint64_t token = observers_->next++;
  observers_->handlers.emplace(token, std::move(handler));
  return token;
}

void SimSession::removeObserver(std::uint64_t token) {
  std::lock_guard lock(observers_->mutex);
  observers_->handlers.erase(token);
}

void SimSession::post(platform::SessionEvent event) {
  dispatch::main().async([observers = observers_, event] {
    std::vector<std::uint64_t> tokens;
    {
      std::lock_guard lock(observers->mutex);
      for (const auto& [token, h] : observers->handlers) tokens.push_back(token);
    }
    for (std::uint64_t token : tokens) {
      Handler h;
      {
        std::lock_guard lock(observers->mutex);
        if (auto it = observers->handlers.find(token); it != observers->handlers.end()) h = it->second;
      }
      if (h) h(event);
    }
  });
}

void SimNetwork::start(std::function<void(bool online)> onChange) {
  std::lock_guard lock(mutex_);
  watcher_ = std::make_shared<std::function<void(bool)>>(std::move(onChange));
  dispatch::main().async([w = watcher_, online = online_] { (*w)(online); });
}

void SimNetwork::set(bool online) {
  std::lock_guard lock(mutex_);
  if (online == online_) return;
  online_ = online;
  if (watcher_) dispatch::main().async([w = watcher_, online] { (*w)(online); });
}

}  // namespace orvak::sim

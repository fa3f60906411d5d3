#include "platform/notify.h"

#include <map>
#include <mutex>
#include <vector>

#include "core/base/dispatch.h"

namespace orvak::platform {

struct NotificationCenter::Observation::Registry {
  struct Entry {
    std::string name;
    std::shared_ptr<const Handler> handler;
  };
  std::mutex lock;
  std::map<std::uint64_t, Entry> entries;  // ordered by id: observers hear in the order they came
  std::uint64_t nextId = 1;

  bool contains(std::uint64_t id) {
    std::lock_guard guard(lock);
    return entries.count(id) != 0;
  }
};

NotificationCenter::Observation& NotificationCenter::Observation::operator=(Observation&& other) noexcept {
  if (this != &other) {
    reset();
    registry_ = std::move(other.registry_);
    id_ = other.id_;
    other.id_ = 0;
  }
  return *this;
}

NotificationCenter::Observation::~Observation() { reset(); }

void NotificationCenter::Observation::reset() {
  if (auto registry = registry_.lock()) {
    std::lock_guard guard(registry->lock);
    registry->entries.erase(id_);
  }
  registry_.reset();
  id_ = 0;
}

bool NotificationCenter::Observation::isActive() const {
  const auto registry = registry_.lock();
  return registry && registry->contains(id_);
}

NotificationCenter::NotificationCenter() : registry_(std::make_shared<Observation::Registry>()) {}

NotificationCenter::~NotificationCenter() = default;

NotificationCenter::Observation NotificationCenter::observe(std::string name, Handler handler) {
  std::lock_guard guard(registry_->lock);
  const std::uint64_t id = registry_->nextId++;
  registry_->entries.emplace(id, Observation::Registry::Entry{std::move(name), std::make_shared<const Handler>(std::move(handler))});
  return Observation(registry_, id);
}

void NotificationCenter::post(std::string name, std::optional<std::int64_t> object) {
  std::weak_ptr<Observation::Registry> weak = registry_;
  dispatch::main().async([weak, note = Notification{std::move(name), object}] {
    const auto registry = weak.lock();
    if (!registry) return;
    std::vector<std::pair<std::uint64_t, std::shared_ptr<const Handler>>> targets;
    {
      std::lock_guard guard(registry->lock);
      for (const auto& [id, entry] : registry->entries) {
        if (entry.name == note.name) targets.emplace_back(id, entry.handler);
      }
    }
    // Handlers run outside the lock so they may observe, post or end observations themselves; one
    // ended by an earlier handler of this same delivery is skipped.
    for (const auto& [id, handler] : targets) {
      if (registry->contains(id)) (*handler)(note);
    }
  });
}

}  // namespace orvak::platform

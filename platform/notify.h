// The in-process notification centre: a name, an optional integer object, delivered on the main
// queue. The program's parts announce changes through it without knowing who listens ("the
// library changed", "focus the ask bar").
//
// `post` may be called from any thread and returns at once; each observer of the name hears it
// later on the main queue (core/base/dispatch.h), in the order of posting. An observation lasts
// as long as its `Observation` handle: once the handle is gone, nothing more is delivered to it,
// not even a notification already posted.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace orvak::platform {

struct Notification {
  std::string name;
  std::optional<std::int64_t> object;
  bool operator==(const Notification&) const = default;
};

class NotificationCenter {
 public:
  using Handler = std::function<void(const Notification&)>;

  // Ends its observation when destroyed or reset. Move-only.
  class Observation {
   public:
    Observation() = default;
    Observation(Observation&&) noexcept = default;
    Observation& operator=(Observation&& other) noexcept;
    ~Observation();
    void reset();
    bool isActive() const;

   private:
    friend class NotificationCenter;
    struct Registry;
    Observation(std::weak_ptr<Registry> registry, std::uint64_t id) : registry_(std::move(registry)), id_(id) {}
    std::weak_ptr<Registry> registry_;
    std::uint64_t id_ = 0;
  };

  NotificationCenter();
  NotificationCenter(const NotificationCenter&) = delete;
  NotificationCenter& operator=(const NotificationCenter&) = delete;
  ~NotificationCenter();

  // Observes one name. The handler runs on the main queue.
  [[nodiscard]] Observation observe(std::string name, Handler handler);
  void post(std::string name, std::optional<std::int64_t> object = std::nullopt);

 private:
  std::shared_ptr<Observation::Registry> registry_;
};

}  // namespace orvak::platform

// A keychain in memory, so engine tests decide which keys exist without touching the desktop's.
#pragma once

#include <atomic>
#include <cstdlib>
#include <map>
#include <mutex>

#include "platform/keychain.h"
#include "speech/keys.h"

namespace orvak::test {

class MemoryKeychain final : public platform::Keychain {
 public:
  std::optional<std::string> find(const std::string& service, const std::string&) override {
    std::lock_guard lock(mutex_);
    auto it = items_.find(service);
    if (it == items_.end()) return std::nullopt;
    return it->second;
  }
  bool add(const std::string& service, const std::string&, const std::string&, const std::string& secret) override {
    std::lock_guard lock(mutex_);
    items_[service] = secret;
    return true;
  }
  void remove(const std::string& service, const std::string&) override {
    std::lock_guard lock(mutex_);
    if (!keepOnRemove) items_.erase(service);
  }
  // A keyring that refuses removals: every item stays.
  std::atomic<bool> keepOnRemove{false};

 private:
  std::mutex mutex_;
  std::map<std::string, std::string> items_;
};

// Installs an empty memory keychain and clears the key variables; `keys` are then stored in it.
inline std::shared_ptr<MemoryKeychain> useMemoryKeychain(const std::map<std::string, std::string>& keys) {
  for (const char* v : {"INWORLD_API_KEY", "CARTESIA_API_KEY", "ACCOUNT_API_KEY"}) unsetenv(v);
  auto chain = std::make_shared<MemoryKeychain>();
  for (const auto& [name, key] : keys) chain->add("orvak-" + name, "orvak", name, key);
  Keys::useKeychain(chain);
  Keys::forget();
  return chain;
}

}  // namespace orvak::test

// What the service client's tests share: a fake service on loopback that "apiBase" points at, a
// keychain in memory, and waiting (bounded, real time) for a completion on the pumped main queue.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <optional>
#include <string>

#include "app/account/account.h"
#include "core/base/dispatch.h"
#include "platform/defaults.h"
#include "tests/vendor_servers/memory_keychain.h"
#include "tools/fake_service/fake_service.h"

namespace orvak::test {

// Collects one completion and pumps the main queue until it comes.
template <class T>
struct Awaited {
  std::optional<Account::Result<T>> got;
  int calls = 0;
  std::function<void(Account::Result<T>)> done() {
    return [this](Account::Result<T> r) {
      ++calls;
      got.emplace(std::move(r));
    };
  }
  bool wait(double seconds = 5) {
    return dispatch::mainloop::runUntil([this] { return got.has_value(); }, seconds);
  }
};

// The defaults every test of the service reads and writes.
inline platform::Defaults& defaults() { return *platform::Defaults::standard(); }

// Bounds of `timeout` seconds of silence, the rest as every request has them.
inline account::Bounds within(double timeout) { return {.timeout = timeout}; }

// The failure `r` holds, as the log writes it; "ok" for a value.
template <class T>
std::string outcome(const Account::Result<T>& r) {
  return r ? "ok" : account::failureText(r.failure());
}

class ServiceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    defaults().set("apiBase", fake.base());
    keychain = useMemoryKeychain({{"account", "tok-12345678"}});
  }
  void TearDown() override {
    defaults().remove("apiBase");
    Keys::useKeychain(nullptr);
    Keys::forget();
  }
  void signOutKeys() {
    keychain->remove("orvak-account", "orvak");
    Keys::forget();
  }
  // Pumps the main queue for `seconds` so late completions would show.
  static void settle(double seconds = 0.2) {
    dispatch::mainloop::runUntil([] { return false; }, seconds);
  }

  fake::FakeService fake;
  std::shared_ptr<MemoryKeychain> keychain;
  std::shared_ptr<Account> account = Account::make();
};

}  // namespace orvak::test

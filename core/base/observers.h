// The callbacks that hear of an object's changes, each under the token that takes it off again.
#pragma once

#include <cstdint>
#include <functional>
#include <map>

namespace orvak {

// Observers of one kind of change, told in the order they were added. Tokens start at 1 and are
// never reused, so 0 can stand for "not observing".
//
// Not thread-safe: its owners are main-queue objects, and add, remove and notify all run there.
//
// An observer may remove itself or another, or add one, while it is being told: one removed is
// not called after its removal, one added hears from the next `notify` on.
template <typename... Args>
class Observers {
 public:
  using Token = std::uint64_t;
  using Observer = std::function<void(Args...)>;

  Token add(Observer observer) {
    const Token token = next_++;
    observers_.emplace(token, std::move(observer));
    return token;
  }

  void remove(Token token) { observers_.erase(token); }

  void notify(Args... args) {
    if (observers_.empty()) return;
    const Token last = observers_.rbegin()->first;
    // The map may change under each call, so the next one is found again from the token.
    for (auto it = observers_.begin(); it != observers_.end() && it->first <= last;) {
      const Token token = it->first;
      // A copy: the call may remove this observer, and with it the function running.
      const Observer observer = it->second;
      if (observer) observer(args...);
      it = observers_.upper_bound(token);
    }
  }

 private:
  std::map<Token, Observer> observers_;
  Token next_ = 1;
};

}  // namespace orvak

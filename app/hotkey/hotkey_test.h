// The hotkey test as the windows see it: a state to show, a way to start it and to end it, and
// word of every change. `HotkeyTester` is the real one; tests of the windows hand in their own.
// Main thread only.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "core/base/observers.h"

namespace orvak {

class HotkeyTest {
 public:
  struct State {
    enum class Kind {
      idle,
      waiting,   // armed, no double tap yet
      checking,  // double tap seen, verdict pending
      ok,        // nothing else reacted
      clash,     // `names` reacted
    };
    Kind kind = Kind::idle;
    std::vector<std::string> names;  // clash only: sorted, without duplicates
    bool operator==(const State&) const = default;
  };

  virtual ~HotkeyTest() = default;

  virtual const State& state() const = 0;
  bool armed() const { return state().kind == State::Kind::waiting || state().kind == State::Kind::checking; }
  // Starts a test (again): the detector watches, the first press is forgotten, state `waiting`.
  virtual void arm() = 0;
  // Ends a test early; an `ok` or `clash` verdict stays.
  virtual void disarm() = 0;

  // Observers hear of every change of `state` (it already holds the new value). An observer may
  // remove itself.
  std::uint64_t addObserver(std::function<void()> observer) { return observers_.add(std::move(observer)); }
  void removeObserver(std::uint64_t token) { observers_.remove(token); }

 protected:
  void notifyObservers() { observers_.notify(); }

 private:
  Observers<> observers_;
};

}  // namespace orvak

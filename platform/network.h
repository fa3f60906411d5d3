// Whether the network can be reached, and when that changes.
#pragma once

#include <functional>

namespace orvak::platform {

class Network {
 public:
  virtual ~Network() = default;
  // Starts watching: `onChange` runs on the main queue with the new state each time it changes,
  // and once soon after starting with the state then. An unknown state counts as online.
  virtual void start(std::function<void(bool online)> onChange) = 0;
};

}  // namespace orvak::platform

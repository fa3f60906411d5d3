// Reachability from Qt's network information backend (NetworkManager on most desktops).
#pragma once

#include "platform/network.h"

namespace orvak::shell {

class QtNetwork final : public platform::Network {
 public:
  // Without a backend the state stays unknown, which counts as online.
  void start(std::function<void(bool online)> onChange) override;
};

}  // namespace orvak::shell

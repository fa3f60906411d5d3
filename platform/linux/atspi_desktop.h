// The Accessibility interface over AT-SPI2, the accessibility service of Linux desktops: the
// real `ax::System` on Linux. Programs expose their trees on the accessibility bus of the
// session; this backend reads them with plain D-Bus calls (see atspi_bus.h).
//
// Trust: this process may read other programs when the accessibility bus answers and
// accessibility is switched on for the session; asking with the prompt switches it on, since
// programs only expose their windows while it is on (some only when started after that).
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <map>
#include <memory>
#include <string>

#include "platform/ax.h"
#include "platform/linux/atspi_bus.h"

namespace orvak::atspi {

class AtspiDesktop final : public ax::System {
 public:
  AtspiDesktop() : bus_(std::make_shared<AtspiBus>()) {}

  bool isProcessTrusted(bool prompt = false) override;
  ax::Element systemWide() override;
  // The application registered by that process; an element answering invalidUIElement when no
  // application of that process is registered.
  ax::Element application(pid_t pid) override;

  // D-Bus requests made so far (for benchmarks).
  std::uint64_t requestCount() const { return bus_->requestCount(); }
  std::map<std::string, std::uint64_t> requestsByMethod() const { return bus_->requestsByMethod(); }

 private:
  std::shared_ptr<AtspiBus> bus_;
};

}  // namespace orvak::atspi

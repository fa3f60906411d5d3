#include "platform/linux/atspi_desktop.h"

#include "platform/linux/atspi_element.h"

namespace orvak::atspi {

bool AtspiDesktop::isProcessTrusted(bool prompt) {
  if (prompt && bus_->accessibilityEnabled() != true) bus_->enableAccessibility();
  if (bus_->accessibilityEnabled() != true) return false;
  return bus_->client() != nullptr;
}

ax::Element AtspiDesktop::systemWide() { return AtspiElement::systemWide(bus_); }

ax::Element AtspiDesktop::application(pid_t pid) {
  const double timeout = bus_->effectiveTimeout(0);
  for (const auto& app : bus_->applications(timeout)) {
    if (bus_->pidOf(app.bus, timeout) == pid) return AtspiElement::application(bus_, app);
  }
  return AtspiElement::missing(bus_);
}

}  // namespace orvak::atspi

#include "platform/ax.h"

namespace orvak::ax {

std::string_view errorName(Error e) {
  switch (e) {
    case Error::success: return "success";
    case Error::failure: return "failure";
    case Error::illegalArgument: return "illegalArgument";
    case Error::invalidUIElement: return "invalidUIElement";
    case Error::invalidUIElementObserver: return "invalidUIElementObserver";
    case Error::cannotComplete: return "cannotComplete";
    case Error::attributeUnsupported: return "attributeUnsupported";
    case Error::actionUnsupported: return "actionUnsupported";
    case Error::notificationUnsupported: return "notificationUnsupported";
    case Error::notImplemented: return "notImplemented";
    case Error::notificationAlreadyRegistered: return "notificationAlreadyRegistered";
    case Error::notificationNotRegistered: return "notificationNotRegistered";
    case Error::apiDisabled: return "apiDisabled";
    case Error::noValue: return "noValue";
    case Error::parameterizedAttributeUnsupported: return "parameterizedAttributeUnsupported";
    case Error::notEnoughPrecision: return "notEnoughPrecision";
  }
  return "unknown";
}

bool Element::operator==(const Element& other) const {
  if (impl_ == other.impl_) return true;
  if (!impl_ || !other.impl_) return false;
  return impl_->sameElement(*other.impl_);
}

std::size_t Element::hash() const { return impl_ ? impl_->hash() : 0; }

Result<Value> Element::attribute(std::string_view name) const {
  if (!impl_) return Error::illegalArgument;
  return impl_->attribute(name);
}

Result<std::vector<Value>> Element::attributes(std::span<const std::string_view> names) const {
  if (!impl_) return Error::illegalArgument;
  return impl_->attributes(names);
}

Result<Value> Element::parameterizedAttribute(std::string_view name, const Value& parameter) const {
  if (!impl_) return Error::illegalArgument;
  return impl_->parameterizedAttribute(name, parameter);
}

Error Element::setAttribute(std::string_view name, const Value& value) const {
  return impl_ ? impl_->setAttribute(name, value) : Error::illegalArgument;
}

Error Element::performAction(std::string_view action) const {
  return impl_ ? impl_->performAction(action) : Error::illegalArgument;
}

Error Element::setMessagingTimeout(double seconds) const {
  if (!impl_) return Error::illegalArgument;
  if (!(seconds >= 0)) return Error::illegalArgument;  // negative or NaN
  return impl_->setMessagingTimeout(seconds);
}

Result<Element> Element::elementAtPosition(double x, double y) const {
  if (!impl_) return Error::illegalArgument;
  return impl_->elementAtPosition(x, y);
}

Result<pid_t> Element::pid() const {
  if (!impl_) return Error::illegalArgument;
  return impl_->pid();
}

ReadAhead Element::readAhead(const SubtreeRead& read) const { return impl_ ? impl_->readAhead(read) : nullptr; }

}  // namespace orvak::ax

// The Accessibility interface: how Orvak reads other applications' windows.
//
// An `ax::Element` is a shared handle to one element of some application's tree (a window, a
// paragraph, a button) or to an application or to the system as a whole. Handles compare equal
// when they refer to the same element, however they were obtained, and stay usable while held;
// an element that went away answers `Error::invalidUIElement` from then on.
//
// Every request is synchronous, goes to the other application and returns either a value or an
// error code (the codes keep the numbers the desktop service uses, so logs stay comparable).
// A request may take as long as the messaging time-out: the element's own when one was set, else
// the process-wide one set on the system-wide element. Callers therefore make requests on their
// own queues, never on the interface thread.
//
// Attribute names are the service's own ("AXRole", "AXChildren", "AXBoundsForRange" ...).
// Coordinates are global screen points, origin at the top left of the primary screen, y downwards.
// Text ranges count UTF-16 units of the element's text.
//
// Backends implement `ElementImpl` (one object per element) and `System` (trust and the root
// elements); platform/sim holds the simulated desktop.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace orvak::ax {

enum class Error : std::int32_t {
  success = 0,
  failure = -25200,
  illegalArgument = -25201,
  invalidUIElement = -25202,
  invalidUIElementObserver = -25203,
  cannotComplete = -25204,  // also what a request that ran past its time-out gives
  attributeUnsupported = -25205,
  actionUnsupported = -25206,
  notificationUnsupported = -25207,
  notImplemented = -25208,
  notificationAlreadyRegistered = -25209,
  notificationNotRegistered = -25210,
  apiDisabled = -25211,
  noValue = -25212,
  parameterizedAttributeUnsupported = -25213,
  notEnoughPrecision = -25214,
};

// The numeric code, as logs print it.
constexpr std::int32_t code(Error e) { return static_cast<std::int32_t>(e); }
// "invalidUIElement" and so on; "unknown" for codes outside the list.
std::string_view errorName(Error e);

struct Point {
  double x = 0;
  double y = 0;
  bool operator==(const Point&) const = default;
};

struct Size {
  double width = 0;
  double height = 0;
  bool operator==(const Size&) const = default;
};

struct Rect {
  double x = 0;
  double y = 0;
  double width = 0;
  double height = 0;
  bool operator==(const Rect&) const = default;
  bool contains(Point p) const { return p.x >= x && p.y >= y && p.x < x + width && p.y < y + height; }
};

// A text range in UTF-16 units.
struct Range {
  std::int64_t location = 0;
  std::int64_t length = 0;
  bool operator==(const Range&) const = default;
};

// Styled text; only its plain string crosses this layer.
struct AttributedText {
  std::string string;
  bool operator==(const AttributedText&) const = default;
};

struct Url {
  std::string absolute;
  bool operator==(const Url&) const = default;
};

class Element;
using ElementList = std::vector<Element>;
using TextList = std::vector<std::string>;

// One attribute value. An `Error` alternative stands for an attribute that could not be read, in
// the place of its value in a batched read.
class Value;

class ElementImpl;

// Either a value or the error that stood in its way.
template <class T>
struct Result {
  Error error = Error::success;
  T value{};

  Result(T v) : value(std::move(v)) {}  // NOLINT: implicit, for `return value;`
  Result(Error e) : error(e) {}         // NOLINT
  bool ok() const { return error == Error::success; }
  explicit operator bool() const { return ok(); }
};

class Element {
 public:
  Element() = default;  // refers to nothing; every request gives illegalArgument
  explicit Element(std::shared_ptr<const ElementImpl> impl) : impl_(std::move(impl)) {}

  explicit operator bool() const { return impl_ != nullptr; }
  // Same element of the same application (not merely the same handle).
  bool operator==(const Element& other) const;
  std::size_t hash() const;

  Result<Value> attribute(std::string_view name) const;
  // One request for several attributes. The request as a whole can fail (the element is gone,
  // the application did not answer); otherwise each attribute that could not be read holds its
  // error in its own place, and the list has one value per name.
  Result<std::vector<Value>> attributes(std::span<const std::string_view> names) const;
  Result<Value> parameterizedAttribute(std::string_view name, const Value& parameter) const;
  Error setAttribute(std::string_view name, const Value& value) const;
  Error performAction(std::string_view action) const;
  // Bounds every later request to this element; on the system-wide element it sets the default
  // for every element of the process that has none of its own. 0 restores the default.
  Error setMessagingTimeout(double seconds) const;
  // The deepest element under a screen point: of any application when asked of the system-wide
  // element, of that application when asked of an application element.
  Result<Element> elementAtPosition(double x, double y) const;
  Result<pid_t> pid() const;

  const ElementImpl* impl() const { return impl_.get(); }

 private:
  std::shared_ptr<const ElementImpl> impl_;
};

class Value {
 public:
  using Variant = std::variant<std::string, AttributedText, double, bool, Point, Size, Rect, Range, Url, Element,
                               ElementList, TextList, Error>;

  Value() : v_(Error::noValue) {}
  template <class T>
    requires std::is_constructible_v<Variant, T&&> && (!std::is_same_v<std::remove_cvref_t<T>, Value>) &&
             (!std::is_same_v<std::remove_cvref_t<T>, const char*>) && (!std::is_arithmetic_v<std::remove_cvref_t<T>>)
  Value(T&& v) : v_(std::forward<T>(v)) {}  // NOLINT: implicit on purpose, like the variant
  Value(const char* text) : v_(std::string(text)) {}
  Value(bool b) : v_(b) {}
  Value(double n) : v_(n) {}
  Value(std::int64_t n) : v_(static_cast<double>(n)) {}
  Value(int n) : v_(static_cast<double>(n)) {}

  template <class T>
  bool is() const {
    return std::holds_alternative<T>(v_);
  }
  // The alternative T, or null.
  template <class T>
  const T* as() const {
    return std::get_if<T>(&v_);
  }
  const Variant& variant() const { return v_; }
  bool operator==(const Value&) const = default;

 private:
  Variant v_;
};

// What a backend provides for one element. Implementations are immutable handles onto their
// backend's state and must be safe to call from any thread.
class ElementImpl {
 public:
  virtual ~ElementImpl() = default;
  virtual bool sameElement(const ElementImpl& other) const = 0;
  virtual std::size_t hash() const = 0;
  virtual Result<Value> attribute(std::string_view name) const = 0;
  virtual Result<std::vector<Value>> attributes(std::span<const std::string_view> names) const = 0;
  virtual Result<Value> parameterizedAttribute(std::string_view name, const Value& parameter) const = 0;
  virtual Error setAttribute(std::string_view name, const Value& value) const = 0;
  virtual Error performAction(std::string_view action) const = 0;
  virtual Error setMessagingTimeout(double seconds) const = 0;
  virtual Result<Element> elementAtPosition(double x, double y) const = 0;
  virtual Result<pid_t> pid() const = 0;
};

// The service as a whole.
class System {
 public:
  virtual ~System() = default;
  // Whether this process may use the interface; with `prompt`, the desktop also asks the user to
  // grant it (the answer is still the current one).
  virtual bool isProcessTrusted(bool prompt = false) = 0;
  // The element standing for the whole desktop: element at a point, the process-wide time-out.
  virtual Element systemWide() = 0;
  // The root element of an application's tree (its windows, focused window, focused element).
  virtual Element application(pid_t pid) = 0;
  // Whether the tree holds this program's own windows too; a simulated desktop holds only the
  // scenes it was given.
  virtual bool holdsOwnWindows() const { return true; }
};

}  // namespace orvak::ax

template <>
struct std::hash<orvak::ax::Element> {
  std::size_t operator()(const orvak::ax::Element& e) const noexcept { return e.hash(); }
};

// One element of the AT-SPI backend: an accessible object of some program (named by its bus name
// and object path), a run of a text object's own text between its embedded children, an
// application, the desktop as a whole, or nothing (a process that exposes no tree).
#pragma once

#include <sys/types.h>

#include <atomic>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/ax.h"
#include "platform/linux/atspi_bus.h"
#include "platform/linux/atspi_roles.h"
#include "platform/linux/dbus_client.h"

namespace orvak::atspi {

// Extents are asked in screen coordinates. Enum arguments go on the wire as plain numbers that
// nothing checks: take them from at-spi2-core's names.
inline constexpr std::uint32_t kScreenCoords = ATSPI_COORD_TYPE_SCREEN;

class AtspiElement final : public ax::ElementImpl {
 public:
  enum class Kind { object, textRun, application, systemWide, missing };

  static ax::Element object(std::shared_ptr<AtspiBus> bus, dbus::ObjectRef ref);
  // An object right below an application: a window, whatever its role says.
  static ax::Element window(std::shared_ptr<AtspiBus> bus, dbus::ObjectRef ref);
  static ax::Element application(std::shared_ptr<AtspiBus> bus, dbus::ObjectRef root);
  static ax::Element systemWide(std::shared_ptr<AtspiBus> bus);
  static ax::Element missing(std::shared_ptr<AtspiBus> bus);
  // Code points [start, end) of the text of `parent`, holding `text`.
  static ax::Element textRun(std::shared_ptr<AtspiBus> bus, dbus::ObjectRef parent, std::int64_t start,
                             std::int64_t end, std::string text);

  AtspiElement(std::shared_ptr<AtspiBus> bus, Kind kind, dbus::ObjectRef ref);

  bool sameElement(const ax::ElementImpl& other) const override;
  std::size_t hash() const override;
  ax::Result<ax::Value> attribute(std::string_view name) const override;
  ax::Result<std::vector<ax::Value>> attributes(std::span<const std::string_view> names) const override;
  ax::Result<ax::Value> parameterizedAttribute(std::string_view name, const ax::Value& parameter) const override;
  ax::Error setAttribute(std::string_view name, const ax::Value& value) const override;
  ax::Error performAction(std::string_view action) const override;
  ax::Error setMessagingTimeout(double seconds) const override;
  ax::Result<ax::Element> elementAtPosition(double x, double y) const override;
  ax::Result<pid_t> pid() const override;
  // Fetches the subtree below this object breadth-first, many requests in flight across
  // elements (platform/linux/atspi_read_ahead.cpp).
  ax::ReadAhead readAhead(const ax::SubtreeRead& read) const override;

  Kind kind() const { return kind_; }
  const dbus::ObjectRef& ref() const { return ref_; }

  // What is known of an object once asked: its role number, object attributes, states and
  // interfaces. Role and interfaces never change; states and attributes are re-read when asked
  // for the role again after a moment.
  struct Facts {
    std::uint32_t role = 0;
    std::map<std::string, std::string> attributes;
    std::uint64_t states = 0;
    bool statesRead = false;  // false when the program did not answer
    // The states `states` tells: all, but VISIBLE alone of an element a document's collection
    // queries described (see atspi_read_ahead.cpp).
    std::uint64_t statesKnown = ~std::uint64_t{0};
    std::vector<std::string> interfaces;
    bool has(std::string_view interface) const;
  };

 private:
  friend class ReadAheadRun;
  struct Prefetched;
  // What a read ahead fetched for this element, answering the walk's requests while its lease is
  // held: the facts and the replies each request would have had.
  struct Fetched {
    std::weak_ptr<const void> lease;
    std::optional<ax::Error> failed;  // every request fails so (the element is gone)
    Facts facts;                      // interfaces: Text when its text was read, Document when asked
    dbus::Reply extents, name, description;
    std::optional<dbus::Reply> document, selection, caret;
    // None when not fetched: below a hidden element nothing is.
    std::optional<ax::Result<ax::ElementList>> children;
    std::optional<std::string> text;  // the text, when the element has Text
    bool textRead = false;
    // The walk leaves a hidden element out whatever else it says: of one outside a document only
    // the states were read, and the rest answers as absent.
    bool hidden = false;
    bool covers(std::span<const std::string_view> names) const;
  };
  struct Answers;
  // The fetched answers while their lease is held.
  std::shared_ptr<const Fetched> fetched() const;
  void setFetched(std::shared_ptr<const Fetched> fetched) const;
  // The answers to `names` from the element's facts and the replies asked for them.
  ax::Result<std::vector<ax::Value>> assemble(std::span<const std::string_view> names, const Facts& facts,
                                              Answers& answers) const;
  ax::Result<std::vector<ax::Value>> fetchedAttributes(std::span<const std::string_view> names,
                                                       const Fetched& fetched) const;
  double timeout() const;
  // Sends what a walk will ask of this element (see Prefetched).
  void prefetch() const;
  std::shared_ptr<Prefetched> takePrefetched() const;
  dbus::Call call(const char* interface, const char* method, std::vector<dbus::Arg> args = {}) const;
  dbus::Call property(const char* interface, const char* name) const;
  ax::Result<Facts> facts(bool reuse, Prefetched* prefetched = nullptr) const;
  ax::Result<std::string> text() const;
  // The children in `list`, cut into text runs where the text (`text`, else asked for) holds one
  // replacement character per child; with `prefetch`, what a walk asks of them is sent at once.
  ax::Result<ax::ElementList> children(const Facts& facts, const dbus::Reply& list,
                                       const std::optional<std::string>* text = nullptr, bool prefetch = true) const;
  ax::Result<ax::ElementList> windows() const;
  ax::Result<ax::Value> windowWith(bool frameOnly) const;
  ax::Result<std::vector<ax::Value>> objectAttributes(std::span<const std::string_view> names) const;
  ax::Result<ax::Value> runAttribute(std::string_view name) const;
  ax::Result<ax::Value> textQuery(std::string_view name, const ax::Value& parameter) const;
  ax::Result<ax::Element> deepestAt(const dbus::ObjectRef& start, double x, double y) const;
  bool hidden(States states) const;
  // Whether the program gives every run of an object's text as a child of its own (Chromium):
  // there the text is never cut into runs, and is not needed to take the children.
  bool givesRunsAsChildren() const;

  std::shared_ptr<AtspiBus> bus_;
  Kind kind_;
  dbus::ObjectRef ref_;
  bool topLevel_ = false;
  // Below a document (a web page), where elements scrolled out of view are not SHOWING.
  bool inDocument_ = false;
  std::int64_t runStart_ = 0;
  std::int64_t runEnd_ = 0;
  std::string runText_;
  mutable std::atomic<double> timeout_{0};
  mutable std::mutex mutex_;
  mutable std::optional<Facts> facts_;
  mutable std::shared_ptr<Prefetched> prefetched_;
  mutable std::shared_ptr<const Fetched> fetched_;
  mutable std::uint64_t factsAt_ = 0;
  mutable std::optional<std::string> text_;
  mutable std::uint64_t textAt_ = 0;
};

}  // namespace orvak::atspi

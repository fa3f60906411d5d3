#include "platform/linux/atspi_element.h"

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>

#include "core/base/dispatch.h"
#include "core/text/code_points.h"
#include "core/text/text.h"
#include "platform/linux/atspi_roles.h"
#include "platform/linux/atspi_text_runs.h"

namespace orvak::atspi {

namespace {

// Enum arguments go on the wire as plain numbers that nothing checks (a wrong scroll type is
// answered "true" and moves nothing): take them from at-spi2-core's names.
constexpr std::uint32_t kLineGranularity = ATSPI_TEXT_GRANULARITY_LINE;
constexpr std::uint32_t kLineStartBoundary = ATSPI_TEXT_BOUNDARY_LINE_START;
// Scrolled just far enough to be seen, as the reader's band needs.
constexpr std::uint32_t kScrollAnywhere = ATSPI_SCROLL_ANYWHERE;
// Facts and text read by one request are reused by the requests that follow it at once (a
// walk reads an element's batch and then its value): no longer than this.
constexpr std::uint64_t kReuseNs = 250'000'000;
// Bounds on what another program can make us do.
constexpr int kMaxPointDepth = 64;
constexpr int kMaxLines = 100'000;
constexpr std::size_t kMaxWindows = 256;

bool fresh(std::uint64_t at) { return at != 0 && dispatch::monotonicNanos() - at < kReuseNs; }

std::optional<ax::Rect> rectOf(const dbus::List* l) {
  if (!l || l->size() != 4) return std::nullopt;
  std::array<double, 4> n{};
  for (std::size_t i = 0; i < 4; ++i) {
    const auto x = (*l)[i].integer();
    if (!x) return std::nullopt;
    n[i] = static_cast<double>(*x);
  }
  return ax::Rect{n[0], n[1], n[2], n[3]};
}

// A rectangle sent as one (iiii) struct.
std::optional<ax::Rect> rectOf(const dbus::Value& v) { return rectOf(v.list()); }
// A rectangle sent as four integers of their own (the text queries).
std::optional<ax::Rect> rectOf(const dbus::Reply& r) { return rectOf(&r.values); }

bool isNull(const dbus::ObjectRef& o) { return o.path.empty() || o.path == kNullPath || o.bus.empty(); }

// The whole request fails when the element is gone or its program did not answer in time.
bool fatal(ax::Error e) { return e == ax::Error::invalidUIElement || e == ax::Error::cannotComplete; }

std::vector<std::string> splitWords(const std::string& s) {
  std::vector<std::string> out;
  std::size_t i = 0;
  while (i < s.size()) {
    while (i < s.size() && std::isspace(static_cast<unsigned char>(s[i]))) ++i;
    std::size_t j = i;
    while (j < s.size() && !std::isspace(static_cast<unsigned char>(s[j]))) ++j;
    if (j > i) out.push_back(s.substr(i, j - i));
    i = j;
  }
  return out;
}


}  // namespace

// One reply, waited for when first needed.
struct Slot {
  std::optional<dbus::PendingReply> pending;
  std::optional<dbus::Reply> reply;
  bool sent() const { return pending.has_value() || reply.has_value(); }
  const dbus::Reply* get() {
    if (!reply && pending) reply = pending->wait();
    return reply ? &*reply : nullptr;
  }
};

bool AtspiElement::Facts::has(std::string_view interface) const {
  return std::find(interfaces.begin(), interfaces.end(), interface) != interfaces.end();
}

AtspiElement::AtspiElement(std::shared_ptr<AtspiBus> bus, Kind kind, dbus::ObjectRef ref)
    : bus_(std::move(bus)), kind_(kind), ref_(std::move(ref)) {}

ax::Element AtspiElement::object(std::shared_ptr<AtspiBus> bus, dbus::ObjectRef ref) {
  if (ref.path == kRootPath) return application(std::move(bus), std::move(ref));
  return ax::Element(std::make_shared<AtspiElement>(std::move(bus), Kind::object, std::move(ref)));
}

ax::Element AtspiElement::window(std::shared_ptr<AtspiBus> bus, dbus::ObjectRef ref) {
  auto e = std::make_shared<AtspiElement>(std::move(bus), Kind::object, std::move(ref));
  e->topLevel_ = true;
  return ax::Element(std::move(e));
}

ax::Element AtspiElement::application(std::shared_ptr<AtspiBus> bus, dbus::ObjectRef root) {
  return ax::Element(std::make_shared<AtspiElement>(std::move(bus), Kind::application, std::move(root)));
}

ax::Element AtspiElement::systemWide(std::shared_ptr<AtspiBus> bus) {
  return ax::Element(std::make_shared<AtspiElement>(std::move(bus), Kind::systemWide, dbus::ObjectRef{}));
}

ax::Element AtspiElement::missing(std::shared_ptr<AtspiBus> bus) {
  return ax::Element(std::make_shared<AtspiElement>(std::move(bus), Kind::missing, dbus::ObjectRef{}));
}

ax::Element AtspiElement::textRun(std::shared_ptr<AtspiBus> bus, dbus::ObjectRef parent, std::int64_t start,
                                  std::int64_t end, std::string text) {
  auto e = std::make_shared<AtspiElement>(std::move(bus), Kind::textRun, std::move(parent));
  e->runStart_ = start;
  e->runEnd_ = end;
  e->runText_ = std::move(text);
  return ax::Element(std::move(e));
}

bool AtspiElement::sameElement(const ax::ElementImpl& other) const {
  const auto* o = dynamic_cast<const AtspiElement*>(&other);
  if (!o || o->kind_ != kind_ || o->bus_ != bus_) return false;
  if (kind_ == Kind::missing) return this == o;
  return o->ref_ == ref_ && o->runStart_ == runStart_ && o->runEnd_ == runEnd_;
}

std::size_t AtspiElement::hash() const {
  const std::size_t h = std::hash<std::string>{}(ref_.bus) * 31 + std::hash<std::string>{}(ref_.path);
  return h ^ (static_cast<std::size_t>(runStart_) * 1000003U) ^ static_cast<std::size_t>(kind_);
}

double AtspiElement::timeout() const { return bus_->effectiveTimeout(timeout_.load()); }

dbus::Call AtspiElement::call(const char* interface, const char* method, std::vector<dbus::Arg> args) const {
  return {ref_.bus, ref_.path, interface, method, std::move(args), std::nullopt};
}

dbus::Call AtspiElement::property(const char* interface, const char* name) const {
  return call(kProperties, "Get", {std::string(interface), std::string(name)});
}

ax::Error AtspiElement::setMessagingTimeout(double seconds) const {
  if (kind_ == Kind::systemWide) {
    bus_->setDefaultTimeout(seconds);
  } else {
    timeout_.store(seconds > 0 ? seconds : 0);
  }
  return ax::Error::success;
}

ax::Result<pid_t> AtspiElement::pid() const {
  if (kind_ == Kind::missing) return ax::Error::invalidUIElement;
  if (kind_ == Kind::systemWide) return ::getpid();
  if (const auto p = bus_->pidOf(ref_.bus, timeout())) return *p;
  return ax::Error::invalidUIElement;
}

// ---- Facts and text ----------------------------------------------------------------------------

// Requests sent for an element ahead of its own: what a walk asks of every element, sent for all
// of an element's children as soon as they are known, so that the browser works through them
// while the walk is busy elsewhere instead of waiting for one round trip after another.
struct AtspiElement::Prefetched {
  Slot role, attributes, interfaces, states, children, extents, name, description;
  std::uint64_t at = 0;
};

namespace {
// Children beyond this many are read when their turn comes (a walk visits only the first rows of
// a table), and replies older than this are asked again.
constexpr std::size_t kMaxPrefetched = 256;
constexpr std::uint64_t kPrefetchNs = 2'000'000'000;
}  // namespace

void AtspiElement::prefetch() const {
  auto p = std::make_shared<Prefetched>();
  const double t = timeout();
  p->role.pending = bus_->send(call(kAccessible, "GetRole"), t);
  p->attributes.pending = bus_->send(call(kAccessible, "GetAttributes"), t);
  p->interfaces.pending = bus_->send(call(kAccessible, "GetInterfaces"), t);
  p->states.pending = bus_->send(call(kAccessible, "GetState"), t);
  p->children.pending = bus_->send(call(kAccessible, "GetChildren"), t);
  p->extents.pending = bus_->send(call(kComponent, "GetExtents", {kScreenCoords}), t);
  p->name.pending = bus_->send(property(kAccessible, "Name"), t);
  p->description.pending = bus_->send(property(kAccessible, "Description"), t);
  p->at = dispatch::monotonicNanos();
  std::lock_guard lock(mutex_);
  prefetched_ = std::move(p);
}

std::shared_ptr<AtspiElement::Prefetched> AtspiElement::takePrefetched() const {
  std::lock_guard lock(mutex_);
  auto p = std::move(prefetched_);
  if (p && dispatch::monotonicNanos() - p->at > kPrefetchNs) p.reset();
  return p;
}

ax::Result<AtspiElement::Facts> AtspiElement::facts(bool reuse, Prefetched* pre) const {
  if (const auto ahead = fetched()) {
    if (ahead->failed) return *ahead->failed;
    return ahead->facts;
  }
  std::optional<std::vector<std::string>> knownInterfaces;
  {
    std::lock_guard lock(mutex_);
    if (facts_ && reuse && fresh(factsAt_)) return *facts_;
    if (facts_) knownInterfaces = facts_->interfaces;
  }
  const double t = timeout();
  Slot role, attributes, interfaces, states;
  if (pre && pre->role.sent()) {
    role = std::move(pre->role);
    attributes = std::move(pre->attributes);
    interfaces = std::move(pre->interfaces);
    states = std::move(pre->states);
  } else {
    role.pending = bus_->send(call(kAccessible, "GetRole"), t);
    attributes.pending = bus_->send(call(kAccessible, "GetAttributes"), t);
    if (!knownInterfaces) interfaces.pending = bus_->send(call(kAccessible, "GetInterfaces"), t);
    states.pending = bus_->send(call(kAccessible, "GetState"), t);
  }

  Facts f;
  const dbus::Reply* roleReply = role.get();
  if (!roleReply) return ax::Error::failure;
  if (const auto e = errorOf(*roleReply); e != ax::Error::success) return fatal(e) ? e : ax::Error::failure;
  f.role = static_cast<std::uint32_t>(roleReply->first().integer().value_or(0));
  if (const auto* a = attributes.get()) {
    if (const auto* m = a->first().map()) f.attributes = *m;
  }
  if (const auto* reply = interfaces.get()) {
    if (const auto* l = reply->first().list()) {
      for (const auto& v : *l) {
        if (const auto* s = v.text()) f.interfaces.push_back(*s);
      }
    }
  } else if (knownInterfaces) {
    f.interfaces = std::move(*knownInterfaces);
  }
  if (const auto* reply = states.get()) {
    if (const auto e = errorOf(*reply); fatal(e)) return e;
    if (reply->ok()) {
      f.states = stateBits(reply->first());
      f.statesRead = true;
    }
  }
  std::lock_guard lock(mutex_);
  facts_ = f;
  factsAt_ = dispatch::monotonicNanos();
  return f;
}

ax::Result<std::string> AtspiElement::text() const {
  if (kind_ == Kind::textRun) return runText_;
  if (const auto ahead = fetched(); ahead && ahead->textRead && ahead->text) return *ahead->text;
  {
    std::lock_guard lock(mutex_);
    if (text_ && fresh(textAt_)) return *text_;
  }
  const auto reply = bus_->call(call(kText, "GetText", {std::int32_t{0}, std::int32_t{-1}}), timeout());
  if (const auto e = errorOf(reply); e != ax::Error::success) return e;
  const auto* s = reply.first().text();
  if (!s) return ax::Error::failure;
  std::string repaired = text::repairUtf8(*s);
  std::lock_guard lock(mutex_);
  text_ = repaired;
  textAt_ = dispatch::monotonicNanos();
  return repaired;
}

// ---- Children and windows ----------------------------------------------------------------------

ax::Result<ax::ElementList> AtspiElement::children(const Facts& f, const dbus::Reply& reply,
                                                   const std::optional<std::string>* knownText, bool prefetch) const {
  if (const auto e = errorOf(reply); e != ax::Error::success) return e;
  std::vector<dbus::ObjectRef> refs;
  if (const auto* l = reply.first().list()) {
    for (const auto& v : *l) {
      if (const auto* o = v.object(); o && !isNull(*o)) refs.push_back(*o);
    }
  }
  ax::ElementList out;
  const bool password = f.role == static_cast<std::uint32_t>(Role::passwordText);
  const auto role = static_cast<Role>(f.role);
  const bool inDocument =
      inDocument_ || role == Role::documentWeb || role == Role::documentFrame || role == Role::documentEmail;
  if (!refs.empty() && !password && f.has(kText) && !givesRunsAsChildren()) {
    auto t = knownText ? (*knownText ? ax::Result<std::string>(**knownText) : ax::Result<std::string>(ax::Error::noValue))
                       : text();
    if (t.ok()) {
      const auto pieces = splitTextRuns(t.value, static_cast<std::int64_t>(refs.size()));
      if (!pieces.empty()) {
        for (const auto& p : pieces) {
          if (p.isRun) {
            out.push_back(textRun(bus_, ref_, p.start, p.end, p.text));
            continue;
          }
          auto child = std::make_shared<AtspiElement>(bus_, Kind::object, refs[static_cast<std::size_t>(p.child)]);
          child->inDocument_ = inDocument;
          out.emplace_back(std::move(child));
        }
        return out;
      }
    }
  }
  for (std::size_t i = 0; i < refs.size(); ++i) {
    if (refs[i].path == kRootPath) {
      out.push_back(application(bus_, std::move(refs[i])));
      continue;
    }
    auto child = std::make_shared<AtspiElement>(bus_, Kind::object, std::move(refs[i]));
    child->inDocument_ = inDocument;
    if (prefetch && i < kMaxPrefetched) child->prefetch();
    out.emplace_back(std::move(child));
  }
  return out;
}

ax::Result<ax::ElementList> AtspiElement::windows() const {
  const auto reply = bus_->call(call(kAccessible, "GetChildren"), timeout());
  if (const auto e = errorOf(reply); e != ax::Error::success) return e;
  ax::ElementList out;
  if (const auto* l = reply.first().list()) {
    for (const auto& v : *l) {
      if (const auto* o = v.object(); o && !isNull(*o) && out.size() < kMaxWindows) out.push_back(window(bus_, *o));
    }
  }
  return out;
}

// The active window of an application (any window, or a frame only).
ax::Result<ax::Value> AtspiElement::windowWith(bool frameOnly) const {
  auto list = windows();
  if (!list) return list.error;
  const double t = timeout();
  std::vector<std::pair<dbus::PendingReply, dbus::PendingReply>> asked;
  for (const auto& w : list.value) {
    const auto* impl = static_cast<const AtspiElement*>(w.impl());
    asked.emplace_back(bus_->send(impl->call(kAccessible, "GetState"), t),
                       bus_->send(impl->call(kAccessible, "GetRole"), t));
  }
  std::optional<ax::Element> found;
  for (std::size_t i = 0; i < asked.size(); ++i) {
    const auto state = asked[i].first.wait();
    const auto role = asked[i].second.wait();
    if (found || !state.ok()) continue;
    const std::uint64_t bits = stateBits(state.first());
    const auto r = static_cast<Role>(role.first().integer().value_or(0));
    if (!States{bits}.has(State::active)) continue;
    if (frameOnly && r != Role::frame && r != Role::window) continue;
    found = list.value[i];
  }
  if (!found) return ax::Error::noValue;
  return ax::Value(*found);
}

// ---- Attributes --------------------------------------------------------------------------------

ax::Result<ax::Value> AtspiElement::attribute(std::string_view name) const {
  const std::string_view names[] = {name};
  auto r = attributes(names);
  if (!r) return r.error;
  const ax::Value& v = r.value.front();
  if (const auto* e = v.as<ax::Error>()) return *e;
  return v;
}

ax::Result<std::vector<ax::Value>> AtspiElement::attributes(std::span<const std::string_view> names) const {
  switch (kind_) {
    case Kind::missing: return ax::Error::invalidUIElement;
    case Kind::object: return objectAttributes(names);
    case Kind::textRun: {
      std::vector<ax::Value> out;
      for (auto n : names) {
        auto r = runAttribute(n);
        if (!r && fatal(r.error)) return r.error;
        out.push_back(r ? r.value : ax::Value(r.error));
      }
      return out;
    }
    case Kind::application: {
      std::vector<ax::Value> out;
      for (auto n : names) {
        ax::Result<ax::Value> r = ax::Error::noValue;
        if (n == "AXRole") {
          r = ax::Value("AXApplication");
        } else if (n == "AXWindows" || n == "AXChildren") {
          auto w = windows();
          r = w ? ax::Result<ax::Value>(ax::Value(std::move(w.value))) : ax::Result<ax::Value>(w.error);
        } else if (n == "AXFocusedWindow") {
          r = windowWith(false);
        } else if (n == "AXMainWindow") {
          r = windowWith(true);
        } else if (n == "AXTitle") {
          const auto reply = bus_->call(property(kAccessible, "Name"), timeout());
          if (const auto e = errorOf(reply); e != ax::Error::success) {
            r = e;
          } else if (const auto* s = reply.first().text(); s && !s->empty()) {
            r = ax::Value(text::repairUtf8(*s));
          }
        }
        if (!r && fatal(r.error)) return r.error;
        out.push_back(r ? r.value : ax::Value(r.error));
      }
      return out;
    }
    case Kind::systemWide: {
      std::vector<ax::Value> out;
      for (auto n : names) {
        if (n == "AXRole") {
          out.emplace_back("AXSystemWide");
        } else if (n == "AXFocusedApplication") {
          ax::Value found = ax::Error::noValue;
          for (const auto& app : bus_->applications(timeout())) {
            const auto e = application(bus_, app);
            if (auto w = static_cast<const AtspiElement*>(e.impl())->windowWith(false); w.ok()) {
              found = e;
              break;
            }
          }
          out.push_back(found);
        } else {
          out.emplace_back(ax::Error::noValue);
        }
      }
      return out;
    }
  }
  return ax::Error::failure;
}

namespace {

bool wantsAny(std::span<const std::string_view> names, std::initializer_list<std::string_view> any) {
  return std::any_of(names.begin(), names.end(),
                     [&](std::string_view n) { return std::find(any.begin(), any.end(), n) != any.end(); });
}

}  // namespace

// The replies an answer is made of, asked for now or fetched ahead.
struct AtspiElement::Answers {
  Slot extents, name, description, parent, selection, caret, document, value;
  std::optional<ax::Result<ax::ElementList>> kids;
  std::optional<ax::Result<std::string>> content;
};

std::shared_ptr<const AtspiElement::Fetched> AtspiElement::fetched() const {
  std::lock_guard lock(mutex_);
  if (fetched_ && fetched_->lease.expired()) fetched_.reset();
  return fetched_;
}

void AtspiElement::setFetched(std::shared_ptr<const Fetched> fetched) const {
  std::lock_guard lock(mutex_);
  fetched_ = std::move(fetched);
}

bool AtspiElement::Fetched::covers(std::span<const std::string_view> names) const {
  if (failed) return true;
  return std::all_of(names.begin(), names.end(), [&](std::string_view n) {
    if (n == "AXParent" || n == "AXFocused" || n == "AXElementBusy") return false;
    if (n == "AXChildren") return children.has_value() || hidden;
    if (n == "AXValue" || n == "AXNumberOfCharacters") return textRead || hidden;
    if (n == "AXSelectedTextRange" || n == "AXSelectedText") return (textRead && (!text || selection)) || hidden;
    if (n == "AXURL") return !facts.has(kDocument) || document.has_value();
    return true;
  });
}

ax::Result<std::vector<ax::Value>> AtspiElement::fetchedAttributes(std::span<const std::string_view> names,
                                                                   const Fetched& ahead) const {
  if (ahead.failed) return *ahead.failed;
  Answers a;
  a.extents.reply = ahead.extents;
  a.name.reply = ahead.name;
  a.description.reply = ahead.description;
  if (ahead.document) a.document.reply = *ahead.document;
  if (ahead.selection) a.selection.reply = *ahead.selection;
  if (ahead.caret) a.caret.reply = *ahead.caret;
  a.kids = ahead.children;
  if (ahead.text && wantsAny(names, {"AXValue", "AXNumberOfCharacters", "AXSelectedTextRange", "AXSelectedText"})) {
    a.content = *ahead.text;
  }
  return assemble(names, ahead.facts, a);
}

ax::Result<std::vector<ax::Value>> AtspiElement::objectAttributes(std::span<const std::string_view> names) const {
  if (const auto ahead = fetched(); ahead && ahead->covers(names)) return fetchedAttributes(names, *ahead);
  const auto wants = [&](std::initializer_list<std::string_view> any) { return wantsAny(names, any); };
  const double t = timeout();
  // Everything that needs no other answer first goes out at once, then the facts.
  Answers a;
  Slot childList;
  Slot& extents = a.extents;
  Slot& name = a.name;
  Slot& description = a.description;
  Slot& parent = a.parent;
  const auto pre = takePrefetched();
  if (pre) {
    childList = std::move(pre->children);
    extents = std::move(pre->extents);
    name = std::move(pre->name);
    description = std::move(pre->description);
  }
  if (wants({"AXChildren"}) && !childList.sent()) childList.pending = bus_->send(call(kAccessible, "GetChildren"), t);
  if (wants({"AXPosition", "AXSize"}) && !extents.sent()) {
    extents.pending = bus_->send(call(kComponent, "GetExtents", {kScreenCoords}), t);
  }
  if (wants({"AXTitle"}) && !name.sent()) name.pending = bus_->send(property(kAccessible, "Name"), t);
  if (wants({"AXDescription"}) && !description.sent()) {
    description.pending = bus_->send(property(kAccessible, "Description"), t);
  }
  if (wants({"AXParent"})) parent.pending = bus_->send(property(kAccessible, "Parent"), t);
  auto f = facts(!pre, pre.get());
  if (!f) return f.error;
  const bool password = f.value.role == static_cast<std::uint32_t>(Role::passwordText);
  const bool hasText = f.value.has(kText) && !password;

  // Text-dependent answers.
  Slot& selection = a.selection;
  Slot& caret = a.caret;
  Slot& document = a.document;
  Slot& value = a.value;
  if (hasText && wants({"AXSelectedTextRange", "AXSelectedText"})) {
    selection.pending = bus_->send(call(kText, "GetSelection", {std::int32_t{0}}), t);
    caret.pending = bus_->send(property(kText, "CaretOffset"), t);
  }
  if (f.value.has(kDocument) && wants({"AXURL"})) document.pending = bus_->send(call(kDocument, "GetAttributes"), t);
  if (!hasText && !password && f.value.has(kValueInterface) && wants({"AXValue"})) {
    value.pending = bus_->send(property(kValueInterface, "CurrentValue"), t);
  }
  if (const dbus::Reply* list = childList.get()) a.kids = children(f.value, *list);
  if (hasText && wants({"AXValue", "AXNumberOfCharacters", "AXSelectedTextRange", "AXSelectedText"})) {
    a.content = text();
  }
  return assemble(names, f.value, a);
}

ax::Result<std::vector<ax::Value>> AtspiElement::assemble(std::span<const std::string_view> names, const Facts& facts,
                                                          Answers& a) const {
  MappedRole mapped = mapRole(facts.role, facts.attributes, States{facts.states});
  // Whatever a toolkit calls the objects right below an application, they are its windows.
  if (topLevel_ && mapped.role != "AXWindow") mapped = {"AXWindow", "AXStandardWindow"};
  const double t = timeout();
  const std::optional<ax::Result<ax::ElementList>>& kids = a.kids;
  const std::optional<ax::Result<std::string>>& content = a.content;
  Slot& extents = a.extents;
  Slot& name = a.name;
  Slot& description = a.description;
  Slot& parent = a.parent;
  Slot& selection = a.selection;
  Slot& caret = a.caret;
  Slot& document = a.document;
  Slot& value = a.value;

  // A reply as a value: the failure when it failed, else `make` of its first argument.
  const auto answer = [](Slot& slot, auto make) -> ax::Value {
    const dbus::Reply* r = slot.get();
    if (!r) return ax::Error::noValue;
    if (const auto e = errorOf(*r); e != ax::Error::success) {
      // The object exists (its facts were read): a program that calls a missing interface an
      // unknown object only means the attribute is not there.
      if (e == ax::Error::attributeUnsupported || e == ax::Error::invalidUIElement) return ax::Error::noValue;
      return e;
    }
    return make(r->first());
  };

  std::vector<ax::Value> out;
  out.reserve(names.size());
  for (auto n : names) {
    ax::Value v = ax::Error::noValue;
    if (n == "AXRole") {
      v = mapped.role;
    } else if (n == "AXSubrole") {
      if (mapped.subrole) v = *mapped.subrole;
    } else if (n == "AXRoleDescription") {
      v = mapped.role;
    } else if (n == "AXChildren") {
      v = kids && kids->ok() ? ax::Value(kids->value) : ax::Value(kids ? kids->error : ax::Error::noValue);
    } else if (n == "AXPosition" || n == "AXSize") {
      const bool position = n == "AXPosition";
      v = answer(extents, [&](const dbus::Value& x) -> ax::Value {
        const auto rect = rectOf(x);
        if (!rect) return ax::Error::noValue;
        if (position) return ax::Point{rect->x, rect->y};
        return ax::Size{rect->width, rect->height};
      });
    } else if (n == "AXTitle") {
      // A text run's name repeats its text, which the walk reads as its value.
      if (facts.role != static_cast<std::uint32_t>(Role::staticText)) {
        v = answer(name, [](const dbus::Value& x) -> ax::Value {
          const auto* s = x.text();
          if (!s || s->empty()) return ax::Error::noValue;
          return text::repairUtf8(*s);
        });
      }
    } else if (n == "AXDescription") {
      v = answer(description, [](const dbus::Value& x) -> ax::Value {
        const auto* s = x.text();
        if (!s || s->empty()) return ax::Error::noValue;
        return text::repairUtf8(*s);
      });
    } else if (n == "AXParent") {
      v = answer(parent, [&](const dbus::Value& x) -> ax::Value {
        const auto* o = x.object();
        if (!o || isNull(*o) || o->bus == kRegistry) return ax::Error::noValue;
        return object(bus_, *o);
      });
    } else if (n == "AXValue") {
      if (content) {
        v = content->ok() ? ax::Value(withoutEmbeddedObjects(content->value)) : ax::Value(content->error);
      } else if (value.sent()) {
        v = answer(value, [](const dbus::Value& x) -> ax::Value {
          const auto d = x.number();
          return d && std::isfinite(*d) ? ax::Value(*d) : ax::Value(ax::Error::noValue);
        });
      }
    } else if (n == "AXNumberOfCharacters") {
      if (content) {
        v = content->ok() ? ax::Value(static_cast<double>(text::CodePointMap(content->value).utf16Length()))
                          : ax::Value(content->error);
      }
    } else if (n == "AXSelectedTextRange" || n == "AXSelectedText") {
      if (content && content->ok()) {
        const text::CodePointMap map(content->value);
        std::optional<std::pair<std::int64_t, std::int64_t>> sel;
        if (const auto* r = selection.get(); r && r->ok() && r->values.size() >= 2) {
          const auto s = r->values[0].integer();
          const auto e = r->values[1].integer();
          if (s && e && *e > *s && *s >= 0) sel = std::pair{*s, *e};
        }
        if (n == "AXSelectedText") {
          if (sel) {
            const auto u16 = text::toUtf16(content->value);
            v = withoutEmbeddedObjects(text::toUtf8(u16, static_cast<std::int32_t>(map.utf16Of(sel->first)),
                                                    static_cast<std::int32_t>(map.utf16Of(sel->second))));
          }
        } else if (sel) {
          const auto start = map.utf16Of(sel->first);
          v = ax::Range{start, map.utf16Of(sel->second) - start};
        } else if (const auto* c = caret.get(); c && c->ok()) {
          if (const auto at = c->first().integer(); at && *at >= 0) v = ax::Range{map.utf16Of(*at), 0};
        }
      } else if (content) {
        v = content->error;
      }
    } else if (n == "AXURL") {
      v = answer(document, [](const dbus::Value& x) -> ax::Value {
        const auto* m = x.map();
        if (!m) return ax::Error::noValue;
        for (const char* key : {"URI", "DocURL"}) {
          if (const auto it = m->find(key); it != m->end() && !it->second.empty()) {
            return ax::Url{text::repairUtf8(it->second)};
          }
        }
        return ax::Error::noValue;
      });
    } else if (n == "AXDOMClassList") {
      if (const auto it = facts.attributes.find("class"); it != facts.attributes.end()) {
        v = ax::TextList(splitWords(text::repairUtf8(it->second)));
      }
    } else if (n == "AXDOMIdentifier") {
      if (const auto it = facts.attributes.find("id"); it != facts.attributes.end() && !it->second.empty()) {
        v = text::repairUtf8(it->second);
      }
    } else if (n == "AXHidden") {
      if (facts.statesRead) v = hidden(States{facts.states});
    } else if (n == "AXFocused" || n == "AXElementBusy") {
      const State wanted = n == "AXFocused" ? State::focused : State::busy;
      std::uint64_t bits = facts.states;
      if (!facts.statesRead || !States{facts.statesKnown}.has(wanted)) {
        const auto reply = bus_->call(call(kAccessible, "GetState"), t);
        if (const auto e = errorOf(reply); e != ax::Error::success) return e;
        bits = stateBits(reply.first());
      }
      v = States{bits}.has(wanted);
    }
    if (const auto* e = v.as<ax::Error>(); e && fatal(*e)) return *e;
    out.push_back(std::move(v));
  }
  return out;
}

bool AtspiElement::givesRunsAsChildren() const {
  // A text leaf of its own for every run: a parent's replacement characters stand only for
  // children that are not text, so they never match the children one for one with text between.
  return bus_->toolkitOf(ref_.bus, timeout()) == "Chromium";
}

// Toolkits keep closed menus, popovers and tool bars in the tree, placed nowhere on screen and
// without SHOWING (GTK) or without either state (Chromium's own hidden views). A page scrolled
// out of view loses SHOWING too but keeps VISIBLE, and is still part of the page: inside a
// document only the missing VISIBLE hides. A window is read whatever its state says.
bool AtspiElement::hidden(States states) const {
  if (topLevel_) return false;
  if (!states.has(State::visible)) return true;
  return !inDocument_ && !states.has(State::showing);
}

ax::Result<ax::Value> AtspiElement::runAttribute(std::string_view n) const {
  if (n == "AXRole") return ax::Value("AXStaticText");
  if (n == "AXValue") return ax::Value(runText_);
  if (n == "AXNumberOfCharacters") return ax::Value(static_cast<double>(text::CodePointMap(runText_).utf16Length()));
  if (n == "AXChildren") return ax::Value(ax::ElementList{});
  if (n == "AXParent") return ax::Value(object(bus_, ref_));
  if (n == "AXPosition" || n == "AXSize") {
    const auto ahead = fetched();
    const auto reply =
        ahead ? ahead->extents
              : bus_->call(call(kText, "GetRangeExtents",
                                {static_cast<std::int32_t>(runStart_), static_cast<std::int32_t>(runEnd_), kScreenCoords}),
                           timeout());
    if (const auto e = errorOf(reply); e != ax::Error::success) return e;
    const auto rect = rectOf(reply);
    if (!rect) return ax::Error::noValue;
    if (n == "AXPosition") return ax::Value(ax::Point{rect->x, rect->y});
    return ax::Value(ax::Size{rect->width, rect->height});
  }
  return ax::Error::noValue;
}

// ---- Parameterised attributes ------------------------------------------------------------------

ax::Result<ax::Value> AtspiElement::parameterizedAttribute(std::string_view name, const ax::Value& parameter) const {
  if (kind_ == Kind::missing) return ax::Error::invalidUIElement;
  if (kind_ != Kind::object && kind_ != Kind::textRun) return ax::Error::parameterizedAttributeUnsupported;
  return textQuery(name, parameter);
}

ax::Result<ax::Value> AtspiElement::textQuery(std::string_view name, const ax::Value& parameter) const {
  const bool known = name == "AXStringForRange" || name == "AXAttributedStringForRange" ||
                     name == "AXBoundsForRange" || name == "AXRangeForPosition" || name == "AXLineForIndex";
  if (!known) return ax::Error::parameterizedAttributeUnsupported;
  if (kind_ == Kind::object) {
    auto f = facts(true);
    if (!f) return f.error;
    if (!f.value.has(kText)) return ax::Error::parameterizedAttributeUnsupported;
    // Not even the length of a password is read.
    if (f.value.role == static_cast<std::uint32_t>(Role::passwordText)) return ax::Error::noValue;
  }
  auto content = text();
  if (!content) return content.error;
  const text::CodePointMap map(content.value);
  // Offsets in the object's own text: a run starts where it sits in its parent's.
  const std::int64_t base = kind_ == Kind::textRun ? runStart_ : 0;
  const double t = timeout();

  if (name == "AXStringForRange" || name == "AXAttributedStringForRange") {
    const auto* r = parameter.as<ax::Range>();
    if (!r || r->location < 0 || r->length < 0 || r->location + r->length > map.utf16Length()) {
      return ax::Error::illegalArgument;
    }
    const auto u16 = text::toUtf16(content.value);
    std::string s = withoutEmbeddedObjects(text::toUtf8(u16, static_cast<std::int32_t>(r->location),
                                                        static_cast<std::int32_t>(r->location + r->length)));
    if (name == "AXAttributedStringForRange") return ax::Value(ax::AttributedText{std::move(s)});
    return ax::Value(std::move(s));
  }
  if (name == "AXBoundsForRange") {
    const auto* r = parameter.as<ax::Range>();
    if (!r || r->location < 0 || r->length < 0 || r->location > map.utf16Length()) return ax::Error::illegalArgument;
    const std::int64_t start = map.codePointOf(r->location) + base;
    const std::int64_t end = map.codePointEndingAt(r->location + r->length) + base;
    const auto extents = [&](std::int64_t from, std::int64_t to) -> ax::Result<ax::Rect> {
      const auto reply =
          to > from ? bus_->call(call(kText, "GetRangeExtents",
                                      {static_cast<std::int32_t>(from), static_cast<std::int32_t>(to), kScreenCoords}),
                                 t)
                    : bus_->call(call(kText, "GetCharacterExtents", {static_cast<std::int32_t>(from), kScreenCoords}), t);
      if (const auto e = errorOf(reply); e != ax::Error::success) return e;
      const auto rect = rectOf(reply);
      if (!rect) return ax::Error::noValue;
      return *rect;
    };
    // Qt's adaptor also measures the character at a range's end: at the end of the text that is
    // out of its range (and printed as a warning). A range ending there is asked for without its
    // last character, and that character by itself.
    if (kind_ != Kind::object || end != map.codePoints() || end <= start) {
      auto rect = extents(start, end);
      if (!rect) return rect.error;
      return ax::Value(rect.value);
    }
    auto last = extents(end - 1, end - 1);
    if (!last) return last.error;
    if (end - 1 == start) return ax::Value(last.value);
    auto head = extents(start, end - 1);
    if (!head) return head.error;
    const ax::Rect& a = head.value;
    const ax::Rect& b = last.value;
    // A toolkit that could not place one of the two answers with an empty rectangle.
    if (b.width <= 0 && b.height <= 0) return ax::Value(a);
    if (a.width <= 0 && a.height <= 0) return ax::Value(b);
    const double left = std::min(a.x, b.x), top = std::min(a.y, b.y);
    const double right = std::max(a.x + a.width, b.x + b.width), bottom = std::max(a.y + a.height, b.y + b.height);
    return ax::Value(ax::Rect{left, top, right - left, bottom - top});
  }
  if (name == "AXRangeForPosition") {
    const auto* p = parameter.as<ax::Point>();
    if (!p || !std::isfinite(p->x) || !std::isfinite(p->y) || std::abs(p->x) > 1e9 || std::abs(p->y) > 1e9) {
      return ax::Error::illegalArgument;
    }
    const auto reply = bus_->call(call(kText, "GetOffsetAtPoint",
                                       {static_cast<std::int32_t>(std::lround(p->x)),
                                        static_cast<std::int32_t>(std::lround(p->y)), kScreenCoords}),
                                  t);
    if (const auto e = errorOf(reply); e != ax::Error::success) return e;
    const auto at = reply.first().integer();
    if (!at || *at < base || *at - base >= map.codePoints()) return ax::Error::noValue;
    const std::int64_t start = map.utf16Of(*at - base);
    return ax::Value(ax::Range{start, map.utf16Of(*at - base + 1) - start});
  }
  // AXLineForIndex: lines are counted from the start of this element's text.
  const auto* index = parameter.as<double>();
  if (!index || !std::isfinite(*index) || *index < 0 || *index > static_cast<double>(map.utf16Length())) {
    return ax::Error::illegalArgument;
  }
  const std::int64_t target = map.codePointOf(static_cast<std::int64_t>(*index)) + base;
  // Older toolkits (Qt 6.4) know only the boundary-type form of the line query, and may call
  // the newer method an unknown object.
  bool byBoundary = false;
  const auto lineAt = [&](std::int64_t offset) -> ax::Result<std::pair<std::int64_t, std::int64_t>> {
    dbus::Reply reply;
    if (!byBoundary) {
      reply = bus_->call(call(kText, "GetStringAtOffset", {static_cast<std::int32_t>(offset), kLineGranularity}), t);
      const auto e = errorOf(reply);
      byBoundary = e == ax::Error::attributeUnsupported || e == ax::Error::invalidUIElement;
    }
    if (byBoundary) {
      reply = bus_->call(call(kText, "GetTextAtOffset", {static_cast<std::int32_t>(offset), kLineStartBoundary}), t);
    }
    if (const auto e = errorOf(reply); e != ax::Error::success) return e;
    if (reply.values.size() < 3) return ax::Error::failure;
    return std::pair{reply.values[1].integer().value_or(offset), reply.values[2].integer().value_or(offset)};
  };
  const auto targetLine = lineAt(target);
  if (!targetLine) return targetLine.error;
  // Lines are counted by their starts: some toolkits end a line before its line break, so
  // the break's offset answers the same line again.
  std::int64_t offset = base;
  std::int64_t previousStart = -1;
  int line = -1;
  for (int step = 0; step < kMaxLines; ++step) {
    const auto here = lineAt(offset);
    if (!here) return here.error;
    const auto [start, end] = here.value;
    if (start != previousStart) {
      ++line;
      previousStart = start;
    }
    if (start >= targetLine.value.first) return ax::Value(std::max(line, 0));
    offset = std::max(end, offset + 1);
  }
  return ax::Error::failure;
}

// ---- Changes and actions -----------------------------------------------------------------------

ax::Error AtspiElement::setAttribute(std::string_view name, const ax::Value& value) const {
  if (kind_ == Kind::missing) return ax::Error::invalidUIElement;
  // Programs built on web engines show their tree once accessibility is on for the desktop.
  if (name == "AXManualAccessibility" || name == "AXEnhancedUserInterface") {
    const auto* on = value.as<bool>();
    if (!on) return ax::Error::illegalArgument;
    if (!*on) return ax::Error::success;
    return bus_->enableAccessibility() ? ax::Error::success : ax::Error::failure;
  }
  return ax::Error::attributeUnsupported;
}

ax::Error AtspiElement::performAction(std::string_view action) const {
  if (kind_ == Kind::missing) return ax::Error::invalidUIElement;
  if (kind_ != Kind::object && kind_ != Kind::textRun) return ax::Error::actionUnsupported;
  dbus::Call c;
  if (action == "AXScrollToVisible") {
    c = kind_ == Kind::textRun ? call(kText, "ScrollSubstringTo",
                                      {static_cast<std::int32_t>(runStart_), static_cast<std::int32_t>(runEnd_),
                                       kScrollAnywhere})
                               : call(kComponent, "ScrollTo", {kScrollAnywhere});
  } else if (action == "AXPress" && kind_ == Kind::object) {
    c = call(kAction, "DoAction", {std::int32_t{0}});
  } else {
    return ax::Error::actionUnsupported;
  }
  const auto reply = bus_->call(c, timeout());
  if (const auto e = errorOf(reply); e != ax::Error::success) {
    return e == ax::Error::attributeUnsupported ? ax::Error::actionUnsupported : e;
  }
  return reply.first().boolean().value_or(true) ? ax::Error::success : ax::Error::cannotComplete;
}

// ---- Hit testing -------------------------------------------------------------------------------

ax::Result<ax::Element> AtspiElement::deepestAt(const dbus::ObjectRef& start, double x, double y) const {
  dbus::ObjectRef current = start;
  const auto px = static_cast<std::int32_t>(std::floor(x));
  const auto py = static_cast<std::int32_t>(std::floor(y));
  for (int depth = 0; depth < kMaxPointDepth; ++depth) {
    const auto reply = bus_->call({current.bus, current.path, kComponent, "GetAccessibleAtPoint",
                                   {px, py, kScreenCoords}, std::nullopt},
                                  timeout());
    if (const auto e = errorOf(reply); e != ax::Error::success) {
      if (depth == 0 && fatal(e)) return e;
      break;
    }
    const auto* next = reply.first().object();
    if (!next || isNull(*next) || *next == current) break;
    current = *next;
  }
  return object(bus_, current);
}

ax::Result<ax::Element> AtspiElement::elementAtPosition(double x, double y) const {
  if (kind_ == Kind::missing) return ax::Error::invalidUIElement;
  if (!std::isfinite(x) || !std::isfinite(y) || std::abs(x) > 1e9 || std::abs(y) > 1e9) {
    return ax::Error::illegalArgument;
  }
  if (kind_ == Kind::object || kind_ == Kind::textRun) return deepestAt(ref_, x, y);

  // Windows that may hold the point: every window of this application, or of every application.
  std::vector<dbus::ObjectRef> roots;
  if (kind_ == Kind::application) {
    roots.push_back(ref_);
  } else {
    roots = bus_->applications(timeout());
  }
  const double t = timeout();
  std::vector<dbus::PendingReply> childLists;
  for (const auto& r : roots) childLists.push_back(bus_->send({r.bus, r.path, kAccessible, "GetChildren", {}, {}}, t));
  std::vector<dbus::ObjectRef> windows;
  for (auto& p : childLists) {
    const auto reply = p.wait();
    if (const auto* l = reply.first().list()) {
      for (const auto& v : *l) {
        if (const auto* o = v.object(); o && !isNull(*o) && windows.size() < kMaxWindows) windows.push_back(*o);
      }
    }
  }
  std::vector<std::pair<dbus::PendingReply, dbus::PendingReply>> asked;
  for (const auto& w : windows) {
    asked.emplace_back(bus_->send({w.bus, w.path, kComponent, "GetExtents", {kScreenCoords}, {}}, t),
                       bus_->send({w.bus, w.path, kAccessible, "GetState", {}, {}}, t));
  }
  std::optional<dbus::ObjectRef> best;
  bool bestActive = false;
  for (std::size_t i = 0; i < asked.size(); ++i) {
    const auto extents = asked[i].first.wait();
    const auto state = asked[i].second.wait();
    const auto rect = rectOf(extents.first());
    const States s{stateBits(state.first())};
    if (!rect || !rect->contains({x, y}) || !s.has(State::showing)) continue;
    // The active window lies on top of the others.
    if (!best || (s.has(State::active) && !bestActive)) {
      best = windows[i];
      bestActive = s.has(State::active);
    }
  }
  if (!best) return ax::Error::noValue;
  return deepestAt(*best, x, y);
}

}  // namespace orvak::atspi

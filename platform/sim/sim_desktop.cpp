#include "platform/sim/sim_desktop.h"
#include "core/base/json.h"
#include "core/base/read_file.h"

#include <unicode/unistr.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <sstream>

#include <unistd.h>

#include "core/base/dispatch.h"
#include "platform/sim/sim_state.h"

namespace orvak::sim {

namespace {

// What a request to an element without a time-out of its own, with none set process-wide, may take.
constexpr double kDefaultMessagingTimeout = 6.0;

using State = SimDesktop::State;

SimNode& at(State& st, NodeIndex n) { return st.nodes[static_cast<std::size_t>(n)]; }
const SimNode& at(const State& st, NodeIndex n) { return st.nodes[static_cast<std::size_t>(n)]; }

const ax::Value* stored(const SimNode& node, std::string_view name) {
  for (const auto& [k, v] : node.attrs) {
    if (k == name) return &v;
  }
  return nullptr;
}

std::string utf8(std::u16string_view s) {
  std::string out;
  icu::UnicodeString(false, s.data(), static_cast<int32_t>(s.size())).toUTF8String(out);
  return out;
}

// Runs a script's changes once. A change that cannot apply is reported on stderr rather than
// thrown into the caller's Accessibility request.
void fire(State& st, Script& s) {
  s.done = true;
  try {
    applyChanges(st, s.changes, "script");
  } catch (const SceneError& e) {
    std::fprintf(stderr, "sim: %s\n", e.what());
  }
}

void fireTimedScripts(State& st) {
  if (st.scripts.empty()) return;
  const double elapsed = static_cast<double>(dispatch::monotonicNanos() - st.loadedAt) / 1e9;
  for (Script& s : st.scripts) {
    if (!s.done && s.kind == Script::Kind::seconds && elapsed >= s.seconds) fire(st, s);
  }
}

// One element of the simulated desktop. Holds the model alive, so a handle stays usable as long as
// someone keeps it.
class SimElement final : public ax::ElementImpl {
 public:
  SimElement(std::shared_ptr<State> st, NodeIndex n) : st_(std::move(st)), n_(n) {}

  static ax::Element make(const std::shared_ptr<State>& st, NodeIndex n) {
    return ax::Element(std::make_shared<const SimElement>(st, n));
  }

  const State* owner() const { return st_.get(); }
  NodeIndex index() const { return n_; }

  bool sameElement(const ax::ElementImpl& other) const override {
    const auto* o = dynamic_cast<const SimElement*>(&other);
    return o && o->st_ == st_ && o->n_ == n_;
  }
  std::size_t hash() const override {
    return std::hash<const void*>{}(st_.get()) ^ (std::hash<NodeIndex>{}(n_) * 0x9e3779b97f4a7c15ULL);
  }

  ax::Result<ax::Value> attribute(std::string_view name) const override {
    return request<ax::Value>([&](State& st) -> ax::Result<ax::Value> { return read(st, name); });
  }

  ax::Result<std::vector<ax::Value>> attributes(std::span<const std::string_view> names) const override {
    return request<std::vector<ax::Value>>([&](State& st) -> ax::Result<std::vector<ax::Value>> {
      if (st.isWindow(n_)) {
        ++at(st, n_).walks;
        fireWalkScripts(st);
      }
      const SimNode& node = at(st, n_);
      if (node.invalid) return ax::Error::invalidUIElement;
      if (node.batchError) return *node.batchError;
      std::vector<ax::Value> out;
      out.reserve(names.size());
      for (std::string_view name : names) {
        auto r = read(st, name);
        out.push_back(r.ok() ? std::move(r.value) : ax::Value(r.error));
      }
      return out;
    });
  }

  ax::Result<ax::Value> parameterizedAttribute(std::string_view name, const ax::Value& param) const override {
    return request<ax::Value>([&](State& st) -> ax::Result<ax::Value> { return parameterized(st, name, param); });
  }

  ax::Error setAttribute(std::string_view name, const ax::Value& value) const override {
    auto r = request<bool>([&](State& st) -> ax::Result<bool> {
      SimNode& node = at(st, n_);
      if (auto e = injected(node, name)) return *e;
      if (value.is<ax::Element>() || value.is<ax::ElementList>()) return ax::Error::illegalArgument;
      std::erase_if(node.elementAttrs, [&](const auto& p) { return p.first == name; });
      bool found = false;
      for (auto& [k, v] : node.attrs) {
        if (k == name) {
          v = value;
          found = true;
        }
      }
      if (!found) node.attrs.emplace_back(std::string(name), value);
      for (Script& s : st.scripts) {
        if (!s.done && s.kind == Script::Kind::setAttribute && s.attribute == name &&
            (s.target == kNone || s.target == n_)) {
          fire(st, s);
        }
      }
      return true;
    });
    return r.error;
  }

  ax::Error performAction(std::string_view action) const override {
    auto r = request<bool>([&](State& st) -> ax::Result<bool> {
      const SimNode& node = at(st, n_);
      const std::string who = node.ref.empty() ? "#" + std::to_string(n_) : node.ref;
      if (action == "AXScrollToVisible") {
        const NodeIndex w = st.windowOf(n_);
        if (w == kNone || w == n_) return ax::Error::actionUnsupported;
        scrollToVisible(st, w);
      } else if (std::find(node.actions.begin(), node.actions.end(), action) == node.actions.end()) {
        return ax::Error::actionUnsupported;
      }
      st.actionsLog.push_back(who + " " + std::string(action));
      return true;
    });
    return r.error;
  }

  ax::Error setMessagingTimeout(double seconds) const override {
    std::lock_guard lock(st_->mutex);
    if (n_ < 0) return ax::Error::invalidUIElement;
    SimNode& node = at(*st_, n_);
    if (node.invalid) return ax::Error::invalidUIElement;
    if (node.kind == SimNode::Kind::systemWide) {
      st_->globalTimeout = seconds;
    } else {
      node.timeout = seconds;
    }
    return ax::Error::success;
  }

  ax::Result<ax::Element> elementAtPosition(double x, double y) const override {
    return request<ax::Element>([&](State& st) -> ax::Result<ax::Element> {
      const ax::Point p{x, y};
      std::vector<NodeIndex> apps;
      const SimNode& self = at(st, n_);
      if (self.kind == SimNode::Kind::application) {
        apps.push_back(n_);
      } else if (self.kind == SimNode::Kind::systemWide) {
        // The frontmost application's windows lie on top of everyone else's.
        for (NodeIndex a : st.apps) {
          if (st.frontmost && at(st, a).pid == *st.frontmost) apps.insert(apps.begin(), a);
          else apps.push_back(a);
        }
      } else {
        return ax::Error::illegalArgument;
      }
      for (NodeIndex a : apps) {
        for (NodeIndex w : at(st, a).children) {
          if (NodeIndex hit = hitTest(st, w, p); hit != kNone) return SimElement::make(st_, hit);
        }
      }
      return ax::Error::noValue;
    });
  }

  ax::Result<pid_t> pid() const override {
    std::lock_guard lock(st_->mutex);
    if (n_ < 0 || at(*st_, n_).invalid) return ax::Error::invalidUIElement;
    if (at(*st_, n_).kind == SimNode::Kind::systemWide) return ax::Error::illegalArgument;
    return at(*st_, n_).pid;
  }

 private:
  // Answers under the lock, then spends the element's latency outside it. A request that would
  // take longer than its time-out gives up at the time-out with cannotComplete.
  template <class T, class F>
  ax::Result<T> request(F&& answer) const {
    double cost = 0;
    ax::Result<T> result = ax::Error::cannotComplete;
    {
      std::lock_guard lock(st_->mutex);
      ++st_->requests;
      if (n_ < 0) return ax::Error::invalidUIElement;
      fireTimedScripts(*st_);
      const SimNode& node = at(*st_, n_);
      if (node.invalid) return ax::Error::invalidUIElement;
      const double latency = latencyOf(*st_, n_);
      const double timeout = node.timeout > 0 ? node.timeout
                             : st_->globalTimeout > 0 ? st_->globalTimeout
                                                      : kDefaultMessagingTimeout;
      if (latency > timeout) {
        cost = timeout;
      } else {
        cost = latency;
        result = answer(*st_);
      }
    }
    if (cost > 0) dispatch::blockFor(cost);
    return result;
  }

  static double latencyOf(const State& st, NodeIndex n) {
    const SimNode& node = at(st, n);
    if (node.latency) return *node.latency;
    const NodeIndex app = st.appOf(n);
    if (app != kNone && at(st, app).latency) return *at(st, app).latency;
    return st.defaultLatency;
  }

  static std::optional<ax::Error> injected(const SimNode& node, std::string_view name) {
    for (const auto& [k, e] : node.errors) {
      if (k == name) return e;
    }
    return std::nullopt;
  }

  ax::Element handle(NodeIndex n) const { return SimElement::make(st_, n); }

  ax::Result<ax::Value> read(State& st, std::string_view name) const {
    SimNode& node = at(st, n_);
    if (node.invalid) return ax::Error::invalidUIElement;
    if (auto e = injected(node, name)) return *e;
    for (const auto& [k, refs] : node.elementAttrs) {
      if (k != name) continue;
      if (!refs.list) return ax::Value(handle(refs.nodes.front()));
      ax::ElementList list;
      list.reserve(refs.nodes.size());
      for (NodeIndex r : refs.nodes) list.push_back(handle(r));
      return ax::Value(std::move(list));
    }
    if (const ax::Value* v = stored(node, name)) {
      if (const auto* e = v->as<ax::Error>()) return *e;
      return *v;
    }
    return derived(st, node, name);
  }

  ax::Result<ax::Value> derived(State& st, const SimNode& node, std::string_view name) const {
    const bool isApp = node.kind == SimNode::Kind::application;
    if (name == "AXChildren" || (isApp && name == "AXWindows")) {
      ax::ElementList list;
      list.reserve(node.children.size());
      for (NodeIndex c : node.children) list.push_back(handle(c));
      return ax::Value(std::move(list));
    }
    if (name == "AXParent") {
      if (node.parent == kNone) return ax::Error::noValue;
      return ax::Value(handle(node.parent));
    }
    if (name == "AXPosition" || name == "AXSize") {
      const auto f = st.reportedFrame(n_);
      if (!f) return ax::Error::noValue;
      if (name == "AXPosition") return ax::Value(ax::Point{f->x, f->y});
      return ax::Value(ax::Size{f->width, f->height});
    }
    if (name == "AXWindow") {
      const NodeIndex w = st.windowOf(n_);
      if (w == kNone) return ax::Error::noValue;
      return ax::Value(handle(w));
    }
    if (isApp && (name == "AXFocusedWindow" || name == "AXMainWindow" || name == "AXFocusedUIElement")) {
      const NodeIndex target = name == "AXFocusedWindow" ? node.focusedWindow
                               : name == "AXMainWindow"  ? node.mainWindow
                                                         : node.focusedElement;
      if (target == kNone || at(st, target).invalid) return ax::Error::noValue;
      return ax::Value(handle(target));
    }
    if (node.kind == SimNode::Kind::systemWide && name == "AXFocusedApplication") {
      for (NodeIndex a : st.apps) {
        if (st.frontmost && at(st, a).pid == *st.frontmost) return ax::Value(handle(a));
      }
      return ax::Error::noValue;
    }
    if (node.hasText) {
      if (name == "AXValue" && node.textIsValue) return ax::Value(node.textUtf8);
      if (name == "AXNumberOfCharacters") return ax::Value(static_cast<double>(node.text16.size()));
      if (name == "AXSelectedTextRange" && node.selection) return ax::Value(*node.selection);
      if (name == "AXSelectedText" && node.selection) {
        const auto size = static_cast<std::int64_t>(node.text16.size());
        const std::int64_t from = std::clamp<std::int64_t>(node.selection->location, 0, size);
        const std::int64_t len = std::clamp<std::int64_t>(node.selection->length, 0, size - from);
        return ax::Value(utf8(std::u16string_view(node.text16).substr(static_cast<std::size_t>(from),
                                                                      static_cast<std::size_t>(len))));
      }
    }
    if (name == "AXSelectedTextRange" && node.selection) return ax::Value(*node.selection);
    return ax::Error::noValue;
  }

  ax::Result<ax::Value> parameterized(State& st, std::string_view name, const ax::Value& param) const {
    SimNode& node = at(st, n_);
    if (auto e = injected(node, name)) return *e;
    const bool textQuery = name == "AXStringForRange" || name == "AXAttributedStringForRange" ||
                           name == "AXBoundsForRange" || name == "AXRangeForPosition" || name == "AXLineForIndex";
    if (!textQuery || !node.hasText) return ax::Error::parameterizedAttributeUnsupported;
    const auto size = static_cast<std::int64_t>(node.text16.size());
    if (name == "AXRangeForPosition" || name == "AXLineForIndex" || name == "AXBoundsForRange") {
      const auto frame = st.reportedFrame(n_);
      if (!frame) return ax::Error::noValue;
      const TextLayout layout(node.text16, *frame, st.metrics);
      if (name == "AXRangeForPosition") {
        const auto* p = param.as<ax::Point>();
        if (!p) return ax::Error::illegalArgument;
        return ax::Value(layout.rangeForPosition(*p));
      }
      if (name == "AXLineForIndex") {
        const auto* i = param.as<double>();
        if (!i || !std::isfinite(*i)) return ax::Error::illegalArgument;
        const auto line = layout.lineForIndex(static_cast<std::int64_t>(std::clamp(*i, -1.0, 9e15)));
        if (!line) return ax::Error::illegalArgument;
        return ax::Value(*line);
      }
      const auto* r = param.as<ax::Range>();
      if (!r) return ax::Error::illegalArgument;
      const auto bounds = layout.boundsForRange(*r);
      if (!bounds) return ax::Error::illegalArgument;
      return ax::Value(*bounds);
    }
    const auto* r = param.as<ax::Range>();
    if (!r || r->location < 0 || r->length < 0 || r->location > size || r->length > size - r->location) {
      return ax::Error::illegalArgument;
    }
    std::string s = utf8(std::u16string_view(node.text16).substr(static_cast<std::size_t>(r->location),
                                                                  static_cast<std::size_t>(r->length)));
    if (name == "AXAttributedStringForRange") return ax::Value(ax::AttributedText{std::move(s)});
    return ax::Value(std::move(s));
  }

  // The deepest element of the window under the point; among equals the one listed last (drawn on
  // top). Elements without a frame are searched through; a framed element that misses the point
  // hides its subtree.
  static NodeIndex hitTest(const State& st, NodeIndex window, ax::Point p) {
    NodeIndex best = kNone;
    std::size_t bestDepth = 0;
    std::vector<std::pair<NodeIndex, std::size_t>> stack{{window, 0}};
    while (!stack.empty()) {
      const auto [n, depth] = stack.back();
      stack.pop_back();
      const SimNode& node = at(st, n);
      if (node.invalid) continue;
      const auto f = st.reportedFrame(n);
      if (f) {
        if (!f->contains(p)) continue;
        if (best == kNone || depth >= bestDepth) {
          best = n;
          bestDepth = depth;
        }
      }
      for (NodeIndex c : node.children) stack.emplace_back(c, depth + 1);
    }
    return best;
  }

  void scrollToVisible(State& st, NodeIndex window) const {
    const auto& win = at(st, window);
    const auto target = at(st, n_).frame;
    if (!win.frame || !target) return;
    double& y = at(st, window).scrollY;
    const double top = target->y - y;
    const double bottom = top + target->height;
    if (top < win.frame->y || target->height > win.frame->height) {
      y = std::max(0.0, target->y - win.frame->y);
    } else if (bottom > win.frame->y + win.frame->height) {
      y = std::max(0.0, target->y + target->height - (win.frame->y + win.frame->height));
    }
  }

  void fireWalkScripts(State& st) const {
    const int walks = at(st, n_).walks;
    for (Script& s : st.scripts) {
      if (!s.done && s.kind == Script::Kind::walks && (s.target == kNone || s.target == n_) && walks > s.count) {
        fire(st, s);
      }
    }
  }

 private:
  std::shared_ptr<State> st_;
  NodeIndex n_;
};

}  // namespace

// ---- State ----

NodeIndex State::lookup(std::string_view ref) const {
  auto it = refs.find(std::string(ref));
  if (it == refs.end()) throw SceneError(origin + ": no element has ref \"" + std::string(ref) + "\"");
  return it->second;
}

NodeIndex State::appOf(NodeIndex n) const {
  while (n != kNone && at(*this, n).kind != SimNode::Kind::application) n = at(*this, n).parent;
  return n;
}

bool State::isWindow(NodeIndex n) const {
  const SimNode& node = at(*this, n);
  return node.kind == SimNode::Kind::element && node.parent != kNone &&
         at(*this, node.parent).kind == SimNode::Kind::application;
}

NodeIndex State::windowOf(NodeIndex n) const {
  while (n != kNone && !isWindow(n)) n = at(*this, n).parent;
  return n;
}

std::optional<ax::Rect> State::reportedFrame(NodeIndex n) const {
  auto f = at(*this, n).frame;
  if (!f) return f;
  const NodeIndex w = windowOf(n);
  if (w != kNone && w != n) f->y -= at(*this, w).scrollY;
  return f;
}

void State::detach(NodeIndex n) {
  const NodeIndex p = at(*this, n).parent;
  if (p != kNone) std::erase(at(*this, p).children, n);
}

void State::announceFrontmost() {
  if (frontmost == announcedFront) return;
  announcedFront = frontmost;
  if (!frontmost || frontObservers.empty()) return;
  const auto app = std::find_if(apps.begin(), apps.end(), [&](NodeIndex a) { return at(*this, a).pid == *frontmost; });
  if (app == apps.end()) return;
  const SimApp front = at(*this, *app).app;
  for (const auto& [token, observer] : frontObservers) {
    // Looked up again when it runs: an observer removed meanwhile hears nothing.
    dispatch::main().async([weak = weak_from_this(), token = token, front] {
      std::function<void(const SimApp&)> handler;
      if (auto st = weak.lock()) {
        std::lock_guard lock(st->mutex);
        if (auto it = st->frontObservers.find(token); it != st->frontObservers.end()) handler = it->second;
      }
      if (handler) handler(front);
    });
  }
}

// ---- SimDesktop ----

SimDesktop::SimDesktop(std::shared_ptr<State> state) : state_(std::move(state)) {}
SimDesktop::~SimDesktop() = default;

std::shared_ptr<SimDesktop> SimDesktop::fromJson(const json::Json& scene, const std::string& origin) {
  auto st = std::make_shared<State>();
  st->origin = origin;
  SimNode system;
  system.kind = SimNode::Kind::systemWide;
  system.attrs.emplace_back("AXRole", ax::Value("AXSystemWide"));
  st->nodes.push_back(std::move(system));
  loadScene(*st, scene);
  st->announcedFront = st->frontmost;
  return std::shared_ptr<SimDesktop>(new SimDesktop(std::move(st)));
}

std::shared_ptr<SimDesktop> SimDesktop::load(const std::filesystem::path& file) {
  const auto text = readFile(file, maxFileBytes);
  if (text.status == FileContents::Status::tooLarge) {
    throw SceneError(file.string() + ": too large (a scene or dump may hold at most " +
                     std::to_string(maxFileBytes >> 20) + " MB)");
  }
  if (!text.ok()) throw SceneError(file.string() + ": cannot be read");
  json::Json scene;
  try {
    scene = json::parse(text.bytes);
  } catch (const json::DecodeError& e) {
    throw SceneError(file.string() + ": not valid JSON: " + e.what());
  }
  return fromJson(scene, file.string());
}

bool SimDesktop::isProcessTrusted(bool prompt) {
  std::lock_guard lock(state_->mutex);
  if (prompt && !state_->trusted) ++state_->prompts;
  return state_->trusted;
}

ax::Element SimDesktop::systemWide() { return SimElement::make(state_, 0); }

ax::Element SimDesktop::application(pid_t pid) {
  std::lock_guard lock(state_->mutex);
  for (NodeIndex a : state_->apps) {
    if (at(*state_, a).pid == pid) return SimElement::make(state_, a);
  }
  return SimElement::make(state_, kNone);
}

std::vector<SimApp> SimDesktop::applications() const {
  std::lock_guard lock(state_->mutex);
  std::vector<SimApp> out;
  for (NodeIndex a : state_->apps) out.push_back(at(*state_, a).app);
  return out;
}

std::optional<SimApp> SimDesktop::frontmost() const {
  std::lock_guard lock(state_->mutex);
  if (!state_->frontmost) return std::nullopt;
  for (NodeIndex a : state_->apps) {
    if (at(*state_, a).pid == *state_->frontmost) return at(*state_, a).app;
  }
  return std::nullopt;
}

void SimDesktop::setFrontmost(std::optional<pid_t> pid) {
  std::lock_guard lock(state_->mutex);
  state_->frontmost = pid;
  state_->announceFrontmost();
}

std::vector<SimWindow> SimDesktop::windows() const {
  std::lock_guard lock(state_->mutex);
  fireTimedScripts(*state_);
  std::vector<NodeIndex> order = state_->apps;
  // The front application's windows lie on top of everyone else's.
  std::stable_partition(order.begin(), order.end(), [&](NodeIndex a) {
    return state_->frontmost && at(*state_, a).pid == *state_->frontmost;
  });
  std::vector<SimWindow> out;
  for (NodeIndex a : order) {
    const SimNode& app = at(*state_, a);
    for (NodeIndex w : app.children) {
      const SimNode& win = at(*state_, w);
      if (win.invalid) continue;
      out.push_back({w, app.app.name, app.pid, win.frame, win.alpha});
    }
  }
  return out;
}

std::uint64_t SimDesktop::addFrontObserver(std::function<void(const SimApp&)> observer) {
  std::lock_guard lock(state_->mutex);
  const std::uint64_t token = state_->nextObserver++;
  state_->frontObservers.emplace(token, std::move(observer));
  return token;
}

void SimDesktop::removeFrontObserver(std::uint64_t token) {
  std::lock_guard lock(state_->mutex);
  state_->frontObservers.erase(token);
}

void SimDesktop::setTrusted(bool trusted) {
  std::lock_guard lock(state_->mutex);
  state_->trusted = trusted;
}

int SimDesktop::trustPrompts() const {
  std::lock_guard lock(state_->mutex);
  return state_->prompts;
}

pid_t SimDesktop::ownPid() const {
  std::lock_guard lock(state_->mutex);
  return state_->self.value_or(::getpid());
}

ax::Element SimDesktop::element(std::string_view ref) const {
  std::lock_guard lock(state_->mutex);
  return SimElement::make(state_, state_->lookup(ref));
}

void SimDesktop::setAttribute(std::string_view ref, std::string_view name, const ax::Value& value) {
  std::lock_guard lock(state_->mutex);
  SimNode& node = at(*state_, state_->lookup(ref));
  std::erase_if(node.attrs, [&](const auto& p) { return p.first == name; });
  std::erase_if(node.elementAttrs, [&](const auto& p) { return p.first == name; });
  // Element values are kept as node indexes, so the model never holds a handle onto itself.
  auto indexOf = [&](const ax::Element& e) -> NodeIndex {
    const auto* impl = dynamic_cast<const SimElement*>(e.impl());
    if (!impl || impl->owner() != state_.get() || impl->index() < 0) {
      throw SceneError(state_->origin + ": an element value must come from this desktop");
    }
    return impl->index();
  };
  if (const auto* e = value.as<ax::Element>()) {
    node.elementAttrs.emplace_back(std::string(name), ElementRefs{{indexOf(*e)}, false});
  } else if (const auto* list = value.as<ax::ElementList>()) {
    ElementRefs refs{{}, true};
    for (const ax::Element& e : *list) refs.nodes.push_back(indexOf(e));
    node.elementAttrs.emplace_back(std::string(name), std::move(refs));
  } else {
    node.attrs.emplace_back(std::string(name), value);
  }
}

void SimDesktop::setError(std::string_view ref, std::string_view attribute, ax::Error error) {
  std::lock_guard lock(state_->mutex);
  SimNode& node = at(*state_, state_->lookup(ref));
  std::erase_if(node.errors, [&](const auto& p) { return p.first == attribute; });
  if (error != ax::Error::success) node.errors.emplace_back(std::string(attribute), error);
}

void SimDesktop::setBatchError(std::string_view ref, ax::Error error) {
  std::lock_guard lock(state_->mutex);
  at(*state_, state_->lookup(ref)).batchError = error == ax::Error::success ? std::nullopt : std::optional(error);
}

void SimDesktop::setLatency(std::string_view ref, double seconds) {
  std::lock_guard lock(state_->mutex);
  at(*state_, state_->lookup(ref)).latency = std::max(0.0, seconds);
}

void SimDesktop::remove(std::string_view ref) {
  apply(json::Json::array({json::Json{{"remove", std::string(ref)}}}));
}

void SimDesktop::apply(const json::Json& changes) {
  std::lock_guard lock(state_->mutex);
  applyChanges(*state_, changes, "changes");
}

void SimDesktop::addScript(const json::Json& entry) {
  std::lock_guard lock(state_->mutex);
  state_->scripts.push_back(parseScript(*state_, entry, "script"));
}

void SimDesktop::scroll(std::string_view windowRef, double dy) {
  apply(json::Json::array({json::Json{{"scroll", std::string(windowRef)}, {"dy", dy}}}));
}

void SimDesktop::postKeyChord(pid_t pid, int keyCode, std::vector<std::string> flags) {
  std::lock_guard lock(state_->mutex);
  std::sort(flags.begin(), flags.end());
  state_->chords.push_back({pid, keyCode, flags});
  for (Script& s : state_->scripts) {
    if (s.done || s.kind != Script::Kind::keyChord) continue;
    if ((s.chord.pid != 0 && s.chord.pid != pid) || (s.chord.keyCode >= 0 && s.chord.keyCode != keyCode) ||
        (!s.chord.flags.empty() && s.chord.flags != flags)) {
      continue;
    }
    if (++s.seen >= s.count) fire(*state_, s);
  }
}

std::vector<KeyChord> SimDesktop::postedKeyChords() const {
  std::lock_guard lock(state_->mutex);
  return state_->chords;
}

std::vector<std::string> SimDesktop::modifiers() const {
  std::lock_guard lock(state_->mutex);
  fireTimedScripts(*state_);
  return state_->modifiers;
}

void SimDesktop::setModifiers(std::vector<std::string> keys) {
  std::lock_guard lock(state_->mutex);
  std::sort(keys.begin(), keys.end());
  state_->modifiers = std::move(keys);
}

std::size_t SimDesktop::requestCount() const {
  std::lock_guard lock(state_->mutex);
  return state_->requests;
}

int SimDesktop::walkCount(std::string_view windowRef) const {
  std::lock_guard lock(state_->mutex);
  return at(*state_, state_->lookup(windowRef)).walks;
}

double SimDesktop::scrollOffset(std::string_view windowRef) const {
  std::lock_guard lock(state_->mutex);
  return at(*state_, state_->lookup(windowRef)).scrollY;
}

double SimDesktop::messagingTimeout() const {
  std::lock_guard lock(state_->mutex);
  return state_->globalTimeout;
}

std::vector<std::string> SimDesktop::performedActions() const {
  std::lock_guard lock(state_->mutex);
  return state_->actionsLog;
}

}  // namespace orvak::sim

// Scene files into the simulated desktop's model. The format is described in README.md beside
// this file; every problem is reported as a SceneError naming the file and the place in it.
#include <unicode/unistr.h>

#include <algorithm>
#include <cmath>
#include <initializer_list>
#include <set>

#include "core/base/json.h"
#include "core/page/ax_node.h"
#include "core/base/dispatch.h"
#include "platform/sim/sim_state.h"

namespace orvak::sim {

namespace {

using json::Json;

// Element references met while building, resolved once every element exists.
struct PendingRef {
  NodeIndex node;
  std::string attribute;  // or one of the application slots below
  std::vector<std::string> refs;
  bool list;
  std::string where;
};

constexpr std::string_view kFocusedWindowSlot = "@focusedWindow";
constexpr std::string_view kMainWindowSlot = "@mainWindow";
constexpr std::string_view kFocusedElementSlot = "@focusedElement";

class Builder {
 public:
  explicit Builder(SimDesktop::State& st) : st_(st) {}

  [[noreturn]] void fail(const std::string& where, const std::string& what) const {
    throw SceneError(st_.origin + ": " + (where.empty() ? "" : where + ": ") + what);
  }

  void onlyKeys(const Json& j, const std::string& where, std::initializer_list<std::string_view> allowed) const {
    if (!j.is_object()) fail(where, "expected an object");
    for (const auto& [key, value] : j.items()) {
      (void)value;
      if (std::find(allowed.begin(), allowed.end(), key) == allowed.end()) fail(where, "unknown key \"" + key + "\"");
    }
  }

  std::string text(const Json& v, const std::string& where) const {
    if (!v.is_string()) fail(where, "expected a string");
    return v.get<std::string>();
  }

  double number(const Json& v, const std::string& where) const {
    if (!v.is_number()) fail(where, "expected a number");
    const double d = v.get<double>();
    if (!std::isfinite(d)) fail(where, "expected a finite number");
    return d;
  }

  std::int64_t integer(const Json& v, const std::string& where) const {
    if (!v.is_number_integer()) fail(where, "expected an integer");
    return v.get<std::int64_t>();
  }

  std::vector<double> numbers(const Json& v, std::size_t n, const std::string& where) const {
    if (!v.is_array() || v.size() != n) fail(where, "expected an array of " + std::to_string(n) + " numbers");
    std::vector<double> out;
    for (std::size_t i = 0; i < n; ++i) out.push_back(number(v[i], where));
    return out;
  }

  std::vector<std::string> texts(const Json& v, const std::string& where) const {
    if (!v.is_array()) fail(where, "expected an array of strings");
    std::vector<std::string> out;
    for (const auto& e : v) out.push_back(text(e, where));
    return out;
  }

  ax::Rect rect(const Json& v, const std::string& where) const {
    const auto n = numbers(v, 4, where);
    if (n[2] < 0 || n[3] < 0) fail(where, "a frame's width and height cannot be negative");
    return {n[0], n[1], n[2], n[3]};
  }

  ax::Range range(const Json& v, const std::string& where) const {
    if (!v.is_array() || v.size() != 2) fail(where, "expected [location, length]");
    const auto loc = integer(v[0], where);
    const auto len = integer(v[1], where);
    if (loc < 0 || len < 0) fail(where, "a range cannot be negative");
    return {loc, len};
  }

  ax::Error error(const Json& v, const std::string& where) const {
    static const ax::Error all[] = {
        ax::Error::failure, ax::Error::illegalArgument, ax::Error::invalidUIElement,
        ax::Error::invalidUIElementObserver, ax::Error::cannotComplete, ax::Error::attributeUnsupported,
        ax::Error::actionUnsupported, ax::Error::notificationUnsupported, ax::Error::notImplemented,
        ax::Error::notificationAlreadyRegistered, ax::Error::notificationNotRegistered, ax::Error::apiDisabled,
        ax::Error::noValue, ax::Error::parameterizedAttributeUnsupported, ax::Error::notEnoughPrecision};
    for (ax::Error e : all) {
      if ((v.is_number_integer() && v.get<std::int64_t>() == ax::code(e)) ||
          (v.is_string() && v.get<std::string>() == ax::errorName(e))) {
        return e;
      }
    }
    fail(where, "unknown error " + v.dump() + " (give a code such as -25202 or a name such as \"noValue\")");
  }

  // A typed attribute value; element references are queued instead of returned.
  std::optional<ax::Value> value(NodeIndex node, const std::string& attr, const Json& v, const std::string& where) {
    if (v.is_null()) return ax::Value(ax::Error::noValue);
    if (v.is_string()) return ax::Value(v.get<std::string>());
    if (v.is_boolean()) return ax::Value(v.get<bool>());
    if (v.is_number()) return ax::Value(number(v, where));
    if (v.is_array()) return ax::Value(texts(v, where));
    if (!v.is_object() || v.size() != 1) fail(where, "expected a value: text, number, boolean, list of texts or a one-key object");
    const std::string kind = v.begin().key();
    const Json& inner = v.begin().value();
    if (kind == "attributed") return ax::Value(ax::AttributedText{text(inner, where)});
    if (kind == "url") return ax::Value(ax::Url{text(inner, where)});
    if (kind == "error") return ax::Value(error(inner, where));
    if (kind == "point") {
      const auto n = numbers(inner, 2, where);
      return ax::Value(ax::Point{n[0], n[1]});
    }
    if (kind == "size") {
      const auto n = numbers(inner, 2, where);
      return ax::Value(ax::Size{n[0], n[1]});
    }
    if (kind == "rect") {
      const auto n = numbers(inner, 4, where);
      return ax::Value(ax::Rect{n[0], n[1], n[2], n[3]});
    }
    if (kind == "range") {
      if (!inner.is_array() || inner.size() != 2) fail(where, "expected [location, length]");
      return ax::Value(ax::Range{integer(inner[0], where), integer(inner[1], where)});
    }
    if (kind == "element") {
      pending_.push_back({node, attr, {text(inner, where)}, false, where});
      return std::nullopt;
    }
    if (kind == "elements") {
      pending_.push_back({node, attr, texts(inner, where), true, where});
      return std::nullopt;
    }
    fail(where, "unknown value kind \"" + kind + "\"");
  }

  void registerRef(NodeIndex n, const Json& j, const std::string& where) {
    auto it = j.find("ref");
    if (it == j.end()) return;
    const std::string ref = text(*it, where + ".ref");
    if (ref.empty()) fail(where, "a ref cannot be empty");
    if (!st_.refs.emplace(ref, n).second) fail(where, "duplicate ref \"" + ref + "\"");
    st_.nodes[static_cast<std::size_t>(n)].ref = ref;
  }

  static void store(SimNode& node, const std::string& name, ax::Value v) {
    for (auto& [k, old] : node.attrs) {
      if (k == name) {
        old = std::move(v);
        return;
      }
    }
    node.attrs.emplace_back(name, std::move(v));
  }

  static void storeError(SimNode& node, const std::string& name, ax::Error e) {
    std::erase_if(node.errors, [&](const auto& p) { return p.first == name; });
    if (e != ax::Error::success) node.errors.emplace_back(name, e);
  }

  // The keys an element may carry besides "ref" and "children"; used when building and by "set".
  void elementKeys(NodeIndex n, const Json& j, const std::string& where) {
    auto node = [&]() -> SimNode& { return st_.nodes[static_cast<std::size_t>(n)]; };
    for (const auto& [key, v] : j.items()) {
      const std::string at = where + "." + key;
      if (key == "ref" || key == "children") continue;
      if (key == "role") {
        store(node(), "AXRole", text(v, at));
      } else if (key == "subrole" || key == "title" || key == "desc" || key == "domId") {
        static const std::pair<std::string_view, const char*> names[] = {
            {"subrole", "AXSubrole"}, {"title", "AXTitle"}, {"desc", "AXDescription"}, {"domId", "AXDOMIdentifier"}};
        // clang 14 cannot capture a structured binding in a lambda; a plain local it can.
        const std::string_view name = key;
        const char* attr = std::find_if(std::begin(names), std::end(names), [&](auto& p) { return p.first == name; })->second;
        if (v.is_null()) {
          std::erase_if(node().attrs, [&](const auto& p) { return p.first == attr; });
        } else {
          store(node(), attr, text(v, at));
        }
      } else if (key == "value" || key == "text") {
        setText(node(), text(v, at), key == "value");
      } else if (key == "frame") {
        node().frame = rect(v, at);
      } else if (key == "domClasses") {
        store(node(), "AXDOMClassList", texts(v, at));
      } else if (key == "url") {
        store(node(), "AXURL", ax::Url{text(v, at)});
      } else if (key == "selection") {
        node().selection = range(v, at);
      } else if (key == "caret") {
        const auto c = integer(v, at);
        if (c < 0) fail(at, "a caret cannot be negative");
        node().selection = ax::Range{c, 0};
      } else if (key == "actions") {
        node().actions = texts(v, at);
      } else if (key == "attributes") {
        if (!v.is_object()) fail(at, "expected an object of attribute values");
        for (const auto& [name, raw] : v.items()) {
          if (auto val = value(n, name, raw, at + "." + name)) store(node(), name, std::move(*val));
        }
      } else if (key == "errors") {
        if (!v.is_object()) fail(at, "expected an object of attribute errors");
        for (const auto& [name, raw] : v.items()) storeError(node(), name, error(raw, at + "." + name));
      } else if (key == "failBatch") {
        const ax::Error e = error(v, at);
        node().batchError = e == ax::Error::success ? std::nullopt : std::optional(e);
      } else if (key == "invalid") {
        if (!v.is_boolean()) fail(at, "expected a boolean");
        node().invalid = v.get<bool>();
      } else if (key == "latency") {
        const double s = number(v, at);
        if (s < 0) fail(at, "latency cannot be negative");
        node().latency = s;
      } else if (key == "alpha") {
        if (!st_.isWindow(n)) fail(at, "only a window has an alpha");
        const double a = number(v, at);
        if (a < 0 || a > 1) fail(at, "expected an opacity from 0 to 1");
        node().alpha = a;
      } else {
        fail(where, "unknown key \"" + key + "\"");
      }
    }
  }

  NodeIndex newNode(SimNode::Kind kind, NodeIndex parent, pid_t pid) {
    if (st_.nodes.size() >= static_cast<std::size_t>(INT32_MAX - 1)) fail("", "too many elements");
    SimNode node;
    node.kind = kind;
    node.parent = parent;
    node.pid = pid;
    st_.nodes.push_back(std::move(node));
    const auto n = static_cast<NodeIndex>(st_.nodes.size() - 1);
    if (parent != kNone) st_.nodes[static_cast<std::size_t>(parent)].children.push_back(n);
    return n;
  }

  // A nested element and its subtree.
  NodeIndex element(const Json& j, NodeIndex parent, pid_t pid, bool window, const std::string& where) {
    if (!j.is_object()) fail(where, "expected an element object");
    const NodeIndex n = newNode(SimNode::Kind::element, parent, pid);
    registerRef(n, j, where);
    store(st_.nodes[static_cast<std::size_t>(n)], "AXRole", std::string(window ? "AXWindow" : "AXGroup"));
    if (window && !j.contains("subrole")) {
      store(st_.nodes[static_cast<std::size_t>(n)], "AXSubrole", std::string("AXStandardWindow"));
    }
    elementKeys(n, j, where);
    if (auto it = j.find("children"); it != j.end()) {
      if (!it->is_array()) fail(where + ".children", "expected an array of elements");
      for (std::size_t i = 0; i < it->size(); ++i) {
        element((*it)[i], n, pid, false, where + ".children[" + std::to_string(i) + "]");
      }
    }
    return n;
  }

  // A window given as the flat node list of a capture dump.
  NodeIndex flatWindow(const Json& nodes, NodeIndex app, pid_t pid, const std::string& where) {
    if (!nodes.is_array() || nodes.empty()) fail(where, "expected a non-empty array of nodes");
    std::unordered_map<std::int64_t, NodeIndex> byId;
    NodeIndex window = kNone;
    for (std::size_t i = 0; i < nodes.size(); ++i) {
      const std::string at = where + "[" + std::to_string(i) + "]";
      const Json& j = nodes[i];
      AXNode rec;
      try {
        rec = j.get<AXNode>();
      } catch (const std::exception& e) {
        fail(at, e.what());
      }
      NodeIndex parent = app;
      if (rec.parent) {
        auto it = byId.find(*rec.parent);
        if (it == byId.end()) fail(at, "parent " + std::to_string(*rec.parent) + " is not an earlier node");
        parent = it->second;
      } else if (i != 0) {
        fail(at, "only the first node (the window) may have no parent");
      }
      const NodeIndex n = newNode(SimNode::Kind::element, parent, pid);
      if (!byId.emplace(rec.id, n).second) fail(at, "duplicate node id " + std::to_string(rec.id));
      if (i == 0) window = n;
      registerRef(n, j, at);
      SimNode& node = st_.nodes[static_cast<std::size_t>(n)];
      store(node, "AXRole", rec.role);
      if (rec.subrole) store(node, "AXSubrole", *rec.subrole);
      if (rec.title) store(node, "AXTitle", *rec.title);
      if (rec.desc) store(node, "AXDescription", *rec.desc);
      if (rec.domId) store(node, "AXDOMIdentifier", *rec.domId);
      if (rec.domClasses) store(node, "AXDOMClassList", *rec.domClasses);
      if (rec.frame) node.frame = ax::Rect{(*rec.frame)[0], (*rec.frame)[1], (*rec.frame)[2], (*rec.frame)[3]};
      if (rec.text) {
        const std::string source = rec.textSource.value_or("value");
        if (source == "title") {
          if (!rec.title) store(node, "AXTitle", *rec.text);
        } else if (source == "description") {
          if (!rec.desc) store(node, "AXDescription", *rec.text);
        } else {
          setText(node, *rec.text, source != "stringForRange");
        }
      }
      if (rec.caret && *rec.caret >= 0) node.selection = ax::Range{*rec.caret, 0};
      // Scene extras a recorded node may be given by hand.
      Json extras = Json::object();
      for (const char* key : {"url", "attributes", "errors", "failBatch", "invalid", "latency", "actions", "selection"}) {
        if (auto it = j.find(key); it != j.end()) extras[key] = *it;
      }
      elementKeys(n, extras, at);
    }
    return window;
  }

  pid_t application(const Json& j, const std::string& where) {
    onlyKeys(j, where, {"ref", "name", "bundleId", "pid", "frameworks", "focusedWindow", "mainWindow",
                        "focusedElement", "latency", "windows", "attributes", "errors"});
    if (!j.contains("pid")) fail(where, "an application needs a \"pid\"");
    const auto pid64 = integer(j["pid"], where + ".pid");
    if (pid64 <= 0 || pid64 > INT32_MAX) fail(where + ".pid", "expected a positive process id");
    const auto pid = static_cast<pid_t>(pid64);
    for (NodeIndex a : st_.apps) {
      if (st_.nodes[static_cast<std::size_t>(a)].pid == pid) fail(where + ".pid", "duplicate process id");
    }
    const NodeIndex n = newNode(SimNode::Kind::application, kNone, pid);
    st_.apps.push_back(n);
    registerRef(n, j, where);
    SimApp app;
    app.pid = pid;
    app.launchedAt = ++st_.launches;
    if (auto it = j.find("name"); it != j.end() && !it->is_null()) app.name = text(*it, where + ".name");
    if (auto it = j.find("bundleId"); it != j.end() && !it->is_null()) app.bundleId = text(*it, where + ".bundleId");
    if (auto it = j.find("frameworks"); it != j.end()) app.frameworks = texts(*it, where + ".frameworks");
    st_.nodes[static_cast<std::size_t>(n)].app = app;
    store(st_.nodes[static_cast<std::size_t>(n)], "AXRole", std::string("AXApplication"));
    if (app.name) store(st_.nodes[static_cast<std::size_t>(n)], "AXTitle", *app.name);
    Json extras = Json::object();
    for (const char* key : {"latency", "attributes", "errors"}) {
      if (auto it = j.find(key); it != j.end()) extras[key] = *it;
    }
    elementKeys(n, extras, where);

    if (auto it = j.find("windows"); it != j.end()) {
      if (!it->is_array()) fail(where + ".windows", "expected an array of windows");
      for (std::size_t i = 0; i < it->size(); ++i) {
        const std::string at = where + ".windows[" + std::to_string(i) + "]";
        const Json& w = (*it)[i];
        if (w.is_object() && w.contains("nodes")) {
          onlyKeys(w, at, {"nodes"});
          flatWindow(w["nodes"], n, pid, at + ".nodes");
        } else {
          element(w, n, pid, true, at);
        }
      }
    }
    // A missing key means the first window; null means none.
    auto slot = [&](const char* key, std::string_view name) {
      auto it = j.find(key);
      const auto& windows = st_.nodes[static_cast<std::size_t>(n)].children;
      if (it == j.end()) {
        if (name != kFocusedElementSlot && !windows.empty()) {
          (name == kFocusedWindowSlot ? st_.nodes[static_cast<std::size_t>(n)].focusedWindow
                                      : st_.nodes[static_cast<std::size_t>(n)].mainWindow) = windows.front();
        }
      } else if (!it->is_null()) {
        pending_.push_back({n, std::string(name), {text(*it, where + "." + key)}, false, where + "." + key});
      }
    };
    slot("focusedWindow", kFocusedWindowSlot);
    slot("mainWindow", kMainWindowSlot);
    slot("focusedElement", kFocusedElementSlot);
    return pid;
  }

  // Turns queued references into node indexes.
  void resolve() {
    for (const PendingRef& p : pending_) {
      std::vector<NodeIndex> targets;
      for (const std::string& ref : p.refs) {
        auto it = st_.refs.find(ref);
        if (it == st_.refs.end()) fail(p.where, "no element has ref \"" + ref + "\"");
        targets.push_back(it->second);
      }
      SimNode& node = st_.nodes[static_cast<std::size_t>(p.node)];
      if (p.attribute == kFocusedWindowSlot) {
        node.focusedWindow = targets.front();
      } else if (p.attribute == kMainWindowSlot) {
        node.mainWindow = targets.front();
      } else if (p.attribute == kFocusedElementSlot) {
        node.focusedElement = targets.front();
      } else {
        std::erase_if(node.elementAttrs, [&](const auto& e) { return e.first == p.attribute; });
        std::erase_if(node.attrs, [&](const auto& e) { return e.first == p.attribute; });
        node.elementAttrs.emplace_back(p.attribute, ElementRefs{std::move(targets), p.list});
      }
    }
    pending_.clear();
  }

  std::vector<std::string> modifierNames(const Json& v, const std::string& where) const {
    auto keys = texts(v, where);
    for (const auto& k : keys) {
      if (k != "command" && k != "option" && k != "shift" && k != "control" && k != "function" && k != "capsLock" &&
          k != "numLock") {
        fail(where, "unknown modifier \"" + k + "\" (expected command, option, shift, control, function, capsLock or numLock)");
      }
    }
    std::sort(keys.begin(), keys.end());
    return keys;
  }

  std::optional<pid_t> pidOrRef(const Json& v, const std::string& where) const {
    if (v.is_null()) return std::nullopt;
    if (v.is_number_integer()) return static_cast<pid_t>(v.get<std::int64_t>());
    const NodeIndex n = st_.lookup(text(v, where));
    if (st_.nodes[static_cast<std::size_t>(n)].kind != SimNode::Kind::application) fail(where, "not an application");
    return st_.nodes[static_cast<std::size_t>(n)].pid;
  }

  NodeIndex lookup(const Json& v, const std::string& where) const {
    try {
      return st_.lookup(text(v, where));
    } catch (const SceneError&) {
      fail(where, "no element has ref " + v.dump());
    }
  }

  // Removes an element and everything under it: every handle onto them answers invalidUIElement.
  void removeSubtree(NodeIndex n) {
    st_.detach(n);
    std::vector<NodeIndex> stack{n};
    while (!stack.empty()) {
      const NodeIndex m = stack.back();
      stack.pop_back();
      SimNode& node = st_.nodes[static_cast<std::size_t>(m)];
      node.invalid = true;
      stack.insert(stack.end(), node.children.begin(), node.children.end());
      node.children.clear();
    }
  }

  void changes(const Json& list, const std::string& where) {
    if (!list.is_array()) fail(where, "expected an array of changes");
    for (std::size_t i = 0; i < list.size(); ++i) {
      const Json& c = list[i];
      const std::string at = where + "[" + std::to_string(i) + "]";
      if (!c.is_object()) fail(at, "expected a change object");
      if (c.contains("set")) {
        onlyKeys(c, at, {"set", "attributes"});
        const NodeIndex n = lookup(c["set"], at + ".set");
        if (!c.contains("attributes")) fail(at, "\"set\" needs \"attributes\"");
        elementKeys(n, c["attributes"], at + ".attributes");
      } else if (c.contains("appendChildren") || c.contains("replaceChildren")) {
        const bool replace = c.contains("replaceChildren");
        onlyKeys(c, at, {replace ? "replaceChildren" : "appendChildren", "children"});
        const NodeIndex n = lookup(c[replace ? "replaceChildren" : "appendChildren"], at);
        if (replace) {
          const auto old = st_.nodes[static_cast<std::size_t>(n)].children;
          for (NodeIndex child : old) removeSubtree(child);
        }
        const Json& kids = c.value("children", Json::array());
        if (!kids.is_array()) fail(at + ".children", "expected an array of elements");
        const pid_t pid = st_.nodes[static_cast<std::size_t>(n)].pid;
        const bool app = st_.nodes[static_cast<std::size_t>(n)].kind == SimNode::Kind::application;
        for (std::size_t k = 0; k < kids.size(); ++k) {
          element(kids[k], n, pid, app, at + ".children[" + std::to_string(k) + "]");
        }
      } else if (c.contains("remove")) {
        onlyKeys(c, at, {"remove"});
        removeSubtree(lookup(c["remove"], at + ".remove"));
      } else if (c.contains("scroll")) {
        onlyKeys(c, at, {"scroll", "dy"});
        const NodeIndex w = lookup(c["scroll"], at + ".scroll");
        if (!st_.isWindow(w)) fail(at + ".scroll", "not a window");
        auto& y = st_.nodes[static_cast<std::size_t>(w)].scrollY;
        y = std::max(0.0, y + number(c.value("dy", Json(0)), at + ".dy"));
      } else if (c.contains("quit")) {
        // The application's process ends: it leaves the running applications, its elements die.
        onlyKeys(c, at, {"quit"});
        const NodeIndex a = lookup(c["quit"], at + ".quit");
        SimNode& app = st_.nodes[static_cast<std::size_t>(a)];
        if (app.kind != SimNode::Kind::application) fail(at + ".quit", "not an application");
        if (st_.frontmost == app.pid) st_.frontmost.reset();
        std::erase(st_.apps, a);
        removeSubtree(a);
      } else if (c.contains("frontmost")) {
        onlyKeys(c, at, {"frontmost"});
        st_.frontmost = pidOrRef(c["frontmost"], at + ".frontmost");
        st_.announceFrontmost();
      } else if (c.contains("trusted")) {
        onlyKeys(c, at, {"trusted"});
        if (!c["trusted"].is_boolean()) fail(at + ".trusted", "expected a boolean");
        st_.trusted = c["trusted"].get<bool>();
      } else if (c.contains("modifiers")) {
        onlyKeys(c, at, {"modifiers"});
        st_.modifiers = modifierNames(c["modifiers"], at + ".modifiers");
      } else if (c.contains("relaunch")) {
        onlyKeys(c, at, {"relaunch"});
        const NodeIndex n = lookup(c["relaunch"], at + ".relaunch");
        SimNode& app = st_.nodes[static_cast<std::size_t>(n)];
        if (app.kind != SimNode::Kind::application) fail(at + ".relaunch", "not an application");
        app.app.launchedAt = ++st_.launches;
      } else {
        fail(at, "unknown change (expected set, appendChildren, replaceChildren, remove, scroll, frontmost, trusted, "
                 "modifiers or relaunch)");
      }
    }
    resolve();
  }

  Script script(const Json& entry, const std::string& where) {
    onlyKeys(entry, where, {"when", "do"});
    if (!entry.contains("when") || !entry.contains("do")) fail(where, "a script entry needs \"when\" and \"do\"");
    const Json& w = entry["when"];
    const std::string at = where + ".when";
    Script s;
    if (w.contains("walks")) {
      onlyKeys(w, at, {"walks", "window"});
      s.kind = Script::Kind::walks;
      s.count = static_cast<int>(std::clamp<std::int64_t>(integer(w["walks"], at + ".walks"), 0, 1'000'000));
      if (w.contains("window")) {
        s.target = lookup(w["window"], at + ".window");
        if (!st_.isWindow(s.target)) fail(at + ".window", "not a window");
      }
    } else if (w.contains("seconds")) {
      onlyKeys(w, at, {"seconds"});
      s.kind = Script::Kind::seconds;
      s.seconds = number(w["seconds"], at + ".seconds");
    } else if (w.contains("keyChord")) {
      onlyKeys(w, at, {"keyChord", "app", "count"});
      s.kind = Script::Kind::keyChord;
      const Json& k = w["keyChord"];
      onlyKeys(k, at + ".keyChord", {"keyCode", "flags"});
      s.chord.keyCode = static_cast<int>(integer(k.value("keyCode", Json(-1)), at + ".keyChord.keyCode"));
      if (k.contains("flags")) s.chord.flags = texts(k["flags"], at + ".keyChord.flags");
      std::sort(s.chord.flags.begin(), s.chord.flags.end());
      if (w.contains("app")) s.chord.pid = pidOrRef(w["app"], at + ".app").value_or(0);
      s.count = w.contains("count") ? static_cast<int>(integer(w["count"], at + ".count")) : 1;
    } else if (w.contains("setAttribute")) {
      onlyKeys(w, at, {"setAttribute", "element"});
      s.kind = Script::Kind::setAttribute;
      s.attribute = text(w["setAttribute"], at + ".setAttribute");
      if (w.contains("element")) s.target = lookup(w["element"], at + ".element");
    } else {
      fail(at, "expected walks, seconds, keyChord or setAttribute");
    }
    if (!entry["do"].is_array()) fail(where + ".do", "expected an array of changes");
    s.changes = entry["do"];
    return s;
  }

  void scene(const Json& j) {
    if (!j.is_object()) fail("", "a scene is a JSON object");
    if (j.contains("meta") && j.contains("nodes")) return dump(j);
    onlyKeys(j, "", {"trusted", "frontmost", "self", "modifiers", "latency", "layout", "applications", "script"});
    if (auto it = j.find("modifiers"); it != j.end()) st_.modifiers = modifierNames(*it, "modifiers");
    if (auto it = j.find("trusted"); it != j.end()) {
      if (!it->is_boolean()) fail("trusted", "expected a boolean");
      st_.trusted = it->get<bool>();
    }
    if (auto it = j.find("latency"); it != j.end()) {
      st_.defaultLatency = number(*it, "latency");
      if (st_.defaultLatency < 0) fail("latency", "latency cannot be negative");
    }
    if (auto it = j.find("layout"); it != j.end()) {
      onlyKeys(*it, "layout", {"charWidth", "lineHeight"});
      if (it->contains("charWidth")) st_.metrics.charWidth = number((*it)["charWidth"], "layout.charWidth");
      if (it->contains("lineHeight")) st_.metrics.lineHeight = number((*it)["lineHeight"], "layout.lineHeight");
      if (!(st_.metrics.charWidth > 0) || !(st_.metrics.lineHeight > 0)) fail("layout", "sizes must be positive");
    }
    if (auto it = j.find("applications"); it != j.end()) {
      if (!it->is_array()) fail("applications", "expected an array");
      for (std::size_t i = 0; i < it->size(); ++i) application((*it)[i], "applications[" + std::to_string(i) + "]");
    }
    resolve();
    if (auto it = j.find("frontmost"); it != j.end()) {
      st_.frontmost = pidOrRef(*it, "frontmost");
    } else if (!st_.apps.empty()) {
      st_.frontmost = st_.nodes[static_cast<std::size_t>(st_.apps.front())].pid;
    }
    if (auto it = j.find("self"); it != j.end()) st_.self = pidOrRef(*it, "self");
    if (auto it = j.find("script"); it != j.end()) {
      if (!it->is_array()) fail("script", "expected an array of entries");
      for (std::size_t i = 0; i < it->size(); ++i) {
        st_.scripts.push_back(script((*it)[i], "script[" + std::to_string(i) + "]"));
      }
    }
  }

  // A capture dump: one application with the recorded window in front.
  void dump(const Json& j) {
    const Json& meta = j["meta"];
    if (!meta.is_object()) fail("meta", "expected an object");
    Json app = Json::object();
    app["pid"] = 1000;
    if (meta.contains("appName")) app["name"] = meta["appName"];
    if (meta.contains("bundleId") && meta["bundleId"] != "?") app["bundleId"] = meta["bundleId"];
    application(app, "meta");
    const NodeIndex appNode = st_.apps.front();
    const NodeIndex w = flatWindow(j["nodes"], appNode, 1000, "nodes");
    SimNode& app0 = st_.nodes[static_cast<std::size_t>(appNode)];
    app0.focusedWindow = app0.mainWindow = w;
    SimNode& win = st_.nodes[static_cast<std::size_t>(w)];
    if (auto it = meta.find("windowTitle"); it != meta.end()) store(win, "AXTitle", text(*it, "meta.windowTitle"));
    if (auto it = meta.find("windowFrame"); it != meta.end() && !win.frame) win.frame = rect(*it, "meta.windowFrame");
    // The address belongs to the first web area, where the walk looks for it.
    if (auto it = meta.find("url"); it != meta.end()) {
      const std::string url = text(*it, "meta.url");
      for (std::size_t i = static_cast<std::size_t>(w); i < st_.nodes.size(); ++i) {
        SimNode& n = st_.nodes[i];
        auto role = std::find_if(n.attrs.begin(), n.attrs.end(), [](const auto& p) { return p.first == "AXRole"; });
        if (role != n.attrs.end() && role->second == ax::Value("AXWebArea")) {
          store(n, "AXURL", ax::Url{url});
          break;
        }
      }
    }
    st_.frontmost = 1000;
    resolve();
  }

 private:
  SimDesktop::State& st_;
  std::vector<PendingRef> pending_;
};

}  // namespace

void setText(SimNode& node, const std::string& utf8, bool isValue) {
  node.hasText = true;
  node.textIsValue = isValue;
  node.textUtf8 = utf8;
  const icu::UnicodeString u = icu::UnicodeString::fromUTF8(utf8);
  node.text16.assign(reinterpret_cast<const char16_t*>(u.getBuffer()), static_cast<std::size_t>(u.length()));
}

void loadScene(SimDesktop::State& st, const json::Json& scene) {
  Builder(st).scene(scene);
  st.loadedAt = dispatch::monotonicNanos();
}

void applyChanges(SimDesktop::State& st, const json::Json& changes, const std::string& where) {
  Builder(st).changes(changes, where);
}

Script parseScript(SimDesktop::State& st, const json::Json& entry, const std::string& where) {
  return Builder(st).script(entry, where);
}

}  // namespace orvak::sim

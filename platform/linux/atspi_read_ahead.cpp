// Reading a whole subtree ahead of a walk.
//
// One request to another program costs a round trip through the bus, and a walk that asks one
// element at a time waits for every one of them. Here the elements the walk will visit are asked
// for many at a time: each is read in two steps (first what every element needs, then what its
// role and first answers call for), and up to `kWindow` requests of any elements are in flight at
// once, taken in the order the walk will visit the elements, so that a read cut by its deadline
// holds the first part of the walk. What comes back is kept on each element (AtspiElement::
// Fetched) and answers the walk's requests while the caller holds the lease.
//
// Per element, where the live requests ask role, states, attributes, interfaces, name,
// description, children and extents one call each and the text besides, this asks the role, the
// states, the extents and all accessible properties at once (name, description, object
// attributes, child count), then the children only where there are any and the text (whose
// reply also tells whether the element has text at all) where the walk reads it or it is cut
// into runs; URLs and carets only of the roles the walk reads them from. A text run costs one
// request (its extents).
//
// Below a web page the roles and visibility of all elements come in a few requests for the whole
// document, where its program answers collection queries faithfully: one query lists every
// element below the document, one per bit of the role numbers lists the elements whose role
// differs in that bit from the commonest role of a page (its text), and one lists the elements
// that are not VISIBLE. An element the lists name is asked only its properties, extents, children
// and text (and its states where the role's mapping reads them); a hidden one nothing. Each
// query walks the whole document inside the program, so there are few of them and their answers
// are short.
#include <algorithm>
#include <array>
#include <bit>
#include <deque>
#include <map>
#include <span>

#include "core/base/dispatch.h"
#include "core/text/text.h"
#include "platform/linux/atspi_element.h"
#include "platform/linux/atspi_text_runs.h"

namespace orvak::atspi {

namespace {

// Requests in flight at once. The program answers them one after another; enough must wait at
// its end that it never runs dry while our replies travel back.
constexpr std::size_t kWindow = 384;

// Toolkits whose accessibility bridge answers Properties.GetAll on accessible objects. Qt 6.4's
// own adaptor ends the whole program when asked (checked): elsewhere each property is asked by
// itself.
constexpr std::array<std::string_view, 5> kPropertyListToolkits = {"Chromium", "GTK", "gtk", "GAIL", "Gecko"};

// Toolkits whose bridge answers collection queries below a document with every element the walk
// meets there, matched on the roles and states GetRole and GetState give (compared element by
// element on Chromium's pages).
constexpr std::array<std::string_view, 1> kCollectionToolkits = {"Chromium"};
constexpr std::uint32_t kCanonicalOrder = ATSPI_Collection_SORT_ORDER_CANONICAL;
constexpr std::int32_t kMatchAll = ATSPI_Collection_MATCH_ALL;
constexpr std::int32_t kMatchAny = ATSPI_Collection_MATCH_ANY;
constexpr std::int32_t kMatchNone = ATSPI_Collection_MATCH_NONE;
// Role numbers are below ATSPI_ROLE_LAST_DEFINED: this many bits tell them apart.
constexpr int kRoleBits = std::bit_width(static_cast<unsigned>(ATSPI_ROLE_LAST_DEFINED) - 1);
static_assert((1U << kRoleBits) >= ATSPI_ROLE_LAST_DEFINED, "the role queries tell every role number apart");
// Most elements of a page are its text: the role queries list the elements whose role differs
// from it in a bit, so that a text element is in none of them.
constexpr std::uint32_t kCommonRole = ATSPI_ROLE_STATIC;
// One query for all elements, one per role bit, one for the elements that are not VISIBLE.
constexpr int kMatchQueries = 1 + kRoleBits + 1;
constexpr std::uint64_t kVisible = std::uint64_t{1} << static_cast<std::uint32_t>(State::visible);

bool isDocument(Role r) { return r == Role::documentWeb || r == Role::documentFrame || r == Role::documentEmail; }

// A set of small numbers as the interface sends it: bit n%32 of word n/32.
std::vector<std::int32_t> bitArray(std::span<const std::uint32_t> numbers) {
  std::vector<std::int32_t> words;
  for (const std::uint32_t n : numbers) {
    if (words.size() <= n / 32) words.resize(n / 32 + 1);
    words[n / 32] = static_cast<std::int32_t>(static_cast<std::uint32_t>(words[n / 32]) | (1U << (n % 32)));
  }
  return words;
}

// The match rule of query `q` of a document (see kMatchQueries).
dbus::Struct matchRule(int q) {
  std::vector<std::uint32_t> roles;
  std::vector<std::uint32_t> states;
  std::int32_t stateMatch = kMatchAll;
  if (q >= 1 && q <= kRoleBits) {
    for (std::uint32_t r = 0; r < ATSPI_ROLE_LAST_DEFINED; ++r) {
      if (((r ^ kCommonRole) >> (q - 1)) & 1U) roles.push_back(r);
    }
  } else if (q > kRoleBits) {
    states.push_back(static_cast<std::uint32_t>(State::visible));
    stateMatch = kMatchNone;
  }
  const std::int32_t roleMatch = roles.empty() ? kMatchAll : kMatchAny;
  return {{bitArray(states), stateMatch, dbus::StringMap{}, kMatchAll, bitArray(roles), roleMatch,
           std::vector<std::string>{}, kMatchAll, false}};
}

bool contains(std::span<const std::string_view> list, std::string_view s) {
  return std::find(list.begin(), list.end(), s) != list.end();
}

// The properties of a Properties.GetAll reply by name (a dictionary of strings when every
// property is one).
std::map<std::string, dbus::Value> propertiesOf(const dbus::Value& v) {
  std::map<std::string, dbus::Value> out;
  if (const auto* m = v.map()) {
    for (const auto& [key, value] : *m) out[key] = dbus::Value{value};
  } else if (const auto* pairs = v.list()) {
    for (const auto& p : *pairs) {
      const auto* kv = p.list();
      if (kv && kv->size() == 2 && (*kv)[0].text()) out[*(*kv)[0].text()] = (*kv)[1];
    }
  }
  return out;
}

dbus::Reply replyOf(dbus::Value v) {
  dbus::Reply r;
  r.values.push_back(std::move(v));
  return r;
}

}  // namespace

class ReadAheadRun {
 public:
  ReadAheadRun(const AtspiElement& root, const ax::SubtreeRead& read) : read_(read) {
    lease_ = std::make_shared<int>(0);
    Node n;
    n.element = &root;
    nodes_.push_back(std::move(n));
    ready(0);
  }

  ax::ReadAhead run() {
    while (true) {
      if (past()) break;
      while (inFlight_.size() < kWindow && !ready_.empty()) {
        std::pop_heap(ready_.begin(), ready_.end(), later());
        const std::size_t i = ready_.back();
        ready_.pop_back();
        start(i);
      }
      if (inFlight_.empty()) break;
      Request r = std::move(inFlight_.front());
      inFlight_.pop_front();
      received(r.node, r.ask, r.query, r.reply.wait());
    }
    return lease_;
  }


 private:
  enum class Ask { role, states, all, extents, attributes, name, description, children, text, selection, caret, document,
                   matches };

  // An element below a document as the document's collection queries list it.
  struct Matched {
    std::uint32_t roleBits = 0;  // where the role differs from kCommonRole
    bool visible = true;
    bool listed = false;  // by the query for all elements: role and visibility are known
    std::uint32_t role() const { return kCommonRole ^ roleBits; }
  };
  struct MatchTable {
    std::map<dbus::ObjectRef, Matched> elements;
    int waiting = kMatchQueries;
    bool failed = false;
  };

  struct Node {
    const AtspiElement* element = nullptr;
    ax::Element handle;  // keeps the element alive (the root is the caller's)
    std::vector<std::uint32_t> path;  // child indices from the root: the walk's visiting order
    std::int64_t depth = 0;
    int waiting = 0;
    bool factsAsked = false;  // role, properties and extents
    bool second = false;      // the second step was asked
    bool textAsked = false;
    std::optional<std::int64_t> childCount;
    std::optional<Matched> matched;  // role and visibility from a document's collection queries
    std::optional<std::size_t> table;  // of a document: its collection queries' answers
    dbus::Reply role, states, children, text;
    AtspiElement::Fetched fetched;
  };

  struct Request {
    dbus::PendingReply reply;
    std::size_t node;
    Ask ask;
    int query = 0;  // of Ask::matches
  };

  bool past() const { return read_.deadlineNs != 0 && dispatch::monotonicNanos() >= read_.deadlineNs; }

  // Heap order: the element the walk visits first on top.
  struct Later {
    const std::deque<Node>* nodes;
    bool operator()(std::size_t a, std::size_t b) const { return (*nodes)[a].path > (*nodes)[b].path; }
  };
  Later later() const { return {&nodes_}; }

  void ready(std::size_t i) {
    ready_.push_back(i);
    std::push_heap(ready_.begin(), ready_.end(), later());
  }

  void ask(std::size_t i, Ask what, const char* interface, const char* method, std::vector<dbus::Arg> args = {},
           int query = 0) {
    const AtspiElement& e = *nodes_[i].element;
    ++nodes_[i].waiting;
    inFlight_.push_back({e.bus_->send(e.call(interface, method, std::move(args)), e.timeout()), i, what, query});
  }

  void start(std::size_t i) {
    const AtspiElement& e = *nodes_[i].element;
    if (e.kind_ == AtspiElement::Kind::textRun) {
      ask(i, Ask::extents, kText, "GetRangeExtents",
          {static_cast<std::int32_t>(e.runStart_), static_cast<std::int32_t>(e.runEnd_), kScreenCoords});
      return;
    }
    Node& n = nodes_[i];
    if (e.inDocument_) n.matched = matched(e.ref_);
    if (n.matched) {
      auto& facts = n.fetched.facts;
      facts.role = n.matched->role();
      facts.states = n.matched->visible ? kVisible : 0;
      facts.statesKnown = kVisible;
      facts.statesRead = true;
      if (e.hidden(States{facts.states})) {
        n.fetched.hidden = true;
        publish(i);
        return;
      }
      if (mappingReadsStates(facts.role)) ask(i, Ask::states, kAccessible, "GetState");
      askFacts(i);
      return;
    }
    ask(i, Ask::states, kAccessible, "GetState");
    // A program's own tool bars and menus keep many hidden elements: there the states go first,
    // and a hidden element costs nothing more. Inside a page hardly any element is hidden.
    if (e.inDocument_ || e.topLevel_) askFacts(i);
  }

  // The element as a finished collection query of a document above it lists it.
  std::optional<Matched> matched(const dbus::ObjectRef& ref) const {
    for (const MatchTable& t : tables_) {
      if (t.waiting > 0 || t.failed) continue;
      if (const auto it = t.elements.find(ref); it != t.elements.end() && it->second.listed) return it->second;
    }
    return std::nullopt;
  }

  void askFacts(std::size_t i) {
    nodes_[i].factsAsked = true;
    if (!nodes_[i].matched) ask(i, Ask::role, kAccessible, "GetRole");
    if (listsProperties(*nodes_[i].element)) {
      ask(i, Ask::all, kProperties, "GetAll", {std::string(kAccessible)});
    } else {
      takeProperties(i, dbus::Reply{});
    }
    ask(i, Ask::extents, kComponent, "GetExtents", {kScreenCoords});
  }

  bool listsProperties(const AtspiElement& e) { return contains(kPropertyListToolkits, toolkit(e)); }
  bool answersCollections(const AtspiElement& e) { return contains(kCollectionToolkits, toolkit(e)); }

  const std::string& toolkit(const AtspiElement& e) {
    auto it = toolkits_.find(e.ref_.bus);
    if (it == toolkits_.end()) it = toolkits_.emplace(e.ref_.bus, e.bus_->toolkitOf(e.ref_.bus, e.timeout())).first;
    return it->second;
  }

  // The collection queries of the document at node `i`, answered before its children, so that
  // they are in when the walk meets the elements below.
  void askMatches(std::size_t i) {
    nodes_[i].table = tables_.size();
    tables_.emplace_back();
    for (int q = 0; q < kMatchQueries; ++q) {
      ask(i, Ask::matches, kCollection, "GetMatches", {matchRule(q), kCanonicalOrder, std::int32_t{0}, true}, q);
    }
  }

  void takeMatches(const Node& document, int q, const dbus::Reply& reply) {
    MatchTable& t = tables_[*document.table];
    --t.waiting;
    const dbus::List* list = reply.ok() ? reply.first().list() : nullptr;
    if (!list) {
      t.failed = true;
      return;
    }
    for (const auto& v : *list) {
      const auto* ref = v.object();
      if (!ref) continue;
      Matched& m = t.elements[*ref];
      if (q == 0) {
        m.listed = true;
      } else if (q <= kRoleBits) {
        m.roleBits |= 1U << (q - 1);
      } else {
        m.visible = false;
      }
    }
  }

  void received(std::size_t i, Ask what, int query, dbus::Reply reply) {
    Node& n = nodes_[i];
    --n.waiting;
    auto& f = n.fetched;
    switch (what) {
      case Ask::role: n.role = std::move(reply); break;
      case Ask::states: n.states = std::move(reply); break;
      case Ask::extents: f.extents = std::move(reply); break;
      case Ask::all: takeProperties(i, reply); break;
      case Ask::attributes:
        if (const auto* m = reply.first().map()) f.facts.attributes = *m;
        break;
      case Ask::name: f.name = std::move(reply); break;
      case Ask::description: f.description = std::move(reply); break;
      case Ask::children: n.children = std::move(reply); break;
      case Ask::text: n.text = std::move(reply); break;
      case Ask::selection: f.selection = std::move(reply); break;
      case Ask::caret: f.caret = std::move(reply); break;
      case Ask::document: f.document = std::move(reply); break;
      case Ask::matches: takeMatches(n, query, reply); break;
    }
    if (n.waiting > 0) return;
    if (n.element->kind_ == AtspiElement::Kind::textRun) {
      publish(i);
    } else if (!n.factsAsked) {
      statesDone(i);
    } else if (!n.second) {
      firstDone(i);
    } else {
      secondDone(i);
    }
  }

  // Name, description, attributes and the child count in one reply; what a program leaves out
  // of it is asked for by itself.
  void takeProperties(std::size_t i, const dbus::Reply& reply) {
    Node& n = nodes_[i];
    const auto props = reply.ok() && !reply.values.empty() ? propertiesOf(reply.first())
                                                           : std::map<std::string, dbus::Value>{};
    const auto take = [&](const char* key, dbus::Reply& into, Ask what) {
      if (const auto it = props.find(key); it != props.end() && it->second.text()) {
        into = replyOf(it->second);
      } else {
        ask(i, what, kProperties, "Get", {std::string(kAccessible), std::string(key)});
      }
    };
    take("Name", n.fetched.name, Ask::name);
    take("Description", n.fetched.description, Ask::description);
    if (const auto it = props.find("Attributes"); it != props.end() && it->second.map()) {
      n.fetched.facts.attributes = *it->second.map();
    } else {
      ask(i, Ask::attributes, kAccessible, "GetAttributes");
    }
    if (const auto it = props.find("ChildCount"); it != props.end()) n.childCount = it->second.integer();
  }

  // The states came first: a hidden element is done, any other is asked the rest.
  void statesDone(std::size_t i) {
    Node& n = nodes_[i];
    const auto err = errorOf(n.states);
    if (err == ax::Error::success && n.element->hidden(States{stateBits(n.states.first())})) {
      n.fetched.hidden = true;
      n.fetched.facts.states = stateBits(n.states.first());
      n.fetched.facts.statesRead = true;
      publish(i);
      return;
    }
    askFacts(i);
  }

  // Role, states, properties and extents are in: the element fails, is hidden, or its second
  // step goes out.
  void firstDone(std::size_t i) {
    Node& n = nodes_[i];
    const AtspiElement& e = *n.element;
    auto& f = n.fetched;
    if (n.matched) {
      // Listed a moment ago; gone since, it fails as its role request would have.
      if (const auto err = errorOf(f.extents); err == ax::Error::invalidUIElement || err == ax::Error::cannotComplete) {
        f.failed = err;
        publish(i);
        return;
      }
      // States asked where the mapping reads them.
      if (n.states.ok() && !n.states.values.empty()) {
        f.facts.states = stateBits(n.states.first());
        f.facts.statesKnown = ~std::uint64_t{0};
        if (e.hidden(States{f.facts.states})) {
          f.hidden = true;
          publish(i);
          return;
        }
      }
    } else {
      if (const auto err = errorOf(n.role); err != ax::Error::success) {
        f.failed = (err == ax::Error::invalidUIElement || err == ax::Error::cannotComplete) ? err : ax::Error::failure;
        publish(i);
        return;
      }
      f.facts.role = static_cast<std::uint32_t>(n.role.first().integer().value_or(0));
      if (const auto err = errorOf(n.states); err == ax::Error::invalidUIElement || err == ax::Error::cannotComplete) {
        f.failed = err;
        publish(i);
        return;
      }
      if (n.states.ok()) {
        f.facts.states = stateBits(n.states.first());
        f.facts.statesRead = true;
      }
      if (f.facts.statesRead && e.hidden(States{f.facts.states})) {
        f.hidden = true;
        publish(i);
        return;
      }
    }
    n.second = true;
    const auto role = static_cast<Role>(f.facts.role);
    // A page's elements are listed by its document, unless a document above has listed them.
    if (isDocument(role) && n.childCount != 0 && !n.matched && answersCollections(e)) askMatches(i);
    if (n.childCount != 0) ask(i, Ask::children, kAccessible, "GetChildren");
    const MappedRole mapped = mapRole(f.facts.role, f.facts.attributes, States{f.facts.states});
    // The walk reads the text of an element without children and of a text role; elsewhere it
    // serves only to cut the text into runs between the children, which some programs never need.
    if (asksText(n) && (n.childCount == 0 || contains(read_.valueTextRoles, mapped.role) || !e.givesRunsAsChildren())) {
      askText(i);
    }
    if (mapped.role == "AXTextArea") {
      ask(i, Ask::selection, kText, "GetSelection", {std::int32_t{0}});
      ask(i, Ask::caret, kProperties, "Get", {std::string(kText), std::string("CaretOffset")});
    }
    if (mapped.role == "AXWebArea") ask(i, Ask::document, kDocument, "GetAttributes");
    if (n.waiting == 0) secondDone(i);
  }

  bool asksText(const Node& n) const { return n.fetched.facts.role != static_cast<std::uint32_t>(Role::passwordText); }

  void askText(std::size_t i) {
    nodes_[i].textAsked = true;
    ask(i, Ask::text, kText, "GetText", {std::int32_t{0}, std::int32_t{-1}});
  }

  void secondDone(std::size_t i) {
    Node& n = nodes_[i];
    const AtspiElement& e = *n.element;
    auto& f = n.fetched;
    if (n.textAsked && n.text.ok()) {
      if (const auto* s = n.text.first().text()) f.text = text::repairUtf8(*s);
    }
    dbus::Reply none;
    auto children = e.children(f.facts, n.childCount == 0 ? none : n.children, &f.text, false);
    // Without children after all, the walk reads the element's text: a third step asks it.
    if (!n.textAsked && asksText(n) && (!children.ok() || children.value.empty())) {
      askText(i);
      return;
    }
    f.textRead = n.textAsked;
    if (f.text) f.facts.interfaces.emplace_back(kText);
    if (f.document && errorOf(*f.document) != ax::Error::attributeUnsupported) f.facts.interfaces.emplace_back(kDocument);
    f.children = std::move(children);
    const auto published = publish(i);
    if (published->children->ok()) visitChildren(i, *published);
  }

  // The children the walk goes on to, as it decides.
  void visitChildren(std::size_t i, const AtspiElement::Fetched& f) {
    const Node& parent = nodes_[i];
    if (parent.depth + 1 > read_.maxDepth) return;
    MappedRole mapped = mapRole(f.facts.role, f.facts.attributes, States{f.facts.states});
    if (parent.element->topLevel_) mapped = {"AXWindow", "AXStandardWindow"};
    if (contains(read_.secureRoles, mapped.role)) return;
    if (mapped.subrole && text::containsIgnoringCase(*mapped.subrole, "secure")) return;
    if (contains(read_.valueTextRoles, mapped.role) && f.text &&
        !text::trim(withoutEmbeddedObjects(*f.text)).empty()) {
      return;
    }
    const ax::ElementList& kids = f.children->value;
    std::size_t end = kids.size();
    if (contains(read_.cappedRoles, mapped.role)) end = std::min(end, read_.listCap);
    const auto& path = parent.path;
    const auto depth = parent.depth + 1;
    for (std::size_t k = 0; k < end && nodes_.size() < read_.maxNodes; ++k) {
      const auto* child = static_cast<const AtspiElement*>(kids[k].impl());
      if (!child || child->kind_ == AtspiElement::Kind::application) continue;
      Node c;
      c.element = child;
      c.handle = kids[k];
      c.path = path;
      c.path.push_back(static_cast<std::uint32_t>(k));
      c.depth = depth;
      nodes_.push_back(std::move(c));
      ready(nodes_.size() - 1);
    }
  }

  std::shared_ptr<const AtspiElement::Fetched> publish(std::size_t i) {
    Node& n = nodes_[i];
    n.fetched.lease = lease_;
    auto fetched = std::make_shared<const AtspiElement::Fetched>(std::move(n.fetched));
    n.element->setFetched(fetched);
    n.fetched = {};
    n.role = n.states = n.children = n.text = {};
    return fetched;
  }

  ax::SubtreeRead read_;
  std::shared_ptr<int> lease_;
  std::deque<Node> nodes_;  // grows while its elements are worked on: references stay valid
  std::vector<std::size_t> ready_;
  std::deque<Request> inFlight_;
  std::map<std::string, std::string> toolkits_;  // by bus name
  std::deque<MatchTable> tables_;
};

ax::ReadAhead AtspiElement::readAhead(const ax::SubtreeRead& read) const {
  if (kind_ != Kind::object) return nullptr;
  return ReadAheadRun(*this, read).run();
}

}  // namespace orvak::atspi

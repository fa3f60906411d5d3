#include "app/capture/ax_walker.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "core/base/dispatch.h"
#include "core/text/text.h"

namespace orvak {

std::int64_t WalkResult::rawChars() const {
  std::int64_t sum = 0;
  for (const AXNode& n : nodes) {
    if (n.text) sum += text::graphemeCount(*n.text);
  }
  return sum;
}

namespace AXWalker {

namespace {

// Text from another process is repaired once, here, so nothing downstream meets broken UTF-8.
std::string fromOutside(const std::string& s) { return text::isValidUtf8(s) ? s : text::repairUtf8(s); }

std::optional<std::string> asText(const ax::Value& v) {
  if (const auto* s = v.as<std::string>()) return fromOutside(*s);
  return std::nullopt;
}

bool hasContent(std::string_view s) { return !text::trim(s).empty(); }

std::optional<std::string> nonBlankText(const ax::Value& v) {
  auto s = asText(v);
  if (s && hasContent(*s)) return s;
  return std::nullopt;
}

std::optional<Frame> frameOf(const ax::Value& position, const ax::Value& size) {
  const auto* p = position.as<ax::Point>();
  const auto* s = size.as<ax::Size>();
  if (!p || !s) return std::nullopt;
  return Frame{p->x, p->y, s->width, s->height};
}

std::optional<ax::Element> elementAttribute(const ax::Element& e, std::string_view name) {
  auto r = e.attribute(name);
  if (!r) return std::nullopt;
  if (const auto* el = r.value.as<ax::Element>(); el && *el) return *el;
  return std::nullopt;
}

double area(const std::optional<Frame>& f) { return f ? (*f)[2] * (*f)[3] : 0.0; }

double elapsedMs(std::uint64_t start) {
  const std::uint64_t now = dispatch::monotonicNanos();
  return now > start ? static_cast<double>(now - start) / 1e6 : 0.0;
}

constexpr std::array<std::string_view, 2> tableLikeRoles = {"AXTable", "AXOutline"};
bool isTableLike(std::string_view role) {
  return std::find(tableLikeRoles.begin(), tableLikeRoles.end(), role) != tableLikeRoles.end();
}

// Children waiting to be visited: one entry per visited parent instead of one per child, so a
// parent reporting a million children costs one list, not a million stack entries. The visiting
// order is the same as pushing each child: the first child next, then its subtree, then the
// second.
struct Pending {
  ax::ElementList elements;
  std::size_t next = 0;
  std::size_t end = 0;
  std::optional<std::int64_t> parent;
  std::int64_t depth = 0;
};

}  // namespace

bool isValueTextRole(std::string_view role) {
  return std::find(valueTextRoles.begin(), valueTextRoles.end(), role) != valueTextRoles.end();
}

bool isSecure(std::string_view role, const std::optional<std::string>& subrole) {
  if (std::find(secureRoles.begin(), secureRoles.end(), role) != secureRoles.end()) return true;
  return subrole && text::containsIgnoringCase(*subrole, "secure");
}

std::optional<Frame> frame(const ax::Element& element) {
  auto position = element.attribute("AXPosition");
  if (!position) return std::nullopt;
  auto size = element.attribute("AXSize");
  if (!size) return std::nullopt;
  return frameOf(position.value, size.value);
}

std::optional<std::string> string(const ax::Element& element, std::string_view attribute) {
  auto r = element.attribute(attribute);
  if (!r) return std::nullopt;
  return asText(r.value);
}

std::optional<std::string> url(const ax::Element& element) {
  auto r = element.attribute("AXURL");
  if (!r) return std::nullopt;
  if (const auto* u = r.value.as<ax::Url>()) return fromOutside(u->absolute);
  return asText(r.value);
}

std::optional<std::string> stringValue(const ax::Element& element) {
  auto r = element.attribute("AXValue");
  if (!r) return std::nullopt;
  if (const auto* a = r.value.as<ax::AttributedText>()) return fromOutside(a->string);
  return asText(r.value);
}

std::optional<std::string> stringForRange(const ax::Element& element) {
  auto count = element.attribute("AXNumberOfCharacters");
  if (!count) return std::nullopt;
  const auto* n = count.value.as<double>();
  if (!n || !std::isfinite(*n) || *n < 1) return std::nullopt;
  const auto length = std::min<std::int64_t>(static_cast<std::int64_t>(std::min(*n, 1e15)), maxRangeRead);
  auto r = element.parameterizedAttribute("AXStringForRange", ax::Range{0, length});
  if (!r) return std::nullopt;
  return nonBlankText(r.value);
}

std::optional<std::int64_t> selectedLocation(const ax::Element& element) {
  auto r = element.attribute("AXSelectedTextRange");
  if (!r) return std::nullopt;
  const auto* range = r.value.as<ax::Range>();
  if (!range || range->location < 0) return std::nullopt;
  return range->location;
}

std::optional<ax::Element> pickWindow(const ax::Element& application) {
  const auto focused = elementAttribute(application, "AXFocusedWindow");
  const auto main = elementAttribute(application, "AXMainWindow");
  if (focused) {
    if (!main || *main == *focused) return focused;
    // A sheet, dialog or panel in front of the main window is not what the user reads.
    if (string(*focused, "AXSubrole") != "AXStandardWindow") return main;
    const auto mainFrame = frame(*main);
    if (!mainFrame) return focused;
    return area(frame(*focused)) >= 0.25 * area(mainFrame) ? focused : main;
  }
  if (main) return main;

  auto windows = application.attribute("AXWindows");
  if (!windows) return std::nullopt;
  const auto* list = windows.value.as<ax::ElementList>();
  if (!list || list->empty()) return std::nullopt;
  std::size_t best = 0;
  double bestArea = area(frame((*list)[0]));
  for (std::size_t i = 1; i < list->size(); ++i) {
    const auto f = frame((*list)[i]);
    if (f && area(f) > bestArea) {
      best = i;
      bestArea = area(f);
    }
  }
  return (*list)[best];
}

WalkResult walk(const ax::Element& window, WalkOptions options) {
  WalkResult r;
  const std::uint64_t start = dispatch::monotonicNanos();
  ax::ReadAhead ahead;
  if (options.readAhead) {
    ahead = window.readAhead({.maxNodes = maxNodes,
                              .maxDepth = maxDepth,
                              .listCap = listCap,
                              .cappedRoles = tableLikeRoles,
                              .valueTextRoles = valueTextRoles,
                              .secureRoles = secureRoles,
                              .deadlineNs = start + static_cast<std::uint64_t>(timeBudgetMs * readAheadShare * 1e6)});
  }
  r.windowTitle = string(window, "AXTitle");
  r.windowFrame = frame(window);

  std::vector<Pending> stack;
  stack.push_back({{window}, 0, 1, std::nullopt, 0});
  while (!stack.empty()) {
    Pending& top = stack.back();
    if (top.next == top.end) {
      stack.pop_back();
      continue;
    }
    const ax::Element element = std::move(top.elements[top.next++]);
    const std::optional<std::int64_t> parent = top.parent;
    const std::int64_t depth = top.depth;

    if (r.nodes.size() >= maxNodes) {
      r.truncated = true;
      r.truncatedReason = "maxNodes";
      break;
    }
    if (elapsedMs(start) > timeBudgetMs) {
      r.truncated = true;
      r.truncatedReason = "timeBudget";
      break;
    }

    ++r.attrCalls;
    auto batch = element.attributes(batchedAttributes);
    if (!batch || batch.value.size() != batchedAttributes.size()) continue;
    auto& v = batch.value;
    if (const auto* hidden = v[9].as<bool>(); hidden && *hidden) continue;

    AXNode node;
    node.id = static_cast<std::int64_t>(r.nodes.size());
    node.parent = parent;
    node.depth = depth;
    node.role = asText(v[0]).value_or("?");
    node.subrole = asText(v[1]);
    ax::ElementList children;
    if (auto* list = std::get_if<ax::ElementList>(&v[2].variant())) children = std::move(*list);
    node.frame = frameOf(v[3], v[4]);
    node.title = nonBlankText(v[5]);
    node.desc = nonBlankText(v[6]);
    if (const auto* classes = v[7].as<ax::TextList>()) {
      node.domClasses.emplace();
      node.domClasses->reserve(classes->size());
      for (const auto& c : *classes) node.domClasses->push_back(fromOutside(c));
    }
    node.domId = nonBlankText(v[8]);
    node.childCount = static_cast<std::int64_t>(children.size());

    const bool secure = isSecure(node.role, node.subrole);
    if (secure) {
      node.secureSkipped = true;
    } else {
      if (node.role == "AXWebArea" && !r.url) r.url = url(element);

      if (isValueTextRole(node.role) || children.empty()) {
        ++r.attrCalls;
        if (auto value = stringValue(element); value && hasContent(*value)) {
          node.text = std::move(value);
          node.textSource = "value";
        } else if (auto ranged = stringForRange(element)) {
          node.text = std::move(ranged);
          node.textSource = "stringForRange";
          r.attrCalls += 2;
        }
      }
      if (!node.text && children.empty()) {
        if (node.title) {
          node.text = node.title;
          node.textSource = "title";
        } else if (node.desc && node.role != "AXImage") {
          node.text = node.desc;
          node.textSource = "description";
        }
      }
      if (node.role == "AXTextArea" && node.text) {
        ++r.attrCalls;
        node.caret = selectedLocation(element);
      }
    }

    // The value of a text role already holds what its children would say.
    const bool valueCoversChildren = node.textSource == "value" && isValueTextRole(node.role);
    const bool visitChildren = !secure && !valueCoversChildren && depth + 1 <= maxDepth && !children.empty();
    const std::int64_t id = node.id;
    const bool tableLike = isTableLike(node.role);
    r.nodes.push_back(std::move(node));
    r.elements.push_back(element);
    if (visitChildren) {
      std::size_t end = children.size();
      if (tableLike && end > listCap) {
        end = listCap;
        ++r.cappedLists;
      }
      stack.push_back({std::move(children), 0, end, id, depth + 1});
    }
  }
  r.ms = elapsedMs(start);
  return r;
}

}  // namespace AXWalker

}  // namespace orvak

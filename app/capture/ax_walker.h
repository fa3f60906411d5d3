// Reads the Accessibility tree of one window of another application into flat node records.
//
// `AXWalker` decides which window of an application to read, which elements to visit, which
// attributes to ask each element for, which of an element's texts is its readable text, and when
// to stop. It holds no state: every operation is synchronous and runs on the caller's queue (the
// capture queue for captures), never on the interface thread, since one request may take as long
// as the Accessibility messaging time-out.
//
// Accessibility failures never surface: a failed read is an absent value, an element whose
// batched read fails is skipped with its subtree, and a walk of an unreadable window has no nodes.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/page/ax_node.h"
#include "platform/ax.h"

namespace orvak {

// One walk of a window.
struct WalkResult {
  std::vector<AXNode> nodes;           // depth-first pre-order; nodes[i].id == i
  std::vector<ax::Element> elements;   // elements[i] is the live element of nodes[i]
  bool truncated = false;
  std::optional<std::string> truncatedReason;  // "maxNodes" or "timeBudget" when truncated
  std::int64_t attrCalls = 0;                  // requests counted by the walk's rule
  std::int64_t cappedLists = 0;                // tables and outlines cut to their first children
  double ms = 0;
  std::optional<std::string> windowTitle;
  std::optional<Frame> windowFrame;
  std::optional<std::string> url;    // of the first web area that reports one
  std::optional<std::string> error;  // left empty by the walk

  // Characters (extended grapheme clusters) of every node's text, computed on each call.
  std::int64_t rawChars() const;
};

namespace AXWalker {

inline constexpr std::size_t maxNodes = 30'000;
inline constexpr double timeBudgetMs = 5'000;
inline constexpr std::int64_t maxDepth = 90;
inline constexpr std::size_t listCap = 12;  // children visited of a table or an outline
inline constexpr std::int64_t maxRangeRead = 300'000;

// Roles whose value is asked for even when they have children.
inline constexpr std::array<std::string_view, 3> valueTextRoles = {"AXStaticText", "AXTextArea", "AXTextField"};
// Roles that are never read.
inline constexpr std::array<std::string_view, 1> secureRoles = {"AXSecureTextField"};

// The attributes asked of every visited element in one request, in this order. "AXHidden" is true
// for an element a toolkit keeps in its tree while showing it nowhere (a closed menu or popover):
// such an element is left out with everything below it.
inline constexpr std::array<std::string_view, 10> batchedAttributes = {
    "AXRole", "AXSubrole", "AXChildren", "AXPosition", "AXSize", "AXTitle", "AXDescription", "AXDOMClassList",
    "AXDOMIdentifier", "AXHidden"};

bool isValueTextRole(std::string_view role);
// A password field or anything whose subrole says "secure" (any letter case): its text is never
// read.
bool isSecure(std::string_view role, const std::optional<std::string>& subrole);

// The share of the time budget the walk may spend fetching the tree ahead (ax::Element::
// readAhead); what was not fetched by then is asked for element by element, within the budget.
inline constexpr double readAheadShare = 0.8;

struct WalkOptions {
  // Off, every request goes to the application as the walk makes it, one element at a time.
  bool readAhead = true;
};

// Walks the window's tree (blocking the calling thread for the whole walk).
WalkResult walk(const ax::Element& window, WalkOptions options = {});
// The window of the application to read: the focused window unless it is a small or non-standard
// window in front of the main window, else the main window, else the largest listed window.
std::optional<ax::Element> pickWindow(const ax::Element& application);

// [x, y, width, height] from "AXPosition" (a point) and "AXSize" (a size); none unless both are.
std::optional<Frame> frame(const ax::Element& element);
// The attribute as text; none when the request fails or the value is not text.
std::optional<std::string> string(const ax::Element& element, std::string_view attribute);
// "AXURL": a URL's absolute string, or text unchanged.
std::optional<std::string> url(const ax::Element& element);
// "AXValue": text unchanged, or the plain string of attributed text.
std::optional<std::string> stringValue(const ax::Element& element);
// The element's whole text through "AXStringForRange" (at most `maxRangeRead` UTF-16 units), when
// it holds anything but white space and line breaks; returned untrimmed.
std::optional<std::string> stringForRange(const ax::Element& element);
// The location of "AXSelectedTextRange" (the insertion point), when it is 0 or more.
std::optional<std::int64_t> selectedLocation(const ax::Element& element);

}  // namespace AXWalker

}  // namespace orvak

// One element of a window's Accessibility tree as a walk saw it: what it is, the readable text it
// carries and where it sits on screen. Plain data: nothing downstream of the walk touches the live
// tree, so the cleaner, the privacy test and the capture dumps all work on these records.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/base/json_fwd.h"

namespace orvak {

// [x, y, width, height] in global screen points, origin top left.
using Frame = std::array<double, 4>;

struct AXNode {
  std::int64_t id = 0;                  // index in the walk's node list; the window is 0
  std::optional<std::int64_t> parent;   // none for the window
  std::int64_t depth = 0;               // 0 for the window
  std::string role;                     // "?" when the element reported no textual role
  std::optional<std::string> subrole;
  std::optional<std::string> text;        // the readable text chosen for this element
  std::optional<std::string> textSource;  // "value", "stringForRange", "title" or "description"
  std::optional<std::string> title;       // non-blank, untrimmed
  std::optional<std::string> desc;        // non-blank, untrimmed
  std::optional<Frame> frame;
  std::optional<std::vector<std::string>> domClasses;
  std::optional<std::string> domId;  // non-blank, untrimmed
  std::int64_t childCount = 0;       // as reported, before any cap
  bool secureSkipped = false;        // a secure field whose content was deliberately not read
  std::optional<std::int64_t> caret;  // insertion point of a text area with text, never negative

  bool operator==(const AXNode&) const = default;
};

// Optionals are left out when absent. Decoding requires "id" and "role"; "depth" and
// "childCount" default to 0 and "secureSkipped" to false; a present key of the wrong type throws
// json::DecodeError.
void to_json(json::Json& j, const AXNode& n);
void from_json(const json::Json& j, AXNode& n);

}  // namespace orvak

// The cleaner on node lists made from bytes: a tree in walk order (a parent before its children,
// id == index, node 0 the window) whose roles, texts, frames and classes the bytes choose. The
// cleaner must return, and its spans must lie inside its text.
#include <fuzzer/FuzzedDataProvider.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "core/page/ax_node.h"
#include "core/page/cleaner.h"
#include "core/text/text.h"

namespace {

using namespace orvak;

constexpr std::array kRoles = {"AXGroup",     "AXStaticText",      "AXHeading",  "AXLink",
                               "AXList",      "AXWebArea",         "AXTextArea", "AXButton",
                               "AXImage",     "AXTable",           "AXToolbar",  "AXScrollArea",
                               "AXTextField", "AXSecureTextField", "AXMenuItem", "AXDocumentArticle",
                               "AXFigure",    "AXCheckBox",        "?"};
constexpr std::array kSubroles = {
    "AXLandmarkMain",          "AXLandmarkNavigation", "AXLandmarkBanner",  "AXLandmarkContentInfo",
    "AXLandmarkComplementary", "AXLandmarkSearch",     "AXDocumentArticle", "AXTabButton"};
constexpr std::array kClasses = {"comment", "nav", "footer", "sidebar", "article", "content", "ad", "share", "menu"};
constexpr std::array kBundles = {"org.mozilla.firefox", "com.apple.mail", "org.chromium.Chromium", "com.apple.Preview",
                                 "org.libreoffice"};

template <std::size_t N>
const char* pick(FuzzedDataProvider& in, const std::array<const char*, N>& list) {
  return list[in.ConsumeIntegralInRange<std::size_t>(0, N - 1)];
}

// Texts from other programs are repaired to valid UTF-8 where they enter (the walk), so here too.
std::string someText(FuzzedDataProvider& in, std::size_t max) {
  return text::repairUtf8(in.ConsumeRandomLengthString(max));
}

std::optional<std::string> maybeText(FuzzedDataProvider& in) {
  if (!in.ConsumeBool()) return std::nullopt;
  return someText(in, 400);
}

Frame frame(FuzzedDataProvider& in) {
  return {static_cast<double>(in.ConsumeIntegralInRange<int>(-2000, 4000)),
          static_cast<double>(in.ConsumeIntegralInRange<int>(-20000, 40000)),
          static_cast<double>(in.ConsumeIntegralInRange<int>(0, 3000)),
          static_cast<double>(in.ConsumeIntegralInRange<int>(0, 3000))};
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider in(data, size);
  const auto count = in.ConsumeIntegralInRange<std::size_t>(1, 300);
  std::vector<AXNode> nodes;
  nodes.reserve(count);
  AXNode window;
  window.role = "AXWindow";
  window.frame = frame(in);
  nodes.push_back(window);
  while (nodes.size() < count && in.remaining_bytes() > 0) {
    AXNode n;
    n.id = static_cast<std::int64_t>(nodes.size());
    n.parent = in.ConsumeIntegralInRange<std::int64_t>(0, n.id - 1);
    n.depth = nodes[static_cast<std::size_t>(*n.parent)].depth + 1;
    n.role = pick(in, kRoles);
    if (in.ConsumeIntegralInRange(0, 5) == 0) n.subrole = pick(in, kSubroles);
    n.text = maybeText(in);
    if (n.text) n.textSource = in.ConsumeBool() ? "value" : "title";
    n.title = maybeText(in);
    if (in.ConsumeIntegralInRange(0, 7) == 0) n.desc = someText(in, 60);
    if (in.ConsumeBool()) n.frame = frame(in);
    if (in.ConsumeIntegralInRange(0, 5) == 0) n.domClasses = std::vector<std::string>{pick(in, kClasses)};
    if (in.ConsumeIntegralInRange(0, 9) == 0) n.domId = pick(in, kClasses);
    n.secureSkipped = n.role == "AXSecureTextField";
    if (n.role == "AXTextArea" && n.text && in.ConsumeBool()) n.caret = in.ConsumeIntegralInRange<std::int64_t>(0, 500);
    ++nodes[static_cast<std::size_t>(*n.parent)].childCount;
    nodes.push_back(std::move(n));
  }
  const std::optional<std::string> bundle =
      in.ConsumeBool() ? std::optional<std::string>(pick(in, kBundles)) : std::nullopt;
  const std::optional<std::string> url = in.ConsumeBool() ? std::optional<std::string>(someText(in, 80)) : std::nullopt;
  const CleanResult result = Cleaner::clean(nodes, nodes[0].frame, bundle, url);

  const auto length = static_cast<std::int64_t>(text::graphemeCount(result.text));
  for (const auto& span : result.spans) {
    if (span.start < 0 || span.start > span.end || span.end > length) __builtin_trap();
  }
  if (result.start.offset < 0 || result.start.offset > length) __builtin_trap();
  return 0;
}

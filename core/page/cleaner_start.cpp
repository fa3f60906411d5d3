// Stage 9: the stretch lists of the result and where reading starts.
#include <algorithm>
#include "core/page/cleaner_stages.h"
#include "core/page/cleaner_vocabulary.h"
#include "core/text/text.h"

namespace orvak::Cleaner::detail {

namespace {

double width(const Para& p) { return p.minX < p.maxX ? p.maxX - p.minX : 0; }

bool qualifies(const Para& p, double widest) {
  if (!p.visible) return false;
  if (p.framedChars > 0 && 2 * p.visibleChars < p.framedChars) return false;
  return p.heading || width(p) >= 0.4 * widest;
}

// The start of the line holding character `caret` of the paragraph.
int lineStart(const Para& p, int caret) {
  const auto chars = text::graphemes(p.text);
  int c = std::min<int>(caret, int(chars.size()));
  while (c > 0 && !text::isNewline(chars[std::size_t(c - 1)])) --c;
  return c;
}

ReadStart startPoint(const std::vector<Para>& paras, const Layout& text, bool hasGeometry) {
  const auto fromTop = [](int offset, ReadStart::Reason reason) {
    return offset < minSkipChars ? ReadStart{} : ReadStart{offset, reason, std::nullopt};
  };
  const bool anyVisible = std::any_of(paras.begin(), paras.end(), [](const Para& p) { return p.visible; });
  const auto withCaret = std::find_if(paras.begin(), paras.end(), [](const Para& p) { return p.caret.has_value(); });
  if (withCaret != paras.end() && (!anyVisible || withCaret->visible)) {
    const auto i = std::size_t(withCaret - paras.begin());
    return fromTop(text.starts[i] + lineStart(*withCaret, *withCaret->caret), ReadStart::Reason::cursor);
  }
  if (hasGeometry) {
    const auto i = firstReadable(paras);
    if (!i) return {};
    return fromTop(text.starts[std::size_t(*i)], ReadStart::Reason::viewport);
  }
  return {};
}

}  // namespace

std::optional<int> firstReadable(const std::vector<Para>& paras) {
  if (paras.empty()) return std::nullopt;
  double widest = 0;
  for (const Para& p : paras) widest = std::max(widest, width(p));
  std::optional<std::size_t> j;
  for (std::size_t i = 0; i < paras.size() && !j; ++i) {
    if (qualifies(paras[i], widest)) j = i;
  }
  if (!j) {
    for (std::size_t i = 0; i < paras.size(); ++i) {
      if (paras[i].visible) return int(i);
    }
    return std::nullopt;
  }
  // A visible heading just below a short opening paragraph or two starts the reading instead.
  int sum = 0;
  for (std::size_t k = *j; k < paras.size() && k < *j + 3; ++k) {
    const Para& p = paras[k];
    if (!p.visible) continue;
    if (p.heading) return int(sum < 701 && k > *j ? k : *j);
    sum += p.length;
  }
  return int(*j);
}

Stretches finish(const std::vector<Para>& paras, const Layout& text, bool hasGeometry) {
  Stretches out;
  for (std::size_t i = 0; i < paras.size(); ++i) {
    const Para& p = paras[i];
    const int s = text.starts[i];
    for (const TextSpan& span : p.spans) out.spans.push_back({span.node, span.start + s, span.end + s});
    if (p.visible && p.framedChars > 0) out.visibleSpans.push_back({s, s + p.length});
    if (p.heading) out.headingStarts.push_back(s);
  }
  out.start = startPoint(paras, text, hasGeometry);
  return out;
}

}  // namespace orvak::Cleaner::detail

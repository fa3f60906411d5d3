#include <algorithm>
#include "core/page/cleaner_stages.h"

#include "core/page/app_ids.h"
#include "core/page/cleaner.h"
#include "core/page/cleaner_vocabulary.h"
#include "core/text/text.h"

namespace orvak::Cleaner::detail {

std::string_view reasonKey(std::string_view mark) {
  const auto colon = mark.find(':');
  return colon == std::string_view::npos ? mark : mark.substr(0, colon);
}

void DropCounters::add(std::string_view mark, int charCount, int pieceCount) {
  const std::string key(reasonKey(mark));
  chars[key] += charCount;
  pieces[key] += pieceCount;
}

void DropCounters::addChars(std::string_view mark, int charCount) { chars[std::string(reasonKey(mark))] += charCount; }

namespace {
// A mail client whose messages quote replies but that gets no mail-message region.
constexpr std::string_view kReplyQuotingApps[] = {"com.microsoft.Outlook"};
}  // namespace

PageModes PageModes::from(const std::optional<std::string>& bundleId, const std::optional<std::string>& url) {
  PageModes m;
  m.pdf = AppIds::isOneOf(bundleId, AppIds::pdfViewers);
  m.mailApp = AppIds::isOneOf(bundleId, AppIds::mailClients);
  // The page readers: the browsers and the PDF viewers.
  m.pageReader = m.pdf || AppIds::isOneOf(bundleId, AppIds::chromiumBrowsers) ||
                 AppIds::isOneOf(bundleId, AppIds::webkitBrowsers) || AppIds::isOneOf(bundleId, AppIds::geckoBrowsers);
  m.mailPage = isMail(url);
  m.quotedReplyCut = m.mailApp || AppIds::isOneOf(bundleId, kReplyQuotingApps);
  if (url) {
    for (const auto& marker : vocabulary().webmailMarkers) {
      if (url->find(marker) != std::string::npos) m.quotedReplyCut = true;
    }
  }
  return m;
}

NodeTree::NodeTree(const std::vector<AXNode>& nodes)
    : nodes_(nodes),
      parent_(nodes.size(), -1),
      children_(nodes.size()),
      textChars_(nodes.size(), 0),
      marks_(nodes.size()),
      markedBy_(nodes.size(), -1),
      subtreeChars_(nodes.size(), 0) {
  for (std::size_t i = 0; i < nodes.size(); ++i) {
    const auto& p = nodes[i].parent;
    if (p && *p >= 0 && std::size_t(*p) < i) {
      parent_[i] = int(*p);
      children_[std::size_t(*p)].push_back(int(i));
    }
    if (nodes[i].text) textChars_[i] = int(text::graphemeCount(*nodes[i].text));
  }
}

bool NodeTree::setMark(int i, std::string mark) {
  auto& m = marks_[std::size_t(i)];
  if (m) return false;
  m = std::move(mark);
  return true;
}

const std::optional<std::string>& NodeTree::effectiveMark(int i) const {
  static const std::optional<std::string> none;
  const int by = markedBy(i);
  return by < 0 ? none : marks_[std::size_t(by)];
}

void NodeTree::refresh() {
  const int n = size();
  for (int i = 0; i < n; ++i) {
    if (marks_[std::size_t(i)]) {
      markedBy_[std::size_t(i)] = i;
    } else {
      const int p = parent_[std::size_t(i)];
      markedBy_[std::size_t(i)] = p < 0 ? -1 : markedBy_[std::size_t(p)];
    }
  }
  std::fill(subtreeChars_.begin(), subtreeChars_.end(), 0);
  for (int i = n - 1; i >= 0; --i) {
    if (kept(i)) subtreeChars_[std::size_t(i)] += textChars_[std::size_t(i)];
    const int p = parent_[std::size_t(i)];
    if (p >= 0) subtreeChars_[std::size_t(p)] += subtreeChars_[std::size_t(i)];
  }
}

bool NodeTree::isAtOrBelow(int i, int ancestor) const {
  for (int c = i; c >= 0; c = parent_[std::size_t(c)]) {
    if (c == ancestor) return true;
  }
  return false;
}

}  // namespace orvak::Cleaner::detail

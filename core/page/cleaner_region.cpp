// Stage 2: which part of the window holds the reading matter.
#include <algorithm>
#include <cmath>

#include "core/page/cleaner.h"
#include "core/page/cleaner_stages.h"
#include "core/page/cleaner_vocabulary.h"
#include "core/text/text.h"

namespace orvak::Cleaner::detail {

namespace {

struct Candidates {
  std::vector<int> landmark, article, priority, webArea, documentEditor;
};

bool hasPriorityClass(const AXNode& n) {
  const auto& v = vocabulary();
  if (n.domClasses) {
    for (const auto& c : *n.domClasses) {
      if (v.priorityClasses.contains(text::lowercase(c))) return true;
    }
  }
  return n.domId && text::lowercase(*n.domId) == "content";
}

Candidates findCandidates(const NodeTree& tree) {
  Candidates c;
  for (int i = 0; i < tree.size(); ++i) {
    if (!tree.kept(i)) continue;
    const AXNode& n = tree.node(i);
    const int chars = tree.subtreeChars(i);
    if ((n.subrole == "AXLandmarkMain" || (n.domId && text::lowercase(*n.domId) == "main")) && chars > 199) {
      c.landmark.push_back(i);
    }
    if (n.subrole == "AXDocumentArticle" && chars > 49) c.article.push_back(i);
    if (chars > 199 && hasPriorityClass(n)) c.priority.push_back(i);
    if (n.role == "AXWebArea" && chars > 99) c.webArea.push_back(i);
    if (n.role == "AXTextArea" && n.title == "Document content" && n.text != "Document content" &&
        text::graphemeCount(text::trim(n.text.value_or(""))) > 39) {
      c.documentEditor.push_back(i);
    }
  }
  return c;
}

// Greatest subtree; the first in node order on ties.
int largest(const NodeTree& tree, const std::vector<int>& ids) {
  int best = ids.front();
  for (int id : ids) {
    if (tree.subtreeChars(id) > tree.subtreeChars(best)) best = id;
  }
  return best;
}

int lowestCommonAncestor(const NodeTree& tree, const std::vector<int>& ids) {
  int candidate = ids.front();
  for (std::size_t k = 1; k < ids.size(); ++k) {
    while (!tree.isAtOrBelow(ids[k], candidate)) {
      const int p = tree.parent(candidate);
      candidate = p < 0 ? 0 : p;
      if (candidate == 0) break;
    }
  }
  return candidate;
}

Region applyRules(const NodeTree& tree, const Candidates& c, const PageModes& modes) {
  if (modes.mailApp && !c.webArea.empty()) {
    for (int i = 0; i < tree.size(); ++i) {
      if (!tree.kept(i) || tree.node(i).role != "AXTextArea") continue;
      if (auto subject = mailSubject(tree.node(i).text)) return {largest(tree, c.webArea), "mail-message", subject};
    }
  }
  if (!c.documentEditor.empty()) return {largest(tree, c.documentEditor), "gdocs-document", {}};
  if (!c.landmark.empty()) {
    const int l = largest(tree, c.landmark);
    std::vector<int> inner;
    long sum = 0;
    for (int a : c.article) {
      if (tree.isAtOrBelow(a, l) && tree.subtreeChars(a) > 199) {
        inner.push_back(a);
        sum += tree.subtreeChars(a);
      }
    }
    if (!inner.empty()) {
      const int b = largest(tree, inner);
      const double chars = tree.subtreeChars(b);
      if (chars >= 0.5 * tree.subtreeChars(l) && 0.8 * double(sum) <= chars) return {b, "landmark-main>article", {}};
    }
    return {l, "landmark-main", {}};
  }
  if (!c.article.empty()) {
    long total = 0;
    for (int a : c.article) total += tree.subtreeChars(a);
    const int b = largest(tree, c.article);
    if (c.article.size() > 1 && 0.6 * double(total) > tree.subtreeChars(b)) {
      return {lowestCommonAncestor(tree, c.article), "articles-lca(" + std::to_string(c.article.size()) + ")", {}};
    }
    return {b, "article", {}};
  }
  if (!c.priority.empty()) return {largest(tree, c.priority), "priority-class", {}};
  if (!c.webArea.empty()) return {largest(tree, c.webArea), "largest-webarea", {}};
  return {};
}

std::vector<char> regionPath(const NodeTree& tree, int region) {
  std::vector<char> path(std::size_t(tree.size()), 0);
  for (int c = region; c >= 0; c = tree.parent(c)) path[std::size_t(c)] = 1;
  return path;
}

// Tall, narrow containers that hug a window edge and hold little next to the region.
void markSidebars(NodeTree& tree, const Frame& window, int region) {
  const double wx = window[0], ww = window[2], wh = window[3];
  const auto& roles = vocabulary().containerRoles;
  const auto path = regionPath(tree, region);
  const double limit = 0.5 * std::max(tree.subtreeChars(region), 1);
  for (int i = 0; i < tree.size(); ++i) {
    const AXNode& n = tree.node(i);
    if (!tree.kept(i) || !n.frame || path[std::size_t(i)] || !roles.contains(n.role)) continue;
    const auto [x, y, w, h] = *n.frame;
    (void)y;
    if (!(w > 0 && h > 0)) continue;
    const bool hugsEdge = std::abs(x - wx) < 0.06 * ww || std::abs((x + w) - (wx + ww)) < 0.06 * ww;
    if (w < 0.28 * ww && h > 0.45 * wh && hugsEdge && tree.subtreeChars(i) <= limit) tree.setMark(i, "geometry:sidebar");
  }
  tree.refresh();
}

// Lists and groups that are mostly short links: menus, tag clouds, related-story lists.
void markLinkLists(NodeTree& tree, int region) {
  const int n = tree.size();
  std::vector<char> inLink(std::size_t(n), 0);
  for (int i = 0; i < n; ++i) {
    const int p = tree.parent(i);
    inLink[std::size_t(i)] = tree.node(i).role == "AXLink" || (p >= 0 && inLink[std::size_t(p)]);
  }
  std::vector<int> linkChars(std::size_t(n), 0), linkCount(std::size_t(n), 0);
  for (int i = n - 1; i >= 0; --i) {
    if (tree.kept(i) && inLink[std::size_t(i)]) linkChars[std::size_t(i)] += tree.textChars(i);
    if (tree.node(i).role == "AXLink") linkCount[std::size_t(i)] += 1;
    const int p = tree.parent(i);
    if (p >= 0) {
      linkChars[std::size_t(p)] += linkChars[std::size_t(i)];
      linkCount[std::size_t(p)] += linkCount[std::size_t(i)];
    }
  }
  const auto path = regionPath(tree, region);
  bool marked = false;
  for (int i = 0; i < n; ++i) {
    const auto& role = tree.node(i).role;
    if (!tree.kept(i) || path[std::size_t(i)] || (role != "AXList" && role != "AXGroup")) continue;
    const int chars = tree.subtreeChars(i), links = linkChars[std::size_t(i)], count = linkCount[std::size_t(i)];
    if (count >= 3 && chars >= 1 && chars <= 2999 && links >= 0.7 * chars && links / count <= 39) {
      marked = tree.setMark(i, "link-dense") || marked;
    }
  }
  if (marked) tree.refresh();
}

int descend(const NodeTree& tree, int start) {
  int current = start;
  for (;;) {
    int best = -1;
    for (int child : tree.children(current)) {
      if (tree.kept(child) && (best < 0 || tree.subtreeChars(child) > tree.subtreeChars(best))) best = child;
    }
    if (best < 0 || tree.subtreeChars(current) < 1 || tree.subtreeChars(best) < 0.8 * tree.subtreeChars(current)) break;
    current = best;
  }
  return current;
}

}  // namespace

Region chooseRegion(NodeTree& tree, const std::optional<Frame>& windowFrame, const PageModes& modes) {
  if (tree.size() == 0) return {};
  Region region = applyRules(tree, findCandidates(tree), modes);
  if (windowFrame && (*windowFrame)[2] > 600) markSidebars(tree, *windowFrame, region.node);
  markLinkLists(tree, region.node);
  if (region.strategy == "window" || region.strategy == "largest-webarea") {
    const int to = descend(tree, region.node);
    if (to != region.node) {
      region.node = to;
      region.strategy += "+descend";
    }
  }
  return region;
}

}  // namespace orvak::Cleaner::detail

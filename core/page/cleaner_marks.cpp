// Stage 1: marking whole subtrees that are not to be read, before the region is chosen.
#include <algorithm>
#include "core/page/cleaner_stages.h"
#include "core/page/cleaner_vocabulary.h"
#include "core/text/text.h"

namespace orvak::Cleaner::detail {

namespace {

// The first rule that applies gives the node's own mark; a junk class only gives a soft mark,
// which counts later only for small subtrees.
void ownMarks(NodeTree& tree, std::vector<std::optional<std::string>>& soft) {
  const auto& v = vocabulary();
  for (int i = 0; i < tree.size(); ++i) {
    const AXNode& n = tree.node(i);
    if (n.secureSkipped) {
      tree.setMark(i, "secure");
    } else if (v.dropRoles.contains(n.role)) {
      tree.setMark(i, "role:" + n.role);
    } else if (n.subrole && v.dropSubroles.contains(*n.subrole)) {
      tree.setMark(i, "subrole:" + *n.subrole);
    } else if (n.domClasses) {
      std::vector<std::string> lowered;
      lowered.reserve(n.domClasses->size());
      for (const auto& c : *n.domClasses) lowered.push_back(text::lowercase(c));
      bool marked = false;
      for (std::size_t k = 0; k < lowered.size() && !marked; ++k) {
        if (v.sidebarClasses.contains(lowered[k])) marked = tree.setMark(i, "class:" + (*n.domClasses)[k]);
      }
      for (std::size_t k = 0; k < lowered.size() && !marked && !soft[std::size_t(i)]; ++k) {
        for (const auto& fragment : v.junkClassSubstrings) {
          if (lowered[k].find(fragment) != std::string::npos) {
            soft[std::size_t(i)] = "class:" + (*n.domClasses)[k];
            break;
          }
        }
      }
    }
  }
}

void softMarks(NodeTree& tree, const std::vector<std::optional<std::string>>& soft) {
  const int n = tree.size();
  std::vector<int> longest(std::size_t(n), 0);
  for (int i = n - 1; i >= 0; --i) {
    longest[std::size_t(i)] = std::max(longest[std::size_t(i)], tree.textChars(i));
    const int p = tree.parent(i);
    if (p >= 0) longest[std::size_t(p)] = std::max(longest[std::size_t(p)], longest[std::size_t(i)]);
  }
  for (int i = 0; i < n; ++i) {
    if (soft[std::size_t(i)] && longest[std::size_t(i)] <= 149) tree.setMark(i, *soft[std::size_t(i)]);
  }
}

// A web area nested in another is a frame (ads, embeds), unless it holds a large text area, or
// unless the page around it has too little text of its own to be read (no more than the region
// choice needs of a web area): then its largest frame holds the story and is part of the page.
void nestedFrames(NodeTree& tree) {
  const int n = tree.size();
  std::vector<char> largeTextArea(std::size_t(n), 0);
  for (int i = n - 1; i >= 0; --i) {
    if (tree.node(i).role == "AXTextArea" && tree.textChars(i) > 499) largeTextArea[std::size_t(i)] = 1;
    const int p = tree.parent(i);
    if (p >= 0 && largeTextArea[std::size_t(i)]) largeTextArea[std::size_t(p)] = 1;
  }
  tree.refresh();
  // The innermost web area around each node, and the text each web area holds outside its frames.
  std::vector<int> area(std::size_t(n), -1);
  std::vector<long> ownChars(std::size_t(n), 0);
  std::vector<int> frames;
  for (int i = 0; i < n; ++i) {
    const int p = tree.parent(i);
    const int outer = p >= 0 ? area[std::size_t(p)] : -1;
    const bool isWebArea = tree.node(i).role == "AXWebArea";
    area[std::size_t(i)] = isWebArea ? i : outer;
    if (isWebArea && outer >= 0 && !tree.mark(i) && !largeTextArea[std::size_t(i)]) frames.push_back(i);
    if (area[std::size_t(i)] >= 0 && tree.kept(i)) ownChars[std::size_t(area[std::size_t(i)])] += tree.textChars(i);
  }
  std::vector<int> spared(std::size_t(n), -1);  // by outer web area: its frame read as the page
  for (int f : frames) {
    const int outer = area[std::size_t(tree.parent(f))];
    if (ownChars[std::size_t(outer)] > 99 || ownChars[std::size_t(f)] < 1) continue;
    int& best = spared[std::size_t(outer)];
    if (best < 0 || ownChars[std::size_t(f)] > ownChars[std::size_t(best)]) best = f;
  }
  for (int f : frames) {
    if (spared[std::size_t(area[std::size_t(tree.parent(f))])] != f) tree.setMark(f, "iframe");
  }
}

// A group or figure whose first child is a bare image and whose last child holds all its text,
// briefly, is an image with its caption: the caption is not read.
void figureCaptions(NodeTree& tree) {
  const int n = tree.size();
  std::vector<int> textTotal(std::size_t(n), 0);
  std::vector<char> hasImage(std::size_t(n), 0);
  for (int i = n - 1; i >= 0; --i) {
    textTotal[std::size_t(i)] += tree.textChars(i);
    if (tree.node(i).role == "AXImage") hasImage[std::size_t(i)] = 1;
    const int p = tree.parent(i);
    if (p >= 0) {
      textTotal[std::size_t(p)] += textTotal[std::size_t(i)];
      if (hasImage[std::size_t(i)]) hasImage[std::size_t(p)] = 1;
    }
  }
  std::vector<char> inWebArea(std::size_t(n), 0);
  for (int i = 0; i < n; ++i) {
    const int p = tree.parent(i);
    inWebArea[std::size_t(i)] = tree.node(i).role == "AXWebArea" || (p >= 0 && inWebArea[std::size_t(p)]);
    const auto& role = tree.node(i).role;
    const auto& kids = tree.children(i);
    if ((role != "AXGroup" && role != "AXFigure") || !inWebArea[std::size_t(i)] || kids.size() < 2 || kids.size() > 4) {
      continue;
    }
    const auto first = std::size_t(kids.front());
    const auto last = std::size_t(kids.back());
    if (hasImage[first] && textTotal[first] == 0 && textTotal[last] >= 1 && textTotal[last] <= 300 &&
        textTotal[last] == textTotal[std::size_t(i)]) {
      tree.setMark(int(last), "figure-caption");
    }
  }
}

}  // namespace

void markNodes(NodeTree& tree, const PageModes& modes) {
  std::vector<std::optional<std::string>> soft(std::size_t(tree.size()));
  ownMarks(tree, soft);
  softMarks(tree, soft);
  nestedFrames(tree);
  if (!modes.pdf && !modes.mailApp) figureCaptions(tree);
  tree.refresh();
}

}  // namespace orvak::Cleaner::detail

// The stages of Cleaner::clean and the working values they hand on. Internal to the cleaner; the
// tests drive each stage on its own.
#pragma once

#include <limits>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/page/ax_node.h"
#include "core/page/clean_result.h"

namespace orvak::Cleaner::detail {

// A drop is counted under its reason key: the mark up to its first ":".
std::string_view reasonKey(std::string_view mark);

struct DropCounters {
  std::map<std::string, int> chars;
  std::map<std::string, int> pieces;
  void add(std::string_view mark, int charCount, int pieceCount);
  void addChars(std::string_view mark, int charCount);
};

// What the application and the page address switch on.
struct PageModes {
  bool pdf = false;             // PDF viewer: line repair, no caption marks, back matter without comments
  bool mailApp = false;         // mail client: mail-message region first, no caption marks
  bool pageReader = false;      // browsers and the PDF viewer: the back-matter cut may run
  bool mailPage = false;        // webmail page: the mail-furniture filter runs
  bool quotedReplyCut = false;  // mail clients and webmail pages

  static PageModes from(const std::optional<std::string>& bundleId, const std::optional<std::string>& url);
};

// The node list with the per-node working values, all indexed by position in the list.
class NodeTree {
 public:
  explicit NodeTree(const std::vector<AXNode>& nodes);

  int size() const { return int(nodes_.size()); }
  const AXNode& node(int i) const { return nodes_[std::size_t(i)]; }
  // The parent's index, or -1. A parent that does not come before its child (which a well-formed
  // walk never gives) is treated as absent, so every upward walk ends.
  int parent(int i) const { return parent_[std::size_t(i)]; }
  const std::vector<int>& children(int i) const { return children_[std::size_t(i)]; }
  // Characters of the node's own text; 0 without text.
  int textChars(int i) const { return textChars_[std::size_t(i)]; }

  // Own marks: set once, never overwritten.
  const std::optional<std::string>& mark(int i) const { return marks_[std::size_t(i)]; }
  bool setMark(int i, std::string mark);  // false when the node already had one

  // The nearest marked node at or above i, or -1; valid after refresh().
  int markedBy(int i) const { return markedBy_[std::size_t(i)]; }
  const std::optional<std::string>& effectiveMark(int i) const;
  bool kept(int i) const { return markedBy_[std::size_t(i)] < 0; }
  int subtreeChars(int i) const { return subtreeChars_[std::size_t(i)]; }

  // Recomputes effective marks, kept flags and subtree characters after marks changed.
  void refresh();

  bool isAtOrBelow(int i, int ancestor) const;

 private:
  const std::vector<AXNode>& nodes_;
  std::vector<int> parent_;
  std::vector<std::vector<int>> children_;
  std::vector<int> textChars_;
  std::vector<std::optional<std::string>> marks_;
  std::vector<int> markedBy_;
  std::vector<int> subtreeChars_;
};

// Stage 1: own marks (secure, role, subrole, class, iframe, figure-caption), then refresh().
void markNodes(NodeTree& tree, const PageModes& modes);

struct Region {
  int node = 0;
  std::string strategy = "window";
  std::optional<std::string> mailSubject;
};

// Stage 2: the region rules in precedence, the sidebar and link-dense marks, then descend.
Region chooseRegion(NodeTree& tree, const std::optional<Frame>& windowFrame, const PageModes& modes);

struct Piece {
  int node = 0;
  std::string text;        // as taken from the node (PDF lines repaired)
  std::string normalized;  // norm(text)
  int textChars = 0;
};

// Stage 3: counts marked and out-of-region texts; the rest become pieces.
std::vector<Piece> collectPieces(const NodeTree& tree, int region, const PageModes& modes, DropCounters& dropped);
// Stage 4: drops live-region noise, bare symbols, labels, timestamps, counts and repeats.
std::vector<Piece> filterPieces(std::vector<Piece> pieces, const NodeTree& tree, DropCounters& dropped);

struct Para {
  std::string text;
  bool visible = false;
  std::optional<int> caret;
  double minX = std::numeric_limits<double>::infinity();
  double maxX = -std::numeric_limits<double>::infinity();
  bool heading = false;
  bool inHeader = false;
  int framedChars = 0;
  int visibleChars = 0;
  std::vector<TextSpan> spans;
  int length = 0;  // characters of text
};

struct Paragraphs {
  std::vector<Para> paras;
  bool hasGeometry = false;  // some piece's on-screen state was known
};

// Stage 5: joins pieces into paragraphs, then one paragraph per line with the dup-line drop.
Paragraphs buildParagraphs(const NodeTree& tree, const std::vector<Piece>& pieces, int region,
                           const std::optional<Frame>& windowFrame, DropCounters& dropped);
std::vector<Para> splitLines(const std::vector<Para>& paras, DropCounters& dropped);
// Whether a frame is on screen; absent when that cannot be known.
std::optional<bool> onScreen(const std::optional<Frame>& frame, const std::optional<Frame>& windowFrame);

// Stage 6.
void dropKicker(std::vector<Para>& paras, const std::string& strategy, DropCounters& dropped);
void filterParagraphs(std::vector<Para>& paras, const std::string& strategy, bool mailPage, DropCounters& dropped);
void putSubjectFirst(std::vector<Para>& paras, const std::optional<std::string>& subject);

// Stage 7: the paragraphs joined by blank lines, with each paragraph's start offset.
struct Layout {
  std::string text;
  std::vector<int> starts;
  int chars = 0;
};
Layout layout(const std::vector<Para>& paras);

// Stage 8.
void cutBackMatter(std::vector<Para>& paras, Layout& text, bool browser, DropCounters& dropped);
void cutQuotedReply(std::vector<Para>& paras, Layout& text, DropCounters& dropped);

// Stage 9.
std::optional<int> firstReadable(const std::vector<Para>& paras);
struct Stretches {
  std::vector<TextSpan> spans;
  std::vector<std::array<int, 2>> visibleSpans;
  std::vector<int> headingStarts;
  ReadStart start;
};
Stretches finish(const std::vector<Para>& paras, const Layout& text, bool hasGeometry);

}  // namespace orvak::Cleaner::detail

// The cleaning pipeline: each stage works on what the ones before it left.
#include "core/page/cleaner.h"

#include "core/page/cleaner_stages.h"

namespace orvak::Cleaner {

namespace {

std::string describeRegion(const AXNode& n) {
  std::string s = "#" + std::to_string(n.id) + " " + n.role;
  if (n.subrole) s += "/" + *n.subrole;
  return s + " depth=" + std::to_string(n.depth);
}

}  // namespace

CleanResult clean(const std::vector<AXNode>& nodes, const std::optional<Frame>& windowFrame,
                  const std::optional<std::string>& bundleId, const std::optional<std::string>& url) {
  using namespace detail;
  const PageModes modes = PageModes::from(bundleId, url);
  DropCounters dropped;

  NodeTree tree(nodes);
  markNodes(tree, modes);
  const Region region = chooseRegion(tree, windowFrame, modes);

  auto pieces = filterPieces(collectPieces(tree, region.node, modes, dropped), tree, dropped);
  const int keptPieces = int(pieces.size());

  auto [paras, hasGeometry] = buildParagraphs(tree, pieces, region.node, windowFrame, dropped);
  pieces.clear();
  dropKicker(paras, region.strategy, dropped);
  filterParagraphs(paras, region.strategy, modes.mailPage, dropped);
  putSubjectFirst(paras, region.mailSubject);

  Layout text = layout(paras);
  std::optional<int> visibleParagraphs;
  if (hasGeometry) {
    visibleParagraphs = int(std::count_if(paras.begin(), paras.end(), [](const Para& p) { return p.visible; }));
  }
  if (modes.pageReader && region.strategy.find("gdocs") == std::string::npos) {
    cutBackMatter(paras, text, !modes.pdf, dropped);
  }
  if (modes.quotedReplyCut) cutQuotedReply(paras, text, dropped);

  Stretches stretches = finish(paras, text, hasGeometry);

  CleanResult r;
  r.chars = text::graphemeCount(text.text);
  r.text = std::move(text.text);
  if (!nodes.empty()) {
    r.region = describeRegion(nodes[std::size_t(region.node)]);
    r.regionNodeId = int(nodes[std::size_t(region.node)].id);
  }
  r.regionStrategy = region.strategy;
  r.droppedCharsByReason = std::move(dropped.chars);
  r.droppedPiecesByReason = std::move(dropped.pieces);
  r.keptPieces = keptPieces;
  r.score = ContentScorer::score(r.text);
  r.start = stretches.start;
  r.start.visibleParagraphs = visibleParagraphs;
  r.visibleSpans = std::move(stretches.visibleSpans);
  r.spans = std::move(stretches.spans);
  r.headingStarts = std::move(stretches.headingStarts);
  return r;
}

}  // namespace orvak::Cleaner

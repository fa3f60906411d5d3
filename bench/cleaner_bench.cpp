// The cleaner on a generated news page: navigation, a long article with headings, inline links,
// figures and share bars, link-list sidebars and a footer, with frames for a 1,400 x 900 window.
#include <benchmark/benchmark.h>

#include <map>

#include "core/page/cleaner.h"
#include "core/page/cleaner_stages.h"
#include "core/text/text.h"

namespace {

using orvak::AXNode;
using orvak::Frame;

class PageGenerator {
 public:
  explicit PageGenerator(int targetNodes) {
    add(-1, "AXWindow", {}, Frame{0, 0, 1400, 900});
    const int web = add(0, "AXWebArea", {}, Frame{0, 60, 1400, 840});
    const int nav = add(web, "AXGroup", {}, Frame{0, 60, 1400, 40});
    nodes_[std::size_t(nav)].subrole = "AXLandmarkNavigation";
    for (int k = 0; k < 12; ++k) addText(add(nav, "AXLink", {}, Frame{k * 100.0, 60, 90, 20}), "Section " + std::to_string(k));
    const int main = add(web, "AXGroup", {}, Frame{200, 100, 900, 800});
    nodes_[std::size_t(main)].subrole = "AXLandmarkMain";
    const int article = add(main, "AXGroup", {}, Frame{200, 100, 900, 800});
    nodes_[std::size_t(article)].subrole = "AXDocumentArticle";
    const int side = add(web, "AXGroup", {}, Frame{1150, 100, 250, 800});
    while (int(nodes_.size()) < targetNodes) {
      section(article);
      if (section_ % 10 == 0) sidebarList(side);
    }
  }
  const std::vector<AXNode>& nodes() const { return nodes_; }

 private:
  int add(int parent, const std::string& role, std::optional<std::string> text, std::optional<Frame> frame) {
    AXNode n;
    n.id = std::int64_t(nodes_.size());
    if (parent >= 0) {
      n.parent = parent;
      n.depth = nodes_[std::size_t(parent)].depth + 1;
      nodes_[std::size_t(parent)].childCount += 1;
    }
    n.role = role;
    n.text = std::move(text);
    n.frame = frame;
    nodes_.push_back(std::move(n));
    return int(nodes_.size() - 1);
  }
  int addText(int parent, std::string text) {
    y_ += 18;
    return add(parent, "AXStaticText", std::move(text), Frame{220, y_, 860, 16});
  }
  std::string sentence() {
    static const char* words[] = {"the", "council", "agreed", "on", "a", "new", "plan", "for", "river", "crossings",
                                  "while", "residents", "asked", "about", "costs", "and", "the", "timetable",
                                  "caf\u00e9", "“quietly”", "engineers", "said", "it", "would", "take", "years"};
    std::string s = "Item " + std::to_string(counter_++) + ":";
    for (int k = 0; k < 3; ++k) {
      seed_ = seed_ * 1103515245u + 12345u;
      s += ' ';
      s += words[(seed_ >> 16) % std::size(words)];
    }
    return s + ".";
  }
  void section(int article) {
    ++section_;
    const int heading = add(article, "AXHeading", {}, Frame{220, y_ += 30, 860, 28});
    addText(heading, "Chapter " + std::to_string(section_) + " of the long report");
    for (int p = 0; p < 6; ++p) {
      const int para = add(article, "AXGroup", {}, Frame{220, y_ += 12, 860, 60});
      for (int s = 0; s < 3; ++s) {
        addText(para, sentence());
        if (s == 1) addText(add(para, "AXLink", {}, std::nullopt), "a linked phrase");
      }
    }
    const int share = add(article, "AXGroup", {}, std::nullopt);
    nodes_[std::size_t(share)].domClasses = std::vector<std::string>{"share-bar"};
    for (const char* label : {"Share", "Tweet", "Email"}) addText(add(share, "AXButton", {}, std::nullopt), label);
    const int figure = add(article, "AXFigure", {}, Frame{220, y_ += 10, 860, 300});
    add(add(figure, "AXGroup", {}, std::nullopt), "AXImage", {}, Frame{220, y_, 860, 280});
    addText(add(figure, "AXGroup", {}, std::nullopt), "Photo: A bridge at dusk, section " + std::to_string(section_));
    addText(article, "4 min read");
  }
  void sidebarList(int side) {
    const int list = add(side, "AXList", {}, Frame{1150, 100, 250, 800});
    for (int k = 0; k < 8; ++k) addText(add(list, "AXLink", {}, std::nullopt), "Popular story " + std::to_string(k));
  }

  std::vector<AXNode> nodes_;
  double y_ = 100;
  int section_ = 0;
  int counter_ = 0;
  unsigned seed_ = 7;
};

const std::vector<AXNode>& page(int nodes) {
  static std::map<int, std::vector<AXNode>> pages;
  auto& p = pages[nodes];
  if (p.empty()) p = PageGenerator(nodes).nodes();
  return p;
}

void setCounters(benchmark::State& state, const std::vector<AXNode>& nodes) {
  long chars = 0;
  for (const auto& n : nodes) chars += n.text ? long(orvak::text::graphemeCount(*n.text)) : 0;
  state.counters["nodes"] = double(nodes.size());
  state.counters["chars"] = double(chars);
}

void BM_MarkAndRegion(benchmark::State& state) {
  namespace detail = orvak::Cleaner::detail;
  const auto& nodes = page(int(state.range(0)));
  const auto modes = detail::PageModes::from("com.apple.Safari", "https://news.example/story");
  for (auto _ : state) {
    detail::NodeTree tree(nodes);
    detail::markNodes(tree, modes);
    auto region = detail::chooseRegion(tree, Frame{0, 0, 1400, 900}, modes);
    benchmark::DoNotOptimize(region);
  }
  setCounters(state, nodes);
}
BENCHMARK(BM_MarkAndRegion)->Arg(15000)->Arg(30000)->Arg(60000)->Unit(benchmark::kMillisecond);

void BM_Clean(benchmark::State& state) {
  const auto& nodes = page(int(state.range(0)));
  for (auto _ : state) {
    auto result = orvak::Cleaner::clean(nodes, Frame{0, 0, 1400, 900}, "com.apple.Safari", "https://news.example/story");
    benchmark::DoNotOptimize(result);
  }
  setCounters(state, nodes);
}
BENCHMARK(BM_Clean)->Arg(15000)->Arg(30000)->Arg(60000)->Unit(benchmark::kMillisecond);

}  // namespace

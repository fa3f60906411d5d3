// Walking a 30,000-node window of the simulated desktop. The walk's own work per node (decoding
// the batched answer, choosing the text, building the record) should stay well under a
// microsecond; the simulated answers themselves are measured apart, by asking the same requests
// without the walk, so the difference of the two "ns/node" figures is the walk's overhead.
#include <benchmark/benchmark.h>

#include <string>

#include "app/capture/ax_walker.h"
#include "core/base/json.h"
#include "platform/sim/sim_desktop.h"

namespace {

using namespace orvak;

// A page of 30,000 elements: window, web area, 299 sections of 100 elements each (a heading,
// paragraphs, links with a text inside, an image) and 98 closing lines.
std::shared_ptr<sim::SimDesktop> bigPage() {
  json::Json sections = json::Json::array();
  for (int s = 0; s < 299; ++s) {
    json::Json kids = json::Json::array();
    kids.push_back({{"role", "AXHeading"},
                    {"title", "Section " + std::to_string(s)},
                    {"children", json::Json::array({{{"role", "AXStaticText"}, {"value", "Section heading"}}})}});
    for (int k = 0; k < 32; ++k) {
      const double y = s * 1000.0 + k * 30;
      kids.push_back({{"role", "AXStaticText"},
                      {"value", "A paragraph of ordinary length that says something about rivers and their bends."},
                      {"frame", {100, y, 800, 28}}});
      kids.push_back({{"role", "AXLink"},
                      {"domClasses", {"ref", "inline"}},
                      {"children", json::Json::array({{{"role", "AXStaticText"}, {"value", "a link"}}})}});
    }
    kids.push_back({{"role", "AXImage"}, {"desc", "A figure"}});
    sections.push_back({{"role", "AXGroup"}, {"subrole", "AXDocumentArticle"}, {"children", kids}});
  }
  for (int k = 0; k < 98; ++k) sections.push_back({{"role", "AXStaticText"}, {"value", "Footer line"}});
  json::Json scene = {{"applications",
                       {{{"pid", 1},
                         {"windows",
                          {{{"ref", "win"},
                            {"title", "Big page"},
                            {"frame", {0, 0, 1200, 800}},
                            {"children",
                             {{{"role", "AXWebArea"}, {"url", "https://example.org/big"}, {"children", sections}}}}}}}}}}};
  return sim::SimDesktop::fromJson(scene, "bench");
}

// Seconds per node, printed with its prefix ("650n" is 650 ns).
benchmark::Counter perNode(double nodes, const benchmark::State& state) {
  return benchmark::Counter(nodes * static_cast<double>(state.iterations()),
                            benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void BM_WalkThirtyThousandNodes(benchmark::State& state) {
  const auto desktop = bigPage();
  const auto window = desktop->element("win");
  std::size_t nodes = 0;
  for (auto _ : state) {
    const auto r = AXWalker::walk(window);
    nodes = r.nodes.size();
    benchmark::DoNotOptimize(r.nodes.data());
  }
  state.counters["nodes"] = static_cast<double>(nodes);
  state.counters["per node"] = perNode(static_cast<double>(nodes), state);
}
BENCHMARK(BM_WalkThirtyThousandNodes)->Unit(benchmark::kMillisecond);

// The same requests the walk makes, asked of the same elements without the walk's decisions.
void BM_SimulatedAnswersAlone(benchmark::State& state) {
  const auto desktop = bigPage();
  const auto walked = AXWalker::walk(desktop->element("win"));
  for (auto _ : state) {
    for (std::size_t i = 0; i < walked.elements.size(); ++i) {
      const auto& e = walked.elements[i];
      auto batch = e.attributes(AXWalker::batchedAttributes);
      benchmark::DoNotOptimize(batch.value.data());
      if (walked.nodes[i].childCount == 0 || AXWalker::isValueTextRole(walked.nodes[i].role)) {
        auto value = e.attribute("AXValue");
        benchmark::DoNotOptimize(&value);
      }
    }
  }
  const auto n = static_cast<double>(walked.elements.size());
  state.counters["nodes"] = n;
  state.counters["per node"] = perNode(n, state);
}
BENCHMARK(BM_SimulatedAnswersAlone)->Unit(benchmark::kMillisecond);

}  // namespace

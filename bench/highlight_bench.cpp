// The highlighter's two costs: the poll that runs every 0.03 s of a read (it must cost almost
// nothing when the sentence has not changed) and a measuring pass over a three-line sentence
// (Accessibility requests, which go to another process on a real desktop, and our own time).
#include <benchmark/benchmark.h>

#include <optional>
#include <string>

#include "app/capture/capturer.h"
#include "app/highlight/highlighter.h"
#include "core/base/dispatch.h"
#include "core/base/json.h"
#include "core/base/timing.h"
#include "platform/sim/sim_desktop.h"
#include "platform/sim/sim_events.h"
#include "platform/sim/sim_workspace.h"

namespace {

using namespace orvak;

const std::string kSentence =
    "No river runs straight for long, because a small bend, once started, feeds itself: the water on "
    "the outside of the curve runs faster, cuts deeper, and carries the bank away downstream, where it "
    "settles on the inside of the next bend and makes the loop a little wider every year.";

class NoOverlay final : public HighlightOverlay {
 public:
  int shows = 0;
  void show(const std::vector<ax::Rect>&, const std::optional<ax::Rect>&, const std::optional<ax::Rect>&,
            const std::vector<ax::Rect>&) override {
    ++shows;
  }
  void close() override {}
};

struct Page {
  dispatch::VirtualTime vt;
  std::shared_ptr<sim::SimDesktop> desktop;
  std::shared_ptr<sim::SimWorkspace> workspace;
  Capture capture;

  Page() {
    json::Json p = {{"role", "AXStaticText"}, {"value", kSentence}, {"frame", {100, 300, 800, 60}}};
    json::Json scene = {{"applications",
                         {{{"pid", 100},
                           {"name", "Reader"},
                           {"windows",
                            {{{"title", "Rivers"},
                              {"frame", {0, 0, 1000, 800}},
                              {"children", {{{"role", "AXWebArea"}, {"url", "https://example.org/r"}, {"children", {p}}}}}}}}}}}};
    desktop = sim::SimDesktop::fromJson(scene, "bench");
    workspace = std::make_shared<sim::SimWorkspace>(desktop);
    auto capturer = Capturer::make(desktop, workspace, std::make_shared<sim::SimEvents>(desktop));
    std::optional<CaptureOutcome> out;
    capturer->capture(Clock::now(), [&](CaptureOutcome o) { out = std::move(o); });
    vt.drain();
    capture = std::get<Capture>(*out);
  }
};

void BM_HighlightIdleTick(benchmark::State& state) {
  Page page;
  auto overlay = std::make_shared<NoOverlay>();
  const text::GraphemeRange sentence{0, page.capture.clean.chars};
  auto h = Highlighter::make(
      page.capture, [sentence] { return std::optional(sentence); }, page.workspace, [overlay](bool) { return overlay; });
  h->start();
  h->tick(false);
  page.vt.drain();
  for (auto _ : state) h->tick(false);  // same sentence, within the refresh: nothing to measure
  if (overlay->shows != 1) state.SkipWithError("the idle tick drew");
  h->stop();
}
BENCHMARK(BM_HighlightIdleTick);

void BM_HighlightThreeLinePass(benchmark::State& state) {
  Page page;
  const text::GraphemeRange sentence{0, page.capture.clean.chars};
  std::size_t requests = 0;
  for (auto _ : state) {
    HighlightMeasurer m(page.capture.elements, page.capture.nodeTexts, page.capture.clean.spans, false);
    const auto before = page.desktop->requestCount();
    const auto rects = m.measure(sentence);
    requests = page.desktop->requestCount() - before;
    benchmark::DoNotOptimize(rects);
    if (rects.size() != 3) state.SkipWithError("the sentence is not on three lines");
  }
  state.counters["requests"] = static_cast<double>(requests);
}
BENCHMARK(BM_HighlightThreeLinePass);

}  // namespace

// Walking Chromium pages through AT-SPI: the sample article and generated articles of about 570
// and 2,700 nodes (a median and a large real page). Goal: the 570-node page in at most 250 ms and
// the 2,700-node page in at most 1 s, well inside the walk's 5 s budget. Counters: nodes, D-Bus
// requests per node, and how much of the walk is spent waiting for the browser ("dbus_share")
// against our own work (process CPU time).
//
// Debian's Chromium 156 shows the generated pages as 685 and 3,779 nodes. On the shared machine
// (load 10-12): walked one element at a time, 1,228 ms and 4,712 ms at 10.3 and 8.6 requests per
// node; fetched ahead (ax::Element::readAhead), 211 ms and 765 ms at 5.5 and 5.4. With the roles
// and visibility of a page's elements taken from the document's collection queries and no text
// asked of Chromium's parents (load 21-25, in turns with the previous build): 330-507 ms against
// 452-627 ms and 1,377-1,620 ms against 2,191-2,257 ms, at 3.3 and 3.0 requests per node; with
// little else running (load 3-7), 76-95 ms and 459-565 ms, neither cut. What
// remains per node: its property list, its extents, its text where the walk reads it, its child
// list where it has children, and the browser's own elements around the page.
//
// One counter per D-Bus method ("Accessible.GetRole", "Properties.GetAll" ...) gives its
// requests per node.
//
// Needs a desktop with Chromium: `make bench` runs the benchmarks under scripts/with-desktop.
#include <benchmark/benchmark.h>

#include <time.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <string>

#include "app/capture/ax_walker.h"
#include "platform/linux/atspi_desktop.h"
#include "tests/desktop/child_process.h"

namespace {

using namespace orvak;

double cpuSeconds() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

double wallSeconds() {
  timespec t{};
  clock_gettime(CLOCK_MONOTONIC, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

// An article of `sections` sections: a heading, then four paragraphs with a link and emphasis.
std::filesystem::path generatedPage(int sections) {
  const auto dir = std::filesystem::temp_directory_path() / "orvak-atspi-bench";
  std::filesystem::create_directories(dir);
  const auto file = dir / ("article-" + std::to_string(sections) + ".html");
  std::ofstream out(file);
  out << "<!doctype html><html><head><meta charset=utf-8><title>Generated " << sections
      << "</title></head><body><nav><a href=#>Home</a> <a href=#>News</a></nav><article>";
  for (int s = 0; s < sections; ++s) {
    out << "<h2>Section " << s << "</h2>";
    for (int p = 0; p < 4; ++p) {
      out << "<p>The river bends " << p << " times before it meets the sea, and <a href=#>each bend</a> has a "
          << "<em>name</em> the ferrymen still use when they talk about the current.</p>";
    }
  }
  out << "</article></body></html>\n";
  return file;
}

void walkPage(benchmark::State& state, const std::filesystem::path& page) {
  auto desktop = std::make_shared<atspi::AtspiDesktop>();
  if (!desktop->isProcessTrusted()) {
    state.SkipWithError("needs a desktop with accessibility on: run under scripts/with-desktop");
    return;
  }
  const auto profile = std::filesystem::temp_directory_path() / ("orvak-bench-profile-" + std::to_string(::getpid()));
  test::ChildProcess browser({"chromium", "--no-sandbox", "--force-renderer-accessibility", "--test-type",
                              "--no-first-run", "--disable-gpu", "--user-data-dir=" + profile.string(),
                              "--window-size=1200,900", "file://" + page.string()},
                             {}, true);
  std::optional<ax::Element> window;
  std::size_t settled = 0;
  // Ready when two walks a moment apart agree on the number of nodes.
  const bool ready = test::pollUntil(60, [&] {
    const auto app = desktop->application(browser.pid());
    window = AXWalker::pickWindow(app);
    if (!window) return false;
    const auto r = AXWalker::walk(*window);
    // A walk cut at its time budget never settles: it is as ready as it will get.
    const bool same = r.url.has_value() && r.nodes.size() > 50 && (r.truncated || r.nodes.size() == settled);
    settled = r.nodes.size();
    return same;
  });
  if (!ready) {
    state.SkipWithError("Chromium did not show the page");
    std::filesystem::remove_all(profile);
    return;
  }
  std::size_t nodes = 0;
  bool truncated = false;
  std::uint64_t requests = 0;
  std::map<std::string, std::uint64_t> byMethod;
  double wall = 0;
  double cpu = 0;
  for (auto _ : state) {
    const std::uint64_t r0 = desktop->requestCount();
    const auto m0 = desktop->requestsByMethod();
    const double w0 = wallSeconds();
    const double c0 = cpuSeconds();
    const auto r = AXWalker::walk(*window);
    cpu += cpuSeconds() - c0;
    wall += wallSeconds() - w0;
    requests += desktop->requestCount() - r0;
    for (const auto& [method, count] : desktop->requestsByMethod()) {
      const auto before = m0.find(method);
      byMethod[method] += count - (before == m0.end() ? 0 : before->second);
    }
    nodes = r.nodes.size();
    truncated = r.truncated;
    benchmark::DoNotOptimize(r);
  }
  const auto n = static_cast<double>(state.iterations());
  state.counters["nodes"] = static_cast<double>(nodes);
  state.counters["requests_per_node"] = static_cast<double>(requests) / n / static_cast<double>(nodes);
  state.counters["walk_ms"] = wall / n * 1000;
  state.counters["dbus_share"] = wall > 0 ? (wall - cpu) / wall : 0;
  state.counters["own_ms"] = cpu / n * 1000;
  state.counters["truncated"] = truncated ? 1 : 0;
  // Where the requests go, per node: "Accessible.GetRole", "Properties.GetAll" ...
  for (const auto& [method, count] : byMethod) {
    if (count > 0) state.counters[method] = static_cast<double>(count) / n / static_cast<double>(nodes);
  }
  std::filesystem::remove_all(profile);
}

void BM_AtspiWalkSampleArticle(benchmark::State& state) {
  walkPage(state, std::filesystem::path(ORVAK_SOURCE_DIR) / "tests/fixtures/pages/article.html");
}
BENCHMARK(BM_AtspiWalkSampleArticle)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(10);

void BM_AtspiWalkMedianPage(benchmark::State& state) { walkPage(state, generatedPage(19)); }
BENCHMARK(BM_AtspiWalkMedianPage)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(10);

void BM_AtspiWalkLargePage(benchmark::State& state) { walkPage(state, generatedPage(110)); }
BENCHMARK(BM_AtspiWalkLargePage)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

}  // namespace

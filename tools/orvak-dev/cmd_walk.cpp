// Walks the front window of a simulated desktop scene, or with --front of the real desktop after
// a few seconds, and prints what the walk saw: the node records and the walk's counters, as JSON.
// The front application and its window choice decide the window, as they would for a capture.
#include <algorithm>
#include <cstdio>
#include <string>

#include "app/capture/ax_walker.h"
#include "core/base/dispatch.h"
#include "core/base/json.h"
#include "platform/desktop.h"
#include "platform/sim/sim_desktop.h"
#include "tools/orvak-dev/commands.h"
#include "tools/orvak-dev/options.h"

namespace orvak::dev {

namespace {

json::Json walkJson(const WalkResult& r) {
  json::Json j = json::Json::object();
  json::put(j, "nodes", r.nodes);
  json::put(j, "truncated", r.truncated);
  json::put(j, "truncatedReason", r.truncatedReason);
  json::put(j, "attrCalls", r.attrCalls);
  json::put(j, "cappedLists", r.cappedLists);
  json::put(j, "ms", r.ms);
  json::put(j, "windowTitle", r.windowTitle);
  json::put(j, "windowFrame", r.windowFrame);
  json::put(j, "url", r.url);
  json::put(j, "rawChars", r.rawChars());
  return j;
}

}  // namespace

int runWalk(const Args& args) {
  std::string file;
  bool pretty = false;
  bool front = false;
  double after = 0;
  try {
    front = std::find(args.begin(), args.end(), "--front") != args.end();
    const Options o(args, {"--after"}, {"--pretty", "--front"}, front ? 0 : 1);
    if (!front) file = o.plain()[0];
    pretty = o.flag("--pretty");
    after = o.number("--after").value_or(0);
    if (after < 0 || after > 600) throw UsageError("--after");
  } catch (const UsageError&) {
    std::fprintf(stderr, "usage: orvak-dev walk SCENE.json [--pretty] | --front [--after S] [--pretty]\n");
    return 2;
  }
  std::shared_ptr<ax::System> ax;
  std::optional<platform::RunningApplication> app;
  if (front) {
    auto desktop = frontDesktop(after);
    if (!desktop) return 1;
    ax = desktop->ax;
    app = desktop->workspace->frontmostApplication();
  } else {
    auto scene = sim::SimDesktop::load(file);
    ax = scene;
    if (auto f = scene->frontmost()) app = platform::RunningApplication{f->name, f->bundleId, f->pid, f->launchedAt, f->frameworks};
  }
  if (!app) {
    std::fprintf(stderr, "orvak-dev walk: no application in front\n");
    return 1;
  }
  // The walk blocks for as long as the other application takes to answer: never on the thread
  // that owns the interface, always on a queue of its own.
  auto queue = dispatch::makeQueue("orvak.capture");
  const auto result = queue->syncValue([&]() -> std::optional<WalkResult> {
    const auto window = AXWalker::pickWindow(ax->application(app->pid));
    if (!window) return std::nullopt;
    return AXWalker::walk(*window);
  });
  if (!result) {
    std::fprintf(stderr, "orvak-dev walk: %s has no window to read\n", app->name.value_or("App").c_str());
    return 1;
  }
  const json::Json j = walkJson(*result);
  std::printf("%s\n", (pretty ? json::dumpPretty(j) : json::dump(j)).c_str());
  return 0;
}

}  // namespace orvak::dev

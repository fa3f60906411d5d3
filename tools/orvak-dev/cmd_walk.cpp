// Walks the front window of a simulated desktop scene and prints what the walk saw: the node
// records and the walk's counters, as JSON. The scene's front application and its window choice
// decide the window, as they would for a capture.
#include <cstdio>
#include <string>

#include "app/ax_walker.h"
#include "core/base/dispatch.h"
#include "core/base/json.h"
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
  try {
    const Options o(args, {}, {"--pretty"});
    file = o.plain()[0];
    pretty = o.flag("--pretty");
  } catch (const UsageError&) {
    std::fprintf(stderr, "usage: orvak-dev walk SCENE.json [--pretty]\n");
    return 2;
  }
  const auto desktop = sim::SimDesktop::load(file);
  const auto front = desktop->frontmost();
  if (!front) {
    std::fprintf(stderr, "orvak-dev walk: %s has no application in front\n", file.c_str());
    return 1;
  }
  // The walk blocks for as long as the other application takes to answer: never on the thread
  // that owns the interface, always on a queue of its own.
  auto queue = dispatch::makeQueue("orvak.capture", dispatch::QoS::UserInteractive);
  const auto result = queue->syncValue([&]() -> std::optional<WalkResult> {
    const auto window = AXWalker::pickWindow(desktop->application(front->pid));
    if (!window) return std::nullopt;
    return AXWalker::walk(*window);
  });
  if (!result) {
    std::fprintf(stderr, "orvak-dev walk: %s has no window to read\n", front->name.value_or("App").c_str());
    return 1;
  }
  const json::Json j = walkJson(*result);
  std::printf("%s\n", (pretty ? json::dumpPretty(j) : json::dump(j)).c_str());
  return 0;
}

}  // namespace orvak::dev

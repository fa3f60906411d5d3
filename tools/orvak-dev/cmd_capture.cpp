// Captures the front window of a simulated desktop scene, or with --front of the real desktop
// after a few seconds, the way a read does (trust, front
// application, never-read list, window choice, web waits, the document-editor step, cleaning,
// private windows, the selection) and prints the capture's summary and cleaned text, or the
// sentence the user would see. With --dump it also writes a capture dump, which loads back as a
// scene.
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <set>
#include <string>
#include <variant>

#include "app/capture/capturer.h"
#include "core/base/dispatch.h"
#include "core/base/paths.h"
#include "core/base/timing.h"
#include "platform/desktop.h"
#include "platform/sim/sim_desktop.h"
#include "platform/sim/sim_events.h"
#include "platform/sim/sim_workspace.h"
#include "tools/orvak-dev/commands.h"
#include "tools/orvak-dev/options.h"

namespace orvak::dev {

namespace {

std::set<std::filesystem::path> dumpsIn(const std::filesystem::path& folder) {
  std::set<std::filesystem::path> files;
  std::error_code ec;
  for (const auto& e : std::filesystem::directory_iterator(folder, ec)) files.insert(e.path());
  return files;
}

void printCapture(const Capture& c) {
  std::printf("app: %s (%s, pid %d)\n", c.appName.c_str(), c.bundleId.value_or("no bundle id").c_str(), int(c.pid));
  std::printf("window: %s\n", c.windowTitle.value_or("(no title)").c_str());
  if (c.url) std::printf("url: %s\n", c.url->c_str());
  std::printf("walks: %d, last walk %.1f ms, all walks %.1f ms, clean %.1f ms\n", c.attempts, c.axWalkMs,
              c.axWalkTotalMs, c.cleanMs);
  std::printf("nodes: %lld, raw characters: %lld, clean characters: %d\n", static_cast<long long>(c.nodes),
              static_cast<long long>(c.rawChars), c.clean.chars);
  std::printf("region: %s (%s), start: %d (%s)\n", c.clean.region.c_str(), c.clean.regionStrategy.c_str(),
              c.clean.start.offset, reasonName(c.clean.start.reason));
  if (c.docsSetup) std::printf("document editor: %s\n", c.docsSetup->c_str());
  if (c.cutAtNodes)
    std::printf("page cut: the walk stopped at its limit of %lld nodes\n", static_cast<long long>(*c.cutAtNodes));
  if (c.cutByTime) std::printf("page cut: the walk ran out of time after %lld nodes\n", static_cast<long long>(c.nodes));
  std::printf("private: %s\n", c.isPrivate ? "yes" : "no");
  if (c.selectedText) std::printf("selection: %s\n", c.selectedText->c_str());
  std::printf("---\n%s\n", c.clean.text.c_str());
}

}  // namespace

int runCapture(const Args& args) {
  std::string file;
  bool dump = false;
  bool front = false;
  double after = 0;
  try {
    front = std::find(args.begin(), args.end(), "--front") != args.end();
    const Options o(args, {"--after"}, {"--dump", "--front"}, front ? 0 : 1);
    if (!front) file = o.plain()[0];
    dump = o.flag("--dump");
    after = o.number("--after").value_or(0);
    if (after < 0 || after > 600) throw UsageError("--after");
  } catch (const UsageError&) {
    std::fprintf(stderr, "usage: orvak-dev capture SCENE.json [--dump] | --front [--after S] [--dump]\n");
    return 2;
  }
  std::shared_ptr<Capturer> capturer;
  if (front) {
    const auto desktop = frontDesktop(after);
    if (!desktop) return 1;
    capturer = Capturer::make(desktop->ax, desktop->workspace, desktop->events);
  } else {
    const auto desktop = sim::SimDesktop::load(file);
    capturer = Capturer::make(desktop, std::make_shared<sim::SimWorkspace>(desktop),
                              std::make_shared<sim::SimEvents>(desktop));
  }
  capturer->saveDumps = dump;
  const auto before = dump ? dumpsIn(OrvakPaths::captures()) : std::set<std::filesystem::path>{};

  std::optional<CaptureOutcome> outcome;
  capturer->capture(Clock::now(), [&](CaptureOutcome o) { outcome = std::move(o); });
  // The worst case is 23 walks with their waits: well under a minute even for slow scenes.
  if (!dispatch::mainloop::runUntil([&] { return outcome.has_value(); }, 120)) {
    std::fprintf(stderr, "orvak-dev capture: no answer from the capture\n");
    return 1;
  }
  int status = 0;
  if (const auto* error = std::get_if<CaptureError>(&*outcome)) {
    std::printf("%s\n", error->description().c_str());
    status = 1;
  } else {
    printCapture(std::get<Capture>(*outcome));
  }
  if (dump) {
    bool wrote = false;
    for (const auto& f : dumpsIn(OrvakPaths::captures())) {
      if (!before.contains(f)) {
        std::printf("dump: %s\n", f.c_str());
        wrote = true;
      }
    }
    if (!wrote) std::printf("dump: none written%s\n", status == 0 ? " (private window)" : "");
  }
  return status;
}

}  // namespace orvak::dev

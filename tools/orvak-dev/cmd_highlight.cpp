// Measures a range of a scene's front window the way the highlighter does during a read, prints the
// rectangles the overlay would draw and how many Accessibility requests they took.
#include <cstdio>
#include <optional>
#include <string>
#include <variant>

#include "app/capturer.h"
#include "app/highlight/highlighter.h"
#include "core/base/dispatch.h"
#include "core/base/timing.h"
#include "platform/sim/sim_desktop.h"
#include "platform/sim/sim_events.h"
#include "platform/sim/sim_workspace.h"
#include "tools/orvak-dev/commands.h"
#include "tools/orvak-dev/options.h"

namespace orvak::dev {

namespace {

std::optional<text::GraphemeRange> rangeOption(const Options& o, std::string_view name) {
  const auto v = o.value(name);
  if (!v) return std::nullopt;
  int a = 0, b = 0;
  char tail = 0;
  if (std::sscanf(v->c_str(), "%d,%d%c", &a, &b, &tail) != 2 || a < 0 || b < a) {
    throw UsageError(std::string(name) + " takes A,B with 0 <= A <= B");
  }
  return text::GraphemeRange{a, b};
}

void printRect(const char* what, const ax::Rect& r) {
  std::printf("%s [%.0f,%.0f %.0f\u00D7%.0f]\n", what, r.x, r.y, r.width, r.height);
}

// Keeps what the highlighter last asked to draw.
class LastShown final : public HighlightOverlay {
 public:
  std::vector<ax::Rect> bands, saved;
  std::optional<ax::Rect> word, focus;
  int shows = 0;
  void show(const std::vector<ax::Rect>& b, const std::optional<ax::Rect>& w, const std::optional<ax::Rect>& f,
            const std::vector<ax::Rect>& s) override {
    bands = b, word = w, focus = f, saved = s;
    ++shows;
  }
  void close() override {}
};

}  // namespace

int runHighlight(const Args& args) {
  std::string file;
  text::GraphemeRange range;
  std::optional<text::GraphemeRange> word, saved;
  bool focus = false;
  try {
    const Options o(args, {"--range", "--word", "--saved"}, {"--focus"});
    file = o.plain()[0];
    const auto r = rangeOption(o, "--range");
    if (!r) throw UsageError("--range is required");
    range = *r;
    word = rangeOption(o, "--word");
    saved = rangeOption(o, "--saved");
    focus = o.flag("--focus");
  } catch (const UsageError& e) {
    std::fprintf(stderr, "%s\nusage: orvak-dev highlight SCENE.json --range A,B [--word C,D] [--saved E,F] [--focus]\n",
                 e.what());
    return 2;
  }

  const auto desktop = sim::SimDesktop::load(file);
  const auto workspace = std::make_shared<sim::SimWorkspace>(desktop);
  auto capturer = Capturer::make(desktop, workspace, std::make_shared<sim::SimEvents>(desktop));
  std::optional<CaptureOutcome> outcome;
  capturer->capture(Clock::now(), [&](CaptureOutcome o) { outcome = std::move(o); });
  if (!dispatch::mainloop::runUntil([&] { return outcome.has_value(); }, 120)) {
    std::fprintf(stderr, "orvak-dev highlight: no answer from the capture\n");
    return 1;
  }
  if (const auto* error = std::get_if<CaptureError>(&*outcome)) {
    std::printf("%s\n", error->description().c_str());
    return 1;
  }
  const Capture& capture = std::get<Capture>(*outcome);
  if (range.end > capture.clean.chars) {
    std::fprintf(stderr, "orvak-dev highlight: the page has %d characters\n", capture.clean.chars);
    return 2;
  }

  auto overlay = std::make_shared<LastShown>();
  auto h = Highlighter::make(
      capture, [range] { return std::optional(range); }, workspace, [overlay](bool) { return overlay; });
  if (word) h->wordNow = [word] { return word; };
  if (saved) h->saved = {*saved};
  h->focus = focus;
  h->follow = false;
  std::vector<std::string> characters;
  for (auto g : text::graphemes(capture.clean.text)) characters.emplace_back(g);
  h->spokenText = std::move(characters);
  h->start();
  const auto before = desktop->requestCount();
  h->tick(true);
  if (!dispatch::mainloop::runUntil([&] { return overlay->shows > 0; }, 30)) {
    std::fprintf(stderr, "orvak-dev highlight: the pass did not finish (the front window is not the captured one?)\n");
    return 1;
  }
  const auto requests = desktop->requestCount() - before;
  for (const auto& r : overlay->bands) printRect("band", r);
  if (overlay->word) printRect("word", *overlay->word);
  for (const auto& r : overlay->saved) printRect("saved", r);
  if (overlay->focus) printRect("focus", *overlay->focus);
  std::printf("%zu Accessibility requests\n", requests);
  h->stop();
  return overlay->bands.empty() ? 1 : 0;
}

}  // namespace orvak::dev

// Measures a range of a scene's front window the way the highlighter does during a read, prints the
// rectangles the overlay would draw and how many Accessibility requests they took; given a file
// name, it also draws those marks over a picture of the window.
#include <cstdio>
#include <optional>
#include <string>
#include <variant>

#include "app/capture/capturer.h"
#include "app/highlight/highlighter.h"
#include "app/views/highlight/overlay_shots.h"
#include "core/base/dispatch.h"
#include "core/base/timing.h"
#include "platform/sim/sim_desktop.h"
#include "platform/sim/sim_events.h"
#include "platform/sim/sim_workspace.h"
#include "tools/orvak-dev/commands.h"
#include "tools/orvak-dev/gui_app.h"
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

// The window's text in the cells the desktop gives each character, relative to the window.
views::highlight::PagePicture pictureOf(const Capture& capture) {
  views::highlight::PagePicture page;
  const auto frame = capture.windowFrame.value_or(Frame{0, 0, 800, 600});
  page.size = QSizeF(frame[2], frame[3]);
  for (std::size_t i = 0; i < capture.elements.size() && i < capture.nodeTexts.size(); ++i) {
    if (!capture.nodeTexts[i]) continue;
    const QString text = QString::fromStdString(*capture.nodeTexts[i]);
    for (qsizetype at = 0; at < text.size(); ++at) {
      if (text[at].isLowSurrogate() || text[at].isSpace()) continue;
      const qsizetype units = text[at].isHighSurrogate() ? 2 : 1;
      const auto answer =
          capture.elements[i].parameterizedAttribute("AXBoundsForRange", ax::Value(ax::Range{at, units}));
      const auto* r = answer ? answer.value.as<ax::Rect>() : nullptr;
      if (r == nullptr) continue;
      page.characters.emplace_back(QRectF(r->x - frame[0], r->y - frame[1], r->width, r->height), text.mid(at, units));
    }
  }
  return page;
}

std::vector<QRectF> inWindow(const std::vector<ax::Rect>& rects, const Frame& frame) {
  std::vector<QRectF> out;
  for (const auto& r : rects) out.emplace_back(r.x - frame[0], r.y - frame[1], r.width, r.height);
  return out;
}

std::optional<QRectF> inWindow(const std::optional<ax::Rect>& r, const Frame& frame) {
  if (!r) return std::nullopt;
  return inWindow(std::vector{*r}, frame).front();
}

}  // namespace

int runHighlight(const Args& args) {
  std::string file;
  text::GraphemeRange range;
  std::optional<text::GraphemeRange> word, saved;
  std::optional<std::string> picture;
  bool focus = false;
  try {
    const Options o(args, {"--range", "--word", "--saved"}, {"--focus"}, 1, 1);
    file = o.plain()[0];
    if (o.plain().size() > 1) picture = o.plain()[1];
    const auto r = rangeOption(o, "--range");
    if (!r) throw UsageError("--range is required");
    range = *r;
    word = rangeOption(o, "--word");
    saved = rangeOption(o, "--saved");
    focus = o.flag("--focus");
  } catch (const UsageError& e) {
    std::fprintf(
        stderr,
        "%s\nusage: orvak-dev highlight SCENE.json --range A,B [--word C,D] [--saved E,F] [--focus] [OUT.png]\n",
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
  if (overlay->bands.empty()) return 1;
  if (picture) {
    const auto app = offscreenApp();
    const auto frame = capture.windowFrame.value_or(Frame{0, 0, 800, 600});
    const QImage image =
        views::highlight::overlayPicture(pictureOf(capture), inWindow(overlay->bands, frame), inWindow(overlay->word, frame),
                              inWindow(overlay->focus, frame), inWindow(overlay->saved, frame));
    if (!image.save(QString::fromStdString(*picture))) {
      std::fprintf(stderr, "orvak-dev highlight: could not write %s\n", picture->c_str());
      return 1;
    }
    std::printf("wrote %s\n", picture->c_str());
  }
  return 0;
}

}  // namespace orvak::dev

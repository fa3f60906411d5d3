#include "app/highlight/highlighter.h"

#include <gtest/gtest.h>

#include "app/highlight/saved_ranges.h"
#include "core/library/notes_store.h"
#include "tests/app/capture/capture_test_support.h"
#include "tests/support/rect_print.h"
#include "tests/support/temp_home.h"

namespace orvak {
namespace {

using test::Json;

struct Shown {
  std::vector<ax::Rect> bands;
  std::optional<ax::Rect> word;
  std::optional<ax::Rect> focus;
  std::vector<ax::Rect> saved;
};

class RecordingOverlay final : public HighlightOverlay {
 public:
  std::vector<Shown> shown;
  bool closed = false;
  void show(const std::vector<ax::Rect>& bands, const std::optional<ax::Rect>& word,
            const std::optional<ax::Rect>& focusArea, const std::vector<ax::Rect>& saved) override {
    shown.push_back({bands, word, focusArea, saved});
  }
  void close() override { closed = true; }
};

const std::string kText =
    "No river runs straight for long. A small bend, once "
    "started, feeds itself.";

// One paragraph of 74 characters on one line at `top`, in a window at the top
// of the screen.
Json scene(double top) {
  Json p = {{"ref", "p"}, {"role", "AXStaticText"}, {"value", kText}, {"frame", {100, top, 800, 18}}};
  Json other = {{"ref", "other"}, {"pid", 200}, {"name", "Other"}};
  Json s = test::sceneWith(Json::object(), {test::webArea(Json::array({p}))});
  s["applications"].push_back(other);
  return s;
}

struct Harness : test::CaptureHarness {
  std::shared_ptr<RecordingOverlay> overlay = std::make_shared<RecordingOverlay>();
  std::optional<text::GraphemeRange> sentence{text::GraphemeRange{0, 32}};
  std::optional<text::GraphemeRange> word;
  Capture capture;
  std::shared_ptr<Highlighter> h;

  explicit Harness(double top = 300, bool words = false) : CaptureHarness(scene(top)) {
    capture = page();
    h = Highlighter::make(
        capture, [this] { return sentence; }, std::make_shared<sim::SimWorkspace>(desktop),
        [this](bool) { return overlay; });
    if (words) h->wordNow = [this] { return word; };
    std::vector<std::string> chars;
    for (auto g : text::graphemes(capture.clean.text)) chars.emplace_back(g);
    h->spokenText = chars;
    h->start();
  }
  const Shown& last() const { return overlay->shown.back(); }
};

TEST(HighlighterTest, PollingMeasuresOnChangeForceAndRefreshOnly) {
  Harness t;
  ASSERT_EQ(t.capture.clean.text, kText);
  t.vt.advance(0.12);
  ASSERT_EQ(t.overlay->shown.size(), 1u);
  EXPECT_EQ(t.last().bands, (std::vector<ax::Rect>{{100, 300, 256, 18}}));
  EXPECT_EQ(t.h->why().changed, 1);

  t.vt.advance(0.36);  // three more polls, the same sentence, under 0.5 s since the pass
  EXPECT_EQ(t.h->stats().updates, 1);
  t.vt.advance(0.24);  // 0.6 s since: a refresh
  EXPECT_EQ(t.h->why().stale, 1);

  t.h->tick(true);
  t.h->tick(true);  // the first pass is still in flight: at most one at a time
  t.vt.drain();
  EXPECT_EQ(t.h->why().force, 1);

  t.sentence = text::GraphemeRange{33, 74};
  t.vt.advance(0.12);
  EXPECT_EQ(t.h->why().changed, 2);
  EXPECT_EQ(t.last().bands, (std::vector<ax::Rect>{{364, 300, 328, 18}}));
  EXPECT_EQ(t.h->stats().updates, 4);
}

TEST(HighlighterTest, AnotherProgramInFrontHidesEverythingAndComingBackMeasuresAgain) {
  Harness t;
  t.vt.advance(0.12);
  t.desktop->setFrontmost(200);
  t.vt.advance(0.12);
  EXPECT_TRUE(t.last().bands.empty());
  EXPECT_FALSE(t.last().word);
  t.desktop->setFrontmost(100);
  t.vt.advance(0.12);
  EXPECT_EQ(t.h->why().changed, 2) << "the last range was forgotten";
  EXPECT_EQ(t.last().bands.size(), 1u);

  t.sentence.reset();  // before playback and after it ended: nothing shown
  t.vt.advance(0.12);
  EXPECT_TRUE(t.last().bands.empty());
}

TEST(HighlighterTest, WordMarksInsideTheirSentenceOnly) {
  Harness t(300, true);
  t.word = text::GraphemeRange{3, 8};  // "river"
  t.vt.advance(0.03);
  ASSERT_TRUE(t.last().word);
  EXPECT_EQ(*t.last().word, (ax::Rect{124, 300, 40, 18}));
  EXPECT_EQ(t.h->stats().words, 1);

  t.word = text::GraphemeRange{30, 36};  // reaches past the sentence's end: no word
  t.vt.advance(0.03);
  EXPECT_FALSE(t.last().word);
  EXPECT_EQ(t.h->stats().words, 1);
  EXPECT_EQ(t.h->stats().wordMisses, 0);
}

TEST(HighlighterTest, SummaryOnlyAfterAPass) {
  {
    Harness idle;
    EXPECT_EQ(idle.h->summary(), "");
    idle.h->stop();
    EXPECT_TRUE(idle.overlay->closed);
  }
  Harness t;
  t.h->saved = {{0, 2}};
  t.vt.advance(0.12);
  t.h->stop();
  EXPECT_EQ(t.h->summary(),
            "highlight: 1 updates, 1 rects, 0 auto-scrolls, "
            "worst 0 ms (new sentence 1, forced 0, refresh 0)"
            " \u00B7 earlier highlights 1 (1 line rects)");
  const auto shown = t.overlay->shown.size();
  t.vt.advance(1);
  EXPECT_EQ(t.overlay->shown.size(), shown) << "the timer stopped";
}

TEST(HighlighterTest, FocusModeDimsTheCapturedWindow) {
  Harness t;
  t.h->focus = true;
  t.vt.advance(0.12);
  EXPECT_EQ(t.last().focus, (ax::Rect{0, 0, 1000, 800}));
}

TEST(HighlighterTest, AutoScrollAtTheWindowsTopEdge) {
  // The band's top 59 points below the window's top is outside the comfortable
  // zone; 60 is not.
  {
    Harness near(59);
    near.vt.advance(0.12);
    EXPECT_EQ(near.h->stats().scrolls, 1);
    near.vt.advance(0.2);  // the re-poll 0.08 s after the scroll finds the band still there
    EXPECT_EQ(near.h->why().force, 1);
    EXPECT_EQ(near.h->stats().scrolls, 1) << "not again within 0.4 s";
    near.vt.advance(0.3);
    near.h->tick(true);
    near.vt.drain();
    EXPECT_EQ(near.h->stats().scrolls, 2);

    near.h->pauseFollowing(6);
    near.vt.advance(0.5);
    near.h->tick(true);
    near.vt.drain();
    EXPECT_EQ(near.h->stats().scrolls, 2) << "the user scrolled: not within the pause";
  }

  Harness comfortable(60);
  comfortable.vt.advance(0.12);
  EXPECT_EQ(comfortable.h->stats().scrolls, 0);
}

TEST(HighlighterTest, SavedRangesFromTheLibrary) {
  test::CaptureHarness harness(scene(300));
  const Capture capture = harness.page();
  NotesStore notes(test::freshDir("highlights") / "notes.sqlite", std::nullopt);
  auto save = [&](ResearchItem::Kind kind, std::string quote, std::optional<std::string> url) {
    ResearchItem item;
    item.kind = kind;
    item.quote = std::move(quote);
    item.app = "Reader";
    item.url = std::move(url);
    item.windowTitle = "Rivers";
    notes.save(item);
  };
  const std::string url = *capture.url;
  save(ResearchItem::Kind::highlight, "A small bend", url + "#part");
  save(ResearchItem::Kind::note, "No river", url);
  save(ResearchItem::Kind::highlight, "a quote edited away since", url);
  save(ResearchItem::Kind::highlight, "No river runs", url);
  save(ResearchItem::Kind::highlight, "A small bend", "https://elsewhere.example/");

  EXPECT_EQ(savedRanges(capture, &notes), (std::vector<text::GraphemeRange>{{33, 46}, {0, 13}}));
  EXPECT_TRUE(savedRanges(capture, nullptr).empty());
  Capture hidden = capture;
  hidden.isPrivate = true;
  EXPECT_TRUE(savedRanges(hidden, &notes).empty());
  Capture keyless = capture;
  keyless.url.reset();
  keyless.windowTitle.reset();
  EXPECT_TRUE(savedRanges(keyless, &notes).empty());
}

}  // namespace
}  // namespace orvak

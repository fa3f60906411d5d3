// The band that follows the voice: one highlighter per read polls the player
// for the sentence and word being heard, measures their screen rectangles
// through Accessibility on its own queue
// ("orvak.highlight"), draws them on the overlay, underlines the page's earlier
// highlights, dims the window around the band in focus mode, and scrolls the
// read element into view when the band leaves the window's comfortable zone.
//
// Everything but measuring and the scroll action runs on the main queue. At
// most one measuring pass is in flight; a pass holds the highlighter and the
// overlay strongly, so one that ends after `stop()` only updates the closed
// overlay. The timer and the delayed re-poll hold it weakly.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/capture/capture.h"
#include "app/highlight/highlight_measurer.h"
#include "app/highlight/highlight_overlay.h"
#include "core/base/dispatch.h"
#include "core/text/text.h"
#include "platform/workspace.h"

namespace orvak {

class Highlighter : public std::enable_shared_from_this<Highlighter> {
 public:
  using RangeSource = std::function<std::optional<text::GraphemeRange>()>;

  // Poll intervals and band opacity, with and without word marks.
  static constexpr double kWordInterval = 0.03;
  static constexpr double kSentenceInterval = 0.12;
  // The same sentence is measured again at most this often unless forced.
  static constexpr double kRefresh = 0.5;

  struct Stats {
    int updates = 0;
    int rects = 0;
    int scrolls = 0;
    double worstMs = 0;
    int words = 0;
    int wordMisses = 0;
    int wordOutside = 0;
  };
  struct Why {
    int changed = 0;
    int force = 0;
    int stale = 0;
  };

  // Identifiers of programs whose text bounds cover whole blocks, so ranges are
  // measured one character at a time and rebuilt into lines.
  static bool measuresByBlock(const std::optional<std::string>& bundleId);

  static std::shared_ptr<Highlighter> make(const Capture& capture, RangeSource rangeNow,
                                           std::shared_ptr<platform::Workspace> workspace,
                                           HighlightOverlayFactory makeOverlay);

  // Set by the controller before `start()`.
  RangeSource wordNow;  // absent: no word marks
  bool focus = false;
  std::vector<text::GraphemeRange> saved;
  std::optional<std::vector<std::string>> spokenText;  // the cleaned text's characters
  bool follow = true;

  // Overlay and timer; nothing without spans and elements.
  void start();
  // One poll; `force` measures even an unchanged sentence.
  void tick(bool force);
  // Timer and overlay go; the summary line is written when a pass completed.
  void stop();

  // New earlier highlights (after one was saved during the read): measured
  // again at the next tick.
  void replaceSaved(std::vector<text::GraphemeRange> ranges);
  // The scroll watch pauses following for `seconds` after the user scrolled.
  void pauseFollowing(double seconds);

  const Stats& stats() const { return stats_; }
  const Why& why() const { return why_; }
  bool isRunning() const { return overlay_ != nullptr; }
  // The summary line `stop()` writes (empty before the first pass).
  std::string summary() const;

  struct Token {};
  Highlighter(Token, const Capture& capture, RangeSource rangeNow, std::shared_ptr<platform::Workspace> workspace,
              HighlightOverlayFactory makeOverlay);

 private:
  struct Pass {
    bool measure = false;
    text::GraphemeRange range;
    std::optional<text::GraphemeRange> word;
    bool wordChanged = false;
    bool sentenceChanged = false;
    bool force = false;
    std::vector<text::GraphemeRange> saved;  // the pass's own copy: `saved` may change meanwhile
  };
  struct Result {
    std::vector<ax::Rect> rects;
    std::optional<std::vector<ax::Rect>> savedRects;
    std::optional<ax::Rect> wordRect;
    double elapsedMs = 0;
  };
  void run(Pass pass);
  void apply(const Pass& pass, Result result, const std::shared_ptr<HighlightOverlay>& overlay);
  void followIfNeeded(text::GraphemeRange range, const std::vector<ax::Rect>& rects);
  static double now();

  std::vector<ax::Element> elements_;
  std::vector<TextSpan> spans_;
  pid_t pid_;
  std::optional<Frame> windowFrame_;
  RangeSource rangeNow_;
  std::shared_ptr<platform::Workspace> workspace_;
  HighlightOverlayFactory makeOverlay_;
  std::shared_ptr<dispatch::Queue> q_;
  std::shared_ptr<HighlightMeasurer> measurer_;  // used on q_ only

  std::shared_ptr<HighlightOverlay> overlay_;
  dispatch::RepeatingTimer timer_;
  std::optional<text::GraphemeRange> lastRange_;
  std::optional<text::GraphemeRange> lastWord_;
  std::vector<ax::Rect> lastRects_;
  std::vector<ax::Rect> savedRects_;
  bool busy_ = false;
  double followPausedUntil_;
  double lastAutoScroll_;
  double lastMeasure_;
  Stats stats_;
  Why why_;
  int wordLogs_ = 0;
  int hlwordLogs_ = 0;
};

}  // namespace orvak

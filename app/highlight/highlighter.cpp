#include "app/highlight/highlighter.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <string_view>

#include "core/base/log.h"
#include "core/page/privacy.h"

namespace orvak {

namespace {

constexpr double kDistantPast = -std::numeric_limits<double>::infinity();

// Programs whose bounds queries answer whole blocks rather than the asked
// range. None of the document viewers tried so far does that on this desktop;
// the table stays so one can be added.
constexpr std::array<std::string_view, 0> kBlockMeasured{};

std::string rectText(const ax::Rect& r) {
  return "[" + Log::whole(r.x) + "," + Log::whole(r.y) + " " + Log::whole(r.width) +
         "\u00D7" + Log::whole(r.height) + "]";
}

ax::Rect grown(const ax::Rect& r, double by) { return {r.x - by, r.y - by, r.width + 2 * by, r.height + 2 * by}; }

bool encloses(const ax::Rect& outer, const ax::Rect& inner) {
  return inner.x >= outer.x && inner.y >= outer.y && inner.x + inner.width <= outer.x + outer.width &&
         inner.y + inner.height <= outer.y + outer.height;
}

}  // namespace

bool Highlighter::measuresByBlock(const std::optional<std::string>& bundleId) {
  if (!bundleId) return false;
  return std::find(kBlockMeasured.begin(), kBlockMeasured.end(), *bundleId) != kBlockMeasured.end();
}

std::shared_ptr<Highlighter> Highlighter::make(const Capture& capture, RangeSource rangeNow,
                                               std::shared_ptr<platform::Workspace> workspace,
                                               HighlightOverlayFactory makeOverlay) {
  return std::make_shared<Highlighter>(Token{}, capture, std::move(rangeNow), std::move(workspace),
                                       std::move(makeOverlay));
}

Highlighter::Highlighter(Token, const Capture& capture, RangeSource rangeNow,
                         std::shared_ptr<platform::Workspace> workspace, HighlightOverlayFactory makeOverlay)
    : elements_(capture.elements),
      spans_(capture.clean.spans),
      pid_(capture.pid),
      windowFrame_(capture.windowFrame),
      rangeNow_(std::move(rangeNow)),
      workspace_(std::move(workspace)),
      makeOverlay_(std::move(makeOverlay)),
      q_(dispatch::makeQueue("orvak.highlight")),
      measurer_(std::make_shared<HighlightMeasurer>(capture.elements, capture.nodeTexts, capture.clean.spans,
                                                    measuresByBlock(capture.bundleId))),
      followPausedUntil_(kDistantPast),
      lastAutoScroll_(kDistantPast),
      lastMeasure_(kDistantPast) {}

double Highlighter::now() { return dispatch::monotonicSeconds(); }

void Highlighter::start() {
  if (spans_.empty() || elements_.empty() || overlay_) return;
  overlay_ = makeOverlay_(static_cast<bool>(wordNow));
  // The measurer is not touched on q_ before the first pass, so it can take the
  // text here.
  measurer_->setSpokenText(spokenText);
  std::weak_ptr<Highlighter> weak = weak_from_this();
  timer_ = dispatch::RepeatingTimer(dispatch::main(), wordNow ? kWordInterval : kSentenceInterval, [weak] {
    if (auto self = weak.lock()) self->tick(false);
  });
}

void Highlighter::replaceSaved(std::vector<text::GraphemeRange> ranges) {
  saved = std::move(ranges);
  savedRects_.clear();
  lastMeasure_ = kDistantPast;
}

void Highlighter::pauseFollowing(double seconds) { followPausedUntil_ = now() + seconds; }

void Highlighter::tick(bool force) {
  if (!overlay_) return;
  const auto front = workspace_ ? workspace_->frontmostApplication() : std::nullopt;
  const auto range = rangeNow_ ? rangeNow_() : std::nullopt;
  if (!front || front->pid != pid_ || !range) {
    overlay_->show({}, std::nullopt, std::nullopt, {});
    lastRange_.reset();
    lastWord_.reset();
    return;
  }
  if (busy_) return;

  auto word = wordNow ? wordNow() : std::nullopt;
  if (word && (word->start < range->start || word->end > range->end)) word.reset();

  const bool sentenceChanged = !lastRange_ || *lastRange_ != *range;
  const bool measure = sentenceChanged || force || now() - lastMeasure_ >= kRefresh;
  const bool wordChanged = word.has_value() != lastWord_.has_value() || (word && lastWord_ && *word != *lastWord_);
  if (!measure && !wordChanged) return;
  if (measure) {
    if (sentenceChanged) {
      ++why_.changed;
    } else if (force) {
      ++why_.force;
    } else {
      ++why_.stale;
    }
  }

  busy_ = true;
  lastRange_ = range;
  lastWord_ = word;
  run({measure, *range, word, wordChanged, sentenceChanged, force, saved});
}

void Highlighter::run(Pass pass) {
  auto self = shared_from_this();
  auto overlay = overlay_;
  q_->async([self, overlay, pass = std::move(pass)]() mutable {
    const auto started = dispatch::monotonicNanos();
    Result result;
    HighlightMeasurer& m = *self->measurer_;
    if (pass.measure) {
      result.rects = m.measure(pass.range);
      std::vector<ax::Rect> savedRects;
      for (const auto& r : pass.saved) {
        const auto rects = m.measure(r);
        savedRects.insert(savedRects.end(), rects.begin(), rects.end());
      }
      result.savedRects = std::move(savedRects);
    }
    if (pass.word) {
      const auto rects = m.measure(*pass.word);
      if (!rects.empty()) result.wordRect = rects.front();
    }
    const auto ended = dispatch::monotonicNanos();
    result.elapsedMs = ended > started ? static_cast<double>(ended - started) / 1e6 : 0;
    dispatch::main().async([self, overlay, pass = std::move(pass), result = std::move(result)]() mutable {
      self->apply(pass, std::move(result), overlay);
    });
  });
}

void Highlighter::apply(const Pass& pass, Result result, const std::shared_ptr<HighlightOverlay>& overlay) {
  busy_ = false;
  if (result.savedRects) savedRects_ = std::move(*result.savedRects);
  if (pass.measure) {
    lastMeasure_ = now();
    ++stats_.updates;
    stats_.rects += static_cast<int>(result.rects.size());
    if (stats_.updates <= 2) {
      std::string line = "highlight: s" + std::to_string(pass.range.start) + " \u2192 ";
      for (std::size_t i = 0; i < result.rects.size() && i < 4; ++i) {
        if (i > 0) line += " ";
        line += rectText(result.rects[i]);
      }
      line += " window [";
      if (windowFrame_) {
        for (std::size_t i = 0; i < 4; ++i) line += (i ? "," : "") + Log::whole((*windowFrame_)[i]);
      }
      Log::write(line + "]");
    }
    lastRects_ = std::move(result.rects);
  }

  if (Privacy::keepTextInLogs() && pass.wordChanged && pass.word && spokenText && hlwordLogs_ < 80) {
    ++hlwordLogs_;
    std::string chars;
    const auto& text = *spokenText;
    for (int i = std::max(0, pass.word->start); i < pass.word->end && i < static_cast<int>(text.size()); ++i) {
      chars += text[static_cast<std::size_t>(i)];
    }
    Log::write("hlword " + std::to_string(pass.word->start) + " \u201C" + chars +
               "\u201D rect=" + (result.wordRect ? "true" : "false"));
  }

  if (pass.wordChanged && pass.word) {
    if (!result.wordRect) {
      ++stats_.wordMisses;
    } else {
      ++stats_.words;
      const bool inside = std::any_of(lastRects_.begin(), lastRects_.end(),
                                      [&](const ax::Rect& band) { return encloses(grown(band, 3), *result.wordRect); });
      if (!inside) ++stats_.wordOutside;
      const int shown = Privacy::keepTextInLogs() ? 30 : 3;
      if (wordLogs_ < shown) {
        ++wordLogs_;
        Log::write("highlight: word " + std::to_string(stats_.words) + " \u2192 " + rectText(*result.wordRect));
      }
    }
  }
  stats_.worstMs = std::max(stats_.worstMs, result.elapsedMs);

  std::optional<ax::Rect> focusArea;
  if (focus && windowFrame_)
    focusArea = ax::Rect{(*windowFrame_)[0], (*windowFrame_)[1], (*windowFrame_)[2], (*windowFrame_)[3]};
  if (overlay) overlay->show(lastRects_, result.wordRect, focusArea, savedRects_);
  if (pass.sentenceChanged || pass.force) followIfNeeded(pass.range, lastRects_);
}

void Highlighter::followIfNeeded(text::GraphemeRange range, const std::vector<ax::Rect>& rects) {
  if (!follow || rects.empty()) return;
  const double t = now();
  if (!(t > followPausedUntil_)) return;
  if (!(t - lastAutoScroll_ > 0.4)) return;
  if (!windowFrame_) return;
  const double top = (*windowFrame_)[1], height = (*windowFrame_)[3];
  const bool outside = std::any_of(rects.begin(), rects.end(), [&](const ax::Rect& r) {
    return r.y < top + 60 || r.y + r.height > top + height - 40;
  });
  if (!outside) return;
  const auto span = std::find_if(spans_.rbegin(), spans_.rend(),
                                 [&](const TextSpan& s) { return s.start < range.end && s.end > range.start; });
  if (span == spans_.rend() || span->node < 0 || static_cast<std::size_t>(span->node) >= elements_.size()) return;

  lastAutoScroll_ = t;
  auto self = shared_from_this();
  const ax::Element element = elements_[static_cast<std::size_t>(span->node)];
  q_->async([self, element] {
    const bool scrolled = element.performAction("AXScrollToVisible") == ax::Error::success;
    dispatch::main().async([self, scrolled] {
      if (scrolled) ++self->stats_.scrolls;
      std::weak_ptr<Highlighter> weak = self;
      dispatch::main().asyncAfter(0.08, [weak] {
        if (auto again = weak.lock()) again->tick(true);
      });
    });
  });
}

std::string Highlighter::summary() const {
  if (stats_.updates < 1) return {};
  std::string line = "highlight: " + std::to_string(stats_.updates) + " updates, " + std::to_string(stats_.rects) +
                     " rects, " + std::to_string(stats_.scrolls) + " auto-scrolls, worst " +
                     Log::whole(stats_.worstMs) + " ms (new sentence " + std::to_string(why_.changed) +
                     ", forced " + std::to_string(why_.force) + ", refresh " + std::to_string(why_.stale) + ")";
  if (!saved.empty()) {
    line += " \u00B7 earlier highlights " + std::to_string(saved.size()) + " (" + std::to_string(savedRects_.size()) +
            " line rects)";
  }
  if (wordNow) {
    line += " \u00B7 words " + std::to_string(stats_.words) + " shown, " + std::to_string(stats_.wordMisses) +
            " unmeasured, " + std::to_string(stats_.wordOutside) + " outside their sentence";
  }
  return line;
}

void Highlighter::stop() {
  timer_.cancel();
  if (!overlay_) return;
  overlay_->close();
  overlay_.reset();
  if (const auto line = summary(); !line.empty()) Log::write(line);
}

}  // namespace orvak

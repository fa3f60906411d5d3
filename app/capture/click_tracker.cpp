#include "app/capture/click_tracker.h"

#include <algorithm>
#include <utility>

#include "core/text/text.h"
#include "core/base/timing.h"

namespace orvak {

std::shared_ptr<ClickTracker> ClickTracker::make(std::shared_ptr<ax::System> ax, std::shared_ptr<platform::Events> events,
                                                 std::shared_ptr<platform::Workspace> workspace) {
  return std::make_shared<ClickTracker>(Token{}, std::move(ax), std::move(events), std::move(workspace));
}

ClickTracker::ClickTracker(Token, std::shared_ptr<ax::System> ax, std::shared_ptr<platform::Events> events,
                           std::shared_ptr<platform::Workspace> workspace)
    : ax_(std::move(ax)),
      events_(std::move(events)),
      workspace_(std::move(workspace)),
      queue_(dispatch::makeQueue("orvak.clicks")) {}

void ClickTracker::start() {
  std::weak_ptr<ClickTracker> weak = weak_from_this();
  monitor_ = events_->addLeftMouseDownMonitor([weak](ax::Point at) {
    if (auto self = weak.lock()) self->record(at);
  });
}

void ClickTracker::record(ax::Point at) {
  std::weak_ptr<ClickTracker> weak = weak_from_this();
  queue_->async([weak, at] {
    const auto self = weak.lock();
    if (!self) return;
    // Set on the system-wide element, this bounds every request of the process from now on.
    const ax::Element system = self->ax_->systemWide();
    system.setMessagingTimeout(kPositionTimeout);
    const auto hit = system.elementAtPosition(at.x, at.y);
    if (!hit || !hit.value) return;
    const auto pid = hit.value.pid();
    if (!pid || pid.value == self->workspace_->ownPid()) return;
    Click click{hit.value, pid.value, 0};
    dispatch::main().async([weak, click]() mutable {
      const auto self = weak.lock();
      if (!self) return;
      click.at = Clock::now();
      self->last_ = std::move(click);
    });
  });
}

std::optional<int> ClickTracker::offset(const Capture& capture) {
  if (!last_) return std::nullopt;
  // The monotonic clock: a wall clock set back or forward must not revive or expire a click.
  if (Clock::ms(last_->at) >= kMaxAgeSeconds * 1000 || last_->pid != capture.pid) return std::nullopt;
  if (capture.elements.empty()) return std::nullopt;

  const std::uint64_t began = Clock::now();
  ax::Element current = last_->element;
  for (int level = 0; level < kMaxLevels; ++level) {
    const auto found = std::find(capture.elements.begin(), capture.elements.end(), current);
    if (found != capture.elements.end()) {
      const int node = static_cast<int>(found - capture.elements.begin());
      const auto& spans = capture.clean.spans;
      const auto span = std::find_if(spans.begin(), spans.end(), [&](const TextSpan& s) { return s.node == node; });
      if (span != spans.end()) return sentenceStart(capture.clean.text, span->start);
    }
    // Each parent query may take its own time-out; together they must not freeze the main thread.
    const double left = kResolveBudget - Clock::ms(began) / 1000;
    if (left <= 0) return std::nullopt;
    current.setMessagingTimeout(std::min(kParentTimeout, left));
    const auto parent = current.attribute("AXParent");
    // The bound is for this one question: the element belongs to the page, and the next
    // capture's walk and the highlighter must ask it with the process-wide time-out again.
    current.setMessagingTimeout(0);
    if (!parent) return std::nullopt;
    const ax::Element* up = parent.value.as<ax::Element>();
    if (!up || !*up) return std::nullopt;
    current = *up;
  }
  return std::nullopt;
}

int ClickTracker::sentenceStart(std::string_view text, int offset) {
  const auto chars = text::graphemes(text);
  int i = std::clamp(offset, 0, static_cast<int>(chars.size()));
  const auto at = [&](int k) { return chars[static_cast<std::size_t>(k)]; };
  while (i > 0) {
    if (at(i - 1) == "\n") return i;
    if (i == 1) return 0;
    if (at(i - 1) == " " && (at(i - 2) == "." || at(i - 2) == "!" || at(i - 2) == "?")) return i;
    --i;
  }
  return 0;
}

}  // namespace orvak

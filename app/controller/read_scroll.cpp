// The read session's scroll watch: scrolling pauses the band's pull back to the sentence heard,
// and once it settles a fresh capture tells whether that sentence is still on screen; when it is
// not, the pill offers "Read from here" for a few seconds.
#include "app/controller/read_session.h"
#include "core/base/log.h"
#include "core/library/position_store.h"
#include "core/text/text.h"

namespace orvak {

void ReadSession::startScrollWatch() {
  if (scrollMonitor_) return;
  std::weak_ptr<ReadSession> weak = weak_from_this();
  // The events backend leaves out scrolling in our own windows.
  scrollMonitor_ = parts_.events->addScrollMonitor([weak](const platform::ScrollEvent&) {
    if (auto self = weak.lock()) self->scrolled();
  });
}

void ReadSession::scrolled() {
  if (!player_) return;
  if (highlighter_) {
    highlighter_->pauseFollowing(kFollowPause);
    highlighter_->tick(true);
  }
  // One check, after the last of a burst.
  scrollSettle_.cancel();
  scrollSettle_ = dispatch::main().asyncAfter(kSettleDelay, weakly([](ReadSession& s) { s.checkScrolledAway(); }));
}

void ReadSession::checkScrolledAway() {
  if (!player_ || capturing_) return;
  const auto playing = player_->playingText();
  if (!playing || !player_->readKey()) return;
  const std::uint64_t handlerTime = dispatch::monotonicNanos();
  std::weak_ptr<ReadSession> weak = weak_from_this();
  std::weak_ptr<Player> read = player_;
  parts_.capturer->capture(handlerTime, [weak, read, playing = *playing, handlerTime](CaptureOutcome outcome) {
    auto self = weak.lock();
    auto player = read.lock();
    if (self && player) self->scrollChecked(player, playing, handlerTime, std::move(outcome));
  });
}

void ReadSession::scrollChecked(const std::shared_ptr<Player>& player, const std::string& playing,
                                std::uint64_t handlerTime, CaptureOutcome outcome) {
  if (player != player_) return;  // a newer read started meanwhile
  const auto* cap = std::get_if<Capture>(&outcome);
  if (!cap) return;
  // The front window must still be the page being read.
  if (PositionStore::key(cap->url, cap->bundleId, cap->windowTitle) != player->readKey()) return;
  const std::string snippet(text::graphemePrefix(playing, kSnippetLength));
  std::string verdict = "unknown";
  bool offer = false;
  if (const auto at = text::findCanonical(cap->clean.text, snippet)) {
    if (const auto on = cap->clean.onScreen(*at)) {
      verdict = *on ? "on screen" : "off screen";
      offer = !*on;
    }
  }
  const auto ms = (dispatch::monotonicNanos() - std::min(dispatch::monotonicNanos(), handlerTime)) / 1'000'000;
  Log::write("scroll check: playing sentence " + verdict + " · " + std::to_string(ms) + " ms");
  setOffer(offer);
}

void ReadSession::setOffer(bool on) {
  offerExpiry_.cancel();
  Pill& pill = *parts_.pill;
  const bool showing = pill.offer().has_value();
  if (!on) {
    if (showing) Log::write("offer cleared");
    pill.setOffer(std::nullopt);
    return;
  }
  if (!showing) Log::write("offer: Read from here");
  pill.setOffer("Read from here");
  // Every new offer restarts its lifetime; the expiry withdraws it without a log line.
  offerExpiry_ =
      dispatch::main().asyncAfter(kOfferLifetime, weakly([](ReadSession& s) { s.parts_.pill->setOffer(std::nullopt); }));
}

}  // namespace orvak

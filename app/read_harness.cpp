#include "app/read_harness.h"

#include <utility>

#include "core/base/log.h"
#include "core/base/timing.h"

namespace orvak {

std::shared_ptr<ReadHarness> ReadHarness::make(Prefs& prefs, EngineFor engineFor, std::shared_ptr<AudioGraph> graph) {
  return std::shared_ptr<ReadHarness>(new ReadHarness(prefs, std::move(engineFor), std::move(graph)));
}

ReadHarness::ReadHarness(Prefs& prefs, EngineFor engineFor, std::shared_ptr<AudioGraph> graph)
    : prefs_(prefs), engineFor_(std::move(engineFor)), graph_(std::move(graph)) {}

std::shared_ptr<Player> ReadHarness::startPlayer(Vendor vendor, const std::string& source, std::uint64_t handlerTime,
                                                 double eventLagMs, const ReadOptions& opts,
                                                 std::optional<Vendor> fallbackFrom) {
  auto engine = engineFor_(vendor);
  const float speed = prefs_.speed();
  Player::Setup setup;
  setup.q = dispatch::makeQueue("orvak.player", dispatch::QoS::UserInteractive);
  setup.rec = ReadTiming(Timestamp::now(), std::string(rawValue(vendor)), engine->model(), engine->voice(), source,
                         eventLagMs);
  setup.engine = std::move(engine);
  setup.opts = opts;
  setup.t0 = handlerTime;
  setup.speed = speed;
  setup.pronunciations = prefs_.pronunciations();
  setup.graph = graph_;
  auto player = Player::make(std::move(setup));

  std::weak_ptr<ReadHarness> weakSelf = weak_from_this();
  std::weak_ptr<Player> weakPlayer = player;
  player->onState = [weakSelf, weakPlayer](const PlayerState& s) {
    auto self = weakSelf.lock();
    auto p = weakPlayer.lock();
    if (self && p && self->onState) self->onState(p, s);
  };
  player->onBackPastStart = [weakSelf, weakPlayer] {
    auto self = weakSelf.lock();
    if (self && self->onBackPastStart) self->onBackPastStart(weakPlayer.lock());
  };
  player->onFirstAudio = [weakSelf, weakPlayer](const ReadTiming& rec) {
    auto self = weakSelf.lock();
    if (self && self->onFirstAudio) self->onFirstAudio(weakPlayer.lock(), rec);
  };
  player->onEnd = [weakSelf, weakPlayer](const ReadTiming& rec) {
    auto self = weakSelf.lock();
    auto p = weakPlayer.lock();
    if (self && p && self->onEnd) self->onEnd(p, rec);
  };
  const Trigger trigger{source, handlerTime, eventLagMs, opts, vendor};
  player->onFailBeforeAudio = [weakSelf, weakPlayer, trigger](const std::string& message) {
    auto self = weakSelf.lock();
    auto p = weakPlayer.lock();
    if (self && p) self->failedBeforeAudio(p, trigger, message);
  };

  if (fallbackFrom) player->markFallback(std::string(rawValue(*fallbackFrom)));
  current_ = player;
  if (attachVoice && ((voiceReady && voiceReady()) || prefs_.d->flag(Prefs::kDebugControlFlag))) attachVoice(player);
  player->begin();
  return player;
}

void ReadHarness::failedBeforeAudio(const std::shared_ptr<Player>& failed, const Trigger& trigger,
                                    const std::string& message) {
  // A read the user has already replaced must not come back as a fallback.
  if (mayFallBack ? !mayFallBack(failed) : (current_ && current_ != failed)) return;
  Log::write("fallback: " + std::string(rawValue(trigger.vendor)) + " failed before audio (" + message +
             "); reading on-device");
  ReadOptions opts = trigger.opts;
  opts.earcon = false;
  auto next = startPlayer(Vendor::onDevice, trigger.source, trigger.handlerTime, trigger.eventLagMs, opts, trigger.vendor);
  next->setReplaces(failed);
  next->setSource(failed->source());
  next->setReadKey(failed->readKey());
  next->setStartSnippet(failed->startSnippet());
  if (const auto spoken = failed->spoken()) {
    next->speak(spoken->text, spoken->capture, spoken->from, "fallback", failed->spokenUntil());
  }
  if (onFallback) onFallback(failed, next);
}

}  // namespace orvak

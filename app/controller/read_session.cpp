#include "app/controller/read_session.h"

#include <set>

#include "app/audio/earcon.h"
#include "app/highlight/saved_ranges.h"
#include "core/base/date.h"
#include "core/base/log.h"
#include "core/page/selection.h"
#include "core/speech/sentence_splitter.h"
#include "core/text/text.h"
#include "speech/keys.h"

namespace orvak {

namespace {

// How far before the read's start going back looks for the sentence to start again from.
constexpr int kBackWindow = 4000;


}  // namespace

std::shared_ptr<ReadSession> ReadSession::make(Parts parts, Hooks hooks) {
  return std::make_shared<ReadSession>(Token{}, std::move(parts), std::move(hooks));
}

ReadSession::ReadSession(Token, Parts parts, Hooks hooks)
    : parts_(std::move(parts)),
      hooks_(std::move(hooks)),
      positions_(std::make_unique<PositionStore>(PositionStore::defaultURL())) {}

void ReadSession::changed() {
  if (hooks_.changed) hooks_.changed();
}

std::pair<Vendor, std::optional<std::string>> ReadSession::vendorFor(std::optional<Vendor> requested) const {
  const Vendor vendor = requested.value_or(parts_.prefs->vendor());
  if (vendor != Vendor::inworld && vendor != Vendor::cartesia) return {vendor, std::nullopt};
  if (!EngineFactory::viaVoiceProxy(vendor) && !EngineFactory::hasKey(vendor)) {
    if (!parts_.prefs->d->flag(Prefs::kDeveloperFlag)) return {Vendor::onDevice, std::nullopt};
    return {Vendor::onDevice, "No " + std::string(label(vendor)) + " key — using the on-device voice"};
  }
  if (!online_) return {Vendor::onDevice, "Offline — reading with the on-device voice"};
  return {vendor, std::nullopt};
}

std::shared_ptr<SpeechEngine> ReadSession::engine(Vendor vendor) {
  return parts_.engines->engine(vendor, prefs().engineConfig());
}

bool ReadSession::stop(const std::string& reason) {
  if (!player_) return false;
  auto stopping = std::move(player_);
  player_.reset();
  stopping->stop(reason);
  return true;
}

void ReadSession::interrupt(const std::shared_ptr<Player>& player, const std::string& reason) {
  if (!player || player != player_) return;
  player_.reset();
  player->stop(reason);
}

void ReadSession::begin(Request request) {
  ReadOptions opts = std::move(request.opts);
  opts.mute = opts.mute || base_.mute;
  if (!opts.stopAfter) opts.stopAfter = base_.stopAfter;
  opts.earcon = opts.earcon || (!opts.fromScreen && Earcon::enabled.load());
  const auto [chosen, sentence] = vendorFor(request.vendor);
  if (sentence) {
    parts_.notices->note(*sentence);
    Log::write(*sentence);
  }
  playerState_.reset();  // the menu shows the new read from its first published state
  auto player = startPlayer(chosen, request.source, request.handlerTime, request.eventLagMs, opts);
  if (request.text) {
    player->setSource({"debug", "text", std::nullopt});
    player->speak(*request.text, nullptr, 0, "top");
    return;
  }
  capturing_ = true;
  changed();
  if (request.captured) {
    captureDone(player, opts, std::move(*request.captured));
    return;
  }
  std::weak_ptr<ReadSession> weak = weak_from_this();
  auto done = [weak, player, opts](CaptureOutcome outcome) {
    if (auto self = weak.lock()) self->captureDone(player, opts, std::move(outcome));
  };
  if (parts_.captureForRead) {
    parts_.captureForRead(request.handlerTime, std::move(done));
  } else {
    parts_.capturer->capture(request.handlerTime, std::move(done));
  }
}

std::shared_ptr<Player> ReadSession::startPlayer(Vendor vendor, const std::string& source, std::uint64_t handlerTime,
                                                 double eventLagMs, const ReadOptions& opts,
                                                 std::optional<Vendor> fallbackFrom) {
  auto setup = Player::forRead(vendor, engine(vendor), source, handlerTime, eventLagMs, opts);
  setup.speed = prefs().speed();
  setup.pronunciations = prefs().pronunciations();
  setup.graph = parts_.graph;
  auto player = Player::make(std::move(setup));

  std::weak_ptr<ReadSession> weak = weak_from_this();
  std::weak_ptr<Player> weakPlayer = player;
  player->onState = [weak, weakPlayer](const PlayerState& s) {
    auto self = weak.lock();
    auto p = weakPlayer.lock();
    if (self && p) self->readState(p, s);
  };
  player->onBackPastStart = [weak, weakPlayer] {
    auto self = weak.lock();
    auto p = weakPlayer.lock();
    if (self && p && p == self->player_) self->backBeforeStart();
  };
  player->onFirstAudio = [weak](const ReadTiming& t) {
    Log::write("first sound: " + t.summary());
    auto self = weak.lock();
    if (self && self->hooks_.result) self->hooks_.result(t);
  };
  player->onEnd = [weak, weakPlayer](const ReadTiming& t) {
    auto self = weak.lock();
    auto p = weakPlayer.lock();
    if (self && p) self->readEnded(p, t);
  };
  const ReadTrigger trigger{source, handlerTime, eventLagMs, opts, vendor};
  player->onFailBeforeAudio = [weak, weakPlayer, trigger](const std::string& message) {
    auto self = weak.lock();
    auto p = weakPlayer.lock();
    if (self && p) self->failedBeforeAudio(p, trigger, message);
  };

  if (fallbackFrom) player->markFallback(std::string(rawValue(*fallbackFrom)));
  newest_ = player;
  player_ = player;
  if (hooks_.began) hooks_.began(player);
  player->begin();
  // The status menu shows the read from its start, also for reads that capture nothing.
  changed();
  return player;
}

void ReadSession::failedBeforeAudio(const std::shared_ptr<Player>& failed, const ReadTrigger& trigger,
                                    const std::string& message) {
  // Only the current read, or the one whose own end just cleared it, hands over to the on-device
  // voice: never a read the user stopped or replaced.
  if (player_ != failed && (player_ || endedItself_.lock() != failed)) return;
  parts_.notices->note(prefs().d->flag(Prefs::kDeveloperFlag)
                           ? std::string(label(trigger.vendor)) + " failed — using the on-device voice"
                           : "Switched to the on-device voice");
  Log::write("fallback to Apple voice after " + std::string(rawValue(trigger.vendor)) + " error: " + message);
  ReadOptions opts = trigger.opts;
  opts.earcon = false;
  auto next =
      startPlayer(Vendor::onDevice, trigger.source, trigger.handlerTime, trigger.eventLagMs, opts, trigger.vendor);
  next->setReplaces(failed);
  next->setSource(failed->source());
  next->setReadKey(failed->readKey());
  next->setStartSnippet(failed->startSnippet());
  if (const auto spoken = failed->spoken()) {
    next->speak(spoken->text, spoken->capture, spoken->from, "fallback", failed->spokenUntil());
    // The failed read's end may have taken the band with it; the replacement reads the same page.
    if (spoken->capture && !highlighter_) startHighlighter(*spoken->capture);
  }
}

void ReadSession::captureDone(const std::shared_ptr<Player>& player, const ReadOptions& opts, CaptureOutcome outcome) {
  capturing_ = false;
  if (const auto* error = std::get_if<CaptureError>(&outcome)) {
    player->stop("captureError");
    // An on-device read that took over while the capture ran has nothing to read either.
    if (player_ && player_ != player && player_->replaces() == player) {
      auto replacement = std::move(player_);
      player_.reset();
      replacement->stop("captureError");
    }
    if (player_ == player) player_.reset();
    parts_.notices->fail(error->description());
    Log::write("capture error: " + error->description());
    if (error->kind == CaptureError::Kind::notTrusted && hooks_.needsAccess) hooks_.needsAccess();
    changed();
    return;
  }
  lastCapture_ = std::get<Capture>(std::move(outcome));
  parts_.notices->clearError();
  const Capture& cap = *lastCapture_;
  Log::write("capture: " + cap.appName + " raw " + std::to_string(cap.rawChars) + " → clean " +
             std::to_string(cap.clean.chars) + " chars · walk " + Log::whole(cap.axWalkTotalMs) + " ms (" +
             std::to_string(cap.attempts) + "×) · clean " + Log::whole(cap.cleanMs) + " ms · hotkey→text " +
             Log::whole(cap.hotkeyToTextMs) + " ms · " + cap.clean.regionStrategy + " · score " +
             std::to_string(cap.clean.score.score) + (cap.docsSetup ? " · docs " + *cap.docsSetup : "") +
             (cap.cutAtNodes ? " · page cut at " + std::to_string(*cap.cutAtNodes) + " nodes" : "") +
             (cap.cutByTime ? " · page cut: the walk ran out of time" : ""));

  // The read is this capture's player, or the on-device read that replaced it meanwhile. When it
  // was stopped and nothing replaced it (a second double tap during the capture), the page is
  // kept and nothing more happens.
  std::shared_ptr<Player> read = player;
  if (player_ != player) {
    if (!player_ || player_->replaces() != player) return;
    read = player_;
  }
  read->setSource({cap.appName, cap.windowTitle.value_or(""), cap.url});
  std::optional<std::string> key;
  if (cap.isPrivate) {
    parts_.notices->note("Private window — Orvak won't remember this page");
  } else {
    key = PositionStore::key(cap.url, cap.bundleId, cap.windowTitle);
  }
  const std::string& text = cap.clean.text;
  int offset = cap.clean.start.offset;
  std::string reason = reasonName(cap.clean.start.reason);
  std::optional<int> until;
  bool resumable = true;
  if (!opts.fromScreen && cap.selectedText && !cap.selectedText->empty()) {
    if (const auto range = Selection::locate(*cap.selectedText, text)) {
      offset = range->start;
      until = range->end;
      reason = "selection";
    } else {
      read->setReadKey(std::nullopt);
      Log::write("start: selection (not in page text) · " + std::to_string(text::graphemeCount(*cap.selectedText)) +
                 " chars");
      read->speak(*cap.selectedText, nullptr, 0, "selection");
      changed();
      return;
    }
  } else if (opts.startQuote) {
    if (const auto at = Selection::find(*opts.startQuote, text)) {
      offset = *at;
      reason = "asked";
      key.reset();
    } else {
      resumable = false;
    }
  } else if (const auto clicked = parts_.clicks->offset(cap)) {
    offset = *clicked;
    reason = "clicked";
    parts_.clicks->forget();
  }
  if (reason != "selection" && reason != "asked" && reason != "clicked" && resumable && !opts.fromScreen && key) {
    const auto resume = PositionStore::resumeOffset(positions_->get(*key), text, cap.clean.start, Date::now());
    if (resume && cap.clean.onScreen(static_cast<int>(*resume)).value_or(true)) {
      parts_.notices->note("Picking up where you left off");
      offset = static_cast<int>(*resume);
      reason = "resume";
    }
  }
  read->setReadKey(key);
  read->setStartSnippet(PositionStore::snippet(text, offset));
  std::string line = "start: " + reason + " at char " + std::to_string(offset);
  if (until) line += "–" + std::to_string(*until);
  line += "/" + std::to_string(cap.clean.chars);
  if (cap.clean.start.visibleParagraphs)
    line += " · " + std::to_string(*cap.clean.start.visibleParagraphs) + " paragraphs on screen";
  Log::write(line);
  read->speak(text, std::make_shared<const Capture>(cap), offset, reason, until);
  startHighlighter(cap);
  changed();
}

void ReadSession::startHighlighter(const Capture& capture) {
  if (highlighter_) highlighter_->stop();
  highlighter_.reset();
  if (!prefs().highlightAsItReads() || capture.clean.spans.empty() || !parts_.makeOverlay) return;
  std::weak_ptr<ReadSession> weak = weak_from_this();
  auto now = [weak](bool word) -> std::optional<text::GraphemeRange> {
    auto self = weak.lock();
    if (!self || !self->player_) return std::nullopt;
    return word ? self->player_->playingWordRange() : self->player_->playingRange();
  };
  auto h = Highlighter::make(
      capture, [now] { return now(false); }, parts_.workspace, parts_.makeOverlay);
  if (prefs().highlightWords()) h->wordNow = [now] { return now(true); };
  h->focus = prefs().focusMode();
  h->saved = savedRanges(capture, parts_.notes.get());
  if (!h->saved.empty())
    Log::write("highlight: " + std::to_string(h->saved.size()) + " earlier highlights on this page");
  std::vector<std::string> characters;
  for (const auto& g : text::graphemes(capture.clean.text)) characters.emplace_back(g);
  h->spokenText = std::move(characters);
  h->start();
  highlighter_ = std::move(h);
}

void ReadSession::showSavedHighlights() {
  if (lastCapture_ && highlighter_) highlighter_->replaceSaved(savedRanges(*lastCapture_, parts_.notes.get()));
}

void ReadSession::cycleSpeed() {
  const auto& ladder = Prefs::speeds;
  const float now = prefs().speed();
  float next = 1.25f;
  for (std::size_t i = 0; i < ladder.size(); ++i) {
    if (ladder[i] == now) next = ladder[(i + 1) % ladder.size()];
  }
  prefs().setSpeed(next);
}

std::shared_ptr<Player> ReadSession::restart(const std::string& source, int from, bool forgetPlace) {
  const auto spoken = player_->spoken();
  auto old = std::move(player_);
  player_.reset();
  const auto page = old->source();
  const auto key = old->readKey();
  const auto snippet = old->startSnippet();
  old->stop(source);
  if (key && forgetPlace) positions_->remove(*key);
  auto next = startPlayer(vendorFor(std::nullopt).first, source, dispatch::monotonicNanos(), -1, base_);
  next->setSource(page);
  next->setReadKey(key);
  next->setStartSnippet(snippet);
  next->speak(spoken->text, spoken->capture, from, source);
  return next;
}

void ReadSession::startOver() {
  if (!player_ || !player_->spoken()) return;
  restart("startOver", 0, true);  // from the top, the saved place no longer holds
  parts_.notices->note("From the top");
}

void ReadSession::readFromHere(const std::string& why) {
  setOffer(false);
  Log::write("read from here (" + why + ")");
  ReadOptions opts;
  opts.fromScreen = true;
  if (hooks_.trigger) hooks_.trigger("readFromHere", opts);
}

void ReadSession::backBeforeStart() {
  if (!player_) return;
  const auto spoken = player_->spoken();
  if (!spoken || spoken->from < 1) return;
  const int length = text::graphemeCount(spoken->text);
  const int from = std::min(spoken->from, length);
  const int windowStart = std::max(0, from - kBackWindow);
  const std::string window(text::graphemeSubstring(spoken->text, windowStart, from - windowStart));
  // The last sentence that ends before the old start, found by its opening words.
  int start = windowStart;
  const auto sentences = SentenceSplitter::split(window, 400);
  for (auto it = sentences.rbegin(); it != sentences.rend(); ++it) {
    if (text::trim(*it).empty()) continue;
    const std::string head(text::graphemePrefix(*it, 40));
    if (const auto at = window.rfind(head); at != std::string::npos) {
      start = windowStart + text::graphemeCount(std::string_view(window).substr(0, at));
      break;
    }
  }
  restart("back", start, false);
  if (spoken->capture) startHighlighter(*spoken->capture);
  Log::write("start: back at char " + std::to_string(start) + " (was " + std::to_string(spoken->from) + ")");
}

void ReadSession::readState(const std::shared_ptr<Player>& player, const PlayerState& state) {
  Pill& pill = *parts_.pill;
  if (player != player_ || state.ended) {
    if (state.ended && state.error) {
      parts_.notices->fail(*state.error);
    } else if (state.ended && (!player_ || player_ == player)) {
      const auto end = player->endPosition();
      if (end && end->finished) {
        pill.finish();
      } else if (pill.transient()) {
        // A message saying why the read stopped stays for its time; the pill goes after it.
        pill.setPlayer(std::nullopt);
      } else {
        pill.hide();
      }
    }
    return;
  }
  playerState_ = state;
  const auto source = player->source();
  readingTitle_ = !source.windowTitle.empty() ? source.windowTitle : !source.app.empty() ? source.app : state.label;
  PillState shown;
  shown.kind = state.paused ? PillState::Kind::paused : PillState::Kind::reading;
  shown.state = state.paused ? "Paused" : "Reading";
  shown.sub = readingTitle_;
  shown.progress = state.total >= 1 ? std::to_string(state.sentence) + " / " + std::to_string(state.total) : "";
  shown.speed = state.speed;
  pill.playerChanged(shown);
  if (onReadState) onReadState(player, state);
}

void ReadSession::readEnded(const std::shared_ptr<Player>& player, const ReadTiming& timing) {
  lastRead_ = timing;
  remember(player, timing);
  recordListen(player, timing);
  if (!player_ || player_ == player) {
    setOffer(false);
    if (highlighter_) {
      highlighter_->stop();
      highlighter_.reset();
    }
  }
  if (player_ == player) {
    player_.reset();
    endedItself_ = player;
  }
  std::string line = "read end (" + timing.endedBy.value_or("?") + "): " + timing.summary() + " · sent " +
                     std::to_string(timing.charsSent) + " chars · words timed " + std::to_string(timing.wordsTimed) +
                     " · underruns " + std::to_string(timing.underruns);
  if (!timing.errors.empty()) {
    line += " · errors";
    for (const auto& e : timing.errors) line += " " + e;
  }
  Log::write(line);
  // A waiting trigger hears of a read that never sounded too, unless its restart will answer.
  if (hooks_.result && !timing.firstAudioSampleMs && timing.endedBy != "fallback") hooks_.result(timing);
  // A cloud read spends the account's allowance: its figures are fetched anew.
  const auto vendor = vendorFromRaw(timing.engine);
  if (vendor && needsNetwork(*vendor) && Keys::get("account")) parts_.account->refresh();
  changed();
  if (onReadEnd) onReadEnd(timing);
}

void ReadSession::remember(const std::shared_ptr<Player>& player, const ReadTiming& timing) {
  const auto key = player->readKey();
  const auto end = player->endPosition();
  if (!key || !end || !timing.firstAudioSampleMs) return;
  if (end->finished) {
    positions_->remove(*key);
    return;
  }
  // "appQuit" keeps the place too: the user is told it is saved when the program they read quits.
  static const std::set<std::string> saving{"user", "hotkey", "menu", "voice", "stopAfter", "appQuit"};
  if (saving.contains(timing.endedBy.value_or(""))) {
    positions_->save(*key, ReadPosition::make(end->text, player->startSnippet(), Date::now()));
  }
}

void ReadSession::recordListen(const std::shared_ptr<Player>& player, const ReadTiming& timing) {
  if (!prefs().rememberListening() || !parts_.notes) return;
  // The first-run window's sample is our own page, read to show how reading works: not history.
  if (timing.trigger == "onboarding") return;
  const auto key = player->readKey();
  const auto spoken = player->spoken();
  const auto end = player->endPosition();
  if (!key || !spoken || !spoken->capture || !end || !timing.playedAudioSec || *timing.playedAudioSec < 3) return;
  const double progress = end->finished ? 1.0
                                        : std::min(static_cast<double>(end->sentence + 1) /
                                                       static_cast<double>(std::max<std::int64_t>(1, timing.sentences)),
                                                   1.0);
  const auto source = player->source();
  parts_.notes->recordListen(source.app, source.windowTitle, source.url, *timing.playedAudioSec, progress, end->text,
                             end->finished, spoken->text, Date::now());
  if (parts_.notifications) parts_.notifications->post("orvak.notesChanged");
}

}  // namespace orvak

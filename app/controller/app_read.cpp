// The controller's reads: from the trigger through the capture to the player, the player's
// reports, and what is kept when a read ends.
#include <cmath>
#include <cstdio>
#include <set>

#include "app/audio/earcon.h"
#include "app/controller/app_controller.h"
#include "app/highlight/saved_ranges.h"
#include "core/base/date.h"
#include "core/base/log.h"
#include "core/page/selection.h"
#include "core/speech/sentence_splitter.h"
#include "core/text/text.h"
#include "speech/engine_factory.h"
#include "speech/keys.h"

namespace orvak {

namespace {

constexpr double kAccountStaleSeconds = 3600;
constexpr double kFailHideSeconds = 2.8;
// How far before the read's start going back looks for the sentence to start again from.
constexpr int kBackWindow = 4000;

std::string whole(double ms) { return std::to_string(static_cast<long long>(ms)); }

}  // namespace

std::shared_ptr<Player> AppController::startPlayer(Vendor vendor, const std::string& source, std::uint64_t handlerTime,
                                                   double eventLagMs, const ReadOptions& opts,
                                                   std::optional<Vendor> fallbackFrom) {
  auto setup = Player::forRead(vendor, engine(vendor), source, handlerTime, eventLagMs, opts);
  setup.speed = prefs().speed();
  setup.pronunciations = prefs().pronunciations();
  setup.graph = services_.graph;
  auto player = Player::make(std::move(setup));

  std::weak_ptr<AppController> weak = weak_from_this();
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
    if (self && self->debug_) self->debug_->firstAudio(t);
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
  // The voice controller hears every read once it is set up; the control channel's tests drive it
  // before it is.
  if (voice_ && (voice_->ready() || prefs().d->flag(Prefs::kDebugControlFlag))) voice_->attach(player);
  player->begin();
  // The status menu shows the read from its start, also for reads that capture nothing.
  if (menu_) menu_->refresh();
  return player;
}

void AppController::failedBeforeAudio(const std::shared_ptr<Player>& failed, const ReadTrigger& trigger,
                                      const std::string& message) {
  // Only the current read, or the one whose own end just cleared it, hands over to the on-device
  // voice: never a read the user stopped or replaced.
  if (player_ != failed && (player_ || endedItself_.lock() != failed)) return;
  note(prefs().d->flag(Prefs::kDeveloperFlag) ? std::string(label(trigger.vendor)) + " failed — using the on-device voice"
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

std::shared_ptr<SpeechEngine> AppController::engine(Vendor vendor) {
  return engines_.engine(vendor, prefs().engineConfig());
}

std::pair<Vendor, std::optional<std::string>> AppController::vendorForRead(std::optional<Vendor> requested) const {
  const Vendor vendor = requested.value_or(services_.prefs->vendor());
  if (vendor != Vendor::inworld && vendor != Vendor::cartesia) return {vendor, std::nullopt};
  if (!EngineFactory::viaVoiceProxy(vendor) && !EngineFactory::hasKey(vendor)) {
    if (!services_.prefs->d->flag(Prefs::kDeveloperFlag)) return {Vendor::onDevice, std::nullopt};
    return {Vendor::onDevice, "No " + std::string(label(vendor)) + " key — using the on-device voice"};
  }
  if (!online_) return {Vendor::onDevice, "Offline — reading with the on-device voice"};
  return {vendor, std::nullopt};
}

bool AppController::weAreInFront() {
  const auto front = services_.workspace->frontmostApplication();
  return front && front->pid == services_.workspace->ownPid();
}

AudioGraph& AppController::graph() { return services_.graph ? *services_.graph : AudioGraph::shared(); }

void AppController::fail(const std::string& text) {
  lastError_ = text;
  pill_->show(text, Pill::Tone::warn, kFailHideSeconds);
  if (Earcon::enabled.load()) {
    const auto samples = Earcon::samples(Earcon::Kind::warn);
    // The cue node plays only while the engine runs; otherwise the sound's own player does.
    if (!samples.empty() && !graph().playCue(samples)) {
      if (services_.playSound) {
        services_.playSound(Earcon::Kind::warn);
      } else {
        auto& sound = Earcon::sound(Earcon::Kind::warn);
        sound.stop();
        sound.play();
      }
    }
  }
  if (menu_) menu_->refresh();
}

void AppController::note(const std::string& text) {
  const bool highlighted = text.rfind("Highlighted", 0) == 0;
  const bool noteSaved = text.rfind("Note saved", 0) == 0;
  std::optional<std::string> saved;
  if (noteSaved) {
    const auto newest = store().recent(1);
    if (!newest.empty()) saved = newest.front().note;
  }
  pill_->flash(text, saved);
  if ((highlighted || noteSaved) && services_.notifications) services_.notifications->post("orvak.notesChanged");
  if (highlighted && lastCapture_ && highlighter_) highlighter_->replaceSaved(savedRanges(*lastCapture_, notes_.get()));
}

void AppController::trigger(const std::string& source, double eventLagMs, ReadOptions opts,
                            std::optional<std::string> text, std::optional<Vendor> vendor,
                            std::optional<Capture> captured) {
  const std::uint64_t handlerTime = dispatch::monotonicNanos();
  if (player_) {
    auto stopping = std::move(player_);
    player_.reset();
    stopping->stop(source);
    if (source == "hotkey" || source == "menu") return;
  }
  if (Keys::get("account")) {
    const auto last = account().lastRefresh();
    if (!last || static_cast<double>(handlerTime - std::min(handlerTime, *last)) / 1e9 > kAccountStaleSeconds) {
      account().refresh();
    }
  }
  if (!text && !perms_->accessibility()) {
    fail("Orvak needs Accessibility access");
    if (windows_) windows_->showOnboarding();
    return;
  }
  if (busy_) {
    Log::write("trigger ignored: capture busy");
    return;
  }
  const auto front = services_.workspace->frontmostApplication();
  const std::string name = front && front->name ? *front->name : "window";
  pill_->show(text ? "Reading…" : "Reading " + name + "…", Pill::Tone::working);

  opts.mute = opts.mute || baseReadOptions.mute;
  if (!opts.stopAfter) opts.stopAfter = baseReadOptions.stopAfter;
  opts.earcon = opts.earcon || (!opts.fromScreen && Earcon::enabled.load());
  const auto [chosen, sentence] = vendorForRead(vendor);
  if (sentence) {
    note(*sentence);
    Log::write(*sentence);
  }
  playerState_.reset();  // the menu shows the new read from its first published state
  auto player = startPlayer(chosen, source, handlerTime, eventLagMs, opts);
  if (text) {
    player->setSource({"debug", "text", std::nullopt});
    player->speak(*text, nullptr, 0, "top");
    return;
  }
  busy_ = true;
  if (menu_) menu_->refresh();
  if (captured) {
    captureDone(player, opts, std::move(*captured));
    return;
  }
  std::weak_ptr<AppController> weak = weak_from_this();
  auto done = [weak, player, opts](CaptureOutcome outcome) {
    if (auto self = weak.lock()) self->captureDone(player, opts, std::move(outcome));
  };
  if (services_.captureForRead) {
    services_.captureForRead(handlerTime, std::move(done));
  } else {
    capturer_->capture(handlerTime, std::move(done));
  }
}

void AppController::captureDone(const std::shared_ptr<Player>& player, const ReadOptions& opts,
                                CaptureOutcome outcome) {
  busy_ = false;
  if (const auto* error = std::get_if<CaptureError>(&outcome)) {
    player->stop("captureError");
    // An on-device read that took over while the capture ran has nothing to read either.
    if (player_ && player_ != player && player_->replaces() == player) {
      auto replacement = std::move(player_);
      player_.reset();
      replacement->stop("captureError");
    }
    if (player_ == player) player_.reset();
    fail(error->description());
    Log::write("capture error: " + error->description());
    if (error->kind == CaptureError::Kind::notTrusted && windows_) windows_->showOnboarding();
    if (menu_) menu_->refresh();
    return;
  }
  lastCapture_ = std::get<Capture>(std::move(outcome));
  lastError_.reset();
  const Capture& cap = *lastCapture_;
  Log::write("capture: " + cap.appName + " raw " + std::to_string(cap.rawChars) + " → clean " +
             std::to_string(cap.clean.chars) + " chars · walk " + whole(cap.axWalkTotalMs) + " ms (" +
             std::to_string(cap.attempts) + "×) · clean " + whole(cap.cleanMs) + " ms · hotkey→text " +
             whole(cap.hotkeyToTextMs) + " ms · " + cap.clean.regionStrategy + " · score " +
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
    note("Private window — Orvak won't remember this page");
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
      if (menu_) menu_->refresh();
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
  } else if (const auto clicked = clicks_->offset(cap)) {
    offset = *clicked;
    reason = "clicked";
    clicks_->forget();
  }
  if (reason != "selection" && reason != "asked" && reason != "clicked" && resumable && !opts.fromScreen && key) {
    const auto resume = PositionStore::resumeOffset(positions_->get(*key), text, cap.clean.start, Date::now());
    if (resume && cap.clean.onScreen(static_cast<int>(*resume)).value_or(true)) {
      note("Picking up where you left off");
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
  if (menu_) menu_->refresh();
}

void AppController::startHighlighter(const Capture& capture) {
  if (highlighter_) highlighter_->stop();
  highlighter_.reset();
  if (!prefs().highlightAsItReads() || capture.clean.spans.empty() || !services_.makeOverlay) return;
  std::weak_ptr<AppController> weak = weak_from_this();
  auto now = [weak](bool word) -> std::optional<text::GraphemeRange> {
    auto self = weak.lock();
    if (!self || !self->player_) return std::nullopt;
    return word ? self->player_->playingWordRange() : self->player_->playingRange();
  };
  auto h = Highlighter::make(
      capture, [now] { return now(false); }, services_.workspace, services_.makeOverlay);
  if (prefs().highlightWords()) h->wordNow = [now] { return now(true); };
  h->focus = prefs().focusMode();
  h->saved = savedRanges(capture, notes_.get());
  if (!h->saved.empty())
    Log::write("highlight: " + std::to_string(h->saved.size()) + " earlier highlights on this page");
  std::vector<std::string> characters;
  for (const auto& g : text::graphemes(capture.clean.text)) characters.emplace_back(g);
  h->spokenText = std::move(characters);
  h->start();
  highlighter_ = std::move(h);
}

void AppController::cycleSpeed() {
  const auto& ladder = Prefs::speeds;
  const float now = prefs().speed();
  float next = 1.25f;
  for (std::size_t i = 0; i < ladder.size(); ++i) {
    if (ladder[i] == now) next = ladder[(i + 1) % ladder.size()];
  }
  prefs().setSpeed(next);
}

void AppController::startOver() {
  if (!player_) return;
  const auto spoken = player_->spoken();
  if (!spoken) return;
  auto old = std::move(player_);
  player_.reset();
  const auto source = old->source();
  const auto key = old->readKey();
  const auto snippet = old->startSnippet();
  old->stop("startOver");
  if (key) positions_->remove(*key);
  auto next =
      startPlayer(vendorForRead(std::nullopt).first, "startOver", dispatch::monotonicNanos(), -1, baseReadOptions);
  next->setSource(source);
  next->setReadKey(key);
  next->setStartSnippet(snippet);
  next->speak(spoken->text, spoken->capture, 0, "startOver");
  note("From the top");
}

void AppController::readFromHere(const std::string& why) {
  setOffer(false);
  Log::write("read from here (" + why + ")");
  ReadOptions opts;
  opts.fromScreen = true;
  trigger("readFromHere", -1, opts);
}

void AppController::holdStart() {
  if (!voice_ || !voice_->ready()) {
    if (perms_->mic() != Permissions::Mic::granted) {
      note("Voice commands need the microphone");
    } else if (voiceStatus_ != "off" && voiceStatus_ != "starting…" && voiceStatus_ != "on") {
      // The set-up failed and is not tried again while Orvak runs.
      note("Voice commands couldn't start (" + voiceStatus_ + ") — quit and reopen Orvak to try again");
    } else {
      note("Voice commands are starting…");
    }
    return;
  }
  if (player_) {
    voice_->holdDown(false, false);
  } else if (weAreInFront() && windows_ && windows_->libraryInFront()) {
    idleHeld_ = true;
    voice_->holdDown(true, true);
  } else if (perms_->accessibility() && !busy_) {
    idleHeld_ = true;
    captureForAsking();
    voice_->holdDown(true, false);
  }
}

void AppController::holdEnd(bool cancelled) {
  if (!player_ && !idleHeld_) return;
  idleHeld_ = false;
  if (voice_) voice_->holdUp(cancelled);
}

void AppController::startVoiceIfAllowed() {
  if (!voice_ || perms_->mic() != Permissions::Mic::granted || voiceStatus_ != "off") return;
  voiceStatus_ = "starting…";
  voice_->setAlwaysOn(prefs().alwaysOnListening());
  const std::uint64_t started = dispatch::monotonicNanos();
  std::weak_ptr<AppController> weak = weak_from_this();
  voice_->setup([weak, started](std::optional<std::string> error) {
    auto self = weak.lock();
    if (!self) return;
    self->voiceStatus_ = error.value_or("on");
    const std::uint64_t now = dispatch::monotonicNanos();
    const double ms = static_cast<double>(now - std::min(now, started)) / 1e6;
    Log::write("voice: " + error.value_or("ready") + " in " + whole(ms) + " ms (stt warm " +
               whole(self->voice_ ? self->voice_->prepareMs() : -1) + " ms, echo cancellation " +
               (self->voice_ && self->voice_->echoCancellation() ? "true" : "false") + ")");
    if (self->menu_) self->menu_->refresh();
  });
}

void AppController::wireVoice() {
  std::weak_ptr<AppController> weak = weak_from_this();
  voice_->onStatus = [weak](const std::string& text) {
    if (auto self = weak.lock()) self->note(text);
  };
  voice_->onStop = weakly([](AppController& c) {
    if (c.player_) c.player_->stop("voice");
  });
  voice_->onStartOver = weakly([](AppController& c) { c.startOver(); });
  voice_->onReadFromHere = weakly([](AppController& c) { c.readFromHere("voice"); });
  voice_->libraryAsk = [weak](const std::string& question) {
    auto self = weak.lock();
    if (self && self->windows_) self->windows_->askLibrary(question);
  };
  voice_->onWriteDoc = [weak](const std::string& topic, const std::optional<Player::Moment>& at) {
    if (auto self = weak.lock()) self->writeDoc(topic, at);
  };
  voice_->idlePage = [weak](std::function<void(std::optional<VoiceCommands::Page>)> reply) {
    auto self = weak.lock();
    if (!self) return;
    self->whenIdleCaptured([reply](const std::optional<Capture>& capture) {
      if (!capture) return reply(std::nullopt);
      reply(VoiceCommands::Page{capture->clean.text, capture->windowTitle.value_or("")});
    });
  };
  voice_->onReadAt = [weak](const std::optional<std::string>& quote) {
    auto self = weak.lock();
    if (!self) return;
    self->whenIdleCaptured([weak, quote](const std::optional<Capture>& capture) {
      auto again = weak.lock();
      if (!again) return;
      ReadOptions opts;
      opts.startQuote = quote;
      again->trigger("ask", -1, opts, std::nullopt, std::nullopt, capture);
    });
  };
  voice_->makeAnswerEngine = [weak]() -> std::shared_ptr<SpeechEngine> {
    auto self = weak.lock();
    if (!self) return EngineFactory::make(Vendor::onDevice, Prefs::shared().engineConfig());
    const Vendor vendor = self->vendorForRead(std::nullopt).first;
    return self->engines_.fresh(vendor, self->prefs().engineConfig());
  };
}

void AppController::whenIdleCaptured(std::function<void(const std::optional<Capture>&)> then) {
  if (idleCaptured_) {
    then(idleCapture_);
  } else {
    idleWaiters_.push_back(std::move(then));
  }
}

void AppController::captureForAsking() {
  idleCapture_.reset();
  idleCaptured_ = false;
  std::weak_ptr<AppController> weak = weak_from_this();
  capturer_->capture(dispatch::monotonicNanos(), [weak](CaptureOutcome outcome) {
    auto self = weak.lock();
    if (!self) return;
    if (auto* capture = std::get_if<Capture>(&outcome)) self->idleCapture_ = std::move(*capture);
    self->idleCaptured_ = true;
    auto waiters = std::move(self->idleWaiters_);
    self->idleWaiters_.clear();
    for (auto& waiter : waiters) waiter(self->idleCapture_);
  });
}

void AppController::debugSay(const std::string& text) {
  if (!player_) {
    if (weAreInFront() && windows_ && windows_->libraryInFront()) {
      windows_->askLibrary(text);
      return;
    }
    captureForAsking();
  }
  if (voice_) voice_->simulate(text, !player_);
}

void AppController::backBeforeStart() {
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
  auto old = std::move(player_);
  player_.reset();
  const auto source = old->source();
  const auto key = old->readKey();
  const auto snippet = old->startSnippet();
  old->stop("back");
  auto next = startPlayer(vendorForRead(std::nullopt).first, "back", dispatch::monotonicNanos(), -1, baseReadOptions);
  next->setSource(source);
  next->setReadKey(key);
  next->setStartSnippet(snippet);
  next->speak(spoken->text, spoken->capture, start, "back");
  if (spoken->capture) startHighlighter(*spoken->capture);
  Log::write("start: back at char " + std::to_string(start) + " (was " + std::to_string(spoken->from) + ")");
}

void AppController::readState(const std::shared_ptr<Player>& player, const PlayerState& state) {
  if (player != player_ || state.ended) {
    if (state.ended && state.error) {
      fail(*state.error);
    } else if (state.ended && (!player_ || player_ == player)) {
      const auto end = player->endPosition();
      if (end && end->finished) {
        pill_->finish();
      } else if (pill_->transient()) {
        // A message saying why the read stopped stays for its time; the pill goes after it.
        pill_->setPlayer(std::nullopt);
      } else {
        pill_->hide();
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
  pill_->playerChanged(shown);
  if (onReadState) onReadState(player, state);
}

void AppController::readEnded(const std::shared_ptr<Player>& player, const ReadTiming& timing) {
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
  if (debug_ && !timing.firstAudioSampleMs && timing.endedBy != "fallback") debug_->firstAudio(timing);
  // A cloud read spends the account's allowance: its figures are fetched anew.
  const auto vendor = vendorFromRaw(timing.engine);
  if (vendor && needsNetwork(*vendor) && Keys::get("account")) account().refresh();
  if (menu_) menu_->refresh();
  if (onReadEnd) onReadEnd(timing);
}

void AppController::remember(const std::shared_ptr<Player>& player, const ReadTiming& timing) {
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

void AppController::recordListen(const std::shared_ptr<Player>& player, const ReadTiming& timing) {
  if (!prefs().rememberListening() || !notes_) return;
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
  notes_->recordListen(source.app, source.windowTitle, source.url, *timing.playedAudioSec, progress, end->text,
                       end->finished, spoken->text, Date::now());
  if (services_.notifications) services_.notifications->post("orvak.notesChanged");
}

}  // namespace orvak

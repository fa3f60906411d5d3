#include "app/controller/app_controller.h"

#include <unistd.h>

#include "app/account/account.h"
#include "app/audio/earcon.h"
#include "app/controller/controller_host.h"
#include "app/controller/controller_onboarding_host.h"
#include "app/system/move_offer.h"
#include "core/base/atomic_file.h"
#include "core/base/log.h"
#include "core/base/paths.h"
#include "core/library/jsonl_research_store.h"
#include "core/page/privacy.h"
#include "platform/bundle.h"
#include "speech/engine_factory.h"
#include "speech/keys.h"

namespace orvak {

namespace {

const char* micName(Permissions::Mic m) {
  switch (m) {
    case Permissions::Mic::granted:
      return "granted";
    case Permissions::Mic::notAsked:
      return "notAsked";
    case Permissions::Mic::denied:
      return "denied";
  }
  return "?";
}

bool signedIn() { return Keys::get("account").has_value(); }

constexpr double kAccountStaleSeconds = 3600;

}  // namespace

std::shared_ptr<AppController> AppController::make(AppServices services) {
  auto app = std::make_shared<AppController>(Token{}, std::move(services));
  app->makeRead();
  return app;
}

void AppController::makeRead() {
  std::weak_ptr<AppController> weak = weak_from_this();
  notices_ = std::make_shared<Notices>(Notices::Parts{
      pill_,
      [weak]() -> ResearchStore* {
        auto self = weak.lock();
        return self ? &self->store() : nullptr;
      },
      services_.notifications, services_.graph, services_.playSound});
  notices_->onHighlighted = weakly([](AppController& c) { c.read_->showSavedHighlights(); });
  notices_->onFailed = weakly([](AppController& c) { c.refreshMenu(); });

  ReadSession::Parts parts;
  parts.prefs = services_.prefs;
  parts.engines = engines_;
  parts.graph = services_.graph;
  parts.pill = pill_;
  parts.notices = notices_;
  parts.capturer = capturer_;
  parts.captureForRead = services_.captureForRead;
  parts.clicks = clicks_;
  parts.notes = notes_;
  parts.account = services_.account;
  parts.notifications = services_.notifications;
  parts.workspace = services_.workspace;
  parts.events = services_.events;
  parts.makeOverlay = services_.makeOverlay;
  ReadSession::Hooks hooks;
  hooks.changed = weakly([](AppController& c) { c.refreshMenu(); });
  hooks.began = [weak](const std::shared_ptr<Player>& player) {
    if (auto self = weak.lock()) self->voice_->follow(player);
  };
  hooks.result = [weak](const ReadTiming& timing) {
    auto self = weak.lock();
    if (self && self->debug_) self->debug_->firstAudio(timing);
  };
  hooks.needsAccess = weakly([](AppController& c) {
    if (c.windows_) c.windows_->showOnboarding();
  });
  hooks.trigger = [weak](const std::string& source, const ReadOptions& opts) {
    if (auto self = weak.lock()) self->trigger(source, -1, opts);
  };
  read_ = ReadSession::make(std::move(parts), std::move(hooks));

  VoiceWiring::Hooks voiceHooks;
  voiceHooks.windows = windowsLater();
  voiceHooks.readAsked = [weak](const ReadOptions& opts, std::optional<Capture> captured) {
    if (auto self = weak.lock()) self->trigger("ask", -1, opts, std::nullopt, std::nullopt, std::move(captured));
  };
  voiceHooks.writeDoc = [weak](const std::string& topic, const std::optional<Player::Moment>& at) {
    if (auto self = weak.lock()) self->writeDoc(topic, at);
  };
  voiceHooks.changed = weakly([](AppController& c) { c.refreshMenu(); });
  voice_ = VoiceWiring::make({services_.prefs, perms_, read_, notices_, capturer_, engines_, services_.workspace},
                             std::move(voiceHooks));
}

std::function<Windows*()> AppController::windowsLater() {
  return [weak = weak_from_this()]() -> Windows* {
    auto self = weak.lock();
    return self ? self->windows_.get() : nullptr;
  };
}

void AppController::refreshMenu() {
  if (menu_) menu_->refresh();
}

AppController::AppController(Token, AppServices services)
    : services_(std::move(services)), engines_(std::make_shared<EngineFactory>(services_.makeEngine)) {
  perms_ = Permissions::make(services_.ax, services_.microphone);
  tester_ = HotkeyTester::make(services_.workspace);
  try {
    notes_ = std::make_shared<NotesStore>(NotesStore::defaultURL(), OrvakPaths::research());
  } catch (const std::exception& e) {
    Log::write(std::string("notes store unavailable, using research.jsonl: ") + e.what());
  }
  capturer_ = Capturer::make(services_.ax, services_.workspace, services_.events);
  pill_ = Pill::make(services_.pillPanel, services_.screens);
  clicks_ = ClickTracker::make(services_.ax, services_.events, services_.workspace);
}

ResearchStore& AppController::store() {
  if (notes_) return *notes_;
  if (!jsonlStore_) jsonlStore_ = std::make_unique<JSONLResearchStore>(OrvakPaths::research());
  return *jsonlStore_;
}

void AppController::step(const char* name) {
  if (services_.onLaunchStep) services_.onLaunchStep(name);
}

void AppController::launch() {
  if (launched_) return;
  launched_ = true;
  const bool developer = prefs().d->flag(Prefs::kDeveloperFlag);

  step("launch line");
  Log::write("launch: Orvak " + platform::bundle::shortVersion() + " pid " + std::to_string(::getpid()) +
             " ax=" + (perms_->accessibility() ? "true" : "false") + " mic=" + micName(perms_->mic()));

  step("sound and privacy");
  Earcon::enabled = prefs().sound();
  Privacy::setKeepTextInLogs(developer);
  // No updater on Linux: packages are updated by the system's package manager.

  step("account");
  std::weak_ptr<AppController> weak = weak_from_this();
  account().onMessage = [weak](const std::string& text) {
    if (auto self = weak.lock()) self->pill_->flash(text);
  };
  account().onChange = weakly([](AppController& c) {
    c.configureVoiceProxy();
    if (signedIn() && c.services_.reloadVoices) c.services_.reloadVoices();
  });
  configureVoiceProxy();
  if (services_.session) {
    auto token = services_.session->addObserver([weak](platform::SessionEvent e) {
      auto self = weak.lock();
      if (self && e == platform::SessionEvent::didWake) self->refreshAccountIfSignedIn();
    });
    if (token) sessionObservers_.push_back(*token);
  }
  account().refresh();

  step("interruptions");
  interruptions().start();

  step("click tracker");
  clicks_->start();

  step("housekeeping");
  dispatch::main().asyncAfter(kHousekeepingDelay, weakly([](AppController& c) { c.historyHousekeeping(); }));
  housekeepingTimer_ =
      dispatch::RepeatingTimer(dispatch::main(), kSixHours, weakly([](AppController& c) { c.historyHousekeeping(); }));

  step("account timer");
  accountTimer_ =
      dispatch::RepeatingTimer(dispatch::main(), kSixHours, weakly([](AppController& c) { c.account().refresh(); }));

  step("capture dumps");
  capturer_->saveDumps = prefs().saveCaptures() && developer;
  // A write cut short by a kill leaves its temporary file (a dump's can be large): sweep ours.
  for (const auto& folder : {OrvakPaths::captures(), OrvakPaths::support(), prefs().d->file().parent_path()}) {
    if (const auto n = sweepStaleTemporaryFiles(folder, dispatch::wallMillis())) {
      Log::write("launch: removed " + std::to_string(n) + " stale temporary file(s) in " + folder.filename().string());
    }
  }

  step("windows and menu");
  if (services_.makeWindows) {
    WindowsHosts hosts;
    hosts.windows = std::make_unique<ControllerHost>(*this);
    // The windows go with the controller, so the first-run window's host does not outlive it.
    hosts.onboarding = [this](std::function<void()> finish, std::function<bool()> hasTray) {
      return std::make_unique<ControllerOnboardingHost>(*this, std::move(finish), std::move(hasTray));
    };
    windows_ = services_.makeWindows(std::move(hosts));
  }
  if (services_.makeStatusMenu) {
    menu_ = services_.makeStatusMenu(std::make_unique<ControllerMenuHost>(*this, services_.menuHooks));
  }
  dispatch::main().async(weakly([](AppController& c) { MoveToApplications::offerIfNeeded(*c.prefs().d); }));

  step("audio graph");
  (void)graph().sampleRate();  // made now rather than on the first read

  step("engines");
  read_->engine(Vendor::onDevice);
  const Vendor chosen = prefs().vendor();
  read_->engine(chosen);
  // Looking the keys up once warms their cache (the keychain tool is slow); then the chosen voice
  // connects ahead of the first read, a cloud voice only when its key is there.
  dispatch::global().async([weak, chosen] {
    bool hasKey = false;
    for (const Vendor vendor : allVendors()) {
      const bool has = EngineFactory::hasKey(vendor);
      if (vendor == chosen) hasKey = has;
    }
    dispatch::main().async([weak, chosen, hasKey] {
      auto self = weak.lock();
      if (self && hasKey) self->read_->engine(chosen)->prepare();
    });
  });

  step("network");
  if (services_.network) {
    services_.network->start([weak](bool online) {
      if (auto self = weak.lock()) self->read_->setOnline(online);
    });
  }

  step("hotkey");
  makeTap();
  if (perms_->accessibility()) tap_->start();

  step("voice");
  if (services_.makeVoice) {
    voice_->use(services_.makeVoice({graph().shared_from_this(), services_.prefs, services_.account,
                                     services_.notifications, [weak]() -> ResearchStore* {
                                       auto self = weak.lock();
                                       return self ? &self->store() : nullptr;
                                     }}));
  }
  voice_->startIfAllowed();

  step("permissions and settings");
  perms_->onChange = weakly([](AppController& c) { c.permissionsChanged(); });
  prefs().onChange = weakly([](AppController& c) { c.prefsChanged(); });

  step("pill actions");
  Pill::Actions actions;
  auto onPlayer = [this](auto f) {
    return weakly([f](AppController& c) {
      if (const auto& player = c.read_->player()) f(*player);
    });
  };
  actions.back = onPlayer([](Player& p) { p.skip(-1); });
  actions.playPause = onPlayer([](Player& p) { p.togglePause(); });
  actions.skip = onPlayer([](Player& p) { p.skip(1); });
  actions.stop = onPlayer([](Player& p) { p.stop("user"); });
  actions.speed = weakly([](AppController& c) { c.read_->cycleSpeed(); });
  actions.readFromHere = weakly([](AppController& c) { c.read_->readFromHere("pill"); });
  pill_->setActions(actions);

  step("scroll watch");
  read_->startScrollWatch();

  step("debug control");
  if (prefs().d->flag(Prefs::kDebugControlFlag) && services_.debugBus) {
    DebugControl::Parts parts;
    parts.bus = services_.debugBus;
    parts.read = read_;
    parts.voice = voice_;
    parts.prefs = services_.prefs;
    parts.ax = services_.ax;
    parts.events = services_.events;
    parts.workspace = services_.workspace;
    parts.audioHardware = services_.audioHardware;
    parts.notifications = services_.notifications;
    parts.windows = windowsLater();
    parts.trigger = [weak](const ReadOptions& opts, std::optional<std::string> text, std::optional<Vendor> vendor) {
      if (auto self = weak.lock()) self->trigger("debug", -1, opts, std::move(text), vendor);
    };
    debug_ = DebugControl::make(std::move(parts));
  }

  step("crash report offer");
  dispatch::main().asyncAfter(kCrashOfferDelay, weakly([](AppController& c) {
                                if (c.prefs().onboardingDone() && c.services_.offerCrashReport)
                                  c.services_.offerCrashReport();
                              }));

  step("onboarding");
  if (!(perms_->accessibility() && prefs().onboardingDone()) && windows_) windows_->showOnboarding();

  step("permission polling");
  if (!(perms_->accessibility() && perms_->mic() == Permissions::Mic::granted)) perms_->startPolling();

  step("menu");
  if (menu_) menu_->refresh();
}

AudioGraph& AppController::graph() { return services_.graph ? *services_.graph : AudioGraph::shared(); }

void AppController::trigger(const std::string& source, double eventLagMs, ReadOptions opts,
                            std::optional<std::string> text, std::optional<Vendor> vendor,
                            std::optional<Capture> captured) {
  const std::uint64_t handlerTime = dispatch::monotonicNanos();
  // The hotkey and the menu stop the read under way; other sources replace it.
  if (read_->stop(source) && (source == "hotkey" || source == "menu")) return;
  if (Keys::get("account")) {
    const auto last = account().lastRefresh();
    if (!last || static_cast<double>(handlerTime - std::min(handlerTime, *last)) / 1e9 > kAccountStaleSeconds) {
      account().refresh();
    }
  }
  if (!text && !perms_->accessibility()) {
    notices_->fail("Orvak needs Accessibility access");
    if (windows_) windows_->showOnboarding();
    return;
  }
  if (read_->capturing()) {
    Log::write("trigger ignored: capture busy");
    return;
  }
  const auto front = services_.workspace->frontmostApplication();
  const std::string name = front && front->name ? *front->name : "window";
  pill_->show(text ? "Reading…" : "Reading " + name + "…", Pill::Tone::working);
  read_->begin({source, handlerTime, eventLagMs, std::move(opts), vendor, std::move(text), std::move(captured)});
}

void AppController::makeTap() {
  tap_ = ModifierTap::make(services_.events, ModifierTap::Choice::with(prefs().hotkeyCode()));
  std::weak_ptr<AppController> weak = weak_from_this();
  tap_->onDoubleTap = [weak](double lag) {
    if (auto self = weak.lock()) self->doubleTap(lag);
  };
  tap_->onFirstPress = [weak](double at) {
    if (auto self = weak.lock()) self->tester_->firstPress(at);
  };
  tap_->onHoldStart = weakly([](AppController& c) { c.voice_->holdStart(); });
  tap_->onHoldEnd = [weak](bool cancelled) {
    if (auto self = weak.lock()) self->voice_->holdEnd(cancelled);
  };
}

void AppController::doubleTap(double lagMs) {
  if (tester_->armed()) {
    tester_->fired();
    return;
  }
  trigger("hotkey", lagMs);
}

Interruptions& AppController::interruptions() {
  if (!interruptions_) {
    interruptions_ = Interruptions::make(read_, {services_.ax, services_.session, services_.workspace,
                                                 services_.audioHardware, services_.graph, pill_});
    interruptions_->reconnectListener = weakly([](AppController& c) { c.voice_->reconnect(); });
  }
  return *interruptions_;
}

void AppController::becameActive() { refreshAccountIfSignedIn(); }

void AppController::refreshAccountIfSignedIn() {
  if (signedIn()) account().refresh();
}

void AppController::configureVoiceProxy() { EngineFactory::setVoiceProxy(Account::voiceProxy()); }

void AppController::reopen() {
  if (windows_ && windows_->hasVisibleWindows()) return;
  if (!windows_) return;
  windows_->reloadModels();
  windows_->showMain(MainModel::Page::library);
}

void AppController::open(const std::vector<std::string>& urls) {
  for (const std::string& url : urls) {
    if (url.rfind("orvak:", 0) != 0) continue;  // the scheme, exactly
    account().handle(url);
    pill_->show("Signing in…", Pill::Tone::working, kSigningInSeconds);
  }
}

void AppController::permissionsChanged() {
  Log::write(std::string("permissions: ax=") + (perms_->accessibility() ? "true" : "false") +
             " mic=" + micName(perms_->mic()));
  if (perms_->accessibility() && tap_ && !tap_->isWatching()) tap_->start();
  voice_->startIfAllowed();
  if (menu_) menu_->refresh();
}

void AppController::prefsChanged() {
  Earcon::enabled = prefs().sound();
  capturer_->saveDumps = prefs().saveCaptures() && prefs().d->flag(Prefs::kDeveloperFlag);
  const auto choice = ModifierTap::Choice::with(prefs().hotkeyCode());
  if (tap_ && !(choice == tap_->choice())) tap_->setChoice(choice);
  voice_->prefsChanged();
  if (const auto& player = read_->player()) player->setSpeed(prefs().speed());
  if (menu_) menu_->refresh();
}

}  // namespace orvak

// A controller on a simulated desktop in virtual time: recording windows, menu and account,
// scripted engines and an audio graph over the capture device.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "app/controller/app_controller.h"
#include "app/pill/pill_doubles.h"
#include "core/base/dispatch.h"
#include "core/base/json.h"
#include "core/base/read_file.h"
#include "platform/defaults.h"
#include "platform/sim/capture_audio_device.h"
#include "platform/sim/sim_audio_hardware.h"
#include "platform/sim/sim_desktop.h"
#include "platform/sim/sim_events.h"
#include "platform/sim/sim_microphone.h"
#include "platform/sim/sim_session.h"
#include "platform/sim/sim_workspace.h"
#include "tests/app/scripted_engine.h"
#include "tests/support/temp_home.h"
#include "tests/vendor_servers/memory_keychain.h"

namespace orvak::test {

using Mic = platform::MicAccess;

using Trace = std::shared_ptr<std::vector<std::string>>;

struct TraceWindows final : Windows {
  Trace trace;
  WindowsHosts hosts;  // what the controller made them with
  bool visible = false;
  void showOnboarding() override {
    visible = true;
    trace->push_back("windows: onboarding");
  }
  void showMain(MainModel::Page page) override {
    visible = true;
    trace->push_back("windows: main " + std::string(MainModel::raw(page)));
  }
  void showNotes(const std::optional<std::string>& key) override {
    visible = true;
    trace->push_back("windows: notes " + key.value_or("-"));
  }
  bool library = false;  // the library window is the front window
  bool libraryInFront() const override { return library; }
  bool hasVisibleWindows() const override { return visible; }
  void reloadModels() override { trace->push_back("windows: reload"); }
  void askLibrary(const std::string& question) override { trace->push_back("windows: ask " + question); }
};

// Voice commands that say what they were asked; set up at once, with `setupError` when given.
struct TraceVoice final : VoiceCommands {
  Trace trace;
  bool isReady = false;
  std::optional<std::string> setupError;
  bool ready() const override { return isReady; }
  void setup(std::function<void(std::optional<std::string>)> done) override {
    trace->push_back("voice: setup");
    isReady = !setupError;
    dispatch::main().async([done, error = setupError] { done(error); });
  }
  void setAlwaysOn(bool on) override { trace->push_back(std::string("voice: always on ") + (on ? "1" : "0")); }
  void attach(const std::shared_ptr<Player>&) override { trace->push_back("voice: attach"); }
  void holdDown(bool idle, bool library) override {
    trace->push_back(std::string("voice: hold idle=") + (idle ? "1" : "0") + " library=" + (library ? "1" : "0"));
  }
  void holdUp(bool cancelled) override { trace->push_back(std::string("voice: up") + (cancelled ? " cancelled" : "")); }
  void reconnect() override { trace->push_back("voice: reconnect"); }
  void simulate(const std::string& text, bool idle) override {
    trace->push_back("voice: simulate " + text + (idle ? " idle" : ""));
  }
  void inject(const std::string& file, const std::string& label, double peakDb) override {
    trace->push_back("voice: inject " + file + " | " + label + " | " + std::to_string(static_cast<int>(peakDb)));
  }
  double prepareMs() const override { return 42; }
  bool echoCancellation() const override { return true; }
};

struct TraceMenu final : StatusMenu {
  Trace trace;
  std::unique_ptr<MenuHost> host;  // what the controller made it with
  std::function<void()> onRefresh;
  void refresh() override {
    trace->push_back("menu: refresh");
    if (onRefresh) onRefresh();
  }
};

struct TraceAccount final : AccountClient {
  Trace trace;
  void refresh() override { trace->push_back("account: refresh"); }
  std::optional<std::uint64_t> lastRefresh() const override { return std::nullopt; }
  void handle(const std::string& url) override { trace->push_back("account: handle " + url); }
  // Questions are not the controller's to answer here: traced, and answered as signed out.
  account::Exchange askStream(const account::AskQuestion& q, std::function<void(const std::string&)>,
                              std::function<void(account::Result<account::AskReply>)> done) override {
    trace->push_back("account: ask " + q.question);
    dispatch::main().async([done] { done(account::Fail::signedOut()); });
    return {};
  }
};

// The library's service: records what it is asked and answers a document request with `document`
// (none: never answers).
struct ScriptedLibrary final : LibraryService {
  std::vector<account::LibraryBody> asked;
  std::optional<account::Result<account::LibraryDoc>> document;
  account::Exchange libraryAsk(const account::LibraryBody& body, AnswerDone) override {
    asked.push_back(body);
    return {};
  }
  account::Exchange libraryDocument(const account::LibraryBody& body, DocumentDone done) override {
    asked.push_back(body);
    if (document) dispatch::main().async([done, reply = *document] { done(reply); });
    return {};
  }
};

// The control channel's messages within the process: posts are kept, observers called at once.
struct RecordingBus final : DebugBus {
  std::vector<std::pair<std::string, std::string>> posted;
  std::map<std::string, std::vector<std::function<void(const std::string&)>>> observers;
  void post(const std::string& name, const std::string& payload) override { posted.emplace_back(name, payload); }
  void observe(const std::string& name, std::function<void(const std::string&)> handler) override {
    observers[name].push_back(std::move(handler));
  }
  void send(const std::string& name, const std::string& payload) {
    for (auto& h : observers[name]) h(payload);
  }
};

struct RecordingOverlay final : HighlightOverlay {
  std::vector<std::vector<ax::Rect>> shown;
  bool closed = false;
  void show(const std::vector<ax::Rect>& bands, const std::optional<ax::Rect>&, const std::optional<ax::Rect>&,
            const std::vector<ax::Rect>&) override {
    shown.push_back(bands);
  }
  void close() override { closed = true; }
};

struct App {
  dispatch::VirtualTime vt;
  Trace trace = std::make_shared<std::vector<std::string>>();
  std::shared_ptr<sim::SimDesktop> desktop;
  std::shared_ptr<sim::SimEvents> events;
  std::shared_ptr<sim::SimMicrophone> mic;
  std::shared_ptr<sim::SimSession> session = std::make_shared<sim::SimSession>();
  std::shared_ptr<sim::SimNetwork> network = std::make_shared<sim::SimNetwork>(true);
  std::shared_ptr<TraceAccount> account = std::make_shared<TraceAccount>();
  std::shared_ptr<platform::SimAudioHardware> audio = std::make_shared<platform::SimAudioHardware>();
  std::shared_ptr<platform::NotificationCenter> notifications = std::make_shared<platform::NotificationCenter>();
  std::shared_ptr<Prefs> prefs;
  TraceWindows* windows = nullptr;
  TraceMenu* menu = nullptr;
  std::shared_ptr<AppController> app;

  // `before` runs after the stores are cleared and before the controller opens them.
  App(bool trusted, bool onboarded, Mic access, const std::function<void()>& before = {})
      : App(trusted ? R"({"trusted": true, "applications": []})" : R"({"trusted": false, "applications": []})", onboarded,
            access, before) {}
  App(const char* scene, bool onboarded, Mic access, const std::function<void()>& before = {}) {
    // Every test starts without saved places and with an empty library.
    std::filesystem::remove(PositionStore::defaultURL());
    for (const char* suffix : {"", "-wal", "-shm"}) std::filesystem::remove(NotesStore::defaultURL().string() + suffix);
    if (before) before();
    Keys::useKeychain(keychain);
    Keys::forget();
    desktop = sim::SimDesktop::fromJson(json::parse(scene));
    events = std::make_shared<sim::SimEvents>(desktop);
    mic = std::make_shared<sim::SimMicrophone>(access);
    prefs = std::make_shared<Prefs>(std::make_shared<platform::Defaults>(freshDir("prefs") / "defaults.json"));
    prefs->setOnboardingDone(onboarded);
    account->trace = trace;
    AppServices s;
    s.ax = desktop;
    s.events = events;
    s.workspace = std::make_shared<sim::SimWorkspace>(desktop);
    s.microphone = mic;
    s.network = network;
    s.session = session;
    s.notifications = notifications;
    s.audioHardware = audio;
    s.makeOverlay = [this](bool) {
      overlays.push_back(std::make_shared<RecordingOverlay>());
      return overlays.back();
    };
    s.pillPanel = std::make_shared<RecordingPanel>();
    s.screens = std::make_shared<FixedScreens>();
    s.prefs = prefs;
    s.graph = graph;
    s.makeEngine = [this](Vendor v, const EngineConfig& config) -> std::shared_ptr<SpeechEngine> {
      made.push_back({v, config});
      if (v == Vendor::onDevice) return onDevice;
      return v == Vendor::inworld ? inworld : cartesia;
    };
    s.account = account;
    s.library = library;
    s.debugBus = bus;
    s.makeVoice = [this](const VoiceCommandParts&) -> std::shared_ptr<VoiceCommands> {
      if (voice) voice->trace = trace;
      return voice;
    };
    s.playSound = [this](Earcon::Kind kind) { sounds.push_back(kind); };
    s.makeWindows = [this](WindowsHosts hosts) {
      auto w = std::make_unique<TraceWindows>();
      w->trace = trace;
      w->hosts = std::move(hosts);
      windows = w.get();
      return w;
    };
    s.makeStatusMenu = [this](std::unique_ptr<MenuHost> host) {
      auto m = std::make_unique<TraceMenu>();
      m->trace = trace;
      m->host = std::move(host);
      menu = m.get();
      m->onRefresh = [this] { menuShowed.push_back(app->read().player().get()); };
      return m;
    };
    s.menuHooks.open = [this](const std::filesystem::path& path) { trace->push_back("desktop: open " + path.string()); };
    s.menuHooks.feedback = [this](std::optional<std::string> email) {
      trace->push_back("desktop: feedback " + email.value_or("-"));
    };
    s.menuHooks.quit = [this] { trace->push_back("desktop: quit"); };
    s.captureForRead = [this](std::uint64_t handlerTime, std::function<void(CaptureOutcome)> done) {
      if (holdCaptures) return heldCaptures.push_back(std::move(done));
      app->capturer().capture(handlerTime, std::move(done));
    };
    s.onLaunchStep = [this](const char* step) { trace->push_back(std::string("- ") + step); };
    app = AppController::make(std::move(s));
  }
  std::shared_ptr<MemoryKeychain> keychain = std::make_shared<MemoryKeychain>();
  std::shared_ptr<platform::AudioTape> tape = std::make_shared<platform::AudioTape>();
  platform::CaptureAudioDevice* device = nullptr;  // owned by the graph
  std::shared_ptr<AudioGraph> graph = [this] {
    auto d = std::make_unique<platform::CaptureAudioDevice>(tape);
    device = d.get();
    return AudioGraph::make(std::move(d), [](const std::string&) {});
  }();
  std::shared_ptr<testing::ScriptedEngine> onDevice = makeEngine(Vendor::onDevice, 22050);
  std::shared_ptr<testing::ScriptedEngine> inworld = makeEngine(Vendor::inworld, 24000);
  std::shared_ptr<testing::ScriptedEngine> cartesia = makeEngine(Vendor::cartesia, 24000);
  std::vector<std::pair<Vendor, EngineConfig>> made;
  std::vector<std::shared_ptr<RecordingOverlay>> overlays;
  std::shared_ptr<ScriptedLibrary> library = std::make_shared<ScriptedLibrary>();
  std::shared_ptr<RecordingBus> bus = std::make_shared<RecordingBus>();
  // Set before launch to give the application voice commands.
  std::shared_ptr<TraceVoice> voice;
  // Cue sounds played outside the audio graph.
  std::vector<Earcon::Kind> sounds;
  // Set to keep a read's capture from answering until the test calls its completion.
  bool holdCaptures = false;
  std::vector<std::function<void(CaptureOutcome)>> heldCaptures;
  // The read current at each refresh of the status menu (null: none), for identity only.
  std::vector<const Player*> menuShowed;

  static std::shared_ptr<testing::ScriptedEngine> makeEngine(Vendor v, double rate) {
    auto e = std::make_shared<testing::ScriptedEngine>(v, rate);
    e->autoSpeak = testing::ScriptedEngine::Auto{1.0, 0.1};
    return e;
  }

  double now() const { return dispatch::monotonicSeconds(); }
  void doubleTap(std::uint16_t key = 60) {
    const double t = now();
    events->press(key, t + 0.01);
    events->release(key, t + 0.05);
    events->press(key, t + 0.10);
    events->release(key, t + 0.15);
    vt.advance(0.2);
  }
};

// The article scene, with `extra` top-level keys put in after its opening brace.
inline std::string articleScene(const char* extra = "") {
  std::string text = *readWholeFile("tests/fixtures/scenes/article.scene.json");
  return text.insert(text.find('{') + 1, extra);
}

inline bool traced(const App& a, const std::string& line) {
  return std::find(a.trace->begin(), a.trace->end(), line) != a.trace->end();
}

// The pill's state line.
inline std::string pillText(App& a) { return a.app->pill().model().state().state; }

}  // namespace orvak::test

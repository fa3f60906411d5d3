// Builds the application exactly as `orvak` does, against a simulated desktop scene, and either
// runs it for a while or reads the front window through a double tap on the simulated keyboard.
// With --event S:KIND it also fires one desktop event S seconds into the read and prints what the
// read and the pill do. Log lines go to standard error as they come; heard sentences, the pill
// and the read's state to standard output.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "app/controller/app_controller.h"
#include "app/shell/application.h"
#include "core/base/dispatch.h"
#include "core/base/json.h"
#include "core/base/read_file.h"
#include "platform/sim/sim_audio_hardware.h"
#include "platform/sim/sim_desktop.h"
#include "platform/sim/sim_events.h"
#include "platform/sim/sim_session.h"
#include "tools/orvak-dev/commands.h"
#include "tools/orvak-dev/options.h"

#include <fstream>
#include <span>

#include "app/voice/definer.h"
#include "core/base/paths.h"
#include "platform/sim/sim_audio_input.h"
#include "platform/sim/sim_microphone.h"
#include "platform/synth.h"

namespace orvak::dev {

namespace {

constexpr const char* kUsage =
    "usage: orvak-dev app SCENE.json [--for S] [--read [--stop-after S] [--mute] [--event S:KIND]\n"
    "                                 [--hold-say WORDS | --say WORDS] [--at S]]\n"
    "  KIND: scroll [N] | sleep | inactive | lock | saver | call APP | headphones-off | quit | page-gone\n";

// Seconds after launch before the first double tap: the launch's own work is done by then.
constexpr double kFirstTapDelay = 0.5;
// How long the workbench watches the read after an event before it ends the run.
constexpr double kWatchAfterEvent = 6;


// Which output the read plays to: silence is said out loud, with why.
std::string outputLine(const std::string& device) {
  if (device != "null") return "the sound server (" + device + ")";
  const char* forced = std::getenv("ORVAK_AUDIO");
  if (forced != nullptr && std::string(forced) == "null") return "a silent device (ORVAK_AUDIO=null)";
  return "no sound server: playing to a silent device";
}

void doubleTap(sim::SimEvents& keys, std::uint16_t key) {
  const double t = dispatch::monotonicSeconds();
  keys.press(key, t + 0.01);
  keys.release(key, t + 0.06);
  keys.press(key, t + 0.15);
  keys.release(key, t + 0.20);
}

struct Event {
  double at = 0;
  std::string kind;
  std::string arg;
};

// "S:KIND" or "S:KIND ARG".
Event parseEvent(const std::string& text) {
  const auto colon = text.find(':');
  if (colon == std::string::npos) throw UsageError("--event");
  Event e;
  char* end = nullptr;
  const std::string seconds = text.substr(0, colon);
  e.at = std::strtod(seconds.c_str(), &end);
  if (seconds.empty() || *end != '\0' || !(e.at >= 0) || e.at > 3600) throw UsageError("--event");
  const std::string rest = text.substr(colon + 1);
  const auto space = rest.find(' ');
  e.kind = rest.substr(0, space);
  if (space != std::string::npos) e.arg = rest.substr(space + 1);
  static const char* const kinds[] = {"scroll", "sleep",          "inactive", "lock",     "saver",
                                      "call",   "headphones-off", "quit",     "page-gone"};
  if (std::find(std::begin(kinds), std::end(kinds), e.kind) == std::end(kinds)) throw UsageError("--event");
  if (e.kind == "call" && e.arg.empty()) throw UsageError("--event");
  if (e.kind != "call" && e.kind != "scroll" && !e.arg.empty()) throw UsageError("--event");
  return e;
}

// The scene's front application and its first window, by reference.
std::pair<std::string, std::string> frontRefs(const std::string& sceneFile) {
  const auto text = readWholeFile(sceneFile);
  if (!text) return {};
  try {
    const auto j = json::parse(*text);
    const std::string front = j.value("frontmost", std::string());
    for (const auto& app : j.value("applications", json::Json::array())) {
      if (app.value("ref", std::string()) != front || !app.contains("windows") || app["windows"].empty()) continue;
      return {front, app["windows"][0].value("ref", std::string())};
    }
  } catch (const std::exception&) {
  }
  return {};
}

// Fires the event on the simulated desktop, session and sound hardware.
void fire(const Event& e, sim::SimDesktop& desktop, sim::SimEvents& keyboard, sim::SimSession& session,
          platform::SimAudioHardware& audio, const std::string& appRef, const std::string& windowRef) {
  std::printf("event: %s%s%s\n", e.kind.c_str(), e.arg.empty() ? "" : " ", e.arg.c_str());
  std::fflush(stdout);
  if (e.kind == "scroll") {
    const int lines = e.arg.empty() ? 10 : std::clamp(std::atoi(e.arg.c_str()), -1000, 1000);
    if (!windowRef.empty()) desktop.scroll(windowRef, 20.0 * lines);
    keyboard.scroll({{600, 400}, static_cast<double>(lines), false});
  } else if (e.kind == "sleep") {
    session.post(platform::SessionEvent::willSleep);
  } else if (e.kind == "inactive") {
    session.post(platform::SessionEvent::sessionInactive);
  } else if (e.kind == "lock") {
    session.post(platform::SessionEvent::screenLocked);
  } else if (e.kind == "saver") {
    session.post(platform::SessionEvent::screenSaverStarted);
  } else if (e.kind == "call") {
    audio.setRecorders({{9999, e.arg, ""}});
  } else if (e.kind == "headphones-off") {
    audio.setDefaultOutput(platform::OutputDevice{2, "Speakers", "pci", false});
  } else if (e.kind == "quit" && !appRef.empty()) {
    json::Json change = json::Json::array();
    change.push_back(json::Json{{"quit", appRef}});
    desktop.apply(change);
  } else if (e.kind == "page-gone" && !windowRef.empty()) {
    desktop.setAttribute(windowRef, "AXTitle", ax::Value("Another page"));
    json::Json change = json::Json::array();
    change.push_back(json::Json{{"replaceChildren", windowRef}, {"children", json::Json::array()}});
    desktop.apply(change);
  }
}

// The pill's message and offer as one line.
std::string pillLine(AppController& app) {
  const auto& t = app.pill().transient();
  std::string shown = t ? (t->sub.empty() ? t->state : t->state + " · " + t->sub) : "";
  if (app.pill().offer()) shown += (shown.empty() ? "" : " | ") + std::string("offer: ") + *app.pill().offer();
  return shown;
}

// `text` in the on-device voice at the simulated microphone's rate; empty when it cannot be made.
std::vector<float> spokenAt(const std::string& text, double rate) {
  std::vector<float> samples;
  double from = 0;
  platform::SystemSynth::write(text, "", {[&](std::span<const float> s, double r) {
                                            samples.insert(samples.end(), s.begin(), s.end());
                                            from = r;
                                            return true;
                                          },
                                          {}});
  return from > 0 ? Definer::resample(samples, from, rate) : std::vector<float>{};
}

// The last line of voice.jsonl, or "".
std::string lastVoiceRecord() {
  std::ifstream in(OrvakPaths::logs() / "voice.jsonl");
  std::string line, last;
  while (std::getline(in, line)) last = line;
  return last;
}

}  // namespace

int runApp(const Args& args) {
  shell::Options options;
  options.singleInstance = false;  // the workbench never takes the session's instance
  bool read = false, mute = false;
  std::optional<double> stopAfter;
  std::optional<Event> event;
  std::optional<std::string> holdSay, say;
  double at = 1.5;
  try {
    const Options o(args, {"--for", "--stop-after", "--event", "--hold-say", "--say", "--at"}, {"--read", "--mute"});
    holdSay = o.value("--hold-say");
    say = o.value("--say");
    at = o.number("--at").value_or(1.5);
    if ((holdSay || say) && (!o.flag("--read") || (holdSay && say) || !(at >= 0) || at > 3600)) {
      throw UsageError("--hold-say");
    }
    options.scene = o.plain()[0];
    read = o.flag("--read");
    mute = o.flag("--mute");
    stopAfter = o.number("--stop-after");
    if (auto e = o.value("--event")) event = parseEvent(*e);
    if (stopAfter && *stopAfter <= 0) throw UsageError("--stop-after");
    if (!read && (stopAfter || mute || event)) throw UsageError("--read");
    if (!read) options.runFor = o.number("--for").value_or(2);
    if (options.runFor && *options.runFor < 0) throw UsageError("--for");
  } catch (const UsageError&) {
    std::fprintf(stderr, "%s", kUsage);
    return 2;
  }
  int status = 0;
  auto session = std::make_shared<sim::SimSession>();
  auto audio = std::make_shared<platform::SimAudioHardware>();
  if (event) {
    // The event comes from a simulated session and sound hardware; headphones are plugged in.
    options.session = session;
    options.audioHardware = audio;
    audio->setDefaultOutput(platform::OutputDevice{1, "Headphones", "pci", true});
  }
  const auto refs = frontRefs(options.scene->string());
  // Speaking to a read: a granted microphone whose input the workbench plays the words into.
  static constexpr double kMicRate = 48000;
  platform::SimAudioInput* mic = nullptr;
  std::vector<float> words;
  if (holdSay || say) {
    options.microphone = std::make_shared<sim::SimMicrophone>(platform::MicAccess::granted);
    options.makeMicInput = [&mic]() -> std::unique_ptr<platform::AudioInput> {
      auto in = std::make_unique<platform::SimAudioInput>(kMicRate);
      mic = in.get();
      return in;
    };
  }
  if (holdSay) {
    words = spokenAt(*holdSay, kMicRate);
    if (words.empty()) {
      std::fprintf(stderr, "orvak-dev app: the on-device voice could not speak \"%s\"\n", holdSay->c_str());
      return 1;
    }
  }
  auto spoke = std::make_shared<bool>(false);
  std::shared_ptr<dispatch::RepeatingTimer> watch = std::make_shared<dispatch::RepeatingTimer>();
  // Holds the key and plays the words into the microphone (or hands them over as if heard), once
  // recognition is ready; prints what the pill shows and the utterance's voice.jsonl line.
  std::function<void(AppController&, sim::SimEvents&, std::uint16_t)> speakToRead;
  speakToRead = [&](AppController& app, sim::SimEvents& keys, std::uint16_t key) {
    if (!app.voice().commands() || !app.voice().commands()->ready()) {
      dispatch::main().asyncAfter(0.1, [&, key] { speakToRead(app, keys, key); });
      return;
    }
    const std::string before = lastVoiceRecord();
    if (say) {
      std::printf("say: %s\n", say->c_str());
      app.voice().debugSay(*say);
    } else {
      std::printf("hold: %s\n", holdSay->c_str());
      keys.press(key, dispatch::monotonicSeconds());
      dispatch::main().asyncAfter(0.45, [&] {
        if (mic) mic->play(words);
      });
      const double release = 0.45 + static_cast<double>(words.size()) / kMicRate + 0.4;
      dispatch::main().asyncAfter(release, [&keys, key] { keys.release(key, dispatch::monotonicSeconds()); });
    }
    std::fflush(stdout);
    auto last = std::make_shared<std::string>();
    *watch = dispatch::RepeatingTimer(dispatch::main(), 0.05, [&app, last] {
      const std::string line = pillLine(app);
      if (line != *last && !line.empty()) std::printf("pill: %s\n", line.c_str());
      std::fflush(stdout);
      *last = line;
    });
    dispatch::main().asyncAfter(8, [&app, &watch, before] {
      watch->cancel();
      const std::string record = lastVoiceRecord();
      std::printf("voice.jsonl: %s\n", record == before ? "(no new line)" : record.c_str());
      if (const auto& p = app.read().player()) std::printf("read: %s\n", p->isPaused() ? "paused" : "playing");
      std::fflush(stdout);
      shell::quit();
    });
  };
  if (read) {
    options.onLaunched = [&](AppController& app, sim::SimEvents* keyboard, sim::SimDesktop* desktop) {
      sim::SimEvents& keys = *keyboard;  // a scene's desktop always has the simulated keyboard
      ReadOptions base;
      base.mute = mute;
      app.read().setBaseOptions(base);
      std::printf("output: %s\n", outputLine(app.graph().engine().deviceName()).c_str());
      std::fflush(stdout);
      const std::uint16_t key = app.tap() ? app.tap()->choice().keyCode : 60;
      auto shown = std::make_shared<int>(0);
      auto stopping = std::make_shared<bool>(false);
      auto fired = std::make_shared<bool>(false);
      app.read().onReadState = [&, key, shown, stopping, fired, desktop](const std::shared_ptr<Player>& player,
                                                                  const PlayerState& s) {
        if (s.ended || s.sentence == *shown) return;
        const auto text = player->playingText();
        if (!text) return;  // nothing heard yet
        if ((holdSay || say) && !*spoke) {
          *spoke = true;
          dispatch::main().asyncAfter(at, [&, key] { speakToRead(app, keys, key); });
        }
        if (*shown == 0 && stopAfter && !*stopping) {
          *stopping = true;
          dispatch::main().asyncAfter(*stopAfter, [&keys, key] { doubleTap(keys, key); });
        }
        if (event && !*fired) {
          *fired = true;
          dispatch::main().asyncAfter(event->at, [&, desktop] {
            fire(*event, *desktop, keys, *session, *audio, refs.first, refs.second);
            auto last = std::make_shared<std::string>();
            *watch = dispatch::RepeatingTimer(dispatch::main(), 0.1, [&app, last] {
              const std::string line = pillLine(app);
              if (line != *last && !line.empty()) std::printf("pill: %s\n", line.c_str());
              std::fflush(stdout);
              *last = line;
            });
            dispatch::main().asyncAfter(kWatchAfterEvent, [&app, &watch] {
              watch->cancel();
              if (const auto& p = app.read().player()) {
                std::printf("read: %s\n", p->isPaused() ? "paused" : "playing");
                std::fflush(stdout);
                shell::quit();
              }
            });
          });
        }
        *shown = s.sentence;
        std::printf("[%d/%d] %s\n", s.sentence, s.total, text->c_str());
        std::fflush(stdout);
      };
      app.read().onReadEnd = [&status, &event](const ReadTiming& t) {
        if (t.endedBy == "error" || t.endedBy == "captureError") status = 1;
        std::printf("read: ended (%s)\n", t.endedBy.value_or("?").c_str());
        std::fflush(stdout);
        // After an event, long enough for the pill's message to be printed.
        dispatch::main().asyncAfter(event ? 0.3 : 0, [] { shell::quit(); });
      };
      if (holdSay || say) {
        // A read attaches voice commands only once they are ready: tap once recognition is.
        auto tapWhenReady = std::make_shared<std::function<void()>>();
        *tapWhenReady = [&app, &keys, key, tapWhenReady] {
          if (app.voice().commands() && app.voice().commands()->ready()) return doubleTap(keys, key);
          dispatch::main().asyncAfter(0.1, *tapWhenReady);
        };
        dispatch::main().asyncAfter(kFirstTapDelay, *tapWhenReady);
      } else {
        dispatch::main().asyncAfter(kFirstTapDelay, [&keys, key] { doubleTap(keys, key); });
      }
    };
  }
  static char name[] = "orvak-dev";
  static char* argv[] = {name, nullptr};
  int argc = 1;
  const int rc = shell::run(argc, argv, {}, options);
  watch->cancel();
  return rc != 0 ? rc : status;
}

}  // namespace orvak::dev

// orvak-dev read SCENE.json / say FILE: a whole read, from the window (or a text file) to sound.
//
// `read` captures the scene's front window the way a read does, starts where the cleaned page
// says (or at --from), and reads it with the on-device voice through the shared
// audio graph (PulseAudio when a server answers, else the null device; ORVAK_AUDIO forces one).
// Each sentence is printed as it is heard, and the read's summary line at the end; the read's
// record goes to reads.jsonl like every read.
#include <cmath>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <variant>

#include "app/capture/capturer.h"
#include "app/player/player.h"
#include "app/prefs.h"
#include "core/base/dispatch.h"
#include "core/base/json.h"
#include "core/base/log.h"
#include "core/base/paths.h"
#include "core/base/read_file.h"
#include "core/base/timing.h"
#include "platform/sim/sim_desktop.h"
#include "platform/sim/sim_events.h"
#include "platform/sim/sim_workspace.h"
#include "speech/on_device_engine.h"
#include "tools/orvak-dev/commands.h"
#include "tools/orvak-dev/options.h"

namespace orvak::dev {

namespace {

struct ReadArgs {
  std::string file;
  std::optional<int> from;
  std::optional<float> speed;
  std::optional<double> stopAfter;
  bool mute = false;
};

// Throws UsageError when the arguments do not fit, or a value is out of range.
ReadArgs parseArgs(const Args& args) {
  const Options o(args, {"--from", "--speed", "--stop-after"}, {"--mute"});
  ReadArgs r;
  r.file = o.plain()[0];
  if (const auto from = o.number("--from")) {
    if (*from < 0 || *from > 1e9 || *from != std::floor(*from)) throw UsageError("--from wants a character offset");
    r.from = static_cast<int>(*from);
  }
  if (const auto speed = o.number("--speed")) r.speed = static_cast<float>(*speed);
  if (const auto stop = o.number("--stop-after")) {
    if (*stop <= 0) throw UsageError("--stop-after wants seconds above 0");
    r.stopAfter = *stop;
  }
  r.mute = o.flag("--mute");
  return r;
}

std::string readText(const std::string& path) {
  auto text = readWholeFile(path);
  if (!text) throw std::runtime_error("cannot open " + path);
  return std::move(*text);
}

// Captures the scene's front window as a read would; throws with the user's sentence when there
// is nothing to read. The read's trigger is the moment the scene stands ready, in `t0`.
std::shared_ptr<const Capture> capturePage(const std::string& path, std::uint64_t& t0) {
  const auto desktop = sim::SimDesktop::load(path);
  t0 = Clock::now();
  auto capturer =
      Capturer::make(desktop, std::make_shared<sim::SimWorkspace>(desktop), std::make_shared<sim::SimEvents>(desktop));
  std::optional<CaptureOutcome> outcome;
  capturer->capture(t0, [&](CaptureOutcome o) { outcome = std::move(o); });
  if (!dispatch::mainloop::runUntil([&] { return outcome.has_value(); }, 120)) {
    throw std::runtime_error("no answer from the capture");
  }
  if (const auto* error = std::get_if<CaptureError>(&*outcome)) throw std::runtime_error(error->description());
  return std::make_shared<const Capture>(std::get<Capture>(std::move(*outcome)));
}

int readAloud(const char* command, const ReadArgs& o, const std::string& text, int start, const std::string& reason,
              const Player::Source& source, std::shared_ptr<const Capture> capture, std::uint64_t t0) {
  if (text.empty()) {
    std::fprintf(stderr, "orvak-dev %s: nothing readable in %s\n", command, o.file.c_str());
    return 1;
  }
  ReadOptions opts;
  opts.mute = o.mute;
  opts.stopAfter = o.stopAfter;
  // The player alone on the on-device voice: no controller, so no fallback and no voice commands.
  auto setup =
      Player::forRead(Vendor::onDevice, OnDeviceEngine::make(Prefs::shared().onDeviceVoice()), command, t0, 0, opts);
  setup.speed = Prefs::shared().speed();
  setup.pronunciations = Prefs::shared().pronunciations();
  auto player = Player::make(std::move(setup));

  int lastShown = 0;
  bool done = false;
  std::optional<ReadTiming> record;
  std::weak_ptr<Player> weakPlayer = player;
  player->onState = [&, weakPlayer](const PlayerState& s) {
    auto p = weakPlayer.lock();
    if (!p || s.ended || s.sentence == lastShown) return;
    const auto text = p->playingText();
    if (!text) return;  // nothing heard yet
    lastShown = s.sentence;
    std::printf("[%d/%d] %s\n", s.sentence, s.total, text->c_str());
    std::fflush(stdout);
  };
  player->onEnd = [&](const ReadTiming& rec) {
    record = rec;
    done = true;
  };
  player->begin();
  if (o.speed) player->setSpeed(*o.speed);
  player->setSource(source);
  const int from = o.from.value_or(start);
  player->speak(text, std::move(capture), from, o.from ? (from == 0 ? "top" : "cursor") : reason);

  const double limit = o.stopAfter ? *o.stopAfter + 60 : 24 * 3600;
  if (!dispatch::mainloop::runUntil([&] { return done; }, limit)) {
    player->stop("test");
    dispatch::mainloop::runUntil([&] { return done; }, 5);
  }
  const std::string device = AudioGraph::shared().engine().deviceName();
  AudioGraph::shared().forceRebuild();
  Log::flush();
  if (!record) {
    std::fprintf(stderr, "orvak-dev %s: the read did not end\n", command);
    return 1;
  }
  std::printf("%s\n", record->summary().c_str());
  const auto recordFailure = player->recordFailure();
  std::printf("ended by %s after %.1f s of audio on the %s device; %s\n", record->endedBy.value_or("?").c_str(),
              record->playedAudioSec.value_or(0), device.c_str(),
              recordFailure ? "record not written"
                            : ("record in " + (OrvakPaths::logs() / "reads.jsonl").string()).c_str());
  if (recordFailure) std::fprintf(stderr, "orvak-dev %s: record not written: %s\n", command, recordFailure->c_str());
  if (record->endedBy == "error") {
    for (const auto& e : record->errors) std::fprintf(stderr, "orvak-dev %s: %s\n", command, e.c_str());
    return 1;
  }
  return recordFailure ? 1 : 0;
}

void usage(const char* command, const char* what) {
  std::fprintf(stderr, "usage: orvak-dev %s %s [--from N] [--speed X] [--stop-after SECONDS] [--mute]\n", command,
               what);
}

}  // namespace

int runRead(const Args& args) {
  std::uint64_t t0 = 0;
  std::optional<ReadArgs> o;
  try {
    o = parseArgs(args);
  } catch (const UsageError& e) {
    std::fprintf(stderr, "orvak-dev read: %s\n", e.what());
    usage("read", "SCENE.json");
    return 2;
  }
  const auto capture = capturePage(o->file, t0);
  const auto& clean = capture->clean;
  std::printf("%s — %s: %d characters, %d walk(s) in %.1f ms, cleaned in %.1f ms; the page starts reading at %d (%s)\n",
              capture->appName.c_str(), capture->windowTitle.value_or("").c_str(), clean.chars, capture->attempts,
              capture->axWalkTotalMs, capture->cleanMs, clean.start.offset, reasonName(clean.start.reason));
  std::fflush(stdout);
  return readAloud("read", *o, clean.text, clean.start.offset, reasonName(clean.start.reason),
                   {capture->appName, capture->windowTitle.value_or(""), capture->url}, capture, t0);
}

int runSay(const Args& args) {
  const auto t0 = Clock::now();
  std::optional<ReadArgs> o;
  try {
    o = parseArgs(args);
  } catch (const UsageError& e) {
    std::fprintf(stderr, "orvak-dev say: %s\n", e.what());
    usage("say", "FILE");
    return 2;
  }
  return readAloud("say", *o, readText(o->file), 0, "top", {"orvak-dev", o->file, std::nullopt}, nullptr, t0);
}

}  // namespace orvak::dev

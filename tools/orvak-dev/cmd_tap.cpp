// Replays a keystroke script through the trigger key's tap, on the simulated keyboard and in real
// time, or watches the real keyboard for a while, and prints each gesture the tap makes.
#include <cstdio>
#include <stdexcept>
#include <string>

#include "app/hotkey/modifier_tap.h"
#include "core/base/dispatch.h"
#include "core/base/json.h"
#include "core/base/read_file.h"
#include "platform/desktop.h"
#include "platform/sim/sim_desktop.h"
#include "platform/sim/sim_events.h"
#include "tools/orvak-dev/commands.h"
#include "tools/orvak-dev/options.h"

namespace orvak::dev {

namespace {

constexpr const char* kUsage = "usage: orvak-dev tap [--key CODE] [--script KEYS.json | --seconds N]\n";

struct Stroke {
  double at = 0;
  bool down = true;
  std::uint16_t key = 0;
};

// [{"at": SECONDS, "press": CODE} | {"at": SECONDS, "release": CODE}, ...]
std::vector<Stroke> readScript(const std::string& file) {
  const auto text = readWholeFile(file);
  if (!text) throw std::runtime_error(file + ": cannot be read");
  const json::Json j = json::parse(*text);
  if (!j.is_array()) throw std::runtime_error(file + ": expected an array of key strokes");
  std::vector<Stroke> out;
  for (std::size_t i = 0; i < j.size(); ++i) {
    const auto& e = j[i];
    const std::string where = file + "[" + std::to_string(i) + "]";
    const bool down = e.is_object() && e.contains("press");
    const char* name = down ? "press" : "release";
    if (!e.is_object() || !e.contains(name) || !e.contains("at") || !e["at"].is_number() ||
        !e[name].is_number_unsigned() || e[name].get<std::uint64_t>() > 0xFFFF || e.size() != 2) {
      throw std::runtime_error(where + ": expected {\"at\": SECONDS, \"press\" or \"release\": KEY CODE}");
    }
    const double at = e["at"].get<double>();
    if (!(at >= 0) || at > 600) throw std::runtime_error(where + ".at: expected 0 to 600 seconds");
    out.push_back({at, down, static_cast<std::uint16_t>(e[name].get<std::uint64_t>())});
  }
  return out;
}

}  // namespace

int runTap(const Args& args) {
  std::optional<std::string> script;
  std::uint16_t key = 60;
  double seconds = 30;
  try {
    const Options o(args, {"--key", "--script", "--seconds"}, {}, 0);
    script = o.value("--script");
    seconds = o.number("--seconds").value_or(seconds);
    if (seconds <= 0 || seconds > 3600) throw UsageError("--seconds");
    if (auto k = o.number("--key")) {
      if (*k < 0 || *k > 0xFFFF) throw UsageError("--key");
      key = static_cast<std::uint16_t>(*k);
    }
  } catch (const UsageError&) {
    std::fprintf(stderr, "%s", kUsage);
    return 2;
  }
  const auto strokes = script ? readScript(*script) : std::vector<Stroke>{};

  std::shared_ptr<platform::Events> events;
  std::shared_ptr<sim::SimEvents> simulated;
  if (script) {
    simulated =
        std::make_shared<sim::SimEvents>(sim::SimDesktop::fromJson(json::parse(R"({"applications": []})"), "keyboard"));
    events = simulated;
  } else {
    try {
      auto desktop = platform::makeDesktop();
      if (desktop.simulated) {
        std::fprintf(stderr, "orvak-dev tap: no real keyboard to watch here (%s); give --script KEYS.json\n",
                     desktop.kind.c_str());
        return 1;
      }
      events = desktop.events;
    } catch (const platform::DesktopError& e) {
      std::fprintf(stderr, "orvak-dev tap: %s\n", e.what());
      return 1;
    }
  }
  auto tap = ModifierTap::make(events, ModifierTap::Choice::with(key));
  const double start = dispatch::monotonicSeconds();
  auto say = [&](const std::string& what) {
    std::printf("%7.3f %s\n", dispatch::monotonicSeconds() - start, what.c_str());
    std::fflush(stdout);
  };
  tap->onFirstPress = [&](double) { say("first press"); };
  tap->onDoubleTap = [&](double lag) {
    say("double tap (lag " + std::to_string(static_cast<long>(lag + 0.5)) + " ms)");
  };
  tap->onHoldStart = [&] { say("hold start"); };
  tap->onHoldEnd = [&](bool cancelled) { say(cancelled ? "hold end (cancelled)" : "hold end"); };
  std::printf("watching %s (%u)\n", tap->choice().name.c_str(), unsigned(tap->choice().keyCode));
  tap->start();
  if (!tap->isWatching()) {
    std::fprintf(stderr, "orvak-dev tap: the keyboard cannot be watched\n");
    return 1;
  }

  double end = start + seconds;
  if (simulated) {
    double last = 0;
    for (const Stroke& s : strokes) {
      s.down ? simulated->press(s.key, start + s.at) : simulated->release(s.key, start + s.at);
      last = std::max(last, s.at);
    }
    // Long enough after the last stroke for a hold to start.
    end = start + last + ModifierTap::kHoldSeconds + 0.2;
  } else {
    std::printf("for %g s\n", seconds);
  }
  dispatch::mainloop::runUntil([&] { return dispatch::monotonicSeconds() >= end; }, end - start + 5);
  tap->stop();
  dispatch::mainloop::drain();
  return 0;
}

}  // namespace orvak::dev

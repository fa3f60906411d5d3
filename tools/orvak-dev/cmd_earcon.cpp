#include <cstdio>
#include <fstream>
#include <string>

#include "app/audio/audio_graph.h"
#include "app/audio/earcon.h"
#include "core/base/dispatch.h"
#include "core/base/log.h"
#include "tools/orvak-dev/commands.h"

namespace orvak::dev {

// Plays a cue sound through the shared audio graph, or writes its WAV form.
int runEarcon(const Args& args) {
  const std::string name = args.empty() ? "" : args[0];
  Earcon::Kind kind{};
  if (name == "start") {
    kind = Earcon::Kind::start;
  } else if (name == "warn") {
    kind = Earcon::Kind::warn;
  } else if (name == "saved") {
    kind = Earcon::Kind::saved;
  } else {
    std::fprintf(stderr, "usage: orvak-dev earcon start|warn|saved [OUT.wav]\n");
    return 2;
  }
  const auto& pcm = Earcon::pcm(kind);
  const double seconds = static_cast<double>(pcm.size()) / 44100;
  if (args.size() > 1) {
    const auto bytes = Earcon::wav(pcm);
    std::ofstream out(args[1], std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!out) {
      std::fprintf(stderr, "orvak-dev earcon: cannot write %s\n", args[1].c_str());
      return 1;
    }
    std::printf("wrote %s: %zu samples (%.3f s) at 44100 Hz\n", args[1].c_str(), pcm.size(), seconds);
    return 0;
  }
  auto& graph = AudioGraph::shared();
  graph.ensure(24000);
  if (!graph.engine().isRunning()) {
    // What the application does too: the sound on its own player.
    auto& sound = Earcon::sound(kind);
    sound.stop();
    sound.play();
    sound.wait();
    Log::flush();
    std::printf("played %s without the audio engine (it did not start)\n", name.c_str());
    return 0;
  }
  bool done = false;
  graph.queueClip(Earcon::samples(kind), [&] { done = true; });
  const bool heard = dispatch::mainloop::runUntil([&] { return done; }, seconds + 5);
  const std::string device = graph.engine().deviceName();
  graph.forceRebuild();
  Log::flush();
  if (!heard) {
    std::fprintf(stderr, "orvak-dev earcon: the clip was not played back in time\n");
    return 1;
  }
  std::printf("played %s: %zu samples (%.3f s) on the %s device\n", name.c_str(), pcm.size(), seconds, device.c_str());
  return 0;
}

}  // namespace orvak::dev

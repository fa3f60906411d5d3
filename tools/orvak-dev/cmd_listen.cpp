// orvak-dev listen FILE.wav [--ptt] | --mic [--seconds N]: the microphone listener. With a file it
// runs on the simulated input in virtual time (half a second of silence, the file, two seconds of
// silence) and prints each event; with --mic it listens live for N seconds (default 10) with echo
// cancellation against the audio graph's output.
#include <cstdio>
#include <memory>

#include "app/audio/audio_graph.h"
#include "app/audio/resampler.h"
#include "app/voice/listener.h"
#include "core/base/dispatch.h"
#include "core/base/log.h"
#include "platform/audio_file.h"
#include "platform/sim/sim_audio_input.h"
#include "tools/orvak-dev/commands.h"
#include "tools/orvak-dev/options.h"

namespace orvak::dev {

namespace {

constexpr double kSimRate = 48000;

void print(const Listener::Event& e, std::uint64_t originNs, float level, float floor) {
  const double at = static_cast<double>(e.hostNs - std::min(e.hostNs, originNs)) / 1e9;
  switch (e.kind) {
    case Listener::Event::Kind::onset:
      std::printf("%8.3f s  onset     level %6.1f dB  floor %6.1f dB\n", at, e.db, e.floor);
      break;
    case Listener::Event::Kind::end:
      std::printf("%8.3f s  end       speech %.0f ms  level %6.1f dB  floor %6.1f dB\n", at, e.speechMs, level, floor);
      break;
    case Listener::Event::Kind::tooShort:
      std::printf("%8.3f s  tooShort  speech %.0f ms  level %6.1f dB  floor %6.1f dB\n", at, e.speechMs, level, floor);
      break;
  }
  std::fflush(stdout);
}

int listenToFile(const std::string& path, bool ptt) {
  platform::AudioClip clip;
  try {
    clip = platform::readAudioFile(path);
  } catch (const platform::AudioFileError& e) {
    std::fprintf(stderr, "orvak-dev listen: %s\n", e.what());
    return 1;
  }
  dispatch::VirtualTime vt;
  auto input = std::make_unique<platform::SimAudioInput>(kSimRate);
  auto* sim = input.get();
  auto listener = Listener::make({std::move(input), nullptr, {}, [](const std::string& line) {
                                    std::printf("log: %s\n", line.c_str());
                                  }});
  const std::uint64_t origin = dispatch::monotonicNanos();
  std::size_t audioFrames = 0;
  listener->onEvent = [&](const Listener::Event& e) { print(e, origin, listener->lastDb(), listener->floorDb()); };
  listener->onAudio = [&](const audio::PcmBuffer& b) { audioFrames += b.frameLength(); };
  if (auto error = listener->start()) {
    std::fprintf(stderr, "orvak-dev listen: %s\n", error->c_str());
    return 1;
  }
  listener->setArmed(true);
  listener->setVadEnabled(!ptt);
  if (ptt) listener->beginPTT();
  vt.advance(0.5);
  sim->play(audio::Resampler::convert(clip.samples, clip.sampleRate, kSimRate));
  vt.advance(clip.seconds() + 2);
  if (ptt) listener->endPTT();
  vt.drain();
  std::printf("%d frames measured; %.3f s of audio handed over%s\n", listener->framesSeen(),
              static_cast<double>(audioFrames) / kSimRate, ptt ? " (push-to-talk)" : "");
  return 0;
}

int listenLive(double seconds) {
  auto listener = Listener::make({platform::makePulseAudioInput("Orvak"), AudioGraph::shared().shared_from_this(), {}, {}});
  const std::uint64_t origin = dispatch::monotonicNanos();
  listener->onEvent = [&](const Listener::Event& e) { print(e, origin, listener->lastDb(), listener->floorDb()); };
  if (auto error = listener->start()) {
    Log::flush();
    std::fprintf(stderr, "orvak-dev listen: %s\n", error->c_str());
    return 1;
  }
  listener->setArmed(true);
  listener->setVadEnabled(true);
  std::printf("listening for %.0f s on the default source (output: %s)\n", seconds, Listener::outputDeviceName().c_str());
  dispatch::mainloop::runUntil([] { return false; }, seconds);
  std::printf("%d frames measured, last level %.1f dB, echo cancellation %s\n", listener->framesSeen(),
              listener->lastDb(), listener->voiceProcessing() ? "on" : "off");
  Log::flush();
  return 0;
}

}  // namespace

int runListen(const Args& args) {
  try {
    const bool mic = std::find(args.begin(), args.end(), "--mic") != args.end();
    const Options options(args, {"--seconds"}, {"--ptt", "--mic"}, mic ? 0 : 1);
    if (mic) return listenLive(options.number("--seconds").value_or(10));
    return listenToFile(options.plain()[0], options.flag("--ptt"));
  } catch (const UsageError& e) {
    std::fprintf(stderr, "orvak-dev listen: %s\nusage: orvak-dev listen FILE.wav [--ptt] | --mic [--seconds N]\n", e.what());
    return 2;
  }
}

}  // namespace orvak::dev

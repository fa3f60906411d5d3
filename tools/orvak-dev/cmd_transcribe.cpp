// orvak-dev transcribe FILE.wav: recognises a recorded utterance on this computer, feeding it in
// 10 ms buffers as the microphone would; prints the partial results as they come, the final text
// and how long recognition took after the audio ended.
#include <cstdio>

#include "app/voice/transcriber.h"
#include "core/base/dispatch.h"
#include "platform/audio_file.h"
#include "tools/orvak-dev/commands.h"
#include "tools/orvak-dev/options.h"

namespace orvak::dev {

int runTranscribe(const Args& args) {
  std::string path;
  try {
    const Options options(args, {}, {}, 1);
    path = options.plain()[0];
  } catch (const UsageError& e) {
    std::fprintf(stderr, "orvak-dev transcribe: %s\nusage: orvak-dev transcribe FILE.wav\n", e.what());
    return 2;
  }
  platform::AudioClip clip;
  try {
    clip = platform::readAudioFile(path);
  } catch (const platform::AudioFileError& e) {
    std::fprintf(stderr, "orvak-dev transcribe: %s\n", e.what());
    return 1;
  }
  auto transcriber = Transcriber::make();
  if (auto error = transcriber->prepare()) {
    std::fprintf(stderr, "orvak-dev transcribe: %s\n", error->c_str());
    return 1;
  }
  std::printf("model ready in %.0f ms\n", transcriber->prepareMs().value_or(0));
  auto session = transcriber->begin();
  const auto chunk = static_cast<std::size_t>(clip.sampleRate / 100);
  std::string shown;
  for (std::size_t at = 0; at < clip.samples.size(); at += chunk) {
    const std::size_t n = std::min(chunk, clip.samples.size() - at);
    transcriber->feed(*session, {audio::AudioFormat::mono(clip.sampleRate),
                                 std::vector<float>(clip.samples.begin() + static_cast<std::ptrdiff_t>(at),
                                                    clip.samples.begin() + static_cast<std::ptrdiff_t>(at + n))});
    if (const auto live = session->liveText(); live != shown && !live.empty()) {
      shown = live;
      std::printf("partial: %s\n", live.c_str());
    }
  }
  const std::uint64_t ended = dispatch::monotonicNanos();
  std::optional<std::string> text;
  transcriber->finish(session, [&](std::string t) { text = std::move(t); });
  if (!dispatch::mainloop::runUntil([&] { return text.has_value(); }, 60)) {
    std::fprintf(stderr, "orvak-dev transcribe: no result within a minute\n");
    return 1;
  }
  std::printf("final: %s\n", text->c_str());
  std::printf("recognised %.2f s of audio; %.0f ms after its end\n", clip.seconds(),
              static_cast<double>(dispatch::monotonicNanos() - ended) / 1e6);
  return 0;
}

}  // namespace orvak::dev

#include <atomic>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "app/account/account.h"
#include "app/audio/audio_graph.h"
#include "app/audio/sample_decoder.h"
#include "app/audio/sample_player.h"
#include "app/voice_catalog/account_voice_source.h"
#include "app/voice_catalog/voice_catalog.h"
#include "core/base/dispatch.h"
#include "core/base/log.h"
#include "speech/keys.h"
#include "speech/on_device_engine.h"
#include "tools/orvak-dev/commands.h"
#include "tools/orvak-dev/options.h"

namespace orvak::dev {
namespace {

int onDeviceVoices() {
  const auto voices = OnDeviceEngine::voices();
  if (voices.empty()) {
    std::fprintf(stderr, "no on-device voices: is espeak-ng-data installed?\n");
    return 1;
  }
  for (const auto& v : voices) std::printf("%-28s %s\n", v.id.c_str(), v.name.c_str());
  return 0;
}

std::string joined(const std::vector<std::string>& parts) {
  std::string out;
  for (const auto& p : parts) out += (out.empty() ? "" : ",") + p;
  return out;
}

void printList(const VoiceCatalog::List& list) {
  std::printf("default voice: %s\n", list.defaultVoice.c_str());
  for (const auto& v : list.voices) {
    std::printf("%-20s %-20s %-8s %-12s %s\n", v.id.c_str(), v.name.c_str(), v.gender.c_str(),
                v.accent.empty() ? "-" : v.accent.c_str(), joined(v.languages).c_str());
  }
}

// Passes the requests on and tells when the list's answer came, whatever it was.
class WatchedSource final : public VoiceSource {
 public:
  explicit WatchedSource(VoiceSource& inner) : inner_(inner) {}
  void voices(ListReply reply) override {
    inner_.voices([this, reply = std::move(reply)](std::optional<VoiceCatalogList> list) {
      fetched = list.has_value();
      answered = true;
      reply(std::move(list));
    });
  }
  void voiceSample(const std::string& id, SampleReply reply) override { inner_.voiceSample(id, std::move(reply)); }
  std::atomic<bool> answered{false};
  std::atomic<bool> fetched{false};

 private:
  VoiceSource& inner_;
};

int naturalVoices() {
  auto& catalog = VoiceCatalog::shared();
  if (catalog.list()) {
    std::printf("cached in %s:\n", catalog.cacheFile().c_str());
    printList(*catalog.list());
  } else {
    std::printf("no cached list in %s\n", catalog.cacheFile().c_str());
  }
  if (!Keys::get("account")) {
    std::printf("no account token stored: nothing fetched\n");
    return 0;
  }
  const auto account = Account::make();
  AccountVoiceSource service(*account);
  WatchedSource source(service);
  bool changed = false;
  catalog.onChange = [&] { changed = true; };
  catalog.load(source);
  constexpr double kWait = AccountVoiceSource::kListBounds.deadline + 5;
  dispatch::mainloop::runUntil([&] { return source.answered.load(); }, kWait);
  if (!source.fetched) {
    std::printf("the service gave no list from %s\n", Account::base().c_str());
    return 1;
  }
  dispatch::mainloop::runUntil([&] { return changed; }, 5);
  std::printf("fetched from %s:\n", Account::base().c_str());
  printList(*catalog.list());
  return 0;
}

// Plays decoded samples through the shared graph's sample player and waits until heard.
bool playHeard(std::vector<float> samples, double seconds) {
  audio::SamplePlayer player(AudioGraph::shared());
  bool heard = false;
  if (!player.play(std::move(samples), [&] { heard = true; })) return false;
  const bool ok = dispatch::mainloop::runUntil([&] { return heard; }, seconds + 5);
  AudioGraph::shared().forceRebuild();
  return ok;
}

int playFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    std::fprintf(stderr, "orvak-dev voices: cannot read %s\n", path.c_str());
    return 1;
  }
  const std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  auto decoded = audio::decodeSample(bytes);
  if (!decoded) {
    std::fprintf(stderr, "orvak-dev voices: %s is not audio this player reads\n", path.c_str());
    return 1;
  }
  const double seconds = decoded->seconds();
  std::printf("%s: %s, %d Hz, %d ch -> %zu samples at 44100 Hz mono (%.3f s)\n", path.c_str(),
              decoded->formatName.c_str(), decoded->sourceRate, decoded->sourceChannels, decoded->samples.size(),
              seconds);
  std::fflush(stdout);
  const bool ok = playHeard(std::move(decoded->samples), seconds);
  std::printf("%s on %s\n", ok ? "played" : "not played", AudioGraph::shared().engine().deviceName().c_str());
  Log::flush();
  return ok ? 0 : 1;
}

int playVoiceSample(const std::string& id) {
  auto& catalog = VoiceCatalog::shared();
  const auto account = Account::make();
  AccountVoiceSource source(*account);
  bool started = false;
  catalog.onChange = [&] { started = started || catalog.playing() == id; };
  catalog.preview(id, source);
  dispatch::mainloop::runUntil([&] { return !catalog.loadingPreview(); }, AccountVoiceSource::kSampleBounds.deadline + 5);
  if (!started) {
    std::fprintf(stderr, "orvak-dev voices: no playable sample for \"%s\" from %s\n", id.c_str(),
                 Account::base().c_str());
    return 1;
  }
  std::printf("playing the sample of \"%s\"\n", id.c_str());
  std::fflush(stdout);
  dispatch::mainloop::runUntil([&] { return !catalog.playing(); }, audio::kMaxSampleSeconds + 5);
  std::printf("played on %s\n", AudioGraph::shared().engine().deviceName().c_str());
  AudioGraph::shared().forceRebuild();
  Log::flush();
  return 0;
}

}  // namespace

int runVoices(const Args& args) {
  const Options o(args, {"--play", "--sample"}, {"--natural"}, 0);
  if (auto file = o.value("--play")) return playFile(*file);
  if (auto id = o.value("--sample")) return playVoiceSample(*id);
  if (o.flag("--natural")) return naturalVoices();
  return onDeviceVoices();
}

}  // namespace orvak::dev

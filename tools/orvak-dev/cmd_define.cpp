#include <cstdio>
#include <memory>
#include <string>

#include "app/audio/audio_graph.h"
#include "app/prefs.h"
#include "app/voice/definer.h"
#include "core/base/dispatch.h"
#include "core/base/log.h"
#include "core/page/definition.h"
#include "platform/dictionary.h"
#include "speech/on_device_engine.h"
#include "tools/orvak-dev/commands.h"
#include "tools/orvak-dev/options.h"

namespace orvak::dev {

// Looks a word up as the "define …" command does, prints the sentence and speaks it through the
// definer on the on-device voice.
int runDefine(const Args& args) {
  std::optional<Options> opts;
  try {
    opts.emplace(args, std::initializer_list<std::string_view>{"--dict"},
                 std::initializer_list<std::string_view>{"--quiet"});
  } catch (const UsageError&) {
    std::fprintf(stderr, "usage: orvak-dev define WORD [--dict DIR] [--quiet]\n");
    return 2;
  }
  const std::string word = opts->plain()[0];
  auto dict = platform::makeDictdDictionary(opts->value("--dict").value_or("/usr/share/dictd"));
  const auto entry = dict->entry(word);
  const auto spoken = entry ? Definition::spoken(word, *entry) : std::nullopt;
  if (!spoken) {
    std::printf("No dictionary entry for “%s”\n", word.c_str());
    Log::flush();
    return 1;
  }
  std::printf("%s\n", spoken->c_str());
  if (opts->flag("--quiet")) return 0;

  auto definer = Definer::make();
  const std::uint64_t t0 = dispatch::monotonicNanos();
  bool done = false;
  definer->say(*spoken, OnDeviceEngine::make(Prefs::shared().onDeviceVoice()), Prefs::shared().pronunciations(),
               [&] { done = true; });
  const bool finished = dispatch::mainloop::runUntil([&] { return done; }, 60);
  const std::string device = AudioGraph::shared().engine().deviceName();
  AudioGraph::shared().forceRebuild();
  Log::flush();
  if (!finished) {
    std::fprintf(stderr, "orvak-dev define: the definition was not heard within 60 s\n");
    return 1;
  }
  const auto first = definer->firstSoundAt();
  std::printf("spoken on the %s device: first sound after %.0f ms, done after %.0f ms\n", device.c_str(),
              first ? static_cast<double>(*first - t0) / 1e6 : 0.0,
              static_cast<double>(dispatch::monotonicNanos() - t0) / 1e6);
  return 0;
}

}  // namespace orvak::dev

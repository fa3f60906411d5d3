// A very large page handed to a player: how long from speak() until the engine has the first
// sentence, and from stop() until the read has ended. The engine only records what it is sent;
// the graph plays on the null device, muted. Counters (means over the iterations): `call_ms`, the
// speak() call itself on the caller's thread; `stop_ms`, from stop() to the end of the read.
//
// Measured on the shared 8-core machine (RelWithDebInfo, under load), first sentence:
//   the whole page split before the first send: 10 MB 4,900 ms, 60 MB 37,900 ms; the process
//     peaked at 2.6 GB
//   a stretch split per queue turn, the text cut at 2 MiB and only that much copied: 10 MB 57-87 ms,
//     60 MB 34-37 ms (stop 7-21 ms); the process peaked at 96 MB, both pages included
#include <benchmark/benchmark.h>

#include <atomic>
#include <memory>
#include <string>

#include "app/audio/audio_graph.h"
#include "app/player/player.h"
#include "core/base/dispatch.h"
#include "platform/audio_device.h"
#include "speech/engine.h"

namespace {

using namespace orvak;

// Remembers when the first sentence arrived; everything else is dropped.
class FirstSendEngine final : public SpeechEngine {
 public:
  Vendor vendor() const override { return Vendor::onDevice; }
  std::string label() const override { return "bench"; }
  std::string model() const override { return "bench"; }
  std::string voice() const override { return "bench"; }
  double sampleRate() const override { return 24000; }
  void prepare() override { firstSendAt = 0; }
  void send(const std::string&, int, bool) override {
    std::uint64_t none = 0;
    firstSendAt.compare_exchange_strong(none, dispatch::monotonicNanos());
  }
  void cancel() override {}

  std::atomic<std::uint64_t> firstSendAt{0};
};

// Paragraphs of ordinary prose, with abbreviations, numbers and quotes, up to `bytes`.
std::string page(std::size_t bytes) {
  const std::string paragraph =
      "The survey of the northern valley began in March, when Dr. Ellis and her team of six arrived with "
      "the instruments. They measured 3.5 km of the river bank in the first week. \"It was slow work,\" "
      "she wrote, \"but the data were better than we hoped.\" By the end of the month the maps were done; "
      "the report followed in May, e.g. the chapter on floods, and the U.S. office asked for copies.\n";
  std::string text;
  text.reserve(bytes + paragraph.size());
  while (text.size() < bytes) text += paragraph;
  return text;
}

void BM_BigPageFirstSentence(benchmark::State& state) {
  const std::string text = page(static_cast<std::size_t>(state.range(0)) << 20);
  auto graph = AudioGraph::make(platform::makeNullAudioDevice(), [](const std::string&) {});
  auto engine = std::make_shared<FirstSendEngine>();
  double stopMs = 0;
  double callMs = 0;
  int n = 0;
  for (auto _ : state) {
    ReadOptions opts;
    opts.mute = true;
    auto setup = Player::forRead(Vendor::onDevice, engine, "bench", dispatch::monotonicNanos(), 0, opts);
    setup.graph = graph;
    auto player = Player::make(std::move(setup));
    std::atomic<bool> ended = false;
    player->onEnd = [&](const ReadTiming&) { ended = true; };
    player->begin();
    const auto start = dispatch::monotonicNanos();
    player->speak(text, nullptr, 0, "top");
    callMs += static_cast<double>(dispatch::monotonicNanos() - start) / 1e6;
    if (!dispatch::mainloop::runUntil([&] { return engine->firstSendAt.load() != 0; }, 120)) {
      state.SkipWithError("no sentence was sent within 120 s");
      break;
    }
    state.SetIterationTime(static_cast<double>(engine->firstSendAt.load() - start) / 1e9);
    const auto stopAt = dispatch::monotonicNanos();
    player->stop("user");
    dispatch::mainloop::runUntil([&] { return ended.load(); }, 120);
    stopMs += static_cast<double>(dispatch::monotonicNanos() - stopAt) / 1e6;
    n += 1;
  }
  if (n > 0) state.counters["stop_ms"] = stopMs / n;
  if (n > 0) state.counters["call_ms"] = callMs / n;
  graph->forceRebuild();
}
BENCHMARK(BM_BigPageFirstSentence)
    ->Arg(10)
    ->Arg(60)
    ->ArgName("MB")
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);

}  // namespace

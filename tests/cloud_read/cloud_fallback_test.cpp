// Whole reads on the real cloud engines, pointed at the local vendor servers: a key the vendor
// rejects before any audio hands the read to the on-device voice exactly once; a failure after
// audio has played ends the read as an error instead.
//
// The network side is real I/O on loopback, so these run in real time: every wait is bounded and
// ends as soon as the awaited event arrives on the main queue.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "app/read_harness.h"
#include "core/base/base64.h"
#include "core/base/dispatch.h"
#include "platform/defaults.h"
#include "platform/sim/capture_audio_device.h"
#include "speech/cartesia_engine.h"
#include "speech/engine_factory.h"
#include "speech/inworld_engine.h"
#include "speech/keys.h"
#include "tests/app/scripted_engine.h"
#include "tests/support/temp_home.h"
#include "tests/vendor_servers/fake_vendors.h"
#include "tests/vendor_servers/memory_keychain.h"

namespace orvak {
namespace {

using test::HttpReply;
using test::HttpRequest;
using test::Step;
using testing::ScriptedEngine;

// Generous enough for a loaded machine; only a failing test waits this long.
constexpr double kWaitSec = 15;

const std::string kText = "First one here. Second one there. Third one everywhere. Fourth and last.";
constexpr int kFrom = 16;   // "Second one there."
constexpr int kUntil = 55;  // up to the end of "Third one everywhere."

struct CloudReadTest : ::testing::Test {
  void SetUp() override {
    test::useMemoryKeychain({{"inworld", "iw-test-key-1"}, {"cartesia", "ca-test-key-1"}});
    setenv(InworldEngine::kBaseEnv, http.base().c_str(), 1);
    setenv(CartesiaEngine::kBaseEnv, ws.base().c_str(), 1);
    InworldEngine::setProxy(std::nullopt);
    http.setHandler([this](const HttpRequest& r) {
      std::lock_guard lock(mutex);
      return r.method == "GET" ? warmUpReply : sentenceReply(r.json().value("text", ""));
    });

    graph = AudioGraph::make(std::make_unique<platform::CaptureAudioDevice>(tape), [](const std::string&) {});
    harness = ReadHarness::make(
        prefs,
        [this](Vendor v) -> std::shared_ptr<SpeechEngine> {
          if (v == Vendor::onDevice) return onDevice;
          auto& e = cloud[static_cast<std::size_t>(v)];
          if (!e) e = EngineFactory::make(v, EngineConfig{});
          return e;
        },
        graph);
    harness->onFirstAudio = [this](const std::shared_ptr<Player>& p, const ReadTiming&) { heard.push_back(p); };
    harness->onEnd = [this](const std::shared_ptr<Player>& p, const ReadTiming& r) { ends.push_back({p, r}); };
    harness->onFallback = [this](const std::shared_ptr<Player>& failed, const std::shared_ptr<Player>& next) {
      fallbacks.push_back({failed, next});
    };
  }
  void TearDown() override {
    unsetenv(InworldEngine::kBaseEnv);
    unsetenv(CartesiaEngine::kBaseEnv);
    Keys::useKeychain(nullptr);
  }

  std::shared_ptr<Player> startRead(Vendor vendor) {
    ReadOptions opts;
    opts.earcon = true;
    auto p = harness->startPlayer(vendor, "hotkey", dispatch::monotonicNanos(), 12.5, opts);
    p->setSource({"Firefox", "Rivers", std::string("https://example.org/rivers")});
    p->setReadKey(std::string("key-1"));
    p->setStartSnippet("Second one");
    auto capture = std::make_shared<Capture>();
    capture->appName = "Firefox";
    capture->clean.regionStrategy = "article";
    p->speak(kText, capture, kFrom, "viewport", kUntil);
    return p;
  }

  // Runs the main queue until `done` holds; false when the bound passed first.
  static bool waitUntil(const std::function<bool()>& done) { return dispatch::mainloop::runUntil(done, kWaitSec); }

  std::optional<ReadTiming> recordOf(const std::shared_ptr<Player>& p) const {
    for (const auto& [player, rec] : ends) {
      if (player == p) return rec;
    }
    return std::nullopt;
  }

  // The failed read was handed over once, to a read of the same stretch on the on-device voice.
  void expectFallbackFrom(const std::shared_ptr<Player>& failed, const std::string& vendor, const std::string& error) {
    ASSERT_TRUE(waitUntil([&] { return !fallbacks.empty() && recordOf(failed); }));
    auto next = fallbacks[0].second;
    EXPECT_EQ(fallbacks[0].first, failed);
    EXPECT_EQ(harness->current(), next);
    EXPECT_EQ(next->engine(), onDevice);
    EXPECT_EQ(next->replaces(), failed);
    EXPECT_FALSE(next->opts().earcon);
    EXPECT_EQ(next->source(), failed->source());
    EXPECT_EQ(next->readKey(), "key-1");
    ASSERT_TRUE(next->spoken());
    EXPECT_EQ(next->spoken()->text, kText);
    EXPECT_EQ(next->spoken()->from, kFrom);
    EXPECT_EQ(next->spokenUntil(), kUntil);

    const ReadTiming failedRec = *recordOf(failed);
    EXPECT_EQ(failedRec.engine, vendor);
    EXPECT_EQ(failedRec.endedBy, "fallback");
    EXPECT_EQ(failedRec.errors, std::vector<std::string>{error});
    EXPECT_FALSE(failedRec.fallbackFrom);

    next->stop("test");
    ASSERT_TRUE(waitUntil([&] { return recordOf(next).has_value(); }));
    const ReadTiming rec = *recordOf(next);
    EXPECT_EQ(rec.engine, "apple");
    EXPECT_EQ(rec.fallbackFrom, vendor);
    EXPECT_EQ(rec.startReason, "fallback");
    EXPECT_EQ(rec.startChar, kFrom);
    // The on-device voice was sent the same stretch: the second and third sentences, no more.
    ASSERT_EQ(onDevice->sent.size(), 2u);
    EXPECT_EQ(onDevice->sent[0].text, "Second one there.");
    EXPECT_EQ(onDevice->sent[1].text, "Third one everywhere.");
    EXPECT_TRUE(onDevice->sent[1].last);
    EXPECT_EQ(fallbacks.size(), 1u);
    EXPECT_EQ(ends.size(), 2u);
  }

  // The read already playing ends as an error once its audio has played out: nothing falls back.
  void expectErrorWithoutFallback(const std::shared_ptr<Player>& playing, const std::string& error) {
    ASSERT_TRUE(waitUntil([&] { return recordOf(playing).has_value(); }));
    const ReadTiming rec = *recordOf(playing);
    EXPECT_EQ(rec.endedBy, "error");
    EXPECT_EQ(rec.errors, std::vector<std::string>{error});
    EXPECT_GT(rec.playedAudioSec.value_or(0), 0.0);
    EXPECT_TRUE(fallbacks.empty());
    EXPECT_TRUE(onDevice->sent.empty());
    EXPECT_EQ(harness->current(), playing);
  }

  test::FakeHttpServer http;
  test::FakeWebSocketServer ws;
  std::mutex mutex;  // the scripts below are read on the server's thread
  HttpReply warmUpReply{200, {Step::send(R"({"voices":[]})")}};
  std::function<HttpReply(const std::string& text)> sentenceReply = [](const std::string&) {
    return HttpReply{200, {Step::hang()}};
  };

  std::shared_ptr<platform::AudioTape> tape = std::make_shared<platform::AudioTape>();
  std::shared_ptr<AudioGraph> graph;
  Prefs prefs{std::make_shared<platform::Defaults>(test::freshDir("prefs") / "defaults.json")};
  std::shared_ptr<ScriptedEngine> onDevice = std::make_shared<ScriptedEngine>(Vendor::onDevice, 22050);
  std::shared_ptr<SpeechEngine> cloud[3];
  std::shared_ptr<ReadHarness> harness;
  // Main queue only.
  std::vector<std::shared_ptr<Player>> heard;
  std::vector<std::pair<std::shared_ptr<Player>, ReadTiming>> ends;
  std::vector<std::pair<std::shared_ptr<Player>, std::shared_ptr<Player>>> fallbacks;
};

TEST_F(CloudReadTest, InworldRejectingTheKeyBeforeAudioFallsBackOnDeviceOnce) {
  {
    // A bad key is refused everywhere: the warm-up and both sentences in flight.
    std::lock_guard lock(mutex);
    warmUpReply = HttpReply{401, {Step::send(R"({"error":"bad key"})")}};
    sentenceReply = [](const std::string&) { return HttpReply{401, {Step::send(R"({"error":"bad key"})")}}; };
  }
  auto failed = startRead(Vendor::inworld);
  expectFallbackFrom(failed, "inworld", R"(inworld: API key rejected (HTTP 401): {"error":"bad key"})");
  const auto posts = http.requests();
  ASSERT_FALSE(posts.empty());
  EXPECT_EQ(posts.back().header("authorization"), "Basic iw-test-key-1");
}

TEST_F(CloudReadTest, CartesiaRefusingTheHandshakeBeforeAudioFallsBackOnDeviceOnce) {
  ws.refuseWith(401);
  auto failed = startRead(Vendor::cartesia);
  expectFallbackFrom(failed, "cartesia", "cartesia: API key rejected (HTTP 401)");
  ASSERT_FALSE(ws.handshakes().empty());
  EXPECT_EQ(ws.handshakes()[0].headers["x-api-key"], "ca-test-key-1");
}

TEST_F(CloudReadTest, InworldFailingAfterAudioPlayedEndsTheReadWithoutFallback) {
  {
    std::lock_guard lock(mutex);
    sentenceReply = [](const std::string& text) {
      if (text != "Second one there.") return HttpReply{200, {Step::hang()}};
      return HttpReply{200,
                       {Step::send(test::inworldLine(9600, 3000, {"Second", "one", "there."}, {0, 0.1, 0.2},
                                                     {0.1, 0.2, 0.4})),
                        Step::waitFor("fail"), Step::send(R"({"error":{"message":"voice overloaded"}})")}};
    };
  }
  auto playing = startRead(Vendor::inworld);
  ASSERT_TRUE(waitUntil([&] { return !heard.empty(); }));
  EXPECT_EQ(heard[0], playing);
  http.open("fail");
  expectErrorWithoutFallback(playing, "inworld: voice overloaded");
}

TEST_F(CloudReadTest, CartesiaFailingAfterAudioPlayedEndsTheReadWithoutFallback) {
  ws.setAutoReply(false);
  auto playing = startRead(Vendor::cartesia);
  ASSERT_TRUE(ws.waitForMessages(1, kWaitSec));
  const std::string ctx = ws.messages()[0].value("context_id", "");
  ws.sendText(json::dump(json::Json{{"type", "chunk"},
                                    {"context_id", ctx},
                                    {"data", test::toBase64(test::float32LE(std::vector<float>(9600, 0.1f)))},
                                    {"done", false}}));
  ASSERT_TRUE(waitUntil([&] { return !heard.empty(); }));
  EXPECT_EQ(heard[0], playing);
  ws.sendText(json::dump(json::Json{{"type", "error"}, {"context_id", ctx}, {"title", "Overloaded"}, {"message", "try later"}}));
  expectErrorWithoutFallback(playing, "cartesia: Overloaded try later");
}

}  // namespace
}  // namespace orvak

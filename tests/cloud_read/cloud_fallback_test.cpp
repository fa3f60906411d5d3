// Whole reads through the controller on the real cloud engines, pointed at the local vendor
// servers: a key the vendor rejects before any audio hands the read to the on-device voice exactly
// once; a failure after audio has played ends the read as an error instead.
//
// The network side is real I/O on loopback, so these run in real time: every wait is bounded and
// ends as soon as the awaited event arrives on the main queue.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "app/controller/app_controller.h"
#include "app/pill/pill_doubles.h"
#include "core/base/base64.h"
#include "core/base/dispatch.h"
#include "core/base/json.h"
#include "platform/defaults.h"
#include "platform/sim/capture_audio_device.h"
#include "platform/sim/sim_desktop.h"
#include "platform/sim/sim_events.h"
#include "platform/sim/sim_microphone.h"
#include "platform/sim/sim_session.h"
#include "platform/sim/sim_workspace.h"
#include "speech/cartesia_engine.h"
#include "speech/engine_factory.h"
#include "speech/inworld_engine.h"
#include "speech/keys.h"
#include "tests/app/controller/selected_page.h"
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

constexpr int kFrom = 16;   // "Second one there."
constexpr int kUntil = 55;  // up to the end of "Third one everywhere."

// The service as a signed-out user reaches it: nothing to refresh, every question refused.
class SignedOutAccount final : public AccountClient {
 public:
  void refresh() override {}
  std::optional<std::uint64_t> lastRefresh() const override { return std::nullopt; }
  void handle(const std::string&) override {}
  account::Exchange askStream(const account::AskQuestion&, std::function<void(const std::string&)>,
                              std::function<void(account::Result<account::AskReply>)> done) override {
    dispatch::main().async([done] { done(account::Fail::signedOut()); });
    return {};
  }
};

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

    const auto desktop = sim::SimDesktop::load("tests/fixtures/scenes/article.scene.json");
    AppServices s;
    s.ax = desktop;
    s.events = std::make_shared<sim::SimEvents>(desktop);
    s.workspace = std::make_shared<sim::SimWorkspace>(desktop);
    s.microphone = std::make_shared<sim::SimMicrophone>();
    s.network = std::make_shared<sim::SimNetwork>(true);
    s.session = std::make_shared<sim::SimSession>();
    s.notifications = std::make_shared<platform::NotificationCenter>();
    s.pillPanel = std::make_shared<RecordingPanel>();
    s.screens = std::make_shared<FixedScreens>();
    s.prefs = std::make_shared<Prefs>(std::make_shared<platform::Defaults>(test::freshDir("prefs") / "defaults.json"));
    s.prefs->setOnboardingDone(true);
    s.account = std::make_shared<SignedOutAccount>();
    s.graph = AudioGraph::make(std::make_unique<platform::CaptureAudioDevice>(tape), [](const std::string&) {});
    s.makeEngine = [this](Vendor v, const EngineConfig& config) -> std::shared_ptr<SpeechEngine> {
      if (v == Vendor::onDevice) return onDevice;
      return EngineFactory::make(v, config);
    };
    app = AppController::make(std::move(s));
    app->launch();
    dispatch::mainloop::drain();
    app->read().onReadEnd = [this](const ReadTiming& r) { ends.push_back(r); };
  }
  void TearDown() override {
    if (app && app->read().player()) app->read().player()->stop("test");
    waitUntil([this] { return !app || !app->read().player(); });
    unsetenv(InworldEngine::kBaseEnv);
    unsetenv(CartesiaEngine::kBaseEnv);
    Keys::useKeychain(nullptr);
  }

  // A hotkey read of the selected page on `vendor`'s voice.
  std::shared_ptr<Player> startRead(Vendor vendor) {
    ReadOptions opts;
    opts.earcon = true;
    app->trigger("hotkey", 12.5, opts, std::nullopt, vendor, test::selectedPage(*app));
    return app->read().player();
  }

  // Runs the main queue until `done` holds; false when the bound passed first.
  static bool waitUntil(const std::function<bool()>& done) { return dispatch::mainloop::runUntil(done, kWaitSec); }

  std::optional<ReadTiming> recordBy(const std::string& engine) const {
    for (const auto& rec : ends) {
      if (rec.engine == engine) return rec;
    }
    return std::nullopt;
  }

  // The failed read was handed over once, to a read of the same stretch on the on-device voice.
  void expectFallbackFrom(const std::shared_ptr<Player>& failed, const std::string& vendor, const std::string& error) {
    ASSERT_NE(failed, nullptr);
    // The failed read's end comes first and clears the current read; the hand-over follows.
    ASSERT_TRUE(waitUntil([&] { return app->read().player() && app->read().player() != failed && recordBy(vendor); }));
    auto next = app->read().player();
    ASSERT_NE(next, nullptr);
    EXPECT_EQ(next->engine(), onDevice);
    EXPECT_EQ(next->replaces(), failed);
    EXPECT_FALSE(next->opts().earcon);
    EXPECT_EQ(next->source(), failed->source());
    ASSERT_TRUE(failed->readKey());
    EXPECT_EQ(next->readKey(), failed->readKey());
    ASSERT_TRUE(next->spoken());
    EXPECT_EQ(next->spoken()->text, test::kSelectedPageText);
    EXPECT_EQ(next->spoken()->from, kFrom);
    EXPECT_EQ(next->spokenUntil(), kUntil);

    const ReadTiming failedRec = *recordBy(vendor);
    EXPECT_EQ(failedRec.endedBy, "fallback");
    EXPECT_EQ(failedRec.errors, std::vector<std::string>{error});
    EXPECT_FALSE(failedRec.fallbackFrom);

    next->stop("test");
    ASSERT_TRUE(waitUntil([&] { return recordBy("apple").has_value(); }));
    const ReadTiming rec = *recordBy("apple");
    EXPECT_EQ(rec.fallbackFrom, vendor);
    EXPECT_EQ(rec.startReason, "fallback");
    EXPECT_EQ(rec.startChar, kFrom);
    // The on-device voice was sent the same stretch: the second and third sentences, no more.
    ASSERT_EQ(onDevice->sent.size(), 2u);
    EXPECT_EQ(onDevice->sent[0].text, "Second one there.");
    EXPECT_EQ(onDevice->sent[1].text, "Third one everywhere.");
    EXPECT_TRUE(onDevice->sent[1].last);
    EXPECT_EQ(ends.size(), 2u) << "one failed read, one fallback";
  }

  // The read already playing ends as an error once its audio has played out: nothing falls back.
  void expectErrorWithoutFallback(const std::shared_ptr<Player>& playing, const std::string& error) {
    ASSERT_TRUE(waitUntil([&] { return !ends.empty(); }));
    const ReadTiming rec = ends[0];
    EXPECT_EQ(rec.endedBy, "error");
    EXPECT_EQ(rec.errors, std::vector<std::string>{error});
    EXPECT_GT(rec.playedAudioSec.value_or(0), 0.0);
    EXPECT_TRUE(onDevice->sent.empty());
    EXPECT_NE(app->read().player(), playing);
    EXPECT_EQ(app->read().player(), nullptr) << "nothing replaced it";
  }

  // Waits until `playing` has sounded.
  bool heard(const std::shared_ptr<Player>& playing) {
    return waitUntil([&] { return playing && playing->playingText().has_value(); });
  }

  test::FakeHttpServer http;
  test::FakeWebSocketServer ws;
  std::mutex mutex;  // the scripts below are read on the server's thread
  HttpReply warmUpReply{200, {Step::send(R"({"voices":[]})")}};
  std::function<HttpReply(const std::string& text)> sentenceReply = [](const std::string&) {
    return HttpReply{200, {Step::hang()}};
  };

  std::shared_ptr<platform::AudioTape> tape = std::make_shared<platform::AudioTape>();
  std::shared_ptr<ScriptedEngine> onDevice = std::make_shared<ScriptedEngine>(Vendor::onDevice, 22050);
  std::shared_ptr<AppController> app;
  // Main queue only.
  std::vector<ReadTiming> ends;
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
      return HttpReply{
          200,
          {Step::send(test::inworldLine(9600, 3000, {"Second", "one", "there."}, {0, 0.1, 0.2}, {0.1, 0.2, 0.4})),
           Step::waitFor("fail"), Step::send(R"({"error":{"message":"voice overloaded"}})")}};
    };
  }
  auto playing = startRead(Vendor::inworld);
  ASSERT_TRUE(heard(playing));
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
  ASSERT_TRUE(heard(playing));
  ws.sendText(json::dump(
      json::Json{{"type", "error"}, {"context_id", ctx}, {"title", "Overloaded"}, {"message", "try later"}}));
  expectErrorWithoutFallback(playing, "cartesia: Overloaded try later");
}

}  // namespace
}  // namespace orvak

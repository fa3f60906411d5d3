#include "core/base/json.h"
#include "speech/cartesia_engine.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include "core/base/dispatch.h"
#include "speech/net/net_thread.h"
#include "tests/vendor_servers/fake_vendors.h"
#include "tests/vendor_servers/memory_keychain.h"
#include "tests/speech/recording_sink.h"

using namespace orvak;
using test::SinkEvent;

namespace {

class CartesiaTest : public ::testing::Test {
 protected:
  void SetUp() override {
    test::useMemoryKeychain({{"cartesia", "ck-test-key-1"}});
    setenv(CartesiaEngine::kBaseEnv, server.base().c_str(), 1);
  }
  void TearDown() override {
    unsetenv(CartesiaEngine::kBaseEnv);
    Keys::useKeychain(nullptr);
  }
  std::shared_ptr<CartesiaEngine> engine(CartesiaOptions options = {}) {
    auto e = CartesiaEngine::make("sonic-3.6", "voice-1", "2026-08-14", options);
    e->setSink(sink);
    return e;
  }
  // Everything already handed to the engines' network thread has run.
  static void settle() { net::NetThread::shared().run([] {}); }

  static std::string chunk(const std::string& context, float value, std::size_t samples = 240) {
    json::Json j{{"type", "chunk"}, {"data", test::toBase64(test::float32LE(std::vector<float>(samples, value)))}};
    if (!context.empty()) j["context_id"] = context;
    return json::dump(j);
  }
  std::vector<float> firstSamples() const {
    std::vector<float> out;
    for (auto& e : sink->of(SinkEvent::audio)) out.push_back(e.samples.empty() ? -9.f : e.samples.front());
    return out;
  }

  test::FakeWebSocketServer server;
  std::shared_ptr<test::RecordingSink> sink = std::make_shared<test::RecordingSink>();
};

TEST_F(CartesiaTest, AThreeSentenceReadSentBeforeTheSocketOpensFlushesInOrderAndDeliversInOrder) {
  server.holdHandshakes(true);
  auto e = engine();
  e->prepare();
  e->send("One two.", 0, false);
  e->send("Three.", 1, false);
  e->send("Four \"five\" six.", 2, true);
  ASSERT_TRUE(server.waitForHandshakes(1));
  settle();  // the three sends wait in the engine before the socket opens
  server.open("handshake");
  ASSERT_TRUE(sink->waitFor(SinkEvent::finished));

  const auto hs = server.handshakes();
  ASSERT_EQ(hs.size(), 1u);
  EXPECT_EQ(hs[0].target, "/tts/websocket?cartesia_version=2026-08-14");
  EXPECT_EQ(hs[0].headers.at("x-api-key"), "ck-test-key-1");
  EXPECT_EQ(hs[0].headers.at("cartesia-version"), "2026-08-14");

  const auto msgs = server.messages();
  ASSERT_EQ(msgs.size(), 3u);
  const std::vector<std::string> transcripts{"One two. ", "Three. ", "Four \"five\" six."};
  for (std::size_t i = 0; i < 3; ++i) {
    EXPECT_EQ(msgs[i]["transcript"], transcripts[i]);
    EXPECT_EQ(msgs[i]["continue"], i < 2);
    EXPECT_EQ(msgs[i]["context_id"], msgs[0]["context_id"]);
    EXPECT_EQ(msgs[i]["model_id"], "sonic-3.6");
    EXPECT_EQ(msgs[i]["voice"], (json::Json{{"mode", "id"}, {"id", "voice-1"}}));
    EXPECT_EQ(msgs[i]["language"], "en");
    EXPECT_EQ(msgs[i]["output_format"],
              (json::Json{{"container", "raw"}, {"encoding", "pcm_f32le"}, {"sample_rate", 24000}}));
    EXPECT_EQ(msgs[i]["add_timestamps"], true);
    EXPECT_EQ(msgs[i]["max_buffer_delay_ms"], 0);
  }
  EXPECT_EQ(msgs[0]["context_id"].get<std::string>().size(), 36u);

  // connected, the three requests, then per sentence its chunk and its words, then done.
  std::vector<std::string> order;
  for (const auto& ev : sink->events()) {
    switch (ev.kind) {
      case SinkEvent::connected: order.push_back(ev.reused ? "reused" : "connected"); break;
      case SinkEvent::requestSent: order.push_back("sent " + std::to_string(*ev.sentence)); break;
      case SinkEvent::audio:
        EXPECT_EQ(ev.sentence, std::nullopt);
        EXPECT_EQ(ev.sampleRate, 24000);
        EXPECT_EQ(ev.samples.size(), 240u);
        order.push_back("audio " + std::to_string(std::lround(ev.samples.at(0) * 100)));
        break;
      case SinkEvent::words: {
        EXPECT_EQ(ev.sentence, std::nullopt);
        std::string w = "words";
        for (const auto& t : ev.timings) w += " " + t.word;
        order.push_back(w);
        break;
      }
      case SinkEvent::finished: order.push_back("finished"); break;
      case SinkEvent::error: order.push_back("error " + ev.message); break;
    }
  }
  EXPECT_EQ(order, (std::vector<std::string>{"connected", "sent 0", "sent 1", "sent 2", "audio 1", "words One two.",
                                             "audio 2", "words Three.", "audio 3", "words Four \"five\" six.",
                                             "finished"}));
}

TEST_F(CartesiaTest, SentencesSentWhileTheSocketOpensNeverOvertakeTheOnesThatWaited) {
  server.holdHandshakes(true);
  auto e = engine();
  e->prepare();
  for (int i = 0; i < 5; ++i) e->send("S" + std::to_string(i) + ".", i, false);
  ASSERT_TRUE(server.waitForHandshakes(1));
  settle();
  server.open("handshake");
  // These race the open event: each goes out either before the flush (as waiting) or after it.
  for (int i = 5; i < 10; ++i) e->send("S" + std::to_string(i) + ".", i, i == 9);
  ASSERT_TRUE(sink->waitFor(SinkEvent::finished));
  const auto msgs = server.messages();
  ASSERT_EQ(msgs.size(), 10u);
  std::vector<int> sent;
  for (auto& ev : sink->of(SinkEvent::requestSent)) sent.push_back(*ev.sentence);
  for (int i = 0; i < 10; ++i) {
    EXPECT_EQ(msgs[i]["transcript"], "S" + std::to_string(i) + "." + (i < 9 ? " " : ""));
    EXPECT_EQ(sent.at(i), i);
  }
}

TEST_F(CartesiaTest, ReusesAnOpenSocketFor240SecondsThenClosesItGoingAwayAndOpensANewOne) {
  dispatch::VirtualTime vt;
  auto e = engine();
  e->prepare();
  e->send("A.", 0, true);
  ASSERT_TRUE(sink->waitFor(SinkEvent::finished));
  EXPECT_FALSE(sink->of(SinkEvent::connected).at(0).reused);

  vt.advance(239);
  sink->clear();
  e->prepare();
  // Reported at once, from prepare itself: no handshake.
  ASSERT_EQ(sink->of(SinkEvent::connected).size(), 1u);
  EXPECT_TRUE(sink->of(SinkEvent::connected)[0].reused);
  e->send("B.", 0, true);
  ASSERT_TRUE(sink->waitFor(SinkEvent::finished));
  EXPECT_EQ(server.handshakes().size(), 1u);

  vt.advance(241);
  sink->clear();
  e->prepare();
  ASSERT_TRUE(sink->waitFor(SinkEvent::connected));
  EXPECT_FALSE(sink->of(SinkEvent::connected)[0].reused);
  EXPECT_EQ(server.handshakes().size(), 2u);
  ASSERT_TRUE(server.waitForCloses(1));
  EXPECT_EQ(server.closeCodes()[0], 1001);
  e->send("C.", 0, true);
  ASSERT_TRUE(sink->waitFor(SinkEvent::finished));
  EXPECT_TRUE(sink->errors().empty());
}

TEST_F(CartesiaTest, CancelSendsOneCancelForTheOldContextAndItsLateRepliesAreDropped) {
  server.setAutoReply(false);
  auto e = engine();
  e->prepare();
  ASSERT_TRUE(sink->waitFor(SinkEvent::connected));
  e->send("A.", 0, false);
  ASSERT_TRUE(server.waitForMessages(1));
  const std::string old = server.messages()[0]["context_id"];
  e->cancel();
  ASSERT_TRUE(server.waitForMessages(2));
  EXPECT_EQ(server.messages()[1], (json::Json{{"context_id", old}, {"cancel", true}}));

  // A late chunk of the abandoned context, then a new read on the same socket: the late chunk is
  // handled before the new read's replies, so by the new read's end it would have shown.
  server.sendText(chunk(old, 0.5f));
  server.setAutoReply(true);
  e->prepare();
  e->send("B.", 0, true);
  ASSERT_TRUE(sink->waitFor(SinkEvent::finished));
  EXPECT_EQ(firstSamples(), std::vector<float>{0.02f});
  EXPECT_EQ(server.messages().size(), 3u);
  EXPECT_NE(server.messages()[2]["context_id"], old);
  EXPECT_TRUE(sink->errors().empty());
}

TEST_F(CartesiaTest, CancelBeforeTheSocketOpensSendsNothingAndDropsWhatWaited) {
  server.holdHandshakes(true);
  auto e = engine();
  e->prepare();
  e->send("A.", 0, true);
  ASSERT_TRUE(server.waitForHandshakes(1));
  settle();
  e->cancel();
  server.open("handshake");
  ASSERT_TRUE(sink->waitFor(SinkEvent::connected));

  e->prepare();  // open and fresh: reused
  e->send("B.", 0, true);
  ASSERT_TRUE(sink->waitFor(SinkEvent::finished));
  const auto msgs = server.messages();
  ASSERT_EQ(msgs.size(), 1u) << "neither the dropped request nor a cancel went out";
  EXPECT_EQ(msgs[0]["transcript"], "B.");
}

TEST_F(CartesiaTest, ARefusedHandshakeNamesItsHttpStatus) {
  const std::vector<std::pair<int, std::string>> cases{
      {401, "cartesia: API key rejected (HTTP 401)"}, {403, "cartesia: API key rejected (HTTP 403)"},
      {402, "cartesia: account out of credits (HTTP 402)"}, {429, "cartesia: rate limited (HTTP 429)"},
      {503, "cartesia: vendor outage (HTTP 503)"}};
  auto e = engine();
  for (std::size_t i = 0; i < cases.size(); ++i) {
    server.refuseWith(cases[i].first);
    e->prepare();
    e->send("A.", 0, true);
    ASSERT_TRUE(sink->waitFor(SinkEvent::error, i + 1)) << cases[i].first;
    EXPECT_EQ(sink->errors().back(), cases[i].second);
  }
  // A status without a text of its own keeps the transport's words, and still names the status.
  server.refuseWith(404);
  e->prepare();
  ASSERT_TRUE(sink->waitFor(SinkEvent::error, cases.size() + 1));
  const std::string last = sink->errors().back();
  EXPECT_EQ(last.rfind("cartesia: ", 0), 0u) << last;
  EXPECT_NE(last.find(" (HTTP 404)"), std::string::npos) << last;
  EXPECT_EQ(last.find("QWebSocket"), std::string::npos) << last;

  // Each refusal was one error, and the socket is opened anew once the vendor accepts.
  server.refuseWith(std::nullopt);
  e->prepare();
  e->send("B.", 0, true);
  ASSERT_TRUE(sink->waitFor(SinkEvent::finished));
  EXPECT_EQ(sink->errors().size(), cases.size() + 1);
  EXPECT_TRUE(sink->of(SinkEvent::audio).size() == 1);
}

TEST_F(CartesiaTest, MalformedForeignAndUnknownRepliesAreSkippedAndAnErrorReplyIsOneSentence) {
  server.setAutoReply(false);
  auto e = engine();
  e->prepare();
  ASSERT_TRUE(sink->waitFor(SinkEvent::connected));
  e->send("A.", 0, true);
  ASSERT_TRUE(server.waitForMessages(1));
  const std::string ctx = server.messages()[0]["context_id"];

  server.sendText("not json at all");
  server.sendText("[1, 2, 3]");
  server.sendText(json::dump(json::Json{{"type", "mystery"}, {"context_id", ctx}}));
  server.sendText(json::dump(json::Json{{"type", "chunk"}, {"context_id", ctx}, {"data", "@@not base64@@"}}));
  server.sendText(json::dump(json::Json{{"type", "chunk"}, {"context_id", ctx}}));
  server.sendText(chunk("some-other-context", 0.9f));
  server.sendBinary("\xff\xfe\x00 not text");
  server.sendBinary(chunk(ctx, 0.25f));  // binary frames holding UTF-8 JSON count
  server.sendText(json::dump(json::Json{
      {"type", "timestamps"},
      {"context_id", ctx},
      {"word_timestamps", {{"words", {"a", "b", "c"}}, {"start", {0.0, 0.5}}, {"end", {0.4, 0.9, 1.2}}}}}));
  server.sendText(json::dump(json::Json{
      {"type", "timestamps"}, {"context_id", ctx}, {"word_timestamps", {{"start", {0.0}}, {"end", {0.4}}}}}));
  server.sendText(json::dump(json::Json{{"type", "error"}, {"context_id", ctx}, {"message", "Voice not found"}}));
  server.sendText(json::dump(json::Json{{"type", "error"}, {"title", "Bad request"}, {"error", "empty transcript"}}));
  ASSERT_TRUE(sink->waitFor(SinkEvent::error, 2));

  EXPECT_EQ(sink->errors(), (std::vector<std::string>{"cartesia:  Voice not found", "cartesia: Bad request empty transcript"}));
  EXPECT_EQ(firstSamples(), std::vector<float>{0.25f});
  const auto words = sink->of(SinkEvent::words);
  ASSERT_EQ(words.size(), 1u);
  EXPECT_EQ(words[0].timings, (std::vector<WordTiming>{{"a", 0.0, 0.4}, {"b", 0.5, 0.9}}));
}

TEST_F(CartesiaTest, OversizedMessagesStallsAndClosedSocketsEachEndInOneError) {
  CartesiaOptions options;
  options.maxMessageBytes = 1024;
  options.requestTimeout = 1;
  auto e = engine(options);

  e->prepare();
  ASSERT_TRUE(sink->waitFor(SinkEvent::connected));
  server.sendText(chunk("", 0.1f, 1000));  // about 5 KB
  ASSERT_TRUE(sink->waitFor(SinkEvent::error, 1));
  EXPECT_EQ(sink->errors()[0].rfind("cartesia: ", 0), 0u) << sink->errors()[0];
  EXPECT_TRUE(sink->of(SinkEvent::audio).empty());

  server.setAutoReply(false);
  e->prepare();  // the failed socket is replaced
  ASSERT_TRUE(sink->waitFor(SinkEvent::connected, 2));
  e->send("A.", 0, true);
  ASSERT_TRUE(sink->waitFor(SinkEvent::error, 2));
  EXPECT_EQ(sink->errors()[1], "cartesia: no reply for 1 s");

  e->prepare();
  ASSERT_TRUE(sink->waitFor(SinkEvent::connected, 3));
  EXPECT_FALSE(sink->of(SinkEvent::connected)[2].reused);
  server.closeClients();
  ASSERT_TRUE(sink->waitFor(SinkEvent::error, 3));
  EXPECT_EQ(sink->errors()[2], "cartesia: the connection closed");

  server.holdHandshakes(true);
  e->prepare();
  ASSERT_TRUE(sink->waitFor(SinkEvent::error, 4));
  EXPECT_EQ(sink->errors()[3], "cartesia: the connection timed out");
  settle();
  EXPECT_EQ(sink->errors().size(), 4u);
  EXPECT_TRUE(sink->of(SinkEvent::finished).empty());
}

TEST_F(CartesiaTest, WithoutAKeyNoSocketIsOpened) {
  test::useMemoryKeychain({});
  auto e = engine();
  e->prepare();
  e->send("A.", 0, true);
  ASSERT_TRUE(sink->waitFor(SinkEvent::error));
  EXPECT_EQ(sink->errors(), std::vector<std::string>{"No Cartesia key (Keychain orvak-cartesia)"});
  settle();
  EXPECT_TRUE(server.handshakes().empty());
}

TEST_F(CartesiaTest, AnUnreachableVendorIsOneErrorInTheTransportsWords) {
  setenv(CartesiaEngine::kBaseEnv, "ws://127.0.0.1:1", 1);
  auto e = engine();
  e->prepare();
  ASSERT_TRUE(sink->waitFor(SinkEvent::error));
  settle();
  EXPECT_EQ(sink->errors(), std::vector<std::string>{"cartesia: Connection refused"});
}

TEST_F(CartesiaTest, AnAddressOverrideOverAPlainNetworkNeverGetsTheKey) {
  for (const std::string base : {"ws://192.0.2.1:9", "ws://voice.example"}) {
    setenv(CartesiaEngine::kBaseEnv, base.c_str(), 1);
    auto heard = std::make_shared<test::RecordingSink>();
    auto e = CartesiaEngine::make("sonic-3.6", "voice-1", "2026-08-14", {});
    e->setSink(heard);
    e->prepare();
    ASSERT_TRUE(heard->waitFor(SinkEvent::error)) << base;
    EXPECT_EQ(heard->errors(), std::vector<std::string>{"cartesia: the key goes only over wss or to this computer, not to " +
                                                        base + "/tts/websocket?cartesia_version=2026-08-14"})
        << base;
  }
}

TEST(CartesiaRequest, TextIsEscapedFullyAndBrokenUtf8Repaired) {
  const std::string text = "Say \"hi\"\\ \n\tnow \xff\xc3";
  const auto j = json::Json::parse(CartesiaEngine::requestMessage("m", "v", "ctx", text, false));
  EXPECT_EQ(j["transcript"], "Say \"hi\"\\ \n\tnow \uFFFD\uFFFD ");
  EXPECT_EQ(j["context_id"], "ctx");
  EXPECT_EQ(j["continue"], true);
  EXPECT_EQ(json::Json::parse(CartesiaEngine::requestMessage("m", "v", "ctx", "End.", true))["transcript"], "End.");
}

}  // namespace

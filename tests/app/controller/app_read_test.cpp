// Reads through the controller: a double tap on the simulated keyboard, the capture of the
// article scene, scripted engines on the capture audio device, in virtual time.
#include <gtest/gtest.h>

#include <string>

#include "core/base/date.h"
#include "core/base/json.h"
#include "core/base/read_file.h"
#include "core/library/position_store.h"
#include "speech/inworld_engine.h"
#include "tests/app/controller/app_fixture.h"
#include "tests/core/library/library_fixtures.h"

using namespace orvak;
using namespace orvak::test;
using Mic = platform::MicAccess;

namespace {

const std::string kPageKey = "https://example.org/rivers";

struct Reading {
  std::string scene;
  App a;
  LogTail log;
  explicit Reading(const char* extra = "") : scene(articleScene(extra)), a(scene.c_str(), true, Mic::granted) {
    a.app->launch();
    a.vt.drain();
  }
  int count(const std::string& s) {
    a.vt.drain();
    return log.count(s);
  }
};

}  // namespace

TEST(AppReadTest, ADoubleTapReadsThePageAndASecondStopsKeepingThePlaceForTheNextRead) {
  Reading r;
  r.a.doubleTap();
  r.a.vt.advance(1);
  ASSERT_NE(r.a.app->read().player(), nullptr);
  EXPECT_EQ(r.count("capture: Firefox raw "), 1);
  EXPECT_EQ(r.count("start: top at char 0/"), 1);
  EXPECT_FALSE(r.a.onDevice->sent.empty());
  const auto key = r.a.app->read().player()->readKey();
  ASSERT_TRUE(key);
  r.a.vt.advance(3);
  r.a.doubleTap();
  r.a.vt.advance(0.5);
  EXPECT_EQ(r.a.app->read().player(), nullptr);
  EXPECT_EQ(r.count("read end (hotkey): "), 1);
  EXPECT_TRUE(r.a.app->read().positions().get(*key)) << "a stop by the user keeps the place";

  r.a.doubleTap();
  r.a.vt.advance(1);
  EXPECT_EQ(r.count("start: resume at char "), 1) << "the next read picks up there";
  EXPECT_EQ(r.count("start: top"), 1);
}

TEST(AppReadTest, ASecondDoubleTapDuringTheCaptureStopsTheReadAndTheCaptureSpeaksNothing) {
  Reading r(R"("latency": 0.05,)");  // every Accessibility answer takes 50 ms: the capture is slow
  // Both double taps are on their way before the capture (which starts on the first) ends.
  const double t = r.a.now();
  for (double at : {0.01, 0.30}) {
    r.a.events->press(60, t + at);
    r.a.events->release(60, t + at + 0.05);
    r.a.events->press(60, t + at + 0.10);
    r.a.events->release(60, t + at + 0.15);
  }
  r.a.vt.advance(10);
  EXPECT_FALSE(r.a.app->read().capturing());
  EXPECT_EQ(r.a.app->read().player(), nullptr);
  EXPECT_TRUE(r.a.app->read().lastCapture()) << "the page is kept";
  EXPECT_EQ(r.count("read end (hotkey): "), 1);
  EXPECT_EQ(r.count("capture: Firefox"), 1);
  EXPECT_EQ(r.count("start: "), 0);
  EXPECT_TRUE(r.a.onDevice->sent.empty()) << "nothing was spoken into the stopped read";
}

TEST(AppReadTest, ACloudFailureFallsBackOnlyForTheCurrentRead) {
  for (const bool stoppedFirst : {false, true}) {
    Reading r;
    ASSERT_FALSE(Keys::save("inworld", "inworld-key-123456"));
    r.a.app->prefs().setVendor(Vendor::inworld);
    r.a.inworld->autoSpeak.reset();  // it answers only what the test pushes
    r.a.doubleTap();
    r.a.vt.advance(1);
    auto cloud = r.a.app->read().player();
    ASSERT_NE(cloud, nullptr);
    EXPECT_FALSE(r.a.inworld->sent.empty());
    r.a.inworld->error("inworld: unauthorised (HTTP 401)");
    // The user's stop comes while that failure is still on its way to the controller.
    if (stoppedFirst) r.a.app->trigger("hotkey", 0);
    r.a.vt.advance(2);
    if (stoppedFirst) {
      EXPECT_EQ(r.count("fallback to Apple voice after "), 0) << "a read the user stopped never comes back";
      EXPECT_EQ(r.a.app->read().player(), nullptr);
      EXPECT_TRUE(r.a.onDevice->sent.empty());
    } else {
      EXPECT_EQ(r.count("fallback to Apple voice after "), 1);
      ASSERT_NE(r.a.app->read().player(), nullptr);
      EXPECT_NE(r.a.app->read().player(), cloud);
      EXPECT_FALSE(r.a.onDevice->sent.empty()) << "the page goes on on the on-device voice";
    }
  }
}

TEST(AppReadTest, TheEndReasonDecidesWhatHappensToThePlace) {
  const std::vector<std::pair<const char*, bool>> reasons{
      {"user", true}, {"voice", true}, {"appQuit", true}, {"startOver", false}, {"back", false}, {"captureError", false}};
  for (const auto& [reason, saved] : reasons) {
    Reading r;
    r.a.doubleTap();
    r.a.vt.advance(2.5);
    auto player = r.a.app->read().player();
    ASSERT_NE(player, nullptr) << reason;
    const auto key = player->readKey();
    ASSERT_TRUE(key);
    r.a.app->read().positions().remove(*key);
    player->stop(reason);
    r.a.vt.advance(0.5);
    EXPECT_EQ(r.a.app->read().positions().get(*key).has_value(), saved) << reason;
  }
}

TEST(AppReadTest, TheVendorForAReadFollowsKeysProxyAndNetwork) {
  struct Case {
    Vendor wanted;
    bool key, proxy, online, developer;
    Vendor got;
    std::optional<std::string> sentence;
  };
  const std::vector<Case> cases{
      {Vendor::onDevice, false, false, false, false, Vendor::onDevice, std::nullopt},
      {Vendor::inworld, true, false, true, false, Vendor::inworld, std::nullopt},
      {Vendor::inworld, false, false, true, false, Vendor::onDevice, std::nullopt},
      {Vendor::inworld, false, false, true, true, Vendor::onDevice, "No Inworld TTS-2 Flash key — using the on-device voice"},
      {Vendor::cartesia, false, true, true, true, Vendor::onDevice, "No Cartesia Sonic key — using the on-device voice"},
      {Vendor::inworld, false, true, true, false, Vendor::inworld, std::nullopt},
      {Vendor::inworld, false, true, false, false, Vendor::onDevice, "Offline — reading with the on-device voice"},
      {Vendor::cartesia, true, false, false, false, Vendor::onDevice, "Offline — reading with the on-device voice"},
  };
  for (const Case& c : cases) {
    App a(true, true, Mic::granted);
    a.app->launch();
    a.network->set(c.online);  // the simulated network starts offline
    a.vt.drain();
    if (c.key) {
      ASSERT_FALSE(Keys::save(c.wanted == Vendor::cartesia ? "cartesia" : "inworld", "vendor-key-123456"));
    }
    InworldEngine::setProxy(c.proxy ? std::optional(InworldEngine::Proxy{"https://orvak.app/api/voice/stream", [] {
                                        return std::optional<std::string>("t");
                                      }})
                                    : std::nullopt);
    a.app->prefs().d->set(Prefs::kDeveloperFlag, c.developer);
    const auto [vendor, sentence] = a.app->read().vendorFor(c.wanted);
    EXPECT_EQ(vendor, c.got) << rawValue(c.wanted) << " key=" << c.key << " proxy=" << c.proxy << " online=" << c.online;
    EXPECT_EQ(sentence, c.sentence) << rawValue(c.wanted);
  }
  InworldEngine::setProxy(std::nullopt);
}

TEST(AppReadTest, EnginesAreKeptUntilTheirOwnSettingsChange) {
  App a(true, true, Mic::granted);
  const auto inworld = a.app->read().engine(Vendor::inworld);
  const auto cartesia = a.app->read().engine(Vendor::cartesia);
  EXPECT_EQ(a.app->read().engine(Vendor::inworld), inworld);
  EXPECT_EQ(a.made.size(), 2u);
  a.app->prefs().setCartesiaVoice("another-voice");
  a.app->read().engine(Vendor::inworld);
  a.app->read().engine(Vendor::cartesia);
  EXPECT_EQ(a.made.size(), 3u) << "a Cartesia change rebuilds only the Cartesia engine";
  EXPECT_EQ(a.made.back().first, Vendor::cartesia);
  a.app->prefs().setInworldVoice("Dennis");
  a.app->read().engine(Vendor::inworld);
  EXPECT_EQ(a.made.size(), 4u);
  EXPECT_EQ(a.made.back().second.inworldVoice, "Dennis");
}

TEST(AppReadTest, TheSpeedButtonClimbsTheLadderAndTheReadFollows) {
  Reading r;
  const std::vector<std::pair<float, float>> steps{{1.1f, 1.25f}, {2.0f, 0.8f}, {0.8f, 1.0f}, {1.75f, 2.0f}, {3.0f, 1.25f}};
  for (const auto& [from, to] : steps) {
    r.a.app->prefs().setSpeed(from);
    r.a.app->pill().actions()->speed();
    EXPECT_FLOAT_EQ(r.a.app->prefs().speed(), to) << from;
  }
  r.a.doubleTap();
  r.a.vt.advance(1);
  ASSERT_NE(r.a.app->read().player(), nullptr);
  r.a.app->pill().actions()->speed();
  r.a.vt.drain();
  EXPECT_FLOAT_EQ(r.a.app->read().player()->currentSpeed(), 1.5f) << "the settings change reaches the player";
}

TEST(AppReadTest, StartOverForgetsThePlaceAndReadsFromTheFirstCharacter) {
  Reading r;
  r.a.doubleTap();
  r.a.vt.advance(2.5);
  auto first = r.a.app->read().player();
  ASSERT_NE(first, nullptr);
  const auto key = first->readKey();
  ASSERT_TRUE(key);
  r.a.app->read().positions().save(*key, ReadPosition::make("A sentence.", "A start", Date::now()));
  r.a.app->read().startOver();
  r.a.vt.advance(0.5);
  auto again = r.a.app->read().player();
  ASSERT_NE(again, nullptr);
  EXPECT_NE(again, first);
  EXPECT_FALSE(r.a.app->read().positions().get(*key)) << "removed before reading again";
  EXPECT_EQ(again->readKey(), key);
  ASSERT_TRUE(again->spoken());
  EXPECT_EQ(again->spoken()->from, 0);
  EXPECT_EQ(r.count("read end (startOver)"), 1);
}

namespace {

// The article scene with the focus on one element and its selection (UTF-16 [start, length]).
std::string withSelection(const char* ref, int start, int length, const char* value = nullptr) {
  json::Json scene = json::parse(*readWholeFile("tests/fixtures/scenes/article.scene.json"));
  auto& app = scene["applications"][0];
  app["focusedElement"] = ref;
  std::function<bool(json::Json&)> set = [&](json::Json& n) {
    if (n.value("ref", "") == ref) {
      n["selection"] = json::Json::array({start, length});
      if (value) n["value"] = value;
      return true;
    }
    if (n.contains("children")) {
      for (auto& c : n["children"]) {
        if (set(c)) return true;
      }
    }
    return false;
  };
  set(app["windows"][0]);
  return scene.dump();
}

}  // namespace

TEST(AppReadTest, TheStartPointFollowsSelectionQuoteAndClick) {
  struct Case {
    const char* name;
    std::string scene;
    std::optional<std::string> quote;
    std::optional<ax::Point> click;
    const char* startLine;  // the beginning of the "start: " line
    bool keyed;             // the read keeps a page key (saves and resumes)
  };
  const std::vector<Case> cases{
      {"a selection in the page reads from it to its end", withSelection("p2", 5, 19), {}, {},
       "start: selection at char ", true},
      {"a selection outside the page text is read alone",
       withSelection("urlbar", 0, 27, "search for meandering lakes"), {}, {},
       "start: selection (not in page text) · 27 chars", false},
      {"an asked quote that is found", articleScene(), "Oxbow lakes form", {}, "start: asked at char ", false},
      {"an asked quote that is not found falls back to the page's start", articleScene(), "not on this page", {},
       "start: top at char 0/", true},
      {"a click in the page", articleScene(), {}, ax::Point{210, 650}, "start: clicked at char ", true},
  };
  for (const Case& c : cases) {
    App a(c.scene.c_str(), true, Mic::granted);
    LogTail log;
    a.app->launch();
    a.vt.drain();
    if (c.click) {
      a.events->click(*c.click);
      a.vt.advance(0.1);
    }
    ReadOptions opts;
    opts.startQuote = c.quote;
    a.app->trigger("ask", -1, opts);
    a.vt.advance(1);
    EXPECT_EQ(log.count(c.startLine), 1) << c.name << "\n" << log.text();
    ASSERT_NE(a.app->read().player(), nullptr) << c.name;
    EXPECT_EQ(a.app->read().player()->readKey().has_value(), c.keyed) << c.name;
    if (c.click) {
      a.app->trigger("hotkey", 0);  // stop
      a.app->trigger("hotkey", 0);
      a.vt.advance(1);
      EXPECT_EQ(log.count("start: clicked"), 1) << "a click serves one read";
    }
  }
}

TEST(AppReadTest, TriggerRefusals) {
  {
    App a(articleScene(R"("trusted": false,)").c_str(), true, Mic::granted);
    a.app->launch();
    a.app->trigger("hotkey", 0);
    EXPECT_EQ(a.app->notices().lastError(), "Orvak needs Accessibility access");
    EXPECT_TRUE(a.windows->visible) << "onboarding";
    EXPECT_EQ(a.app->read().player(), nullptr);
  }
  {
    App a(R"({"frontmost": null, "applications": []})", true, Mic::granted);
    a.app->launch();
    a.app->trigger("hotkey", 0);
    a.vt.advance(1);
    EXPECT_TRUE(a.app->notices().lastError()) << "nothing in front is a failed capture";
  }
  {
    Reading r;
    r.a.app->trigger("ask", -1);
    EXPECT_TRUE(r.a.app->read().capturing()) << "until the capture answers";
    r.a.app->trigger("ask", -1);
    EXPECT_EQ(r.count("trigger ignored: capture busy"), 1);
  }
}

TEST(AppReadTest, ThreeSecondsOfAudioMakeAListenedRowAndTwoDoNot) {
  // The first-run window's sample is read from a captured window like any page, yet it is ours,
  // not something the user listened to.
  struct Case {
    const char* source;
    double seconds;
    bool row;
  };
  for (const auto& c : {Case{"hotkey", 2.0, false}, Case{"hotkey", 3.6, true}, Case{"onboarding", 3.6, false}}) {
    Reading r;
    r.a.app->prefs().setRememberListening(true);
    ASSERT_NE(r.a.app->notes(), nullptr);
    const auto before = r.a.app->notes()->listened(1000).size();
    int changes = 0;
    auto observation = r.a.notifications->observe("orvak.notesChanged", [&](const platform::Notification&) { ++changes; });
    if (std::string(c.source) == "hotkey") {
      r.a.doubleTap();
    } else {
      r.a.app->trigger(c.source, -1);
    }
    r.a.vt.advance(0.3);  // the capture and the first sound
    ASSERT_NE(r.a.app->read().player(), nullptr) << c.source;
    r.a.vt.advance(c.seconds);
    r.a.app->trigger("hotkey", 0);
    r.a.vt.advance(0.5);
    ASSERT_TRUE(r.a.app->read().lastRead());
    EXPECT_EQ(r.a.app->notes()->listened(1000).size(), before + (c.row ? 1 : 0)) << c.source << " " << c.seconds << " s";
    EXPECT_EQ(changes, c.row ? 1 : 0) << c.source << " " << c.seconds << " s";
  }
}

TEST(AppReadTest, TheBandFollowsTheReadAndGoesWithIt) {
  for (const bool highlighting : {true, false}) {
    Reading r;
    r.a.app->prefs().setHighlightAsItReads(highlighting);
    r.a.doubleTap();
    r.a.vt.advance(1.5);
    ASSERT_NE(r.a.app->read().player(), nullptr);
    if (!highlighting) {
      EXPECT_EQ(r.a.app->read().highlighter(), nullptr);
      EXPECT_TRUE(r.a.overlays.empty());
      continue;
    }
    ASSERT_NE(r.a.app->read().highlighter(), nullptr);
    ASSERT_EQ(r.a.overlays.size(), 1u);
    ASSERT_FALSE(r.a.overlays[0]->shown.empty());
    EXPECT_FALSE(r.a.overlays[0]->shown.back().empty()) << "a band over the sentence heard";
    r.a.doubleTap();
    r.a.vt.advance(0.5);
    EXPECT_EQ(r.a.app->read().highlighter(), nullptr);
    EXPECT_TRUE(r.a.overlays[0]->closed);
  }
}

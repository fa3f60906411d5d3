// The interruption watch through the controller: session events, the audio route, calls, the read
// program quitting and the page going away, on the simulated desktop in virtual time.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>

#include "core/base/json.h"
#include "core/base/read_file.h"
#include "tests/app/controller/app_fixture.h"
#include "tests/core/library/library_fixtures.h"

using namespace orvak;
using namespace orvak::test;

namespace {

const platform::OutputDevice kHeadphones{7, "Headphones", "pci", true};
const platform::OutputDevice kSpeakers{8, "Speakers", "pci", false};
const platform::RecordingProcess kZoom{5000, "zoom", ""};

struct Interrupting {
  std::string scene = *readWholeFile("tests/fixtures/scenes/article.scene.json");
  App a{scene.c_str(), true, Mic::granted};
  LogTail log;
  // `before` runs before launch (the watch learns the audio output then).
  explicit Interrupting(const std::function<void(Interrupting&)>& before = {}) {
    a.onDevice->autoSpeak = orvak::testing::ScriptedEngine::Auto{4.0, 0.1};  // the read outlasts the test
    if (before) before(*this);
    a.app->launch();
    a.vt.drain();
  }
  int count(const std::string& s) {
    a.vt.drain();
    return log.count(s);
  }
  std::shared_ptr<Player> read() {
    a.doubleTap();
    a.vt.advance(1);
    return a.app->read().player();
  }
  // The pill's message as one line ("Paused · your screen locked").
  std::string pillText() const {
    const auto& t = a.app->pill().transient();
    if (!t) return "";
    return t->sub.empty() ? t->state : t->state + " · " + t->sub;
  }
};

}  // namespace

TEST(InterruptionsTest, EachEventPausesOrStopsTheReadWithItsLineAndMessage) {
  struct Row {
    const char* name;
    std::function<void(Interrupting&)> before;
    std::function<void(Interrupting&)> event;
    double wait;  // seconds for the event to be noticed
    bool stops;
    std::string logLine;
    std::string pill;
  };
  auto session = [](platform::SessionEvent e) { return [e](Interrupting& t) { t.a.session->post(e); }; };
  const Row rows[] = {
      {"sleep",
       {},
       session(platform::SessionEvent::willSleep),
       0.1,
       false,
       "interruption: paused (your computer went to sleep)",
       "Paused · your computer went to sleep"},
      {"session inactive",
       {},
       session(platform::SessionEvent::sessionInactive),
       0.1,
       false,
       "interruption: paused (another user took over)",
       "Paused · another user took over"},
      {"lock",
       {},
       session(platform::SessionEvent::screenLocked),
       0.1,
       false,
       "interruption: paused (your screen locked)",
       "Paused · your screen locked"},
      {"screen saver",
       {},
       session(platform::SessionEvent::screenSaverStarted),
       0.1,
       false,
       "interruption: paused (the screen saver started)",
       "Paused · the screen saver started"},
      {"headphones unplugged", [](Interrupting& t) { t.a.audio->setDefaultOutput(kHeadphones); },
       [](Interrupting& t) { t.a.audio->setDefaultOutput(kSpeakers); }, 0.1, false,
       "interruption: paused (Headphones disconnected)", "Paused · Headphones disconnected"},
      {"call",
       {},
       [](Interrupting& t) { t.a.audio->setRecorders({kZoom}); },
       2.1,
       false,
       "interruption: paused for a call (zoom)",
       "Paused · for your Zoom call"},
      {"program quit",
       {},
       [](Interrupting& t) { t.a.desktop->apply(json::parse(R"([{"quit": "browser"}])")); },
       2.1,
       true,
       "interruption: stopped (the app quit)",
       "Stopped · Firefox closed. Your place is saved"},
      {"program relaunched",
       {},
       [](Interrupting& t) { t.a.desktop->apply(json::parse(R"([{"relaunch": "browser"}])")); },
       2.1,
       true,
       "interruption: stopped (the app quit)",
       "Stopped · Firefox closed. Your place is saved"},
      {"page gone",
       {},
       [](Interrupting& t) {
         t.a.desktop->setAttribute("win", "AXTitle", ax::Value("Another page"));
         t.a.desktop->remove("toolbar");
         t.a.desktop->remove("page");
       },
       4.1,
       true,
       "interruption: stopped (the page is gone)",
       "Stopped · the page changed. Double-tap to read the new one"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    Interrupting t(row.before);
    const auto player = t.read();
    ASSERT_NE(player, nullptr);
    ASSERT_TRUE(player->isPlaying());
    row.event(t);
    t.a.vt.advance(row.wait);
    EXPECT_EQ(t.count(row.logLine), 1);
    EXPECT_EQ(t.pillText(), row.pill);
    if (row.stops) {
      EXPECT_EQ(t.a.app->read().player(), nullptr);
      EXPECT_TRUE(player->hasEnded());
    } else {
      EXPECT_EQ(t.a.app->read().player(), player);
      EXPECT_TRUE(player->isPaused());
    }
  }
}

TEST(InterruptionsTest, AReadThePausedUserHoldsIsLeftAloneAndSaysNothing) {
  Interrupting t;
  const auto player = t.read();
  ASSERT_NE(player, nullptr);
  player->togglePause();
  t.a.vt.advance(0.2);
  ASSERT_TRUE(player->isPaused());
  t.a.session->post(platform::SessionEvent::willSleep);
  t.a.session->post(platform::SessionEvent::screenLocked);
  t.a.audio->setRecorders({kZoom});
  t.a.vt.advance(4.5);
  EXPECT_EQ(t.count("interruption:"), 0);
  EXPECT_EQ(t.pillText(), "");
  t.a.audio->setRecorders({});
  t.a.vt.advance(2.1);
  EXPECT_EQ(t.pillText(), "") << "no call was noted, so no call ended";
}

TEST(InterruptionsTest, ACallPausesOnceAndItsEndOnlySaysSoWhileStillPaused) {
  for (const bool resumedByUser : {false, true}) {
    SCOPED_TRACE(resumedByUser ? "resumed during the call" : "still paused");
    Interrupting t;
    const auto player = t.read();
    ASSERT_NE(player, nullptr);
    t.a.audio->setRecorders({kZoom});
    t.a.vt.advance(6.1);  // three ticks
    EXPECT_EQ(t.count("interruption: paused for a call (zoom)"), 1);
    if (resumedByUser) {
      player->togglePause();
      t.a.vt.advance(0.1);
      ASSERT_TRUE(player->isPlaying());
    }
    t.a.vt.advance(3.5);  // the call's message has gone
    t.a.audio->setRecorders({});
    t.a.vt.advance(2.1);
    if (resumedByUser) {
      EXPECT_EQ(t.pillText(), "");
      EXPECT_TRUE(player->isPlaying());
    } else {
      EXPECT_EQ(t.pillText(), "Paused · Zoom call ended. Press play to keep reading");
      EXPECT_TRUE(player->isPaused()) << "the end of a call never resumes the read";
    }
  }
}

TEST(InterruptionsTest, OnlyLosingAPersonalOutputPauses) {
  Interrupting t([](Interrupting& i) { i.a.audio->setDefaultOutput(kSpeakers); });
  const auto player = t.read();
  ASSERT_NE(player, nullptr);
  t.a.audio->setDefaultOutput(kHeadphones);
  t.a.vt.advance(0.5);
  EXPECT_EQ(t.count("audio route: Speakers → Headphones"), 1);
  EXPECT_TRUE(player->isPlaying()) << "speakers to headphones goes on";
  t.a.audio->setDefaultOutput(std::nullopt);
  t.a.vt.advance(0.5);
  EXPECT_EQ(t.count("audio route: Headphones → ?"), 1);
  EXPECT_EQ(t.count("interruption: paused (Headphones disconnected)"), 1);
}

TEST(InterruptionsTest, ThePageCheckNeedsATitleChangeAndMostSampledElementsDeadTwice) {
  struct Row {
    const char* name;
    std::function<void(Interrupting&)> change;
    bool stops;
  };
  const Row rows[] = {
      {"title alone", [](Interrupting& t) { t.a.desktop->setAttribute("win", "AXTitle", ax::Value("Renamed")); },
       false},
      {"elements dead, same title",
       [](Interrupting& t) {
         t.a.desktop->remove("toolbar");
         t.a.desktop->remove("page");
       },
       false},
      {"window closed", [](Interrupting& t) { t.a.desktop->remove("win"); }, true},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    Interrupting t;
    const auto player = t.read();
    ASSERT_NE(player, nullptr);
    row.change(t);
    t.a.vt.advance(2.1);  // one check finds it gone at most: never enough
    EXPECT_EQ(t.a.app->read().player(), player);
    t.a.vt.advance(2);
    EXPECT_EQ(t.a.app->read().player() == nullptr, row.stops);
    EXPECT_EQ(t.count("interruption: stopped (the page is gone)"), row.stops ? 1 : 0);
  }
}

TEST(InterruptionsTest, TheVerdictCountsWindowTitleAndDeadElements) {
  struct Row {
    bool windowGone, titleChanged;
    std::size_t sampled, dead;
    bool gone;
  };
  const Row rows[] = {
      {true, false, 0, 0, true},   {false, true, 8, 6, true},  {false, true, 8, 5, false},
      {false, false, 8, 8, false}, {false, true, 1, 1, false},  // one element never makes a page gone
      {false, true, 2, 2, true},   {false, true, 0, 0, false},
  };
  for (const auto& r : rows) {
    EXPECT_EQ(Interruptions::pageGone(r.windowGone, r.titleChanged, r.sampled, r.dead), r.gone)
        << r.windowGone << r.titleChanged << " " << r.sampled << "/" << r.dead;
  }
}

// The page's content replaced by `count` paragraphs with the prefix in their references.
json::Json newContent(const std::string& prefix, int count) {
  json::Json children = json::Json::array();
  for (int i = 0; i < count; ++i) {
    children.push_back(
        json::Json{{"ref", prefix + std::to_string(i)},
                   {"role", "AXStaticText"},
                   {"value", "Paragraph " + std::to_string(i) + " of the " + prefix +
                                 " page tells of harbours, ships and the people who kept the lights burning."},
                   {"frame", json::Json::array({200, 100 + 44 * i, 800, 40})}});
  }
  json::Json change = json::Json::array();
  change.push_back(json::Json{{"replaceChildren", "page"}, {"children", children}});
  return change;
}

TEST(InterruptionsTest, AVerdictAboutAnEarlierReadCountsNothingForTheNextOne) {
  Interrupting t;
  const double launched = t.a.now();
  const auto first = t.read();
  ASSERT_NE(first, nullptr);
  // The window answers slowly: each page check takes half a second.
  t.a.desktop->setLatency("win", 0.25);
  t.a.vt.advance(launched + 2.1 - t.a.now());  // the first check finds the page there
  t.a.desktop->setAttribute("win", "AXTitle", ax::Value("Second"));
  t.a.desktop->remove("toolbar");
  t.a.desktop->apply(newContent("second", 14));
  // While the second check (at 4 s) is under way, the user reads the new page.
  dispatch::main().asyncAfter(launched + 4.1 - t.a.now(), [&] { t.a.app->read().readFromHere("test"); });
  t.a.vt.advance(launched + 5.8 - t.a.now());  // its capture is done, its first check (at 6 s) is not
  const auto second = t.a.app->read().player();
  ASSERT_NE(second, nullptr);
  ASSERT_NE(second, first);
  ASSERT_TRUE(second->spoken() && second->spoken()->capture);
  EXPECT_EQ(t.count("interruption: stopped"), 0);
  // The second read's page goes: one check is not enough to stop it, the next one is.
  t.a.desktop->setAttribute("win", "AXTitle", ax::Value("Third"));
  t.a.desktop->apply(newContent("third", 14));
  t.a.vt.advance(1);
  EXPECT_EQ(t.count("interruption: stopped"), 0) << "the earlier read's verdict was not counted for this one";
  EXPECT_EQ(t.a.app->read().player(), second);
  t.a.vt.advance(2);
  EXPECT_EQ(t.a.app->read().player(), nullptr);
  EXPECT_EQ(t.count("interruption: stopped (the page is gone)"), 1);
}

TEST(InterruptionsTest, TheChecksShortTimeOutIsNotLeftOnThePagesElements) {
  Interrupting t;
  const auto player = t.read();
  ASSERT_NE(player, nullptr);
  // The window (always among the checked elements) answers slower than the check's bound, well
  // within the default time-out.
  t.a.desktop->setLatency("win", 1.0);
  t.a.vt.advance(4.1);  // two checks, which learn nothing from it
  EXPECT_EQ(t.a.app->read().player(), player);
  EXPECT_TRUE(t.a.desktop->element("win").attribute("AXRole").ok()) << "a later request waits the default again";
}

TEST(InterruptionsTest, ADeviceChangeRebuildsTheGraphAndTheReadGoesOn) {
  Interrupting t;
  const auto player = t.read();
  ASSERT_NE(player, nullptr);
  const int opens = t.a.tape->opens();
  t.a.device->reconfigure();
  t.a.vt.advance(0.5);
  EXPECT_EQ(t.count("audio engine reconfigured (device change) · reading=true"), 1);
  EXPECT_GT(t.a.tape->opens(), opens) << "the engine started again on the device";
  const auto frames = t.a.tape->frameCount();
  t.a.vt.advance(2);
  EXPECT_GT(t.a.tape->frameCount(), frames) << "and the read plays on";
  EXPECT_TRUE(player->isPlaying());
}

TEST(InterruptionsTest, ADeviceChangeReconnectsTheListenerOnlyWhileTheMicrophoneIsWiredIn) {
  Interrupting t([](Interrupting& t) { t.a.voice = std::make_shared<TraceVoice>(); });
  const auto reconnects = [&] { return std::count(t.a.trace->begin(), t.a.trace->end(), "voice: reconnect"); };
  t.a.device->reconfigure();
  t.a.vt.advance(0.1);
  EXPECT_EQ(reconnects(), 0);
  EXPECT_EQ(t.count("audio engine reconfigured (device change) · reading=false"), 1);
  t.a.graph->setMicAttached(true);
  t.a.device->reconfigure();
  t.a.vt.advance(0.1);
  EXPECT_EQ(reconnects(), 1) << "with nothing reading too";
}

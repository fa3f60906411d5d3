// The first-run window's logic in virtual time, over a host that records what it was asked.
#include "app/onboarding/onboarding_flow.h"

#include <gtest/gtest.h>

#include "app/library/notifications.h"
#include "tests/app/onboarding/fake_onboarding_host.h"

namespace {

using namespace orvak;
using orvak::test::FakeOnboardingHost;
using Mic = OnboardingHost::Mic;
using Button = OnboardingFlow::Button;
using Action = OnboardingFlow::Action;
using Kind = HotkeyTest::State::Kind;

struct OnboardingFixture {
  dispatch::VirtualTime vt;
  FakeOnboardingHost host;
  std::shared_ptr<OnboardingFlow> flow = OnboardingFlow::make(host);
  void post(std::string_view name, std::optional<std::int64_t> object = std::nullopt) {
    host.notifications().post(std::string(name), object);
    vt.advance(0);
  }
};

TEST(OnboardingFlow, FooterByStepAndGrant) {
  const Button back{"Back", false, false, true, Action::back};
  struct Case {
    int step;
    bool ax;
    Mic mic;
    std::vector<Button> footer;
  };
  const std::vector<Case> cases{
      {0, false, Mic::denied, {{"Get Started", true, true, true, Action::forward}}},
      {1, false, Mic::denied, {back, {"Continue", true, true, false, Action::forward}}},
      {1, true, Mic::denied, {back, {"Continue", true, true, true, Action::forward}}},
      {2, true, Mic::denied, {back, {"Skip for Now", false, false, true, Action::forward}}},
      {2, true, Mic::notAsked, {back, {"Skip for Now", false, false, true, Action::forward}}},
      {2, true, Mic::granted, {back, {"Continue", true, true, true, Action::forward}}},
      {3, true, Mic::granted, {back, {"Continue", true, true, true, Action::forward}}},
      {4, true, Mic::granted, {back, {"Continue", true, true, true, Action::forward}}},
      {5, true, Mic::granted, {back, {"Skip", false, false, true, Action::forward}}},
      {6, true, Mic::granted, {back, {"Start Using Orvak", true, true, true, Action::finish}}},
  };
  for (const auto& c : cases) {
    OnboardingFixture f;
    f.host.grant(c.ax, c.mic);
    f.flow->setStep(c.step);
    EXPECT_EQ(f.flow->footer(), c.footer) << "step " << c.step;
  }
}

TEST(OnboardingFlow, FooterButtonsMoveOneStepAndOnlyTheLastFinishes) {
  OnboardingFixture f;
  f.flow->pressReturn();
  EXPECT_EQ(f.flow->step(), 1);
  f.flow->pressReturn();  // Continue is disabled without Accessibility
  EXPECT_EQ(f.flow->step(), 1);
  f.flow->press(f.flow->footer()[1]);
  EXPECT_EQ(f.flow->step(), 1) << "a disabled button does nothing";
  f.flow->press(f.flow->footer()[0]);
  EXPECT_EQ(f.flow->step(), 0) << "Back still works";

  f.flow->setStep(2);  // no microphone: Skip for Now carries no key
  f.flow->pressReturn();
  EXPECT_EQ(f.flow->step(), 2);
  f.flow->press(f.flow->footer()[1]);
  EXPECT_EQ(f.flow->step(), 3);
  EXPECT_EQ(f.host.calls, std::vector<std::string>{}) << "skipping asks for nothing";

  f.flow->setStep(6);
  f.flow->pressReturn();
  EXPECT_EQ(f.host.finishes, 1);
  EXPECT_EQ(f.flow->step(), 6) << "finishing leaves the step to the window manager";
}

TEST(OnboardingFlow, AGrantAdvancesItsStepAfterTheDelayUnlessTheUserMovedFirst) {
  struct Case {
    const char* name;
    int step;
    bool ax;
    Mic mic;
    std::optional<Action> userMoveAt05;
    int stepAt089;
    int stepAt09;
  };
  const std::vector<Case> cases{
      {"accessibility on step 1", 1, true, Mic::denied, std::nullopt, 1, 2},
      {"microphone on step 2", 2, false, Mic::granted, std::nullopt, 2, 3},
      {"user pressed Back first", 1, true, Mic::denied, Action::back, 0, 0},
      {"user pressed Continue first", 1, true, Mic::denied, Action::forward, 2, 2},
      {"accessibility on step 2", 2, true, Mic::denied, std::nullopt, 2, 2},
      {"microphone on step 1", 1, false, Mic::granted, std::nullopt, 1, 1},
      {"accessibility on step 3", 3, true, Mic::granted, std::nullopt, 3, 3},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    OnboardingFixture f;
    f.flow->setStep(c.step);
    f.host.grant(c.ax, c.mic);
    f.vt.advance(0.5);
    if (c.userMoveAt05) f.flow->press({"", true, true, true, *c.userMoveAt05});
    f.vt.advance(0.39);
    EXPECT_EQ(f.flow->step(), c.stepAt089);
    f.vt.advance(0.01);
    EXPECT_EQ(f.flow->step(), c.stepAt09);
    f.vt.advance(5);
    EXPECT_EQ(f.flow->step(), c.stepAt09) << "one step only";
  }
}

TEST(OnboardingFlow, TheKeyStepArmsTheTestAndLeavingItIdlesAnArmedOne) {
  OnboardingFixture f;
  auto& t = f.host.tester_;
  f.host.allowSelf = true;
  f.flow->setStep(4);
  EXPECT_EQ(t.arms, 1);
  EXPECT_EQ(t.state().kind, Kind::waiting);
  EXPECT_FALSE(f.host.allowSelf);

  f.flow->setStep(5);
  EXPECT_EQ(t.state().kind, Kind::idle) << "an armed test ends";
  f.flow->setStep(4);
  t.show({Kind::clash, {"Alpha"}});
  f.flow->setStep(3);
  EXPECT_EQ(t.state(), (HotkeyTest::State{Kind::clash, {"Alpha"}})) << "a verdict stays";
  EXPECT_EQ(t.arms, 2);
}

TEST(OnboardingFlow, WhereTheKeyCannotBeWatchedTheKeyStepArmsNothingAndLetsTheUserOn) {
  OnboardingFixture unwatched;
  unwatched.host.watchKey = false;
  unwatched.flow->setStep(4);
  unwatched.flow->appeared();
  EXPECT_EQ(unwatched.host.tester_.arms, 0);
  EXPECT_EQ(unwatched.host.tester_.state().kind, Kind::idle);
  unwatched.flow->pressReturn();
  EXPECT_EQ(unwatched.flow->step(), 5);
}

TEST(OnboardingFlow, TheTryItStepReadsOurWindowAndStopsTheSampleReadOnEntryAndExit) {
  OnboardingFixture f;
  f.flow->setStep(5);
  EXPECT_TRUE(f.host.allowSelf);
  f.host.player = true;
  f.post(notifications::orvakNotesChanged);
  EXPECT_TRUE(f.flow->saved());

  f.flow->setStep(6);
  EXPECT_FALSE(f.host.allowSelf);
  EXPECT_EQ(f.host.stops, std::vector<std::string>{"user"});

  f.host.player = true;  // a read started elsewhere
  f.flow->setStep(5);
  EXPECT_FALSE(f.flow->saved()) << "a new visit starts afresh";
  EXPECT_EQ(f.host.stops, (std::vector<std::string>{"user", "user"}));
  f.flow->setStep(4);
  EXPECT_EQ(f.host.stops.size(), 2u) << "nothing to stop";
}

TEST(OnboardingFlow, TheTryItStepSamplesTheReadWhileTheWindowShows) {
  OnboardingFixture f;
  f.flow->setStep(5);
  f.host.player = true;
  f.vt.advance(1);
  EXPECT_FALSE(f.flow->reading()) << "no watch before the window shows";

  f.flow->appeared();
  f.vt.advance(0.29);
  EXPECT_FALSE(f.flow->reading());
  f.host.player = true;
  f.vt.advance(0.01);
  EXPECT_TRUE(f.flow->reading());
  EXPECT_TRUE(f.flow->started());
  f.host.player = false;
  f.vt.advance(0.3);
  EXPECT_FALSE(f.flow->reading());
  EXPECT_TRUE(f.flow->started()) << "kept for the visit";

  f.flow->setStep(3);
  f.host.player = true;
  f.vt.advance(0.3);
  EXPECT_FALSE(f.flow->reading()) << "other steps do not watch";
}

TEST(OnboardingFlow, LibraryChangesCountOnTheTryItStepOnly) {
  OnboardingFixture f;
  for (int step : {0, 3, 4, 6}) {
    f.flow->setStep(step);
    f.post(notifications::orvakNotesChanged);
  }
  f.flow->setStep(5);
  EXPECT_FALSE(f.flow->saved());
  EXPECT_EQ(f.flow->footer().back().label, "Skip");
  f.post(notifications::orvakNotesChanged);
  EXPECT_TRUE(f.flow->saved());
  EXPECT_EQ(f.flow->footer().back().label, "Continue");
}

TEST(OnboardingFlow, TheDeveloperStepTakesValidStepsOnly) {
  OnboardingFixture f;
  f.flow->setStep(2);
  for (std::optional<std::int64_t> bad :
       {std::optional<std::int64_t>(7), std::optional<std::int64_t>(-1), std::optional<std::int64_t>()}) {
    f.post(notifications::orvakDebugOnboardingStep, bad);
    EXPECT_EQ(f.flow->step(), 2);
  }
  f.post(notifications::orvakDebugOnboardingStep, 4);
  EXPECT_EQ(f.flow->step(), 4);
  EXPECT_EQ(f.host.tester_.state().kind, Kind::waiting);

  // The step on show asked for again is no change of step: the verdict stays, nothing is re-armed.
  f.host.tester_.show({Kind::ok, {}});
  f.post(notifications::orvakDebugOnboardingStep, 4);
  EXPECT_EQ(f.host.tester_.state().kind, Kind::ok);
  EXPECT_EQ(f.host.tester_.arms, 1);
  f.flow->setStep(5);
  f.host.player = true;
  f.post(notifications::orvakDebugOnboardingStep, 5);
  EXPECT_TRUE(f.host.stops.empty()) << "the sample read goes on";
}

TEST(OnboardingFlow, ClosingUndoesTheStepAndShowingAgainRestoresIt) {
  OnboardingFixture f;
  f.flow->setStep(5);
  f.flow->appeared();
  f.host.player = true;
  f.post(notifications::orvakNotesChanged);
  f.flow->disappeared();
  EXPECT_FALSE(f.host.allowSelf);
  EXPECT_EQ(f.host.stops, std::vector<std::string>{"user"}) << "the sample read ends with the window";
  f.vt.advance(1);

  f.flow->appeared();
  EXPECT_EQ(f.flow->step(), 5);
  EXPECT_TRUE(f.host.allowSelf) << "the capturer may read the window again";
  EXPECT_FALSE(f.flow->saved());
  EXPECT_EQ(f.host.calls.back(), "poll");

  f.flow->setStep(4);
  f.flow->disappeared();
  EXPECT_EQ(f.host.tester_.state().kind, Kind::idle);
  f.flow->appeared();
  EXPECT_EQ(f.host.tester_.state().kind, Kind::waiting) << "a test waits again";

  // Shown on a step without effects (from the settings window, say), a test running there goes on.
  f.flow->setStep(2);
  f.flow->disappeared();
  f.host.tester_.arm();
  f.flow->appeared();
  EXPECT_EQ(f.host.tester_.state().kind, Kind::waiting);
}

TEST(OnboardingFlow, EyebrowsCountFromOneAndOnlyTheMicrophoneIsOptional) {
  OnboardingFixture f;
  for (int step = 0; step < 7; ++step) {
    f.flow->setStep(step);
    EXPECT_EQ(f.flow->eyebrow(), "Step " + std::to_string(step + 1) + " of 7");
    EXPECT_EQ(f.flow->eyebrowAccent(), step == 2 ? std::optional<std::string>("Optional") : std::nullopt);
  }
}

TEST(OnboardingFlow, TheHintComesOnlyAfterTwelveSecondsOfWaiting) {
  OnboardingFixture f;
  EXPECT_EQ(f.flow->hint(100), std::nullopt) << "nothing before the waiting block showed";
  f.flow->waitingShown(100);
  f.flow->waitingShown(105);
  EXPECT_EQ(f.flow->waitingSince(), 100) << "set once";
  EXPECT_EQ(f.flow->hint(112), std::nullopt);
  EXPECT_EQ(f.flow->hint(112.0), std::nullopt) << "exactly 12 s is not yet";
  ASSERT_TRUE(f.flow->hint(112.001));
  EXPECT_EQ(f.flow->hint(112.001)->rfind("Still off? Check that at-spi2-core is installed", 0), 0u);
  // A grant withdrawn later shows the block again; its count began at the first showing.
  f.flow->waitingShown(300);
  EXPECT_TRUE(f.flow->hint(300));
}

TEST(OnboardingFlow, AccessibilityButtonSwitchesOnPollsAndOpensTheSettings) {
  OnboardingFixture f;
  f.flow->turnOnAccessibility();
  EXPECT_EQ(f.host.calls, (std::vector<std::string>{"request ax", "poll", "settings accessibility", "poll"}));
  EXPECT_EQ(f.flow->accessibilityStatus(), "Waiting for Accessibility\u2026");
  f.host.grant(true, Mic::denied);
  EXPECT_EQ(f.flow->accessibilityStatus(), "Accessibility is on");
}

TEST(OnboardingFlow, MicrophoneRowAndButtonByState) {
  struct Case {
    Mic published;
    Mic fresh;
    OnboardingFlow::MicRow row;
    std::vector<std::string> calls;
  };
  const std::vector<Case> cases{
      {Mic::granted, Mic::granted, {true, "Microphone is on", std::nullopt, std::nullopt}, {}},
      {Mic::notAsked,
       Mic::notAsked,
       {false, "Microphone not allowed yet", "Allow Microphone", std::nullopt},
       {"request mic"}},
      {Mic::notAsked, Mic::granted, {false, "Microphone not allowed yet", "Allow Microphone", std::nullopt}, {}},
      {Mic::denied,
       Mic::denied,
       {false, "No microphone Orvak can use", "Open Sound Settings",
        "Connect a microphone or choose one in Settings \u2192 Sound."},
       {"settings sound", "poll"}},
  };
  for (const auto& c : cases) {
    OnboardingFixture f;
    f.host.grant(false, c.published);
    f.host.freshMic = c.fresh;
    EXPECT_EQ(f.flow->micRow(), c.row);
    f.flow->micButton();
    EXPECT_EQ(f.host.calls, c.calls) << c.row.status;
  }
}

TEST(OnboardingFlow, TheMicrophoneProseNamesTheKeyInForce) {
  OnboardingFixture f;
  EXPECT_EQ(f.flow->micProse().rfind("Hold Right Shift while Orvak reads", 0), 0u);
  int changes = 0;
  f.flow->onChange = [&] { ++changes; };
  f.host.prefs().setHotkeyCode(58);
  EXPECT_EQ(f.flow->micProse().rfind("Hold Left Alt while Orvak reads", 0), 0u);
  EXPECT_EQ(changes, 1) << "the page is redrawn";
}

}  // namespace

// ---- The voice, try-it and ready pages ----

#include "tests/vendor_servers/memory_keychain.h"

namespace {

TEST(OnboardingPages, VoiceCardsAreReadyWithoutAKeyOrWithAStoredOne) {
  OnboardingFixture f;
  f.host.prefs().setVendor(Vendor::onDevice);
  test::useMemoryKeychain({});
  const std::string notSetUp = "Not set up on this computer yet. Orvak uses On-device until it is.";
  EXPECT_EQ(f.flow->voiceCards(),
            (std::vector<OnboardingFlow::VoiceCard>{
                {Vendor::inworld, false, false, "Natural", notSetUp},
                {Vendor::onDevice, true, true, "On-device", "Runs on this computer. Works offline."}}));
  f.flow->tapVoice(Vendor::inworld);
  f.flow->hearVoice(Vendor::inworld);
  EXPECT_EQ(f.host.prefs().vendor(), Vendor::onDevice) << "a voice that is not set up cannot be chosen";
  EXPECT_TRUE(f.host.triggers.empty()) << "nor heard";

  test::useMemoryKeychain({{"inworld", "test-key-123456"}});
  const auto cards = f.flow->voiceCards();
  ASSERT_EQ(cards.size(), 2u);
  EXPECT_TRUE(cards[0].ready) << "a key stored meanwhile counts at once";
  EXPECT_EQ(cards[0].description, "Our most lifelike voice. Streams over the internet.");
  f.flow->tapVoice(Vendor::inworld);
  EXPECT_EQ(f.host.prefs().vendor(), Vendor::inworld);
  EXPECT_TRUE(f.flow->voiceCards()[0].selected);
  test::useMemoryKeychain({});
}

TEST(OnboardingPages, TheMarkedCardIsTheVoiceThatWillRead) {
  // The natural voice chosen (the default) but its key gone: the on-device voice reads, and its
  // card is the one marked, whichever card the settings name.
  struct Case {
    Vendor chosen;
    bool key;
    Vendor marked;
  };
  const std::vector<Case> cases{{Vendor::inworld, false, Vendor::onDevice},
                                {Vendor::inworld, true, Vendor::inworld},
                                {Vendor::onDevice, true, Vendor::onDevice},
                                {Vendor::cartesia, true, Vendor::onDevice}};
  for (const auto& c : cases) {
    OnboardingFixture f;
    test::useMemoryKeychain(c.key ? std::map<std::string, std::string>{{"inworld", "test-key-123456"}}
                                  : std::map<std::string, std::string>{});
    f.host.prefs().setVendor(c.chosen);
    std::vector<Vendor> marked;
    for (const auto& card : f.flow->voiceCards()) {
      if (card.selected) marked.push_back(card.vendor);
    }
    EXPECT_EQ(marked, std::vector<Vendor>{c.marked}) << rawValue(c.chosen) << (c.key ? " with a key" : "");
  }
  test::useMemoryKeychain({});
}

TEST(OnboardingPages, HearItAndReadItToMeStartTheirReads) {
  OnboardingFixture f;
  test::useMemoryKeychain({{"inworld", "test-key-123456"}});
  f.host.prefs().setVendor(Vendor::inworld);
  f.flow->hearVoice(Vendor::onDevice);
  f.flow->hearVoice(Vendor::inworld);
  using test::Triggered;
  EXPECT_EQ(f.host.triggers,
            (std::vector<Triggered>{
                {"test", ReadOptions{},
                 "This is the On-device voice. Double-tap your key in any app, and I'll read what's in front of you.",
                 Vendor::onDevice},
                {"test", ReadOptions{},
                 "This is the Natural voice. Double-tap your key in any app, and I'll read what's in front of you.",
                 Vendor::inworld}}));
  test::useMemoryKeychain({});

  f.host.triggers.clear();
  f.flow->setStep(OnboardingFlow::kTryIt);
  f.flow->appeared();
  EXPECT_EQ(f.flow->tryItButton(), "Read It to Me");
  f.flow->pressTryIt();
  EXPECT_EQ(f.host.triggers, (std::vector<Triggered>{{"onboarding", ReadOptions{}, std::nullopt, std::nullopt}}));

  f.host.player = true;
  f.vt.advance(OnboardingFlow::kSampleInterval);
  EXPECT_EQ(f.flow->tryItButton(), "Stop");
  f.flow->pressTryIt();
  EXPECT_EQ(f.host.stops, std::vector<std::string>{"user"});
  EXPECT_EQ(f.flow->tryItButton(), "Stop") << "until the next look at the read";
  f.vt.advance(OnboardingFlow::kSampleInterval);
  EXPECT_EQ(f.flow->tryItButton(), "Read It to Me");

  // A desktop that cannot capture our window still reads the sample, as text.
  f.host.captureSelf = false;
  f.host.triggers.clear();
  f.flow->pressTryIt();
  ASSERT_EQ(f.host.triggers.size(), 1u);
  EXPECT_EQ(f.host.triggers[0].source, "onboarding");
  EXPECT_EQ(f.host.triggers[0].text, OnboardingFlow::sampleText());
  EXPECT_NE(OnboardingFlow::sampleText().find("find it later in Highlights."), std::string::npos);
}

TEST(OnboardingPages, ChecklistByMicrophoneAndFlags) {
  struct Case {
    Mic mic;
    bool started, saved;
    std::vector<OnboardingFlow::Check> rows;
  };
  const std::string first = "Double-tap Right Shift, or click Read It to Me.";
  const std::string hold = "While it reads, hold Right Shift and say \u201Chighlight that.\u201D";
  const std::vector<Case> cases{
      {Mic::granted,
       false,
       false,
       {{false, first, false}, {false, hold, false}, {false, "Orvak saves the sentence for you.", false}}},
      {Mic::granted,
       true,
       false,
       {{true, first, false}, {false, hold, false}, {false, "Orvak saves the sentence for you.", false}}},
      {Mic::granted,
       true,
       true,
       {{true, first, false}, {true, hold, false}, {true, "Saved to Highlights. That's the whole idea.", false}}},
      {Mic::denied,
       true,
       true,
       {{true, first, false},
        {false, "Voice commands need the microphone. You can allow it later in Settings.", true}}},
  };
  for (const auto& c : cases) {
    OnboardingFixture f;
    f.host.grant(true, c.mic);
    f.flow->setStep(OnboardingFlow::kTryIt);
    f.flow->appeared();
    if (c.started) {
      f.host.player = true;
      f.vt.advance(OnboardingFlow::kSampleInterval);
    }
    if (c.saved) f.post(notifications::orvakNotesChanged);
    EXPECT_EQ(f.flow->checklist(), c.rows);
  }
}

TEST(OnboardingPages, TextsNamingTheKeyFollowTheSetting) {
  OnboardingFixture f;
  f.host.prefs().setHotkeyCode(61);
  EXPECT_EQ(f.flow->readyProse(),
            "Click into any article, email or PDF and double-tap Right Alt. Orvak lives in the system tray.");
  EXPECT_EQ(f.flow->checklist().front().text, "Double-tap Right Alt, or click Read It to Me.");
}

TEST(OnboardingPages, WithoutAWatchedKeyNoTextAsksForATapOrAHold) {
  OnboardingFixture f;
  f.host.watchKey = false;
  f.host.grant(true, Mic::granted);
  f.flow->setStep(OnboardingFlow::kTryIt);
  f.flow->appeared();
  const auto rows = f.flow->checklist();
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0], (OnboardingFlow::Check{false, "Click Read It to Me.", false}));
  EXPECT_TRUE(rows[1].dimmed);
  EXPECT_NE(rows[1].text.find("can't watch keys"), std::string::npos) << rows[1].text;
  for (const std::string& text : {rows[0].text, rows[1].text, f.flow->readyProse()}) {
    EXPECT_EQ(text.rfind("Double-tap ", 0), std::string::npos) << text;
    EXPECT_EQ(text.find("hold Right Shift and say"), std::string::npos) << text;
  }
  EXPECT_NE(f.flow->readyProse().find("This session can't watch keys"), std::string::npos) << f.flow->readyProse();
  EXPECT_EQ(f.flow->footer().back().label, "Skip") << "the step can be left without a read";
}

TEST(OnboardingPages, TheLastPagePointsAtTheTrayOnlyWhenThereIsOne) {
  OnboardingFixture f;
  f.host.tray = false;
  const std::string prose = f.flow->readyProse();
  EXPECT_EQ(prose.find("system tray."), std::string::npos) << prose;
  EXPECT_EQ(prose.rfind("Click into any article, email or PDF and double-tap Right Shift. ", 0), 0u) << prose;
  EXPECT_NE(prose.find("Orvak's window, open Orvak again from your applications"), std::string::npos) << prose;
  f.host.tray = true;
  EXPECT_NE(f.flow->readyProse().find("Orvak lives in the system tray."), std::string::npos) << "asked each time";
}

}  // namespace

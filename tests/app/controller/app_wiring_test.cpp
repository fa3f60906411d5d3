// The controller's wiring around a read: engines prepared at launch, voice commands set up and
// held, the page captured for a question, notes of saved things, the warning cue and going back
// past the read's start. Simulated desktop, scripted engines, a recording voice double.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "core/base/json.h"
#include "core/base/read_file.h"
#include "core/library/research_item.h"
#include "tests/app/controller/app_fixture.h"
#include "tests/core/library/library_fixtures.h"

using namespace orvak;
using namespace orvak::test;

namespace {

std::string article() { return *readWholeFile("tests/fixtures/scenes/article.scene.json"); }

// Our own application in front of the article's browser (the library window may be ours).
std::string articleBehindUs() {
  json::Json scene = json::parse(article());
  scene["applications"].push_back({{"ref", "us"}, {"pid", 777}, {"name", "Orvak"}});
  scene["self"] = "us";
  scene["frontmost"] = "us";
  return json::dump(scene);
}

}  // namespace

TEST(AppWiringTest, LaunchPreparesTheChosenVoiceAheadOfTheFirstRead) {
  {
    App a(true, true, Mic::granted);
    a.app->prefs().setVendor(Vendor::onDevice);
    a.app->launch();
    a.vt.drain();
    EXPECT_EQ(a.onDevice->prepares, 1);
    ASSERT_FALSE(a.made.empty());
    EXPECT_EQ(a.made.front().first, Vendor::onDevice) << "the on-device engine exists before any read";
  }
  // A cloud voice is made at launch, and connected only when its key is there.
  for (const bool keyed : {false, true}) {
    App a(true, true, Mic::granted);
    if (keyed) {
      ASSERT_FALSE(Keys::save("cartesia", "cartesia-key-123456"));
    }
    a.app->prefs().setVendor(Vendor::cartesia);
    a.app->launch();
    a.vt.drain();
    EXPECT_EQ(a.made.size(), 2u);
    EXPECT_EQ(a.cartesia->prepares, keyed ? 1 : 0);
  }
}

TEST(AppWiringTest, VoiceCommandsAreSetUpOnceWhenTheMicrophoneIsGranted) {
  struct Case {
    Mic mic;
    std::optional<std::string> error;
    const char* status;
    const char* holdSays;  // the pill's note on a hold; null: the hold goes to the voice commands
  };
  const Case cases[] = {
      {Mic::granted, std::nullopt, "on", nullptr},
      {Mic::granted, "no microphone input", "no microphone input",
       "Voice commands couldn't start (no microphone input) — quit and reopen Orvak to try again"},
      {Mic::notAsked, std::nullopt, "off", "Voice commands need the microphone"}};
  for (const Case& c : cases) {
    App a(true, true, c.mic);
    LogTail log;
    a.voice = std::make_shared<TraceVoice>();
    a.voice->setupError = c.error;
    a.app->launch();
    a.vt.drain();
    EXPECT_EQ(a.app->voice().status(), c.status);
    EXPECT_EQ(std::count(a.trace->begin(), a.trace->end(), "voice: setup"), c.mic == Mic::granted ? 1 : 0);
    if (c.mic == Mic::granted) {
      EXPECT_EQ(log.count("voice: " + c.error.value_or("ready") + " in 0 ms (stt warm 42 ms, echo cancellation true)"),
                1);
    }
    a.app->perms().onChange();  // a failed set-up is not tried again
    a.vt.drain();
    EXPECT_LE(std::count(a.trace->begin(), a.trace->end(), "voice: setup"), 1);
    a.app->voice().holdStart();
    if (c.holdSays) {
      EXPECT_EQ(pillText(a), c.holdSays) << c.status;
    } else {
      EXPECT_TRUE(traced(a, "voice: hold idle=1 library=0")) << c.status;
    }
  }
}

TEST(AppWiringTest, AHoldGoesWhereTheUserIsLooking) {
  // Without voice commands a hold only says why nothing happens.
  for (const Mic mic : {Mic::granted, Mic::denied}) {
    App a(true, true, mic);
    a.app->launch();
    a.app->voice().holdStart();
    EXPECT_EQ(pillText(a), mic == Mic::granted ? "Voice commands are starting…" : "Voice commands need the microphone");
  }

  struct Case {
    const char* name;
    bool ourLibraryInFront, reading, captureRunning;
    const char* hold;  // what the voice commands hear; "" for nothing
    bool captures;
  };
  const Case cases[] = {
      {"reading", false, true, false, "voice: hold idle=0 library=0", false},
      {"library in front", true, false, false, "voice: hold idle=1 library=1", false},
      {"a page in front", false, false, false, "voice: hold idle=1 library=0", true},
      {"capture running", false, false, true, "", false},
  };
  for (const Case& c : cases) {
    const std::string scene = c.ourLibraryInFront ? articleBehindUs() : article();
    App a(scene.c_str(), true, Mic::granted);
    a.voice = std::make_shared<TraceVoice>();
    a.app->launch();
    a.vt.drain();
    if (c.ourLibraryInFront) a.windows->library = true;
    if (c.reading) {
      a.doubleTap();
      a.vt.advance(1);
      ASSERT_NE(a.app->read().player(), nullptr) << c.name;
    }
    if (c.captureRunning) {
      // A read stopped while its capture is still on the capture queue: nothing plays, yet busy.
      a.app->trigger("menu", -1);
      a.app->trigger("menu", -1);
      ASSERT_TRUE(a.app->read().capturing());
      ASSERT_EQ(a.app->read().player(), nullptr);
    }
    a.trace->clear();
    a.app->voice().holdStart();
    const bool held = *c.hold != 0;
    EXPECT_EQ(held ? traced(a, c.hold)
                   : std::none_of(a.trace->begin(), a.trace->end(),
                                  [](const std::string& l) { return l.rfind("voice: hold", 0) == 0; }),
              true)
        << c.name;
    EXPECT_EQ(!a.app->voice().idleCaptured(), c.captures) << c.name;
    a.app->voice().holdEnd(false);
    EXPECT_EQ(traced(a, "voice: up"), held) << c.name;
    a.vt.advance(1);
    if (c.captures) {
      EXPECT_TRUE(a.app->voice().idleCaptured());
      ASSERT_TRUE(a.app->voice().idleCapture()) << c.name;
      EXPECT_EQ(a.app->voice().idleCapture()->appName, "Firefox");
    }
  }
}

TEST(AppWiringTest, AQuestionWhileIdleWaitsForThePageAndReadingAtAQuoteStartsThere) {
  App a(article().c_str(), true, Mic::granted);
  LogTail log;
  a.voice = std::make_shared<TraceVoice>();
  a.app->launch();
  a.vt.drain();
  a.app->voice().captureForAsking();
  std::optional<VoiceCommands::Page> page;
  bool answered = false;
  a.voice->idlePage([&](std::optional<VoiceCommands::Page> p) {
    answered = true;
    page = std::move(p);
  });
  EXPECT_FALSE(answered) << "the page is not there yet";
  a.voice->onReadAt("No river runs straight for long");
  a.vt.advance(1);
  ASSERT_TRUE(answered);
  ASSERT_TRUE(page);
  EXPECT_EQ(page->title, a.app->voice().idleCapture()->windowTitle.value_or(""));
  EXPECT_NE(page->text.find("No river runs straight for long"), std::string::npos);
  EXPECT_EQ(log.count("start: asked at char "), 1) << "read from the quote, on the page already captured";
  EXPECT_TRUE(traced(a, "voice: attach")) << "the ready voice commands follow the new read";

  // Developer speech: with nothing playing the page is captured first; while reading it is not.
  a.app->read().player()->stop("user");
  a.vt.advance(1);
  a.app->voice().debugSay("what is this about");
  EXPECT_FALSE(a.app->voice().idleCaptured());
  EXPECT_TRUE(traced(a, "voice: simulate what is this about idle"));
}

TEST(AppWiringTest, AVoiceReadWithoutAQuoteResumesTheSavedPlaceOrStartsAtTheClick) {
  App a(article().c_str(), true, Mic::granted);
  LogTail log;
  a.voice = std::make_shared<TraceVoice>();
  a.app->launch();
  a.vt.drain();
  a.doubleTap();
  a.vt.advance(2.5);
  ASSERT_NE(a.app->read().player(), nullptr);
  a.app->trigger("hotkey", 0);  // the user stops: the place is kept
  a.vt.advance(0.5);
  ASSERT_EQ(a.app->read().player(), nullptr);

  a.voice->onReadAt(std::nullopt);  // "resume" while nothing plays
  a.vt.advance(1);
  EXPECT_EQ(log.count("start: resume at char "), 1) << log.text();
  a.app->trigger("hotkey", 0);
  a.vt.advance(0.5);

  a.events->click({210, 650});
  a.vt.advance(0.1);
  a.voice->onReadAt(std::nullopt);
  a.vt.advance(1);
  EXPECT_EQ(log.count("start: clicked at char "), 1) << log.text();
  EXPECT_EQ(log.count("start: top"), 1) << "only the first read starts at the page's start";
}

TEST(AppWiringTest, SavedThingsReloadTheLibraryAndShowOnThePage) {
  App a(article().c_str(), true, Mic::granted);
  int reloads = 0;
  const auto watch = a.notifications->observe("orvak.notesChanged", [&](const platform::Notification&) { ++reloads; });
  a.app->launch();
  a.doubleTap();
  a.vt.advance(1);
  ASSERT_NE(a.app->read().highlighter(), nullptr);
  EXPECT_TRUE(a.app->read().highlighter()->saved.empty());

  // A highlight saved by voice while reading: stored, then announced.
  const auto& cap = *a.app->read().lastCapture();
  ResearchItem item = test::item(1.7e9, "No river runs straight for long.", cap.url);
  item.windowTitle = cap.windowTitle.value_or("");
  item.app = cap.appName;
  a.app->store().save(item);
  a.app->notices().note("Highlighted ✓ the whole paragraph");
  a.vt.drain();
  EXPECT_EQ(reloads, 1);
  EXPECT_EQ(a.app->read().highlighter()->saved.size(), 1u) << "the new highlight shows at once";

  item.kind = ResearchItem::Kind::note;
  item.note = "Check the bridge vote";
  a.app->store().save(item);
  a.app->notices().note("Note saved");
  a.vt.drain();
  EXPECT_EQ(reloads, 2);
  EXPECT_EQ(a.app->pill().model().state().sub, "“Check the bridge vote”") << "the note saved last";

  a.app->notices().note("From the top");
  a.vt.drain();
  EXPECT_EQ(reloads, 2) << "other notes change nothing in the library";
}

TEST(AppWiringTest, AWarningPlaysTheWarnCueWhenCueSoundsAreOn) {
  for (const bool sound : {false, true}) {
    App a(true, true, Mic::granted);
    a.app->prefs().setSound(sound);
    a.app->launch();
    a.app->notices().fail("Orvak needs Accessibility access");
    EXPECT_EQ(a.app->notices().lastError(), "Orvak needs Accessibility access");
    EXPECT_EQ(pillText(a), "Orvak needs Accessibility access");
    EXPECT_EQ(a.sounds.size(), sound ? 1u : 0u) << "the audio graph is idle: the sound's own player";
  }
}

TEST(AppWiringTest, GoingBackPastTheStartReadsFromTheSentenceBefore) {
  // A page of numbered sentences, read from a quoted passage well into it.
  std::string text;
  for (int i = 0; i < 400; ++i) text += "Sentence number " + std::to_string(i) + " is here. ";
  const auto readFrom = [&](App& a, const std::string& quote) {
    Capture cap;
    cap.appName = "Editor";
    cap.clean.text = text;
    cap.clean.chars = text::graphemeCount(text);
    ReadOptions opts;
    opts.startQuote = quote;
    a.app->trigger("ask", -1, opts, std::nullopt, std::nullopt, cap);
    a.vt.advance(0.5);
  };
  {
    App a(true, true, Mic::granted);
    LogTail log;
    a.app->launch();
    readFrom(a, "Sentence number 370 is here.");
    const auto first = a.app->read().player();
    ASSERT_NE(first, nullptr);
    const int was = first->spoken()->from;
    ASSERT_GT(was, 4000);
    a.app->pill().actions()->back();  // in the first sentence: past the start
    a.vt.advance(0.5);
    ASSERT_NE(a.app->read().player(), first);
    const int now = a.app->read().player()->spoken()->from;
    EXPECT_EQ(now, static_cast<int>(text.find("Sentence number 369 ")));
    EXPECT_EQ(log.count("start: back at char " + std::to_string(now) + " (was " + std::to_string(was) + ")"), 1);
    EXPECT_EQ(log.count("read end (back)"), 1);
  }

  // One long run without a sentence end: the search stays within the 4,000 characters before.
  std::string run;
  for (int i = 0; run.size() < 9000; ++i) run += "w" + std::to_string(i) + " ";
  text = run + "Target sentence here.";
  {
    App b(true, true, Mic::granted);
    b.app->launch();
    readFrom(b, "Target sentence here.");
    const int from = b.app->read().player()->spoken()->from;
    b.app->read().backBeforeStart();
    b.vt.advance(0.5);
    const int back = b.app->read().player()->spoken()->from;
    EXPECT_GE(back, from - 4000);
    EXPECT_LT(back, from);
  }

  // A read from the first character has nothing before it.
  text = "Only one sentence.";
  App c(true, true, Mic::granted);
  c.app->launch();
  readFrom(c, "Only one sentence.");
  const auto only = c.app->read().player();
  c.app->read().backBeforeStart();
  EXPECT_EQ(c.app->read().player(), only);
}

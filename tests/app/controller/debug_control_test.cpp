// The developer control channel: its option and control parsing, triggers that read and answer
// with the timing record, the controls, and the probes, on the simulated desktop in virtual time.
#include "app/controller/debug_control.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>

#include "core/base/json.h"
#include "core/base/read_file.h"
#include "tests/app/controller/app_fixture.h"
#include "tests/core/library/library_fixtures.h"

using namespace orvak;
using namespace orvak::test;

namespace {

using KV = std::map<std::string, std::string>;

struct Channel {
  App a;
  LogTail log;
  explicit Channel(const char* scene = nullptr)
      : a(scene ? scene : readWholeFile("tests/fixtures/scenes/article.scene.json")->c_str(), true, Mic::granted,
          [] {}) {
    a.app->prefs().d->set(Prefs::kDebugControlFlag, true);
    a.voice = std::make_shared<TraceVoice>();
    a.app->launch();
    a.vt.drain();
  }
  void trigger(const std::string& options) { a.bus->send(DebugNames::trigger(), options); }
  void control(const std::string& message) {
    a.bus->send(DebugNames::control(), message);
    a.vt.drain();
  }
  std::vector<std::string> posted(const std::string& wanted) const {
    std::vector<std::string> out;
    for (const auto& [name, payload] : a.bus->posted) {
      if (name == wanted) out.push_back(payload);
    }
    return out;
  }
  std::vector<std::string> results() const { return posted(DebugNames::result()); }
};

}  // namespace

TEST(DebugControlTest, OptionsAndControlsParse) {
  const std::pair<const char*, KV> options[] = {
      {"mute stopAfter=2.5 vendor=apple", {{"mute", "1"}, {"stopAfter", "2.5"}, {"vendor", "apple"}}},
      {"mute=0", {{"mute", "0"}}},
      {"mute=1  mute=0", {{"mute", "0"}}},
      {"=x text=a=b", {{"x", "1"}, {"text", "a=b"}}},
      {"== mute= =stopAfter=2 text==b", {{"mute", "1"}, {"stopAfter", "2"}, {"text", "=b"}}},
      {"", {}},
  };
  for (const auto& [text, expected] : options) EXPECT_EQ(DebugControl::kv(text), expected) << text;

  const std::pair<const char*, std::optional<std::pair<std::string, std::string>>> controls[] = {
      {"toggle", std::pair<std::string, std::string>{"toggle", ""}},
      {"say=what is = this", std::pair<std::string, std::string>{"say", "what is = this"}},
      {"=page=help", std::pair<std::string, std::string>{"page", "help"}},
      {"", std::nullopt},
      {"=", std::nullopt},
  };
  for (const auto& [text, expected] : controls) {
    const auto c = DebugControl::parseControl(text);
    ASSERT_EQ(c.has_value(), expected.has_value()) << text;
    if (c) {
      EXPECT_EQ(std::make_pair(c->word, c->argument), *expected) << text;
    }
  }

  const std::pair<const char*, int> scrolls[] = {
      {"", -10},      {"3", 3},  {"-4", -4},   {"x", -10}, {"2.5", -10}, {"2147483648", -10}, {"-2147483648", -1000},
      {"5000", 1000}, {"+3", 3}, {"+-3", -10}, {"+", -10}};
  for (const auto& [text, lines] : scrolls) EXPECT_EQ(DebugControl::scrollLines(text), lines) << text;
}

TEST(DebugControlTest, ATriggerReadsWithItsOptionsAndAnswersWithTheTimingRecord) {
  {
    Channel c;
    EXPECT_EQ(c.log.count("debug control channel on"), 1);
    c.trigger("mute stopAfter=2 vendor=apple text=/no/such/file");
    c.a.vt.advance(1);
    ASSERT_EQ(c.results().size(), 1u) << "answered at the first sound";
    const json::Json record = json::parse(c.results()[0]);
    EXPECT_EQ(record.at("trigger"), "debug");
    EXPECT_EQ(record.at("engine"), "apple");
    EXPECT_EQ(c.log.count("capture: Firefox"), 1) << "a file that cannot be read leaves the front window to read";
    c.a.vt.advance(3);
    EXPECT_EQ(c.a.app->read().player(), nullptr) << "stopped after 2 s";
    EXPECT_EQ(c.results().size(), 1u);
  }

  // A read that never sounds answers all the same.
  Channel none(R"({"trusted": true, "applications": []})");
  none.trigger("");
  none.a.vt.advance(1);
  EXPECT_EQ(none.results().size(), 1u);
}

TEST(DebugControlTest, ATriggersTextComesOnlyFromARegularFileWithinTheLimit) {
  const std::filesystem::path dir = freshDir("debug-text");
  const std::string page = "A page from a file. It has two sentences.";
  std::ofstream(dir / "page.txt") << page;
  const std::filesystem::path pipe = dir / "pipe";
  ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);  // nobody writes: opening it to read would wait
  const std::filesystem::path big = dir / "big.txt";
  std::ofstream(big) << "x";
  std::filesystem::resize_file(big, DebugControl::kMaxTextFileBytes + 1);  // sparse: costs nothing

  const struct {
    std::filesystem::path path;
    bool fromFile;
  } cases[] = {
      {dir / "page.txt", true}, {"/dev/zero", false}, {pipe, false}, {big, false}, {dir, false},
  };
  for (const auto& c : cases) {
    Channel ch;
    ch.trigger("mute text=" + c.path.string());
    ch.a.vt.advance(0.5);
    const auto player = ch.a.app->read().player();
    ASSERT_NE(player, nullptr) << c.path;
    const auto spoken = player->spoken();
    ASSERT_TRUE(spoken) << c.path;
    if (c.fromFile) {
      EXPECT_EQ(spoken->text, page);
      EXPECT_EQ(ch.log.count("capture: Firefox"), 0);
    } else {
      EXPECT_NE(spoken->text, page) << c.path;
      EXPECT_EQ(ch.log.count("capture: Firefox"), 1) << c.path << ": the front window is read instead";
      EXPECT_EQ(ch.log.count("debug: text file not read"), 1) << c.path;
    }
  }
}

TEST(DebugControlTest, ControlsDriveTheApplication) {
  Channel c;
  struct Case {
    const char* message;
    const char* traced;  // a line the controls add to the trace; "" for none
  };
  const Case cases[] = {
      {"page=documents", "windows: main documents"},
      {"page=Library", ""},
      {"settings", "windows: main general"},
      {"notes", "windows: main library"},
      {"onboarding", "windows: onboarding"},
      {"inject=/a.wav", "voice: inject /a.wav | /a.wav | -20"},
      {"inject=/b.wav|b|-6", "voice: inject /b.wav | b | -6"},
      {"inject=/c.wav||loud", "voice: inject /c.wav | loud | -20"},
      {"say=pause", "voice: simulate pause idle"},
  };
  for (const Case& k : cases) {
    c.a.trace->clear();
    const auto answers = c.posted(DebugNames::controlled()).size();
    c.control(k.message);
    EXPECT_EQ(c.posted(DebugNames::controlled()).size(), answers + 1) << k.message;
    EXPECT_EQ(c.posted(DebugNames::controlled()).back(), "done") << k.message;
    EXPECT_EQ(c.log.count("debug: control " + std::string(k.message)), 1) << k.message;
    if (*k.traced) {
      EXPECT_NE(std::find(c.a.trace->begin(), c.a.trace->end(), k.traced), c.a.trace->end()) << k.message;
    } else {
      EXPECT_TRUE(c.a.trace->empty()) << k.message;
    }
  }

  c.a.app->prefs().setSpeed(1.0f);
  for (const char* bad : {"speed=abc", "speed=nan", "speed=inf", "speed=0", "speed=-1", "speed=0x2"}) {
    c.control(bad);
    EXPECT_FLOAT_EQ(c.a.app->prefs().speed(), 1.0f) << bad;
  }
  c.control("speed=1.5");
  EXPECT_FLOAT_EQ(c.a.app->prefs().speed(), 1.5f);

  const double keep = Player::keepBehindSec();
  const double trimStep = Player::trimStepSec();
  c.control("trimtest=1");
  EXPECT_EQ(Player::keepBehindSec(), keep) << "two numbers or nothing";
  c.control("trimtest=12,0.5");
  EXPECT_EQ(Player::keepBehindSec(), 12);
  EXPECT_EQ(Player::trimStepSec(), 0.5);
  Player::setKeepBehindSec(keep);
  Player::setTrimStepSec(trimStep);

  c.control("alwaysOn=1");
  EXPECT_TRUE(c.a.app->prefs().alwaysOnListening());
  for (const char* unknown : {"frobnicate=a=b", "=", ""}) {
    const int before = c.log.count("debug: unknown control ");
    c.control(unknown);
    EXPECT_EQ(c.log.count("debug: unknown control "), before + 1) << "one line for \"" << unknown << "\"";
    EXPECT_EQ(c.posted(DebugNames::controlled()).back(), "unknown") << unknown;
  }
  EXPECT_EQ(c.log.count("debug: unknown control frobnicate=a=b"), 1);

  std::optional<std::int64_t> step;
  const auto watch = c.a.notifications->observe("orvak.debugOnboardingStep",
                                                [&](const platform::Notification& n) { step = n.object; });
  c.control("onboardingStep=3");
  EXPECT_EQ(step, 3);
  c.control("onboardingStep=x");
  EXPECT_EQ(step, 0);

  // The read's buttons.
  c.trigger("mute");
  c.a.vt.advance(1);
  ASSERT_NE(c.a.app->read().player(), nullptr);
  c.control("toggle");
  c.a.vt.advance(0.5);
  ASSERT_TRUE(c.a.app->read().playerState());
  EXPECT_TRUE(c.a.app->read().playerState()->paused);
  c.control("stop");
  c.a.vt.advance(0.5);
  EXPECT_EQ(c.a.app->read().player(), nullptr);
  EXPECT_EQ(c.log.count("read end (user)"), 1);
}

TEST(DebugControlTest, ProbesWriteWhatTheyFind) {
  Channel c;
  c.control("axprobe");
  EXPECT_EQ(c.log.count("axprobe: "), 1);
  EXPECT_EQ(c.log.count("axprobe: no capture"), 1);

  c.trigger("mute");
  c.a.vt.advance(1);
  c.control("stop");
  c.control("axprobe");
  c.a.vt.drain();
  EXPECT_EQ(c.log.count("axprobe: Firefox node "), 1);
  EXPECT_EQ(c.log.count("axprobe: pos ("), 7);
  EXPECT_EQ(c.log.count("axprobe: @0 \u2192 ["), 1);

  // Scrolling the front window: the steps at its centre, the check 0.7 s later in any case.
  for (const auto& [message, lines] : std::vector<std::pair<std::string, int>>{{"scroll", -10}, {"scroll=3", 3}}) {
    c.control(message);
    const auto posted = c.a.events->postedScrolls();
    ASSERT_FALSE(posted.empty()) << message;
    EXPECT_EQ(posted.back().lines, lines) << message;
  }
  const auto before = c.a.events->postedScrolls().size();
  c.control("scroll=0");
  EXPECT_EQ(c.a.events->postedScrolls().size(), before) << "nothing to post";

  // During a read, even a scroll of nothing has the read checked 0.7 s later.
  c.trigger("mute");
  c.a.vt.advance(1);
  ASSERT_NE(c.a.app->read().player(), nullptr);
  const int checks = c.log.count("scroll check: ");
  c.control("scroll=0");
  c.a.vt.advance(0.6);
  EXPECT_EQ(c.log.count("scroll check: "), checks);
  c.a.vt.advance(0.3);
  EXPECT_EQ(c.log.count("scroll check: "), checks + 1);

  c.control("audioprobe");
  EXPECT_EQ(c.log.count("audio probe: output "), 1);
}

TEST(DebugControlTest, TheAccessibilityProbeSamplesTheLongestTextEveryHundredAndSixtyCharacters) {
  struct Case {
    const char* name;
    int chars;
    const char* errors;  // the element's scene errors
    int atLines;
    const char* lastAt;       // the last "@" line's start
    const char* notAnswered;  // a line the element without text ranges gives, "" otherwise
  };
  const Case cases[] = {
      {"short", 100, "{}", 1, "axprobe: @0 \u2192 [", ""},
      {"long", 5000, "{}", 10, "axprobe: @1440 \u2192 [", ""},
      {"no ranges", 300,
       R"({"AXRangeForPosition": "parameterizedAttributeUnsupported", "AXBoundsForRange":
          "parameterizedAttributeUnsupported", "AXLineForIndex": "parameterizedAttributeUnsupported"})",
       2, "axprobe: @160 \u2192 [0,0 0\u00D70] line n/a", "err -25213 index -1"},
  };
  for (const Case& c : cases) {
    std::string words;
    while (static_cast<int>(words.size()) < c.chars) words += "word ";
    words.resize(static_cast<std::size_t>(c.chars));
    const std::string scene = R"({"trusted": true, "applications": [{"ref": "ed", "name": "Editor", "pid": 4200,
        "windows": [{"ref": "w", "title": "Notes", "frame": [0, 30, 1000, 800], "children": [
          {"role": "AXTextArea", "value": ")" +
                              words + R"(", "frame": [40, 100, 900, 700], "errors": )" + c.errors + "}]}]}]}";
    Channel ch(scene.c_str());
    ch.trigger("mute");
    ch.a.vt.advance(1);
    ch.control("stop");
    ch.control("axprobe");
    ch.a.vt.drain();
    EXPECT_EQ(ch.log.count("axprobe: Editor node "), 1) << c.name;
    EXPECT_EQ(ch.log.count("axprobe: @"), c.atLines) << c.name;
    EXPECT_EQ(ch.log.count(c.lastAt), 1) << c.name << "\n" << ch.log.text();
    if (*c.notAnswered) {
      EXPECT_EQ(ch.log.count(c.notAnswered), 7) << c.name;
    }
  }
}

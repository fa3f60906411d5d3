#include "app/prefs.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "core/page/privacy.h"
#include "platform/activation.h"
#include "tests/support/temp_home.h"

namespace fs = std::filesystem;
using namespace orvak;
using platform::Data;
using platform::Defaults;
using platform::DefaultsValue;
using platform::TextList;
using S = Prefs::Setting;

namespace {

Data bytes(std::string_view s) { return {s.begin(), s.end()}; }

class PrefsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    file = test::freshDir("prefs") / "defaults.json";
    d = std::make_shared<Defaults>(file);
  }
  void TearDown() override { Privacy::setUserNeverRead({}); }

  // A store holding exactly `key` = `value`, as a file an earlier run left behind.
  std::unique_ptr<Prefs> loadWith(const std::string& key, const DefaultsValue& value) {
    d->set(key, value);
    return std::make_unique<Prefs>(std::make_shared<Defaults>(file));
  }

  fs::path file;
  std::shared_ptr<Defaults> d;
};

TEST_F(PrefsTest, FreshStoreGivesEveryDefaultAndWritesNothing) {
  const Prefs p(d);
  EXPECT_EQ(p.hotkeyCode(), 60);
  EXPECT_EQ(p.vendor(), Vendor::inworld);
  EXPECT_EQ(p.inworldVoice(), EngineConfig{}.inworldVoice);
  EXPECT_EQ(p.cartesiaVoice(), EngineConfig{}.cartesiaVoice);
  EXPECT_FALSE(p.inworldVoice().empty());
  EXPECT_EQ(p.onDeviceVoice(), "");
  EXPECT_EQ(p.speed(), 1.0f);
  EXPECT_EQ(p.appearance(), "light");
  EXPECT_EQ(p.historyKeepDays(), 90);
  for (bool on : {p.sound(), p.highlightAsItReads(), p.highlightWords(), p.showInDock(), p.launchAtLogin(),
                  p.studioVoice(), p.rememberListening()}) {
    EXPECT_TRUE(on);
  }
  for (bool off : {p.alwaysOnListening(), p.onboardingDone(), p.saveCaptures(), p.focusMode()}) {
    EXPECT_FALSE(off);
  }
  EXPECT_TRUE(p.neverReadApps().empty());
  EXPECT_TRUE(p.pronunciations().empty());
  EXPECT_FALSE(p.onChange);
  EXPECT_FALSE(fs::exists(file)) << "loading writes nothing";
}

TEST_F(PrefsTest, StoredValuesToLoadedSettings) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  struct Case {
    const char* key;
    DefaultsValue stored;
    std::function<void(const Prefs&)> expect;
  };
  const Case cases[] = {
      {"hotkeyCode", std::int64_t{58}, [](auto& p) { EXPECT_EQ(p.hotkeyCode(), 58); }},
      {"hotkeyCode", std::int64_t{0}, [](auto& p) { EXPECT_EQ(p.hotkeyCode(), 0); }},
      {"hotkeyCode", std::int64_t{65535}, [](auto& p) { EXPECT_EQ(p.hotkeyCode(), 65535); }},
      {"hotkeyCode", std::int64_t{65536}, [](auto& p) { EXPECT_EQ(p.hotkeyCode(), 60); }},
      {"hotkeyCode", std::int64_t{65536 + 58}, [](auto& p) { EXPECT_EQ(p.hotkeyCode(), 60); }},
      {"hotkeyCode", std::int64_t{-1}, [](auto& p) { EXPECT_EQ(p.hotkeyCode(), 60); }},
      {"hotkeyCode", std::string("58"), [](auto& p) { EXPECT_EQ(p.hotkeyCode(), 60); }},
      {"hotkeyCode", 58.0, [](auto& p) { EXPECT_EQ(p.hotkeyCode(), 60); }},
      {"hotkeyCode", true, [](auto& p) { EXPECT_EQ(p.hotkeyCode(), 60); }},
      {"vendor", std::string("apple"), [](auto& p) { EXPECT_EQ(p.vendor(), Vendor::onDevice); }},
      {"vendor", std::string("cartesia"), [](auto& p) { EXPECT_EQ(p.vendor(), Vendor::cartesia); }},
      {"vendor", std::string("Apple"), [](auto& p) { EXPECT_EQ(p.vendor(), Vendor::inworld); }},
      {"vendor", std::int64_t{2}, [](auto& p) { EXPECT_EQ(p.vendor(), Vendor::inworld); }},
      {"inworldVoice", std::string("Dennis"), [](auto& p) { EXPECT_EQ(p.inworldVoice(), "Dennis"); }},
      {"inworldVoice", std::string(), [](auto& p) { EXPECT_EQ(p.inworldVoice(), ""); }},
      {"cartesiaVoice", false, [](auto& p) { EXPECT_EQ(p.cartesiaVoice(), EngineConfig{}.cartesiaVoice); }},
      {"appleVoice", std::string("en-gb"), [](auto& p) { EXPECT_EQ(p.onDeviceVoice(), "en-gb"); }},
      {"speed", 1.25, [](auto& p) { EXPECT_EQ(p.speed(), 1.25f); }},
      {"speed", std::int64_t{2}, [](auto& p) { EXPECT_EQ(p.speed(), 2.0f); }},
      {"speed", std::string("fast"), [](auto& p) { EXPECT_EQ(p.speed(), 1.0f); }},
      {"speed", nan, [](auto& p) { EXPECT_EQ(p.speed(), 1.0f); }},
      {"speed", 1e300, [](auto& p) { EXPECT_EQ(p.speed(), 1.0f); }},
      {"speed", 0.0, [](auto& p) { EXPECT_EQ(p.speed(), 1.0f); }},
      {"speed", -1.5, [](auto& p) { EXPECT_EQ(p.speed(), 1.0f); }},
      {"sound", std::string("no"), [](auto& p) { EXPECT_TRUE(p.sound()); }},
      {"sound", false, [](auto& p) { EXPECT_FALSE(p.sound()); }},
      {"sound", std::int64_t{0}, [](auto& p) { EXPECT_TRUE(p.sound()); }},
      {"rememberListening", false, [](auto& p) { EXPECT_FALSE(p.rememberListening()); }},
      {"studioVoice", std::string("false"), [](auto& p) { EXPECT_TRUE(p.studioVoice()); }},
      {"alwaysOnListening", true, [](auto& p) { EXPECT_TRUE(p.alwaysOnListening()); }},
      {"alwaysOnListening", std::int64_t{1}, [](auto& p) { EXPECT_FALSE(p.alwaysOnListening()); }},
      {"onboardingDone", std::string("true"), [](auto& p) { EXPECT_FALSE(p.onboardingDone()); }},
      {"focusMode", true, [](auto& p) { EXPECT_TRUE(p.focusMode()); }},
      {"historyKeepDays", std::int64_t{0}, [](auto& p) { EXPECT_EQ(p.historyKeepDays(), 0); }},
      {"historyKeepDays", 30.5, [](auto& p) { EXPECT_EQ(p.historyKeepDays(), 90); }},
      {"historyKeepDays", std::string("30"), [](auto& p) { EXPECT_EQ(p.historyKeepDays(), 90); }},
      {"appearance", std::string("dark"), [](auto& p) { EXPECT_EQ(p.appearance(), "dark"); }},
      {"appearance", true, [](auto& p) { EXPECT_EQ(p.appearance(), "light"); }},
      {"neverReadApps", TextList{"com.a", "com.b"},
       [](auto& p) { EXPECT_EQ(p.neverReadApps(), (TextList{"com.a", "com.b"})); }},
      {"neverReadApps", std::string("com.a"), [](auto& p) { EXPECT_TRUE(p.neverReadApps().empty()); }},
      {"pronunciations", bytes(R"([{"written":"GIF","spoken":"jif"}])"),
       [](auto& p) { EXPECT_EQ(p.pronunciations(), (std::vector<Pronunciation>{{"GIF", "jif"}})); }},
      {"pronunciations", std::string(R"([{"written":"GIF","spoken":"jif"}])"),
       [](auto& p) { EXPECT_TRUE(p.pronunciations().empty()) << "text is not data"; }},
      {"pronunciations", bytes(R"([{"written":"GIF","spoken":1}])"),
       [](auto& p) { EXPECT_TRUE(p.pronunciations().empty()); }},
      {"pronunciations", bytes(R"({"written":"GIF","spoken":"jif"})"),
       [](auto& p) { EXPECT_TRUE(p.pronunciations().empty()); }},
      {"pronunciations", bytes("[{\"written\":\"caf\xe9\",\"spoken\":\"x\"}]"),
       [](auto& p) { EXPECT_TRUE(p.pronunciations().empty()); }},
  };
  for (const auto& c : cases) {
    SetUp();
    SCOPED_TRACE(std::string(c.key));
    const auto p = loadWith(c.key, c.stored);
    c.expect(*p);
  }
}

TEST_F(PrefsTest, UndecodablePronunciationsStayInTheStoreUntilTheNextWrite) {
  const Data broken = bytes("[{\"written\":");
  const auto p = loadWith("pronunciations", broken);
  EXPECT_TRUE(p->pronunciations().empty());
  EXPECT_EQ(p->d->data("pronunciations"), broken);
  p->setPronunciations({{"Dr.", "Doctor"}});
  EXPECT_EQ(Prefs(std::make_shared<Defaults>(file)).pronunciations(),
            (std::vector<Pronunciation>{{"Dr.", "Doctor"}}));
}

TEST_F(PrefsTest, LoadingHandsTheNeverReadListToPrivacy) {
  Privacy::setUserNeverRead({"stale"});
  const auto p = loadWith("neverReadApps", TextList{"com.example.vault"});
  EXPECT_TRUE(Privacy::neverRead("com.example.vault", std::nullopt));
  EXPECT_FALSE(Privacy::neverRead("stale", std::nullopt));
}

struct SetterCase {
  S setting;
  std::function<void(Prefs&)> set;
  DefaultsValue stored;
  bool callsOnChange;
};

std::vector<SetterCase> setterCases() {
  return {
      {S::hotkeyCode, [](Prefs& p) { p.setHotkeyCode(58); }, std::int64_t{58}, true},
      {S::vendor, [](Prefs& p) { p.setVendor(Vendor::cartesia); }, std::string("cartesia"), true},
      {S::inworldVoice, [](Prefs& p) { p.setInworldVoice("Dennis"); }, std::string("Dennis"), true},
      {S::cartesiaVoice, [](Prefs& p) { p.setCartesiaVoice("v-1"); }, std::string("v-1"), true},
      {S::onDeviceVoice, [](Prefs& p) { p.setOnDeviceVoice("en-us"); }, std::string("en-us"), true},
      {S::speed, [](Prefs& p) { p.setSpeed(1.75f); }, 1.75, true},
      {S::alwaysOnListening, [](Prefs& p) { p.setAlwaysOnListening(true); }, true, true},
      {S::sound, [](Prefs& p) { p.setSound(false); }, false, true},
      {S::onboardingDone, [](Prefs& p) { p.setOnboardingDone(true); }, true, false},
      {S::saveCaptures, [](Prefs& p) { p.setSaveCaptures(true); }, true, true},
      {S::highlightAsItReads, [](Prefs& p) { p.setHighlightAsItReads(false); }, false, true},
      {S::highlightWords, [](Prefs& p) { p.setHighlightWords(false); }, false, true},
      {S::focusMode, [](Prefs& p) { p.setFocusMode(true); }, true, true},
      {S::showInDock, [](Prefs& p) { p.setShowInDock(false); }, false, false},
      {S::appearance, [](Prefs& p) { p.setAppearance("system"); }, std::string("system"), true},
      {S::launchAtLogin, [](Prefs& p) { p.setLaunchAtLogin(false); }, false, true},
      {S::rememberListening, [](Prefs& p) { p.setRememberListening(false); }, false, true},
      {S::historyKeepDays, [](Prefs& p) { p.setHistoryKeepDays(7); }, std::int64_t{7}, true},
      {S::studioVoice, [](Prefs& p) { p.setStudioVoice(false); }, false, true},
      {S::neverReadApps, [](Prefs& p) { p.setNeverReadApps({"Mail", "Mail"}); }, TextList{"Mail", "Mail"}, true},
      {S::pronunciations, [](Prefs& p) { p.setPronunciations({{"a/b", "a or b"}}); },
       bytes(R"([{"spoken":"a or b","written":"a/b"}])"), true},
  };
}

TEST_F(PrefsTest, SettersPublishThenStoreThenCallOnChange) {
  const auto cases = setterCases();
  ASSERT_EQ(cases.size(), 21u) << "every setting has a row";
  for (const auto& c : cases) {
    SetUp();
    const std::string key(Prefs::key(c.setting));
    SCOPED_TRACE(key);
    Prefs p(d);
    int published = 0;
    bool storedWhenPublished = true;
    p.addObserver([&](S s) {
      EXPECT_EQ(s, c.setting);
      ++published;
      storedWhenPublished = d->contains(key);
    });
    int changes = 0;
    p.onChange = [&] {
      ++changes;
      EXPECT_EQ(d->object(key), c.stored) << "the store holds the new value before onChange";
    };
    c.set(p);
    EXPECT_EQ(published, 1);
    EXPECT_FALSE(storedWhenPublished) << "observers hear of the value before it is stored";
    EXPECT_EQ(changes, c.callsOnChange ? 1 : 0);
    EXPECT_EQ(d->object(key), c.stored);
    EXPECT_EQ(Defaults(file).object(key), c.stored) << "written to disk at once";
  }
}

TEST_F(PrefsTest, EverySettingReadsBackAfterARestart) {
  {
    Prefs p(d);
    for (const auto& c : setterCases()) c.set(p);
  }
  const Prefs back(std::make_shared<Defaults>(file));
  EXPECT_EQ(back.hotkeyCode(), 58);
  EXPECT_EQ(back.vendor(), Vendor::cartesia);
  EXPECT_EQ(back.inworldVoice(), "Dennis");
  EXPECT_EQ(back.cartesiaVoice(), "v-1");
  EXPECT_EQ(back.onDeviceVoice(), "en-us");
  EXPECT_EQ(back.speed(), 1.75f);
  EXPECT_TRUE(back.alwaysOnListening());
  EXPECT_FALSE(back.sound());
  EXPECT_TRUE(back.onboardingDone());
  EXPECT_TRUE(back.saveCaptures());
  EXPECT_FALSE(back.highlightAsItReads());
  EXPECT_FALSE(back.highlightWords());
  EXPECT_TRUE(back.focusMode());
  EXPECT_FALSE(back.showInDock());
  EXPECT_EQ(back.appearance(), "system");
  EXPECT_FALSE(back.launchAtLogin());
  EXPECT_FALSE(back.rememberListening());
  EXPECT_EQ(back.historyKeepDays(), 7);
  EXPECT_FALSE(back.studioVoice());
  EXPECT_EQ(back.neverReadApps(), (TextList{"Mail", "Mail"}));
  EXPECT_EQ(back.pronunciations(), (std::vector<Pronunciation>{{"a/b", "a or b"}}));
}

TEST_F(PrefsTest, PronunciationsRoundTripInOrderWithAnyText) {
  const std::vector<Pronunciation> list{
      {"GIF", "jif"}, {"Dvořák", "Dvorzhak"}, {"\"quoted\"", "quote"}, {"", ""}, {"GIF", "gif again"},
      {"🎉", "party"}};
  Prefs(d).setPronunciations(list);
  EXPECT_EQ(Prefs(std::make_shared<Defaults>(file)).pronunciations(), list);
  Prefs(d).setPronunciations({});
  EXPECT_EQ(Defaults(file).data("pronunciations"), bytes("[]"));
}

TEST_F(PrefsTest, NeverReadAppsKeepsTheListButPrivacyGetsASet) {
  Prefs p(d);
  p.setNeverReadApps({"Mail", "Mail"});
  EXPECT_EQ(p.neverReadApps().size(), 2u);
  EXPECT_EQ(*Privacy::userNeverRead(), (Privacy::BundleSet{"Mail"}));
  EXPECT_TRUE(Privacy::neverRead("Mail", std::nullopt));
  p.setNeverReadApps({});
  EXPECT_FALSE(Privacy::neverRead("Mail", std::nullopt));
}

TEST_F(PrefsTest, ShowInDockSetsTheActivationPolicy) {
  std::vector<platform::activation::Policy> applied;
  platform::activation::setHandler([&](platform::activation::Policy p) { applied.push_back(p); });
  Prefs p(d);
  p.setShowInDock(true);
  p.setShowInDock(false);
  platform::activation::setHandler({});
  using platform::activation::Policy;
  ASSERT_EQ(applied.size(), 3u);  // the current policy when installed, then both sets
  EXPECT_EQ(applied[1], Policy::regular);
  EXPECT_EQ(applied[2], Policy::accessory);
  EXPECT_EQ(platform::activation::policy(), Policy::accessory);
}

TEST_F(PrefsTest, ObserversMayLeaveWhileBeingTold) {
  Prefs p(d);
  int first = 0;
  int second = 0;
  std::uint64_t firstToken = 0;
  firstToken = p.addObserver([&](S) {
    ++first;
    p.removeObserver(firstToken);
  });
  p.addObserver([&](S) { ++second; });
  p.setSound(false);
  p.setSound(true);
  EXPECT_EQ(first, 1);
  EXPECT_EQ(second, 2);
}

TEST_F(PrefsTest, EngineConfigRows) {
  struct Row {
    bool studio;
    std::string inworldVoice, cartesiaVoice, onDeviceVoice;
    EngineConfig expected;
  };
  const EngineConfig base;
  auto with = [&](auto edit) {
    EngineConfig c = base;
    edit(c);
    return c;
  };
  const Row rows[] = {
      {true, "", "", "", with([](EngineConfig& c) { c.inworldModel = "inworld-tts-2"; })},
      {false, "", "", "", with([](EngineConfig& c) { c.inworldModel = "inworld-tts-2-flash"; })},
      {true, "Dennis", "9c1f-custom", "en-gb", with([](EngineConfig& c) {
         c.inworldModel = "inworld-tts-2";
         c.inworldVoice = "Dennis";
         c.cartesiaVoice = "9c1f-custom";
         c.onDeviceVoice = "en-gb";
       })},
  };
  for (const auto& r : rows) {
    SetUp();
    Prefs p(d);
    p.setStudioVoice(r.studio);
    p.setInworldVoice(r.inworldVoice);
    p.setCartesiaVoice(r.cartesiaVoice);
    p.setOnDeviceVoice(r.onDeviceVoice);
    const EngineConfig c = p.engineConfig();
    EXPECT_EQ(c, r.expected);
    EXPECT_EQ(c.cartesiaModel, "sonic-3.6");
    EXPECT_EQ(c.cartesiaVersion, "2026-08-14");
  }
}

}  // namespace

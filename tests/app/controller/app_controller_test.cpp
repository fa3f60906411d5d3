// The controller's construction and launch on a simulated desktop, in virtual time, with
// recording stand-ins for the windows, the status menu and the account.
#include "app/controller/app_controller.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "core/base/paths.h"
#include "speech/inworld_engine.h"
#include "tests/app/controller/app_fixture.h"
#include "tests/core/library/library_fixtures.h"
#include "tests/support/files.h"

using namespace orvak;
using namespace orvak::test;
using Mic = platform::MicAccess;

TEST(AppControllerTest, LaunchWiresEverythingInItsOrder) {
  App a(false, false, Mic::notAsked);
  a.network->set(false);
  a.app->launch();
  EXPECT_EQ(*a.trace, (std::vector<std::string>{
                          "- launch line", "- sound and privacy", "- account", "account: refresh", "- interruptions",
                          "- click tracker", "- housekeeping", "- account timer", "- capture dumps", "- windows and menu",
                          "- audio graph", "- engines", "- network", "- hotkey", "- voice", "- permissions and settings",
                          "- pill actions", "- scroll watch", "- debug control", "- crash report offer", "- onboarding", "windows: onboarding",
                          "- permission polling", "- menu", "menu: refresh"}));
  a.app->launch();
  EXPECT_EQ(a.trace->size(), 25u) << "launch runs once";
  EXPECT_TRUE(a.app->read().online()) << "online until the network says otherwise";
  a.vt.drain();
  EXPECT_FALSE(a.app->read().online());
  a.vt.advance(AppController::kSixHours);
  EXPECT_EQ(std::count(a.trace->begin(), a.trace->end(), "account: refresh"), 2) << "and again every six hours";
}

TEST(AppControllerTest, TrustOnboardingAndMicrophoneDecideWindowPollingAndHotkey) {
  struct Case {
    bool trusted, onboarded;
    Mic mic;
    bool onboarding, polling, watching;
  };
  const std::vector<Case> cases{
      {true, true, Mic::granted, false, false, true},
      {true, false, Mic::granted, true, false, true},
      {true, true, Mic::denied, false, true, true},
      {false, true, Mic::granted, true, true, false},
      {false, false, Mic::notAsked, true, true, false},
  };
  for (const Case& c : cases) {
    App a(c.trusted, c.onboarded, c.mic);
    test::LogTail log;
    a.app->launch();
    a.vt.drain();  // the log's queue runs in virtual time too
    const std::string where = std::string("trusted=") + (c.trusted ? "1" : "0") + " onboarded=" + (c.onboarded ? "1" : "0");
    EXPECT_EQ(a.windows->visible, c.onboarding) << where;
    EXPECT_EQ(a.app->perms().isPolling(), c.polling) << where;
    ASSERT_NE(a.app->tap(), nullptr);
    EXPECT_EQ(a.app->tap()->isWatching(), c.watching) << where;
    EXPECT_EQ(log.count(std::string("launch: Orvak 0.1.0 pid ")), 1) << where;
    EXPECT_EQ(log.count(std::string(" ax=") + (c.trusted ? "true" : "false")), 1) << where;
  }
}

TEST(AppControllerTest, TrustArrivingWhilePollingStartsTheHotkeyAndLogsTheChange) {
  App a(false, true, Mic::granted);
  test::LogTail log;
  a.app->launch();
  a.doubleTap();
  EXPECT_EQ(log.count("capture error: "), 0) << "not watched without trust";
  a.desktop->setTrusted(true);
  a.vt.advance(1);
  EXPECT_EQ(log.count("permissions: ax=true mic=granted"), 1);
  EXPECT_TRUE(a.app->tap()->isWatching());
  EXPECT_FALSE(a.app->perms().isPolling());
  a.doubleTap();
  EXPECT_EQ(log.count("capture error: "), 1);
}

TEST(AppControllerTest, TheHotkeyGoesToTheTesterWhileItIsArmedAndFollowsTheSetting) {
  App a(true, true, Mic::granted);
  test::LogTail log;
  a.app->launch();
  a.app->tester().arm();
  a.doubleTap();
  EXPECT_EQ(a.app->tester().state().kind, HotkeyTester::State::Kind::checking);
  EXPECT_TRUE(a.app->tester().firstPressAt().has_value()) << "the first press reached the tester";
  EXPECT_EQ(log.count("capture error: "), 0) << "no read while testing";
  a.vt.advance(1.3);
  EXPECT_EQ(a.app->tester().state().kind, HotkeyTester::State::Kind::ok);

  a.prefs->setHotkeyCode(58);
  EXPECT_EQ(a.app->tap()->choice().name, "Left Alt");
  a.doubleTap(60);
  a.doubleTap(58);
  EXPECT_EQ(log.count("capture error: "), 1);
}

TEST(AppControllerTest, LinksAndReopening) {
  App a(true, true, Mic::granted);
  a.app->launch();
  a.trace->clear();
  a.app->open({"https://example.org/x", "mailto:ann@example.org", "orvakx://activate"});
  EXPECT_TRUE(a.trace->empty()) << "other schemes do nothing";
  EXPECT_FALSE(a.app->pill().player());
  a.app->open({"orvak://activate?token=x"});
  EXPECT_EQ(*a.trace, (std::vector<std::string>{"account: handle orvak://activate?token=x"}));
  EXPECT_TRUE(a.app->pill().hidePending()) << "\"Signing in…\" goes after 3 s";

  a.trace->clear();
  a.app->reopen();
  EXPECT_EQ(*a.trace, (std::vector<std::string>{"windows: reload", "windows: main library"}));
  a.app->reopen();
  EXPECT_EQ(a.trace->size(), 2u) << "a window is on screen: nothing more";
}

TEST(AppControllerTest, TheVoiceProxyFollowsTheAccountToken) {
  App a(true, true, Mic::granted);
  InworldEngine::setProxy(std::nullopt);
  ASSERT_FALSE(Keys::save("account", "device-token-1234"));
  a.app->launch();
  EXPECT_TRUE(InworldEngine::proxy().has_value()) << "signed in at launch";

  a.keychain->remove("orvak-account", "orvak");
  Keys::forget();
  a.account->onChange();
  EXPECT_FALSE(InworldEngine::proxy().has_value()) << "signing out clears the proxy";
}

TEST(AppControllerTest, WakingRefreshesTheAccountOnlyWhenSignedIn) {
  App a(true, true, Mic::granted);
  a.app->launch();
  a.trace->clear();
  a.session->post(platform::SessionEvent::didWake);
  a.session->post(platform::SessionEvent::screenLocked);
  a.vt.drain();
  a.app->becameActive();
  EXPECT_TRUE(a.trace->empty()) << "signed out";
  ASSERT_FALSE(Keys::save("account", "device-token-1234"));
  a.session->post(platform::SessionEvent::didWake);
  a.vt.drain();
  a.app->becameActive();
  EXPECT_EQ(*a.trace, (std::vector<std::string>{"account: refresh", "account: refresh"}));
}

TEST(AppControllerTest, AFileInPlaceOfTheDatabaseSendsResearchToTheLineFile) {
  const auto db = NotesStore::defaultURL();
  test::LogTail log;
  {
    App a(true, true, Mic::granted, [&] {
      std::filesystem::create_directories(db.parent_path());
      test::writeFile(db, "not a database, and not ours to change\n");
    });
    EXPECT_EQ(a.app->notes(), nullptr);
    a.vt.drain();
    EXPECT_EQ(log.count("notes store unavailable, using research.jsonl: "), 1);
    ResearchItem item;
    item.ts = Date{1'700'000'000};
    item.kind = ResearchItem::Kind::highlight;
    item.quote = "A river";
    a.app->store().save(item);
    EXPECT_NE(test::readFile(OrvakPaths::research()).find("A river"), std::string::npos);
    EXPECT_EQ(&a.app->store(), &a.app->store()) << "chosen once";
  }
  EXPECT_EQ(test::readFile(db), "not a database, and not ours to change\n");
  std::filesystem::remove(db);
  // Every later notes database would take the line file's item in as its own.
  std::filesystem::remove(OrvakPaths::research());
}

// A settings write cut short by a kill leaves its temporary file beside the settings: the launch
// removes it (when old enough not to be a write under way) and leaves the settings themselves.
TEST(AppControllerTest, LaunchSweepsStaleTemporaryFilesFromTheSettingsFolder) {
  App a(true, true, Mic::granted);
  const auto folder = a.prefs->d->file().parent_path();
  const auto stale = folder / "defaults.json.orvak-tmp-Killed";
  test::writeFile(stale, "{\"half\": ");
  std::filesystem::last_write_time(stale, std::filesystem::file_time_type::clock::now() - std::chrono::hours(24 * 400));
  test::LogTail log;
  a.app->launch();
  a.vt.drain();
  EXPECT_FALSE(std::filesystem::exists(stale));
  EXPECT_TRUE(std::filesystem::exists(a.prefs->d->file()));
  EXPECT_EQ(log.count("launch: removed 1 stale temporary file(s) in " + folder.filename().string()), 1);
}

// The account against the fake service: the cached record, refreshing, the e-mailed link, the
// link opened in our scheme, activation and signing out, and a late reply racing a sign-out.
#include <gtest/gtest.h>

#include "app/account/sign_in_link.h"
#include "core/base/json.h"
#include "tests/account/service_fixture.h"
#include "tests/support/log_tail.h"

namespace orvak::test {
namespace {

using loopback::HttpReply;
using loopback::Step;

platform::Data bytes(const std::string& s) { return platform::Data(s.begin(), s.end()); }

class AccountTest : public ServiceTest {
 protected:
  void SetUp() override {
    ServiceTest::SetUp();
    watch(*account);
  }
  void TearDown() override {
    defaults().remove(Account::kInfoKey);
    defaults().remove(Account::kSignInRequestedKey);
    ServiceTest::TearDown();
  }

  // Records what `a` publishes, in order: "change EMAIL" (or "change none") and "message TEXT".
  void watch(Account& a) {
    a.onChange = [this, &a] { events.push_back("change " + (a.info() ? a.info()->email : std::string("none"))); };
    a.onMessage = [this](const std::string& text) { events.push_back("message " + text); };
  }
  // Runs `start` with a completion and pumps the main queue until it ran.
  bool finish(const std::function<void(std::function<void()>)>& start) {
    bool done = false;
    start([&done] { done = true; });
    return dispatch::mainloop::runUntil([&] { return done; }, 5);
  }
  bool refreshed(Account& a) {
    return finish([&a](auto done) { a.refreshThen(done); });
  }
  // Pumps until `a` has said something.
  bool said(Account& a) {
    return dispatch::mainloop::runUntil([&a] { return a.message().has_value(); }, 5);
  }
  void pendingSignIn(double ageSeconds = 0) {
    defaults().set(Account::kSignInRequestedKey,
                   platform::Date(std::chrono::milliseconds(dispatch::wallMillis() -
                                                            static_cast<std::int64_t>(ageSeconds * 1000))));
  }
  std::optional<std::string> cachedRecord() {
    const auto data = defaults().data(Account::kInfoKey);
    if (!data) return std::nullopt;
    return std::string(data->begin(), data->end());
  }
  std::size_t sent() { return fake.requests().size(); }

  std::vector<std::string> events;
};

TEST_F(AccountTest, StartsFromTheCachedRecordWhichOnlyADecodableDataValueProvides) {
  defaults().set(Account::kInfoKey, bytes(R"({"email":"cached@example.com"})"));
  signOutKeys();
  auto a = Account::make();
  ASSERT_TRUE(a->info());
  EXPECT_EQ(a->info()->email, "cached@example.com");
  EXPECT_FALSE(a->info()->name);

  // Without a token a refresh sends nothing and leaves the clock alone.
  EXPECT_TRUE(refreshed(*a));
  EXPECT_EQ(sent(), 0u);
  EXPECT_FALSE(a->lastRefresh());
  EXPECT_TRUE(a->info());

  const std::pair<const char*, platform::DefaultsValue> unusable[] = {
      {"not JSON", bytes("{\"email\":")},
      {"no email", bytes(R"({"name":"Ann"})")},
      {"a text, not data", std::string(R"({"email":"cached@example.com"})")},
  };
  for (const auto& [name, value] : unusable) {
    defaults().set(Account::kInfoKey, value);
    EXPECT_FALSE(Account::make()->info()) << name;
    EXPECT_EQ(defaults().object(Account::kInfoKey), value) << name << ": left in place";
  }
}

TEST_F(AccountTest, RefreshSetsSignsOutOrLogsByTheReply) {
  const struct {
    const char* name;
    HttpReply reply;
    std::optional<std::string> email;  // `info` afterwards
    bool tokenKept;
    std::vector<std::string> events;
    std::string logLine;  // empty: none
  } cases[] = {
      {"200",
       HttpReply::json(200, {{"email", "new@example.com"}, {"name", nullptr}}),
       "new@example.com",
       true,
       {"change new@example.com"},
       ""},
      {"401", HttpReply::json(401, {{"error", "token revoked"}}), std::nullopt, false, {"change none"}, ""},
      {"500",
       HttpReply::json(500, {{"error", "text"}}),
       "old@example.com",
       true,
       {},
       "account: refresh failed: server(500, \"text\")"},
      {"undecodable",
       HttpReply::json(200, {{"name", "no email"}}),
       "old@example.com",
       true,
       {},
       "account: refresh failed: undecodable reply"},
  };
  for (const auto& c : cases) {
    keychain = useMemoryKeychain({{"account", "tok-12345678"}});
    defaults().set(Account::kInfoKey, bytes(R"({"email":"old@example.com"})"));
    auto a = Account::make();
    events.clear();
    watch(*a);
    fake.script("/api/me", c.reply);
    const LogTail log;
    const std::uint64_t before = dispatch::monotonicNanos();
    ASSERT_TRUE(refreshed(*a)) << c.name;
    ASSERT_TRUE(a->lastRefresh()) << c.name;
    EXPECT_GE(*a->lastRefresh(), before) << c.name;
    EXPECT_EQ(fake.requests().back().header("authorization"), "Bearer tok-12345678");

    EXPECT_EQ(a->info() ? std::optional(a->info()->email) : std::nullopt, c.email) << c.name;
    EXPECT_EQ(events, c.events) << c.name;
    EXPECT_FALSE(a->message()) << c.name << ": a refresh says nothing";
    EXPECT_EQ(Keys::get("account").has_value(), c.tokenKept) << c.name;
    if (c.email) {
      EXPECT_EQ(cachedRecord(), json::dump(json::Json{{"email", *c.email}})) << c.name;
    } else {
      EXPECT_FALSE(defaults().contains(Account::kInfoKey)) << c.name;
    }
    const std::string text = log.text();
    if (c.logLine.empty()) {
      EXPECT_EQ(log.count("account: "), 0) << c.name << text;
    } else {
      EXPECT_EQ(log.count("account: "), 1) << c.name << text;
      EXPECT_NE(text.find(c.logLine), std::string::npos) << c.name << text;
    }
  }
}

TEST_F(AccountTest, RefreshIfStaleWaitsMoreThanAnHourAfterTheLastStart) {
  dispatch::VirtualTime vt;
  account->refreshIfStale();  // never refreshed: stale
  const auto first = account->lastRefresh();
  ASSERT_TRUE(first);
  for (const double step : {0.0, 1800.0, 1800.0}) {  // now, half an hour, exactly an hour
    vt.advance(step);
    account->refreshIfStale();
    EXPECT_EQ(account->lastRefresh(), first) << "after " << step;
  }
  vt.advance(0.001);
  account->refreshIfStale();
  ASSERT_TRUE(account->lastRefresh());
  EXPECT_GT(*account->lastRefresh(), *first);
  EXPECT_TRUE(fake.waitForRequests(2));

  signOutKeys();
  vt.advance(7200);
  const auto last = account->lastRefresh();
  account->refreshIfStale();
  EXPECT_EQ(account->lastRefresh(), last) << "signed out: nothing to refresh";
  settle();
  EXPECT_EQ(sent(), 2u);
}

TEST_F(AccountTest, EmailLinkSaysWhatTheServiceAnswered) {
  std::string closed;
  {
    fake::FakeService gone;
    closed = gone.base();
  }
  const struct {
    const char* name;
    std::optional<HttpReply> reply;  // none: the canned one
    std::string base;                // empty: the fake
    std::string message;
    bool pending;
  } cases[] = {
      {"sent", std::nullopt, "", "Check your email for a sign-in link.", true},
      {"refused with a reason", HttpReply::json(200, {{"sent", false}, {"reason", "too many links today"}}), "",
       "Can't email a link: too many links today.", false},
      {"refused", HttpReply::json(200, {{"sent", false}}), "", "Couldn't send the link.", false},
      {"server failure", HttpReply::json(500, {{"error", "mail is down"}}), "", "Mail is down", false},
      {"401 is the server's", HttpReply::json(401, {{"error", "nope"}}), "", "Nope", false},
      {"undecodable", HttpReply::json(200, {{"reason", "no sent member"}}), "",
       "Can't reach Orvak right now. Check your connection.", false},
      {"no connection", std::nullopt, closed, "Can't reach Orvak right now. Check your connection.", false},
      {"bad address", std::nullopt, "not a url", "Bad URL", false},
  };
  for (const auto& c : cases) {
    defaults().remove(Account::kSignInRequestedKey);
    defaults().set("apiBase", c.base.empty() ? fake.base() : c.base);
    if (c.reply) {
      fake.script("/api/signin", *c.reply);
    } else {
      fake.unscript("/api/signin");
    }
    auto a = Account::make();
    const auto before = sent();
    a->emailLink("you@example.com");
    ASSERT_TRUE(said(*a)) << c.name;
    EXPECT_EQ(*a->message(), c.message) << c.name;
    EXPECT_EQ(defaults().contains(Account::kSignInRequestedKey), c.pending) << c.name;
    if (c.base.empty()) {
      ASSERT_EQ(sent(), before + 1) << c.name;
      const auto r = fake.requests().back();
      EXPECT_EQ(r.json(), (json::Json{{"email", "you@example.com"}})) << c.name;
      EXPECT_FALSE(r.hasHeader("authorization")) << c.name << ": the link request never carries the token";
    }
  }
}

TEST_F(AccountTest, OnlyASignInLinkOfTheExactShapeActivatesAndOnlyWhileOneIsPending) {
  keychain = useMemoryKeychain({});  // signed out: a link out of turn asks for a new one
  fake.script("/api/activate", HttpReply::json(500, {{"error", "stop here"}}));
  const struct {
    const char* url;
    double pendingAge;  // seconds; negative: no sign-in pending
    Account::LinkOutcome outcome;
    std::string token;  // sent, when activating
  } cases[] = {
      {"orvak://activate?token=abc", 0, Account::LinkOutcome::activating, "abc"},
      {"orvak://activate?token=first&token=second", 0, Account::LinkOutcome::activating, "first"},
      {"orvak://activate?from=mail&token=a%20b+c", 0, Account::LinkOutcome::activating, "a b+c"},
      {"orvak://activate?token=", 0, Account::LinkOutcome::activating, ""},
      {"orvak://activate?token=abc", 24 * 3600 - 60, Account::LinkOutcome::activating, "abc"},
      {"ORVAK://activate?token=abc", 0, Account::LinkOutcome::ignored, ""},
      {"Orvak://activate?token=abc", 0, Account::LinkOutcome::ignored, ""},
      {"orvak://ACTIVATE?token=abc", 0, Account::LinkOutcome::ignored, ""},
      {"orvak://settings?token=abc", 0, Account::LinkOutcome::ignored, ""},
      {"orvak:activate?token=abc", 0, Account::LinkOutcome::ignored, ""},
      {"orvak://activate?token", 0, Account::LinkOutcome::ignored, ""},
      {"orvak://activate?tokens=abc", 0, Account::LinkOutcome::ignored, ""},
      {"orvak://activate?", 0, Account::LinkOutcome::ignored, ""},
      {"orvak://activate", 0, Account::LinkOutcome::ignored, ""},
      {"orvak://activate?token=abc", -1, Account::LinkOutcome::notPending, ""},
      {"orvak://activate?token=abc", 24 * 3600 + 60, Account::LinkOutcome::notPending, ""},
  };
  for (const auto& c : cases) {
    defaults().remove(Account::kSignInRequestedKey);
    if (c.pendingAge >= 0) pendingSignIn(c.pendingAge);
    auto a = Account::make();
    const LogTail log;
    const auto before = sent();
    EXPECT_EQ(a->handleLink(c.url), c.outcome) << c.url;
    switch (c.outcome) {
      case Account::LinkOutcome::activating:
        ASSERT_TRUE(said(*a)) << c.url;
        ASSERT_EQ(sent(), before + 1) << c.url;
        EXPECT_EQ(fake.requests().back().target, "/api/activate");
        EXPECT_EQ(fake.requests().back().json().at("token"), c.token) << c.url;
        break;
      case Account::LinkOutcome::notPending:
        ASSERT_TRUE(said(*a)) << c.url;
        EXPECT_EQ(*a->message(), "Ask for a new sign-in link in Orvak's settings.");
        EXPECT_EQ(log.count("account: sign-in link ignored (no sign-in pending)"), 1) << c.url;
        break;
      case Account::LinkOutcome::ignored:
      case Account::LinkOutcome::busy:
        break;
    }
  }
  settle();
  EXPECT_EQ(sent(), 5u) << "only the activating links sent anything";
}

TEST_F(AccountTest, LinksThatComeWhileOneActivatesAreDropped) {
  pendingSignIn();
  auto a = Account::make();
  // The first activation is held until the test lets it fail (the sign-in stays pending).
  fake.script("/api/activate", HttpReply{500, {Step::waitFor("reply"), Step::bytes(R"({"error":"try again"})")}});
  const LogTail log;
  const auto before = sent();
  bool firstDone = false;
  EXPECT_EQ(a->handleLink("orvak://activate?token=t0", [&firstDone] { firstDone = true; }),
            Account::LinkOutcome::activating);
  int dropped = 0;
  for (int i = 1; i < 300; ++i) {
    bool done = false;
    if (a->handleLink("orvak://activate?token=t" + std::to_string(i), [&done] { done = true; }) ==
        Account::LinkOutcome::busy) {
      ++dropped;
    }
    ASSERT_TRUE(dispatch::mainloop::runUntil([&done] { return done; }, 5)) << "a dropped link finishes too";
  }
  EXPECT_EQ(dropped, 299);
  EXPECT_EQ(log.count("account: sign-in link ignored (an activation is under way)"), 299);
  fake.open("reply");
  ASSERT_TRUE(dispatch::mainloop::runUntil([&firstDone] { return firstDone; }, 5));
  EXPECT_EQ(sent(), before + 1) << "one request for all those links";
  EXPECT_EQ(fake.requests().back().json().at("token"), "t0");

  // Once its outcome is in, the next link activates again.
  fake.script("/api/activate", HttpReply::json(500, {{"error", "still no"}}));
  ASSERT_TRUE(finish([&](auto done) {
    EXPECT_EQ(a->handleLink("orvak://activate?token=again", done), Account::LinkOutcome::activating);
  }));
  EXPECT_EQ(sent(), before + 2);
}

TEST_F(AccountTest, ActivationPublishesTheAccountThenSaysWhoIsSignedIn) {
  defaults().set(Account::kInfoKey, bytes(R"({"email":"old@example.com"})"));
  pendingSignIn();
  auto a = Account::make();
  watch(*a);
  fake.script("/api/activate", HttpReply::json(200, {{"deviceToken", "dev-0123456789abcdef"},
                                                     {"account", {{"email", "you@example.com"}, {"name", "You"}}}}));
  const LogTail log;
  ASSERT_TRUE(finish([&](auto done) { a->handleLink("orvak://activate?token=link-1", done); }));
  EXPECT_EQ(events, (std::vector<std::string>{"change you@example.com", "message Signed in as you@example.com"}));
  EXPECT_EQ(Keys::get("account"), "dev-0123456789abcdef");
  EXPECT_EQ(cachedRecord(), R"({"email":"you@example.com","name":"You"})");
  EXPECT_FALSE(defaults().contains(Account::kSignInRequestedKey)) << "the link was used";
  EXPECT_EQ(log.count("account: signed in"), 1);

  const auto r = fake.requests().back();
  EXPECT_EQ(r.json(), (json::Json{{"token", "link-1"}, {"device", account::thisDeviceName()}}));
  EXPECT_EQ(r.header("content-type"), "application/json");
  EXPECT_FALSE(r.hasHeader("authorization"));

  // The next link finds no sign-in pending, and says who is signed in rather than asking for a link.
  EXPECT_EQ(a->handleLink("orvak://activate?token=link-1"), Account::LinkOutcome::notPending);
  settle();
  ASSERT_TRUE(a->message());
  EXPECT_EQ(*a->message(), "Already signed in as you@example.com.");
}

TEST_F(AccountTest, AFailedActivationSaysWhyAndChangesNothing) {
  const struct {
    const char* name;
    HttpReply reply;
    std::string message;
    std::string logLine;  // empty: none
  } cases[] = {
      {"the key store refuses the token",
       HttpReply::json(200, {{"deviceToken", "not a token!"}, {"account", {{"email", "you@example.com"}}}}),
       "That doesn't look like an API key (unexpected characters or length).", ""},
      {"401 is the server's", HttpReply::json(401, {{"error", "link expired"}}), "Link expired",
       "account: activate failed: server(401, \"link expired\")"},
      {"no account in the reply", HttpReply::json(200, {{"deviceToken", "dev-0123456789abcdef"}}),
       "Can't reach Orvak right now. Check your connection.", "account: activate failed: undecodable reply"},
  };
  for (const auto& c : cases) {
    defaults().set(Account::kInfoKey, bytes(R"({"email":"old@example.com"})"));
    pendingSignIn();
    auto a = Account::make();
    events.clear();
    watch(*a);
    fake.script("/api/activate", c.reply);
    const LogTail log;
    ASSERT_TRUE(finish([&](auto done) { a->handleLink("orvak://activate?token=link-1", done); })) << c.name;
    EXPECT_EQ(events, (std::vector<std::string>{"message " + c.message})) << c.name;
    EXPECT_EQ(a->info()->email, "old@example.com") << c.name;
    EXPECT_EQ(Keys::get("account"), "tok-12345678") << c.name;
    EXPECT_TRUE(defaults().contains(Account::kSignInRequestedKey)) << c.name << ": the sign-in is still pending";
    if (c.logLine.empty()) {
      EXPECT_EQ(log.count("account: "), 0) << c.name;
    } else {
      EXPECT_NE(log.text().find(c.logLine), std::string::npos) << c.name << log.text();
    }
  }
}

TEST(DeviceName, ThePrettyNameThenTheHostNameThenLinux) {
  const struct {
    const char* machineInfo;
    const char* host;
    const char* name;
  } cases[] = {
      {"PRETTY_HOSTNAME=\"Ann's laptop\"\nCHASSIS=laptop\n", "ann-x1", "Ann's laptop"},
      {"CHASSIS=laptop\nPRETTY_HOSTNAME='Study PC'\n", "box", "Study PC"},
      {"PRETTY_HOSTNAME=Den\\ PC\n", "box", "Den PC"},
      {"PRETTY_HOSTNAME=\n", "ann-x1", "ann-x1"},
      {"", "ann-x1", "ann-x1"},
      {"PRETTY_HOSTNAME=\"\"", "", "Linux"},
      {"", "", "Linux"},
  };
  for (const auto& c : cases) EXPECT_EQ(account::deviceName(c.machineInfo, c.host), c.name) << c.machineInfo;
}

TEST_F(AccountTest, SignOutSendsTheTokenThenClearsAndSaysSo) {
  defaults().set(Account::kInfoKey, bytes(R"({"email":"old@example.com"})"));
  auto a = Account::make();
  watch(*a);
  ASSERT_TRUE(finish([&](auto done) { a->signOut(done); }));
  const auto r = fake.requests().back();
  EXPECT_EQ(r.target, "/api/signout");
  EXPECT_EQ(r.json(), json::Json::object());
  EXPECT_EQ(r.header("authorization"), "Bearer tok-12345678");
  EXPECT_EQ(events, (std::vector<std::string>{"change none", "message Signed out"}));
  EXPECT_FALSE(Keys::get("account"));
  EXPECT_FALSE(defaults().contains(Account::kInfoKey));

  // Even when the service cannot be reached, this computer signs out.
  keychain = useMemoryKeychain({{"account", "tok-12345678"}});
  fake.script("/api/signout", HttpReply::json(500, {{"error", "down"}}));
  events.clear();
  ASSERT_TRUE(finish([&](auto done) { a->signOut(done); }));
  EXPECT_EQ(events, (std::vector<std::string>{"change none", "message Signed out"}));
  EXPECT_FALSE(Keys::get("account"));
}

TEST_F(AccountTest, SignOutSaysWhyATokenSurvives) {
  auto a = Account::make();
  watch(*a);
  // The keyring refuses to let go of the token.
  keychain->keepOnRemove = true;
  ASSERT_TRUE(finish([&](auto done) { a->signOut(done); }));
  EXPECT_EQ(events.back(), "message Couldn't remove the account token from the keyring.");
  EXPECT_TRUE(Keys::get("account"));

  // The environment supplies it.
  keychain->keepOnRemove = false;
  setenv("ACCOUNT_API_KEY", "env-token-123", 1);
  events.clear();
  ASSERT_TRUE(finish([&](auto done) { a->signOut(done); }));
  unsetenv("ACCOUNT_API_KEY");
  EXPECT_EQ(events.back(), "message Still signed in: the account token comes from ACCOUNT_API_KEY.");
}

TEST_F(AccountTest, ARefreshAnsweredAfterASignOutChangesNothing) {
  defaults().set(Account::kInfoKey, bytes(R"({"email":"old@example.com"})"));
  auto a = Account::make();
  fake.script("/api/me", HttpReply{200, {Step::waitFor("me"), Step::bytes(R"({"email":"old@example.com"})")}});
  bool refreshDone = false;
  a->refreshThen([&] { refreshDone = true; });
  ASSERT_TRUE(fake.waitForRequests(1));
  ASSERT_TRUE(finish([&](auto done) { a->signOut(done); }));
  ASSERT_FALSE(a->info());

  fake.open("me");
  ASSERT_TRUE(dispatch::mainloop::runUntil([&] { return refreshDone; }, 5));
  EXPECT_FALSE(a->info());
  EXPECT_FALSE(defaults().contains(Account::kInfoKey));
  EXPECT_FALSE(Keys::get("account"));
}

TEST_F(AccountTest, ARefreshAnsweredAfterAnotherSignInChangesNothing) {
  fake.script("/api/me", HttpReply{200, {Step::waitFor("me"), Step::bytes(R"({"email":"before@example.com"})")}});
  bool refreshDone = false;
  account->refreshThen([&] { refreshDone = true; });
  ASSERT_TRUE(fake.waitForRequests(1));
  pendingSignIn();
  fake.script("/api/activate", HttpReply::json(200, {{"deviceToken", "dev-0123456789abcdef"},
                                                     {"account", {{"email", "after@example.com"}}}}));
  ASSERT_TRUE(finish([&](auto done) { account->handleLink("orvak://activate?token=link-1", done); }));

  fake.open("me");
  ASSERT_TRUE(dispatch::mainloop::runUntil([&] { return refreshDone; }, 5));
  EXPECT_EQ(account->info()->email, "after@example.com");
  EXPECT_EQ(cachedRecord(), R"({"email":"after@example.com"})");
}

}  // namespace
}  // namespace orvak::test

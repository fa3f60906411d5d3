// The one request path: where a call goes, what it sends, and what every kind of reply becomes.
#include <gtest/gtest.h>

#include "core/base/json.h"
#include "tests/account/service_fixture.h"

using namespace orvak;
using namespace orvak::test;
using fake::HttpReply;
using fake::Step;

namespace {

using CallTest = ServiceTest;

TEST_F(CallTest, TheAddressIsTheBaseAndThePathAsTheyAreAndAMalformedOneSendsNothing) {
  const struct {
    std::string base;
    std::string path;
    std::string target;  // what the fake receives; empty: nothing is sent
  } cases[] = {
      {fake.base(), "/api/me", "/api/me"},
      // The address keeps both slashes; Qt's HTTP layer sends the path with "//" collapsed.
      {fake.base() + "/", "/api/me", "/api/me"},
      {fake.base() + "/prefix", "/api/me?x=1", "/prefix/api/me?x=1"},
      {"127.0.0.1:1/", "/api/me", ""},  // no scheme
      {"ftp://127.0.0.1", "/api/me", ""},
      {"http://", "/api/me", ""},  // no host
      {"", "/api/me", ""},
      {"http://exa mple.test", "/api/me", ""},
  };
  for (const auto& c : cases) {
    platform::Defaults::standard()->set("apiBase", c.base);
    const auto before = fake.requests().size();
    Awaited<Account::Info> got;
    account->call<Account::Info>("GET", c.path, std::nullopt, true, within(5), got.done());
    ASSERT_TRUE(got.wait()) << c.base;
    if (c.target.empty()) {
      EXPECT_EQ(outcome(*got.got), "server(0, \"bad URL\")") << c.base;
      settle(0.05);
      EXPECT_EQ(fake.requests().size(), before) << c.base << ": nothing is sent";
    } else {
      ASSERT_EQ(fake.requests().size(), before + 1) << c.base;
      EXPECT_EQ(fake.requests().back().target, c.target);
    }
  }
}

TEST_F(CallTest, HeadersFollowTheBodyAndTheTokenAndTheTokenStaysOffPlainNetworks) {
  const struct {
    const char* name;
    bool body;
    bool auth;
    bool token;
    std::string base;        // empty: the fake
    std::string failure;     // empty: sent
  } cases[] = {
      {"plain GET", false, false, true, "", ""},
      {"body", true, false, true, "", ""},
      {"auth", false, true, true, "", ""},
      {"body and auth", true, true, true, "", ""},
      {"auth by name localhost", false, true, true, "localhost", ""},
      {"no token, no auth", true, false, false, "", ""},
      {"no token, auth", false, true, false, "", "signedOut"},
      {"token to a plain network address", false, true, true, "http://192.0.2.1:9", "server(0, \"bad URL\")"},
      {"token to a plain host name", false, true, true, "http://service.example", "server(0, \"bad URL\")"},
  };
  const std::string port = fake.base().substr(fake.base().rfind(':'));
  for (const auto& c : cases) {
    useMemoryKeychain(c.token ? std::map<std::string, std::string>{{"account", "tok-12345678"}} : std::map<std::string, std::string>{});
    std::string base = c.base.empty() ? fake.base() : c.base == "localhost" ? "http://localhost" + port : c.base;
    platform::Defaults::standard()->set("apiBase", base);
    const auto before = fake.requests().size();
    Awaited<json::Json> got;
    account->call<json::Json>(c.body ? "POST" : "GET", "/api/voices", c.body ? std::optional(json::Json{{"a", "b"}}) : std::nullopt,
                             c.auth, within(5), got.done());
    ASSERT_TRUE(got.wait()) << c.name;
    if (!c.failure.empty()) {
      EXPECT_EQ(outcome(*got.got), c.failure) << c.name;
      settle(0.05);
      EXPECT_EQ(fake.requests().size(), before) << c.name << ": nothing is sent";
      continue;
    }
    ASSERT_EQ(fake.requests().size(), before + 1) << c.name;
    const auto r = fake.requests().back();
    EXPECT_EQ(r.method, c.body ? "POST" : "GET") << c.name;
    EXPECT_EQ(r.hasHeader("content-type"), c.body) << c.name;
    if (c.body) {
      EXPECT_EQ(r.header("content-type"), "application/json") << c.name;
      EXPECT_EQ(r.json(), (json::Json{{"a", "b"}})) << c.name;
    }
    EXPECT_EQ(r.hasHeader("authorization"), c.auth) << c.name;
    if (c.auth) {
      EXPECT_EQ(r.header("authorization"), "Bearer tok-12345678") << c.name;
    }
  }
}

TEST_F(CallTest, RepliesBecomeTheRecordOrTheServiceFailure) {
  const struct {
    int status;
    std::string body;
    bool auth;
    std::string outcome;
  } cases[] = {
      {200, R"({"email":"a@b.c"})", true, "ok"},
      {201, R"({"email":"a@b.c","plan":"pro"})", true, "ok"},
      {299, R"({"email":"a@b.c"})", true, "ok"},
      {401, R"({"error":"token revoked"})", true, "signedOut"},
      {401, R"({"error":"token revoked"})", false, "server(401, \"token revoked\")"},
      {500, R"({"error":"database is down"})", true, "server(500, \"database is down\")"},
      {503, R"({"detail":"later"})", true, "server(503, \"error 503\")"},
      {502, "<html>Bad gateway</html>", true, "server(502, \"error 502\")"},
      {429, R"({"error":"slow down","retry":5})", true, "server(429, \"error 429\")"},  // not all texts
      {404, "", true, "server(404, \"error 404\")"},
      {400, R"({"error":"link expired"})", false, "server(400, \"link expired\")"},
      {405, R"({"error":"wrong method"})", true, "server(405, \"wrong method\")"},
      {302, R"({"error":"moved"})", true, "server(302, \"moved\")"},  // never followed
  };
  for (const auto& c : cases) {
    fake.script("/api/me", HttpReply{c.status, {Step::bytes(c.body)}, "application/json"});
    Awaited<Account::Info> got;
    account->call<Account::Info>("GET", "/api/me", std::nullopt, c.auth, within(5), got.done());
    ASSERT_TRUE(got.wait()) << c.status;
    EXPECT_EQ(outcome(*got.got), c.outcome) << c.status << " " << c.body;
    if (c.outcome == "ok") {
      EXPECT_EQ(got.got->value().email, "a@b.c");
    }
  }
}

TEST_F(CallTest, WhatNeverBecameAReplyArrivesAsAPlatformFailure) {
  using Kind = Account::PlatformFail::Kind;
  // A body that is not the record, or not JSON.
  for (const char* body : {R"({"name":"no email"})", "not json", R"({"email":null})"}) {
    fake.script("/api/me", HttpReply{200, {Step::bytes(body)}});
    Awaited<Account::Info> got;
    account->call<Account::Info>("GET", "/api/me", std::nullopt, true, within(5), got.done());
    ASSERT_TRUE(got.wait());
    ASSERT_FALSE(*got.got) << body;
    const auto* p = std::get_if<Account::PlatformFail>(&got.got->failure());
    ASSERT_NE(p, nullptr) << body;
    EXPECT_EQ(p->kind, Kind::undecodable) << body;
  }

  // Silence past the time-out: a head, a little of the body, then nothing.
  fake.script("/api/me", HttpReply{200, {Step::bytes("{\"email\":"), Step::hang()}});
  Awaited<Account::Info> stalled;
  account->call<Account::Info>("GET", "/api/me", std::nullopt, true, within(0.4), stalled.done());
  ASSERT_TRUE(stalled.wait(5));
  ASSERT_FALSE(*stalled.got);
  EXPECT_EQ(std::get<Account::PlatformFail>(stalled.got->failure()).kind, Kind::timedOut);

  // A cancel while the reply is held.
  fake.script("/api/me", HttpReply{200, {Step::waitFor("never")}});
  Awaited<Account::Info> cancelled;
  const auto before = fake.requests().size();
  auto exchange = account->call<Account::Info>("GET", "/api/me", std::nullopt, true, within(5), cancelled.done());
  ASSERT_TRUE(fake.waitForRequests(before + 1));
  exchange.cancel();
  ASSERT_TRUE(cancelled.wait());
  ASSERT_FALSE(*cancelled.got);
  EXPECT_TRUE(account::isCancelled(cancelled.got->failure()));
  settle(0.1);
  EXPECT_EQ(cancelled.calls, 1) << "one completion per call";

  // Nobody listening.
  std::string closed;
  {
    fake::FakeService gone;
    closed = gone.base();
  }
  platform::Defaults::standard()->set("apiBase", closed);
  Awaited<Account::Info> refused;
  account->call<Account::Info>("GET", "/api/me", std::nullopt, true, within(5), refused.done());
  ASSERT_TRUE(refused.wait());
  ASSERT_FALSE(*refused.got);
  EXPECT_EQ(std::get<Account::PlatformFail>(refused.got->failure()).kind, Kind::transport);
}

// `count` steps of `piece`, each after a pause of `gap` seconds (none when 0).
std::vector<Step> drip(const std::string& piece, int count, double gap) {
  std::vector<Step> steps;
  for (int i = 0; i < count; ++i) {
    if (gap > 0) steps.push_back(Step::wait(gap));
    steps.push_back(Step::bytes(piece));
  }
  return steps;
}

using BoundsTest = ServiceTest;

TEST_F(BoundsTest, AReplyThatDripsOrFloodsEndsAtItsDeadlineOrItsLimit) {
  // A well-formed record padded far past what an account reply may hold.
  const std::string pad(256 * 1024, 'a');
  const std::string bigRecord = R"({"email":"a@b.c","pad":")" + pad + R"("})";
  const std::string bigError = R"({"error":")" + pad + R"("})";
  const struct {
    const char* name;
    HttpReply reply;
    std::string outcome;   // as the log writes it, platform failures by description
    std::string describe;  // the sentence the account shows
    double deadline;       // seconds: far below a drip's length, far above a flood's (loaded machines)
  } cases[] = {
      // A byte every 20 ms keeps the time-out of silence at bay for ten seconds.
      {"slow drip", {200, drip(" ", 500, 0.02)}, "The request took too long.",
       "Can't reach Orvak right now. Check your connection.", 2},
      {"slow drip of an error", {500, drip(" ", 500, 0.02)}, "The request took too long.",
       "Can't reach Orvak right now. Check your connection.", 2},
      {"huge record", {200, {Step::bytes(bigRecord)}}, "The reply was larger than 65536 bytes.",
       "Can't reach Orvak right now. Check your connection.", 30},
      {"huge record in pieces", {200, drip(std::string(32 * 1024, ' '), 64, 0)},
       "The reply was larger than 65536 bytes.", "Can't reach Orvak right now. Check your connection.", 30},
      // Only the first 4,097 bytes of a failure are read: its "error" lies beyond them.
      {"huge error", {500, {Step::bytes(bigError)}}, "server(500, \"error 500\")", "Error 500", 30},
      {"huge error in pieces", {500, [] {
         auto steps = drip(std::string(1024, ' '), 64, 0);
         steps.push_back(Step::hang());  // and nothing after: not waited for
         return steps;
       }()}, "server(500, \"error 500\")",
       "Error 500", 30},
  };
  account::Bounds bounds = account::bounds::kAccount;
  bounds.timeout = 5;
  for (const auto& c : cases) {
    fake.script("/api/me", c.reply);
    bounds.deadline = c.deadline;
    Awaited<Account::Info> got;
    account->call<Account::Info>("GET", "/api/me", std::nullopt, true, bounds, got.done());
    ASSERT_TRUE(got.wait()) << c.name << ": the request outlived its bounds";
    ASSERT_FALSE(*got.got) << c.name;
    EXPECT_EQ(outcome(*got.got), c.outcome) << c.name;
    EXPECT_EQ(Account::describe(got.got->failure()), c.describe) << c.name;
  }
}

}  // namespace

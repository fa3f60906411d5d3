// The service's records on the wire: what decodes, what fails, what is written.
#include <gtest/gtest.h>

#include "app/account/account.h"
#include "core/base/json.h"

using namespace orvak;
using namespace orvak::account;

namespace {

// "ok: " + the record encoded again, or "fails".
template <class T>
std::string roundTrip(const std::string& text) {
  try {
    return "ok: " + json::encode(json::decode<T>(text));
  } catch (const json::DecodeError&) {
    return "fails";
  }
}

TEST(ServiceRecords, DecodeStrictlyAndEncodeWithoutAbsentMembers) {
  const struct {
    std::string (*decode)(const std::string&);
    std::string text;
    std::string expected;
  } cases[] = {
      {roundTrip<Info>, R"({"email":"a@b.c","name":null,"plan":"pro"})", R"(ok: {"email":"a@b.c"})"},
      {roundTrip<Info>, R"({"email":"a@b.c","name":"Ann"})", R"(ok: {"email":"a@b.c","name":"Ann"})"},
      {roundTrip<Info>, R"({"name":"Ann"})", "fails"},
      {roundTrip<Info>, R"({"email":null})", "fails"},
      {roundTrip<Info>, R"({"email":"a@b.c","name":5})", "fails"},
      {roundTrip<SignInReply>, R"({"sent":false})", R"(ok: {"sent":false})"},
      {roundTrip<SignInReply>, R"({"reason":"no"})", "fails"},
      {roundTrip<SignInReply>, R"({"sent":1})", "fails"},
      {roundTrip<ActivateReply>, R"({"deviceToken":"d","account":{"email":"a@b.c"}})",
       R"(ok: {"account":{"email":"a@b.c"},"deviceToken":"d"})"},
      {roundTrip<ActivateReply>, R"({"deviceToken":"d","account":{}})", "fails"},
      {roundTrip<ActivateReply>, R"({"deviceToken":"d"})", "fails"},
      {roundTrip<LibraryAnswer>, R"({"answer":"x","cites":[2,1]})", R"(ok: {"answer":"x","cites":[2,1]})"},
      {roundTrip<LibraryAnswer>, R"({"answer":"x","cites":[],"refused":true})", R"(ok: {"answer":"x","cites":[],"refused":true})"},
      {roundTrip<LibraryAnswer>, R"({"answer":"x"})", "fails"},
      {roundTrip<LibraryAnswer>, R"({"answer":"x","cites":[1.5]})", "fails"},
      {roundTrip<LibraryDoc>, R"({"title":"T","paragraphs":[{"text":"p","cites":[1]}]})",
       R"(ok: {"paragraphs":[{"cites":[1],"text":"p"}],"title":"T"})"},
      {roundTrip<LibraryDoc>, R"({"title":"T","paragraphs":[{"text":"p"}]})", "fails"},
      {roundTrip<VoiceCatalogList>,
       R"({"defaultVoice":"v","voices":[{"id":"v","name":"V","description":"d","gender":"g","accent":"a","languages":["en"],"reading":true}]})",
       R"(ok: {"defaultVoice":"v","voices":[{"accent":"a","description":"d","gender":"g","id":"v","languages":["en"],"name":"V","reading":true}]})"},
      {roundTrip<VoiceCatalogList>,
       R"({"defaultVoice":"v","voices":[{"id":"v","name":"V","description":"d","gender":"g","accent":"a","languages":["en"]}]})", "fails"},
      // Stream lines: every member optional; an action that does not decode is dropped alone.
      {roundTrip<Line>, R"({})", "ok: {}"},
      {roundTrip<Line>, R"({"t":"Hel","done":false,"answer":"Hello"})", R"(ok: {"answer":"Hello","done":false,"t":"Hel"})"},
      {roundTrip<Line>, R"({"done":"yes"})", "fails"},
      {roundTrip<Line>, R"({"done":true,"actions":[{"name":"skip","input":{"sentences":2}},{"name":"note"},{"input":{}},{"name":"set_speed","input":{"rate":1.5}}]})",
       R"(ok: {"actions":[{"input":{"sentences":2},"name":"skip"},{"input":{"rate":1.5},"name":"set_speed"}],"done":true})"},
      {roundTrip<Line>, R"({"done":true,"actions":[{"name":"skip","input":{"sentences":2.5}}]})", R"(ok: {"actions":[],"done":true})"},
      {roundTrip<Line>, R"({"done":true,"actions":{"name":"skip"}})", "fails"},
      {roundTrip<Line>, R"({"done":true,"actions":null})", R"(ok: {"done":true})"},
  };
  for (const auto& c : cases) EXPECT_EQ(c.decode(c.text), c.expected) << c.text;
}

TEST(ServiceRecords, LibraryBodiesWriteEveryMemberAndKeepTheItemsInOrder) {
  LibraryBody body{"what links these?",
                   {LibraryItem{2, "listened", "", "", "excerpt", "Page", "example.com", "2026-12-10 (Thursday)"},
                    LibraryItem{1, "saved", "a quote", "", "", "Other", "Reader", "2026-12-09 (Wednesday)"}},
                   "2026-12-10 (Thursday)"};
  const json::Json j = body;
  ASSERT_EQ(j["items"].size(), 2u);
  EXPECT_EQ(j["items"][0]["n"], 2);
  EXPECT_EQ(j["items"][0]["quote"], "") << "an empty quote is written, not left out";
  EXPECT_EQ(j["items"][0]["note"], "");
  EXPECT_EQ(j["items"][1]["n"], 1);
  EXPECT_EQ(j["items"][1].size(), 8u);
  EXPECT_EQ(json::dump(json::Json(LibraryBody{"q", {}, "d"})), R"({"items":[],"question":"q","today":"d"})");
}

TEST(ServiceFailures, DescribeAndExplainTellRefusalsFromLostConnections) {
  using K = PlatformFail::Kind;
  const struct {
    Failure failure;
    const char* described;
    const char* explained;
  } cases[] = {
      {Fail::signedOut(), "Signed out", "Sign in to Orvak to ask about what you're reading."},
      {Fail::server(429, "too many"), "Too many", "Lots of questions right now. Ask me again in a moment."},
      {Fail::server(503, "maintenance"), "Maintenance", "Questions aren't available just yet."},
      {Fail::server(500, "internal error"), "Internal error", "I couldn't answer that just now."},
      {Fail::server(0, "bad URL"), "Bad URL", "I couldn't answer that just now."},
      {Fail::server(400, "élan lost"), "Élan lost", "I couldn't answer that just now."},
      {Fail::server(400, "e\u0301lan"), "E\u0301lan", "I couldn't answer that just now."},  // one grapheme
      {Fail::server(400, "ßig"), "SSig", "I couldn't answer that just now."},
      {Fail::server(400, ""), "", "I couldn't answer that just now."},
      {PlatformFail{K::timedOut, "The request timed out."}, "Can't reach Orvak right now. Check your connection.",
       "I can't reach Orvak right now. Check your connection."},
      {PlatformFail{K::undecodable, "x"}, "Can't reach Orvak right now. Check your connection.",
       "I can't reach Orvak right now. Check your connection."},
      {PlatformFail{K::cancelled, "cancelled"}, "Can't reach Orvak right now. Check your connection.",
       "I can't reach Orvak right now. Check your connection."},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Account::describe(c.failure), c.described) << failureText(c.failure);
    EXPECT_EQ(Account::explain(c.failure), c.explained) << failureText(c.failure);
  }
  EXPECT_EQ(failureText(Fail::server(500, "say \"hi\"")), R"(server(500, "say \"hi\""))");
}

}  // namespace

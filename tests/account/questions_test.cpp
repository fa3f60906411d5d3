// Questions to the service against the fake: the page question's streamed answer, read line by
// line as it arrives, and the library's question and document.
#include <gtest/gtest.h>

#include <mutex>
#include <thread>

#include "core/base/json.h"
#include "tests/account/service_fixture.h"

namespace orvak::test {
namespace {

using loopback::HttpReply;
using loopback::Step;

std::string line(const json::Json& j) { return json::dump(j); }

// What a question produced: the pieces in order, the thread each came on, and the outcome.
struct Asked {
  std::mutex mutex;
  std::vector<std::string> pieces;
  bool piecesOnMain = false;
  std::optional<Account::Result<Account::AskReply>> got;

  std::size_t count() {
    std::lock_guard lock(mutex);
    return pieces.size();
  }
};

// The outcome as one text: "answer|actions|refused" for a reply, the failure as the log writes
// it (platform failures by kind) otherwise.
std::string askOutcome(const Account::Result<Account::AskReply>& r) {
  if (r) {
    const auto& v = r.value();
    return v.answer + "|" + (v.actions ? json::dump(json::Json(*v.actions)) : "none") + "|" +
           (v.refused ? (*v.refused ? "true" : "false") : "none");
  }
  if (const auto* p = std::get_if<Account::PlatformFail>(&r.failure())) {
    switch (p->kind) {
      case Account::PlatformFail::Kind::timedOut:
        return "timed out";
      case Account::PlatformFail::Kind::cancelled:
        return "cancelled";
      default:
        return "platform: " + p->description;
    }
  }
  return account::failureText(r.failure());
}

class QuestionsTest : public ServiceTest {
 protected:
  account::Exchange ask(Asked& asked, account::AskQuestion q = {"ask", "what does this mean?", "Some text.", "0", "",
                                                                "Page", false}) {
    const auto mainThread = std::this_thread::get_id();
    return account->askStream(
        q,
        [&asked, mainThread](const std::string& piece) {
          std::lock_guard lock(asked.mutex);
          asked.pieces.push_back(piece);
          asked.piecesOnMain = asked.piecesOnMain || std::this_thread::get_id() == mainThread;
        },
        [&asked](Account::Result<Account::AskReply> r) { asked.got.emplace(std::move(r)); });
  }
  static bool answered(Asked& asked, double seconds = 5) {
    return dispatch::mainloop::runUntil([&asked] { return asked.got.has_value(); }, seconds);
  }
};

TEST_F(QuestionsTest, TheStreamedAnswerIsReadLineByLine) {
  const std::string twoMiB(2 * 1024 * 1024, 'x');
  const json::Json action = {{"name", "set_speed"}, {"input", {{"rate", 1.5}}}};
  const struct {
    const char* name;
    std::vector<Step> steps;
    std::vector<std::string> pieces;
    std::string outcome;
    bool cancelAfterFirstPiece = false;
  } cases[] = {
      {"two pieces and a final line",
       {Step::send(line({{"t", "It means "}})), Step::send(line({{"t", "this."}})),
        Step::send(line({{"done", true}, {"answer", "It means this."}, {"actions", json::Json::array()}}))},
       {"It means ", "this."},
       "It means this.|[]|none"},
      {"only done", {Step::send(line({{"done", true}}))}, {}, "|none|none"},
      {"a line that is not JSON in the middle",
       {Step::send(line({{"t", "a"}})), Step::send("not json {"), Step::send(""), Step::send(line({{"t", "b"}})),
        Step::send(line({{"done", true}, {"answer", "ab"}, {"refused", false}}))},
       {"a", "b"},
       "ab|none|false"},
      {"a piece with an error",
       {Step::send(line({{"t", "Half"}, {"error", "model overloaded"}})), Step::send(line({{"done", true}}))},
       {"Half"},
       "server(502, \"model overloaded\")"},
      {"pieces then the end", {Step::send(line({{"t", "a"}}))}, {"a"}, "server(502, \"the answer was cut off\")"},
      {"done false with an answer",
       {Step::send(line({{"done", false}, {"answer", "not yet"}}))},
       {},
       "server(502, \"the answer was cut off\")"},
      {"one malformed action among good ones",
       {Step::send(line(
           {{"done", true},
            {"answer", "ok"},
            {"actions", {action, {{"name", "skip"}}, {{"name", "keep_reading"}, {"input", json::Json::object()}}}}}))},
       {},
       "ok|" + json::dump(json::Json{action, {{"name", "keep_reading"}, {"input", json::Json::object()}}}) + "|none"},
      {"a 2 MiB line, then a good final line",
       {Step::send(line({{"t", twoMiB}})), Step::send(line({{"t", "short"}})),
        Step::send(line({{"done", true}, {"answer", "short"}}))},
       {"short"},
       "short|none|none"},
      {"line ends with a carriage return, the last line without one",
       {Step::bytes(line({{"t", "a"}}) + "\r\n"), Step::bytes(line({{"done", true}, {"answer", "a"}}))},
       {"a"},
       "a|none|none"},
      {"nothing read after done",
       {Step::send(line({{"done", true}, {"answer", "first"}})), Step::send(line({{"t", "late"}}))},
       {},
       "first|none|none"},
      {"a stall past the time-out", {Step::send(line({{"t", "a"}})), Step::hang()}, {"a"}, "timed out"},
      {"a cancel mid-stream", {Step::send(line({{"t", "a"}})), Step::waitFor("never")}, {"a"}, "cancelled", true},
      {"401", {}, {}, "signedOut"},
      {"500 with its error", {}, {}, "server(500, \"database is down\")"},
  };
  account->askBounds.timeout = 1.5;  // room for a 2 MiB line on a busy machine; the stall still ends soon
  for (const auto& c : cases) {
    const std::string name = c.name;
    if (name == "401") {
      fake.script("/api/ask", HttpReply::json(401, {{"error", "token revoked"}}));
    } else if (name == "500 with its error") {
      fake.script("/api/ask", HttpReply::json(500, {{"error", "database is down"}}));
    } else {
      fake.script("/api/ask", HttpReply{200, c.steps});
    }
    Asked asked;
    auto exchange = ask(asked);
    if (c.cancelAfterFirstPiece) {
      ASSERT_TRUE(dispatch::mainloop::runUntil([&] { return asked.count() == 1; }, 5)) << name;
      exchange.cancel();
    }
    ASSERT_TRUE(answered(asked)) << name;
    EXPECT_EQ(asked.pieces, c.pieces) << name;
    EXPECT_EQ(askOutcome(*asked.got), c.outcome) << name;
    EXPECT_FALSE(asked.piecesOnMain) << name << ": pieces never come on the main queue";
  }
}

TEST_F(QuestionsTest, TheFirstPieceArrivesWhileTheRestIsStillHeld) {
  fake.script("/api/ask", HttpReply{200,
                                    {Step::send(line({{"t", "first"}})), Step::waitFor("rest"),
                                     Step::send(line({{"t", " second"}})),
                                     Step::send(line({{"done", true}, {"answer", "first second"}}))}});
  Asked asked;
  ask(asked);
  ASSERT_TRUE(dispatch::mainloop::runUntil([&] { return asked.count() == 1; }, 5));
  EXPECT_FALSE(asked.got) << "the answer cannot be whole yet";
  fake.open("rest");
  ASSERT_TRUE(answered(asked));
  EXPECT_EQ(asked.pieces, (std::vector<std::string>{"first", " second"}));
  EXPECT_EQ(askOutcome(*asked.got), "first second|none|none");
}

TEST_F(QuestionsTest, AFailureReplyIsReadOnlyAsFarAsItsErrorCanReach) {
  // 5,000 bytes and then nothing: the client has what it needs after 4,097 of them.
  account->askBounds.timeout = 30;
  fake.script("/api/ask", HttpReply{500, {Step::bytes(std::string(5000, ' ')), Step::hang()}});
  Asked asked;
  ask(asked);
  ASSERT_TRUE(answered(asked, 5)) << "the client waited for more than it needs";
  EXPECT_EQ(askOutcome(*asked.got), "server(500, \"error 500\")");

  // An "error" within the first 4,097 bytes is read; one past them is never seen.
  for (const auto& [padding, message] :
       std::vector<std::pair<std::size_t, std::string>>{{4000, "near"}, {5000, "error 503"}}) {
    const std::string body = R"({"pad":")" + std::string(padding, ' ') + R"(","error":"near"})";
    fake.script("/api/ask", HttpReply{503, {Step::bytes(body)}});
    Asked more;
    ask(more);
    ASSERT_TRUE(answered(more));
    EXPECT_EQ(askOutcome(*more.got), "server(503, \"" + message + "\")") << padding;
  }
}

TEST_F(QuestionsTest, AnAnswerThatDripsOrOutgrowsItsLimitEndsAfterThePiecesItGave) {
  const std::string kib(1024, 'x');
  const struct {
    const char* name;
    std::string piece;
    double gap;  // seconds before each line
    std::string outcome;
    std::string sentence;
    double deadline;  // seconds: far below the drip's length, far above the flood's (loaded machines)
  } cases[] = {
      // Each line well inside the per-line limit, all of them together far past the answer's.
      {"flood", kib, 0, "server(502, \"the answer was cut off\")", "I couldn't answer that just now.", 30},
      // A line every 20 ms: never silent for long, but ten seconds in all.
      {"drip", "a", 0.02, "timed out", "I can't reach Orvak right now. Check your connection.", 2},
  };
  account->askBounds.timeout = 5;
  account->askBounds.maxBody = 16 * 1024;
  constexpr int kLines = 500;
  for (const auto& c : cases) {
    std::vector<Step> steps;
    for (int i = 0; i < kLines; ++i) {
      if (c.gap > 0) steps.push_back(Step::wait(c.gap));
      steps.push_back(Step::send(line({{"t", c.piece}})));
    }
    steps.push_back(Step::send(line({{"done", true}, {"answer", "all of it"}})));
    fake.script("/api/ask", HttpReply{200, steps});
    account->askBounds.deadline = c.deadline;
    Asked asked;
    ask(asked);
    ASSERT_TRUE(answered(asked)) << c.name << ": the answer outlived its bounds";
    EXPECT_EQ(askOutcome(*asked.got), c.outcome) << c.name;
    EXPECT_EQ(Account::explain(asked.got->failure()), c.sentence) << c.name;
    EXPECT_GT(asked.count(), 0U) << c.name << ": the pieces before the end were passed on";
    EXPECT_LT(asked.count(), static_cast<std::size_t>(kLines)) << c.name;
  }
}

TEST_F(QuestionsTest, TheQuestionGoesAsEightMembersWithTheToken) {
  for (const bool before : {true, false}) {
    fake.unscript("/api/ask");
    Asked asked;
    ask(asked, {"summary", "sum it up", "The page.", "12", "The focus.", "A title", before});
    ASSERT_TRUE(answered(asked));
    ASSERT_TRUE(*asked.got) << askOutcome(*asked.got);
    const auto r = fake.requests().back();
    EXPECT_EQ(r.method, "POST");
    EXPECT_EQ(r.target, "/api/ask");
    EXPECT_EQ(r.header("authorization"), "Bearer tok-12345678");
    EXPECT_EQ(r.header("content-type"), "application/json");
    const json::Json expected = {{"kind", "summary"},
                                 {"question", "sum it up"},
                                 {"text", "The page."},
                                 {"at", "12"},
                                 {"focus", "The focus."},
                                 {"title", "A title"},
                                 {"state", before ? "before" : "paused"},
                                 {"stream", true}};
    EXPECT_EQ(r.json(), expected);
    EXPECT_TRUE(r.json().at("stream").is_boolean());
  }
}

TEST_F(QuestionsTest, NothingIsSentWithoutATokenOrWithAnAddressThatCannotBeFormed) {
  const struct {
    const char* name;
    bool token;
    std::string base;
    std::string outcome;
  } cases[] = {
      {"no token", false, "", "signedOut"},
      {"a mistyped base", true, "http//127.0.0.1", "server(0, \"bad URL\")"},
  };
  for (const auto& c : cases) {
    if (!c.token) signOutKeys();
    if (!c.base.empty()) platform::Defaults::standard()->set("apiBase", c.base);
    Asked asked;
    ask(asked);
    ASSERT_TRUE(answered(asked)) << c.name;
    EXPECT_EQ(askOutcome(*asked.got), c.outcome) << c.name;
  }
  settle();
  EXPECT_TRUE(fake.requests().empty());
}

TEST_F(QuestionsTest, LibraryCallsSendTheItemsInOrderAndFailAsTheCallDoes) {
  const account::LibraryItem first{1, "saved", "A quote", "", "", "Page one", "example.com", "2026-03-14 (Saturday)"};
  const account::LibraryItem second{2, "listened", "", "", "An excerpt", "Page two", "Reader", "2026-03-13 (Friday)"};
  const account::LibraryBody body{"what links them?", {first, second}, "2026-03-15 (Sunday)"};

  Awaited<account::LibraryAnswer> answer;
  account->libraryAsk(body, answer.done());
  ASSERT_TRUE(answer.wait());
  ASSERT_TRUE(*answer.got) << outcome(*answer.got);
  auto sent = fake.requests().back();
  EXPECT_EQ(sent.target, "/api/library/ask");
  EXPECT_EQ(sent.header("authorization"), "Bearer tok-12345678");
  EXPECT_EQ(sent.json(), json::Json(body));
  EXPECT_EQ(sent.json().at("items").at(0).at("n"), 1);
  EXPECT_EQ(sent.json().at("items").at(1).at("quote"), "");

  Awaited<account::LibraryDoc> doc;
  account->libraryDocument({"write it up", {}, "2026-03-15 (Sunday)"}, doc.done());
  ASSERT_TRUE(doc.wait());
  ASSERT_TRUE(*doc.got) << outcome(*doc.got);
  sent = fake.requests().back();
  EXPECT_EQ(sent.target, "/api/library/document");
  EXPECT_EQ(sent.json().at("items"), json::Json::array()) << "an empty list is sent as []";

  fake.script("/api/library/ask", HttpReply::json(503, {{"error", "warming up"}}));
  Awaited<account::LibraryAnswer> unavailable;
  account->libraryAsk(body, unavailable.done());
  ASSERT_TRUE(unavailable.wait());
  ASSERT_FALSE(*unavailable.got);
  EXPECT_EQ(Account::explain(unavailable.got->failure()), "Questions aren't available just yet.");

  // Each call keeps its own time-out.
  fake.script("/api/library/ask", HttpReply{200, {Step::bytes("{"), Step::hang()}});
  fake.script("/api/library/document", HttpReply{200, {Step::bytes("{"), Step::hang()}});
  account->libraryAskBounds.timeout = 0.3;
  account->libraryDocumentBounds.timeout = 60;
  Awaited<account::LibraryAnswer> slowAnswer;
  Awaited<account::LibraryDoc> slowDoc;
  const auto slowDocExchange = account->libraryDocument(body, slowDoc.done());
  account->libraryAsk(body, slowAnswer.done());
  ASSERT_TRUE(slowAnswer.wait());
  EXPECT_EQ(std::get<Account::PlatformFail>(slowAnswer.got->failure()).kind, Account::PlatformFail::Kind::timedOut);
  EXPECT_FALSE(slowDoc.got) << "the document waits longer";
  slowDocExchange.cancel();
  ASSERT_TRUE(slowDoc.wait());
  EXPECT_TRUE(account::isCancelled(slowDoc.got->failure()));

  const auto before = fake.requests().size();
  signOutKeys();
  Awaited<account::LibraryAnswer> signedOut;
  account->libraryAsk(body, signedOut.done());
  ASSERT_TRUE(signedOut.wait());
  EXPECT_EQ(outcome(*signedOut.got), "signedOut");
  EXPECT_EQ(Account::explain(signedOut.got->failure()), "Sign in to Orvak to ask about what you're reading.");
  settle();
  EXPECT_EQ(fake.requests().size(), before);
}

}  // namespace
}  // namespace orvak::test

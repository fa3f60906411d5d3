// Feedback and crash reports against the fake service, with scripted dialogs: which report is
// offered, what each answer does, the payloads as the service received them, the log's tail, and
// a real crash in a child process.
#include "app/feedback/feedback.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include "core/base/json.h"
#include "core/base/paths.h"
#include "tests/account/service_fixture.h"
#include "tests/support/files.h"
#include "tests/support/log_tail.h"
#include "tests/support/temp_home.h"

namespace orvak::test {
namespace {

namespace fs = std::filesystem;
using loopback::HttpReply;

// Answers as told and records what was asked.
struct ScriptedDialogs final : Feedback::Dialogs {
  std::optional<FormAnswer> form;
  CrashAnswer crash;
  std::vector<std::string> asked;
  std::optional<FormAnswer> runForm(bool askEmail) override {
    asked.push_back(askEmail ? "form with e-mail" : "form");
    return form;
  }
  CrashAnswer runCrashAlert() override {
    asked.push_back("crash alert");
    return crash;
  }
  void showResult(bool sent) override { asked.push_back(sent ? "sent" : "not sent"); }
};

class FeedbackTest : public ServiceTest {
 protected:
  void SetUp() override {
    ServiceTest::SetUp();
    folder = freshDir("crashes");
    dialogs = std::make_shared<ScriptedDialogs>();
  }
  void TearDown() override {
    defaults().remove(Feedback::kSeenUntilKey);
    defaults().remove(Feedback::kSendAlwaysKey);
    ServiceTest::TearDown();
  }
  // The last check at `ms` since 1970.
  void seenUntil(std::int64_t ms) {
    defaults().set(Feedback::kSeenUntilKey, platform::Date(std::chrono::milliseconds(ms)));
  }
  // A report modified at `ms` since 1970 (plus `extraNanos`).
  fs::path report(const std::string& name, std::int64_t ms, const std::string& text = "Signal: SIGSEGV\n",
                  std::int64_t extraNanos = 0) {
    const fs::path p = folder / name;
    writeFile(p, text);
    fs::last_write_time(p, fs::file_time_type::clock::from_sys(std::chrono::sys_time<std::chrono::nanoseconds>(
                               std::chrono::milliseconds(ms) + std::chrono::nanoseconds(extraNanos))));
    return p;
  }
  bool offer() {
    bool done = false;
    Feedback::offerCrashReport(
        dialogs, [&done] { done = true; }, folder);
    return dispatch::mainloop::runUntil([&done] { return done; }, 5);
  }
  bool form(const std::optional<std::string>& signedInAs) {
    bool done = false;
    Feedback::showForm(signedInAs, dialogs, [&done] { done = true; });
    return dispatch::mainloop::runUntil([&done] { return done; }, 5);
  }
  std::vector<json::Json> payloads() {
    std::vector<json::Json> out;
    for (const auto& r : fake.requests()) {
      if (r.target == "/api/feedback") out.push_back(r.json());
    }
    return out;
  }

  fs::path folder;
  std::shared_ptr<ScriptedDialogs> dialogs;
};

TEST_F(FeedbackTest, OnlyTheNewestOfOurReportsSinceTheLastCheckIsOffered) {
  constexpr std::int64_t t = 1'700'000'000'000;
  const struct {
    const char* name;
    std::vector<std::pair<std::string, std::int64_t>> reports;  // name, modified (ms after the check)
    bool checkedBefore;
    std::string offered;  // empty: none
  } cases[] = {
      {"first check, with old and new reports", {{"orvak-1-2.crash", -5000}, {"orvak-3-4.crash", 5000}}, false, ""},
      {"a new report", {{"orvak-3-4.crash", 5000}}, true, "orvak-3-4.crash"},
      {"the ips extension", {{"orvak-3-4.ips", 5000}}, true, "orvak-3-4.ips"},
      {"another program's", {{"chromium-3-4.crash", 5000}}, true, ""},
      {"no dash after the name", {{"orvak3-4.crash", 5000}, {"orvak.crash", 5000}}, true, ""},
      {"another extension", {{"orvak-3-4.log", 5000}, {"orvak-3-4.crash.txt", 5000}}, true, ""},
      {"modified exactly at the check", {{"orvak-3-4.crash", 0}}, true, ""},
      {"older than the check", {{"orvak-3-4.crash", -1}}, true, ""},
      {"of two new ones the newer", {{"orvak-5-6.crash", 9000}, {"orvak-3-4.crash", 5000}}, true, "orvak-5-6.crash"},
  };
  for (const auto& c : cases) {
    folder = freshDir("crashes");
    for (const auto& [name, offset] : c.reports) report(name, t + offset);
    defaults().remove(Feedback::kSeenUntilKey);
    if (c.checkedBefore) seenUntil(t);
    const std::int64_t before = dispatch::wallMillis();
    const auto got = Feedback::newCrashReport(folder);
    EXPECT_EQ(got ? got->filename().string() : std::string(), c.offered) << c.name;
    const auto stored = defaults().date(Feedback::kSeenUntilKey);
    ASSERT_TRUE(stored) << c.name;
    EXPECT_GE(stored->time_since_epoch().count(), before) << c.name << ": the check time moves on";
  }

  // A report a fraction of a millisecond after the check is new.
  folder = freshDir("crashes");
  report("orvak-3-4.crash", t, "x", 500'000);
  seenUntil(t);
  EXPECT_TRUE(Feedback::newCrashReport(folder));
}

TEST_F(FeedbackTest, AnUnreadableOrEmptyReportIsNeitherOfferedNowNorLater) {
  const std::int64_t now = dispatch::wallMillis();
  seenUntil(now - 60'000);
  fs::create_directories(folder / "orvak-3-4.crash");  // listed like a report, unreadable as one
  fs::last_write_time(folder / "orvak-3-4.crash", fs::file_time_type::clock::now());
  ASSERT_TRUE(offer());
  ASSERT_TRUE(offer());
  settle();
  EXPECT_TRUE(dialogs->asked.empty());
  EXPECT_TRUE(payloads().empty());

  // Bytes that are not UTF-8 are no report's text either, and an empty report says nothing.
  for (const std::string& text : {std::string("Signal: SIGSEGV\n\xff\xfe frame\n"), std::string(), std::string(" \n\t\n")}) {
    seenUntil(dispatch::wallMillis() - 60'000);
    report("orvak-5-6.crash", dispatch::wallMillis(), text);
    ASSERT_TRUE(offer());
    ASSERT_TRUE(offer());
    settle();
    EXPECT_TRUE(dialogs->asked.empty()) << text.size() << " bytes";
    EXPECT_TRUE(payloads().empty());
  }
}

TEST_F(FeedbackTest, TheAnswersToTheCrashAlert) {
  const auto newReport = [this](const std::string& name) {
    seenUntil(dispatch::wallMillis() - 60'000);
    report(name, dispatch::wallMillis() - 1000, "Signal: SIGSEGV (11)\nin " + OrvakPaths::home().string() + "/x\n");
  };
  // "Always" with "Don't Send": remembered as no, and the next crash asks again.
  newReport("orvak-1-1.crash");
  dialogs->crash = {false, true};
  ASSERT_TRUE(offer());
  EXPECT_EQ(defaults().boolean(Feedback::kSendAlwaysKey), false);
  newReport("orvak-2-2.crash");
  dialogs->crash = {true, false};
  const LogTail log;
  ASSERT_TRUE(offer());
  EXPECT_EQ(dialogs->asked, (std::vector<std::string>{"crash alert", "crash alert"}));
  EXPECT_EQ(defaults().boolean(Feedback::kSendAlwaysKey), false) << "unticked: the setting stays";
  ASSERT_EQ(payloads().size(), 1u);
  const json::Json crash = payloads().back();
  EXPECT_EQ(crash.at("kind"), "crash");
  EXPECT_FALSE(crash.contains("message"));
  EXPECT_FALSE(crash.contains("email"));
  EXPECT_TRUE(crash.contains("log"));
  EXPECT_EQ(crash.at("report"), "Signal: SIGSEGV (11)\nin ~/x\n");
  EXPECT_EQ(log.count("crash report sent: true"), 1);

  // Always: sent without asking, and the log says how it went.
  for (const auto& [status, line] :
       std::vector<std::pair<int, std::string>>{{200, "crash report sent: true"}, {500, "crash report sent: false"}}) {
    defaults().set(Feedback::kSendAlwaysKey, true);
    fake.script("/api/feedback", HttpReply::json(status, json::Json::object()));
    dialogs->asked.clear();
    newReport("orvak-3-" + std::to_string(status) + ".crash");
    const LogTail sentLog;
    ASSERT_TRUE(offer());
    EXPECT_TRUE(dialogs->asked.empty()) << status;
    EXPECT_EQ(sentLog.count(line), 1) << status << sentLog.text();
  }
}

TEST_F(FeedbackTest, TheFormSendsWhatWasTypedAsTheServiceReceivesIt) {
  using Answer = Feedback::Dialogs::FormAnswer;
  const struct {
    const char* name;
    std::optional<std::string> signedInAs;
    std::optional<Answer> answer;        // none: cancelled
    std::optional<json::Json> expected;  // the payload's kind, message, email and log presence; none: nothing sent
    bool hasLog;
    std::vector<std::string> asked;
  } cases[] = {
      {"signed in",
       "you@example.com",
       Answer{"  It skips words.\n", "ignored@example.com", true},
       json::Json{{"kind", "feedback"}, {"message", "It skips words."}, {"email", "you@example.com"}},
       true,
       {"form", "sent"}},
      {"signed out, the field left empty",
       std::nullopt,
       Answer{"Hello", "", true},
       json::Json{{"kind", "feedback"}, {"message", "Hello"}, {"email", ""}},
       true,
       {"form with e-mail", "sent"}},
      {"signed out, an address typed",
       std::nullopt,
       Answer{"Hello", " me@example.com ", false},
       json::Json{{"kind", "feedback"}, {"message", "Hello"}, {"email", " me@example.com "}},
       false,
       {"form with e-mail", "sent"}},
      {"a blank message",
       std::nullopt,
       Answer{" \n\t ", "me@example.com", true},
       std::nullopt,
       false,
       {"form with e-mail"}},
      {"cancelled", "you@example.com", std::nullopt, std::nullopt, false, {"form"}},
  };
  for (const auto& c : cases) {
    dialogs->asked.clear();
    dialogs->form = c.answer;
    const auto before = payloads().size();
    ASSERT_TRUE(form(c.signedInAs)) << c.name;
    settle(0.05);
    EXPECT_EQ(dialogs->asked, c.asked) << c.name;
    if (!c.expected) {
      EXPECT_EQ(payloads().size(), before) << c.name;
      continue;
    }
    ASSERT_EQ(payloads().size(), before + 1) << c.name;
    json::Json got = payloads().back();
    EXPECT_EQ(got.contains("log"), c.hasLog) << c.name;
    for (const char* key : {"version", "os", "arch"}) EXPECT_TRUE(got.at(key).is_string()) << c.name << key;
    for (const char* key : {"log", "version", "os", "arch"}) got.erase(key);
    EXPECT_EQ(got, *c.expected) << c.name;
  }

  fake.script("/api/feedback", HttpReply::json(500, {{"error", "down"}}));
  dialogs->asked.clear();
  dialogs->form = Answer{"Hello", "", false};
  ASSERT_TRUE(form(std::nullopt));
  EXPECT_EQ(dialogs->asked, (std::vector<std::string>{"form with e-mail", "not sent"}));
}

TEST_F(FeedbackTest, SendCountsOnlyStatus200AndCarriesTheTokenWhenThereIsOne) {
  std::string closed;
  {
    fake::FakeService gone;
    closed = gone.base();
  }
  const struct {
    const char* name;
    std::optional<int> status;  // none: nobody listening
    bool sent;
  } cases[] = {
      {"200", 200, true}, {"201", 201, false}, {"204", 204, false}, {"500", 500, false}, {"refused", {}, false}};
  for (const auto& c : cases) {
    platform::Defaults::standard()->set("apiBase", c.status ? fake.base() : closed);
    if (c.status) fake.script("/api/feedback", HttpReply{*c.status, {loopback::Step::bytes("{}")}, "application/json"});
    std::optional<bool> sent;
    Feedback::send(Feedback::Payload::make("feedback", "hi"), [&sent](bool s) { sent = s; });
    ASSERT_TRUE(dispatch::mainloop::runUntil([&] { return sent.has_value(); }, 5)) << c.name;
    EXPECT_EQ(*sent, c.sent) << c.name;
  }
  platform::Defaults::standard()->set("apiBase", fake.base());
  EXPECT_EQ(fake.requests().back().header("authorization"), "Bearer tok-12345678");
  EXPECT_EQ(fake.requests().back().header("content-type"), "application/json");

  signOutKeys();
  fake.unscript("/api/feedback");
  std::optional<bool> sent;
  Feedback::send(Feedback::Payload::make("feedback", "hi"), [&sent](bool s) { sent = s; });
  ASSERT_TRUE(dispatch::mainloop::runUntil([&] { return sent.has_value(); }, 5));
  EXPECT_TRUE(*sent) << "feedback works signed out";
  EXPECT_FALSE(fake.requests().back().hasHeader("authorization"));
}

TEST(FeedbackText, TheLogsTailIsTheLastPiecesScrubbed) {
  std::string log;
  for (int i = 1; i <= 400; ++i) log += "line " + std::to_string(i) + "\n";
  std::string last299;
  for (int i = 102; i <= 400; ++i) last299 += "line " + std::to_string(i) + "\n";
  EXPECT_EQ(Feedback::lastLines(log, 300), last299) << "300 pieces: 299 lines and the final line break";
  EXPECT_EQ(Feedback::lastLines("a\nb", 300), "a\nb");
  EXPECT_EQ(Feedback::lastLines("a\nb\n", 2), "b\n");
  EXPECT_EQ(Feedback::lastLines("a\nb\n", 1), "");
  EXPECT_EQ(Feedback::lastLines("", 5), "");
  EXPECT_EQ(Feedback::lastLines("a\nb", 0), "");

  const fs::path dir = freshDir("log");
  writeFile(dir / "orvak.log", "[t] open /home/ann/Notes/a.txt for ann@example.com\n[t] done\n");
  EXPECT_EQ(Feedback::recentLogOf(dir / "orvak.log", 300, "/home/ann"),
            "[t] open ~/Notes/a.txt for <email>\n[t] done\n");
  EXPECT_EQ(Feedback::recentLogOf(dir / "missing.log", 300, "/home/ann"), "");
  EXPECT_EQ(Feedback::recentLogOf(dir, 300, "/home/ann"), "") << "a folder is no log";
  writeFile(dir / "bad.log", "[t] ok\n[t] caf\xe9\n");
  EXPECT_EQ(Feedback::recentLogOf(dir / "bad.log", 300, "/home/ann"), "") << "a log that is not UTF-8 is unreadable";
}

TEST(FeedbackText, AReportIsScrubbedWholeBeforeItIsCut) {
  // An address and a home path across the cut: scrubbing after cutting would let part of each out.
  std::string cutAt;
  while (cutAt.size() < static_cast<std::size_t>(Feedback::kReportCharacters - 6)) cutAt += "frame ";
  cutAt.resize(Feedback::kReportCharacters - 6);
  cutAt.back() = 'x';
  const std::string report = cutAt + " me@example.com /home/ann/secret";
  const std::string sent = Feedback::preparedReport(report, "/home/ann");
  EXPECT_EQ(sent, cutAt + " <emai");
  EXPECT_EQ(sent.find("me@"), std::string::npos);
  const std::string path = cutAt.substr(0, Feedback::kReportCharacters - 3) + "/home/ann/x";
  EXPECT_EQ(Feedback::preparedReport(path, "/home/ann"), cutAt.substr(0, Feedback::kReportCharacters - 3) + "~/x");
}

TEST(FeedbackText, VersionAndMachine) {
  EXPECT_EQ(Feedback::versionFrom(platform::DefaultsValue{}), "dev");
  EXPECT_EQ(Feedback::versionFrom(std::string()), "dev");
  EXPECT_EQ(Feedback::versionFrom(std::int64_t{3}), "dev");
  EXPECT_EQ(Feedback::versionFrom(std::string("1.4.2")), "1.4.2");
  const char machine[8] = {'x', '8', '6', '\0', 'j', 'u', 'n', 'k'};
  EXPECT_EQ(Feedback::machineText(machine, sizeof machine), "x86");
  const char unended[3] = {'a', '\xff', 'b'};
  EXPECT_EQ(Feedback::machineText(unended, sizeof unended), "a\uFFFDb");
  EXPECT_EQ(Feedback::osText("NAME=Debian\nPRETTY_NAME=\"Debian GNU/Linux 12 (bookworm)\"\n", "6.1.0-18-amd64"),
            "Debian GNU/Linux 12 (bookworm) 6.1.0-18-amd64");
}

TEST_F(FeedbackTest, ACrashLeavesOneReportThatTheNextCheckOffers) {
  const fs::path state = freshDir("state");
  seenUntil(dispatch::wallMillis() - 60'000);
  // Everything the child needs is made before the fork: after it, only exec-safe calls.
  std::vector<std::string> env;
  for (char** e = environ; *e != nullptr; ++e) {
    if (std::string_view(*e).rfind("XDG_STATE_HOME=", 0) != 0) env.emplace_back(*e);
  }
  env.push_back("XDG_STATE_HOME=" + state.string());
  std::vector<char*> envp;
  for (auto& e : env) envp.push_back(e.data());
  envp.push_back(nullptr);
  char* const argv[] = {const_cast<char*>(ORVAK_DEV_BIN), const_cast<char*>("crash"), nullptr};
  const pid_t child = fork();
  ASSERT_NE(child, -1);
  if (child == 0) {
    const int devnull = ::open("/dev/null", O_WRONLY);
    if (devnull >= 0) {
      dup2(devnull, 1);
      dup2(devnull, 2);
    }
    execve(ORVAK_DEV_BIN, argv, envp.data());
    _exit(127);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFSIGNALED(status)) << "exit status " << status;
  EXPECT_EQ(WTERMSIG(status), SIGSEGV);

  const fs::path crashes = state / "Orvak" / "crashes";
  std::vector<fs::path> reports;
  for (const auto& e : fs::directory_iterator(crashes)) reports.push_back(e.path());
  ASSERT_EQ(reports.size(), 1u);
  const std::string name = reports[0].filename().string();
  EXPECT_EQ(name.rfind("orvak-", 0), 0u) << name;
  EXPECT_EQ(reports[0].extension(), ".crash");
  const std::string text = readFile(reports[0]);
  EXPECT_NE(text.find("Signal: SIGSEGV (11)"), std::string::npos) << text;
  EXPECT_NE(text.find("Frames:\n"), std::string::npos) << text;

  EXPECT_EQ(Feedback::newCrashReport(crashes), reports[0]);
}

}  // namespace
}  // namespace orvak::test

#include "core/base/json.h"
#include "core/base/log.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <fstream>
#include <limits>
#include <regex>
#include <sstream>

#include "core/base/jsonl.h"
#include "core/base/paths.h"
#include "core/base/scrub.h"
#include "core/text/regex.h"
#include "tests/support/files.h"
#include "tests/support/temp_home.h"

namespace fs = std::filesystem;
using namespace orvak;

TEST(PathsTest, FoldersFollowXdgUnderTheTemporaryHome) {
  const auto home = test::tempHome();
  EXPECT_EQ(OrvakPaths::home(), home);
  EXPECT_EQ(OrvakPaths::support(), home / ".local/share/Orvak");
  EXPECT_EQ(OrvakPaths::logs(), home / ".local/state/Orvak");
  EXPECT_EQ(OrvakPaths::captures(), OrvakPaths::logs() / "captures");
  EXPECT_EQ(Log::url(), OrvakPaths::logs() / "orvak.log");
}

TEST(PathsTest, ResearchFileMovesOnceFromTheLogsFolder) {
  const auto root = test::freshDir("research");
  const auto support = root / "support";
  const auto logs = root / "logs";
  fs::create_directories(logs);
  std::ofstream(logs / "research.jsonl") << "{\"a\":1}\n";
  EXPECT_EQ(OrvakPaths::locateResearch(support, logs), support / "research.jsonl");
  EXPECT_FALSE(fs::exists(logs / "research.jsonl"));
  EXPECT_EQ(test::readFile(support / "research.jsonl"), "{\"a\":1}\n");

  // With files in both places neither is touched.
  std::ofstream(logs / "research.jsonl") << "old\n";
  EXPECT_EQ(OrvakPaths::locateResearch(support, logs), support / "research.jsonl");
  EXPECT_EQ(test::readFile(logs / "research.jsonl"), "old\n");
  EXPECT_EQ(test::readFile(support / "research.jsonl"), "{\"a\":1}\n");
}

TEST(PathsTest, ResearchFileMovesAcrossFileSystems) {
  // The logs folder on another file system than the temporary home (tmpfs where there is one).
  std::string tmpl = "/dev/shm/orvak-test-XXXXXX";
  if (!fs::is_directory("/dev/shm") || mkdtemp(tmpl.data()) == nullptr) GTEST_SKIP() << "no second file system";
  const fs::path logs(tmpl);
  struct Cleanup {
    fs::path dir;
    ~Cleanup() { fs::remove_all(dir); }
  } cleanup{logs};
  const auto support = test::freshDir("research-xdev") / "support";
  fs::create_directories(support);
  struct stat a {}, b {};
  if (::stat(logs.c_str(), &a) != 0 || ::stat(support.c_str(), &b) != 0 || a.st_dev == b.st_dev) {
    GTEST_SKIP() << "the folders share a file system";
  }
  std::ofstream(logs / "research.jsonl") << "{\"a\":1}\n";
  EXPECT_EQ(OrvakPaths::locateResearch(support, logs), support / "research.jsonl");
  EXPECT_EQ(test::readFile(support / "research.jsonl"), "{\"a\":1}\n");
  EXPECT_FALSE(fs::exists(logs / "research.jsonl"));
  EXPECT_FALSE(fs::exists(support / "research.jsonl.moving"));
}

TEST(LogTest, WritesTimestampedLinesAndRecreatesARemovedFolder) {
  fs::remove_all(OrvakPaths::logs());
  Log::write("launch: hello");
  Log::write("");
  Log::flush();
  const std::string text = test::readFile(Log::url());
  const std::regex line(R"(\[\d{4}-\d{2}-\d{2}T\d{2}:\d{2}:\d{2}\.\d{3}Z\] launch: hello\n)"
                        R"(\[\d{4}-\d{2}-\d{2}T\d{2}:\d{2}:\d{2}\.\d{3}Z\] \n)");
  EXPECT_TRUE(std::regex_match(text, line)) << text;

  fs::remove_all(OrvakPaths::logs());
  Log::write("again");
  Log::flush();
  EXPECT_NE(test::readFile(Log::url()).find("] again\n"), std::string::npos);
}

TEST(LogTest, OneCallIsOneLineWhateverTheMessageHolds) {
  struct Case {
    std::string message;
    std::string shown;
  };
  const Case cases[] = {
      {"vendor: 500 body\n[2026-01-01T00:00:00.000Z] forged", "vendor: 500 body\\n[2026-01-01T00:00:00.000Z] forged"},
      {"a\r\nb\tc", "a\\r\\nb\\tc"},
      {std::string("bell\x07") + "esc\x1b", "bell\\u0007esc\\u001B"},
      {"sep\u2028par\u2029nel\u0085", "sep\\u2028par\\u2029nel\\u0085"},
      {"csi\u009b2J pad\u0080", "csi\\u009B2J pad\\u0080"},
      {"caf\u00e9 \u2013 ok", "caf\u00e9 \u2013 ok"},
      {"bad \xff\xfe bytes", "bad \uFFFD\uFFFD bytes"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Log::formatLine(c.message, 0), "[1970-01-01T00:00:00.000Z] " + c.shown);
  }
}

TEST(LogTest, RotatesPastTenMegabytes) {
  fs::create_directories(OrvakPaths::logs());
  {
    std::ofstream big(Log::url(), std::ios::binary | std::ios::trunc);
    big << std::string(Log::kRotateBytes - 10, 'x');
  }
  Log::write("after rotation");
  Log::flush();
  fs::path old = Log::url();
  old += ".1";
  EXPECT_EQ(fs::file_size(old), Log::kRotateBytes - 10);
  EXPECT_NE(test::readFile(Log::url()).find("after rotation"), std::string::npos);
  EXPECT_LT(fs::file_size(Log::url()), 100u);
}

TEST(JsonlTest, AppendsLinesAndNeverTruncates) {
  const auto file = test::freshDir("jsonl") / "deep/er/reads.jsonl";
  JSONL::appendBytes("one\n", file);
  JSONL::appendBytes("two\n", file);
  EXPECT_EQ(test::readFile(file), "one\ntwo\n");
}

TEST(JsonlTest, ByteAppendsReportFailuresAndRecordAppendsSwallowThem) {
  const auto dir = test::freshDir("jsonl-fail");
  std::ofstream(dir / "plainfile") << "x";
  EXPECT_THROW(JSONL::appendBytes("a\n", dir / "plainfile" / "child.jsonl"), FileError);
  EXPECT_THROW(JSONL::appendBytes("a\n", dir), FileError) << "a folder is not a file";
  json::Json record = {{"k", 1}};
  const auto failure = JSONL::append(record, dir / "plainfile" / "child.jsonl");
  ASSERT_TRUE(failure.has_value());
  EXPECT_NE(failure->find("plainfile"), std::string::npos) << *failure;
  EXPECT_EQ(JSONL::append(record, dir / "written.jsonl"), std::nullopt);
  EXPECT_EQ(test::readFile(dir / "written.jsonl"), "{\"k\":1}\n");
}

// A line cut short by a kill or a full disk costs only itself: the next record starts a line of
// its own instead of being glued to it.
TEST(JsonlTest, CutOffLastLineDoesNotSwallowTheNextRecord) {
  struct Case {
    const char* what;
    std::string before;
    std::string after;
  };
  const Case cases[] = {
      {"empty file", "", "{\"k\":1}\n"},
      {"whole lines", "{\"k\":0}\n", "{\"k\":0}\n{\"k\":1}\n"},
      {"record cut midway", "{\"k\":0}\n{\"k\":", "{\"k\":0}\n{\"k\":\n{\"k\":1}\n"},
      {"whole record without its line feed", "{\"k\":0}", "{\"k\":0}\n{\"k\":1}\n"},
  };
  for (const auto& c : cases) {
    const auto file = test::freshDir("jsonl-cut") / "reads.jsonl";
    test::writeFile(file, c.before);
    EXPECT_EQ(JSONL::append(json::Json{{"k", 1}}, file), std::nullopt) << c.what;
    EXPECT_EQ(test::readFile(file), c.after) << c.what;
  }
}

// A disk that fills midway through a line: the failure is reported and the part that went in is
// taken back, so the file still ends on a whole line. (A file size limit stands in for the full
// disk, in a child process so that the limit stays there.)
TEST(JsonlTest, WriteThatFailsMidwayIsReportedAndTakenBack) {
  const auto file = test::freshDir("jsonl-full") / "voice.jsonl";
  const std::string first = "{\"k\":0}\n";
  test::writeFile(file, first);
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{static_cast<rlim_t>(first.size() + 20), static_cast<rlim_t>(first.size() + 20)};
    if (setrlimit(RLIMIT_FSIZE, &limit) != 0) _exit(2);
    const auto failure = JSONL::append(json::Json{{"pad", std::string(200, 'p')}}, file);
    _exit(failure && failure->find("cannot write") != std::string::npos ? 0 : 1);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0) << "the failed write was not reported";
  EXPECT_EQ(test::readFile(file), first);
}

TEST(JsonlTest, ConcurrentAppendsKeepEveryLineWhole) {
  const auto file = test::freshDir("jsonl-threads") / "many.jsonl";
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&, t] {
      for (int i = 0; i < 200; ++i) {
        EXPECT_EQ(JSONL::append(json::Json{{"t", t}, {"i", i}, {"pad", std::string(300, 'p')}}, file), std::nullopt);
      }
    });
  }
  for (auto& t : threads) t.join();
  std::ifstream in(file);
  std::string line;
  int count = 0;
  while (std::getline(in, line)) {
    EXPECT_NO_THROW(json::parse(line)) << line.substr(0, 80);
    ++count;
  }
  EXPECT_EQ(count, 800);
}

TEST(ScrubTest, RemovesHomeNameAndAddresses) {
  struct Case {
    const char* home;
    const char* in;
    const char* out;
  };
  const Case cases[] = {
      {"/Users/demo", "/Users/demo/Library/Logs x", "~/Library/Logs x"},
      {"/home/demo", "open /home/demo/.local/state/Orvak/orvak.log", "open ~/.local/state/Orvak/orvak.log"},
      {"/srv/u/demo", "path /Users/demo/a and /home/demo/b", "path /Users/~/a and /home/~/b"},
      {"/home/demo", "user \"demo\" and demo alone", "user \"~\" and demo alone"},
      {"/home/demo", "mail demo.x+y@mail.example.org now", "mail <email> now"},
      {"", "/home/demo \"demo\" a@b.co", "/home/demo \"demo\" <email>"},
      {"/", "/home/demo \"demo\" a@b.co", "/home/demo \"demo\" <email>"},
      {"/home/demo", "A@B.c is too short", "A@B.c is too short"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Scrub::report(c.in, c.home), c.out) << c.home << " | " << c.in;
  }
}

TEST(ScrubTest, AddressesAreReplacedAsThePatternWouldMatchThem) {
  // The pattern through the regex engine, beside the one-pass scan, on many small texts made of
  // the characters that matter.
  static const auto pattern = text::Regex::cached(R"([A-Za-z0-9._%+-]+@[A-Za-z0-9.-]+\.[A-Za-z]{2,})");
  const std::string alphabet = "ab1.-_+%@ \"Z";
  std::uint32_t seed = 12345;
  for (int i = 0; i < 20000; ++i) {
    std::string t;
    const int length = 1 + static_cast<int>(seed % 16);
    for (int j = 0; j < length; ++j) {
      seed = seed * 1664525u + 1013904223u;
      t.push_back(alphabet[(seed >> 16) % alphabet.size()]);
    }
    ASSERT_EQ(Scrub::replaceEmails(t), pattern.replaceAll(t, "<email>")) << "\"" << t << "\"";
  }
  const struct {
    const char* in;
    const char* out;
  } cases[] = {
      {"a@b@cd.com", "a@<email>"},
      {"x.y@host.example.org.", "<email>."},
      {"me@mail.co1.uk9", "<email>9"},
      {"to: a@b.cd, c@d.ef", "to: <email>, <email>"},
      {"é@bé.com first@x.io", "é@bé.com <email>"},
  };
  for (const auto& c : cases) EXPECT_EQ(Scrub::replaceEmails(c.in), c.out) << c.in;
}

TEST(LogTest, LinesStillQueuedWhenTheProgramExitsCauseNoCrash) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  // The log's thread is still writing while the program's statics are destroyed; what it uses
  // (its queue, the file name) must outlive them. The sanitizer build sees any use after free.
  EXPECT_EXIT(
      {
        for (int i = 0; i < 5000; ++i) Log::write("line " + std::to_string(i) + " of a program about to end");
        std::exit(0);
      },
      ::testing::ExitedWithCode(0), "");
}

// Timings and coordinates reach log lines through Log::whole; a NaN or an overflowing value must
// give a number, never undefined behaviour or text a reader of the log cannot parse.
TEST(LogTest, WholeNumbersCutTowardZeroAndStayNumbers) {
  const struct {
    double in;
    const char* out;
  } cases[] = {
      {0.0, "0"},
      {12.9, "12"},
      {-12.9, "-12"},
      {std::nan(""), "0"},
      {std::numeric_limits<double>::infinity(), "0"},
      {1e30, "9223372036854775807"},
      {-1e30, "-9223372036854775808"},
  };
  for (const auto& c : cases) EXPECT_EQ(Log::whole(c.in), c.out) << c.in;
}

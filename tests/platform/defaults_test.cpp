#include "core/base/json.h"
#include "platform/defaults.h"

#include <gtest/gtest.h>

#include <cmath>
#include <csignal>
#include <fstream>
#include <limits>
#include <sstream>
#include <thread>

#include "core/base/log.h"
#include "platform/bundle.h"
#include "tests/support/files.h"
#include "tests/support/temp_home.h"

namespace fs = std::filesystem;
using namespace orvak::platform;
using orvak::test::freshDir;

namespace {



fs::path freshFile() { return freshDir("defaults") / "defaults.json"; }

Date at(std::int64_t ms) { return Date(std::chrono::milliseconds(ms)); }

TEST(Defaults, EveryKindSurvivesTheFileWithItsKind) {
  const std::pair<const char*, DefaultsValue> cases[] = {
      {"boolFalse", false},
      {"boolTrue", true},
      {"int", std::int64_t{-7}},
      {"intMax", std::numeric_limits<std::int64_t>::max()},
      {"wholeDouble", 2.0},
      {"double", 1.25},
      {"tiny", 5e-324},
      {"text", std::string("no")},
      {"emptyText", std::string()},
      {"numberText", std::string("1")},
      {"list", TextList{"Mail", "com.example/x", "é"}},
      {"emptyList", TextList{}},
      {"data", Data{0x00, 0xff, 0x7b, 0x22}},
      {"emptyData", Data{}},
      {"date", at(1773480413589)},
      {"dateBefore1970", at(-1000)},
      {"inf", std::numeric_limits<double>::infinity()},
      {"minusInf", -std::numeric_limits<double>::infinity()},
  };
  const fs::path file = freshFile();
  {
    Defaults d(file);
    for (const auto& [key, value] : cases) d.set(key, value);
  }
  Defaults reopened(file);
  for (const auto& [key, value] : cases) EXPECT_EQ(reopened.object(key), value) << key;

  Defaults d(file);
  d.set("nan", std::numeric_limits<double>::quiet_NaN());
  const auto nan = Defaults(file).number("nan");
  ASSERT_TRUE(nan.has_value());
  EXPECT_TRUE(std::isnan(*nan));
}

TEST(Defaults, TypedReadsTellAbsentFromAnotherKind) {
  Defaults d(freshFile());
  d.set("one", std::int64_t{1});
  d.set("yes", true);
  d.set("no", std::string("no"));
  d.set("half", 0.5);
  d.set("apps", TextList{"a"});

  EXPECT_EQ(d.boolean("one"), std::nullopt) << "an integer 1 is not a Boolean";
  EXPECT_FALSE(d.flag("one"));
  EXPECT_EQ(d.boolean("no"), std::nullopt);
  EXPECT_EQ(d.boolean("yes"), true);
  EXPECT_TRUE(d.flag("yes"));
  EXPECT_FALSE(d.flag("absent"));

  EXPECT_EQ(d.integer("half"), std::nullopt) << "a double is never narrowed to an integer";
  EXPECT_EQ(d.integer("yes"), std::nullopt);
  EXPECT_EQ(d.number("one"), 1.0) << "an integer is a number";
  EXPECT_EQ(d.number("half"), 0.5);
  EXPECT_EQ(d.number("no"), std::nullopt);

  EXPECT_EQ(d.text("apps"), std::nullopt);
  EXPECT_EQ(d.textList("no"), std::nullopt);
  EXPECT_EQ(d.data("no"), std::nullopt);
  EXPECT_EQ(d.date("one"), std::nullopt);
  EXPECT_TRUE(std::holds_alternative<std::monostate>(d.object("absent")));
  EXPECT_FALSE(d.contains("absent"));
  EXPECT_TRUE(d.contains("no"));
}

TEST(Defaults, RemovingAKeyTakesItOutOfTheFile) {
  const fs::path file = freshFile();
  Defaults d(file);
  d.set("a", true);
  d.set("b", std::int64_t{2});
  d.remove("a");
  d.set("b", std::monostate{});
  d.set("c", std::string("kept"));
  Defaults reopened(file);
  EXPECT_FALSE(reopened.contains("a"));
  EXPECT_FALSE(reopened.contains("b"));
  EXPECT_EQ(reopened.text("c"), "kept");
}

TEST(Defaults, HandWrittenFileKeepsWhatItCannotInterpretAndReadingChangesNothing) {
  const fs::path file = freshFile();
  const std::string original = R"({
    "sound": "no",
    "speed": 1,
    "hotkeyCode": 70000,
    "mixed": ["a", 1],
    "nothing": null,
    "future": {"color": "#ff0000"},
    "badData": {"data": "not base64!"},
    "huge": 18446744073709551615,
    "neverReadApps": ["com.example.app"]
  })";
  orvak::test::writeFile(file, original);
  {
    Defaults d(file);
    EXPECT_EQ(d.text("sound"), "no");
    EXPECT_EQ(d.integer("speed"), 1);
    EXPECT_EQ(d.integer("hotkeyCode"), 70000);
    EXPECT_EQ(d.textList("neverReadApps"), TextList{"com.example.app"});
    for (const char* unreadable : {"mixed", "nothing", "future", "badData", "huge"}) {
      EXPECT_FALSE(d.contains(unreadable)) << unreadable;
    }
  }
  EXPECT_EQ(orvak::test::readFile(file), original) << "opening the store must not rewrite the file";

  Defaults d(file);
  d.set("sound", false);
  d.set("future", std::string("replaced"));
  const auto saved = orvak::json::parse(orvak::test::readFile(file));
  EXPECT_EQ(saved.at("mixed"), orvak::json::parse(R"(["a", 1])"));
  EXPECT_TRUE(saved.at("nothing").is_null());
  EXPECT_EQ(saved.at("badData"), orvak::json::parse(R"({"data": "not base64!"})"));
  EXPECT_EQ(saved.at("huge"), orvak::json::parse("18446744073709551615"));
  EXPECT_EQ(saved.at("future"), "replaced");
  EXPECT_EQ(saved.at("sound"), false);
}

TEST(Defaults, UnreadableFileIsMovedAsideWithALogLine) {
  const std::string deep(10'000, '[');
  const std::pair<const char*, std::string_view> cases[] = {
      {"truncated", R"({"sound": tru)"},
      {"not an object", R"(["sound", true])"},
      {"invalid UTF-8", "{\"title\": \"caf\xe9\"}"},
      {"empty", ""},
      {"number beyond a double", R"({"speed": 1e400, "sound": true})"},
      {"nested too deep", deep},
  };
  for (const auto& [what, bytes] : cases) {
    SCOPED_TRACE(what);
    const fs::path file = freshFile();
    orvak::test::writeFile(file, bytes);
    Defaults d(file);
    EXPECT_FALSE(d.contains("sound"));
    EXPECT_FALSE(fs::exists(file)) << "the store starts empty without writing yet";

    fs::path aside;
    for (const auto& e : fs::directory_iterator(file.parent_path())) {
      if (e.path() != file) aside = e.path();
    }
    ASSERT_FALSE(aside.empty());
    EXPECT_EQ(aside.filename().string().rfind("defaults.json.unreadable-", 0), 0u);
    EXPECT_EQ(orvak::test::readFile(aside), bytes) << "the damaged file is kept as it was";

    orvak::Log::flush();
    EXPECT_NE(orvak::test::readFile(orvak::Log::url()).find("defaults: " + file.string() + " is unreadable"),
              std::string::npos);

    d.set("sound", true);
    EXPECT_EQ(Defaults(file).boolean("sound"), true);
  }
}

// A file that is there but cannot be read (a folder in its place cannot be read even by root)
// is not taken for an empty one: it stays where it is, untouched, and changes live in memory.
TEST(Defaults, FileThatCannotBeReadIsKeptAndNeverOverwritten) {
  const fs::path file = freshFile();
  fs::create_directory(file);
  orvak::test::writeFile(file / "inside", "kept");
  orvak::Log::flush();
  const auto logBefore = orvak::test::readFile(orvak::Log::url()).size();
  Defaults d(file);
  d.set("sound", true);
  EXPECT_EQ(d.boolean("sound"), true) << "the session still has the change";
  EXPECT_TRUE(fs::is_directory(file));
  EXPECT_EQ(orvak::test::readFile(file / "inside"), "kept");
  EXPECT_EQ(std::distance(fs::directory_iterator(file.parent_path()), fs::directory_iterator()), 1)
      << "nothing moved aside, nothing written beside it";
  orvak::Log::flush();
  EXPECT_NE(orvak::test::readFile(orvak::Log::url())
                .substr(logBefore)
                .find("defaults: cannot read " + file.string() + " (it is a folder); changes will not be saved"),
            std::string::npos);
}

TEST(DefaultsDeathTest, CrashBetweenTemporaryFileAndRenameLeavesTheOldFile) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  const fs::path file = freshFile();
  Defaults(file).set("speed", 1.5);
  const std::string before = orvak::test::readFile(file);

  EXPECT_EXIT(
      {
        Defaults dying(file, [] { std::raise(SIGKILL); });
        dying.set("speed", 2.0);
      },
      ::testing::KilledBySignal(SIGKILL), "");

  EXPECT_EQ(orvak::test::readFile(file), before);
  Defaults after(file);
  EXPECT_EQ(after.number("speed"), 1.5);
  after.set("speed", 1.75);
  EXPECT_EQ(Defaults(file).number("speed"), 1.75) << "a leftover temporary file does not get in the way";
}

TEST(Defaults, ConcurrentWritersLoseNothing) {
  const fs::path file = freshFile();
  Defaults d(file);
  constexpr int kThreads = 4;
  constexpr int kKeys = 25;
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&d, t] {
      for (int k = 0; k < kKeys; ++k) {
        const std::string key = "t" + std::to_string(t) + "k" + std::to_string(k);
        d.set(key, std::int64_t{k});
        EXPECT_EQ(d.integer(key), k);
        (void)d.object("t0k0");
      }
    });
  }
  for (auto& th : threads) th.join();
  Defaults reopened(file);
  for (int t = 0; t < kThreads; ++t) {
    for (int k = 0; k < kKeys; ++k) {
      EXPECT_EQ(reopened.integer("t" + std::to_string(t) + "k" + std::to_string(k)), k);
    }
  }
}

TEST(Defaults, StandardStoreLivesInTheConfigFolder) {
  EXPECT_EQ(Defaults::standardFile(), orvak::test::tempHome() / ".config/Orvak/defaults.json");
  EXPECT_EQ(Defaults::standard()->file(), Defaults::standardFile());
}

TEST(Bundle, EntriesHaveTheirKinds) {
  EXPECT_EQ(bundle::info(bundle::kIdentifier), DefaultsValue(bundle::identifier()));
  EXPECT_FALSE(bundle::identifier().empty());
  EXPECT_EQ(bundle::info(bundle::kShortVersion), DefaultsValue(bundle::shortVersion()));
  EXPECT_TRUE(std::holds_alternative<bool>(bundle::info(bundle::kRelease)));
  EXPECT_TRUE(std::holds_alternative<std::string>(bundle::info(bundle::kApi)));
  EXPECT_TRUE(std::holds_alternative<std::monostate>(bundle::info("CFBundleName")));
}

}  // namespace

#include "core/base/json.h"
#include "core/library/position_store.h"

#include <gtest/gtest.h>

#include "core/page/clean_result.h"
#include "core/page/privacy.h"
#include "core/text/text.h"
#include "tests/core/library/library_fixtures.h"
#include "tests/support/temp_home.h"

namespace fs = std::filesystem;
using namespace orvak;

namespace {

// The moment the tests read at, in seconds since 1970.
constexpr double kReadAt = 1'800'000'000;
const std::string kSentence = "The sentence where reading stopped is right here.";

// 119 letters, some of them two bytes long (so byte and character offsets differ) and a space:
// the stop sentence starts at character 120.
std::string page(std::string_view tail = " And then the page goes on for a while.") {
  static const char* letters[] = {"\xc3\xa9", "a", "b", "\xc3\xb6", "c", "d", "e"};
  std::string text;
  for (int i = 0; i < 119; ++i) text += letters[i % 7];
  return text + " " + kSentence + std::string(tail);
}

ReadStart startAt(int offset, ReadStart::Reason reason = ReadStart::Reason::top) {
  ReadStart s;
  s.offset = offset;
  s.reason = reason;
  return s;
}

ReadPosition savedFor(const std::string& text, int startOffset, double savedAt = kReadAt - 60) {
  return ReadPosition::make(kSentence, PositionStore::snippet(text, startOffset), Date{savedAt});
}

}  // namespace

TEST(PositionStoreTest, PageKeyRules) {
  using O = std::optional<std::string_view>;
  EXPECT_EQ(PositionStore::key(O("a#b#c"), O("B"), O("T")), "a");
  EXPECT_EQ(PositionStore::key(O("#frag"), O("B"), O("T")), "");
  EXPECT_EQ(PositionStore::key(O(""), O("B"), O("T")), "B|T");
  EXPECT_EQ(PositionStore::key(std::nullopt, O(""), O("T")), "|T");
  EXPECT_EQ(PositionStore::key(std::nullopt, O("B"), O("")), std::nullopt);
  EXPECT_EQ(PositionStore::key(std::nullopt, std::nullopt, O("T")), std::nullopt);
}

TEST(PositionStoreTest, SnippetsAndProbesCountCharacters) {
  EXPECT_EQ(PositionStore::snippet("abc", 5), "");
  EXPECT_EQ(PositionStore::snippet("abc", 3), "");
  EXPECT_EQ(PositionStore::snippet("e\xcc\x81xyz", 1), "xyz");  // a decomposed é is one character
  const std::string text = page();
  EXPECT_EQ(orvak::text::graphemeCount(PositionStore::snippet(text, 0)), 80);

  const std::string longSentence(100, 'w');
  const auto p = ReadPosition::make(longSentence, "start", Date{5});
  EXPECT_EQ(p.sentenceProbeChars, 60);
  EXPECT_EQ(p.sentenceDigest, Privacy::digest(std::string(60, 'w')));
  EXPECT_EQ(p.startDigest, Privacy::digest("start"));
  EXPECT_EQ(ReadPosition::make("Short", "", Date{5}).sentenceProbeChars, 5);
}

TEST(PositionStoreTest, ResumesOnlyPastTheStartAndWithinTheAgeLimit) {
  const std::string text = page();
  const auto saved = savedFor(text, 0);
  const Date now{kReadAt};
  EXPECT_EQ(PositionStore::resumeOffset(saved, text, startAt(40), now), 120);
  EXPECT_EQ(PositionStore::resumeOffset(saved, text, startAt(40, ReadStart::Reason::viewport), now), 120);
  EXPECT_EQ(PositionStore::resumeOffset(saved, text, startAt(120), now), std::nullopt);
  EXPECT_EQ(PositionStore::resumeOffset(saved, text, startAt(300), now), std::nullopt);
  EXPECT_EQ(PositionStore::resumeOffset(std::nullopt, text, startAt(0), now), std::nullopt);

  struct Age {
    double savedAt;
    bool resumes;
  };
  for (const Age a : {Age{kReadAt - 1'209'600, false}, Age{kReadAt - 1'209'599, true}, Age{kReadAt + 3600, true}}) {
    EXPECT_EQ(PositionStore::resumeOffset(savedFor(text, 0, a.savedAt), text, startAt(0), now).has_value(), a.resumes)
        << a.savedAt;
  }

  // A stop sentence under 8 characters is kept but never trusted to find the place again.
  const std::string shortText = "Intro words here. Short. More words follow here.";
  const auto shortSaved = ReadPosition::make("Short", PositionStore::snippet(shortText, 0), Date{kReadAt});
  EXPECT_EQ(shortSaved.sentenceProbeChars, 5);
  EXPECT_EQ(PositionStore::resumeOffset(shortSaved, shortText, startAt(0), now), std::nullopt);
  // A page shorter than the probe.
  EXPECT_EQ(PositionStore::resumeOffset(saved, "tiny", startAt(0), now), std::nullopt);
}

TEST(PositionStoreTest, CursorStartMustMatchTheSavedSnippet) {
  const std::string text = page();
  const auto saved = savedFor(text, 10);
  EXPECT_EQ(PositionStore::resumeOffset(saved, text, startAt(10, ReadStart::Reason::cursor), Date{kReadAt}), 120);
  // The caret moved: the 80 characters at the start differ, so the position does not apply.
  EXPECT_EQ(PositionStore::resumeOffset(saved, text, startAt(11, ReadStart::Reason::cursor), Date{kReadAt}),
            std::nullopt);
}

TEST(PositionStoreTest, ProbeIsFoundOnlyAtWordStarts) {
  const auto saved = ReadPosition::make("reading stopped here", "", Date{kReadAt});
  const std::string inside = "Some text before, then misreading stopped here and more.";
  EXPECT_EQ(PositionStore::resumeOffset(saved, inside, startAt(0), Date{kReadAt}), std::nullopt);
  const std::string afterPunct = "Some text before,\xe2\x80\x94(reading stopped here) and more.";
  EXPECT_EQ(PositionStore::resumeOffset(saved, afterPunct, startAt(0), Date{kReadAt}), 19);
  const std::string twice = "x misreading stopped here; reading stopped here.";
  EXPECT_EQ(PositionStore::resumeOffset(saved, twice, startAt(0), Date{kReadAt}), 27);
}

TEST(PositionStoreTest, SavesRemovesAndReloads) {
  const auto file = test::freshDir("positions") / "sub" / "positions.json";
  const auto pos = savedFor(page(), 0, 1'700'000'000);
  {
    PositionStore store(file);
    EXPECT_FALSE(store.get("k"));
    store.save("k", pos);
    store.save("other", pos);
    EXPECT_EQ(store.get("k"), pos);
  }
  // Keys are stored only as digests.
  const auto root = json::parse(test::readFile(file));
  EXPECT_TRUE(root.contains(Privacy::digest("k")));
  EXPECT_FALSE(root.contains("k"));
  EXPECT_EQ(root[Privacy::digest("k")]["savedAt"], "2023-11-14T22:13:20Z");

  PositionStore store(file);
  EXPECT_EQ(store.get("k"), pos);
  store.remove("k");
  EXPECT_FALSE(store.get("k"));
  EXPECT_FALSE(PositionStore(file).get("k"));

  // Removing a key without a position does not write the file.
  fs::remove(file);
  store.remove("never saved");
  EXPECT_FALSE(fs::exists(file));
}

TEST(PositionStoreTest, KeepsThe300MostRecentlySaved) {
  const auto file = test::freshDir("positions") / "positions.json";
  PositionStore store(file);
  // Saved out of time order, so the oldest is not simply the first saved.
  int oldest = -1;
  for (int i = 0; i < 300; ++i) {
    const int age = (i * 119 + 150) % 300;  // every value 0..299 once
    if (age == 0) oldest = i;
    store.save("page " + std::to_string(i), savedFor(page(), 0, 1000 + age));
  }
  ASSERT_GT(oldest, 0);
  EXPECT_TRUE(store.get("page " + std::to_string(oldest)));
  store.save("page 300", savedFor(page(), 0, 5000));
  EXPECT_EQ(store.size(), 300u);
  EXPECT_FALSE(store.get("page " + std::to_string(oldest)));
  EXPECT_TRUE(store.get("page 300"));
  EXPECT_EQ(json::parse(test::readFile(file)).size(), 300u);
}

TEST(PositionStoreTest, DamagedFileKeepsGoodEntriesOrIsMovedAside) {
  const auto dir = test::freshDir("positions");
  const auto file = dir / "positions.json";
  const auto pos = savedFor(page(), 0, 1'700'000'000);
  json::Json root = json::Json::object();
  root[Privacy::digest("good")] = pos;
  root[Privacy::digest("bad")] = {{"sentenceDigest", "x"}};
  root[Privacy::digest("worse")] = 7;
  test::writeFile(file, json::dump(root));
  {
    PositionStore store(file);
    EXPECT_EQ(store.size(), 1u);
    EXPECT_EQ(store.get("good"), pos);
  }

  // Malformed, a number beyond a double, nesting deeper than any record: each moved aside.
  for (const std::string& damaged : {std::string("{\"truncated\": "), std::string("{\"k\": 1e400}"),
                                     std::string(100'000, '[')}) {
    for (const auto& e : fs::directory_iterator(dir)) fs::remove(e.path());
    test::writeFile(file, damaged);
    test::LogTail log;
    PositionStore store(file);
    EXPECT_EQ(store.size(), 0u);
    EXPECT_FALSE(fs::exists(file));
    int aside = 0;
    for (const auto& e : fs::directory_iterator(dir)) {
      if (e.path().filename().string().rfind("positions.json.unreadable-", 0) == 0) {
        ++aside;
        EXPECT_EQ(test::readFile(e.path()), damaged);
      }
    }
    EXPECT_EQ(aside, 1) << damaged.substr(0, 20);
    EXPECT_EQ(log.count("positions: positions.json is not readable as positions; moved to positions.json.unreadable-"), 1);
    // The store goes on: a save writes a fresh file.
    store.save("page", pos);
    EXPECT_EQ(PositionStore(file).get("page"), pos);
  }
}

TEST(PositionStoreTest, AFileThatCannotBeReadIsKeptAndNeverOverwritten) {
  // A folder where the file should be cannot be read even by root, as a file without read
  // permission can for everyone else.
  const auto file = test::freshDir("positions") / "positions.json";
  fs::create_directory(file);
  test::writeFile(file / "inside", "kept");
  test::LogTail log;
  PositionStore store(file);
  store.save("page", savedFor(page(), 0));
  EXPECT_TRUE(store.get("page"));  // the session still remembers in memory
  EXPECT_TRUE(fs::is_directory(file));
  EXPECT_EQ(test::readFile(file / "inside"), "kept");
  EXPECT_EQ(log.count("positions: cannot read positions.json (it is a folder); positions will not be saved this session"), 1);
}

#include "core/base/json.h"
#include "core/library/research_item.h"

#include <gtest/gtest.h>

#include "core/library/jsonl_research_store.h"
#include "tests/core/library/library_fixtures.h"
#include "tests/support/temp_home.h"

namespace fs = std::filesystem;
using namespace orvak;
using test::item;

TEST(ResearchItemTest, EncodesSortedKeysLeavingOutAbsentOptionals) {
  ResearchItem bare = item(1773480413, "a/b");
  bare.url.reset();
  EXPECT_EQ(json::encode(bare),
            R"({"app":"Firefox","engine":"apple","kind":"highlight","quote":"a/b","transcript":"highlight that",)"
            R"("ts":"2026-03-14T09:26:53Z","windowTitle":"Example page"})");

  ResearchItem full = item(1773480413.75, "q");
  full.kind = ResearchItem::Kind::note;
  full.note = "mine";
  full.sentenceIndex = 12;
  const auto j = json::parse(json::encode(full));
  EXPECT_EQ(j["note"], "mine");
  EXPECT_EQ(j["url"], "https://example.org/a");
  EXPECT_EQ(j["sentenceIndex"], 12);
  EXPECT_EQ(j["kind"], "note");
  // Whole seconds on disk.
  EXPECT_EQ(json::decode<ResearchItem>(json::encode(full)).ts, Date{1773480413});
}

TEST(ResearchItemTest, DecodingRejectsUnknownKindsAndMissingRequiredKeys) {
  const std::string good =
      R"({"app":"A","engine":"e","kind":"note","quote":"q","transcript":"t","ts":"2026-03-14T09:26:53Z","windowTitle":"W","extra":1})";
  const auto decoded = decodeResearchLine(good);
  ASSERT_TRUE(decoded);
  EXPECT_EQ(decoded->kind, ResearchItem::Kind::note);
  EXPECT_FALSE(decoded->note);
  EXPECT_FALSE(decoded->url);

  for (const char* bad : {
           R"({"app":"A","engine":"e","kind":"quote","quote":"q","transcript":"t","ts":"2026-03-14T09:26:53Z","windowTitle":"W"})",
           R"({"app":"A","kind":"note","quote":"q","transcript":"t","ts":"2026-03-14T09:26:53Z","windowTitle":"W"})",
           R"({"app":"A","engine":"e","kind":"note","quote":"q","transcript":"t","ts":"yesterday","windowTitle":"W"})",
           R"({"app":"A","engine":"e","kind":"note","quote":"q","transcript":"t","ts":"2026-03-14T09:26:53Z","windowTitle":"W","sentenceIndex":2.5})",
           R"({"app":"A","engine":"e","kind":"note","quote":"q","transcript":"t","ts":"2026-03-14T09:26:53Z","windowTitle":"W","note":null,"url":7})",
           R"({"app":"A","engine":"e","kind":"note","quote":"q","tr)",
           R"({"app":"A","engine":"e","kind":"note","quote":"q","transcript":"t","ts":"0000-06-01T00:00:00Z","windowTitle":"W"})",
       }) {
    EXPECT_FALSE(decodeResearchLine(bad)) << bad;
  }
  EXPECT_FALSE(kindFromRaw("Highlight"));
}

TEST(JSONLResearchStoreTest, CreatesFolderOnFirstSaveAndReturnsNewestFirst) {
  const auto file = test::freshDir("jsonl") / "deep/er/research.jsonl";
  JSONLResearchStore store(file);
  EXPECT_TRUE(store.recent(5).empty());
  EXPECT_FALSE(fs::exists(file.parent_path()));

  for (int i = 1; i <= 3; ++i) store.save(item(1000 + i, "quote " + std::to_string(i)));
  const auto two = store.recent(2);
  ASSERT_EQ(two.size(), 2u);
  EXPECT_EQ(two[0].quote, "quote 3");
  EXPECT_EQ(two[1].quote, "quote 2");
  EXPECT_TRUE(store.recent(0).empty());
  EXPECT_EQ(store.recent(10).size(), 3u);
  // One line per item, slashes unescaped.
  const auto text = test::readFile(file);
  EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 3);
  EXPECT_NE(text.find("https://example.org/a"), std::string::npos);
}

TEST(JSONLResearchStoreTest, DamagedLinesCostOnlyThemselves) {
  const auto file = test::freshDir("jsonl") / "research.jsonl";
  const std::string a = json::encode(item(1, "first"));
  const std::string b = json::encode(item(2, "second"));
  std::string c = json::encode(item(3, "caf\xc3\xa9"));
  // A middle line cut short, a line with a byte that is not UTF-8, a blank line, a last line
  // without its line feed.
  std::string badByte = json::encode(item(4, "bad"));
  badByte.replace(badByte.find("bad"), 3, "b\xff" "d");
  test::writeFile(file, a + "\n" + b.substr(0, 20) + "\n" + badByte + "\n\n" + b + "\n" + c);

  JSONLResearchStore store(file);
  const auto items = store.recent(10);
  ASSERT_EQ(items.size(), 3u);
  EXPECT_EQ(items[0].quote, "caf\xc3\xa9");
  EXPECT_EQ(items[1].quote, "second");
  EXPECT_EQ(items[2].quote, "first");

  // Saving after an unterminated last line starts a new line, so both items stay readable.
  store.save(item(5, "fifth"));
  const auto after = store.recent(2);
  ASSERT_EQ(after.size(), 2u);
  EXPECT_EQ(after[0].quote, "fifth");
  EXPECT_EQ(after[1].quote, "caf\xc3\xa9");
}

TEST(JSONLResearchStoreTest, SaveFailureIsThrownAndLeavesTheFileIntact) {
  const auto dir = test::freshDir("jsonl");
  test::writeFile(dir / "blocker", "not a folder");
  JSONLResearchStore store(dir / "blocker" / "research.jsonl");
  EXPECT_THROW(store.save(item(1, "x")), FileError);
  EXPECT_TRUE(store.recent(3).empty());
}

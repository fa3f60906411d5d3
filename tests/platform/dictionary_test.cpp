#include "platform/dictionary.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "core/page/definition.h"
#include "tests/support/temp_home.h"

namespace orvak::platform {
namespace {

// Tests run in the source folder.
const std::filesystem::path kFixtures = "tests/fixtures/dict";

std::optional<std::string> spoken(Dictionary& dict, const std::string& word) {
  const auto entry = dict.entry(word);
  if (!entry) return std::nullopt;
  return Definition::spoken(word, *entry);
}

TEST(DictdDictionary, EntriesBecomeTheSpokenDefinition) {
  std::vector<std::string> log;
  auto dict = makeDictdDictionary(kFixtures, {"wn", "gcide"}, [&](const std::string& l) { log.push_back(l); });
  const std::vector<std::pair<std::string, std::optional<std::string>>> cases{
      {"serendipity", "serendipity, noun: good luck in making unexpected and fortunate discoveries."},
      {"happy", "happy, adjective: enjoying or showing or marked by joy or pleasure."},
      {"quickly", "quickly, adverb: with rapid movements."},
      {"well", "well, noun: a deep hole or shaft dug or drilled to obtain water or oil."},
      {"Ice Cream", "Ice Cream, noun: frozen dessert containing cream and sugar and flavoring."},
      {"ablaze", "ablaze, adverb: On fire; in a blaze, gleaming."},  // only in the second database
      {"zebra", std::nullopt},
      {"", std::nullopt},
  };
  for (const auto& [word, expected] : cases) EXPECT_EQ(spoken(*dict, word), expected) << word;
  EXPECT_TRUE(log.empty());
}

TEST(DictdDictionary, TheFormsTheDictionariesWriteBecomeThePlainOne) {
  EXPECT_EQ(plainFromWordNet("well\n    n 1: a hole; \"dig a\n      well\"\n    2: a spring\n    v 1: come up\n"),
            "well |  | noun 1 a hole: dig a well 2 a spring verb 1 come up");
  EXPECT_EQ(plainFromGcide("Ablaze \\A*blaze\"\\, adv. [Pref.]\n   1. On fire.\n   [1913 Webster]\n   2. Excited.\n"),
            "Ablaze | A*blaze\" | adverb 1 On fire 2 Excited");
  EXPECT_EQ(plainFromWordNet("word\n"), std::nullopt);
  EXPECT_EQ(plainFromWordNet("word"), std::nullopt);
}

TEST(DictdDictionary, ADamagedDatabaseIsSkippedWithOneLineAndTheNextOneAnswers) {
  const auto dir = test::freshDir("dict");
  std::filesystem::copy(kFixtures, dir);
  struct Case {
    const char* name;
    const char* file;
    std::string bytes;
  };
  const std::vector<Case> cases{
      {"text not gzip", "wn.dict.dz", "this is not compressed"},
      {"chunks cut short", "wn.dict.dz", ""},  // filled below: the real file, truncated
      {"offsets that do not read", "wn.index", "serendipity\t!!\t??\n"},
  };
  std::string real;
  {
    std::ifstream in(kFixtures / "wn.dict.dz", std::ios::binary);
    real.assign(std::istreambuf_iterator<char>(in), {});
  }
  for (auto c : cases) {
    std::filesystem::remove_all(dir);
    std::filesystem::copy(kFixtures, dir);
    if (c.bytes.empty()) c.bytes = real.substr(0, real.size() / 2);
    std::ofstream(dir / c.file, std::ios::binary | std::ios::trunc) << c.bytes;
    std::vector<std::string> log;
    auto dict = makeDictdDictionary(dir, {"wn", "gcide"}, [&](const std::string& l) { log.push_back(l); });
    const auto entry = dict->entry("serendipity");
    ASSERT_TRUE(entry.has_value()) << c.name;
    EXPECT_EQ(Definition::spoken("serendipity", *entry),
              "serendipity, noun: The happy faculty, or luck, of finding unexpected agreeable things by accident.")
        << c.name;
    ASSERT_EQ(log.size(), 1u) << c.name;
    EXPECT_TRUE(log[0].starts_with("dictionary: wn skipped: ")) << log[0];
    dict->entry("serendipity");
    EXPECT_EQ(log.size(), 1u) << c.name;  // not read again
  }
}

TEST(DictdDictionary, NoDatabaseAtAllGivesNothing) {
  auto dict = makeDictdDictionary(test::freshDir("nodict"), {"wn", "gcide"}, [](const std::string&) {});
  EXPECT_EQ(dict->entry("serendipity"), std::nullopt);
}

}  // namespace
}  // namespace orvak::platform

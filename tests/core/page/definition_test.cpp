#include "core/page/definition.h"

#include <gtest/gtest.h>

#include <ostream>

#include <optional>
#include <string>

namespace {

struct DefinitionCase {
  const char* name;
  std::string word;
  std::string entry;
  std::optional<std::string> expected;
};

// Shown by the test runner instead of the raw bytes of the case.
void PrintTo(const DefinitionCase& c, std::ostream* os) { *os << c.name; }

class DefinitionSpoken : public ::testing::TestWithParam<DefinitionCase> {};

TEST_P(DefinitionSpoken, Shapes) {
  const DefinitionCase& c = GetParam();
  EXPECT_EQ(orvak::Definition::spoken(c.word, c.entry), c.expected) << c.entry;
}

INSTANTIATE_TEST_SUITE_P(
    Definition, DefinitionSpoken,
    ::testing::Values(
        DefinitionCase{"first_sense_before_example", "run",
             "run | r\u028Cn | verb 1 move at a speed faster than a walk: he ran across the road. 2 flee",
             "run, verb: move at a speed faster than a walk."},
        DefinitionCase{"entry_without_fields_used_whole", "cat", "noun a small domesticated carnivorous mammal",
             "cat, noun: a small domesticated carnivorous mammal."},
        DefinitionCase{"one_separator_is_not_enough", "cat", "cat | a small mammal", "cat: cat | a small mammal."},
        DefinitionCase{"plural_noun_before_noun", "scissors", "scissors | \u02C8s\u026Az\u0259z | plural noun an instrument used for cutting",
             "scissors, plural noun: an instrument used for cutting."},
        DefinitionCase{"remarks_removed", "bank", "bank | ba\u014Bk | noun [count noun] the land alongside a river (or lake)",
             "bank, noun: the land alongside a river."},
        DefinitionCase{"only_a_label_left", "odd", "odd | \u0252d | noun [mass noun]", std::nullopt},
        DefinitionCase{"too_short", "ab", "ab | x | noun ab", std::nullopt},
        DefinitionCase{"section_label_ends_sense", "gift", "gift | \u0261\u026Aft | noun a thing given willingly PHRASES the gift of the gab",
             "gift, noun: a thing given willingly."},
        DefinitionCase{"origin_ends_sense", "tea", "tea | ti\u02D0 | noun a hot drink ORIGIN from Chinese", "tea, noun: a hot drink."},
        DefinitionCase{"bullet_ends_sense", "ace", "ace | e\u026As | noun a playing card \u2022 a person who excels",
             "ace, noun: a playing card."},
        DefinitionCase{"next_part_of_speech_ends_sense", "fast", "fast | f\u0251\u02D0st | adjective moving quickly adverb quickly",
             "fast, adjective: moving quickly."},
        DefinitionCase{"no_part_of_speech", "OK", "OK | \u0259\u028A\u02C8ke\u026A | informal all right", "OK: informal all right."},
        DefinitionCase{"word_as_asked_not_headword", "Running", "run | r\u028Cn | verb move fast", "Running, verb: move fast."},
        DefinitionCase{"part_of_speech_any_case", "dog", "dog |d\u0252\u0261|\nNoun a domesticated mammal",
             "dog, noun: a domesticated mammal."},
        DefinitionCase{"final_mark_always_added", "wow", "wow | wa\u028A | exclamation expressing astonishment!",
             "wow, exclamation: expressing astonishment!."},
        DefinitionCase{"trims_stray_punctuation", "so", "so | s\u0259\u028A | adverb ; to such a great extent ,",
             "so, adverb: to such a great extent."}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace

#include "core/speech/speech_text.h"

#include <gtest/gtest.h>

#include <ostream>

#include <string>
#include <thread>
#include <vector>

namespace {

namespace st = orvak::SpeechText;
using orvak::Pronunciation;

struct Case {
  const char* name;
  std::string in;
  std::string out;
};

std::string caseName(const ::testing::TestParamInfo<Case>& info) { return info.param.name; }

// ---- The whole rewrite -----------------------------------------------------------------------

// Shown by the test runner instead of the raw bytes of the case.
void PrintTo(const Case& c, std::ostream* os) { *os << c.name; }

class Spoken : public ::testing::TestWithParam<Case> {};

TEST_P(Spoken, Rewrites) {
  EXPECT_EQ(st::spoken(GetParam().in, {}), GetParam().out) << GetParam().in;
}

INSTANTIATE_TEST_SUITE_P(
    SpeechText, Spoken,
    ::testing::Values(
        Case{"plain", "Nothing special here", "Nothing special here."},
        Case{"url_keeps_host_and_trailing_mark", "Visit https://www.example.com/path?q=1.", "Visit example dot com."},
        Case{"url_www_only", "Go to www.example.org/a/b now", "Go to example dot org now."},
        Case{"url_mobile_host_and_closing_bracket", "(see https://m.example.com/x)", "(see example dot com)."},
        Case{"url_port_and_query", "Open http://localhost:8080?x=1 please", "Open localhost:8080 please."},
        Case{"email", "Write to jane.doe@mail.example.org today", "Write to jane dot doe at mail dot example dot org today."},
        Case{"domain", "see example.co.uk today", "see example dot co dot uk today."},
        Case{"not_a_domain_when_a_letter_follows", "open file.com.txt now", "open file.com.txt now."},
        Case{"mention_and_hashtag", "Thanks @jack for #news", "Thanks at jack for hashtag news."},
        Case{"at_sign_after_word_is_not_a_mention", "x@ab and a@b", "x@ab and a@b."},
        Case{"emoji_only", "\U0001F600\U0001F389", ""},
        Case{"emoji_dropped_then_space_tidied", "Great news \U0001F389!", "Great news!"},
        Case{"family_and_flag_dropped", "Hi \U0001F468\u200D\U0001F469\u200D\U0001F467 and \U0001F1EB\U0001F1F7 ok",
             "Hi and ok."},
        Case{"digits_hash_copyright_survive", "Call #1 \u00A9 2024", "Call #1 \u00A9 2024."},
        Case{"money_billion", "It costs $5bn.", "It costs 5 billion dollars."},
        Case{"money_keeps_separator", "\u00A33.5M raised", "3.5 million pounds raised."},
        Case{"money_euro_thousand", "Only \u20AC 20 k left", "Only 20 thousand euros left."},
        Case{"plain_money_left_alone", "It costs $5", "It costs $5."},
        Case{"thousands", "About 30k people", "About 30 thousand people."},
        Case{"unit_singular", "1 km", "1 kilometer."},
        Case{"unit_plural_for_one_point_zero", "1.0 km and 2 km", "1.0 kilometers and 2 kilometers."},
        Case{"unit_compound", "5 km/h", "5 kilometers per hour."},
        Case{"unit_case_matters", "16 GB but 16 gb", "16 gigabytes but 16 gb."},
        Case{"unit_not_before_word_character", "3 kmz away", "3 kmz away."},
        Case{"range", "pages 10\u201312", "pages 10 to 12."},
        Case{"range_spaced_em_dash", "1990 \u2014 1995", "1990 to 1995."},
        Case{"iso_date", "Due 2024-03-05", "Due March 5, 2024."},
        Case{"iso_date_bad_month", "Due 2024-13-05", "Due 2024-13-05."},
        Case{"iso_date_day_not_checked_against_month", "On 2023-02-31", "On February 31, 2023."},
        Case{"numbered_title", "Read Chapter IV", "Read Chapter 4."},
        Case{"numbered_title_no_entry_for_one", "Read Chapter I", "Read Chapter I."},
        Case{"regnal", "Henry VIII ruled", "Henry the Eighth ruled."},
        Case{"regnal_two_words", "Juan Carlos I and Victor Emmanuel III", "Juan Carlos I and Victor Emmanuel the Third."},
        Case{"regnal_not_before_dot_word", "Henry VIII.x", "Henry VIII.x."},
        Case{"long_identifier_dropped", "Token a1b2c3d4e5f6g7h8 used", "Token used."},
        Case{"long_word_without_digit_kept", "Supercalifragilistic words", "Supercalifragilistic words."},
        Case{"abbreviation_eg", "e.g. this", "for example, this."},
        Case{"abbreviation_case_sensitive", "E.g. this", "E.g. this."},
        Case{"abbreviations_more", "Smith et al. w/o tea, w/ milk and/or sugar, approx. 5 vs 6",
             "Smith and others without tea, with milk and or sugar, approximately 5 versus 6."},
        Case{"abbreviations_numbers", "See p. 5, pp. 7, No. 3, fig. 2 and ca. 1850",
             "See page 5, pages 7, number 3, figure 2 and circa 1850."},
        Case{"repeated_marks", "Really!!!", "Really!"},
        Case{"space_before_comma", "Wait ,", "Wait."},
        Case{"empty_brackets", "Call () now [ ]", "Call now."},
        Case{"dash_ending", "so \u2014", "so."},
        Case{"parenthesis_ending", "(see below)", "(see below)."},
        Case{"period_inside_quote_kept", "He said \"done.\"", "He said \"done.\""},
        Case{"colon_inside_quote_gains_period", "He said \"done:\"", "He said \"done:\"."},
        Case{"marks_only_without_final_mark", "-", ""},
        Case{"asterisk_rule", "***", ""},
        Case{"three_periods_kept", "...", "..."},
        Case{"markup", "This is **bold** and `code`", "This is bold and code."},
        Case{"bullet_at_line_start", "\u2022 First point", "First point."},
        Case{"heading_mark", "## Results", "Results."},
        Case{"phonetics", "Tomato /t\u0259\u02C8m\u0251\u02D0t\u0259\u028A/ is red", "Tomato is red."},
        Case{"temperature", "It is 20 \u00B0C, 68\u00B0F or 20\u00B0", "It is 20 degrees Celsius, 68 degrees Fahrenheit or 20 degrees."},
        Case{"dimensions", "A 5\u00D73 grid and 2 x 4 board", "A 5 by 3 grid and 2 by 4 board."},
        Case{"approximately", "~5 or \u2248 6 \u00B1 1", "about 5 or about 6 plus or minus 1."},
        Case{"arrows", "A\u2192B and C \u2190 D", "A to B and C D."},
        Case{"section_and_marks", "\u00A7 4 applies\u2020", "section 4 applies."},
        Case{"pipes_and_dots", "Home | News \u00B7 Sport", "Home, News, Sport."},
        Case{"product_name", "Orvak reads aloud", "Orvack reads aloud."}),
    caseName);

// ---- Cases where the order of the passes decides -----------------------------------------------

INSTANTIATE_TEST_SUITE_P(
    Order, Spoken,
    ::testing::Values(
        // Addresses go before domains and mentions, so an address is read once, as a whole.
        Case{"email_before_domain_and_mention", "Mail bob@example.com", "Mail bob at example dot com."},
        Case{"url_before_domain", "See https://news.example.com/today", "See news dot example dot com."},
        // Money takes its magnitude before the thousands pass sees "5k".
        Case{"money_before_thousands", "Raised $5k", "Raised 5 thousand dollars."},
        // An identifier dropped from inside brackets leaves empty brackets, then a double space.
        Case{"identifier_then_brackets_then_spaces", "See (a1b2c3d4e5f6g7h8i9) now", "See now."},
        // Emoji go before the spacing is tidied, so no space is left before the final mark.
        Case{"emoji_then_space_before_mark", "Done \U0001F44D.", "Done."},
        // "e.g.," keeps its comma through the abbreviation; a doubled comma after it is collapsed.
        Case{"abbreviation_then_doubled_comma", "Fruit, e.g.,, apples", "Fruit, for example, apples."},
        // Ranges are read before dates, so a range of two dates becomes "to" between them.
        Case{"range_before_dates", "From 2024-03-05\u20132024-03-09", "From March 5, 2024 to March 9, 2024."}),
    caseName);

// ---- Pronunciations ----------------------------------------------------------------------------

TEST(SpeechText, PronunciationCarriesCapitalAndMatchesWholeWords) {
  const std::vector<Pronunciation> list{{"SQL", "sequel"}};
  EXPECT_EQ(st::spoken("SQL rocks", list), "Sequel rocks.");
  EXPECT_EQ(st::spoken("use sql", list), "use sequel.");
  EXPECT_EQ(st::spoken("SQLite and MySQL", list), "SQLite and MySQL.");
  EXPECT_EQ(st::applyPronunciations("(SQL)", list), "(Sequel)");
}

TEST(SpeechText, PronunciationKeepsSpokenCaseOtherwise) {
  EXPECT_EQ(st::applyPronunciations("nginx and Nginx", std::vector<Pronunciation>{{"nginx", "Engine X"}}),
            "Engine X and Engine X");
  EXPECT_EQ(st::applyPronunciations("Gif", std::vector<Pronunciation>{{"gif", "\u00E9lan"}}), "\u00C9lan");
}

TEST(SpeechText, PronunciationTextIsLiteralNotAPattern) {
  const std::vector<Pronunciation> list{{"C++", "C plus plus"}, {"a.b", "AB"}, {"x\\E(", "bad"}, {"$1", "one"}};
  EXPECT_EQ(st::applyPronunciations("I like C++ and a.b, not axb", list), "I like C plus plus and AB, not axb");
  EXPECT_EQ(st::applyPronunciations("odd x\\E( here", list), "odd bad here");
  EXPECT_EQ(st::applyPronunciations("pay $1 now", list), "pay one now");
}

TEST(SpeechText, PronunciationOutputGoesThroughTheOtherPasses) {
  EXPECT_EQ(st::spoken("a tenner", std::vector<Pronunciation>{{"tenner", "$10k"}}), "a 10 thousand dollars.");
}

TEST(SpeechText, PronunciationEntriesApplyInOrder) {
  // Trimmed written forms; empty ones skipped; empty spoken deletes; later entries see earlier output.
  const std::vector<Pronunciation> list{{"  ", "never"}, {" um\t", ""}, {"GUI", "gooey"}, {"gooey", "sticky"}};
  EXPECT_EQ(st::applyPronunciations("um the GUI", list), " the Sticky");
  // The user's own entry for the product's name wins over the built-in one.
  EXPECT_EQ(st::spoken("Orvak", std::vector<Pronunciation>{{"orvak", "or vack"}}), "Or vack.");
}

TEST(SpeechText, PronunciationMatchesWithoutRegardToCaseBeyondAscii) {
  // The Kelvin sign folds to "k": an ASCII written form still matches it.
  EXPECT_EQ(st::applyPronunciations("\u212Aelvin", std::vector<Pronunciation>{{"kelvin", "temperature"}}),
            "Temperature");
  EXPECT_EQ(st::applyPronunciations("\u00C9COLE", std::vector<Pronunciation>{{"\u00E9cole", "school"}}), "School");
}

// ---- Single stages -----------------------------------------------------------------------------

TEST(SpeechText, SpokenDomainDropsEmptyParts) {
  EXPECT_EQ(st::spokenDomain("mail.example.org"), "mail dot example dot org");
  EXPECT_EQ(st::spokenDomain(".a..b."), "a dot b");
  EXPECT_EQ(st::spokenDomain(""), "");
}

TEST(SpeechText, DropEmojiKeepsTextCharactersThatCarryTheEmojiProperty) {
  EXPECT_EQ(st::dropEmoji("plain #1 * \u00A9 \u2122"), "plain #1 * \u00A9 \u2122");
  EXPECT_EQ(st::dropEmoji("a\u2764\uFE0Fb\U0001F44D\U0001F3FDc"), "abc");
  // Only emoji from U+238D on make the text be rebuilt; a lone watch below that stays.
  EXPECT_EQ(st::dropEmoji("\u231A watch"), "\u231A watch");
  EXPECT_EQ(st::dropEmoji("\u23F0 alarm"), " alarm");
}

TEST(SpeechText, SymbolsStageAlone) {
  EXPECT_EQ(st::symbols("a ---- b ==== c"), "a  b  c");
  EXPECT_EQ(st::symbols("> quoted\n- item"), "quoted\nitem");
  EXPECT_EQ(st::symbols("__under__ and ** alone"), "under and ** alone");
}

TEST(SpeechText, EndWithPause) {
  const std::vector<Case> cases{
      {"empty", "", ""},
      {"period", "Done.", "Done."},
      {"question", "Done?", "Done?"},
      {"ellipsis", "Done\u2026", "Done\u2026"},
      {"semicolon", "Done;", "Done;"},
      {"curly_quote_after_exclamation", "\u201CStop!\u201D", "\u201CStop!\u201D"},
      {"bracket_after_period", "[sic.]", "[sic.]"},
      {"quote_after_colon", "'a:'", "'a:'."},
      {"comma", "first,", "first."},
      {"hyphen_with_spaces", "end \t-", "end."},
      {"bare", "word", "word."},
      {"marks_only", "\u2014", ""},
      {"number_only", "42", "42."},
  };
  for (const auto& c : cases) EXPECT_EQ(st::endWithPause(c.in), c.out) << c.name;
}

TEST(SpeechText, Speakable) {
  EXPECT_TRUE(st::speakable("Hello"));
  EXPECT_TRUE(st::speakable("42"));
  EXPECT_TRUE(st::speakable("\u00E9"));
  EXPECT_TRUE(st::speakable("#1"));
  EXPECT_FALSE(st::speakable(""));
  EXPECT_FALSE(st::speakable("... --- !!!"));
  EXPECT_FALSE(st::speakable("\U0001F600 \U0001F389"));
  EXPECT_FALSE(st::speakable("\u2192 \u00A7"));
}

TEST(SpeechText, ReplaceGivesEmptyTextForGroupsNotTakingPart) {
  const auto out = st::replace("ab-b", "(a)?(b)", orvak::text::RegexFlags::none, [](const st::Groups& g) {
    return "<" + g[1] + "|" + g[2] + ">";
  });
  EXPECT_EQ(out, "<a|b>-<|b>");
  EXPECT_EQ(st::replace("nothing", "z+", orvak::text::RegexFlags::none, [](const st::Groups&) { return "!"; }),
            "nothing");
}

TEST(SpeechText, ReplaceTreatsEachLineOnItsOwn) {
  EXPECT_EQ(st::replace("a\nb", "^", orvak::text::RegexFlags::none, [](const st::Groups&) { return "> "; }),
            "> a\n> b");
}

TEST(SpeechText, SameResultsFromManyThreadsAtOnce) {
  // Threads add their own pronunciation patterns to the shared cache while others read it.
  const std::vector<std::string> sentences{"Visit https://www.example.com/a now", "It costs $5bn!!",
                                           "Henry VIII met Dr. Who on 2024-03-05", "SQL and \U0001F600 GUI"};
  std::vector<std::string> expected;
  for (const auto& s : sentences) expected.push_back(st::spoken(s, {}));
  std::vector<std::thread> threads;
  std::vector<int> failures(8, 0);
  for (int t = 0; t < 8; ++t) {
    threads.emplace_back([&, t] {
      const std::vector<Pronunciation> own{{"word" + std::to_string(t), "w"}};
      for (int round = 0; round < 50; ++round) {
        for (std::size_t i = 0; i < sentences.size(); ++i) {
          if (st::spoken(sentences[i], own) != expected[i]) ++failures[std::size_t(t)];
        }
      }
    });
  }
  for (auto& th : threads) th.join();
  EXPECT_EQ(failures, std::vector<int>(8, 0));
}

}  // namespace
